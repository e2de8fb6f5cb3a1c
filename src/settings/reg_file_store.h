// A settings store read from a file exported by the registry editor.
//
// Accepts "Windows Registry Editor Version 5.00" files in UTF-16LE with a byte-order mark (as the
// editor writes them), UTF-8 with or without a mark, and 8-bit "REGEDIT4" files. Only
// HKEY_LOCAL_MACHINE counts. Keys and value names are matched without regard to case; a key under
// SOFTWARE\WOW6432Node answers for the same path without it, as the 32-bit view of the registry.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_store.h"

namespace rq {

// Registry value types, as the registry numbers them.
enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegLink = 6,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// One stored value: its type and its data bytes as the registry keeps them (strings in UTF-16LE).
struct RegValue {
  std::uint32_t type = kRegNone;
  std::string data;
};

// A settings file that cannot be read or parsed. what() names the file and, for a parse error,
// the line: "settings.reg:12: ...".
class SettingsFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RegFileStore final : public SettingsStore {
 public:
  // Reads and parses the file; throws SettingsFileError naming the file and line on failure.
  static RegFileStore FromFile(const std::string& path);
  // Parses file contents already in memory; `name` is used in error messages.
  static RegFileStore FromBytes(std::string_view bytes, std::string_view name);

  std::string GetRegistryString(std::string_view keyPath,
                                std::string_view valueName) const override;
  std::int32_t GetRegistryNumber(std::string_view keyPath,
                                 std::string_view valueName) const override;

  // The raw value, for tests and tools; nullopt when the key or value is missing.
  std::optional<RegValue> Query(std::string_view keyPath, std::string_view valueName) const;

 private:
  // Folded key path (below HKEY_LOCAL_MACHINE) -> folded value name -> value.
  using ValueMap = std::map<std::string, RegValue, std::less<>>;
  std::map<std::string, ValueMap, std::less<>> keys_;

  friend class RegFileParser;
};

// The data of a value as the 8-bit text interface returns it: string types converted from
// UTF-16LE to Windows-1252 ('?' for what it cannot hold), every other type as its raw bytes.
std::string AnsiDataOf(const RegValue& value);

}  // namespace rq
