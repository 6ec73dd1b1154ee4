// lattrix-refine --series: many job files refined in one process, one CSV
// table row per job, and optionally one JSON array and one CIF of them all.
#pragma once

#include <string>
#include <vector>

#include "TrendCommand.h"
#include "run/RunStep.h"

namespace lattrix {

struct SeriesCommand {
  RunChoices choices;
  std::vector<std::string> jobPaths;
  std::string listPath;    // --series-list: more job paths, one a line ("-": standard input)
  unsigned threads = 0;    // 0: one per processor core
  std::string tablePath;   // "-": standard output
  std::string xPath;       // empty: no x values
  std::string reportDir;   // empty: no reports
  std::string jsonPath;
  std::string cifPath;
  bool quiet = false;
  TrendCommand trend;      // --fit: the trend of the series
};

// "--threads N": a whole number from 1 to kMaxSeriesThreads.
constexpr unsigned kMaxSeriesThreads = 1024;
bool ParseThreadCount(const std::string& text, unsigned& out);

// Runs the series and writes its outputs. Each job's messages go to
// standard error after the run, in the jobs' order, each line led by the
// job's file. Returns the exit status: 0 when every job was refined and
// every file written, 1 otherwise, 2 for an x file, job list or report
// directory that cannot be used.
int RunSeriesCommand(const SeriesCommand& command);

}  // namespace lattrix
