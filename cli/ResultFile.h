// Where the batch command's results (JSON, CIF, the series table) go: a
// file, or standard output for "-".
#pragma once

#include <string>

#include "common/AtomicFile.h"
#include "common/MessageSink.h"

namespace lattrix {

// Writes text to path (WriteTextFile), or to standard output when path is
// "-"; false after a message when it could not be written.
bool EmitResult(const std::string& text, const std::string& path, MessageSink& sink);

// A result written as it comes: into a StreamingFile put in place by Close,
// or straight to standard output for "-". A failure is told once, by
// Close, in EmitResult's words.
class ResultStream {
 public:
  void Open(const std::string& path);
  void Append(const std::string& text);
  bool Close(MessageSink& sink);
  // Marks the result as failed for the system's reason `error`.
  void Fail(int error) {
    if (!failed_) error_ = error;
    failed_ = true;
  }

 private:
  std::string path_;
  StreamingFile file_;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace lattrix
