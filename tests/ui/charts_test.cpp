// The charts of the main window after a schedule run: the opening buttons
// and when they are enabled, every kind opened in the chart window with its
// sizing and scrolling, the saved PNG, SVG and CSV, and the two option dialogs.
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <filesystem>

#include "ui/ChartWindow.h"
#include "ui_fixture.h"

using tpstest::OnModal;
using tpstest::UiZone;

namespace {

void Wheel(QWidget* w, int dy, Qt::KeyboardModifiers mods) {
  QWheelEvent e(QPointF(10, 10), w->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, dy), Qt::NoButton, mods,
                Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &e);
}

}  // namespace

class ChartsTest : public QObject {
  Q_OBJECT
 private slots:
  void everyKindOpensAfterARun();
};

void ChartsTest::everyKindOpensAfterARun() {
  UiZone z;
  const char* buttons[6] = {"buttonChartSchedule", "buttonChartLoss",  "buttonChartScheduleLoss",
                            "buttonChartVoltages", "buttonChartRails", "buttonChartFeeders"};
  auto button = [&](int k) { return z.Find<QToolButton>(buttons[k]); };
  for (int k = 0; k < 6; ++k) QCOMPARE(button(k)->isEnabled(), k == 0);

  z.ChooseTab(1);
  z.ChooseDc();
  z.Click(z.Find<QToolButton>("buttonModeSchedule"));
  z.Click(z.Button("buttonStart"));
  QCoreApplication::processEvents();
  QCOMPARE(z.Texts(), std::vector<std::string>{"Имитация окончена"});
  for (int k = 0; k < 6; ++k) QCOMPARE(button(k)->isEnabled(), k != 4);

  tps::ui::ChartWindow* cw = z.w->Charts();
  uint32_t firstColour = 0;
  for (int k : {0, 1, 2, 3, 3, 5}) {
    OnModal([&] { z.Click(button(k)); },
            [&](QDialog* d) {
              QCOMPARE(d, static_cast<QDialog*>(cw));
              QCOMPARE(cw->Geometry().Kind, k);
              // As fine as the screen: sharp when it is scaled.
              const qreal dpr = cw->devicePixelRatioF();
              QCOMPARE(cw->Image().devicePixelRatio(), dpr);
              QCOMPARE(cw->Image().width(), qRound(cw->Geometry().Width * dpr));
              QCOMPARE(cw->Image().height(), qRound(500 * dpr));
              QCOMPARE(cw->size(), QSize(cw->Geometry().Width + 6, 525));
              QVERIFY(cw->ScrollBar()->isHidden());
              if (k == 3) {
                // Each opening draws each train in the same legible colour.
                if (firstColour == 0)
                  firstColour = cw->Geometry().Series[0].Colour;
                else
                  QCOMPARE(cw->Geometry().Series[0].Colour, firstColour);
                QVERIFY(tps::ContrastOnWhite(firstColour) >= 3);
              }
            });
  }
  QVERIFY(cw->Image().isNull());  // closing frees the image

  // The loss value opens the loss chart.
  OnModal([&] { QTest::mouseClick(z.Find<QLabel>("labelLoss"), Qt::LeftButton); },
          [&](QDialog*) { QCOMPARE(cw->Geometry().Kind, 1); });

  // A wide chart: 800 x 530 with a scroll bar; the wheel scrolls 50, with Ctrl 400.
  z.St().Chart.TrainSeries[0].Times.push_back(200);
  z.St().Chart.TrainSeries[0].Values.push_back(3000);
  OnModal([&] { z.Click(button(3)); },
          [&](QDialog*) {
            QCOMPARE(cw->size(), QSize(800, 530));
            QVERIFY(!cw->ScrollBar()->isHidden());
            QCOMPARE(cw->ScrollBar()->maximum(), 1100 - 800);
            Wheel(cw, -120, Qt::NoModifier);
            QCOMPARE(cw->ScrollBar()->value(), 50);
            Wheel(cw, -120, Qt::ControlModifier);
            QCOMPARE(cw->ScrollBar()->value(), 300);
            Wheel(cw, 120, Qt::NoModifier);
            QCOMPARE(cw->ScrollBar()->value(), 250);
            // Scrolled, the chart keeps its value axis in view: the band left
            // of the plot shows the axis labels as at the start.
            const int band = static_cast<int>(cw->Geometry().PinnedWidth) - 8;
            const QImage scrolled = cw->grab(QRect(0, 40, band, 420)).toImage();
            cw->ScrollBar()->setValue(0);
            const QImage start = cw->grab(QRect(0, 40, band, 420)).toImage();
            QCOMPARE(scrolled, start);
            cw->ScrollBar()->setValue(250);
            // The window may be widened as far as the chart.
            cw->resize(1000, cw->height());
            QCOMPARE(cw->width(), 1000);
            QCOMPARE(cw->ScrollBar()->maximum(), 1100 - 1000);
            cw->resize(800, cw->height());
            cw->SavePng(z.dir.Path() / "v.png");
            cw->SaveSvg(z.dir.Path() / "v.svg");
            cw->SaveCsv(z.dir.Path() / "v.csv");
          });
  QCOMPARE(tpstest::ReadString(z.dir.Path() / "v.png").substr(1, 3), std::string("PNG"));
  QVERIFY(tpstest::ReadString(z.dir.Path() / "v.svg").find("<svg") != std::string::npos);
  // The window's CSV is the same table: UTF-8 with its mark, quoted headings.
  QCOMPARE(tpstest::ReadString(z.dir.Path() / "v.csv").substr(0, 15), std::string("\xEF\xBB\xBF\"t, мин\","));

  // Rail potentials, recorded only by the constructor runs.
  z.St().Chart.RailSeries.push_back({1, {0, 1, 2}, {10, 35, 20}, {0, 0, 0}, 3});
  OnModal([&] { z.w->OpenChart(4); }, [&](QDialog*) { QCOMPARE(cw->Geometry().Norms.size(), size_t{1}); });

  // "Графики токов": unchecking "Все" and "фидер3" hides series 3 only.
  OnModal([&] { z.Action("actChartOptions")->trigger(); },
          [&](QDialog* d) {
            auto* o = static_cast<tps::ui::ChartOptionsDialog*>(d);
            QVERIFY(!o->Feeder(2)->isEnabled());
            o->All()->setChecked(false);
            QVERIFY(o->Feeder(2)->isEnabled());
            o->Feeder(2)->setChecked(false);
          });
  OnModal([&] { z.Click(button(5)); },
          [&](QDialog*) {
            std::vector<std::string> names;
            for (const auto& s : cw->Geometry().Series) names.push_back(s.Name);
            QCOMPARE(names, (std::vector<std::string>{"Ф1", "Ф2", "Ф4"}));
          });
  OnModal([&] { z.Action("actNorms")->trigger(); },
          [&](QDialog* d) { QVERIFY(d->findChild<QWidget*>("tableNorms")); });
}

QTEST_MAIN(ChartsTest)
#include "charts_test.moc"
