#include "displays/DiagnosticsDlg.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <string>

#include "common/TextIO.h"
#include "ui/QtText.h"
#include "ui/ScreenFit.h"

using lattrix::Format;
using lattrix::ReflectionDiagnostics;

namespace {

// A fixed-point value, or "n/a" where the leave-one-out value could not be
// formed (as in the batch command's table).
QString Fixed(int decimals, double value) {
  if (!std::isfinite(value)) return QStringLiteral("n/a");
  return Q(Format("%.*f", decimals, value));
}

// A small coloured square and its meaning, for the legend under the table.
QWidget* LegendEntry(const QColor& colour, const QString& text, QWidget* parent) {
  auto* entry = new QWidget(parent);
  auto* layout = new QHBoxLayout(entry);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* swatch = new QLabel(entry);
  const int side = QFontMetrics(parent->font()).height();
  swatch->setFixedSize(side, side);
  swatch->setAutoFillBackground(true);
  QPalette palette = swatch->palette();
  palette.setColor(QPalette::Window, colour);
  swatch->setPalette(palette);
  swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
  layout->addWidget(swatch);
  layout->addWidget(new QLabel(text, entry));
  return entry;
}

}  // namespace

CDiagnosticsDlg::RowMark CDiagnosticsDlg::MarkOf(const ReflectionDiagnostics& row) {
  const unsigned misfit = lattrix::kFlagRstudent | lattrix::kFlagDffits | lattrix::kFlagDfbetas;
  if (row.flags & misfit) return kRowMisfit;
  if (row.flags & (lattrix::kFlagLeverage | lattrix::kFlagUnitLeverage)) return kRowLeverage;
  return kRowClean;
}

CDiagnosticsDlg::CDiagnosticsDlg(const lattrix::DiagnosticsResult& result, QWidget* parent,
                                 const lattrix::ParameterCovariance& covariance)
    : QDialog(parent) {
  setObjectName("diagnosticsDialog");
  setWindowTitle(QStringLiteral("Diagnostics"));
  setModal(true);
  setFont(QFont(QStringLiteral("Times New Roman"), 9));

  m_labelSummary = new QLabel(Q(lattrix::DiagnosticsSummary(result)), this);
  m_labelSummary->setObjectName("labelSummary");
  m_labelSummary->setWordWrap(true);
  m_labelSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

  m_listDiagnostics = new QTableWidget(this);
  m_listDiagnostics->setObjectName("listDiagnostics");
  m_listDiagnostics->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_listDiagnostics->setSelectionMode(QAbstractItemView::SingleSelection);
  m_listDiagnostics->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_listDiagnostics->setWordWrap(false);
  m_listDiagnostics->verticalHeader()->setVisible(false);
  m_listDiagnostics->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
  m_listDiagnostics->horizontalHeader()->setSectionsClickable(false);
  m_listDiagnostics->horizontalHeader()->setHighlightSections(false);
  m_listDiagnostics->horizontalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_listDiagnostics->horizontalHeader()->setStretchLastSection(true);
  FillTable(result);

  auto* exit = new QPushButton(QStringLiteral("Exit"), this);
  exit->setObjectName("buttonExit");
  exit->setDefault(true);
  connect(exit, &QPushButton::clicked, this, &QDialog::accept);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(LegendEntry(MisfitColour(), QStringLiteral("misfit or influence"), this));
  bottom->addSpacing(12);
  bottom->addWidget(LegendEntry(LeverageColour(), QStringLiteral("high leverage only"), this));
  bottom->addStretch(1);
  bottom->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_labelSummary);
  layout->addWidget(m_listDiagnostics, 1);
  if (!covariance.Empty()) {
    layout->addWidget(new QLabel(QStringLiteral("Correlation of the refined parameters (|r| >= %1 marked)")
                                     .arg(lattrix::kStrongCorrelation),
                                 this));
    layout->addWidget(MakeCorrelationList(covariance));
  }
  layout->addLayout(bottom);
  // Nothing marked at first: the colours alone show the flagged rows.
  m_listDiagnostics->setCurrentCell(-1, -1);
  exit->setFocus();
  resize(sizeHint() + m_fullTableSize - m_listDiagnostics->sizeHint());
  KeepOnScreen(this);
  CloseOnCtrlW(this);
}

void CDiagnosticsDlg::FillTable(const lattrix::DiagnosticsResult& result) {
  QStringList headings = {QStringLiteral("No"), QStringLiteral(" h"), QStringLiteral(" k"), QStringLiteral(" l"),
                          QStringLiteral("2theta"), QStringLiteral("weight"), QStringLiteral("leverage"),
                          QStringLiteral("Rstudent"), QStringLiteral("DFFITS")};
  QList<int> widths = {30, 35, 35, 35, 70, 60, 65, 75, 70};
  for (int j = 0; j < 6; ++j) {
    if (!result.parameters.moves[j]) continue;
    m_nDfbetasColumn[j] = static_cast<int>(headings.size());
    headings.append(QStringLiteral("DFBETAS ") + QString::fromLatin1(lattrix::CellConstantName(j)));
    widths.append(85);
  }
  m_nReasonColumn = static_cast<int>(headings.size());
  headings.append(QStringLiteral("Why flagged"));
  widths.append(320);

  QTableWidget* list = m_listDiagnostics;
  list->setColumnCount(static_cast<int>(headings.size()));
  int tableWidth = 0;
  for (int c = 0; c < list->columnCount(); ++c) {
    auto* heading = new QTableWidgetItem(headings[c]);
    if (c == m_nReasonColumn) heading->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->setHorizontalHeaderItem(c, heading);
    list->setColumnWidth(c, widths[c]);
    tableWidth += widths[c];
  }

  const int rows = static_cast<int>(result.rows.size());
  list->setRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    const ReflectionDiagnostics& row = result.rows[r];
    QStringList texts = {Q(Format("%2d", r + 1)), Q(Format("%3d", row.h)), Q(Format("%3d", row.k)),
                         Q(Format("%3d", row.l)), Fixed(4, row.twoTheta), Fixed(4, row.weight),
                         Fixed(4, row.leverage), Fixed(3, row.rstudent), Fixed(3, row.dffits)};
    for (int j = 0; j < 6; ++j)
      if (m_nDfbetasColumn[j] >= 0) texts.append(Fixed(3, row.dfbetas[j]));
    const QString reason = Q(lattrix::DiagnosticsReason(row, result));
    texts.append(reason);

    // The values beyond their cut-offs in bold, so that the eye finds why.
    QList<int> beyond;
    if (row.flags & lattrix::kFlagRstudent) beyond.append(kColRstudent);
    if (row.flags & lattrix::kFlagDffits) beyond.append(kColDffits);
    if (row.flags & (lattrix::kFlagLeverage | lattrix::kFlagUnitLeverage)) beyond.append(kColLeverage);
    if (row.flags & lattrix::kFlagDfbetas) {
      for (int j = 0; j < 6; ++j)
        if (lattrix::DfbetasFlagged(row, result, j))
          beyond.append(m_nDfbetasColumn[j]);
    }

    const RowMark mark = MarkOf(row);
    const QString& tip = reason;
    for (int c = 0; c < texts.size(); ++c) {
      auto* item = new QTableWidgetItem(texts[c]);
      item->setTextAlignment((c == m_nReasonColumn ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
      if (mark != kRowClean) {
        item->setBackground(mark == kRowMisfit ? MisfitColour() : LeverageColour());
        item->setForeground(MarkedTextColour());
      }
      if (!tip.isEmpty()) item->setToolTip(tip);
      if (beyond.contains(c)) {
        QFont bold = font();
        bold.setBold(true);
        item->setFont(bold);
      }
      list->setItem(r, c, item);
    }
  }

  // At first the whole width beside a vertical scroll bar, about 16 rows
  // high; on a small screen the table scrolls.
  const int frame = 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width() + 2;
  m_fullTableSize = QSize(tableWidth + frame, list->horizontalHeader()->sizeHint().height() +
                                                  16 * list->verticalHeader()->defaultSectionSize() +
                                                  2 * list->frameWidth());
  list->setMinimumSize(m_fullTableSize / 3);
}

QTableWidget* CDiagnosticsDlg::MakeCorrelationList(const lattrix::ParameterCovariance& covariance) {
  const std::vector<std::vector<double>> r = covariance.Correlation();
  const int n = static_cast<int>(covariance.names.size());
  m_listCorrelation = new QTableWidget(n, n, this);
  QTableWidget* list = m_listCorrelation;
  list->setObjectName("listCorrelation");
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QStringList names;
  for (const std::string& name : covariance.names) names.append(Q(name));
  list->setHorizontalHeaderLabels(names);
  list->setVerticalHeaderLabels(names);
  list->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      auto* item = new QTableWidgetItem(Fixed(3, r[i][j]));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (i != j && std::fabs(r[i][j]) >= lattrix::kStrongCorrelation) item->setBackground(MisfitColour());
      list->setItem(i, j, item);
    }
  }
  list->setFixedHeight(list->horizontalHeader()->sizeHint().height() +
                       n * list->verticalHeader()->defaultSectionSize() + 2 * list->frameWidth() + 2);
  return list;
}
