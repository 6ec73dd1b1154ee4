// The message sinks of the command-line programs: each message as one line
// on standard error.
#pragma once

#include <cstdio>
#include <string>

#include "common/MessageSink.h"

namespace lattrix {

// Appends `text` as a line: some texts carry their own line feed ("Output
// file not open !!!\n").
inline void AppendMessageLine(std::string& out, const std::string& text) {
  out.append(text);
  if (text.empty() || text.back() != '\n') out.push_back('\n');
}

// Writes `text` to standard error at once (it is unbuffered).
inline void WriteToStderr(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

// One write per message.
class StderrSink : public MessageSink {
 public:
  void Show(const std::string& text) override {
    std::string line;
    line.reserve(text.size() + 1);
    AppendMessageLine(line, text);
    WriteToStderr(line);
  }
};

// The messages of many jobs, written a few kilobytes at a time and whenever
// the owner calls Flush: a write per message costs more than refining a
// small job.
class BatchedStderrSink : public MessageSink {
 public:
  ~BatchedStderrSink() override { Flush(); }
  void Show(const std::string& text) override {
    AppendMessageLine(pending_, text);
    if (pending_.size() >= kFlushSize) Flush();
  }
  // Text that is not a message line (a progress line), after the messages.
  void Write(const std::string& text) {
    pending_ += text;
    Flush();
  }
  void Flush() {
    if (pending_.empty()) return;
    WriteToStderr(pending_);
    pending_.clear();
  }

 private:
  static constexpr size_t kFlushSize = 4096;
  std::string pending_;
};

}  // namespace lattrix
