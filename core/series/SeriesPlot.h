// A quantity of a series against x (temperature, pressure, time, or the
// job's position) with +-1 s.u. error bars, drawn on a MapCanvas so that
// the desktop window and the image files show the same picture, in the
// light print colours (white ground, dark axes and text). A fitted trend
// adds its curve, a box with its parameters and a strip of residuals.
#pragma once

#include <string>
#include <vector>

#include "fittingmap/MapCanvas.h"
#include "series/SeriesRun.h"

namespace lattrix {

struct SeriesPlotPoint {
  double x = 0.0;
  double y = 0.0;
  double sigma = 0.0;    // 0 or not finite: no error bar
  double sigmaX = 0.0;   // 0 or not finite: no horizontal error bar
};

struct SeriesPlotCurvePoint {
  double x = 0.0;
  double y = 0.0;
};

struct SeriesPlot {
  std::string title;
  std::string xTitle;
  std::string yTitle;
  std::vector<SeriesPlotPoint> points;
  // A fitted trend: the model through the points (joined in order, broken
  // at a value that is not finite), its parameters as lines of text in a
  // box, and the residuals (y - model, the point's s.u.) in a strip below.
  std::vector<SeriesPlotCurvePoint> curve;
  std::vector<std::string> box;
  std::vector<SeriesPlotPoint> residuals;
  // Said in the plot's box instead of a fit (a fit that was refused).
  std::string note;
};

// The refined rows' values of the quantity (kSeriesA ... kSeriesSsd) with
// their standard uncertainties. x is the row's x value (with its s.u.) when
// every refined row has one (titled xName, with the unit its name ends in),
// else the job's position in the series, 1 for the first (titled "job").
SeriesPlot MakeSeriesPlot(const std::vector<SeriesRow>& rows, int quantity, const std::string& xName);

// The unit an x name ends in after its last underscore ("T_K" -> "K",
// "P_GPa" -> "GPa"), or empty when it ends in none known.
std::string UnitOfXName(const std::string& xName);

// A data range with a little room on both sides, and ticks at whole
// multiples of a step of 1, 2 or 5 times a power of ten inside it, four at
// least. A range without span is widened about its value.
struct PlotAxis {
  double lo = 0.0;
  double hi = 1.0;
  double step = 0.2;
  int decimals = 1;   // of the tick labels

  static PlotAxis Covering(double lo, double hi);
  // The tick values from the first multiple of step at or above lo.
  std::vector<double> Ticks() const;
};

// A tick label: the value with the axis' decimals, a negative one with a
// true minus sign (U+2212), zero never signed.
std::string TickLabel(const PlotAxis& axis, double value);

// Background, box, ticks with labels, titles, each point as a disc with its
// error bars, and a fit's curve, box and residual strip, for a client area
// of width x height pixels.
void DrawSeriesPlot(const SeriesPlot& plot, MapCanvas& canvas, int width, int height);

}  // namespace lattrix
