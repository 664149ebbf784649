#pragma once
// Writing user files safely: the content goes to a new file beside the target, is
// flushed to disk and then renamed over the target, so the target is either the old
// file or the whole new one, never a half-written mix.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quantorial {

// Reads a whole file. False with a reason in `error` when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& content, std::string& error);

// Writes `content` to `path` atomically. False with a reason in `error`; the target is
// then unchanged and no temporary file is left behind. A symbolic link keeps pointing at
// the new file; a device or pipe (/dev/null, a FIFO) is written into directly, as there is
// nothing to replace.
bool WriteFileAtomically(const std::string& path, std::string_view content, std::string& error);

// The same for content made in pieces: `produce` is called once with a writer that takes
// the pieces in order (and returns false when one cannot be written; `produce` then
// returns false too), so the whole content need not be held at once.
using PieceWriter = std::function<bool(std::string_view)>;
bool WriteFileAtomicallyInPieces(const std::string& path, const std::function<bool(const PieceWriter&)>& produce,
                                 std::string& error);

// One file written atomically as it is made, a piece at a time: into a new file beside the
// target, flushed to disk, and only then put in the target's place (Commit), so the target is
// either the earlier file or the whole new one. A device or a pipe (/dev/null, a FIFO) is
// written into directly, as there is nothing to replace; a link to a file has the file it
// names replaced. With `compareWithEarlier` the pieces are compared on the way with what the
// target holds now, so that a caller can keep an earlier file that the new one changes.
// Failures are remembered in error() with the same words as WriteFileAtomically's.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::string path, bool compareWithEarlier = false)
      : path_(std::move(path)), compare_(compareWithEarlier) {}
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  ~AtomicFileWriter() { Discard(); }

  bool Open();
  void Write(std::string_view piece);
  // Flushes the new file to disk; afterwards ReplacesAnother() tells whether it differs from
  // the file it replaces.
  bool Finish();
  // True when a file was there that the new one differs from (compared files only).
  bool ReplacesAnother() const { return !direct_ && !destination_.empty() && existed_ && !same_; }
  // The earlier file was moved away: the new one goes where the requested name now is free.
  void EarlierMoved() { destination_ = path_; }
  bool Commit();
  // Drops the new file, leaving the target as it was.
  void Discard();

  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }
  // Records a failure of the caller's own (nothing more is written).
  bool Fail(const char* what, int err);

 private:
  void Compare(std::string_view piece);
  void CloseEarlier();

  std::string path_, destination_, tmp_, error_;
  bool compare_ = false;
  int fd_ = -1, earlier_ = -1;
  bool direct_ = false, same_ = false, existed_ = false;
  std::vector<char> compareBuffer_;
};

// True when the path names the null device (/dev/null or a link to it): what is written
// there is thrown away, so it need not be made.
bool IsNullDevice(const std::string& path);

}  // namespace quantorial
