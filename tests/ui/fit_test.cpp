// Every window of the program read whole: no caption, label, button, choice,
// value, heading or title cut, none lying over another, every window within
// a 1280 x 800 screen, and the main window at its smallest and enlarged; and
// Tab going through every window in the order one reads it.
// Run once as it comes and once more at 200 % scaling (QT_SCALE_FACTOR=2);
// there the charts are painted as fine as the screen.
#include <QMenu>
#include <QTest>

#include "ui/AcWindow.h"
#include "ui/CatalogueWindow.h"
#include "ui/ChartWindow.h"
#include "ui/ConstructorWindow.h"
#include "ui/NetworkWindow.h"
#include "ui/ProbParamsWindow.h"
#include "ui/ResultWindow.h"
#include "ui/ScheduleEditor.h"
#include "ui/CompareDialog.h"
#include "ui/TaskDialogs.h"
#include "ui_fixture.h"

using tpstest::OnModal;
using tpstest::UiZone;

namespace {

// The room a 1280 x 800 screen leaves a window beside a panel and a frame.
constexpr int kScreenWidth = 1280, kScreenHeight = 760;

void Settle() {
  for (int k = 0; k < 3; ++k) QCoreApplication::processEvents();
}

// `w` as shown now: every text whole, the window on the screen, Tab going
// through it as one reads it.
void ReadsWhole(QWidget* w, const QString& what) {
  Settle();
  const QStringList cut = tpstest::CutTexts(w);
  QVERIFY2(cut.isEmpty(), qPrintable(what + ": " + cut.join("; ")));
  const QStringList back = tpstest::TabStepsBack(w);
  QVERIFY2(back.isEmpty(), qPrintable(what + ", Tab: " + back.join("; ")));
  QVERIFY2(w->width() <= kScreenWidth && w->height() <= kScreenHeight,
           qPrintable(what + QString(": %1 x %2").arg(w->width()).arg(w->height())));
}

// A window the user has made as small as it goes still reads whole.
void AtItsSmallest(QWidget* w) {
  const QSize shown = w->size();
  w->resize(w->minimumSize());
  ReadsWhole(w, w->windowTitle() + " at its smallest");
  w->resize(shown);
}

}  // namespace

class FitTest : public QObject {
  Q_OBJECT
 private slots:
  void mainWindowAtItsSmallestAndEnlarged();
  void dialogsOfTheMainWindow();
  void constructorAtEveryStep();
  void studyDialogsAndTheEditor();
};

void FitTest::mainWindowAtItsSmallestAndEnlarged() {
  UiZone z;
  ReadsWhole(z.w.get(), "start");
  z.ChooseTab(1);
  z.ChooseDc();
  z.Tick(z.Find<QCheckBox>("box2"));  // the posts' fields
  z.Button("buttonBatch")->click();   // "Смотреть результаты"
  ReadsWhole(z.w.get(), "test mode");
  const QSize smallest = z.w->size();
  for (QSize size : {smallest, QSize(kScreenWidth, kScreenHeight)}) {
    z.w->resize(size);
    const QString at = QString(" at %1 x %2").arg(size.width()).arg(size.height());
    ReadsWhole(z.w.get(), "test mode" + at);
    z.Find<QToolButton>("buttonModeProb")->click();
    ReadsWhole(z.w.get(), "probabilistic mode" + at);
    z.Find<QToolButton>("buttonModeSchedule")->click();
    ReadsWhole(z.w.get(), "schedule mode" + at);
    z.Find<QToolButton>("buttonModeTest")->click();
  }
  z.ChooseTab(0);
  z.ChooseAc();
  ReadsWhole(z.w.get(), "AC single track");
}

void FitTest::dialogsOfTheMainWindow() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseAc();
  z.Button("buttonBatch")->click();
  z.Click(z.Button("buttonResults"));
  ReadsWhole(z.w->Result(), "Результат");
  z.w->Result()->close();

  z.Action("actNetwork")->trigger();
  ReadsWhole(z.w->Network(), "Параметры тяговой сети");
  z.w->Network()->close();
  z.Action("actAc")->trigger();
  ReadsWhole(z.w->Ac(), "Параметры и конфигурация подвески переменного тока");
  z.w->Ac()->close();
  for (int index : {0, 4}) {
    z.Action(qPrintable(QString("actCatalogue%1").arg(index)))->trigger();
    ReadsWhole(z.w->Catalogue(), z.w->Catalogue()->windowTitle());
    AtItsSmallest(z.w->Catalogue());
    z.w->Catalogue()->close();
  }
  for (const char* action : {"actNorms", "actChartOptions"})
    OnModal([&] { z.Action(action)->trigger(); },
            [&](QDialog* d) {
              ReadsWhole(d, d->windowTitle());
              AtItsSmallest(d);
            });
  // The charts, painted as fine as the screen shows them.
  for (int kind : {1, 3, 5})
    OnModal([&] { z.w->OpenChart(kind); },
            [&](QDialog* d) {
              ReadsWhole(d, d->windowTitle());
              const QImage& img = z.w->Charts()->Image();
              QCOMPARE(img.devicePixelRatio(), d->devicePixelRatioF());
              QCOMPARE(img.width(), qRound(z.w->Charts()->Geometry().Width * d->devicePixelRatioF()));
            });

  z.Find<QToolButton>("buttonModeProb")->click();
  z.Button("buttonParams")->click();
  ReadsWhole(z.w->ProbParams(), "Параметры поездов");
  AtItsSmallest(z.w->ProbParams());
  z.w->ProbParams()->close();
}

void FitTest::constructorAtEveryStep() {
  for (bool ac : {false, true}) {
    UiZone z;
    z.ChooseTab(1);
    z.ChooseDc();
    z.Find<QToolButton>("buttonModeSchedule")->click();
    tps::ui::ConstructorWindow* c = z.w->Constructor();
    QTimer::singleShot(0, c, [&] {
      if (ac) c->radioAc->setChecked(true);
      for (int step = 0; step < 7; ++step) {
        ReadsWhole(c, QString("constructor %1 step %2").arg(ac ? "AC" : "DC").arg(step));
        AtItsSmallest(c);
        if (step == 1) {
          c->AddChainClicked();
          c->comboKind->setCurrentIndex(1);
          c->AddChainClicked();
        }
        c->NextClicked();
      }
      c->close();
    });
    z.Action("actConstructor")->trigger();
  }
}

void FitTest::studyDialogsAndTheEditor() {
  UiZone z;
  z.ChooseTab(1);
  z.ChooseDc();
  z.Find<QToolButton>("buttonModeProb")->click();
  z.w->Statistics()->open();
  ReadsWhole(z.w->Statistics(), "Статистический анализ");
  AtItsSmallest(z.w->Statistics());
  z.w->Statistics()->close();
  z.Find<QToolButton>("buttonModeSchedule")->click();
  for (tps::ui::PlacementDialog* d : {z.w->PskTask(), z.w->PpsTask()}) {
    d->open();
    ReadsWhole(d, d->windowTitle());
    AtItsSmallest(d);
    d->close();
  }
  z.w->CompareTask()->open();
  ReadsWhole(z.w->CompareTask(), "Сравнение схем");
  z.w->CompareTask()->close();
  z.Button("buttonNewSchedule")->click();
  ReadsWhole(z.w->Editor(), "Чтение ГДП");
  AtItsSmallest(z.w->Editor());
  z.w->Editor()->reject();
}

QTEST_MAIN(FitTest)
#include "fit_test.moc"
