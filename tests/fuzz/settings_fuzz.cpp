// Any bytes as the settings store: reading and writing a setting must end with a value or
// a reason, never a crash.

#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "io/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const quantorial::fuzz::FuzzFile file(quantorial::kSettingsFileName);
  file.Write(data, size);
  const quantorial::SettingsStore store(file.Folder());
  std::string error;
  (void)store.Get(quantorial::kDataFilesSection, "LastTrendFile", &error);
  (void)store.SaveDbSetting(quantorial::kProgramSection, "ChartTitle", "T", &error);
  return 0;
}
