// The form's commands: Execute, Save as input file, Show Output File, Help
// by html, the weighting boxes, Add and Delete of reflection rows, Exit and
// Set instrument param., Show Diagnostics, Export CIF and Copy results.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "common/TextIO.h"
#include "displays/DiagnosticsDlg.h"
#include "displays/FittingMapDlg.h"
#include "displays/FittingTableDlg.h"
#include "instrument/InstrumentDlg.h"
#include "job/InputFile.h"
#include "job/JobRows.h"
#include "results/CifWriter.h"
#include "results/ResultText.h"
#include "run/RunStep.h"
#include "ui/EditListCtrl.h"
#include "ui/LattrixView.h"
#include "ui/FileDialogs.h"
#include "ui/HelpWindow.h"
#include "ui/QtText.h"
#include "ui/ReportViewer.h"

using lattrix::Format;
using lattrix::kMaxReflections;

namespace {

const char kHelpPage[] = "LattrixHelp.html";

}  // namespace

void CLattrixView::OnRefineExecute() {
  CommitOpenEdits();
  lattrix::SiliconStandard silicon;
  if (!CollectJob() || !CollectSilicon(silicon)) {
    Q_EMIT jobStateChanged();
    return;
  }
  const lattrix::RunResult run = lattrix::RunJob(m_job, silicon, Sink());
  if (run.refined) {
    m_lastRun = run;
    ShowResults();
    // A report window left open shows the new report.
    if (m_reportViewer && m_reportViewer->isVisible()) m_reportViewer->LoadFile(PathText(m_job.m_strReportPath));
  } else if (run.undefined) {
    // The messages have said why; no number of the run is shown, and the
    // result commands are off.
    ForgetRefinement();
    ClearResults();
  }
  Q_EMIT jobStateChanged();
}

void CLattrixView::OnShowOutputFile() {
  if (!m_lastRun) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  if (!m_reportViewer) {
    m_reportViewer = new CReportViewer(window());
  }
  std::string reason;
  if (!m_reportViewer->LoadFile(PathText(m_job.m_strReportPath), &reason)) {
    Sink().Show("Output file not open !!!\n" + lattrix::PrintableText(m_job.m_strReportPath, 200) + ": " + reason);
    return;
  }
  m_reportViewer->show();
  m_reportViewer->raise();
  m_reportViewer->activateWindow();
}

void CLattrixView::OnSaveAsInputFile() { SaveJobAs(); }

bool CLattrixView::SaveJobAs() {
  CommitOpenEdits();
  // A saved job holds what a refinement would use: 2theta after any
  // calibration. A job without reflections yet (a title and a cell) is
  // saved as it stands.
  lattrix::SiliconStandard silicon;
  if (!CollectJob() || !CollectSilicon(silicon) ||
      (m_job.m_nReflections > 0 && !lattrix::PrepareRun(m_job, silicon, Sink()))) {
    Q_EMIT jobStateChanged();
    return false;
  }
  const QString path = m_saveDialog ? m_saveDialog()
                                    : AskSavePath(this, QStringLiteral("Save As"), QString::fromLatin1(kJobFileFilter),
                                                  {QStringLiteral("inp")}, SuggestedFileName("inp"));
  if (path.isEmpty()) {
    Q_EMIT jobStateChanged();
    return false;
  }
  return SaveInputFileAs(path);
}

bool CLattrixView::SaveInputFileAs(const QString& path) {
  m_job.m_strInputPath = PathBytes(path);
  const bool ok = lattrix::WriteInputFile(m_job, Sink());
  if (ok) {
    // A saved job is as refined as it was: saving refines nothing.
    TakeSavedState(path);
    Q_EMIT inputFileUsed(path);
  } else {
    // The result commands stay off until the next Execute.
    m_job.m_bRefined = false;
  }
  Q_EMIT jobStateChanged();
  return ok;
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
  if (page.isEmpty()) {
    Sink().Beep();
    Sink().Show("Cannot execute html file !!!");
    return;
  }
  if (!m_helpWindow) m_helpWindow = new CHelpWindow(window());
  m_helpWindow->ShowPage(page);
}

void CLattrixView::SetWeighting(int code) {
  // The four boxes act as one group: the clicked box stays checked, even
  // when it was checked already.
  m_job.m_nWeighting = code;
  for (int k = 0; k < 4; ++k) m_pWeightCheck[k]->setChecked(k == code);
}

// The grid and the job's rows stay aligned: rows the job holds move with
// their data in the job too; rows typed below them are only text so far.
void CLattrixView::OnAddRow() {
  CommitOpenEdits();
  const int row = m_listReflection->GetFirstSelectedRow();
  if (row < 0) return;
  // The list keeps its 50 rows: the new row pushes the last one out, which
  // must therefore be empty.
  const int last = kMaxReflections - 1;
  bool full = row < m_job.m_nReflections && m_job.m_nReflections >= kMaxReflections;
  for (int c = kColH; c <= kColTwoTheta; ++c) full = full || !m_listReflection->GetItemText(last, c).isEmpty();
  if (full) {
    Sink().Show("Reflection List is full (50 reflections) !!!");
    return;
  }
  if (row < m_job.m_nReflections) lattrix::InsertReflection(m_job, row);
  m_listReflection->insertRow(row);
  m_listReflection->removeRow(kMaxReflections);
  NumberRows();
  for (int c = kColH; c <= kColTwoTheta; ++c) m_listReflection->SetItemText(row, c, QString());
  OnFormEdited();
}

void CLattrixView::OnDeleteRow() {
  CommitOpenEdits();
  const int row = m_listReflection->GetFirstSelectedRow();
  if (row < 0) return;
  if (row < m_job.m_nReflections) lattrix::DeleteReflection(m_job, row);
  m_listReflection->removeRow(row);
  m_listReflection->insertRow(kMaxReflections - 1);
  NumberRows();
  for (int c = kColH; c <= kColTwoTheta; ++c)
    m_listReflection->SetItemText(kMaxReflections - 1, c, QString());
  OnFormEdited();
}

void CLattrixView::OnAppExit() { window()->close(); }

void CLattrixView::OnSetInstrument() {
  CInstrumentDlg dialog(&Sink(), window());
  dialog.m_dWave = m_job.m_dWavelength;
  dialog.m_dRadius = m_job.m_dGonioRadius;
  if (dialog.exec() == QDialog::Accepted) {
    m_job.m_dWavelength = dialog.m_dWave;
    m_job.m_dGonioRadius = dialog.m_dRadius;
    OnFormEdited();
  }
}

void CLattrixView::OnInternalCalibration() {
  // The switch follows the box, so that box, list and job always agree.
  m_job.m_bInternalStd = m_checkInternalStd->isChecked() ? 1 : 0;
  if (!m_job.m_bInternalStd) m_listSilicon->CommitCellEdit();
  m_listSilicon->setEnabled(m_job.m_bInternalStd != 0);
}

// The fitting table and the fitting map of the last refinement, from its
// result in memory; modal, and nothing comes back to the job.
void CLattrixView::OnShowFittingTable() {
  if (!m_lastRun) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  CFittingTableDlg dialog(lattrix::FittingTableOf(m_lastRun->outcome), SuggestedFileName("csv"), Sink(), window());
  dialog.exec();
}

void CLattrixView::OnShowFittingFigure() {
  if (!m_lastRun) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  CFittingMapDlg dialog(m_lastRun->outcome, SuggestedFileName("png"), Sink(), window());
  dialog.exec();
}

void CLattrixView::OnShowDiagnostics() {
  if (!m_lastRun) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  CDiagnosticsDlg dialog(m_lastRun->diagnostics, window(), m_lastRun->outcome.covariance);
  dialog.exec();
}

void CLattrixView::OnExportCif() {
  if (!m_lastRun) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  const QString path = m_cifDialog ? m_cifDialog()
                                   : AskSavePath(this, QStringLiteral("Export CIF"), QString::fromLatin1(kCifFileFilter),
                                                 {QStringLiteral("cif")}, SuggestedFileName("cif"));
  if (path.isEmpty()) return;
  ExportCifTo(path);
}

bool CLattrixView::ExportCifTo(const QString& path) {
  if (!m_lastRun) {
    Sink().Show("Refinement not completed !!!");
    return false;
  }
  // The refined state stays whether or not the file could be written.
  return lattrix::WriteCifFile(m_lastRun->job, PathBytes(path), Sink());
}

void CLattrixView::OnCopyResults() {
  if (!m_lastRun) {
    Sink().Show("Refinement not completed !!!");
    return;
  }
  QGuiApplication::clipboard()->setText(Q(lattrix::ResultLines(m_lastRun->job)));
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
