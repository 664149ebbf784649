#pragma once
// quantorial-cli estimate SYSTEM DATA: estimates a system of simultaneous equations.

#include <ostream>
#include <string>
#include <vector>

namespace quantorial {

// `args` are the words after "estimate". Exit 0 when estimated and written, 1 when an input
// cannot be read or the system cannot be estimated on the data, 2 when the command line or
// the system file's syntax is wrong.
int RunEstimate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage lines of the subcommand, for quantorial-cli --help.
std::string EstimateUsage();

}  // namespace quantorial
