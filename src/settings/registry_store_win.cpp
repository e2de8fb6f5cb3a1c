#include "settings/registry_store_win.h"

#ifdef _WIN32

#include <windows.h>

#include <string>

namespace rq {
namespace {

// Opens a key below HKEY_LOCAL_MACHINE for reading, in the 32-bit view; closes it when done.
class Key {
 public:
  explicit Key(std::string_view path) {
    const std::string p(path);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, p.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key_) !=
        ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

std::string WindowsRegistryStore::GetRegistryString(std::string_view keyPath,
                                                    std::string_view valueName) const {
  Key key(keyPath);
  if (key.get() == nullptr) return {};
  const std::string name(valueName);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      size == 0) {
    return {};
  }
  std::string data(size, '\0');
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS ||
      size == 0) {
    return {};
  }
  data.resize(size - 1);  // less the last character, the terminating NUL of a string
  return data;
}

std::int32_t WindowsRegistryStore::GetRegistryNumber(std::string_view keyPath,
                                                     std::string_view valueName) const {
  Key key(keyPath);
  if (key.get() == nullptr) return 0;
  const std::string name(valueName);
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS ||
      type != REG_DWORD) {
    return 0;
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace rq

#endif
