// Speed of the desktop window: from the start of the program to a shown main window, and
// showing a 1000 x 1000 matrix in a grid (Preview and the repaint that follows), the
// dynamic commands in the window, and scrolling the worksheet editor over a 200 x 2000 sheet.
// Run: QT_QPA_PLATFORM=offscreen build/bench/gui_bench

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchModel.h"
#include "gui/EditorWindow.h"
#include "gui/MainWindow.h"
#include "gui/Windows.h"
#include "workbench/WorksheetEditor.h"

using namespace quantorial;

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  QApplication app(argc, argv);
  QTemporaryDir dir;
  // No tip window: it would wait for a person to close it.
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath("config"));
  SetShowTipsAtStartup(0);
  auto window = std::make_unique<MainWindow>(std::make_unique<GuiHost>(),
                                             std::make_unique<SettingsStore>(dir.filePath("store").toStdString()),
                                             dir.filePath("Data"));
  window->show();
  window->Form_Load();
  if (!QTest::qWaitForWindowExposed(window.get())) return 1;
  QCoreApplication::processEvents();
  const double startMs = static_cast<double>(sinceStart.nsecsElapsed()) / 1e6;

  LabelledMatrix m = LabelledMatrix::Dimension(1000, 1000);
  for (int j = 1; j <= 1000; ++j) m.Set(0, j, "v" + std::to_string(j));
  for (int i = 1; i <= 1000; ++i) {
    m.Set(i, 0, 1000.0 + i);
    for (int j = 1; j <= 1000; ++j) m.Set(i, j, i * 0.001 + j);
  }
  std::vector<double> times;
  for (int run = 0; run < 7; ++run) {
    QElapsedTimer t;
    t.start();
    window->Preview(m, run % 2 == 0 ? 3 : 2, "Large matrix");
    window->Grid(run % 2 == 0 ? 3 : 2)->viewport()->repaint();
    QCoreApplication::processEvents();
    times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
  }
  std::sort(times.begin(), times.end());
  // The dynamic commands with every preview and the chart, on 300 endogenous and 100
  // exogenous variables, 60 years and 40 more.
  Workbench& wb = window->Bench();
  RandomModel(wb, 300, 100, 60, 1960.0, 0.002, 1.0, 5);
  wb.ws.mObservedOrig = wb.ws.mObserved;
  wb.ws.nEndoVars = 300;
  wb.ws.bStageRerun = true;  // the number of endogenous variables is given: no question
  wb.cmdRunAll_Click();
  ForecastData(wb, 300, 100, 40);
  wb.form.txtExtd = "40";
  const LabelledMatrix observed = wb.ws.mObserved;
  auto timed = [&](void (Workbench::*command)()) {
    wb.ws.mObserved = observed;
    QElapsedTimer t;
    t.start();
    (wb.*command)();
    window->Refresh();
    QCoreApplication::processEvents();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
  };
  const double endo = timed(&Workbench::cmdDynamicEndo_Click), exo = timed(&Workbench::cmdDynamicExo_Click);
  // The worksheet editor over a 200 x 2000 sheet: one repaint per scroll step, from the top
  // to the bottom in 100 steps and across in 20.
  wb.cmdEdt_Click();
  LabelledMatrix sheet = LabelledMatrix::Dimension(1999, 199);
  for (int i = 0; i <= 1999; ++i) {
    for (int j = 0; j <= 199; ++j) sheet.Set(i, j, i * 0.37 + j);
  }
  wb.Editor()->Preview(sheet, false);
  EditorWindow* editor = window->Editor();
  editor->Refresh();
  QTableView* grid = editor->Grid();
  QCoreApplication::processEvents();
  std::vector<double> frames;
  auto frame = [&](QScrollBar* bar, int value) {
    QElapsedTimer t;
    t.start();
    bar->setValue(value);
    grid->viewport()->repaint();
    frames.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
  };
  for (int step = 1; step <= 100; ++step)
    frame(grid->verticalScrollBar(), grid->verticalScrollBar()->maximum() * step / 100);
  for (int step = 1; step <= 20; ++step)
    frame(grid->horizontalScrollBar(), grid->horizontalScrollBar()->maximum() * step / 20);
  std::sort(frames.begin(), frames.end());

  std::printf("start to a shown main window: %.1f ms\n", startMs);
  std::printf("Dynamic Endo (300 x 100, 60 + 40 years) in the window: %.1f ms\n", endo);
  std::printf("Dynamic Exo (300 x 100, 60 + 40 years) in the window: %.1f ms\n", exo);
  std::printf("Preview of a 1000 x 1000 matrix: median %.1f ms (fastest %.1f, slowest %.1f)\n", times[3], times[0],
              times[6]);
  std::printf(
      "worksheet editor, 200 x 2000 sheet: scroll step with repaint median %.2f ms, slowest %.2f ms (%zu steps)\n",
      frames[frames.size() / 2], frames.back(), frames.size());
  return 0;
}
