#include "series/SeriesPlot.h"

#include <algorithm>
#include <cmath>

#include "common/TextIO.h"
#include "fittingmap/FittingMap.h"

namespace lattrix {

namespace {

const char* QuantityUnit(int quantity) {
  static const char* const units[kSeriesQuantities] = {"A", "A", "A", "deg", "deg", "deg", "A^3", "deg", "mm"};
  return quantity >= 0 && quantity < kSeriesQuantities ? units[quantity] : "";
}

// Where the data go on the canvas, and how data values become pixels.
struct PlotFrame {
  int left = 0, top = 0, right = 0, bottom = 0;
  PlotAxis x, y;

  int XPixel(double v) const { return left + static_cast<int>(std::lround((v - x.lo) / (x.hi - x.lo) * (right - left))); }
  int YPixel(double v) const { return bottom - static_cast<int>(std::lround((v - y.lo) / (y.hi - y.lo) * (bottom - top))); }
};

// The values lo, lo + step, ... up to hi, a value within rounding of 0
// written as 0.
std::vector<double> TickValues(const PlotAxis& axis) {
  std::vector<double> ticks;
  const int steps = static_cast<int>(std::lround((axis.hi - axis.lo) / axis.step));
  for (int k = 0; k <= steps && k <= 100; ++k) {
    const double v = axis.lo + k * axis.step;
    ticks.push_back(std::fabs(v) < axis.step * 1e-9 ? 0.0 : v);
  }
  return ticks;
}

std::string TickLabel(const PlotAxis& axis, double v) { return Format("%.*f", axis.decimals, v); }

void DrawTicks(const PlotFrame& f, MapCanvas& canvas, const MapFont& font, const FittingMap& style) {
  for (double v : TickValues(f.x)) {
    const int px = f.XPixel(v);
    canvas.Line(px, f.bottom, px, f.bottom - font.height / 3, style.m_crAxis, 1);
    const std::string label = TickLabel(f.x, v);
    canvas.Text(px - canvas.TextWidth(label) / 2, f.bottom + font.height / 3, label, style.m_crText);
  }
  for (double v : TickValues(f.y)) {
    const int py = f.YPixel(v);
    canvas.Line(f.left, py, f.left + font.height / 3, py, style.m_crAxis, 1);
    const std::string label = TickLabel(f.y, v);
    canvas.Text(f.left - font.width - canvas.TextWidth(label), py - font.height / 2, label, style.m_crText);
  }
}

void DrawPoints(const SeriesPlot& plot, const PlotFrame& f, MapCanvas& canvas, const FittingMap& style) {
  const int r = style.m_nPointRadius;
  for (const SeriesPlotPoint& p : plot.points) {
    const int px = f.XPixel(p.x);
    if (p.sigma > 0.0 && std::isfinite(p.sigma)) {
      const int lo = std::min(f.bottom, f.YPixel(p.y - p.sigma));
      const int hi = std::max(f.top, f.YPixel(p.y + p.sigma));
      canvas.Line(px, lo, px, hi, style.m_crPointEdge, 1);
      canvas.Line(px - r, lo, px + r, lo, style.m_crPointEdge, 1);
      canvas.Line(px - r, hi, px + r, hi, style.m_crPointEdge, 1);
    }
    const int py = f.YPixel(p.y);
    canvas.FilledCircle(px - r, py - r, px + r, py + r, style.m_crPointFill, style.m_crPointEdge, 1);
  }
}

}  // namespace

SeriesPlot MakeSeriesPlot(const std::vector<SeriesRow>& rows, int quantity, const std::string& xName) {
  SeriesPlot plot;
  bool everyX = true;
  for (const SeriesRow& row : rows) everyX = everyX && (!row.refined || row.hasX);
  plot.xTitle = everyX && !xName.empty() ? xName : "job";
  plot.yTitle = Format("%s / %s", SeriesQuantityName(quantity), QuantityUnit(quantity));
  plot.title = std::string(SeriesQuantityName(quantity)) + " against " + plot.xTitle;
  if (quantity < 0 || quantity >= kSeriesQuantities) return plot;
  for (size_t i = 0; i < rows.size(); ++i) {
    const SeriesRow& row = rows[i];
    const double x = everyX && !xName.empty() ? row.x : static_cast<double>(i + 1);
    if (!row.refined || !std::isfinite(row.value[quantity]) || !std::isfinite(x)) continue;
    plot.points.push_back({x, row.value[quantity], row.sigma[quantity]});
  }
  return plot;
}

PlotAxis PlotAxis::Covering(double lo, double hi) {
  PlotAxis axis;
  if (!std::isfinite(lo) || !std::isfinite(hi) || hi < lo) return axis;
  if (hi - lo <= std::fabs(hi) * 1e-12) {
    const double half = lo != 0.0 ? std::fabs(lo) * 0.01 : 1.0;
    lo -= half;
    hi += half;
  }
  // A little room, so that no point sits on the box.
  const double margin = (hi - lo) * 0.04;
  lo -= margin;
  hi += margin;
  // The largest step of 1, 2 or 5 times a power of ten that gives at
  // least four.
  const double raw = (hi - lo) / 4.0;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double m = raw / power;
  axis.step = (m < 2.0 ? 1.0 : m < 5.0 ? 2.0 : 5.0) * power;
  axis.lo = std::floor(lo / axis.step) * axis.step;
  axis.hi = std::ceil(hi / axis.step) * axis.step;
  axis.decimals = std::clamp(static_cast<int>(-std::floor(std::log10(axis.step) + 1e-9)), 0, 12);
  return axis;
}

void DrawSeriesPlot(const SeriesPlot& plot, MapCanvas& canvas, int width, int height) {
  const FittingMap style;
  canvas.FillRect(0, 0, width, height, style.m_crBack);
  MapFont font;
  font.height = 14;
  font.width = 7;
  canvas.SetFont(font);

  double xlo = 0.0, xhi = 0.0, ylo = 0.0, yhi = 0.0;
  for (size_t i = 0; i < plot.points.size(); ++i) {
    const SeriesPlotPoint& p = plot.points[i];
    const double s = p.sigma > 0.0 && std::isfinite(p.sigma) ? p.sigma : 0.0;
    xlo = i == 0 ? p.x : std::min(xlo, p.x);
    xhi = i == 0 ? p.x : std::max(xhi, p.x);
    ylo = i == 0 ? p.y - s : std::min(ylo, p.y - s);
    yhi = i == 0 ? p.y + s : std::max(yhi, p.y + s);
  }
  PlotFrame f;
  f.x = PlotAxis::Covering(xlo, xhi);
  f.y = PlotAxis::Covering(ylo, yhi);
  int labels = 0;
  for (double v : TickValues(f.y)) labels = std::max(labels, canvas.TextWidth(TickLabel(f.y, v)));
  f.left = labels + 2 * font.width + 2 * font.height;
  f.right = width - 4 * font.width;
  f.top = 2 * font.height;
  f.bottom = height - 3 * font.height;
  if (f.right - f.left < 20 || f.bottom - f.top < 20) return;

  canvas.Line(f.left, f.bottom, f.right, f.bottom, style.m_crAxis, 1);
  canvas.Line(f.right, f.bottom, f.right, f.top, style.m_crAxis, 1);
  canvas.Line(f.right, f.top, f.left, f.top, style.m_crAxis, 1);
  canvas.Line(f.left, f.top, f.left, f.bottom, style.m_crAxis, 1);
  DrawTicks(f, canvas, font, style);
  canvas.Text((f.left + f.right - canvas.TextWidth(plot.title)) / 2, font.height / 2, plot.title, style.m_crText);
  canvas.Text((f.left + f.right - canvas.TextWidth(plot.xTitle)) / 2, f.bottom + 3 * font.height / 2,
              plot.xTitle, style.m_crText);
  canvas.TextUp(font.width / 2, (f.top + f.bottom + canvas.TextWidth(plot.yTitle)) / 2, plot.yTitle, style.m_crText);
  DrawPoints(plot, f, canvas, style);
}

}  // namespace lattrix
