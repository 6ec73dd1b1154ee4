#include "displays/FittingMapDlg.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "fittingmap/MapDrawing.h"
#include "ui/FileDialogs.h"
#include "ui/QtText.h"
#include "ui/ScreenFit.h"
#include "displays/QtMapCanvas.h"
#ifdef LATTRIX_HAVE_PLOT
#include "RenderMap.h"
#endif

namespace {

// Dialog units of the window's font: a quarter of the average width of the
// letters and an eighth of the line height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (letters / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
  }
  int X(int units) const { return units * m_baseX / 4; }
  int Y(int units) const { return units * m_baseY / 8; }
  QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }

 private:
  int m_baseX = 1;
  int m_baseY = 1;
};


}  // namespace

CFittingMapDlg::CFittingMapDlg(const lattrix::RefinementOutcome& outcome, const QString& suggestedName,
                               lattrix::MessageSink& sink, QWidget* parent)
    : QDialog(parent), m_outcome(outcome), m_strSuggestedName(suggestedName), m_sink(sink) {
  setObjectName("fittingMapDialog");
  setWindowTitle(QStringLiteral("Fitting map"));
  setFont(QFont(QStringLiteral("Times New Roman"), 9));
  setSizeGripEnabled(true);
  const DialogUnits du(font());

  auto* group = new QGroupBox(QStringLiteral("Plot type"), this);
  group->setObjectName("groupPlotType");
  group->setGeometry(du.Rect(3, 0, 108, 33));
  // Type 3's button sits between those of types 1 and 2.
  struct RadioRow {
    const char* name;
    const char* text;
    int y;
  };
  const RadioRow radios[3] = {{"radioPlotType1", ": 2theta(obs) vs. 2theta(cal)", 9},
                               {"radioPlotType2", ": 2theta(obs) vs. 2theta(cor)", 25},
                               {"radioPlotType3", ": d(obs) vs. d(cal)", 17}};
  // The buttons stacked in their box; the box keeps at least its
  // dialog-unit size and grows when the style needs more room.
  auto* stack = new QVBoxLayout(group);
  const int indicator = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, nullptr, this);
  stack->setContentsMargins(du.X(10), 1, du.X(2), 1);
  stack->setSpacing(0);
  QAbstractButton* byRow[3] = {};
  for (int k = 0; k < 3; ++k) {
    auto* radio = new QRadioButton(QString::fromLatin1(radios[k].text), group);
    radio->setObjectName(radios[k].name);
    radio->setFixedHeight(std::max(du.Y(8), indicator + 2));
    connect(radio, &QRadioButton::clicked, this, &CFittingMapDlg::OnPlotType);
    m_pTypeRadio[k] = radio;
    byRow[(radios[k].y - 9) / 8] = radio;
  }
  for (QAbstractButton* radio : byRow) stack->addWidget(radio);
  const QRect box = du.Rect(3, 0, 108, 33);
  group->setGeometry(box.x(), box.y(), std::max(box.width(), group->sizeHint().width()),
                     std::max(box.height(), group->sizeHint().height()));

  auto* exit = new QPushButton(QStringLiteral("Exit"), this);
  exit->setObjectName("buttonExit");
  exit->setGeometry(du.Rect(252, 4, 28, 12));
  exit->setAutoDefault(false);
  connect(exit, &QPushButton::clicked, this, &QDialog::accept);

  auto* save = new QPushButton(QStringLiteral("Save..."), this);
  save->setObjectName("buttonSave");
  save->setGeometry(du.Rect(216, 4, 32, 12));
  save->setAutoDefault(false);
  save->setToolTip(QStringLiteral("Save the map as a PNG, SVG or PDF file"));
  connect(save, &QPushButton::clicked, this, &CFittingMapDlg::OnSave);
  m_checkLight = new QCheckBox(QStringLiteral("Light style for print"), this);
  m_checkLight->setObjectName("checkLightStyle");
  m_checkLight->setToolTip(QStringLiteral("Save the map with a white ground and dark axes and text"));
  m_checkLight->move(save->x(), save->geometry().bottom() + du.Y(3));
  m_checkLight->adjustSize();
#ifndef LATTRIX_HAVE_PLOT
  save->setEnabled(false);
  m_checkLight->setEnabled(false);
#endif

  m_anchor = QPoint(du.X(2), std::max({du.Y(34), group->geometry().bottom() + 2, m_checkLight->geometry().bottom() + 2}));
  // The map is laid out for the window's whole client size, as the
  // drawing expects.
  m_mapArea = new CMapCanvasArea(
      "mapArea",
      [this](lattrix::MapCanvas& canvas) {
        const QSize client = ClientSize();
        lattrix::DrawMap(m_map, canvas, client.width(), client.height());
      },
      this);
  m_mapArea->lower();
  // Small enough to shrink, large enough to keep Exit in view.
  setMinimumSize(exit->geometry().right() + du.X(4), m_anchor.y() + 160);
  resize(lattrix::kMapDefaultWidth, lattrix::kMapDefaultHeight);
  KeepOnScreen(this);
  CloseOnCtrlW(this);
}

QAbstractButton* CFittingMapDlg::TypeRadio(int plotType) const {
  return plotType >= 1 && plotType <= 3 ? m_pTypeRadio[plotType - 1] : nullptr;
}

void CFittingMapDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  m_mapArea->setGeometry(m_anchor.x(), m_anchor.y(), std::max(0, width() - m_anchor.x()),
                         std::max(0, height() - m_anchor.y()));
}

void CFittingMapDlg::showEvent(QShowEvent* event) {
  if (!m_bInitialised) OnInitDialog();
  QDialog::showEvent(event);
}

void CFittingMapDlg::OnInitDialog() {
  m_bInitialised = true;
  if (QAbstractButton* radio = TypeRadio(m_map.m_nPlotType)) radio->setChecked(true);
  m_map.PrepareMap(m_outcome);
  m_mapArea->update();
}

void CFittingMapDlg::OnPlotType() {
  // The last checked button in the order of types 1, 2, 3 wins; none
  // checked keeps the type.
  for (int k = 0; k < 3; ++k) {
    if (m_pTypeRadio[k]->isChecked()) m_map.m_nPlotType = k + 1;
  }
  m_map.PrepareMap(m_outcome);
  m_mapArea->update();
}

QString CFittingMapDlg::AskSavePath() {
  if (m_saveDialog) return m_saveDialog();
  return AskImageSavePath(this, QStringLiteral("Save fitting map"), m_strSuggestedName);
}

void CFittingMapDlg::OnSave() {
#ifdef LATTRIX_HAVE_PLOT
  const QString path = AskSavePath();
  if (path.isEmpty()) return;
  // The window's size, the drawing framed in it; the window's map keeps
  // its style and geometry.
  lattrix::FittingMap map = m_map;
  lattrix::UseMapStyle(map, m_checkLight->isChecked() ? lattrix::MapStyle::kLight : lattrix::MapStyle::kDark);
  lattrix::WriteMapImage(map, PathBytes(path), width(), height(), m_sink);
#endif
}
