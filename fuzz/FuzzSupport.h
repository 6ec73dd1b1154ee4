// Shared pieces of the fuzz targets: the readers take a path, so every input
// is written to one scratch file per process first; a record of the broken
// checks; a sink that keeps the last message and stops at one that is not
// printable UTF-8; the small valid job the
// report readers run against; a canvas that checks what it is asked to draw.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "../tests/core/TestSupport.h"
#include "common/MessageSink.h"
#include "fittingmap/MapCanvas.h"
#include "report/ReportReader.h"

namespace lattrix_fuzz {

using lattrix_test::RefineInMemory;
using lattrix_test::SmallValidJob;

// Collects the checks a run breaks: the fuzz targets stop at the end of an
// input that broke one (libFuzzer keeps the input); the regression test
// reports them all for the file.
struct Checker {
  void operator()(bool condition, const std::string& what) { failures += condition ? "" : what + "\n"; }
  bool ok() const { return failures.empty(); }
  void StopOnFailure() const {
    if (!ok()) std::fprintf(stderr, "fuzz check failed: %s", failures.c_str()), std::abort();
  }
  std::string failures;
};

// One scratch file per process, in memory (/dev/shm) where there is one:
// the job file save syncs its file to the disk, which would otherwise bound
// the run at a few dozen inputs a second.
class ScratchFile {
 public:
  explicit ScratchFile(const char* name)
      : path_(std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/lattrix-fuzz-" +
              std::to_string(::getpid()) + "-" + name) {}
  ~ScratchFile() { std::remove(path_.c_str()); }
  const std::string& Write(const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
      std::fprintf(stderr, "%s cannot be written\n", path_.c_str());
      std::abort();
    }
    return path_;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// True for valid UTF-8 (shortest forms, no surrogates, nothing past
// U+10FFFF) without control characters (C0, DEL, C1) but LF and tab. A
// decoder of its own, apart from the one behind the product's printable text.
inline bool ShowableText(const std::string& text) {
  static const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return false;
    uint32_t code = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      const unsigned char b = static_cast<unsigned char>(text[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      code = code << 6 | (b & 0x3F);
    }
    if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    if ((code < 0x20 && code != '\n' && code != '\t') || (code >= 0x7F && code <= 0x9F)) return false;
    i += n;
  }
  return true;
}

// Keeps the last message; a message that would put raw bytes on a terminal
// stops the run.
struct QuietSink : lattrix::MessageSink {
  void Show(const std::string& text) override {
    if (!ShowableText(text)) std::fprintf(stderr, "fuzz check failed: a message is not printable UTF-8\n"), std::abort();
    last = text, ++shown;
  }
  std::string last;
  int shown = 0;
};

// SmallValidJob with the h k l of the report's list rows wherever they
// read, so that its weights are taken rather than refused as another job's.
inline lattrix::Job JobMatchingReport(const std::string& reportPath) {
  lattrix::Job job = SmallValidJob(reportPath);
  const lattrix::Report report = lattrix::ReadReport(reportPath);
  for (int i = 0; i < job.m_nReflections; ++i) {
    lattrix::FieldScanner row(report.Row(i));
    if (!(row.Int(job.m_nH[i]) && row.Int(job.m_nK[i]) && row.Int(job.m_nL[i]))) break;
  }
  return job;
}

// Draws nothing; checks that every disc lies in the box and that text and
// lines stay within a sane distance of the client area (an int overflow in
// the placement would show as a wild coordinate, or as a sanitizer report).
class CheckingCanvas : public lattrix::MapCanvas {
 public:
  CheckingCanvas(Checker& check, const lattrix::MapRect& box, int width, int height)
      : check_(check), box_(box), reach_(4 * std::max(width, height) + 100000) {}
  void FillRect(int, int, int, int, const lattrix::MapRgb&) override {}
  void Line(int x0, int y0, int x1, int y1, const lattrix::MapRgb&, int) override { Near(x0, y0), Near(x1, y1); }
  void DottedLine(int x0, int y0, int x1, int y1, const lattrix::MapRgb&, int) override { Near(x0, y0), Near(x1, y1); }
  void FilledCircle(int left, int top, int right, int bottom, const lattrix::MapRgb&, const lattrix::MapRgb&, int) override {
    const int cx = (left + right) / 2, cy = (top + bottom) / 2;
    check_(box_.left <= cx && cx <= box_.right && box_.top <= cy && cy <= box_.bottom, "point drawn outside the box");
  }
  void SetFont(const lattrix::MapFont& font) override { check_(font.height > 0 && font.width >= 0, "font size"); }
  void Text(int x, int y, const std::string& text, const lattrix::MapRgb&) override { Near(x, y), check_(text.size() < 512, "label text"); }
  void TextUp(int x, int y, const std::string& text, const lattrix::MapRgb& colour) override { Text(x, y, text, colour); }
  int TextWidth(const std::string& text) override { return 8 * static_cast<int>(text.size()); }

 private:
  void Near(int x, int y) { check_(x > -reach_ && x < reach_ && y > -reach_ && y < reach_, "drawn far outside the area"); }
  Checker& check_;
  lattrix::MapRect box_;
  int reach_;
};

}  // namespace lattrix_fuzz
