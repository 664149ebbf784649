#pragma once
// quantorial-cli: the workbench's computations from a shell.

#include <ostream>
#include <string>
#include <vector>

namespace quantorial {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // an input could not be read, or an error was reported
inline constexpr int kExitUsage = 2;

// Runs the command line `args` (without the program name). Results go to `out` (or the
// -o file), messages to `err`. Returns the exit status.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage text.
std::string CliUsage();

}  // namespace quantorial
