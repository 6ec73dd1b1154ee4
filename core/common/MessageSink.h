// Where core operations send what the user must be told.
//
// The core never prints and never opens a window: a step that fails hands
// its message to the caller's sink and returns false. The desktop program
// shows each refusal in an OK box and each note in its message area, the
// batch command writes both to standard error, tests record them.
#pragma once

#include <string>
#include <vector>

namespace lattrix {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // A message the user acknowledges (a modal OK box in the program).
  virtual void Show(const std::string& text) = 0;
  // A warning or note after which the step goes on. Where the caller has no
  // quieter place for it, it is shown like any other message.
  virtual void Note(const std::string& text) { Show(text); }
  // The default system beep that goes before some messages.
  virtual void Beep() {}
};

// Keeps every text, in order, so that a test can assert the exact wording.
class RecordingSink : public MessageSink {
 public:
  void Show(const std::string& text) override { messages.push_back(text); }
  void Beep() override { ++beeps; }

  std::vector<std::string> messages;
  int beeps = 0;
};

// Hands every message on to another sink and keeps a copy of its text.
class TeeSink : public MessageSink {
 public:
  TeeSink(MessageSink& out, std::vector<std::string>& copies) : out_(out), copies_(copies) {}
  void Show(const std::string& text) override {
    copies_.push_back(text);
    out_.Show(text);
  }
  void Note(const std::string& text) override {
    copies_.push_back(text);
    out_.Note(text);
  }
  void Beep() override { out_.Beep(); }

 private:
  MessageSink& out_;
  std::vector<std::string>& copies_;
};

}  // namespace lattrix
