// The form's widgets: Input Data (title, crystal system, trial cell,
// corrections, weighting, Reflection List with Add and Delete), Output Data
// and the silicon list, laid out on a host widget in the form's font. The
// widgets carry object names by which tests and the help page know them;
// the host owns them. What they show and what is read back from them is
// the binding's business (FormBinding.h).
#pragma once

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QWidget;
class CEditListCtrl;

class CJobForm {
 public:
  // Columns of the Reflection List and of the silicon list.
  enum { kColNo = 0, kColH = 1, kColK = 2, kColL = 3, kColTwoTheta = 4, kColEsd = 5 };
  enum { kSiColReference = 4, kSiColObserved = 5 };

  explicit CJobForm(QWidget* host);
  CJobForm(const CJobForm&) = delete;
  CJobForm& operator=(const CJobForm&) = delete;

  QWidget* Host() const { return m_host; }

  // Input Data.
  QLineEdit* m_editTitle = nullptr;
  QComboBox* m_comboCrystalSystem = nullptr;
  // "lambda 1.5405981 A, R 185 mm" and the button to the Instrument dialog.
  QLabel* m_labelInstrument = nullptr;
  QPushButton* m_buttonInstrument = nullptr;
  QLineEdit* m_editCell[6] = {};
  // The five correction modes, button id = mode (1..5).
  QAbstractButton* m_pCorrRadio[5] = {};
  QButtonGroup* m_corrGroup = nullptr;
  // The five weighting schemes, index = scheme (0..4, the last the esd's).
  static constexpr int kWeightings = 5;
  QCheckBox* m_pWeightCheck[kWeightings] = {};
  // Manual mode's known zero (deg), displacement (mm) and absorption
  // coefficient, shown while Manual is chosen.
  QLineEdit* m_editKnown[3] = {};
  CEditListCtrl* m_listReflection = nullptr;
  QPushButton* m_buttonAdd = nullptr;
  QPushButton* m_buttonDelete = nullptr;
  // Output Data: never read back.
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
  // Shown while the results are those of a job the user has changed since.
  QLabel* m_labelStale = nullptr;
  // The internal silicon standard.
  QCheckBox* m_checkInternalStd = nullptr;
  CEditListCtrl* m_listSilicon = nullptr;

 private:
  QWidget* BuildInputGroup();
  QWidget* BuildCellGroup(QWidget* parent);
  QLayout* BuildInstrumentLine(QWidget* parent);
  QLayout* BuildModeGroups(QWidget* parent);
  QWidget* BuildKnownCorrections(QWidget* parent);
  QWidget* BuildReflectionGroup(QWidget* parent);
  QWidget* BuildOutputGroup();
  QWidget* BuildSiliconGroup();
  void SizeLists();

  QWidget* m_host;
};
