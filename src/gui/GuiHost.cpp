#include "gui/GuiHost.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTreeView>
#include <QUrl>
#include <algorithm>

#include "gui/ChartOptionsDialog.h"
#include "gui/EditorWindow.h"
#include "gui/EstimateSystemWindow.h"
#include "gui/ForecastDialog.h"
#include "gui/MainWindow.h"
#include "gui/Windows.h"

namespace quantorial {

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    const QString patterns = QString(parts[i + 1]).replace(';', ' ');
    // "Text (*.a;*.b)" already names its patterns; Qt reads the ones in parentheses.
    const int paren = description.indexOf('(');
    if (paren >= 0) description = description.left(paren).trimmed();
    out << description + " (" + patterns + ")";
  }
  return out.join(";;");
}

void GuiHost::HoldOn(const std::string& text) {
  if (window_) window_->HoldOn(QString::fromStdString(text));
}

bool GuiHost::Progress(const std::string& text, long long done, long long total) {
  if (done >= total) {
    if (progress_) progress_->deleteLater();
    progress_ = nullptr;
    return true;
  }
  if (!progress_) {
    progress_ = new QProgressDialog(QString(), QStringLiteral("Cancel"), 0, 1000, DialogParent());
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(500);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progressShown_.start();
    progress_->setValue(0);
  }
  // Brought up to date a few times a second: each update lets the window handle events.
  if (progressShown_.elapsed() >= 50) {
    progressShown_.restart();
    progress_->setLabelText(QString::fromStdString(text));
    progress_->setValue(static_cast<int>(1000.0 * static_cast<double>(done) / static_cast<double>(total)));
    QApplication::processEvents();
  }
  return !progress_->wasCanceled();
}

void GuiHost::ShowWaitBox(const std::string& message, bool modal) {
  if (window_) window_->ShowWaitBox(QString::fromStdString(message), modal);
}

void GuiHost::HideWaitBox(const std::string& message) {
  if (window_) window_->HideWaitBox(QString::fromStdString(message));
}

void GuiHost::Preview(const LabelledMatrix& m, int grid, const std::string& caption) {
  if (window_) window_->Preview(m, grid, QString::fromStdString(caption));
}

void GuiHost::ClearGrid(int grid) {
  if (window_) window_->ClearGrid(grid);
}

void GuiHost::PreviewText(const std::string& text, int grid, const std::string& caption) {
  if (window_) window_->PreviewText(QString::fromStdString(text), grid, QString::fromStdString(caption));
}

ModalScope::ModalScope(MainWindow* window) {
  if (!window) return;
  for (QWidget* w : {static_cast<QWidget*>(window->Wait()), static_cast<QWidget*>(window->Notice())}) {
    if (w && w->isVisible()) {
      w->hide();
      hidden_.emplace_back(w);
    }
  }
}

ModalScope::~ModalScope() {
  for (const auto& w : hidden_) {
    if (w) w->show();
  }
}

// The session recorder of the window, while one records.
SessionRecorder* GuiHost::Recorder() const { return window_ ? window_->Bench().recorder : nullptr; }

int GuiHost::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  const ModalScope scope(window_);
  const int pressed = AskMsgBox(prompt, buttons, title);
  // A box with one button asks nothing; the button pressed on a question is its answer.
  if (SessionRecorder* r = Recorder(); r && (buttons & kMsgBoxButtonsMask) != vbOKOnly) {
    static const char* const kCaptions[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
    if (pressed >= 1 && pressed <= 7) r->AnswerButton(kCaptions[pressed]);
  }
  return pressed;
}

std::optional<std::string> GuiHost::InputBox(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText) {
  const ModalScope scope(window_);
  auto answer = AskInput(prompt, title, defaultText);
  if (SessionRecorder* r = Recorder()) answer ? r->AnswerText(*answer) : r->AnswerCancel();
  return answer;
}

std::optional<std::string> GuiHost::ChooseOpenFile(const FileDialogRequest& request) {
  const ModalScope scope(window_);
  auto path = AskOpenFile(request);
  if (SessionRecorder* r = Recorder()) r->AnswerFile(path.value_or(""));
  return path;
}

std::optional<std::string> GuiHost::ChooseSaveFile(const FileDialogRequest& request) {
  const ModalScope scope(window_);
  int filter = 0;
  auto path = AskSaveFile(request, filter);
  // A name typed without an ending gets the one of the filter left selected (before it is
  // recorded, so that a replay writes the same file).
  if (path) *path = request.WithExtension(*path, filter);
  if (SessionRecorder* r = Recorder()) r->AnswerFile(path.value_or(""));
  return path;
}

bool GuiHost::ShowForecastOptions(ForecastOptions& dialog) {
  const ModalScope scope(window_);
  if (SessionRecorder* r = Recorder()) r->DialogOpens();
  const bool ok = AskForecastOptions(dialog);
  if (SessionRecorder* r = Recorder()) r->AnswerForecast(dialog, ok);
  if (window_) window_->Refresh();
  return ok;
}

void GuiHost::ShowChartOptions(ChartOptionsState& dialog) {
  const ModalScope scope(window_);
  // The defaults button writes the defaults; OK every control as it was left.
  if (SessionRecorder* r = Recorder()) r->DialogOpens();
  AskChartOptions(dialog);
  if (SessionRecorder* r = Recorder()) r->AnswerChartOptions(dialog, dialog.closedByOk, dialog.closedByDefaults);
}

void GuiHost::WindowService(const std::string& service) {
  if (!window_) return;
  if (service == "Exit") window_->Exit();
  if (service == "Calculator") window_->StartCalculator();
  if (service == "About") window_->ShowAbout();
  if (service == "Tips") ShowTipWindow();
  if (service == "Record") window_->ToggleRecording();
  if (service == "Editor") window_->ShowEditor();
  if (service == "EditorClosed") window_->CloseEditor();
  if (service == "EstimateSystem") window_->ShowEstimateSystem();
  if (service == "EstimateSystemClosed") window_->CloseEstimateSystem();
}

QWidget* GuiHost::DialogParent() const {
  // A box or file dialog asked for by the worksheet editor belongs over the editor, so that
  // closing it leaves the editor on top instead of the main window. The editor's own
  // commands count even when the editor is not the active window at that moment (after one
  // box closes the desktop may activate the main window before the next one opens).
  if (window_ && window_->Editor() && (window_->Editor()->Acting() || window_->Editor()->isActiveWindow())) {
    return window_->Editor();
  }
  // So are those of "Estimate System": after "Open..." the estimation stays in front.
  if (window_ && window_->EstimateSystem() &&
      (window_->EstimateSystem()->Acting() || window_->EstimateSystem()->isActiveWindow())) {
    return window_->EstimateSystem();
  }
  return window_;
}

LabelledMatrix GuiHost::CopyGrid(int grid) { return window_ ? window_->CopyGridMatrix(grid) : LabelledMatrix(); }

int GuiHost::AskMsgBox(const std::string& prompt, int buttons, const std::string& title) {
  QMessageBox box(DialogParent());
  box.setText(QString::fromStdString(prompt));
  box.setWindowTitle(QString::fromStdString(title.empty() ? std::string(kApplicationTitle) : title));
  switch (buttons & kMsgBoxIconMask) {
    case vbCritical:
      box.setIcon(QMessageBox::Critical);
      break;
    case vbQuestion:
      box.setIcon(QMessageBox::Question);
      break;
    case vbExclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case vbInformation:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  struct Choice {
    QMessageBox::StandardButton button;
    int result;
  };
  std::vector<Choice> choices;
  switch (buttons & kMsgBoxButtonsMask) {
    case vbOKCancel:
      choices = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
      break;
    case vbAbortRetryIgnore:
      choices = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
      break;
    case vbYesNoCancel:
      choices = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
      break;
    case vbYesNo:
      choices = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
      break;
    case vbRetryCancel:
      choices = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
      break;
    default:
      choices = {{QMessageBox::Ok, vbOK}};
      break;
  }
  QMessageBox::StandardButtons set;
  for (const auto& c : choices) set |= c.button;
  box.setStandardButtons(set);
  box.setDefaultButton(choices.front().button);
  const int pressed = box.exec();
  for (const auto& c : choices) {
    if (pressed == c.button) return c.result;
  }
  // Closing the box counts as its cancel button, or its only one.
  for (const auto& c : choices) {
    if (c.result == vbCancel) return vbCancel;
  }
  return choices.back().result;
}

std::optional<std::string> GuiHost::AskInput(const std::string& prompt, const std::string& title,
                                             const std::string& defaultText) {
  bool ok = false;
  const QString text = QInputDialog::getText(
      DialogParent(), QString::fromStdString(title.empty() ? std::string(kApplicationTitle) : title),
      QString::fromStdString(prompt), QLineEdit::Normal, QString::fromStdString(defaultText), &ok);
  if (!ok) return std::nullopt;
  return text.toStdString();
}

void FitFileDialog(QFileDialog& dialog) {
  // Wide enough for the names, sizes, kinds and dates of the files, within the screen; the
  // detail columns as wide as what they show and the names taking the rest. (A dialog of
  // the desktop's own has no such view, and is left as it is.)
  QSize size(940, 560);
  if (const QScreen* screen = dialog.screen())
    size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
  dialog.resize(size);
  if (auto* view = dialog.findChild<QTreeView*>("treeView")) {
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < header->count(); ++c) header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }
}

std::optional<std::string> GuiHost::AskOpenFile(const FileDialogRequest& request) {
  QFileDialog dialog(DialogParent(), QString::fromStdString(request.title),
                     QString::fromStdString(request.initialFolder), QtFileFilter(request.filter));
  dialog.setObjectName("openFileDialog");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  FitFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().constFirst();
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

std::optional<std::string> GuiHost::AskSaveFile(const FileDialogRequest& request, int& filter) {
  QString start = QString::fromStdString(request.initialFolder);
  if (!request.defaultName.empty()) start += "/" + QString::fromStdString(request.defaultName);
  const QStringList filters = QtFileFilter(request.filter).split(";;");
  QFileDialog dialog(DialogParent(), QString::fromStdString(request.title), start, filters.join(";;"));
  dialog.setObjectName("saveFileDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The ending of the filter left selected goes on a name typed without one inside the
  // dialog, so that the dialog's question before replacing a file asks about the file that
  // is written.
  auto suffix = [&request](int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= request.extensions.size()) return QString();
    QString e = QString::fromStdString(request.extensions[static_cast<std::size_t>(i)]);
    return e.startsWith('.') ? e.mid(1) : e;
  };
  dialog.setDefaultSuffix(suffix(0));
  FitFileDialog(dialog);
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters, &suffix](const QString& f) {
    dialog.setDefaultSuffix(suffix(static_cast<int>(filters.indexOf(f))));
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = dialog.selectedFiles().constFirst();
  if (path.isEmpty()) return std::nullopt;
  filter = std::max<int>(static_cast<int>(filters.indexOf(dialog.selectedNameFilter())), 0);
  return path.toStdString();
}

bool GuiHost::AskForecastOptions(ForecastOptions& dialog) {
  if (!window_) return false;
  ForecastDialog box(window_, window_->Bench(), dialog);
  return box.exec() == QDialog::Accepted;
}

void GuiHost::ShowChart(const ChartDescription& chart, bool copyToClipboard) {
  if (window_) window_->ShowChart(chart, copyToClipboard);
}

void GuiHost::AskChartOptions(ChartOptionsState& dialog) {
  if (!window_) return;
  ChartOptionsDialog box(window_, window_->Bench(), dialog);
  box.exec();
}

std::string GuiHost::ClipboardText() { return QGuiApplication::clipboard()->text().toStdString(); }

void GuiHost::SetClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

namespace {

// Workbooks and tables: these must reach a spreadsheet program, never this workbench, which
// would load a temporary preview as if it were the user's data.
bool IsSpreadsheetFile(const QString& file) {
  const QString suffix = QFileInfo(file).suffix().toLower();
  return suffix == "xlsx" || suffix == "xls" || suffix == "ods" || suffix == "csv";
}

// Spreadsheet programs tried in turn when the desktop has no other program for a workbook.
struct Spreadsheet {
  const char* program;
  const char* option;  // an option that picks the spreadsheet part, or null
};
constexpr Spreadsheet kSpreadsheets[] = {
    {"libreoffice", "--calc"}, {"localc", nullptr},         {"soffice", "--calc"},
    {"gnumeric", nullptr},     {"calligrasheets", nullptr}, {"et", nullptr},
};

}  // namespace

bool IsOwnDesktopEntry(const QString& entry) {
  const QString name = QFileInfo(entry).fileName();
  if (name.isEmpty()) return false;
  if (name.compare("quantorial.desktop", Qt::CaseInsensitive) == 0) return true;
  QString path = entry.contains('/') ? entry : QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name);
  if (path.isEmpty()) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || file.size() > (1 << 20)) return false;
  const QString own = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine(4096)).trimmed();
    if (!line.startsWith("Exec=")) continue;
    const QString program = line.mid(5).section(' ', 0, 0).remove('"');
    const QString base = QFileInfo(program).fileName();
    return base == "quantorial" || (!own.isEmpty() && base == own);
  }
  return false;
}

QString GuiHost::DefaultDesktopEntry(const QString& mimeType) {
  const QString query = QStandardPaths::findExecutable("xdg-mime");
  if (query.isEmpty()) return {};
  QProcess mime;
  mime.start(query, {"query", "default", mimeType});
  if (!mime.waitForFinished(3000) || mime.exitStatus() != QProcess::NormalExit) return {};
  return QString::fromUtf8(mime.readAllStandardOutput()).trimmed();
}

bool GuiHost::OpenUrl(const QString& file) { return QDesktopServices::openUrl(QUrl::fromLocalFile(file)); }

bool GuiHost::OpenWithDesktop(const std::string& path) {
  const QString file = QString::fromStdString(path);
  // The desktop's opener starts in the background and cannot say whether a program took
  // the file; its table of default programs says which one would.
  const QString entry = DefaultDesktopEntry(QMimeDatabase().mimeTypeForFile(file).name());
  const bool own = !entry.isEmpty() && IsOwnDesktopEntry(entry);
  if (!entry.isEmpty() && !own) return OpenUrl(file);
  if (IsSpreadsheetFile(file)) {
    for (const Spreadsheet& s : kSpreadsheets) {
      const QString program = QStandardPaths::findExecutable(s.program);
      if (program.isEmpty()) continue;
      QStringList arguments;
      if (s.option) arguments << s.option;
      arguments << file;
      if (StartProgram(program, arguments)) return true;
    }
    return false;
  }
  // Without a table of defaults the opener is the only way left; a program of this
  // workbench's own is never picked for a file that is not a workbook.
  return !own && OpenUrl(file);
}

void GuiHost::ShowTipWindow() {
  TipWindow tip(window_, [this](const Action& a) {
    if (window_) window_->PerformInDialog(a);
  });
  tip.exec();
}

namespace {
// The open window of that name that only shows something, or null.
ControlledWindow* OpenWindow(const std::string& form) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->objectName().toStdString() == form) return dynamic_cast<ControlledWindow*>(w);
  }
  return nullptr;
}
}  // namespace

bool GuiHost::WindowOpen(const std::string& form) { return OpenWindow(form) != nullptr; }

void GuiHost::WindowControl(const std::string& control, const std::string& value) {
  const std::size_t dot = control.find('.');
  if (ControlledWindow* w = OpenWindow(control.substr(0, dot))) w->Control(control.substr(dot + 1), value);
}

bool GuiHost::StartProgram(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

}  // namespace quantorial
