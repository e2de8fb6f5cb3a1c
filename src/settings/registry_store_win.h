// The settings store over the live Windows registry, in the 32-bit view (KEY_WOW64_32KEY), read
// through the 8-bit interface. Built only on Windows.
#pragma once

#ifdef _WIN32

#include "settings/settings_store.h"

namespace rq {

class WindowsRegistryStore final : public SettingsStore {
 public:
  std::string GetRegistryString(std::string_view keyPath,
                                std::string_view valueName) const override;
  std::int32_t GetRegistryNumber(std::string_view keyPath,
                                 std::string_view valueName) const override;
};

}  // namespace rq

#endif
