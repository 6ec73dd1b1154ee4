// A table whose every cell is edited in place: the form's Reflection List
// and its silicon list.
//
// A click on a cell of the row that is already selected (or a double-click
// on any cell) opens a small edit field exactly over that cell, with the
// cell's text selected. Enter, Tab or a click elsewhere ends the edit and
// offers the text to the owner, who may change or refuse it; only an
// accepted text is written into the cell. Escape drops the typed text.
// From the keyboard: the arrows move the current cell, typing replaces its
// text, F2 edits it, Enter commits and moves down, Delete clears it in the
// selected rows, Tab walks across; Ctrl+C copies the selected rows as
// tab-separated text. The grid holds only text: the owner reads and writes
// the cells.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QTableWidget>

#include <functional>

class CEditListCtrl;

// The edit field that covers one cell while it is being edited.
class CListCellEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CListCellEdit(CEditListCtrl* grid);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  CEditListCtrl* m_pGrid;
};

class CEditListCtrl : public QTableWidget {
  Q_OBJECT

 public:
  // Called with the edited cell and its new text when an edit ends; returns
  // true to store the (possibly changed) text in the cell.
  using EndLabelEditHandler = std::function<bool(int row, int col, QString& text)>;

  explicit CEditListCtrl(QWidget* parent = nullptr);
  ~CEditListCtrl() override;

  void SetEndLabelEditHandler(EndLabelEditHandler handler) { m_endLabelEdit = std::move(handler); }

  // Sets up the columns (headings and widths in pixels) and the number of
  // rows, all cells empty.
  void SetColumns(const QStringList& headings, const QList<int>& widths);
  void SetRowCountEmpty(int rows);

  // The text of a cell; empty for a cell that holds none.
  QString GetItemText(int row, int col) const;
  void SetItemText(int row, int col, const QString& text);
  // The first selected row, or -1.
  int GetFirstSelectedRow() const;
  // Selects the row and makes the cell current (never the "No" column).
  void SelectRow(int row);
  void SelectCell(int row, int col);

  // Opens the editor over a cell; false when the cell does not exist or the
  // grid is disabled.
  bool BeginCellEdit(int row, int col);
  // Offers the editor's text to the owner, closes the editor and stores the
  // text when the owner accepts it. Does nothing while no edit is open.
  void CommitCellEdit();
  // Closes the editor without storing anything.
  void CloseCellEditor();
  // The rectangle (in viewport coordinates) the editor covers for a cell.
  QRect GetCellEditRect(int row, int col) const;

  // The height the list asks a layout for; it may still be squeezed down
  // to its minimum height on a small screen.
  void SetPreferredHeight(int height);
  QSize sizeHint() const override;

  // The selected rows as tab-separated lines on the clipboard (Ctrl+C).
  void CopySelection() const;
  // The current column's cells of the selected rows emptied (Delete), as
  // one change of the list.
  void ClearSelectedCells();

  bool IsEditing() const { return m_bEditing; }
  CListCellEdit* CellEditor() const { return m_editCell; }
  int EditRow() const { return m_nEditRow; }
  int EditCol() const { return m_nEditCol; }

 Q_SIGNALS:
  // A text the owner accepted was stored in the cell.
  void cellEdited(int row, int col);
  // Ctrl+V (the platform's paste key) on the list, not in a cell being
  // edited (the edit field pastes into its own text).
  void pasteRequested();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void updateGeometries() override;

 private:
  friend class CListCellEdit;
  // Enter and Escape typed in the editor.
  void OnEditorKey(int key);
  // Tab and Shift+Tab typed in the editor: store, then edit the next or
  // previous cell (the "No" column is skipped).
  void OnEditorTab(bool backwards);
  // The cell after (or before) row, col, walking across the editable
  // columns; false past either end of the list.
  bool NextCell(int& row, int& col, bool backwards) const;
  // Offers the text to the owner and stores it when accepted.
  void StoreText(int row, int col, QString text);
  void PlaceEditor();
  void SelectAndFocusCell(int row, int col);

  bool m_bEditing = false;
  QPointer<CListCellEdit> m_editCell;
  int m_nEditRow = -1;
  int m_nEditCol = -1;
  int m_nPreferredHeight = 0;
  EndLabelEditHandler m_endLabelEdit;
};
