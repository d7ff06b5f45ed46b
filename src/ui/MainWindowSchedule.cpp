// The schedule mode of the main window ("Расчет по ГДП", "Режим ГДП"): the
// schedule panel with its file list, the deletion of a schedule, the silent
// schedule check that colours the panel's labels, and "Старт иммитации",
// which runs the selected schedule to its end.
#include <QCheckBox>
#include <QPushButton>
#include <QSignalBlocker>

#include "driver/draw.h"
#include "driver/probrun.h"
#include "driver/runs.h"
#include "ui/MainWindow.h"
#include "ui/SchedulePanel.h"
#include "validation/schedule_checks.h"

namespace tps::ui {

void MainWindow::ScheduleModeChosen() {
  if (RunActive() || (state_.RunMode != ModeSchedule && !LeaveRunUnderWay())) {
    UpdateControls();
    return;
  }
  // The schedule mode takes the scheme without "Откл Ф2 и Ф4": the box is
  // unchecked (and stays disabled in this mode).
  if (box3_->isChecked()) {
    {
      QSignalBlocker block(box3_);
      box3_->setChecked(false);
    }
    SchemeChanged(false, false);
  }
  // The check compares the schedule with the zone as the fields show it now.
  Guard([&] { FormToParams(); });
  schedulePanel_->ShowInfo({});
  const bool shown = Guard([&] {
    const SchedulePanelView view = EnterScheduleMode(state_);
    schedulePanel_->ShowFiles(view.Files, view.Selected);
    schedulePanel_->ShowInfo(view.Info);
  });
  // A schedule that cannot be read still leaves the mode and the list.
  if (!shown) {
    state_.RunMode = ModeSchedule;
    Guard([&] {
      const std::vector<std::string> files = ListScheduleFiles(state_);
      schedulePanel_->ShowFiles(files, files.empty() ? std::string() : files.front());
    });
  }
  schedulePanel_->ShowColours(state_.ScheduleLabelColours);
  UpdateControls();
}

void MainWindow::ShowScheduleList() {
  schedulePanel_->ShowInfo({});
  std::vector<std::string> files;
  if (!Guard([&] { files = ListScheduleFiles(state_); })) return;
  const std::string first = files.empty() ? std::string() : files.front();
  schedulePanel_->ShowFiles(files, first);
  if (!first.empty()) Guard([&] { schedulePanel_->ShowInfo(SelectScheduleFile(state_, first)); });
  schedulePanel_->ShowColours(state_.ScheduleLabelColours);
}

void MainWindow::ScheduleFileClicked() {
  if (RunActive()) return;
  schedulePanel_->ShowInfo({});
  Guard([&] {
    FormToParams();
    schedulePanel_->ShowInfo(SelectScheduleFile(state_, schedulePanel_->SelectedFile()));
  });
  schedulePanel_->ShowColours(state_.ScheduleLabelColours);
}

void MainWindow::DeleteScheduleClicked() {
  if (RunActive()) return;
  const std::string file = schedulePanel_->SelectedFile();
  Guard([&] { DeleteScheduleFile(state_, file); });
  ShowScheduleList();
}

void MainWindow::CheckScheduleSilently() {
  if (state_.RunMode != ModeSchedule || schedulePanel_->Empty()) return;
  Guard([&] { CheckScheduleMatch(state_, schedulePanel_->SelectedFile(), false); });
  schedulePanel_->ShowColours(state_.ScheduleLabelColours);
}

void MainWindow::StartClicked() {
  if (RunActive() || state_.RunMode != ModeSchedule) return;
  RunFromWindow([&] {
    FormToParams();
    // The checks of a run outside the test mode read the probabilistic
    // train parameters as well.
    LoadProbTrainParams(state_);
    const double scale = picture_.PixelsPerKm;
    SetScale(picture_, state_.Params.ZoneLength.Get());
    if (StartScheduleRun(state_, schedulePanel_->SelectedFile()) == RunOutcome::Refused)
      picture_.PixelsPerKm = scale;
  });
}

}  // namespace tps::ui
