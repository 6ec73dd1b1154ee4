// lattrix-plot: draws the fitting map of a report as PNG, SVG or PDF.
//
// lattrix-refine --plot runs this program, so that the batch command itself
// does not load the drawing libraries on every run.
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <string>

#include "CommandLine.h"
#include "LattrixVersion.h"
#include "RenderMap.h"
#include "StderrSink.h"
#include "common/TextIO.h"
#include "report/ReportReader.h"
#include "job/Job.h"

namespace {

const char kUsage[] =
    "usage: lattrix-plot [--plot-type N] [--size WxH] [--points N] [--plot-style S] REPORT\n"
    "                    OUT.png|.svg|.pdf\n"
    "Draws the fitting map of the report REPORT (a Lattrix.out): plot type 1 2theta(org-cal)\n"
    "(default), 2 2theta(org-cor), 3 d(obs-cal), 600x400 pixels unless --size says otherwise.\n"
    "--points N plots the first N reflections; by default every reflection of the report.\n"
    "--plot-style light draws it for print: white ground, dark axes and text.\n";
const char kOptions[] =
    "\n"
    "Options:\n"
    "  --plot-type N                 1, 2 or 3 (as lattrix-refine --plot-type)\n"
    "  --plot-size WxH, --size WxH   the image size in pixels (default 600x400)\n"
    "  --points N                    the number of reflections to plot (0 to 50)\n"
    "  --plot-style dark|light       the screen's dark style (default) or a light\n"
    "                                style for print\n"
    "  --quiet, -q                   accepted for lattrix-refine's sake: nothing is\n"
    "                                printed on standard output anyway\n"
    "  --help, -h                    show this text\n"
    "  --version                     print the version\n"
    "--name=value works as --name value; '--' ends the options.\n";

int Usage(const char* problem) {
  std::fprintf(stderr, "lattrix-plot: %s\n%s", problem, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  int type = 1, width = 600, height = 400, points = -1;
  lattrix::MapStyle style = lattrix::MapStyle::kDark;
  std::string report, out;
  lattrix::CommandLine args(argc, argv);
  std::string v;
  while (args.Next()) {
    const std::string arg = args.Arg();
    if (args.IsOperand()) {
      // Files below.
    } else if (arg == "--help" || arg == "-h" || arg == "--version") {
      std::fputs(arg == "--version" ? "lattrix-plot " LATTRIX_VERSION "\n" : (std::string(kUsage) + kOptions).c_str(), stdout);
      return 0;
    } else if (arg == "--quiet" || arg == "-q") {
      if (args.ValueLeft()) return Usage((arg + " takes no value").c_str());
      continue;
    } else if (arg == "--plot-type" && args.Value(v)) {
      if (v != "1" && v != "2" && v != "3") return Usage("--plot-type takes 1, 2 or 3");
      type = v[0] - '0';
      continue;
    } else if ((arg == "--size" || arg == "--plot-size") && args.Value(v)) {
      char extra = 0;
      if (std::sscanf(v.c_str(), "%dx%d%c", &width, &height, &extra) != 2)
        return Usage("--size takes WIDTHxHEIGHT");
      continue;
    } else if (arg == "--plot-style" && args.Value(v)) {
      if (!lattrix::ParseMapStyle(v, style)) return Usage("--plot-style takes light or dark");
      continue;
    } else if (arg == "--points" && args.Value(v)) {
      lattrix::FieldScanner scan(v);
      if (!scan.Int(points) || points < 0 || points > lattrix::kMaxReflections)
        return Usage("--points takes 0 to 50");
      continue;
    } else {
      return Usage(("unknown option " + arg).c_str());
    }
    if (report.empty()) {
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
  const bool written = lattrix::RenderMapFile(report, points, type, out, width, height, sink, style);
  // Give the font caches back, so that leak checkers see only real leaks.
  cairo_debug_reset_static_data();
  FcFini();
  return written ? 0 : 1;
}
