#include "workbench/ScriptPlayer.h"

#include <array>
#include <cctype>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "io/AtomicFile.h"
#include "io/DumpFile.h"
#include "io/SettingsStore.h"
#include "workbench/CommandTable.h"
#include "workbench/Workbench.h"
#include "workspace/DumpForm.h"
#include "workspace/SlotTable.h"

namespace quantorial {

namespace {

std::string Trim(std::string_view s) {
  const std::size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string_view::npos) return std::string();
  return std::string(s.substr(b, s.find_last_not_of(" \t\r") - b + 1));
}

// A message box's text on one line.
std::string OneLine(std::string s) {
  for (char& c : s) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return s;
}

// The folder a file goes into is made when it is missing, as "dump DIR" makes its folder.
void MakeParent(const std::string& path) {
  std::error_code ec;
  const auto parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
}

std::string Resolve(const std::string& folder, const std::string& path) {
  if (path.empty() || path[0] == '/' || folder.empty()) return path;
  return (std::filesystem::path(folder) / path).lexically_normal().string();
}

// The windows a script can answer lines for.
bool IsForm(std::string_view word) { return word == "frmForecast" || word == "frmChartOptions"; }

// A word that names a window: "frm" and a capital, then letters, digits or "_".
bool LooksLikeForm(std::string_view word) {
  if (word.size() < 4 || word.substr(0, 3) != "frm" || word[3] < 'A' || word[3] > 'Z') return false;
  for (const char c : word) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

// The endings a chart file is written in.
bool IsChartFile(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".png" || ext == ".svg" || ext == ".pdf" || ext == ".json";
}

// One line of a script, parsed before anything runs.
struct Line {
  int number = 0;
  enum class Kind { Action, Answer, FormAnswer, Dump, DumpSlot, Chart } kind = Kind::Action;
  Action action;                    // Action, FormAnswer (with the form's prefix)
  std::optional<std::string> text;  // Answer: nothing for a bare "answer"
  std::string form;                 // FormAnswer
  std::string a, b;                 // Dump: DIR; DumpSlot: SLOT FILE; Chart: FILE
};

// An answer waiting for its question.
struct Answer {
  int line = 0;
  std::optional<std::string> text;
  std::string form;  // a dialog's line: the form, and its action
  Action action;
};

// The host of a script: answers come from the queue of `answer` lines; messages go to the
// error stream with the line that caused them.
class ScriptHost : public Host {
 public:
  ScriptHost(std::ostream& err, bool verbose, std::string folder)
      : err_(err), verbose_(verbose), folder_(std::move(folder)) {}

  Workbench* bench = nullptr;
  int line = 0;
  std::deque<Answer> answers;
  std::optional<ChartDescription> lastChart;
  std::string stopped;  // why the script stops; empty while it runs
  bool exitRequested = false;
  std::string control;  // the control of the running line, for messages

  void HoldOn(const std::string& text) override {
    if (verbose_ && !text.empty()) err_ << "line " << line << ": " << text << '\n';
  }
  void ShowWaitBox(const std::string& message, bool) override {
    if (verbose_)
      err_ << "line " << line << ": " << (message.empty() ? "Processing Request...please wait!" : message) << '\n';
  }
  void HideWaitBox(const std::string&) override {}
  void Preview(const LabelledMatrix& m, int grid, const std::string&) override {
    if (grid >= 0 && grid < 6 && m.IsAssigned() && (m.Upper(1) != 0 || m.Upper(2) != 0))
      grids_[static_cast<std::size_t>(grid)] = m;
  }
  void ClearGrid(int grid) override {
    if (grid >= 0 && grid < 6) grids_[static_cast<std::size_t>(grid)] = LabelledMatrix();
  }
  void PreviewText(const std::string&, int, const std::string&) override {}
  LabelledMatrix CopyGrid(int grid) override {
    return grid >= 0 && grid < 6 ? grids_[static_cast<std::size_t>(grid)] : LabelledMatrix();
  }

  int MsgBox(const std::string& prompt, int buttons, const std::string&) override {
    // Each line of the message on a line of its own, blank ones left out.
    std::istringstream lines(prompt);
    for (std::string text; std::getline(lines, text);) {
      if (!text.empty() && text.back() == '\r') text.pop_back();
      if (!text.empty()) err_ << "line " << line << ": " << OneLine(text) << '\n';
    }
    const int set = buttons & kMsgBoxButtonsMask;
    if (set == vbOKOnly) return vbOK;
    // A question: its answer is the caption of a button.
    static const std::array<std::pair<const char*, int>, 7> kCaptions = {{{"OK", vbOK},
                                                                          {"Cancel", vbCancel},
                                                                          {"Abort", vbAbort},
                                                                          {"Retry", vbRetry},
                                                                          {"Ignore", vbIgnore},
                                                                          {"Yes", vbYes},
                                                                          {"No", vbNo}}};
    const auto a = Next(prompt);
    if (a && a->text) {
      for (const auto& [caption, result] : kCaptions) {
        if (*a->text == caption) return result;
      }
      Stop("line " + std::to_string(a->line) + ": \"" + *a->text + "\" is not a button of \"" + OneLine(prompt) + "\"");
    }
    return set == vbYesNo ? vbNo : set == vbAbortRetryIgnore ? vbAbort : vbCancel;
  }
  std::optional<std::string> InputBox(const std::string& prompt, const std::string&, const std::string&) override {
    const auto a = Next(prompt);
    return a ? a->text : std::nullopt;
  }
  std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override {
    const auto a = Next(request.title);
    if (!a || !a->text) return std::nullopt;
    return Resolve(folder_, *a->text);
  }
  std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override {
    return ChooseOpenFile(request);
  }

  bool ShowForecastOptions(ForecastOptions& dialog) override {
    RunForm("frmForecast", "Forecast Options", [&] { return dialog.closed != ForecastOptions::Closed::Open; });
    return dialog.closed == ForecastOptions::Closed::OK;
  }
  void ShowChartOptions(ChartOptionsState& dialog) override {
    RunForm("frmChartOptions", "Other Chart Options", [&] { return dialog.closed; });
  }
  void ShowChart(const ChartDescription& chart, bool) override { lastChart = chart; }
  // The script's own clipboard: a copy in the worksheet editor can be pasted again.
  void SetClipboardText(const std::string& text) override { clipboard = text; }
  std::string ClipboardText() override { return clipboard; }
  std::string clipboard;
  bool OpenWithDesktop(const std::string& path) override {
    err_ << "line " << line << ": written: " << path << '\n';
    return true;
  }
  void WindowService(const std::string& service) override {
    if (service == "Exit") exitRequested = true;
  }

  void Stop(const std::string& why) {
    if (stopped.empty()) stopped = why;
  }

 private:
  // The next plain answer for a question; none (and the script stops) when none is queued.
  std::optional<Answer> Next(const std::string& question) {
    if (answers.empty() || !answers.front().form.empty()) {
      Stop("line " + std::to_string(line) + ": " + control + " asked \u201c" + OneLine(question) +
           "\u201d and no answer was queued");
      return std::nullopt;
    }
    Answer a = answers.front();
    answers.pop_front();
    if (verbose_) {
      err_ << "line " << line << ": \u201c" << OneLine(question) << "\u201d took line " << a.line << ": answer"
           << (a.text ? " " + *a.text : std::string()) << '\n';
    }
    return a;
  }

  // A dialog runs its queued lines in order, until a button closes it or they run out.
  template <typename Closed>
  void RunForm(const std::string& form, const std::string& caption, Closed closed) {
    if (answers.empty() || answers.front().form != form) {
      Stop("line " + std::to_string(line) + ": " + control + " opened \u201c" + caption + "\u201d (" + form +
           ") and no answer was queued for it");
      return;
    }
    while (!closed() && !answers.empty() && answers.front().form == form && stopped.empty()) {
      const Answer a = answers.front();
      answers.pop_front();
      if (verbose_) {
        Action shown = a.action;  // as the script wrote it: the control without its form
        shown.control = shown.control.substr(form.size() + 1);
        err_ << "line " << line << ": \u201c" << caption << "\u201d (" << form << ") took line " << a.line
             << ": answer " << form << ' ' << ActionLine(shown) << '\n';
      }
      std::string error;
      if (!Perform(*bench, a.action, error)) Stop("line " + std::to_string(a.line) + ": " + error);
    }
  }

  std::ostream& err_;
  bool verbose_;
  std::string folder_;
  std::array<LabelledMatrix, 6> grids_;
};

// Parses every line first, so that a script with a bad line or an unknown name does
// nothing at all.
bool ParseScript(const std::string& text, std::vector<Line>& out, std::string& error) {
  // A byte-order mark (which some editors put first) is not part of the first line.
  std::istringstream in(text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    const std::string s = Trim(raw);
    if (s.empty() || s[0] == '#') continue;
    Line l;
    l.number = number;
    const std::size_t blank = s.find(' ');
    const std::string word = s.substr(0, blank);
    const std::string rest = blank == std::string::npos ? std::string() : s.substr(blank + 1);
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    };
    std::string why;
    if (word == "answer") {
      const std::size_t formEnd = rest.find(' ');
      const std::string first = rest.substr(0, formEnd);
      if (IsForm(first)) {
        l.kind = Line::Kind::FormAnswer;
        l.form = first;
        const auto a = ParseAction(formEnd == std::string::npos ? std::string() : rest.substr(formEnd + 1), why);
        if (!a) return fail(why);
        l.action = *a;
        l.action.control = first + "." + a->control;
        if (!FindControl(l.action.control)) return fail("there is no control \"" + l.action.control + "\"");
      } else if (LooksLikeForm(first) && formEnd != std::string::npos) {
        // A line for a window that is not one of the dialogs would never be asked for.
        bool known = false;
        for (const auto& entry : ControlTable()) known = known || entry.name.rfind(first + ".", 0) == 0;
        return fail(known ? "\"" + first +
                                "\" is not a dialog the program opens; answer lines go to frmForecast "
                                "and frmChartOptions"
                          : "there is no window \"" + first + "\"");
      } else {
        l.kind = Line::Kind::Answer;
        if (blank != std::string::npos) l.text = raw.substr(raw.find("answer") + 7);  // the rest, blanks kept
        if (l.text) {
          while (!l.text->empty() && (l.text->back() == '\r')) l.text->pop_back();
        }
      }
    } else if (word == "dump") {
      const std::size_t space = rest.find(' ');
      if (rest.empty()) return fail("\"dump\" takes a folder, or a slot and a file");
      if (space == std::string::npos) {
        l.kind = Line::Kind::Dump;
        l.a = rest;
      } else {
        l.kind = Line::Kind::DumpSlot;
        l.a = rest.substr(0, space);
        l.b = Trim(rest.substr(space + 1));
        if (!FindWorkspaceMatrix(l.a)) return fail("there is no workspace slot \"" + l.a + "\"");
      }
    } else if (word == "chart") {
      if (rest.empty()) return fail("\"chart\" takes a file");
      if (!IsChartFile(rest)) return fail("a chart is written as .png, .svg, .pdf or .json, not \"" + rest + "\"");
      l.kind = Line::Kind::Chart;
      l.a = rest;
    } else {
      // "set NAME TEXT" keeps the text's blanks as they stand.
      const auto a =
          ParseAction(word == "set" ? std::string_view(raw).substr(raw.find("set")) : std::string_view(s), why);
      if (!a) return fail(why);
      l.action = *a;
      while (l.action.kind == ActionKind::Set && !l.action.text.empty() && l.action.text.back() == '\r') {
        l.action.text.pop_back();
      }
      if (!FindControl(l.action.control)) return fail("there is no control \"" + l.action.control + "\"");
    }
    out.push_back(std::move(l));
  }
  return true;
}

}  // namespace

bool DumpWorkspace(const Workbench& wb, const std::string& dir, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    error = "cannot make the folder \"" + dir + "\": " + ec.message();
    return false;
  }
  for (const auto& named : WorkspaceMatrices()) {
    const LabelledMatrix& m = wb.ws.*(named.matrix);
    if (!m.IsFilled()) continue;
    const std::string path = (std::filesystem::path(dir) / (std::string(named.name) + ".csv")).string();
    std::string why;
    if (!WriteDumpFile(path, m, why)) {
      error = "cannot write \"" + path + "\": " + why;
      return false;
    }
  }
  return true;
}

int PlayScript(const std::string& path, const PlayOptions& options, std::ostream& err) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    err << "\"" << path << "\" is a folder, not a script\n";
    return kPlayFailed;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    err << "cannot read the script \"" << path << "\"\n";
    return kPlayFailed;
  }
  std::stringstream text;
  text << in.rdbuf();
  const std::string folder = std::filesystem::absolute(path).parent_path().string();
  return PlayScriptText(text.str(), folder, options, err);
}

int PlayScriptText(const std::string& text, const std::string& folder, const PlayOptions& options, std::ostream& err) {
  std::vector<Line> lines;
  std::string error;
  if (!ParseScript(text, lines, error)) {
    err << error << '\n';
    return kPlaySyntax;
  }
  // A script never depends on the user's settings: without a store of its own it gets a
  // temporary one in memory. What the workbench writes into its Data folder (preview
  // workbooks, the change transformation's tables) goes to the script's folder then, where
  // the person finds it, or to the store's Data folder as in the window.
  std::unique_ptr<SettingsStore> store;
  if (options.store.empty()) {
    store = std::make_unique<TemporarySettings>();
  } else {
    store = std::make_unique<SettingsStore>(options.store);
    store->OpenInBackground();  // while the script's first lines run
  }
  const std::string dataFolder = options.store.empty() ? folder : options.store + "/Data";
  ScriptHost host(err, options.verbose, folder);
  Workbench wb(host, store.get(), dataFolder);
  host.bench = &wb;

  int status = kPlayDone;
  for (const Line& l : lines) {
    host.line = l.number;
    const std::string at = "line " + std::to_string(l.number) + ": ";
    switch (l.kind) {
      case Line::Kind::Answer:
        host.answers.push_back({l.number, l.text, "", {}});
        continue;
      case Line::Kind::FormAnswer: {
        Action a = l.action;
        const ControlEntry* entry = FindControl(a.control);
        if (entry && entry->path && a.kind == ActionKind::Set) a.text = Resolve(folder, a.text);
        host.answers.push_back({l.number, std::nullopt, l.form, a});
        continue;
      }
      case Line::Kind::Dump:
        if (!DumpWorkspace(wb, Resolve(folder, l.a), error)) {
          err << at << error << '\n';
          return kPlayFailed;
        }
        continue;
      case Line::Kind::DumpSlot: {
        const NamedMatrix* named = FindWorkspaceMatrix(l.a);
        const std::string path = Resolve(folder, l.b);
        if (!(wb.ws.*(named->matrix)).IsFilled()) {
          err << at << "the slot " << l.a << " is empty; \"" << path << "\" was not written\n";
          return kPlayFailed;
        }
        MakeParent(path);
        std::string why;
        if (!WriteDumpFile(path, wb.ws.*(named->matrix), why)) {
          err << at << "cannot write \"" << path << "\": " << why << '\n';
          return kPlayFailed;
        }
        continue;
      }
      case Line::Kind::Chart: {
        const std::string path = Resolve(folder, l.a);
        MakeParent(path);
        if (!host.lastChart) {
          err << at << "no chart has been drawn yet\n";
          return kPlayFailed;
        }
        if (!options.drawChart || !options.drawChart(*host.lastChart, path, error)) {
          err << at << "cannot write \"" << path
              << "\": " << (options.drawChart ? error : "charts cannot be drawn here") << '\n';
          return kPlayFailed;
        }
        continue;
      }
      case Line::Kind::Action:
        break;
    }
    Action a = l.action;
    const ControlEntry* entry = FindControl(a.control);
    if (entry && entry->path && a.kind == ActionKind::Set) a.text = Resolve(folder, a.text);
    host.control = a.control;
    if (!Perform(wb, a, error)) {
      err << at << error << '\n';
      return kPlayFailed;
    }
    // A command that failed has told why (above); the script goes on, as the window would,
    // and ends failed.
    if (wb.LastOutcome().Failed()) status = kPlayFailed;
    if (wb.LastOutcome().Failed() && !wb.LastOutcome().told) err << at << wb.LastOutcome().message << '\n';
    if (wb.LastOutcome().kind == OutcomeKind::Cancelled) err << at << "cancelled\n";
    if (!host.stopped.empty()) {
      err << host.stopped << '\n';
      return kPlayFailed;
    }
    if (host.exitRequested) break;
  }
  for (const Answer& a : host.answers) {
    err << "line " << a.line << ": this answer was never asked for\n";
    status = kPlayFailed;
  }
  if (!options.dump.empty() && !DumpWorkspace(wb, options.dump, error)) {
    err << error << '\n';
    return kPlayFailed;
  }
  return status;
}

std::string ScriptLanguageHelp() {
  return "A session script is UTF-8 text, one window action per line; \"#\" starts a comment line,\n"
         "blank lines are ignored, paths are relative to the script's folder. Controls are named\n"
         "as in the window (cmdRunAll, cmdQ(2), txtData(0), optDyn(1), mnuNormal); those of\n"
         "other windows are FORM.NAME (frmForecast.OKButton, frmEdit.mnuSaveAs).\n"
         "\n"
         "  set NAME TEXT           a text box's text, then its change handler\n"
         "                          (set txtData(0) klein.csv loads the primary data file)\n"
         "  set frmEdit.Fg2(R,C) TEXT\n"
         "                          a worksheet editor cell (row and column from 1), as typed\n"
         "  set frmEdit.Fg2 R,C     makes an editor cell current\n"
         "  set frmEdit.Fg2.Selection R,C:R,C\n"
         "                          selects a block of editor cells\n"
         "  set frmEdit.Fg2.KeyPress TEXT\n"
         "                          types TEXT on the editor grid, as on the keyboard\n"
         "  set frmEdit.Fg2.KeyDown KEY[,SHIFT] / set frmEdit.txtEdit.KeyDown KEY[,SHIFT]\n"
         "                          a key pressed on the grid or in its edit box, by key code\n"
         "                          (13 Enter, 27 Escape) and shift state; click frmEdit.mnuCopy,\n"
         "                          mnuPaste and mnuUndo use the script's own clipboard\n"
         "  check NAME 0|1          a check box, then its click handler\n"
         "  choose NAME             an option button (opt1Percent, optDyn(2))\n"
         "  select NAME ITEM|ITEM   a list's or combo box's selection by item text; #3 is the\n"
         "                          item at index 3; no items clears it\n"
         "  click NAME              presses a button or menu item (on a grid: Enter)\n"
         "  dblclick NAME           double-clicks (a grid clears, Picture1 asks for the symbol)\n"
         "  answer [TEXT]           the answer to the next question: an input box's text (alone:\n"
         "                          Cancel), a message box's button (Yes, No, Cancel, OK, Abort,\n"
         "                          Retry, Ignore), a file dialog's path (alone: cancelled)\n"
         "  answer FORM ACTION      a line for a dialog the program opens:\n"
         "                          answer frmForecast set txtData(0) fc.csv\n"
         "                          answer frmForecast click OKButton\n"
         "                          it runs its lines in order when it opens and closes at OK\n"
         "                          or Cancel, or when they run out (as Cancel)\n"
         "  dump DIR                every filled workspace slot as DIR/<slot>.csv\n"
         "  dump SLOT FILE          one slot (mCalculated, mForecast, ...)\n"
         "  chart FILE              the chart drawn last: .png, .svg, .pdf or .json\n"
         "\n"
         "A name the window does not have, a disabled control pressed, a question without a\n"
         "queued answer, or an answer never asked for stops the script with its line. With -v\n"
         "the status texts are shown too, and which question took which answer line.\n"
         "Exit status: 0 done; 1 an error or a stopping message was reported, or the script\n"
         "was stopped; 2 a line that is not one, or a name the window does not have.\n";
}

}  // namespace quantorial
