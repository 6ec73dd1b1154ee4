// A trend fitted to a series and shown with it: the points of the fitted
// quantity, the fit's text (parameters in IUCr notation, chi2_reduced, n,
// dof), the fitted curve and residuals added to the series plot, and the
// normalised pressure F against the Eulerian strain f of an equation of
// state. The window and the image files draw from these alike.
#pragma once

#include <string>
#include <vector>

#include "series/SeriesPlot.h"
#include "series/SeriesRun.h"
#include "trend/TrendFit.h"

namespace lattrix {

// What a series' trend is fitted to: a model, the quantity (the volume or
// a cell length a, b or c) and the thermal model's T0.
struct SeriesTrend {
  TrendOptions options;
  int quantity = kSeriesVolume;
  std::vector<TrendPoint> points;   // the refined rows with an x value
  TrendFit fit;
};

// "BM2", "BM3", "Vinet", "Thermal": the model as the window and the fit's
// text name it.
const char* TrendModelTitle(TrendModel model);

// True for the quantities a trend can be fitted to: volume, a, b, c.
bool IsTrendQuantity(int quantity);

// A refined row that has an x value as a point of the quantity; false for
// another row.
bool TrendPointOf(const SeriesRow& row, int quantity, TrendPoint& point);
// The refined rows that have an x value, as points of the quantity.
std::vector<TrendPoint> TrendPointsOf(const std::vector<SeriesRow>& rows, int quantity);

// Fits the model to the quantity of the rows (refused, with a message, for
// a quantity that is not a volume or a cell length).
SeriesTrend FitSeriesTrend(const std::vector<SeriesRow>& rows, int quantity, TrendModel model, double t0);

// The fitted quantity's model value at x (a length, or the volume).
double TrendCurveValue(const SeriesTrend& trend, double x);

// "bm3 fit of volume against P_GPa", one "name = value(su) unit" line per
// parameter, "chi2_reduced = 1.02", "n = 8, dof = 5"; a refused fit: its
// message alone.
std::vector<std::string> TrendFitLines(const SeriesTrend& trend, const std::string& xName);

// The plot of the fitted quantity (made by MakeSeriesPlot) with the curve
// through its points, the fit's box and the residuals; a refused fit:
// its message as the plot's note.
void AddTrendToPlot(const SeriesTrend& trend, const std::string& xName, SeriesPlot& plot);

// F (GPa) against f of an equation-of-state fit, with their s.u.'s and the
// model's F(f); another fit: an empty plot whose note says why.
SeriesPlot MakeStrainPlot(const SeriesTrend& trend);

}  // namespace lattrix
