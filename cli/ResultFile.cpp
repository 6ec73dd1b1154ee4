#include "ResultFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/AtomicFile.h"
#include "common/TextIO.h"

namespace lattrix {

bool EmitResult(const std::string& text, const std::string& path, MessageSink& sink) {
  if (path != "-") return WriteTextFile(text, path, sink);
  std::fputs(text.c_str(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    sink.Show("standard output cannot be written !!!");
    return false;
  }
  return true;
}

void ResultStream::Open(const std::string& path) {
  path_ = path;
  if (path_ != "-" && !file_.Open(path_)) {
    failed_ = true;
    error_ = errno;
  }
}

void ResultStream::Append(const std::string& text) {
  if (failed_) return;
  if (path_ == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
  } else if (!file_.Append(text)) {
    failed_ = true;
    error_ = errno;
  }
}

bool ResultStream::Close(MessageSink& sink) {
  if (path_ == "-") return EmitResult(std::string(), path_, sink);
  if (!failed_ && !file_.Commit()) {
    failed_ = true;
    error_ = errno;
  }
  if (failed_) sink.Show(PrintableText(path_, 200) + " cannot be written !!!\n" + std::strerror(error_));
  return !failed_;
}

}  // namespace lattrix
