#include "series/SeriesWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <set>

#include "common/AtomicFile.h"
#include "common/TextIO.h"
#include "ui/FileDialogs.h"
#include "ui/QtText.h"
#include "ui/ScreenFit.h"
#include "displays/QtMapCanvas.h"
#include "series/SeriesCells.h"
#include "series/SeriesTable.h"
#ifdef LATTRIX_HAVE_PLOT
#include "RenderMap.h"
#endif

namespace {

// The number a cell starts with: "4.91342(4)" sorts as 4.91342.
bool LeadingNumber(const QString& text, double& value) {
  bool ok = false;
  value = text.left(text.indexOf('(')).toDouble(&ok);
  return ok;
}

// Sorts numbers as numbers, and puts empty fields (refused jobs) last.
class SeriesItem : public QTableWidgetItem {
 public:
  using QTableWidgetItem::QTableWidgetItem;
  bool operator<(const QTableWidgetItem& other) const override {
    double x = 0.0, y = 0.0;
    const bool a = LeadingNumber(text(), x), b = LeadingNumber(other.text(), y);
    if (a && b) return x < y;
    if (a != b) return a;
    return QTableWidgetItem::operator<(other);
  }
};

const lattrix::TrendModel kFitModels[] = {lattrix::TrendModel::kBirchMurnaghan2,
                                          lattrix::TrendModel::kBirchMurnaghan3, lattrix::TrendModel::kVinet,
                                          lattrix::TrendModel::kThermal};

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

CSeriesWindow::CSeriesWindow(std::vector<lattrix::SeriesRow> rows, const QString& xName, lattrix::MessageSink& sink,
                             QWidget* parent)
    : QDialog(parent), m_rows(std::move(rows)), m_xName(xName), m_sink(sink) {
  setObjectName("seriesWindow");
  CloseOnCtrlW(this);
  const lattrix::SeriesCounts n = lattrix::CountSeries(m_rows);
  QString title = QStringLiteral("Series: %1 jobs, %2 refined, %3 refused").arg(m_rows.size()).arg(n.refined).arg(n.refused);
  if (n.undefined > 0) title += QStringLiteral(", %1 undefined").arg(n.undefined);
  if (n.cancelled > 0) title += QStringLiteral(", %1 cancelled").arg(n.cancelled);
  setWindowTitle(title);

  m_table = new QTableWidget(this);
  m_table->setObjectName("seriesTable");
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_table->setWordWrap(false);
  FillTable();
  auto* copy = new QShortcut(QKeySequence::Copy, m_table);
  copy->setContext(Qt::WidgetWithChildrenShortcut);
  connect(copy, &QShortcut::activated, this, &CSeriesWindow::OnCopy);

  m_plotArea = new CMapCanvasArea(
      "seriesPlot",
      [this](lattrix::MapCanvas& canvas) {
        lattrix::DrawSeriesPlot(m_plot, canvas, m_plotArea->width(), m_plotArea->height());
      },
      this);
  m_plotArea->setMinimumSize(300, 200);
  m_table->setMinimumHeight(60);

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(m_table);
  splitter->addWidget(m_plotArea);
  splitter->setStretchFactor(1, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter, 1);
  layout->addLayout(MakeControls());
  // Fitted to the screen each time it is shown (at scale 2 a 1920 x 1080
  // screen has 960 x 540 to offer).
  resize(900, 700);
  KeepOnScreen(this);
  OnQuantity(0);
}

QLayout* CSeriesWindow::MakeControls() {
  m_quantity = new QComboBox(this);
  m_quantity->setObjectName("comboQuantity");
  for (int q = 0; q < lattrix::kSeriesQuantities; ++q) m_quantity->addItem(QString::fromLatin1(lattrix::SeriesQuantityName(q)));
  m_quantity->addItem(QStringLiteral("F against f"));
  connect(m_quantity, &QComboBox::currentIndexChanged, this, &CSeriesWindow::OnQuantity);
  m_fitModel = new QComboBox(this);
  m_fitModel->setObjectName("comboFit");
  m_fitModel->addItem(QStringLiteral("None"));
  for (lattrix::TrendModel model : kFitModels) m_fitModel->addItem(QString::fromLatin1(lattrix::TrendModelTitle(model)));
  m_fitModel->setToolTip(QStringLiteral("A trend fitted to the plotted volume or cell length against x"));
  connect(m_fitModel, &QComboBox::currentIndexChanged, this, &CSeriesWindow::OnFit);
  m_t0 = new QDoubleSpinBox(this);
  m_t0->setObjectName("spinT0");
  m_t0->setRange(0.0, 1e5);
  m_t0->setDecimals(2);
  m_t0->setValue(298.15);
  m_t0->setSuffix(QStringLiteral(" K"));
  m_t0->setToolTip(QStringLiteral("The reference temperature T0 of the thermal expansion"));
  connect(m_t0, &QDoubleSpinBox::valueChanged, this, &CSeriesWindow::OnFit);
  m_fitLabel = new QLabel(this);
  m_fitLabel->setObjectName("labelFit");
  m_fitLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_fitLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  QPushButton* copyFit = Button("Copy fit", "buttonCopyFit", this);
  connect(copyFit, &QPushButton::clicked, this, &CSeriesWindow::OnCopyFit);
  QPushButton* saveTable = Button("Save as CSV...", "buttonSaveTable", this);
  connect(saveTable, &QPushButton::clicked, this, &CSeriesWindow::OnSaveTable);
  QPushButton* savePlot = Button("Save plot...", "buttonSavePlot", this);
  connect(savePlot, &QPushButton::clicked, this, &CSeriesWindow::OnSavePlot);
#ifndef LATTRIX_HAVE_PLOT
  savePlot->setEnabled(false);
#endif
  QPushButton* close = Button("Close", "buttonClose", this);
  connect(close, &QPushButton::clicked, this, &QDialog::close);

  auto* choices = new QHBoxLayout;
  choices->addWidget(new QLabel(QStringLiteral("Plot"), this));
  choices->addWidget(m_quantity);
  choices->addWidget(new QLabel(QStringLiteral("Fit"), this));
  choices->addWidget(m_fitModel);
  choices->addWidget(new QLabel(QStringLiteral("T0"), this));
  choices->addWidget(m_t0);
  choices->addWidget(m_fitLabel, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* button : {copyFit, saveTable, savePlot, close}) buttons->addWidget(button);
  auto* controls = new QVBoxLayout;
  controls->addLayout(choices);
  controls->addLayout(buttons);
  return controls;
}

void CSeriesWindow::FillTable() {
  const std::vector<std::string>& names = lattrix::SeriesCellNames();
  m_table->setColumnCount(static_cast<int>(names.size()));
  m_table->setRowCount(static_cast<int>(m_rows.size()));
  QStringList headings;
  for (const std::string& name : names) headings.append(Q(name));
  m_table->setHorizontalHeaderLabels(headings);
  const int message = static_cast<int>(headings.indexOf(QStringLiteral("message")));
  for (size_t r = 0; r < m_rows.size(); ++r) {
    const std::vector<std::string> cells = lattrix::SeriesRowCells(m_rows[r]);
    for (size_t c = 0; c < cells.size(); ++c) {
      auto* item = new SeriesItem(Q(cells[c]));
      if (static_cast<int>(c) == message) item->setToolTip(item->text());
      m_table->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  }
  m_table->resizeColumnsToContents();
  // The messages can be long; the tooltip shows them whole.
  m_table->setColumnWidth(message, std::min(m_table->columnWidth(message), 260));
  m_table->setSortingEnabled(true);
  m_table->sortByColumn(-1, Qt::AscendingOrder);
}

QString CSeriesWindow::CopyText() const {
  std::set<int> rows;
  for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) rows.insert(index.row());
  if (rows.empty())
    for (int r = 0; r < m_table->rowCount(); ++r) rows.insert(r);
  std::vector<std::vector<std::string>> fields(1);
  for (int c = 0; c < m_table->columnCount(); ++c)
    fields[0].push_back(m_table->horizontalHeaderItem(c)->text().toStdString());
  for (int r : rows) {
    fields.emplace_back();
    for (int c = 0; c < m_table->columnCount(); ++c) fields.back().push_back(m_table->item(r, c)->text().toStdString());
  }
  return Q(lattrix::DelimitedText(fields, '\t', "\n"));
}

QString CSeriesWindow::FitText() const {
  if (!Fitting()) return QString();
  QString text;
  for (const std::string& line : lattrix::TrendFitLines(m_trend, m_xName.toStdString())) text += Q(line) + '\n';
  return text;
}

void CSeriesWindow::OnCopy() { QApplication::clipboard()->setText(CopyText()); }

void CSeriesWindow::OnCopyFit() { QApplication::clipboard()->setText(FitText()); }

void CSeriesWindow::OnSaveTable() {
  const QString path = m_tableDialog ? m_tableDialog()
                                     : AskSavePath(this, QStringLiteral("Save series table"),
                                                   QString::fromLatin1(kCsvFileFilter), {QStringLiteral("csv")});
  if (path.isEmpty()) return;
  lattrix::WriteTextFile(lattrix::SeriesTableText(m_rows), PathBytes(path), m_sink);
}

void CSeriesWindow::OnSavePlot() {
#ifdef LATTRIX_HAVE_PLOT
  const QString path = m_plotDialog ? m_plotDialog() : AskImageSavePath(this, QStringLiteral("Save series plot"));
  if (path.isEmpty()) return;
  lattrix::WriteSeriesPlotImage(m_plot, PathBytes(path), m_plotArea->width(), m_plotArea->height(), m_sink);
#endif
}

void CSeriesWindow::OnQuantity(int quantity) {
  if (quantity != kStrainPlot) m_fitQuantity = quantity;
  OnFit();
}

bool CSeriesWindow::Fitting() const { return m_fitModel->currentIndex() > 0; }

void CSeriesWindow::OnFit() {
  const int model = m_fitModel->currentIndex();
  m_t0->setEnabled(model > 0 && kFitModels[model - 1] == lattrix::TrendModel::kThermal);
  if (Fitting())
    m_trend = lattrix::FitSeriesTrend(m_rows, m_fitQuantity, kFitModels[model - 1], m_t0->value());
  const QString fit = FitText().trimmed();
  m_fitLabel->setText(QString(fit).replace('\n', QStringLiteral(";  ")));
  m_fitLabel->setToolTip(fit);
  UpdatePlot();
}

void CSeriesWindow::UpdatePlot() {
  const int quantity = m_quantity->currentIndex();
  const std::string xName = m_xName.toStdString();
  if (quantity == kStrainPlot) {
    m_plot = lattrix::MakeStrainPlot(m_trend);
    if (!Fitting()) m_plot.note = "Choose an equation of state under Fit for the F-f plot.";
  } else {
    m_plot = lattrix::MakeSeriesPlot(m_rows, quantity, xName);
    if (Fitting()) lattrix::AddTrendToPlot(m_trend, xName, m_plot);
  }
  m_plotArea->update();
}
