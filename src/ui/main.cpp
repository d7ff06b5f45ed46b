// tpscalc [--workdir DIR]: the window application, working below DIR after
// writing the default data it lacks. Without --workdir, as when it is started
// from the desktop menu, it works in the user's own data folder
// ($XDG_DATA_HOME/tpscalc or ~/.local/share/tpscalc), seeded on the first start.
#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <algorithm>
#include <cstdlib>
#include <vector>
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
const char* const kUsage = "usage: tpscalc [--workdir DIR] [--version] [--help]\n";
const char* const kHelp =
    "tpscalc: the power supply of an electrified railway feeding zone, in a window.\n"
    "\n"
    "Options:\n"
    "  --workdir DIR  the working directory: the zone, the schedules, the reports\n"
    "                 (default: $XDG_DATA_HOME/tpscalc, else ~/.local/share/tpscalc,\n"
    "                 created and seeded with the default data on the first start)\n"
    "  --version      print the version and exit\n"
    "  -h, --help     print this help and exit\n"
    "The options of Qt (-platform NAME, -style NAME, ...) are taken as well.\n"
    "\n"
    "example:\n"
    "  tpscalc --workdir ~/zones/north\n"
    "\n"
    "The window needs a display (DISPLAY or WAYLAND_DISPLAY); tpscalc-cli makes the\n"
    "same calculations without one.\n";

// "; did you mean --workdir?" for an option a letter or two away from one
// of the program's own, "" otherwise.
std::string Nearest(const std::string& word) {
  for (const std::string known : {"--workdir", "--version", "--help"}) {
    std::vector<size_t> d(known.size() + 1);
    for (size_t k = 0; k <= known.size(); ++k) d[k] = k;
    for (size_t i = 1; i <= word.size(); ++i) {
      size_t diag = d[0];
      d[0] = i;
      for (size_t k = 1; k <= known.size(); ++k) {
        const size_t up = d[k];
        d[k] = std::min({d[k] + 1, d[k - 1] + 1, diag + (word[i - 1] == known[k - 1] ? 0 : 1)});
        diag = up;
      }
    }
    if (d[known.size()] <= 2) return "; did you mean " + known + "?";
  }
  return std::string();
}

// Whether a platform the window can show itself on is at hand: a desktop
// session, or a platform named for Qt (QT_QPA_PLATFORM, -platform).
bool HaveDisplay(int argc, char** argv) {
  for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char* e = std::getenv(v); e && *e) return true;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "-platform") return true;
  return false;
}
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
      std::cout << kUsage << "\n" << kHelp;
      return 0;
    }
    if (a == "--version") {
      std::cout << "tpscalc " << TPS_VERSION << "\n";
      return 0;
    }
  }
  // Without one Qt would abort inside its platform plug-in with a core dump.
  if (!HaveDisplay(argc, argv)) {
    std::cerr << "tpscalc: no display: neither DISPLAY nor WAYLAND_DISPLAY is set, so the window cannot be "
                 "shown; start it in a desktop session, or use tpscalc-cli, which calculates without one\n";
    return 1;
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
      if (a == "--workdir")
        std::cerr << "tpscalc: --workdir needs a directory\n" << kUsage;
      else
        std::cerr << "tpscalc: unknown option " << a << Nearest(a) << "\n" << kUsage;
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
