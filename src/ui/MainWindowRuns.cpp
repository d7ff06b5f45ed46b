// The runs of the test mode from the main window: the batch launch, the
// pause, the results, the mode menu, the clock row and the enabled state of
// the controls.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QListWidget>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTime>
#include <cmath>
#include <QTabBar>
#include <QToolButton>

#include "driver/probrun.h"
#include "driver/progress.h"
#include "driver/runs.h"
#include "driver/testrun.h"
#include "charts/report.h"
#include "chartpaint/ChartPainter.h"
#include "chartpaint/ReportPdf.h"
#include "solver/norms.h"
#include "solver/steprows.h"
#include "solver/report.h"
#include "ui/Anchors.h"
#include "ui/Keyboard.h"
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
  // The pace of the run is measured from here; a resumed run from where it stood.
  runFrom_ = RunFraction(state_.StepCount, state_.StepsPlanned);
  runClock_.start();
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
  if (Guard([&] { lines = WriteTotals(state_); })) result_->Open(lines, NormComplianceLines(NormsOf(state_)));
}

void MainWindow::SaveStepsClicked() {
  if (!stepRows_ || stepRows_->Steps() == 0) {
    ShowError("Нет данных по шагам: последний расчёт не решал потенциалы узлов (построение графиков выключено)");
    return;
  }
  const QString file = QFileDialog::getSaveFileName(result_, QString::fromUtf8("Сохранить по шагам"),
                                                    QStringLiteral("steps.csv"), QStringLiteral("CSV (*.csv)"));
  if (file.isEmpty()) return;
  if (Guard([&] {
        const std::string& text = stepRows_->Text();
        paint::SaveBytes(file.toStdString(), QByteArray(text.data(), static_cast<qsizetype>(text.size())));
      }) &&
      stepRows_->Truncated())
    state_.Message(MsgKind::Warning, "Сохранены первые " + std::to_string(stepRows_->Steps()) +
                                         " шагов: остальные не поместились в память окна (расчёт целиком — "
                                         "tpscalc-cli --steps)");
}

void MainWindow::SaveReportClicked() {
  const QString file = QFileDialog::getSaveFileName(result_, QString::fromUtf8("Сохранить отчёт"),
                                                    QStringLiteral("report.html"),
                                                    QStringLiteral("HTML (*.html);;PDF (*.pdf)"));
  if (file.isEmpty()) return;
  Guard([&] {
    // The last block of totals the result window shows ("ИТОГО" and below).
    std::vector<std::string> totals;
    const QListWidget* list = result_->List();
    int from = 0;
    for (int k = 0; k < list->count(); ++k)
      if (list->item(k)->text().contains(QString::fromUtf8("ИТОГО"))) from = k;
    for (int k = from; k < list->count(); ++k) totals.push_back(list->item(k)->text().toStdString());
    const ReportDocument d = RunReportDocument(state_, totals, TPS_VERSION);
    if (file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) {
      paint::SaveReportPdf(file.toStdString(), d);
    } else {
      const std::string html = ReportHtml(d);
      paint::SaveBytes(file.toStdString(), QByteArray(html.data(), static_cast<qsizetype>(html.size())));
    }
  });
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

void MainWindow::BuildStatusBar() {
  runProgress_ = new QProgressBar(this);
  runProgress_->setObjectName("runProgress");
  runProgress_->setRange(0, 1000);
  runProgress_->setTextVisible(true);
  runProgress_->setMaximumWidth(220);
  runEnd_ = new QLabel(this);
  runEnd_->setObjectName("runEnd");
  statusBar()->addWidget(runProgress_, 1);
  statusBar()->addWidget(runEnd_, 2);
  statusBar()->setSizeGripEnabled(true);
  runProgress_->hide();
  runEnd_->hide();
}

void MainWindow::ShowProgress() {
  if (!runProgress_) return;
  const bool schedule = state_.RunMode == ModeSchedule, prob = state_.RunMode == ModeProb;
  const bool paused = ScheduleRunPaused(state_) || (prob && state_.PauseRequested && state_.StepCount != 0);
  const bool shown = (running_ || paused) && (schedule || prob) && state_.StepsPlanned != 0;
  if (shown != runShown_) {
    runShown_ = shown;
    runProgress_->setVisible(shown);
    runEnd_->setVisible(shown);
  }
  if (!shown) return;
  const double part = RunFraction(state_.StepCount, state_.StepsPlanned);
  runProgress_->setValue(static_cast<int>(std::lround(part * 1000)));
  runProgress_->setFormat(QString::fromStdString(PercentText(part, 0)));
  std::string end;
  if (paused && !running_) {
    end = "Пауза: \"Старт иммитации\" продолжит расчёт";
  } else {
    const double left = SecondsLeft(part, runFrom_, runClock_.elapsed() / 1000.0);
    end = ExpectedEndText(left, QTime::currentTime().msecsSinceStartOfDay() / 1000.0);
  }
  runEnd_->setText(QString::fromStdString(end));
}

void MainWindow::ShowClock() {
  ShowProgress();
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
  // A paused schedule run keeps the zone, the scheme and the schedule it
  // runs: only Start (to continue) is offered.
  const bool paused = ScheduleRunPaused(state_);
  const bool locked = run || paused;
  // A test or probabilistic run that is paused or made step by step goes on
  // with the next Start too: nothing that would change its scheme, zone or
  // step may change before.
  const bool held = locked || RunUnderWay(state_);

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
  // In the schedule mode the schedule panel takes half the extra height.
  panelAnchors_->SetShare(schedule ? 0.5 : 0);
  actConstructor_->setEnabled(schedule && chosen && !locked);
  schedulePanel_->setEnabled(!locked);
  buttonAdd1_->setEnabled(chosen && test && !locked);
  buttonAdd2_->setEnabled(chosen && test && fields_.Track2TrainsEnabled && !locked);
  buttonRemove1_->setEnabled(chosen && !locked);
  buttonRemove2_->setEnabled(chosen && fields_.Track2TrainsEnabled && !locked);
  buttonClearAll_->setEnabled(chosen && !locked);
  // The batch launch never pauses; a running schedule run does.
  buttonPause_->setEnabled(schedule && running_ && !state_.PauseRequested);
  buttonBatch_->setEnabled(!locked);
  buttonResults_->setVisible(state_.Controls.ResultsVisible);
  // The totals of a run under way would be appended above its real ones.
  buttonResults_->setEnabled(!held);
  // The window runs to the end only schedules; the step-by-step run does not
  // exist for them.
  buttonStart_->setEnabled(schedule && chosen && !run);
  buttonStep_->setEnabled(false);

  actSave_->setEnabled(chosen && !locked);
  actTestMode_->setEnabled(!locked);
  actTestMode_->setChecked(test);
  actScheduleMode_->setEnabled(!locked);
  actScheduleMode_->setChecked(schedule);
  buttonModeTest_->setEnabled(!locked);
  buttonModeTest_->setChecked(test);
  buttonModeSchedule_->setEnabled(!locked);
  buttonModeSchedule_->setChecked(schedule);
  actNetwork_->setEnabled(chosen && !held);
  actAc_->setEnabled(fields_.AcMenu && !held);
  menuCatalogues_->setEnabled(!held);
  UpdateProbControls();
  if (paused) {
    for (QAction* a : {actTestMode_, actProbMode_, actScheduleMode_}) a->setEnabled(false);
    for (QToolButton* b : {buttonModeTest_, buttonModeProb_, buttonModeSchedule_}) b->setEnabled(false);
  }
  UpdateChartButtons();
  if (paused)
    for (QToolButton* b : chartButtons_)
      if (b) b->setEnabled(false);
  UpdateRunMenu();
  ShowProgress();
  // The panels of the mode have changed places: Tab follows what is shown.
  SetReadingTabOrder(this);
}

void MainWindow::UpdatePicture() {
  SyncTrainMarks(picture_, state_);
  pictureWidget_->SetPicture(BuildSchemePicture(picture_, state_, pictureWidget_->Metrics()));
}

}  // namespace tps::ui
