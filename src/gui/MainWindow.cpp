#include "gui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "gui/ChartWindow.h"
#include "gui/CommandWiring.h"
#include "gui/EditorWindow.h"
#include "gui/MatrixTableModel.h"
#include "gui/Windows.h"
#include "matrix/MatrixFunctions.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

constexpr int kTwips = 15;           // twips to a pixel at 96 dpi
constexpr int kParkedLeft = -20000;  // where txtShow waits, in twips

QString Indexed(const char* name, int i) { return QString("%1(%2)").arg(name).arg(i); }

// A drop-down list that stays on the screen: where there is no room for it below the box,
// it opens above it.
class ScreenBoundComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;
  void showPopup() override {
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    const QScreen* screen = this->screen();
    if (!popup || popup == window() || !screen) return;
    const QRect room = screen->availableGeometry();
    QRect r = popup->geometry();
    if (r.bottom() <= room.bottom()) return;
    const QPoint top = mapToGlobal(QPoint(0, 0));
    r.setHeight(std::min(r.height(), top.y() - room.top()));
    r.moveBottom(top.y() - 1);
    popup->setGeometry(r);
  }
};

}  // namespace

bool GridGeometry(int innerWidth, int innerHeight, int panelHeight, std::array<QRect, 6>& out) {
  const int width = innerWidth * kTwips, height = innerHeight * kTwips;
  const int W = width - 240 - 2800;
  const int H = std::max(0, height - 240 - panelHeight * kTwips);
  if (W < 0) return false;
  auto px = [](int twips) { return twips / kTwips; };
  auto rect = [&](int l, int t, int w, int h) { return QRect(px(l), px(t), px(w), px(h)); };
  out[0] = rect(30, 30, W / 2, H / 2);
  out[1] = rect(W / 2 + 210, 30, W / 2, H / 2);
  out[2] = rect(30, H / 2 + 120, W / 2, H / 2);
  out[3] = rect(W / 2 + 210, H / 2 + 120, W / 2, H / 2);
  out[4] = rect(width - 2740, 30, 2700, H / 2);
  out[5] = rect(width - 2740, H / 2 + 120, 2700, H / 2);
  return true;
}

MainWindow::MainWindow(std::unique_ptr<GuiHost> host, std::unique_ptr<SettingsStore> store, const QString& dataFolder,
                       QWidget* parent)
    : QMainWindow(parent), host_(std::move(host)), store_(std::move(store)) {
  setObjectName("frmModel");
  setWindowTitle("KRV - Model Testing");
  host_->Attach(this);
  bench_ = std::make_unique<Workbench>(*host_, store_.get(), dataFolder.toStdString());

  formArea_ = new QWidget(this);
  formArea_->setObjectName("formArea");
  formArea_->installEventFilter(this);
  setCentralWidget(formArea_);

  for (int i = 0; i < 6; ++i) {
    auto* frame = new QWidget(formArea_);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto* caption = new QLabel(frame);
    caption->setObjectName(Indexed("lblCaption", i));
    caption->setStyleSheet("QLabel { color: #1F3A5F; font-weight: bold; padding-left: 2px; }");
    auto* view = new QTableView(frame);
    view->setObjectName(Indexed("grdShow", i));
    auto* model = new MatrixTableModel(view);
    view->setModel(model);
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->horizontalHeader()->setDefaultSectionSize(84);
    view->verticalHeader()->setDefaultSectionSize(20);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    view->setAlternatingRowColors(false);
    view->installEventFilter(this);  // Enter; its double click goes through the command table
    layout->addWidget(caption);
    layout->addWidget(view, 1);
    frames_[static_cast<std::size_t>(i)] = frame;
    captions_[static_cast<std::size_t>(i)] = caption;
    grids_[static_cast<std::size_t>(i)] = view;
    models_[static_cast<std::size_t>(i)] = model;
  }

  txtShow_ = new QPlainTextEdit(formArea_);
  txtShow_->setObjectName("txtShow");
  QFont courier("Courier New");
  courier.setStyleHint(QFont::Monospace);
  txtShow_->setFont(courier);
  txtShow_->setReadOnly(true);
  txtShow_->setGeometry(kParkedLeft / kTwips, 0, 200, 100);

  picture1_ = new QScrollArea(formArea_);
  picture1_->setObjectName("Picture1Frame");
  picture1_->setWidget(BuildCommandPanel());
  picture1_->setWidgetResizable(true);
  picture1_->setFrameShape(QFrame::NoFrame);
  picture1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  picture1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  picMore_ = BuildDynamicPanel(formArea_);

  wait_ = new WaitWindow(this);
  notice_ = new NoticeWindow(this);
  BuildMenus();
  WireControls();
  // 1280 x 800, or the whole screen when it is smaller.
  QSize size(1280, 800);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableGeometry().size() - QSize(0, 32));
  }
  resize(size);
  Refresh();
}

MainWindow::~MainWindow() {
  if (chart_) SaveChartPlace();
  // The editor window goes first, without its question: the workbench it shows is going.
  if (editor_) {
    editor_->Detach();
    delete editor_;
    editor_ = nullptr;
  }
  // The workbench talks to the window through the host; end it first.
  bench_.reset();
}

template <typename W>
W* MainWindow::Named(W* w, const QString& name) {
  w->setObjectName(name);
  controls_.insert(name, w);
  return w;
}

QPushButton* MainWindow::Button(const QString& name, const QString& caption, const QString& tip) {
  auto* b = Named(new QPushButton(caption), name);
  if (!tip.isEmpty()) b->setToolTip(tip);
  b->setAutoDefault(false);
  return b;
}

QWidget* MainWindow::BuildCommandPanel() {
  auto* panel = new QWidget;
  panel->setObjectName("Picture1");
  panel->installEventFilter(this);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(6, 4, 6, 4);
  row->setSpacing(8);

  // Data files and the planning tools.
  auto* data = new QGroupBox("Data Files");
  auto* dl = new QGridLayout(data);
  dl->setVerticalSpacing(3);
  const char* selectCaptions[3] = {"Select Primary Data File", "Select Secondary Data File",
                                   "Select Extended Data File"};
  for (int i = 0; i < 3; ++i) {
    auto* b = Button(Indexed("cmdSelectFile", i), selectCaptions[i]);
    (void)b;
    auto* edit = Named(new QLineEdit, Indexed("txtData", i));
    edit->setMinimumWidth(170);
    txtData_[static_cast<std::size_t>(i)] = edit;
    dl->addWidget(b, i, 0);
    dl->addWidget(edit, i, 1, 1, 4);
  }
  dl->addWidget(new QLabel("B Matrix (Rows x Cols)"), 3, 0);
  auto* shape = new QHBoxLayout;
  txtRows_ = Named(new QLineEdit, "txtRows");
  txtCols_ = Named(new QLineEdit, "txtCols");
  txtRows_->setMaximumWidth(48);
  txtCols_->setMaximumWidth(48);
  txtCols_->installEventFilter(this);
  shape->addWidget(txtRows_);
  shape->addWidget(new QLabel("x"));
  shape->addWidget(txtCols_);
  shape->addStretch();
  dl->addLayout(shape, 3, 1, 1, 3);
  auto* lblBack = Named(new QLabel("<a href=\"#\">Dynamic…</a>"), "lblBack");
  lblBack->setToolTip("Show or hide the dynamic panel and the policy switch");
  dl->addWidget(lblBack, 3, 4, Qt::AlignRight);
  auto* tools = new QHBoxLayout;
  tools->addWidget(Button("cmdNormalVarReg", "Create B-Matrix",
                          "Create B-Matrix using Normal Variable Multiple Simple Linear Regression"));
  tools->addWidget(Button("cmdKALDRON", "KALDRON"));
  tools->addWidget(Button("cmdEdt", "KRV Editor"));
  tools->addWidget(Button("cmdQuit", "&Quit"));
  dl->addLayout(tools, 4, 0, 1, 5);
  auto* aspire = new QHBoxLayout;
  aspire->addWidget(Button("cmdAspire", "Aspiration"));
  auto* txtAspire = Named(new QLineEdit("1~2006~GrthRt+0.1, INFLRT-5%  "), "txtAspire");
  txtAspire->setToolTip("Aspiration Parameters");
  aspire->addWidget(txtAspire, 1);
  dl->addLayout(aspire, 5, 0, 1, 5);
  row->addWidget(data, 5);

  // The pipeline.
  auto* pipe = new QGroupBox("Model");
  auto* pl = new QGridLayout(pipe);
  pl->setVerticalSpacing(3);
  const QStringList pipeline[] = {{"cmdEXV", "&Create Endo/Exo Matrix", ""},
                                  {"cmdInvert", "&Invert Endo Matrix", ""},
                                  {"cmdMultiply", "Create Impact &Matrices", ""},
                                  {"cmdReciprocal", "&Reciprocal", "Reciprocal of Impact Matrix"},
                                  {"cmdTrend", "&Trend Analysis", ""},
                                  {"cmdForecast", "&Forecast", ""},
                                  {"cmdChange", "Create Change", ""},
                                  {"cmdRunAll", "&Run ALL Stages", ""},
                                  {"cmdSplitTable", "Split Table", ""}};
  int k = 0;
  for (const auto& p : pipeline) {
    pl->addWidget(Button(p[0], p[1], p[2]), k / 2, k % 2);
    ++k;
  }
  pl->addWidget(Button("cmdClear", "Clear Task"), k / 2, k % 2);
  auto* quadrants = new QHBoxLayout;
  for (int q = 0; q < 4; ++q) {
    // The quadrant buttons carry no caption of their own; the number tells them apart.
    auto* b =
        Button(Indexed("cmdQ", q), QString("Q%1").arg(q + 1), QString("Use quadrant %1 as the B-matrix").arg(q + 1));
    b->setMaximumWidth(44);
    quadrants->addWidget(b);
  }
  pl->addLayout(quadrants, 5, 0, 1, 2);
  // The dynamic multipliers: two runs of their own and the panel with the rest.
  auto* dynamic = new QHBoxLayout;
  dynamic->setSpacing(4);
  dynamic->addWidget(Button("cmdDynamicEndo", "Dynamic Endo"));
  dynamic->addWidget(Button("cmdDynamicExo", "Dynamic Exo"));
  auto* menu = Button("cmdDynamicMenu", "Dynamic Menu", "Show or hide the dynamic panel");
  dynamic->addWidget(menu);
  pl->addLayout(dynamic, 6, 0, 1, 2);
  row->addWidget(pipe, 4);

  // Options of the linear model.
  auto* opts = new QGroupBox("Linear Model Options");
  auto* ol = new QGridLayout(opts);
  ol->setVerticalSpacing(2);
  auto* dummy = Named(new QCheckBox("Policy &Off"), "chkDummy");
  chkDummy_ = dummy;
  ol->addWidget(dummy, 0, 0);
  auto* reuse = Named(new QCheckBox("Re&use"), "chkReuse");
  ol->addWidget(reuse, 0, 1);
  auto* abs = Named(new QCheckBox("ABS"), "chkAbs");
  ol->addWidget(abs, 0, 2);
  ol->addWidget(Named(new QCheckBox("Sig. Level:"), "chkOnePercent"), 1, 0);
  auto* one = Named(new QRadioButton("1%"), "opt1Percent");
  auto* five = Named(new QRadioButton("5%"), "opt5Percent");
  five->setChecked(true);
  ol->addWidget(one, 1, 1);
  ol->addWidget(five, 1, 2);
  auto* impLabel = new QLabel("Impact &Variables");
  auto* imp = Named(new QListWidget, "lstImpVars");
  imp->setSelectionMode(QAbstractItemView::MultiSelection);
  imp->setMaximumHeight(64);
  lstImpVars_ = imp;
  impLabel->setBuddy(imp);
  ol->addWidget(impLabel, 2, 0, 1, 3);
  ol->addWidget(imp, 3, 0, 1, 3);
  chkSave_ = Named(new QCheckBox, "chkSave");
  chkSave_->setToolTip("Copies model to Clipboard or Save/Open in Lindo");
  ol->addWidget(chkSave_, 4, 0, 1, 3);
  auto* vv = Named(new QCheckBox("Use &X.. for Variable Names"), "chkVV");
  vv->setToolTip("Replaces variable names with X1, X2, X3... if checked");
  ol->addWidget(vv, 5, 0, 1, 3);
  auto* rhs = Named(new QCheckBox("Data Contains Constraints"), "chkRHS");
  rhs->setToolTip("Select if data contains Constraints or Right-Hand-Side values");
  ol->addWidget(rhs, 6, 0, 1, 3);
  row->addWidget(opts, 4);

  // Viewing.
  auto* view = new QGroupBox("View Intermediate Matrices");
  auto* vl = new QGridLayout(view);
  vl->setVerticalSpacing(3);
  cboArrays_ = Named<QComboBox>(new ScreenBoundComboBox, "cboArrays");
  cboArrays_->setPlaceholderText("Select Matrix");
  cboArrays_->setMinimumContentsLength(24);
  cboArrays_->installEventFilter(this);
  vl->addWidget(cboArrays_, 0, 0, 1, 4);
  vl->addWidget(Button("cmdViewGrid", "&Grid Preview"), 1, 0, 1, 2);
  vl->addWidget(Button("cmdViewMatrix", "&Excel Preview"), 1, 2, 1, 2);
  auto* more = Button(Indexed("cmdDecimals", 0), ">.00", "Increase Decimal");
  auto* less = Button(Indexed("cmdDecimals", 1), "<.00", "Decrease Decimal");
  vl->addWidget(more, 2, 0);
  vl->addWidget(less, 2, 1);
  auto* scaleLabel = new QLabel("&Scale");
  auto* scale = Named(new QLineEdit("0"), "txtScale");
  scale->setToolTip("0=1, 1=10, 2=100, that is 10^n");
  scale->setMaximumWidth(48);
  scaleLabel->setBuddy(scale);
  vl->addWidget(scaleLabel, 2, 2, Qt::AlignRight);
  vl->addWidget(scale, 2, 3);
  cboPlot_ = Named<QComboBox>(new ScreenBoundComboBox, "cboPlot");
  cboPlot_->setPlaceholderText("Series Variables");
  // Both lists drop down as a list of their own, above the box when there is no room
  // below, never as a column of every item over the box that runs off the screen.
  for (QComboBox* box : {cboArrays_, cboPlot_}) {
    box->setStyleSheet("QComboBox { combobox-popup: 0; }");
    box->setMaxVisibleItems(12);
  }
  vl->addWidget(cboPlot_, 3, 0, 1, 4);
  vl->addWidget(Button("cmdChart", "&Plot/Chart Variables"), 4, 0, 1, 2);
  vl->addWidget(Button("cmdChartTitle", "Chart Options"), 4, 2, 1, 2);
  vl->addWidget(Button("cmdSaveDataFile", "Save as &Data File...",
                       "The selected matrix as a Stata (.dta) or gretl (.gdt) data file"),
                5, 0, 1, 4);
  row->addWidget(view, 4);

  return panel;
}

QWidget* MainWindow::BuildDynamicPanel(QWidget* parent) {
  auto* box = new QGroupBox("Dynamic", parent);
  box->setObjectName("picMore");
  box->setStyleSheet(
      "QGroupBox#picMore { background: #F4F6F9; border: 1px solid #8FA3BF; margin-top: 8px; }"
      "QGroupBox#picMore::title { subcontrol-origin: margin; left: 8px; }");
  auto* l = new QGridLayout(box);
  const char* opts[3] = {"Exo", "Endo", "Endo-Exo"};
  for (int i = 0; i < 3; ++i) {
    auto* o = Named(new QRadioButton(opts[i]), Indexed("optDyn", i));
    if (i == 0) o->setChecked(true);
    l->addWidget(o, 0, i);
  }
  txtDyn_ = Named(new QLineEdit, "txtDyn");
  l->addWidget(txtDyn_, 1, 0, 1, 3);
  auto* list = Named(new QListWidget, "lstDyn");
  lstDyn_ = list;
  list->setSelectionMode(QAbstractItemView::MultiSelection);
  list->setMaximumHeight(70);
  l->addWidget(list, 2, 0, 1, 3);
  l->addWidget(Button("cmdDynamicX", "Dynamic"), 3, 0);
  auto* extdLabel = new QLabel("E&xtension years");
  auto* extd = Named(new QLineEdit, "txtExtd");
  extd->setToolTip("Years Dynamic Endo computes past the last observed year");
  extd->setMaximumWidth(48);
  extdLabel->setBuddy(extd);
  l->addWidget(extdLabel, 3, 1, Qt::AlignRight);
  l->addWidget(extd, 3, 2);
  l->addWidget(Button("Command1", "Close Dynamic Menu"), 4, 0, 1, 3);
  box->installEventFilter(this);
  box->hide();
  return box;
}

void MainWindow::BuildMenus() {
  // The items only: what each does comes from the command table (WireControls).
  auto add = [this](QMenu* menu, const QString& name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    return a;
  };
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("mnuFile");
  add(file, "mnuData1", "Select &Primary Data File...");
  add(file, "mnuData2", "Select &Secondary Data File...");
  add(file, "mnuOpenModel", "Open &Model...");
  file->addSeparator();
  add(file, "mnuExit", "E&xit");

  QMenu* transform = menuBar()->addMenu("&Transform");
  transform->setObjectName("mnuTransform");
  add(transform, "mnuLagChangeTrans", "&Lag Change Transformation");

  QMenu* task = menuBar()->addMenu("&Analyze");
  task->setObjectName("mnuTask");
  QMenu* mslr = task->addMenu("Multiple Simple Linear &Regression");
  mslr->setObjectName("mnuMSLR");
  add(mslr, "mnuLead", "&Lead Transformation");
  add(mslr, "mnuLag", "Lag &Transformation");
  add(mslr, "mnuY", "&Y-Variable on Constant");
  add(mslr, "mnuNormal", "&Normal Variable");

  QMenu* matrix = menuBar()->addMenu("&Matrix Operations");
  matrix->setObjectName("mnuMatrix");
  for (const auto& e : MatrixMenuEntries()) add(matrix, e.name, e.caption);
  matrix->addSeparator()->setObjectName("BARS");
  add(matrix, "mnuLindoModel", "Build &Linear Programming Model...");
  add(matrix, "mnuSolve", "&Solve...");
  add(matrix, "mnuSaveModel", "Save Model &As...");

  QMenu* tools = menuBar()->addMenu("&Tools");
  tools->setObjectName("mnuTools");
  add(tools, "mnuEditor", "&KRV Worksheet Editor...");
  tools->addSeparator();
  add(tools, "mnuCalc", "&Calculator...");
  add(tools, "mnuCalendar", "KRV Calen&dar...");
  tools->addSeparator();
  add(tools, "mnuRecord", "Record Session Script...");

  recordMark_ = new QLabel(menuBar());
  recordMark_->setObjectName("lblRecording");
  recordMark_->setStyleSheet("QLabel { color: #B00020; font-weight: bold; padding: 0 8px; }");
  recordMark_->hide();
  menuBar()->setCornerWidget(recordMark_, Qt::TopRightCorner);

  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("mnuHelp");
  add(help, "mnuHelpTopics", "&Help Topics");
  help->addSeparator();
  add(help, "mnuAbout", "&About...");
}

void MainWindow::WireControls() {
  // Menu items and grids by their object names; the other controls from the window's own
  // map (a panel has no entry there: its events arrive through the event filter).
  WireThroughTable(
      this, "",
      [this](const QString& name) -> QObject* {
        if (QAction* a = menuBar()->findChild<QAction*>(name)) return a;
        for (QTableView* grid : grids_) {
          if (grid->objectName() == name) return grid;
        }
        return controls_.value(name);
      },
      [this](const Action& a) { Act(a); });
}

void MainWindow::Act(const Action& a) {
  Handle([this, a] {
    std::string error;
    // A control the workbench holds disabled does not respond (its widget is disabled too).
    if (!Perform(*bench_, a, error)) QApplication::beep();
  });
}

void MainWindow::Handle(const std::function<void()>& handler) {
  if (busy_) {
    QApplication::beep();
    return;
  }
  struct Busy {
    bool& flag;
    explicit Busy(bool& f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
  } busy(busy_);
  handler();
  Refresh();
}

void MainWindow::ToggleRecording() {
  QAction* item = menuBar()->findChild<QAction*>("mnuRecord");
  if (recorder_) {
    bench_->recorder = nullptr;
    recorder_.reset();
    if (item) item->setText("Record Session Script...");
    recordMark_->hide();
    setWindowTitle("KRV - Model Testing");
    return;
  }
  FileDialogRequest request;
  request.title = "Record Session Script";
  request.filter = "Session scripts (*.qs;*.txt)|*.qs;*.txt";
  request.initialFolder = bench_->DataFolder();
  request.defaultName = "session.qs";
  const auto path = host_->ChooseSaveFile(request);
  if (!path) return;
  auto recorder = std::make_unique<SessionRecorder>();
  std::string error;
  if (!recorder->Start(*path, error)) {
    MsgBoxEx(*host_, error, vbCritical);
    return;
  }
  recorder_ = std::move(recorder);
  bench_->recorder = recorder_.get();
  if (item) item->setText("Stop Recording");
  const QString name = QFileInfo(QString::fromStdString(*path)).fileName();
  recordMark_->setText("\u25CF Recording " + name);
  recordMark_->setToolTip("Every command is being written to " + QString::fromStdString(*path) +
                          "; Tools > Stop Recording ends it.");
  recordMark_->show();
  setWindowTitle("KRV - Model Testing (recording " + name + ")");
}

void MainWindow::StartCalculator() {
  const char* candidates[] = {"gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "xcalc"};
  for (const char* c : candidates) {
    const QString path = QStandardPaths::findExecutable(c);
    if (!path.isEmpty() && host_->StartProgram(path)) return;
  }
  MsgBoxEx(*host_,
           "No calculator program was found on this computer (looked for gnome-calculator, kcalc, galculator, "
           "qalculate-gtk and xcalc).",
           vbExclamation);
}

void MainWindow::ShowAbout() {
  SplashWindow about(this, true, [this](const Action& a) { PerformInDialog(a); });
  about.exec();
}

void MainWindow::PerformInDialog(const Action& a) {
  // A modal window may be open while a command runs (the tips from "Help Topics"): its
  // controls act at once, without the window's one-command-at-a-time guard.
  std::string error;
  if (!Perform(*bench_, a, error)) QApplication::beep();
}

void MainWindow::ShowEditor() {
  if (!editor_) editor_ = new EditorWindow(*bench_, this);
  editor_->Refresh();
  editor_->show();
  editor_->raise();
  editor_->activateWindow();
}

void MainWindow::CloseEditor() {
  if (!editor_) return;
  editor_->Detach();  // the workbench has unloaded the editor already
  editor_->hide();
  editor_->deleteLater();  // it may be inside one of its own handlers
  editor_ = nullptr;
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (!bench_->UnloadEditor()) {
    e->ignore();
    return;
  }
  QMainWindow::closeEvent(e);
}

void MainWindow::Exit() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w != this) w->close();
  }
  close();
  QCoreApplication::quit();
}

void MainWindow::Form_Load() {
  bench_->form.chkSave = 0;
  txtShow_->move(kParkedLeft / kTwips, txtShow_->y());
  Handle([this] { bench_->Form_Load(); });
  cboArrays_->clear();
}

void MainWindow::Form_Activate() {
  if (nActivated_ != 0) return;
  if (busy_ || wait_->isVisible() || QApplication::activeModalWidget()) {
    // A command is still running (the window came up while loading, perhaps with a box
    // about a file that did not load): the tips wait for it.
    QTimer::singleShot(200, this, [this] { Form_Activate(); });
    return;
  }
  nActivated_ = 7;
  if (ShowTipsAtStartup() == 1) host_->ShowTipWindow();
}

bool MainWindow::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && nActivated_ == 0) {
    // After the window has been drawn, so that the tips stand in front of it.
    QMetaObject::invokeMethod(
        this, [this] { Form_Activate(); }, Qt::QueuedConnection);
  }
  return QMainWindow::event(e);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (chart_ && watched == chart_ && (e->type() == QEvent::Move || e->type() == QEvent::Resize)) {
    if (chart_->isVisible()) chartPlaceTimer_->start();
  } else if (chart_ && watched == chart_ && e->type() == QEvent::Hide) {
    SaveChartPlace();
  } else if (watched == formArea_ && e->type() == QEvent::Resize) {
    LayoutForm();
  } else if (watched == cboArrays_ && (e->type() == QEvent::FocusIn || e->type() == QEvent::MouseButtonPress)) {
    if (e->type() == QEvent::FocusIn || !cboArrays_->hasFocus()) {
      bench_->form.cboArraysText = cboArrays_->currentText().toStdString();
      bench_->cboArrays_GotFocus();
      Refresh();
    }
  } else if (picture1_ && watched == picture1_->widget() && e->type() == QEvent::MouseButtonDblClick) {
    Act({ActionKind::DblClick, "Picture1", {}, {}});
  } else if (watched == picMore_ && e->type() == QEvent::MouseButtonPress) {
    Act({ActionKind::Click, "picMore", {}, {}});
  } else if (watched == txtCols_ && e->type() == QEvent::MouseButtonPress) {
    Act({ActionKind::Click, "txtCols.MouseDown", {}, {}});
  } else if (e->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(e);
    for (int i = 0; i < 6; ++i) {
      if (watched == grids_[static_cast<std::size_t>(i)] &&
          (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        Act({ActionKind::Click, "grdShow(" + std::to_string(i) + ")", {}, {}});
        QApplication::restoreOverrideCursor();
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void MainWindow::LayoutForm() {
  const int width = formArea_->width(), height = formArea_->height();
  const int panelHeight = std::min(
      picture1_->widget()->sizeHint().height() + (picture1_->widget()->sizeHint().width() > width ? 16 : 0), height);
  picture1_->setGeometry(0, height - panelHeight, width, panelHeight);
  // The dynamic panel, while shown, takes a column of its own on the right of the grids,
  // so that it covers none of them (the grids make room when the window is wide enough).
  const QSize more = picMore_->sizeHint();
  const int reserved = picMore_->isVisibleTo(this) ? more.width() + 8 : 0;
  std::array<QRect, 6> rects;
  if (GridGeometry(width - reserved, height, panelHeight, rects) ||
      (reserved > 0 && GridGeometry(width, height, panelHeight, rects))) {
    for (int i = 0; i < 6; ++i) {
      frames_[static_cast<std::size_t>(i)]->setGeometry(rects[static_cast<std::size_t>(i)]);
      FitCaption(i);
    }
  }
  picMore_->setGeometry(std::max(0, width - more.width() - 4), 4, more.width(),
                        std::min(more.height(), std::max(0, height - panelHeight - 8)));
}

void MainWindow::Refresh() {
  const MainForm& f = bench_->form;
  for (int i = 0; i < 3; ++i) {
    QLineEdit* e = txtData_[static_cast<std::size_t>(i)];
    const QString t = QString::fromStdString(f.txtData[static_cast<std::size_t>(i)]);
    if (e->text() != t) e->setText(t);
  }
  if (txtRows_->text() != QString::fromStdString(f.txtRows)) txtRows_->setText(QString::fromStdString(f.txtRows));
  if (txtCols_->text() != QString::fromStdString(f.txtCols)) txtCols_->setText(QString::fromStdString(f.txtCols));
  for (auto it = controls_.cbegin(); it != controls_.cend(); ++it) {
    const auto e = f.enabled.find(it.key().toStdString());
    if (e != f.enabled.end()) it.value()->setEnabled(e->second);
  }
  chkDummy_->setVisible(f.chkDummyVisible);
  if (txtDyn_->text() != QString::fromStdString(f.txtDyn)) txtDyn_->setText(QString::fromStdString(f.txtDyn));
  if (lstDyn_->count() != static_cast<int>(f.lstDyn.size())) {
    lstDyn_->clear();
    for (const auto& name : f.lstDyn) lstDyn_->addItem(QString::fromStdString(name));
  }
  static_cast<QCheckBox*>(chkDummy_)->setChecked(f.chkDummy == 1);
  static_cast<QCheckBox*>(chkDummy_)->setText(f.chkDummy == 1 ? "&Policy On" : "&Policy Off");
  QStringList vars;
  for (const auto& v : f.lstImpVars) vars << QString::fromStdString(v);
  QStringList shownVars;
  for (int i = 0; i < lstImpVars_->count(); ++i) shownVars << lstImpVars_->item(i)->text();
  {
    const QSignalBlocker block(lstImpVars_);
    if (vars != shownVars) {
      lstImpVars_->clear();
      lstImpVars_->addItems(vars);
    }
    for (int i = 0; i < lstImpVars_->count(); ++i) {
      const std::size_t k = static_cast<std::size_t>(i);
      lstImpVars_->item(i)->setSelected(k < f.lstImpVarsSelected.size() && f.lstImpVarsSelected[k]);
    }
  }
  if (picMore_->isVisibleTo(this) != f.picMoreVisible) {
    picMore_->setVisible(f.picMoreVisible);
    LayoutForm();
  }
  if (f.picMoreVisible) picMore_->raise();
  chkSave_->setChecked(f.chkSave != 0);
  chkSave_->setText(QString::fromStdString(f.ChkSaveCaption()));
  {
    QStringList series;
    for (const auto& s : f.cboPlot) series << QString::fromStdString(s);
    QStringList shown;
    for (int i = 0; i < cboPlot_->count(); ++i) shown << cboPlot_->itemText(i);
    const QSignalBlocker block(cboPlot_);
    if (series != shown) {
      cboPlot_->clear();
      cboPlot_->addItems(series);
    }
    cboPlot_->setCurrentIndex(f.cboPlotIndex);
  }
  QStringList items;
  for (const auto& s : f.cboArrays) items << QString::fromStdString(s);
  QStringList current;
  for (int i = 0; i < cboArrays_->count(); ++i) current << cboArrays_->itemText(i);
  if (items != current) {
    const QSignalBlocker block(cboArrays_);
    cboArrays_->clear();
    cboArrays_->addItems(items);
    cboArrays_->setCurrentIndex(cboArrays_->findText(QString::fromStdString(f.cboArraysText)));
  }
}

void MainWindow::HoldOn(const QString& text) { wait_->WaitMsg(text); }

// Columns as wide as their widest text within a cap, so that numbers with many decimals,
// years and long names are not cut. The texts of the first rows and columns are measured;
// columns beyond them take the width of the widest measured data column.
void FitColumns(QTableView* view, const MatrixTableModel& model) {
  constexpr int kRows = 100, kCols = 256, kMin = 40, kMax = 320, kPad = 14;
  const int rows = std::min(model.rowCount(), kRows), cols = model.columnCount();
  QFont bold = view->font();
  bold.setBold(true);  // labels are bold; measuring every text so only widens a little
  const QFontMetrics metrics(bold);
  std::vector<int> widths;
  int widest = kMin;
  for (int c = 0; c < std::min(cols, kCols); ++c) {
    // Every text is measured: of two labels as long, one may be much wider ("Year", "CHWp").
    int widestText = 0;
    for (int r = 0; r < rows; ++r) widestText = std::max(widestText, metrics.horizontalAdvance(model.CellText(r, c)));
    const int w = std::clamp(widestText + kPad, kMin, kMax);
    widths.push_back(w);
    if (c > 0) widest = std::max(widest, w);
  }
  QHeaderView* header = view->horizontalHeader();
  header->setDefaultSectionSize(widest);
  for (int c = 0; c < static_cast<int>(widths.size()); ++c)
    header->resizeSection(c, widths[static_cast<std::size_t>(c)]);
}

void MainWindow::Preview(const LabelledMatrix& m, int grid, const QString& caption) {
  if (grid < 0 || grid > 5) return;
  if (!m.IsAssigned() || (m.Upper(1) == 0 && m.Upper(2) == 0)) return;
  models_[static_cast<std::size_t>(grid)]->SetMatrix(m, bench_->ws.nDecimals);
  FitColumns(grids_[static_cast<std::size_t>(grid)], *models_[static_cast<std::size_t>(grid)]);
  SetCaption(grid, caption);
  // A text shown over this grid gives way to the matrix; one over another grid of the same
  // column stays (the text stands on this grid only when its corner is this grid's).
  QWidget* frame = frames_[static_cast<std::size_t>(grid)];
  if (txtShow_->pos() == frame->pos()) txtShow_->move(kParkedLeft / kTwips, txtShow_->y());
}

void MainWindow::PreviewText(const QString& text, int grid, const QString& caption) {
  if (grid < 0 || grid > 5) return;
  txtShow_->setPlainText(text);
  txtShow_->setGeometry(frames_[static_cast<std::size_t>(grid)]->geometry());
  txtShow_->raise();
  txtShowCaption_ = caption;
  txtShow_->setToolTip(caption);
}

void MainWindow::ClearGrid(int grid) {
  if (grid < 0 || grid > 5) return;
  models_[static_cast<std::size_t>(grid)]->Clear();
  SetCaption(grid, QString());
  // A text shown over the grid goes with it.
  if (txtShow_->x() == frames_[static_cast<std::size_t>(grid)]->x() &&
      txtShow_->y() == frames_[static_cast<std::size_t>(grid)]->y()) {
    txtShow_->move(kParkedLeft / kTwips, txtShow_->y());
  }
}

QString MainWindow::GridCaption(int i) const { return captionTexts_[static_cast<std::size_t>(i)]; }

void MainWindow::SetCaption(int grid, const QString& caption) {
  captionTexts_[static_cast<std::size_t>(grid)] = caption;
  FitCaption(grid);
}

void MainWindow::FitCaption(int grid) {
  // A caption wider than its grid is set smaller, down to 7 points; what still does not fit
  // ends in "…" and shows whole in its tool tip.
  QLabel* label = captions_[static_cast<std::size_t>(grid)];
  const QString& text = captionTexts_[static_cast<std::size_t>(grid)];
  const int room = std::max(0, frames_[static_cast<std::size_t>(grid)]->width() - 6);
  QFont font = formArea_->font();
  font.setBold(true);
  const int normal = font.pointSize() > 0 ? font.pointSize() : 9;
  int points = normal;
  for (; points > 7; --points) {
    font.setPointSize(points);
    if (QFontMetrics(font).horizontalAdvance(text) <= room) break;
  }
  font.setPointSize(points);
  const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, room);
  label->setFont(font);
  label->setText(shown);
  label->setToolTip(shown == text ? QString() : text);
}

QVector<QVector<QString>> MainWindow::CopyGrid(int grid) const {
  QVector<QVector<QString>> out;
  const MatrixTableModel* m = models_[static_cast<std::size_t>(grid)];
  for (int r = 0; r < m->rowCount(); ++r) {
    QVector<QString> row;
    for (int c = 0; c < m->columnCount(); ++c) row << m->CellText(r, c);
    out << row;
  }
  return out;
}

LabelledMatrix MainWindow::CopyGridMatrix(int grid) const {
  // The grid's texts as a matrix, as CopyGrid reads them.
  const auto cells = CopyGrid(grid);
  LabelledMatrix m;
  if (!cells.isEmpty()) {
    m = LabelledMatrix::Dimension(static_cast<int>(cells.size()) - 1, static_cast<int>(cells[0].size()) - 1);
    for (int r = 0; r < cells.size(); ++r) {
      for (int c = 0; c < cells[r].size(); ++c) m.Set(r, c, cells[r][c].toStdString());
    }
  }
  return m;
}

QString MainWindow::CopyGridText(int grid) const {
  QString text;
  for (const auto& row : CopyGrid(grid)) {
    for (const auto& cell : row) text += cell + ",";
    text += "\r\n";
  }
  return text;
}

namespace {
constexpr const char* kWindowsSection = "Windows";
constexpr const char* kChartPlaceKey = "ChartWindow";
}  // namespace

QRect MainWindow::GridArea() const {
  return QRect(formArea_->mapToGlobal(QPoint(0, 0)), QSize(formArea_->width(), picture1_->y()));
}

void MainWindow::PlaceChart(QWidget* chart) {
  // The place kept is "left,top,width,height": the frame's corner and the inner size.
  const QStringList kept =
      store_ ? QString::fromStdString(store_->GetDbSetting(kWindowsSection, kChartPlaceKey, "")).split(',')
             : QStringList();
  if (kept.size() == 4) {
    bool ok[4];
    const QRect r(kept[0].toInt(&ok[0]), kept[1].toInt(&ok[1]), kept[2].toInt(&ok[2]), kept[3].toInt(&ok[3]));
    // Only a place whose title bar is within reach on some screen comes back.
    const QRect titleBar(r.topLeft(), QSize(r.width(), 40));
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) {
      const QRect seen = screen->availableGeometry().intersected(titleBar);
      onScreen = onScreen || (seen.width() >= 80 && seen.height() >= 20);
    }
    if (ok[0] && ok[1] && ok[2] && ok[3] && onScreen && r.width() >= 200 && r.height() >= 150) {
      chart->resize(r.size().boundedTo(QSize(4000, 3000)));
      chart->move(r.topLeft());
      return;
    }
  }
  // Over the grids, from their top left corner, as high as the grids stand: the data
  // files and the commands below stay in view. Its frame is as high as the main
  // window's.
  const QRect area = GridArea();
  const int frame = std::max(0, frameGeometry().height() - geometry().height());
  chart->resize(std::min(900, area.width()), std::max(240, area.height() - frame));
  chart->move(area.topLeft());
}

void MainWindow::SaveChartPlace() {
  // Also when it has just been closed: its place is still the one it had.
  if (!store_ || !chart_) return;
  const QPoint corner = chart_->frameGeometry().topLeft();
  store_->SaveDbSettingLater(
      kWindowsSection, kChartPlaceKey,
      QString("%1,%2,%3,%4").arg(corner.x()).arg(corner.y()).arg(chart_->width()).arg(chart_->height()).toStdString());
}

void MainWindow::ShowChart(const ChartDescription& chart, bool copyToClipboard) {
  if (!chart_) {
    chart_ = new ChartWindow(this, [this](const Action& a) { Act(a); });
    chart_->SetPlacer([this](QWidget* w) { PlaceChart(w); });
    // A move or a new size is kept once the window has come to rest.
    chartPlaceTimer_ = new QTimer(this);
    chartPlaceTimer_->setSingleShot(true);
    chartPlaceTimer_->setInterval(500);
    connect(chartPlaceTimer_, &QTimer::timeout, this, [this] { SaveChartPlace(); });
    chart_->installEventFilter(this);
  }
  chart_->ShowChart(chart, copyToClipboard);
}

void MainWindow::ShowWaitBox(const QString& message, bool modal) { notice_->ShowWaitBox(message, modal); }

void MainWindow::HideWaitBox(const QString& message) { notice_->HideWaitBox(message); }

}  // namespace quantorial
