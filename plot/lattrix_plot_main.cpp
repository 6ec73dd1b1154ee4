// lattrix-plot: draws the fitting map of a report as PNG, SVG or PDF.
//
// lattrix-refine --plot runs this program, so that the batch command itself
// does not load the drawing libraries on every run.
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <string>

#include "RenderMap.h"
#include "StderrSink.h"
#include "common/TextIO.h"
#include "report/ReportReader.h"
#include "job/Job.h"

namespace {

const char kUsage[] =
    "usage: lattrix-plot [--plot-type N] [--size WxH] [--points N] REPORT OUT.png|.svg|.pdf\n"
    "Draws the fitting map of the report REPORT (a Lattrix.out): plot type 1 2theta(org-cal)\n"
    "(default), 2 2theta(org-cor), 3 d(obs-cal), 600x400 pixels unless --size says otherwise.\n"
    "--points N plots the first N reflections; by default every reflection of the report.\n";

int Usage(const char* problem) {
  std::fprintf(stderr, "lattrix-plot: %s\n%s", problem, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int type = 1, width = 600, height = 400, points = -1;
  std::string report, out;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--plot-type" && hasValue) {
      const std::string v = argv[++i];
      if (v != "1" && v != "2" && v != "3") return Usage("--plot-type takes 1, 2 or 3");
      type = v[0] - '0';
    } else if (arg == "--size" && hasValue) {
      char extra = 0;
      if (std::sscanf(argv[++i], "%dx%d%c", &width, &height, &extra) != 2)
        return Usage("--size takes WIDTHxHEIGHT");
    } else if (arg == "--points" && hasValue) {
      lattrix::FieldScanner scan(argv[++i]);
      if (!scan.Int(points) || points < 0 || points > lattrix::kMaxReflections)
        return Usage("--points takes 0 to 50");
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage(("unknown option " + arg).c_str());
    } else if (report.empty()) {
      report = arg;
    } else if (out.empty()) {
      out = arg;
    } else {
      return Usage("one report and one image file, please");
    }
  }
  if (out.empty()) return Usage("a report and an image file are needed");
  if (points < 0) points = lattrix::ReadReport(report).inputRows;

  lattrix::StderrSink sink;
  const bool written = lattrix::RenderMapFile(report, points, type, out, width, height, sink);
  // Give the font caches back, so that leak checkers see only real leaks.
  cairo_debug_reset_static_data();
  FcFini();
  return written ? 0 : 1;
}
