// Shared pieces of the fuzz targets: the readers take a path, so every input
// is written to one scratch file per process first; a sink that drops the
// messages; the small valid job the report readers run against; a canvas
// that draws nothing but checks what it is asked to draw.
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "fittingmap/MapCanvas.h"
#include "common/TextIO.h"
#include "job/Job.h"
#include "report/ReportReader.h"

namespace lattrix_fuzz {

// Collects the checks a run breaks. The fuzz targets stop at the first
// broken check (libFuzzer keeps the input); the regression test reports
// them all for the file.
class Checker {
 public:
  void operator()(bool condition, const std::string& what) {
    if (!condition) failures.push_back(what);
  }
  bool ok() const { return failures.empty(); }
  std::string Text() const {
    std::string all;
    for (const std::string& f : failures) all += f + "\n";
    return all;
  }
  std::vector<std::string> failures;
};

// Stops the fuzz run with the broken checks beside the crash input.
inline void StopOnFailure(const Checker& check) {
  if (check.ok()) return;
  std::fprintf(stderr, "fuzz check failed: %s", check.Text().c_str());
  std::abort();
}

// One scratch file per process, removed when the process ends normally. It
// lies in memory (/dev/shm) where there is one: the job file save syncs its
// file to the disk, which would otherwise bound the run at a few dozen
// inputs a second.
class ScratchFile {
 public:
  explicit ScratchFile(const char* target)
      : path_(std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
              "/lattrix-fuzz-" + std::to_string(::getpid()) + "-" + target) {}
  ~ScratchFile() { std::remove(path_.c_str()); }
  const std::string& Write(const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    bool ok = f != nullptr;
    if (ok && size > 0) ok = std::fwrite(data, 1, size, f) == size;
    if (f != nullptr && std::fclose(f) != 0) ok = false;
    if (!ok) {
      std::fprintf(stderr, "%s cannot be written\n", path_.c_str());
      std::abort();
    }
    return path_;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class QuietSink : public lattrix::MessageSink {
 public:
  void Show(const std::string& text) override { last = text; ++shown; }
  std::string last;
  int shown = 0;
};

// An orthorhombic job of twelve reflections whose 2theta values are the
// exact Bragg angles of a = 4.9, b = 5.6, c = 7.3 A for Cu Ka1, so that it
// refines cleanly with any positive weights.
inline lattrix::Job SmallValidJob(const std::string& reportPath) {
  lattrix::Job job;
  lattrix::InitialiseJob(job, "/tmp");
  job.m_strReportPath = reportPath;
  job.m_strTitle = "fuzz reference job";
  job.m_nCrystalSystem = lattrix::kOrthorhombic;
  job.m_nCorrection = lattrix::kNoCorrection;
  job.m_nWeighting = lattrix::kUnity;
  const double cell[6] = {4.9, 5.6, 7.3, 90.0, 90.0, 90.0};
  for (int i = 0; i < 6; ++i) job.m_dCell[i] = cell[i];
  static const int hkl[12][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {1, 0, 1}, {0, 1, 1},
                                 {1, 1, 1}, {2, 0, 0}, {0, 2, 1}, {2, 1, 1}, {1, 2, 2}, {2, 2, 0}};
  job.m_nReflections = 12;
  for (int i = 0; i < 12; ++i) {
    const double h = hkl[i][0] / cell[0], k = hkl[i][1] / cell[1], l = hkl[i][2] / cell[2];
    const double d = 1.0 / std::sqrt(h * h + k * k + l * l);
    const double twoTheta = 2.0 * std::asin(job.m_dWavelength / (2.0 * d)) * 180.0 / std::acos(-1.0);
    job.m_nH[i] = hkl[i][0];
    job.m_nK[i] = hkl[i][1];
    job.m_nL[i] = hkl[i][2];
    job.m_dTwoTheta[i] = twoTheta;
    job.m_dTwoThetaRaw[i] = twoTheta;
    job.m_dWeight[i] = 1.0;
  }
  job.m_bInputLoaded = true;
  return job;
}

// The same job with the h k l of the report's list rows wherever they read,
// so that the weights are taken from the report rather than refused as
// another job's.
inline lattrix::Job JobMatchingReport(const std::string& reportPath) {
  lattrix::Job job = SmallValidJob(reportPath);
  const lattrix::Report report = lattrix::ReadReport(reportPath);
  for (int i = 0; i < job.m_nReflections; ++i) {
    int h = 0, k = 0, l = 0;
    lattrix::FieldScanner row(report.Row(i));
    if (!(row.Int(h) && row.Int(k) && row.Int(l))) break;
    job.m_nH[i] = h;
    job.m_nK[i] = k;
    job.m_nL[i] = l;
  }
  return job;
}

// Draws nothing; checks that every disc lies in the box and that text and
// lines stay within a sane distance of the client area (an int overflow in
// the placement would show up here as a wild coordinate, or before it as a
// sanitizer report).
class CheckingCanvas : public lattrix::MapCanvas {
 public:
  CheckingCanvas(Checker& check, const lattrix::MapRect& box, int width, int height)
      : check_(check), box_(box), reach_(4 * (width > height ? width : height) + 100000) {}
  void FillRect(int, int, int, int, const lattrix::MapRgb&) override {}
  void Line(int x0, int y0, int x1, int y1, const lattrix::MapRgb&, int) override {
    Near(x0, y0, "line start");
    Near(x1, y1, "line end");
  }
  void DottedLine(int x0, int y0, int x1, int y1, const lattrix::MapRgb&, int) override {
    Near(x0, y0, "zero line start");
    Near(x1, y1, "zero line end");
  }
  void FilledCircle(int left, int top, int right, int bottom, const lattrix::MapRgb&,
                    const lattrix::MapRgb&, int) override {
    const int cx = (left + right) / 2, cy = (top + bottom) / 2;
    check_(box_.left <= cx && cx <= box_.right && box_.top <= cy && cy <= box_.bottom,
          "point drawn outside the box");
    ++points;
  }
  void SetFont(const lattrix::MapFont& font) override {
    check_(font.height > 0 && font.width >= 0, "font size");
  }
  void Text(int x, int y, const std::string& text, const lattrix::MapRgb&) override {
    Near(x, y, "text position");
    check_(text.size() < 512, "label text too long");
  }
  void TextUp(int x, int y, const std::string& text, const lattrix::MapRgb& colour) override {
    Text(x, y, text, colour);
  }
  int TextWidth(const std::string& text) override { return 8 * static_cast<int>(text.size()); }

  void Near(int x, int y, const char* what) const {
    check_(x > -reach_ && x < reach_ && y > -reach_ && y < reach_, what);
  }

  int points = 0;

 private:
  Checker& check_;
  lattrix::MapRect box_;
  int reach_;
};

}  // namespace lattrix_fuzz
