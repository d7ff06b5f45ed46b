// tpscalc [--workdir DIR]: the window application, working below DIR after
// writing the default data it lacks. Without --workdir, as when it is started
// from the desktop menu, it works in the user's own data folder
// ($XDG_DATA_HOME/tpscalc or ~/.local/share/tpscalc), seeded on the first start.
#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "driver/seed.h"
#include "params/defaults.h"
#include "params/userdir.h"
#include "ui/MainWindow.h"
#include "ui/QtHost.h"
#include "ui/WorkDirHold.h"

namespace {
const char* const kUsage = "usage: tpscalc [--workdir DIR] [--version]\n";
}  // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // A year's series of a run are some 4 MB each: blocks of that size get
  // mappings of their own, so a study's freed runs go back to the system.
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
#endif
  // Help needs no display.
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (a == "--version") {
      std::cout << "tpscalc " << TPS_VERSION << "\n";
      return 0;
    }
  }
  QApplication app(argc, argv);  // takes the toolkit's own options out of argv
  tps::ui::NameApplication();
  // Qt's own dialogs speak the user's language.
  tps::ui::LoadQtTranslations(QLocale::system());
  // The icon and the menu entry the package installs.
  QGuiApplication::setDesktopFileName(QStringLiteral("tpscalc"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tpscalc")));
  std::filesystem::path dir;
  bool given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--workdir" && i + 1 < argc) {
      dir = argv[++i];
      given = true;
    } else if (a.rfind("--workdir=", 0) == 0) {
      dir = a.substr(10);
      given = true;
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (!given) {
    dir = tps::UserWorkDir(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    if (dir.empty()) {
      std::cerr
          << "tpscalc: HOME is not set, so there is no folder of your own to work in; give --workdir DIR\n";
      return 2;
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!std::filesystem::is_directory(dir)) {
    std::cerr << "tpscalc: no working directory " << dir << "\n";
    return 1;
  }
  const tps::WorkDir work(std::filesystem::absolute(dir));
  try {
    tps::SeedNewWorkDir(work);
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QString::fromUtf8(tps::ui::kProgramName),
                          QString::fromStdString(e.what()));
  }
  tps::ui::MainWindow w(work);
  tps::ui::ExitOnSignals(w);
  w.show();
  return app.exec();
}
