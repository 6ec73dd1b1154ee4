// Indented JSON written as it is produced, with no document tree behind it:
// two spaces a level, "key": value, empty containers as {} and [], the same
// bytes the JSON library writes for the same document with an indent of 2.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lattrix {

class JsonWriter {
 public:
  // A document whose lines after the first start `depth` levels in, as the
  // element of an array written at that depth; room for `expectedSize`
  // bytes is made at once.
  explicit JsonWriter(int depth = 0, size_t expectedSize = 4096);

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }

  // The name of the next value of the object being written.
  void Key(std::string_view key);

  // A number that is not finite is unknown: null (JSON has no NaN).
  void Value(double value);
  void Value(int value);
  void Value(bool value) { Literal(value ? "true" : "false"); }
  void Value(std::nullptr_t) { Literal("null"); }
  void Value(std::string_view text);
  void Value(const char* text) { Value(std::string_view(text)); }
  void Value(const std::vector<std::string>& texts);

  template <typename T>
  void Member(std::string_view key, const T& value) {
    Key(key);
    Value(value);
  }

  // The text written, ending in a line end.
  std::string Finish();

 private:
  // Writable room for n more bytes at the end of the text.
  char* Room(size_t n);
  // The comma, line end and indent before a value, written at `at`;
  // returns where they end.
  size_t SeparatorSize() const { return afterKey_ || filled_.empty() ? 0 : 2 + 2 * Levels(); }
  char* Separator(char* at);
  // A line end and the indent of the current level, written at `at`.
  char* NewLine(char* at) const;
  // The text ends at `at`, within the room made for it.
  void EndAt(const char* at);
  size_t Levels() const { return depth_ + filled_.size(); }
  // Text as it is, with no separator before it.
  void Put(std::string_view text);
  // A value's text after its separator.
  void Literal(std::string_view text);
  // Whether text stands between quotes as it is: printable ASCII without
  // a quote or a backslash.
  static bool PlainText(std::string_view text);
  void Escaped(std::string_view text);
  void Open(char bracket);
  void Close(char bracket);

  std::string text_;
  size_t used_ = 0;
  size_t depth_;
  // Per open container: whether it has an element yet.
  std::vector<unsigned char> filled_;
  bool afterKey_ = false;
};

}  // namespace lattrix
