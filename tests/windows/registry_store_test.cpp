// The live registry store against the settings-file store: a .reg text imported by reg.exe and
// parsed by RegFileStore gives the same, expected answer in both for every type, any letter case
// and the 32-bit view. Without administrator rights (needed for HKEY_LOCAL_MACHINE): skipped.
#include "settings/registry_store_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/codepage.h"
#include "settings/reg_file_store.h"

namespace rq {
namespace {

// One value: where it is written (below the test root; "Ansi" is the older 8-bit export), what
// the export says of it, and what both stores must answer for it.
struct ValueCase {
  const char *key, *name;
  std::string written;  // the export's right-hand side; empty: written elsewhere, or never
  std::string text;     // what GetRegistryString gives, byte for byte
  std::int32_t number;
  // Strings without their terminating NUL: Wine's importer adds the NUL that Windows' keeps out,
  // so these are set directly, byte for byte as the file store holds them.
  bool direct = false;
};

// Every type, as the registry's 8-bit interface hands it out less its last character; the number
// reader takes REG_DWORD only, and only data that fits 4 bytes (shorter data fills the low bytes).
const std::vector<ValueCase>& Cases() {
  using namespace std::string_literals;
  static const std::vector<ValueCase> cases = {
      {"Types", "Text", R"("C:\\Program Files\\Raven Quill\\Logs")",
       "C:\\Program Files\\Raven Quill\\Logs", 0},
      {"Types", "Empty", "\"\"", "", 0},
      {"Types", "Latin", "\"Caf\xC3\xA9 \xC3\x96lz \xE2\x82\xAC\"", "Caf\xE9 \xD6lz \x80", 0},
      {"Types", "Quote", R"("say \"hi\" \\ done")", "say \"hi\" \\ done", 0},
      {"Types", "Long", "\"" + std::string(300, 'L') + "\"", std::string(300, 'L'), 0},
      {"Types", "Expand", "hex(2):25,00,54,00,4d,00,50,00,25,00,5c,00,78,00,00,00", "%TMP%\\x", 0},
      {"Types", "Multi", "hex(7):61,00,00,00,62,00,63,00,00,00,00,00", "a\0bc\0"s, 0},
      {"Types", "Unterminated", "hex(1):41,00,42,00", "A", 0, true},
      {"Types", "OddLength", "hex(1):41,00,42,00,43", "A", 0, true},
      {"Types", "EmbeddedNul", "hex(1):41,00,00,00,42,00,00,00", "A\0B"s, 0},
      {"Types", "Binary", "hex:41,42,43", "AB", 0},
      {"Types", "NoBytes", "hex:", "", 0},
      {"Types", "Wrapped",
       "hex:30,31,32,33,34,35,36,37,38,39,30,31,32,33,34,35,36,37,38,39,30,31,32,\\\r\n"
       "  33,34,35,36,37,38,39",
       "0123456789012345678901234567890"s.substr(0, 29), 0},
      {"Types", "Dword", "dword:0000000a", "\x0A\0\0"s, 10},
      {"Types", "Negative", "dword:ffffffff", "\xFF\xFF\xFF", -1},
      {"Types", "ShortDword", "hex(4):01,02", "\x01", 0x0201},
      {"Types", "LongDword", "hex(4):01,02,03,04,05", "\x01\x02\x03\x04", 0},
      {"Types", "EmptyDword", "hex(4):", "", 0},
      {"Types", "Qword", "hex(b):01,00,00,00,00,00,00,00", "\x01\0\0\0\0\0\0"s, 0},
      {"Types", "BigEndian", "hex(5):00,00,00,01", "\0\0\0"s, 0},
      {"Types", "None", "hex(0):41,42", "A", 0},
      {"Types", "NumberAsText", "\"1\"", "1", 0},
      {"Types", "", "\"the default\"", "the default", 0},
      // Deleted values and keys, and what never was.
      {"Types", "Removed", "\"soon gone\"", "", 0},
      {"Types", "Missing", "", "", 0},
      {"Deleted", "Gone", "", "", 0},
      {"Nowhere", "Text", "", "", 0},
      // The 32-bit view answers first; a key it lacks comes from the 64-bit view, but a value
      // missing from a key the 32-bit view has is missing.
      {"Both", "Where", "", "32-bit view", 0},
      {"Both", "OnlyHere", "", "", 0},
      {"Only64", "Where", "", "64-bit view", 0},
      {"Only64", "Number", "", "\x40\0\0"s, 64},
      // Letter case beyond ASCII does not count either: names as the 8-bit interface spells them.
      {"\334n\357c\366d\351 \212", "Gr\366\337e \237", "", "big", 0},  // in octal: no run-on
      {"\374N\317C\326D\311 \232", "gR\326\337E \377", "", "big", 0},
      // The older 8-bit export form writes string types in hex one byte per character.
      {"Ansi", "Text", "\"Caf\xE9\"", "Caf\xE9", 0},
      {"Ansi", "Expand", "hex(2):25,54,4d,50,25,5c,e9,00", "%TMP%\\\xE9", 0},
      {"Ansi", "Multi", "hex(7):61,00,62,63,00,00", "a\0bc\0"s, 0},
      {"Ansi", "Dword", "dword:00000007", "\x07\0\0"s, 7},
  };
  return cases;
}

// The export lines of the rows of one key that are written there.
std::vector<std::string> ValueLines(std::string_view key, bool withDirect) {
  std::vector<std::string> lines;
  for (const ValueCase& c : Cases()) {
    if (c.key != key || c.written.empty() || (c.direct && !withDirect)) continue;
    lines.push_back((*c.name ? "\"" + std::string(c.name) + "\"" : std::string("@")) + "=" +
                    c.written);
  }
  return lines;
}

// The test data as the registry editor exports it (UTF-8 here; written as UTF-16LE).
std::vector<std::string> ExportLines(const std::string& root, bool withDirect) {
  const std::string wow = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + root;
  const std::string plain = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\" + root;
  std::vector<std::string> lines = {"Windows Registry Editor Version 5.00", "", wow + "\\Types]"};
  for (std::string& line : ValueLines("Types", withDirect)) lines.push_back(std::move(line));
  // An entry to a key, ending in CR LF: the join puts the blank line after it.
  lines.insert(lines.end(),
               {"\"Removed\"=-\r\n", wow + "\\Both]\r\n\"Where\"=\"32-bit view\"\r\n",
                plain + "\\Both]\r\n\"Where\"=\"64-bit view\"\r\n\"OnlyHere\"=\"64-bit view\"\r\n",
                plain + "\\Only64]\r\n\"Where\"=\"64-bit view\"\r\n\"Number\"=dword:00000040\r\n",
                wow + "\\\303\234n\303\257c\303\266d\303\251 \305\240]\r\n\"Gr\303\266\303\237e "
                      "\305\270\"=\"big\"\r\n",
                wow + "\\Deleted]\r\n\"Gone\"=\"x\"\r\n", "[-" + wow.substr(1) + "\\Deleted]\r\n"});
  return lines;
}

std::string Regedit4Text(const std::string& root) {
  std::string text =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + root + "\\Ansi]\r\n";
  for (const std::string& line : ValueLines("Ansi", false)) text += line + "\r\n";
  return text + "\r\n";
}

std::string Utf16WithBom(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return "\xFF\xFE" + Utf8ToUtf16Le(text);
}

std::wstring Wide(std::string_view ansi) {
  std::wstring out(ansi.size() + 1, L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                    out.data(), static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

// Opens a key of the test root for reading and writing, 32-bit view first, as the store does.
HKEY OpenTestKey(const std::string& path, REGSAM access) {
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access | view, &key) == ERROR_SUCCESS) {
      return key;
    }
  }
  return nullptr;
}

// The value as the registry keeps it (UTF-16 for strings), for comparison with the file store.
std::optional<RegValue> RawValue(const std::string& keyPath, const std::string& name) {
  HKEY key = OpenTestKey(keyPath, KEY_READ);
  if (key == nullptr) return std::nullopt;
  const std::wstring wname = Wide(name);
  DWORD type = 0, size = 0;
  std::string data;
  std::optional<RegValue> out;
  const auto query = [&](void* to) {
    return RegQueryValueExW(key, wname.c_str(), nullptr, &type, static_cast<BYTE*>(to), &size) ==
           ERROR_SUCCESS;
  };
  if (query(nullptr) && (data.resize(size), query(data.data())))
    out = RegValue{type, data.substr(0, size)};
  RegCloseKey(key);
  return out;
}

// Deletes the test root in both views of the registry.
void DeleteTestRoot(const std::string& root) {
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY software = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS | view, &software) ==
        ERROR_SUCCESS) {
      RegDeleteTreeA(software, root.c_str());
      RegDeleteKeyExA(software, root.c_str(), view, 0);
      RegCloseKey(software);
    }
  }
}

// Writes the bytes to a temporary file and imports it with reg.exe; true when that worked.
bool Import(const std::string& name, std::string_view bytes) {
  char dir[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof dir, dir);
  const std::string file = std::string(dir, n) + name;
  FILE* f = std::fopen(file.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  std::fclose(f);
  const bool imported =
      written && std::system(("reg.exe import \"" + file + "\" >NUL 2>&1").c_str()) == 0;
  std::remove(file.c_str());
  return imported;
}

class RegistryStoreTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = "RQTracker Store Test " + std::to_string(GetCurrentProcessId());
    DeleteTestRoot(root_);
    imported_ = Import(root_ + ".reg", Utf16WithBom(ExportLines(root_, false))) &&
                Import(root_ + " 4.reg", Regedit4Text(root_));
    file_.emplace(RegFileStore::FromBytes(Utf16WithBom(ExportLines(root_, true)), "test.reg"));
    ansiFile_.emplace(RegFileStore::FromBytes(Regedit4Text(root_), "test4.reg"));
    if (!imported_) return;
    const std::string types = "SOFTWARE\\" + root_ + "\\Types";
    HKEY key = OpenTestKey(types, KEY_SET_VALUE);
    for (const ValueCase& c : Cases()) {
      if (!c.direct) continue;
      const std::optional<RegValue> v = file_->Query(types, c.name);
      // The system counts a NUL that follows the data in memory as the data's terminator;
      // something else must follow it.
      const std::string buffer = v ? v->data + "\xFF\xFF" : std::string();
      imported_ = imported_ && key != nullptr && v &&
                  RegSetValueExW(key, Wide(c.name).c_str(), 0, v->type,
                                 reinterpret_cast<const BYTE*>(buffer.data()),
                                 static_cast<DWORD>(v->data.size())) == ERROR_SUCCESS;
    }
    if (key != nullptr) RegCloseKey(key);
  }
  static void TearDownTestSuite() { DeleteTestRoot(root_); }

  void SetUp() override {
    if (!imported_) GTEST_SKIP() << "could not write the test keys (administrator rights needed)";
  }

  // As the program asks: without WOW6432Node.
  static std::string Key(std::string_view sub) {
    return "SOFTWARE\\" + root_ + "\\" + std::string(sub);
  }

  static const RegFileStore& FileStoreFor(std::string_view sub) {
    return sub == "Ansi" ? *ansiFile_ : *file_;
  }

  static inline std::string root_;
  static inline bool imported_ = false;
  static inline std::optional<RegFileStore> file_, ansiFile_;
  const WindowsRegistryStore registry_;
};

std::string Folded(std::string s, char from, char to) {
  for (char& c : s) {
    if (c >= from && c <= from + 25) c = static_cast<char>(c - from + to);
  }
  return s;
}

TEST_F(RegistryStoreTest, BothStoresGiveTheExpectedAnswerInAnyLetterCase) {
  for (const ValueCase& c : Cases()) {
    const RegFileStore& file = FileStoreFor(c.key);
    // Keys and value names as written, in capitals and in small letters.
    for (const auto& [from, to] : {std::pair{'a', 'a'}, std::pair{'a', 'A'}, std::pair{'A', 'a'}}) {
      const std::string key = Folded(Key(c.key), from, to);
      const std::string name = Folded(c.name, from, to);
      // gtest prints strings with their NULs and high bytes escaped.
      SCOPED_TRACE(::testing::PrintToString(key) + " / " + ::testing::PrintToString(name));
      EXPECT_EQ(registry_.GetRegistryString(key, name), c.text) << "registry";
      EXPECT_EQ(file.GetRegistryString(key, name), c.text) << "file";
      EXPECT_EQ(registry_.GetRegistryNumber(key, name), c.number) << "registry";
      EXPECT_EQ(file.GetRegistryNumber(key, name), c.number) << "file";
    }
    // The file store's parser against the system's importer: same type, same bytes.
    const std::optional<RegValue> parsed = file.Query(Key(c.key), c.name);
    const std::optional<RegValue> stored = RawValue(Key(c.key), c.name);
    ASSERT_EQ(parsed.has_value(), stored.has_value()) << c.key << " / " << c.name;
    if (!parsed) continue;
    EXPECT_EQ(parsed->type, stored->type) << c.name;
    EXPECT_EQ(parsed->data, stored->data) << c.name;
  }
}

}  // namespace
}  // namespace rq
