#pragma once
// The small windows of the workbench: the wait window (HoldOn), the notice window
// (ShowWaitBox/HideWaitBox), the splash window that is also the about box, and the tip
// of the day.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "workbench/CommandTable.h"

class QCheckBox;
class QLabel;

namespace quantorial {

// frmWait: "Please Wait..." with a status text.
class WaitWindow : public QDialog {
  Q_OBJECT
 public:
  explicit WaitWindow(QWidget* owner);
  // A non-empty text shows the window with the text, an empty one hides it.
  void WaitMsg(const QString& text);
  QString Text() const;

 private:
  QLabel* lblTxt_;
};

// frmSplashMsg: a small notice in the lower right corner of the screen.
class NoticeWindow : public QDialog {
  Q_OBJECT
 public:
  explicit NoticeWindow(QWidget* owner);
  // An empty message becomes "Processing Request...please wait!".
  void ShowWaitBox(const QString& message, bool modal);
  void HideWaitBox(const QString& message);
  QString Text() const;
  QString LastMessage() const { return lastMessage_; }

 private:
  QLabel* Label1_;
  QString lastMessage_;
};

// The version text of the about box and the splash window.
QString VersionText(const QString& suffix);

// frmSplash: the picture, "KRV - Quantorial Software", "&Close" and "&Version Info".
// A window that only shows something, whose controls (wired through the command table by
// their names) act on the window itself: `Control` carries one out ("cmdNextTip"; a check
// box's value "0"/"1").
class ControlledWindow {
 public:
  virtual ~ControlledWindow() = default;
  virtual void Control(const std::string& control, const std::string& value) = 0;
};

// How a window's controls are sent: through the command table's Perform on the workbench
// (a window of the running workbench) or straight to the window (the start-up splash).
using ActFunction = std::function<void(const Action&)>;

class SplashWindow : public QDialog, public ControlledWindow {
  Q_OBJECT
 public:
  // As the start-up splash (frameless; its controls act on it directly) or as the about box
  // ("frmAbout", its controls sent through `act`).
  SplashWindow(QWidget* owner, bool aboutBox, ActFunction act = nullptr);
  QString InfoText() const;
  void Control(const std::string& control, const std::string& value) override;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  QLabel* lblInfo_;
};

// The start-up splash: shown at once, closed when the main window is up. It deletes itself
// when it closes, and a click, a key or the window manager may close it before the main
// window is ready, so it is only ever reached through a guarded pointer.
class StartupSplash {
 public:
  StartupSplash();
  StartupSplash(const StartupSplash&) = delete;
  StartupSplash& operator=(const StartupSplash&) = delete;
  ~StartupSplash() { Close(); }
  // The splash while it is open, else null.
  SplashWindow* Window() const { return splash_.data(); }
  void Close();

 private:
  QPointer<SplashWindow> splash_;
};

// frmTip: "Tip of the Day".
class TipWindow : public QDialog, public ControlledWindow {
  Q_OBJECT
 public:
  // "frmTip"; its controls are sent through `act`.
  TipWindow(QWidget* owner, ActFunction act);
  void Control(const std::string& control, const std::string& value) override;
  static QStringList Tips();
  int CurrentTip() const { return current_; }
  QString TipText() const;
  void NextTip();

 private:
  QLabel* lblTipText_;
  QCheckBox* chkLoadTipsAtStartup_;
  int current_ = 1;
};

// The per-user option "Options/Show Tips at Startup" (1 or 0, default 1).
int ShowTipsAtStartup();
void SetShowTipsAtStartup(int value);

// The sample files (data, B-matrices, system files, LP models, session scripts) go into the
// user's Data folder, so that the file dialogs open on something useful: from the first of
// `candidates` that exists. Files already there are left alone.
void CopySamples(const QString& dataFolder, const QStringList& candidates);

// The file the window opens for FILE given at start. A file of one of the samples folders
// `sampleFolders` opens as its copy in the Data folder (copied there now if the copy is
// missing), so that what a session writes beside its data (the regression tables, the
// earlier tables kept as NAME~1.CSV) lands among the user's files and the samples stay as
// shipped (a copy that cannot be made is reported by the load, never replaced by the sample).
// Any other file opens as given, made absolute.
QString FileToOpenAtStart(const QString& given, const QString& dataFolder, const QStringList& sampleFolders);

}  // namespace quantorial
