// The test and probabilistic modes of the main window: "Вероятностный
// расчет" and its speed button, the probabilistic panel with the parameter
// form, "Старт иммитации" and "Пошаговая иммитация" in these two modes with
// "Пауза", and "Запись вероятностного ГДП". A run pumps the window once per
// step: the counter, the clock, the train lists and the picture follow it,
// and only "Пауза" stays enabled.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "driver/draw.h"
#include "driver/probrun.h"
#include "driver/runs.h"
#include "params/conv.h"
#include "traffic/randomflow.h"
#include "ui/MainWindow.h"
#include "ui/ProbPanel.h"
#include "ui/ProbParamsWindow.h"

namespace tps::ui {

namespace {

bool TestOrProb(const AppState& st) {
  return st.RunMode == ModeTest || st.RunMode == ModeProb;
}

}  // namespace

void MainWindow::BuildProbControls(QWidget* central, QWidget* panel, int left, int width) {
  probPanel_ = new ProbPanel(panel, width, 116);
  probPanel_->move(left, 2);
  probPanel_->hide();
  probParams_ = new ProbParamsWindow(this);

  actProbMode_ = new QAction(QString::fromUtf8("&Вероятностный расчет"), this);
  actProbMode_->setObjectName("actProbMode");
  actProbMode_->setCheckable(true);
  if (auto* mode = qobject_cast<QMenu*>(actScheduleMode_->parent()))
    mode->insertAction(actScheduleMode_, actProbMode_);

  buttonModeProb_ = new QToolButton(central);
  buttonModeProb_->setObjectName("buttonModeProb");
  buttonModeProb_->setText(QString::fromUtf8("Вер"));
  buttonModeProb_->setToolTip(QString::fromUtf8("Вероятностный режим"));
  buttonModeProb_->setCheckable(true);
  const QRect s = buttonModeSchedule_->geometry();
  buttonModeProb_->setGeometry(s.right() + 3, s.y(), std::max(36, buttonModeProb_->sizeHint().width()),
                               s.height());
}

void MainWindow::ConnectProbSignals() {
  connect(actProbMode_, &QAction::triggered, this, [this] { ProbModeChosen(); });
  connect(buttonModeProb_, &QToolButton::clicked, this, [this] { ProbModeChosen(); });
  // The schedule mode's Start is its own handler; this one serves the test
  // and probabilistic modes.
  connect(buttonStart_, &QPushButton::clicked, this, [this] { StartTestProbClicked(); });
  connect(buttonStep_, &QPushButton::clicked, this, [this] { StepClicked(); });
  probPanel_->onIntervalEdited = [this] { IntervalEdited(); };
  probPanel_->onPeriodChosen = [this] { PeriodChosen(); };
  probPanel_->onParamsClicked = [this] { ProbParamsClicked(); };
  probPanel_->onRecordClicked = [this] { RecordClicked(); };
  askRecordName = [this]() -> std::string {
    bool ok = false;
    const QString name = QInputDialog::getText(this, QString::fromUtf8("Запись вероятностного ГДП"),
                                               QString::fromUtf8("Имя файла ГДП"), QLineEdit::Normal,
                                               QStringLiteral("prob.gdp"), &ok);
    return ok ? name.trimmed().toStdString() : std::string();
  };
}

void MainWindow::ProbModeChosen() {
  if (RunActive() || state_.RunMode == ModeProb || !LeaveRunUnderWay()) {
    UpdateControls();
    return;
  }
  ProbPanelToState();
  EnterProbMode(state_);
  probPanel_->ShowNmax(state_.Flow.NmaxText);
  UpdateControls();
}

void MainWindow::ProbPanelToState() {
  state_.Prob.MinInterval = probPanel_->Interval();
  state_.Prob.Period = probPanel_->Period();
  state_.Prob.WaitTrains = probPanel_->Wait();
}

void MainWindow::IntervalEdited() {
  state_.Prob.MinInterval = probPanel_->Interval();
  FilterMinInterval(state_);
  probPanel_->ShowInterval(state_.Prob.MinInterval);
  probPanel_->ShowNmax(state_.Flow.NmaxText);
}

void MainWindow::PeriodChosen() {
  state_.Prob.Period = probPanel_->Period();
  UpdateNmax(state_);
  probPanel_->ShowNmax(state_.Flow.NmaxText);
}

void MainWindow::ProbParamsClicked() {
  if (NmaxValue(state_) < 0) {
    state_.Message(MsgKind::Error, "Не определено максимальное количество поездов");
    return;
  }
  probParams_->Open();
}

void MainWindow::RecordClicked() {
  if (RunActive()) return;
  if (!state_.Flow.RecordComplete) {
    // The engine says why nothing is written.
    Guard([&] { SaveProbSchedule(state_, "prob.gdp"); });
    return;
  }
  std::string name = askRecordName ? askRecordName() : std::string();
  if (name.empty()) return;
  const std::string lower = LowerName(name);
  if (lower.size() < 4 || lower.compare(lower.size() - 4, 4, ".gdp") != 0) name += ".gdp";
  if (name.find_first_of("\\/:*?\"<>|") != std::string::npos || name.size() <= 4) {
    state_.Message(MsgKind::Warning, "Имя файла ГДП '" + name +
                                         "' не годится: нужно имя без папки и знаков \\ / : * ? \" < > |");
    return;
  }
  Guard([&] { SaveProbSchedule(state_, name); });
}

void MainWindow::StartTestProbClicked() {
  if (RunActive() || !TestOrProb(state_)) return;
  // Only these runs watch "Пауза".
  pausable_ = true;
  RunFromWindow([&] {
    FormToParams();
    ProbPanelToState();
    // The checks outside the test mode read the train parameters of the flow file.
    if (state_.RunMode == ModeProb) LoadProbTrainParams(state_);
    const double scale = picture_.PixelsPerKm;
    SetScale(picture_, state_.Params.ZoneLength.Get());
    if (StartRun(state_) == RunOutcome::Refused) picture_.PixelsPerKm = scale;
  });
  pausable_ = false;
  UpdateControls();
}

void MainWindow::StepClicked() {
  if (RunActive() || !TestOrProb(state_)) return;
  RunFromWindow([&] {
    FormToParams();
    ProbPanelToState();
    if (state_.RunMode == ModeProb) LoadProbTrainParams(state_);
    SetScale(picture_, state_.Params.ZoneLength.Get());
    StepRun(state_);
  });
}

void MainWindow::UpdateProbControls() {
  const bool run = RunActive();
  const bool chosen = state_.SchemeVariant != 0;
  const bool prob = state_.RunMode == ModeProb;
  const bool underWay = RunUnderWay(state_);
  probPanel_->setVisible(prob);
  probPanel_->setEnabled(!run && !underWay);
  probPanel_->ShowNmax(state_.Flow.NmaxText);
  if (TestOrProb(state_)) {
    buttonStart_->setEnabled(chosen && !run);
    buttonStep_->setEnabled(chosen && !run);
    // Only a running test or probabilistic run watches "Пауза" ("Пуск
    // пакета" does not).
    buttonPause_->setEnabled(running_ && pausable_ && !state_.PauseRequested);
  }
  // The mode buttons come back while a run is paused or stepped; choosing
  // another mode then gives the run up (it is asked first).
  const bool modes = !run;
  for (QAction* a : {actTestMode_, actProbMode_, actScheduleMode_}) a->setEnabled(modes);
  for (QToolButton* b : {buttonModeTest_, buttonModeProb_, buttonModeSchedule_}) b->setEnabled(modes);
  actProbMode_->setChecked(prob);
  buttonModeProb_->setChecked(prob);
  if (underWay) buttonBatch_->setEnabled(false);
}

}  // namespace tps::ui
