#include "gui/Windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

#include "frontend/Host.h"
#include "gui/CommandWiring.h"
#include "workspace/Random.h"

#ifndef QUANTORIAL_VERSION
#define QUANTORIAL_VERSION "0.0.0"
#endif

namespace quantorial {

// ---- wait window ----

WaitWindow::WaitWindow(QWidget* owner) : QDialog(owner, Qt::Tool | Qt::WindowStaysOnTopHint) {
  setObjectName("frmWait");
  setWindowTitle("Please Wait...");
  setModal(false);
  lblTxt_ = new QLabel(this);
  lblTxt_->setObjectName("lblTxt");
  QFont f("Arial");
  f.setPointSize(11);
  lblTxt_->setFont(f);
  lblTxt_->setAlignment(Qt::AlignCenter);
  lblTxt_->setMinimumWidth(320);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblTxt_);
}

void WaitWindow::WaitMsg(const QString& text) {
  if (text.isEmpty()) {
    hide();
    return;
  }
  lblTxt_->setText(text + "\nPlease Wait...");
  show();
  raise();
  QCoreApplication::processEvents();
}

QString WaitWindow::Text() const { return lblTxt_->text(); }

// ---- notice window ----

NoticeWindow::NoticeWindow(QWidget* owner) : QDialog(owner, Qt::Tool | Qt::FramelessWindowHint) {
  setObjectName("frmSplashMsg");
  Label1_ = new QLabel(QFileInfo(QCoreApplication::applicationFilePath()).baseName(), this);
  Label1_->setObjectName("Label1");
  Label1_->setMargin(12);
  Label1_->setFrameShape(QFrame::Box);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Label1_);
}

void NoticeWindow::ShowWaitBox(const QString& message, bool modal) {
  lastMessage_ = message.isEmpty() ? QString("Processing Request...please wait!") : message;
  Label1_->setText(lastMessage_);
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect r = screen->availableGeometry();
    // 1500 and 1000 twips from the right and bottom edges.
    move(r.right() - (width() + 100), r.bottom() - (height() + 67));
  }
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setModal(modal);
  show();
  repaint();
}

void NoticeWindow::HideWaitBox(const QString& message) {
  lastMessage_ = message;
  setWindowFlag(Qt::WindowStaysOnTopHint, false);
  hide();
  QCoreApplication::processEvents();
}

QString NoticeWindow::Text() const { return Label1_->text(); }

// ---- splash and about ----

namespace {

QString ExecutableName() {
  const QString name = QFileInfo(QCoreApplication::applicationFilePath()).baseName();
  return name.isEmpty() ? QString("quantorial") : name;
}

// The splash picture, drawn here: a rising series over a light grid.
QPixmap SplashPicture() {
  QPixmap pm(420, 180);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, pm.height());
  g.setColorAt(0, QColor(0x1F, 0x3A, 0x5F));
  g.setColorAt(1, QColor(0x3C, 0x6E, 0x9E));
  p.fillRect(pm.rect(), g);
  p.setPen(QPen(QColor(255, 255, 255, 40), 1));
  for (int x = 20; x < pm.width(); x += 40) p.drawLine(x, 20, x, pm.height() - 20);
  for (int y = 20; y < pm.height(); y += 30) p.drawLine(20, y, pm.width() - 20, y);
  const double series[] = {0.20, 0.32, 0.27, 0.41, 0.38, 0.52, 0.49, 0.63, 0.60, 0.74, 0.80};
  QPainterPath path;
  for (int i = 0; i < 11; ++i) {
    const QPointF pt(30 + i * 36.0, pm.height() - 20 - series[i] * 130);
    if (i == 0)
      path.moveTo(pt);
    else
      path.lineTo(pt);
  }
  p.setPen(QPen(QColor(0xF2, 0xB1, 0x34), 3));
  p.drawPath(path);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setPointSize(22);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRect(24, 14, 380, 40), Qt::AlignLeft, "Quantorial");
  return pm;
}

}  // namespace

QString VersionText(const QString& suffix) {
  return ExecutableName() + suffix + "\nVersion " + QUANTORIAL_VERSION +
         "\nA workbench for testing and planning with linear simultaneous-equation models.\n"
         "Made by the Quantorial developers; free to use and to change.";
}

SplashWindow::SplashWindow(QWidget* owner, bool aboutBox, ActFunction act)
    : QDialog(owner, aboutBox ? Qt::Dialog : Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(aboutBox ? "frmAbout" : "frmSplash");
  setWindowTitle(aboutBox ? "About Quantorial" : "Quantorial");
  auto* picture = new QLabel(this);
  picture->setObjectName("imgLogo");
  picture->setPixmap(SplashPicture());
  auto* title = new QLabel("KRV - Quantorial Software", this);
  title->setObjectName("lblProductName");
  QFont f = title->font();
  f.setPointSize(13);
  f.setBold(true);
  title->setFont(f);
  lblInfo_ = new QLabel(this);
  lblInfo_->setObjectName("lblInfo");
  lblInfo_->setWordWrap(true);
  if (aboutBox) lblInfo_->setText(VersionText(" - Statistics Software"));
  auto* close = new QPushButton("&Close", this);
  close->setObjectName("cmdClose");
  auto* version = new QPushButton("&Version Info", this);
  version->setObjectName("cmdVersion");
  if (!act) act = [this](const Action& a) { Control(a.control.substr(a.control.find('.') + 1), a.text); };
  WireThroughTable(
      this, "frmAbout.", [this](const QString& name) { return findChild<QObject*>(name); }, act);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(version);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture);
  layout->addWidget(title);
  layout->addWidget(lblInfo_);
  layout->addLayout(buttons);
}

QString SplashWindow::InfoText() const { return lblInfo_->text(); }

void SplashWindow::Control(const std::string& control, const std::string&) {
  if (control == "cmdClose") accept();
  if (control == "cmdVersion") lblInfo_->setText(VersionText(" - Quantorial Software"));
}

StartupSplash::StartupSplash() : splash_(new SplashWindow(nullptr, false)) {
  splash_->setAttribute(Qt::WA_DeleteOnClose);
  splash_->show();
  splash_->repaint();
}

void StartupSplash::Close() {
  if (splash_) splash_->close();
}

void SplashWindow::mousePressEvent(QMouseEvent*) { accept(); }

void SplashWindow::keyPressEvent(QKeyEvent* e) {
  if (e->modifiers() & Qt::AltModifier) {
    QDialog::keyPressEvent(e);  // Alt+C and Alt+V belong to the buttons
    return;
  }
  accept();
}

// ---- tip of the day ----

namespace {
QSettings UserSettings() { return QSettings(QSettings::IniFormat, QSettings::UserScope, "Quantorial", "Quantorial"); }
}  // namespace

int ShowTipsAtStartup() { return UserSettings().value("Options/Show Tips at Startup", 1).toInt(); }

void SetShowTipsAtStartup(int value) { UserSettings().setValue("Options/Show Tips at Startup", value); }

QStringList TipWindow::Tips() {
  const QString title = kApplicationTitle;
  return {
      "KRV primary data is usually a time series data file: comma, tab or semicolon separated text, or a "
      "workbook (.xlsx, .xls, .ods).",
      "The secordary data file is normally a B-Matrix file associated with the primary data file. This can be create "
      "automatically from the primary data.",
      title + " allows you to analyze a file anywhere on the local computer system or on the shared network.",
      title +
          " reads workbooks (.xlsx, .xls, .ods) and the statistics programs' data files, and writes .xlsx "
          "workbooks and CSV files, so you import and export data in popular file formats.",
      "With this version of " + title +
          " you create or edit your worksheets directly within the package: Tools > KRV Worksheet Editor...",
      title + " Matrix functions can perform various matrix operations directly on any matrix data file(s).",
      "The data in any of the four quandrants can be expanded or displayed in your spreadsheet program by clicking "
      "and pressing Enter key.",
      "Ideas for new features are welcome: tell the " + title +
          " developers what would help your work through the project's issue tracker.",
  };
}

TipWindow::TipWindow(QWidget* owner, ActFunction act) : QDialog(owner) {
  setObjectName("frmTip");
  setWindowTitle("Tip of the Day");
  auto* heading = new QLabel("Did you know...", this);
  heading->setObjectName("lblDidYouKnow");
  QFont f = heading->font();
  f.setBold(true);
  f.setPointSize(f.pointSize() + 2);
  heading->setFont(f);
  lblTipText_ = new QLabel(this);
  lblTipText_->setObjectName("lblTipText");
  lblTipText_->setWordWrap(true);
  lblTipText_->setMinimumSize(380, 90);
  lblTipText_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  chkLoadTipsAtStartup_ = new QCheckBox("&Show Tips at Startup", this);
  chkLoadTipsAtStartup_->setObjectName("chkLoadTipsAtStartup");
  chkLoadTipsAtStartup_->setChecked(ShowTipsAtStartup() == 1);
  auto* next = new QPushButton("&Next Tip", this);
  next->setObjectName("cmdNextTip");
  auto* close = new QPushButton("&Close", this);
  close->setObjectName("cmdOK");
  WireThroughTable(
      this, "frmTip.", [this](const QString& name) { return findChild<QObject*>(name); }, std::move(act));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(chkLoadTipsAtStartup_);
  buttons->addStretch();
  buttons->addWidget(next);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(lblTipText_, 1);
  layout->addLayout(buttons);
  RandomizeFromClock();
  current_ = static_cast<int>(Rnd() * static_cast<double>(Tips().size())) + 1;
  NextTip();
}

QString TipWindow::TipText() const { return lblTipText_->text(); }

void TipWindow::Control(const std::string& control, const std::string& value) {
  if (control == "cmdNextTip") NextTip();
  if (control == "cmdOK") accept();
  if (control == "chkLoadTipsAtStartup") {
    SetShowTipsAtStartup(value == "1" ? 1 : 0);
    chkLoadTipsAtStartup_->setChecked(value == "1");
  }
}

void TipWindow::NextTip() {
  const QStringList tips = Tips();
  if (++current_ > tips.size()) current_ = 1;
  lblTipText_->setText(tips[current_ - 1]);
}

void CopySamples(const QString& dataFolder, const QStringList& candidates) {
  QDir().mkpath(dataFolder);
  for (const QString& dir : candidates) {
    const QDir samples(dir);
    if (dir.isEmpty() || !samples.exists()) continue;
    for (const QFileInfo& f :
         samples.entryInfoList({"*.csv", "*.xlsx", "*.xls", "*.ods", "*.txt", "*.qs", "*.sys", "*.lp"}, QDir::Files)) {
      const QString target = dataFolder + "/" + f.fileName();
      if (!QFileInfo::exists(target)) QFile::copy(f.absoluteFilePath(), target);
    }
    return;
  }
}

QString FileToOpenAtStart(const QString& given, const QString& dataFolder, const QStringList& sampleFolders) {
  const QFileInfo file(given);
  const QString folder = file.absoluteDir().canonicalPath();
  const QString data = QDir(dataFolder).canonicalPath();
  if (!file.exists() || folder == data) return file.absoluteFilePath();
  for (const QString& dir : sampleFolders) {
    if (dir.isEmpty() || QDir(dir).canonicalPath() != folder) continue;
    const QString copy = QDir(dataFolder).filePath(file.fileName());
    if (!QFileInfo::exists(copy)) {
      QDir().mkpath(dataFolder);
      // The B-matrix and A-matrix named after the data file come along with it.
      const QString stem = file.completeBaseName();
      for (const QFileInfo& f : QDir(folder).entryInfoList({stem + ".*", stem + "_*"}, QDir::Files)) {
        const QString target = QDir(dataFolder).filePath(f.fileName());
        if (!QFileInfo::exists(target)) QFile::copy(f.absoluteFilePath(), target);
      }
    }
    // Never the sample itself: without a copy the load says the file cannot be read.
    return QFileInfo(copy).absoluteFilePath();
  }
  return file.absoluteFilePath();
}

}  // namespace quantorial
