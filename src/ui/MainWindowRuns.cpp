// The runs of the test mode from the main window: the batch launch, the
// pause, the results, the mode menu, the clock row and the enabled state of
// the controls.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>

#include "driver/probrun.h"
#include "driver/testrun.h"
#include "solver/report.h"
#include "ui/MainWindow.h"
#include "ui/ResultWindow.h"
#include "ui/SchedulePanel.h"
#include "ui/SchemePictureWidget.h"
#include "ui/WorkDirHold.h"

namespace tps::ui {

void MainWindow::RunFromWindow(const std::function<void()>& run) {
  // One calculation writes into the working directory at a time.
  WorkDirLock lock;
  bool held = false;
  if (!Guard([&] { held = HoldWorkDir(this, lock, state_.Work); }) || !held) return;
  running_ = true;
  UpdateControls();
  Guard(run);
  running_ = false;
  if (state_.RunMode == ModeSchedule || state_.RunMode == ModeConstructor)
    schedulePanel_->ShowColours(state_.ScheduleLabelColours);
  ShowTrainLists();
  ShowClock();
  UpdateControls();
  UpdatePicture();
  if (closeAfterRun_) close();
}

void MainWindow::BatchClicked() {
  if (RunActive()) return;
  RunFromWindow([&] {
    FormToParams();
    const double scale = picture_.PixelsPerKm;
    SetScale(picture_, state_.Params.ZoneLength.Get());
    if (BatchLaunch(state_) == RunOutcome::Refused) picture_.PixelsPerKm = scale;
  });
}

void MainWindow::PauseClicked() {
  Guard([&] { PauseButton(state_); });
  UpdateControls();
}

void MainWindow::ResultsClicked() {
  std::vector<std::string> lines;
  if (Guard([&] { lines = WriteTotals(state_); })) result_->Open(lines);
}

void MainWindow::TestModeChosen() {
  if (!RunActive() && state_.RunMode != ModeTest && LeaveRunUnderWay()) state_.RunMode = ModeTest;
  UpdateControls();
}

bool MainWindow::LeaveRunUnderWay() {
  bool left = false;
  Guard([&] { left = GiveUpRunUnderWay(state_); });
  if (left) {
    ShowTrainLists();
    ShowClock();
    UpdatePicture();
  }
  return left;
}

void MainWindow::ShowClock() {
  editCounter_->setText(QString::number(state_.StepCount));
  std::string time;
  if (!Guard([&] { time = FormatRunTime(state_.ModelTime); })) return;
  editTime_->setText(QString::fromStdString(time == "0" ? "00:00:00:00" : time));
}

void MainWindow::UpdateControls() {
  const bool run = RunActive();
  const bool chosen = state_.SchemeVariant != 0;
  const bool test = state_.RunMode == ModeTest;
  const bool schedule = state_.RunMode == ModeSchedule;
  // A run that is paused or made step by step goes on with the next Start:
  // nothing that would change its scheme, zone or step may change before.
  const bool held = run || RunUnderWay(state_);

  // While a batch runs nothing may change the scheme, the trains or the
  // parameter block under it.
  tabBar_->setEnabled(!held);
  radioDc_->setEnabled(!held);
  radioAc_->setEnabled(!held);
  for (QCheckBox* b : {box1_, box2_}) b->setEnabled(chosen && !held);
  // The schedule modes take the schemes without "Откл Ф2 и Ф4".
  box3_->setEnabled(chosen && !held && !schedule && state_.RunMode != ModeConstructor);
  comboStep_->setEnabled(chosen && !held);
  checkU_->setEnabled(!held);
  checkD_->setEnabled(!held);

  editZone_->setEnabled(fields_.Length && !held && state_.Trains.Empty());
  editUaRe_->setEnabled(fields_.UaRe && !held);
  editUaIm_->setEnabled(fields_.UaIm && !held);
  editUbRe_->setEnabled(fields_.UbRe && !held);
  editUbIm_->setEnabled(fields_.UbIm && !held);
  editActive_->setEnabled(fields_.Active);
  editReactive_->setEnabled(fields_.Reactive);
  editKm_->setEnabled(fields_.Km);
  editSpeed_->setEnabled(fields_.Speed);
  for (QLineEdit* e : {editPsk_, editPps1_, editPps2_}) e->setEnabled(!held);

  trainPanel_->setVisible(test);
  batchPanel_->setVisible(test);
  schedulePanel_->setVisible(schedule);
  actConstructor_->setEnabled(schedule && chosen && !run);
  schedulePanel_->setEnabled(!run);
  buttonAdd1_->setEnabled(chosen && test && !run);
  buttonAdd2_->setEnabled(chosen && test && fields_.Track2TrainsEnabled && !run);
  buttonRemove1_->setEnabled(chosen && !run);
  buttonRemove2_->setEnabled(chosen && fields_.Track2TrainsEnabled && !run);
  buttonClearAll_->setEnabled(chosen && !run);
  // The batch launch never pauses; only the runs that watch the flag enable it.
  buttonPause_->setEnabled(false);
  buttonBatch_->setEnabled(!run);
  buttonResults_->setVisible(state_.Controls.ResultsVisible);
  // The totals of a run under way would be appended above its real ones.
  buttonResults_->setEnabled(!held);
  // The window runs to the end only schedules; the step-by-step run does not
  // exist for them.
  buttonStart_->setEnabled(schedule && chosen && !run);
  buttonStep_->setEnabled(false);

  actSave_->setEnabled(chosen && !run);
  actTestMode_->setEnabled(!run);
  actTestMode_->setChecked(test);
  actScheduleMode_->setEnabled(!run);
  actScheduleMode_->setChecked(schedule);
  buttonModeTest_->setEnabled(!run);
  buttonModeTest_->setChecked(test);
  buttonModeSchedule_->setEnabled(!run);
  buttonModeSchedule_->setChecked(schedule);
  actNetwork_->setEnabled(chosen && !held);
  actAc_->setEnabled(fields_.AcMenu && !held);
  menuCatalogues_->setEnabled(!held);
  UpdateProbControls();
  UpdateChartButtons();
}

void MainWindow::UpdatePicture() {
  SyncTrainMarks(picture_, state_);
  pictureWidget_->SetPicture(BuildSchemePicture(picture_, state_, pictureWidget_->Metrics()));
}

}  // namespace tps::ui
