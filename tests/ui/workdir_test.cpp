// The window in a working directory that another process writes into: a run
// waits for it with a box that can give the run up; and SIGINT or SIGTERM
// end a run under way as "Выход" does.
#include <signal.h>

#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include "params/chartfile.h"
#include "params/fileio.h"
#include "ui/WorkDirHold.h"
#include "ui_fixture.h"

using tpstest::UiZone;
using tpstest::WhileRunning;

namespace {

QProgressDialog* BusyBox(QWidget* w) {
  return w->findChild<QProgressDialog*>("workDirBusy");
}

}  // namespace

class WorkDirTest : public QObject {
  Q_OBJECT
 private slots:
  void aRunWaitsWhileAnotherProcessWrites();
  void aWaitGivenUpStartsNothing();
  void aSignalStopsTheRunAndClosesTheWindow();
};

void WorkDirTest::aRunWaitsWhileAnotherProcessWrites() {
  UiZone z;
  z.ChooseDc();
  tps::WorkDirLock other;
  QVERIFY(other.TryAcquire(z.dir.Work()));
  bool boxShown = false;
  QString text;
  uint32_t stepsWhileWaiting = 1;
  QTimer::singleShot(300, [&] {
    QProgressDialog* box = BusyBox(z.w.get());
    boxShown = box && box->isVisible();
    if (box) text = box->labelText();
    stepsWhileWaiting = z.St().StepCount;
    other.Release();
  });
  z.Button("buttonBatch")->click();
  QCoreApplication::processEvents();
  QVERIFY(boxShown);
  QCOMPARE(stepsWhileWaiting, 0u);
  QCOMPARE(text, QString::fromUtf8("Рабочая папка занята другим расчётом…"));
  QVERIFY(!z.messages.empty());
  QCOMPARE(z.messages.back().text, std::string("Пакетный пуск завершен"));
  QVERIFY(z.dir.Work().Exists(tps::kLossFile));
  // The run is over: the working directory is free again.
  QVERIFY(other.TryAcquire(z.dir.Work()));
}

void WorkDirTest::aWaitGivenUpStartsNothing() {
  UiZone z;
  z.ChooseDc();
  tps::WorkDirLock other;
  QVERIFY(other.TryAcquire(z.dir.Work()));
  QTimer::singleShot(300, [&] {
    if (QProgressDialog* box = BusyBox(z.w.get())) box->cancel();
  });
  z.Button("buttonBatch")->click();
  QCoreApplication::processEvents();
  QVERIFY(z.messages.empty());
  QVERIFY(!z.dir.Work().Exists(tps::kLossFile));
  QVERIFY(z.St().Trains.Empty());
  QVERIFY(z.Button("buttonBatch")->isEnabled());
}

void WorkDirTest::aSignalStopsTheRunAndClosesTheWindow() {
  UiZone z;
  tps::ui::ExitOnSignals(*z.w);
  z.ChooseDc();
  z.Type(z.Edit("editBatchTrains"), "20");
  bool raised = false;
  int passes = 0;
  WhileRunning(z.w.get(), [&] {
    ++passes;
    if (!raised && z.St().StepCount > 2) {
      raised = true;
      ::raise(SIGTERM);
    }
  });
  z.Button("buttonBatch")->click();
  QCoreApplication::processEvents();
  QVERIFY(raised);
  // Stopped after the step under way: no "Пакетный пуск завершен", no loss
  // file of a part of a batch, and the window closed.
  QVERIFY(z.messages.empty());
  QVERIFY(!z.dir.Work().Exists(tps::kLossFile));
  QVERIFY(!z.w->isVisible());
}

QTEST_MAIN(WorkDirTest)
#include "workdir_test.moc"
