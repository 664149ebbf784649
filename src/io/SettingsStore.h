#pragma once
// The settings store: a small password-protected database ("gdsystem.mdx", SQLCipher)
// with one table `gdsystem` of (Section, Setting, Value) rows. One connection is opened at
// the first read or write and kept (the key derivation of an encrypted database takes a
// good part of a second); every write is its own transaction that holds the write lock
// from its lookup to its commit, so two running copies of the program share the file
// safely. A store file that was replaced or removed meanwhile is opened anew.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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
  virtual ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  const std::string& Path() const { return path_; }

  // Starts opening the store on a thread of its own (the key derivation takes a good part
  // of a second), so that a batch run's work goes on meanwhile: writes made with
  // SaveDbSettingLater are queued until it is open, and the first read or plain write
  // waits for it (and for the queued writes). What goes wrong is reported by that read or
  // write.
  void OpenInBackground();

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
  // The same for a caller that goes on without a setting that cannot be stored: while the
  // store opens in the background the write is queued and made as soon as it is open (in
  // the order given, before any later read); otherwise it is made at once.
  void SaveDbSettingLater(const std::string& section, const std::string& setting, const std::string& value) const;
  // How many rows (section, setting) has; -1 when the store cannot be read.
  long long CountRows(const std::string& section, const std::string& setting) const;

 private:
  class Connection;
  // Makes sure the store file exists, created whole; false with the reason.
  static bool EnsureStore(const std::string& folder, const std::string& path, std::string& error);
  // The open connection, made (and the file created) when there is none or the file at
  // the path is no longer the one it has open; null with the reason when it cannot be.
  Connection* Open(std::string& error) const;
  // With mutex_ held: one write; the queued writes, made in order (and no more queueing).
  bool SaveLocked(const std::string& section, const std::string& setting, const std::string& value,
                  std::string* error) const;
  void DrainLater() const;
  struct Pending {
    std::string section, setting, value;
  };

  std::string folder_;
  std::string path_;
  mutable std::mutex mutex_;  // one statement sequence at a time on the connection
  mutable std::unique_ptr<Connection> connection_;
  mutable unsigned long long device_ = 0, inode_ = 0;  // the file the connection has open
  std::thread opening_;
  mutable std::mutex laterMutex_;  // guards the two below
  mutable bool acceptingLater_ = false;
  mutable std::vector<Pending> later_;
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
