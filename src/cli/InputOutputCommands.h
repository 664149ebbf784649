#pragma once
// quantorial-cli io and ras: input-output analysis of a table, and RAS balancing.

#include <ostream>
#include <string>
#include <vector>

namespace quantorial {

// `args` begins with the subcommand's name ("io" or "ras").
int RunInputOutputCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage lines of both subcommands, for the program's usage text.
std::string InputOutputUsage();

}  // namespace quantorial
