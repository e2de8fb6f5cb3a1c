// Where a trace writes its findings: the trace report, one growing text of CR LF lines.
#pragma once

#include <string>
#include <string_view>

namespace rq {

class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // Empties the report.
  virtual void ClearTraceOutput() = 0;
  // Appends the text unchanged, with no separator of its own.
  virtual void WriteTraceOutput(std::string_view text) = 0;
  // Ends the busy pointer and shows the report; returns when the user is done with it.
  virtual void ShowTraceOutput() = 0;
};

// A report kept in memory; ShowTraceOutput does nothing. Serves the console and the tests.
class StringReport final : public ReportSink {
 public:
  void ClearTraceOutput() override { text_.clear(); }
  void WriteTraceOutput(std::string_view text) override {
    text_ += text;
    ++writes_;
  }
  void ShowTraceOutput() override {}

  const std::string& text() const { return text_; }
  int writes() const { return writes_; }

 private:
  std::string text_;
  int writes_ = 0;
};

}  // namespace rq
