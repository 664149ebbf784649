#pragma once
// The command line run in the test's own process: its exit status, standard output and
// standard error.

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace quantorial::testing {

struct CliRun {
  int status;
  std::string out, err;
};

inline CliRun RunCommandLine(const std::vector<std::string>& args) {
#ifdef QUANTORIAL_CHART
  // In a test program the picture program is not beside the running one: name it.
  ::setenv("QUANTORIAL_CHART_PROGRAM", QUANTORIAL_CHART, 0);
#endif
  std::ostringstream out, err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace quantorial::testing
