#pragma once
// frmModel, "KRV - Model Testing": the six grids, the command panel and the menus over
// one Workbench. The window only shows the workbench's state (`Refresh`) and passes
// clicks to its handlers; the work itself is done in the core.

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QVector>
#include <array>
#include <functional>
#include <memory>

#include "gui/GuiHost.h"
#include "io/SettingsStore.h"
#include "workbench/CommandTable.h"
#include "workbench/SessionRecorder.h"
#include "workbench/Workbench.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QScrollArea;
class QTableView;
class QTimer;

namespace quantorial {

class MatrixTableModel;
class WaitWindow;
class NoticeWindow;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // `store` may be null (nothing remembered); `dataFolder` is where file dialogs open.
  MainWindow(std::unique_ptr<GuiHost> host, std::unique_ptr<SettingsStore> store, const QString& dataFolder,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  Workbench& Bench() { return *bench_; }
  GuiHost& HostRef() { return *host_; }

  // Main window load: the last data files come back.
  void Form_Load();
  // The first activation shows the tips once, unless they are switched off.
  void Form_Activate();

  // Services of the main window.
  void HoldOn(const QString& text);
  void Preview(const LabelledMatrix& m, int grid, const QString& caption);
  void PreviewText(const QString& text, int grid, const QString& caption);
  void ClearGrid(int grid);
  // Every cell text of a grid, rows by columns.
  QVector<QVector<QString>> CopyGrid(int grid) const;
  // The same as a matrix of texts.
  LabelledMatrix CopyGridMatrix(int grid) const;
  // The same as one text: every cell followed by "," and every row by a line break.
  QString CopyGridText(int grid) const;
  void ShowWaitBox(const QString& message, bool modal);
  // The chart window, made at the first drawing.
  void ShowChart(const ChartDescription& chart, bool copyToClipboard);
  class ChartWindow* Chart() const {
    return chart_;
  }
  void HideWaitBox(const QString& message);
  // Carries out an action of a modal window's control through the command table.
  void PerformInDialog(const Action& a);
  // "KRV Worksheet": made when the workbench opens its editor, gone when it unloads it.
  void ShowEditor();
  void CloseEditor();
  // "Estimate System": made when the workbench opens its estimation, gone when it closes it.
  void ShowEstimateSystem();
  void CloseEstimateSystem();
  class EstimateSystemWindow* EstimateSystem() const {
    return estimate_;
  }
  class EditorWindow* Editor() const {
    return editor_;
  }

  QTableView* Grid(int i) const { return grids_[static_cast<std::size_t>(i)]; }
  QString GridCaption(int i) const;
  QWidget* GridFrame(int i) const { return frames_[static_cast<std::size_t>(i)]; }
  QPlainTextEdit* TxtShow() const { return txtShow_; }
  WaitWindow* Wait() const { return wait_; }
  NoticeWindow* Notice() const { return notice_; }

  // Shows the workbench's state in the controls.
  void Refresh();
  // Places the grids by the window's size (nothing moves when the window is too narrow).
  void LayoutForm();
  // Where the grids stand, on the screen: what the chart window opens over.
  QRect GridArea() const;
  QLabel* RecordMark() const { return recordMark_; }

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  // The window's close button exits as "&Exit" does: the worksheet editor asks about its
  // unsaved changes first, and Cancel keeps both windows open.
  void closeEvent(QCloseEvent* e) override;

 private:
  // "cmdQ(2)" from ("cmdQ", 2): the name of a control of an array.
  static QString Indexed(const char* name, int i);
  QWidget* BuildCommandPanel();
  QWidget* BuildDynamicPanel(QWidget* parent);
  void BuildMenus();
  // Connects every widget to its entry of the command table, by its name.
  void WireControls();
  // Carries out an action of the command table as the command of the window.
  void Act(const Action& a);
  QPushButton* Button(const QString& name, const QString& caption, const QString& tip = QString());
  template <typename W>
  W* Named(W* w, const QString& name);
  // Runs a handler of the workbench and shows the state it left. A long command lets the
  // window repaint (through the wait window); a control pressed meanwhile is refused with a
  // beep, so no second command runs on the matrices the first is still using.
  void Handle(const std::function<void()>& handler);
  bool busy_ = false;
  friend class GuiHost;
  void StartCalculator();
  void ShowAbout();
  void Exit();
  // Tools ▸ "Record Session Script..." / "Stop Recording".
  void ToggleRecording();
  std::unique_ptr<SessionRecorder> recorder_;

  std::unique_ptr<GuiHost> host_;
  std::unique_ptr<SettingsStore> store_;
  std::unique_ptr<Workbench> bench_;
  QWidget* formArea_ = nullptr;
  QScrollArea* picture1_ = nullptr;
  QWidget* picMore_ = nullptr;
  std::array<QWidget*, 6> frames_{};
  std::array<QLabel*, 6> captions_{};
  std::array<QString, 6> captionTexts_{};
  // A grid's caption, whole, and as shown: in a smaller type or shortened when it would
  // not fit over its grid.
  void SetCaption(int grid, const QString& caption);
  void FitCaption(int grid);
  std::array<QTableView*, 6> grids_{};
  std::array<MatrixTableModel*, 6> models_{};
  QPlainTextEdit* txtShow_ = nullptr;
  QString txtShowCaption_;
  std::array<QLineEdit*, 3> txtData_{};
  QLineEdit* txtRows_ = nullptr;
  QLineEdit* txtCols_ = nullptr;
  QComboBox* cboArrays_ = nullptr;
  QComboBox* cboPlot_ = nullptr;
  QListWidget* lstImpVars_ = nullptr;
  QListWidget* lstDyn_ = nullptr;
  QLineEdit* txtDyn_ = nullptr;
  QWidget* chkDummy_ = nullptr;
  QCheckBox* chkSave_ = nullptr;
  QMap<QString, QWidget*> controls_;
  WaitWindow* wait_ = nullptr;
  NoticeWindow* notice_ = nullptr;
  class ChartWindow* chart_ = nullptr;
  // The chart window first opens where the user left it (when that is on a screen), else
  // over the grids, clear of the command panel; where it is moved to is kept.
  void PlaceChart(QWidget* chart);
  void SaveChartPlace();
  QTimer* chartPlaceTimer_ = nullptr;
  // The mark beside the menus while a session is being recorded.
  QLabel* recordMark_ = nullptr;
  class EditorWindow* editor_ = nullptr;
  class EstimateSystemWindow* estimate_ = nullptr;
  int nActivated_ = 0;
};

// The twips-based positions of the grids for an inner size in pixels (15 twips to a
// pixel). False when the window is too narrow, and the grids stay where they are.
bool GridGeometry(int innerWidth, int innerHeight, int panelHeight, std::array<QRect, 6>& out);

}  // namespace quantorial
