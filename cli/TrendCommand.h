// lattrix-refine --series ... --fit MODEL: the trend of the series (an
// equation of state or a thermal expansion) fitted to its refined rows.
#pragma once

#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "series/SeriesRun.h"
#include "trend/TrendFit.h"

namespace lattrix {

struct TrendCommand {
  bool enabled = false;
  TrendOptions options;
  std::string quantity = "volume";   // or "a", "b", "c"
  std::string jsonPath;              // --fit-json; empty: none
};

// The series quantity (kSeriesVolume, kSeriesA ...) the command fits.
int TrendQuantityOf(const TrendCommand& command);

// Fits the points (the refined rows that have an x value) and prints the parameters with
// their s.u.'s (IUCr notation), the goodness of fit, n and the degrees of
// freedom (when `talk`); writes the JSON when asked. False after a message
// (a refused fit, a JSON that cannot be written).
bool RunTrendFit(const TrendCommand& command, const std::vector<TrendPoint>& points, const std::string& xName,
                 bool talk, MessageSink& sink);

}  // namespace lattrix
