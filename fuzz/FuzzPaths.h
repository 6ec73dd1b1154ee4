// What each fuzz target runs on one file, and what must hold afterwards.
// The fuzz targets and the regression test (tests/core/test_fuzz_regressions.cpp)
// share these, so a kept crash input goes through exactly the code path that
// found it.
#pragma once

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>


#include "FuzzSupport.h"
#include "calibration/Calibration.h"
#include "run/Execute.h"
#include "engine/Refinement.h"
#include "fittingmap/FittingMap.h"
#include "fittingmap/MapDrawing.h"
#include "job/InputFile.h"
#include "peaks/PeakJob.h"
#include "report/FittingTable.h"
#include "report/ReportWriter.h"
#include "series/SeriesRun.h"
#include "series/SeriesTable.h"

namespace lattrix_fuzz {

// A value written with 'decimals' decimals reads back within half a unit of
// the last decimal (and the rounding of the double it reads into).
inline bool SameAsPrinted(double written, double read, int decimals) {
  return std::fabs(written - read) <= 0.5 * std::pow(10.0, -decimals) * (1.0 + 1e-9) + 1e-15 * std::fabs(written);
}

// A value that can be physical may still be written as a bound (a length
// of 1e-9 A as 0.00000): the saved job is then refused when read back, as
// it must be.
inline bool PrintsPhysical(const lattrix::Job& job) {
  using namespace lattrix;
  const auto printed = [](double v) { return std::strtod(Format("%.5f", v).c_str(), nullptr); };
  for (int j = 0; j < 6; ++j)
    if (UnphysicalCellConstant(j, printed(job.m_dCell[j]))) return false;
  for (int i = 0; i < job.m_nReflections; ++i)
    if (UnphysicalTwoTheta(printed(job.m_dTwoTheta[i]))) return false;
  return true;
}

// The job file reader, then what the program does with a file it has read:
// the calibration when the file carries silicon values, a refinement (as
// read, and with both corrections; the report printable UTF-8), and a save
// to savedPath that must read back within the printed decimals.
inline void RunInputFile(const std::string& path, const std::string& savedPath, Checker& check) {
  using namespace lattrix;
  QuietSink sink;
  Job job, again;
  InitialiseJob(job, "/tmp");
  job.m_strInputPath = path;
  const bool read = ReadInputFile(job, sink);
  check(job.m_nReflections >= 0 && job.m_nReflections <= kMaxReflections, "reflection count outside 0..50");
  check(job.m_nSiObs <= kSiliconReflections, "silicon count above 12");
  check(read ? sink.shown <= 1 : sink.shown == 1, "not one message for a refused file, or more for an accepted one");
  if (!read) return;
  check(job.m_nCrystalSystem >= kTriclinic && job.m_nCrystalSystem <= kCubic, "crystal system outside 1..7");
  check(job.m_bInputLoaded && !job.m_bRefined && job.m_nCorrection == kNoCorrection && job.m_nWeighting == kUnity,
        "flags and modes after a read");
  for (int i = 0; i < job.m_nReflections; ++i)
    check(!UnphysicalTwoTheta(job.m_dTwoTheta[i]) && std::isfinite(job.m_dWeight[i]), "2theta outside (0, 180) or weight not finite");
  for (int j = 0; j < 6; ++j) check(!UnphysicalCellConstant(j, job.m_dCell[j]), "trial cell constant that no crystal has");
  if (job.m_bInternalStd == 1) {
    const Job before = job;
    const bool calibrated = CalibrateTwoTheta(job, SiliconStandardOf(job), sink);
    for (int i = 0; i < job.m_nReflections; ++i)
      check(std::isfinite(job.m_dTwoTheta[i]) && (calibrated || job.m_dTwoTheta[i] == before.m_dTwoTheta[i]),
            "calibrated 2theta not finite, or changed by a refused calibration");
  }
  for (int correction : {kNoCorrection, kZeroAndDisplacement}) {
    job.m_nCorrection = correction;
    const RefinementOutcome outcome = RefineCell(job, sink);
    check(outcome.reflections.size() == static_cast<size_t>(job.m_nReflections), "not one list row per reflection");
    check(ShowableText(ReportText(job, outcome)), "the report is not printable UTF-8");
  }
  job.m_nCorrection = kNoCorrection;
  job.m_strInputPath = again.m_strInputPath = savedPath;
  check(WriteInputFile(job, sink), "the job does not save");
  if (!PrintsPhysical(job)) return;
  check(ReadInputFile(again, sink), "the saved job does not read back");
  check(again.m_nReflections == job.m_nReflections && again.m_nCrystalSystem == job.m_nCrystalSystem &&
            SameAsPrinted(job.m_dWavelength, again.m_dWavelength, 7) && SameAsPrinted(job.m_dGonioRadius, again.m_dGonioRadius, 3),
        "saved count, system or instrument differs");
  for (int c = 0; c < 6; ++c) check(SameAsPrinted(job.m_dCell[c], again.m_dCell[c], 5), "saved cell differs");
  for (int i = 0; i < job.m_nReflections && i < again.m_nReflections; ++i)
    check(again.m_nH[i] == job.m_nH[i] && again.m_nK[i] == job.m_nK[i] && again.m_nL[i] == job.m_nL[i] &&
              SameAsPrinted(job.m_dTwoTheta[i], again.m_dTwoTheta[i], 5) && SameAsPrinted(job.m_dWeight[i], again.m_dWeight[i], 5),
          "saved reflection differs");
}

// The delta2(theta) and sin*delta weights from the report at path, for a job
// whose rows it carries and for one whose rows it does not (refused): finite,
// within 0..1 with a largest of 1 (or left at 1 after a message), none
// written past the job's rows; then a refinement with them.
inline void RunReportWeights(const std::string& path, Checker& check) {
  using namespace lattrix;
  for (const Job& start : {JobMatchingReport(path), SmallValidJob(path)})
    for (bool withSine : {false, true}) {
      QuietSink sink;
      Job job = start;
      job.m_dWeight[kMaxReflections - 1] = 0.5;
      const bool taken = withSine ? ReadSinDeltaWeights(job, sink) : ReadDeltaWeights(job, sink);
      check(taken || sink.shown == 1, "a report refused without a message");
      double largest = 0.0;
      for (int i = 0; i < job.m_nReflections; ++i) {
        check(std::isfinite(job.m_dWeight[i]) && job.m_dWeight[i] >= 0.0 && job.m_dWeight[i] <= 1.0, "weight outside 0..1");
        largest = std::max(largest, job.m_dWeight[i]);
      }
      check(largest == 1.0, "largest weight is not 1");
      check(job.m_dWeight[kMaxReflections - 1] == 0.5, "weight written past the job's rows");
      check(RefineInMemory(job, sink).reflections.size() == static_cast<size_t>(job.m_nReflections),
            "not one list row per reflection");
    }
}

inline void CheckTicks(const std::vector<lattrix::MapTick>& ticks, float lo, float hi, Checker& check) {
  check(ticks.size() <= 10000, "too many ticks");
  for (const lattrix::MapTick& t : ticks)
    check(std::isfinite(t.value) && t.value >= lo && t.value <= hi && !t.label.empty() && t.label.size() < 64, "tick or its label");
}

// The fitting map from the report at path: load, scale, ticks and the
// drawing for each plot type, in the window's default size and in one too
// small for a box.
inline void RunFittingMap(const std::string& path, Checker& check) {
  using namespace lattrix;
  for (const auto& [type, points] : {std::pair<int, int>{1, 50}, {1, 1}, {2, 50}, {3, 50}}) {
    QuietSink sink;
    FittingMap map;
    map.m_strReportPath = path;
    map.m_nPlotType = type;
    map.m_nPoints = points;
    const bool ok = map.PrepareMap(sink);
    check(ok == (sink.shown == 0) && map.m_nPoints == (ok ? points : 0), "a message and the result disagree");
    if (ok) {
      CheckTicks(map.XTicks(), map.m_fPlotXMin, map.m_fPlotXMax, check);
      CheckTicks(map.YTicks(), map.m_fPlotYMin, map.m_fPlotYMax, check);
      check(map.FullYTitle().size() < 64 && map.m_fXStep > 0.0f && map.m_fYStep > 0.0f, "y title or steps");
    }
    for (const auto& [width, height] : {std::pair<int, int>{kMapDefaultWidth, kMapDefaultHeight}, {4, 4}}) {
      ComputeMapGeometry(map, width, height);
      check(std::isfinite(map.m_fXScale) && std::isfinite(map.m_fYScale), "scales not finite");
      CheckingCanvas canvas(check, map.m_rcPlot, width, height);
      DrawMap(map, canvas, width, height);
    }
  }
}

// Both readers of the report on one input: the weight read-back and the
// fitting map of lattrix-plot.
inline void RunReport(const std::string& path, Checker& check) {
  RunReportWeights(path, check);
  RunFittingMap(path, check);
}

// Every number the text spells: its fields split at blanks, tabs,
// semicolons, quotes and parentheses, each read as it stands, with a
// decimal comma made a point, and in its comma-separated parts. A line ends
// at a NUL byte, as the line reader reads it.
inline std::set<double> NumbersIn(const std::string& text) {
  std::set<double> numbers;
  std::string field;
  const auto take = [&](std::string f) {
    double v = 0.0;
    if (lattrix::ReadNumberField(f, v)) numbers.insert(v);
    for (char& c : f)
      if (c == ',') c = '.';
    if (lattrix::ReadNumberField(f, v)) numbers.insert(v);
  };
  bool cut = false;
  for (char c : text + "\n") {
    cut = c != '\n' && (cut || c == '\0');
    if (cut) continue;
    if (std::string(" \t\r\n\v\f;\"()").find(c) == std::string::npos) {
      field += c;
      continue;
    }
    take(field);
    for (size_t start = 0, comma; start <= field.size(); start = comma + 1) {
      comma = std::min(field.find(',', start), field.size());
      take(field.substr(start, comma - start));
    }
    field.clear();
  }
  return numbers;
}

// A peak list read from the file at path, as a list of 2theta and of d: it
// is refused with one message or read whole, each value a positive number
// whose whole part stands in the text (no number comes from elsewhere), on
// a line of the text; then taken into a job, its h k l assigned from the
// job's cell.
inline void RunPeakList(const std::string& path, Checker& check) {
  using namespace lattrix;
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const long lines = 1 + std::count(text.begin(), text.end(), '\n');
  for (PeakUnits units : {PeakUnits::kTwoTheta, PeakUnits::kD}) {
    QuietSink sink;
    PeakList list;
    const bool read = ReadPeakFile(path, units, list, sink);
    check(read ? sink.shown == 0 && !list.peaks.empty() : sink.shown == 1 && list.peaks.empty(),
          "not one message for a refused list, or a message for a read one");
    for (const Peak& peak : list.peaks) {
      check(std::isfinite(peak.value) && peak.value > 0.0 && std::isfinite(peak.esd) && peak.esd >= 0.0,
            "a value that is not a positive number, or an esd below 0");
      check(peak.line >= 1 && peak.line <= lines, "a peak on a line the text does not have");
      check(NumbersIn(text).count(peak.value) == 1, "a value that is not a number of the text");
    }
    if (!read) continue;
    Job job = SmallValidJob("/tmp/lattrix-fuzz-peaks.out");
    Assignment assignment;
    if (TakePeakList(job, list, AssignmentOptions(), assignment, sink))
      check(job.m_nReflections == static_cast<int>(assignment.assigned.size()) && job.m_nReflections <= kMaxReflections,
            "rows and assigned peaks disagree");
  }
}

// The x file of a series: read, looked up by the series' plan, and every
// file name written into a table line that splits back into the same fields,
// its title and message columns printable.
inline void RunSeriesX(const std::string& path, Checker& check) {
  using namespace lattrix;
  QuietSink sink;
  SeriesAxis axis;
  const bool ok = ReadSeriesAxis(path, axis, sink);
  check(ok == (sink.shown == 0) && sink.shown <= 1, "a message and the result disagree");
  if (!ok) return;
  check(!axis.name.empty(), "no axis name");
  std::vector<std::string> files;
  for (const auto& entry : axis.values) {
    check(std::isfinite(entry.second), "x not finite");
    check(entry.first.find('/') == std::string::npos, "a directory in a file name");
    files.push_back(entry.first);
  }
  // Files of one job name ("run1.inp", "run1.dat") after the first are refused.
  const std::vector<SeriesJob> jobs = PlanSeries(files, "", &axis);
  for (size_t i = 0; i < jobs.size(); ++i) {
    const bool planned = jobs[i].hasX && jobs[i].x == axis.values.at(files[i]);
    check(jobs[i].refusal.empty() ? planned : !jobs[i].hasX, "planned x differs");
  }
  // Each name as the title too, and its plan's refusal as the message.
  for (size_t i = 0; i < files.size(); ++i) {
    SeriesRow row;
    row.file = row.title = files[i];
    row.messages = {jobs[i].refusal};
    const std::string text = SeriesTableText({row});
    const size_t start = text.find('\n') + 1;
    const std::vector<std::string> fields = SplitCsvLine(text.substr(start, text.size() - start - 1));
    check(fields.size() == SeriesColumnNames().size() && fields[0] == files[i] && fields[1] == PrintableLine(files[i]),
          "a table line does not split back");
    check(ShowableText(fields[1]) && ShowableText(fields.back()), "a title or message in the table is not printable UTF-8");
  }
}

}  // namespace lattrix_fuzz
