// Cost of one refinement (report written to memory), of reading a job file
// and of preparing the fitting map.
#include <benchmark/benchmark.h>

#include <cmath>
#include "report/ReportWriter.h"
#include <string>

#include "common/MessageSink.h"
#include "fittingmap/FittingMap.h"
#include "run/Execute.h"
#include "engine/Refinement.h"
#include "job/InputFile.h"
#include "job/Job.h"

using namespace lattrix;

namespace {

// A job of n reflections whose 2theta follow a known cell (direct metric).
Job SyntheticJob(int system, int correction, int n) {
  Job job;
  InitialiseJob(job, "/tmp");
  job.m_nCrystalSystem = system;
  job.m_nCorrection = correction;
  const bool cubic = system == kCubic;
  const double cell[6] = {cubic ? 5.64 : 7.11, cubic ? 5.64 : 8.32, cubic ? 5.64 : 9.24,
                          cubic ? 90.0 : 85.2, cubic ? 90.0 : 95.7, cubic ? 90.0 : 102.3};
  for (int j = 0; j < 6; ++j) job.m_dCell[j] = cell[j];
  int count = 0;
  for (int h = 1; h <= 6 && count < n; ++h)
    for (int k = -3; k <= 3 && count < n; ++k)
      for (int l = -3; l <= 3 && count < n; ++l) {
        job.m_nH[count] = h;
        job.m_nK[count] = k;
        job.m_nL[count] = l;
        // A plausible spread of angles; the exact values do not change the cost.
        job.m_dTwoTheta[count] = job.m_dTwoThetaRaw[count] = 15.0 + 2.3 * count;
        job.m_dWeight[count] = 1.0;
        ++count;
      }
  job.m_nReflections = count;
  return job;
}

void BM_RefineCell(benchmark::State& state) {
  const int system = static_cast<int>(state.range(0));
  const int correction = static_cast<int>(state.range(1));
  const int n = static_cast<int>(state.range(2));
  RecordingSink sink;
  std::string text;
  for (auto _ : state) {
    Job job = SyntheticJob(system, correction, n);
    RefinementOutcome outcome = RefineCell(job, sink);
    benchmark::DoNotOptimize(outcome);
    text = ReportText(job, outcome);
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_RefineCell)
    ->ArgNames({"system", "mode", "reflections"})
    ->ArgsProduct({{kCubic, kTriclinic}, {kNoCorrection, kZeroAndDisplacement}, {1, 10, 50}})
    ->Unit(benchmark::kMicrosecond);

void BM_ReadInputFile(benchmark::State& state) {
  RecordingSink sink;
  for (auto _ : state) {
    Job job;
    job.m_strInputPath = LATTRIX_EXAMPLES_DIR "/quartz.inp";
    benchmark::DoNotOptimize(ReadInputFile(job, sink));
  }
}
BENCHMARK(BM_ReadInputFile)->Unit(benchmark::kMicrosecond);

// Reading the points of a 50-reflection report and choosing ranges and ticks,
// as the fitting map does at every opening and change of plot type.
void BM_PrepareMap(benchmark::State& state) {
  RecordingSink sink;
  Job job = SyntheticJob(kTriclinic, kZeroAndDisplacement, 50);
  job.m_strReportPath = "/tmp/lattrix-bench-map.out";
  RefineCell(job, sink);
  for (auto _ : state) {
    FittingMap map;
    map.m_nPoints = job.m_nReflections;
    map.m_strReportPath = job.m_strReportPath;
    benchmark::DoNotOptimize(map.PrepareMap(sink));
    benchmark::DoNotOptimize(map.YTicks());
  }
}
BENCHMARK(BM_PrepareMap)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
