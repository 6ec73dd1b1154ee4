// The view: the program's only window content. It owns the one refinement
// job and the form's widgets; each command gathers the form into the job,
// calls one core operation and shows what came back. The widgets are in
// JobForm.h, the transfers between job and form in FormBinding.h, the
// file, changed state and last result in JobDocument.h.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

#include "calibration/Calibration.h"
#include "common/MessageSink.h"
#include "job/Job.h"
#include "peaks/PeakList.h"
#include "ui/FormBinding.h"
#include "ui/FormHistory.h"
#include "ui/HelpWindow.h"
#include "ui/JobDocument.h"
#include "ui/JobForm.h"
#include "ui/MessageBoxSink.h"
#include "ui/ReportViewer.h"

class CEditListCtrl;

class CLattrixView : public QWidget {
  Q_OBJECT

 public:
  explicit CLattrixView(QWidget* parent = nullptr);
  ~CLattrixView() override;

  lattrix::Job& job() { return m_job; }
  const lattrix::Job& job() const { return m_job; }

  // Start-up, once the view sits in its frame: the frame title, the
  // instrument and job defaults, the working directory and report path.
  void OnCreate();
  // Builds the two lists and the combo box, shows the defaults and, when a
  // path is given, reads that input file.
  void OnInitialUpdate(const QString& commandLinePath = QString());

  // Job and form (FormBinding.h says how values are read back).
  bool ReadInputFile();
  void ShowJob() { m_binding.ShowJob(m_job); }
  bool CollectJob() { return m_binding.CollectJob(m_job, Sink()); }
  // The results shown belong to the form as it is now; an edit after them
  // marks them stale until the next Execute.
  void ShowResults();
  void ClearResults() { m_binding.ClearResults(); }
  // The silicon list as the calibration reads it; false after a message.
  bool CollectSilicon(lattrix::SiliconStandard& silicon) { return m_binding.CollectSilicon(m_job, silicon, Sink()); }

  // The steps after the file dialogs (the dialogs come first in OnFileOpen
  // and OnSaveAsInputFile).
  bool OpenInputFile(const QString& path);
  bool SaveInputFileAs(const QString& path);
  // Writes the last refinement's cell as CIF (the step after the dialog of
  // OnExportCif).
  bool ExportCifTo(const QString& path);
  // The peak list at `path` reviewed in its dialog and, after OK, the
  // Reflection List (the step after the file dialog of OnImportReflections).
  bool ImportReflectionsFrom(const QString& path);
  // Rows copied from a spreadsheet or a text editor, read as a peak list
  // (2theta unless a header says otherwise), replace the Reflection List
  // from the selected row down: rows with h k l as they are, rows without
  // assigned from the form's trial cell. All or nothing: a list that does
  // not read, or a peak without a reflection, changes nothing.
  bool PasteReflections(const QString& text);

  // Messages go to this sink (the default shows message boxes). Tests put a
  // recording sink here; nullptr restores the default.
  void SetMessageSink(lattrix::MessageSink* sink);
  // The sink that views created from now on start with (nullptr: message
  // boxes). Lets a test drive start-up without a modal box.
  static void SetSinkForNewViews(lattrix::MessageSink* sink);
  // Refusals to the message sink, notes to the message area as well.
  lattrix::MessageSink& Sink() { return m_router; }
  // The notes of this session, oldest first (the message area's history).
  const QStringList& Notes() const { return m_notes; }
  // The file dialogs, replaceable so that tests need no modal dialog. Each
  // returns the chosen path, or an empty text when cancelled.
  void SetOpenFileDialog(std::function<QString()> dialog) { m_openDialog = std::move(dialog); }
  void SetSaveFileDialog(std::function<QString()> dialog) { m_saveDialog = std::move(dialog); }
  void SetCifFileDialog(std::function<QString()> dialog) { m_cifDialog = std::move(dialog); }
  void SetImportFileDialog(std::function<QString()> dialog) { m_importDialog = std::move(dialog); }
  // The question before unsaved changes are dropped, replaceable so that
  // tests need no modal box. It gets the question and returns
  // QMessageBox::Save, Discard or Cancel.
  void SetSaveChangesPrompt(std::function<int(const QString&)> prompt) {
    m_document.SetSaveChangesPrompt(std::move(prompt));
  }

  QString JobName() const { return m_document.JobName(); }
  QString SuggestedFileName(const char* suffix) const { return m_document.SuggestedFileName(suffix); }
  // True while the form differs from the job last opened or saved (or the
  // empty one of File New).
  bool IsModified() const { return m_document.IsModified(FormState()); }
  // Before the job is dropped (quit, File New, File Open): for a changed job
  // that can be saved, asks "Save changes to <name>?" and saves, discards
  // or cancels. True when the caller may go on.
  bool MaybeSaveChanges();
  // Execute: a file was read, or the Reflection List holds a reflection.
  bool CanExecute() const { return m_job.m_bInputLoaded || m_binding.HasReflection(); }
  // Save as input file: after a refinement, or for a job with a title or a
  // reflection on the form.
  bool CanSave() const { return m_job.m_bRefined || m_binding.HasTitle() || m_binding.HasReflection(); }

  QUndoStack* History() const { return m_history->Stack(); }
  CEditListCtrl* ReflectionList() const { return m_form.m_listReflection; }
  CEditListCtrl* SiliconList() const { return m_form.m_listSilicon; }
  CReportViewer* ReportViewer() const { return m_reportViewer; }
  CHelpWindow* HelpWindow() const { return m_helpWindow; }
  // A completed refinement is kept (JobDocument.h says how long).
  bool HasResult() const { return m_document.LastRun() != nullptr; }
  // The correction mode and the weighting the form's buttons select now
  // (what Execute would take); a series runs with them.
  int FormCorrection() const { return m_binding.FormCorrection(m_job.m_nCorrection); }
  int FormWeighting() const { return m_binding.FormWeighting(m_job.m_nWeighting); }

 public Q_SLOTS:
  void OnFileNew();
  void OnFileOpen();
  void OnRefineExecute();
  void OnShowOutputFile();
  void OnSaveAsInputFile() { SaveJobAs(); }
  void OnHelpHtml();
  void OnWeightUnity() { SetWeighting(lattrix::kUnity); }
  void OnWeightSin2() { SetWeighting(lattrix::kSin2Theta); }
  void OnWeightDelta2() { SetWeighting(lattrix::kDelta2Theta); }
  void OnWeightSinDelta() { SetWeighting(lattrix::kSinDelta); }
  void OnWeightEsd() { SetWeighting(lattrix::kEsd); }
  // File > Import reflections: a peak list from a file.
  void OnImportReflections();
  // Ctrl+V on the Reflection List: the clipboard's rows.
  void OnPasteReflections();
  // Add inserts an empty reflection above the selected row, Delete removes
  // the selected one; what belongs to a row moves with it.
  void OnAddRow();
  void OnDeleteRow();
  void OnAppExit();
  void OnSetInstrument();
  void OnInternalCalibration();
  // The result displays of the last refinement (fitting table and map).
  void OnShowFittingTable();
  void OnShowFittingFigure();
  // Leverage and influence of each reflection on the last refinement.
  void OnShowDiagnostics();
  // The last refinement's cell as a CIF file.
  void OnExportCif();
  // The result fields as "a = 4.91342(4) A" lines on the clipboard.
  void OnCopyResults();
  // Cut, Copy and Paste of the Edit menu: on the text field or the list
  // that has the keyboard.
  void OnEditCut();
  void OnEditCopy();
  void OnEditPaste();

 Q_SIGNALS:
  // The job's flags may have changed: the frame refreshes its commands.
  void jobStateChanged();
  // A file was opened or saved under this path (the recent-file list).
  void inputFileUsed(const QString& path);
  // The user changed the form (the commands that follow its content).
  void formChanged();
  // A note after which the work goes on (the frame's message area shows it).
  void noteShown(const QString& text);

 private:
  void ConnectCommands();
  void ConnectFormEdits();
  void OnFormEdited() { RecordStep(QString()); }
  // The user's change as one step of the history (named after the widget
  // that sent it when `name` is empty), then the marks that follow it.
  void RecordStep(const QString& name);
  // The job and the form now, as the history keeps them.
  FormSnapshot Snapshot() const { return {m_job, FormState()}; }
  // Undo and Redo: the job and form of a step (the files stay the job's).
  void RestoreSnapshot(const FormSnapshot& snapshot);
  // The instrument line, the stale results, the modified mark.
  void ShowFormState();
  // The form's state with the instrument, which the form does not show.
  QStringList FormState() const;
  // The form as it is now becomes the unchanged job (after Open, Save, New).
  void TakeSavedState(const QString& jobFile);
  void ShowTitle();
  // "lambda 1.5405981 A, R 185 mm": the instrument of the next run.
  void ShowInstrument();
  void ShowOpenedFile();
  bool SaveJobAs();
  void SetWeighting(int code);
  // Keeps the note in the history and hands it to the message area.
  void AddNote(const QString& text);
  // The job with the list's reflections from `firstRow` on (the list taken
  // as `take` says) becomes the form's; a d or Q list turns the correction
  // off with a note.
  bool TakeReflections(const lattrix::PeakList& list, lattrix::Job& gathered,
                       const std::function<bool(lattrix::Job&)>& take);
  // The last refinement; nullptr after saying that there is none.
  const lattrix::RunResult* LastRunOrSay();

  lattrix::Job m_job;
  CJobForm m_form;
  CFormBinding m_binding;
  CJobDocument m_document;
  CFormHistory* m_history = nullptr;
  // The form's state when the results shown were computed.
  QStringList m_resultsState;

  std::unique_ptr<lattrix::MessageSink> m_defaultSink;
  lattrix::MessageSink* m_pSink = nullptr;
  NoteRouter m_router;
  QStringList m_notes;
  std::function<QString()> m_openDialog;
  std::function<QString()> m_saveDialog;
  std::function<QString()> m_cifDialog;
  std::function<QString()> m_importDialog;
  QPointer<CReportViewer> m_reportViewer;
  QPointer<CHelpWindow> m_helpWindow;
};
