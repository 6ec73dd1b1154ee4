#include "displays/FittingTableDlg.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "report/FittingTable.h"

using lattrix::kFittingTableColumns;

namespace {

// Heading and width in pixels of each column; every column is right-aligned.
struct Column {
  const char* heading;
  int width;
};
constexpr Column kColumns[kFittingTableColumns] = {
    {"No", 28},      {" h", 30},      {" k", 30},      {" l", 30},    {"2th-org", 60},
    {"2th-obs", 60}, {"2th-cor", 60}, {"2th-cal", 60}, {"2th-dif", 65}, {"d-obs", 65},
    {"d-cal", 65},   {"d-dif", 65},   {"Weight", 50},
};

}  // namespace

CFittingTableDlg::CFittingTableDlg(lattrix::MessageSink& sink, QWidget* parent)
    : QDialog(parent), m_sink(sink) {
  setObjectName("fittingTableDialog");
  setWindowTitle(QStringLiteral("Refined Fitting Results"));
  setFont(QFont(QStringLiteral("Times New Roman"), 9));

  m_listFit = new QTableWidget(0, kFittingTableColumns, this);
  m_listFit->setObjectName("listFit");
  m_listFit->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_listFit->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_listFit->setShowGrid(true);
  m_listFit->setWordWrap(false);
  m_listFit->verticalHeader()->setVisible(false);
  m_listFit->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
  m_listFit->horizontalHeader()->setSectionsClickable(false);
  m_listFit->horizontalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_listFit->horizontalHeader()->setHighlightSections(false);
  int tableWidth = 0;
  for (int c = 0; c < kFittingTableColumns; ++c) {
    m_listFit->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromLatin1(kColumns[c].heading)));
    m_listFit->setColumnWidth(c, kColumns[c].width);
    tableWidth += kColumns[c].width;
  }
  // Every column in view beside a vertical scroll bar, about 16 rows high.
  m_listFit->setMinimumWidth(tableWidth + 2 * m_listFit->frameWidth() +
                             m_listFit->verticalScrollBar()->sizeHint().width() + 2);
  m_listFit->setMinimumHeight(m_listFit->horizontalHeader()->sizeHint().height() +
                              16 * m_listFit->verticalHeader()->defaultSectionSize() +
                              2 * m_listFit->frameWidth());

  const QFontMetrics metrics(font());
  const int editWidth = metrics.horizontalAdvance(QStringLiteral("-0000.0000")) + 10;
  m_editSumDelta = new QLineEdit(this);
  m_editSumDelta->setObjectName("editSumDelta");
  m_editStdDelta = new QLineEdit(this);
  m_editStdDelta->setObjectName("editStdDelta");
  for (QLineEdit* edit : {m_editSumDelta, m_editStdDelta}) {
    edit->setReadOnly(true);
    edit->setFixedWidth(editWidth);
  }

  auto* exit = new QPushButton(QStringLiteral("Exit"), this);
  exit->setObjectName("buttonExit");
  exit->setDefault(true);
  connect(exit, &QPushButton::clicked, this, &QDialog::accept);

  auto* sums = new QGridLayout;
  sums->addWidget(new QLabel(QStringLiteral("Sum of delta 2theta :"), this), 0, 0);
  sums->addWidget(m_editSumDelta, 0, 1);
  sums->addWidget(new QLabel(QStringLiteral("S.t.d. of sum of delta 2theta :"), this), 1, 0);
  sums->addWidget(m_editStdDelta, 1, 1);
  sums->setVerticalSpacing(2);
  auto* bottom = new QHBoxLayout;
  bottom->addLayout(sums);
  bottom->addStretch(1);
  bottom->addWidget(exit, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_listFit, 1);
  layout->addLayout(bottom);
}

void CFittingTableDlg::showEvent(QShowEvent* event) {
  if (!m_bInitialised) OnInitDialog();
  QDialog::showEvent(event);
}

void CFittingTableDlg::OnInitDialog() {
  m_bInitialised = true;
  m_listFit->setRowCount(0);
  m_editSumDelta->clear();
  m_editStdDelta->clear();

  lattrix::FittingTable table;
  const int count = std::clamp(m_nReflections, 0, lattrix::kMaxReflections);
  lattrix::ReadFittingTable(m_strReportPath, m_dTwoThetaRaw, m_dTwoTheta, count, table, m_sink);

  // Whatever the reader filled stays, also after a message: the rows read
  // so far and the sums when it got that far.
  m_listFit->setRowCount(static_cast<int>(table.rows.size()));
  for (int r = 0; r < static_cast<int>(table.rows.size()); ++r) {
    for (int c = 0; c < kFittingTableColumns; ++c) {
      auto* item = new QTableWidgetItem(QString::fromStdString(table.rows[r][c]));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      m_listFit->setItem(r, c, item);
    }
  }
  m_editSumDelta->setText(QString::fromStdString(table.sumDelta));
  m_editStdDelta->setText(QString::fromStdString(table.stdDelta));
}
