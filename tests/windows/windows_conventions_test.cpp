// The Windows conventions that are plain text rules, tested on every platform: the user's date
// picture turned into a date form, the command line as one text, and the 8-bit export form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/windows_command_line.h"
#include "base/dates.h"
#include "settings/reg_file_store.h"

namespace rq {
namespace {

TEST(DatePatternFromWindowsPicture, CommonPicturesAndQuoting) {
  // Where a day is given, the form writes 5 January 2024 so and reads it back.
  struct Case {
    const char *picture, *pattern;
    const char* day = nullptr;
  };
  const std::vector<Case> cases = {
      {"M/d/yyyy", "%-m/%-d/%Y", "1/5/2024"},
      {"MM/dd/yy", "%m/%d/%y", "01/05/24"},
      {"dd.MM.yyyy", "%d.%m.%Y", "05.01.2024"},
      {"yyyy-MM-dd", "%Y-%m-%d", "2024-01-05"},
      {"d/M/yy", "%-d/%-m/%y", "5/1/24"},
      {"d-MMM-yy", "%-d-%b-%y"},
      {"dddd, MMMM d, yyyy", "%A, %B %-d, %Y"},
      {"ddd d/M/y", "%a %-d/%-m/%y"},
      {"dd 'de' MMMM", "%d de %B"},
      {"'d' d", "d %-d"},              // quoted letters are text, not fields
      {"'It''s' d", "It's %-d"},       // a doubled quote inside quotes
      {"d''M", "%-d'%-m"},             // and outside
      {"d '%' M %", "%-d %% %-m %%"},  // a percent sign is text, quoted or not
      {"'%'d'%'M'%'yy", "%%%-d%%%-m%%%y", "%5%1%24"},
      {"gg yyyy", " %Y"},  // the era is left out
      {"'unclosed d", "unclosed d"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    EXPECT_EQ(DatePatternFromWindowsPicture(c.picture), c.pattern);
    if (c.day == nullptr) continue;
    const DateFormat form(DatePatternFromWindowsPicture(c.picture));
    EXPECT_EQ(form.Format(Date{2024, 1, 5}), c.day);
    EXPECT_EQ(form.Parse(c.day), (Date{2024, 1, 5}));
  }
}

TEST(WindowsCommandLine, TextAfterProgramName) {
  struct Case {
    const char *commandLine, *rest;
  };
  for (const Case& c : {
           Case{"rqtracker.exe x  ID", "x  ID"},
           Case{"\"C:\\Program Files\\RQ\\rqtracker.exe\" x ID extra", "x ID extra"},
           Case{"\"C:\\Program Files\\RQ\\rqtracker.exe\"x ID", "x ID"},
           Case{"rqtracker.exe \t  x ID ", "x ID "},
           Case{"rqtracker.exe", ""},
           Case{"rqtracker.exe   ", ""},
           Case{"\"unclosed name x", ""},
           Case{"", ""},
       }) {
    SCOPED_TRACE(c.commandLine);
    EXPECT_EQ(TextAfterProgramName(c.commandLine), c.rest);
  }
}

TEST(WindowsCommandLine, TextAfterArgumentsKeepsTheRestAsWritten) {
  struct Case {
    const char* text;
    int count;
    const char* rest;
  };
  for (const Case& c : {
           Case{"x  ID", 0, "x  ID"},
           Case{"--console x  ID", 1, "x  ID"},
           Case{"--console -- x  ID third", 2, "x  ID third"},
           Case{"--settings \"C:\\rq test\\s.reg\" --console x  ID", 3, "x  ID"},
           Case{"--settings=\"C:\\rq test\\s.reg\" x ID", 1, "x ID"},
           Case{"--settings C:\\dir\\ x", 2, "x"},    // backslashes before no quote
           Case{"--map \"C:\\x\\\"y z\" w", 2, "w"},  // \" inside quotes is a quote
           Case{"--map C:\\x\\\\\"y z\" w", 2, "w"},  // \\" opens quotes
           Case{"--map \"a\"\"b c\" w", 2, "w"},      // "" inside quotes is a quote
           Case{"--console\t\tx ID", 1, "x ID"},
           Case{"--console", 1, ""},
           Case{"--console", 3, ""},
       }) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TextAfterArguments(c.text, c.count), c.rest);
  }
}

TEST(RegFileStore, Regedit4WritesStringTypesInHexAsEightBitText) {
  using namespace std::string_literals;
  const std::string key = "SOFTWARE\\Raven Quill\\Raven Quill";
  const std::string lines = "[HKEY_LOCAL_MACHINE\\" + key +
                            "]\r\n"
                            "\"Expand\"=hex(2):25,54,4d,50,25,5c,e9,00\r\n"
                            "\"Multi\"=hex(7):61,00,62,63,00,00\r\n"
                            "\"Sz\"=hex(1):41,42,00\r\n"
                            "\"Binary\"=hex:41,00,42,00\r\n";
  const RegFileStore old = RegFileStore::FromBytes("REGEDIT4\r\n\r\n" + lines, "old.reg");
  EXPECT_EQ(old.GetRegistryString(key, "Expand"), "%TMP%\\\xE9");
  EXPECT_EQ(old.GetRegistryString(key, "Multi"), std::string("a\0bc\0", 5));
  EXPECT_EQ(old.GetRegistryString(key, "Sz"), "AB");
  EXPECT_EQ(old.GetRegistryString(key, "Binary"), std::string("A\0B", 3));
  ASSERT_TRUE(old.Query(key, "Expand"));
  EXPECT_EQ(old.Query(key, "Expand")->data.size(), 16u);  // kept as UTF-16, as imported

  // The newer form writes them in UTF-16 whatever the file's own encoding.
  const RegFileStore v5 =
      RegFileStore::FromBytes("Windows Registry Editor Version 5.00\r\n\r\n" + lines, "new.reg");
  ASSERT_TRUE(v5.Query(key, "Expand"));
  EXPECT_EQ(v5.Query(key, "Expand")->data, "\x25\x54\x4d\x50\x25\x5c\xe9\x00"s);
}

TEST(RegFileStore, LetterCaseOfAccentedLettersDoesNotCountEither) {
  // The registry compares names without regard to case for every letter, not only A to Z.
  // (Octal escapes: a hex one would run on into the letters after it.)
  const RegFileStore store = RegFileStore::FromBytes(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\\311t\311 \212\336]\r\n\"Gr\326\337e "
      "\237\"=\"big\"\r\n",
      "accents.reg");
  const struct {
    const char *key, *name, *text;
  } cases[] = {
      {"SOFTWARE\\\311t\311 \212\336", "Gr\326\337e \237", "big"},
      {"software\\\351T\351 \232\376", "gr\366\337E \377", "big"},
      {"SOFTWARE\\Ete \212\336", "Gr\326\337e \237", ""},        // E is not E-acute
      {"SOFTWARE\\\311t\311 \212\336", "Gr\326sse \237", ""},    // sharp s is not ss
      {"SOFTWARE\\\311t\311 \212\336", "Gr\326\337e \327", ""},  // the times sign is no letter
  };
  for (const auto& c : cases) EXPECT_EQ(store.GetRegistryString(c.key, c.name), c.text) << c.key;
}

}  // namespace
}  // namespace rq
