// The instrument parameters: X-ray wavelength and goniometer radius, with a
// table of the characteristic wavelengths of five X-ray tube targets from
// which a double-click takes Ka1.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "common/MessageSink.h"

class QLineEdit;
class QTableWidget;

class CInstrumentDlg : public QDialog {
  Q_OBJECT

 public:
  // Messages go to `sink` (message boxes when it is null).
  explicit CInstrumentDlg(lattrix::MessageSink* sink = nullptr, QWidget* parent = nullptr);

  // Set by the caller before the dialog is shown; read back after OK.
  double m_dWave = 0.0;    // Angstrom
  double m_dRadius = 0.0;  // mm

  QTableWidget* TargetList() const { return m_listTarget; }
  QLineEdit* WavelengthEdit() const { return m_editWavelength; }
  QLineEdit* RadiusEdit() const { return m_editRadius; }

  // Fills the table and the two edits (runs when the dialog is first shown).
  void OnInitDialog();

 public Q_SLOTS:
  // Takes the edits into m_dWave and m_dRadius and closes with OK. An edit
  // whose text is still the one shown keeps its value at full precision; a
  // changed one must hold one number, else a message names it and the
  // dialog stays open with both values unchanged.
  void OnOK();
  // Puts the selected row's Ka1 into the wavelength edit.
  void OnDblclkTargetList();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool TakeNumber(QLineEdit* edit, const std::string& shown, const char* name, double& value);

  std::unique_ptr<lattrix::MessageSink> m_defaultSink;
  lattrix::MessageSink* m_pSink = nullptr;
  QTableWidget* m_listTarget = nullptr;
  QLineEdit* m_editWavelength = nullptr;
  QLineEdit* m_editRadius = nullptr;
  bool m_bInitialised = false;
};
