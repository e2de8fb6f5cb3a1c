#include "settings/reg_file_store.h"

#include <cstring>
#include <sstream>

#include "base/codepage.h"
#include "base/file.h"

namespace rq {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kWowPrefix = "software\\wow6432node\\";
constexpr std::string_view kSoftwarePrefix = "software\\";

// Key paths and value names (in the 8-bit code page) are compared as the registry does: letter
// case does not count, for the accented letters of Windows-1252 as much as for A to Z.
std::string Fold(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
      c = static_cast<char>(b + 0x20);  // A-Z, and À-Þ except the multiplication sign
    } else if (b == 0x8A || b == 0x8C || b == 0x8E) {
      c = static_cast<char>(b + 0x10);  // Š Œ Ž
    } else if (b == 0x9F) {
      c = static_cast<char>(0xFF);  // Ÿ
    }
  }
  return out;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// Turns the file's text into keys and values; keeps the line number for every error.
class RegFileParser {
 public:
  RegFileParser(RegFileStore& store, std::string_view name) : store_(store), name_(name) {}

  void Parse(std::string_view bytes) {
    const std::string text = Decode(bytes);
    std::vector<std::string_view> lines;
    SplitLines(text, lines);

    std::size_t i = 0;
    while (i < lines.size() && TrimBlanks(lines[i]).empty()) ++i;
    if (i == lines.size()) Fail(1, "the file is empty; expected a registry export");
    const std::string_view header = TrimBlanks(lines[i]);
    if (header != kHeader5 && header != kHeader4) {
      Fail(i + 1, "not a registry export: the first line must be \"" + std::string(kHeader5) +
                      "\" or \"" + std::string(kHeader4) + "\"");
    }
    ansiStrings_ = header == kHeader4;
    for (++i; i < lines.size(); ++i) {
      const std::size_t lineNo = i + 1;
      std::string_view line = TrimBlanks(lines[i]);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        KeyLine(line, lineNo);
        continue;
      }
      if (line.front() == '"' || line.front() == '@') {
        // Binary data is wrapped over lines that end in a backslash.
        std::string logical(line);
        while (!logical.empty() && logical.back() == '\\' && IsHexData(logical) &&
               i + 1 < lines.size()) {
          logical.pop_back();
          logical += TrimBlanks(lines[++i]);
        }
        ValueLine(logical, lineNo);
        continue;
      }
      Fail(lineNo, "unexpected text; expected a [key], a \"value\"=data line or a ; comment");
    }
  }

 private:
  [[noreturn]] void Fail(std::size_t line, const std::string& what) const {
    throw SettingsFileError(name_ + ":" + std::to_string(line) + ": " + what);
  }

  std::string Decode(std::string_view bytes) const {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
      bytes.remove_prefix(2);
      if (bytes.size() % 2 != 0) {
        std::size_t lines = 1;
        const std::string partial = Utf16LeToUtf8(bytes);
        for (char c : partial) lines += c == '\n' ? 1 : 0;
        Fail(lines, "the file ends inside a UTF-16 character (truncated)");
      }
      return Utf16LeToUtf8(bytes);
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
      Fail(1, "UTF-16 big-endian files are not supported; export the key again");
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return Cp1252ToUtf8(bytes);
  }

  static void SplitLines(std::string_view text, std::vector<std::string_view>& lines) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' || text[i] == '\n') {
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
      }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
  }

  static bool IsHexData(std::string_view logical) {
    const std::size_t eq = FindEquals(logical);
    if (eq == std::string_view::npos) return false;
    const std::string_view data = TrimBlanks(logical.substr(eq + 1));
    return data.substr(0, 3) == "hex";
  }

  // Position of the '=' after the value name, or npos; the name may hold escaped quotes.
  static std::size_t FindEquals(std::string_view line) {
    if (line.empty()) return std::string_view::npos;
    if (line.front() == '@') return line.find('=');
    for (std::size_t i = 1; i < line.size(); ++i) {
      if (line[i] == '\\') {
        ++i;
      } else if (line[i] == '"') {
        const std::size_t eq = line.find_first_not_of(" \t", i + 1);
        return eq != std::string_view::npos && line[eq] == '=' ? eq : std::string_view::npos;
      }
    }
    return std::string_view::npos;
  }

  void KeyLine(std::string_view line, std::size_t lineNo) {
    if (line.back() != ']') Fail(lineNo, "a key line must end with ']'");
    std::string_view path = line.substr(1, line.size() - 2);
    bool remove = false;
    if (!path.empty() && path.front() == '-') {
      remove = true;
      path.remove_prefix(1);
    }
    const std::size_t slash = path.find('\\');
    const std::string hive = Fold(path.substr(0, slash));
    if (hive.empty()) Fail(lineNo, "the key line names no key");
    // Folded below, once in the registry's code page (folding the UTF-8 bytes would garble them).
    std::string rest = slash == std::string_view::npos ? "" : std::string(path.substr(slash + 1));
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    haveKey_ = true;  // values that follow belong to this key, whichever hive it is in
    if (hive != "hkey_local_machine" && hive != "hklm") {
      current_ = nullptr;  // other hives do not count; their values are skipped
      return;
    }
    // The registry code page is what the 8-bit interface sees; key paths are compared that way.
    rest = Fold(Utf8ToCp1252(rest));
    if (remove) {
      current_ = nullptr;
      // Every key that begins with the path sorts in one run; a sibling such as "SMTP-Old"
      // ('-' sorts before '\\') may stand between the key and its sub-keys, so skip those.
      auto it = store_.keys_.lower_bound(rest);
      while (it != store_.keys_.end() && it->first.compare(0, rest.size(), rest) == 0) {
        if (it->first.size() == rest.size() || rest.empty() || it->first[rest.size()] == '\\') {
          it = store_.keys_.erase(it);
        } else {
          ++it;
        }
      }
      return;
    }
    current_ = &store_.keys_[rest];
  }

  // Reads a quoted string with \\ and \" escapes starting at `pos` (on the opening quote).
  std::string QuotedString(std::string_view line, std::size_t& pos, std::size_t lineNo) const {
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
      const char c = line[pos];
      if (c == '\\' && pos + 1 < line.size() && (line[pos + 1] == '\\' || line[pos + 1] == '"')) {
        out += line[++pos];
      } else if (c == '"') {
        ++pos;
        return out;
      } else {
        out += c;
      }
    }
    Fail(lineNo, "a quoted text is not closed on its line");
  }

  void ValueLine(std::string_view line, std::size_t lineNo) {
    if (!haveKey_) Fail(lineNo, "a value line before any [key] line");
    std::size_t pos = 0;
    std::string name;
    if (line.front() == '@') {
      pos = 1;
    } else {
      name = QuotedString(line, pos, lineNo);
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') Fail(lineNo, "expected '=' after the value name");
    const std::string_view data = TrimBlanks(line.substr(pos + 1));
    RegValue value;
    bool remove = false;
    if (data == "-") {
      remove = true;
    } else if (!data.empty() && data.front() == '"') {
      std::size_t p = 0;
      const std::string text = QuotedString(data, p, lineNo);
      if (!TrimBlanks(data.substr(p)).empty() && TrimBlanks(data.substr(p)).front() != ';') {
        Fail(lineNo, "unexpected text after the closing quote");
      }
      value.type = kRegSz;
      value.data = Utf8ToUtf16Le(text);
      value.data.append(2, '\0');
    } else if (data.substr(0, 6) == "dword:") {
      const std::string_view digits = TrimBlanks(data.substr(6));
      if (digits.empty() || digits.size() > 8) Fail(lineNo, "dword data needs 1 to 8 hex digits");
      std::uint32_t v = 0;
      for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) Fail(lineNo, "dword data holds a character that is not a hex digit");
        v = (v << 4) | static_cast<std::uint32_t>(d);
      }
      value.type = kRegDword;
      for (int b = 0; b < 4; ++b) value.data += static_cast<char>((v >> (8 * b)) & 0xFF);
    } else if (data.substr(0, 3) == "hex") {
      std::string_view rest = data.substr(3);
      value.type = kRegBinary;
      if (!rest.empty() && rest.front() == '(') {
        const std::size_t close = rest.find(')');
        if (close == std::string_view::npos || close == 1 || close > 9) {
          Fail(lineNo, "hex(N) needs a hex type number in parentheses");
        }
        std::uint32_t t = 0;
        for (char c : rest.substr(1, close - 1)) {
          const int d = HexDigit(c);
          if (d < 0) Fail(lineNo, "hex(N) type is not a hex number");
          t = (t << 4) | static_cast<std::uint32_t>(d);
        }
        value.type = t;
        rest.remove_prefix(close + 1);
      }
      if (rest.empty() || rest.front() != ':') Fail(lineNo, "expected ':' after hex");
      rest.remove_prefix(1);
      HexBytes(rest, value.data, lineNo);
      // A REGEDIT4 export writes the data of the string types in the 8-bit code page, one byte
      // per character, and importing it turns that into the registry's UTF-16.
      if (ansiStrings_ &&
          (value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz)) {
        value.data = Utf8ToUtf16Le(Cp1252ToUtf8(value.data));
      }
    } else {
      Fail(lineNo, "cannot read the value's data; expected \"text\", dword:, hex: or hex(N):");
    }
    if (current_ == nullptr) return;  // a key of another hive, or a deleted key
    const std::string folded = Fold(Utf8ToCp1252(name));
    if (remove) {
      current_->erase(folded);
    } else {
      (*current_)[folded] = std::move(value);
    }
  }

  void HexBytes(std::string_view list, std::string& out, std::size_t lineNo) const {
    list = TrimBlanks(list);
    if (list.empty()) return;
    std::size_t pos = 0;
    while (pos < list.size()) {
      while (pos < list.size() && (list[pos] == ' ' || list[pos] == '\t')) ++pos;
      if (pos >= list.size()) break;
      const std::size_t comma = list.find(',', pos);
      const std::string_view item =
          TrimBlanks(list.substr(pos, comma == std::string_view::npos ? comma : comma - pos));
      if (item.empty() || item.size() > 2) Fail(lineNo, "hex data must be bytes like 0a,ff,...");
      int v = 0;
      for (char c : item) {
        const int d = HexDigit(c);
        if (d < 0) Fail(lineNo, "hex data holds a character that is not a hex digit");
        v = v * 16 + d;
      }
      out += static_cast<char>(v);
      if (comma == std::string_view::npos) break;
      pos = comma + 1;
    }
  }

  RegFileStore& store_;
  std::string name_;
  RegFileStore::ValueMap* current_ = nullptr;
  bool haveKey_ = false;
  bool ansiStrings_ = false;  // REGEDIT4: hex data of string types is 8-bit text
};

RegFileStore RegFileStore::FromBytes(std::string_view bytes, std::string_view name) {
  RegFileStore store;
  RegFileParser(store, name).Parse(bytes);
  return store;
}

RegFileStore RegFileStore::FromFile(const std::string& path) {
  // Only an ordinary file is read: a FIFO would block the program, a device might never end, and
  // a directory holds no settings.
  ReadOnlyFile file;
  if (!file.Open(path)) {
    throw SettingsFileError(path +
                            ": cannot open the settings file (it must be an ordinary, "
                            "readable file)");
  }
  std::string bytes;
  std::vector<char> chunk(1 << 16);
  for (;;) {
    const long long got = file.Read(chunk.data(), chunk.size());
    if (got < 0) throw SettingsFileError(path + ": cannot read the settings file");
    if (got == 0) break;
    bytes.append(chunk.data(), static_cast<std::size_t>(got));
  }
  return FromBytes(bytes, path);
}

std::optional<RegValue> RegFileStore::Query(std::string_view keyPath,
                                            std::string_view valueName) const {
  std::string key = Fold(keyPath);
  while (!key.empty() && key.back() == '\\') key.pop_back();
  // The 32-bit view: a key under WOW6432Node answers for the path without it.
  auto it = keys_.end();
  if (key.compare(0, kSoftwarePrefix.size(), kSoftwarePrefix) == 0 &&
      key.compare(0, kWowPrefix.size(), kWowPrefix) != 0) {
    it = keys_.find(std::string(kWowPrefix) + key.substr(kSoftwarePrefix.size()));
  }
  if (it == keys_.end()) it = keys_.find(key);
  if (it == keys_.end()) return std::nullopt;
  const auto value = it->second.find(Fold(valueName));
  if (value == it->second.end()) return std::nullopt;
  return value->second;
}

std::string AnsiDataOf(const RegValue& value) {
  if (value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz) {
    return Utf16LeToCp1252(value.data);
  }
  return value.data;
}

std::string RegFileStore::GetRegistryString(std::string_view keyPath,
                                            std::string_view valueName) const {
  const auto value = Query(keyPath, valueName);
  if (!value) return {};
  std::string data = AnsiDataOf(*value);
  if (!data.empty()) data.pop_back();
  return data;
}

std::int32_t RegFileStore::GetRegistryNumber(std::string_view keyPath,
                                             std::string_view valueName) const {
  const auto value = Query(keyPath, valueName);
  // A REG_DWORD read into a 4-byte buffer: shorter data fills the low bytes, longer data fails.
  if (!value || value->type != kRegDword || value->data.size() > 4) return 0;
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < value->data.size(); ++i) {
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(value->data[i])) << (8 * i);
  }
  return static_cast<std::int32_t>(v);
}

}  // namespace rq
