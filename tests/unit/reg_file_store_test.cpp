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
const std::string kMain = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Raven Quill\\Raven Quill]";

RegFileStore Parse(const std::vector<std::string>& lines) {
  return RegFileStore::FromBytes(RegText(lines), "t.reg");
}

TEST(RegFileStore, EveryEncodingGivesTheSameEightBitText) {
  // "Café" in the four forms an export can take; the 8-bit interface gives Windows-1252.
  const std::string h5 = "Windows Registry Editor Version 5.00";
  const std::string body = "\r\n" + kMain + "\r\n\"Owner\"=\"Caf";
  const std::string utf16 =
      Utf16LeWithBom(h5 + body) + std::string("\xE9\0\"\0\r\0\n\0", 8);  // U+00E9 in UTF-16LE
  for (const std::string& bytes :
       {utf16, "REGEDIT4" + body + "\xE9\"\r\n", "\xEF\xBB\xBF" + h5 + body + "\xC3\xA9\"\r\n",
        h5 + body + "\xC3\xA9\"\n"}) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    const RegFileStore store = RegFileStore::FromBytes(bytes, "x.reg");
    EXPECT_EQ(store.GetRegistryString(kKey, "Owner"), "Caf\xE9");
    const auto raw = store.Query(kKey, "Owner");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, kRegSz);
    EXPECT_EQ(raw->data, std::string("C\0a\0f\0\xE9\0\0\0", 10));
  }
}

TEST(RegFileStore, StringAndNumberReadersForEveryTypeAndEscape) {
  const RegFileStore store = Parse({
      kMain,
      R"("Dir"="C:\\Program Files\\Raven Quill\\Logs\\")",
      R"("Quote \"name\""="say \"hi\"")",
      R"(@="default")",
      "\"Sz\"=\"12\"",
      "\"Dword\"=dword:00000031",
      "\"Negative\"=dword:ffffffff",
      "\"Expand\"=hex(2):25,00,54,00,25,00,00,00",
      "\"Wrapped\"=hex(2):43,00,3a,00,5c,00,\\",
      "  52,00,51,00,00,00",
      "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00",
      "\"Qword\"=hex(b):4A,42,43,44,00,00,00,00",
      R"("a=b"=hex:41,\)",
      "  42,43",
      "\"None\"=hex(0):41,42,43",
      "\"DwordAsHex\"=hex(4):07,01,00,00",
      "\"Blob\"=hex:41,02,\\",
      "  03",
      "\"Nothing\"=hex:",
      "\"Empty\"=\"\"",
  });
  struct Case {
    const char* name;
    std::string text;
    std::int32_t number = 0;
  };
  // A number's four bytes come back as text less the last byte, binary data likewise.
  const Case cases[] = {{"Dir", "C:\\Program Files\\Raven Quill\\Logs\\"},
                        {"Quote \"name\"", "say \"hi\""},
                        {"", "default"},
                        {"Sz", "12"},
                        {"Dword", std::string("1\0\0", 3), 0x31},
                        {"Negative", "\xFF\xFF\xFF", -1},
                        {"Expand", "%T%"},
                        {"Wrapped", "C:\\RQ"},
                        {"Multi", std::string("a\0b\0", 4)},
                        {"Qword", std::string("JBCD\0\0\0", 7)},
                        {"a=b", "AB"},
                        {"None", "AB"},
                        {"DwordAsHex", std::string("\x07\x01\0", 3), 0x107},
                        {"Blob", "A\x02"},
                        {"Nothing", ""},
                        {"Empty", ""},
                        {"Missing", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(store.GetRegistryString(kKey, c.name), c.text);
    EXPECT_EQ(store.GetRegistryNumber(kKey, c.name), c.number);
  }
  const auto blob = store.Query(kKey, "Blob");
  ASSERT_TRUE(blob.has_value());
  EXPECT_EQ(blob->type, kRegBinary);
  EXPECT_EQ(blob->data, "A\x02\x03");
  EXPECT_EQ(store.GetRegistryNumber("SOFTWARE\\Nowhere", "Dword"), 0);
  EXPECT_EQ(store.GetRegistryString("SOFTWARE\\Nowhere", "Sz"), "");
}

TEST(RegFileStore, WhichKeysAnswerALookup) {
  const std::string wow = "SOFTWARE\\WOW6432Node\\Raven Quill\\Raven Quill\\Connectors\\SMTP";
  const std::string smtp = std::string(kKey) + "\\Connectors\\SMTP";
  const RegFileStore store =
      Parse({"[HKEY_LOCAL_MACHINE\\" + wow + "]", "\"Debug Enabled\"=dword:00000001",
             // An export of several hives is a valid file; only HKEY_LOCAL_MACHINE answers.
             "[HKEY_CURRENT_USER\\SOFTWARE\\Raven Quill\\Raven Quill]", "\"Owner\"=\"user\"", kMain,
             "\"Owner\"=\"machine\"", "[HKEY_USERS\\S-1-5-18\\SOFTWARE\\Raven Quill\\Raven Quill]",
             "\"Owner\"=\"system\"",
             // Deleted: a value, and a key with its sub-keys but not siblings that start like it.
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RQ\\SMTP]", "\"A\"=\"1\"",
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RQ\\SMTP\\Sub]", "\"C\"=\"3\"",
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RQ\\SMTP-Old]", "\"D\"=\"4\"",
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RQ\\SMTPX]", "\"E\"=\"5\"",
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RQ\\Keep]", "\"F\"=\"6\"", "\"G\"=\"7\"", "\"G\"=-",
             "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\rq\\smtp]"});
  // Keys and names ignore letter case; the 32-bit view answers for the native path; neighbouring
  // names are not prefixes of one another.
  for (const auto& [key, number] : std::vector<std::pair<std::string, int>>{
           {"software\\RAVEN QUILL\\raven quill\\connectors\\smtp", 1},
           {smtp + "\\", 1},
           {wow, 1},
           {smtp.substr(0, smtp.size() - 1), 0}}) {
    EXPECT_EQ(store.GetRegistryNumber(key, "DEBUG enabled"), number) << key;
  }
  EXPECT_EQ(store.GetRegistryString(kKey, "Owner"), "machine");
  for (const auto& [key, name, text] :
       std::vector<std::tuple<std::string, std::string, std::string>>{{"SMTP", "A", ""},
                                                                      {"SMTP\\Sub", "C", ""},
                                                                      {"SMTP-Old", "D", "4"},
                                                                      {"SMTPX", "E", "5"},
                                                                      {"Keep", "F", "6"}}) {
    EXPECT_EQ(store.GetRegistryString("SOFTWARE\\RQ\\" + key, name), text) << key;
  }
  EXPECT_FALSE(store.Query("SOFTWARE\\RQ\\Keep", "G").has_value());
}

TEST(RegFileStore, MalformedLinesNameFileAndLine) {
  const std::string h = "Windows Registry Editor Version 5.00\r\n";
  const std::string k = h + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n";
  std::string utf16 = Utf16LeWithBom(h + "\r\n" + k.substr(h.size()) + "\"a\"=\"b\"");
  utf16.pop_back();  // half of the last character is missing
  // Refused at once: big-endian UTF-16. A wrapped value is named by the line it starts on.
  std::vector<std::pair<std::string, int>> cases = {{"", 1},
                                                    {"\r\n\r\n", 1},
                                                    {"\xFE\xFF", 1},
                                                    {"\r\nREGEDIT5\r\n", 2},
                                                    {h + "\"a\"=\"b\"\r\n", 2},
                                                    {h + "\r\n[HKEY_LOCAL_MACHINE\\X\r\n", 3},
                                                    {utf16, 4}};
  for (const char* value :
       {"hello", "\"a\"=\"b", "\"a\" \"b\"", "\"a\"=dword:12345678a", "\"a\"=dword:0000000g",
        "\"a\"=hex:01,2g", "\"a\"=hex:012", "\"a\"=hex(z):01", "\"a\"=qword:1", "\"a\"=\"b\" c",
        "\"a\"=hex:01,\\\r\n  zz"}) {
    cases.push_back({k + value + "\r\n", 3});
  }
  for (const auto& [bytes, line] : cases) {
    const std::string prefix = "bad.reg:" + std::to_string(line) + ": ";
    const bool bigEndian = bytes.rfind("\xFE\xFF", 0) == 0;
    try {
      RegFileStore::FromBytes(bytes, "bad.reg");
      ADD_FAILURE() << testing::PrintToString(bytes) << " parsed";
    } catch (const SettingsFileError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind(prefix, 0), 0u) << what;
      EXPECT_GT(what.size(), prefix.size()) << "the error says what is wrong";
      EXPECT_EQ(what.find("big-endian") != std::string::npos, bigEndian) << what;
    }
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
  EXPECT_THROW(RegFileStore::FromFile(dir.path()), SettingsFileError);  // a directory
}

}  // namespace
}  // namespace rq
