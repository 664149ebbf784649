#pragma once
// "KRV Worksheet" (frmEdit): the window over the workbench's worksheet editor. The grid
// Fg2 is a model over the editor's sheet (only the visible cells are ever drawn), the
// floating box txtEdit edits one cell, and every key, click and menu item goes through
// the command table (frmEdit.*) as a script line would; the window then shows the
// editor's state again.

#include <QAbstractTableModel>
#include <QMainWindow>

#include "workbench/CommandTable.h"

class QLineEdit;
class QTableView;

namespace quantorial {

class Workbench;
class WorksheetEditor;

class EditorGridModel : public QAbstractTableModel {
 public:
  explicit EditorGridModel(QObject* parent) : QAbstractTableModel(parent) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Shows the editor's sheet (null: nothing); a new size resets the view, otherwise the
  // cells are repainted.
  void Sync(const WorksheetEditor* editor);

 private:
  const WorksheetEditor* editor_ = nullptr;
  int rows_ = 0, cols_ = 0;  // the grid's size with the fixed row and column
};

class EditorWindow : public QMainWindow {
 public:
  EditorWindow(Workbench& bench, QWidget* parent);
  // Shows the editor's caption, sheet, current cell, selection and edit box.
  void Refresh();
  QTableView* Grid() const { return grid_; }
  QLineEdit* EditBox() const { return edit_; }
  // The workbench is going away: the window closes without acting on it.
  void Detach();
  // True while one of the window's own commands runs: the boxes and dialogs it asks for
  // belong over this window, whichever window the desktop made active meanwhile.
  bool Acting() const { return acting_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Act(const Action& a);

  Workbench& bench_;
  EditorGridModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QLineEdit* edit_ = nullptr;
  bool detached_ = false;
  bool acting_ = false;
};

}  // namespace quantorial
