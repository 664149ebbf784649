// The bytes the model subcommands leave behind (run, regress, change): every file they write,
// their standard output and standard error, compared whole with snapshots under
// tests/cli/expected/. The snapshots were made by the binary before these subcommands were
// rebuilt on the command table, so any changed byte is a change of behaviour. Setting
// QUANTORIAL_WRITE_EXPECTED=1 rewrites them (only when a change is meant).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "TempDir.h"
#include "cli/Cli.h"

namespace quantorial {
namespace {

using testing::TempDir;

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
  return s;
}

// One text holding the exit status, both streams and every file under the folder but the
// samples it started with, each file by its path in the folder; the folder's own path reads @DIR@.
// Workbooks are named, not compared.
std::string Snapshot(const TempDir& dir, int status, const std::string& out, const std::string& err) {
  const std::string root = dir.path().string();
  std::ostringstream s;
  s << "== status " << status << "\n== stdout\n"
    << Replace(out, root, "@DIR@") << "== stderr\n"
    << Replace(err, root, "@DIR@");
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
    if (!e.is_regular_file()) continue;
    const std::string rel = std::filesystem::relative(e.path(), dir.path()).generic_string();
    if (rel.find('/') == std::string::npos &&
        std::filesystem::exists(std::string(QUANTORIAL_SAMPLES_DIR) + "/" + rel)) {
      continue;  // a sample copied in
    }
    // A workbook carries the time it was made: only that it was written is compared.
    files[rel] = e.path().extension() == ".xlsx" ? std::string("(a workbook)\n")
                                                 : Replace(TempDir::Read(e.path().string()), root, "@DIR@");
  }
  for (const auto& [name, bytes] : files) s << "== file " << name << " (" << bytes.size() << " bytes)\n" << bytes;
  return s.str();
}

void ExpectSnapshot(const std::string& name, const std::string& got) {
  const std::string path = std::string(QUANTORIAL_CLI_EXPECTED) + "/" + name + ".txt";
  if (const char* w = std::getenv("QUANTORIAL_WRITE_EXPECTED"); w && std::string(w) == "1") {
    std::ofstream(path, std::ios::binary) << got;
    return;
  }
  ASSERT_TRUE(std::filesystem::exists(path)) << path;
  EXPECT_EQ(TempDir::Read(path), got) << "the output of " << name << " changed";
}

struct Case {
  const char* name;
  std::vector<std::string> args;  // "@DIR@/" stands for the folder holding the samples
};

TEST(CliBytes, ModelSubcommandsLeaveTheSameBytes) {
  const Case cases[] = {
      {"run-klein",
       {"run", "@DIR@/klein.csv", "--endo", "4", "--impact", "G,T", "--forecast", "@DIR@/klein_forecast.csv", "--chart",
        "C", "--chart-json", "@DIR@/chart.json", "--dump", "@DIR@/out"}},
      {"run-klein-options",
       {"run",
        "@DIR@/klein.csv",
        "--endo",
        "4",
        "--bmat",
        "@DIR@/klein_NOR_BMAT.CSV",
        "--policy",
        "--reuse",
        "--change-symbol",
        "D",
        "--shift",
        "0",
        "--impact",
        "Wg",
        "--forecast",
        "@DIR@/klein_forecast.csv",
        "--forecast-years",
        "1941:1943",
        "--chart",
        "2",
        "--chart-json",
        "@DIR@/chart.json",
        "--dump",
        "@DIR@/out",
        "-v"}},
      {"run-klein-quadrant", {"run", "@DIR@/klein.csv", "--endo", "4", "--split-quadrant", "2", "--dump", "@DIR@/out"}},
      {"run-klein-bad-impact", {"run", "@DIR@/klein.csv", "--endo", "4", "--impact", "C", "--dump", "@DIR@/out"}},
      {"run-klein-bad-series", {"run", "@DIR@/klein.csv", "--endo", "4", "--chart", "Q", "--dump", "@DIR@/out"}},
      {"regress-normal", {"regress", "@DIR@/klein.csv"}},
      {"regress-lead", {"regress", "@DIR@/klein.csv", "--method", "lead"}},
      {"regress-lag", {"regress", "@DIR@/klein.csv", "--method", "lag", "--sig", "1"}},
      {"regress-constant", {"regress", "@DIR@/klein.csv", "--method", "constant", "-v"}},
      {"change", {"change", "@DIR@/klein.csv", "--out-dir", "@DIR@/changed"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    for (const char* f : {"klein.csv", "klein_NOR_BMAT.CSV", "klein_forecast.csv"}) {
      std::filesystem::copy_file(std::string(QUANTORIAL_SAMPLES_DIR) + "/" + f, dir.File(f));
    }
    std::vector<std::string> args;
    for (const auto& a : c.args) args.push_back(Replace(a, "@DIR@", dir.path().string()));
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    ExpectSnapshot(c.name, Snapshot(dir, status, out.str(), err.str()));
  }
}

}  // namespace
}  // namespace quantorial
