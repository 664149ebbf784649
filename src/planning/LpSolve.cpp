#include "planning/LpSolve.h"

#include <glpk.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "io/AtomicFile.h"
#include "planning/LpModel.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

using Problem = std::unique_ptr<glp_prob, void (*)(glp_prob*)>;

// The GLPK problem of the table, as the model text reads it; names[k] names the variable of
// m.columns[k] (GLPK stops the program on a name with a control character or of more than
// 255 bytes, so every name given here keeps to the file-name rules).
Problem Build(const LpTableModel& m, const LabelledMatrix& t, const std::vector<std::string>& names,
              std::vector<std::string>& rowNames) {
  const int V = m.variableColumns;
  Problem lp(glp_create_prob(), glp_delete_prob);
  glp_set_prob_name(lp.get(), "quantorial");
  glp_set_obj_dir(lp.get(), GLP_MAX);
  std::vector<int> column(static_cast<std::size_t>(std::max(V, 0)) + 1, 0);
  for (std::size_t k = 0; k < m.columns.size(); ++k) {
    const int c = glp_add_cols(lp.get(), 1);
    column[static_cast<std::size_t>(m.columns[k])] = c;
    glp_set_col_name(lp.get(), c, names[k].c_str());
    glp_set_col_bnds(lp.get(), c, GLP_LO, 0.0, 0.0);
    glp_set_obj_coef(lp.get(), c, 1.0);
    const char kind = m.kinds[static_cast<std::size_t>(m.columns[k])];
    if (kind != 'c') glp_set_col_kind(lp.get(), c, kind == 'b' ? GLP_BV : GLP_IV);
  }
  for (const LpRow& row : m.rows) {
    std::vector<int> index{0};
    std::vector<double> value{0.0};
    for (const LpTerm& term : row.terms) {
      index.push_back(column[static_cast<std::size_t>(term.column)]);
      value.push_back(term.coefficient);
    }
    const int r = glp_add_rows(lp.get(), 1);
    const std::string label = CellText(t.Get(row.row, 0));
    rowNames.push_back(label.empty() ? "Row " + std::to_string(row.row) : label);
    glp_set_row_name(lp.get(), r, ("R" + std::to_string(row.row)).c_str());
    const int type = row.relation == LpRelation::GreaterEqual ? GLP_LO
                     : row.relation == LpRelation::Equal      ? GLP_FX
                                                              : GLP_UP;
    glp_set_row_bnds(lp.get(), r, type, row.rhs, row.rhs);
    glp_set_mat_row(lp.get(), r, static_cast<int>(index.size()) - 1, index.data(), value.data());
  }
  return lp;
}

// GLPK prints nothing of its own.
int Quiet(void*, const char*) { return 1; }

// A reader's messages, kept to tell the user where a file went wrong.
int Capture(void* info, const char* text) {
  auto* out = static_cast<std::string*>(info);
  if (out->size() < 65536) *out += text;
  return 1;
}

LabelledMatrix NotSolved(const std::string& why) {
  LabelledMatrix s = LabelledMatrix::Dimension(1, 1);
  s.Set(0, 1, std::string("Value"));
  s.Set(1, 0, std::string("Status"));
  s.Set(1, 1, "not solved: " + why);
  return s;
}

bool EndsWithNoCase(const std::string& text, const std::string& ending) {
  return text.size() >= ending.size() && UpperCase(text.substr(text.size() - ending.size())) == UpperCase(ending);
}

}  // namespace

LpOutcome SolveLpTable(const LabelledMatrix& t, bool useX, bool withConstraints, const LpSolveOptions& options) {
  glp_term_hook(Quiet, nullptr);
  const LpTableModel m = ReadLpTable(t, withConstraints);
  const std::string problem = LpTableProblem(t, m, useX);
  LpOutcome o;
  if (!problem.empty()) {
    // A table that does not read is not solved as another model.
    o.statusText = "not solved: " + problem;
    return o;
  }
  // The solver works on names of its own; the solution names the table's variables.
  std::vector<std::string> internal, shown;
  for (int j : m.columns) {
    internal.push_back("X" + std::to_string(j));
    shown.push_back(LpVariableName(t, j, useX));
  }
  std::vector<std::string> rowNames;
  Problem lp = Build(m, t, internal, rowNames);
  o = SolveLpProblem(lp.get(), options, shown, rowNames);
  if (shown.empty()) o.statusText = "no variables: the table names no column";
  return o;
}

LabelledMatrix SolveLp(const LabelledMatrix& t, bool useX, bool withConstraints) {
  const LpOutcome o = SolveLpTable(t, useX, withConstraints, LpSolveOptions{});
  if (o.statusText.rfind("not solved: ", 0) == 0) return NotSolved(o.statusText.substr(12));
  return LpSolutionTable(o);
}

bool IsLpModelFileName(const std::string& path) { return EndsWithNoCase(path, ".lp") || EndsWithNoCase(path, ".mps"); }

namespace {

constexpr const char* kNegatedMark = "* A maximisation, written as the minimisation of the negated objective";

// The reader's complaint as the user reads it: "line N: what" from GLPK's "FILE:N: what".
std::string ReaderMessage(const std::string& captured, const std::string& readName) {
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
    if (line.rfind(readName + ":", 0) == 0) {
      const std::string rest = line.substr(readName.size() + 1);
      const std::size_t colon = rest.find(':');
      if (colon != std::string::npos && colon > 0 && rest.find_first_not_of("0123456789") == colon) {
        const std::string number = rest.substr(0, colon);
        const std::string what = TrimBlanks(rest.substr(colon + 1));
        return number == "0" ? what : "line " + number + ": " + what;
      }
    }
    last = line;
  }
  return last.empty() ? std::string("the solver library could not read it") : last;
}

// Takes an OBJSENSE section out of MPS text (GLPK's reader stops at it), keeping the line
// numbers: "OBJSENSE MAX" on one line, or OBJSENSE with MAX or MIN (MAXIMIZE, MINIMIZE...) on
// the next. Nothing when the text has none.
std::optional<int> TakeObjectiveSense(std::string& text, std::string& error) {
  std::optional<int> sense;
  std::size_t at = 0;
  bool header = false;
  int number = 0;
  while (at < text.size()) {
    ++number;
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> words;
    std::size_t w = 0;
    while ((w = line.find_first_not_of(" \t", w)) != std::string::npos) {
      const std::size_t e = line.find_first_of(" \t", w);
      words.push_back(UpperCase(line.substr(w, e == std::string::npos ? std::string::npos : e - w)));
      w = e == std::string::npos ? line.size() : e;
    }
    const bool section = !line.empty() && line[0] != ' ' && line[0] != '\t' && line[0] != '*';
    const auto senseOf = [](const std::string& word) -> std::optional<int> {
      if (word.rfind("MAX", 0) == 0) return GLP_MAX;
      if (word.rfind("MIN", 0) == 0) return GLP_MIN;
      return std::nullopt;
    };
    bool blank = false;
    if (section && !words.empty() && words[0] == "OBJSENSE") {
      blank = true;
      header = words.size() == 1;
      if (words.size() >= 2) {
        sense = senseOf(words[1]);
        if (!sense) error = "line " + std::to_string(number) + ": OBJSENSE is MAX or MIN, not " + words[1];
      }
    } else if (header && !section && !words.empty() && line[0] != '*') {
      blank = true;
      header = false;
      sense = senseOf(words[0]);
      if (!sense) error = "line " + std::to_string(number) + ": OBJSENSE is MAX or MIN, not " + words[0];
    } else if (section) {
      header = false;
    }
    if (blank) {
      for (std::size_t k = at; k < end; ++k) text[k] = ' ';
      text[at] = '*';
    }
    if (!error.empty()) return std::nullopt;
    at = end + 1;
  }
  return sense;
}

}  // namespace

bool SolveLpModelFile(const std::string& path, const LpSolveOptions& options, LpOutcome& outcome, std::string& error) {
  error.clear();
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = "\"" + path + "\" cannot be read: " + ec.message();
    return false;
  }
  constexpr std::uintmax_t kLargest = 256u << 20;
  if (size > kLargest) {
    error = "\"" + path + "\" is larger than 256 MB; a model file that large is not read.";
    return false;
  }
  std::string text;
  if (!ReadWholeFile(path, text, error)) {
    error = "\"" + path + "\" cannot be read: " + error;
    return false;
  }
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
    error = "\"" + path + "\" is empty: there is no model in it.";
    return false;
  }
  const bool mps = EndsWithNoCase(path, ".mps");
  std::optional<int> sense;
  std::vector<std::string> notes;
  if (mps) {
    std::string why;
    sense = TakeObjectiveSense(text, why);
    if (!why.empty()) {
      error = "\"" + path + "\", " + why;
      return false;
    }
    if (sense) {
      notes.push_back(std::string("The file's OBJSENSE section asks to ") +
                      (*sense == GLP_MAX ? "maximise." : "minimise."));
    } else {
      notes.push_back("The file has no OBJSENSE section: an MPS model is minimised.");
    }
  }
  // GLPK reads from a file: an exact copy in the temporary folder (with any OBJSENSE
  // section made a comment), so the reader never sees a file that changes under it.
  static std::atomic<long long> copies{0};
  const std::filesystem::path temp =
      std::filesystem::temp_directory_path(ec) /
      ("quantorial-lp-" + std::to_string(::getpid()) + "-" + std::to_string(++copies) + "-" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + (mps ? ".mps" : ".lp"));
  std::string writeError;
  if (ec || !WriteFileAtomically(temp.string(), text, writeError)) {
    error = "\"" + path + "\" cannot be read: no temporary copy could be made" +
            (writeError.empty() ? std::string() : " (" + writeError + ")");
    return false;
  }
  const std::string readName = temp.string();
  Problem lp(glp_create_prob(), glp_delete_prob);
  std::string captured;
  glp_term_hook(Capture, &captured);
  int rc = mps ? glp_read_mps(lp.get(), GLP_MPS_FILE, nullptr, readName.c_str())
               : glp_read_lp(lp.get(), nullptr, readName.c_str());
  std::string message = rc == 0 ? std::string() : ReaderMessage(captured, readName);
  if (rc != 0 && mps) {
    // Not free MPS: perhaps the fixed form, whose names may hold blanks.
    captured.clear();
    glp_erase_prob(lp.get());
    rc = glp_read_mps(lp.get(), GLP_MPS_DECK, nullptr, readName.c_str());
    const std::string fixed = rc == 0 ? std::string() : ReaderMessage(captured, readName);
    // The form that read further is the one the file is written in.
    const auto lineOf = [](const std::string& m) { return m.rfind("line ", 0) == 0 ? std::atol(m.c_str() + 5) : 0L; };
    if (rc != 0 && lineOf(fixed) > lineOf(message)) message = fixed + " (read as fixed MPS)";
  }
  glp_term_hook(Quiet, nullptr);
  std::filesystem::remove(temp, ec);
  if (rc != 0) {
    error = "\"" + path + "\", " + message;
    return false;
  }
  if (glp_get_num_cols(lp.get()) == 0) {
    error = "\"" + path + "\" has no variables: there is nothing to solve.";
    return false;
  }
  if (sense) glp_set_obj_dir(lp.get(), *sense);
  outcome = SolveLpProblem(lp.get(), options);
  if (mps && !sense && text.find(kNegatedMark) != std::string::npos) {
    // A maximisation "Save Model As" wrote: its maximum is the negated minimum.
    std::string note = "The file says it holds a maximisation written as the minimisation of the negated objective";
    if (outcome.objective) {
      char value[48];
      std::snprintf(value, sizeof value, "%.10g", *outcome.objective == 0.0 ? 0.0 : -*outcome.objective);
      note += std::string(": the maximum of the original objective is ") + value + ".";
    } else {
      note += ".";
    }
    notes.push_back(note);
  }
  outcome.notes.insert(outcome.notes.begin(), notes.begin(), notes.end());
  return true;
}

bool WriteLpModel(const LabelledMatrix& t, bool useX, bool withConstraints, const std::string& path,
                  std::string& error) {
  glp_term_hook(Quiet, nullptr);
  const LpTableModel m = ReadLpTable(t, withConstraints);
  error = LpTableProblem(t, m, useX);
  if (!error.empty()) return false;
  const std::vector<std::string> names = LpFileNames(t, m, useX, error);
  if (!error.empty()) return false;
  std::vector<std::string> rowNames;
  Problem lp = Build(m, t, names, rowNames);
  // The constraints keep the table's row labels, in the file's rules as the variables do; an
  // empty label, or one that would repeat another row's name there, keeps R and its row.
  std::set<std::string> usedRows;
  for (std::size_t k = 0; k < m.rows.size(); ++k) {
    const std::string label = TrimBlanks(CellText(t.Get(m.rows[k].row, 0)));
    std::string name = label.empty() ? std::string() : LpFileName(label);
    if (name.empty() || usedRows.count(name)) name = "R" + std::to_string(m.rows[k].row);
    while (usedRows.count(name)) name += "_";
    usedRows.insert(name);
    glp_set_row_name(lp.get(), static_cast<int>(k) + 1, name.c_str());
  }
  // ".lp" in any case is the LP form; any other name the free MPS form.
  const bool lpForm = path.size() >= 3 && UpperCase(path.substr(path.size() - 3)) == ".LP";
  // GLPK writes beside the file; the names it was given in place of the table's go in front
  // as comments, and the whole file then replaces the old one at once.
  const std::string temp = path + ".glpk";
  if (!lpForm) {
    glp_set_obj_dir(lp.get(), GLP_MIN);
    for (int c = 1; c <= glp_get_num_cols(lp.get()); ++c) glp_set_obj_coef(lp.get(), c, -glp_get_obj_coef(lp.get(), c));
  }
  const int rc = lpForm ? glp_write_lp(lp.get(), nullptr, temp.c_str())
                        : glp_write_mps(lp.get(), GLP_MPS_FILE, nullptr, temp.c_str());
  std::string body;
  const bool read = rc == 0 && ReadWholeFile(temp, body, error);
  ::unlink(temp.c_str());
  if (!read) {
    error = "the solver library could not write the model" + (error.empty() ? std::string() : " (" + error + ")");
    return false;
  }
  const std::string mark = lpForm ? "\\" : "*";
  std::string mapping;
  for (std::size_t k = 0; k < m.columns.size(); ++k) {
    const std::string original = LpVariableName(t, m.columns[k], useX);
    if (original == names[k]) continue;
    if (mapping.empty()) mapping = mark + " Variables renamed for this file (the table's name = the name written):\n";
    std::string shown;
    for (const char c : original) shown += static_cast<unsigned char>(c) < 32 || c == 127 ? ' ' : c;
    mapping += mark + "   \"" + shown + "\" = " + names[k] + "\n";
  }
  const std::string sense = lpForm ? std::string()
                                   : std::string(kNegatedMark) +
                                         " (MPS has no objective sense every reader honours):\n* the maximum is minus "
                                         "the minimum of this model.\n";
  return WriteFileAtomically(path, sense + mapping + body, error);
}

}  // namespace quantorial
