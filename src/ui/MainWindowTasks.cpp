// The menu "Задачи": the placement tasks of the posts in the schedule mode and
// the statistical analysis in the probabilistic mode, the comparison of the
// schemes in either, each in its dialog.
#include <QMenu>
#include <QMenuBar>

#include "driver/runs.h"
#include "ui/CompareDialog.h"
#include "ui/MainWindow.h"
#include "ui/SchedulePanel.h"
#include "ui/TaskDialogs.h"

namespace tps::ui {

void MainWindow::BuildTaskMenu() {
  menuTasks_ = menuBar()->addMenu(QString::fromUtf8("&Задачи"));
  menuTasks_->setObjectName("menuTasks");
  actPskTask_ = menuTasks_->addAction(QString::fromUtf8("&Оптимальное место для ПСК"));
  actPskTask_->setObjectName("actPskTask");
  actPpsTask_ = menuTasks_->addAction(QString::fromUtf8("Оптимизация мест для ПСК и &ППС"));
  actPpsTask_->setObjectName("actPpsTask");
  actStatistics_ = menuTasks_->addAction(QString::fromUtf8("&Статистический анализ"));
  actStatistics_->setObjectName("actStatistics");
  actCompare_ = menuTasks_->addAction(QString::fromUtf8("Сра&внение схем"));
  actCompare_->setObjectName("actCompare");
  statistics_ = new StatisticsDialog(this);
  compare_ = new CompareDialog(this);
  pskTask_ = new PlacementDialog(this, 1);
  ppsTask_ = new PlacementDialog(this, 3);
  connect(menuTasks_, &QMenu::aboutToShow, this, &MainWindow::UpdateTaskMenu);
  connect(actPskTask_, &QAction::triggered, pskTask_, &QDialog::open);
  connect(actPpsTask_, &QAction::triggered, ppsTask_, &QDialog::open);
  connect(actStatistics_, &QAction::triggered, statistics_, &QDialog::open);
  connect(actCompare_, &QAction::triggered, compare_, &QDialog::open);
  UpdateTaskMenu();
}

// The sectioning-post task on the nodal schemes 4 and 11, the three posts on
// the parallel scheme 5, both in the schedule mode; the statistics in the
// probabilistic mode; none while a run is under way.
void MainWindow::UpdateTaskMenu() {
  // A paused schedule run is a run under way too.
  const bool idle = !RunActive() && !ScheduleRunPaused(state_);
  const bool schedule = state_.RunMode == ModeSchedule;
  const int v = state_.SchemeVariant;
  actPskTask_->setEnabled(idle && schedule && (v == 4 || v == 11));
  actPpsTask_->setEnabled(idle && schedule && v == 5);
  actStatistics_->setEnabled(idle && state_.RunMode == ModeProb);
  // The schemes compared on the selected schedule or on random flows.
  actCompare_->setEnabled(idle && v != 0 && (schedule || state_.RunMode == ModeProb));
}

void MainWindow::PrepareStudy() {
  FormToParams();
  if (state_.RunMode == ModeProb) ProbPanelToState();
  LoadProbTrainParams(state_);
}

std::string MainWindow::SelectedSchedule() const {
  return schedulePanel_->SelectedFile();
}

}  // namespace tps::ui
