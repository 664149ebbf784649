#include "cli/ChartPicture.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "charts/ChartFile.h"
#include "io/AtomicFile.h"

extern char** environ;

namespace quantorial {

namespace {

namespace fs = std::filesystem;

// The picture program: QUANTORIAL_CHART_PROGRAM when set; else beside this program (a build
// folder), or in the package's program folder (../libexec/quantorial). Empty when none is
// there, as in a build without Qt.
std::string ChartProgram() {
  if (const char* set = std::getenv("QUANTORIAL_CHART_PROGRAM"); set && *set) return set;
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return std::string();
  const fs::path dir = self.parent_path();
  for (const fs::path& candidate :
       {dir / "quantorial-chart", dir / ".." / "libexec" / "quantorial" / "quantorial-chart"}) {
    if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return std::string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A temporary file of this process's, removed when it goes out of scope.
class TemporaryFile {
 public:
  explicit TemporaryFile(const char* stem) {
    std::string pattern = (fs::temp_directory_path() / (std::string(stem) + "-XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) {
      ::close(fd);
      path_ = pattern;
    }
  }
  ~TemporaryFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

bool CanDrawChartPictures() { return !ChartProgram().empty(); }

bool DrawChartPicture(const ChartDescription& chart, const std::string& path, std::string& error) {
  const std::string program = ChartProgram();
  if (program.empty()) {
    error = "this installation of quantorial-cli has no chart program (quantorial-chart; it is built with Qt)";
    return false;
  }
  const TemporaryFile description("quantorial-chart"), messages("quantorial-chart-err");
  if (description.path().empty() || messages.path().empty()) {
    error = "cannot make a temporary file for the chart in " + fs::temp_directory_path().string();
    return false;
  }
  if (!WriteFileAtomically(description.path(), ChartFileText(chart), error)) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, messages.path().c_str(), O_WRONLY | O_TRUNC, 0);
  std::string name = program, in = description.path(), out = path;
  char* argv[] = {name.data(), in.data(), out.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    error = "cannot start the chart program \"" + program + "\"";
    return false;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      error = "lost the chart program \"" + program + "\"";
      return false;
    }
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  std::string said = ReadAll(messages.path());
  while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) said.pop_back();
  // Qt's own warnings may come before the program's reason, which is its last line.
  if (const auto nl = said.rfind('\n'); nl != std::string::npos) said = said.substr(nl + 1);
  error = said.empty() ? "the chart program stopped without drawing the chart" : said;
  return false;
}

}  // namespace quantorial
