#include "series/SeriesPlot.h"

#include <algorithm>
#include <cmath>

#include "common/TextIO.h"
#include "fittingmap/PlotColours.h"

namespace lattrix {

namespace {

const char* QuantityUnit(int quantity) {
  static const char* const units[kSeriesQuantities] = {"Å", "Å", "Å", "°", "°", "°", "Å³", "°", "mm"};
  return quantity >= 0 && quantity < kSeriesQuantities ? units[quantity] : "";
}

std::string WithUnit(const std::string& name, const std::string& unit) {
  return unit.empty() ? name : name + " / " + unit;
}

bool Finite(double v) { return std::isfinite(v); }
double Bar(double s) { return s > 0.0 && std::isfinite(s) ? s : 0.0; }

// Where the data go on the canvas, and how data values become pixels.
struct PlotFrame {
  int left = 0, top = 0, right = 0, bottom = 0;
  PlotAxis x, y;

  int XPixel(double v) const { return left + static_cast<int>(std::lround((v - x.lo) / (x.hi - x.lo) * (right - left))); }
  int YPixel(double v) const { return bottom - static_cast<int>(std::lround((v - y.lo) / (y.hi - y.lo) * (bottom - top))); }
  bool Inside(int px, int py) const { return px >= left && px <= right && py >= top && py <= bottom; }
};

// The smallest and largest of the values with their bars; none: 0, 0.
struct Range {
  double lo = 0.0, hi = 0.0;
  bool any = false;
  void Take(double v, double s) {
    if (!Finite(v)) return;
    lo = any ? std::min(lo, v - s) : v - s;
    hi = any ? std::max(hi, v + s) : v + s;
    any = true;
  }
};

void DrawFrame(const PlotFrame& f, MapCanvas& canvas, const PlotColours& c) {
  canvas.Line(f.left, f.bottom, f.right, f.bottom, c.axis, 1);
  canvas.Line(f.right, f.bottom, f.right, f.top, c.axis, 1);
  canvas.Line(f.right, f.top, f.left, f.top, c.axis, 1);
  canvas.Line(f.left, f.top, f.left, f.bottom, c.axis, 1);
}

// Ticks inside the frame on all four sides; labels left and, when asked,
// below.
void DrawTicks(const PlotFrame& f, MapCanvas& canvas, const MapFont& font, const PlotColours& c, bool xLabels) {
  const int tick = font.height / 3;
  for (double v : f.x.Ticks()) {
    const int px = f.XPixel(v);
    canvas.Line(px, f.bottom, px, f.bottom - tick, c.axis, 1);
    canvas.Line(px, f.top, px, f.top + tick, c.axis, 1);
    if (!xLabels) continue;
    const std::string label = TickLabel(f.x, v);
    canvas.Text(px - canvas.TextWidth(label) / 2, f.bottom + font.height / 3, label, c.text);
  }
  int labelled = f.bottom + font.height;   // the last labelled tick: labels never overlap
  for (double v : f.y.Ticks()) {
    const int py = f.YPixel(v);
    canvas.Line(f.left, py, f.left + tick, py, c.axis, 1);
    canvas.Line(f.right, py, f.right - tick, py, c.axis, 1);
    if (labelled - py < font.height) continue;
    labelled = py;
    const std::string label = TickLabel(f.y, v);
    canvas.Text(f.left - font.width - canvas.TextWidth(label), py - font.height / 2, label, c.text);
  }
}

void DrawPoints(const std::vector<SeriesPlotPoint>& points, const PlotFrame& f, MapCanvas& canvas,
                const PlotColours& c) {
  const int r = 4;
  for (const SeriesPlotPoint& p : points) {
    const int px = f.XPixel(p.x), py = f.YPixel(p.y);
    if (Bar(p.sigma) > 0.0) {
      const int lo = std::min(f.bottom, f.YPixel(p.y - p.sigma));
      const int hi = std::max(f.top, f.YPixel(p.y + p.sigma));
      canvas.Line(px, lo, px, hi, c.pointEdge, 1);
      canvas.Line(px - r, lo, px + r, lo, c.pointEdge, 1);
      canvas.Line(px - r, hi, px + r, hi, c.pointEdge, 1);
    }
    if (Bar(p.sigmaX) > 0.0) {
      const int lo = std::max(f.left, f.XPixel(p.x - p.sigmaX));
      const int hi = std::min(f.right, f.XPixel(p.x + p.sigmaX));
      canvas.Line(lo, py, hi, py, c.pointEdge, 1);
      canvas.Line(lo, py - r, lo, py + r, c.pointEdge, 1);
      canvas.Line(hi, py - r, hi, py + r, c.pointEdge, 1);
    }
    canvas.FilledCircle(px - r, py - r, px + r, py + r, c.pointFill, c.pointEdge, 1);
  }
}

// The curve as joined segments, each drawn only where both ends are inside
// the frame.
void DrawCurve(const std::vector<SeriesPlotCurvePoint>& curve, const PlotFrame& f, MapCanvas& canvas,
               const PlotColours& c) {
  for (size_t i = 1; i < curve.size(); ++i) {
    const SeriesPlotCurvePoint &a = curve[i - 1], &b = curve[i];
    if (!Finite(a.y) || !Finite(b.y)) continue;
    const int x0 = f.XPixel(a.x), y0 = f.YPixel(a.y), x1 = f.XPixel(b.x), y1 = f.YPixel(b.y);
    if (f.Inside(x0, y0) && f.Inside(x1, y1)) canvas.Line(x0, y0, x1, y1, c.curve, 2);
  }
}

// The lines of text in a framed box in the upper corner with fewer points.
void DrawTextBox(const SeriesPlot& plot, const PlotFrame& f, MapCanvas& canvas, const MapFont& font,
                 const PlotColours& c) {
  if (plot.box.empty()) return;
  int wide = 0;
  for (const std::string& line : plot.box) wide = std::max(wide, canvas.TextWidth(line));
  const int w = wide + 2 * font.width, h = static_cast<int>(plot.box.size()) * font.height + font.height / 2;
  int leftCount = 0, rightCount = 0;
  for (const SeriesPlotPoint& p : plot.points) {
    if (f.YPixel(p.y) > f.top + h + font.height) continue;
    (f.XPixel(p.x) < (f.left + f.right) / 2 ? leftCount : rightCount) += 1;
  }
  const int x = rightCount <= leftCount ? f.right - w - font.width : f.left + font.width;
  const int y = f.top + font.width;
  canvas.FillRect(x, y, x + w, y + h, c.back);
  canvas.Line(x, y, x + w, y, c.axis, 1);
  canvas.Line(x + w, y, x + w, y + h, c.axis, 1);
  canvas.Line(x + w, y + h, x, y + h, c.axis, 1);
  canvas.Line(x, y + h, x, y, c.axis, 1);
  for (size_t i = 0; i < plot.box.size(); ++i)
    canvas.Text(x + font.width, y + font.height / 4 + static_cast<int>(i) * font.height, plot.box[i], c.text);
}

// The residual strip: the residuals with their bars about a zero line, on
// the main plot's x axis.
void DrawResiduals(const SeriesPlot& plot, PlotFrame strip, MapCanvas& canvas, const MapFont& font,
                   const PlotColours& c) {
  Range r;
  for (const SeriesPlotPoint& p : plot.residuals) r.Take(p.y, Bar(p.sigma));
  const double half = std::max(std::fabs(r.lo), std::fabs(r.hi));
  strip.y = PlotAxis::Covering(-half, half);
  DrawFrame(strip, canvas, c);
  DrawTicks(strip, canvas, font, c, true);
  canvas.DottedLine(strip.left, strip.YPixel(0.0), strip.right, strip.YPixel(0.0), c.axis, 1);
  DrawPoints(plot.residuals, strip, canvas, c);
  const std::string title = "obs − fit";
  canvas.TextUp(font.width / 2, (strip.top + strip.bottom + canvas.TextWidth(title)) / 2, title, c.text);
}

// The frame of the main plot (and of the residual strip below it, when
// there are residuals) inside the client area.
bool LayOut(const SeriesPlot& plot, MapCanvas& canvas, const MapFont& font, int width, int height, PlotFrame& main,
            PlotFrame& strip) {
  Range x, y;
  for (const SeriesPlotPoint& p : plot.points) x.Take(p.x, Bar(p.sigmaX)), y.Take(p.y, Bar(p.sigma));
  main.x = PlotAxis::Covering(x.lo, x.hi);
  main.y = PlotAxis::Covering(y.lo, y.hi);
  int labels = 0;
  for (double v : main.y.Ticks()) labels = std::max(labels, canvas.TextWidth(TickLabel(main.y, v)));
  main.left = std::max(labels, 6 * font.width) + 2 * font.width + 2 * font.height;
  main.right = width - 3 * font.width;
  main.top = 2 * font.height;
  main.bottom = height - 3 * font.height;
  if (!plot.residuals.empty()) {
    strip = main;
    main.bottom = main.top + (main.bottom - main.top) * 3 / 4 - font.height / 2;
    strip.top = main.bottom + font.height / 2;
  }
  return main.right - main.left >= 20 && main.bottom - main.top >= 20;
}

}  // namespace

std::string UnitOfXName(const std::string& xName) {
  static const char* const known[] = {"K", "C", "degC", "GPa", "MPa", "kPa", "Pa", "kbar", "bar", "s", "min", "h",
                                      "d"};
  const size_t underscore = xName.find_last_of('_');
  if (underscore == std::string::npos || underscore == 0) return std::string();
  const std::string tail = xName.substr(underscore + 1);
  for (const char* unit : known)
    if (tail == unit) return tail == "degC" || tail == "C" ? "°C" : tail;
  return std::string();
}

SeriesPlot MakeSeriesPlot(const std::vector<SeriesRow>& rows, int quantity, const std::string& xName) {
  SeriesPlot plot;
  bool everyX = !xName.empty();
  for (const SeriesRow& row : rows) everyX = everyX && (!row.refined || row.hasX);
  plot.xTitle = everyX ? WithUnit(xName, UnitOfXName(xName)) : "job";
  plot.yTitle = WithUnit(SeriesQuantityName(quantity), QuantityUnit(quantity));
  plot.title = std::string(SeriesQuantityName(quantity)) + " against " + (everyX ? xName : "job");
  if (quantity < 0 || quantity >= kSeriesQuantities) return plot;
  for (size_t i = 0; i < rows.size(); ++i) {
    const SeriesRow& row = rows[i];
    const double x = everyX ? row.x : static_cast<double>(i + 1);
    if (!row.refined || !std::isfinite(row.value[quantity]) || !std::isfinite(x)) continue;
    plot.points.push_back({x, row.value[quantity], row.sigma[quantity], everyX ? row.sigmaX : 0.0});
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
  // A little room, so that no point sits on the box; the box ends there
  // and not at the next whole step, which could lie far from the data.
  const double margin = (hi - lo) * 0.04;
  axis.lo = lo - margin;
  axis.hi = hi + margin;
  // The largest step of 1, 2 or 5 times a power of ten that leaves at
  // least four ticks inside.
  const double raw = (axis.hi - axis.lo) / 4.0;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double m = raw / power;
  axis.step = (m < 2.0 ? 1.0 : m < 5.0 ? 2.0 : 5.0) * power;
  axis.decimals = std::clamp(static_cast<int>(-std::floor(std::log10(axis.step) + 1e-9)), 0, 12);
  return axis;
}

std::vector<double> PlotAxis::Ticks() const {
  std::vector<double> ticks;
  const double first = std::ceil(lo / step - 1e-9);
  for (int k = 0; k <= 100; ++k) {
    const double v = (first + k) * step;
    if (v > hi + step * 1e-9) break;
    ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
  }
  return ticks;
}

std::string TickLabel(const PlotAxis& axis, double value) {
  return WithTrueMinus(Format("%.*f", axis.decimals, value));
}

void DrawSeriesPlot(const SeriesPlot& plot, MapCanvas& canvas, int width, int height) {
  const PlotColours c = LightPlotColours();
  canvas.FillRect(0, 0, width, height, c.back);
  MapFont font;
  font.height = 14;
  font.width = 7;
  canvas.SetFont(font);
  PlotFrame main, strip;
  if (!LayOut(plot, canvas, font, width, height, main, strip)) return;
  DrawFrame(main, canvas, c);
  DrawTicks(main, canvas, font, c, plot.residuals.empty());
  const PlotFrame& lowest = plot.residuals.empty() ? main : strip;
  canvas.Text((main.left + main.right - canvas.TextWidth(plot.title)) / 2, font.height / 2, plot.title, c.text);
  canvas.Text((lowest.left + lowest.right - canvas.TextWidth(plot.xTitle)) / 2, lowest.bottom + 3 * font.height / 2,
              plot.xTitle, c.text);
  canvas.TextUp(font.width / 2, (main.top + main.bottom + canvas.TextWidth(plot.yTitle)) / 2, plot.yTitle, c.text);
  DrawCurve(plot.curve, main, canvas, c);
  DrawPoints(plot.points, main, canvas, c);
  DrawTextBox(plot, main, canvas, font, c);
  if (!plot.note.empty())
    canvas.Text((main.left + main.right - canvas.TextWidth(plot.note)) / 2, main.top + font.height, plot.note, c.text);
  if (!plot.residuals.empty()) DrawResiduals(plot, strip, canvas, font, c);
}

}  // namespace lattrix
