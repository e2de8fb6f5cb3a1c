// Fixtures shared by the tests: temporary folders, files written byte for byte, a sample server.
#pragma once

#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/user_interface.h"
#include "base/codepage.h"
#include "base/dates.h"
#include "readers/route_entry.h"
#include "settings/reg_file_store.h"
#include "settings/server.h"

namespace rq {

// Readable failure messages for the records and days the tests compare.
void PrintTo(const RouteEntry& entry, std::ostream* os);
void PrintTo(const Date& date, std::ostream* os);

}  // namespace rq

namespace rq::test {

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string operator/(std::string_view relative) const;

 private:
  std::string path_;
};

// Writes the bytes exactly (binary), creating missing parent directories.
void WriteFile(const std::string& path, std::string_view bytes);

// A .reg text in the 5.00 form, 8-bit, with CR LF line ends, from lines without breaks.
std::string RegText(const std::vector<std::string>& lines);

// The same text as the registry editor writes it: UTF-16LE with a byte-order mark.
std::string Utf16LeWithBom(std::string_view ascii);

// Settings with Windows folders below C:\RQ mapped to a temporary folder (logs in
// Logs/<kind>/<code>/, queues in Connectors/<code>/); extra .reg lines add or override.
class SampleServer {
 public:
  static constexpr std::string_view kWinRoot = "C:\\RQ";

  explicit SampleServer(const std::vector<std::string>& extraRegLines = {});

  const Server& server() const { return *server_; }
  const std::string& root() const { return dir_.path(); }

  // The log's path, worked out here independently of the code under test.
  std::string LogPath(std::string_view code, std::string_view kind, const Date& day) const;
  // Writes a day's log of a connector or agent.
  void WriteLog(std::string_view code, std::string_view kind, const Date& day,
                std::string_view bytes) const;
  // A file of that name in the SMTP connector's inbound queue directory.
  void WriteInboundFile(std::string_view name) const;
  std::string InboundDir() const;
  // Writes the settings as a .reg file and returns rqtrace's options for this server.
  std::vector<std::string> ProgramOptions() const;

 private:
  std::vector<std::string> regLines_;
  TempDir dir_;
  std::unique_ptr<RegFileStore> store_;
  std::unique_ptr<Server> server_;
};

// Lines joined with CR LF after each one.
std::string CrLfLines(const std::vector<std::string>& lines);

// A line of the SMTP connector's activity log: time, direction, ID, session, peer, verb, argument.
inline std::string ActivityLine(std::string_view id, std::string_view verb, std::string_view arg,
                                std::string_view dir = "SMTP-IN",
                                std::string_view time = "10:00:00") {
  return std::string(time) + "\t" + std::string(dir) + "\t" + std::string(id) +
         "\t7\t192.0.2.10\t" + std::string(verb) + "\t" + std::string(arg);
}

// The reading rules written the slow, obvious way, calling no product code. A line ends at CR or
// CR LF (a lone LF is ordinary); what follows the last break is a line when not empty.
inline std::vector<std::string> PlainLines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::string current;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      lines.push_back(current);
      current.clear();
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += bytes[i];
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

// The substring rule: an empty needle is in every non-empty line and in no empty one.
inline bool PlainContains(std::string_view line, std::string_view needle) {
  return needle.empty() ? !line.empty() : line.find(needle) != std::string_view::npos;
}

// The lines of a log that hold the needle, in file order.
inline std::vector<std::string> PlainContaining(std::string_view bytes, std::string_view needle) {
  std::vector<std::string> out;
  for (std::string& line : PlainLines(bytes)) {
    if (PlainContains(line, needle)) out.push_back(std::move(line));
  }
  return out;
}

// Windows-1252's capitals and their small letters, in the same order: the case rule written out
// as the alphabet reads, not computed.
inline unsigned char PlainFold(unsigned char c) {
  static const std::string capitals =
      Utf8ToCp1252("ABCDEFGHIJKLMNOPQRSTUVWXYZÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞŠŒŽŸ");
  static const std::string smalls =
      Utf8ToCp1252("abcdefghijklmnopqrstuvwxyzàáâãäåæçèéêëìíîïðñòóôõöøùúûüýþšœžÿ");
  const std::size_t at = capitals.find(static_cast<char>(c));
  return at == std::string::npos ? c : static_cast<unsigned char>(smalls.at(at));
}

inline std::string PlainFolded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(PlainFold(static_cast<unsigned char>(c)));
  return out;
}

// A line's fields between separators.
inline std::vector<std::string> PlainFields(std::string_view line, char sep) {
  std::vector<std::string> fields(1);
  for (char c : line) c == sep ? fields.emplace_back().clear() : fields.back().push_back(c);
  return fields;
}

// The origin search: TAB fields, the tag second, MAIL with the sender or RCPT with the recipient
// (folded; empty is in nothing) 6th and 7th: a row of time, ID, "5th 7th" unless the ID has one.
struct PlainOrigin {
  std::string time, id, data;
  friend bool operator==(const PlainOrigin&, const PlainOrigin&) = default;
};
inline std::vector<PlainOrigin> PlainOrigins(const std::vector<std::string>& lines,
                                             std::string_view tag, std::string_view sender,
                                             std::string_view recipient,
                                             std::vector<PlainOrigin> rows = {}) {
  auto has = [](std::string_view arg, std::string_view text) {
    return !text.empty() && PlainFolded(arg).find(PlainFolded(text)) != std::string::npos;
  };
  for (const std::string& line : lines) {
    const std::vector<std::string> f = PlainFields(line, '\t');
    if (f.size() < 7 || f[1] != tag) continue;
    if (!(f[5] == "MAIL" && has(f[6], sender)) && !(f[5] == "RCPT" && has(f[6], recipient)))
      continue;
    bool known = false;
    for (const PlainOrigin& r : rows) known = known || r.id == f[2];
    if (!known) rows.push_back({f[0], f[2], f[4] + " " + f[6]});
  }
  return rows;
}

// Records every message box with the busy pointer's state then; answers from a script, then No.
class RecordingUserInterface final : public UserInterface {
 public:
  struct Shown {
    Message message;
    bool busy;  // whether the busy pointer was still on when the box appeared
  };

  void ShowMessage(const Message& message) override { shown.push_back({message, busy}); }
  bool AskYesNo(const Message& question) override {
    questions.push_back(question);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void SetBusy(bool on) override {
    busy = on;
    if (on) ++busyOn;
  }

  std::vector<Shown> shown;
  std::vector<Message> questions;
  std::deque<bool> answers;
  bool busy = false;
  int busyOn = 0;
};

}  // namespace rq::test
