#pragma once
// A subcommand's option table and the parser over it: each subcommand names the options it
// takes, so a foreign option is a usage error rather than silently ignored.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quantorial {

struct OptionSpec {
  std::string name;         // the long form, such as "--method"
  bool takesValue = false;  // "--method 3sls" (or "--method=3sls") rather than a flag
  std::string shortName;    // such as "-o"; empty for none
};

struct ParsedOptions {
  std::vector<std::string> positional;        // in order, without the options
  std::map<std::string, std::string> values;  // by long name
  std::set<std::string> flags;                // by long name
  std::string error;                          // a usage error; empty when the line was understood

  std::optional<std::string> Value(const std::string& name) const {
    const auto it = values.find(name);
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  bool Flag(const std::string& name) const { return flags.count(name) > 0; }
};

// Parses `args` (the words after the subcommand's name) against `table`. "--" ends the
// options; "-" and negative numbers are positional. The first problem stops the parse and is
// left in `error`, naming the option as typed.
ParsedOptions ParseOptions(const std::vector<std::string>& args, const std::vector<OptionSpec>& table,
                           const std::string& command);

}  // namespace quantorial
