#include "settings/registry_store_win.h"

#ifdef _WIN32

#include <windows.h>

#include <string>

namespace rq {
namespace {

// Opens a key below HKEY_LOCAL_MACHINE for reading, in the 32-bit view (where a 32-bit server
// keeps its settings on 64-bit Windows); a key that view does not have is looked for in the 64-bit
// view, just as a settings file answers from SOFTWARE\X when it holds no SOFTWARE\WOW6432Node\X.
// Closes the key when done.
class Key {
 public:
  explicit Key(std::string_view path) {
    const std::string p(path);
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      const LSTATUS status =
          RegOpenKeyExA(HKEY_LOCAL_MACHINE, p.c_str(), 0, KEY_READ | view, &key_);
      if (status == ERROR_SUCCESS) return;
      key_ = nullptr;
      if (status != ERROR_FILE_NOT_FOUND) return;
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
  std::string data;
  // The server may rewrite the value between the two calls; a value that grew is asked again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    data.assign(size, '\0');
    const LSTATUS status = RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(data.data()), &size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS || size == 0 || size > data.size()) return {};
    data.resize(size - 1);  // less the last character, the terminating NUL of a string
    return data;
  }
  return {};
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
