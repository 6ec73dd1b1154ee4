#include "ui/FormBinding.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "common/TextIO.h"
#include "job/InputFile.h"
#include "engine/ParameterMap.h"
#include "job/JobRows.h"
#include "results/CifWriter.h"
#include "results/ResultText.h"
#include "ui/EditListCtrl.h"
#include "ui/JobForm.h"
#include "ui/QtText.h"

using lattrix::Format;
using lattrix::kMaxReflections;
using lattrix::kSiliconReflections;

namespace {

enum { kColNo = CJobForm::kColNo, kColH = CJobForm::kColH, kColK = CJobForm::kColK, kColL = CJobForm::kColL,
       kColTwoTheta = CJobForm::kColTwoTheta, kColEsd = CJobForm::kColEsd, kSiColReference = CJobForm::kSiColReference,
       kSiColObserved = CJobForm::kSiColObserved };

QString FormatNumber(double value) { return Q(Format("%8.4lf", value)); }
QString FormatIndex(int value) { return Q(Format("%3d", value)); }
// A silicon reference 2theta as shown, and as compared to keep its full
// precision while untouched.
QString FormatReference(double value) { return Q(Format("%10.6lf", value)); }
// An esd shows its significant digits; none is an empty cell.
QString FormatEsd(double value) { return value > 0.0 ? Q(Format("%.4g", value)) : QString(); }
constexpr int kWeightings = CJobForm::kWeightings;

// The number of a field: while its text is as shown, the value it was
// filled with at full precision; an edited text must be one number.
bool FieldNumber(const QLineEdit* edit, double shown, double& value) {
  if (edit->text() == FormatNumber(shown)) {
    value = shown;
    return true;
  }
  return lattrix::ParseNumberText(edit->text().toStdString(), value);
}

// A refined value and its s.d. to the decimal of the s.d.'s first
// significant digit (four at least), the IUCr form in both tooltips.
void ShowWithSu(QLineEdit* valueEdit, QLineEdit* suEdit, double value, double su, double iucrSu) {
  valueEdit->setText(Q(lattrix::FixedToSu(value, su, 8, 4)));
  suEdit->setText(Q(lattrix::FixedToSu(su, su, 8, 4)));
  const QString iucr = Q(lattrix::ValueWithSu(value, iucrSu));
  valueEdit->setToolTip(iucr);
  suEdit->setToolTip(iucr);
}

bool ValidCrystalSystem(int code) { return code >= lattrix::kTriclinic && code <= lattrix::kCubic; }

}  // namespace

void CFormBinding::ShowDefaults(const lattrix::Job& job) {
  m_form.m_listReflection->SetRowCountEmpty(kMaxReflections);
  // Every row carries its number, so that a new reflection can be typed
  // into any empty row.
  NumberRows();
  CEditListCtrl* silicon = m_form.m_listSilicon;
  silicon->SetRowCountEmpty(kSiliconReflections);
  for (int i = 0; i < kSiliconReflections; ++i) silicon->SetItemText(i, kColNo, Q(Format("%2d", i + 1)));
  for (int i = 0; i < job.m_nSiStd && i < kSiliconReflections; ++i) {
    silicon->SetItemText(i, kColH, FormatIndex(job.m_nSiH[i]));
    silicon->SetItemText(i, kColK, FormatIndex(job.m_nSiK[i]));
    silicon->SetItemText(i, kColL, FormatIndex(job.m_nSiL[i]));
    silicon->SetItemText(i, kSiColReference, FormatReference(job.m_dSiTwoThetaStd[i]));
  }
  m_form.m_checkInternalStd->setChecked(job.m_bInternalStd == 1);
  silicon->setEnabled(job.m_bInternalStd == 1);

  m_form.m_comboCrystalSystem->clear();
  for (int code = lattrix::kTriclinic; code <= lattrix::kCubic; ++code)
    m_form.m_comboCrystalSystem->addItem(QString::fromLatin1(lattrix::CrystalSystemLabel(code)));
  m_form.m_comboCrystalSystem->setCurrentIndex(0);

  SetCorrection(job.m_nCorrection);
  SetWeighting(job.m_nWeighting);
  if (ValidCrystalSystem(job.m_nCrystalSystem)) m_form.m_comboCrystalSystem->setCurrentIndex(job.m_nCrystalSystem - 1);
  ShowKnownCorrections();
}

void CFormBinding::ShowModes(const lattrix::Job& job) {
  SetCorrection(job.m_nCorrection);
  SetWeighting(job.m_nWeighting >= 1 && job.m_nWeighting < kWeightings ? job.m_nWeighting : lattrix::kUnity);
  m_form.m_editTitle->setText(Q(job.m_strTitle));
  // A long title shows its start, not its end.
  m_form.m_editTitle->setCursorPosition(0);
  if (ValidCrystalSystem(job.m_nCrystalSystem)) m_form.m_comboCrystalSystem->setCurrentIndex(job.m_nCrystalSystem - 1);
}

void CFormBinding::ShowJob(const lattrix::Job& job) {
  ShowModes(job);
  for (int j = 0; j < 6; ++j) m_form.m_editCell[j]->setText(FormatNumber(job.m_dCell[j]));
  FollowFreeCellFields();
  m_dKnown[0] = job.m_dZero;
  m_dKnown[1] = job.m_dDisp;
  m_dKnown[2] = job.m_dEmu;
  ShowKnownCorrections();
  ShowReflections(job);
  if (job.m_bInternalStd == 1) {
    for (int i = 0; i < job.m_nSiObs && i < kSiliconReflections; ++i)
      m_form.m_listSilicon->SetItemText(i, kSiColObserved, FormatNumber(job.m_dSiTwoThetaObs[i]));
  }
  m_form.m_checkInternalStd->setChecked(job.m_bInternalStd == 1);
  m_form.m_listSilicon->setEnabled(job.m_bInternalStd == 1);
}

void CFormBinding::ShowReflections(const lattrix::Job& job) {
  ClearReflectionList();
  CEditListCtrl* list = m_form.m_listReflection;
  for (int i = 0; i < job.m_nReflections && i < kMaxReflections; ++i) {
    list->SetItemText(i, kColH, FormatIndex(job.m_nH[i]));
    list->SetItemText(i, kColK, FormatIndex(job.m_nK[i]));
    list->SetItemText(i, kColL, FormatIndex(job.m_nL[i]));
    list->SetItemText(i, kColTwoTheta, FormatNumber(job.m_dTwoThetaRaw[i]));
    list->SetItemText(i, kColEsd, FormatEsd(job.m_dEsd[i]));
  }
}

void CFormBinding::SetCorrection(int code) {
  if (code >= 1 && code <= 5) m_form.m_pCorrRadio[code - 1]->setChecked(true);
}

bool CFormBinding::CollectJob(lattrix::Job& job, lattrix::MessageSink& sink) const {
  // Gathered into a copy: a refused field leaves the job as it was.
  lattrix::Job gathered = job;
  gathered.m_nCorrection = FormCorrection(job.m_nCorrection);
  gathered.m_nWeighting = FormWeighting(job.m_nWeighting);
  gathered.m_strTitle = m_form.m_editTitle->text().toStdString();
  // The combo box is not editable, so it always holds one of the systems.
  if (m_form.m_comboCrystalSystem->currentIndex() >= 0)
    gathered.m_nCrystalSystem = m_form.m_comboCrystalSystem->currentIndex() + 1;

  if (m_form.m_editCell[0]->text().trimmed().isEmpty()) {
    sink.Show("No cell data input !!!");
    job.m_bRefined = false;
    return false;
  }
  if (!CollectCell(job, gathered, sink)) return false;
  if (gathered.m_nCorrection == lattrix::kManual && !CollectKnownCorrections(gathered, sink)) return false;
  if (!CollectReflections(job, gathered, sink)) return false;
  gathered.m_bInternalStd = InternalCalibration() ? 1 : 0;
  job = gathered;
  return true;
}

bool CFormBinding::CollectCell(const lattrix::Job& shown, lattrix::Job& job, lattrix::MessageSink& sink) const {
  for (int j = 0; j < 6; ++j) {
    if (!FieldNumber(m_form.m_editCell[j], shown.m_dCell[j], job.m_dCell[j])) {
      sink.Show(Format("%s of the unit cell is not a number !!!", lattrix::CellConstantName(j)));
      return false;
    }
  }
  lattrix::TieCellToSystem(job.m_nCrystalSystem, job.m_dCell);
  return true;
}

void CFormBinding::FollowFreeCellFields() {
  const int system = m_form.m_comboCrystalSystem->currentIndex() + 1;
  const lattrix::ParameterMap map = lattrix::Parameters(system, lattrix::kNoCorrection);
  double fixed[6] = {};
  lattrix::TieCellToSystem(system, fixed);
  for (int j = 0; j < 6; ++j) {
    QLineEdit* edit = m_form.m_editCell[j];
    const bool free = !ValidCrystalSystem(system) || map.Free(j);
    edit->setEnabled(free);
    if (free) continue;
    edit->setText(map.Follows(j) ? m_form.m_editCell[map.leader[j]]->text() : FormatNumber(fixed[j]));
  }
}

// Manual mode applies the known corrections of the form.
bool CFormBinding::CollectKnownCorrections(lattrix::Job& job, lattrix::MessageSink& sink) const {
  static const char* const kNames[3] = {"zero", "ssd", "emu"};
  double* const known[3] = {&job.m_dZero, &job.m_dDisp, &job.m_dEmu};
  for (int k = 0; k < 3; ++k) {
    if (!FieldNumber(m_form.m_editKnown[k], m_dKnown[k], *known[k])) {
      sink.Show(Format("%s of the known corrections is not a number !!!", kNames[k]));
      return false;
    }
  }
  return true;
}

void CFormBinding::ShowKnownCorrections() {
  for (int k = 0; k < 3; ++k) m_form.m_editKnown[k]->setText(FormatNumber(m_dKnown[k]));
}

bool CFormBinding::RowFilled(int row) const {
  for (int c = kColH; c <= kColEsd; ++c)
    if (!m_form.m_listReflection->GetItemText(row, c).trimmed().isEmpty()) return true;
  return false;
}

// The list runs to its last filled row; an empty row above it is refused.
bool CFormBinding::CollectReflections(const lattrix::Job& shown, lattrix::Job& job,
                                      lattrix::MessageSink& sink) const {
  int count = std::min(kMaxReflections, m_form.m_listReflection->rowCount());
  while (count > 0 && !RowFilled(count - 1)) --count;
  for (int i = 0; i < count; ++i) {
    if (!RowFilled(i)) {
      sink.Show(Format("Row %d of the Reflection List is empty, but rows below it are filled !!!", i + 1));
      return false;
    }
    if (!CollectReflectionRow(i, shown, job, sink)) return false;
  }
  job.m_nReflections = count;
  return true;
}

// One row: a cell left as shown keeps the job's value of that row; an
// edited or new one is parsed, and an edited 2theta becomes the row's
// observation. An esd cell left empty means none.
bool CFormBinding::CollectReflectionRow(int row, const lattrix::Job& shown, lattrix::Job& job,
                                        lattrix::MessageSink& sink) const {
  const CEditListCtrl* list = m_form.m_listReflection;
  const bool known = row < shown.m_nReflections;
  int hkl[3] = {shown.m_nH[row], shown.m_nK[row], shown.m_nL[row]};
  static const char* const kIndexNames[3] = {"h", "k", "l"};
  for (int c = 0; c < 3; ++c) {
    const QString text = list->GetItemText(row, kColH + c);
    if (known && text == FormatIndex(hkl[c])) continue;
    if (!lattrix::ParseWholeNumberText(text.toStdString(), hkl[c])) {
      sink.Show(Format("%s of row %d is not a whole number !!!", kIndexNames[c], row + 1));
      return false;
    }
  }
  double twoTheta = shown.m_dTwoThetaRaw[row];
  const QString text = list->GetItemText(row, kColTwoTheta);
  if (!(known && text == FormatNumber(twoTheta)) && !lattrix::ParseNumberText(text.toStdString(), twoTheta)) {
    sink.Show(Format("2theta of row %d is not a number !!!", row + 1));
    return false;
  }
  double esd = known ? shown.m_dEsd[row] : 0.0;
  const QString esdText = list->GetItemText(row, kColEsd);
  if (!(known && esdText == FormatEsd(esd))) {
    esd = 0.0;
    if (!esdText.trimmed().isEmpty() && (!lattrix::ParseNumberText(esdText.toStdString(), esd) || !(esd >= 0.0))) {
      sink.Show(Format("esd of row %d is not a number of 0 or more !!!", row + 1));
      return false;
    }
  }
  lattrix::SetReflection(job, row, hkl[0], hkl[1], hkl[2], twoTheta);
  job.m_dEsd[row] = esd;
  return true;
}

bool CFormBinding::CollectSilicon(const lattrix::Job& job, lattrix::SiliconStandard& silicon,
                                  lattrix::MessageSink& sink) const {
  silicon = lattrix::SiliconStandard();
  if (!InternalCalibration()) return true;
  const CEditListCtrl* list = m_form.m_listSilicon;
  for (int i = 0; i < kSiliconReflections; ++i) {
    const QString observed = list->GetItemText(i, kSiColObserved);
    if (observed.isEmpty()) break;
    const bool fromFile = i < job.m_nSiObs;
    const struct { QString text, shown; double value; double* out; const char* name; } cells[] = {
        {list->GetItemText(i, kSiColReference), FormatReference(job.m_dSiTwoThetaStd[i]),
         job.m_dSiTwoThetaStd[i], &silicon.reference[i], "2th-cal"},
        {observed, fromFile ? FormatNumber(job.m_dSiTwoThetaObs[i]) : QString(), job.m_dSiTwoThetaObs[i],
         &silicon.observed[i], "2th-obs"},
    };
    for (const auto& cell : cells) {
      if (!cell.shown.isEmpty() && cell.text == cell.shown) {
        *cell.out = cell.value;
      } else if (!lattrix::ParseNumberText(cell.text.toStdString(), *cell.out)) {
        sink.Show(Format("%s of row %d is not a number !!!", cell.name, i + 1));
        return false;
      }
    }
    silicon.observedRows = i + 1;
  }
  return true;
}

void CFormBinding::ShowResults(const lattrix::Job& job) {
  for (int j = 0; j < 6; ++j) {
    ShowWithSu(m_form.m_editRefinedCell[j], m_form.m_editCellSigma[j], job.m_dRefinedCell[j], job.m_dCellSigma[j],
               lattrix::CellConstantSu(job, j));
  }
  ShowWithSu(m_form.m_editVolume, m_form.m_editVolumeSigma, job.m_dVolume, job.m_dVolumeSigma, job.m_dVolumeSigma);
  ShowWithSu(m_form.m_editZero, m_form.m_editZeroSigma, job.m_dZero, job.m_dZeroSigma, job.m_dZeroSigma);
  ShowWithSu(m_form.m_editDisp, m_form.m_editDispSigma, job.m_dDisp, job.m_dDispSigma, job.m_dDispSigma);
  ShowWithSu(m_form.m_editEmu, m_form.m_editEmuSigma, job.m_dEmu, job.m_dEmuSigma, job.m_dEmuSigma);
  MarkResultsStale(false);
}


void CFormBinding::MarkResultsStale(bool stale) {
  // The fields stay readable and selectable; the text turns grey.
  QPalette palette = QApplication::palette(m_form.m_editVolume);
  if (stale) palette.setColor(QPalette::Text, palette.color(QPalette::Disabled, QPalette::Text));
  for (QLineEdit* edit : ResultFields()) edit->setPalette(stale ? palette : QPalette());
  m_form.m_labelStale->setVisible(stale);
}

std::vector<QLineEdit*> CFormBinding::ResultFields() const {
  std::vector<QLineEdit*> fields(std::begin(m_form.m_editRefinedCell), std::end(m_form.m_editRefinedCell));
  fields.insert(fields.end(), std::begin(m_form.m_editCellSigma), std::end(m_form.m_editCellSigma));
  fields.insert(fields.end(), {m_form.m_editVolume, m_form.m_editVolumeSigma, m_form.m_editZero, m_form.m_editZeroSigma,
                               m_form.m_editDisp, m_form.m_editDispSigma, m_form.m_editEmu, m_form.m_editEmuSigma});
  return fields;
}

// The result fields belong to the refinement that filled them: a new or
// newly opened job starts without any.
void CFormBinding::ClearResults() {
  for (QLineEdit* edit : ResultFields()) {
    edit->clear();
    edit->setToolTip(QString());
  }
  MarkResultsStale(false);
}

void CFormBinding::ClearJob() {
  m_form.m_editTitle->clear();
  ClearReflectionList();
  ClearSiliconObserved();
  m_form.m_comboCrystalSystem->setCurrentIndex(0);
  for (QLineEdit* edit : m_form.m_editCell) edit->clear();
  FollowFreeCellFields();
  for (double& known : m_dKnown) known = 0.0;
  ShowKnownCorrections();
  ClearResults();
}

void CFormBinding::ClearReflectionList() {
  for (int i = 0; i < kMaxReflections && i < m_form.m_listReflection->rowCount(); ++i)
    for (int c = kColH; c <= kColEsd; ++c) m_form.m_listReflection->SetItemText(i, c, QString());
}

void CFormBinding::NumberRows() {
  for (int i = 0; i < kMaxReflections && i < m_form.m_listReflection->rowCount(); ++i)
    m_form.m_listReflection->SetItemText(i, kColNo, Q(Format("%2d", i + 1)));
}

// The observed silicon values belong to the job they were read or typed
// for: a newly opened file or a new job starts with an empty column.
void CFormBinding::ClearSiliconObserved() {
  for (int i = 0; i < kSiliconReflections; ++i) m_form.m_listSilicon->SetItemText(i, kSiColObserved, QString());
}

int CFormBinding::FormCorrection(int current) const {
  const int checked = m_form.m_corrGroup->checkedId();
  return checked >= 1 ? checked : current;
}

int CFormBinding::FormWeighting(int current) const {
  int weighting = current;
  for (int k = 0; k < kWeightings; ++k)
    if (m_form.m_pWeightCheck[k]->isChecked()) weighting = k;
  return weighting;
}

void CFormBinding::SetWeighting(int code) {
  for (int k = 0; k < kWeightings; ++k) m_form.m_pWeightCheck[k]->setChecked(k == code);
}

bool CFormBinding::InternalCalibration() const { return m_form.m_checkInternalStd->isChecked(); }

void CFormBinding::InsertEmptyRow(int row) {
  CEditListCtrl* list = m_form.m_listReflection;
  list->insertRow(row);
  list->removeRow(kMaxReflections);
  NumberRows();
  for (int c = kColH; c <= kColEsd; ++c) list->SetItemText(row, c, QString());
}

void CFormBinding::RemoveRow(int row) {
  CEditListCtrl* list = m_form.m_listReflection;
  list->removeRow(row);
  list->insertRow(kMaxReflections - 1);
  NumberRows();
  for (int c = kColH; c <= kColEsd; ++c) list->SetItemText(kMaxReflections - 1, c, QString());
}

bool CFormBinding::LastRowFilled() const {
  for (int c = kColH; c <= kColEsd; ++c)
    if (!m_form.m_listReflection->GetItemText(kMaxReflections - 1, c).isEmpty()) return true;
  return false;
}

bool CFormBinding::HasReflection() const {
  for (int row = 0; row < m_form.m_listReflection->rowCount(); ++row)
    if (RowFilled(row)) return true;
  return false;
}

bool CFormBinding::HasTitle() const { return !m_form.m_editTitle->text().trimmed().isEmpty(); }

QStringList CFormBinding::FormState() const {
  QStringList state = {m_form.m_editTitle->text(), QString::number(m_form.m_comboCrystalSystem->currentIndex()),
                       QString::number(m_form.m_corrGroup->checkedId()), QString::number(InternalCalibration())};
  for (const QLineEdit* edit : m_form.m_editCell) state << edit->text();
  for (const QLineEdit* edit : m_form.m_editKnown) state << edit->text();
  for (const QCheckBox* box : m_form.m_pWeightCheck) state << QString::number(box->isChecked());
  for (const CEditListCtrl* list : {m_form.m_listReflection, m_form.m_listSilicon}) {
    for (int r = 0; r < list->rowCount(); ++r)
      for (int c = kColH; c < list->columnCount(); ++c) state << list->GetItemText(r, c);
  }
  return state;
}

void CFormBinding::RestoreFormState(const QStringList& state) {
  qsizetype k = 0;
  const auto next = [&] { return k < state.size() ? state[k++] : QString(); };
  m_form.m_editTitle->setText(next());
  m_form.m_editTitle->setCursorPosition(0);
  m_form.m_comboCrystalSystem->setCurrentIndex(next().toInt());
  const int correction = next().toInt();
  // No button checked is a state of its own, which an exclusive group
  // cannot return to.
  m_form.m_corrGroup->setExclusive(false);
  for (QAbstractButton* button : m_form.m_corrGroup->buttons()) button->setChecked(m_form.m_corrGroup->id(button) == correction);
  m_form.m_corrGroup->setExclusive(true);
  m_form.m_checkInternalStd->setChecked(next().toInt() != 0);
  for (QLineEdit* edit : m_form.m_editCell) edit->setText(next());
  for (QLineEdit* edit : m_form.m_editKnown) edit->setText(next());
  for (QCheckBox* box : m_form.m_pWeightCheck) box->setChecked(next().toInt() != 0);
  for (CEditListCtrl* list : {m_form.m_listReflection, m_form.m_listSilicon}) {
    for (int r = 0; r < list->rowCount(); ++r)
      for (int c = kColH; c < list->columnCount(); ++c) list->SetItemText(r, c, next());
  }
}

void CFormBinding::CommitOpenEdits() {
  m_form.m_listReflection->CommitCellEdit();
  m_form.m_listSilicon->CommitCellEdit();
}

void CFormBinding::CloseOpenEdits() {
  m_form.m_listReflection->CloseCellEditor();
  m_form.m_listSilicon->CloseCellEditor();
}
