// The "Input-Output" menu: the Leontief toolkit on the loaded B-matrix or a flow table, RAS
// balancing and the plan as a linear programme. The computations are the input-output
// module's; this layer loads the files, keeps the table between commands, fills the slots
// 37 to 42 and shows them.

#include "workbench/InputOutputCommands.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <sstream>

#include "inputoutput/IoMatrices.h"
#include "inputoutput/IoPlan.h"
#include "inputoutput/Ras.h"
#include "matrix/MatrixFunctions.h"
#include "workbench/Workbench.h"

namespace quantorial {
namespace {

constexpr std::array<IoMenuEntry, 8> kEntries = {{
    {IoMenuItem::AnalyseBMat, "mnuIoBMat", "Analyse the &B-Matrix"},
    {IoMenuItem::AnalyseFlows, "mnuIoFlows", "Analyse a &Flow Table..."},
    {IoMenuItem::Households, "mnuIoHouseholds", "Close &Households..."},
    {IoMenuItem::Demand, "mnuIoDemand", "Outputs for a Final &Demand..."},
    {IoMenuItem::Supply, "mnuIoSupply", "&Supply-Driven Outputs..."},
    {IoMenuItem::LinkageChart, "mnuIoLinkages", "&Linkage Chart"},
    {IoMenuItem::Plan, "mnuIoPlan", "&Plan with Inequalities..."},
    {IoMenuItem::Ras, "mnuIoRas", "&RAS Balancing..."},
}};

constexpr const char* kTitle = "Input-Output";

}  // namespace

std::span<const IoMenuEntry> InputOutputMenuEntries() { return kEntries; }

ChartDescription LinkageChart(const IoTable& t, const IoAnalysis& a) {
  ChartDescription c;
  const std::size_t n = std::min({t.sectors.size(), a.backward.size(), a.forward.size()});
  // A chart of many sectors shows those with the strongest linkages (backward plus forward),
  // in the table's order.
  std::vector<std::size_t> shown(n);
  for (std::size_t i = 0; i < n; ++i) shown[i] = i;
  if (n > kLinkageChartSectors) {
    std::partial_sort(
        shown.begin(), shown.begin() + kLinkageChartSectors, shown.end(),
        [&a](std::size_t p, std::size_t q) { return a.backward[p] + a.forward[p] > a.backward[q] + a.forward[q]; });
    shown.resize(kLinkageChartSectors);
    std::sort(shown.begin(), shown.end());
  }
  c.title = n > kLinkageChartSectors ? "Backward and Forward Linkages of the " + std::to_string(shown.size()) + " of " +
                                           std::to_string(n) + " Sectors Linked Most (* key sector)"
                                     : "Backward and Forward Linkages (* key sector)";
  c.xTitle = "Sector";
  c.yTitle = "Linkage (average = 1)";
  c.bars = true;
  ChartSeries backward{"Backward linkage", {}, false}, forward{"Forward linkage", {}, false};
  for (std::size_t i : shown) {
    const bool key = a.backward[i] > 1.0 && a.forward[i] > 1.0;
    c.rowLabels.push_back(t.sectors[i] + (key ? " *" : ""));
    backward.values.emplace_back(a.backward[i]);
    forward.values.emplace_back(a.forward[i]);
  }
  c.series = {backward, forward};
  return c;
}

void Workbench::RunInputOutputMenu(IoMenuItem item) {
  if (!io_) io_ = std::make_shared<InputOutputSession>();
  InputOutputSession& s = *io_;
  // What stops a command is its failure; a file dialog or a question declined cancels it.
  const auto warn = [this](const std::string& text) { Fail(text, vbExclamation, std::string(kTitle)); };
  const auto load = [this](const std::string& title, std::string& name) {
    const auto path = ChooseDataFile(title);
    if (!path) {
      Cancelled();
      return LabelledMatrix();
    }
    name = *path;
    return ExcelArrayLoad(*path);
  };
  // Reads the session's table and analyses it, filling the slots; false (with a message) when
  // the table does not read or I - A is singular.
  const auto analyse = [this, &s, &warn]() {
    IoReadResult read = ReadIoTable(s.source, s.read, s.sourceName);
    if (!read.error.empty()) {
      warn(read.error + " Nothing was computed.");
      s.ready = false;
      return false;
    }
    s.table = std::move(read.table);
    std::vector<std::string> notices = std::move(read.notices);
    if (s.demand.size() != s.table.sectors.size()) s.demand.clear();
    if (s.supply.size() != s.table.sectors.size()) s.supply.clear();
    IoOptions o;
    o.demand = s.demand;
    o.supply = s.supply;
    host_.HoldOn("Input-output analysis of " + std::to_string(s.table.Sectors()) + " sectors.");
    s.analysis = AnalyseIoTable(s.table, o);
    host_.HoldOn("");
    if (!s.analysis.error.empty()) {
      warn(s.sourceName + ": " + s.analysis.error);
      s.ready = false;
      return false;
    }
    s.ready = true;
    const IoAnalysis& a = s.analysis;
    ws.mIoLeontief = a.leontief.empty() ? LabelledMatrix() : SectorMatrix(s.table.sectors, a.leontief, "L");
    ws.mIoGhosh = a.ghosh.empty() ? LabelledMatrix() : SectorMatrix(s.table.sectors, a.ghosh, "G");
    ws.mIoMultipliers = MultiplierTable(s.table, a);
    std::vector<std::pair<std::string, std::vector<double>>> columns;
    if (!s.demand.empty()) columns.emplace_back("Final demand", s.demand);
    columns.emplace_back("Outputs", a.outputs);
    if (!s.supply.empty()) columns.emplace_back("Primary inputs", s.supply);
    columns.emplace_back("Supply-driven outputs", a.supplyOutputs);
    ws.mIoOutputs = a.outputs.empty() && a.supplyOutputs.empty() ? LabelledMatrix()
                                                                 : SectorColumns(s.table.sectors, columns, "Sector");
    if (ws.mIoLeontief.IsFilled()) host_.Preview(ws.mIoLeontief, 2, "Leontief Inverse");
    host_.Preview(ws.mIoMultipliers, 3, "Multipliers and Linkages");
    if (ws.mIoOutputs.IsFilled()) host_.Preview(ws.mIoOutputs, 1, "Input-Output Outputs");
    notices.insert(notices.end(), a.notices.begin(), a.notices.end());
    ShowNotices(notices);
    return true;
  };
  // A new table (a flow table when the row of its total outputs is named) analysed afresh:
  // only the households' name is kept from the table before.
  const auto analyseNew = [&s, &analyse](LabelledMatrix source, const std::string& name,
                                         const std::optional<std::string>& totalRow) {
    s.source = std::move(source);
    s.sourceName = name;
    IoReadOptions read;
    read.households = s.read.households;
    read.householdColumn = s.read.householdColumn;
    read.flows = totalRow.has_value();
    if (totalRow) read.totalRow = *totalRow;
    s.read = std::move(read);
    s.demand.clear();
    s.supply.clear();
    analyse();
  };
  // The commands that work on the table analysed last.
  const auto needTable = [&s, &warn]() {
    if (s.ready) return true;
    warn("Analyse a table first: \"Analyse the B-Matrix\" or \"Analyse a Flow Table...\".");
    return false;
  };

  switch (item) {
    case IoMenuItem::AnalyseBMat: {
      if (!ws.mBMat.IsFilled()) {
        warn(
            "The input-output analysis reads the B-matrix: load one first (Select Secondary Data File), the sectors' "
            "input coefficients with one row per primary input beneath them. Nothing was computed.");
        return;
      }
      analyseNew(ws.mBMat, "The B-matrix", std::nullopt);
      return;
    }
    case IoMenuItem::AnalyseFlows: {
      std::string name;
      LabelledMatrix m = load("Select an Input-Output Flow Table", name);
      if (!m.IsFilled()) return;
      const std::string last = CellText(m.Get(m.UpperRow(), 0));
      const auto row = host_.InputBox("The row of total outputs:", kTitle, last);
      if (!row || row->empty()) return Cancelled();
      analyseNew(std::move(m), name, *row);
      return;
    }
    case IoMenuItem::Households: {
      if (!needTable()) return;
      const auto name = host_.InputBox(
          "The households' row and column, to close them into the table for the type-II multipliers: their name, "
          "or ROW,COLUMN when the two are named apart (empty: open the table again):",
          kTitle, HouseholdsText(s.read));
      if (!name) return Cancelled();
      const IoReadOptions before = s.read;
      SetHouseholds(s.read, *name);
      if (!analyse()) {
        s.read = before;
        analyse();
      }
      return;
    }
    case IoMenuItem::Demand:
    case IoMenuItem::Supply: {
      if (!needTable()) return;
      const bool demand = item == IoMenuItem::Demand;
      std::string name;
      const LabelledMatrix m =
          load(demand ? "Select the Final Demand (sector, value)" : "Select the Primary Inputs (sector, value)", name);
      if (!m.IsFilled()) return;
      LabelledValues v = ReadLabelledValues(m, s.table.sectors, name, demand ? "final demand" : "primary inputs");
      if (!v.error.empty()) return warn(v.error + " Nothing was computed.");
      (demand ? s.demand : s.supply) = std::move(v.values);
      analyse();
      return;
    }
    case IoMenuItem::LinkageChart:
      if (!needTable()) return;
      host_.ShowChart(LinkageChart(s.table, s.analysis), false);
      return;
    case IoMenuItem::Plan: {
      if (!needTable()) return;
      std::string name;
      const LabelledMatrix m = load("Select the Plan (label, relation, value)", name);
      if (!m.IsFilled()) return;
      const IoPlanRead plan = ReadIoPlan(m, s.table, name);
      if (!plan.error.empty()) return warn(plan.error + " Nothing was planned.");
      // The plan is solved as Solve solves an LP: within the window's limits, with progress
      // and Cancel (it has no ranges to show).
      LpSolveOptions options = LpOptions();
      options.ranging = false;
      host_.HoldOn("Solving the Plan");
      const IoPlanResult r = SolveIoPlan(s.table, plan.spec, s.demand, options);
      host_.Progress(std::string(), 0, 0);
      host_.HoldOn("");
      ws.mIoPlan = PlanTable(s.table, r);
      host_.Preview(ws.mIoPlan, 3, "Input-Output Plan");
      if (r.status == "cancelled") return Cancelled();
      if (r.status != "optimal") warn(r.message);
      return;
    }
    case IoMenuItem::Ras: {
      std::string priorName, rowsName, colsName;
      const LabelledMatrix prior = load("Select the Prior Matrix to Balance", priorName);
      if (!prior.IsFilled()) return;
      const NumberBlock b = ReadNumberBlock(prior, priorName);
      if (!b.error.empty()) return warn(b.error + " Nothing was balanced.");
      const LabelledMatrix rows = load("Select the Row Targets (label, value)", rowsName);
      if (!rows.IsFilled()) return;
      const LabelledValues u = ReadLabelledValues(rows, b.rowLabels, rowsName, "row targets");
      if (!u.error.empty()) return warn(u.error + " Nothing was balanced.");
      const LabelledMatrix cols = load("Select the Column Targets (label, value)", colsName);
      if (!cols.IsFilled()) return;
      const LabelledValues v = ReadLabelledValues(cols, b.colLabels, colsName, "column targets");
      if (!v.error.empty()) return warn(v.error + " Nothing was balanced.");
      // The wait window's bar runs with the digits of the gap won towards the tolerance; Cancel
      // stops the balancing. The bar is told at most ten times a second.
      RasOptions o;
      const auto start = std::chrono::steady_clock::now();
      auto told = start - std::chrono::seconds(1);
      double first = 0.0;
      o.progress = [this, &o, &told, &first](int sweeps, double gap) {
        if (sweeps == 1) first = std::max(gap, o.tolerance) * 10.0;
        const auto now = std::chrono::steady_clock::now();
        if (now - told < std::chrono::milliseconds(100)) return true;
        told = now;
        constexpr long long kTotal = 1000;
        const double won = std::log(first / std::max(gap, o.tolerance)) / std::log(first / o.tolerance);
        const long long done = std::clamp(static_cast<long long>(won * kTotal), 1LL, kTotal - 1);
        std::ostringstream text;
        text.precision(2);
        text << "RAS balancing: sweep " << sweeps << ", the largest gap left " << gap;
        return host_.Progress(text.str(), done, kTotal);
      };
      host_.HoldOn("RAS balancing of " + std::to_string(b.rowLabels.size()) + " x " +
                   std::to_string(b.colLabels.size()) + " cells.");
      const RasResult r = BalanceRas(b.values, u.values, v.values, o, b.rowLabels, b.colLabels);
      host_.Progress(std::string(), 0, 0);  // the balancing is over, however it ended
      host_.HoldOn("");
      if (r.cancelled) return Cancelled();
      if (!r.error.empty()) return warn(priorName + ": " + r.error + " Nothing was balanced.");
      ws.mIoRas = NumberMatrix(b.rowLabels, b.colLabels, r.matrix, CellText(prior.Get(0, 0)));
      host_.Preview(ws.mIoRas, 3,
                    std::string(r.generalised ? "GRAS" : "RAS") + " Balanced Matrix: " + std::to_string(r.sweeps) +
                        (r.sweeps == 1 ? " sweep" : " sweeps"));
      return;
    }
  }
}

}  // namespace quantorial
