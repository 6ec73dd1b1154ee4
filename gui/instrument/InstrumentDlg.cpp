#include "instrument/InstrumentDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/TextIO.h"
#include "ui/MessageBoxSink.h"
#include "ui/ScreenFit.h"

namespace {

// How the two edits show their values.
std::string WaveText(double wave) { return lattrix::Format("%9.7lf", wave); }
std::string RadiusText(double radius) { return lattrix::Format("%8.3lf", radius); }

// Characteristic wavelengths (Angstrom) of the common X-ray tube targets.
struct Target {
  const char* name;
  const char* ka1;
  const char* ka2;
  const char* kav;
};
constexpr Target kTargets[5] = {
    {"Cr", "2.28975", "2.29365", "2.29105"},   {"Fe", "1.93608", "1.94002", "1.93739"},
    {"Co", "1.78900", "1.79289", "1.79030"},   {"Cu", "1.540593", "1.54441", "1.54187"},
    {"Mo", "0.709317", "0.71361", "0.71075"},
};

}  // namespace

CInstrumentDlg::CInstrumentDlg(double wave, double radius, lattrix::MessageSink* sink, QWidget* parent)
    : QDialog(parent), m_dWave(wave), m_dRadius(radius) {
  if (sink == nullptr) m_defaultSink = std::make_unique<MessageBoxSink>(this);
  m_pSink = sink != nullptr ? sink : m_defaultSink.get();
  setObjectName("instrumentDialog");
  setWindowTitle(QStringLiteral("Instrument parameters"));
  setFont(QFont(QStringLiteral("Times New Roman"), 9));

  m_editWavelength = new QLineEdit(this);
  m_editWavelength->setObjectName("editWavelength");
  m_editRadius = new QLineEdit(this);
  m_editRadius->setObjectName("editRadius");
  const QFontMetrics metrics(font());
  const int editWidth = metrics.horizontalAdvance(QStringLiteral("000.0000000")) + 12;
  m_editWavelength->setFixedWidth(editWidth);
  m_editRadius->setFixedWidth(editWidth);

  m_listTarget = new QTableWidget(this);
  m_listTarget->setObjectName("listTarget");
  m_listTarget->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_listTarget->setSelectionMode(QAbstractItemView::SingleSelection);
  m_listTarget->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_listTarget->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_listTarget->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_listTarget->setShowGrid(true);
  m_listTarget->verticalHeader()->setVisible(false);
  m_listTarget->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_listTarget->horizontalHeader()->setSectionsClickable(false);
  m_listTarget->setToolTip(QStringLiteral("Double-click a target to take its Ka1 wavelength"));
  connect(m_listTarget, &QTableWidget::doubleClicked, this, &CInstrumentDlg::OnDblclkTargetList);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("buttonOK");
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName("buttonCancel");
  connect(ok, &QPushButton::clicked, this, &CInstrumentDlg::OnOK);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(QStringLiteral("Wavelength (A) :"), this), 0, 0);
  fields->addWidget(m_editWavelength, 0, 1);
  fields->addWidget(new QLabel(QStringLiteral("Goniometer radius (mm) :"), this), 1, 0);
  fields->addWidget(m_editRadius, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(m_listTarget);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  KeepOnScreen(this);
}

void CInstrumentDlg::showEvent(QShowEvent* event) {
  if (!m_bInitialised) OnInitDialog();
  QDialog::showEvent(event);
}

void CInstrumentDlg::OnInitDialog() {
  m_bInitialised = true;
  m_listTarget->clear();
  m_listTarget->setColumnCount(4);
  m_listTarget->setHorizontalHeaderLabels({"Tg", "Ka1", "Ka2", "Kav"});
  const int widths[4] = {26, 57, 53, 53};
  for (int c = 0; c < 4; ++c) m_listTarget->setColumnWidth(c, widths[c]);
  m_listTarget->setRowCount(5);
  const int rowHeight = QFontMetrics(font()).height() + 6;
  m_listTarget->verticalHeader()->setMinimumSectionSize(rowHeight);
  m_listTarget->verticalHeader()->setDefaultSectionSize(rowHeight);
  for (int r = 0; r < 5; ++r) {
    const char* const texts[4] = {kTargets[r].name, kTargets[r].ka1, kTargets[r].ka2, kTargets[r].kav};
    for (int c = 0; c < 4; ++c) m_listTarget->setItem(r, c, new QTableWidgetItem(QString::fromLatin1(texts[c])));
  }
  // Exactly the five rows and four columns, no scrolling.
  m_listTarget->setFixedSize(26 + 57 + 53 + 53 + 2 * m_listTarget->frameWidth(),
                             m_listTarget->horizontalHeader()->sizeHint().height() + 5 * rowHeight +
                                 2 * m_listTarget->frameWidth());

  m_editWavelength->setText(QString::fromStdString(WaveText(m_dWave)));
  m_editRadius->setText(QString::fromStdString(RadiusText(m_dRadius)));
}

void CInstrumentDlg::OnDblclkTargetList() {
  const QModelIndexList rows = m_listTarget->selectionModel()->selectedRows();
  if (rows.isEmpty()) return;  // no row: the edit keeps its text
  const QTableWidgetItem* ka1 = m_listTarget->item(rows.constFirst().row(), 1);
  if (!ka1) return;
  m_editWavelength->setText(ka1->text());
}

bool CInstrumentDlg::TakeNumber(QLineEdit* edit, const std::string& shown, const char* name, double& value) {
  const std::string text = edit->text().toStdString();
  if (text == shown) return true;
  if (lattrix::ParseNumberText(text, value)) return true;
  m_pSink->Show(std::string(name) + " is not a number !!!");
  edit->setFocus();
  return false;
}

void CInstrumentDlg::OnOK() {
  double wave = m_dWave, radius = m_dRadius;
  if (!TakeNumber(m_editWavelength, WaveText(m_dWave), "Wavelength", wave) ||
      !TakeNumber(m_editRadius, RadiusText(m_dRadius), "Goniometer radius", radius))
    return;
  m_dWave = wave;
  m_dRadius = radius;
  accept();
}
