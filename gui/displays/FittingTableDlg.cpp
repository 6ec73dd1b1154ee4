#include "displays/FittingTableDlg.h"

#include <QAction>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "common/AtomicFile.h"
#include "common/TextIO.h"
#include "report/FittingTable.h"
#include "ui/FileDialogs.h"
#include "ui/QtText.h"
#include "ui/ScreenFit.h"

using lattrix::kFittingTableColumns;

namespace {

// Heading, unit and width in pixels of each column; every column is
// right-aligned. The header shows the unit under the heading; copied and
// saved tables carry the bare heading.
struct Column {
  const char* heading;
  const char* unit;
  int width;
};
constexpr char kDegree[] = "(\u00b0)";
constexpr char kAngstrom[] = "(\u00c5)";
constexpr Column kColumns[kFittingTableColumns] = {
    {"No", "", 28},           {" h", "", 30},           {" k", "", 30},           {" l", "", 30},
    {"2th-org", kDegree, 60}, {"2th-obs", kDegree, 60}, {"2th-cor", kDegree, 60}, {"2th-cal", kDegree, 60},
    {"2th-dif", kDegree, 65}, {"d-obs", kAngstrom, 65}, {"d-cal", kAngstrom, 65}, {"d-dif", kAngstrom, 65},
    {"Weight", "", 50},
};

}  // namespace

// The table with its columns and its Copy command. Returns the size that
// shows every column beside a vertical scroll bar, about 16 rows high.
QSize CFittingTableDlg::BuildTable() {
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
    QString heading = QString::fromLatin1(kColumns[c].heading);
    if (kColumns[c].unit[0] != '\0') heading += QLatin1Char('\n') + QString::fromUtf8(kColumns[c].unit);
    m_listFit->setHorizontalHeaderItem(c, new QTableWidgetItem(heading));
    m_listFit->setColumnWidth(c, kColumns[c].width);
    tableWidth += kColumns[c].width;
  }
  // That size at first; on a small screen the table scrolls.
  const QSize wanted(tableWidth + 2 * m_listFit->frameWidth() + m_listFit->verticalScrollBar()->sizeHint().width() + 2,
                     m_listFit->horizontalHeader()->sizeHint().height() +
                         16 * m_listFit->verticalHeader()->defaultSectionSize() + 2 * m_listFit->frameWidth());
  m_listFit->setMinimumSize(wanted / 3);
  auto* copy = new QAction(QStringLiteral("Copy"), this);
  copy->setShortcut(QKeySequence::Copy);
  connect(copy, &QAction::triggered, this, &CFittingTableDlg::OnCopy);
  m_listFit->addAction(copy);
  m_listFit->setContextMenuPolicy(Qt::ActionsContextMenu);
  m_listFit->installEventFilter(this);
  addAction(copy);
  return wanted;
}

CFittingTableDlg::CFittingTableDlg(lattrix::FittingTable table, const QString& suggestedName,
                                   lattrix::MessageSink& sink, QWidget* parent)
    : QDialog(parent), m_table(std::move(table)), m_strSuggestedName(suggestedName), m_sink(sink) {
  setObjectName("fittingTableDialog");
  setWindowTitle(QStringLiteral("Refined Fitting Results"));
  setFont(QFont(QStringLiteral("Times New Roman"), 9));
  const QSize wanted = BuildTable();

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
  auto* save = new QPushButton(QStringLiteral("Save as CSV..."), this);
  save->setObjectName("buttonSaveCsv");
  save->setAutoDefault(false);
  connect(save, &QPushButton::clicked, this, &CFittingTableDlg::OnSaveCsv);

  auto* sums = new QGridLayout;
  sums->addWidget(new QLabel(QStringLiteral("Sum of delta 2theta :"), this), 0, 0);
  sums->addWidget(m_editSumDelta, 0, 1);
  sums->addWidget(new QLabel(QStringLiteral("S.t.d. of sum of delta 2theta :"), this), 1, 0);
  sums->addWidget(m_editStdDelta, 1, 1);
  sums->setVerticalSpacing(2);
  auto* bottom = new QHBoxLayout;
  bottom->addLayout(sums);
  bottom->addStretch(1);
  bottom->addWidget(save, 0, Qt::AlignBottom);
  bottom->addWidget(exit, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_listFit, 1);
  layout->addLayout(bottom);
  resize(sizeHint() + wanted - m_listFit->sizeHint());
  KeepOnScreen(this);
  CloseOnCtrlW(this);
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

  const lattrix::FittingTable& table = m_table;
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

bool CFittingTableDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_listFit && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    OnCopy();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

std::vector<std::vector<std::string>> CFittingTableDlg::TableFields(QList<int> rows) const {
  if (rows.isEmpty())
    for (int r = 0; r < m_listFit->rowCount(); ++r) rows.append(r);
  std::vector<std::vector<std::string>> fields(1);
  for (int c = 0; c < kFittingTableColumns; ++c) fields[0].push_back(QString(kColumns[c].heading).trimmed().toStdString());
  for (int r : rows) {
    fields.emplace_back();
    for (int c = 0; c < kFittingTableColumns; ++c) {
      const QTableWidgetItem* item = m_listFit->item(r, c);
      // Without the blanks that align the cells on the screen.
      fields.back().push_back(item ? item->text().trimmed().toStdString() : std::string());
    }
  }
  return fields;
}

void CFittingTableDlg::OnCopy() {
  QList<int> rows;
  for (const QModelIndex& index : m_listFit->selectionModel()->selectedRows()) rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  QGuiApplication::clipboard()->setText(Q(lattrix::DelimitedText(TableFields(rows), '\t', "\n")));
}

void CFittingTableDlg::OnSaveCsv() {
  const QString path = m_saveDialog ? m_saveDialog()
                                    : AskSavePath(this, QStringLiteral("Save as CSV"),
                                                  QString::fromLatin1(kCsvFileFilter),
                                                  {QStringLiteral("csv")}, m_strSuggestedName);
  if (path.isEmpty()) return;
  lattrix::WriteTextFile(lattrix::DelimitedText(TableFields({}), ',', "\r\n"), PathBytes(path), m_sink);
}
