// The fitting map's drawing calls on a QPainter: the map widget of the
// fitting map window paints through this canvas.
#pragma once

#include <QFont>
#include <QWidget>

#include <functional>

#include "fittingmap/MapCanvas.h"

class QPaintDevice;
class QPainter;

class QtMapCanvas : public lattrix::MapCanvas {
 public:
  // Draws with `painter`, whose origin is the map anchor. The painter's
  // state is restored when the canvas goes.
  explicit QtMapCanvas(QPainter& painter);
  ~QtMapCanvas() override;

  void FillRect(int left, int top, int right, int bottom, const lattrix::MapRgb& colour) override;
  void Line(int x0, int y0, int x1, int y1, const lattrix::MapRgb& colour, int width) override;
  void DottedLine(int x0, int y0, int x1, int y1, const lattrix::MapRgb& colour, int width) override;
  void FilledCircle(int left, int top, int right, int bottom, const lattrix::MapRgb& fill,
                    const lattrix::MapRgb& edge, int edgeWidth) override;
  void SetFont(const lattrix::MapFont& font) override;
  void Text(int x, int y, const std::string& text, const lattrix::MapRgb& colour) override;
  void TextUp(int x, int y, const std::string& text, const lattrix::MapRgb& colour) override;
  int TextWidth(const std::string& text) override;

  // The Qt font that SetFont chose: its character cell is font.height
  // pixels high and its average character is font.width pixels wide.
  const QFont& CurrentFont() const { return m_font; }
  static QFont MakeFont(const lattrix::MapFont& font, const QPaintDevice* device);

 private:
  void DrawTextAtOrigin(const std::string& text, const lattrix::MapRgb& colour);

  QPainter& m_painter;
  QFont m_font;
  double m_ascent = 0.0;
};

// A widget painted by a drawing on the map canvas (the fitting map, a
// series plot), its origin at the widget's top-left corner.
class CMapCanvasArea : public QWidget {
  Q_OBJECT

 public:
  using Drawing = std::function<void(lattrix::MapCanvas&)>;
  CMapCanvasArea(const char* name, Drawing draw, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Drawing m_draw;
};
