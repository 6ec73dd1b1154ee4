// The command line as Linux tools read it, shared by lattrix-refine and
// lattrix-plot: "--name=value" as well as "--name value"; "--" ends the
// options, so that every argument after it is a file, even one that begins
// with '-'; a lone "-" is a file (standard input or output).
#pragma once

#include <string>

namespace lattrix {

class CommandLine {
 public:
  CommandLine(int argc, char** argv) : argc_(argc), argv_(argv) {}

  // Steps to the next argument; false after the last.
  bool Next() {
    if (++i_ >= argc_) return false;
    arg_ = argv_[i_];
    hasInline_ = false;
    operand_ = optionsEnded_ || arg_.size() < 2 || arg_[0] != '-';
    if (!operand_ && arg_ == "--") {
      optionsEnded_ = true;
      return Next();
    }
    const size_t equals = arg_.find('=');
    if (!operand_ && arg_.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      inline_ = arg_.substr(equals + 1);
      arg_.erase(equals);
      hasInline_ = true;
    }
    return true;
  }
  // The option's name (without "=value") or the file.
  const std::string& Arg() const { return arg_; }
  bool IsOperand() const { return operand_; }
  // The option's value: the text after '=', else the next argument.
  bool Value(std::string& out) {
    if (hasInline_) {
      hasInline_ = false;
      out = inline_;
      return true;
    }
    if (i_ + 1 >= argc_) return false;
    out = argv_[++i_];
    return true;
  }
  // "--quiet=yes": a value given to an option that takes none.
  bool ValueLeft() const { return hasInline_; }

 private:
  int argc_;
  char** argv_;
  int i_ = 0;
  std::string arg_, inline_;
  bool hasInline_ = false, operand_ = false, optionsEnded_ = false;
};

}  // namespace lattrix
