#include "io/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// Writes everything to an open descriptor; false with errno set.
bool WriteAll(int fd, std::string_view content) {
  const char* p = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Writes what `produce` makes to an open descriptor; false with errno set.
bool WritePieces(int fd, const std::function<bool(const PieceWriter&)>& produce) {
  int failure = 0;
  const bool ok = produce([&](std::string_view piece) {
    if (WriteAll(fd, piece)) return true;
    failure = errno;
    return false;
  });
  if (!ok) errno = failure ? failure : EIO;
  return ok;
}

}  // namespace

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

bool WriteFileAtomicallyInPieces(const std::string& requested, const std::function<bool(const PieceWriter&)>& produce,
                                 std::string& error) {
  std::string path = requested;
  struct stat target {};
  if (::stat(path.c_str(), &target) == 0) {
    if (S_ISDIR(target.st_mode)) {
      error = "it is a folder, not a file";
      return false;
    }
    if (!S_ISREG(target.st_mode)) {
      // A device or a pipe (/dev/null, /dev/stdout, a FIFO) is written into, never replaced.
      const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
      if (fd < 0 || !WritePieces(fd, produce)) {
        error = std::string("cannot write: ") + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
      }
      ::close(fd);
      return true;
    }
    // A link to a file: the file it names is replaced, the link stays.
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      path = real;
      std::free(real);
    }
  }
  std::string tmp = path + ".tmp-XXXXXX";
  const int fd = ::mkstemp(tmp.data());
  if (fd < 0) {
    error = std::string("cannot create a file beside it: ") + std::strerror(errno);
    return false;
  }
  auto fail = [&](const char* what) {
    error = std::string(what) + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(tmp.c_str());
    return false;
  };
  // Keep the permissions of a file being replaced; a new file gets the usual 0666 & ~umask.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    ::fchmod(fd, st.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  if (!WritePieces(fd, produce)) return fail("cannot write");
  if (::fsync(fd) != 0) return fail("cannot flush to disk");
  if (::close(fd) != 0) {
    error = std::string("cannot close: ") + std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    error = std::string("cannot replace the file: ") + std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace quantorial
