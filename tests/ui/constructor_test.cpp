// The scheme constructor window: its wizard steps, the chains and
// connections with their list lines, saving, loading and deleting a graph,
// and the schedule run of the user circuit.
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "circuit/constructor.h"
#include "ui/ConstructorWindow.h"
#include "ui_fixture.h"

using tps::ui::ConstructorWindow;
using tpstest::UiZone;

namespace {

QString U(const char* s) {
  return QString::fromUtf8(s);
}

// A DC double-track zone in the schedule mode with the default schedule.
struct ConstructorZone : UiZone {
  ConstructorZone() {
    ChooseTab(1);
    ChooseDc();
    Click(Find<QToolButton>("buttonModeSchedule"));
  }
  // Opens the window from the menu and runs `body` while it is shown.
  void WithWindow(const std::function<void(ConstructorWindow*)>& body) {
    ConstructorWindow* c = w->Constructor();
    QTimer::singleShot(0, c, [c, body] {
      body(c);
      c->close();
    });
    Action("actConstructor")->trigger();
  }
  static QStringList Lines(QListWidget* l) {
    QStringList out;
    for (int k = 0; k < l->count(); ++k) out << l->item(k)->text();
    return out;
  }
};

// Which groups of the wizard are shown, in the order of the steps.
QString Shown(ConstructorWindow* c) {
  QString s;
  for (QGroupBox* g :
       {c->groupType, c->groupChain, c->groupMutual, c->groupPost, c->groupRow, c->groupCharts})
    s += g->isHidden() ? "." : "#";
  return s;
}

}  // namespace

class ConstructorTest : public QObject {
  Q_OBJECT
 private slots:
  void wizardComposesSavesAndRunsAUserCircuit();
  void loadingJumpsToTheChartsAndWrongChoicesGoBack();
  void everyFieldAndListIsLabelledAndEveryKindReadsWhole();
  void damagedHeadFileStopsTheRunAndKeepsTheWindow();
};

void ConstructorTest::wizardComposesSavesAndRunsAUserCircuit() {
  ConstructorZone z;
  QVERIFY(z.Action("actConstructor")->isEnabled());
  bool ran = false;
  z.WithWindow([&](ConstructorWindow* c) {
    QCOMPARE(c->windowTitle(), QString("GraffSchemConstruct"));
    QCOMPARE(z.St().RunMode, uint8_t{tps::ModeConstructor});
    QCOMPARE(Shown(c), QString("#....."));
    QVERIFY(c->buttonSave->isHidden() && c->buttonStart->isHidden());

    z.Click(c->buttonNext);
    QCOMPARE(Shown(c), QString(".#...."));
    QCOMPARE(c->comboKind->count(), 8);
    QCOMPARE(c->comboKind->currentText(), U("КП+НТ+РЛ"));
    QCOMPARE(c->editUaRe->text(), QString("3300"));
    QVERIFY(c->editX->isHidden() && c->editUaIm->isHidden());
    c->comboKind->setCurrentText(U("КП+РЛ"));
    z.Click(c->findChild<QPushButton*>("buttonAddChain"));
    QCOMPARE(z.Texts().back(), std::string("Задайте правильный тип Циркла из предложеных"));
    c->comboKind->setCurrentIndex(0);
    c->editR->setText("0.15");
    z.Click(c->findChild<QPushButton*>("buttonAddChain"));
    z.Click(c->findChild<QPushButton*>("buttonAddChain"));
    QCOMPARE(ConstructorZone::Lines(c->listChains),
             (QStringList{"NIL1 U[3300 0] Z[3 0]", "NIL2 U[3300 0] Z[3 0]"}));

    z.Click(c->buttonNext);  // DC: straight to the single connections
    QCOMPARE(Shown(c), QString("...#.."));
    c->editPostL->setText("10");
    c->comboPostB->setCurrentIndex(1);
    z.Click(c->findChild<QPushButton*>("buttonAddPost"));
    QCOMPARE(ConstructorZone::Lines(c->listConnections), QStringList{"NIL1 - NIL2 L[10]"});

    z.Click(c->buttonNext);
    QCOMPARE(Shown(c), QString("....#."));
    QCOMPARE(
        c->editL1->text() + " " + c->editL2->text() + " " + c->editStep->text() + " " + c->editRowR->text(),
        QString("1 20 1 0.05"));

    z.Click(c->buttonNext);
    QCOMPARE(Shown(c), QString(".....#"));
    QVERIFY(!c->buttonSave->isHidden());
    QCOMPARE(c->comboChart[0]->count(), 5);
    QCOMPARE(c->comboChart[3]->currentText(), U("н/и"));
    c->comboChart[0]->setCurrentText(U("NIL1 н"));
    c->comboChart[1]->setCurrentText(U("NIL2 к"));
    c->askSaveName = [] { return std::string("graff\\two.grf"); };
    z.Click(c->buttonSave);
    QCOMPARE(ConstructorZone::Lines(c->listFiles), QStringList{"two.grf"});

    z.Click(c->buttonNext);
    QCOMPARE(Shown(c), QString("......"));
    QVERIFY(!c->buttonNext->isEnabled() && !c->buttonStart->isHidden());
    z.messages.clear();
    z.Click(c->buttonStart);
    ran = true;
    QCOMPARE(z.Texts(), std::vector<std::string>{"Имитация окончена"});
    QCOMPARE(z.St().Chart.FeedKind, uint8_t{2});
    QVERIFY(z.St().Chart.Series[1].size() > 100);
    QVERIFY(std::filesystem::exists(z.File("Graph\\dp.gmt")));
  });
  QVERIFY(ran);
  QCOMPARE(z.St().RunMode, uint8_t{tps::ModeSchedule});
  QCOMPARE(tps::Constructor(z.St()).Template.CircleCount, uint16_t{0});  // freed with the window
}

void ConstructorTest::loadingJumpsToTheChartsAndWrongChoicesGoBack() {
  ConstructorZone z;
  // A graph saved by the wizard, as a user left it in "graff".
  z.St().RunMode = tps::ModeConstructor;
  tps::ChooseCurrentKind(z.St(), false, false);
  tps::ChainInput kp;
  kp.Kind = "КП";
  kp.R = "0.1";
  QVERIFY(tps::AddChain(z.St(), kp));
  tps::Constructor(z.St()).Charts[2] = "KP1 к";
  tps::SaveConstructorGraph(z.St(), "graff\\kp.grf");
  z.St().RunMode = tps::ModeSchedule;

  z.WithWindow([&](ConstructorWindow* c) {
    QCOMPARE(ConstructorZone::Lines(c->listFiles), QStringList{"kp.grf"});
    c->FileDoubleClicked("kp.grf");
    QCOMPARE(Shown(c), QString(".....#"));
    QCOMPARE(ConstructorZone::Lines(c->listChains), QStringList{"KP1 U[3300 0] Z0[0.1 0]"});
    QCOMPARE(ConstructorZone::Lines(c->listMutual), (QStringList{U("Этот Граф"), U("создан для длины 20")}));
    QCOMPARE(c->comboChart[2]->currentText(), QString("KP1 ") + U("к"));

    // A choice that is none of the list's: refused, back to the rows of
    // connections, from where the chart step comes again.
    c->comboChart[1]->setCurrentText("KP9");
    z.Click(c->buttonNext);
    z.messages.clear();
    z.Click(c->buttonStart);
    QCOMPARE(z.Texts(), std::vector<std::string>{"Задайте правильные типы Цирклов для графиков"});
    QCOMPARE(Shown(c), QString("....#."));
    QVERIFY(c->buttonNext->isEnabled());
    z.Click(c->buttonNext);
    QCOMPARE(Shown(c), QString(".....#"));

    // Deleting the selected graph, after the confirmation.
    c->listFiles->setCurrentRow(0);
    z.Click(c->buttonDelete);
    QCOMPARE(z.Texts().back(), std::string("Вы уверены, что файл надо убить?!"));
    QVERIFY(!std::filesystem::exists(z.File("graff\\kp.grf")));
    QCOMPARE(c->listFiles->count(), 0);
    QCOMPARE(Shown(c), QString("#....."));
    z.Click(c->buttonRestart);
    QCOMPARE(c->listChains->count(), 0);
  });
}

void ConstructorTest::damagedHeadFileStopsTheRunAndKeepsTheWindow() {
  ConstructorZone z;
  z.Action("actWriteMatrices")->setChecked(true);
  z.WithWindow([&](ConstructorWindow* c) {
    z.Click(c->buttonNext);
    c->editR->setText("0.15");
    z.Click(c->findChild<QPushButton*>("buttonAddChain"));
    z.Click(c->findChild<QPushButton*>("buttonAddChain"));
    for (int k = 0; k < 4; ++k) z.Click(c->buttonNext);
    // While the run goes, the file of the node currents is spoilt between
    // the building of a step and its solution.
    const tps::WorkDir work = z.St().Work;
    tpstest::WhileRunning(z.w.get(), [work] { tps::WriteText(work, "temp\\Jhead.txt", "2: 1 0 0 a"); });
    z.messages.clear();
    z.Click(c->buttonStart);
    QCOMPARE(z.Texts(), std::vector<std::string>{"Ошибка в файле Jhead.txt"});
    QCOMPARE(z.messages[0].kind, tps::MsgKind::Error);
    QVERIFY(z.w->isVisible() && c->isVisible());
    QVERIFY(!std::filesystem::exists(z.File("Graph\\dp.gmt")));
    QCOMPARE(z.St().StepCount, 0u);
  });
  QVERIFY(z.w->isVisible());
}

// The chain's fields: on DC neither "X" nor "U,р" stands beside a hidden
// field, and the two source rows are told apart; with "Консоль" the far
// source goes with its label. Every kind reads whole in its box; each of
// the five lists has its heading.
void ConstructorTest::everyFieldAndListIsLabelledAndEveryKindReadsWhole() {
  for (bool console : {false, true}) {
    ConstructorZone z;
    z.WithWindow([&](ConstructorWindow* c) {
      c->boxConsole->setChecked(console);
      z.Click(c->buttonNext);
      QCoreApplication::processEvents();
      QStringList shown;
      for (QLabel* l : c->groupChain->findChildren<QLabel*>()) {
        if (l->isHidden()) continue;
        shown << l->text();
        QVERIFY2(l->buddy() && !l->buddy()->isHidden(), qPrintable(l->text()));
      }
      shown.sort();
      QStringList expected{"R", U("Источник А: U,а")};
      if (!console) expected << U("Источник Б: U,а");
      expected.sort();
      QCOMPARE(shown, expected);
      QCOMPARE(shown.removeDuplicates(), 0);
      const QStringList cut = tpstest::CutTexts(c);
      QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
      for (QListWidget* list : {c->listChains, c->listMutual, c->listConnections, c->listRows, c->listFiles}) {
        QLabel* heading = nullptr;
        for (QLabel* l : c->findChildren<QLabel*>())
          if (l->buddy() == list && !l->text().isEmpty() && !l->isHidden()) heading = l;
        QVERIFY2(heading, qPrintable(list->objectName()));
        QVERIFY(heading->geometry().bottom() <= list->geometry().top());
      }
    });
  }
}

QTEST_MAIN(ConstructorTest)
#include "constructor_test.moc"
