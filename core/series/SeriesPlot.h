// A quantity of a series against x (temperature, pressure, time, or the
// job's position) with +-1 s.d. error bars, drawn on a MapCanvas so that
// the desktop window and the image files show the same picture, in the
// fitting map's colours.
#pragma once

#include <string>
#include <vector>

#include "fittingmap/MapCanvas.h"
#include "series/SeriesRun.h"

namespace lattrix {

struct SeriesPlotPoint {
  double x = 0.0;
  double y = 0.0;
  double sigma = 0.0;   // 0 or not finite: no error bar
};

struct SeriesPlot {
  std::string title;
  std::string xTitle;
  std::string yTitle;
  std::vector<SeriesPlotPoint> points;
};

// The refined rows' values of the quantity (kSeriesA ... kSeriesSsd) with
// their standard deviations. x is the row's x value when every refined row
// has one (titled xName), else the job's position in the series, 1 for the
// first (titled "job").
SeriesPlot MakeSeriesPlot(const std::vector<SeriesRow>& rows, int quantity, const std::string& xName);

// A data range rounded out to whole tick steps: four to about ten steps of
// 1, 2 or 5 times a power of ten. A range without span is widened about its
// value.
struct PlotAxis {
  double lo = 0.0;
  double hi = 1.0;
  double step = 0.2;
  int decimals = 1;   // of the tick labels

  static PlotAxis Covering(double lo, double hi);
};

// Background, box, ticks with labels, titles, then each point as a disc
// with its error bar, for a client area of width x height pixels.
void DrawSeriesPlot(const SeriesPlot& plot, MapCanvas& canvas, int width, int height);

}  // namespace lattrix
