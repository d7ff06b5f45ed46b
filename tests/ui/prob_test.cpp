// The probabilistic mode from the main window: the panel with its J filter
// and Nmax, the parameter form, a run paused and resumed with the window
// following it, the record of the run; and "Старт иммитации" and
// "Пошаговая иммитация" in the test mode.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <set>

#include "ui/ProbParamsWindow.h"
#include "ui_fixture.h"

using tpstest::UiZone;
using tpstest::WhileRunning;

namespace {

void Drain() {
  QCoreApplication::processEvents();
}

// DC double track in the probabilistic mode with the counts 3, 1, 1, 1 saved by the form.
void ProbZone(UiZone& z) {
  z.ChooseTab(1);
  z.ChooseDc();
  z.Find<QToolButton>("buttonModeProb")->click();
  z.Button("buttonParams")->click();
  auto* grid = z.Find<QTableWidget>("gridProb");
  const char* counts[4] = {"3", "1", "1", "1"};
  for (int k = 0; k < 4; ++k) grid->item(k, 6)->setText(counts[k]);
  z.Button("buttonProbSave")->click();
  z.Button("buttonProbExit")->click();
}

}  // namespace

class ProbTest : public QObject {
  Q_OBJECT
 private slots:
  void panelFilterAndParameterForm();
  void probRunPausesResumesAndIsRecorded();
  void testModeStartsAndSteps();
};

void ProbTest::panelFilterAndParameterForm() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseDc();
  z.Find<QToolButton>("buttonModeProb")->click();
  QCOMPARE(z.St().RunMode, uint8_t{tps::ModeProb});
  QVERIFY(z.Find<QWidget>("probPanel")->isVisible());
  QVERIFY(!z.Find<QWidget>("batchPanel")->isVisible());
  QVERIFY(z.Action("actProbMode")->isChecked());
  QVERIFY(z.Button("buttonStep")->isEnabled());
  QCOMPARE(z.Edit("editNmax")->text(), QString("7"));
  z.Type(z.Edit("editJ"), "75");
  QCOMPARE(z.Edit("editJ")->text(), QString("60"));
  QCOMPARE(z.Edit("editNmax")->text(), QString("1"));
  z.Type(z.Edit("editJ"), "0");
  QCOMPARE(z.Edit("editJ")->text(), QString(""));
  QCOMPARE(z.Edit("editNmax")->text(), QString::fromUtf8("н/и"));
  z.Button("buttonParams")->click();
  QCOMPARE(z.Texts(), std::vector<std::string>{"Не определено максимальное количество поездов"});
  QVERIFY(!z.w->ProbParams()->isVisible());
  z.Type(z.Edit("editJ"), "8");
  QCOMPARE(z.Edit("editNmax")->text(), QString("7"));

  z.Button("buttonParams")->click();
  QVERIFY(z.w->ProbParams()->isVisible());
  auto* grid = z.Find<QTableWidget>("gridProb");
  const std::vector<uint8_t> before = tpstest::ReadBytes(z.File("data\\prelvoz.dmt"));
  grid->item(1, 6)->setText("два");
  z.Button("buttonProbSave")->click();
  QCOMPARE(z.messages.back().kind, tps::MsgKind::Warning);
  QVERIFY(z.messages.back().text.find("\"Скоростной\", столбце \"Количество\"") != std::string::npos);
  QCOMPARE(tpstest::ReadBytes(z.File("data\\prelvoz.dmt")), before);
  const char* counts[4] = {"3", "1", "1", "1"};
  for (int k = 0; k < 4; ++k) grid->item(k, 6)->setText(counts[k]);
  QCOMPARE(z.Edit("editTotal")->text(), QString("6"));
  z.Button("buttonProbSave")->click();
  QVERIFY(tpstest::ReadBytes(z.File("data\\prelvoz.dmt")) != before);
  grid->item(0, 6)->setText("5");
  z.Button("buttonProbRevert")->click();
  QCOMPARE(grid->item(0, 6)->text(), QString("3"));
  z.Button("buttonProbExit")->click();
  QVERIFY(!z.w->ProbParams()->isVisible());

  z.Find<QToolButton>("buttonModeTest")->click();
  QVERIFY(!z.Find<QWidget>("probPanel")->isVisible());
}

void ProbTest::probRunPausesResumesAndIsRecorded() {
  UiZone z;
  ProbZone(z);
  z.St().Rng.SetSeed(2024);
  z.messages.clear();
  int passes = 0;
  bool pauseOffered = true, locked = true;
  std::set<QString> counters;
  // The status bar: the part of the period done, growing, and the end expected.
  auto* bar = z.Find<QProgressBar>("runProgress");
  auto* end = z.Find<QLabel>("runEnd");
  QVERIFY(bar->isHidden());
  std::vector<int> parts;
  bool endTold = true;
  WhileRunning(z.w.get(), [&] {
    ++passes;
    counters.insert(z.Edit("editCounter")->text());
    if (bar->isVisible()) parts.push_back(bar->value());
    endTold = endTold && end->isVisible() && end->text().contains(QString::fromUtf8("окончание"));
    if (passes < 10) pauseOffered = pauseOffered && z.Button("buttonPause")->isEnabled();
    locked = locked && !z.Button("buttonStart")->isEnabled() && !z.Button("buttonStep")->isEnabled() &&
             !z.Find<QToolButton>("buttonModeTest")->isEnabled() && !z.Button("buttonResults")->isEnabled();
    if (passes == 10) z.Button("buttonPause")->click();
  });
  z.Button("buttonStart")->click();
  Drain();
  QVERIFY(pauseOffered);
  QVERIFY(locked);
  QVERIFY(counters.size() >= 5);
  QVERIFY(parts.size() >= 5 && endTold);
  QVERIFY(std::is_sorted(parts.begin(), parts.end()) && parts.back() > parts.front());
  QVERIFY(bar->isVisible() && bar->text().endsWith('%'));
  QVERIFY(end->text().contains(QString::fromUtf8("Пауза")));
  // Paused: the run keeps its trains and its clock; Start continues it.
  QVERIFY(z.messages.empty());
  QVERIFY(z.St().StepCount != 0);
  QCOMPARE(size_t(z.Lines("listTrack1").size() + z.Lines("listTrack2").size()),
           z.St().Trains.TrainCount1() + z.St().Trains.TrainCount2());
  QVERIFY(!z.St().Trains.Empty());
  QVERIFY(z.Button("buttonStart")->isEnabled());
  QVERIFY(!z.Button("buttonPause")->isEnabled());
  QVERIFY(!z.Edit("editJ")->isEnabled());
  // Nothing that would change the scheme, the zone or the step of the run
  // before it goes on (it went on with another scheme and step), nor its
  // totals before they are whole; the mode buttons come back.
  for (const char* box : {"box1", "box2", "box3"}) QVERIFY2(!z.Find<QCheckBox>(box)->isEnabled(), box);
  QVERIFY(!z.Find<QTabBar>("tabBar")->isEnabled());
  QVERIFY(!z.Find<QRadioButton>("radioAc")->isEnabled());
  QVERIFY(!z.Find<QComboBox>("comboStep")->isEnabled());
  QVERIFY(!z.Edit("editZone")->isEnabled());
  QVERIFY(!z.Edit("editUaRe")->isEnabled());
  QVERIFY(!z.Button("buttonResults")->isEnabled());
  QVERIFY(z.Find<QToolButton>("buttonModeSchedule")->isEnabled());
  // Another mode asks first; Cancel keeps the run.
  const uint32_t steps = z.St().StepCount;
  tps::ui::QtHost::SetMessageHook([&z](tps::MsgKind k, const std::string& text, tps::MsgButtons b) {
    z.messages.push_back({k, text, b});
    return false;
  });
  z.Find<QToolButton>("buttonModeSchedule")->click();
  QCOMPARE(z.St().RunMode, uint8_t{tps::ModeProb});
  QCOMPARE(z.St().StepCount, steps);
  QCOMPARE(z.messages.size(), size_t{1});
  QCOMPARE(z.messages[0].buttons, tps::MsgButtons::OkCancel);
  tps::ui::QtHost::SetMessageHook([&z](tps::MsgKind k, const std::string& text, tps::MsgButtons b) {
    z.messages.push_back({k, text, b});
    return true;
  });
  z.messages.clear();

  z.Button("buttonStart")->click();
  Drain();
  QCOMPARE(z.Texts(), std::vector<std::string>{"Имитация окончена"});
  QCOMPARE(z.St().StepCount, 0u);
  QVERIFY(bar->isHidden());
  QVERIFY(z.Lines("listTrack1").isEmpty() && z.Lines("listTrack2").isEmpty());
  QVERIFY(z.Find<QToolButton>("buttonModeSchedule")->isEnabled());
  QVERIFY(std::filesystem::exists(z.File("Graph\\dp.gmt")));

  z.w->askRecordName = [] { return std::string("rec"); };
  z.Button("buttonRecord")->click();
  QVERIFY(std::filesystem::exists(z.File("gdp\\rec.gdp")));
  z.w->askRecordName = [] { return std::string("a/b"); };
  z.Button("buttonRecord")->click();
  QCOMPARE(z.messages.back().kind, tps::MsgKind::Warning);
  // The default schedule is never replaced; another file only when agreed.
  const std::vector<uint8_t> file00 = tpstest::ReadBytes(z.File("gdp\\file00.gdp"));
  z.w->askRecordName = [] { return std::string("file00"); };
  z.Button("buttonRecord")->click();
  QCOMPARE(z.messages.back().text, std::string("Нельзя заменить этот файл"));
  QCOMPARE(tpstest::ReadBytes(z.File("gdp\\file00.gdp")), file00);
  z.w->askRecordName = [] { return std::string("rec"); };
  z.Button("buttonRecord")->click();
  QCOMPARE(z.messages.back().text, std::string("Файл gdp\\rec.gdp уже существует. Заменить его?"));

  // A paused run given up for another mode leaves nothing of it.
  z.St().Rng.SetSeed(7);
  z.messages.clear();
  int pass = 0;
  WhileRunning(z.w.get(), [&] {
    if (++pass == 3) z.Button("buttonPause")->click();
  });
  z.Button("buttonStart")->click();
  Drain();
  QVERIFY2(z.St().StepCount != 0, z.Texts().empty() ? "" : z.Texts().back().c_str());
  z.Find<QToolButton>("buttonModeTest")->click();
  QCOMPARE(z.St().RunMode, uint8_t{tps::ModeTest});
  QCOMPARE(z.St().StepCount, 0u);
  QVERIFY(z.Lines("listTrack1").isEmpty() && z.Lines("listTrack2").isEmpty());
  QVERIFY(z.Find<QTabBar>("tabBar")->isEnabled());
}

void ProbTest::testModeStartsAndSteps() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseDc();
  z.Type(z.Edit("editKm"), "0");
  z.Button("buttonAdd1")->click();
  z.Button("buttonStep")->click();
  z.Button("buttonStep")->click();
  QCOMPARE(z.Edit("editCounter")->text(), QString("2"));
  QVERIFY(!z.Lines("listTrack1").isEmpty());
  // Between steps the mode buttons are there, but nothing of the scheme.
  QVERIFY(z.Find<QToolButton>("buttonModeProb")->isEnabled());
  QVERIFY(!z.Find<QTabBar>("tabBar")->isEnabled());
  z.Button("buttonStart")->click();
  Drain();
  QCOMPARE(z.Texts(), std::vector<std::string>{"Имитация окончена"});
  QVERIFY(z.Lines("listTrack1").isEmpty());
  QCOMPARE(z.Edit("editCounter")->text(), QString("0"));
  QVERIFY(z.Find<QToolButton>("buttonModeProb")->isEnabled());
}

QTEST_MAIN(ProbTest)
#include "prob_test.moc"
