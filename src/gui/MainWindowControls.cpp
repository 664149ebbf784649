// The main window's controls: the data files and model panel, the linear model options, the
// views, the dynamic panel and the menus, each control named as the command table names it.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/MainWindow.h"

namespace quantorial {

namespace {

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
  add(task, "mnuEstimateSystem", "&Estimate System...");

  QMenu* matrix = menuBar()->addMenu("&Matrix Operations");
  matrix->setObjectName("mnuMatrix");
  for (const auto& e : MatrixMenuEntries()) add(matrix, e.name, e.caption);
  matrix->addSeparator()->setObjectName("BARS");
  add(matrix, "mnuLindoModel", "Build &Linear Programming Model...");
  add(matrix, "mnuSolve", "&Solve...");
  add(matrix, "mnuSaveModel", "Save Model &As...");

  QMenu* model = menuBar()->addMenu("M&odel");
  model->setObjectName("mnuModel");
  add(model, "mnuModelOpen", "&Open Estimated Model...");
  model->addSeparator();
  add(model, "mnuModelMultipliers", "&Multipliers...");
  add(model, "mnuModelSimulate", "&Simulate");
  add(model, "mnuModelSimulateStatic", "Simulate S&tatic");
  add(model, "mnuModelScenario", "S&cenario...");
  add(model, "mnuModelTarget", "&Target...");
  add(model, "mnuModelChart", "C&hart Variable...");

  QMenu* inputOutput = menuBar()->addMenu("&Input-Output");
  inputOutput->setObjectName("mnuInputOutput");
  for (const auto& e : InputOutputMenuEntries()) add(inputOutput, e.name, e.caption);

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
  add(help, "mnuTips", "&Tip of the Day");
  help->addSeparator();
  add(help, "mnuAbout", "&About...");
}

}  // namespace quantorial
