#include "JsonWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

namespace lattrix {

JsonWriter::JsonWriter(int depth, size_t expectedSize) : depth_(static_cast<size_t>(std::max(depth, 0))) {
  text_.resize(expectedSize);
}

std::string JsonWriter::Finish() {
  *Room(1) = '\n';
  text_.resize(used_ + 1);
  used_ = 0;
  return std::move(text_);
}

char* JsonWriter::Room(size_t n) {
  if (text_.size() - used_ < n) text_.resize(std::max(2 * text_.size(), used_ + n));
  return text_.data() + used_;
}

char* JsonWriter::Separator(char* at) {
  if (afterKey_) {
    afterKey_ = false;
    return at;
  }
  if (filled_.empty()) return at;
  if (filled_.back()) *at++ = ',';
  filled_.back() = 1;
  return NewLine(at);
}

char* JsonWriter::NewLine(char* at) const {
  *at++ = '\n';
  const size_t spaces = 2 * Levels();
  std::memset(at, ' ', spaces);
  return at + spaces;
}

void JsonWriter::EndAt(const char* at) { used_ = static_cast<size_t>(at - text_.data()); }

void JsonWriter::Put(std::string_view text) {
  std::memcpy(Room(text.size()), text.data(), text.size());
  used_ += text.size();
}

void JsonWriter::Literal(std::string_view text) {
  char* at = Separator(Room(SeparatorSize() + text.size()));
  std::memcpy(at, text.data(), text.size());
  EndAt(at + text.size());
}

bool JsonWriter::PlainText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\';
  });
}

void JsonWriter::Escaped(std::string_view text) {
  if (PlainText(text)) {
    char* at = Separator(Room(SeparatorSize() + text.size() + 2));
    *at++ = '"';
    std::memcpy(at, text.data(), text.size());
    at += text.size();
    *at++ = '"';
    EndAt(at);
    return;
  }
  // Control characters escaped, and bytes that are not UTF-8 (a title in
  // another encoding) replaced by U+FFFD, by the library's own rules.
  Literal(nlohmann::ordered_json(std::string(text)).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
}

void JsonWriter::Key(std::string_view key) {
  Escaped(key);
  Put(": ");
  afterKey_ = true;
}

void JsonWriter::Value(std::string_view text) { Escaped(text); }

void JsonWriter::Value(double value) {
  if (!std::isfinite(value)) {
    Literal("null");
    return;
  }
  // The library's shortest text that reads back as the same double, so
  // that the numbers are written as they always were.
  constexpr size_t kLongest = 64;
  char* at = Separator(Room(SeparatorSize() + kLongest));
  EndAt(nlohmann::detail::to_chars(at, at + kLongest, value));
}

void JsonWriter::Value(int value) {
  constexpr size_t kLongest = 16;
  char* at = Separator(Room(SeparatorSize() + kLongest));
  EndAt(std::to_chars(at, at + kLongest, value).ptr);
}

void JsonWriter::Value(const std::vector<std::string>& texts) {
  BeginArray();
  for (const std::string& text : texts) Value(text);
  EndArray();
}

void JsonWriter::Open(char bracket) {
  Literal(std::string_view(&bracket, 1));
  filled_.push_back(0);
}

void JsonWriter::Close(char bracket) {
  const bool filled = filled_.back();
  filled_.pop_back();
  if (!filled) {
    Put(std::string_view(&bracket, 1));
    return;
  }
  char* at = NewLine(Room(2 * Levels() + 2));
  *at++ = bracket;
  EndAt(at);
}

}  // namespace lattrix
