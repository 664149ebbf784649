#include "lp/LpFile.h"

#include <glpk.h>

#include <cstdlib>
#include <fstream>

#include "lp/GlpkProblem.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

int Quiet(void*, const char*) { return 1; }

// A reader's messages, kept to tell the user where a file went wrong.
int Capture(void* info, const char* text) {
  auto* out = static_cast<std::string*>(info);
  if (out->size() < 65536) *out += text;
  return 1;
}

// Line `number` (from 1) of the file, without its line end; empty when there is none.
std::string LineOf(const std::string& path, long number) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (long k = 1; k <= number && std::getline(in, line); ++k) {
    if (k == number) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line.size() > 4096 ? line.substr(0, 4096) : line;
    }
  }
  return {};
}

// The section of MPS text that line `number` lies in: the last line before it that starts in
// its first character (not a comment).
std::string SectionOf(const std::string& path, long number) {
  std::ifstream in(path, std::ios::binary);
  std::string line, section;
  for (long k = 1; k < number && std::getline(in, line); ++k) {
    if (!line.empty() && line[0] != ' ' && line[0] != '\t' && line[0] != '*') {
      section = UpperCase(TrimBlanks(line.substr(0, line.find_first_of(" \t\r"))));
    }
  }
  return section;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::size_t w = 0;
  while ((w = line.find_first_not_of(" \t", w)) != std::string::npos) {
    const std::size_t e = line.find_first_of(" \t", w);
    words.push_back(line.substr(w, e == std::string::npos ? std::string::npos : e - w));
    w = e == std::string::npos ? line.size() : e;
  }
  return words;
}

// The column a BOUNDS line names: in free MPS the third of four fields (type, bound name,
// column, value) or the second of three when the bound name is left out; in fixed MPS the
// field in characters 15 to 22.
std::string BoundColumn(const std::string& line, LpFileForm form) {
  if (form == LpFileForm::FixedMps) {
    return line.size() > 14 ? TrimBlanks(line.substr(14, 8)) : std::string();
  }
  const std::vector<std::string> w = Words(line);
  if (w.size() >= 4) return w[2];
  if (w.size() == 3) {
    const std::string type = UpperCase(w[0]);
    // FR, MI, PL and BV take no value: type, bound name, column.
    const bool noValue = type == "FR" || type == "MI" || type == "PL" || type == "BV";
    return noValue ? w[2] : w[1];
  }
  return {};
}

// The reader's complaint as the user reads it: "line N: what" from GLPK's "FILE:N: what", and
// for a bound in MPS the column it is the bound of.
std::string ReaderMessage(const std::string& captured, const std::string& path, LpFileForm form) {
  std::string line, last;
  std::size_t at = 0;
  while (at < captured.size()) {
    const std::size_t end = captured.find('\n', at);
    line = captured.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? captured.size() : end + 1;
    if (line.empty() || line.rfind("Reading problem data", 0) == 0 || line.rfind("Problem:", 0) == 0 ||
        line.rfind("Objective:", 0) == 0) {
      continue;
    }
    if (line.rfind(path + ":", 0) == 0) {
      const std::string rest = line.substr(path.size() + 1);
      const std::size_t colon = rest.find(':');
      if (colon != std::string::npos && colon > 0 && rest.find_first_not_of("0123456789") == colon) {
        const std::string number = rest.substr(0, colon);
        std::string what = TrimBlanks(rest.substr(colon + 1));
        if (number == "0") return what;
        const long n = std::atol(number.c_str());
        if (form != LpFileForm::Lp && SectionOf(path, n) == "BOUNDS") {
          const std::string column = BoundColumn(LineOf(path, n), form);
          if (!column.empty()) what += " (in the bound of column " + column + ")";
        }
        return "line " + number + ": " + what;
      }
    }
    last = line;
  }
  return last.empty() ? std::string("the solver library could not read it") : last;
}

double Lower(int type, double value) {
  return type == GLP_LO || type == GLP_DB || type == GLP_FX ? value : -kLpInfinity;
}
double Upper(int type, double value) {
  return type == GLP_UP || type == GLP_DB || type == GLP_FX ? value : kLpInfinity;
}

void Convert(glp_prob* lp, LpProblem& p) {
  p = LpProblem{};
  p.maximise = glp_get_obj_dir(lp) == GLP_MAX;
  p.objectiveConstant = glp_get_obj_coef(lp, 0);
  const int m = glp_get_num_rows(lp), n = glp_get_num_cols(lp);
  p.columns.reserve(static_cast<std::size_t>(n));
  p.rows.reserve(static_cast<std::size_t>(m));
  for (int j = 1; j <= n; ++j) {
    LpColumn c;
    const char* name = glp_get_col_name(lp, j);
    c.name = name ? name : "C" + std::to_string(j);
    const int type = glp_get_col_type(lp, j);
    c.lower = Lower(type, glp_get_col_lb(lp, j));
    c.upper = Upper(type, glp_get_col_ub(lp, j));
    c.cost = glp_get_obj_coef(lp, j);
    const int kind = glp_get_col_kind(lp, j);
    c.kind = kind == GLP_BV ? 'b' : kind == GLP_IV ? 'i' : 'c';
    p.columns.push_back(std::move(c));
  }
  std::vector<int> index(static_cast<std::size_t>(n) + 1);
  std::vector<double> value(static_cast<std::size_t>(n) + 1);
  for (int i = 1; i <= m; ++i) {
    LpRowBounds r;
    const char* name = glp_get_row_name(lp, i);
    r.name = name ? name : "R" + std::to_string(i);
    const int type = glp_get_row_type(lp, i);
    r.lower = Lower(type, glp_get_row_lb(lp, i));
    r.upper = Upper(type, glp_get_row_ub(lp, i));
    p.rows.push_back(std::move(r));
    const int len = glp_get_mat_row(lp, i, index.data(), value.data());
    for (int k = 1; k <= len; ++k)
      p.Set(i - 1, index[static_cast<std::size_t>(k)] - 1, value[static_cast<std::size_t>(k)]);
  }
}

}  // namespace

bool ReadLpModelFile(const std::string& path, LpFileForm form, LpProblem& problem, std::string& error) {
  error.clear();
  lpdetail::GlpkProblem lp(glp_create_prob(), glp_delete_prob);
  std::string captured;
  glp_term_hook(Capture, &captured);
  const int rc = form == LpFileForm::Lp        ? glp_read_lp(lp.get(), nullptr, path.c_str())
                 : form == LpFileForm::FreeMps ? glp_read_mps(lp.get(), GLP_MPS_FILE, nullptr, path.c_str())
                                               : glp_read_mps(lp.get(), GLP_MPS_DECK, nullptr, path.c_str());
  glp_term_hook(Quiet, nullptr);
  if (rc != 0) {
    error = ReaderMessage(captured, path, form);
    return false;
  }
  Convert(lp.get(), problem);
  return true;
}

bool WriteLpModelFile(const LpProblem& problem, const std::string& path, LpFileForm form, std::string& error) {
  glp_term_hook(Quiet, nullptr);
  lpdetail::GlpkProblem lp = lpdetail::MakeGlpkProblem(problem, true);
  const int rc = form == LpFileForm::Lp        ? glp_write_lp(lp.get(), nullptr, path.c_str())
                 : form == LpFileForm::FreeMps ? glp_write_mps(lp.get(), GLP_MPS_FILE, nullptr, path.c_str())
                                               : glp_write_mps(lp.get(), GLP_MPS_DECK, nullptr, path.c_str());
  if (rc != 0) {
    error = "the solver library could not write the model";
    return false;
  }
  return true;
}

}  // namespace quantorial
