#include "displays/QtMapCanvas.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

QColor ColourOf(const lattrix::MapRgb& c) { return QColor(c.r, c.g, c.b); }

// A font of the given pixel em size; fractional sizes go through points.
QFont SizedFont(const lattrix::MapFont& font, double emPixels, int dpiY) {
  QFont qfont(QString::fromStdString(font.face));
  qfont.setStyleHint(QFont::Serif);
  qfont.setItalic(font.italic);
  qfont.setWeight(font.bold ? QFont::Bold : QFont::Normal);
  qfont.setPointSizeF(emPixels * 72.0 / dpiY);
  qfont.setHintingPreference(QFont::PreferNoHinting);
  return qfont;
}

}  // namespace

QtMapCanvas::QtMapCanvas(QPainter& painter) : m_painter(painter) {
  m_painter.save();
  SetFont(lattrix::MapFont());
}

QtMapCanvas::~QtMapCanvas() { m_painter.restore(); }

// The map asks for a font by its character cell height (ascent plus
// descent) and average character width in pixels, as a Windows font mapper
// does; Qt sizes fonts by the em. The em comes from the face's cell per em,
// the horizontal stretch from its average character width at that em.
QFont QtMapCanvas::MakeFont(const lattrix::MapFont& font, const QPaintDevice* device) {
  const int dpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
  const double kProbeEm = 1000.0;
  const QFontMetricsF probe(SizedFont(font, kProbeEm, dpi), device);
  double cellPerEm = (probe.ascent() + probe.descent()) / kProbeEm;
  if (!(cellPerEm > 0.0)) cellPerEm = 1.0;
  const double em = std::max(font.height, 1) / cellPerEm;
  QFont qfont = SizedFont(font, em, dpi);
  const double average = QFontMetricsF(qfont, device).averageCharWidth();
  if (font.width > 0 && average > 0.0) {
    const int stretch = static_cast<int>(std::lround(100.0 * font.width / average));
    qfont.setStretch(std::clamp(stretch, 1, 4000));
  }
  return qfont;
}

void QtMapCanvas::FillRect(int left, int top, int right, int bottom, const lattrix::MapRgb& colour) {
  if (right <= left || bottom <= top) return;
  m_painter.fillRect(QRect(left, top, right - left, bottom - top), ColourOf(colour));
}

void QtMapCanvas::Line(int x0, int y0, int x1, int y1, const lattrix::MapRgb& colour, int width) {
  width = std::max(width, 1);
  if (SolidAxisLine(x0, y0, x1, y1, colour, width)) return;
  m_painter.save();
  m_painter.setRenderHint(QPainter::Antialiasing, false);
  QPen pen(ColourOf(colour), width, Qt::SolidLine, Qt::SquareCap);
  m_painter.setPen(pen);
  m_painter.drawLine(QPointF(x0 + 0.5, y0 + 0.5), QPointF(x1 + 0.5, y1 + 0.5));
  m_painter.restore();
}

void QtMapCanvas::DottedLine(int x0, int y0, int x1, int y1, const lattrix::MapRgb& colour,
                             int width) {
  width = std::max(width, 1);
  if (DottedAxisLine(x0, y0, x1, y1, colour, width)) return;
  m_painter.save();
  m_painter.setRenderHint(QPainter::Antialiasing, false);
  QPen pen(ColourOf(colour), width, Qt::CustomDashLine, Qt::FlatCap);
  pen.setDashPattern({3.0 / width, 3.0 / width});
  m_painter.setPen(pen);
  m_painter.drawLine(QPointF(x0 + 0.5, y0 + 0.5), QPointF(x1 + 0.5, y1 + 0.5));
  m_painter.restore();
}

void QtMapCanvas::FilledCircle(int left, int top, int right, int bottom, const lattrix::MapRgb& fill,
                               const lattrix::MapRgb& edge, int edgeWidth) {
  const double radius = (right - left) / 2.0;
  if (radius <= 0.0) return;
  // Centred on the middle pixel of the box, through that pixel's centre.
  const QPointF centre((left + right) / 2 + 0.5, (top + bottom) / 2 + 0.5);
  m_painter.save();
  m_painter.setRenderHint(QPainter::Antialiasing, true);
  m_painter.setPen(QPen(ColourOf(edge), std::max(edgeWidth, 1)));
  m_painter.setBrush(ColourOf(fill));
  m_painter.drawEllipse(centre, radius, radius);
  m_painter.restore();
}

void QtMapCanvas::SetFont(const lattrix::MapFont& font) {
  m_font = MakeFont(font, m_painter.device());
  m_painter.setFont(m_font);
  m_ascent = QFontMetricsF(m_font, m_painter.device()).ascent();
}

void QtMapCanvas::DrawTextAtOrigin(const std::string& text, const lattrix::MapRgb& colour) {
  m_painter.setRenderHint(QPainter::TextAntialiasing, true);
  m_painter.setPen(ColourOf(colour));
  m_painter.drawText(QPointF(0.0, m_ascent), QString::fromStdString(text));
}

void QtMapCanvas::Text(int x, int y, const std::string& text, const lattrix::MapRgb& colour) {
  if (text.empty()) return;
  m_painter.save();
  m_painter.translate(x, y);
  DrawTextAtOrigin(text, colour);
  m_painter.restore();
}

void QtMapCanvas::TextUp(int x, int y, const std::string& text, const lattrix::MapRgb& colour) {
  if (text.empty()) return;
  m_painter.save();
  m_painter.translate(x, y);
  m_painter.rotate(-90.0);  // counter-clockwise on a y-down surface: reads upward
  DrawTextAtOrigin(text, colour);
  m_painter.restore();
}

int QtMapCanvas::TextWidth(const std::string& text) {
  if (text.empty()) return 0;
  return static_cast<int>(
      std::lround(QFontMetricsF(m_font, m_painter.device()).horizontalAdvance(QString::fromStdString(text))));
}

CMapCanvasArea::CMapCanvasArea(const char* name, Drawing draw, QWidget* parent)
    : QWidget(parent), m_draw(std::move(draw)) {
  setObjectName(QString::fromLatin1(name));
}

void CMapCanvasArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QtMapCanvas canvas(painter);
  m_draw(canvas);
}
