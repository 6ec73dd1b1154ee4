#include "series/SeriesWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
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
#include "series/SeriesTable.h"
#ifdef LATTRIX_HAVE_PLOT
#include "RenderMap.h"
#endif

namespace {

// Sorts numbers as numbers, and puts empty fields (refused jobs) last.
class SeriesItem : public QTableWidgetItem {
 public:
  using QTableWidgetItem::QTableWidgetItem;
  bool operator<(const QTableWidgetItem& other) const override {
    bool a = false, b = false;
    const double x = text().toDouble(&a), y = other.text().toDouble(&b);
    if (a && b) return x < y;
    if (a != b) return a;
    return QTableWidgetItem::operator<(other);
  }
};

}  // namespace

CSeriesWindow::CSeriesWindow(std::vector<lattrix::SeriesRow> rows, const QString& xName, lattrix::MessageSink& sink,
                             QWidget* parent)
    : QDialog(parent), m_rows(std::move(rows)), m_xName(xName), m_sink(sink) {
  setObjectName("seriesWindow");
  CloseOnCtrlW(this);
  size_t refined = 0, undefined = 0;
  for (const lattrix::SeriesRow& row : m_rows) {
    refined += row.refined ? 1 : 0;
    undefined += row.undefined ? 1 : 0;
  }
  QString title = QStringLiteral("Series: %1 jobs, %2 refined, %3 refused")
                      .arg(m_rows.size()).arg(refined).arg(m_rows.size() - refined - undefined);
  if (undefined > 0) title += QStringLiteral(", %1 undefined").arg(undefined);
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

  m_quantity = new QComboBox(this);
  m_quantity->setObjectName("comboQuantity");
  for (int q = 0; q < lattrix::kSeriesQuantities; ++q) m_quantity->addItem(QString::fromLatin1(lattrix::SeriesQuantityName(q)));
  connect(m_quantity, &QComboBox::currentIndexChanged, this, &CSeriesWindow::OnQuantity);
  m_plotArea = new CMapCanvasArea(
      "seriesPlot",
      [this](lattrix::MapCanvas& canvas) {
        lattrix::DrawSeriesPlot(m_plot, canvas, m_plotArea->width(), m_plotArea->height());
      },
      this);
  m_plotArea->setMinimumSize(300, 220);

  auto* saveTable = new QPushButton(QStringLiteral("Save as CSV..."), this);
  saveTable->setObjectName("buttonSaveTable");
  connect(saveTable, &QPushButton::clicked, this, &CSeriesWindow::OnSaveTable);
  auto* savePlot = new QPushButton(QStringLiteral("Save plot..."), this);
  savePlot->setObjectName("buttonSavePlot");
  connect(savePlot, &QPushButton::clicked, this, &CSeriesWindow::OnSavePlot);
#ifndef LATTRIX_HAVE_PLOT
  savePlot->setEnabled(false);
#endif
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  connect(close, &QPushButton::clicked, this, &QDialog::close);

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(QStringLiteral("Plot"), this));
  controls->addWidget(m_quantity);
  controls->addStretch(1);
  for (QPushButton* button : {saveTable, savePlot, close}) {
    button->setAutoDefault(false);
    controls->addWidget(button);
  }
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(m_table);
  splitter->addWidget(m_plotArea);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter, 1);
  layout->addLayout(controls);
  resize(900, 700);
  OnQuantity(0);
}

void CSeriesWindow::FillTable() {
  const std::vector<std::string>& names = lattrix::SeriesColumnNames();
  m_table->setColumnCount(static_cast<int>(names.size()));
  m_table->setRowCount(static_cast<int>(m_rows.size()));
  QStringList headings;
  for (const std::string& name : names) headings.append(Q(name));
  m_table->setHorizontalHeaderLabels(headings);
  for (size_t r = 0; r < m_rows.size(); ++r) {
    const std::vector<std::string> fields = lattrix::SeriesRowFields(m_rows[r]);
    for (size_t c = 0; c < fields.size(); ++c) {
      auto* item = new SeriesItem(Q(fields[c]));
      if (c == fields.size() - 1) item->setToolTip(item->text());
      m_table->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  }
  m_table->resizeColumnsToContents();
  // The messages can be long; the tooltip shows them whole.
  m_table->setColumnWidth(m_table->columnCount() - 1, 400);
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

void CSeriesWindow::OnCopy() { QApplication::clipboard()->setText(CopyText()); }

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
  m_plot = lattrix::MakeSeriesPlot(m_rows, quantity, m_xName.toStdString());
  m_plotArea->update();
}
