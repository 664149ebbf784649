#pragma once
// Connects the widgets of a window to the command table, so a press in the window is the
// same action a script line or a test performs.

#include <QString>
#include <functional>
#include <string>

#include "workbench/CommandTable.h"

class QObject;

namespace quantorial {

// Every entry whose name starts with `prefix` ("frmForecast.") and has no further form
// part (an empty prefix: the main window's own controls) is looked up by the rest of its
// name with `find`; the widget or menu item found sends what a person does with it to
// `act`, by the entry's kind and the widget's type: a grid sends its double click and, where
// the table has "<grid>.Selection", the rectangle selected. Entries without a widget
// (panels, pseudo-controls) and keys are left to the window.
void WireThroughTable(QObject* context, const std::string& prefix, const std::function<QObject*(const QString&)>& find,
                      const std::function<void(const Action&)>& act);

}  // namespace quantorial
