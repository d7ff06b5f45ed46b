// The schedule mode of the main window: the panel with the default schedule
// and its coloured details, the deletion of schedules, and a schedule run
// from "Старт иммитации" to "Имитация окончена", paused and continued with
// its progress in the status bar.
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <set>

#include "solver/report.h"
#include "ui_fixture.h"

using tpstest::UiZone;
using tpstest::WhileRunning;

namespace {

// The colour a label's text is painted in: "red", "green" or "" (neither).
QString InkColour(QLabel* l) {
  const QImage im = l->grab().toImage();
  int red = 0, green = 0;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) {
      const QColor c = im.pixelColor(x, y);
      red += c.red() > 180 && c.green() < 90 && c.blue() < 90;
      green += c.green() > 90 && c.red() < 60 && c.blue() < 60;
    }
  return red > 0 && green == 0 ? "red" : green > 0 && red == 0 ? "green" : "";
}

// A DC double-track zone (the default schedule's scheme) in the schedule mode.
struct ScheduleZone : UiZone {
  ScheduleZone() {
    ChooseTab(1);
    ChooseDc();
    Click(Find<QToolButton>("buttonModeSchedule"));
  }
  QLabel* Value(const char* name) const { return Find<QLabel>(name); }
  void ClickSchedule(int row) {
    auto* l = Find<QListWidget>("listSchedules");
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(l->item(row)).center());
  }
  QString Selected() const { return Find<QListWidget>("listSchedules")->currentItem()->text(); }
};

}  // namespace

class ScheduleTest : public QObject {
  Q_OBJECT
 private slots:
  void modeShowsTheDefaultScheduleAndColoursItsLabels();
  void deletionKeepsTheDefaultSchedule();
  void startRunsTheScheduleToItsEnd();
  void pauseWaitsWithTheZoneLockedAndStartContinues();
};

void ScheduleTest::modeShowsTheDefaultScheduleAndColoursItsLabels() {
  ScheduleZone z;
  QCOMPARE(z.St().RunMode, uint8_t{tps::ModeSchedule});
  QVERIFY(z.Action("actScheduleMode")->isChecked() && !z.Action("actTestMode")->isChecked());
  QVERIFY(!z.Find<QWidget>("schedulePanel")->isHidden());
  QVERIFY(z.Find<QWidget>("trainPanel")->isHidden() && z.Find<QWidget>("batchPanel")->isHidden());
  QCOMPARE(z.Lines("listSchedules"), QStringList{"file00.gdp"});
  QCOMPARE(z.Selected(), QString("file00.gdp"));
  QCOMPARE(z.Value("labelScheduleLength")->text(), QString("20"));
  QCOMPARE(z.Value("labelScheduleScheme")->text(), QString::fromUtf8("Пост.двухп.двусторонняя"));
  QCOMPARE(z.Value("labelScheduleStep")->text(), QString("1"));
  QCOMPARE(z.Value("labelScheduleTime")->text(), QString("00:02:00"));
  for (const char* v : {"labelScheduleLength", "labelScheduleScheme", "labelScheduleStep"})
    QCOMPARE(InkColour(z.Value(v)), QString("green"));
  for (const char* v :
       {"labelScheduleLength", "labelScheduleScheme", "labelScheduleStep", "labelScheduleTime"})
    QVERIFY2(z.Value(v)->width() >= z.Value(v)->sizeHint().width(), v);  // shown whole
  QVERIFY(z.Button("buttonStart")->isEnabled());
  QVERIFY(!z.Button("buttonStep")->isEnabled());

  // Another zone length turns its label red, silently; the text is compared as typed.
  z.Type(z.Edit("editZone"), "20.0");
  QCOMPARE(InkColour(z.Value("labelScheduleLength")), QString("red"));
  QCOMPARE(InkColour(z.Value("labelScheduleScheme")), QString("green"));
  QVERIFY(z.messages.empty());
  // A Start against the mismatch is refused with the check's message and gives the controls back.
  z.Click(z.Button("buttonStart"));
  QCOMPARE(z.Texts(), std::vector<std::string>{"Неправильный тип схемных параметров"});
  QVERIFY(z.Button("buttonStart")->isEnabled() && z.Find<QWidget>("schedulePanel")->isEnabled());
  QVERIFY(!std::filesystem::exists(z.File("Graph\\dp.gmt")));
  z.messages.clear();
  z.Type(z.Edit("editZone"), "20");
  QCOMPARE(InkColour(z.Value("labelScheduleLength")), QString("green"));
  QVERIFY(z.messages.empty());

  // A single-track scheme does not run a double-track schedule: the scheme label turns red.
  z.ChooseTab(0);
  QCOMPARE(InkColour(z.Value("labelScheduleScheme")), QString("red"));
  QVERIFY(z.messages.empty());

  // Back to the test mode by the menu.
  z.Action("actTestMode")->trigger();
  QCOMPARE(z.St().RunMode, uint8_t{tps::ModeTest});
  QVERIFY(z.Find<QWidget>("schedulePanel")->isHidden());
  QVERIFY(!z.Find<QWidget>("trainPanel")->isHidden());
  // The test mode runs its placed trains with Start as well.
  QVERIFY(z.Button("buttonStart")->isEnabled());
  QVERIFY(z.Find<QToolButton>("buttonModeTest")->isChecked());
}

void ScheduleTest::deletionKeepsTheDefaultSchedule() {
  ScheduleZone z;
  std::filesystem::copy_file(z.File("gdp\\file00.gdp"), z.dir.Path() / "gdp" / "a.gdp");
  z.Action("actScheduleMode")->trigger();
  QCOMPARE(z.Lines("listSchedules"), (QStringList{"a.gdp", "file00.gdp"}));
  QCOMPARE(z.Selected(), QString("a.gdp"));

  z.ClickSchedule(1);
  z.Click(z.Button("buttonDeleteSchedule"));
  QCOMPARE(z.Texts(), std::vector<std::string>{"Нельзя удалить этот файл"});
  QCOMPARE(z.messages[0].kind, tps::MsgKind::Information);
  QVERIFY(std::filesystem::exists(z.File("gdp\\file00.gdp")));
  QCOMPARE(z.Selected(), QString("a.gdp"));

  // Any other schedule goes after a question naming it: Cancel keeps it.
  z.messages.clear();
  z.answer = false;
  z.Click(z.Button("buttonDeleteSchedule"));
  QCOMPARE(z.Texts(), std::vector<std::string>{"Удалить ГДП \"a.gdp\" из папки gdp?"});
  QCOMPARE(z.messages[0].buttons, tps::MsgButtons::OkCancel);
  QVERIFY(std::filesystem::exists(z.dir.Path() / "gdp" / "a.gdp"));
  z.answer = true;
  z.Click(z.Button("buttonDeleteSchedule"));
  QCOMPARE(z.messages.size(), size_t{2});
  QVERIFY(!std::filesystem::exists(z.dir.Path() / "gdp" / "a.gdp"));
  QCOMPARE(z.Lines("listSchedules"), QStringList{"file00.gdp"});
  QCOMPARE(z.Selected(), QString("file00.gdp"));
  QCOMPARE(z.Value("labelScheduleLength")->text(), QString("20"));
}

void ScheduleTest::startRunsTheScheduleToItsEnd() {
  ScheduleZone z;
  std::set<QString> counters;
  int mostTrains = 0;
  bool locked = true, openDuringRun = true;
  WhileRunning(z.w.get(), [&] {
    // Closing the window waits for the end of the run.
    if (counters.empty()) z.w->close();
    openDuringRun = openDuringRun && z.w->isVisible();
    counters.insert(z.Edit("editCounter")->text());
    mostTrains = std::max(mostTrains, int(z.Lines("listTrack1").size() + z.Lines("listTrack2").size()));
    locked = locked && !z.Button("buttonStart")->isEnabled() &&
             !z.Find<QWidget>("schedulePanel")->isEnabled() &&
             !z.Find<QToolButton>("buttonModeTest")->isEnabled() && !z.Action("actTestMode")->isEnabled() &&
             !z.Find<QTabBar>("tabBar")->isEnabled();
    z.Button("buttonStart")->click();  // starts nothing while the run goes on
  });
  z.Click(z.Button("buttonStart"));
  QCoreApplication::processEvents();

  QCOMPARE(z.Texts(), std::vector<std::string>{"Имитация окончена"});
  QCOMPARE(z.messages[0].kind, tps::MsgKind::Information);
  QVERIFY(std::filesystem::exists(z.File("Graph\\dp.gmt")));
  QVERIFY(locked);
  QVERIFY(counters.size() > 50);  // the counter moved step by step
  QVERIFY(mostTrains > 1);
  QVERIFY(!z.Button("buttonResults")->isHidden());
  QVERIFY(z.Button("buttonStart")->isEnabled());
  QVERIFY(z.Find<QWidget>("schedulePanel")->isEnabled());
  QVERIFY(z.Find<QTabBar>("tabBar")->isEnabled());
  QVERIFY(z.Lines("listTrack1").isEmpty() && z.Lines("listTrack2").isEmpty());
  QCOMPARE(z.Edit("editTime")->text(), QString("00:00:00:00"));
  QVERIFY(openDuringRun && !z.w->isVisible());
}

void ScheduleTest::pauseWaitsWithTheZoneLockedAndStartContinues() {
  ScheduleZone z;
  auto* bar = z.Find<QProgressBar>("runProgress");
  auto* end = z.Find<QLabel>("runEnd");
  int passes = 0;
  bool pauseOffered = true;
  std::vector<int> parts;
  WhileRunning(z.w.get(), [&] {
    ++passes;
    pauseOffered = pauseOffered && z.Button("buttonPause")->isEnabled() && z.Action("actPause")->isEnabled();
    if (bar->isVisible()) parts.push_back(bar->value());
    // The shortcut of "Пауза" in the menu "Пуск" stops the run after this step.
    if (passes == 20) z.Action("actPause")->trigger();
  });
  z.Click(z.Button("buttonStart"));
  QCoreApplication::processEvents();
  QVERIFY(pauseOffered);
  QVERIFY(z.messages.empty());
  const uint32_t steps = z.St().StepCount;
  QVERIFY(steps > 0 && steps < 120);
  QVERIFY(!z.St().Trains.Empty());
  // The schedule's 121 steps: the part done moved step by step.
  QVERIFY(parts.size() >= 10 && std::is_sorted(parts.begin(), parts.end()) && parts.back() > parts.front());
  QCOMPARE(bar->value(), qRound(1000.0 * steps / 121));
  QVERIFY(end->text().contains(QString::fromUtf8("Пауза")));
  // Paused: Start continues; nothing that would change the zone, the scheme,
  // the step or the schedule is offered.
  QVERIFY(z.Button("buttonStart")->isEnabled() && z.Action("actStart")->isEnabled());
  QVERIFY(!z.Button("buttonPause")->isEnabled());
  for (const char* b : {"buttonModeTest", "buttonModeProb", "buttonModeSchedule"})
    QVERIFY2(!z.Find<QToolButton>(b)->isEnabled(), b);
  QVERIFY(!z.Find<QWidget>("schedulePanel")->isEnabled());
  QVERIFY(!z.Find<QTabBar>("tabBar")->isEnabled());
  QVERIFY(!z.Find<QComboBox>("comboStep")->isEnabled());
  QVERIFY(!z.Action("actConstructor")->isEnabled());
  QVERIFY(!z.Find<QToolButton>("buttonChartLoss")->isEnabled());

  z.Click(z.Button("buttonStart"));
  QCoreApplication::processEvents();
  QCOMPARE(z.Texts(), std::vector<std::string>{"Имитация окончена"});
  QCOMPARE(z.St().StepCount, 0u);
  QCOMPARE(tps::ReadLossFile(z.St()).LastIndex, 120);
  QVERIFY(bar->isHidden());
  QVERIFY(z.Find<QWidget>("schedulePanel")->isEnabled());
  QVERIFY(z.Find<QToolButton>("buttonModeTest")->isEnabled());
}

QTEST_MAIN(ScheduleTest)
#include "schedule_test.moc"
