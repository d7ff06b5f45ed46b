// The charts of the main window: a row of opening buttons under the tab
// panel, each enabled when its data is there and no run is under way; a
// click on the loss value opens the loss chart; the menu "Опции" opens the
// two option dialogs.
#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenuBar>
#include <QToolButton>

#include "charts/chart.h"
#include "ui/Anchors.h"
#include "ui/ChartWindow.h"
#include "ui/MainWindow.h"
#include "ui/SchedulePanel.h"

namespace tps::ui {

namespace {

QString U(const char* s) {
  return QString::fromUtf8(s);
}

// A click on a label as a signal.
class ClickFilter : public QObject {
 public:
  ClickFilter(QObject* parent, std::function<void()> f) : QObject(parent), f_(std::move(f)) {}

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonRelease) f_();
    return QObject::eventFilter(o, e);
  }

 private:
  std::function<void()> f_;
};

}  // namespace

void MainWindow::BuildChartControls() {
  chartWindow_ = new ChartWindow(state_, this);
  normsDialog_ = new NormsDialog(state_, this);
  chartOptions_ = new ChartOptionsDialog(state_, this);

  // The buttons in a row of their own under the panel.
  QWidget* central = centralWidget();
  const int top = central->height() + 2;
  // Speed buttons with a short caption; the hint names the chart.
  struct Entry {
    const char* name;
    const char* text;
    const char* hint;
    int kind;
  };
  const Entry entries[6] = {{"buttonChartSchedule", "ГДП", "График ГДП", 0},
                            {"buttonChartLoss", "Потери", "График потерь", 1},
                            {"buttonChartScheduleLoss", "ГДП + потери", "ГДП + потери", 2},
                            {"buttonChartVoltages", "U поездов", "Графики напряжений поездов", 3},
                            {"buttonChartRails", "U рельсов", "Графики потенциалов рельсов", 4},
                            {"buttonChartFeeders", "I фидеров", "Графики токов фидеров", 5}};
  QLabel* caption = new QLabel(U("Графики:"), central);
  caption->setGeometry(4, top + 3, caption->sizeHint().width(), 16);
  centralAnchors_->Add(caption, {0, 1, 0, 1});
  int x = 4 + caption->width() + 6;
  for (const Entry& e : entries) {
    auto* b = new QToolButton(central);
    b->setObjectName(e.name);
    b->setText(U(e.text));
    b->setToolTip(U(e.hint));
    b->setGeometry(x, top, b->sizeHint().width(), 22);
    x += b->width() + 3;
    centralAnchors_->Add(b, {0, 1, 0, 1});
    const int kind = e.kind;
    connect(b, &QToolButton::clicked, this, [this, kind] { OpenChart(kind); });
    chartButtons_[kind] = b;
  }
  central->resize(central->width(), top + 22 + 4);

  labelLoss_->setCursor(Qt::PointingHandCursor);
  labelLoss_->installEventFilter(new ClickFilter(this, [this] { OpenChart(1); }));

  QAction* first = menuOptions_->actions().value(3);  // after the three options
  QAction* norms = new QAction(U("&Нормы напряжения"), menuOptions_);
  norms->setObjectName("actNorms");
  QAction* currents = new QAction(U("&Графики токов"), menuOptions_);
  currents->setObjectName("actChartOptions");
  menuOptions_->insertAction(first, norms);
  menuOptions_->insertAction(first, currents);
  connect(norms, &QAction::triggered, this, [this] { normsDialog_->exec(); });
  connect(currents, &QAction::triggered, this, [this] { chartOptions_->exec(); });
  UpdateChartButtons();
}

void MainWindow::UpdateChartButtons() {
  const bool run = RunActive();
  for (int kind = 0; kind < kChartKinds; ++kind)
    if (chartButtons_[kind]) chartButtons_[kind]->setEnabled(!run && ChartAvailable(state_.Chart, kind));
}

void MainWindow::OpenChart(int kind) {
  if (RunActive() || !ChartAvailable(state_.Chart, kind)) return;
  Guard([&] { chartWindow_->Open(kind, schedulePanel_->SelectedFile()); });
}

}  // namespace tps::ui
