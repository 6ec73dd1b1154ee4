// The fitting map window: the residuals of the last refinement against
// 2theta for one of three plot types, drawn on a dark blue map area below
// the plot-type buttons, redrawn whenever the window is painted.
#pragma once

#include <QDialog>

#include <functional>

#include "common/MessageSink.h"
#include "displays/QtMapCanvas.h"
#include "fittingmap/FittingMap.h"

class QAbstractButton;
class QCheckBox;
class QPushButton;

class CFittingMapDlg : public QDialog {
  Q_OBJECT

 public:
  // The map of a run's list of d-spacings, of plot type 1 first; messages
  // of Save go to `sink`, which offers `suggestedName`.
  CFittingMapDlg(const lattrix::RefinementOutcome& outcome, const QString& suggestedName,
                 lattrix::MessageSink& sink, QWidget* parent = nullptr);

  // Selects the type's button, sets the titles and the points (runs
  // when the dialog is first shown, before it becomes visible).
  void OnInitDialog();

  // The map's client size: the window's client area, which the map's
  // margin, box and titles are laid out in.
  QSize ClientSize() const { return size(); }
  CMapCanvasArea* MapArea() const { return m_mapArea; }
  QAbstractButton* TypeRadio(int plotType) const;
  // The map shown: its plot type, titles and points.
  const lattrix::FittingMap& Map() const { return m_map; }

  // "Light style for print": Save writes the light style (white ground,
  // dark axes and text); the window keeps the dark one.
  QCheckBox* LightStyleCheck() const { return m_checkLight; }

  // The file dialog of Save, replaceable so that tests need no modal
  // dialog; it returns the chosen path, or an empty text when cancelled.
  void SetSaveFileDialog(std::function<QString()> dialog) { m_saveDialog = std::move(dialog); }

 public Q_SLOTS:
  // A plot-type button was clicked: the checked one's type, its titles, the
  // points read again, and a repaint.
  void OnPlotType();
  // Writes the map at the window's size to a PNG, SVG or PDF file, framed
  // on the drawing, in the style the light-style box chooses.
  void OnSave();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QString AskSavePath();

  lattrix::RefinementOutcome m_outcome;
  // The map shown; the drawing keeps its geometry here too.
  lattrix::FittingMap m_map;
  QString m_strSuggestedName;
  lattrix::MessageSink& m_sink;
  QAbstractButton* m_pTypeRadio[3] = {};
  QCheckBox* m_checkLight = nullptr;
  // Its top-left corner is the map's anchor and it reaches to the window's
  // right and bottom edges, so that the map (laid out for the whole client
  // size) is clipped by the window as a whole.
  CMapCanvasArea* m_mapArea = nullptr;
  QPoint m_anchor;
  std::function<QString()> m_saveDialog;
  bool m_bInitialised = false;
};
