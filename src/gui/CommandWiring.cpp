#include "gui/CommandWiring.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace quantorial {

namespace {

// A double click anywhere on a grid's cells area is the grid's double click.
class DoubleClickFilter : public QObject {
 public:
  DoubleClickFilter(QObject* parent, std::function<void()> act) : QObject(parent), act_(std::move(act)) {}

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::MouseButtonDblClick) return false;
    act_();
    return true;
  }

 private:
  std::function<void()> act_;
};

// The selected rectangle of a grid, from its anchor to the current cell, as "row,col:row,col"
// counted from 1; empty without a current cell.
std::string SelectionText(const QItemSelectionModel* sel) {
  const QModelIndex current = sel->currentIndex();
  if (!current.isValid()) return {};
  int top = current.row(), bottom = current.row(), left = current.column(), right = current.column();
  for (const QItemSelectionRange& r : sel->selection()) {
    top = std::min(top, r.top());
    bottom = std::max(bottom, r.bottom());
    left = std::min(left, r.left());
    right = std::max(right, r.right());
  }
  const int anchorRow = current.row() == top ? bottom : top;
  const int anchorCol = current.column() == left ? right : left;
  return std::to_string(anchorRow + 1) + "," + std::to_string(anchorCol + 1) + ":" + std::to_string(current.row() + 1) +
         "," + std::to_string(current.column() + 1);
}

}  // namespace

void WireThroughTable(QObject* context, const std::string& prefix, const std::function<QObject*(const QString&)>& find,
                      const std::function<void(const Action&)>& act) {
  for (const ControlEntry& e : ControlTable()) {
    if (e.name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string own = e.name.substr(prefix.size());
    if (own.find('.') != std::string::npos) continue;  // a control of another window
    QObject* o = find(QString::fromStdString(own));
    if (!o) continue;
    const std::string name = e.name;
    auto click = [act, name] { act({ActionKind::Click, name, {}, {}}); };
    auto set = [act, name](const QString& s) { act({ActionKind::Set, name, s.toStdString(), {}}); };
    if (auto* a = qobject_cast<QAction*>(o)) {
      QObject::connect(a, &QAction::triggered, context, click);
    } else if (auto* b = qobject_cast<QPushButton*>(o)) {
      QObject::connect(b, &QPushButton::clicked, context, click);
    } else if (auto* l = qobject_cast<QLabel*>(o)) {
      QObject::connect(l, &QLabel::linkActivated, context, click);
    } else if (auto* t = qobject_cast<QLineEdit*>(o)) {
      if (e.onCommit) {
        // A path is taken when typing ends (Enter or leaving the box), not at every key,
        // and only when the person changed it since the window last showed it.
        QObject::connect(t, &QLineEdit::editingFinished, context, [t, set] {
          if (!t->isModified()) return;
          t->setModified(false);
          set(t->text());
        });
      } else {
        QObject::connect(t, &QLineEdit::textEdited, context, set);
      }
    } else if (auto* r = qobject_cast<QRadioButton*>(o)) {
      QObject::connect(r, &QRadioButton::clicked, context, [act, name] { act({ActionKind::Choose, name, {}, {}}); });
    } else if (auto* c = qobject_cast<QCheckBox*>(o)) {
      QObject::connect(c, &QCheckBox::clicked, context, [act, name](bool on) {
        act({ActionKind::Check, name, on ? "1" : "0", {}});
      });
    } else if (auto* list = qobject_cast<QListWidget*>(o)) {
      QObject::connect(list, &QListWidget::itemSelectionChanged, context, [act, name, list] {
        Action a{ActionKind::Select, name, {}, {}};
        for (int i = 0; i < list->count(); ++i) {
          if (list->item(i)->isSelected()) a.items.push_back("#" + std::to_string(i));
        }
        act(a);
      });
    } else if (auto* view = qobject_cast<QAbstractItemView*>(o)) {
      // A grid: its double click, and, when the table has "<grid>.Selection", the rectangle
      // a person selects (a window showing the workbench's selection blocks the selection
      // model's signals meanwhile).
      view->viewport()->installEventFilter(new DoubleClickFilter(view, [act, name] {
        act({ActionKind::DblClick, name, {}, {}});
      }));
      const std::string selection = name + ".Selection";
      if (QItemSelectionModel* sel = view->selectionModel(); sel && FindControl(selection)) {
        auto send = [act, selection, sel] {
          const std::string text = SelectionText(sel);
          if (!text.empty()) act({ActionKind::Set, selection, text, {}});
        };
        QObject::connect(sel, &QItemSelectionModel::selectionChanged, context, send);
        QObject::connect(sel, &QItemSelectionModel::currentChanged, context, send);
      }
    } else if (auto* combo = qobject_cast<QComboBox*>(o)) {
      if (e.kind == ControlKind::TextBox) {
        // An editable box whose text is the setting: chosen or typed.
        QObject::connect(combo, &QComboBox::currentTextChanged, context, set);
      } else {
        // Any change of the choice that is not the window's own (it blocks the box's
        // signals while it shows the workbench's state).
        QObject::connect(combo, &QComboBox::currentIndexChanged, context, [act, name, combo](int i) {
          Action a{ActionKind::Select, name, {}, {}};
          if (i >= 0) a.items.push_back(combo->itemText(i).toStdString());
          act(a);
        });
      }
    }
  }
}

}  // namespace quantorial
