// Runs from the main window: a refused launch, a batch run to its end with
// the window locked against a second run, the results window, and closing
// the window while a batch runs.
#include <QLabel>
#include <QTest>

#include "ui/ResultWindow.h"
#include "ui_fixture.h"

using tpstest::UiZone;
using tpstest::WhileRunning;

namespace {

void Drain() { QCoreApplication::processEvents(); }

// Pixels of a widget's picture that are darker than the background: text.
int InkPixels(QWidget* w) {
  const QImage im = w->grab().toImage();
  int n = 0;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) n += qGray(im.pixel(x, y)) < 128;
  return n;
}

}  // namespace

class RunsTest : public QObject {
  Q_OBJECT
 private slots:
  void zoneLengthOutOfRangeIsRefused();
  void batchRunsToItsEndWithTheWindowLocked();
  void recommendedSpeedIsShownInItsField();
  void closingDuringARunWaitsForItsEnd();
  void trainListsShowTheTrainsAsTheyMove();
};

void RunsTest::zoneLengthOutOfRangeIsRefused() {
  UiZone z;
  z.ChooseDc();
  z.Type(z.Edit("editZone"), "250");
  z.Button("buttonBatch")->click();
  QCOMPARE(z.messages.size(), size_t{1});
  QCOMPARE(z.messages[0].kind, tps::MsgKind::Warning);
  QCOMPARE(z.messages[0].text, std::string("Значение длины зоны: '250' - не лежит между 0> и 200"));
  QVERIFY(z.St().Trains.Empty());
  QCOMPARE(z.St().StepCount, 0u);
  QVERIFY(z.Edit("editZone")->isEnabled());
  QVERIFY(z.Button("buttonBatch")->isEnabled());
}

void RunsTest::batchRunsToItsEndWithTheWindowLocked() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseDc();  // DC double track: every batch train has a twin on track 2
  int most1 = 0, most2 = 0, passes = 0;
  bool locked = true;
  WhileRunning(z.w.get(), [&] {
    ++passes;
    most1 = std::max(most1, int(z.Lines("listTrack1").size()));
    most2 = std::max(most2, int(z.Lines("listTrack2").size()));
    locked = locked && !z.Button("buttonBatch")->isEnabled() && !z.Find<QTabBar>("tabBar")->isEnabled() &&
             !z.Find<QRadioButton>("radioAc")->isEnabled() && !z.Button("buttonAdd1")->isEnabled() &&
             !z.Button("buttonClearAll")->isEnabled() && !z.Find<QComboBox>("comboStep")->isEnabled() &&
             // The batch never pauses, and its totals are not there yet.
             !z.Button("buttonPause")->isEnabled() && !z.Button("buttonResults")->isEnabled();
    // A second press while the run goes on starts nothing.
    z.Button("buttonBatch")->click();
  });
  z.Button("buttonBatch")->click();
  Drain();

  QVERIFY(passes > 0);
  QVERIFY(locked);
  QVERIFY(most1 >= 1);
  QVERIFY(most2 >= 1);
  QVERIFY(!z.messages.empty());
  QCOMPARE(z.messages.back().kind, tps::MsgKind::Information);
  QCOMPARE(z.messages.back().text, std::string("Пакетный пуск завершен"));
  QCOMPARE(z.messages.size(), size_t{1});
  QVERIFY(z.Lines("listTrack1").isEmpty() && z.Lines("listTrack2").isEmpty());
  QVERIFY(z.Button("buttonBatch")->isEnabled());
  QVERIFY(z.Edit("editZone")->isEnabled());
  QVERIFY(z.Find<QTabBar>("tabBar")->isEnabled());
  QVERIFY(!z.Button("buttonResults")->isHidden());
  QVERIFY(z.Edit("editTime")->text() != QString("00:00:00:00"));

  z.Click(z.Button("buttonResults"));
  tps::ui::ResultWindow* result = z.w->Result();
  QVERIFY(result->isVisible());
  QCOMPARE(result->windowTitle(), QString::fromUtf8("Результат"));
  QStringList lines;
  for (int k = 0; k < result->List()->count(); ++k) lines << result->List()->item(k)->text();
  QVERIFY(lines.contains(QString::fromUtf8("                   ИТОГО ")));
  QVERIFY(lines.contains(QString::fromUtf8(" W РАСХОД ЭНЕРГИИ")));
  // One advance width for every character of the report (a monospaced font
  // may not say it is one), every line whole, and the user may resize.
  const QFontMetrics fm(result->List()->font());
  const int advance = fm.horizontalAdvance(QChar('0'));
  for (const QString& l : lines)
    for (QChar c : l) QVERIFY2(fm.horizontalAdvance(c) == advance, qPrintable(QString(c) + " in " + l));
  for (const QString& l : lines)
    QVERIFY2(result->List()->viewport()->width() >= fm.horizontalAdvance(l), qPrintable(l));
  QVERIFY(result->minimumWidth() < result->maximumWidth());
  QVERIFY(result->isSizeGripEnabled());
  const std::string report = tpstest::ReadString(z.dir.Path() / "final.txt");
  QVERIFY(report.find(tps::Utf8ToCp1251("ИТОГО")) != std::string::npos);
  // Beside the report, not in it: the run against the voltage norms.
  QVERIFY(result->NormsBox()->isVisible());
  QCOMPARE(result->NormsBox()->title(), QString::fromUtf8("Соответствие нормам"));
  QStringList norms;
  for (int k = 0; k < result->NormsList()->count(); ++k) norms << result->NormsList()->item(k)->text();
  QVERIFY(norms.filter(QString::fromUtf8("Среднее полезное напряжение: ")).size() == 1);
  QVERIFY(norms.filter(QString::fromUtf8("Фидер Ф1: наибольший ток ")).size() == 1);
  QVERIFY(report.find(tps::Utf8ToCp1251("Среднее полезное")) == std::string::npos);
  result->close();

  // A second look writes the block once only.
  z.Click(z.Button("buttonResults"));
  int blocks = 0;
  for (int k = 0; k < result->List()->count(); ++k)
    blocks += result->List()->item(k)->text() == QString::fromUtf8("                   ИТОГО ");
  QCOMPARE(blocks, 1);
  result->close();
}

void RunsTest::recommendedSpeedIsShownInItsField() {
  UiZone z;
  z.ChooseDc();
  z.Type(z.Edit("editZone"), "10");
  z.Type(z.Edit("editSpeed"), "30");
  z.Type(z.Edit("editBatchInterval"), "30");
  z.Button("buttonBatch")->click();
  QCOMPARE(z.messages.size(), size_t{1});
  QCOMPARE(z.messages[0].kind, tps::MsgKind::Information);
  QCOMPARE(z.messages[0].text,
           std::string("Используйте рекомендованое значение скорости или другой режим!"));
  QCOMPARE(z.Edit("editSpeed")->text(), QString("20"));
  QVERIFY(z.St().Trains.Empty());
  QVERIFY(z.Button("buttonBatch")->isEnabled());
}

void RunsTest::closingDuringARunWaitsForItsEnd() {
  UiZone z;
  z.ChooseDc();
  bool openDuringRun = true;
  bool asked = false;
  WhileRunning(z.w.get(), [&] {
    if (!asked) {
      asked = true;
      z.w->close();
    }
    openDuringRun = openDuringRun && z.w->isVisible();
  });
  z.Button("buttonBatch")->click();
  Drain();
  QVERIFY(asked);
  QVERIFY(openDuringRun);
  QCOMPARE(z.messages.back().text, std::string("Пакетный пуск завершен"));
  // The run has ended and the window closed after it.
  QVERIFY(!z.w->isVisible());
}

void RunsTest::trainListsShowTheTrainsAsTheyMove() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseDc();
  auto* list1 = z.Find<QListWidget>("listTrack1");
  auto* list2 = z.Find<QListWidget>("listTrack2");
  int seen = 0, painted = 0;
  QStringList wrong;
  WhileRunning(z.w.get(), [&] {
    // What the pump shows: the lines of the trains where they stand now (a
    // train being added is listed once its addition is complete).
    const tps::TrainLists now = tps::ShowTrainLists(z.St());
    auto shows = [&](const char* list, const std::vector<std::string>& lines) {
      QStringList want;
      for (const std::string& l : lines) want << QString::fromStdString(l);
      const QStringList got = z.Lines(list);
      if (got == want || (!want.isEmpty() && got == want.mid(0, want.size() - 1))) return;
      wrong << got.join("|") + " / " + want.join("|");
    };
    shows("listTrack1", now.Track1);
    shows("listTrack2", now.Track2);
    if (list1->count() == 0 || list2->count() == 0) return;
    ++seen;
    painted += InkPixels(list1->viewport()) > 0 && InkPixels(list2->viewport()) > 0;
  });
  z.Button("buttonBatch")->click();
  Drain();
  QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join("\n")));
  QVERIFY(seen > 10);
  QCOMPARE(painted, seen);
}

QTEST_MAIN(RunsTest)
#include "runs_test.moc"
