// The menu "Задачи": when its items are enabled, the sweep of the sectioning
// post from its dialog with the post put at the best place, and the
// statistical analysis from its dialog, the window staying responsive.
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <QToolButton>

#include "tasks/placement.h"
#include "tasks/statistics.h"
#include <QTableWidget>

#include "ui/CompareDialog.h"
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
  void statisticsShowsItsSpeedAndMovesWithinARealization();
  void placementResultsShowLongValuesWhole();
  void compareRanksTheSchemesOfTheSchedule();
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

void TasksTest::statisticsShowsItsSpeedAndMovesWithinARealization() {
  TaskZone z;
  z.Click(z.Find<QToolButton>("buttonModeProb"));
  // One realization of half a year: seconds of work, one line at its end.
  z.Find<QComboBox>("comboPeriod")->setCurrentText(QString::fromUtf8("6 месяцев"));
  QVERIFY(z.Enabled("actStatistics"));
  z.Action("actStatistics")->trigger();
  tps::ui::StatisticsDialog* d = z.w->Statistics();
  QTRY_VERIFY(d->isVisible());
  QCOMPARE(d->SpeedLabel()->text(), QString::fromUtf8("Скорость"));
  d->RunsEdit()->setText("1");
  QStringList within;
  QString speed;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    const QString p = d->PercentLabel()->text();
    if (p != "0 %" && p.endsWith(" %") && !p.startsWith("100") && !within.contains(p)) within << p;
    if (d->SpeedLabel()->text() != QString::fromUtf8("Скорость")) speed = d->SpeedLabel()->text();
  });
  watch.start(20);
  QTest::mouseClick(d->StartButton(), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(d->StartButton()->isEnabled(), 240000);
  watch.stop();
  // Percentages between 0 and 100 while the only realization ran, and the
  // steps solved a second.
  QVERIFY2(within.size() >= 3, qPrintable(within.join(" | ")));
  QVERIFY2(QRegularExpression(QString::fromUtf8("^Скорость: \\d+\\.\\d{3} мс/с$")).match(speed).hasMatch(),
           qPrintable(speed));
  QCOMPARE(d->PercentLabel()->text(), QString::fromUtf8("Данные сохранены успешно"));
  QCOMPARE(z.Lines(tps::kStatisticFile), size_t{2});
  d->close();
  QTRY_VERIFY(!d->isVisible());
}

void TasksTest::placementResultsShowLongValuesWhole() {
  TaskZone z;
  z.EnterSchedule();
  z.Tick(z.Find<QCheckBox>("box2"));  // scheme 5: the three posts
  QVERIFY(z.Enabled("actPpsTask"));
  z.Action("actPpsTask")->trigger();
  tps::ui::PlacementDialog* d = z.w->PpsTask();
  QTRY_VERIFY(d->isVisible());
  const QRect note = d->Note()->geometry();
  // A place of 15 digits reads whole in its field.
  for (int k = 0; k < 4; ++k) {
    QLineEdit* r = d->Result(k);
    r->setText("8.29999999999999");
    r->setCursorPosition(0);
    QStyleOptionFrame o;
    o.initFrom(r);
    QVERIFY(r->style()->subElementRect(QStyle::SE_LineEditContents, &o, r).width() - 4 >=
            r->fontMetrics().horizontalAdvance(r->text()));
  }
  // The progress bar appears under the rows without moving the explanation.
  d->StepEdit()->setText("100");  // a sweep refused at once
  QTest::mouseClick(d->StartButton(), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(d->StartButton()->isEnabled(), 60000);
  QCOMPARE(d->Note()->geometry(), note);
  QVERIFY(d->Note()->height() >= d->Note()->heightForWidth(d->Note()->width()));
  d->close();
  QTRY_VERIFY(!d->isVisible());
}

QTEST_MAIN(TasksTest)
#include "tasks_test.moc"

// "Сравнение схем" on the default schedule: a row per double-track DC scheme
// with the same loss as the engine's comparison, the best named, the chart shown.
void TasksTest::compareRanksTheSchemesOfTheSchedule() {
  TaskZone z;
  QVERIFY(!z.Enabled("actCompare"));
  z.EnterSchedule();
  QVERIFY(z.Enabled("actCompare"));
  z.Action("actCompare")->trigger();
  tps::ui::CompareDialog* d = z.w->CompareTask();
  QTRY_VERIFY(d->isVisible());
  QVERIFY(!d->RunsEdit()->isEnabled());
  QTest::mouseClick(d->StartButton(), Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(d->StartButton()->isEnabled(), 60000);
  QCOMPARE(d->Table()->rowCount(), 3);
  QVERIFY(d->Table()->item(0, 0)->text().startsWith(QString::fromUtf8("3 Пост.двухп.двусторонняя")));
  const tps::CompareResult& r = d->Result();
  QCOMPARE(r.Outcome, tps::RunOutcome::Finished);
  QCOMPARE(d->Table()->item(1, 1)->text().toStdString(),
           tps::FormatFixed(r.Schemes[1].Runs[0].LossWh / 1000, 0, 3));
  QVERIFY(r.Best != 0);
  QVERIFY(d->Best()->text().startsWith(QString::fromUtf8("Лучшая схема: ") + QString::number(r.Best)));
  QVERIFY(d->Chart()->pixmap().width() > 300);
  QVERIFY(d->width() <= 1280 && d->height() <= 760);
  d->close();
  QTRY_VERIFY(!d->isVisible());
}
