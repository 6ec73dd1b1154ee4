// What each fuzz target runs on one file, and what must hold afterwards.
// The fuzz targets and the regression test (tests/core/test_fuzz_regressions.cpp)
// share these, so a kept crash input goes through exactly the code path that
// found it.
#pragma once

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "calibration/Calibration.h"
#include "common/TextIO.h"
#include "fittingmap/FittingMap.h"
#include "report/FittingTable.h"
#include "fittingmap/MapDrawing.h"
#include "engine/Execute.h"
#include "engine/Refinement.h"
#include "job/InputFile.h"
#include "series/SeriesRun.h"
#include "series/SeriesTable.h"

namespace lattrix_fuzz {

namespace detail {

// A value written with `decimals` decimals reads back within half a unit of
// the last decimal (and the rounding of the double it reads into).
inline bool SameAsPrinted(double written, double read, int decimals) {
  return std::fabs(written - read) <=
         0.5 * std::pow(10.0, -decimals) * (1.0 + 1e-9) + 1e-15 * std::fabs(written);
}

inline void WeightsFromReport(const lattrix::Job& start, bool withSine, Checker& check) {
  using namespace lattrix;
  QuietSink sink;
  Job job = start;
  job.m_nWeighting = withSine ? kSinDelta : kDelta2Theta;
  const Job before = job;
  const bool taken = withSine ? ReadSinDeltaWeights(job, sink) : ReadDeltaWeights(job, sink);
  check(taken || sink.shown == 1, "a report refused without a message");
  // Scaled to a largest weight of 1, or left at 1 after a message.
  double largest = 0.0;
  for (int i = 0; i < job.m_nReflections; ++i) {
    const double w = job.m_dWeight[i];
    check(std::isfinite(w), "weight not finite");
    check(w >= 0.0 && w <= 1.0, "weight outside 0..1");
    if (w > largest) largest = w;
  }
  check(largest == 1.0, "largest weight is not 1");
  for (int i = job.m_nReflections; i < kMaxReflections; ++i)
    check(job.m_dWeight[i] == before.m_dWeight[i], "weight written past the job's rows");

  std::ostringstream report;
  const RefinementOutcome outcome = RefineCell(job, report, sink);
  check(outcome.reflections.size() == static_cast<size_t>(job.m_nReflections),
        "not one list row per reflection");
}

// The weights of a job whose rows the report carries, and of one whose rows
// it does not (refused).
inline void WeightsFromReport(const std::string& path, bool withSine, Checker& check) {
  WeightsFromReport(JobMatchingReport(path), withSine, check);
  WeightsFromReport(SmallValidJob(path), withSine, check);
}

inline void CheckTicks(const std::vector<lattrix::MapTick>& ticks, float lo, float hi,
                       const std::string& axis, Checker& check) {
  check(ticks.size() <= 10000, axis + " ticks: too many");
  for (const lattrix::MapTick& tick : ticks) {
    check(std::isfinite(tick.value), axis + " tick not finite");
    check(tick.value >= lo && tick.value <= hi, axis + " tick outside the plot range");
    check(!tick.label.empty() && tick.label.size() < 64, axis + " tick label");
  }
}

inline void DrawAt(lattrix::FittingMap& map, int width, int height, Checker& check) {
  lattrix::ComputeMapGeometry(map, width, height);
  check(std::isfinite(map.m_fXScale) && std::isfinite(map.m_fYScale), "scales not finite");
  CheckingCanvas canvas(check, map.m_rcPlot, width, height);
  lattrix::DrawMap(map, canvas, width, height);
}

}  // namespace detail

// The job file reader, then what the program does with a file it has read:
// the form's silicon texts, the calibration when the file carries silicon
// values, a refinement (as read, and with both corrections), and a save to
// savedPath that must read back.
inline void RunInputFile(const std::string& path, const std::string& savedPath, Checker& check) {
  using namespace lattrix;
  QuietSink sink;
  Job job;
  InitialiseJob(job, "/tmp");
  job.m_strInputPath = path;
  const bool read = ReadInputFile(job, sink);
  // Whatever the file says, the counts stay within the arrays.
  check(job.m_nReflections >= 0 && job.m_nReflections <= kMaxReflections,
        "reflection count outside 0..50");
  check(job.m_nSiObs <= kSiliconReflections, "silicon count above 12");
  if (!read) {
    check(sink.shown == 1, "a refused file does not show exactly one message");
    return;
  }
  check(sink.shown <= 1, "more than one message for an accepted file");
  check(job.m_nCrystalSystem >= kTriclinic && job.m_nCrystalSystem <= kCubic,
        "crystal system of an accepted file outside 1..7");
  check(job.m_bInputLoaded && !job.m_bRefined, "flags after a read");
  check(job.m_nCorrection == kNoCorrection && job.m_nWeighting == kUnity, "modes after a read");
  for (int i = 0; i < job.m_nReflections; ++i)
    check(std::isfinite(job.m_dTwoTheta[i]) && std::isfinite(job.m_dWeight[i]),
          "reflection value not finite");

  const SiliconListTexts silicon = SiliconTextsFromJob(job);
  if (job.m_bInternalStd == 1) {
    const Job before = job;
    const bool calibrated = CalibrateTwoTheta(job, silicon, sink);
    for (int i = 0; i < job.m_nReflections; ++i) {
      check(std::isfinite(job.m_dTwoTheta[i]), "calibrated 2theta not finite");
      if (!calibrated) check(job.m_dTwoTheta[i] == before.m_dTwoTheta[i], "refused calibration changed 2theta");
    }
  }

  std::ostringstream report;
  const RefinementOutcome outcome = RefineCell(job, report, sink);
  check(outcome.reflections.size() == static_cast<size_t>(job.m_nReflections),
        "not one list row per reflection");
  job.m_nCorrection = kZeroAndDisplacement;
  std::ostringstream report5;
  RefineCell(job, report5, sink);
  job.m_nCorrection = kNoCorrection;

  job.m_strInputPath = savedPath;
  check(WriteInputFile(job, sink), "the job does not save");
  Job again;
  InitialiseJob(again, "/tmp");
  again.m_strInputPath = savedPath;
  check(ReadInputFile(again, sink), "the saved job does not read back");
  check(again.m_nReflections == job.m_nReflections, "saved reflection count differs");
  check(again.m_nCrystalSystem == job.m_nCrystalSystem, "saved crystal system differs");
  check(detail::SameAsPrinted(job.m_dWavelength, again.m_dWavelength, 7) &&
            detail::SameAsPrinted(job.m_dGonioRadius, again.m_dGonioRadius, 3),
        "saved instrument differs");
  for (int c = 0; c < 6; ++c)
    check(detail::SameAsPrinted(job.m_dCell[c], again.m_dCell[c], 5), "saved cell differs");
  for (int i = 0; i < job.m_nReflections && i < again.m_nReflections; ++i) {
    check(again.m_nH[i] == job.m_nH[i] && again.m_nK[i] == job.m_nK[i] &&
              again.m_nL[i] == job.m_nL[i],
          "saved indices differ");
    check(detail::SameAsPrinted(job.m_dTwoTheta[i], again.m_dTwoTheta[i], 5) &&
              detail::SameAsPrinted(job.m_dWeight[i], again.m_dWeight[i], 5),
          "saved 2theta or weight differs");
  }
}

// The delta2(theta) and sin*delta weights read back from the report at path
// into a small valid job, then its refinement with them.
inline void RunReportWeights(const std::string& path, Checker& check) {
  detail::WeightsFromReport(path, false, check);
  detail::WeightsFromReport(path, true, check);
}

// The fitting table from the report at path (fileSize bytes), with the
// job's 2theta columns and without them.
inline void RunFittingTable(const std::string& path, size_t fileSize, Checker& check) {
  using namespace lattrix;
  const Job job = SmallValidJob(path);
  for (int withJob = 0; withJob < 2; ++withJob) {
    QuietSink sink;
    FittingTable table;
    const int count = withJob ? job.m_nReflections : 0;
    const bool ok = ReadFittingTable(path, withJob ? job.m_dTwoThetaRaw : nullptr,
                                     withJob ? job.m_dTwoTheta : nullptr, count, table, sink);
    check(ok == (sink.shown == 0), "a message and the result disagree");
    check(table.rows.size() <= static_cast<size_t>(kFittingTableMaxRows), "more than 50 rows");
    for (size_t r = 0; r < table.rows.size(); ++r) {
      const auto& cells = table.rows[r];
      // Without a list the rows stay, all cells empty.
      if (!ok) {
        for (const std::string& cell : cells) check(cell.empty(), "cell of a failed read");
        continue;
      }
      check(cells[0] == Format("%2d", static_cast<int>(r) + 1), "row number");
      const bool fromJob = static_cast<int>(r) < count;
      check(cells[4].empty() != fromJob && cells[5].empty() != fromJob,
            "2theta columns not from the job");
      for (const std::string& cell : cells) check(cell.size() <= fileSize, "cell longer than the file");
    }
    check(table.sumDelta.size() <= fileSize && table.stdDelta.size() <= fileSize, "sum texts");
  }
}

// The fitting map from the report at path: load, scale, ticks and the
// drawing geometry for each plot type, as the dialog and the batch
// command's image renderer run them.
inline void RunFittingMap(const std::string& path, Checker& check) {
  using namespace lattrix;
  static const int kPointCounts[] = {50, 1};
  for (int type = 1; type <= 3; ++type) {
    for (int points : kPointCounts) {
      if (type != 1 && points != 50) continue;
      QuietSink sink;
      FittingMap map;
      map.m_strReportPath = path;
      map.m_nPlotType = type;
      map.m_nPoints = points;
      map.SetPlotTitles(type);
      const bool ok = map.PrepareMap(sink);
      check(ok == (sink.shown == 0), "a message and the result disagree");
      check(map.m_nPoints == (ok ? points : 0), "point count after the load");
      if (ok) {
        detail::CheckTicks(map.XTicks(), map.m_fPlotXMin, map.m_fPlotXMax, "x", check);
        detail::CheckTicks(map.YTicks(), map.m_fPlotYMin, map.m_fPlotYMax, "y", check);
        check(map.FullYTitle().size() < 64, "y title too long");
        check(map.m_fXStep > 0.0f && map.m_fYStep > 0.0f, "steps not positive");
      }
      // The window's default size, and one too small for a box.
      detail::DrawAt(map, kMapDefaultWidth, kMapDefaultHeight, check);
      detail::DrawAt(map, 4, 4, check);
    }
  }
}

// The x file of a series: read, looked up by the series' plan, and every
// file name written into a table line that splits back into the same fields.
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
  for (const std::string& file : files) {
    SeriesRow row;
    row.file = row.title = file;
    const std::string text = SeriesTableText({row});
    const size_t start = text.find('\n') + 1;
    const std::vector<std::string> fields = SplitCsvLine(text.substr(start, text.size() - start - 1));
    check(fields.size() == SeriesColumnNames().size() && fields[0] == file && fields[1] == file,
          "a table line does not split back");
  }
}

}  // namespace lattrix_fuzz
