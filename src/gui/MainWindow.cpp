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
#include "gui/EstimateSystemWindow.h"
#include "gui/MatrixTableModel.h"
#include "gui/Windows.h"
#include "matrix/MatrixFunctions.h"
#include "workspace/ValueRules.h"

namespace quantorial {

namespace {

constexpr int kTwips = 15;           // twips to a pixel at 96 dpi
constexpr int kParkedLeft = -20000;  // where txtShow waits, in twips

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
    caption->setObjectName(MainWindow::Indexed("lblCaption", i));
    caption->setStyleSheet("QLabel { color: #1F3A5F; font-weight: bold; padding-left: 2px; }");
    auto* view = new QTableView(frame);
    view->setObjectName(MainWindow::Indexed("grdShow", i));
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
  if (estimate_) {
    estimate_->Detach();
    delete estimate_;
    estimate_ = nullptr;
  }
  // The workbench talks to the window through the host; end it first.
  bench_.reset();
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

void MainWindow::ShowEstimateSystem() {
  if (!estimate_) estimate_ = new EstimateSystemWindow(*bench_, this);
  estimate_->Refresh();
  estimate_->show();
  estimate_->raise();
  estimate_->activateWindow();
}

void MainWindow::CloseEstimateSystem() {
  if (!estimate_) return;
  estimate_->Detach();  // the workbench has closed the estimation already
  estimate_->hide();
  estimate_->deleteLater();  // it may be inside one of its own handlers
  estimate_ = nullptr;
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
  if (auto* aspire = findChild<QLineEdit*>("txtAspire");
      aspire && aspire->text() != QString::fromStdString(f.txtAspire)) {
    aspire->setText(QString::fromStdString(f.txtAspire));
  }
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

QString MainWindow::Indexed(const char* name, int i) { return QString("%1(%2)").arg(name).arg(i); }

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
