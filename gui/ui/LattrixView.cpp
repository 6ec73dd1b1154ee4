// The form's layout, its set-up, the transfers between form and job, and
// File New and File Open. The other commands are in LattrixViewCommands.cpp.
#include "ui/LattrixView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

#include <algorithm>

#include "calibration/Calibration.h"
#include "common/TextIO.h"
#include "diagnostics/Diagnostics.h"
#include "job/InputFile.h"
#include "job/JobRows.h"
#include "ui/EditListCtrl.h"
#include "ui/FileDialogs.h"
#include "ui/MessageBoxSink.h"
#include "ui/QtText.h"
#include "ui/ReportViewer.h"

using lattrix::Format;
using lattrix::kMaxReflections;
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

lattrix::MessageSink* g_pSinkForNewViews = nullptr;

}  // namespace

void CLattrixView::SetSinkForNewViews(lattrix::MessageSink* sink) { g_pSinkForNewViews = sink; }

CLattrixView::CLattrixView(QWidget* parent) : QWidget(parent) {
  setObjectName("lattrixView");
  m_defaultSink = std::make_unique<MessageBoxSink>(this);
  m_pSink = g_pSinkForNewViews ? g_pSinkForNewViews : m_defaultSink.get();
  setFont(QFont(QStringLiteral("Times New Roman"), 9));
  BuildForm();
  ConnectFormEdits();
  lattrix::InitialiseJob(m_job, PathBytes(QDir::currentPath()));
}

CLattrixView::~CLattrixView() = default;

void CLattrixView::SetMessageSink(lattrix::MessageSink* sink) {
  m_pSink = sink ? sink : m_defaultSink.get();
}

lattrix::MessageSink& CLattrixView::Sink() { return *m_pSink; }

QString CLattrixView::FormatNumber(double value) const { return Q(Format("%8.4lf", value)); }

void CLattrixView::BuildForm() {
  auto* top = new QHBoxLayout(this);
  top->addWidget(BuildInputGroup(), 1);
  auto* right = new QVBoxLayout;
  right->addWidget(BuildOutputGroup());
  right->addWidget(BuildSiliconGroup(), 1);
  top->addLayout(right);
  SizeLists();
}

// Input Data: title, crystal system, trial cell, corrections, weighting and
// the Reflection List.
QWidget* CLattrixView::BuildInputGroup() {
  auto* input = new QGroupBox(QStringLiteral("Input Data"), this);
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
  head->setColumnStretch(2, 1);
  inputLayout->addLayout(head);
  inputLayout->addWidget(BuildCellGroup(input));
  inputLayout->addLayout(BuildModeGroups(input));
  inputLayout->addWidget(BuildReflectionGroup(input), 1);
  return input;
}

QWidget* CLattrixView::BuildCellGroup(QWidget* parent) {
  auto* cellBox = new QGroupBox(QStringLiteral("Unit Cell Dimensions"), parent);
  auto* cellLayout = new QGridLayout(cellBox);
  static const char* const kCellNames[6] = {"editCellA",     "editCellB",    "editCellC",
                                            "editCellAlpha", "editCellBeta", "editCellGamma"};
  for (int j = 0; j < 6; ++j) {
    m_editCell[j] = NumberEdit(cellBox, kCellNames[j], false);
    const int row = j % 3, col = (j / 3) * 2;
    cellLayout->addWidget(FieldLabel(QString::fromLatin1(kCellLabels[j]), cellBox), row, col);
    cellLayout->addWidget(m_editCell[j], row, col + 1);
  }
  cellLayout->setColumnStretch(4, 1);
  return cellBox;
}

// The correction radio buttons and the four weighting boxes, side by side.
QLayout* CLattrixView::BuildModeGroups(QWidget* parent) {
  auto* modes = new QHBoxLayout;
  auto* corrBox = new QGroupBox(QStringLiteral("Corrections"), parent);
  auto* corrLayout = new QVBoxLayout(corrBox);
  m_corrGroup = new QButtonGroup(this);
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
  static const char* const kWeightLabels[4] = {"Unity", "sin2(theta)", "delta2(theta)", "sin*delta"};
  static const char* const kWeightNames[4] = {"checkUnity", "checkSin2", "checkDelta2",
                                              "checkSinDelta"};
  for (int k = 0; k < 4; ++k) {
    m_pWeightCheck[k] = new QCheckBox(QString::fromLatin1(kWeightLabels[k]), weightBox);
    m_pWeightCheck[k]->setObjectName(QString::fromLatin1(kWeightNames[k]));
    weightLayout->addWidget(m_pWeightCheck[k]);
  }
  weightLayout->addStretch(1);
  connect(m_pWeightCheck[0], &QCheckBox::clicked, this, &CLattrixView::OnWeightUnity);
  connect(m_pWeightCheck[1], &QCheckBox::clicked, this, &CLattrixView::OnWeightSin2);
  connect(m_pWeightCheck[2], &QCheckBox::clicked, this, &CLattrixView::OnWeightDelta2);
  connect(m_pWeightCheck[3], &QCheckBox::clicked, this, &CLattrixView::OnWeightSinDelta);
  corrLayout->insertWidget(5, BuildKnownCorrections(corrBox));
  modes->addWidget(corrBox);
  modes->addWidget(weightBox);
  return modes;
}

// Manual mode's known corrections, under the correction buttons while
// Manual is chosen.
QWidget* CLattrixView::BuildKnownCorrections(QWidget* parent) {
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
  connect(m_pCorrRadio[0], &QAbstractButton::toggled, box, &QWidget::setVisible);
  return box;
}

QWidget* CLattrixView::BuildReflectionGroup(QWidget* parent) {
  auto* listBox = new QGroupBox(QStringLiteral("Reflection List"), parent);
  auto* listLayout = new QHBoxLayout(listBox);
  m_listReflection = new CEditListCtrl(listBox);
  m_listReflection->setObjectName("listReflection");
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
  connect(m_buttonAdd, &QPushButton::clicked, this, &CLattrixView::OnAddRow);
  connect(m_buttonDelete, &QPushButton::clicked, this, &CLattrixView::OnDeleteRow);
  buttons->addWidget(m_buttonAdd);
  buttons->addWidget(m_buttonDelete);
  buttons->addStretch(1);
  listLayout->addWidget(m_listReflection, 1);
  listLayout->addLayout(buttons);
  return listBox;
}

// Output Data: refined cell, volume and corrections with their standard
// deviations, never read back by the form.
QWidget* CLattrixView::BuildOutputGroup() {
  auto* output = new QGroupBox(QStringLiteral("Output Data"), this);
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
  }
  m_editVolume = NumberEdit(refinedBox, "editVolume", true);
  m_editVolumeSigma = NumberEdit(refinedBox, "editVolumeSigma", true);
  refinedLayout->addWidget(FieldLabel(QStringLiteral("volume :"), refinedBox), 7, 0);
  refinedLayout->addWidget(m_editVolume, 7, 1);
  refinedLayout->addWidget(m_editVolumeSigma, 7, 2);
  refinedLayout->setColumnStretch(3, 1);
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
  for (int k = 0; k < 3; ++k) {
    corrOut->addWidget(FieldLabel(QString::fromLatin1(kCorrOutLabels[k]), corrOutBox), k, 0);
    corrOut->addWidget(values[k], k, 1);
    corrOut->addWidget(sigmas[k], k, 2);
  }
  corrOut->setColumnStretch(3, 1);
  // The value columns of both groups line up.
  const int labelWidth = QFontMetrics(font()).horizontalAdvance(QStringLiteral("volume :")) + 8;
  refinedLayout->setColumnMinimumWidth(0, labelWidth);
  corrOut->setColumnMinimumWidth(0, labelWidth);
  outputLayout->addWidget(corrOutBox);
  outputLayout->addStretch(1);
  return output;
}

QWidget* CLattrixView::BuildSiliconGroup() {
  auto* siBox = new QGroupBox(QStringLiteral("Internal Si Standard Reflections"), this);
  auto* siLayout = new QVBoxLayout(siBox);
  m_checkInternalStd = new QCheckBox(QStringLiteral(": Internal Calibration"), siBox);
  m_checkInternalStd->setObjectName("checkInternalCalibration");
  connect(m_checkInternalStd, &QCheckBox::clicked, this, &CLattrixView::OnInternalCalibration);
  m_listSilicon = new CEditListCtrl(siBox);
  m_listSilicon->setObjectName("listSilicon");
  siLayout->addWidget(m_checkInternalStd);
  siLayout->addWidget(m_listSilicon, 1);
  return siBox;
}

// The two lists: columns, rows that fit the font, sizes that show every
// column without a horizontal scroll bar.
void CLattrixView::SizeLists() {
  m_listReflection->SetColumns({"No", " h", " k", " l", "2theta"}, {30, 35, 35, 35, 65});
  m_listSilicon->SetColumns({"No", " h", " k", " l", "2th-cal", "2th-obs"}, {28, 30, 30, 30, 78, 65});
  const int rowHeight = QFontMetrics(font()).height() + 6;
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

void CLattrixView::OnCreate() {
  ShowTitle();
  lattrix::InitialiseJob(m_job, PathBytes(QDir::currentPath()));
}

void CLattrixView::OnInitialUpdate(const QString& commandLinePath) {
  m_listReflection->SetRowCountEmpty(kMaxReflections);
  // Every row carries its number, so that a new reflection can be typed
  // into any empty row.
  NumberRows();
  m_listSilicon->SetRowCountEmpty(kSiliconReflections);
  for (int i = 0; i < kSiliconReflections; ++i)
    m_listSilicon->SetItemText(i, kColNo, Q(Format("%2d", i + 1)));
  for (int i = 0; i < m_job.m_nSiStd && i < kSiliconReflections; ++i) {
    m_listSilicon->SetItemText(i, kColH, Q(Format("%3d", m_job.m_nSiH[i])));
    m_listSilicon->SetItemText(i, kColK, Q(Format("%3d", m_job.m_nSiK[i])));
    m_listSilicon->SetItemText(i, kColL, Q(Format("%3d", m_job.m_nSiL[i])));
    m_listSilicon->SetItemText(i, kSiColReference, Q(Format("%10.6lf", m_job.m_dSiTwoThetaStd[i])));
  }

  m_checkInternalStd->setChecked(m_job.m_bInternalStd != 0);
  m_listSilicon->setEnabled(m_job.m_bInternalStd != 0);

  m_comboCrystalSystem->clear();
  for (int code = lattrix::kTriclinic; code <= lattrix::kCubic; ++code)
    m_comboCrystalSystem->addItem(QString::fromLatin1(lattrix::CrystalSystemLabel(code)));
  m_comboCrystalSystem->setCurrentIndex(0);

  if (m_job.m_nCorrection >= 1 && m_job.m_nCorrection <= 5)
    m_pCorrRadio[m_job.m_nCorrection - 1]->setChecked(true);
  for (int k = 0; k < 4; ++k) m_pWeightCheck[k]->setChecked(k == m_job.m_nWeighting);
  if (m_job.m_nCrystalSystem >= lattrix::kTriclinic && m_job.m_nCrystalSystem <= lattrix::kCubic)
    m_comboCrystalSystem->setCurrentIndex(m_job.m_nCrystalSystem - 1);

  if (!commandLinePath.isEmpty()) {
    m_job.m_strInputPath = PathBytes(QFileInfo(commandLinePath).absoluteFilePath());
    if (ReadInputFile()) ShowOpenedFile();
  }
  ShowKnownCorrections();
  TakeSavedState(m_strJobFile);
  Q_EMIT jobStateChanged();
}

// A refused file leaves the job as the form shows it.
bool CLattrixView::ReadInputFile() { return lattrix::ReadInputFile(m_job, Sink()); }

void CLattrixView::ShowOpenedFile() {
  ClearReflectionList();
  ClearSiliconObserved();
  ClearResults();
  ShowJob();
  TakeSavedState(PathText(m_job.m_strInputPath));
  Q_EMIT inputFileUsed(PathText(m_job.m_strInputPath));
}

void CLattrixView::ShowJob() {
  if (m_job.m_nCorrection >= 1 && m_job.m_nCorrection <= 5)
    m_pCorrRadio[m_job.m_nCorrection - 1]->setChecked(true);
  for (int k = 0; k < 4; ++k) m_pWeightCheck[k]->setChecked(false);
  if (m_job.m_nWeighting >= 1 && m_job.m_nWeighting <= 3)
    m_pWeightCheck[m_job.m_nWeighting]->setChecked(true);
  else
    m_pWeightCheck[0]->setChecked(true);

  m_editTitle->setText(Q(m_job.m_strTitle));
  if (m_job.m_nCrystalSystem >= lattrix::kTriclinic && m_job.m_nCrystalSystem <= lattrix::kCubic)
    m_comboCrystalSystem->setCurrentIndex(m_job.m_nCrystalSystem - 1);
  for (int j = 0; j < 6; ++j) m_editCell[j]->setText(FormatNumber(m_job.m_dCell[j]));
  m_dKnown[0] = m_job.m_dZero;
  m_dKnown[1] = m_job.m_dDisp;
  m_dKnown[2] = m_job.m_dEmu;
  ShowKnownCorrections();

  // The 2theta column shows each row's observation, before any calibration.
  for (int i = 0; i < m_job.m_nReflections && i < kMaxReflections; ++i) {
    m_listReflection->SetItemText(i, kColH, Q(Format("%3d", m_job.m_nH[i])));
    m_listReflection->SetItemText(i, kColK, Q(Format("%3d", m_job.m_nK[i])));
    m_listReflection->SetItemText(i, kColL, Q(Format("%3d", m_job.m_nL[i])));
    m_listReflection->SetItemText(i, kColTwoTheta, FormatNumber(m_job.m_dTwoThetaRaw[i]));
  }
  if (m_job.m_bInternalStd == 1) {
    for (int i = 0; i < m_job.m_nSiObs && i < kSiliconReflections; ++i)
      m_listSilicon->SetItemText(i, kSiColObserved, FormatNumber(m_job.m_dSiTwoThetaObs[i]));
  }
  m_checkInternalStd->setChecked(m_job.m_bInternalStd != 0);
  m_listSilicon->setEnabled(m_job.m_bInternalStd != 0);
}

bool CLattrixView::CollectJob() {
  // Gathered into a copy: a refused field leaves the job as it was.
  lattrix::Job job = m_job;
  job.m_nCorrection = FormCorrection();
  job.m_nWeighting = FormWeighting();
  job.m_strTitle = m_editTitle->text().toStdString();
  // The combo box is not editable, so it always holds one of the systems.
  if (m_comboCrystalSystem->currentIndex() >= 0)
    job.m_nCrystalSystem = m_comboCrystalSystem->currentIndex() + 1;

  if (m_editCell[0]->text().trimmed().isEmpty()) {
    Sink().Show("No cell data input !!!");
    m_job.m_bRefined = false;
    return false;
  }
  if (!CollectCell(job)) return false;
  if (job.m_nCorrection == lattrix::kManual && !CollectKnownCorrections(job)) return false;
  if (!CollectReflections(job)) return false;
  job.m_bInternalStd = m_checkInternalStd->isChecked() ? 1 : 0;
  m_job = job;
  return true;
}

// The number of a field: while its text is as shown, the value it was
// filled with at full precision; an edited text must be one number.
bool CLattrixView::FieldNumber(const QLineEdit* edit, double shown, double& value) const {
  if (edit->text() == FormatNumber(shown)) {
    value = shown;
    return true;
  }
  return lattrix::ParseNumberText(edit->text().toStdString(), value);
}

bool CLattrixView::CollectCell(lattrix::Job& job) {
  for (int j = 0; j < 6; ++j) {
    if (!FieldNumber(m_editCell[j], m_job.m_dCell[j], job.m_dCell[j])) {
      Sink().Show(Format("%s of the unit cell is not a number !!!", lattrix::CellConstantName(j)));
      return false;
    }
  }
  return true;
}

// Manual mode applies the known corrections of the form.
bool CLattrixView::CollectKnownCorrections(lattrix::Job& job) {
  static const char* const kNames[3] = {"zero", "ssd", "emu"};
  double* const known[3] = {&job.m_dZero, &job.m_dDisp, &job.m_dEmu};
  for (int k = 0; k < 3; ++k) {
    if (!FieldNumber(m_editKnown[k], m_dKnown[k], *known[k])) {
      Sink().Show(Format("%s of the known corrections is not a number !!!", kNames[k]));
      return false;
    }
  }
  return true;
}

void CLattrixView::ShowKnownCorrections() {
  for (int k = 0; k < 3; ++k) m_editKnown[k]->setText(FormatNumber(m_dKnown[k]));
}

bool CLattrixView::RowFilled(int row) const {
  for (int c = kColH; c <= kColTwoTheta; ++c)
    if (!m_listReflection->GetItemText(row, c).trimmed().isEmpty()) return true;
  return false;
}

// The list runs to its last filled row; an empty row above it is refused.
bool CLattrixView::CollectReflections(lattrix::Job& job) {
  int count = std::min(kMaxReflections, m_listReflection->rowCount());
  while (count > 0 && !RowFilled(count - 1)) --count;
  for (int i = 0; i < count; ++i) {
    if (!RowFilled(i)) {
      Sink().Show(Format("Row %d of the Reflection List is empty, but rows below it are filled !!!", i + 1));
      return false;
    }
    if (!CollectReflectionRow(i, job)) return false;
  }
  job.m_nReflections = count;
  return true;
}

// One row: a cell left as shown keeps the job's value of that row; an
// edited or new one is parsed, and an edited 2theta becomes the row's
// observation.
bool CLattrixView::CollectReflectionRow(int row, lattrix::Job& job) {
  const bool known = row < m_job.m_nReflections;
  int hkl[3] = {m_job.m_nH[row], m_job.m_nK[row], m_job.m_nL[row]};
  static const char* const kIndexNames[3] = {"h", "k", "l"};
  for (int c = 0; c < 3; ++c) {
    const QString text = m_listReflection->GetItemText(row, kColH + c);
    if (known && text == Q(Format("%3d", hkl[c]))) continue;
    if (!lattrix::ParseWholeNumberText(text.toStdString(), hkl[c])) {
      Sink().Show(Format("%s of row %d is not a whole number !!!", kIndexNames[c], row + 1));
      return false;
    }
  }
  double twoTheta = m_job.m_dTwoThetaRaw[row];
  const QString text = m_listReflection->GetItemText(row, kColTwoTheta);
  if (!(known && text == FormatNumber(twoTheta)) && !lattrix::ParseNumberText(text.toStdString(), twoTheta)) {
    Sink().Show(Format("2theta of row %d is not a number !!!", row + 1));
    return false;
  }
  lattrix::SetReflection(job, row, hkl[0], hkl[1], hkl[2], twoTheta);
  return true;
}

// The silicon list as numbers, read only when the run calibrates: the rows
// down to the first without an observed value. A cell left as shown keeps
// the job's value at full precision; an edited one must be one number.
bool CLattrixView::CollectSilicon(lattrix::SiliconStandard& silicon) {
  silicon = lattrix::SiliconStandard();
  if (!m_checkInternalStd->isChecked()) return true;
  for (int i = 0; i < kSiliconReflections; ++i) {
    const QString observed = m_listSilicon->GetItemText(i, kSiColObserved);
    if (observed.isEmpty()) break;
    const bool fromFile = i < m_job.m_nSiObs;
    const struct { QString text, shown; double value; double* out; const char* name; } cells[] = {
        {m_listSilicon->GetItemText(i, kSiColReference), Q(Format("%10.6lf", m_job.m_dSiTwoThetaStd[i])),
         m_job.m_dSiTwoThetaStd[i], &silicon.reference[i], "2th-cal"},
        {observed, fromFile ? FormatNumber(m_job.m_dSiTwoThetaObs[i]) : QString(), m_job.m_dSiTwoThetaObs[i],
         &silicon.observed[i], "2th-obs"},
    };
    for (const auto& cell : cells) {
      if (!cell.shown.isEmpty() && cell.text == cell.shown) {
        *cell.out = cell.value;
      } else if (!lattrix::ParseNumberText(cell.text.toStdString(), *cell.out)) {
        Sink().Show(Format("%s of row %d is not a number !!!", cell.name, i + 1));
        return false;
      }
    }
    silicon.observedRows = i + 1;
  }
  return true;
}

void CLattrixView::ShowResults() {
  for (int j = 0; j < 6; ++j) {
    m_editRefinedCell[j]->setText(FormatNumber(m_job.m_dRefinedCell[j]));
    m_editCellSigma[j]->setText(FormatNumber(m_job.m_dCellSigma[j]));
  }
  m_editVolume->setText(FormatNumber(m_job.m_dVolume));
  m_editVolumeSigma->setText(FormatNumber(m_job.m_dVolumeSigma));
  m_editZero->setText(FormatNumber(m_job.m_dZero));
  m_editZeroSigma->setText(FormatNumber(m_job.m_dZeroSigma));
  m_editDisp->setText(FormatNumber(m_job.m_dDisp));
  m_editDispSigma->setText(FormatNumber(m_job.m_dDispSigma));
  m_editEmu->setText(FormatNumber(m_job.m_dEmu));
  m_editEmuSigma->setText(FormatNumber(m_job.m_dEmuSigma));
}

// The result fields belong to the refinement that filled them: a new or
// newly opened job starts without any.
void CLattrixView::ClearResults() {
  for (int j = 0; j < 6; ++j) {
    m_editRefinedCell[j]->clear();
    m_editCellSigma[j]->clear();
  }
  for (QLineEdit* edit : {m_editVolume, m_editVolumeSigma, m_editZero, m_editZeroSigma, m_editDisp,
                          m_editDispSigma, m_editEmu, m_editEmuSigma})
    edit->clear();
}

void CLattrixView::ClearReflectionList() {
  for (int i = 0; i < kMaxReflections && i < m_listReflection->rowCount(); ++i)
    for (int c = kColH; c <= kColTwoTheta; ++c) m_listReflection->SetItemText(i, c, QString());
}

void CLattrixView::NumberRows() {
  for (int i = 0; i < kMaxReflections && i < m_listReflection->rowCount(); ++i)
    m_listReflection->SetItemText(i, kColNo, Q(Format("%2d", i + 1)));
}

// The observed silicon values belong to the job they were read or typed
// for: a newly opened file or a new job starts with an empty column.
void CLattrixView::ClearSiliconObserved() {
  for (int i = 0; i < kSiliconReflections; ++i) m_listSilicon->SetItemText(i, kSiColObserved, QString());
}

void CLattrixView::CommitOpenEdits() {
  m_listReflection->CommitCellEdit();
  m_listSilicon->CommitCellEdit();
}

void CLattrixView::OnFileNew() {
  if (!MaybeSaveChanges()) return;
  m_listReflection->CloseCellEditor();
  m_listSilicon->CloseCellEditor();
  m_editTitle->clear();
  ClearReflectionList();
  ClearSiliconObserved();
  lattrix::ResetJob(m_job);
  ForgetRefinement();
  m_comboCrystalSystem->setCurrentIndex(0);
  for (QLineEdit* edit : m_editCell) edit->clear();
  for (double& known : m_dKnown) known = 0.0;
  ShowKnownCorrections();
  ClearResults();
  TakeSavedState(QString());
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
  CommitOpenEdits();
  const std::string previous = m_job.m_strInputPath;
  m_job.m_strInputPath = PathBytes(path);
  const bool ok = ReadInputFile();
  if (!ok) m_job.m_strInputPath = previous;
  if (ok) {
    ForgetRefinement();
    ShowOpenedFile();
  }
  Q_EMIT jobStateChanged();
  return ok;
}
