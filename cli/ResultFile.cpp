#include "ResultFile.h"

#include <cstdio>

#include "common/AtomicFile.h"

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

}  // namespace lattrix
