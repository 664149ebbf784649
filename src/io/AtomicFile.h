#pragma once
// Writing user files safely: the content goes to a new file beside the target, is
// flushed to disk and then renamed over the target, so the target is either the old
// file or the whole new one, never a half-written mix.

#include <functional>
#include <string>
#include <string_view>

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

// True when the path names the null device (/dev/null or a link to it): what is written
// there is thrown away, so it need not be made.
bool IsNullDevice(const std::string& path);

}  // namespace quantorial
