// tpscalc [--workdir DIR]: the window application, working below DIR (the
// current directory by default) after writing the default data it lacks.
#include <QApplication>
#include <QMessageBox>
#include <filesystem>
#include <iostream>
#include <string>

#include "params/defaults.h"
#include "ui/MainWindow.h"
#include "ui/QtHost.h"

namespace {
const char* const kUsage = "usage: tpscalc [--workdir DIR]\n";
}  // namespace

int main(int argc, char** argv) {
  // Help needs no display.
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    }
  }
  QApplication app(argc, argv);  // takes the toolkit's own options out of argv
  tps::ui::NameApplication();
  std::filesystem::path dir = std::filesystem::current_path();
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--workdir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (a.rfind("--workdir=", 0) == 0) {
      dir = a.substr(10);
    } else {
      std::cerr << kUsage;
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
  w.show();
  return app.exec();
}
