// The few drawing calls the fitting map needs, so that one drawing routine
// serves the dialog (painted with Qt) and the batch command's image files
// (painted with cairo), and the two pictures cannot drift apart.
//
// Coordinates are integer pixels, x to the right, y downward, with the
// origin at the top-left corner of the map area. Text is drawn with a
// transparent background.
#pragma once

#include <string>

#include "fittingmap/FittingMap.h"

namespace lattrix {

// A font as the map asks for it: `height` is the character cell height in
// pixels (ascent plus descent), `width` the average character width in
// pixels (the font's own average width scaled to it, stretching the glyphs
// horizontally; 0 keeps the natural proportions).
struct MapFont {
  std::string face = "Times New Roman";
  int height = 16;
  int width = 8;
  bool italic = false;
  bool bold = false;
};

class MapCanvas {
 public:
  virtual ~MapCanvas() = default;

  // Fills the pixels left <= x < right, top <= y < bottom.
  virtual void FillRect(int left, int top, int right, int bottom, const MapRgb& colour) = 0;

  // A solid line of the given width from (x0, y0) to (x1, y1), both ends
  // included.
  virtual void Line(int x0, int y0, int x1, int y1, const MapRgb& colour, int width) = 0;

  // A dotted line: runs of 3 pixels on, 3 off, from (x0, y0).
  virtual void DottedLine(int x0, int y0, int x1, int y1, const MapRgb& colour, int width) = 0;

  // A disc of diameter right - left centred on the pixel (left + right) / 2,
  // (top + bottom) / 2, filled with `fill` and outlined with a pen of
  // `edgeWidth` in `edge` centred on its rim.
  virtual void FilledCircle(int left, int top, int right, int bottom, const MapRgb& fill,
                            const MapRgb& edge, int edgeWidth) = 0;

  // Font for the following text calls.
  virtual void SetFont(const MapFont& font) = 0;

  // Text with the top-left corner of its first character cell at (x, y).
  virtual void Text(int x, int y, const std::string& text, const MapRgb& colour) = 0;

  // Text laid out as Text(x, y, ...) would lay it out, then turned 90
  // degrees counter-clockwise about (x, y): it reads upward from (x, y), and
  // its cells lie to the right of x.
  virtual void TextUp(int x, int y, const std::string& text, const MapRgb& colour) = 0;

  // Advance width of the text in the current font, in pixels.
  virtual int TextWidth(const std::string& text) = 0;

 protected:
  // A horizontal or vertical solid line as the filled run of pixels it
  // covers, both ends included (crisp on every surface); false (nothing
  // drawn) for a slanted line.
  bool SolidAxisLine(int x0, int y0, int x1, int y1, const MapRgb& colour, int width);

  // A horizontal or vertical dotted line as runs of solid Line calls, the
  // same pixels on every surface; false (nothing drawn) for a slanted line.
  bool DottedAxisLine(int x0, int y0, int x1, int y1, const MapRgb& colour, int width);
};

}  // namespace lattrix
