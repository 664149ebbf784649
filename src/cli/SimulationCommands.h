#pragma once
// quantorial-cli multipliers, simulate and target: the reduced form and multipliers over
// time, dynamic and static simulation with accuracy statistics and scenarios, and exact
// targeting, on a MODEL.json of the system estimation or a workbench B-matrix.

#include <ostream>
#include <string>
#include <vector>

namespace quantorial {

// True when the command line names one of these subcommands.
bool IsSimulationCommand(const std::vector<std::string>& args);
// Runs it (args with the subcommand's name first).
int RunSimulationCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int RunMultipliers(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunSimulate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunTarget(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage lines of these subcommands.
std::string SimulationCommandsUsage();

}  // namespace quantorial
