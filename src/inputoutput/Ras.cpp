#include "inputoutput/Ras.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <sstream>
#include <utility>

namespace quantorial {
namespace {

std::string Number(double v) {
  std::ostringstream s;
  s.precision(12);
  s << v;
  return s.str();
}

// The multiplier that brings a line with positive part p and negative part n (the latter
// already divided by the other side's multipliers) to the target u: r p - n / r = u.
bool Multiplier(double p, double n, double u, double& r) {
  if (p > 0.0) {
    r = (u + std::sqrt(u * u + 4.0 * p * n)) / (2.0 * p);
  } else if (n > 0.0 && u < 0.0) {
    r = -n / u;
  } else {
    return false;
  }
  return std::isfinite(r) && r > 0.0;
}

// The prior's non-zero cells by rows (columns in order), and the same cells by columns (rows
// in order) as indices into the first.
struct Cells {
  std::vector<std::size_t> rowStart;  // m + 1
  std::vector<std::size_t> col;
  std::vector<double> value;
  std::vector<std::size_t> colStart;  // n + 1
  std::vector<std::size_t> byCol;
};

// The rows and columns of the prior as the messages name them.
class LineNames {
 public:
  LineNames(const std::vector<std::string>& rows, const std::vector<std::string>& cols) : rows_(rows), cols_(cols) {}
  std::string Row(std::size_t i) const { return "row " + Item(rows_, i); }
  std::string Col(std::size_t j) const { return "column " + Item(cols_, j); }
  // "row "a"", "rows "a" and "b"", "rows "a", "b", ... and 7 more".
  std::string List(const std::vector<std::size_t>& lines, bool rows) const {
    const std::string kind = rows ? "row" : "column";
    if (lines.size() == 1) return kind + " " + Item(rows ? rows_ : cols_, lines[0]);
    constexpr std::size_t kShown = 5;
    std::string text = kind + "s ";
    const std::size_t shown = std::min(lines.size(), kShown);
    for (std::size_t k = 0; k < shown; ++k) {
      if (k > 0) text += k + 1 == shown && lines.size() <= kShown ? " and " : ", ";
      text += Item(rows ? rows_ : cols_, lines[k]);
    }
    if (lines.size() > kShown) text += " and " + std::to_string(lines.size() - kShown) + " more";
    return text;
  }

 private:
  static std::string Item(const std::vector<std::string>& names, std::size_t k) {
    return k < names.size() && !names[k].empty() ? "\"" + names[k] + "\"" : std::to_string(k + 1);
  }
  const std::vector<std::string>& rows_;
  const std::vector<std::string>& cols_;
};

// The transport network of a prior without negative cells: the source gives each row its
// target, every cell carries any amount from its row to its column, and each column gives its
// target to the sink. A matrix with the prior's zero cells meets the margins exactly when the
// most that can flow is the whole total; it meets them with every cell above 0 only when,
// besides, every cell can carry some of a largest flow (its row and column lie in one strongly
// connected part of what is left of the network). Rows and columns whose target is 0 are left
// out: their cells are scaled to 0.
class Transport {
 public:
  Transport(const Cells& cells, const std::vector<double>& u, const std::vector<double>& v)
      : m_(u.size()), n_(v.size()), out_(m_ + n_ + 2), cellArc_(cells.value.size(), kNone) {
    const std::size_t source = Source(), sink = Sink();
    for (std::size_t i = 0; i < m_; ++i)
      if (u[i] > 0.0) AddArc(source, i + 1, u[i]);
    for (std::size_t j = 0; j < n_; ++j)
      if (v[j] > 0.0) AddArc(m_ + 1 + j, sink, v[j]);
    for (std::size_t i = 0; i < m_; ++i) {
      if (!(u[i] > 0.0)) continue;
      for (std::size_t k = cells.rowStart[i]; k < cells.rowStart[i + 1]; ++k)
        if (cells.value[k] > 0.0 && v[cells.col[k]] > 0.0) {
          cellArc_[k] = arcs_.size();
          AddArc(i + 1, m_ + 1 + cells.col[k], std::numeric_limits<double>::infinity());
        }
    }
  }

  std::size_t Source() const { return 0; }
  std::size_t Sink() const { return m_ + n_ + 1; }
  std::size_t RowNode(std::size_t i) const { return i + 1; }
  std::size_t ColNode(std::size_t j) const { return m_ + 1 + j; }
  bool IsRow(std::size_t node) const { return node >= 1 && node <= m_; }
  bool IsCol(std::size_t node) const { return node > m_ && node <= m_ + n_; }
  std::size_t CellArc(std::size_t k) const { return cellArc_[k]; }
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Dinic's method: shortest augmenting paths, a layer at a time, searched without recursion.
  // Any capacity above 0 counts: a target far smaller than the total is a real target, and
  // what rounding leaves on an arc only adds a path (it can make a cell look usable, never
  // unusable). Each push empties the path's narrowest arc exactly, so the search ends.
  double MaxFlow() {
    const std::size_t nodes = out_.size(), source = Source(), sink = Sink();
    double flow = 0.0;
    std::vector<long> level(nodes);
    std::vector<std::size_t> next(nodes), queue, path;
    for (;;) {
      std::fill(level.begin(), level.end(), -1);
      level[source] = 0;
      queue.assign(1, source);
      for (std::size_t q = 0; q < queue.size(); ++q)
        for (std::size_t a : out_[queue[q]])
          if (arcs_[a].cap > 0.0 && level[arcs_[a].to] < 0) {
            level[arcs_[a].to] = level[queue[q]] + 1;
            queue.push_back(arcs_[a].to);
          }
      if (level[sink] < 0) return flow;
      std::fill(next.begin(), next.end(), 0);
      path.clear();
      std::size_t at = source;
      for (;;) {
        if (at == sink) {
          double push = std::numeric_limits<double>::infinity();
          for (std::size_t a : path) push = std::min(push, arcs_[a].cap);
          for (std::size_t a : path) arcs_[a].cap -= push, arcs_[a ^ 1].cap += push;
          flow += push;
          path.clear();
          at = source;
          continue;
        }
        auto& k = next[at];
        while (k < out_[at].size()) {
          const Arc& arc = arcs_[out_[at][k]];
          if (arc.cap > 0.0 && level[arc.to] == level[at] + 1) break;
          ++k;
        }
        if (k < out_[at].size()) {
          path.push_back(out_[at][k]);
          at = arcs_[out_[at][k]].to;
          continue;
        }
        if (at == source) break;  // the layer is used up
        level[at] = -1;           // a dead end
        at = arcs_[path.back() ^ 1].to;
        path.pop_back();
        ++next[at];
      }
    }
  }

  // After MaxFlow: the nodes reachable from `from` along arcs that can still carry flow,
  // without passing through the source or the sink.
  std::vector<bool> Reachable(std::size_t from, bool throughEnds) const {
    std::vector<bool> seen(out_.size(), false);
    std::vector<std::size_t> queue(1, from);
    seen[from] = true;
    for (std::size_t q = 0; q < queue.size(); ++q) {
      if (!throughEnds && q > 0 && (queue[q] == Source() || queue[q] == Sink())) continue;
      for (std::size_t a : out_[queue[q]])
        if (arcs_[a].cap > 0.0 && !seen[arcs_[a].to]) {
          seen[arcs_[a].to] = true;
          queue.push_back(arcs_[a].to);
        }
    }
    return seen;
  }

  // After MaxFlow: the strongly connected parts of the rows and columns along arcs that can
  // still carry flow (Tarjan's method with an explicit stack). A cell whose row and column lie
  // in different parts carries nothing in every largest flow.
  std::vector<std::size_t> Components() const {
    const std::size_t nodes = out_.size();
    constexpr std::size_t kUnseen = static_cast<std::size_t>(-1);
    std::vector<std::size_t> index(nodes, kUnseen), low(nodes, 0), component(nodes, kUnseen), stack;
    std::vector<bool> onStack(nodes, false);
    std::vector<std::pair<std::size_t, std::size_t>> calls;  // node, next arc
    std::size_t counter = 0, components = 0;
    const auto inside = [this](std::size_t node) { return node != Source() && node != Sink(); };
    for (std::size_t start = 0; start < nodes; ++start) {
      if (!inside(start) || index[start] != kUnseen) continue;
      const auto open = [&](std::size_t node) {
        index[node] = low[node] = counter++;
        stack.push_back(node);
        onStack[node] = true;
        calls.emplace_back(node, 0);
      };
      open(start);
      while (!calls.empty()) {
        const std::size_t u = calls.back().first;
        if (calls.back().second < out_[u].size()) {
          const Arc& arc = arcs_[out_[u][calls.back().second++]];
          if (!inside(arc.to) || !(arc.cap > 0.0)) continue;
          if (index[arc.to] == kUnseen) {
            open(arc.to);
          } else if (onStack[arc.to]) {
            low[u] = std::min(low[u], index[arc.to]);
          }
          continue;
        }
        if (low[u] == index[u]) {
          std::size_t w;
          do {
            w = stack.back();
            stack.pop_back();
            onStack[w] = false;
            component[w] = components;
          } while (w != u);
          ++components;
        }
        calls.pop_back();
        if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[u]);
      }
    }
    return component;
  }

 private:
  struct Arc {
    std::size_t to;
    double cap;  // what it can still carry
  };
  void AddArc(std::size_t from, std::size_t to, double cap) {
    out_[from].push_back(arcs_.size());
    arcs_.push_back({to, cap});
    out_[to].push_back(arcs_.size());
    arcs_.push_back({from, 0.0});
  }
  std::size_t m_, n_;
  std::vector<Arc> arcs_;  // in pairs: arc a and its reverse a ^ 1
  std::vector<std::vector<std::size_t>> out_;
  std::vector<std::size_t> cellArc_;
};

constexpr const char* kNoMatrix = "no matrix with the prior's zero cells meets these margins.";

// Why the margins cannot be met with the prior's zero cells (empty when they can), for a
// prior without negative cells whose every line with a target above 0 has a cell above 0.
std::string InfeasibleMargins(const Cells& cells, const std::vector<double>& u, const std::vector<double>& v,
                              double tolerance, const LineNames& names) {
  const std::size_t m = u.size(), n = v.size();
  Transport net(cells, u, v);
  double total = 0.0, slack = 0.0;
  for (double t : u) total += t, slack += std::max(1.0, std::abs(t));
  const double flow = net.MaxFlow();
  const auto sum = [](const std::vector<std::size_t>& lines, const std::vector<double>& targets) {
    double s = 0.0;
    for (std::size_t k : lines) s += targets[k];
    return s;
  };
  // Whether some of `rows` (or of columns) have cells in a line across whose target is 0,
  // which the messages leave aside.
  const auto asideByRows = [&](const std::vector<std::size_t>& rows) {
    for (std::size_t i : rows)
      for (std::size_t k = cells.rowStart[i]; k < cells.rowStart[i + 1]; ++k)
        if (!(v[cells.col[k]] > 0.0)) return true;
    return false;
  };
  const auto asideByCols = [&](const std::vector<std::size_t>& cols) {
    std::vector<bool> zeroCell(cells.value.size(), false);  // cells in rows whose target is 0
    for (std::size_t i = 0; i < m; ++i)
      if (!(u[i] > 0.0))
        for (std::size_t k = cells.rowStart[i]; k < cells.rowStart[i + 1]; ++k) zeroCell[k] = true;
    for (std::size_t j : cols)
      for (std::size_t k = cells.colStart[j]; k < cells.colStart[j + 1]; ++k)
        if (zeroCell[cells.byCol[k]]) return true;
    return false;
  };
  const auto targets = [](const std::vector<std::size_t>& lines, double value, bool whose) {
    if (lines.size() == 1) return std::string(whose ? "whose target is " : "has a target of ") + Number(value);
    return std::string(whose ? "whose targets add up to " : "have targets adding up to ") + Number(value);
  };
  // Every line within the tolerance would leave at most this much of the total unmet.
  if (flow < total - tolerance * slack) {
    // The lines the source still reaches (the rows short of their targets and the columns
    // their cells lead to) ask more than their columns can take; the others, read from the
    // columns' side, likewise. Name whichever side has fewer lines.
    const std::vector<bool> reach = net.Reachable(net.Source(), true);
    std::vector<std::size_t> rowsIn, colsIn, rowsOut, colsOut;
    for (std::size_t i = 0; i < m; ++i)
      if (u[i] > 0.0) (reach[net.RowNode(i)] ? rowsIn : rowsOut).push_back(i);
    for (std::size_t j = 0; j < n; ++j)
      if (v[j] > 0.0) (reach[net.ColNode(j)] ? colsIn : colsOut).push_back(j);
    const bool byRows = rowsIn.size() + colsIn.size() <= rowsOut.size() + colsOut.size();
    const auto& lines = byRows ? rowsIn : colsOut;
    const auto& others = byRows ? colsIn : rowsOut;
    const auto& lineTargets = byRows ? u : v;
    const auto& otherTargets = byRows ? v : u;
    std::string text = names.List(lines, byRows);
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    text += " " + targets(lines, sum(lines, lineTargets), false);
    const std::string across = byRows ? "columns" : "rows";
    if (others.empty()) {
      text += " but no cell in " + across + " with a target above 0";
    } else {
      text +=
          " but cells only in " + names.List(others, !byRows) +
          ((byRows ? asideByRows(lines) : asideByCols(lines)) ? " (besides " + across + " whose target is 0)" : "") +
          ", " + targets(others, sum(others, otherTargets), true);
    }
    return text + ": " + kNoMatrix;
  }
  // Every cell must be able to carry some of the total.
  const std::vector<std::size_t> part = net.Components();
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t k = cells.rowStart[i]; k < cells.rowStart[i + 1]; ++k) {
      const std::size_t j = cells.col[k];
      if (net.CellArc(k) == Transport::kNone || part[net.RowNode(i)] == part[net.ColNode(j)]) continue;
      // The columns this cell's column is tied to, and their rows, meet each other's targets
      // exactly and have no cells elsewhere: nothing is left for this row.
      const std::vector<bool> reach = net.Reachable(net.ColNode(j), false);
      std::vector<std::size_t> rows, cols;
      for (std::size_t r = 0; r < m; ++r)
        if (reach[net.RowNode(r)]) rows.push_back(r);
      for (std::size_t c = 0; c < n; ++c)
        if (reach[net.ColNode(c)]) cols.push_back(c);
      std::string text = "The prior's " + names.Row(i) + ", " + names.Col(j) +
                         " would have to be 0: " + names.List(rows, true) + " " + targets(rows, sum(rows, u), false) +
                         " and cells only in " + names.List(cols, false) +
                         (asideByRows(rows) ? " (besides columns whose target is 0)" : "") + ", " +
                         (cols.size() == 1 ? "whose target is the same" : "whose targets add up to the same") +
                         ", which leaves nothing of " + (cols.size() == 1 ? "it" : "them") + " for " + names.Row(i) +
                         ". So " + kNoMatrix + " RAS would only creep towards a matrix with that cell at 0.";
      return text;
    }
  return std::string();
}

}  // namespace

RasResult BalanceRas(const std::vector<std::vector<double>>& prior, const std::vector<double>& u,
                     const std::vector<double>& v, const RasOptions& o, const std::vector<std::string>& rowNames,
                     const std::vector<std::string>& colNames) {
  RasResult r;
  const auto fail = [](std::string text) {
    RasResult failed;
    failed.error = std::move(text);
    return failed;
  };
  const LineNames names(rowNames, colNames);
  const std::size_t m = prior.size(), n = m ? prior[0].size() : 0;
  if (m == 0 || n == 0) return fail("The prior matrix is empty.");
  for (const auto& row : prior)
    if (row.size() != n) return fail("The prior matrix's rows differ in length.");
  if (u.size() != m)
    return fail("There are " + std::to_string(u.size()) + " row targets for " + std::to_string(m) + " rows.");
  if (v.size() != n)
    return fail("There are " + std::to_string(v.size()) + " column targets for " + std::to_string(n) + " columns.");
  if (!(o.tolerance > 0.0)) return fail("The tolerance must be above 0.");

  for (std::size_t i = 0; i < m; ++i)
    if (!std::isfinite(u[i])) return fail("The target of " + names.Row(i) + " is not a number.");
  for (std::size_t j = 0; j < n; ++j)
    if (!std::isfinite(v[j])) return fail("The target of " + names.Col(j) + " is not a number.");
  double su = 0.0, sv = 0.0;
  for (double t : u) su += t;
  for (double t : v) sv += t;
  if (!std::isfinite(su) || !std::isfinite(sv)) return fail("The targets add up to more than a number can hold.");
  if (std::abs(su - sv) > o.tolerance * std::max({1.0, std::abs(su), std::abs(sv)}) * 10.0) {
    return fail("The row targets add up to " + Number(su) + " but the column targets to " + Number(sv) +
                ": the margins must have the same total.");
  }

  // The non-zero cells, by rows and by columns.
  Cells c;
  c.rowStart.reserve(m + 1);
  c.rowStart.push_back(0);
  std::vector<std::size_t> colCount(n, 0);
  for (std::size_t i = 0; i < m; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      const double z = prior[i][j];
      if (!std::isfinite(z)) return fail("The prior's " + names.Row(i) + ", " + names.Col(j) + " is not a number.");
      if (z == 0.0) continue;
      c.col.push_back(j);
      c.value.push_back(z);
      ++colCount[j];
      if (z < 0) r.generalised = true;
    }
    c.rowStart.push_back(c.value.size());
  }
  c.colStart.assign(n + 1, 0);
  for (std::size_t j = 0; j < n; ++j) c.colStart[j + 1] = c.colStart[j] + colCount[j];
  c.byCol.resize(c.value.size());
  {
    std::vector<std::size_t> fill(c.colStart.begin(), c.colStart.end() - 1);
    for (std::size_t k = 0; k < c.value.size(); ++k) c.byCol[fill[c.col[k]]++] = k;
  }

  // A line with a target other than 0 needs cells to scale, of the target's sign.
  for (std::size_t i = 0; i < m; ++i) {
    bool pos = false, neg = false;
    for (std::size_t k = c.rowStart[i]; k < c.rowStart[i + 1]; ++k)
      pos = pos || c.value[k] > 0, neg = neg || c.value[k] < 0;
    if ((u[i] > 0 && !pos) || (u[i] < 0 && !neg))
      return fail("The prior's " + names.Row(i) + " has no cell " + (u[i] > 0 ? "above" : "below") +
                  " 0, but its target is " + Number(u[i]) + ": no scaling reaches it.");
  }
  for (std::size_t j = 0; j < n; ++j) {
    bool pos = false, neg = false;
    for (std::size_t k = c.colStart[j]; k < c.colStart[j + 1]; ++k)
      pos = pos || c.value[c.byCol[k]] > 0, neg = neg || c.value[c.byCol[k]] < 0;
    if ((v[j] > 0 && !pos) || (v[j] < 0 && !neg))
      return fail("The prior's " + names.Col(j) + " has no cell " + (v[j] > 0 ? "above" : "below") +
                  " 0, but its target is " + Number(v[j]) + ": no scaling reaches it.");
  }
  if (!r.generalised) {
    const std::string why = InfeasibleMargins(c, u, v, o.tolerance, names);
    if (!why.empty()) return fail(why);
  }

  // z_ij = r_i p_ij s_j for a cell above 0, -n_ij / (r_i s_j) for one below.
  std::vector<double> rr(m, 1.0), s(n, 1.0);
  const auto cell = [&](std::size_t i, std::size_t k) {
    const double z = c.value[k];
    return z > 0.0 ? rr[i] * z * s[c.col[k]] : -(-z / (rr[i] * s[c.col[k]]));
  };
  std::vector<std::size_t> rowOf(c.value.size());
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t k = c.rowStart[i]; k < c.rowStart[i + 1]; ++k) rowOf[k] = i;
  const auto gap = [&]() {
    double worst = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
      double sum = 0.0;
      for (std::size_t k = c.rowStart[i]; k < c.rowStart[i + 1]; ++k) sum += cell(i, k);
      worst = std::max(worst, std::abs(sum - u[i]) / std::max(1.0, std::abs(u[i])));
    }
    for (std::size_t j = 0; j < n; ++j) {
      double sum = 0.0;
      for (std::size_t k = c.colStart[j]; k < c.colStart[j + 1]; ++k) sum += cell(rowOf[c.byCol[k]], c.byCol[k]);
      worst = std::max(worst, std::abs(sum - v[j]) / std::max(1.0, std::abs(v[j])));
    }
    return worst;
  };
  r.gap = gap();
  // Where RAS converges it converges linearly in the end: a gap that shrinks too slowly to
  // reach the tolerance within twice the sweeps allowed, at the rate of the last kWindow
  // sweeps, is given up rather than swept to the limit (margins RAS can only creep towards,
  // which the check above does not catch for GRAS).
  constexpr int kWindow = 100, kFirstJudged = 500;
  double windowGap = r.gap;
  while (r.gap > o.tolerance) {
    if (r.sweeps >= o.maxSweeps) {
      return fail("The margins were not met within " + std::to_string(o.maxSweeps) +
                  " sweeps (the largest gap left is " + Number(r.gap) +
                  "): the prior's zero cells leave no matrix with these row and column sums.");
    }
    ++r.sweeps;
    for (std::size_t i = 0; i < m; ++i) {
      double pos = 0.0, neg = 0.0;
      for (std::size_t k = c.rowStart[i]; k < c.rowStart[i + 1]; ++k) {
        const double z = c.value[k];
        if (z > 0.0) {
          pos += z * s[c.col[k]];
        } else {
          neg += -z / s[c.col[k]];
        }
      }
      if (u[i] == 0.0 && neg == 0.0) {
        rr[i] = pos > 0.0 ? 0.0 : 1.0;  // a row of zeros stays so
        continue;
      }
      if (!Multiplier(pos, neg, u[i], rr[i])) return fail("The prior's " + names.Row(i) + " cannot reach its target.");
    }
    for (std::size_t j = 0; j < n; ++j) {
      double pos = 0.0, neg = 0.0;
      for (std::size_t k = c.colStart[j]; k < c.colStart[j + 1]; ++k) {
        const std::size_t cellIndex = c.byCol[k];
        const double z = c.value[cellIndex], ri = rr[rowOf[cellIndex]];
        if (z > 0.0) {
          pos += z * ri;
        } else if (ri > 0.0) {
          neg += -z / ri;
        }
      }
      if (v[j] == 0.0 && neg == 0.0) {
        s[j] = pos > 0.0 ? 0.0 : 1.0;
        continue;
      }
      if (!Multiplier(pos, neg, v[j], s[j])) return fail("The prior's " + names.Col(j) + " cannot reach its target.");
    }
    r.gap = gap();
    if (!std::isfinite(r.gap)) return fail("The scaling ran out of range: the prior cannot meet these margins.");
    if (o.progress && !o.progress(r.sweeps, r.gap)) {
      RasResult cancelled = fail("The balancing was cancelled after " + std::to_string(r.sweeps) +
                                 (r.sweeps == 1 ? " sweep." : " sweeps."));
      cancelled.cancelled = true;
      return cancelled;
    }
    if (r.sweeps % kWindow == 0) {
      if (r.sweeps >= kFirstJudged && r.gap > o.tolerance) {
        const double rate = r.gap / windowGap;
        const double needed = rate < 1.0 ? kWindow * std::log(o.tolerance / r.gap) / std::log(rate)
                                         : std::numeric_limits<double>::infinity();
        if (r.sweeps + needed > 2.0 * o.maxSweeps) {
          return fail("The margins were not met: after " + std::to_string(r.sweeps) +
                      " sweeps the largest gap left is " + Number(r.gap) + ", shrinking too slowly to reach " +
                      Number(o.tolerance) + " within " + std::to_string(o.maxSweeps) +
                      " sweeps: the prior's zero cells leave no matrix with these row and column sums.");
        }
      }
      windowGap = r.gap;
    }
  }
  r.matrix.assign(m, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < m; ++i)
    for (std::size_t k = c.rowStart[i]; k < c.rowStart[i + 1]; ++k) r.matrix[i][c.col[k]] = cell(i, k);
  return r;
}

}  // namespace quantorial
