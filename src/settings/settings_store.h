// The two settings reads the program needs, over whatever store holds the server's settings.
//
// The program reads the mail server's settings below HKEY_LOCAL_MACHINE and never writes them.
// A store answers the two questions the rest of the code asks; it is passed in, never global.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rq {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The value's data as the registry's 8-bit text interface gives it, less its last character
  // (the terminating NUL of a stored string), whatever the value's type. Empty when the key or
  // value is missing or the data is empty. Key paths are below HKEY_LOCAL_MACHINE.
  virtual std::string GetRegistryString(std::string_view keyPath,
                                        std::string_view valueName) const = 0;

  // The value as a signed 32-bit number when it is a REG_DWORD; 0 for a missing key or value and
  // for a value of any other type.
  virtual std::int32_t GetRegistryNumber(std::string_view keyPath,
                                         std::string_view valueName) const = 0;
};

}  // namespace rq
