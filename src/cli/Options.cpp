#include "cli/Options.h"

namespace quantorial {

namespace {

bool LooksLikeNegativeNumber(const std::string& a) {
  return a.size() > 1 && a[0] == '-' && ((a[1] >= '0' && a[1] <= '9') || a[1] == '.');
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args, const std::vector<OptionSpec>& table,
                           const std::string& command) {
  ParsedOptions r;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.empty() || a[0] != '-' || a == "-" || LooksLikeNegativeNumber(a)) {
      r.positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    std::string typed = a;
    std::optional<std::string> inlineValue;
    if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      typed = a.substr(0, eq);
      inlineValue = a.substr(eq + 1);
    }
    const OptionSpec* spec = nullptr;
    for (const auto& s : table) {
      if (typed == s.name || (!s.shortName.empty() && typed == s.shortName)) spec = &s;
    }
    if (!spec) {
      r.error = command + " does not take the option " + typed;
      return r;
    }
    if (!spec->takesValue) {
      if (inlineValue) {
        r.error = "option " + typed + " takes no value";
        return r;
      }
      r.flags.insert(spec->name);
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) {
        r.error = "option " + typed + " needs a value";
        return r;
      }
      inlineValue = args[++i];
    }
    r.values[spec->name] = *inlineValue;
  }
  return r;
}

}  // namespace quantorial
