// The commands that belong to the main window itself: "Выход", which ends
// the program at once, and "Смотреть ГДП" of the probabilistic mode, which
// shows the schedule selected in the schedule list. The scheme caption label
// and the switches "U" and "d" are served with the scheme controls
// (MainWindowScheme.cpp), "Параметры переменного сопротивления" opens the AC
// window (MainWindow.cpp).
#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "ui/Anchors.h"
#include "ui/MainWindow.h"
#include "ui/ProbPanel.h"
#include "ui/SchedulePanel.h"

namespace tps::ui {

namespace {

// Shows, hides, enables and disables a control with the panel it belongs to.
class FollowPanel : public QObject {
 public:
  FollowPanel(QWidget* panel, QWidget* control) : QObject(panel), control_(control) {
    control_->setVisible(panel->isVisibleTo(panel->parentWidget()));
    control_->setEnabled(panel->isEnabled());
    panel->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    auto* panel = static_cast<QWidget*>(o);
    if (e->type() == QEvent::Show || e->type() == QEvent::Hide)
      control_->setVisible(panel->isVisibleTo(panel->parentWidget()));
    if (e->type() == QEvent::EnabledChange) control_->setEnabled(panel->isEnabled());
    return QObject::eventFilter(o, e);
  }

 private:
  QWidget* control_;
};

}  // namespace

void MainWindow::ConnectCommands() {
  connect(actExit_, &QAction::triggered, this, [this] { ExitChosen(); });

  // "Смотреть ГДП" belongs to the probabilistic panel, which has no room
  // left: it stands at the right end of the chart row, shown and enabled
  // with the panel.
  auto* view = new QPushButton(QString::fromUtf8("Смотреть ГДП"), centralWidget());
  view->setObjectName("buttonViewProbSchedule");
  const QRect row = chartButtons_[0]->geometry();
  const int w = view->sizeHint().width();
  view->setGeometry(centralWidget()->width() - 4 - w, row.y(), w,
                    std::max(row.height(), std::min(row.height() + 2, view->sizeHint().height())));
  centralAnchors_->Add(view, {1, 1, 1, 1});
  new FollowPanel(probPanel_, view);
  connect(view, &QPushButton::clicked, this, [this] { ViewProbScheduleClicked(); });
}

void MainWindow::ExitChosen() {
  if (RunActive()) {
    // A run stands on this window's stack: it is told to stop after the step
    // under way (the test and probabilistic runs watch the pause, the
    // schedule runs the stop), says nothing more, and the window closes as
    // soon as it has returned. The batch launch watches neither and ends first.
    host_->quiet = true;
    state_.PauseRequested = true;
    state_.StopRequested = true;
    closeAfterRun_ = true;
    return;
  }
  close();
  // Every window of the program goes with the main one.
  QCoreApplication::quit();
}

void MainWindow::ViewProbScheduleClicked() {
  if (RunActive()) return;
  // The schedule list is filled when the schedule mode has not been entered yet.
  if (schedulePanel_->SelectedFile().empty()) ShowScheduleList();
  ViewScheduleClicked();
}

}  // namespace tps::ui
