#include "CairoCanvas.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>

namespace lattrix {

namespace {

// Times New Roman's own proportions (its metric twin Liberation Serif has
// the same), for a face whose tables cannot be read: cell height
// (Windows ascent + descent) and average character width per em.
constexpr double kFallbackAscentEm = 1825.0 / 2048.0;
constexpr double kFallbackCellEm = (1825.0 + 443.0) / 2048.0;
constexpr double kFallbackAverageWidthEm = 821.0 / 2048.0;

struct FaceMetrics {
  double ascentEm = kFallbackAscentEm;
  double cellEm = kFallbackCellEm;
  double averageWidthEm = kFallbackAverageWidthEm;
};

// The metrics a Windows font mapper sizes a font by: the cell height is the
// OS/2 Windows ascent plus descent, the average width the OS/2 average
// character width.
FaceMetrics MetricsOf(cairo_font_face_t* face, cairo_font_options_t* options) {
  FaceMetrics metrics;
  cairo_matrix_t size, identity;
  cairo_matrix_init_scale(&size, 100.0, 100.0);
  cairo_matrix_init_identity(&identity);
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &size, &identity, options);
  if (cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS &&
      cairo_scaled_font_get_type(scaled) == CAIRO_FONT_TYPE_FT) {
    FT_Face ft = cairo_ft_scaled_font_lock_face(scaled);
    if (ft != nullptr && ft->units_per_EM > 0) {
      const double em = ft->units_per_EM;
      auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
      if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0 && os2->xAvgCharWidth > 0) {
        metrics.ascentEm = os2->usWinAscent / em;
        metrics.cellEm = (os2->usWinAscent + os2->usWinDescent) / em;
        metrics.averageWidthEm = os2->xAvgCharWidth / em;
      } else if (ft->ascender - ft->descender > 0) {
        metrics.ascentEm = ft->ascender / em;
        metrics.cellEm = (ft->ascender - ft->descender) / em;
      }
    }
    if (ft != nullptr) cairo_ft_scaled_font_unlock_face(scaled);
  }
  cairo_scaled_font_destroy(scaled);
  return metrics;
}

void SetColour(cairo_t* cr, const MapRgb& c) {
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

}  // namespace

CairoCanvas::CairoCanvas(cairo_t* cr) : cr_(cr) {
  // Unhinted metrics: the same text widths on every surface type.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
  SetFont(MapFont());
}

CairoCanvas::~CairoCanvas() {
  if (face_ != nullptr) cairo_font_face_destroy(face_);
}

void CairoCanvas::FillRect(int left, int top, int right, int bottom, const MapRgb& colour) {
  if (right <= left || bottom <= top) return;
  SetColour(cr_, colour);
  cairo_rectangle(cr_, left, top, right - left, bottom - top);
  cairo_fill(cr_);
}

void CairoCanvas::StrokeLine(int x0, int y0, int x1, int y1, const MapRgb& colour, int width) {
  SetColour(cr_, colour);
  cairo_set_line_width(cr_, width);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_SQUARE);
  // Through the pixel centres, so that a line of width 1 covers whole pixels.
  cairo_move_to(cr_, x0 + 0.5, y0 + 0.5);
  cairo_line_to(cr_, x1 + 0.5, y1 + 0.5);
  cairo_stroke(cr_);
}

void CairoCanvas::Line(int x0, int y0, int x1, int y1, const MapRgb& colour, int width) {
  width = std::max(width, 1);
  if (SolidAxisLine(x0, y0, x1, y1, colour, width)) return;
  StrokeLine(x0, y0, x1, y1, colour, width);
}

void CairoCanvas::DottedLine(int x0, int y0, int x1, int y1, const MapRgb& colour, int width) {
  width = std::max(width, 1);
  if (DottedAxisLine(x0, y0, x1, y1, colour, width)) return;
  const double dashes[] = {3.0, 3.0};
  cairo_set_dash(cr_, dashes, 2, 0.0);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  SetColour(cr_, colour);
  cairo_set_line_width(cr_, width);
  cairo_move_to(cr_, x0 + 0.5, y0 + 0.5);
  cairo_line_to(cr_, x1 + 0.5, y1 + 0.5);
  cairo_stroke(cr_);
  cairo_set_dash(cr_, nullptr, 0, 0.0);
}

void CairoCanvas::FilledCircle(int left, int top, int right, int bottom, const MapRgb& fill,
                               const MapRgb& edge, int edgeWidth) {
  const double cx = (left + right) / 2 + 0.5;
  const double cy = (top + bottom) / 2 + 0.5;
  const double radius = (right - left) / 2.0;
  if (radius <= 0.0) return;
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, cx, cy, radius, 0.0, 2.0 * M_PI);
  SetColour(cr_, fill);
  cairo_fill_preserve(cr_);
  SetColour(cr_, edge);
  cairo_set_line_width(cr_, std::max(edgeWidth, 1));
  cairo_stroke(cr_);
}

void CairoCanvas::SetFont(const MapFont& font) {
  if (face_ != nullptr) cairo_font_face_destroy(face_);
  // "Times New Roman" is matched by fontconfig (Liberation Serif on Debian).
  face_ = cairo_toy_font_face_create(font.face.c_str(),
                                     font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                     font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_get_font_options(cr_, options);
  const FaceMetrics metrics = MetricsOf(face_, options);
  cairo_font_options_destroy(options);

  const int height = std::max(font.height, 1);
  yScale_ = height / metrics.cellEm;
  xScale_ = font.width > 0 ? font.width / metrics.averageWidthEm : yScale_;
  ascent_ = metrics.ascentEm * yScale_;

  cairo_set_font_face(cr_, face_);
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, xScale_, yScale_);
  cairo_set_font_matrix(cr_, &matrix);
}

void CairoCanvas::ShowTextAtOrigin(const std::string& text, const MapRgb& colour) {
  SetColour(cr_, colour);
  cairo_move_to(cr_, 0.0, ascent_);
  cairo_show_text(cr_, text.c_str());
  cairo_new_path(cr_);
}

void CairoCanvas::Text(int x, int y, const std::string& text, const MapRgb& colour) {
  if (text.empty()) return;
  cairo_save(cr_);
  cairo_translate(cr_, x, y);
  ShowTextAtOrigin(text, colour);
  cairo_restore(cr_);
}

void CairoCanvas::TextUp(int x, int y, const std::string& text, const MapRgb& colour) {
  if (text.empty()) return;
  cairo_save(cr_);
  cairo_translate(cr_, x, y);
  cairo_rotate(cr_, -M_PI / 2.0);  // counter-clockwise on a y-down surface
  ShowTextAtOrigin(text, colour);
  cairo_restore(cr_);
}

int CairoCanvas::TextWidth(const std::string& text) {
  if (text.empty()) return 0;
  cairo_text_extents_t extents;
  cairo_text_extents(cr_, text.c_str(), &extents);
  return static_cast<int>(std::lround(extents.x_advance));
}

}  // namespace lattrix
