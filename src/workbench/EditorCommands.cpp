// The main window's way to the worksheet editor and back.

#include "workbench/Workbench.h"

namespace quantorial {

void Workbench::cmdEdt_Click() {
  if (!editor_) {
    editor_ = std::make_unique<WorksheetEditor>(host_, dataFolder_);
    editor_->onFailure = [this](const std::string& message) { outcome_.Fail(message); };
    editor_->Form_Load();
  }
  host_.WindowService("Editor");
}

bool Workbench::UnloadEditor() {
  if (!editor_) return true;
  if (!editor_->QueryUnload()) return false;
  editor_.reset();
  host_.WindowService("EditorClosed");
  return true;
}

}  // namespace quantorial
