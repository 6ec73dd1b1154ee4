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
    // One write per message (standard error is unbuffered). Some texts
    // carry their own line feed ("Output file not open !!!\n").
    const bool ended = !text.empty() && text.back() == '\n';
    std::string line;
    line.reserve(text.size() + 1);
    line.append(text);
    if (!ended) line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
  }
};

}  // namespace lattrix
