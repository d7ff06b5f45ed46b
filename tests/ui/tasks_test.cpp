// The menu "Задачи": when its items are enabled, the sweep of the sectioning
// post from its dialog with the post put at the best place, and the
// statistical analysis from its dialog, the window staying responsive.
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include "tasks/placement.h"
#include "tasks/statistics.h"
#include "ui/TaskDialogs.h"
#include "ui_fixture.h"

using tpstest::UiZone;

namespace {

// A DC double-track zone: the nodal scheme (box "ПСК") in the schedule mode.
struct TaskZone : UiZone {
  TaskZone() {
    ChooseTab(1);
    ChooseDc();
  }
  void EnterSchedule() { Click(Find<QToolButton>("buttonModeSchedule")); }
  // The menu's items as they are when it opens.
  bool Enabled(const char* action) {
    emit Find<QMenu>("menuTasks")->aboutToShow();
    return Action(action)->isEnabled();
  }
  size_t Lines(const std::string& file) {
    const std::string text = tpstest::ReadString(File(file));
    size_t n = 0;
    for (size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += 2) ++n;
    return n;
  }
};

}  // namespace

class TasksTest : public QObject {
  Q_OBJECT
 private slots:
  void itemsFollowTheModeAndTheScheme();
  void sweepPutsThePostAtTheBestPlace();
  void visualisationDrawsTheRunUnderWay();
  void statisticsWritesALinePerRealization();
};

void TasksTest::itemsFollowTheModeAndTheScheme() {
  TaskZone z;
  QVERIFY(!z.Enabled("actPskTask") && !z.Enabled("actPpsTask") && !z.Enabled("actStatistics"));
  // The schedule mode unchecks "Откл Ф2 и Ф4" and keeps it disabled.
  z.Tick(z.Find<QCheckBox>("box3"));
  QCOMPARE(int(z.St().SchemeVariant), 6);
  z.EnterSchedule();
  QCOMPARE(int(z.St().SchemeVariant), 3);
  QVERIFY(!z.Find<QCheckBox>("box3")->isChecked());
  QVERIFY(!z.Find<QCheckBox>("box3")->isEnabled());
  QVERIFY(!z.Enabled("actPskTask"));
  z.Tick(z.Find<QCheckBox>("box1"));
  QCOMPARE(int(z.St().SchemeVariant), 4);
  QVERIFY(z.Enabled("actPskTask") && !z.Enabled("actPpsTask") && !z.Enabled("actStatistics"));
  z.Click(z.Find<QToolButton>("buttonModeProb"));
  QVERIFY(!z.Enabled("actPskTask") && z.Enabled("actStatistics"));
}

void TasksTest::sweepPutsThePostAtTheBestPlace() {
  TaskZone z;
  z.EnterSchedule();
  z.Tick(z.Find<QCheckBox>("box1"));
  QVERIFY(z.Enabled("actPskTask"));
  z.Action("actPskTask")->trigger();
  tps::ui::PlacementDialog* d = z.w->PskTask();
  QTRY_VERIFY(d->isVisible());
  QCOMPARE(d->ToEdit()->text(), QString("19"));
  QCOMPARE(d->Result(0)->text(), QString("%%%"));
  d->FromEdit()->setText("6");
  d->ToEdit()->setText("9");
  QTest::mouseClick(d->StartButton(), Qt::LeftButton);
  QVERIFY(!d->StartButton()->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(d->StartButton()->isEnabled(), 60000);
  QVERIFY(d->Result(1)->text() != "%%%");
  QVERIFY(d->Result(0)->text().endsWith(QString::fromUtf8(" кВт·ч")));
  QCOMPARE(z.Lines(tps::kPskTaskFile), size_t{4});
  QCOMPARE(z.St().Params.PskKm.Get(), d->Result(1)->text().toStdString());
  QCOMPARE(z.Edit("editPsk")->text(), d->Result(1)->text());
  // The picture's post stands at the place found.
  const tps::PostPlace& post = z.w->PictureGeometry().Posts[0];
  QVERIFY(post.Placed);
  QCOMPARE(post.Km, tps::StrToFloat(d->Result(1)->text().toStdString()));
  QTest::mouseClick(d->StopButton(), Qt::LeftButton);
  QTRY_VERIFY(!d->isVisible());
}

// "Визуализация" (checked by default): the main window shows the trains,
// the counter and the clock of the run under way.
void TasksTest::visualisationDrawsTheRunUnderWay() {
  TaskZone z;
  z.EnterSchedule();
  z.Tick(z.Find<QCheckBox>("box1"));
  QVERIFY(z.Enabled("actPskTask"));
  z.Action("actPskTask")->trigger();
  tps::ui::PlacementDialog* d = z.w->PskTask();
  QTRY_VERIFY(d->isVisible());
  QVERIFY(d->findChild<QCheckBox*>("pictures")->isChecked());
  QTest::mouseClick(d->StartButton(), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(d->StartButton()->isEnabled(), 60000);
  // However fast the sweep, the runs under way reached the main window with
  // their trains.
  QVERIFY(d->FramesShown() > 0);
  QVERIFY(d->MostTrainsShown() > 0);
  d->close();
  QTRY_VERIFY(!d->isVisible());
}

void TasksTest::statisticsWritesALinePerRealization() {
  TaskZone z;
  z.Click(z.Find<QToolButton>("buttonModeProb"));
  QVERIFY(z.Enabled("actStatistics"));
  z.Action("actStatistics")->trigger();
  tps::ui::StatisticsDialog* d = z.w->Statistics();
  QTRY_VERIFY(d->isVisible());
  d->RunsEdit()->setText("3");
  QTest::mouseClick(d->StartButton(), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(d->StartButton()->isEnabled(), 60000);
  QCOMPARE(d->PercentLabel()->text(), QString::fromUtf8("Данные сохранены успешно"));
  QCOMPARE(z.Lines(tps::kStatisticFile), size_t{4});
  d->close();
  QTRY_VERIFY(!d->isVisible());
}

QTEST_MAIN(TasksTest)
#include "tasks_test.moc"
