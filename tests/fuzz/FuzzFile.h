#pragma once
// A file in a folder of its own that a harness rewrites for every input, because the
// readers under test take paths.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace quantorial::fuzz {

class FuzzFile {
 public:
  explicit FuzzFile(const std::string& name) {
    char pattern[] = "/tmp/quantorial-fuzz-XXXXXX";
    if (const char* made = mkdtemp(pattern)) folder_ = made;
    path_ = folder_ + "/" + name;
  }
  ~FuzzFile() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  const std::string& Folder() const { return folder_; }
  const std::string& Path() const { return path_; }
  void Write(const std::uint8_t* data, std::size_t size) const {
    if (std::FILE* f = std::fopen(path_.c_str(), "wb")) {
      if (size) std::fwrite(data, 1, size, f);
      std::fclose(f);
    }
  }

 private:
  std::string folder_, path_;
};

}  // namespace quantorial::fuzz
