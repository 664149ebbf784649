// The desktop workbench: splash window, main window, last data files back.
// quantorial [FILE]: FILE, when given, is loaded as the primary data file (a bundled sample as
// its copy in the user's Data folder).

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <clocale>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "gui/MainWindow.h"
#include "gui/Windows.h"
#include "io/SettingsStore.h"

#ifndef QUANTORIAL_SAMPLES_DIR
#define QUANTORIAL_SAMPLES_DIR ""
#endif
#ifndef QUANTORIAL_DOCS_DIR
#define QUANTORIAL_DOCS_DIR ""
#endif

namespace {

// Whatever escapes an event's handler outside the command table (which ends its command
// failed) is told in a box, and the window goes on with the workspace it has: nothing is
// aborted and nothing already computed is lost.
class WorkbenchApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
      Tell("The last command needs more memory than this machine can give it; it stopped there.");
    } catch (const std::exception& e) {
      Tell(QStringLiteral("The last command stopped on an internal error (%1).").arg(QString::fromUtf8(e.what())));
    }
    return false;
  }

 private:
  static void Tell(const QString& text) {
    std::fprintf(stderr, "quantorial: %s\n", text.toUtf8().constData());
    QMessageBox::critical(nullptr, QStringLiteral("KRV - Model Testing"), text);
  }
};

}  // namespace

int main(int argc, char** argv) {
  // Answered before any window system is needed.
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--version") {
      std::printf("quantorial %s\n", QUANTORIAL_VERSION);
      return 0;
    }
    if (a == "-h" || a == "--help") {
      std::printf(
          "Usage: quantorial [FILE]\n\nThe Quantorial workbench (\"KRV - Model Testing\"). FILE, when given, is "
          "loaded as the primary data file (a file of the bundled samples as its copy in the Data folder);\n"
          "otherwise the last primary and secondary files come back.\n"
          "The batch tool is quantorial-cli (see quantorial-cli --help and man quantorial-cli).\n");
      return 0;
    }
  }
  WorkbenchApplication app(argc, argv);
  // Qt sets the C library's locale from the desktop's; on a desktop with a decimal comma the
  // libraries below (the LP solver's file reader, the workbook writer) and the number
  // formatting would then read and write "0,5". Numbers keep the C form everywhere.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName("quantorial");
  QApplication::setOrganizationName("Quantorial");
  QApplication::setApplicationVersion(QUANTORIAL_VERSION);

  const QString userFolder = QString::fromStdString(quantorial::UserDataFolder());
  const QString dataFolder = userFolder + "/Data";
  const QStringList sampleFolders = {QCoreApplication::applicationDirPath() + "/../share/quantorial/samples",
                                     QStringLiteral(QUANTORIAL_SAMPLES_DIR)};
  quantorial::CopySamples(dataFolder, sampleFolders);

  quantorial::StartupSplash splash;
  QCoreApplication::processEvents();

  quantorial::MainWindow window(std::make_unique<quantorial::GuiHost>(),
                                std::make_unique<quantorial::SettingsStore>(userFolder.toStdString()), dataFolder);
  // The guide as the package installs it, or in the sources of a program run from its build.
  window.Bench().SetGuideFolders(
      {(QCoreApplication::applicationDirPath() + "/../share/doc/quantorial").toStdString(), QUANTORIAL_DOCS_DIR});
  window.show();
  window.Form_Load();
  const QStringList args = QCoreApplication::arguments();
  if (args.size() > 1) {
    const QString given = QFileInfo(args[1]).absoluteFilePath();
    const QString opened = quantorial::FileToOpenAtStart(given, dataFolder, sampleFolders);
    if (opened != given) {
      std::fprintf(stderr, "quantorial: opening the copy %s (the samples stay as they are)\n",
                   opened.toUtf8().constData());
    }
    const std::string file = opened.toStdString();
    window.Bench().SetTxtData(0, file);
    window.Refresh();
  }
  splash.Close();
  return QApplication::exec();
}
