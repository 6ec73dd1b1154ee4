#include "common/MessageSink.h"

#include <cstdio>

namespace lattrix {

void StderrSink::Show(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  // Some texts carry their own line feed ("Output file not open !!!\n").
  if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace lattrix
