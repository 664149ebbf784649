#pragma once
// A fresh folder for one test, removed with everything in it at the end.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quantorial::testing {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quantorial-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data())) path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Writes a file of that name with the given bytes; returns its path.
  std::string Write(const std::string& name, const std::string& content) const {
    const std::string p = File(name);
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path path_;
};

}  // namespace quantorial::testing
