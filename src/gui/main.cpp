// The desktop workbench: splash window, main window, last data files back.
// quantorial [FILE]: FILE, when given, is loaded as the primary data file.

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <string>

#include "gui/MainWindow.h"
#include "gui/Windows.h"
#include "io/SettingsStore.h"

#ifndef QUANTORIAL_SAMPLES_DIR
#define QUANTORIAL_SAMPLES_DIR ""
#endif

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
          "loaded as the primary data file;\notherwise the last primary and secondary files come back.\n"
          "The batch tool is quantorial-cli (see quantorial-cli --help and man quantorial-cli).\n");
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("quantorial");
  QApplication::setOrganizationName("Quantorial");
  QApplication::setApplicationVersion(QUANTORIAL_VERSION);

  const QString userFolder = QString::fromStdString(quantorial::UserDataFolder());
  const QString dataFolder = userFolder + "/Data";
  quantorial::CopySamples(dataFolder, {QCoreApplication::applicationDirPath() + "/../share/quantorial/samples",
                                       QStringLiteral(QUANTORIAL_SAMPLES_DIR)});

  quantorial::StartupSplash splash;
  QCoreApplication::processEvents();

  quantorial::MainWindow window(std::make_unique<quantorial::GuiHost>(),
                                std::make_unique<quantorial::SettingsStore>(userFolder.toStdString()), dataFolder);
  window.show();
  window.Form_Load();
  const QStringList args = QCoreApplication::arguments();
  if (args.size() > 1) {
    const std::string file = QFileInfo(args[1]).absoluteFilePath().toStdString();
    window.Bench().SetTxtData(0, file);
    window.Refresh();
  }
  splash.Close();
  return QApplication::exec();
}
