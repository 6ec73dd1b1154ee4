// The form's commands: Execute, Save as input file, Show Output File, Help
// by html, the weighting boxes, Add and Delete of reflection rows, Exit and
// Set instrument param., Show Diagnostics and Export CIF.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

#include "common/TextIO.h"
#include "displays/DiagnosticsDlg.h"
#include "displays/FittingMapDlg.h"
#include "displays/FittingTableDlg.h"
#include "engine/Execute.h"
#include "instrument/InstrumentDlg.h"
#include "job/InputFile.h"
#include "results/CifWriter.h"
#include "ui/EditListCtrl.h"
#include "ui/LattrixView.h"
#include "ui/ReportViewer.h"

using lattrix::Format;
using lattrix::kMaxReflections;

namespace {

const char kFileFilter[] = "Lattrix Input File (*.inp);;Other Files (*)";
const char kCifFilter[] = "CIF File (*.cif);;Other Files (*)";
const char kHelpPage[] = "LattrixHelp.html";

std::string PathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }
QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

void CLattrixView::OnRefineExecute() {
  CommitOpenEdits();
  if (!CollectJob()) {
    Q_EMIT jobStateChanged();
    return;
  }
  ForgetRefinement();
  lattrix::RefinementOutcome outcome;
  if (lattrix::ExecuteRefinement(m_job, Sink(), &outcome)) {
    // Computed now: the job holds exactly what was refined (after a
    // refining mode, its corrections are the refined ones).
    m_lastRefinement = std::make_unique<LastRefinement>();
    m_lastRefinement->job = m_job;
    m_lastRefinement->diagnostics = lattrix::ComputeDiagnostics(m_job);
    m_lastRefinement->covariance = outcome.covariance;
    ShowResults();
    // A report window left open shows the new report.
    if (m_reportViewer && m_reportViewer->isVisible()) m_reportViewer->LoadFile(PathText(m_job.m_strReportPath));
  }
  Q_EMIT jobStateChanged();
}

void CLattrixView::OnShowOutputFile() {
  if (!m_job.m_bRefined) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  if (!m_reportViewer) {
    m_reportViewer = new CReportViewer(window());
  }
  if (!m_reportViewer->LoadFile(PathText(m_job.m_strReportPath))) {
    Sink().Show("Output file not open !!!");
    return;
  }
  m_reportViewer->show();
  m_reportViewer->raise();
  m_reportViewer->activateWindow();
}

void CLattrixView::OnSaveAsInputFile() {
  CommitOpenEdits();
  if (!CollectJob()) {
    Q_EMIT jobStateChanged();
    return;
  }
  QString path;
  if (m_saveDialog) {
    path = m_saveDialog();
  } else {
    QFileDialog dialog(this, QStringLiteral("Save As"), QString(), QString::fromLatin1(kFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("inp"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      path = dialog.selectedFiles().constFirst();
  }
  if (path.isEmpty()) {
    Q_EMIT jobStateChanged();
    return;
  }
  SaveInputFileAs(path);
}

bool CLattrixView::SaveInputFileAs(const QString& path) {
  m_job.m_strInputPath = PathBytes(path);
  const bool ok = lattrix::WriteInputFile(m_job, Sink());
  if (ok) {
    m_job.m_bRefined = true;
    SetFrameTitle(QStringLiteral("[File Name : ") + path + QStringLiteral(" ]"));
    Q_EMIT inputFileUsed(path);
  } else {
    // The result commands stay off until the next Execute.
    m_job.m_bRefined = false;
  }
  Q_EMIT jobStateChanged();
  return ok;
}

bool CLattrixView::RunProgram(const QString& program, const QStringList& arguments) {
  // No shell and no length limit: the arguments reach the program as given.
  return QProcess::startDetached(program, arguments);
}

QString CLattrixView::FindHelpPage() const {
  const QString appDir = QCoreApplication::applicationDirPath();
  const QStringList candidates = {
      QDir(PathText(m_job.m_strWorkDir)).filePath(QString::fromLatin1(kHelpPage)),
      QDir(appDir).filePath(QString::fromLatin1(kHelpPage)),
      QDir(appDir).filePath(QStringLiteral("../share/lattrix/") + QString::fromLatin1(kHelpPage)),
#ifdef LATTRIX_HELP_INSTALL_DIR
      QDir(QStringLiteral(LATTRIX_HELP_INSTALL_DIR)).filePath(QString::fromLatin1(kHelpPage)),
#endif
  };
  for (const QString& candidate : candidates) {
    const QFileInfo info(candidate);
    if (info.isFile() && info.isReadable()) return info.absoluteFilePath();
  }
  return QString();
}

void CLattrixView::OnHelpHtml() {
  const QString page = FindHelpPage();
  if (page.isEmpty() || !RunProgram(m_strHelpOpener, {page})) {
    Sink().Beep();
    Sink().Show("Cannot execute html file !!!");
  }
}

void CLattrixView::SetWeighting(int code) {
  // The four boxes act as one group: the clicked box stays checked, even
  // when it was checked already.
  m_job.m_nWeighting = code;
  for (int k = 0; k < 4; ++k) m_pWeightCheck[k]->setChecked(k == code);
}

// Moves the per-row data that belongs to the file's reflections (raw
// 2theta, its flags, the weight) along with the rows: rows from `from` on
// move by `by` (+1 on Add, -1 on Delete).
void CLattrixView::ShiftRowData(int from, int by) {
  lattrix::Job& job = m_job;
  if (by > 0) {
    for (int i = kMaxReflections - 1; i > from; --i) {
      job.m_dTwoThetaRaw[i] = job.m_dTwoThetaRaw[i - 1];
      job.m_bTwoThetaFromForm[i] = job.m_bTwoThetaFromForm[i - 1];
      job.m_dWeight[i] = job.m_dWeight[i - 1];
      m_bRowHasRaw[i] = m_bRowHasRaw[i - 1];
    }
    job.m_dTwoThetaRaw[from] = 0.0;
    job.m_bTwoThetaFromForm[from] = true;
    job.m_dWeight[from] = 1.0;
    m_bRowHasRaw[from] = false;
  } else {
    for (int i = from; i < kMaxReflections - 1; ++i) {
      job.m_dTwoThetaRaw[i] = job.m_dTwoThetaRaw[i + 1];
      job.m_bTwoThetaFromForm[i] = job.m_bTwoThetaFromForm[i + 1];
      job.m_dWeight[i] = job.m_dWeight[i + 1];
      m_bRowHasRaw[i] = m_bRowHasRaw[i + 1];
    }
    const int last = kMaxReflections - 1;
    job.m_dTwoThetaRaw[last] = 0.0;
    job.m_bTwoThetaFromForm[last] = false;
    job.m_dWeight[last] = 1.0;
    m_bRowHasRaw[last] = false;
  }
}

void CLattrixView::OnAddRow() {
  CommitOpenEdits();
  const int row = m_listReflection->GetFirstSelectedRow();
  if (row < 0 || row > m_job.m_nReflections) return;
  // The list keeps its 50 rows: the new row pushes the last one out, which
  // must therefore be empty.
  const int last = kMaxReflections - 1;
  for (int c = kColH; c <= kColTwoTheta; ++c) {
    if (!m_listReflection->GetItemText(last, c).isEmpty()) {
      Sink().Show("Reflection List is full (50 reflections) !!!");
      return;
    }
  }
  m_listReflection->insertRow(row);
  m_listReflection->removeRow(kMaxReflections);
  ShiftRowData(row, +1);
  if (m_job.m_nReflections < kMaxReflections) ++m_job.m_nReflections;
  for (int i = 0; i < kMaxReflections; ++i)
    m_listReflection->SetItemText(i, kColNo, QString::fromStdString(Format("%2d", i + 1)));
  for (int c = kColH; c <= kColTwoTheta; ++c) m_listReflection->SetItemText(row, c, QString());
}

void CLattrixView::OnDeleteRow() {
  CommitOpenEdits();
  const int row = m_listReflection->GetFirstSelectedRow();
  if (row < 0 || row > m_job.m_nReflections) return;
  m_listReflection->removeRow(row);
  m_listReflection->insertRow(kMaxReflections - 1);
  ShiftRowData(row, -1);
  if (m_job.m_nReflections > 0) --m_job.m_nReflections;
  for (int i = 0; i < kMaxReflections; ++i)
    m_listReflection->SetItemText(i, kColNo, QString::fromStdString(Format("%2d", i + 1)));
  for (int c = kColH; c <= kColTwoTheta; ++c)
    m_listReflection->SetItemText(kMaxReflections - 1, c, QString());
}

void CLattrixView::OnAppExit() { window()->close(); }

void CLattrixView::OnSetInstrument() {
  CInstrumentDlg dialog(window());
  dialog.m_dWave = m_job.m_dWavelength;
  dialog.m_dRadius = m_job.m_dGonioRadius;
  if (dialog.exec() == QDialog::Accepted) {
    m_job.m_dWavelength = dialog.m_dWave;
    m_job.m_dGonioRadius = dialog.m_dRadius;
  }
}

void CLattrixView::OnInternalCalibration() {
  // The switch follows the box, so that box, list and job always agree.
  m_job.m_bInternalStd = m_checkInternalStd->isChecked() ? 1 : 0;
  if (!m_job.m_bInternalStd) m_listSilicon->CommitCellEdit();
  m_listSilicon->setEnabled(m_job.m_bInternalStd != 0);
}

// The fitting table and the fitting map of the last refinement, both read
// back from the report; modal, and nothing comes back to the job.
void CLattrixView::OnShowFittingTable() {
  if (!m_job.m_bRefined) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  CFittingTableDlg dialog(Sink(), window());
  dialog.m_strReportPath = m_job.m_strReportPath;
  dialog.m_nReflections = std::clamp(m_job.m_nReflections, 0, kMaxReflections);
  for (int i = 0; i < dialog.m_nReflections; ++i) {
    dialog.m_dTwoThetaRaw[i] = m_job.m_dTwoThetaRaw[i];
    dialog.m_dTwoTheta[i] = m_job.m_dTwoTheta[i];
  }
  dialog.exec();
}

void CLattrixView::OnShowFittingFigure() {
  if (!m_job.m_bRefined) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  CFittingMapDlg dialog(Sink(), window());
  dialog.m_map.m_nPoints = m_job.m_nReflections;
  dialog.m_map.m_nPlotType = 1;
  dialog.m_map.m_strReportPath = m_job.m_strReportPath;
  dialog.exec();
}

void CLattrixView::OnShowDiagnostics() {
  if (!m_job.m_bRefined || !m_lastRefinement) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  CDiagnosticsDlg dialog(m_lastRefinement->diagnostics, window(), m_lastRefinement->covariance);
  dialog.exec();
}

void CLattrixView::OnExportCif() {
  if (!m_job.m_bRefined || !m_lastRefinement) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  QString path;
  if (m_cifDialog) {
    path = m_cifDialog();
  } else {
    QFileDialog dialog(this, QStringLiteral("Export CIF"), QString(), QString::fromLatin1(kCifFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("cif"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      path = dialog.selectedFiles().constFirst();
  }
  if (path.isEmpty()) return;
  ExportCifTo(path);
}

bool CLattrixView::ExportCifTo(const QString& path) {
  if (!m_lastRefinement) {
    Sink().Show("Refinement not completed !!!");
    return false;
  }
  // The refined state stays whether or not the file could be written.
  return lattrix::WriteCifFile(m_lastRefinement->job, PathBytes(path), Sink());
}

int CLattrixView::FormCorrection() const {
  int correction = m_job.m_nCorrection;
  for (int k = 0; k < 5; ++k)
    if (m_pCorrRadio[k]->isChecked()) correction = k + 1;
  return correction;
}

int CLattrixView::FormWeighting() const {
  int weighting = m_job.m_nWeighting;
  for (int k = 0; k < 4; ++k)
    if (m_pWeightCheck[k]->isChecked()) weighting = k;
  return weighting;
}
