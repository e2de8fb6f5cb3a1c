// A log that could be opened but not read to its end. Readers throw it instead of taking the
// failed read for the end of the file, so that a report with a hole in it is never shown as
// whole: the console program turns it into exit status 3, the windows into a message box.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace rq {

class ReadError : public std::runtime_error {
 public:
  ReadError(std::string path, const std::string& reason)
      : std::runtime_error(path + ": " + reason), path_(std::move(path)) {}
  // The file that could not be read whole.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace rq
