#include "ui/ImportReflectionsDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <utility>

#include "common/TextIO.h"
#include "peaks/PeakJob.h"
#include "ui/QtText.h"

using lattrix::Format;
using lattrix::PeakUnits;

namespace {

const PeakUnits kUnits[3] = {PeakUnits::kTwoTheta, PeakUnits::kD, PeakUnits::kQ};
const char kCentrings[] = "PABCIFR";

QTableWidget* Table(const char* name, const QStringList& headings, QWidget* parent) {
  auto* table = new QTableWidget(0, static_cast<int>(headings.size()), parent);
  table->setObjectName(QString::fromLatin1(name));
  table->setHorizontalHeaderLabels(headings);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->setVisible(false);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

void SetRow(QTableWidget* table, int row, const QStringList& texts) {
  for (int c = 0; c < texts.size(); ++c) table->setItem(row, c, new QTableWidgetItem(texts[c]));
}

QString Hkl(const lattrix::Indices& hkl) { return Q(Format("%d %d %d", hkl.h, hkl.k, hkl.l)); }

}  // namespace

CImportReflectionsDlg::CImportReflectionsDlg(const QString& path, const lattrix::PeakList& list,
                                             const lattrix::Job& job, QWidget* parent)
    : QDialog(parent), m_path(path), m_list(list), m_job(job) {
  setObjectName("importReflectionsDlg");
  setWindowTitle(QStringLiteral("Import reflections - ") + QFileInfo(path).fileName());
  auto* layout = new QVBoxLayout(this);
  m_labelColumns = new QLabel(this);
  m_labelColumns->setObjectName("labelColumns");
  layout->addWidget(m_labelColumns);
  layout->addWidget(BuildChoices());
  auto* tables = new QHBoxLayout;
  m_tablePeaks = Table("tablePeaks", {"line", "h k l", "value", "esd"}, this);
  m_tableAssignment = Table("tableAssignment", {"line", "2theta", "h k l", "2theta calc", "left out because"}, this);
  tables->addWidget(m_tablePeaks, 2);
  tables->addWidget(m_tableAssignment, 3);
  layout->addLayout(tables, 1);
  m_labelSummary = new QLabel(this);
  m_labelSummary->setObjectName("labelSummary");
  m_labelSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_labelNote = new QLabel(this);
  m_labelNote->setObjectName("labelNote");
  m_labelNote->setWordWrap(true);
  layout->addWidget(m_labelSummary);
  layout->addWidget(m_labelNote);
  m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(m_buttons);
  resize(820, 520);
  ShowPeaks();
  Reassign();
}

// Units (only a list without a header has a choice), centring and
// tolerance (only an unindexed list is assigned).
QWidget* CImportReflectionsDlg::BuildChoices() {
  auto* box = new QWidget(this);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  m_comboUnits = new QComboBox(box);
  m_comboUnits->setObjectName("comboUnits");
  m_comboUnits->addItems({"2theta (deg)", "d (A)", "Q = 2 pi / d (1/A)"});
  for (int u = 0; u < 3; ++u)
    if (kUnits[u] == m_list.units) m_comboUnits->setCurrentIndex(u);
  m_comboUnits->setEnabled(!m_list.hasHeader);
  m_comboUnits->setToolTip(QStringLiteral("What the values of a list without a header line are"));
  m_comboCentring = new QComboBox(box);
  m_comboCentring->setObjectName("comboCentring");
  for (const char* c = kCentrings; *c; ++c) m_comboCentring->addItem(QString(QLatin1Char(*c)));
  m_comboCentring->setToolTip(QStringLiteral("The lattice centring: only the reflections it allows are assigned"));
  m_spinTolerance = new QDoubleSpinBox(box);
  m_spinTolerance->setObjectName("spinTolerance");
  m_spinTolerance->setRange(0.001, 5.0);
  m_spinTolerance->setDecimals(3);
  m_spinTolerance->setSingleStep(0.01);
  m_spinTolerance->setValue(lattrix::AssignmentOptions().tolerance);
  m_spinTolerance->setSuffix(QStringLiteral(" deg"));
  m_spinTolerance->setToolTip(QStringLiteral("How far in 2theta a peak may lie from the reflection it takes"));
  for (QWidget* choice : {static_cast<QWidget*>(m_comboCentring), static_cast<QWidget*>(m_spinTolerance)})
    choice->setEnabled(!m_list.hasHkl);
  const std::pair<const char*, QWidget*> choices[] = {
      {"Units :", m_comboUnits}, {"Centring :", m_comboCentring}, {"Tolerance :", m_spinTolerance}};
  for (const auto& choice : choices) {
    row->addWidget(new QLabel(QString::fromLatin1(choice.first), box));
    row->addWidget(choice.second);
    row->addSpacing(12);
  }
  row->addStretch(1);
  connect(m_comboUnits, &QComboBox::currentIndexChanged, this, &CImportReflectionsDlg::OnUnitsChanged);
  connect(m_comboCentring, &QComboBox::currentIndexChanged, this, &CImportReflectionsDlg::Reassign);
  connect(m_spinTolerance, &QDoubleSpinBox::valueChanged, this, &CImportReflectionsDlg::Reassign);
  return box;
}

lattrix::AssignmentOptions CImportReflectionsDlg::Options() const {
  lattrix::AssignmentOptions options;
  options.centring = kCentrings[std::max(0, m_comboCentring->currentIndex())];
  options.tolerance = m_spinTolerance->value();
  return options;
}

// The file is read again in the chosen units, as the batch command's
// --units reads it.
void CImportReflectionsDlg::OnUnitsChanged() {
  lattrix::RecordingSink said;
  lattrix::PeakList list;
  if (lattrix::ReadPeakFile(PathBytes(m_path), kUnits[std::max(0, m_comboUnits->currentIndex())], list, said))
    m_list = list;
  ShowPeaks();
  Reassign();
  if (said.messages.empty()) return;
  // The file no longer reads: nothing to take in these units.
  m_refusal = Q(said.messages.front());
  m_labelSummary->setText(m_refusal);
  m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
}

void CImportReflectionsDlg::ShowPeaks() {
  QStringList columns;
  for (const std::string& column : m_list.columns) columns << Q(column);
  m_labelColumns->setText((m_list.hasHeader ? QStringLiteral("Columns recognised : ")
                                            : QStringLiteral("A list without a header, read as : ")) +
                          columns.join(QStringLiteral(", ")) + QStringLiteral("; the values are ") +
                          QString::fromLatin1(PeakUnitsName(m_list.units)) + QLatin1Char('.'));
  m_tablePeaks->setHorizontalHeaderItem(2, new QTableWidgetItem(QString::fromLatin1(PeakUnitsName(m_list.units))));
  m_tablePeaks->setRowCount(static_cast<int>(m_list.peaks.size()));
  for (int r = 0; r < m_tablePeaks->rowCount(); ++r) {
    const lattrix::Peak& peak = m_list.peaks[static_cast<size_t>(r)];
    SetRow(m_tablePeaks, r,
           {QString::number(peak.line), peak.hasHkl ? Hkl({peak.h, peak.k, peak.l}) : QString(),
            Q(Format("%.6g", peak.value)), peak.esd > 0.0 ? Q(Format("%.4g", peak.esd)) : QString()});
  }
  m_tablePeaks->resizeColumnsToContents();
}

void CImportReflectionsDlg::Reassign() {
  // The core's own step on a copy: what OK would take, or why it cannot.
  lattrix::Job trial = m_job;
  lattrix::RecordingSink said;
  m_refusal.clear();
  m_assignment = lattrix::Assignment();
  if (!lattrix::TakePeakList(trial, m_list, Options(), m_assignment, said))
    m_refusal = said.messages.empty() ? QStringLiteral("The list cannot be taken.") : Q(said.messages.front());
  else if (m_assignment.assigned.empty())
    m_refusal = QStringLiteral("No peak takes a reflection of the trial cell.");
  ShowAssignment();
  m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_refusal.isEmpty());
}

void CImportReflectionsDlg::ShowAssignment() {
  // Assigned and left-out peaks in the order of the list.
  std::map<int, QStringList> rows;
  for (const lattrix::AssignedPeak& p : m_assignment.assigned)
    rows[p.peak.line] = {QString::number(p.peak.line), Q(Format("%.4f", p.peak.twoTheta)), Hkl(p.hkl),
                         m_list.hasHkl ? QString() : Q(Format("%.4f", p.calculated)), QString()};
  for (const lattrix::LeftOutPeak& p : m_assignment.leftOut)
    rows[p.peak.line] = {QString::number(p.peak.line), Q(Format("%.4f", p.peak.twoTheta)), QString(), QString(),
                         Q(p.reason)};
  m_tableAssignment->setRowCount(static_cast<int>(rows.size()));
  int r = 0;
  for (const auto& row : rows) SetRow(m_tableAssignment, r++, row.second);
  m_tableAssignment->resizeColumnsToContents();
  QString summary = m_list.hasHkl ? QStringLiteral("%1 peaks with their own h k l").arg(m_assignment.assigned.size())
                                  : Q(m_assignment.Summary()).section(QLatin1Char('\n'), 0, 0);
  m_labelSummary->setText(m_refusal.isEmpty() ? summary : m_refusal);
  const bool notTwoTheta = lattrix::CorrectionNeedsTwoTheta(m_list.units, m_job.m_nCorrection);
  m_labelNote->setText(notTwoTheta ? QStringLiteral("The values are %1, not 2theta as measured: the form's correction "
                                                    "will be No correction, since a correction of 2theta has no "
                                                    "meaning for them.")
                                         .arg(QString::fromLatin1(PeakUnitsName(m_list.units)))
                                   : QString());
}
