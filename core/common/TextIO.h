// Text input and output that a user's locale cannot change.
//
// Job and report files always use a full stop as the decimal point, and are
// read line by line whatever their line ends (LF or CRLF) and line lengths.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#if defined(__GNUC__)
#define LATTRIX_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define LATTRIX_PRINTF(fmt, args)
#endif

namespace lattrix {

// printf formatting in the "C" locale, whatever the process locale is.
std::string Format(const char* format, ...) LATTRIX_PRINTF(1, 2);

// Appends what printf("%*.*f", width, precision, value) and
// printf("%*d", width, value) give, right-aligned in width, without printf's
// cost: the report's list writes a dozen numbers per reflection.
void AppendFixed(std::string& out, double value, int width, int precision);
void AppendInt(std::string& out, int value, int width);

// Opens a regular file for reading in binary mode (line ends are handled by
// LineReader). A directory or a missing or unreadable file gives false, and
// the system's reason in *reason when asked for.
bool OpenForReading(const std::string& path, std::ifstream& in, std::string* reason = nullptr);

// The whole of a regular file, read at once, with the same refusals and
// reasons as OpenForReading. A read that fails part-way ends the text
// there, as it ends a stream's lines.
bool ReadWholeFile(const std::string& path, std::string& text, std::string* reason = nullptr);

// "<path>: <the system's reason for error>" for a message; the path shown
// as PrintableText.
std::string FileProblem(const std::string& path, int error);

// A text from a file or a user, fit to stand in a message: control
// characters and bytes that are not UTF-8 are written as \xHH, and a text
// longer than maxChars characters is cut there and ends in "...".
std::string PrintableText(const std::string& text, size_t maxChars = 60);

// A line of text from a file (a job's title) as the outputs show it: as
// PrintableText, whole, and a tab kept. Plain ASCII and valid UTF-8 text
// without control characters comes back unchanged.
std::string PrintableLine(const std::string& text);

// A whole field as the user typed it: blanks around it are trimmed, a
// decimal comma counts as a decimal point, and the rest must be one number
// (finite) or one whole number (within the range of int) with nothing
// after it. False, leaving out untouched, for anything else, an empty text
// included.
bool ParseNumberText(const std::string& text, double& out);
bool ParseWholeNumberText(const std::string& text, int& out);

// The text without the C locale's white space at either end.
std::string TrimmedText(const std::string& text);

// One white-space separated field of a file, read whole in the "C" locale:
// an optional sign, digits with an optional decimal point and exponent, and
// a finite value; or a whole number within the range of int. False, leaving
// out untouched, for anything else: a decimal comma, trailing letters, hex,
// "nan" and "inf" included. The value is the correctly rounded one, as
// strtod gives it.
bool ReadNumberField(std::string_view field, double& out);
bool ReadWholeField(std::string_view field, int& out);

// Hands out whole lines: a line ends at LF, and a CR right before the LF is
// dropped. The last line of a file need not end with LF. Text after a NUL
// byte on a line is dropped, as a C string would end there.
class LineReader {
 public:
  explicit LineReader(std::istream& in) : in_(in) {}
  // False at the end of the file (no character left).
  bool Next(std::string& line);

 private:
  std::istream& in_;
};

// Reads numbers from a text with the rules of C's sscanf for "%d" and "%lf":
// leading white space is skipped, the longest valid prefix is taken, and a
// field that does not parse leaves its target unchanged and ends the parse,
// so every later field also fails. Numbers are read in the "C" locale.
// Two deliberate differences: an integer beyond the range of int saturates
// at its bound instead of wrapping, and a floating-point field that is not
// finite ("nan", "inf", 1e999) counts as a field that does not parse.
class FieldScanner {
 public:
  explicit FieldScanner(const std::string& text) : p_(text.c_str()) {}
  explicit FieldScanner(const char* text) : p_(text) {}

  bool Int(int& out);
  bool Double(double& out);
  // True while no field has failed.
  bool ok() const { return !failed_; }

 private:
  void SkipSpace();
  const char* p_;
  bool failed_ = false;
};

// A fixed-point number as printed, for a plot: its minus sign the
// typographic one (U+2212), none for a number that reads as zero ("-0.00").
std::string WithTrueMinus(std::string number);

// Rows of fields joined by `delimiter`, each row ending in `lineEnd`; a
// field that holds the delimiter, a double quote, CR or LF is quoted with
// its quotes doubled (RFC 4180). Tables for the clipboard (tab) and CSV.
std::string DelimitedText(const std::vector<std::vector<std::string>>& rows, char delimiter,
                          const char* lineEnd);
// One row of DelimitedText appended to `text`.
void AppendDelimitedLine(std::string& text, const std::vector<std::string>& fields, char delimiter,
                         const char* lineEnd);

// The n-th (1-based) white-space separated field of a line, or empty.
std::string FieldOf(const std::string& line, int n);

// Converts like C's atof: leading blanks skipped, longest numeric prefix,
// 0.0 when there is none; always in the "C" locale.
double AtoF(const std::string& text);

// True when the line begins with the given title.
bool StartsWith(const std::string& line, const char* title);

}  // namespace lattrix
