#include "io/SettingsStore.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quantorial {

namespace {

// The database password, put together at run time from character codes so that it does
// not stand in the program as one text.
std::string Password() {
  constexpr std::array<int, 8> codes = {81 ^ 5, 84 ^ 5, 86 ^ 5, 51 ^ 5, 50 ^ 5, 53 ^ 5, 37 ^ 5, 124 ^ 5};
  std::string pw;
  for (int c : codes) pw += static_cast<char>(c ^ 5);
  return pw;
}

std::string Trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

}  // namespace

// One open connection, closed when it is destroyed.
class SettingsStore::Connection {
 public:
  explicit Connection(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
      error_ = db_ ? sqlite3_errmsg(db_) : "cannot open the database";
      return;
    }
    const std::string pw = Password();
    if (sqlite3_key(db_, pw.data(), static_cast<int>(pw.size())) != SQLITE_OK) {
      error_ = sqlite3_errmsg(db_);
      return;
    }
    // Another copy of the program may be writing: wait for it rather than fail.
    sqlite3_busy_timeout(db_, 5000);
    ok_ = Exec(
        "CREATE TABLE IF NOT EXISTS gdsystem ("
        "sn INTEGER PRIMARY KEY AUTOINCREMENT, Section TEXT, Setting TEXT, Value TEXT)");
    if (!ok_ && error_.find("not a database") != std::string::npos) {
      error_ = "the file is not a settings database of this program, or its password does not match";
    }
  }
  ~Connection() {
    if (db_) sqlite3_close_v2(db_);
  }
  bool Ok() const { return ok_; }
  const std::string& Error() const { return error_; }
  sqlite3* Db() const { return db_; }

  bool Exec(const char* sql) {
    char* msg = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
      error_ = msg ? msg : sqlite3_errmsg(db_);
      sqlite3_free(msg);
      return false;
    }
    return true;
  }

  // The sn and Value of the first row of (section, setting).
  bool Find(const std::string& section, const std::string& setting, long long& sn, std::string& value, bool& found) {
    found = false;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_,
                           "SELECT sn, Value FROM gdsystem WHERE Section = ?1 COLLATE NOCASE "
                           "AND Setting = ?2 COLLATE NOCASE ORDER BY sn LIMIT 1",
                           -1, &st, nullptr) != SQLITE_OK) {
      error_ = sqlite3_errmsg(db_);
      return false;
    }
    sqlite3_bind_text(st, 1, section.data(), static_cast<int>(section.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, setting.data(), static_cast<int>(setting.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
      found = true;
      sn = sqlite3_column_int64(st, 0);
      const unsigned char* text = sqlite3_column_text(st, 1);
      value.assign(text ? reinterpret_cast<const char*>(text) : "",
                   static_cast<std::size_t>(sqlite3_column_bytes(st, 1)));
    } else if (rc != SQLITE_DONE) {
      error_ = sqlite3_errmsg(db_);
    }
    sqlite3_finalize(st);
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
  }

  bool Write(const char* sql, const std::string& a, const std::string& b, const std::string* c, long long* sn) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &st, nullptr) != SQLITE_OK) {
      error_ = sqlite3_errmsg(db_);
      return false;
    }
    sqlite3_bind_text(st, 1, a.data(), static_cast<int>(a.size()), SQLITE_TRANSIENT);
    if (sn) {
      sqlite3_bind_int64(st, 2, *sn);
    } else {
      sqlite3_bind_text(st, 2, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
      if (c) sqlite3_bind_text(st, 3, c->data(), static_cast<int>(c->size()), SQLITE_TRANSIENT);
    }
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) error_ = sqlite3_errmsg(db_);
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
  }

 private:
  sqlite3* db_ = nullptr;
  bool ok_ = false;
  std::string error_;
};

// A new store is made under another name and then linked into place, so that a second
// copy of the program starting at the same moment never opens a half-made file (whose
// encryption salt would not match).
bool SettingsStore::EnsureStore(const std::string& folder, const std::string& path, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return true;
  std::string tmp = path + ".new-XXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) {
    error = std::string("cannot create the store: ") + std::strerror(errno);
    return false;
  }
  ::close(fd);
  ::unlink(tmp.c_str());  // SQLCipher makes the file itself
  bool ok;
  {
    Connection c(tmp);
    ok = c.Ok();
    if (!ok) error = c.Error();
  }
  if (ok && ::link(tmp.c_str(), path.c_str()) != 0 && errno != EEXIST) {
    error = std::string("cannot create the store: ") + std::strerror(errno);
    ok = false;
  }
  ::unlink(tmp.c_str());
  return ok;
}

SettingsStore::SettingsStore(std::string folder)
    : folder_(std::move(folder)), path_((std::filesystem::path(folder_) / kSettingsFileName).string()) {}

SettingsStore::~SettingsStore() {
  if (opening_.joinable()) opening_.join();
}

void SettingsStore::OpenInBackground() {
  if (opening_.joinable() || folder_.empty()) return;
  {
    std::lock_guard queue(laterMutex_);
    acceptingLater_ = true;
  }
  try {
    opening_ = std::thread([this] {
      std::lock_guard lock(mutex_);
      std::string ignored;
      Open(ignored);
      DrainLater();
    });
  } catch (const std::system_error&) {
    // No thread to spare: the store opens at its first use instead.
    std::lock_guard queue(laterMutex_);
    acceptingLater_ = false;
  }
}

SettingsStore::Connection* SettingsStore::Open(std::string& error) const {
  struct stat st {};
  if (connection_ && ::stat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_) {
    return connection_.get();
  }
  connection_.reset();
  std::string why;
  if (!EnsureStore(folder_, path_, why)) {
    error = "settings store \"" + path_ + "\": " + why;
    return nullptr;
  }
  auto c = std::make_unique<Connection>(path_);
  if (!c->Ok()) {
    error = "settings store \"" + path_ + "\": " + c->Error();
    return nullptr;
  }
  if (::stat(path_.c_str(), &st) == 0) {
    device_ = st.st_dev;
    inode_ = st.st_ino;
  }
  connection_ = std::move(c);
  return connection_.get();
}

bool SettingsStore::OpenSettingsDb(std::string* error) const {
  std::lock_guard lock(mutex_);
  std::string why;
  const bool ok = Open(why) != nullptr;
  if (!ok && error) *error = why;
  return ok;
}

std::optional<std::string> SettingsStore::Get(const std::string& section, const std::string& setting,
                                              std::string* error) const {
  std::lock_guard lock(mutex_);
  DrainLater();  // a setting written a moment ago is read back
  std::string why;
  Connection* c = Open(why);
  if (!c) {
    if (error) *error = why;
    return std::nullopt;
  }
  long long sn = 0;
  std::string value;
  bool found = false;
  if (!c->Find(Trim(section), Trim(setting), sn, value, found)) {
    if (error) *error = "settings store \"" + path_ + "\": " + c->Error();
    connection_.reset();  // opened afresh next time
    return std::nullopt;
  }
  if (!found) return std::nullopt;
  return value;
}

std::string SettingsStore::GetDbSetting(const std::string& section, const std::string& setting,
                                        const std::string& defaultValue) const {
  return Get(section, setting).value_or(defaultValue);
}

bool SettingsStore::SaveDbSetting(const std::string& section, const std::string& setting, const std::string& value,
                                  std::string* error) const {
  std::lock_guard lock(mutex_);
  DrainLater();
  return SaveLocked(section, setting, value, error);
}

void SettingsStore::SaveDbSettingLater(const std::string& section, const std::string& setting,
                                       const std::string& value) const {
  {
    std::lock_guard queue(laterMutex_);
    if (acceptingLater_) {
      later_.push_back({section, setting, value});
      return;
    }
  }
  SaveDbSetting(section, setting, value);
}

void SettingsStore::DrainLater() const {
  for (;;) {
    std::vector<Pending> batch;
    {
      std::lock_guard queue(laterMutex_);
      acceptingLater_ = false;  // from now on writes are made at once
      if (later_.empty()) return;
      batch.swap(later_);
    }
    for (const Pending& p : batch) SaveLocked(p.section, p.setting, p.value, nullptr);
  }
}

bool SettingsStore::SaveLocked(const std::string& section, const std::string& setting, const std::string& value,
                               std::string* error) const {
  std::string why;
  Connection* c = Open(why);
  if (!c) {
    if (error) *error = why;
    return false;
  }
  auto fail = [&] {
    if (error) *error = "settings store \"" + path_ + "\": " + c->Error();
    connection_.reset();
    return false;
  };
  // Look up and write in one transaction that holds the write lock from the start, so a
  // second copy of the program cannot add the same row in between.
  if (!c->Exec("BEGIN IMMEDIATE")) return fail();
  const std::string sec = Trim(section), key = Trim(setting);
  long long sn = 0;
  std::string old;
  bool found = false;
  bool ok = c->Find(sec, key, sn, old, found);
  if (ok) {
    ok = found ? c->Write("UPDATE gdsystem SET Value = ?1 WHERE sn = ?2", value, std::string(), nullptr, &sn)
               : c->Write("INSERT INTO gdsystem (Section, Setting, Value) VALUES (?1, ?2, ?3)", sec, key, &value,
                          nullptr);
  }
  if (!ok) {
    const std::string reason = c->Error();
    c->Exec("ROLLBACK");
    if (error) *error = "settings store \"" + path_ + "\": " + reason;
    return false;
  }
  if (!c->Exec("COMMIT")) {
    c->Exec("ROLLBACK");
    return fail();
  }
  return true;
}

long long SettingsStore::CountRows(const std::string& section, const std::string& setting) const {
  std::lock_guard lock(mutex_);
  DrainLater();
  std::string why;
  Connection* c = Open(why);
  if (!c) return -1;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(c->Db(),
                         "SELECT count(*) FROM gdsystem WHERE Section = ?1 COLLATE NOCASE "
                         "AND Setting = ?2 COLLATE NOCASE",
                         -1, &st, nullptr) != SQLITE_OK) {
    return -1;
  }
  const std::string sec = Trim(section), key = Trim(setting);
  sqlite3_bind_text(st, 1, sec.data(), static_cast<int>(sec.size()), SQLITE_TRANSIENT);
  sqlite3_bind_text(st, 2, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
  const long long n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
  sqlite3_finalize(st);
  return n;
}

namespace {

// Sections and settings are matched trimmed and without regard to case, as in the store.
std::pair<std::string, std::string> SettingKey(const std::string& section, const std::string& setting) {
  std::pair<std::string, std::string> k{Trim(section), Trim(setting)};
  for (std::string* s : {&k.first, &k.second}) {
    for (char& c : *s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return k;
}

}  // namespace

std::optional<std::string> TemporarySettings::Get(const std::string& section, const std::string& setting,
                                                  std::string*) const {
  const auto it = values_.find(SettingKey(section, setting));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

bool TemporarySettings::SaveDbSetting(const std::string& section, const std::string& setting, const std::string& value,
                                      std::string*) const {
  values_[SettingKey(section, setting)] = value;
  return true;
}

std::string UserDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg == '/') return std::string(xdg) + "/Quantorial";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share/Quantorial";
}

}  // namespace quantorial
