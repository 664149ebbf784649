#include "io/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace quantorial {

bool ReadWholeFile(const std::string& path, std::string& content, std::string& error) {
  content.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    error = "it is a folder, not a file";
    return false;
  }
  // Read straight into the content, as large as the file says it is, growing it when the
  // file turns out longer (a pipe, a file still being written).
  std::size_t used = 0;
  content.resize(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : std::size_t{1} << 16);
  for (;;) {
    if (used == content.size()) content.resize(content.size() * 2);
    const ssize_t n = ::read(fd, content.data() + used, content.size() - used);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = std::strerror(errno);
      ::close(fd);
      content.clear();
      return false;
    }
    used += static_cast<std::size_t>(n);
  }
  ::close(fd);
  content.resize(used);
  return true;
}

bool IsNullDevice(const std::string& path) {
  struct stat st {
  }, null{};
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && ::stat("/dev/null", &null) == 0 &&
         st.st_rdev == null.st_rdev;
}

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error) {
  return WriteFileAtomicallyInPieces(
      path, [&](const PieceWriter& write) { return write(content); }, error);
}

bool AtomicFileWriter::Fail(const char* what, int err) {
  if (error_.empty()) error_ = err != 0 ? std::string(what) + ": " + std::strerror(err) : std::string(what);
  return false;
}

bool AtomicFileWriter::Open() {
  struct stat target {};
  std::string destination = path_;
  if (::stat(path_.c_str(), &target) == 0) {
    if (S_ISDIR(target.st_mode)) return Fail("it is a folder, not a file", 0);
    if (!S_ISREG(target.st_mode)) {
      // A device or a pipe (/dev/null, /dev/stdout, a FIFO) is written into, never replaced.
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
      if (fd_ < 0) return Fail("cannot write", errno);
      direct_ = true;
      return true;
    }
    existed_ = true;
    if (compare_) {
      earlier_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
      same_ = earlier_ >= 0;
    }
    // A link to a file: the file it names is replaced, the link stays.
    if (char* real = ::realpath(path_.c_str(), nullptr)) {
      destination = real;
      std::free(real);
    }
  }
  destination_ = destination;
  tmp_ = destination + ".tmp-XXXXXX";
  fd_ = ::mkstemp(tmp_.data());
  if (fd_ < 0) {
    tmp_.clear();
    return Fail("cannot create a file beside it", errno);
  }
  // Keep the permissions of a file being replaced; a new file gets the usual 0666 & ~umask.
  struct stat st {};
  if (::stat(destination.c_str(), &st) == 0) {
    ::fchmod(fd_, st.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
  return true;
}

void AtomicFileWriter::Write(std::string_view piece) {
  if (fd_ < 0 || !error_.empty()) return;
  for (const char* p = piece.data(); p < piece.data() + piece.size();) {
    const ssize_t n = ::write(fd_, p, static_cast<std::size_t>(piece.data() + piece.size() - p));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("cannot write", errno);
      Discard();
      return;
    }
    p += n;
  }
  if (same_) Compare(piece);
}

bool AtomicFileWriter::Finish() {
  if (fd_ < 0 || !error_.empty()) return false;
  if (direct_) {
    ::close(fd_);
    fd_ = -1;
    return true;
  }
  if (::fsync(fd_) != 0) {
    Fail("cannot flush to disk", errno);
    Discard();
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    Fail("cannot close", errno);
    Discard();
    return false;
  }
  if (same_) {
    char byte = 0;
    same_ = ::read(earlier_, &byte, 1) == 0;  // the earlier file has no more
  }
  CloseEarlier();
  return true;
}

bool AtomicFileWriter::Commit() {
  if (direct_ || tmp_.empty()) return error_.empty();
  if (::rename(tmp_.c_str(), destination_.c_str()) != 0) {
    Fail("cannot replace the file", errno);
    Discard();
    return false;
  }
  tmp_.clear();
  return true;
}

void AtomicFileWriter::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  CloseEarlier();
  if (!tmp_.empty()) ::unlink(tmp_.c_str());
  tmp_.clear();
}

void AtomicFileWriter::Compare(std::string_view piece) {
  compareBuffer_.resize(std::max(compareBuffer_.size(), piece.size()));
  std::size_t got = 0;
  while (got < piece.size()) {
    const ssize_t n = ::read(earlier_, compareBuffer_.data() + got, piece.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got != piece.size() || std::memcmp(compareBuffer_.data(), piece.data(), got) != 0) {
    same_ = false;
    CloseEarlier();
  }
}

void AtomicFileWriter::CloseEarlier() {
  if (earlier_ >= 0) ::close(earlier_);
  earlier_ = -1;
}

bool WriteFileAtomicallyInPieces(const std::string& path, const std::function<bool(const PieceWriter&)>& produce,
                                 std::string& error) {
  AtomicFileWriter file(path);
  if (!file.Open()) {
    error = file.error();
    return false;
  }
  const bool produced = produce([&file](std::string_view piece) {
    file.Write(piece);
    return file.error().empty();
  });
  // A producer that stopped without a failed write is a failure of the writing all the same.
  if (!produced) file.Fail("cannot write", EIO);
  if (!file.Finish() || !file.Commit()) {
    error = file.error();
    file.Discard();
    return false;
  }
  return true;
}

}  // namespace quantorial
