// The form's layout: the groups of Input Data, Output Data and the silicon
// list, their fields, buttons and lists, sized for the form's font.
#include "ui/JobForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "job/Job.h"
#include "ui/EditListCtrl.h"

using lattrix::kSiliconReflections;

namespace {

const char* const kCellLabels[6] = {"a :", "b :", "c :", "alpha :", "beta :", "gamma :"};

QLineEdit* NumberEdit(QWidget* parent, const char* name, bool readOnly) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setReadOnly(readOnly);
  const QFontMetrics metrics(parent->font());
  // Room for "%8.4lf" of a four-digit value with its sign.
  edit->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("-00000.00000")) + 12);
  return edit;
}

QLabel* FieldLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return label;
}

// The unit after a field: cell lengths in Angstrom, angles in degrees.
const QString kAngstrom = QStringLiteral("\u00c5");
const QString kDegree = QStringLiteral("\u00b0");
QLabel* UnitLabel(const QString& unit, QWidget* parent) { return new QLabel(unit, parent); }
QString CellUnit(int j) { return j < 3 ? kAngstrom : kDegree; }

}  // namespace

CJobForm::CJobForm(QWidget* host) : m_host(host) {
  host->setFont(QFont(QStringLiteral("Times New Roman"), 9));
  auto* top = new QHBoxLayout(host);
  top->addWidget(BuildInputGroup(), 1);
  auto* right = new QVBoxLayout;
  right->addWidget(BuildOutputGroup());
  right->addWidget(BuildSiliconGroup(), 1);
  top->addLayout(right);
  SizeLists();
}

// Input Data: title, crystal system, trial cell, corrections, weighting and
// the Reflection List.
QWidget* CJobForm::BuildInputGroup() {
  auto* input = new QGroupBox(QStringLiteral("Input Data"), m_host);
  auto* inputLayout = new QVBoxLayout(input);
  auto* head = new QGridLayout;
  m_editTitle = new QLineEdit(input);
  m_editTitle->setObjectName("editTitle");
  m_comboCrystalSystem = new QComboBox(input);
  m_comboCrystalSystem->setObjectName("comboCrystalSystem");
  m_comboCrystalSystem->setEditable(false);
  head->addWidget(FieldLabel(QStringLiteral("Title :"), input), 0, 0);
  head->addWidget(m_editTitle, 0, 1, 1, 2);
  head->addWidget(FieldLabel(QStringLiteral("Crystal System :"), input), 1, 0);
  head->addWidget(m_comboCrystalSystem, 1, 1);
  head->addLayout(BuildInstrumentLine(input), 1, 2);
  head->setColumnStretch(2, 1);
  inputLayout->addLayout(head);
  inputLayout->addWidget(BuildCellGroup(input));
  inputLayout->addLayout(BuildModeGroups(input));
  inputLayout->addWidget(BuildReflectionGroup(input), 1);
  return input;
}

QWidget* CJobForm::BuildCellGroup(QWidget* parent) {
  auto* cellBox = new QGroupBox(QStringLiteral("Unit Cell Dimensions"), parent);
  auto* cellLayout = new QGridLayout(cellBox);
  static const char* const kCellNames[6] = {"editCellA",     "editCellB",    "editCellC",
                                            "editCellAlpha", "editCellBeta", "editCellGamma"};
  for (int j = 0; j < 6; ++j) {
    m_editCell[j] = NumberEdit(cellBox, kCellNames[j], false);
    const int row = j % 3, col = (j / 3) * 3;
    cellLayout->addWidget(FieldLabel(QString::fromLatin1(kCellLabels[j]), cellBox), row, col);
    cellLayout->addWidget(m_editCell[j], row, col + 1);
    cellLayout->addWidget(UnitLabel(CellUnit(j), cellBox), row, col + 2);
  }
  cellLayout->setColumnStretch(6, 1);
  return cellBox;
}

// The wavelength and radius the next run uses, and the button that opens
// the dialog to change them.
QLayout* CJobForm::BuildInstrumentLine(QWidget* parent) {
  auto* line = new QHBoxLayout;
  m_labelInstrument = new QLabel(parent);
  m_labelInstrument->setObjectName("labelInstrument");
  m_buttonInstrument = new QPushButton(QStringLiteral("Instrument..."), parent);
  m_buttonInstrument->setObjectName("buttonInstrument");
  m_buttonInstrument->setToolTip(QStringLiteral("Set the wavelength and the goniometer radius"));
  line->addStretch(1);
  line->addWidget(m_labelInstrument);
  line->addWidget(m_buttonInstrument);
  return line;
}

// The correction radio buttons and the four weighting boxes, side by side.
QLayout* CJobForm::BuildModeGroups(QWidget* parent) {
  auto* modes = new QHBoxLayout;
  auto* corrBox = new QGroupBox(QStringLiteral("Corrections"), parent);
  auto* corrLayout = new QVBoxLayout(corrBox);
  m_corrGroup = new QButtonGroup(m_host);
  static const char* const kCorrLabels[5] = {"Manual", "No correction", "Zero", "Displacement",
                                             "Zero && Disp."};
  static const char* const kCorrNames[5] = {"radioManual", "radioNoCorrection", "radioZero",
                                            "radioDisplacement", "radioZeroDisp"};
  for (int k = 0; k < 5; ++k) {
    auto* radio = new QRadioButton(QString::fromLatin1(kCorrLabels[k]), corrBox);
    radio->setObjectName(QString::fromLatin1(kCorrNames[k]));
    m_corrGroup->addButton(radio, k + 1);
    corrLayout->addWidget(radio);
    m_pCorrRadio[k] = radio;
  }
  corrLayout->addStretch(1);
  auto* weightBox = new QGroupBox(QStringLiteral("Weighting"), parent);
  auto* weightLayout = new QVBoxLayout(weightBox);
  static const char* const kWeightLabels[kWeightings] = {"Unity", "sin2(theta)", "delta2(theta)", "sin*delta",
                                                         "esd"};
  static const char* const kWeightNames[kWeightings] = {"checkUnity", "checkSin2", "checkDelta2", "checkSinDelta",
                                                        "checkEsd"};
  for (int k = 0; k < kWeightings; ++k) {
    m_pWeightCheck[k] = new QCheckBox(QString::fromLatin1(kWeightLabels[k]), weightBox);
    m_pWeightCheck[k]->setObjectName(QString::fromLatin1(kWeightNames[k]));
    weightLayout->addWidget(m_pWeightCheck[k]);
  }
  m_pWeightCheck[lattrix::kEsd]->setToolTip(
      QStringLiteral("Weight each reflection by the esd of its 2theta (the Reflection List's esd column)"));
  weightLayout->addStretch(1);
  modes->addWidget(corrBox);
  modes->addWidget(weightBox);
  // Beside the groups, not under them: showing the fields must not take
  // rows from the Reflection List.
  modes->addWidget(BuildKnownCorrections(parent), 0, Qt::AlignTop);
  return modes;
}

// Manual mode's known corrections, beside the mode groups while Manual is
// chosen.
QWidget* CJobForm::BuildKnownCorrections(QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  static const char* const kLabels[3] = {"zero (deg) :", "ssd (mm) :", "emu :"};
  static const char* const kNames[3] = {"editKnownZero", "editKnownDisp", "editKnownEmu"};
  static const char* const kTips[3] = {"Known zero offset of 2theta, in degrees",
                                       "Known sample displacement, in mm",
                                       "Absorption coefficient of the sample"};
  for (int k = 0; k < 3; ++k) {
    m_editKnown[k] = NumberEdit(box, kNames[k], false);
    m_editKnown[k]->setToolTip(QString::fromLatin1(kTips[k]));
    grid->addWidget(FieldLabel(QString::fromLatin1(kLabels[k]), box), k, 0);
    grid->addWidget(m_editKnown[k], k, 1);
  }
  box->setVisible(false);
  QObject::connect(m_pCorrRadio[0], &QAbstractButton::toggled, box, &QWidget::setVisible);
  return box;
}

QWidget* CJobForm::BuildReflectionGroup(QWidget* parent) {
  auto* listBox = new QGroupBox(QStringLiteral("Reflection List"), parent);
  auto* listLayout = new QHBoxLayout(listBox);
  m_listReflection = new CEditListCtrl(listBox);
  m_listReflection->setObjectName("listReflection");
  m_listReflection->setToolTip(
      QStringLiteral("Ctrl+V pastes rows copied from a spreadsheet or a text editor from the selected row down"));
  auto* buttons = new QVBoxLayout;
  m_buttonAdd = new QPushButton(QStringLiteral("Add"), listBox);
  m_buttonAdd->setObjectName("buttonAdd");
  m_buttonAdd->setToolTip(QStringLiteral("Insert an empty reflection above the selected row"));
  m_buttonDelete = new QPushButton(QStringLiteral("Delete"), listBox);
  m_buttonDelete->setObjectName("buttonDelete");
  m_buttonDelete->setToolTip(QStringLiteral("Delete the selected reflection"));
  // A button must not take the focus from a cell being edited before the
  // command has stored it.
  m_buttonAdd->setFocusPolicy(Qt::TabFocus);
  m_buttonDelete->setFocusPolicy(Qt::TabFocus);
  buttons->addWidget(m_buttonAdd);
  buttons->addWidget(m_buttonDelete);
  buttons->addStretch(1);
  listLayout->addWidget(m_listReflection, 1);
  listLayout->addLayout(buttons);
  return listBox;
}

// Output Data: refined cell, volume and corrections with their standard
// deviations, never read back by the form.
QWidget* CJobForm::BuildOutputGroup() {
  auto* output = new QGroupBox(QStringLiteral("Output Data"), m_host);
  auto* outputLayout = new QVBoxLayout(output);
  auto* refinedBox = new QGroupBox(QStringLiteral("Refined Dimensions"), output);
  auto* refinedLayout = new QGridLayout(refinedBox);
  static const char* const kRefinedNames[6] = {"editRefinedA",     "editRefinedB",
                                               "editRefinedC",     "editRefinedAlpha",
                                               "editRefinedBeta",  "editRefinedGamma"};
  static const char* const kSigmaNames[6] = {"editSigmaA",     "editSigmaB",    "editSigmaC",
                                             "editSigmaAlpha", "editSigmaBeta", "editSigmaGamma"};
  refinedLayout->addWidget(new QLabel(QStringLiteral("s.d."), refinedBox), 0, 2, Qt::AlignHCenter);
  for (int j = 0; j < 6; ++j) {
    m_editRefinedCell[j] = NumberEdit(refinedBox, kRefinedNames[j], true);
    m_editCellSigma[j] = NumberEdit(refinedBox, kSigmaNames[j], true);
    refinedLayout->addWidget(FieldLabel(QString::fromLatin1(kCellLabels[j]), refinedBox), j + 1, 0);
    refinedLayout->addWidget(m_editRefinedCell[j], j + 1, 1);
    refinedLayout->addWidget(m_editCellSigma[j], j + 1, 2);
    refinedLayout->addWidget(UnitLabel(CellUnit(j), refinedBox), j + 1, 3);
  }
  m_editVolume = NumberEdit(refinedBox, "editVolume", true);
  m_editVolumeSigma = NumberEdit(refinedBox, "editVolumeSigma", true);
  refinedLayout->addWidget(FieldLabel(QStringLiteral("volume :"), refinedBox), 7, 0);
  refinedLayout->addWidget(m_editVolume, 7, 1);
  refinedLayout->addWidget(m_editVolumeSigma, 7, 2);
  refinedLayout->addWidget(UnitLabel(kAngstrom + QStringLiteral("\u00b3"), refinedBox), 7, 3);
  refinedLayout->setColumnStretch(4, 1);
  outputLayout->addWidget(refinedBox);

  auto* corrOutBox = new QGroupBox(QStringLiteral("Corrections"), output);
  auto* corrOut = new QGridLayout(corrOutBox);
  m_editZero = NumberEdit(corrOutBox, "editZero", true);
  m_editDisp = NumberEdit(corrOutBox, "editSsd", true);
  m_editEmu = NumberEdit(corrOutBox, "editEmu", true);
  m_editZeroSigma = NumberEdit(corrOutBox, "editZeroSigma", true);
  m_editDispSigma = NumberEdit(corrOutBox, "editSsdSigma", true);
  m_editEmuSigma = NumberEdit(corrOutBox, "editEmuSigma", true);
  QLineEdit* const values[3] = {m_editZero, m_editDisp, m_editEmu};
  QLineEdit* const sigmas[3] = {m_editZeroSigma, m_editDispSigma, m_editEmuSigma};
  static const char* const kCorrOutLabels[3] = {"zero :", "ssd :", "emu :"};
  const QString units[3] = {kDegree, QStringLiteral("mm"), QString()};
  for (int k = 0; k < 3; ++k) {
    corrOut->addWidget(FieldLabel(QString::fromLatin1(kCorrOutLabels[k]), corrOutBox), k, 0);
    corrOut->addWidget(values[k], k, 1);
    corrOut->addWidget(sigmas[k], k, 2);
    corrOut->addWidget(UnitLabel(units[k], corrOutBox), k, 3);
  }
  corrOut->setColumnStretch(4, 1);
  m_labelStale = new QLabel(QStringLiteral("Results of the last Execute; the job has changed since"), output);
  m_labelStale->setObjectName("labelStale");
  m_labelStale->setWordWrap(true);
  m_labelStale->setVisible(false);
  // The value columns of both groups line up.
  const int labelWidth = QFontMetrics(m_host->font()).horizontalAdvance(QStringLiteral("volume :")) + 8;
  refinedLayout->setColumnMinimumWidth(0, labelWidth);
  corrOut->setColumnMinimumWidth(0, labelWidth);
  outputLayout->addWidget(corrOutBox);
  outputLayout->addWidget(m_labelStale);
  outputLayout->addStretch(1);
  return output;
}

QWidget* CJobForm::BuildSiliconGroup() {
  auto* siBox = new QGroupBox(QStringLiteral("Internal Si Standard Reflections"), m_host);
  auto* siLayout = new QVBoxLayout(siBox);
  m_checkInternalStd = new QCheckBox(QStringLiteral(": Internal Calibration"), siBox);
  m_checkInternalStd->setObjectName("checkInternalCalibration");
  m_listSilicon = new CEditListCtrl(siBox);
  m_listSilicon->setObjectName("listSilicon");
  siLayout->addWidget(m_checkInternalStd);
  siLayout->addWidget(m_listSilicon, 1);
  return siBox;
}

// The two lists: columns, rows that fit the font, sizes that show every
// column without a horizontal scroll bar.
void CJobForm::SizeLists() {
  m_listReflection->SetColumns({"No", " h", " k", " l", "2theta (\u00b0)", "esd (\u00b0)"}, {30, 35, 35, 35, 72, 58});
  m_listSilicon->SetColumns({"No", " h", " k", " l", "2th-cal (\u00b0)", "2th-obs (\u00b0)"}, {28, 30, 30, 30, 82, 78});
  const int rowHeight = QFontMetrics(m_host->font()).height() + 6;
  for (CEditListCtrl* list : {m_listReflection, m_listSilicon}) {
    list->verticalHeader()->setMinimumSectionSize(rowHeight);
    list->verticalHeader()->setDefaultSectionSize(rowHeight);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    int width = 0;
    for (int c = 0; c < list->columnCount(); ++c) width += list->columnWidth(c);
    list->setMinimumWidth(width + 2 * list->frameWidth() + list->verticalScrollBar()->sizeHint().width() + 2);
  }
  const int headerHeight = m_listSilicon->horizontalHeader()->sizeHint().height();
  // Both lists ask for room to show many rows, but give way down to a few
  // rows (and scroll) on a small screen.
  auto rows = [&](const CEditListCtrl* list, int count) {
    return headerHeight + count * rowHeight + 2 * list->frameWidth();
  };
  m_listSilicon->SetPreferredHeight(rows(m_listSilicon, kSiliconReflections));
  m_listReflection->SetPreferredHeight(rows(m_listReflection, 14));
  m_listSilicon->setMinimumHeight(rows(m_listSilicon, 5));
  m_listReflection->setMinimumHeight(rows(m_listReflection, 6));
}
