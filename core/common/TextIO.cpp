#include "common/TextIO.h"

#include <locale.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace lattrix {
namespace {

locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

// Switches the calling thread to the "C" locale for its lifetime.
class CLocaleScope {
 public:
  CLocaleScope() : previous_(uselocale(CLocale())) {}
  ~CLocaleScope() { uselocale(previous_); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t previous_;
};

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::string Format(const char* format, ...) {
  CLocaleScope c_locale;
  char small[256];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::string out;
  if (n < 0) {
    va_end(again);
    return out;
  }
  if (static_cast<size_t>(n) < sizeof small) {
    out.assign(small, static_cast<size_t>(n));
  } else {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, again);
    out.assign(big.data(), static_cast<size_t>(n));
  }
  va_end(again);
  return out;
}

void AppendFixed(std::string& out, double value, int width, int precision) {
  char buf[400];
  char* end;
  if (std::isnan(value)) {
    // printf writes the sign of a NaN too.
    const char* text = std::signbit(value) ? "-nan" : "nan";
    end = buf + std::strlen(text);
    std::memcpy(buf, text, static_cast<size_t>(end - buf));
  } else if (std::isinf(value)) {
    const char* text = value < 0 ? "-inf" : "inf";
    end = buf + std::strlen(text);
    std::memcpy(buf, text, static_cast<size_t>(end - buf));
  } else {
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
    if (r.ec != std::errc()) {
      out += Format("%*.*f", width, precision, value);
      return;
    }
    end = r.ptr;
  }
  const int length = static_cast<int>(end - buf);
  if (length < width) out.append(static_cast<size_t>(width - length), ' ');
  out.append(buf, static_cast<size_t>(length));
}

void AppendInt(std::string& out, int value, int width) {
  char buf[16];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value);
  const int length = static_cast<int>(r.ptr - buf);
  if (length < width) out.append(static_cast<size_t>(width - length), ' ');
  out.append(buf, static_cast<size_t>(length));
}

bool OpenForReading(const std::string& path, std::ifstream& in, std::string* reason) {
  struct stat st;
  int error = 0;
  if (path.empty()) {
    error = ENOENT;
  } else if (::stat(path.c_str(), &st) != 0) {
    error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    error = EISDIR;
  } else {
    errno = 0;
    in.open(path, std::ios::in | std::ios::binary);
    if (in.is_open()) return true;
    error = errno != 0 ? errno : EACCES;
  }
  if (reason != nullptr) *reason = std::strerror(error);
  return false;
}

bool ReadWholeFile(const std::string& path, std::string& text, std::string* reason) {
  text.clear();
  int error = 0;
  // open and fstat refuse what stat and the stream's open refuse, with the
  // same errors (a directory opens, and fstat tells it).
  const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (path.empty()) {
    error = ENOENT;
  } else if (fd < 0) {
    error = errno != 0 ? errno : EACCES;
  } else if (::fstat(fd, &st) != 0) {
    error = errno;
  } else if (S_ISDIR(st.st_mode)) {
    error = EISDIR;
  } else {
    // One read for a regular file: its size and one byte to see the end.
    const size_t size = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    text.resize(size > 0 ? size + 1 : 4096);
    size_t have = 0;
    for (;;) {
      if (have == text.size()) text.resize(2 * text.size());
      const size_t wanted = text.size() - have;
      const ssize_t got = ::read(fd, &text[have], wanted);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      have += static_cast<size_t>(got);
      // A regular file gives fewer bytes than asked for only at its end.
      if (S_ISREG(st.st_mode) && static_cast<size_t>(got) < wanted) break;
    }
    text.resize(have);
  }
  if (fd >= 0) ::close(fd);
  if (error == 0) return true;
  if (reason != nullptr) *reason = std::strerror(error);
  return false;
}

std::string FileProblem(const std::string& path, int error) {
  return PrintableText(path, 200) + ": " + std::strerror(error);
}

namespace {

// Length of the UTF-8 sequence that starts at text[i], or 0 when the bytes
// there are not one.
size_t Utf8Length(const std::string& text, size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  const unsigned char c1 = static_cast<unsigned char>(text[i + 1]);
  if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) ||
      (c == 0xF4 && c1 >= 0x90))
    return 0;  // overlong forms, surrogates, beyond U+10FFFF
  // U+0080..U+009F are the C1 control characters: a terminal acts on them.
  if (c == 0xC2 && c1 < 0xA0) return 0;
  return n;
}

// The text without blanks around it and with a decimal comma made a point.
std::string UserField(const std::string& text) {
  std::string field = TrimmedText(text);
  for (char& c : field)
    if (c == ',') c = '.';
  return field;
}

// Control characters (a tab too, unless keepTab) and bytes that are not
// UTF-8 as \xHH; more than maxChars characters cut there with "...".
std::string Printable(const std::string& text, size_t maxChars, bool keepTab) {
  std::string out;
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++chars) {
    if (chars == maxChars) return out + "...";
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c >= 0x20 && c < 0x7F) || (c == '\t' && keepTab)) {
      out += static_cast<char>(c);
      ++i;
    } else if (const size_t n = c >= 0x80 ? Utf8Length(text, i) : 0) {
      out.append(text, i, n);
      i += n;
    } else {
      out += Format("\\x%02x", c);
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string PrintableText(const std::string& text, size_t maxChars) { return Printable(text, maxChars, false); }

std::string PrintableLine(const std::string& text) { return Printable(text, std::string::npos, true); }

std::string TrimmedText(const std::string& text) {
  size_t a = 0, b = text.size();
  while (a < b && IsCSpace(text[a])) ++a;
  while (b > a && IsCSpace(text[b - 1])) --b;
  return text.substr(a, b - a);
}

bool ParseNumberText(const std::string& text, double& out) {
  const std::string field = UserField(text);
  if (field.empty()) return false;
  char* end = nullptr;
  const double v = strtod_l(field.c_str(), &end, CLocale());
  if (end != field.c_str() + field.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool ParseWholeNumberText(const std::string& text, int& out) {
  const std::string field = UserField(text);
  if (field.empty() || IsCSpace(field[0])) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(field.c_str(), &end, 10);
  if (end != field.c_str() + field.size() || errno == ERANGE || v > INT_MAX || v < INT_MIN) return false;
  out = static_cast<int>(v);
  return true;
}

namespace {

// from_chars takes no leading plus sign; a file may write one.
std::string_view WithoutPlus(std::string_view field) {
  if (field.size() > 1 && field[0] == '+' && field[1] != '-' && field[1] != '+') field.remove_prefix(1);
  return field;
}

}  // namespace

bool ReadNumberField(std::string_view field, double& out) {
  field = WithoutPlus(field);
  double value = 0.0;
  const char* end = field.data() + field.size();
  const std::from_chars_result r = std::from_chars(field.data(), end, value, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(value)) return false;
  out = value;
  return true;
}

bool ReadWholeField(std::string_view field, int& out) {
  field = WithoutPlus(field);
  int value = 0;
  const char* end = field.data() + field.size();
  const std::from_chars_result r = std::from_chars(field.data(), end, value);
  if (r.ec != std::errc() || r.ptr != end) return false;
  out = value;
  return true;
}

bool LineReader::Next(std::string& line) {
  line.clear();
  if (!std::getline(in_, line)) {
    // getline fails only when no character was extracted.
    return !line.empty();
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  size_t nul = line.find('\0');
  if (nul != std::string::npos) line.resize(nul);
  return true;
}

void FieldScanner::SkipSpace() {
  while (*p_ != '\0' && IsCSpace(*p_)) ++p_;
}

bool FieldScanner::Int(int& out) {
  if (failed_) return false;
  SkipSpace();
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(p_, &end, 10);
  if (end == p_) {
    failed_ = true;
    return false;
  }
  p_ = end;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  out = static_cast<int>(v);
  return true;
}

bool FieldScanner::Double(double& out) {
  if (failed_) return false;
  SkipSpace();
  char* end = nullptr;
  double v = strtod_l(p_, &end, CLocale());
  if (end == p_ || !std::isfinite(v)) {
    failed_ = true;
    return false;
  }
  p_ = end;
  out = v;
  return true;
}

std::string WithTrueMinus(std::string number) {
  const size_t minus = number.find('-');
  if (minus == std::string::npos) return number;
  if (number.find_first_of("123456789") == std::string::npos) return number.erase(minus, 1);
  return number.replace(minus, 1, "\u2212");
}

void AppendDelimitedLine(std::string& text, const std::vector<std::string>& fields, char delimiter,
                         const char* lineEnd) {
  const char special[] = {delimiter, '"', '\r', '\n', '\0'};
  for (size_t c = 0; c < fields.size(); ++c) {
    if (c > 0) text += delimiter;
    const std::string& field = fields[c];
    if (field.find_first_of(special) == std::string::npos) {
      text += field;
      continue;
    }
    text += '"';
    for (char ch : field) {
      if (ch == '"') text += '"';
      text += ch;
    }
    text += '"';
  }
  text += lineEnd;
}

std::string DelimitedText(const std::vector<std::vector<std::string>>& rows, char delimiter,
                          const char* lineEnd) {
  std::string text;
  for (const std::vector<std::string>& row : rows) AppendDelimitedLine(text, row, delimiter, lineEnd);
  return text;
}

std::string FieldOf(const std::string& line, int n) {
  size_t i = 0;
  const size_t len = line.size();
  for (int field = 1;; ++field) {
    while (i < len && IsCSpace(line[i])) ++i;
    if (i >= len) return std::string();
    size_t start = i;
    while (i < len && !IsCSpace(line[i])) ++i;
    if (field == n) return line.substr(start, i - start);
  }
}

double AtoF(const std::string& text) {
  return strtod_l(text.c_str(), nullptr, CLocale());
}

bool StartsWith(const std::string& line, const char* title) {
  return line.compare(0, std::strlen(title), title) == 0;
}

}  // namespace lattrix
