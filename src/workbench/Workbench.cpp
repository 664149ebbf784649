// The workbench itself: what every panel of the window shares.
#include "workbench/Workbench.h"

#include <cmath>
#include <filesystem>

#include "export/Export.h"
#include "matrix/MatrixFunctions.h"
#include "workspace/SlotTable.h"
#include "workspace/ValueRules.h"

namespace quantorial {

Workbench::Workbench(Host& host, const SettingsStore* settings, std::string dataFolder)
    : host_(host), settings_(settings), dataFolder_(std::move(dataFolder)) {}

void Workbench::SaveSetting(const char* section, const char* key, const std::string& value) {
  // A setting that cannot be stored is not worth stopping the work for.
  if (settings_) settings_->SaveDbSettingLater(section, key, value);
}

// Ends the program: the worksheet editor goes first, and its question about unsaved
// changes may keep both open.
void Workbench::Exit() {
  if (!UnloadEditor()) return;
  host_.WindowService("Exit");
}

}  // namespace quantorial
