// The message sink of the command-line programs: each message as one line
// on standard error.
#pragma once

#include <cstdio>
#include <string>

#include "common/MessageSink.h"

namespace lattrix {

class StderrSink : public MessageSink {
 public:
  void Show(const std::string& text) override {
    std::fputs(text.c_str(), stderr);
    // Some texts carry their own line feed ("Output file not open !!!\n").
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
  }
};

}  // namespace lattrix
