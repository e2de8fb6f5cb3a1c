// Fixtures shared by the unit tests: temporary directories, files written byte for byte, and a
// small sample server (settings text plus log folders) that lives in a temporary directory.
#pragma once

#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/user_interface.h"
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

// A server whose settings are stored with Windows directories below C:\RQ, which a path mapping
// turns into this temporary directory: logs under Logs/<kind>/<code>/, connector queues under
// Connectors/<code>/. Extra .reg lines may add or override settings.
class SampleServer {
 public:
  static constexpr std::string_view kWinRoot = "C:\\RQ";

  explicit SampleServer(const std::vector<std::string>& extraRegLines = {});

  const Server& server() const { return *server_; }
  const RegFileStore& store() const { return *store_; }
  const std::string& root() const { return dir_.path(); }

  // The log's path, worked out here independently of the code under test.
  std::string LogPath(std::string_view code, std::string_view kind, const Date& day) const;
  // Writes a day's log of a connector or agent.
  void WriteLog(std::string_view code, std::string_view kind, const Date& day,
                std::string_view bytes) const;
  // A file of that name in the SMTP connector's inbound queue directory.
  void WriteInboundFile(std::string_view name) const;
  std::string InboundDir() const;

 private:
  TempDir dir_;
  std::unique_ptr<RegFileStore> store_;
  std::unique_ptr<Server> server_;
};

// Lines joined with CR LF after each one.
std::string CrLfLines(const std::vector<std::string>& lines);

// The reading rules written out the slow, obvious way, as references for the unit tests and the
// fuzz targets; none of them calls the code under test.
//
// The lines of a log: a line ends at CR or CR LF, a lone LF is an ordinary byte, and what follows
// the last break is a line when it is not empty.
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

// Letter case in Windows-1252: ASCII and Latin-1 capitals (not the multiplication sign) are 32
// below their small letters; the three capitals of 0x8A-0x8E are 16 below, and 0x9F's small
// letter is 0xFF.
inline unsigned char PlainFold(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 0x10;
  return c == 0x9F ? 0xFF : c;
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

// The origin search: a line of TAB-separated fields whose second is the tag and whose sixth is
// MAIL with the sender or RCPT with the recipient in the seventh (letter case folded; an empty
// text is in nothing) makes a row of time, ID and "fifth seventh", unless the ID has one.
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

// A user interface that records every message box with the state of the busy pointer at that
// moment, and answers questions from a script (No when it runs out).
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
