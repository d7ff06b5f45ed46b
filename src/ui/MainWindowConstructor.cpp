// "Конструктор схем": the scheme constructor window, opened from the schedule
// mode on the schedule selected in the panel, and the schedule run of the
// user circuit it starts.
#include "circuit/constructor.h"
#include "driver/constructor_run.h"
#include "driver/draw.h"
#include "driver/runs.h"
#include "ui/ConstructorWindow.h"
#include "ui/MainWindow.h"
#include "ui/SchedulePanel.h"

namespace tps::ui {

ConstructorWindow* MainWindow::Constructor() {
  if (!constructor_) {
    constructor_ = new ConstructorWindow(state_, this);
    constructor_->guard = [this](const std::function<void()>& c) { return Guard(c); };
    constructor_->startRun = [this] {
      RunOutcome outcome = RunOutcome::Refused;
      RunFromWindow([&] {
        FormToParams();
        LoadProbTrainParams(state_);
        SetScale(picture_, state_.Params.ZoneLength.Get());
        outcome = StartConstructorRun(state_, schedulePanel_->SelectedFile());
      });
      return outcome;
    };
  }
  return constructor_;
}

void MainWindow::ConstructorChosen() {
  if (RunActive() || state_.RunMode != ModeSchedule) return;
  bool open = false;
  Guard([&] {
    FormToParams();
    open = OpenConstructor(state_, schedulePanel_->SelectedFile());
  });
  schedulePanel_->ShowColours(state_.ScheduleLabelColours);
  if (open) Constructor()->Open();
  state_.RunMode = ModeSchedule;
  UpdateControls();
}

}  // namespace tps::ui
