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
  // Shows the wavelength `wave` (Angstrom) and the radius `radius` (mm);
  // messages go to `sink` (message boxes when it is null).
  CInstrumentDlg(double wave, double radius, lattrix::MessageSink* sink = nullptr, QWidget* parent = nullptr);

  // The values shown, and after OK the values taken.
  double Wavelength() const { return m_dWave; }
  double Radius() const { return m_dRadius; }

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
  double m_dWave = 0.0;    // Angstrom
  double m_dRadius = 0.0;  // mm
  bool m_bInitialised = false;
};
