// tpscalc-screenshots OUTDIR: the pictures of the user's guide. Seeds a fresh
// working directory with the default data, drives the real windows as a user
// would (clicks, menu commands, runs with a fixed random seed) and saves each
// window as PNG into OUTDIR. Run it on the offscreen platform
// (scripts/screenshots.sh does), so no display is needed and the pictures
// come out the same on every machine with the same fonts.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>

#include "driver/seed.h"
#include "params/defaults.h"
#include "ui/MainWindow.h"
#include "ui/QtHost.h"
#include "ui/ResultWindow.h"

namespace {

namespace fs = std::filesystem;
using tps::ui::MainWindow;

QString U(const char* s) {
  return QString::fromUtf8(s);
}

fs::path gOut;
int gSaved = 0;

void Settle() {
  for (int k = 0; k < 5; ++k) QApplication::processEvents();
}

// The window as it stands, without the frame of the window system.
void Save(QWidget* w, const char* name) {
  Settle();
  QImage image = w->grab().toImage();
  // A palette of 256 colours keeps the pictures small; the windows use few.
  image = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  const fs::path file = gOut / (std::string(name) + ".png");
  if (!image.save(QString::fromStdString(file.string()), "PNG", 9)) {
    std::cerr << "tpscalc-screenshots: cannot write " << file << "\n";
    std::exit(1);
  }
  ++gSaved;
  std::cout << file.string() << "\n";
}

// A dialog that opens with its own event loop: saved and closed from within.
void SaveModal(const char* name, const std::function<void()>& open) {
  QTimer::singleShot(200, [name] {
    if (QWidget* m = QApplication::activeModalWidget()) {
      Save(m, name);
      m->close();
    } else {
      std::cerr << "tpscalc-screenshots: no dialog for " << name << "\n";
    }
  });
  open();
  Settle();
}

template <class T>
T* Find(MainWindow& w, const char* name) {
  T* t = w.findChild<T*>(QString::fromLatin1(name));
  if (!t) {
    std::cerr << "tpscalc-screenshots: the window has no " << name << "\n";
    std::exit(1);
  }
  return t;
}

// A menu caption without its mnemonic mark.
QString Plain(const QAction* a) {
  return QString(a->text()).remove(QLatin1Char('&'));
}

// A menu command by its captions; nullptr when the window does not offer it.
QAction* Command(MainWindow& w, const char* menu, const char* caption) {
  for (QAction* m : w.menuBar()->actions()) {
    if (Plain(m) != U(menu) || !m->menu()) continue;
    // A menu may set the state of its items as it opens.
    emit m->menu()->aboutToShow();
    for (QAction* a : m->menu()->actions())
      if (Plain(a) == U(caption)) return a;
  }
  return nullptr;
}

// A dialog the window shows without blocking: the visible top-level window titled so.
QWidget* Shown(const char* title) {
  for (QWidget* t : QApplication::topLevelWidgets())
    if (t->isVisible() && t->windowTitle() == U(title)) return t;
  return nullptr;
}

// A study dialog of the menu "Задачи", when the window offers it now.
void StudyDialog(MainWindow& w, const char* command, const char* title, const char* name) {
  QAction* a = Command(w, "Задачи", command);
  if (!a || !a->isEnabled()) {
    std::cout << "  (no \"" << command << "\" here)\n";
    return;
  }
  a->trigger();
  Settle();
  if (QWidget* d = Shown(title)) {
    Save(d, name);
    d->close();
  }
}

void Choose(MainWindow& w, int tab, const char* kind, const char* box) {
  Find<QTabBar>(w, "tabBar")->setCurrentIndex(tab);
  Find<QRadioButton>(w, kind)->click();
  if (box) Find<QCheckBox>(w, box)->click();
  Settle();
}

void Shoot(MainWindow& w) {
  // The generator seeded from the clock at start-up draws the train colours
  // of the charts and the random flow: a fixed seed makes the same pictures.
  w.State().Rng.SetSeed(2024);
  // The window as a user enlarges it on a 1280 x 800 screen.
  w.resize(1280, 760);
  Settle();
  Save(&w, "01-start");

  // The test mode: a DC double-track zone, the batch launch, its totals and charts.
  Choose(w, 1, "radioDc", nullptr);
  Save(&w, "02-test-scheme");
  Find<QPushButton>(w, "buttonBatch")->click();
  Save(&w, "03-test-batch");
  Find<QPushButton>(w, "buttonResults")->click();
  Save(w.Result(), "04-results");
  w.Result()->close();
  SaveModal("05-chart-loss", [&] { w.OpenChart(1); });
  SaveModal("06-chart-voltages", [&] { w.OpenChart(3); });
  if (QAction* a = Command(w, "Опции", "Параметры тяговой сети")) {
    a->trigger();
    if (QWidget* net = Shown("Параметры тяговой сети")) {
      Save(net, "07-network");
      net->close();
    }
  }

  // The schedule mode: the default schedule, the editor, a run and its charts.
  Find<QToolButton>(w, "buttonModeSchedule")->click();
  Save(&w, "08-schedule-mode");
  Find<QPushButton>(w, "buttonViewSchedule")->click();
  if (QWidget* ed = Shown("Чтение ГДП")) {
    Save(ed, "09-schedule-editor");
    ed->close();
  }
  Find<QPushButton>(w, "buttonStart")->click();
  Save(&w, "10-schedule-run");
  SaveModal("11-chart-schedule-loss", [&] { w.OpenChart(2); });
  SaveModal("12-chart-feeders", [&] { w.OpenChart(5); });

  // The user circuit: the constructor on the selected schedule.
  if (QAction* a = Command(w, "Режим", "Конструктор схем"); a && a->isEnabled())
    SaveModal("13-constructor", [&] { a->trigger(); });

  // The probabilistic mode: the panel, the train parameters, a run.
  Find<QToolButton>(w, "buttonModeProb")->click();
  Save(&w, "14-prob-mode");
  Find<QPushButton>(w, "buttonParams")->click();
  if (QWidget* form = Shown("Параметры поездов для вероятностного метода расчёта")) {
    Save(form, "15-prob-params");
    form->close();
  }
  Find<QPushButton>(w, "buttonStart")->click();
  Save(&w, "16-prob-run");

  // The studies of the menu "Задачи", where the window offers them.
  StudyDialog(w, "Статистический анализ", "Статистический анализ", "17-statistics");
  Find<QToolButton>(w, "buttonModeSchedule")->click();
  Choose(w, 1, "radioDc", "box1");  // ПСК: scheme 4
  StudyDialog(w, "Оптимальное место для ПСК", "Задача оптимальной установки ПСК", "18-task-psk");
  Choose(w, 1, "radioDc", "box2");  // ПСК+2ППС: scheme 5
  StudyDialog(w, "Оптимизация мест для ПСК и ППС", "Оптимизируем установку ПСК и ППС", "19-task-pps");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tpscalc-screenshots OUTDIR\n";
    return 2;
  }
  QApplication app(argc, argv);
  tps::ui::NameApplication();
  // The pictures of a Russian desktop: Qt's own texts in Russian too.
  tps::ui::LoadQtTranslations(QLocale(QLocale::Russian, QLocale::Russia));
  gOut = fs::absolute(argv[1]);
  std::error_code ec;
  fs::create_directories(gOut, ec);
  if (!fs::is_directory(gOut)) {
    std::cerr << "tpscalc-screenshots: no folder " << gOut << "\n";
    return 1;
  }

  // A fresh working directory with the default data, removed at the end.
  std::string pattern = (fs::temp_directory_path() / "tpscalc-shots-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::cerr << "tpscalc-screenshots: cannot make a working directory\n";
    return 1;
  }
  const fs::path dir = pattern;
  int rc = 0;
  {
    const tps::WorkDir work(dir);
    tps::SeedDefaultData(work);
    // The messages of the runs are answered OK and echoed, not shown.
    tps::ui::QtHost::SetMessageHook([](tps::MsgKind, const std::string& text, tps::MsgButtons) {
      std::cout << "  message: " << text << "\n";
      return true;
    });
    MainWindow w(work);
    w.show();
    Settle();
    Shoot(w);
    tps::ui::QtHost::SetMessageHook({});
  }
  fs::remove_all(dir, ec);
  std::cout << gSaved << " pictures in " << gOut.string() << "\n";
  return rc;
}
