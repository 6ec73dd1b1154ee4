// A MapCanvas that paints with cairo (image, SVG or PDF surfaces).
#pragma once

#include <cairo.h>

#include <string>

#include "fittingmap/MapCanvas.h"

namespace lattrix {

class CairoCanvas : public MapCanvas {
 public:
  // Paints on `cr`; the caller keeps ownership of the context.
  explicit CairoCanvas(cairo_t* cr);
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  void FillRect(int left, int top, int right, int bottom, const MapRgb& colour) override;
  void Line(int x0, int y0, int x1, int y1, const MapRgb& colour, int width) override;
  void DottedLine(int x0, int y0, int x1, int y1, const MapRgb& colour, int width) override;
  void FilledCircle(int left, int top, int right, int bottom, const MapRgb& fill,
                    const MapRgb& edge, int edgeWidth) override;
  void SetFont(const MapFont& font) override;
  void Text(int x, int y, const std::string& text, const MapRgb& colour) override;
  void TextUp(int x, int y, const std::string& text, const MapRgb& colour) override;
  int TextWidth(const std::string& text) override;

 private:
  void StrokeLine(int x0, int y0, int x1, int y1, const MapRgb& colour, int width);
  void ShowTextAtOrigin(const std::string& text, const MapRgb& colour);

  cairo_t* cr_;
  cairo_font_face_t* face_ = nullptr;
  double xScale_ = 16.0;  // font matrix
  double yScale_ = 16.0;
  double ascent_ = 13.0;  // pixels from a cell's top to the baseline
};

}  // namespace lattrix
