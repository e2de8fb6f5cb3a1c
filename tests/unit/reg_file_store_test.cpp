#include "settings/reg_file_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace rq {
namespace {

using test::RegText;
using test::Utf16LeWithBom;

constexpr std::string_view kKey = "SOFTWARE\\Raven Quill\\Raven Quill";

RegFileStore Parse(const std::vector<std::string>& lines) {
  return RegFileStore::FromBytes(RegText(lines), "t.reg");
}

std::string ErrorOf(std::string_view bytes) {
  try {
    RegFileStore::FromBytes(bytes, "bad.reg");
  } catch (const SettingsFileError& e) {
    return e.what();
  }
  return "(no error)";
}

std::string Truncated(std::string bytes) {
  bytes.pop_back();
  return bytes;
}

TEST(RegFileStore, EveryEncodingGivesTheSameEightBitText) {
  // "Café" in the four forms an export can take; the 8-bit interface gives Windows-1252.
  const std::string body =
      "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill]\r\n\"Owner\"=\"Caf";
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::string utf16 = [&] {
    std::string s = Utf16LeWithBom("Windows Registry Editor Version 5.00" + body);
    s += std::string("\xE9\x00", 2);  // U+00E9 in UTF-16LE
    s += std::string("\"\0\r\0\n\0", 6);
    return s;
  }();
  const std::vector<Case> cases = {
      {"utf16le with bom", utf16},
      {"regedit4 8-bit", "REGEDIT4" + body + "\xE9\"\r\n"},
      {"utf-8 with bom",
       "\xEF\xBB\xBFWindows Registry Editor Version 5.00" + body + "\xC3\xA9\"\r\n"},
      {"utf-8 without bom", "Windows Registry Editor Version 5.00" + body + "\xC3\xA9\"\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RegFileStore store = RegFileStore::FromBytes(c.bytes, c.name);
    EXPECT_EQ(store.GetRegistryString(kKey, "Owner"), "Caf\xE9");
    const auto raw = store.Query(kKey, "Owner");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, kRegSz);
    EXPECT_EQ(raw->data, std::string("C\0a\0f\0\xE9\0\0\0", 10));
  }
}

TEST(RegFileStore, EscapesAndWrappedHexData) {
  const RegFileStore store = Parse({
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill]",
      R"("Activity Log Directory"="C:\\Program Files\\Raven Quill\\Logs\\")",
      R"("Quote \"name\""="say \"hi\"")",
      R"("Empty"="")",
      R"(@="default")",
      "\"Wrapped\"=hex(2):43,00,3a,00,5c,00,\\",
      "  52,00,51,00,00,00",
      "\"Blob\"=hex:01,02,\\",
      "  03",
  });
  EXPECT_EQ(store.GetRegistryString(kKey, "Activity Log Directory"),
            "C:\\Program Files\\Raven Quill\\Logs\\");
  EXPECT_EQ(store.GetRegistryString(kKey, "Quote \"name\""), "say \"hi\"");
  EXPECT_EQ(store.GetRegistryString(kKey, "Empty"), "");
  EXPECT_EQ(store.GetRegistryString(kKey, ""), "default");
  EXPECT_EQ(store.GetRegistryString(kKey, "Wrapped"), "C:\\RQ");
  const auto blob = store.Query(kKey, "Blob");
  ASSERT_TRUE(blob.has_value());
  EXPECT_EQ(blob->type, kRegBinary);
  EXPECT_EQ(blob->data, "\x01\x02\x03");
}

TEST(RegFileStore, StringAndNumberReadersForEveryType) {
  const RegFileStore store = Parse({
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill]",
      "\"Sz\"=\"12\"",
      "\"Dword\"=dword:00000031",
      "\"Negative\"=dword:ffffffff",
      "\"Expand\"=hex(2):25,00,54,00,25,00,00,00",
      "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00",
      "\"Qword\"=hex(b):41,42,43,44,00,00,00,00",
      "\"None\"=hex(0):41,42,43",
      "\"DwordAsHex\"=hex(4):07,01,00,00",
      "\"Binary\"=hex:41,42",
      "\"Nothing\"=hex:",
  });
  struct Case {
    const char* name;
    std::string text;
    std::int32_t number;
  };
  const std::vector<Case> cases = {
      {"Sz", "12", 0},
      // A number's four bytes come back as text less the last byte.
      {"Dword", std::string("1\0\0", 3), 0x31},
      {"Negative", "\xFF\xFF\xFF", -1},
      {"Expand", "%T%", 0},
      {"Multi", std::string("a\0b\0", 4), 0},
      {"Qword", std::string("ABCD\0\0\0", 7), 0},
      {"None", "AB", 0},
      {"DwordAsHex", std::string("\x07\x01\0", 3), 0x107},
      {"Binary", "A", 0},
      {"Nothing", "", 0},
      {"Missing", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(store.GetRegistryString(kKey, c.name), c.text);
    EXPECT_EQ(store.GetRegistryNumber(kKey, c.name), c.number);
  }
  EXPECT_EQ(store.GetRegistryNumber("SOFTWARE\\Nowhere", "Dword"), 0);
  EXPECT_EQ(store.GetRegistryString("SOFTWARE\\Nowhere", "Sz"), "");
}

TEST(RegFileStore, WhichKeysAnswerALookup) {
  const RegFileStore store = Parse({
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Raven Quill\\Raven Quill\\Connectors\\SMTP]",
      "\"Debug Enabled\"=dword:00000001",
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]",
      "\"Native\"=\"yes\"",
      // An export of several hives is a valid file; only HKEY_LOCAL_MACHINE answers.
      "[HKEY_CURRENT_USER\\SOFTWARE\\Raven Quill\\Raven Quill]",
      "\"Owner\"=\"user\"",
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill]",
      "\"Owner\"=\"machine\"",
      "[HKEY_USERS\\S-1-5-18\\SOFTWARE\\Raven Quill\\Raven Quill]",
      "\"Owner\"=\"system\"",
  });
  const std::string smtp = std::string(kKey) + "\\Connectors\\SMTP";
  // Keys and names ignore letter case; the 32-bit view answers for the native path.
  EXPECT_EQ(store.GetRegistryNumber("software\\RAVEN QUILL\\raven quill\\connectors\\smtp",
                                    "DEBUG ENABLED"),
            1);
  EXPECT_EQ(store.GetRegistryNumber(smtp + "\\", "debug enabled"), 1);
  EXPECT_EQ(
      store.GetRegistryNumber("SOFTWARE\\WOW6432Node\\Raven Quill\\Raven Quill\\Connectors\\SMTP",
                              "Debug Enabled"),
      1);
  // Neighbouring names are not prefixes of one another.
  EXPECT_EQ(store.GetRegistryNumber(smtp.substr(0, smtp.size() - 1), "Debug Enabled"), 0);
  EXPECT_EQ(store.GetRegistryString("SOFTWARE\\Other", "Native"), "yes");
  EXPECT_EQ(store.GetRegistryString(kKey, "Owner"), "machine");
}

TEST(RegFileStore, DeletionsOfKeysAndValues) {
  const RegFileStore store = Parse({
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RQ\\SMTP]",
      "\"A\"=\"1\"",
      "\"B\"=\"2\"",
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RQ\\SMTP\\Sub]",
      "\"C\"=\"3\"",
      // Siblings whose names start like the deleted key, sorting before and after its sub-keys.
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RQ\\SMTP-Old]",
      "\"D\"=\"4\"",
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RQ\\SMTPX]",
      "\"E\"=\"5\"",
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RQ\\Keep]",
      "\"F\"=\"6\"",
      "\"G\"=\"7\"",
      "\"G\"=-",
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\rq\\smtp]",
  });
  EXPECT_EQ(store.GetRegistryString("SOFTWARE\\RQ\\SMTP", "A"), "");
  EXPECT_EQ(store.GetRegistryString("SOFTWARE\\RQ\\SMTP\\Sub", "C"), "");
  EXPECT_EQ(store.GetRegistryString("SOFTWARE\\RQ\\SMTP-Old", "D"), "4");
  EXPECT_EQ(store.GetRegistryString("SOFTWARE\\RQ\\SMTPX", "E"), "5");
  EXPECT_EQ(store.GetRegistryString("SOFTWARE\\RQ\\Keep", "F"), "6");
  EXPECT_FALSE(store.Query("SOFTWARE\\RQ\\Keep", "G").has_value());
}

TEST(RegFileStore, MalformedLinesNameFileAndLine) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string prefix;  // what() begins with it
  };
  const std::string h = "Windows Registry Editor Version 5.00\r\n";
  const std::string k = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n";
  const std::vector<Case> cases = {
      {"empty file", "", "bad.reg:1: "},
      {"blank lines only", "\r\n\r\n", "bad.reg:1: "},
      {"wrong header", "\r\nREGEDIT5\r\n", "bad.reg:2: "},
      {"value before key", h + "\"a\"=\"b\"\r\n", "bad.reg:2: "},
      {"key without bracket", h + "\r\n[HKEY_LOCAL_MACHINE\\X\r\n", "bad.reg:3: "},
      {"stray text", h + k + "hello\r\n", "bad.reg:3: "},
      {"unclosed quote", h + k + "\"a\"=\"b\r\n", "bad.reg:3: "},
      {"no equals", h + k + "\"a\" \"b\"\r\n", "bad.reg:3: "},
      {"bad dword", h + k + "\"a\"=dword:12345678a\r\n", "bad.reg:3: "},
      {"dword not hex", h + k + "\"a\"=dword:0000000g\r\n", "bad.reg:3: "},
      {"bad hex byte", h + k + "\"a\"=hex:01,2g\r\n", "bad.reg:3: "},
      {"hex byte too long", h + k + "\"a\"=hex:012\r\n", "bad.reg:3: "},
      {"bad hex type", h + k + "\"a\"=hex(z):01\r\n", "bad.reg:3: "},
      {"unknown data", h + k + "\"a\"=qword:1\r\n", "bad.reg:3: "},
      {"junk after text", h + k + "\"a\"=\"b\" c\r\n", "bad.reg:3: "},
      // A wrapped value is reported at the line it starts on.
      {"bad wrapped hex", h + k + "\"a\"=hex:01,\\\r\n  zz\r\n", "bad.reg:3: "},
      {"big-endian utf-16", "\xFE\xFF", "bad.reg:1: "},
      // Half of the last character is missing.
      {"truncated utf-16", Truncated(Utf16LeWithBom(h + "\r\n" + k + "\"a\"=\"b\"")),
       "bad.reg:4: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string what = ErrorOf(c.bytes);
    EXPECT_EQ(what.rfind(c.prefix, 0), 0u) << what;
    EXPECT_GT(what.size(), c.prefix.size()) << "the error says what is wrong";
  }
}

TEST(RegFileStore, FromFileReadsAndNamesAMissingFile) {
  test::TempDir dir;
  const std::string path = dir / "server.reg";
  test::WriteFile(
      path, Utf16LeWithBom(RegText({"[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]", "\"n\"=dword:00000002"})));
  EXPECT_EQ(RegFileStore::FromFile(path).GetRegistryNumber("SOFTWARE\\X", "n"), 2);
  try {
    RegFileStore::FromFile(dir / "missing.reg");
    FAIL() << "a missing file must throw";
  } catch (const SettingsFileError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.reg"), std::string::npos);
  }
  // A directory is no settings file either.
  EXPECT_THROW(RegFileStore::FromFile(dir.path()), SettingsFileError);
}

}  // namespace
}  // namespace rq
