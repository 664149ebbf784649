#pragma once
// The settings store: a small password-protected database ("gdsystem.mdx", SQLCipher)
// with one table `gdsystem` of (Section, Setting, Value) rows. It is opened and closed
// around every read and write, so two running copies of the program share it safely.

#include <map>
#include <optional>
#include <string>
#include <utility>

namespace quantorial {

// Section of the data-file keys ("LastTrendFile", "LastTestFile", ...).
inline constexpr const char* kDataFilesSection = "TORVIK";
// Section of the chart options: the program's name.
inline constexpr const char* kProgramSection = "quantorial";
inline constexpr const char* kSettingsFileName = "gdsystem.mdx";

class SettingsStore {
 public:
  // The store lives in `folder` (created when missing).
  explicit SettingsStore(std::string folder);
  virtual ~SettingsStore() = default;

  const std::string& Path() const { return path_; }

  // Creates the database file and the table `gdsystem` when they are missing. False with
  // a reason when the file cannot be created or is not a settings database.
  bool OpenSettingsDb(std::string* error = nullptr) const;

  // The value of the first row of (section, setting), names trimmed of blanks; nothing
  // when there is none or the store cannot be read.
  virtual std::optional<std::string> Get(const std::string& section, const std::string& setting,
                                         std::string* error = nullptr) const;
  // The same with a default for a missing row or an unreadable store.
  std::string GetDbSetting(const std::string& section, const std::string& setting,
                           const std::string& defaultValue = std::string()) const;
  // Updates the first row of (section, setting) or adds one. False with a reason when the
  // value could not be stored (the workbench goes on without it).
  virtual bool SaveDbSetting(const std::string& section, const std::string& setting, const std::string& value,
                             std::string* error = nullptr) const;
  // How many rows (section, setting) has; -1 when the store cannot be read.
  long long CountRows(const std::string& section, const std::string& setting) const;

 private:
  std::string folder_;
  std::string path_;
};

// A store of settings for one run only, held in memory: a session script played without a
// store of its own starts from the defaults and leaves nothing behind, and it costs no
// opening of the encrypted file.
class TemporarySettings : public SettingsStore {
 public:
  TemporarySettings() : SettingsStore(std::string()) {}
  std::optional<std::string> Get(const std::string& section, const std::string& setting,
                                 std::string* error = nullptr) const override;
  bool SaveDbSetting(const std::string& section, const std::string& setting, const std::string& value,
                     std::string* error = nullptr) const override;

 private:
  mutable std::map<std::pair<std::string, std::string>, std::string> values_;
};

// The per-user data folder of Quantorial: $XDG_DATA_HOME/Quantorial, or
// ~/.local/share/Quantorial.
std::string UserDataFolder();

}  // namespace quantorial
