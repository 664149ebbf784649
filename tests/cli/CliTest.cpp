#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "CliRun.h"
#include "LpTextbookModel.h"
#include "TempDir.h"
#include "cli/ChartPicture.h"
#include "cli/Cli.h"
#include "workbench/ScriptPlayer.h"

namespace quantorial {
namespace {

using testing::TempDir;

using Result = testing::CliRun;

Result RunArgs(const std::vector<std::string>& args) { return testing::RunCommandLine(args); }

class Cli : public ::testing::Test {
 protected:
  TempDir dir;
  std::string a = dir.Write("a.csv", ",p,q\nx,4,7\ny,2,6\n");
  std::string b = dir.Write("b.csv", ",p,q\nx,1,1\ny,1,1\n");
  std::string three = dir.Write("three.csv", ",p,q,r\nx,1,2,3\ny,1,2,3\nz,1,2,3\n");
  std::string singular = dir.Write("s.csv", ",p,q\nx,0,1\ny,1,0\n");
};

// The typical session played as a script and run with `run`'s flags give the same slots,
// byte for byte.
TEST_F(Cli, TheTypicalFlowPlayedEqualsRunsDump) {
  for (const char* f : {"klein.csv", "klein_NOR_BMAT.CSV", "klein_forecast.csv"}) {
    std::filesystem::copy_file(std::string(QUANTORIAL_SAMPLES_DIR) + "/" + f, dir.File(f));
  }
  std::ostringstream played;
  const int status = PlayScriptText(
      "\xEF\xBB\xBF# load, run all stages with 4 endogenous variables, forecast (CRLF lines)\r\n"
      "set txtData(0) klein.csv\r\n"
      "answer 4\r\n"
      "click cmdRunAll\n"
      "answer frmForecast set txtData(0) klein_forecast.csv\n"
      "answer frmForecast click OKButton\n"
      "click cmdForecast\n"
      "dump played\n",
      dir.path().string(), {}, played);
  EXPECT_EQ(status, kPlayDone) << played.str();
  const auto r = RunArgs({"run", dir.File("klein.csv"), "--endo", "4", "--forecast", dir.File("klein_forecast.csv"),
                          "--dump", dir.File("ran")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::set<std::string> names, other;
  for (const auto& e : std::filesystem::directory_iterator(dir.File("played")))
    names.insert(e.path().filename().string());
  for (const auto& e : std::filesystem::directory_iterator(dir.File("ran"))) other.insert(e.path().filename().string());
  EXPECT_EQ(names, other);
  for (const auto& n : names) {
    EXPECT_EQ(TempDir::Read(dir.File("played") + "/" + n), TempDir::Read(dir.File("ran") + "/" + n)) << n;
  }
}

// `run` with a B-matrix, a change symbol, a quadrant, "Re&use", an impact selection, forecast
// years and a chart leaves what the same window actions played as a script leave: every slot
// and the chart.
TEST_F(Cli, RunWithItsOptionsEqualsTheSamePlayedActions) {
  for (const char* f : {"klein.csv", "klein_NOR_BMAT.CSV", "klein_forecast.csv"}) {
    std::filesystem::copy_file(std::string(QUANTORIAL_SAMPLES_DIR) + "/" + f, dir.File(f));
  }
  std::filesystem::copy_file(dir.File("klein_NOR_BMAT.CSV"), dir.File("model.csv"));
  struct Case {
    std::vector<std::string> options;
    std::string script;  // after loading the data
  } cases[] = {
      {{"--impact", "G,T", "--forecast", dir.File("klein_forecast.csv"), "--forecast-years", "1941:1942", "--chart",
        "I"},
       "answer 4\nclick cmdRunAll\nselect lstImpVars G|T\n"
       "answer frmForecast set txtData(0) klein_forecast.csv\nanswer frmForecast set txtFromYear 1941\n"
       "answer frmForecast set txtToYear 1942\nanswer frmForecast click OKButton\nclick cmdForecast\n"
       "select cboPlot 4=I\nclick cmdChart\n"},
      {{"--bmat", dir.File("model.csv"), "--change-symbol", "d", "--split-quadrant", "3", "--chart", "1", "--reuse"},
       "check chkReuse 1\nset txtData(1) model.csv\nclick cmdSplitTable\nclick cmdQ(2)\nanswer 4\nclick cmdRunAll\n"
       "select cboPlot #0\nclick cmdChart\n"},
  };
  PlayOptions options;
  options.drawChart = [](const ChartDescription& chart, const std::string& path, std::string&) {
    std::ofstream(path, std::ios::binary) << ChartJson(chart);
    return true;
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string played = dir.File("played" + std::to_string(n)), ran = dir.File("ran" + std::to_string(n));
    const bool symbol = std::find(c.options.begin(), c.options.end(), "--change-symbol") != c.options.end();
    std::ostringstream playErr;
    const int status =
        PlayScriptText(std::string(symbol ? "answer d\ndblclick Picture1\n" : "") + "set txtData(0) klein.csv\n" +
                           c.script + "chart " + played + ".json\ndump " + played + "\n",
                       dir.path().string(), options, playErr);
    EXPECT_EQ(status, kPlayDone) << playErr.str();
    std::vector<std::string> args = {"run", dir.File("klein.csv"), "--endo",     "4", "--dump",
                                     ran,   "--chart-json",        ran + ".json"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto r = RunArgs(args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> names, other;
    for (const auto& e : std::filesystem::directory_iterator(played)) names.insert(e.path().filename().string());
    for (const auto& e : std::filesystem::directory_iterator(ran)) other.insert(e.path().filename().string());
    EXPECT_EQ(names, other) << n;
    for (const auto& name : names) {
      EXPECT_EQ(TempDir::Read(played + "/" + name), TempDir::Read(ran + "/" + name)) << n << ' ' << name;
    }
    EXPECT_EQ(TempDir::Read(played + ".json"), TempDir::Read(ran + ".json")) << n;
    EXPECT_NE(TempDir::Read(ran + ".json"), "") << n;
    ++n;
  }
}

TEST_F(Cli, LoadWritesTheDumpForm) {
  const auto r = RunArgs({"load", dir.Write("d.csv", "Year,C\r\n1920,39.8\r\n1921,\"4,5\"\r\n")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "\"Year\",\"C\"\n1920,39.8\n1921,\"4,5\"\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(Cli, EveryMatrixOperation) {
  struct Case {
    std::vector<std::string> args;
    const char* out;
  } cases[] = {
      {{"matrix", "transpose", a}, ",\"x\",\"y\"\n\"p\",4,2\n\"q\",7,6\n"},
      {{"matrix", "add", a, b}, ",\"p\",\"q\"\n\"x\",5,8\n\"y\",3,7\n"},
      {{"matrix", "sub", a, b}, ",\"p\",\"q\"\n\"x\",3,6\n\"y\",1,5\n"},
      {{"matrix", "mul", a, b}, ",\"p\",\"q\"\n\"x\",11,11\n\"y\",8,8\n"},
      {{"matrix", "scalar", "2", a}, ",\"p\",\"q\"\n\"x\",8,14\n\"y\",4,12\n"},
      {{"matrix", "scalar", "-0.5", a}, ",\"p\",\"q\"\n\"x\",-2,-3.5\n\"y\",-1,-3\n"},
      {{"matrix", "special-scalar", "2", a}, ",\"p\",\"q\"\n\"x\",4,14\n\"y\",4,6\n"},
      {{"matrix", "identity", "2"}, "1,0\n0,1\n"},
      {{"matrix", "invert", a}, ",\"p\",\"q\"\n\"x\",0.6000000000000001,-0.7000000000000001\n\"y\",-0.2,0.4\n"},
      {{"matrix", "invert-pivot", dir.Write("t.csv", ",p,q\nx,3,1\ny,1,3\n")},
       ",\"p\",\"q\"\n\"x\",0.375,-0.125\n\"y\",-0.1249999962747098,0.37499998882412944\n"},
      {{"matrix", "reciprocal", a}, ",\"p\",\"q\"\n\"x\",0.25,0.14285714285714285\n\"y\",0.5,0.16666666666666666\n"},
  };
  for (const auto& c : cases) {
    const auto r = RunArgs(c.args);
    EXPECT_EQ(r.status, 0) << c.args[1] << ": " << r.err;
    EXPECT_EQ(r.out, c.out) << c.args[1];
    EXPECT_EQ(r.err, c.args[1] == "add" ? "Matrix addition completed...see results below.\n"
                                        : "Matrix operation completed...see results below.\n")
        << c.args[1];
  }
}

// "...see results below." is said only when the result follows on standard output; with
// -o the file takes the result and nothing claims it is below.
TEST_F(Cli, CompletionIsSaidOnlyWhenTheResultFollows) {
  const std::string out = dir.File("r.csv");
  auto r = RunArgs({"matrix", "transpose", a, "-o", out});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(TempDir::Read(out), ",\"x\",\"y\"\n\"p\",4,2\n\"q\",7,6\n");
  r = RunArgs({"matrix", "add", a, b, "-o", out, "-v"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "Adding Matrices\nwritten: " + out + "\n");
}

// An inversion that meets a zero pivot is not an inverse: the marker is reported, the
// exit status is 1 and nothing is written, whether to standard output or to a file.
TEST_F(Cli, SingularInversionIsReportedAndNotWritten) {
  const std::string old = dir.Write("old.csv", "kept\n");
  struct Case {
    const char* op;
    const char* marker;
  } cases[] = {{"invert", "Warning: Singular Matrix"}, {"invert-pivot", "SINGULAR MATRIX FOR K = 1"}};
  for (const auto& c : cases) {
    for (const bool toFile : {false, true}) {
      std::vector<std::string> args = {"matrix", c.op, singular};
      if (toFile) args.insert(args.end(), {"-o", old});
      const auto r = RunArgs(args);
      EXPECT_EQ(r.status, 1) << c.op;
      EXPECT_EQ(r.out, "") << c.op;
      EXPECT_EQ(r.err, "\"" + singular + "\" cannot be inverted: " + c.marker +
                           "; the result shown is not an inverse.\nquantorial-cli: no result was written\n")
          << c.op;
      EXPECT_EQ(TempDir::Read(old), "kept\n") << c.op;
    }
  }
}

// An entry the window takes as declined ends the command cancelled: exit 0, nothing written,
// and "cancelled" said with the command.
TEST_F(Cli, DeclinedEntriesAreCancelsAndWriteNothing) {
  const std::string out = dir.File("out.csv");
  const struct {
    std::vector<std::string> args;
    const char* control;
  } cases[] = {{{"matrix", "scalar", "0", a, "-o", out}, "mnuScalarMult"},
               {{"matrix", "special-scalar", "abc", a, "-o", out}, "mnuScalarMult2"},
               {{"matrix", "identity", "1", "-o", out}, "mnuCreateIDMatrix"},
               {{"matrix", "identity", "x", "-o", out}, "mnuCreateIDMatrix"}};
  for (const auto& c : cases) {
    const auto r = RunArgs(c.args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("quantorial-cli: click ") + c.control + ": cancelled\n");
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

TEST_F(Cli, IncompatibleAdditionIsAnError) {
  const auto r = RunArgs({"matrix", "add", a, three});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Matrices are not compatible!\n");
}

// A result in which statements overflowed is not complete: it is reported and not written.
TEST_F(Cli, OverflowedResultsAreErrors) {
  const std::string big = dir.Write("big.csv", ",p\nx,1e308\n");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"matrix", "add", big, big},
                                               std::vector<std::string>{"matrix", "scalar", "1e999", big}}) {
    const auto r = RunArgs(args);
    EXPECT_EQ(r.status, 1) << args[1];
    EXPECT_EQ(r.out, "") << args[1];
    EXPECT_NE(r.err.find("is not complete: 1 statement overflowed"), std::string::npos) << r.err;
  }
}

// What a run rests on is told on standard error; the run still succeeds and writes.
TEST_F(Cli, RunTellsWhatTheResultsRestOn) {
  const std::string data = dir.Write("n.csv", "Year,y,Wg\n2001,10,4\n2002,12,6\n2003,13,6\n");
  const std::string bmat = dir.Write("nb.csv", ",y,WG\ny,0,0.5\n");
  const auto r = RunArgs({"run", data, "--endo", "1", "--bmat", bmat, "--dump", dir.File("nout")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("No data series for the exogenous variable \"WG\""), std::string::npos) << r.err;
  EXPECT_TRUE(std::filesystem::exists(dir.File("nout") + "/mCalculated.csv"));
}

TEST_F(Cli, PlayRunsAScriptAndSaysWhatStoppedIt) {
  const auto help = RunArgs({"play", "--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* form :
       {"set NAME TEXT", "check NAME 0|1", "choose NAME", "select NAME ITEM|ITEM", "click NAME", "dblclick NAME",
        "answer [TEXT]", "answer FORM ACTION", "dump DIR", "dump SLOT FILE", "chart FILE", "set frmEdit.Fg2 R,C",
        "set frmEdit.Fg2.Selection R,C:R,C", "set frmEdit.Fg2.KeyPress TEXT", "set frmEdit.txtEdit.KeyDown KEY"}) {
    EXPECT_NE(help.out.find(form), std::string::npos) << form;
  }
  dir.Write("m.csv", "Year,y,x\n2001,10,4\n2002,12,6\n2003,13,6\n");
  dir.Write("m_NOR_BMAT.CSV", ",y,x\ny,0,0.5\n");
  const std::string good = dir.Write("good.qs", "set txtData(0) m.csv\nanswer 1\nclick cmdRunAll\nchart c.json\n");
  const auto r = RunArgs({"play", good, "--dump", dir.File("dumped")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(TempDir::Read(dir.File("dumped/mImpact.csv")), ",\"x(t)\"\n\"y\",0.5\n");
  EXPECT_NE(TempDir::Read(dir.File("c.json")).find("\"title\":\"Y CHART\""), std::string::npos);
  EXPECT_EQ(RunArgs({"play", dir.Write("bad.qs", "click cmdNope\n")}).status, 2);
  const auto stopped = RunArgs({"play", dir.Write("stop.qs", "set txtData(0) m.csv\nclick cmdRunAll\n")});
  EXPECT_EQ(stopped.status, 1);
  EXPECT_NE(stopped.err.find("line 2: cmdRunAll asked"), std::string::npos) << stopped.err;
  EXPECT_EQ(RunArgs({"play", dir.File("none.qs")}).status, 1);
}

// What a script cannot do is said with its line; what it would write is not made.
TEST_F(Cli, PlayRefusesWhatItCannotDo) {
  dir.Write("m.csv", "Year,y,x\n2001,10,4\n2002,12,6\n2003,13,6\n");
  dir.Write("m_NOR_BMAT.CSV", ",y,x\ny,0,0.5\n");
  const std::string run = "set txtData(0) m.csv\nanswer 1\nclick cmdRunAll\n";
  struct Case {
    std::string script;
    int status;
    std::string message;  // a line of standard error
    const char* notMade;  // a file the script must not leave
  } cases[] = {
      // A chart's ending decides its kind: an unknown one is refused before anything runs.
      {run + "chart x.bmp\n", 2, "line 4: a chart is written as .png, .svg, .pdf or .json, not \"x.bmp\"", "x.bmp"},
      {run + "chart x\n", 2, "line 4: a chart is written as .png, .svg, .pdf or .json, not \"x\"", "x"},
      // An empty slot is not dumped as an empty file.
      {run + "dump mForecast f.csv\n", 1,
       "line 4: the slot mForecast is empty; \"" + dir.File("f.csv") + "\" was not written", "f.csv"},
      // A line for a window that no question opens could never be asked for.
      {run + "answer frmNope click OKButton\n", 2, "line 4: there is no window \"frmNope\"", nullptr},
      {run + "answer frmEdit click mnuExit\n", 2,
       "line 4: \"frmEdit\" is not a dialog the program opens; answer lines go to frmForecast and frmChartOptions",
       nullptr},
      // A message that stops the command fails the script whatever its icon.
      {run + "click cmdReciprocal\nset txtAspire 2~0~y+1\nclick cmdAspire\ndump out\n", 1, "line 6: Invalid Base Year!",
       nullptr},
  };
  for (const auto& c : cases) {
    const auto r = RunArgs({"play", dir.Write("case.qs", c.script)});
    EXPECT_EQ(r.status, c.status) << c.script << r.err;
    EXPECT_NE(("\n" + r.err).find("\n" + c.message + "\n"), std::string::npos) << c.script << r.err;
    if (c.notMade) {
      EXPECT_FALSE(std::filesystem::exists(dir.File(c.notMade))) << c.script;
    }
  }
  // A folder is named as one, not as a missing script.
  const auto folder = RunArgs({"play", dir.File("")});
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("is a folder, not a script"), std::string::npos) << folder.err;
}

// With -v each question says which answer line it took.
TEST_F(Cli, PlayVerboseTellsWhichQuestionTookWhichAnswer) {
  dir.Write("m.csv", "Year,y,x\n2001,10,4\n2002,12,6\n2003,13,6\n");
  dir.Write("m_NOR_BMAT.CSV", ",y,x\ny,0,0.5\n");
  dir.Write("f.csv", "Year,x\n2004,8\n");
  const std::string script = dir.Write("v.qs",
                                       "set txtData(0) m.csv\nanswer 1\nclick cmdRunAll\n"
                                       "answer frmForecast set txtData(0) f.csv\nanswer frmForecast click OKButton\n"
                                       "click cmdForecast\n");
  const auto r = RunArgs({"play", script, "-v"});
  for (const char* took :
       {"line 3: \u201cEnter number of Endogenous Variables:\u201d took line 2: answer 1\n",
        "line 6: \u201cForecast Options\u201d (frmForecast) took line 4: answer frmForecast set txtData(0) ",
        "line 6: \u201cForecast Options\u201d (frmForecast) took line 5: answer frmForecast click OKButton\n"}) {
    EXPECT_NE(r.err.find(took), std::string::npos) << took << r.err;
  }
  EXPECT_EQ(RunArgs({"play", script}).err.find("took line"), std::string::npos);
}

#ifdef QUANTORIAL_CLI
// A chart picture drawn without a session (no XDG_RUNTIME_DIR, no display) leaves standard
// error to the script's own messages.
TEST_F(Cli, PlayDrawsPicturesWithoutQtNoise) {
  dir.Write("m.csv", "Year,y,x\n2001,10,4\n2002,12,6\n2003,13,6\n");
  dir.Write("m_NOR_BMAT.CSV", ",y,x\ny,0,0.5\n");
  const std::string script = dir.Write("p.qs", "set txtData(0) m.csv\nanswer 1\nclick cmdRunAll\nchart c.png\n");
  const std::string command = std::string("env -u XDG_RUNTIME_DIR -u DISPLAY -u WAYLAND_DISPLAY ") + QUANTORIAL_CLI +
                              " play '" + script + "' 2>'" + dir.File("err.txt") + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << TempDir::Read(dir.File("err.txt"));
  EXPECT_EQ(TempDir::Read(dir.File("err.txt")), "");
  EXPECT_EQ(TempDir::Read(dir.File("c.png")).substr(1, 3), "PNG");
}
#endif

TEST_F(Cli, OutputFileIsWrittenWhole) {
  const std::string out = dir.Write("out.csv", "old content\n");
  auto r = RunArgs({"matrix", "identity", "3", "-o", out});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(TempDir::Read(out), "1,0,0\n0,1,0\n0,0,1\n");
  r = RunArgs({"load", a, "--output=" + out});
  EXPECT_EQ(TempDir::Read(out), ",\"p\",\"q\"\n\"x\",4,7\n\"y\",2,6\n");
  // A failed command leaves the earlier output alone.
  r = RunArgs({"matrix", "add", a, three, "-o", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(TempDir::Read(out), ",\"p\",\"q\"\n\"x\",4,7\n\"y\",2,6\n");
  r = RunArgs({"load", a, "-o", dir.File("missing/folder/out.csv")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos);
  // The null device takes a result (nothing is made for it) and stays the null device.
  for (const auto& args : std::vector<std::vector<std::string>>{{"load", a, "-o", "/dev/null"},
                                                                {"matrix", "invert", a, "-o", "/dev/null"}}) {
    r = RunArgs(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
  }
  // A bad input is still an error with the null device as the output.
  EXPECT_EQ(RunArgs({"load", dir.File("none.csv"), "-o", "/dev/null"}).status, 1);
}

TEST_F(Cli, UnreadableInputs) {
  auto r = RunArgs({"load", dir.File("none.csv")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quantorial-cli: cannot read \"" + dir.File("none.csv") + "\": no such file\n");
  r = RunArgs({"matrix", "invert", dir.File("none.csv")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  const std::string broken = dir.Write("broken.csv", "a,\"b\n1,2\n");
  r = RunArgs({"load", broken});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Cannot read the data file \"" + broken + "\": line 1: a quoted field is not closed\n");
  r = RunArgs({"matrix", "transpose", broken});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
}

TEST_F(Cli, UsageErrors) {
  for (std::vector<std::string> args : {std::vector<std::string>{},
                                        {"frobnicate"},
                                        {"matrix"},
                                        {"matrix", "cube", a},
                                        {"matrix", "add", a},
                                        {"matrix", "invert", a, b},
                                        {"load"},
                                        {"load", a, "-o"},
                                        {"load", a, "--colour"},
                                        {"lp"},
                                        {"lp", "run", a},
                                        {"lp", "solve"},
                                        {"lp", "solve", a, "--time-limit", "0"},
                                        {"lp", "solve", a, "--time-limit", "soon"}}) {
    const auto r = RunArgs(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Usage: quantorial-cli"), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
  const auto help = RunArgs({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, CliUsage());
}

// An option of another command is refused by name before anything runs or is written.
TEST_F(Cli, EachCommandTakesOnlyItsOwnOptions) {
  const std::string data = dir.Write("m.csv", "Year,y,x\n2001,10,4\n2002,12,6\n2003,13,6\n");
  dir.Write("m_NOR_BMAT.CSV", ",y,x\ny,0,0.5\n");
  const std::string script = dir.Write("s.qs", "set txtData(0) m.csv\n");
  const std::string made = dir.File("made");
  struct Case {
    std::vector<std::string> args;
    const char* option;
  } cases[] = {
      {{"load", a, "--endo", "4"}, "--endo"},
      {{"load", a, "--png", made}, "--png"},
      {{"load", a, "--store", made}, "--store"},
      {{"matrix", "transpose", a, "--forecast", "nothing"}, "--forecast"},
      {{"matrix", "identity", "2", "--dump", made}, "--dump"},
      {{"regress", data, "--dump", made}, "--dump"},
      {{"regress", data, "-o", made}, "-o"},
      {{"regress", data, "--endo", "3"}, "--endo"},
      {{"change", data, "--out-dir", made, "--method", "lag"}, "--method"},
      {{"export", a, "--out", made, "--policy"}, "--policy"},
      {{"run", data, "--endo", "1", "--dump", made, "--output=" + made + ".csv"}, "--output"},
      {{"run", data, "--endo", "1", "--dump", made, "--sig", "1"}, "--sig"},
      {{"play", script, "--chart", "1"}, "--chart"},
      {{"play", script, "-o", made}, "-o"},
      {{"settings", "get", "A", "B", "--dump", made}, "--dump"},
      {{"settings", "set", "A", "B", "c", "-v"}, "-v"},
      {{"lp", "solve", a, "--endo", "3"}, "--endo"},
      {{"load", a, "--ranges"}, "--ranges"},
      {{"run", data, "--endo", "1", "--dump", made, "--report", made}, "--report"},
  };
  for (const auto& c : cases) {
    const auto r = RunArgs(c.args);
    const std::string what = c.args[0] + " " + c.option;
    EXPECT_EQ(r.status, 2) << what << ": " << r.err;
    EXPECT_EQ(r.err.rfind("quantorial-cli: " + c.args[0] + " does not take the option " + c.option + "\n", 0), 0u)
        << what << ": " << r.err;
    EXPECT_EQ(r.out, "") << what;
  }
  EXPECT_FALSE(std::filesystem::exists(made));
  EXPECT_FALSE(std::filesystem::exists(dir.File("m_NOR_AMAT.CSV")));  // regress did not run
}

// Each command's options are read by its own table: the usage errors name the option as typed,
// help and the version are answered whatever the command.
TEST_F(Cli, OptionTablesPerCommand) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* said;  // the start of standard error (after the program's name), or of standard output
  } cases[] = {
      {{"--colour"}, 2, "unknown option --colour\n"},
      {{"frobnicate", "--colour"}, 2, "unknown option --colour\n"},
      {{"load", a, "-o"}, 2, "option -o needs a file name\n"},
      {{"load", a, "--output"}, 2, "option --output needs a file name\n"},
      {{"regress", a, "--method"}, 2, "option --method needs a value\n"},
      {{"run", a, "--policy=1"}, 2, "option --policy takes no value\n"},
      {{"export", a, "--sig", "1"}, 2, "export does not take the option --sig\n"},
      {{"run", "--help"}, 0, "Usage: quantorial-cli"},
      {{"-h"}, 0, "Usage: quantorial-cli"},
      {{"matrix", "--version"}, 0, "quantorial-cli "},
  };
  for (const auto& c : cases) {
    const auto r = RunArgs(c.args);
    EXPECT_EQ(r.status, c.status) << c.said;
    if (c.status == 2) {
      EXPECT_EQ(r.err.rfind(std::string("quantorial-cli: ") + c.said, 0), 0u) << r.err;
    } else {
      EXPECT_EQ(r.out.rfind(c.said, 0), 0u) << r.out;
    }
  }
  // A value may follow its option after "=".
  const auto r = RunArgs({"load", a, "--output=" + dir.File("o.csv")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(TempDir::Read(dir.File("o.csv")), ",\"p\",\"q\"\n\"x\",4,7\n\"y\",2,6\n");
}

TEST_F(Cli, LoadReadsWorkbooks) {
  const std::string fixtures = QUANTORIAL_FIXTURES;
  for (const char* name : {"workbook.xlsx", "workbook.ods", "workbook.xls"}) {
    const auto r = RunArgs({"load", fixtures + "/" + name});
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "\"Name\",\"Value\",\"Flag\",\"When\",\"Twice\",\"Label\"\n")
        << name;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5) << name;  // one text cell holds a line break
  }
}

// -o with a .dta or .gdt name writes that program's data file, which loads back as the
// same sheet; what the format cannot hold is refused and nothing is written.
TEST_F(Cli, LoadWritesStataAndGretlDataFiles) {
  const std::string data = dir.Write("k.csv", "Year,C,P\n1920,39.8,12.7\n1921,41.9,\n1922,45,16.9\n");
  const std::string dump = RunArgs({"load", data}).out;
  for (const char* name : {"k.dta", "k.gdt", "K.DTA"}) {
    const std::string out = dir.File(name);
    auto r = RunArgs({"load", data, "-o", out});
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    r = RunArgs({"load", out});
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    // gretl has no name for the label column.
    EXPECT_EQ(r.out, std::string(name) == "k.gdt" ? "\"obs\"" + dump.substr(6) : dump) << name;
  }
  const std::string text = dir.Write("t.csv", ",x\n1,2\n2,two\n");
  const std::string out = dir.File("t.gdt");
  const auto r = RunArgs({"load", text, "-o", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quantorial-cli: cannot write \"" + out +
                       "\": cell B3 holds the text \"two\"; a gretl data file holds numbers only\n");
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(Cli, SettingsGetAndSet) {
  const std::string store = dir.File("store");
  EXPECT_EQ(RunArgs({"settings", "get", "TORVIK", "LastTrendFile", "--store", store}).out, "\n");
  EXPECT_EQ(RunArgs({"settings", "get", "TORVIK", "LastTrendFile", "--default", "none", "--store", store}).out,
            "none\n");
  auto r = RunArgs({"settings", "set", "TORVIK", "LastTrendFile", "/d/klein.csv", "--store", store});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(RunArgs({"settings", "get", " TORVIK ", "LastTrendFile", "--store", store}).out, "/d/klein.csv\n");
  // A store that cannot be read is an error, not a silent default.
  const std::string bad = dir.File("bad");
  std::filesystem::create_directory(bad);
  dir.Write("bad/gdsystem.mdx", "not a database");
  r = RunArgs({"settings", "get", "A", "B", "--default", "x", "--store", bad});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not a settings database"), std::string::npos);
  EXPECT_EQ(RunArgs({"settings", "set", "A", "B", "c", "--store", bad}).status, 1);
  EXPECT_EQ(RunArgs({"settings", "get", "A"}).status, 2);
  EXPECT_EQ(RunArgs({"settings", "set", "A", "B", "c", "--default", "d"}).status, 2);
}

TEST_F(Cli, RunWritesEveryFilledMatrix) {
  const std::string data = dir.Write("m.csv", "Year,y,x\n2001,10,4\n2002,12,6\n2003,13,6\n");
  dir.Write("m_NOR_BMAT.CSV", ",y,x\ny,0,0.5\n");
  const std::string forecast = dir.Write("f.csv", "Year,x\n2004,8\n2005,8\n");
  const std::string out = dir.File("out");
  auto r = RunArgs({"run", data, "--endo", "1", "--shift", "0", "--forecast", forecast, "--dump", out});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(TempDir::Read(out + "/mCalculated.csv"), "\"Year\",\"y\"\n2001,\n2002,11\n2003,12\n");
  EXPECT_EQ(TempDir::Read(out + "/mForecast.csv"), "\"Year\",\"y\"\n2001,\n2002,11\n2003,12\n2004,13\n2005,13\n");
  EXPECT_EQ(TempDir::Read(out + "/mImpact.csv"), ",\"x(t)\"\n\"y\",0.5\n");
  EXPECT_EQ(TempDir::Read(out + "/mEndo.csv"), ",\"y\"\n\"y\",1\n");
  EXPECT_TRUE(std::filesystem::exists(out + "/mObserved.csv"));
  EXPECT_FALSE(std::filesystem::exists(out + "/mReciprocal.csv"));  // never filled by this run
  // With the verbose flag the stages say what they do.
  r = RunArgs({"run", data, "--endo", "1", "--dump", out, "-v"});
  EXPECT_NE(r.err.find("Running All Stages. This may take sometime..."), std::string::npos);
}

TEST_F(Cli, RunDrawsTheChartOfASeries) {
  const std::string data = dir.Write("m.csv", "Year,y,x\n2001,10,4\n2002,12,6\n2003,13,6\n");
  dir.Write("m_NOR_BMAT.CSV", ",y,x\ny,0,0.5\n");
  const std::string json = dir.File("chart.json");
  auto r = RunArgs(
      {"run", data, "--endo", "1", "--shift", "0", "--dump", dir.File("out"), "--chart", "y", "--chart-json", json});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(TempDir::Read(json),
            "{\"title\":\"Y CHART\",\"xTitle\":\"Time\",\"yTitle\":\"y\",\"series\":["
            "{\"label\":\"Actual y\",\"points\":[[\"2001\",10.0],[\"2002\",12.0],[\"2003\",13.0]]},"
            "{\"label\":\"Predicted y\",\"points\":[[\"2001\",null],[\"2002\",11.0],[\"2003\",12.0]]}]}\n");
  r = RunArgs({"run", data, "--endo", "1", "--dump", dir.File("out"), "--chart", "7"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("there is no series \"7\"; the series are: 1=y"), std::string::npos);
  EXPECT_EQ(RunArgs({"run", data, "--endo", "1", "--dump", dir.File("out"), "--png", "x.png"}).status, 2);
  // A picture's ending is its kind: another one is refused before the run.
  for (const auto& [option, file] : {std::pair{"--png", "x.bmp"}, std::pair{"--svg", "x.png"}}) {
    r = RunArgs({"run", data, "--endo", "1", "--dump", dir.File("bad"), "--chart", "1", option, dir.File(file)});
    EXPECT_EQ(r.status, 2) << option;
    EXPECT_NE(r.err.find(std::string(option) + " takes a file ending in"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File(file))) << option;
  }
#ifdef QUANTORIAL_HAVE_CHART_RENDER
  const std::string png = dir.File("chart.png"), svg = dir.File("chart.svg");
  r = RunArgs({"run", data, "--endo", "1", "--dump", dir.File("out"), "--chart", "1", "--png", png, "--svg", svg});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(TempDir::Read(png).substr(1, 3), "PNG");
  EXPECT_NE(TempDir::Read(svg).find("<svg"), std::string::npos);
  EXPECT_NE(TempDir::Read(svg).find("Y CHART"), std::string::npos);
  // The picture is drawn by a program of its own; without it the run says so, and fails.
  const std::string missing = dir.File("no-chart-program");
  ::setenv("QUANTORIAL_CHART_PROGRAM", missing.c_str(), 1);
  r = RunArgs({"run", data, "--endo", "1", "--dump", dir.File("out2"), "--chart", "1", "--png", dir.File("c2.png")});
  ::setenv("QUANTORIAL_CHART_PROGRAM", QUANTORIAL_CHART, 1);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot start the chart program \"" + missing + "\""), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("c2.png")));
#endif
}

TEST_F(Cli, RunOptionsAndErrors) {
  const std::string data = dir.Write("d.csv", "Year,y,a,b\n2001,10,1,5\n2002,12,2,7\n");
  const std::string bmat = dir.Write("model.csv", ",y,a,b\ny,0,1,2\n");
  const std::string out = dir.File("o");
  auto r = RunArgs({"run", data, "--endo", "1", "--dump", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no B-matrix"), std::string::npos);
  r = RunArgs({"run", data, "--bmat", bmat, "--endo", "1", "--impact", "b", "--change-symbol", "D", "--dump", out});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(TempDir::Read(out + "/mCustomExo.csv"), ",\"Db(t)\"\n\"Dy\",2\n");
  EXPECT_EQ(TempDir::Read(out + "/mTrendExo.csv"), "\"Year\",\"b\"\n2001,5\n2002,7\n");
  r = RunArgs({"run", data, "--bmat", bmat, "--endo", "1", "--impact", "c", "--dump", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\"c\" is not an exogenous variable of the model; they are: a b"), std::string::npos);
  for (std::vector<std::string> args : {std::vector<std::string>{"run", data, "--dump", out},
                                        {"run", data, "--endo", "0", "--dump", out},
                                        {"run", data, "--endo", "1"},
                                        {"run", data, "--endo", "1", "--dump", out, "--split-quadrant", "5"},
                                        {"run", data, "--endo", "1", "--dump", out, "--forecast-years", "1:2"}}) {
    EXPECT_EQ(RunArgs(args).status, 2);
  }
  EXPECT_EQ(RunArgs({"run", dir.File("none.csv"), "--endo", "1", "--dump", out}).status, 1);
}

TEST_F(Cli, ExportWritesAFormattedWorkbook) {
  const std::string format = dir.Write("f.txt", "select A1:C1\nbold 1\n");
  auto r = RunArgs({"export", a, "--out", dir.File("book"), "--sheet", "Model", "--format", format, "--top", "2"});
  EXPECT_EQ(r.status, 0) << r.err;
  r = RunArgs({"load", dir.File("book.xlsx")});
  EXPECT_EQ(r.out, ",\"p\",\"q\"\n\"x\",4,7\n\"y\",2,6\n");
  EXPECT_EQ(RunArgs({"export", a}).status, 2);
  EXPECT_EQ(RunArgs({"export", a, "--out", dir.File("b2"), "--top", "0"}).status, 2);
  EXPECT_EQ(RunArgs({"export", a, "--out", dir.File("b3"), "--format", dir.File("missing.txt")}).status, 1);
  EXPECT_EQ(RunArgs({"export", a, "--out", dir.File("no/such/folder/b")}).status, 1);
}

TEST_F(Cli, VerboseShowsStatusTexts) {
  const auto r = RunArgs({"-v", "matrix", "invert", a});
  EXPECT_EQ(r.err, "Inverting Matrix\nMatrix operation completed...see results below.\n");
}

TEST_F(Cli, RegressWritesTheThreeFilesBesideTheData) {
  const std::string data = dir.Write("gdp.csv", "Year,GDP,INV\n1,2,1\n2,4,2\n3,6,3\n4,8,4\n5,10,5\n");
  auto r = RunArgs({"regress", data});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir.File("gdp_NOR_BMAT.CSV") + "\n");
  EXPECT_EQ(TempDir::Read(dir.File("gdp_NOR_BMAT.CSV")), ",GDP,INV,\r\nGDP, 1 , 1 ,\r\nINV, 1 , 1 ,\r\n");
  EXPECT_NE(TempDir::Read(dir.File("gdp_REG_NOR.CSV")).find("REGRESSION OF GDP ON INV\r\n"), std::string::npos);
  r = RunArgs({"regress", data, "--method", "lag", "--sig", "1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir.File("gdp_LAG_BMAT.CSV") + "\n");
  for (std::vector<std::string> args : {std::vector<std::string>{"regress"},
                                        {"regress", data, "--method", "sideways"},
                                        {"regress", data, "--sig", "10"}}) {
    EXPECT_EQ(RunArgs(args).status, 2);
  }
  EXPECT_EQ(RunArgs({"regress", dir.File("none.csv")}).status, 1);
  r = RunArgs({"regress", dir.Write("empty.csv", "")});
  EXPECT_EQ(r.status, 1);
}

// Each file that cannot be written is named on a line of its own.
TEST_F(Cli, RegressNamesEachUnwritableFileOnItsOwnLine) {
  const std::string data = dir.Write("gdp.csv", "Year,GDP,INV\n1,2,1\n2,4,2\n3,6,3\n4,8,4\n5,10,5\n");
  for (const char* taken : {"gdp_REG_NOR.CSV", "gdp_NOR_AMAT.CSV"}) std::filesystem::create_directory(dir.File(taken));
  const auto r = RunArgs({"regress", data});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  std::istringstream lines(r.err);
  std::vector<std::string> failed;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("cannot write") != std::string::npos) failed.push_back(line);
  }
  ASSERT_EQ(failed.size(), 2u) << r.err;
  EXPECT_EQ(failed[0].rfind("cannot write \"" + dir.File("gdp_REG_NOR.CSV") + "\": ", 0), 0u) << r.err;
  EXPECT_EQ(failed[1].rfind("cannot write \"" + dir.File("gdp_NOR_AMAT.CSV") + "\": ", 0), 0u) << r.err;
}

TEST_F(Cli, ChangeWritesTheChangesAndTheirRegression) {
  const std::string data = dir.Write("lv.csv", "Year,a,b\n2001,10,1\n2002,13,3\n2003,15,4\n2004,20,7\n");
  const std::string outDir = dir.File("changes");
  const auto r = RunArgs({"change", data, "--out-dir", outDir});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string changed = TempDir::Read(outDir + "/mChangeData.csv");
  EXPECT_NE(changed.find("2002,3,2"), std::string::npos) << changed;
  EXPECT_NE(changed.find("2004,5,3"), std::string::npos) << changed;
  EXPECT_EQ(r.out.rfind(outDir, 0), 0u) << r.out;
  EXPECT_NE(r.out.find("BMAT.CSV"), std::string::npos);
  EXPECT_EQ(RunArgs({"change", data}).status, 2);
}

// Data that cannot be regressed fail change and regress with the reason on standard error and
// nothing on standard output, whatever the reason is.
TEST_F(Cli, ChangeAndRegressTellWhyTheDataFail) {
  const struct {
    const char* name;
    const char* content;
    const char* reason;
  } cases[] = {
      {"empty.csv", "", "the file is empty"},
      {"names.csv", "a,b\n", "holds no series to work on"},
  };
  for (const auto& c : cases) {
    const std::string data = dir.Write(c.name, c.content);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"change", data, "--out-dir", dir.File("changed")},
          std::vector<std::string>{"regress", data}, std::vector<std::string>{"regress", data, "--method", "lag"}}) {
      SCOPED_TRACE(args[0] + " " + c.name);
      const auto r = RunArgs(args);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.out, "");
      EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
  }
}

// lp solve: the report on standard output or in --report, the JSON with -o, and exit 1 with
// the report still written when the model has no optimum.
TEST_F(Cli, LpSolveReportsAndWritesJson) {
  const std::string textbook = dir.Write(
      "t.lp",
      "Maximize\n obj: x1 + 9 x2 + x3\nSubject To\n c1: x1 + 2 x2 + 3 x3 <= 9\n c2: 3 x1 + 2 x2 + 2 x3 <= 15\nEnd\n");
  const std::string parity = testing::ParityModel("p");
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* out;   // in standard output (or the report file when the case names one)
    const char* json;  // in the JSON file, when -o is given
    const char* err;
  } cases[] = {
      {{"lp", "solve", textbook, "--ranges"},
       0,
       "c1            9    0    15   4.5                 0               67.5",
       "",
       ""},
      {{"lp", "solve", textbook}, 0, "Objective: 40.5\n", "", ""},
      // Without --ranges no range is computed: the JSON has none.
      {{"lp", "solve", textbook, "-o", dir.File("o.json")}, 0, "Objective: 40.5\n", "\"cost_range\": null", ""},
      {{"lp", "solve", dir.Write("unb.lp", "Maximize\n obj: x + y\nSubject To\n a: x - y <= 1\nEnd\n")},
       1,
       "Status:    unbounded",
       "",
       "has no optimum: unbounded"},
      {{"lp", "solve", textbook, "--ranges", "--report", dir.File("r.txt"), "-o", dir.File("o.json")},
       0,
       "Right-hand side ranges",
       "\"rhs_range\": [9, null]",
       ""},
      {{"lp", "solve", dir.Write("table.csv", ",x,y,rel,rhs\ntype,int,,,\nlabour,2,2,<=,5\n"), "-o",
        dir.File("o.json")},
       0,
       "Status:    integer optimal",
       "\"status\": \"integer optimal\"",
       ""},
      {{"lp", "solve", dir.Write("inf.lp", "Maximize\n obj: x\nSubject To\n a: x <= 1\n b: x >= 2\nEnd\n"), "-o",
        dir.File("o.json")},
       1,
       "Status:    infeasible",
       "\"objective\": null",
       "has no optimum: infeasible"},
      {{"lp", "solve", dir.Write("p.lp", parity), "--time-limit", "0.2", "-o", dir.File("o.json")},
       1,
       "Status:    time limit",
       "\"status\": \"time limit\"",
       "has no optimum: time limit"},
      {{"lp", "solve", dir.Write("bad.lp", "Maximize\n obj: x +\nSubject To\n c: x <= 1\nEnd\n")},
       1,
       "",
       "",
       "bad.lp\", line 3: "},
      {{"lp", "solve", dir.Write("bad.csv", ",x,rel,rhs\nc,1,<=,many\n")}, 1, "", "", "is not a number"},
      {{"lp", "solve", dir.File("none.mps")}, 1, "", "", "no such file"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(dir.File("o.json"));
    std::filesystem::remove(dir.File("r.txt"));
    const auto r = RunArgs(c.args);
    const std::string what = c.args[2];
    EXPECT_EQ(r.status, c.status) << what << ": " << r.err;
    const bool toFile = std::find(c.args.begin(), c.args.end(), "--report") != c.args.end();
    const std::string report = toFile ? TempDir::Read(dir.File("r.txt")) : r.out;
    if (toFile) {
      EXPECT_EQ(r.out, "") << what;
    }
    EXPECT_NE(report.find(c.out), std::string::npos) << what << ":\n" << report;
    if (*c.json) {
      EXPECT_NE(TempDir::Read(dir.File("o.json")).find(c.json), std::string::npos) << what;
    }
    if (*c.err) {
      EXPECT_NE(r.err.find(c.err), std::string::npos) << what << ": " << r.err;
    } else {
      EXPECT_EQ(r.err, "") << what;
    }
  }
}

}  // namespace
}  // namespace quantorial
