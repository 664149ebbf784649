// The desktop window driven as a person would: real widgets found by name, dialogs
// answered by the injected host.

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <utility>

#include "gui/ChartRenderer.h"
#include "gui/ChartWindow.h"
#include "gui/EditorWindow.h"
#include "gui/EstimateSystemWindow.h"
#include "gui/MainWindow.h"
#include "gui/MatrixTableModel.h"
#include "gui/Windows.h"
#include "workbench/CommandTable.h"
#include "workbench/ScriptPlayer.h"

using namespace quantorial;

namespace {

// Answers the dialogs from queues and records what was asked.
class TestHost : public GuiHost {
 public:
  std::deque<std::string> files;
  std::deque<std::string> inputs;
  QStringList messages;
  int tipWindows = 0;
  QStringList started;

  // Whether the wait or the notice window was on screen while a box or dialog was open.
  int coveredDialogs = 0;
  void NoteCover() {
    if (window_ && (window_->Wait()->isVisible() || window_->Notice()->isVisible())) ++coveredDialogs;
  }
  // Run while a message box is open, as an event the window gets meanwhile would be.
  std::function<void()> duringBox;
  // The buttons pressed on the next boxes; an empty queue presses OK.
  std::deque<int> buttons;
  // The windows the boxes and save dialogs opened over (object names), each marked when the
  // worksheet editor was out of view at the time.
  QStringList parents;
  void NoteParent() {
    const QWidget* p = DialogParent();
    const bool editorHidden = window_ && window_->Editor() && !window_->Editor()->isVisible();
    parents << (p ? p->objectName() : QString("none")) + (editorHidden ? " (editor hidden)" : "");
  }
  int AskMsgBox(const std::string& prompt, int, const std::string&) override {
    NoteCover();
    NoteParent();
    if (duringBox) std::exchange(duringBox, nullptr)();
    messages << QString::fromStdString(prompt);
    if (buttons.empty()) return vbOK;
    const int b = buttons.front();
    buttons.pop_front();
    return b;
  }
  std::optional<std::string> AskInput(const std::string&, const std::string&, const std::string&) override {
    NoteCover();
    if (inputs.empty()) return std::nullopt;
    std::string s = inputs.front();
    inputs.pop_front();
    return s;
  }
  std::optional<std::string> AskOpenFile(const FileDialogRequest&) override {
    NoteCover();
    NoteParent();
    if (files.empty()) return std::nullopt;
    std::string s = files.front();
    files.pop_front();
    return s;
  }
  std::deque<std::string> saves;
  // The filters left selected in the next save dialogs (from 0); an empty queue leaves the first.
  std::deque<int> saveFilters;
  std::optional<std::string> AskSaveFile(const FileDialogRequest& request, int& filter) override {
    NoteParent();
    if (inDialog) {
      DriveDialog();
      return GuiHost::AskSaveFile(request, filter);
    }
    if (!saveFilters.empty()) {
      filter = saveFilters.front();
      saveFilters.pop_front();
    }
    if (saves.empty()) return std::nullopt;
    std::string s = saves.front();
    saves.pop_front();
    return s;
  }
  void ShowTipWindow() override { ++tipWindows; }
  QStringList opened;
  bool desktopOpens = true;
  bool OpenWithDesktop(const std::string& path) override {
    opened << QString::fromStdString(path);
    return desktopOpens;
  }
  // Run while the wait window shows, as a press of the user's would arrive then.
  std::function<void()> whileWaiting;
  void HoldOn(const std::string& text) override {
    GuiHost::HoldOn(text);
    if (!text.empty() && whileWaiting) std::exchange(whileWaiting, nullptr)();
  }
  // Set, the real dialog opens and this drives its widgets once it shows.
  std::function<void(QDialog*)> inDialog;
  void DriveDialog() {
    QTimer::singleShot(0, [this] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!d) return;
      std::exchange(inDialog, nullptr)(d);
      if (d->isVisible()) d->reject();  // a button that did not close it fails the test, not hangs it
    });
  }
  int chartOptionDialogs = 0;
  void AskChartOptions(ChartOptionsState& dialog) override {
    NoteCover();
    ++chartOptionDialogs;
    if (inDialog) {
      DriveDialog();
      GuiHost::AskChartOptions(dialog);
    }
  }
  std::string forecastFile;
  bool AskForecastOptions(ForecastOptions& dialog) override {
    NoteCover();
    if (inDialog) {
      DriveDialog();
      return GuiHost::AskForecastOptions(dialog);
    }
    if (!forecastFile.empty()) dialog.SetTxtData(forecastFile);
    return true;
  }
  bool StartProgram(const QString& program, const QStringList&) override {
    started << program;
    return true;
  }
};

// The real opener of the desktop host, with the desktop's table of defaults, its opener and
// program starts replaced by records.
class OpenerHost : public GuiHost {
 public:
  QString defaultEntry;
  QStringList opened, started;
  QString DefaultDesktopEntry(const QString&) override { return defaultEntry; }
  bool OpenUrl(const QString& file) override {
    opened << file;
    return true;
  }
  bool StartProgram(const QString& program, const QStringList& arguments) override {
    started << QFileInfo(program).fileName() + " " + arguments.join(' ');
    return true;
  }
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  TestHost* host_ = nullptr;
  std::unique_ptr<MainWindow> window_;
  int storeNumber_ = 0;
  bool restarting_ = false;
  // Closes the window and opens a new one on the same settings, as a restart would.
  void Restart() {
    cleanup();
    restarting_ = true;
    init();
    restarting_ = false;
  }

  QString Write(const QString& name, const char* text) {
    const QString path = dir_.filePath(name);
    std::ofstream(path.toStdString()) << text;
    return path;
  }
  template <typename T>
  T* Find(const QString& name) {
    T* w = window_->findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
  }
  QString Cell(int grid, int row, int col) {
    auto* model = static_cast<MatrixTableModel*>(window_->Grid(grid)->model());
    return model->index(row, col).data().toString();
  }
  // The list gains the focus (as by a click or the Tab key).
  static void Focus(QWidget* w) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(w, &in);
  }
  void Click(const QString& name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
  void Trigger(const QString& name) { Find<QAction>(name)->trigger(); }

  // Dumps the window's workspace into SESSION/window, plays SESSION/session.qs (copied into
  // REPLAY) on a fresh workbench into REPLAY/played, and checks the two dumps are the same,
  // file by file, byte for byte; `text` is the recorded script.
  void ReplayGivesTheSameWorkspace(QTemporaryDir& session, QTemporaryDir& replay, QString& text) {
    std::string error;
    QVERIFY2(DumpWorkspace(window_->Bench(), session.filePath("window").toStdString(), error), error.c_str());
    QFile::copy(session.filePath("session.qs"), replay.filePath("session.qs"));
    PlayOptions options;
    options.dump = replay.filePath("played").toStdString();
    std::ostringstream err;
    const int status = PlayScript(replay.filePath("session.qs").toStdString(), options, err);
    QFile script(session.filePath("session.qs"));
    QVERIFY(script.open(QIODevice::ReadOnly));
    text = QString::fromUtf8(script.readAll());
    QVERIFY2(status == kPlayDone, qPrintable(QString::fromStdString(err.str()) + "\n" + text));
    const QDir windowDir(session.filePath("window")), playedDir(replay.filePath("played"));
    QCOMPARE(playedDir.entryList(QDir::Files), windowDir.entryList(QDir::Files));
    for (const QString& f : windowDir.entryList(QDir::Files)) {
      QFile a(windowDir.filePath(f)), b(playedDir.filePath(f));
      QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
      QVERIFY2(a.readAll() == b.readAll(), qPrintable(f));
    }
  }

 private slots:
  void init() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.filePath("config"));
    auto host = std::make_unique<TestHost>();
    host_ = host.get();
    // Each test starts with its own settings store, unless it restarts the window itself.
    if (!restarting_) ++storeNumber_;
    const QString store = dir_.filePath(QString("store%1").arg(storeNumber_));
    window_ = std::make_unique<MainWindow>(std::move(host), std::make_unique<SettingsStore>(store.toStdString()),
                                           dir_.filePath("Data"));
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void cleanup() { window_.reset(); }

  // A workbook preview goes to a spreadsheet program, never to this workbench (which the
  // desktop may have as the default for workbooks), and fails when there is none.
  void previewsNeverOpenThisProgram() {
    QTemporaryDir bin;
    const QString sheet = dir_.filePath("KRV-TMP-101010am.xlsx");
    const QString model = dir_.filePath("Lindo001.ltx");
    auto fakeProgram = [&](const char* name) {
      QFile f(bin.filePath(name));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("#!/bin/sh\n");
      f.close();
      f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    struct Case {
      QString defaultEntry, file;
      bool withCalc, opens;
      QString opened, started;
    };
    const Case cases[] = {
        {"libreoffice-calc.desktop", sheet, false, true, sheet, ""},
        {"quantorial.desktop", sheet, false, false, "", ""},
        {"quantorial.desktop", sheet, true, true, "", "localc " + sheet},
        {"", sheet, true, true, "", "localc " + sheet},
        {"", sheet, false, false, "", ""},
        {"quantorial.desktop", model, true, false, "", ""},
        {"", model, false, true, model, ""},
    };
    for (const Case& c : cases) {
      if (c.withCalc) fakeProgram("localc");
      OpenerHost opener;
      opener.defaultEntry = c.defaultEntry;
      const bool opens = opener.OpenWithDesktop(c.file.toStdString());
      QFile::remove(bin.filePath("localc"));
      QCOMPARE(opens, c.opens);
      QCOMPARE(opener.opened.join(','), c.opened);
      QCOMPARE(opener.started.join(','), c.started);
    }
    qputenv("PATH", path);
    // An entry that runs this program under another name is this program too.
    QTemporaryDir apps;
    QFile entry(apps.filePath("spreadsheet.desktop"));
    QVERIFY(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nExec=/usr/bin/quantorial %f\n");
    entry.close();
    QVERIFY(IsOwnDesktopEntry(entry.fileName()));
    QVERIFY(!IsOwnDesktopEntry(apps.filePath("missing.desktop")));
  }

  void controlsCarryTheirNames() {
    QCOMPARE(window_->windowTitle(), QString("KRV - Model Testing"));
    for (const char* name : {"cmdEXV", "cmdInvert", "cmdRunAll", "cmdClear", "cmdSplitTable", "cmdViewGrid",
                             "cmdDecimals(0)", "cmdDecimals(1)", "cmdSelectFile(2)", "cmdQ(3)", "cmdQuit"}) {
      QVERIFY2(window_->findChild<QPushButton*>(name), name);
    }
    for (const char* name : {"mnuData1", "mnuInvertPivot", "mnuReciprocal", "mnuCalc", "mnuAbout"}) {
      QVERIFY2(window_->findChild<QAction*>(name), name);
    }
    QCOMPARE(Find<QPushButton>("cmdDecimals(0)")->toolTip(), QString("Increase Decimal"));
    QCOMPARE(Find<QAction>("mnuReciprocal")->text(), QString("Matrix Reciprocal "));
    QCOMPARE(Find<QLineEdit>("txtScale")->toolTip(), QString("0=1, 1=10, 2=100, that is 10^n"));
    // The pipeline waits for data.
    QVERIFY(!Find<QPushButton>("cmdRunAll")->isEnabled());
    QVERIFY(Find<QPushButton>("cmdClear")->isEnabled());
  }

  void loadingFilesFillsGridsWithCaptionsAndDecimals() {
    host_->files = {Write("klein.csv", "Year,C,P\n1920,39.8,12.7\n1921,41.9,-0.2\n").toStdString(),
                    Write("model_BMAT.csv", ",C,P\nC,0,0.25\nP,0.125,0\n").toStdString()};
    Write("model_AMAT.csv", ",C,P\nC,1,2\nP,3,4\n");
    Click("cmdSelectFile(0)");
    QCOMPARE(window_->GridCaption(0), QString("Trend Matrix"));
    QCOMPARE(Cell(0, 1, 1), QString("39.8000"));
    QCOMPARE(Cell(0, 2, 2), QString("-0.2000"));
    QCOMPARE(Cell(0, 0, 1), QString("C"));
    QCOMPARE(Cell(0, 1, 0), QString("1920"));  // a year in the label column, not 1920.0000
    QCOMPARE(Cell(0, 2, 0), QString("1921"));
    QCOMPARE(Find<QLineEdit>("txtData(0)")->text(), dir_.filePath("klein.csv"));
    Click("cmdSelectFile(1)");
    QCOMPARE(window_->GridCaption(2), QString("Normal BMAT Matrix"));
    QCOMPARE(window_->GridCaption(3), QString("Normal AMAT Matrix"));
    QCOMPARE(Find<QLineEdit>("txtRows")->text(), QString("2"));
    QCOMPARE(Find<QLineEdit>("txtCols")->text(), QString("2"));
    QVERIFY(Find<QPushButton>("cmdRunAll")->isEnabled());
    // More decimals show in the next preview.
    for (int i = 0; i < 20; ++i) Click("cmdDecimals(0)");
    QCOMPARE(window_->Bench().ws.nDecimals, 16);
    for (int i = 0; i < 14; ++i) Click("cmdDecimals(1)");
    QCOMPARE(window_->Bench().ws.nDecimals, 2);
    for (int i = 0; i < 5; ++i) Click("cmdDecimals(1)");
    QCOMPARE(window_->Bench().ws.nDecimals, 1);
    auto* list = Find<QComboBox>("cboArrays");
    Focus(list);
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->itemText(0), QString(" 1. Observed Time Series Data"));
    QCOMPARE(list->itemText(1), QString(" 2. B-Matrix Data"));
    QCOMPARE(list->itemText(2), QString("14. A-Matrix Data"));
    list->setCurrentIndex(1);
    Click("cmdViewGrid");
    QCOMPARE(window_->GridCaption(3), QString("B-Matrix Data Matrix"));
    QCOMPARE(Cell(3, 2, 1), QString("0.1"));
    window_->ClearGrid(2);
    Click("cmdViewGrid");
    QCOMPARE(window_->GridCaption(2), QString("B-Matrix Data Matrix"));
  }

  void selectMatrixListsOnlyFilledSlots() {
    window_->Bench().ws.mObserved = LabelledMatrix::Dimension(3, 3);
    window_->Bench().ws.mBMat = LabelledMatrix::Dimension(2, 2);
    window_->Bench().ws.mEndo = LabelledMatrix::Dimension(0, 5);  // a label row only
    auto* list = Find<QComboBox>("cboArrays");
    Focus(list);
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(1), QString(" 2. B-Matrix Data"));
  }

  void textOverAGridMakesWayForAMatrix() {
    window_->PreviewText("hello", 1, "A note");
    QCOMPARE(window_->TxtShow()->geometry(), window_->GridFrame(1)->geometry());
    QCOMPARE(window_->TxtShow()->toPlainText(), QString("hello"));
    window_->Preview(LabelledMatrix::Dimension(2, 2), 1, "Matrix");
    QCOMPARE(window_->TxtShow()->x(), -20000 / 15);
    QCOMPARE(window_->GridCaption(1), QString("Matrix"));
    // A matrix on the grid below (the same column) leaves a text over the grid above shown,
    // as the LP report over grid 0 with the ranging on grid 2.
    window_->PreviewText("report", 0, "LP Report");
    QCOMPARE(window_->GridFrame(0)->x(), window_->GridFrame(2)->x());
    window_->Preview(LabelledMatrix::Dimension(2, 2), 2, "Below");
    QCOMPARE(window_->TxtShow()->geometry(), window_->GridFrame(0)->geometry());
    window_->Preview(LabelledMatrix::Dimension(2, 2), 0, "Over");
    QCOMPARE(window_->TxtShow()->x(), -20000 / 15);
    // An unassigned matrix or one without cells beyond the corner changes nothing.
    window_->Preview(LabelledMatrix(), 1, "Other");
    window_->Preview(LabelledMatrix::Dimension(0, 0), 1, "Other");
    QCOMPARE(window_->GridCaption(1), QString("Matrix"));
    // A double click clears a grid.
    QTest::mouseDClick(window_->Grid(1)->viewport(), Qt::LeftButton);
    QCOMPARE(window_->Grid(1)->model()->rowCount(), 0);
    QCOMPARE(window_->GridCaption(1), QString());
  }

  void tipsShowOnceAndNeverWhenSwitchedOff() {
    SetShowTipsAtStartup(1);
    window_->Form_Activate();
    window_->Form_Activate();
    QCOMPARE(host_->tipWindows, 1);
    SetShowTipsAtStartup(0);
    Restart();
    window_->Form_Activate();
    QCOMPARE(host_->tipWindows, 0);
    // A first activation while a command runs (a load that shows an error box, say) waits
    // for it, so the tips never stand over the command's boxes.
    SetShowTipsAtStartup(1);
    Restart();
    host_->duringBox = [this] { window_->Form_Activate(); };
    host_->files = {Write("tips.xlsx", "\x01 junk \xff\xfe").toStdString()};
    Click("cmdSelectFile(0)");
    QCOMPARE(host_->messages.size(), 1);
    QCOMPARE(host_->tipWindows, 0);
    QTRY_COMPARE(host_->tipWindows, 1);  // once the command is over
    // The tip window itself steps through the tips and stores its check box; its controls go
    // through the command table, and are refused while it is not open.
    std::string error;
    QVERIFY(!Perform(window_->Bench(), {ActionKind::Click, "frmTip.cmdNextTip", {}, {}}, error));
    QCOMPARE(QString::fromStdString(error), QString("frmTip is not open"));
    TipWindow tip(window_.get(), [this](const Action& a) { window_->PerformInDialog(a); });
    tip.show();
    const int first = tip.CurrentTip();
    QTest::mouseClick(tip.findChild<QPushButton*>("cmdNextTip"), Qt::LeftButton);
    QCOMPARE(tip.CurrentTip(), first % 8 + 1);
    QCOMPARE(tip.TipText(), TipWindow::Tips()[tip.CurrentTip() - 1]);
    tip.findChild<QCheckBox*>("chkLoadTipsAtStartup")->click();
    QCOMPARE(ShowTipsAtStartup(), tip.findChild<QCheckBox*>("chkLoadTipsAtStartup")->isChecked() ? 1 : 0);
    QTest::mouseClick(tip.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    QVERIFY(!tip.isVisible());
    // The about box likewise.
    SplashWindow about(window_.get(), true, [this](const Action& a) { window_->PerformInDialog(a); });
    about.show();
    QTest::mouseClick(about.findChild<QPushButton*>("cmdVersion"), Qt::LeftButton);
    QCOMPARE(about.InfoText(), VersionText(" - Quantorial Software"));
    QTest::mouseClick(about.findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QVERIFY(TipWindow::Tips()[2].startsWith("Quantorial allows you"));
    QVERIFY(TipWindow::Tips()[4].contains("With this version of Quantorial you create"));
  }

  void narrowWindowLeavesTheGridsWhereTheyWere() {
    window_->resize(1280, 800);
    QCoreApplication::processEvents();
    window_->LayoutForm();
    const QRect before = window_->GridFrame(3)->geometry();
    QVERIFY(before.width() > 100);
    window_->resize(150, 800);
    QCoreApplication::processEvents();
    QCOMPARE(window_->GridFrame(3)->geometry(), before);
    std::array<QRect, 6> rects;
    QVERIFY(!GridGeometry(150, 800, 200, rects));
    QVERIFY(GridGeometry(1280, 800, 200, rects));
    QCOMPARE(rects[0], QRect(2, 2, (1280 * 15 - 3040) / 2 / 15, (800 * 15 - 240 - 3000) / 2 / 15));
    QCOMPARE(rects[4].x(), (1280 * 15 - 2740) / 15);
    QCOMPARE(rects[4].width(), 180);
  }

  void matrixMenuEndToEnd() {
    host_->files = {Write("pair.csv", ",a,b\nx,4,7\ny,2,6\n").toStdString()};
    Trigger("mnuInvert");
    QCOMPARE(window_->GridCaption(3), QString("Inverted Matrix"));
    QCOMPARE(Cell(3, 1, 1), QString("0.6000"));
    QCOMPARE(Cell(3, 2, 2), QString("0.4000"));
    QCOMPARE(host_->messages.last(), QString("Matrix operation completed...see results below."));
    host_->inputs = {"3"};
    Trigger("mnuCreateIDMatrix");
    QCOMPARE(window_->GridCaption(3), QString("Indentity Matrix"));
    QCOMPARE(Cell(3, 0, 0), QString("1.0000"));
    QCOMPARE(window_->Grid(3)->model()->rowCount(), 3);
    const int before = host_->messages.size();
    host_->inputs = {"0"};
    Trigger("mnuScalarMult");
    QCOMPARE(host_->messages.size(), before);
  }

  void toolsAndLaterCommands() {
    Trigger("mnuCalc");
    QVERIFY(!host_->started.isEmpty() || host_->messages.last().startsWith("No calculator program was found"));
    Click("cmdEdt");
    QVERIFY(window_->Editor() && window_->Editor()->isVisible());
    Trigger("mnuEditor");  // the same window again
    QVERIFY(window_->Editor()->isVisible());
    QVERIFY(VersionText(" - Statistics Software").contains("Version " QUANTORIAL_VERSION));
  }

  // The worksheet editor driven by keys, menus and the clipboard, as a person would.
  void editorWindowWorksLikeASpreadsheet() {
    Click("cmdEdt");
    EditorWindow* ed = window_->Editor();
    QVERIFY(ed);
    QCOMPARE(ed->objectName(), QString("frmEdit"));
    QCOMPARE(ed->windowTitle(), QString("KRV Worksheet"));
    auto* grid = ed->findChild<QTableView*>("Fg2");
    auto* box = ed->findChild<QLineEdit*>("txtEdit");
    QVERIFY(grid && box);
    QAbstractItemModel* m = grid->model();
    QCOMPARE(m->rowCount(), 128);
    QCOMPARE(m->columnCount(), 64);
    QCOMPARE(m->headerData(26, Qt::Horizontal).toString(), QString("AA"));
    QCOMPARE(m->headerData(0, Qt::Vertical).toString(), QString("1"));
    auto cell = [m](int r, int c) { return m->index(r, c).data().toString(); };
    // A letter on the grid opens the box with it; the rest goes into the box; Enter commits.
    grid->setCurrentIndex(m->index(0, 0));
    QTest::keyClicks(grid, "Y");
    QVERIFY(box->isVisible());
    QCOMPARE(box->text(), QString("Y"));
    QTest::keyClicks(box, "ear");
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(!box->isVisible());
    QCOMPARE(cell(0, 0), QString("Year"));
    // Escape discards; Down in the box commits and moves; Tab moves right.
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClicks(grid, "1");
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(cell(1, 0), QString());
    QTest::keyClicks(grid, "2");
    QTest::keyClicks(box, "001");
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(cell(1, 0), QString("2001"));
    QCOMPARE(grid->currentIndex().row(), 2);
    // F2 (as a double click) starts with the cell's text.
    grid->setCurrentIndex(m->index(0, 0));
    QTest::keyClick(grid, Qt::Key_F2);
    QCOMPARE(box->text(), QString("Year"));
    QTest::keyClick(box, Qt::Key_Escape);
    // Undo and redo from the menu.
    ed->findChild<QAction*>("mnuUndo")->trigger();
    QCOMPARE(cell(1, 0), QString());
    ed->findChild<QAction*>("mnuRedo")->trigger();
    QCOMPARE(cell(1, 0), QString("2001"));
    // A block pasted from another program lands in the cells, the grid growing for it.
    QApplication::clipboard()->setText("2002\t42.5\n2003\t44\n");
    grid->setCurrentIndex(m->index(2, 0));
    ed->findChild<QAction*>("mnuPaste")->trigger();
    QCOMPARE(cell(2, 1), QString("42.5"));
    QCOMPARE(cell(3, 0), QString("2003"));
    // Saved as comma-separated text under the name chosen; the caption follows it.
    const QString path = dir_.filePath("edited.csv");
    host_->saves = {path.toStdString()};
    ed->findChild<QAction*>("mnuSaveAs")->trigger();
    QCOMPARE(ed->windowTitle(), "KRV Worksheet - " + path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), QString("\"Year\",\n2001,\n2002,42.5\n2003,44\n"));
    // Closing with unsaved changes asks; Cancel keeps the window, No lets it go.
    grid->setCurrentIndex(m->index(5, 5));
    QTest::keyClick(grid, Qt::Key_X);
    QTest::keyClick(box, Qt::Key_Return);
    host_->buttons = {vbCancel};
    ed->close();
    QCOMPARE(host_->messages.last(), QString("Do you want to save changes to the current worksheet?"));
    QVERIFY(window_->Editor() == ed && ed->isVisible());
    host_->buttons = {vbNo};
    ed->close();
    QVERIFY(!window_->Editor());
  }

  // Closing the editor with unsaved changes while the main window is the active one (as the
  // desktop may leave it when a box closes, or when the main window closes the editor): the
  // question and the Save dialog after "Yes" open over the editor, which stays in view, and
  // after the dialog's Cancel the editor is kept and made the active window again. A name
  // given without an ending gets the ending of the filter left selected.
  void editorCloseAsksOverTheEditorAndKeepsItUp() {
    Click("cmdEdt");
    EditorWindow* ed = window_->Editor();
    QVERIFY(ed);
    QTableView* grid = ed->Grid();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClicks(grid, "7");
    QTest::keyClick(ed->EditBox(), Qt::Key_Return);
    QCOMPARE(ed->windowTitle(), QString("*KRV Worksheet"));
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    host_->parents.clear();
    host_->buttons = {vbYes};  // then the Save dialog is cancelled
    ed->close();
    QCOMPARE(host_->parents, QStringList({"frmEdit", "frmEdit"}));
    QVERIFY(window_->Editor() == ed && ed->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(ed));
    QCOMPARE(ed->windowTitle(), QString("*KRV Worksheet"));
    host_->buttons = {vbYes};
    host_->saves = {dir_.filePath("closing").toStdString()};
    host_->saveFilters = {1};  // "Comma Separated Values"
    ed->close();
    QVERIFY(!window_->Editor());
    QVERIFY(!QFile::exists(dir_.filePath("closing")));
    QFile f(dir_.filePath("closing.csv"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), QString("7\n"));
  }

  // In the real Save dialog a name typed without an ending gets the ending of the filter
  // left selected, and the dialog's question before replacing a file is about that file.
  void editorSaveDialogAddsTheFiltersEnding() {
    Click("cmdEdt");
    EditorWindow* ed = window_->Editor();
    QVERIFY(ed);
    for (const auto& [choose, written] : {std::pair{0, "typed.xlsx"}, std::pair{1, "typed.csv"}}) {
      host_->inDialog = [this, choose](QDialog* d) {
        auto* types = d->findChild<QComboBox*>("fileTypeCombo");
        auto* name = d->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(types && name);
        if (choose == 1) QTest::keyClick(types, Qt::Key_Down);
        name->setText("typed");
        static_cast<QFileDialog*>(d)->setDirectory(dir_.path());
        QMetaObject::invokeMethod(d, "accept");
      };
      ed->findChild<QAction*>("mnuSaveAs")->trigger();
      QCOMPARE(ed->windowTitle(), "KRV Worksheet - " + dir_.filePath(written));
      QVERIFY(QFile::exists(dir_.filePath(written)));
    }
    QVERIFY(!QFile::exists(dir_.filePath("typed")));
    // "No" to the question before replacing keeps the file as it was.
    const QString kept = Write("kept.csv", "old\n");
    bool asked = false;
    host_->inDialog = [this, &asked](QDialog* d) {
      QTest::keyClick(d->findChild<QComboBox*>("fileTypeCombo"), Qt::Key_Down);
      d->findChild<QLineEdit*>("fileNameEdit")->setText("kept");
      static_cast<QFileDialog*>(d)->setDirectory(dir_.path());
      QTimer::singleShot(0, [&asked] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        asked = box->text().contains("kept.csv");
        box->button(QMessageBox::No)->click();
      });
      QMetaObject::invokeMethod(d, "accept");
    };
    ed->findChild<QAction*>("mnuSaveAs")->trigger();
    QVERIFY(asked);
    QFile k(kept);
    QVERIFY(k.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(k.readAll()), QString("old\n"));
  }

  void waitAndNoticeWindows() {
    window_->HoldOn("Loading Worksheet.");
    QVERIFY(window_->Wait()->isVisible());
    QCOMPARE(window_->Wait()->Text(), QString("Loading Worksheet.\nPlease Wait..."));
    window_->HoldOn("");
    QVERIFY(!window_->Wait()->isVisible());
    auto* notice = window_->findChild<NoticeWindow*>("frmSplashMsg");
    QVERIFY(notice);
    window_->ShowWaitBox("", false);
    QCOMPARE(notice->Text(), QString("Processing Request...please wait!"));
    QVERIFY(notice->isVisible());
    window_->HideWaitBox("done");
    QVERIFY(!notice->isVisible());
    QCOMPARE(notice->LastMessage(), QString("done"));
  }

  // "Dynamic Menu", "Dynamic Endo" and "Dynamic Exo" stand on the main window, the menu
  // button opening the panel; the panel, shown, covers no grid, and its years box is labelled.
  void dynamicPanelOpensFromTheMainWindowBesideTheGrids() {
    QWidget* panel = Find<QWidget>("picMore");
    for (const char* outside : {"cmdDynamicMenu", "cmdDynamicEndo", "cmdDynamicExo"}) {
      QVERIFY2(!panel->isAncestorOf(Find<QWidget>(outside)), outside);
    }
    for (const char* inside : {"cmdDynamicX", "txtExtd", "Command1", "lstDyn", "txtDyn", "optDyn(2)"}) {
      QVERIFY2(panel->isAncestorOf(Find<QWidget>(inside)), inside);
    }
    Click("cmdDynamicMenu");
    QVERIFY(panel->isVisible());
    for (int i = 0; i < 6; ++i) {
      QVERIFY2(!panel->geometry().intersects(window_->GridFrame(i)->geometry()), qPrintable(QString::number(i)));
    }
    QLabel* years = nullptr;
    for (QLabel* l : panel->findChildren<QLabel*>()) {
      if (l->buddy() == Find<QWidget>("txtExtd")) years = l;
    }
    QVERIFY(years && !years->text().isEmpty());
    Click("cmdDynamicMenu");
    QVERIFY(!panel->isVisible());
    QVERIFY(window_->GridFrame(4)->geometry().right() > panel->geometry().left());  // the grids take the room back
  }

  void dynamicPanelToggles() {
    QWidget* panel = Find<QWidget>("picMore");
    QWidget* dummy = Find<QWidget>("chkDummy");
    QVERIFY(!panel->isVisible());
    Find<QLabel>("lblBack")->linkActivated("#");
    QVERIFY(panel->isVisible());
    QVERIFY(dummy->isVisible());
    Click("Command1");
    QVERIFY(!panel->isVisible());
    QTest::mouseClick(Find<QLineEdit>("txtCols"), Qt::LeftButton);
    QVERIFY(panel->isVisible());
  }

  void modelStagesByTheirButtons() {
    host_->files = {Write("model_BMAT.csv", ",Y1,Y2,X\nY1,0,0.5,1\nY2,0.2,0,0\n").toStdString()};
    Click("cmdSelectFile(1)");
    host_->inputs = {"2"};
    Click("cmdEXV");
    QCOMPARE(window_->GridCaption(0), QString("Exo Matrix"));
    auto* list = Find<QListWidget>("lstImpVars");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QString("X"));
    QVERIFY(Find<QPushButton>("cmdInvert")->isEnabled());
    QVERIFY(!Find<QPushButton>("cmdMultiply")->isEnabled());
    Click("cmdInvert");
    QCOMPARE(window_->GridCaption(1), QString("Inverse of Endo Matrix"));
    Click("cmdMultiply");
    QCOMPARE(window_->GridCaption(2), QString("B1 Matrix"));
    QCOMPARE(window_->GridCaption(3), QString("B2 Matrix"));
    QCOMPARE(Cell(2, 1, 1), QString("1.1111"));
    QCOMPARE(Cell(3, 2, 1), QString("-0.2222"));
    Click("cmdReciprocal");
    QCOMPARE(window_->GridCaption(1), QString("Reciprocal of Impact Matrix"));
    QCOMPARE(Cell(1, 1, 1), QString("0.9000"));
  }

  void wholeChainFromTheSample() {
    const QString samples = QUANTORIAL_SAMPLES_DIR;
    host_->files = {(samples + "/klein.csv").toStdString()};
    Click("cmdSelectFile(0)");
    QCOMPARE(Find<QLineEdit>("txtData(1)")->text(), samples + "/klein_NOR_BMAT.CSV");
    QVERIFY(Find<QPushButton>("cmdRunAll")->isEnabled());
    host_->inputs = {"4"};
    Click("cmdRunAll");
    // The trend ends with its chart, which shows the three source matrices.
    QCOMPARE(window_->GridCaption(1), QString("predicted matrix"));
    QVERIFY(window_->Chart() && window_->Chart()->isVisible());
    QCOMPARE(window_->Chart()->Description().title, std::string("C CHART"));
    QCOMPARE(window_->Chart()->Chart()->series().size() >= 2, true);
    auto* series = Find<QComboBox>("cboPlot");
    QCOMPARE(series->count(), 4);
    QCOMPARE(series->itemText(0), QString("1=C"));
    QCOMPARE(series->currentIndex(), 0);
    QVERIFY(Find<QPushButton>("cmdForecast")->isEnabled());
    const Workspace& ws = window_->Bench().ws;
    QCOMPARE(ws.mImpact.UpperCol(), 5);
    QCOMPARE(ws.mCalculated.UpperRow(), 21);  // 22 years, shifted by one
    // Choose the third series, switch on Reuse: the trend runs again and keeps it.
    series->setCurrentIndex(2);
    QTest::mouseClick(Find<QCheckBox>("chkReuse"), Qt::LeftButton);
    QCOMPARE(window_->Bench().form.chkReuse, 1);
    QCOMPARE(series->currentIndex(), 2);
    host_->forecastFile = (samples + "/klein_forecast.csv").toStdString();
    Click("cmdForecast");
    QCOMPARE(window_->GridCaption(2), QString("forecast matrix"));  // the chart's closing previews
    QCOMPARE(window_->GridCaption(4), QString("Forecast Matrix"));
    QVERIFY(ws.bForecastDone);
    QCOMPARE(ws.mForecast.UpperRow(), ws.mCalculated.UpperRow() + 3);
  }

  // The two dialogs answer their widgets through the command table, as script lines do.
  void dialogsWorkThroughTheCommandTable() {
    const QString samples = QUANTORIAL_SAMPLES_DIR;
    host_->files = {(samples + "/klein.csv").toStdString()};
    Click("cmdSelectFile(0)");
    host_->inputs = {"4"};
    Click("cmdRunAll");
    QString fromYear;
    host_->inDialog = [&](QDialog* d) {
      auto* data = d->findChild<QLineEdit*>("txtData(0)");
      QTest::keyClicks(data, samples + "/klein_forecast.csv");
      emit data->editingFinished();  // as leaving the box does
      fromYear = d->findChild<QLineEdit*>("txtFromYear")->text();
      QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    };
    Click("cmdForecast");
    QVERIFY(!host_->inDialog);
    const Workspace& ws = window_->Bench().ws;
    QCOMPARE(fromYear.toStdString(), CellText(ws.mForecastExo.Get(1, 0)));  // shown from the file taken
    QVERIFY(ws.bForecastDone);
    QCOMPARE(ws.mForecast.UpperRow(), ws.mCalculated.UpperRow() + 3);

    // OK writes what was typed, checked and chosen; Cancel writes nothing.
    const SettingsStore& settings = *window_->Bench().Settings();
    host_->inDialog = [](QDialog* d) {
      QTest::keyClicks(d->findChild<QLineEdit*>("txtChartTitle"), "Klein");
      QTest::mouseClick(d->findChild<QCheckBox*>("chkMarkers"), Qt::LeftButton);
      d->findChild<QComboBox*>("cboMarkerSize")->setCurrentText("5");
      QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    };
    Click("cmdChartTitle");
    QVERIFY(!host_->inDialog);
    QCOMPARE(settings.GetDbSetting("quantorial", "ChartTitle", ""), std::string("Klein"));
    QCOMPARE(settings.GetDbSetting("quantorial", "ShowMarkers", ""), std::string("1"));
    QCOMPARE(settings.GetDbSetting("quantorial", "MarkerSize", ""), std::string("5"));
    host_->inDialog = [](QDialog* d) {
      QTest::keyClicks(d->findChild<QLineEdit*>("txtChartTitle"), " more");
      QTest::mouseClick(d->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
    };
    Click("cmdChartTitle");
    QCOMPARE(settings.GetDbSetting("quantorial", "ChartTitle", ""), std::string("Klein"));
  }

  void chartDrawingAndTheClipboard() {
    const QString samples = QUANTORIAL_SAMPLES_DIR;
    host_->files = {(samples + "/klein.csv").toStdString()};
    Click("cmdSelectFile(0)");
    host_->inputs = {"4"};
    QGuiApplication::clipboard()->clear();
    Click("cmdRunAll");
    ChartWindow* chart = window_->Chart();
    QVERIFY(chart);
    QCOMPARE(chart->windowTitle(), QString("Chart Preview"));
    QStringList names;
    for (QAbstractSeries* s : chart->Chart()->series()) {
      if (!names.contains(s->name())) names << s->name();
    }
    QCOMPARE(names, QStringList({"Actual C", "Predicted C"}));
    QCOMPARE(chart->Chart()->title(), QString("C CHART"));
    QVERIFY(!QGuiApplication::clipboard()->image().isNull());
    // Switched off by the option, the picture is not copied.
    window_->Bench().Settings()->SaveDbSetting("quantorial", "DontCopyChart", "1");
    QGuiApplication::clipboard()->clear();
    chart->hide();
    Click("cmdChart");
    QVERIFY(chart->isVisible());
    QVERIFY(QGuiApplication::clipboard()->image().isNull());
    Click("cmdChartTitle");
    QCOMPARE(host_->chartOptionDialogs, 1);
    // The scale box redraws at once.
    QTest::keyClicks(Find<QLineEdit>("txtScale"), "1");
    QCOMPARE(chart->Description().yTitle, std::string("C ('0)"));
    // The picture can be saved.
    QString error;
    QVERIFY(SaveChartPicture(chart->Description(), dir_.filePath("c.png"), 600, 400, error));
    QVERIFY(QFileInfo(dir_.filePath("c.png")).size() > 1000);
  }

  void excelPreviewAndEnterOnAGrid() {
    host_->files = {Write("e.csv", "Year,C\n1920,39.8\n").toStdString()};
    Click("cmdSelectFile(0)");
    QTest::keyClick(window_->Grid(0), Qt::Key_Return);
    QCOMPARE(host_->opened.size(), 1);
    QVERIFY(host_->opened[0].contains("/Data/KRV-TMP-"));
    QVERIFY(QFileInfo::exists(host_->opened[0]));
    auto* list = Find<QComboBox>("cboArrays");
    Focus(list);
    list->setCurrentIndex(0);
    Click("cmdViewMatrix");
    QCOMPARE(host_->opened.size(), 2);
    QVERIFY(!QFileInfo::exists(host_->opened[0]) || host_->opened[0] == host_->opened[1]);
  }

  // Boxes and dialogs opened inside a command are not hidden under the wait window.
  void boxesAreNotCoveredByTheWaitWindow() {
    host_->files = {Write("junk.xlsx", "\x01\x02 junk \xff\xfe").toStdString()};
    Click("cmdSelectFile(0)");
    QCOMPARE(host_->messages.size(), 1);
    QVERIFY2(host_->messages[0].contains("not a valid workbook (damaged, or not a spreadsheet)"),
             qPrintable(host_->messages[0]));
    host_->files = {Write("w.csv", "Year,y,x\n2001,10,4\n2002,12,6\n2003,13,6\n").toStdString(),
                    Write("w_BMAT.csv", ",y,x\ny,0,0.5\n").toStdString()};
    Click("cmdSelectFile(0)");
    Click("cmdSelectFile(1)");
    host_->inputs = {"1"};
    Click("cmdRunAll");  // its question comes while "Running All Stages" shows
    QVERIFY(window_->Bench().ws.mCalculated.IsFilled());
    QCOMPARE(host_->coveredDialogs, 0);
    QVERIFY(!window_->Wait()->isVisible());
  }

  // A file that does not load leaves no earlier table on screen as if it were its own,
  // and what needs data waits.
  void aFailedLoadClearsItsGrid() {
    host_->files = {Write("good.csv", "Year,C,P\n1920,39.8,12.7\n1921,41.9,-0.2\n").toStdString(),
                    Write("m_BMAT.csv", ",C,P\nC,0,0.25\nP,0.125,0\n").toStdString(),
                    Write("n_BMAT.csv", ",C,P\nC,0,0.5\nP,0.5,0\n").toStdString(),
                    Write("bad.csv", "Year,\"C\n1920,1\n").toStdString()};
    Write("m_AMAT.csv", ",C,P\nC,1,2\nP,3,4\n");
    Click("cmdSelectFile(0)");
    Click("cmdSelectFile(1)");
    QCOMPARE(window_->GridCaption(3), QString("Normal AMAT Matrix"));
    Click("cmdSelectFile(1)");  // a B-matrix without an A file
    QCOMPARE(window_->GridCaption(2), QString("Normal BMAT Matrix"));
    QCOMPARE(window_->GridCaption(3), QString());
    QCOMPARE(window_->Grid(3)->model()->rowCount(), 0);
    QVERIFY(Find<QPushButton>("cmdRunAll")->isEnabled());
    Click("cmdSelectFile(0)");  // an unclosed quote: nothing loads
    QCOMPARE(host_->messages.size(), 1);
    QCOMPARE(window_->GridCaption(0), QString());
    QCOMPARE(window_->Grid(0)->model()->rowCount(), 0);
    QVERIFY(!Find<QPushButton>("cmdRunAll")->isEnabled());
  }

  // Without a program for workbooks the person is told where the workbook went.
  void excelPreviewWithoutAProgramSaysWhere() {
    host_->files = {Write("x.csv", "Year,C\n1920,39.8\n").toStdString()};
    Click("cmdSelectFile(0)");
    host_->desktopOpens = false;
    QTest::keyClick(window_->Grid(0), Qt::Key_Return);
    QCOMPARE(host_->opened.size(), 1);
    QCOMPARE(host_->messages.size(), 1);
    QVERIFY(host_->messages[0].contains("the workbook was written to\n" + host_->opened[0]));
    QVERIFY(QFileInfo::exists(host_->opened[0]));
  }

  // Columns fit their texts: long names, years and many decimals are not cut.
  void columnsFitTheirTexts() {
    host_->files = {
        Write("wide.csv", "Year,Gross domestic product at constant prices,x\n1920,123456789.25,1\n").toStdString()};
    for (int i = 0; i < 6; ++i) Click("cmdDecimals(0)");  // ten decimals
    Click("cmdSelectFile(0)");
    QTableView* grid = window_->Grid(0);
    QFont bold = grid->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    for (const auto& [row, col] : {std::pair{0, 1}, std::pair{1, 1}, std::pair{1, 0}}) {
      const QString text = Cell(0, row, col);
      QVERIFY2(grid->columnWidth(col) >= metrics.horizontalAdvance(text), qPrintable(text));
    }
    QVERIFY(grid->columnWidth(2) < grid->columnWidth(1));  // a short column stays narrow
    // Of labels as long as one another the widest sets the width, not the first ("Year").
    LabelledMatrix labels = LabelledMatrix::Dimension(3, 1);
    const char* names[] = {"Year", "CHC", "CHWp", "CHWg"};
    for (int r = 0; r <= 3; ++r) labels.Set(r, 0, std::string(names[r]));
    window_->Preview(labels, 3, "Normal AMAT Matrix");
    // A cell draws its text inside the style's margins on either side and the grid line.
    const int margins =
        2 * window_->Grid(3)->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, window_->Grid(3)) + 1;
    for (const char* name : names) {
      QVERIFY2(window_->Grid(3)->columnWidth(0) >= metrics.horizontalAdvance(name) + margins, name);
    }
  }

  // A grid's caption shows whole over its grid, in a smaller type if need be; one too long
  // even so ends in "…" and shows whole in its tool tip. The window keeps the whole caption.
  void gridCaptionsFitTheirGrids() {
    for (const QString& caption : {QString("Primary Requirement Data Matrix"), QString("RHS"),
                                   QString("A caption far too long to stand over any grid of this window at all")}) {
      window_->Preview(LabelledMatrix::Dimension(1, 1), 5, caption);
      QCOMPARE(window_->GridCaption(5), caption);
      auto* label = window_->GridFrame(5)->findChild<QLabel*>("lblCaption(5)");
      QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= window_->GridFrame(5)->width(),
               qPrintable(caption));
      QVERIFY2(label->text() == caption || label->toolTip() == caption, qPrintable(caption));
    }
  }

  void regressionFromTheWindow() {
    // The sample copied next to the test so the regression files land there.
    const QString data = dir_.filePath("klein.csv");
    QFile::remove(data);
    QVERIFY(QFile::copy(QString(QUANTORIAL_SAMPLES_DIR) + "/klein.csv", data));
    host_->files = {data.toStdString()};
    Click("cmdSelectFile(0)");
    QTest::mouseClick(Find<QRadioButton>("opt1Percent"), Qt::LeftButton);
    QVERIFY(window_->Bench().form.useOnePercent);
    Click("cmdNormalVarReg");
    QCOMPARE(Find<QLineEdit>("txtData(1)")->text(), dir_.filePath("klein_NOR_BMAT.CSV"));
    QCOMPARE(window_->GridCaption(2), QString("Normal BMAT Matrix @ 1% Sig."));
    QCOMPARE(window_->GridCaption(3), QString("Normal AMAT Matrix @ 1% Sig."));
    QVERIFY(QFile::exists(dir_.filePath("klein_REG_NOR.CSV")));
    QVERIFY(Find<QPushButton>("cmdEXV")->isEnabled());
    // The model runs on the B table the regressions made.
    host_->inputs = {"4"};
    Click("cmdRunAll");
    QCOMPARE(window_->GridCaption(1), QString("predicted matrix"));
    QCOMPARE(window_->Bench().ws.mCalculated.UpperRow(), 21);
    // The change transformation runs once; a second press only says so.
    Click("cmdChange");
    QVERIFY(window_->Bench().ws.mChangeData.IsFilled());
    const int messages = host_->messages.size();
    Click("cmdChange");
    QCOMPARE(host_->messages.size(), messages + 1);
    QCOMPARE(host_->messages.last(), QString("The trend / level data has already been converted to change."));
  }

  void noSecondCommandWhileOneRuns() {
    host_->files = {(QString(QUANTORIAL_SAMPLES_DIR) + "/klein.csv").toStdString()};
    host_->whileWaiting = [this] {
      Click("cmdChartTitle");
      Click("cmdClear");
    };
    Click("cmdSelectFile(0)");
    QVERIFY(!host_->whileWaiting);  // the presses were made during the load
    QCOMPARE(host_->chartOptionDialogs, 0);
    QVERIFY(window_->Bench().ws.mObserved.IsFilled());
    QCOMPARE(Find<QLineEdit>("txtData(0)")->text(), QString(QUANTORIAL_SAMPLES_DIR) + "/klein.csv");
    // Once the load is over the window takes commands again.
    Click("cmdChartTitle");
    QCOMPARE(host_->chartOptionDialogs, 1);
    Click("cmdClear");
    QVERIFY(!window_->Bench().ws.mObserved.IsFilled());
  }

  // The splash closes itself on a click or a key (or the window manager closes it) before
  // start-up is over; start-up then closing it again must not touch the deleted window.
  void splashClosedBeforeStartUpEnds() {
    for (const bool byKey : {false, true}) {
      StartupSplash splash;
      QVERIFY(splash.Window() && splash.Window()->isVisible());
      if (byKey) {
        QTest::keyClick(splash.Window(), Qt::Key_Space);
      } else {
        QTest::mouseClick(splash.Window(), Qt::LeftButton);
      }
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      QVERIFY(!splash.Window());
      splash.Close();
    }
  }

  // The chart window first opens over the grids, clear of the command panel; where the
  // user moves it is where it opens after a restart, unless that is off every screen.
  void chartWindowOpensOverTheGridsAndKeepsItsPlace() {
    ChartDescription d;
    d.title = "P";
    d.rowLabels = {"2001", "2002"};
    d.series = {{"a", {1.0, 2.0}, false}};
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
      const char* name;
      QPoint movedTo;  // (0, 0): not moved
      bool kept;
    };
    const Case cases[] = {
        {"first opening", QPoint(), false},
        {"moved on the screen", screen.topLeft() + QPoint(37, 21), true},
        {"moved off every screen", QPoint(-30000, -30000), false},
    };
    for (const Case& c : cases) {
      Restart();
      window_->ShowChart(d, false);
      QWidget* chart = window_->Chart();
      QVERIFY(chart->isVisible());
      if (!c.movedTo.isNull()) {
        chart->move(c.movedTo);
        Restart();
        window_->ShowChart(d, false);
        chart = window_->Chart();
      }
      const QRect panel(Find<QWidget>("Picture1Frame")->mapToGlobal(QPoint(0, 0)),
                        Find<QWidget>("Picture1Frame")->size());
      if (c.kept) {
        QVERIFY2(chart->frameGeometry().topLeft() == c.movedTo, c.name);
      } else {
        QVERIFY2(chart->frameGeometry().topLeft() == window_->GridArea().topLeft(), c.name);
        QVERIFY2(!chart->frameGeometry().intersects(panel), qPrintable(QString("%1: %2 %3 %4 %5")
                                                                           .arg(c.name)
                                                                           .arg(chart->frameGeometry().height())
                                                                           .arg(window_->GridArea().height())
                                                                           .arg(panel.top())
                                                                           .arg(window_->height())));
      }
    }
  }

  // While a session is recorded the window says so beside its menus and in its title.
  void recordingShowsAMark() {
    QTemporaryDir session;
    host_->saves = {session.filePath("mine.qs").toStdString()};
    Trigger("mnuRecord");
    QVERIFY(window_->RecordMark()->isVisible());
    QVERIFY(window_->RecordMark()->text().contains("Recording mine.qs"));
    QVERIFY(window_->windowTitle().startsWith("KRV - Model Testing"));
    QVERIFY(window_->windowTitle().contains("recording"));
    Trigger("mnuRecord");
    QVERIFY(!window_->RecordMark()->isVisible());
    QCOMPARE(window_->windowTitle(), QString("KRV - Model Testing"));
  }

  // A colour picked for a series stays with it when the chart is drawn again; a cancelled
  // title font asks nothing more.
  void chartKeepsPickedColoursAndCancelledFontsAskNoMore() {
    ChartDescription d;
    d.title = "P";
    d.rowLabels = {"2001", "2002"};
    d.series = {{"a", {1.0, 2.0}, false}, {"b", {2.0, 1.0}, false}};
    window_->ShowChart(d, false);
    ChartWindow* chart = window_->Chart();
    chart->SetSeriesColour("b", QColor(Qt::magenta));
    window_->ShowChart(d, false);
    for (QAbstractSeries* s : chart->Chart()->series()) {
      const QColor colour = static_cast<QLineSeries*>(s)->pen().color();
      QCOMPARE(colour == QColor(Qt::magenta), s->name() == "b");
    }
    // Every dialog that opens is cancelled and its title noted, until the click returns.
    struct Answers {
      QStringList asked;
      bool over = false;
      void Next(const std::shared_ptr<Answers>& self) {
        if (over) return;
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
          asked << dialog->windowTitle();
          dialog->reject();
        }
        QTimer::singleShot(10, [self] { self->Next(self); });
      }
    };
    auto answers = std::make_shared<Answers>();
    QTimer::singleShot(0, [answers] { answers->Next(answers); });
    QTest::mouseClick(chart->findChild<QChartView*>("MSChart1")->viewport(), Qt::LeftButton, {}, QPoint(300, 10));
    answers->over = true;
    QCOMPARE(answers->asked, QStringList({"Title Font"}));
  }

  // Markers at the first and the last year are drawn whole, not cut by the plot's edge.
  void markersAtTheEdgesAreWhole() {
    ChartDescription d;
    d.title = "M";
    d.rowLabels = {"2001", "2002", "2003"};
    d.series = {{"a", {5.0, std::nullopt, 5.0}, false}};  // lone points at both ends
    d.showMarkers = true;
    d.markerSize = 12;
    const QString path = dir_.filePath("edges.png");
    QString error;
    QVERIFY2(SaveChartPicture(d, path, 600, 400, error), qPrintable(error));
    const QImage image(path);
    const QColor colour = SeriesColor(0);
    int columns = 0;
    for (int xx = 80; xx < image.width(); ++xx) {
      bool marked = false;
      for (int yy = 0; yy < 330 && !marked; ++yy) {
        const QColor c = image.pixelColor(xx, yy);
        marked = std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                     std::abs(c.blue() - colour.blue()) <
                 40;
      }
      columns += marked ? 1 : 0;
    }
    const double expected = 2 * 12 * 96.0 / 72.0;
    QVERIFY2(std::fabs(columns - expected) <= 6, qPrintable(QString("two markers drew %1 px").arg(columns)));
  }

  // "Marker Size" is in points: 12 points are 16 pixels across on a 96-dpi picture.
  void markersAreAsLargeAsTheirSize() {
    for (const double points : {6.0, 12.0}) {
      ChartDescription d;
      d.title = "M";
      d.rowLabels = {"2001", "2002", "2003"};
      d.series = {{"a", {std::nullopt, 5.0, std::nullopt}, false}};  // a lone point: no line
      d.showMarkers = true;
      d.markerSize = points;
      const QString path = dir_.filePath("markers.png");
      QString error;
      QVERIFY2(SaveChartPicture(d, path, 600, 400, error), qPrintable(error));
      const QImage image(path);
      const QColor colour = SeriesColor(0);
      int left = image.width(), right = -1;
      for (int yy = 0; yy < image.height(); ++yy) {
        for (int xx = 0; xx < image.width(); ++xx) {
          const QColor c = image.pixelColor(xx, yy);
          if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                      std::abs(c.blue() - colour.blue()) <
                  40 &&
              xx > 80 && yy < 330) {
            left = std::min(left, xx);
            right = std::max(right, xx);
          }
        }
      }
      const double across = right - left + 1, expected = points * 96.0 / 72.0;
      QVERIFY2(std::fabs(across - expected) <= 3, qPrintable(QString("%1 points drew %2 px").arg(points).arg(across)));
    }
  }

  // Every button, check box, option button, text box, list and menu item of the window is
  // wired through the command table, and every entry of the table has its widget (or is an
  // event of a panel or a grid).
  void everyControlGoesThroughTheTable() {
    QStringList missing;
    for (QWidget* w : window_->findChildren<QWidget*>()) {
      const QString name = w->objectName();
      const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                           qobject_cast<QListWidget*>(w) || qobject_cast<QComboBox*>(w);
      if (!control || name.isEmpty() || name.startsWith("qt_") || w->window() != window_.get()) continue;
      if (name == "txtShow") continue;  // a view, not a control
      if (!FindControl(name.toStdString())) missing << name;
    }
    for (QAction* a : window_->findChildren<QAction*>()) {
      const QString name = a->objectName();
      if (name.startsWith("mnu") && !a->menu() && !FindControl(name.toStdString())) missing << name;
    }
    QVERIFY2(missing.isEmpty(), qPrintable("no entry for " + missing.join(", ")));
    QStringList unwired;
    for (const ControlEntry& e : ControlTable()) {
      const QString name = QString::fromStdString(e.name);
      if (name.contains('.') || name == "Picture1" || name.startsWith("grdShow(")) continue;
      if (!window_->findChild<QWidget*>(name) && !window_->findChild<QAction*>(name)) unwired << name;
    }
    QVERIFY2(unwired.isEmpty(), qPrintable("no widget for " + unwired.join(", ")));
  }

  // A session recorded in the window and played by the script player gives the same
  // workspace, slot by slot, byte for byte.
  void aRecordedSessionReplaysToTheSameWorkspace() {
    const QString samples = QUANTORIAL_SAMPLES_DIR;
    QTemporaryDir session, replay;
    for (QTemporaryDir* d : {&session, &replay}) {
      QFile::copy(samples + "/klein.csv", d->filePath("k.csv"));
      QFile::copy(samples + "/klein_NOR_BMAT.CSV", d->filePath("kb_BMAT.csv"));
      QFile::copy(samples + "/klein_forecast.csv", d->filePath("fc.csv"));
    }
    host_->saves = {session.filePath("session.qs").toStdString()};
    Trigger("mnuRecord");
    QCOMPARE(Find<QAction>("mnuRecord")->text(), QString("Stop Recording"));
    host_->files = {session.filePath("k.csv").toStdString(), session.filePath("kb_BMAT.csv").toStdString()};
    Click("cmdSelectFile(0)");
    Click("cmdSelectFile(1)");
    host_->inputs = {"4"};
    Click("cmdRunAll");
    Find<QComboBox>("cboPlot")->setCurrentIndex(1);
    QTest::mouseClick(Find<QCheckBox>("chkAbs"), Qt::LeftButton);
    // The real dialog: its actions run inside the forecast, so they are written as its answer.
    host_->inDialog = [&](QDialog* d) {
      auto* data = d->findChild<QLineEdit*>("txtData(0)");
      QTest::keyClicks(data, session.filePath("fc.csv"));
      emit data->editingFinished();
      QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    };
    Click("cmdForecast");
    QTest::mouseClick(Find<QRadioButton>("opt1Percent"), Qt::LeftButton);
    Click("cmdNormalVarReg");
    Click("cmdSplitTable");
    Click("cmdQ(1)");
    Trigger("mnuRecord");
    QCOMPARE(Find<QAction>("mnuRecord")->text(), QString("Record Session Script..."));
    QString text;
    ReplayGivesTheSameWorkspace(session, replay, text);
    if (QTest::currentTestFailed()) return;
    QVERIFY2(text.contains("answer k.csv\nclick cmdSelectFile(0)"), qPrintable(text));  // relative paths
    QVERIFY2(text.contains("answer 4\nclick cmdRunAll"), qPrintable(text));
    QVERIFY2(text.contains("answer frmForecast set txtData(0) fc.csv"), qPrintable(text));
    QVERIFY(!text.contains("mnuRecord"));
  }

  // A session through every window and dialog the workbench opens for its commands (the
  // forecast and chart options dialogs, the dynamic panel, the worksheet editor) and the
  // planning commands, recorded and played: the same workspace and the same editor file.
  void aSessionThroughEveryWindowReplays() {
    const QString samples = QUANTORIAL_SAMPLES_DIR;
    QTemporaryDir session, replay;
    for (QTemporaryDir* d : {&session, &replay}) {
      QFile::copy(samples + "/klein.csv", d->filePath("k.csv"));
      QFile::copy(samples + "/klein_NOR_BMAT.CSV", d->filePath("kb_BMAT.csv"));
      QFile::copy(samples + "/klein_forecast.csv", d->filePath("fc.csv"));
      std::ofstream(d->filePath("targets.csv").toStdString()) << "Sector,Type,Target\nC,,60\nI,,5\nWp,,40\nX,,80\n";
      std::ofstream(d->filePath("lp.csv").toStdString()) << ",x,y,rel,rhs\nlabour,1,2,<=,4\nmachines,3,1,<=,6\n";
    }
    host_->saves = {session.filePath("session.qs").toStdString()};
    Trigger("mnuRecord");
    host_->files = {session.filePath("k.csv").toStdString(), session.filePath("kb_BMAT.csv").toStdString()};
    Click("cmdSelectFile(0)");
    Click("cmdSelectFile(1)");
    host_->inputs = {"4"};
    Click("cmdRunAll");
    host_->inDialog = [&](QDialog* d) {
      auto* data = d->findChild<QLineEdit*>("txtData(0)");
      QTest::keyClicks(data, session.filePath("fc.csv"));
      emit data->editingFinished();
      QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    };
    Click("cmdForecast");
    // The chart options dialog: markers on, the first series skipped.
    host_->inDialog = [&](QDialog* d) {
      QTest::mouseClick(d->findChild<QCheckBox*>("chkMarkers"), Qt::LeftButton);
      d->findChild<QComboBox*>("cboSkipSeries")->setCurrentIndex(1);
      QTest::mouseClick(d->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    };
    Click("cmdChartTitle");
    QCOMPARE(host_->chartOptionDialogs, 1);
    // The dynamic panel and the planning commands.
    QTest::mouseClick(Find<QLineEdit>("txtCols"), Qt::LeftButton);
    Click("cmdDynamicExo");
    Click("cmdReciprocal");
    auto* aspire = Find<QLineEdit>("txtAspire");
    aspire->clear();
    QTest::keyClicks(aspire, "1~1939~C+1");
    Click("cmdAspire");
    host_->files = {session.filePath("targets.csv").toStdString(), session.filePath("lp.csv").toStdString()};
    Click("cmdKALDRON");
    Trigger("mnuSolve");
    // The worksheet editor: a number typed into A1, saved under a name of its own.
    Trigger("mnuEditor");
    auto* editor = window_->findChild<QMainWindow*>("frmEdit");
    QVERIFY(editor && editor->isVisible());
    auto* grid = editor->findChild<QWidget*>("Fg2");
    QTest::keyClick(grid, Qt::Key_4);  // opens the edit box with the key typed
    auto* edit = editor->findChild<QWidget*>("txtEdit");
    QTest::keyClick(edit, Qt::Key_2);
    QTest::keyClick(edit, Qt::Key_Return);
    host_->saves = {session.filePath("sheet.csv").toStdString()};
    editor->findChild<QAction*>("mnuSaveAs")->trigger();
    editor->findChild<QAction*>("mnuExit")->trigger();
    Trigger("mnuRecord");
    QVERIFY(host_->files.empty());
    QVERIFY(host_->inputs.empty());
    QString text;
    ReplayGivesTheSameWorkspace(session, replay, text);
    if (QTest::currentTestFailed()) return;
    for (const char* line : {"answer frmChartOptions check chkMarkers 1", "set txtAspire 1~1939~C+1\nclick cmdAspire",
                             "answer targets.csv\nclick cmdKALDRON", "click frmEdit.mnuSaveAs"}) {
      QVERIFY2(text.contains(line), qPrintable(QString(line) + " not in\n" + text));
    }
    QFile sheetA(session.filePath("sheet.csv")), sheetB(replay.filePath("sheet.csv"));
    QVERIFY(sheetA.open(QIODevice::ReadOnly) && sheetB.open(QIODevice::ReadOnly));
    const QByteArray sheet = sheetA.readAll();
    QVERIFY2(sheet.startsWith("42"), sheet.constData());
    QCOMPARE(sheetB.readAll(), sheet);
    const QDir windowDir(session.filePath("window"));
    for (const char* slot : {"mForecast", "mAspirationResult", "mDevOutput", "mLpSolution"}) {
      QVERIFY2(windowDir.exists(QString(slot) + ".csv"), slot);
    }
  }

  void lastFilesComeBack() {
    const QString klein = Write("again.csv", "Year,C\n1920,1\n");
    host_->files = {klein.toStdString()};
    Click("cmdSelectFile(0)");
    Restart();
    window_->Form_Load();
    QCOMPARE(Find<QLineEdit>("txtData(0)")->text(), klein);
    QCOMPARE(window_->GridCaption(0), QString("Trend Matrix"));
  }

  // "Estimate System" opens whole on the screen, with room for the title bar and frame the
  // window manager adds, and the labels of the method and the sample are the mnemonics of
  // their fields (shown underlined, not as "&Method:").
  void estimateWindowFitsTheScreenAndItsLabelsLeadToTheirFields() {
    Trigger("mnuEstimateSystem");
    EstimateSystemWindow* est = window_->EstimateSystem();
    QVERIFY(est && est->isVisible());
    const QRect room = est->screen()->availableGeometry();
    // The frame's corner, then the window with a title bar of up to 32 pixels and a frame of 8.
    const QRect framed(est->frameGeometry().topLeft(), est->size() + QSize(2 * 8, 32 + 8));
    QVERIFY2(room.contains(framed), qPrintable(QString("%1,%2 %3x%4 on a screen of %5x%6")
                                                   .arg(framed.x())
                                                   .arg(framed.y())
                                                   .arg(framed.width())
                                                   .arg(framed.height())
                                                   .arg(room.width())
                                                   .arg(room.height())));
    for (const char* field : {"cboMethod", "txtSample"}) {
      QWidget* w = est->findChild<QWidget*>(field);
      QVERIFY2(w, field);
      const QLabel* label = nullptr;
      for (const QLabel* l : est->findChildren<QLabel*>()) {
        if (l->buddy() == w) label = l;
      }
      QVERIFY2(label && label->text().contains('&'), field);
    }
  }

  // What "Estimate System" does shows in the main window at once ("Use in Workbench" loads
  // the estimated model's files and sets the number of endogenous variables), and the boxes
  // and file dialogs its commands ask for open over it, also when the main window is the
  // active one (so that closing them leaves the estimation in front).
  void estimateWindowActsOnTheMainWindowAndAsksOverItself() {
    const QString samples = QUANTORIAL_SAMPLES_DIR;
    host_->files = {(samples + "/klein.csv").toStdString()};
    Click("cmdSelectFile(0)");
    Trigger("mnuEstimateSystem");
    EstimateSystemWindow* est = window_->EstimateSystem();
    QVERIFY(est);
    host_->files = {(samples + "/klein.sys").toStdString()};
    QTest::mouseClick(est->findChild<QPushButton*>("cmdOpenSystem"), Qt::LeftButton);
    auto* text = est->findChild<QPlainTextEdit*>("txtSystem");
    QTest::mouseClick(est->findChild<QPushButton*>("cmdEstimate"), Qt::LeftButton);
    QVERIFY(est->findChild<QPlainTextEdit*>("txtReport")->toPlainText().startsWith("System estimated by 3SLS"));
    QTest::mouseClick(est->findChild<QPushButton*>("cmdUseInWorkbench"), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>("txtData(0)")->text(), dir_.filePath("Data/klein_3sls.csv"));
    QCOMPARE(Find<QLineEdit>("txtData(1)")->text(), dir_.filePath("Data/klein_3sls_NOR_BMAT.CSV"));
    QCOMPARE(Find<QLineEdit>("txtRows")->text(), QString("7"));

    struct Case {
      const char* button;
      const char* system;  // the system text before the press
    };
    const Case cases[] = {
        {"cmdOpenSystem", nullptr},                // the open dialog, cancelled
        {"cmdSaveSystem", nullptr},                // the save dialog, cancelled
        {"cmdEstimate", "equation C const Nope"},  // the box telling what cannot be estimated
    };
    for (const Case& c : cases) {
      if (c.system) text->setPlainText(c.system);
      window_->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(window_.get()));
      host_->parents.clear();
      host_->messages.clear();
      QTest::mouseClick(est->findChild<QPushButton*>(c.button), Qt::LeftButton);
      QCOMPARE(host_->parents, QStringList({"frmEstimate"}));
    }
  }

  // A new chart brings back a chart window the user minimized, so that the multipliers or
  // the simulation just asked for are seen.
  void aNewChartShowsAMinimizedChartWindow() {
    ChartDescription d;
    d.title = "C: actual and simulated";
    d.rowLabels = {"1921", "1922"};
    d.series = {{"Actual C", {41.9, 45.0}, false}, {"Simulated C", {42.0, 44.1}, true}};
    window_->ShowChart(d, false);
    ChartWindow* chart = window_->Chart();
    chart->showMinimized();
    QVERIFY(chart->isMinimized());
    window_->ShowChart(d, false);
    QVERIFY(chart->isVisible() && !chart->isMinimized());
  }

  // Every series of a chart of up to ten has a colour of its own, well apart from the others:
  // the seven endogenous variables of Klein's model in the multipliers chart, a bar chart of
  // linkages with many primary inputs.
  void chartSeriesHaveColoursOfTheirOwn() {
    const std::vector<std::string> names = {"C", "I", "Wp", "P", "W", "X", "K", "G", "T", "Wg"};
    for (const std::size_t n : {std::size_t{7}, names.size()}) {
      ChartDescription d;
      d.title = "Interim multipliers";
      d.rowLabels = {"0", "1", "2"};
      for (std::size_t i = 0; i < n; ++i) d.series.push_back({names[i], {1.0 * i, 2.0, 3.0 - i}, false});
      std::unique_ptr<QChart> chart(BuildQChart(d));
      std::vector<QColor> colours;
      for (QAbstractSeries* s : chart->series()) {
        if (auto* line = qobject_cast<QLineSeries*>(s)) colours.push_back(line->pen().color());
      }
      QCOMPARE(colours.size(), n);
      for (std::size_t a = 0; a < n; ++a) {
        for (std::size_t b = a + 1; b < n; ++b) {
          const int apart = std::abs(colours[a].red() - colours[b].red()) +
                            std::abs(colours[a].green() - colours[b].green()) +
                            std::abs(colours[a].blue() - colours[b].blue());
          QVERIFY2(apart >= 80, qPrintable(QString("%1 and %2 of %3").arg(names[a].c_str(), names[b].c_str()).arg(n)));
        }
      }
    }
  }

  // The first start puts every kind of sample into the Data folder, so that each file dialog
  // ("Estimate System"'s Open..., File > Open Model..., the data files) opens on its sample;
  // the first folder that exists is used, and a file already there is kept as the user left it.
  void samplesOfEveryKindGoIntoTheDataFolder() {
    const QString data = dir_.filePath("fresh/Data");
    QDir().mkpath(data);
    const QString kept = data + "/klein.sys";
    std::ofstream(kept.toStdString()) << "# mine\n";
    CopySamples(data, {dir_.filePath("no such folder"), QUANTORIAL_SAMPLES_DIR});
    for (const char* name : {"klein.csv", "klein_NOR_BMAT.CSV", "lp_model.lp", "klein_session.qs", "io_table.csv"}) {
      QVERIFY2(QFile::exists(data + "/" + name), name);
    }
    QFile mine(kept);
    QVERIFY(mine.open(QIODevice::ReadOnly));
    QCOMPARE(mine.readAll(), QByteArray("# mine\n"));
    QFile::remove(kept);
    CopySamples(data, {QUANTORIAL_SAMPLES_DIR});
    QVERIFY(QFile::exists(kept));
  }

  // A sample given at start (as the start script gives klein.csv) opens as its copy in the
  // Data folder, so that a regression run on it writes its tables and keeps the earlier
  // B-matrix there, and the samples folder stays byte for byte as shipped.
  void aSampleGivenAtStartOpensItsCopy() {
    QTemporaryDir samplesDir, dataDir, elsewhere;
    const QString samples = samplesDir.path(), data = dataDir.filePath("Data");
    for (const QString& f : QDir(QUANTORIAL_SAMPLES_DIR).entryList(QDir::Files)) {
      QVERIFY(QFile::copy(QString(QUANTORIAL_SAMPLES_DIR) + "/" + f, samples + "/" + f));
    }
    auto snapshot = [](const QString& folder) {
      QStringList s;
      for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
        QFile file(f.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly)) return QStringList{"unreadable " + f.fileName()};
        s << f.fileName() + " " + QString::number(qHash(file.readAll()));
      }
      return s;
    };
    const QStringList shipped = snapshot(samples);
    const QString other = elsewhere.filePath("mine.csv");
    std::ofstream(other.toStdString()) << "Year,X\n1,2\n";
    struct Case {
      QString given, opened;
    };
    const Case cases[] = {
        {samples + "/klein.csv", data + "/klein.csv"},
        {samples + "/../" + QFileInfo(samples).fileName() + "/io_table.csv", data + "/io_table.csv"},
        {other, other},
        {data + "/klein.csv", data + "/klein.csv"},
        {samples + "/missing.csv", samples + "/missing.csv"},
    };
    for (const Case& c : cases) QCOMPARE(FileToOpenAtStart(c.given, data, {"", samples}), c.opened);
    // The B-matrix named after the data file came along with it; other samples did not.
    QVERIFY(QFile::exists(data + "/klein_NOR_BMAT.CSV"));
    QVERIFY(!QFile::exists(data + "/lp_table.csv"));
    // A copy the user changed is the one opened, and stays as the user left it.
    std::ofstream(data.toStdString() + "/io_table.csv") << "mine\n";
    QCOMPARE(FileToOpenAtStart(samples + "/io_table.csv", data, {samples}), data + "/io_table.csv");
    QCOMPARE(snapshot(data).filter("io_table.csv"),
             QStringList{"io_table.csv " + QString::number(qHash(QByteArray("mine\n")))});

    window_->Bench().SetTxtData(0, FileToOpenAtStart(samples + "/klein.csv", data, {samples}).toStdString());
    window_->Refresh();
    QCOMPARE(Find<QLineEdit>("txtData(1)")->text(), data + "/klein_NOR_BMAT.CSV");
    Click("cmdNormalVarReg");
    QVERIFY(QFile::exists(data + "/klein_REG_NOR.CSV"));
    QVERIFY(QFile::exists(data + "/klein_NOR_BMAT~1.CSV"));
    QCOMPARE(snapshot(samples), shipped);
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
