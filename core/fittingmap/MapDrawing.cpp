#include "fittingmap/MapDrawing.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace lattrix {

bool MapCanvas::SolidAxisLine(int x0, int y0, int x1, int y1, const MapRgb& colour, int width) {
  if (x0 != x1 && y0 != y1) return false;
  width = std::max(width, 1);
  const int off = (width - 1) / 2;
  const int l = std::min(x0, x1) - (y0 == y1 ? 0 : off);
  const int r = std::max(x0, x1) + 1 + (y0 == y1 ? 0 : width - 1 - off);
  const int t = std::min(y0, y1) - (y0 == y1 ? off : 0);
  const int b = std::max(y0, y1) + 1 + (y0 == y1 ? width - 1 - off : 0);
  FillRect(l, t, r, b, colour);
  return true;
}

bool MapCanvas::DottedAxisLine(int x0, int y0, int x1, int y1, const MapRgb& colour, int width) {
  if (x0 != x1 && y0 != y1) return false;
  // Runs of three pixels on, three off, from the first end.
  const bool horizontal = (y0 == y1);
  const int from = horizontal ? x0 : y0;
  const int to = horizontal ? x1 : y1;
  const int dir = (to >= from) ? 1 : -1;
  const int length = std::abs(to - from) + 1;
  for (int i = 0; i < length; i += 6) {
    const int a = from + dir * i;
    const int b = from + dir * std::min(i + 2, length - 1);
    if (horizontal)
      Line(a, y0, b, y0, colour, width);
    else
      Line(x0, a, x0, b, colour, width);
  }
  return true;
}

namespace {

// L + trunc(offset), where offset is a pixel offset from the box edge; NaN
// and offsets beyond the int range land far outside any box.
int PixelFrom(int edge, float offset) {
  if (std::isnan(offset)) return INT_MIN;
  const double p = static_cast<double>(edge) + std::trunc(static_cast<double>(offset));
  if (p >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (p <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(p);
}

// Pixels per data unit over a span; 0 when the span maps to no finite
// scale (no positive width, or so narrow that the scale overflows).
float ScaleOver(int pixels, float lo, float hi) {
  const float span = hi - lo;
  if (!std::isfinite(span) || !(span > 0.0f)) return 0.0f;
  const float scale = static_cast<float>(pixels) / span;
  return (std::isfinite(scale) && scale != 0.0f) ? scale : 0.0f;
}

// The box's corners, the tick lengths, the y title's base and the pixel
// scales, from the box.
void PlaceBox(FittingMap& map, int left, int top, int right, int bottom) {
  map.m_ptLowerLeft = {left, bottom};
  map.m_ptUpperRight = {right, top};
  map.m_rcPlot = {left, top, right, bottom};
  map.m_nTickLenX = static_cast<int>((right - left) / 60.0);
  map.m_nTickLenY = static_cast<int>((top - bottom) / 40.0);
  map.m_nYTitleBase = (bottom - top) + map.m_nTickLenY / 2;
  // The y scale is negative: larger residuals lie higher.
  map.m_fXScale = ScaleOver(right - left, map.m_fPlotXMin, map.m_fPlotXMax);
  map.m_fYScale = -ScaleOver(bottom - top, map.m_fPlotYMin, map.m_fPlotYMax);
  if (map.m_fYScale == 0.0f) map.m_fYScale = 0.0f;  // no negative zero
}

}  // namespace

void ComputeMapGeometry(FittingMap& map, int clientWidth, int clientHeight) {
  const int w = clientWidth - map.m_szMargin.cx;
  const int h = clientHeight - map.m_szMargin.cy;
  const int left = w / 6;
  const int right = 15 * w / 16;
  const int top = h / 16;
  const int bottom = 11 * h / 16;  // the x axis
  map.m_ptTitle = {5 * w / 16, 5};
  PlaceBox(map, left, top, right, bottom);
}

void ComputeImageGeometry(FittingMap& map, MapCanvas& canvas, int width, int height) {
  const MapFont font = MapTextFont(map);
  canvas.SetFont(font);
  const int fh = font.height;
  const int fw = font.width;
  const int pad = kMapImageMargin;
  // The widest y label ends one character width left of the box, the y
  // title's cells stand half a character width left of it. The x labels
  // start two character widths left of their ticks: the first one must
  // stay in the image, the last one may reach past the box's right edge.
  int yLabels = 0;
  if (map.HasYScale()) {
    for (const MapTick& tick : map.YTicks()) yLabels = std::max(yLabels, canvas.TextWidth(tick.label));
  }
  int overhang = 0;
  if (map.HasXScale()) {
    for (const MapTick& tick : map.XTicks()) overhang = std::max(overhang, canvas.TextWidth(tick.label) - 2 * fw);
  }
  const int left = std::max(pad + fh + fw / 2 + yLabels + fw, pad + 2 * fw);
  const int right = std::max(left, width - 1 - pad - overhang);
  // Above the box the plot title's cell and half a cell for the top y
  // label; below it the x labels from half a cell down and the x title's
  // cell two cells down.
  const int top = pad + fh + fh / 2 + fw / 2;
  const int bottom = std::max(top, height - pad - 3 * fh);
  map.m_ptTitle = {std::max(pad, (left + right) / 2 - canvas.TextWidth(map.m_strPlotTitle) / 2), pad};
  PlaceBox(map, left, top, right, bottom);
}

int MapXPixel(const FittingMap& map, float x) {
  return PixelFrom(map.m_ptLowerLeft.x, (x - map.m_fPlotXMin) * map.m_fXScale);
}

int MapYPixel(const FittingMap& map, float y) {
  return PixelFrom(map.m_ptLowerLeft.y, (y - map.m_fPlotYMin) * map.m_fYScale);
}

MapFont MapTextFont(const FittingMap& map) {
  MapFont font;
  font.face = map.m_strFontFace;
  font.height = map.m_nFontHeight;
  font.width = map.m_nFontHeight / 2;
  font.italic = map.m_bItalic != 0;
  font.bold = map.m_bBold != 0;
  return font;
}

void DrawMapFrame(FittingMap& map, MapCanvas& canvas, int clientWidth, int clientHeight,
                  MapLayout layout) {
  const bool image = layout == MapLayout::kImage;
  if (image) {
    ComputeImageGeometry(map, canvas, clientWidth, clientHeight);
  } else {
    ComputeMapGeometry(map, clientWidth, clientHeight);
  }
  const int left = map.m_ptLowerLeft.x;
  const int bottom = map.m_ptLowerLeft.y;
  const int right = map.m_ptUpperRight.x;
  const int top = map.m_ptUpperRight.y;

  if (image) {
    canvas.FillRect(0, 0, clientWidth, clientHeight, map.m_crBack);
  } else {
    canvas.FillRect(0, 0, clientWidth - map.m_szMargin.cx, clientHeight - map.m_szMargin.cy,
                    map.m_crBack);
  }

  canvas.Line(left, bottom, right, bottom, map.m_crAxis, 1);
  canvas.Line(right, bottom, right, top, map.m_crAxis, 1);
  canvas.Line(right, top, left, top, map.m_crAxis, 1);
  canvas.Line(left, top, left, bottom, map.m_crAxis, 1);

  const MapFont font = MapTextFont(map);
  canvas.SetFont(font);
  const int fh = font.height;
  const int fw = font.width;

  // x ticks point up into the box; labels hang below the axis.
  if (map.m_fXScale != 0.0f) {
    for (const MapTick& tick : map.XTicks()) {
      const int px = MapXPixel(map, tick.value);
      if (tick.mark) canvas.Line(px, bottom, px, bottom + map.m_nTickLenY, map.m_crAxis, 1);
      canvas.Text(px - 2 * fw, bottom + fh / 2, tick.label, map.m_crText);
    }
  }

  canvas.Text(map.m_ptTitle.x, map.m_ptTitle.y, map.m_strPlotTitle, map.m_crText);

  // y ticks point right into the box; each label ends one character width
  // left of the axis. The last label's left edge places the y title.
  int labelLeft = left;
  if (map.m_fYScale != 0.0f) {
    for (const MapTick& tick : map.YTicks()) {
      const int py = MapYPixel(map, tick.value);
      canvas.Line(left, py, left + map.m_nTickLenX, py, map.m_crAxis, 1);
      const int cx = canvas.TextWidth(tick.label);
      canvas.Text(left - fw - cx, py - fh / 2, tick.label, map.m_crText);
      labelLeft = left - fw - cx;
    }
  }

  const int n = static_cast<int>(map.m_strXTitle.size());
  const int xTitleLeft = image ? (left + right) / 2 - canvas.TextWidth(map.m_strXTitle) / 2
                               : left + (right - left) / 2 - n - 5 * fw;
  canvas.Text(xTitleLeft, bottom + 2 * fh, map.m_strXTitle, map.m_crText);

  // The y title reads upward; a power of ten in it is set smaller, its
  // cell's top on the title's cell top, which raises it.
  const FittingMap::TitleRuns runs = map.YTitleRuns();
  MapFont small = font;
  small.height = 2 * fh / 3;
  small.width = small.height / 2;
  int length = canvas.TextWidth(runs.lead) + canvas.TextWidth(runs.tail);
  if (!runs.power.empty()) {
    canvas.SetFont(small);
    length += canvas.TextWidth(runs.power);
    canvas.SetFont(font);
  }
  const int m = static_cast<int>(runs.lead.size());
  const int x = image ? kMapImageMargin : labelLeft - 3 * fw;
  int y = image ? (top + bottom) / 2 + length / 2 : top + (map.m_nYTitleBase - top) / 2 + 2 * m + 7 * fw;
  canvas.TextUp(x, y, runs.lead, map.m_crText);
  if (!runs.power.empty()) {
    y -= canvas.TextWidth(runs.lead);
    canvas.SetFont(small);
    canvas.TextUp(x, y, runs.power, map.m_crText);
    y -= canvas.TextWidth(runs.power);
    canvas.SetFont(font);
    canvas.TextUp(x, y, runs.tail, map.m_crText);
  }
}

void DrawMapPoints(const FittingMap& map, MapCanvas& canvas) {
  const int left = map.m_ptLowerLeft.x;
  const int bottom = map.m_ptLowerLeft.y;
  const int right = map.m_ptUpperRight.x;
  const int top = map.m_ptUpperRight.y;
  if (map.m_fYScale == 0.0f) return;

  const int y0 = MapYPixel(map, 0.0f);
  if (top <= y0 && y0 <= bottom) {
    canvas.DottedLine(left, y0, right, y0, map.m_crAxis, map.m_nPenWidth - 1);
  }

  if (map.m_fXScale == 0.0f) return;
  const int r = map.m_nPointRadius;
  const int count = map.m_nPoints;
  for (int i = 0; i < count; ++i) {
    const int px = MapXPixel(map, map.m_ptData[i].x);
    const int py = MapYPixel(map, map.m_ptData[i].y);
    // Points outside the box are left out, not clipped.
    if (left <= px && px <= right && top <= py && py <= bottom) {
      canvas.FilledCircle(px - r, py - r, px + r, py + r, map.m_crPointFill, map.m_crPointEdge,
                          map.m_nPenWidth);
    }
  }
}

void DrawMap(FittingMap& map, MapCanvas& canvas, int clientWidth, int clientHeight,
             MapLayout layout) {
  DrawMapFrame(map, canvas, clientWidth, clientHeight, layout);
  DrawMapPoints(map, canvas);
}

}  // namespace lattrix
