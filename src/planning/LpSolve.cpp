#include "planning/LpSolve.h"

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
#include "lp/LpFile.h"
#include "planning/LpModel.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

// The problem of the table, as the model text reads it: maximise the sum of the variables,
// every variable >= 0; names[k] names the variable of m.columns[k], rowNames[r] the row
// m.rows[r] (its label, or "Row N" for a row without one).
LpProblem Build(const LpTableModel& m, const std::vector<std::string>& names,
                const std::vector<std::string>& rowNames) {
  const int V = m.variableColumns;
  LpProblem p;
  p.name = "quantorial";
  p.maximise = true;
  std::vector<int> column(static_cast<std::size_t>(std::max(V, 0)) + 1, 0);
  for (std::size_t k = 0; k < m.columns.size(); ++k) {
    LpColumn c;
    c.name = names[k];
    c.cost = 1.0;
    c.kind = m.kinds[static_cast<std::size_t>(m.columns[k])];
    column[static_cast<std::size_t>(m.columns[k])] = p.AddColumn(std::move(c));
  }
  for (std::size_t r = 0; r < m.rows.size(); ++r) {
    const LpRow& row = m.rows[r];
    LpRowBounds b;
    b.name = rowNames[r];
    if (row.relation != LpRelation::LessEqual) b.lower = row.rhs;
    if (row.relation != LpRelation::GreaterEqual) b.upper = row.rhs;
    const int i = p.AddRow(std::move(b));
    for (const LpTerm& term : row.terms) p.Set(i, column[static_cast<std::size_t>(term.column)], term.coefficient);
  }
  return p;
}

// The rows' names as the solution shows them: the table's labels, "Row N" for a row without one.
std::vector<std::string> ShownRowNames(const LpTableModel& m, const LabelledMatrix& t) {
  std::vector<std::string> names;
  for (const LpRow& row : m.rows) {
    const std::string label = CellText(t.Get(row.row, 0));
    names.push_back(label.empty() ? "Row " + std::to_string(row.row) : label);
  }
  return names;
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
  const LpTableModel m = ReadLpTable(t, withConstraints);
  const std::string problem = LpTableProblem(t, m, useX);
  LpOutcome o;
  if (!problem.empty()) {
    // A table that does not read is not solved as another model.
    o.statusText = "not solved: " + problem;
    return o;
  }
  std::vector<std::string> shown;
  for (int j : m.columns) shown.push_back(LpVariableName(t, j, useX));
  o = SolveLpProblem(Build(m, shown, ShownRowNames(m, t)), options);
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

// Takes an OBJSENSE section out of MPS text (GLPK's reader stops at it), keeping the line
// numbers: "OBJSENSE MAX" on one line, or OBJSENSE with MAX or MIN (MAXIMIZE, MINIMIZE...) on
// the next: true to maximise. Nothing when the text has none.
std::optional<bool> TakeObjectiveSense(std::string& text, std::string& error) {
  std::optional<bool> sense;
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
    const auto senseOf = [](const std::string& word) -> std::optional<bool> {
      if (word.rfind("MAX", 0) == 0) return true;
      if (word.rfind("MIN", 0) == 0) return false;
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
  std::optional<bool> sense;
  std::vector<std::string> notes;
  if (mps) {
    std::string why;
    sense = TakeObjectiveSense(text, why);
    if (!why.empty()) {
      error = "\"" + path + "\", " + why;
      return false;
    }
    if (sense) {
      notes.push_back(std::string("The file's OBJSENSE section asks to ") + (*sense ? "maximise." : "minimise."));
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
  LpProblem model;
  std::string message;
  bool read = ReadLpModelFile(temp.string(), mps ? LpFileForm::FreeMps : LpFileForm::Lp, model, message);
  if (!read && mps) {
    // Not free MPS: perhaps the fixed form, whose names may hold blanks.
    std::string fixed;
    read = ReadLpModelFile(temp.string(), LpFileForm::FixedMps, model, fixed);
    // The form that read further is the one the file is written in.
    const auto lineOf = [](const std::string& m) { return m.rfind("line ", 0) == 0 ? std::atol(m.c_str() + 5) : 0L; };
    if (!read && lineOf(fixed) > lineOf(message)) message = fixed + " (read as fixed MPS)";
  }
  std::filesystem::remove(temp, ec);
  if (!read) {
    error = "\"" + path + "\", " + message;
    return false;
  }
  if (model.columns.empty()) {
    error = "\"" + path + "\" has no variables: there is nothing to solve.";
    return false;
  }
  if (sense) model.maximise = *sense;
  outcome = SolveLpProblem(model, options);
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
  const LpTableModel m = ReadLpTable(t, withConstraints);
  error = LpTableProblem(t, m, useX);
  if (!error.empty()) return false;
  const std::vector<std::string> names = LpFileNames(t, m, useX, error);
  if (!error.empty()) return false;
  std::vector<std::string> rowNames;
  // The constraints keep the table's row labels, in the file's rules as the variables do; an
  // empty label, or one that would repeat another row's name there, keeps R and its row.
  std::set<std::string> usedRows;
  for (const LpRow& row : m.rows) {
    const std::string label = TrimBlanks(CellText(t.Get(row.row, 0)));
    std::string name = label.empty() ? std::string() : LpFileName(label);
    if (name.empty() || usedRows.count(name)) name = "R" + std::to_string(row.row);
    while (usedRows.count(name)) name += "_";
    usedRows.insert(name);
    rowNames.push_back(name);
  }
  LpProblem lp = Build(m, names, rowNames);
  // ".lp" in any case is the LP form; any other name the free MPS form.
  const bool lpForm = path.size() >= 3 && UpperCase(path.substr(path.size() - 3)) == ".LP";
  // GLPK writes beside the file; the names it was given in place of the table's go in front
  // as comments, and the whole file then replaces the old one at once.
  const std::string temp = path + ".glpk";
  if (!lpForm) {
    lp.maximise = false;
    for (LpColumn& c : lp.columns) c.cost = -c.cost;
  }
  const bool written = WriteLpModelFile(lp, temp, lpForm ? LpFileForm::Lp : LpFileForm::FreeMps, error);
  std::string body;
  const bool read = written && ReadWholeFile(temp, body, error);
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
