// The view's start-up and its commands: File New and Open, Import
// reflections and Paste, Execute, Save as input file, Show Output File, Help
// by html, the weighting boxes, Exit, Set instrument param., the result
// displays, Export CIF and Copy results (the Edit commands and the history
// are in LattrixViewEdit.cpp).
#include "ui/LattrixView.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

#include "common/TextIO.h"
#include "displays/DiagnosticsDlg.h"
#include "displays/FittingMapDlg.h"
#include "displays/FittingTableDlg.h"
#include "instrument/InstrumentDlg.h"
#include "job/InputFile.h"
#include "peaks/PeakJob.h"
#include "results/CifWriter.h"
#include "results/ResultText.h"
#include "run/RunStep.h"
#include "ui/EditListCtrl.h"
#include "ui/FileDialogs.h"
#include "ui/ImportReflectionsDlg.h"
#include "ui/MessageBoxSink.h"
#include "ui/QtText.h"

namespace {

lattrix::MessageSink* g_pSinkForNewViews = nullptr;

}  // namespace

void CLattrixView::SetSinkForNewViews(lattrix::MessageSink* sink) { g_pSinkForNewViews = sink; }

CLattrixView::CLattrixView(QWidget* parent)
    : QWidget(parent),
      m_form(this),
      m_binding(m_form),
      m_router(m_pSink, [this](const std::string& text) { AddNote(QString::fromStdString(text)); }) {
  setObjectName("lattrixView");
  m_history = new CFormHistory([this](const FormSnapshot& snapshot) { RestoreSnapshot(snapshot); }, this);
  m_defaultSink = std::make_unique<MessageBoxSink>(this);
  m_pSink = g_pSinkForNewViews ? g_pSinkForNewViews : m_defaultSink.get();
  // The commands first: a click runs its command before the form counts
  // as edited.
  ConnectCommands();
  ConnectFormEdits();
  lattrix::InitialiseJob(m_job, PathBytes(QDir::currentPath()));
}

CLattrixView::~CLattrixView() = default;

void CLattrixView::SetMessageSink(lattrix::MessageSink* sink) {
  m_pSink = sink ? sink : m_defaultSink.get();
}

void CLattrixView::ConnectCommands() {
  connect(m_form.m_pWeightCheck[0], &QCheckBox::clicked, this, &CLattrixView::OnWeightUnity);
  connect(m_form.m_pWeightCheck[1], &QCheckBox::clicked, this, &CLattrixView::OnWeightSin2);
  connect(m_form.m_pWeightCheck[2], &QCheckBox::clicked, this, &CLattrixView::OnWeightDelta2);
  connect(m_form.m_pWeightCheck[3], &QCheckBox::clicked, this, &CLattrixView::OnWeightSinDelta);
  connect(m_form.m_pWeightCheck[4], &QCheckBox::clicked, this, &CLattrixView::OnWeightEsd);
  connect(m_form.m_listReflection, &CEditListCtrl::pasteRequested, this, &CLattrixView::OnPasteReflections);
  connect(m_form.m_buttonAdd, &QPushButton::clicked, this, &CLattrixView::OnAddRow);
  connect(m_form.m_buttonDelete, &QPushButton::clicked, this, &CLattrixView::OnDeleteRow);
  connect(m_form.m_checkInternalStd, &QCheckBox::clicked, this, &CLattrixView::OnInternalCalibration);
  connect(m_form.m_buttonInstrument, &QPushButton::clicked, this, &CLattrixView::OnSetInstrument);
}

// What the user does to the form (programs' changes are followed by a new
// saved state or are checked when the question is due).
void CLattrixView::ConnectFormEdits() {
  // The tied cell fields follow before the form's state is compared.
  const auto follow = [this] { m_binding.FollowFreeCellFields(); };
  for (QLineEdit* edit : m_form.m_editCell) connect(edit, &QLineEdit::textEdited, this, follow);
  connect(m_form.m_comboCrystalSystem, &QComboBox::activated, this, follow);
  for (QLineEdit* edit : m_form.m_editCell) connect(edit, &QLineEdit::textEdited, this, &CLattrixView::OnFormEdited);
  for (QLineEdit* edit : m_form.m_editKnown) connect(edit, &QLineEdit::textEdited, this, &CLattrixView::OnFormEdited);
  connect(m_form.m_editTitle, &QLineEdit::textEdited, this, &CLattrixView::OnFormEdited);
  connect(m_form.m_comboCrystalSystem, &QComboBox::activated, this, &CLattrixView::OnFormEdited);
  connect(m_form.m_corrGroup, &QButtonGroup::idClicked, this, &CLattrixView::OnFormEdited);
  for (QCheckBox* box : m_form.m_pWeightCheck) connect(box, &QCheckBox::clicked, this, &CLattrixView::OnFormEdited);
  connect(m_form.m_checkInternalStd, &QCheckBox::clicked, this, &CLattrixView::OnFormEdited);
  connect(m_form.m_listReflection, &CEditListCtrl::cellEdited, this, &CLattrixView::OnFormEdited);
  connect(m_form.m_listSilicon, &CEditListCtrl::cellEdited, this, &CLattrixView::OnFormEdited);
}

void CLattrixView::OnCreate() {
  ShowTitle();
  lattrix::InitialiseJob(m_job, PathBytes(QDir::currentPath()));
}

void CLattrixView::OnInitialUpdate(const QString& commandLinePath) {
  m_binding.ShowDefaults(m_job);
  if (!commandLinePath.isEmpty()) {
    m_job.m_strInputPath = PathBytes(QFileInfo(commandLinePath).absoluteFilePath());
    // An opened file takes its saved state and history as File Open does.
    if (ReadInputFile()) {
      ShowOpenedFile();
      Q_EMIT jobStateChanged();
      return;
    }
  }
  TakeSavedState(m_document.JobFile());
  m_history->Start(Snapshot());
  Q_EMIT jobStateChanged();
}

void CLattrixView::ShowTitle() {
  // "[*]" is where the window shows its modified mark; a literal "[*]" in
  // the file's name is written twice to stay literal.
  QString name = JobName();
  name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  window()->setWindowTitle(name + QStringLiteral("[*] - Lattrix"));
}

// Everything of the job that the user can change: the form's fields, boxes
// and cells, and the instrument.
QStringList CLattrixView::FormState() const {
  return m_binding.FormState() << QString::number(m_job.m_dWavelength, 'g', 17)
                               << QString::number(m_job.m_dGonioRadius, 'g', 17);
}

void CLattrixView::TakeSavedState(const QString& jobFile) {
  m_document.TakeSavedState(jobFile, FormState());
  ShowTitle();
  ShowInstrument();
  window()->setWindowModified(false);
}

void CLattrixView::ShowInstrument() {
  m_form.m_labelInstrument->setText(QStringLiteral("\u03bb %1 \u00c5, R %2 mm")
                                        .arg(Q(lattrix::PlainValue(m_job.m_dWavelength)),
                                             Q(lattrix::PlainValue(m_job.m_dGonioRadius))));
}

void CLattrixView::ShowResults() {
  m_binding.ShowResults(m_job);
  m_resultsState = FormState();
}

void CLattrixView::ShowFormState() {
  ShowInstrument();
  const QStringList state = FormState();
  if (HasResult()) m_binding.MarkResultsStale(state != m_resultsState);
  window()->setWindowModified(m_document.IsModified(state));
  Q_EMIT formChanged();
}

bool CLattrixView::MaybeSaveChanges() {
  m_binding.CommitOpenEdits();
  if (!IsModified() || !CanSave()) return true;
  const int answer = m_document.AskSaveChanges(window());
  if (answer == QMessageBox::Save) return SaveJobAs();
  return answer == QMessageBox::Discard;
}

// A refused file leaves the job as the form shows it.
bool CLattrixView::ReadInputFile() { return lattrix::ReadInputFile(m_job, Sink()); }

void CLattrixView::ShowOpenedFile() {
  m_binding.ClearJob();
  ShowJob();
  TakeSavedState(PathText(m_job.m_strInputPath));
  m_history->Start(Snapshot());
  Q_EMIT inputFileUsed(PathText(m_job.m_strInputPath));
}

void CLattrixView::OnFileNew() {
  if (!MaybeSaveChanges()) return;
  m_binding.CloseOpenEdits();
  lattrix::ResetJob(m_job);
  m_document.ForgetRun();
  m_binding.ClearJob();
  TakeSavedState(QString());
  m_history->Start(Snapshot());
  Q_EMIT jobStateChanged();
}

void CLattrixView::OnFileOpen() {
  if (!MaybeSaveChanges()) return;
  const QString path = m_openDialog ? m_openDialog()
                                    : AskOpenPath(this, QStringLiteral("Open"), QString::fromLatin1(kJobFileFilter));
  if (path.isEmpty()) return;
  OpenInputFile(path);
}

bool CLattrixView::OpenInputFile(const QString& path) {
  m_binding.CommitOpenEdits();
  const bool ok = CJobDocument::ReadJobFile(m_job, path, Sink());
  if (ok) {
    m_document.ForgetRun();
    ShowOpenedFile();
  }
  Q_EMIT jobStateChanged();
  return ok;
}

void CLattrixView::OnImportReflections() {
  m_binding.CommitOpenEdits();
  const QString path = m_importDialog ? m_importDialog()
                                      : AskOpenPath(this, QStringLiteral("Import reflections"),
                                                    QString::fromLatin1(kPeakFileFilter));
  if (!path.isEmpty()) ImportReflectionsFrom(path);
}

bool CLattrixView::ImportReflectionsFrom(const QString& path) {
  m_binding.CommitOpenEdits();
  lattrix::PeakList list;
  // The trial cell and the wavelength as the form holds them now assign
  // the h k l.
  lattrix::Job gathered = m_job;
  if (!lattrix::ReadPeakFile(PathBytes(path), lattrix::PeakUnits::kTwoTheta, list, Sink()) ||
      !m_binding.CollectJob(gathered, Sink()))
    return false;
  CImportReflectionsDlg dialog(path, list, gathered, window());
  if (dialog.exec() != QDialog::Accepted) return false;
  return TakeReflections(dialog.List(), gathered, [&](lattrix::Job& job) {
    lattrix::Assignment assignment;
    return lattrix::TakePeakList(job, dialog.List(), dialog.Options(), assignment, Sink());
  });
}

void CLattrixView::OnPasteReflections() { PasteReflections(QGuiApplication::clipboard()->text()); }

bool CLattrixView::PasteReflections(const QString& text) {
  m_binding.CommitOpenEdits();
  lattrix::PeakList list;
  lattrix::Job gathered = m_job;
  if (!lattrix::ReadPeakText(text.toStdString(), "the pasted rows", lattrix::PeakUnits::kTwoTheta, list, Sink()) ||
      !m_binding.CollectJob(gathered, Sink()))
    return false;
  // Below the job's rows the pasted ones follow its last row.
  const int first = std::clamp(ReflectionList()->GetFirstSelectedRow(), 0, gathered.m_nReflections);
  return TakeReflections(list, gathered, [&](lattrix::Job& job) {
    lattrix::Job indexed = job;
    lattrix::Assignment assignment;
    if (!lattrix::TakePeakList(indexed, list, lattrix::AssignmentOptions(), assignment, Sink())) return false;
    if (!assignment.leftOut.empty()) {
      Sink().Show(assignment.Summary() + "\n The pasted rows were not taken: every row needs h k l.");
      return false;
    }
    return lattrix::TakeAssignedPeaks(job, assignment.assigned, Sink(), first);
  });
}

bool CLattrixView::TakeReflections(const lattrix::PeakList& list, lattrix::Job& gathered,
                                   const std::function<bool(lattrix::Job&)>& take) {
  // Values that were never 2theta take no correction of 2theta.
  const bool notTwoTheta =
      lattrix::CorrectionNeedsTwoTheta(list.units, gathered.m_nCorrection);
  if (notTwoTheta) gathered.m_nCorrection = lattrix::kNoCorrection;
  if (!take(gathered)) return false;
  m_job = gathered;
  m_binding.ShowReflections(m_job);
  if (notTwoTheta) {
    m_binding.SetCorrection(lattrix::kNoCorrection);
    AddNote(QStringLiteral("The reflections are %1 values, not 2theta as measured: the correction is now "
                           "No correction.")
                .arg(QString::fromLatin1(lattrix::PeakUnitsName(list.units))));
  }
  RecordStep(QStringLiteral("Reflections"));
  Q_EMIT jobStateChanged();
  return true;
}

void CLattrixView::AddNote(const QString& text) {
  m_notes.append(text);
  Q_EMIT noteShown(text);
}

void CLattrixView::OnRefineExecute() {
  m_binding.CommitOpenEdits();
  lattrix::SiliconStandard silicon;
  if (!CollectJob() || !CollectSilicon(silicon)) {
    Q_EMIT jobStateChanged();
    return;
  }
  const lattrix::RunResult run = lattrix::RunJob(m_job, silicon, Sink());
  if (run.refined) {
    m_document.KeepRun(run);
    ShowResults();
    // A report window left open shows the new report.
    if (m_reportViewer && m_reportViewer->isVisible()) m_reportViewer->LoadFile(PathText(m_job.m_strReportPath));
  } else if (run.undefined) {
    // The messages have said why; no number of the run is shown, and the
    // result commands are off.
    m_document.ForgetRun();
    ClearResults();
  }
  // The run gathered the form into the job: the next step starts from it.
  m_history->Follow(Snapshot());
  Q_EMIT jobStateChanged();
}

void CLattrixView::OnShowOutputFile() {
  if (!LastRunOrSay()) return;
  if (!m_reportViewer) m_reportViewer = new CReportViewer(window());
  std::string reason;
  if (!m_reportViewer->LoadFile(PathText(m_job.m_strReportPath), &reason)) {
    Sink().Show("Output file not open !!!\n" + lattrix::PrintableText(m_job.m_strReportPath, 200) + ": " + reason);
    return;
  }
  m_reportViewer->show();
  m_reportViewer->raise();
  m_reportViewer->activateWindow();
}

bool CLattrixView::SaveJobAs() {
  m_binding.CommitOpenEdits();
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
  const bool ok = CJobDocument::WriteJobFile(m_job, path, Sink());
  m_history->Follow(Snapshot());
  if (ok) {
    TakeSavedState(path);
    Q_EMIT inputFileUsed(path);
  }
  Q_EMIT jobStateChanged();
  return ok;
}

void CLattrixView::OnHelpHtml() {
  const QString page = CHelpWindow::FindPage(PathText(m_job.m_strWorkDir));
  if (page.isEmpty()) {
    Sink().Beep();
    Sink().Show("Cannot execute html file !!!");
    return;
  }
  if (!m_helpWindow) m_helpWindow = new CHelpWindow(window());
  m_helpWindow->ShowPage(page);
}

void CLattrixView::SetWeighting(int code) {
  // The five boxes act as one group: the clicked box stays checked, even
  // when it was checked already.
  m_job.m_nWeighting = code;
  m_binding.SetWeighting(code);
}

void CLattrixView::OnAppExit() { window()->close(); }

void CLattrixView::OnSetInstrument() {
  CInstrumentDlg dialog(m_job.m_dWavelength, m_job.m_dGonioRadius, &Sink(), window());
  if (dialog.exec() == QDialog::Accepted) {
    m_job.m_dWavelength = dialog.Wavelength();
    m_job.m_dGonioRadius = dialog.Radius();
    RecordStep(QStringLiteral("Instrument"));
  }
}

void CLattrixView::OnInternalCalibration() {
  // The switch follows the box, so that box, list and job always agree.
  m_job.m_bInternalStd = m_binding.InternalCalibration() ? 1 : 0;
  if (m_job.m_bInternalStd != 1) SiliconList()->CommitCellEdit();
  SiliconList()->setEnabled(m_job.m_bInternalStd == 1);
}

const lattrix::RunResult* CLattrixView::LastRunOrSay() {
  const lattrix::RunResult* run = m_document.LastRun();
  if (!run) Sink().Show("Refinement not completed !!!");
  return run;
}

// The result displays show the last refinement from its result in memory;
// they are modal, and nothing comes back to the job.
void CLattrixView::OnShowFittingTable() {
  if (const lattrix::RunResult* run = LastRunOrSay()) {
    CFittingTableDlg dialog(lattrix::FittingTableOf(run->outcome), SuggestedFileName("csv"), Sink(), window());
    dialog.exec();
  }
}

void CLattrixView::OnShowFittingFigure() {
  if (const lattrix::RunResult* run = LastRunOrSay()) {
    CFittingMapDlg dialog(run->outcome, SuggestedFileName("png"), Sink(), window());
    dialog.exec();
  }
}

void CLattrixView::OnShowDiagnostics() {
  if (const lattrix::RunResult* run = LastRunOrSay()) {
    CDiagnosticsDlg dialog(run->diagnostics, window(), run->outcome.covariance);
    dialog.exec();
  }
}

void CLattrixView::OnExportCif() {
  if (!LastRunOrSay()) return;
  const QString path = m_cifDialog ? m_cifDialog()
                                   : AskSavePath(this, QStringLiteral("Export CIF"), QString::fromLatin1(kCifFileFilter),
                                                 {QStringLiteral("cif")}, SuggestedFileName("cif"));
  if (path.isEmpty()) return;
  ExportCifTo(path);
}

bool CLattrixView::ExportCifTo(const QString& path) {
  // The refined state stays whether or not the file could be written.
  const lattrix::RunResult* run = LastRunOrSay();
  return run && lattrix::WriteCifFile(run->job, PathBytes(path), Sink());
}

void CLattrixView::OnCopyResults() {
  if (const lattrix::RunResult* run = LastRunOrSay())
    QGuiApplication::clipboard()->setText(Q(lattrix::ResultLines(run->job)));
}
