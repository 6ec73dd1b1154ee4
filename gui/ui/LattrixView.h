// The form: the program's only window content. It owns the one refinement
// job, shows it, lets the user edit it, gathers it back for a refinement or
// a save, and shows the results.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "calibration/Calibration.h"
#include "common/MessageSink.h"
#include "diagnostics/Diagnostics.h"
#include "engine/Covariance.h"
#include "job/Job.h"
#include "run/RunStep.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QLayout;
class QPushButton;
class CEditListCtrl;
#include "ui/HelpWindow.h"
#include "ui/ReportViewer.h"

class CLattrixView : public QWidget {
  Q_OBJECT

 public:
  // Columns of the Reflection List and of the silicon list.
  enum { kColNo = 0, kColH = 1, kColK = 2, kColL = 3, kColTwoTheta = 4 };
  enum { kSiColReference = 4, kSiColObserved = 5 };

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

  // Job and form.
  bool ReadInputFile();
  void ShowJob();
  // Gathers the form into the job. A field or cell whose text the user did
  // not change keeps the job's value at full precision; an edited one must
  // hold one number (h, k, l: one whole number), else the message names it
  // and the job is left as it was. The Reflection List ends at its last
  // filled row; an empty row above a filled one is refused.
  bool CollectJob();
  void ShowResults();
  void ClearResults();
  void ClearReflectionList();
  // The silicon list as the calibration reads it; false after a message.
  bool CollectSilicon(lattrix::SiliconStandard& silicon);

  // The steps after the file dialogs (the dialogs come first in OnFileOpen
  // and OnSaveAsInputFile).
  bool OpenInputFile(const QString& path);
  bool SaveInputFileAs(const QString& path);
  // Writes the last refinement's cell as CIF (the step after the dialog of
  // OnExportCif).
  bool ExportCifTo(const QString& path);

  // Where the help page is: the working directory first, then beside the
  // program (build tree), then the installed copy. Empty when none exists.
  QString FindHelpPage() const;

  // Messages go to this sink (the default shows message boxes). Tests put a
  // recording sink here; nullptr restores the default.
  void SetMessageSink(lattrix::MessageSink* sink);
  // The sink that views created from now on start with (nullptr: message
  // boxes). Lets a test drive start-up without a modal box.
  static void SetSinkForNewViews(lattrix::MessageSink* sink);
  lattrix::MessageSink& Sink();
  // The file dialogs, replaceable so that tests need no modal dialog. Each
  // returns the chosen path, or an empty text when cancelled.
  void SetOpenFileDialog(std::function<QString()> dialog) { m_openDialog = std::move(dialog); }
  void SetSaveFileDialog(std::function<QString()> dialog) { m_saveDialog = std::move(dialog); }
  void SetCifFileDialog(std::function<QString()> dialog) { m_cifDialog = std::move(dialog); }
  // The question before unsaved changes are dropped, replaceable so that
  // tests need no modal box. It gets the question and returns
  // QMessageBox::Save, Discard or Cancel.
  void SetSaveChangesPrompt(std::function<int(const QString&)> prompt) { m_saveChangesPrompt = std::move(prompt); }

  // The job as a document. Its name: the file's name, "Untitled" for a new
  // job; suggested file names are its base name with a suffix.
  QString JobName() const;
  QString SuggestedFileName(const char* suffix) const;
  // True while the form differs from the job last opened or saved (or the
  // empty one of File New).
  bool IsModified() const;
  // Before the job is dropped (quit, File New, File Open): for a changed job
  // that can be saved, asks "Save changes to <name>?" and saves, discards
  // or cancels. True when the caller may go on.
  bool MaybeSaveChanges();
  // Execute: a file was read, or the Reflection List holds a reflection.
  bool CanExecute() const;
  // Save as input file: after a refinement, or for a job with a title or a
  // reflection on the form.
  bool CanSave() const;

  CEditListCtrl* ReflectionList() const { return m_listReflection; }
  CEditListCtrl* SiliconList() const { return m_listSilicon; }
  CReportViewer* ReportViewer() const { return m_reportViewer; }
  CHelpWindow* HelpWindow() const { return m_helpWindow; }
  // A completed refinement is kept until File New, File Open or a run whose
  // result is not defined; a refused Execute leaves it as it was.
  bool HasResult() const { return m_lastRun.has_value(); }
  // The diagnostics of the last completed refinement; nullptr when there is
  // none.
  const lattrix::DiagnosticsResult* Diagnostics() const {
    return m_lastRun ? &m_lastRun->diagnostics : nullptr;
  }
  // The correction mode and the weighting the form's buttons select now
  // (what Execute would take); a series runs with them.
  int FormCorrection() const;
  int FormWeighting() const;

 public Q_SLOTS:
  void OnFileNew();
  void OnFileOpen();
  void OnRefineExecute();
  void OnShowOutputFile();
  void OnSaveAsInputFile();
  void OnHelpHtml();
  void OnWeightUnity() { SetWeighting(lattrix::kUnity); }
  void OnWeightSin2() { SetWeighting(lattrix::kSin2Theta); }
  void OnWeightDelta2() { SetWeighting(lattrix::kDelta2Theta); }
  void OnWeightSinDelta() { SetWeighting(lattrix::kSinDelta); }
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

 Q_SIGNALS:
  // The job's flags may have changed: the frame refreshes its commands.
  void jobStateChanged();
  // A file was opened or saved under this path (the recent-file list).
  void inputFileUsed(const QString& path);
  // The user changed the form (the commands that follow its content).
  void formChanged();

 private:
  void BuildForm();
  QWidget* BuildInputGroup();
  QWidget* BuildCellGroup(QWidget* parent);
  QLayout* BuildModeGroups(QWidget* parent);
  QWidget* BuildKnownCorrections(QWidget* parent);
  QWidget* BuildReflectionGroup(QWidget* parent);
  QWidget* BuildOutputGroup();
  QWidget* BuildSiliconGroup();
  void SizeLists();
  void ConnectFormEdits();
  void OnFormEdited();
  QStringList FormState() const;
  // The form as it is now becomes the unchanged job (after Open, Save, New).
  void TakeSavedState(const QString& jobFile);
  void ShowTitle();
  bool SaveJobAs();
  void SetWeighting(int code);
  void CommitOpenEdits();
  void ShowOpenedFile();
  void ClearSiliconObserved();
  void NumberRows();
  bool FieldNumber(const QLineEdit* edit, double shown, double& value) const;
  bool CollectCell(lattrix::Job& job);
  bool CollectKnownCorrections(lattrix::Job& job);
  void ShowKnownCorrections();
  bool RowFilled(int row) const;
  bool HasReflection() const;
  bool CollectReflections(lattrix::Job& job);
  bool CollectReflectionRow(int row, lattrix::Job& job);
  QString FormatNumber(double value) const;
  void ForgetRefinement() { m_lastRun.reset(); }

  lattrix::Job m_job;

  QLineEdit* m_editTitle = nullptr;
  QComboBox* m_comboCrystalSystem = nullptr;
  QLineEdit* m_editCell[6] = {};
  QAbstractButton* m_pCorrRadio[5] = {};
  QButtonGroup* m_corrGroup = nullptr;
  QCheckBox* m_pWeightCheck[4] = {};
  // Manual mode's known zero (deg), displacement (mm) and absorption
  // coefficient, shown while Manual is chosen. m_dKnown keeps the values
  // the fields were filled with, at full precision.
  QLineEdit* m_editKnown[3] = {};
  double m_dKnown[3] = {};
  CEditListCtrl* m_listReflection = nullptr;
  QPushButton* m_buttonAdd = nullptr;
  QPushButton* m_buttonDelete = nullptr;
  QLineEdit* m_editRefinedCell[6] = {};
  QLineEdit* m_editCellSigma[6] = {};
  QLineEdit* m_editVolume = nullptr;
  QLineEdit* m_editVolumeSigma = nullptr;
  QLineEdit* m_editZero = nullptr;
  QLineEdit* m_editDisp = nullptr;
  QLineEdit* m_editEmu = nullptr;
  QLineEdit* m_editZeroSigma = nullptr;
  QLineEdit* m_editDispSigma = nullptr;
  QLineEdit* m_editEmuSigma = nullptr;
  QCheckBox* m_checkInternalStd = nullptr;
  CEditListCtrl* m_listSilicon = nullptr;

  std::unique_ptr<lattrix::MessageSink> m_defaultSink;
  lattrix::MessageSink* m_pSink = nullptr;
  std::function<QString()> m_openDialog;
  std::function<QString()> m_saveDialog;
  std::function<QString()> m_cifDialog;
  std::function<int(const QString&)> m_saveChangesPrompt;
  QPointer<CReportViewer> m_reportViewer;
  QPointer<CHelpWindow> m_helpWindow;
  // The file the job was last opened from or saved to (empty for a new
  // job), and the form as it was then.
  QString m_strJobFile;
  QStringList m_savedState;
  // The last completed refinement, whole: what the result displays, the
  // CIF and Copy results show. The job itself changes later (a save gathers
  // the form again, and in Manual mode the corrections would be taken as
  // known), so nothing of the result is rebuilt from it afterwards.
  std::optional<lattrix::RunResult> m_lastRun;
};
