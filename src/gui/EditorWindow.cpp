#include "gui/EditorWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QTableView>

#include "gui/CommandWiring.h"
#include "workbench/Workbench.h"
#include "workbench/WorksheetEditor.h"
#include "workspace/ValueRules.h"

namespace quantorial {

int EditorGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : std::max(rows_ - 1, 0); }

int EditorGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(cols_ - 1, 0);
}

QVariant EditorGridModel::data(const QModelIndex& index, int role) const {
  if (!editor_ || !index.isValid()) return {};
  const std::string& text = editor_->TextMatrix(index.row() + 1, index.column() + 1);
  if (role == Qt::DisplayRole) return QString::fromStdString(text);
  // Numbers to the right, texts to the left, as a spreadsheet shows them.
  if (role == Qt::TextAlignmentRole) {
    const bool number = !text.empty() && WholeNumber(text).has_value();
    return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
  }
  return {};
}

QVariant EditorGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!editor_ || role != Qt::DisplayRole) return {};
  return QString::fromStdString(orientation == Qt::Horizontal ? editor_->TextMatrix(0, section + 1)
                                                              : editor_->TextMatrix(section + 1, 0));
}

void EditorGridModel::Sync(const WorksheetEditor* editor) {
  const int rows = editor ? editor->GridRows() : 0, cols = editor ? editor->GridCols() : 0;
  if (editor != editor_ || rows != rows_ || cols != cols_) {
    beginResetModel();
    editor_ = editor;
    rows_ = rows;
    cols_ = cols;
    endResetModel();
    return;
  }
  if (rows_ > 1 && cols_ > 1) emit dataChanged(index(0, 0), index(rows_ - 2, cols_ - 2), {Qt::DisplayRole});
}

EditorWindow::EditorWindow(Workbench& bench, QWidget* parent) : QMainWindow(parent, Qt::Window), bench_(bench) {
  setObjectName("frmEdit");
  setWindowTitle("KRV - Worksheet1");
  setAttribute(Qt::WA_DeleteOnClose, false);
  resize(960, 640);

  auto item = [this](QMenu* menu, const char* name, const char* caption, QKeySequence keys = {}) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    if (!keys.isEmpty()) a->setShortcut(keys);
    return a;
  };
  QMenu* file = menuBar()->addMenu("&File");
  item(file, "mnuNew", "&New Worksheet", QKeySequence::New);
  item(file, "mnuOpen", "&Open Worksheet...", QKeySequence::Open);
  item(file, "mnuSave", "&Save Worksheet", QKeySequence::Save);
  item(file, "mnuSaveAs", "Save Worksheet &As...");
  file->addSeparator();
  item(file, "mnuClose", "&Close Worksheet");
  item(file, "mnuExit", "E&xit Editor");
  QMenu* edit = menuBar()->addMenu("&Edit");
  item(edit, "mnuUndo", "&Undo", QKeySequence::Undo);
  item(edit, "mnuRedo", "&Redo", QKeySequence(Qt::CTRL | Qt::Key_Y));
  edit->addSeparator();
  item(edit, "mnuCut", "Cu&t", QKeySequence::Cut);
  item(edit, "mnuCopy", "&Copy", QKeySequence::Copy);
  item(edit, "mnuPaste", "&Paste", QKeySequence::Paste);
  item(edit, "mnuDelete", "&Delete");
  QMenu* help = menuBar()->addMenu("&Help");
  item(help, "mnuHelpTopics", "&Help Topics");
  item(help, "mnuAbout", "&About...");

  grid_ = new QTableView(this);
  grid_->setObjectName("Fg2");
  model_ = new EditorGridModel(grid_);
  grid_->setModel(model_);
  grid_->setFont(QFont("Arial", 9));
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  grid_->setTabKeyNavigation(false);
  // Fixed sizes: the view never measures the rows or columns of a large sheet.
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setDefaultSectionSize(20);
  grid_->verticalHeader()->setMinimumWidth(36);  // the fixed column, 540 twips
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid_->horizontalHeader()->setDefaultSectionSize(72);
  grid_->installEventFilter(this);
  setCentralWidget(grid_);

  edit_ = new QLineEdit(grid_->viewport());
  edit_->setObjectName("txtEdit");
  edit_->setFont(QFont("Arial", 9));
  edit_->setFrame(false);
  edit_->hide();
  edit_->installEventFilter(this);

  WireThroughTable(
      this, "frmEdit.", [this](const QString& name) { return findChild<QObject*>(name); },
      [this](const Action& a) { Act(a); });
  Refresh();
}

void EditorWindow::Act(const Action& a) {
  if (detached_) return;
  // A selection the editor already has (the grid reports a click as a new current cell and
  // as a new selection) is not sent again.
  WorksheetEditor* ed = bench_.Editor();
  if (ed && a.control == "frmEdit.Fg2.Selection") {
    const std::string has = std::to_string(ed->Row() == ed->SelRow1() ? ed->SelRow2() : ed->SelRow1()) + "," +
                            std::to_string(ed->Col() == ed->SelCol1() ? ed->SelCol2() : ed->SelCol1()) + ":" +
                            std::to_string(ed->Row()) + "," + std::to_string(ed->Col());
    if (a.text == has) return;
  }
  std::string error;
  const bool outer = !acting_;
  acting_ = true;
  const bool done = Perform(bench_, a, error);
  if (outer) acting_ = false;
  if (!done) QApplication::beep();
  Refresh();  // the window may be closing: Refresh looks for the editor first
}

void EditorWindow::Detach() {
  detached_ = true;
  model_->Sync(nullptr);  // the sheet it showed is gone
}

void EditorWindow::Refresh() {
  if (detached_) return;
  WorksheetEditor* ed = bench_.Editor();
  if (!ed) {
    model_->Sync(nullptr);
    return;
  }
  setWindowTitle(QString::fromStdString(ed->Caption()));
  model_->Sync(ed);
  const QModelIndex current = model_->index(ed->Row() - 1, ed->Col() - 1);
  QItemSelectionModel* sel = grid_->selectionModel();
  const QSignalBlocker quiet(sel);  // showing the selection is not selecting
  sel->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
  sel->select(QItemSelection(model_->index(ed->SelRow1() - 1, ed->SelCol1() - 1),
                             model_->index(ed->SelRow2() - 1, ed->SelCol2() - 1)),
              QItemSelectionModel::ClearAndSelect);
  grid_->scrollTo(current);
  if (ed->EditVisible()) {
    edit_->setGeometry(grid_->visualRect(current));
    if (edit_->text().toStdString() != ed->EditText()) {
      edit_->setText(QString::fromStdString(ed->EditText()));
      edit_->setCursorPosition(edit_->text().size());
    }
    edit_->show();
    edit_->setFocus();
  } else if (edit_->isVisible()) {
    edit_->hide();
    grid_->setFocus();
  }
  if (QAction* a = findChild<QAction*>("mnuUndo")) a->setEnabled(ed->CanUndo());
  if (QAction* a = findChild<QAction*>("mnuRedo")) a->setEnabled(ed->CanRedo());
}

namespace {

// The editor's code of a Qt key, 0 for a key it has no code for.
int EditorKeyCode(int key) {
  static const std::pair<int, int> kKeys[] = {
      {Qt::Key_Return, kKeyReturn}, {Qt::Key_Enter, kKeyReturn},      {Qt::Key_Escape, kKeyEscape},
      {Qt::Key_Up, kKeyUp},         {Qt::Key_Down, kKeyDown},         {Qt::Key_Left, kKeyLeft},
      {Qt::Key_Right, kKeyRight},   {Qt::Key_Home, kKeyHome},         {Qt::Key_End, kKeyEnd},
      {Qt::Key_PageUp, kKeyPageUp}, {Qt::Key_PageDown, kKeyPageDown}, {Qt::Key_Tab, kKeyTab},
      {Qt::Key_Backtab, kKeyTab},   {Qt::Key_Delete, kKeyDelete},     {Qt::Key_Backspace, kKeyBack}};
  for (const auto& [qt, code] : kKeys) {
    if (qt == key) return code;
  }
  return 0;
}

}  // namespace

bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const bool shift = key->modifiers() & Qt::ShiftModifier;
  const std::string shiftText = shift ? ",1" : ",0";
  if (watched == edit_) {
    // The edit box takes Enter, Escape, Up, Down and Tab; the other keys edit its text.
    const int code = EditorKeyCode(key->key());
    if (code != kKeyReturn && code != kKeyEscape && code != kKeyUp && code != kKeyDown && code != kKeyTab) return false;
    const bool back = key->key() == Qt::Key_Backtab;
    Act({ActionKind::Set, "frmEdit.txtEdit.KeyDown", std::to_string(code) + (back ? ",1" : shiftText), {}});
    return true;
  }
  if (watched != grid_) return QMainWindow::eventFilter(watched, event);
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  if (key->key() == Qt::Key_F2) {
    Act({ActionKind::DblClick, "frmEdit.Fg2", {}, {}});
    return true;
  }
  // The grid takes every key of the editor but Escape; other keys type into the cell.
  const int code = key->key() == Qt::Key_Escape ? 0 : EditorKeyCode(key->key());
  if (code != 0) {
    const bool back = key->key() == Qt::Key_Backtab;
    Act({ActionKind::Set, "frmEdit.Fg2.KeyDown", std::to_string(code) + (shift || back ? ",1" : ",0"), {}});
    return true;
  }
  const QString typed = key->text();
  if (!typed.isEmpty() && typed.at(0).unicode() >= 32 && typed.at(0).unicode() != 127) {
    Act({ActionKind::Set, "frmEdit.Fg2.KeyPress", typed.toStdString(), {}});
    return true;
  }
  return false;
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (detached_) {
    event->accept();
    return;
  }
  // The window's close button is "E&xit Editor": the question about unsaved changes may
  // keep it open. The sheet asked about stays in view, in front, while the question and a
  // Save dialog after "Yes" are up (they open over it), and after a Cancel.
  if (bench_.Editor()) {
    raise();
    activateWindow();
    Act({ActionKind::Click, "frmEdit.mnuExit", {}, {}});
  }
  if (bench_.Editor()) {
    event->ignore();
    show();
    raise();
    activateWindow();
    return;
  }
  event->accept();
}

}  // namespace quantorial
