#include "ui/EditListCtrl.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <string>
#include <vector>

#include "common/TextIO.h"

CListCellEdit::CListCellEdit(CEditListCtrl* grid) : QLineEdit(grid->viewport()), m_pGrid(grid) {
  setObjectName("cellEditor");
  setFont(grid->font());
  setFrame(true);
  setTextMargins(1, 0, 1, 0);
}

bool CListCellEdit::event(QEvent* event) {
  // Tab belongs to the editor, not to the form's focus chain.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      m_pGrid->OnEditorTab(key->key() == Qt::Key_Backtab ||
                           (key->modifiers() & Qt::ShiftModifier));
      return true;
    }
  }
  return QLineEdit::event(event);
}

void CListCellEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      m_pGrid->OnEditorKey(event->key());
      return;
    default:
      QLineEdit::keyPressEvent(event);
  }
}

void CListCellEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A menu or the editor's own context menu takes the focus only for a
  // moment; any other loss of focus (a click elsewhere, another window)
  // ends the edit and stores the text.
  if (event->reason() != Qt::PopupFocusReason) m_pGrid->CommitCellEdit();
}

CEditListCtrl::CEditListCtrl(QWidget* parent) : QTableWidget(parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  // Shift with the arrows or a click selects a block of rows to copy.
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  setShowGrid(true);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  verticalHeader()->setVisible(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setStretchLastSection(true);
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] { PlaceEditor(); });
}

CEditListCtrl::~CEditListCtrl() { m_bEditing = false; }

void CEditListCtrl::SetColumns(const QStringList& headings, const QList<int>& widths) {
  setColumnCount(static_cast<int>(headings.size()));
  setHorizontalHeaderLabels(headings);
  for (int c = 0; c < headings.size() && c < widths.size(); ++c) setColumnWidth(c, widths[c]);
}

void CEditListCtrl::SetRowCountEmpty(int rows) {
  CloseCellEditor();
  clearContents();
  setRowCount(rows);
}

QString CEditListCtrl::GetItemText(int row, int col) const {
  const QTableWidgetItem* cell = item(row, col);
  return cell ? cell->text() : QString();
}

void CEditListCtrl::SetItemText(int row, int col, const QString& text) {
  if (row < 0 || row >= rowCount() || col < 0 || col >= columnCount()) return;
  QTableWidgetItem* cell = item(row, col);
  if (!cell) {
    cell = new QTableWidgetItem(text);
    cell->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    setItem(row, col, cell);
  } else {
    cell->setText(text);
  }
}

int CEditListCtrl::GetFirstSelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  int first = -1;
  for (const QModelIndex& index : rows) {
    if (first < 0 || index.row() < first) first = index.row();
  }
  return first;
}

void CEditListCtrl::SelectRow(int row) { SelectCell(row, currentColumn()); }

void CEditListCtrl::SelectCell(int row, int col) {
  if (row < 0 || row >= rowCount()) return;
  // The keyboard's cell is never the "No" column, which is not edited.
  col = std::clamp(col, std::min(1, columnCount() - 1), columnCount() - 1);
  setCurrentCell(row, col, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QRect CEditListCtrl::GetCellEditRect(int row, int col) const {
  QRect rect = visualRect(model()->index(row, col));
  // One pixel more above and below than the cell, so that the editor's
  // frame sits on the grid lines.
  return rect.adjusted(0, -1, 1, 1);
}

bool CEditListCtrl::BeginCellEdit(int row, int col) {
  if (!isEnabled() || row < 0 || row >= rowCount() || col < 0 || col >= columnCount()) return false;
  if (m_bEditing) CommitCellEdit();
  m_bEditing = true;
  m_nEditRow = row;
  m_nEditCol = col;
  SelectCell(row, col);
  scrollTo(model()->index(row, col));

  m_editCell = new CListCellEdit(this);
  m_editCell->setText(GetItemText(row, col));
  m_editCell->setGeometry(GetCellEditRect(row, col));
  m_editCell->show();
  m_editCell->selectAll();
  m_editCell->setFocus(Qt::OtherFocusReason);
  return true;
}

void CEditListCtrl::CloseCellEditor() {
  if (!m_bEditing) return;
  // Cleared first: the loss of focus caused by closing the editor must not
  // store the text a second time.
  m_bEditing = false;
  if (m_editCell) {
    CListCellEdit* editor = m_editCell;
    m_editCell = nullptr;
    if (editor->hasFocus()) setFocus(Qt::OtherFocusReason);
    editor->hide();
    editor->deleteLater();
  }
  if (GetFirstSelectedRow() != m_nEditRow) SelectCell(m_nEditRow, m_nEditCol);
}

void CEditListCtrl::CommitCellEdit() {
  if (!m_bEditing) return;
  QString text = m_editCell ? m_editCell->text() : QString();
  CloseCellEditor();
  StoreText(m_nEditRow, m_nEditCol, text);
}

void CEditListCtrl::StoreText(int row, int col, QString text) {
  const bool accepted = m_endLabelEdit ? m_endLabelEdit(row, col, text) : true;
  if (!accepted) return;
  SetItemText(row, col, text);
  Q_EMIT cellEdited(row, col);
}

void CEditListCtrl::SetPreferredHeight(int height) {
  m_nPreferredHeight = height;
  updateGeometry();
}

QSize CEditListCtrl::sizeHint() const {
  QSize hint = QTableWidget::sizeHint();
  if (m_nPreferredHeight > 0) hint.setHeight(m_nPreferredHeight);
  return hint;
}

void CEditListCtrl::SelectAndFocusCell(int row, int col) {
  if (row < 0 || row >= rowCount()) return;
  SelectCell(row, col);
  setFocus(Qt::OtherFocusReason);
}

void CEditListCtrl::OnEditorKey(int key) {
  const int row = m_nEditRow;
  if (key == Qt::Key_Escape) {
    CloseCellEditor();
  } else {
    CommitCellEdit();
  }
  // Enter goes on to the cell below, as in a spreadsheet.
  const bool down = key != Qt::Key_Escape && row + 1 < rowCount();
  SelectAndFocusCell(down ? row + 1 : row, m_nEditCol);
}

bool CEditListCtrl::NextCell(int& row, int& col, bool backwards) const {
  if (backwards) {
    if (--col < 1) {
      col = columnCount() - 1;
      --row;
    }
  } else if (++col >= columnCount()) {
    col = 1;
    ++row;
  }
  return row >= 0 && row < rowCount();
}

void CEditListCtrl::OnEditorTab(bool backwards) {
  int row = m_nEditRow;
  int col = m_nEditCol;
  CommitCellEdit();
  if (!NextCell(row, col, backwards)) {
    SelectAndFocusCell(m_nEditRow, m_nEditCol);
    return;
  }
  BeginCellEdit(row, col);
}

bool CEditListCtrl::event(QEvent* event) {
  // Tab and Shift+Tab walk the cells; past the last (or first) cell the
  // focus goes on to the next control of the form.
  if (event->type() == QEvent::KeyPress && !m_bEditing) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    int row = currentRow(), col = currentColumn();
    if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && row >= 0 &&
        NextCell(row, col, key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier))) {
      SelectCell(row, col);
      return true;
    }
  }
  return QTableWidget::event(event);
}

void CEditListCtrl::CopySelection() const {
  QList<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.append(index.row());
  std::sort(rows.begin(), rows.end());
  std::vector<std::vector<std::string>> table;
  for (int row : rows) {
    std::vector<std::string> cells;
    for (int col = 1; col < columnCount(); ++col) cells.push_back(GetItemText(row, col).trimmed().toStdString());
    table.push_back(std::move(cells));
  }
  if (!table.empty()) QApplication::clipboard()->setText(QString::fromStdString(lattrix::DelimitedText(table, '\t', "\n")));
}

void CEditListCtrl::ClearSelectedCells() {
  const int col = currentColumn();
  int changed = -1;
  for (const QModelIndex& index : selectionModel()->selectedRows()) {
    if (GetItemText(index.row(), col).isEmpty()) continue;
    QString text;
    if (m_endLabelEdit && !m_endLabelEdit(index.row(), col, text)) continue;
    SetItemText(index.row(), col, text);
    changed = index.row();
  }
  if (changed >= 0) Q_EMIT cellEdited(changed, col);
}

// A key that types a character: it starts an edit that replaces the text.
static bool TypesText(const QKeyEvent* event) {
  return !event->text().isEmpty() && event->text().at(0).isPrint() &&
         !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

void CEditListCtrl::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Paste)) {
    event->accept();
    Q_EMIT pasteRequested();
    return;
  }
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
    event->accept();
    return;
  }
  const int row = currentRow();
  const int col = currentColumn();
  switch (event->key()) {
    case Qt::Key_F2:
      // The whole text to edit, the cursor at its end.
      if (BeginCellEdit(row, col)) m_editCell->end(false);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      SelectCell(std::min(row + 1, rowCount() - 1), col);
      break;
    case Qt::Key_Delete:
      ClearSelectedCells();
      break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      QTableWidget::keyPressEvent(event);
      if (currentColumn() == 0 && columnCount() > 1)
        selectionModel()->setCurrentIndex(model()->index(currentRow(), 1), QItemSelectionModel::NoUpdate);
      return;
    default:
      if (TypesText(event) && BeginCellEdit(row, col)) m_editCell->setText(event->text());
      break;
  }
  event->accept();
}

void CEditListCtrl::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  const bool rowWasSelected =
      index.isValid() && selectionModel()->isRowSelected(index.row(), QModelIndex());
  QTableWidget::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && rowWasSelected && !m_bEditing)
    BeginCellEdit(index.row(), index.column());
}

void CEditListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index.isValid()) {
    if (!(m_bEditing && m_nEditRow == index.row() && m_nEditCol == index.column()))
      BeginCellEdit(index.row(), index.column());
    event->accept();
    return;
  }
  QTableWidget::mouseDoubleClickEvent(event);
}

void CEditListCtrl::PlaceEditor() {
  if (m_bEditing && m_editCell) m_editCell->setGeometry(GetCellEditRect(m_nEditRow, m_nEditCol));
}

void CEditListCtrl::scrollContentsBy(int dx, int dy) {
  QTableWidget::scrollContentsBy(dx, dy);
  // The editor follows its cell.
  PlaceEditor();
}

void CEditListCtrl::updateGeometries() {
  QTableWidget::updateGeometries();
  PlaceEditor();
}
