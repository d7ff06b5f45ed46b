// The life of the main window, its notices from the engine, and the copying
// between its fields and the parameter block.
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QToolButton>

#include "driver/testrun.h"
#include "params/catalogue.h"
#include "params/errors.h"
#include "params/lifecycle.h"
#include "params/persist.h"
#include "solver/steprows.h"
#include "ui/AcWindow.h"
#include "ui/Anchors.h"
#include "ui/CaptionLabel.h"
#include "ui/Keyboard.h"
#include "ui/CatalogueWindow.h"
#include "ui/NetworkWindow.h"
#include "ui/ResultWindow.h"
#include "ui/SchedulePanel.h"
#include "ui/SchemePictureWidget.h"

namespace tps::ui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QLineEdit* e) { return e->text().toStdString(); }
}  // namespace

MainWindow::MainWindow(QWidget* parent) : MainWindow(WorkDir(), parent) {}

MainWindow::MainWindow(const WorkDir& work, QWidget* parent) : QMainWindow(parent) {
  state_.Work = work;
  Init();
}

void MainWindow::Init() {
  setWindowTitle(QString::fromUtf8("Расчет схем электроснабжения матричным методом "));
  host_ = std::make_unique<QtHost>(this);
  host_->onNotify = [this](Changed c) { OnNotify(c); };
  state_.Host = host_.get();
  // Every step of a run of the window kept as rows, up to 64 MB of text (a
  // longer run keeps its first steps).
  stepRows_ = std::make_unique<StepRowsRecorder>(StepRowsFormat::Csv, size_t(64) << 20);
  state_.StepRows = stepRows_.get();
  QFont f = font();
  f.setPointSize(8);
  setFont(f);

  BuildMenus();
  BuildControls();
  pictureWidget_->SetWorkDir(state_.Work);
  pictureWidget_->onBitmapMissing = [this](const std::string& name) {
    ShowError("Не удалось загрузить рисунок " + name);
  };

  // The secondary windows, created hidden in the program's order.
  result_ = new ResultWindow(this);
  connect(result_->SaveStepsButton(), &QPushButton::clicked, this, &MainWindow::SaveStepsClicked);
  connect(result_->SaveReportButton(), &QPushButton::clicked, this, &MainWindow::SaveReportClicked);
  ac_ = new AcWindow(this);
  network_ = new NetworkWindow(this);
  catalogue_ = new CatalogueWindow(this);
  BuildChartControls();
  BuildScheduleEditor();

  ConnectSignals();
  BuildRunMenu();
  BuildStatusBar();
  AnchorControls();
  // At its smallest the window is the fixed form of old; it may grow and be
  // maximised.
  resize(centralWidget()->width(), centralWidget()->height() + menuBar()->sizeHint().height() +
                                        statusBar()->sizeHint().height());
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    QRect r = s->availableGeometry();
    move(r.center() - QRect(QPoint(0, 0), size()).center());
  }
  KeepReadingTabOrder(this);

  // Creation of the state: empty report, no scheme, no trains, test mode,
  // the conductor defaults; then the empty single-track picture.
  Guard([&] { StartUp(state_); });
  picture_ = CreateSchemePicture();
  FillStepList();
  ParamsToForm();
  ApplyFieldsForCode(0, true);
  ShowCaption();
  ShowTrainLists();
  ShowClock();
  UpdateControls();
  UpdatePicture();
}

MainWindow::~MainWindow() {
  state_.Host = nullptr;
  state_.StepRows = nullptr;
  try {
    ShutDown(state_);
  } catch (...) {
    // The report is gone with the window either way; nothing is left to tell.
  }
}

void MainWindow::AnchorControls() {
  QWidget* central = centralWidget();
  // Buttons and boxes as high as the desktop's font needs, a few pixels at
  // most (their places leave that much room).
  for (QAbstractButton* b : central->findChildren<QAbstractButton*>()) {
    const int need = b->sizeHint().height();
    if (b->height() < need) b->resize(b->width(), std::min(need, b->height() + 3));
  }
  central->setMinimumSize(central->size());
  centralAnchors_->Freeze();
  panelAnchors_->Freeze();
  // The picture stretches with the window: the zone and its km with it.
  pictureWidget_->onResized = [this](int width) {
    SetPictureWidth(picture_, width);
    UpdatePicture();
  };
}

void MainWindow::ConnectSignals() {
  connect(actSave_, &QAction::triggered, this, [this] {
    if (state_.SchemeVariant != 0) Guard([&] { SaveSchemeState(); });
  });
  ConnectCommands();
  connect(actTestMode_, &QAction::triggered, this, [this] { TestModeChosen(); });
  connect(actScheduleMode_, &QAction::triggered, this, [this] { ScheduleModeChosen(); });
  connect(buttonModeTest_, &QToolButton::clicked, this, [this] { TestModeChosen(); });
  connect(buttonModeSchedule_, &QToolButton::clicked, this, [this] { ScheduleModeChosen(); });
  connect(buttonStart_, &QPushButton::clicked, this, [this] { StartClicked(); });
  schedulePanel_->onFileClicked = [this] { ScheduleFileClicked(); };
  schedulePanel_->onDeleteClicked = [this] { DeleteScheduleClicked(); };
  ConnectProbSignals();
  connect(actFastCalc_, &QAction::toggled, this, [this](bool on) { state_.Options.FastCalc = on; });
  connect(actVaryCurrents_, &QAction::toggled, this,
          [this](bool on) { state_.VaryTrainCurrents = on; });
  connect(actCharts_, &QAction::toggled, this, [this](bool on) { state_.Options.BuildCharts = on; });
  connect(actWriteMatrices_, &QAction::toggled, this,
          [this](bool on) { state_.Options.WriteMatrices = on; });
  connect(actNetwork_, &QAction::triggered, this, [this] { OpenNetworkWindow(); });
  connect(actAc_, &QAction::triggered, this, [this] { OpenAcWindow(); });

  connect(tabBar_, &QTabBar::currentChanged, this, [this](int) { SchemeChanged(true, true); });
  connect(radioDc_, &QRadioButton::clicked, this, [this] { SchemeChanged(false, true); });
  connect(radioAc_, &QRadioButton::clicked, this, [this] { SchemeChanged(false, true); });
  for (QCheckBox* b : {box1_, box2_, box3_})
    connect(b, &QCheckBox::clicked, this, [this] { SchemeChanged(false, false); });
  radioDc_->installEventFilter(this);
  radioAc_->installEventFilter(this);

  connect(editZone_, &QLineEdit::editingFinished, this, [this] { ZoneLengthExit(); });
  connect(editPsk_, &QLineEdit::editingFinished, this, [this] { PostExit(0); });
  connect(editPps1_, &QLineEdit::editingFinished, this, [this] { PostExit(1); });
  connect(editPps2_, &QLineEdit::editingFinished, this, [this] { PostExit(2); });
  connect(checkU_, &QCheckBox::clicked, this, [this] { RandomSwitchClicked(); });
  connect(checkD_, &QCheckBox::clicked, this, [this] { RandomSwitchClicked(); });
  connect(labelCaption_, &CaptionLabel::clicked, this, [this] {
    if (actNetwork_->isEnabled()) OpenNetworkWindow();
  });
  connect(comboStep_, &QComboBox::activated, this, [this](int) { StepListChosen(); });

  connect(buttonAdd1_, &QPushButton::clicked, this, [this] { AddTrainClicked(1); });
  connect(buttonAdd2_, &QPushButton::clicked, this, [this] { AddTrainClicked(2); });
  connect(buttonRemove1_, &QPushButton::clicked, this, [this] { RemoveTrainClicked(1); });
  connect(buttonRemove2_, &QPushButton::clicked, this, [this] { RemoveTrainClicked(2); });
  connect(buttonClearAll_, &QPushButton::clicked, this, [this] { ClearAllClicked(); });
  connect(buttonBatch_, &QPushButton::clicked, this, [this] { BatchClicked(); });
  connect(buttonPause_, &QPushButton::clicked, this, [this] { PauseClicked(); });
  connect(buttonResults_, &QPushButton::clicked, this, [this] { ResultsClicked(); });
}

bool MainWindow::Guard(const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const IoError& e) {
    ShowError(e.what());
  } catch (const ConvertError& e) {
    ShowError(e.what());
  } catch (const SingularError& e) {
    ShowError(e.what());
  } catch (const ProgramError& e) {
    ShowError(e.what());
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  return false;
}

void MainWindow::ShowError(const std::string& text) { host_->ShowMessage(MsgKind::Error, text, MsgButtons::Ok); }

void MainWindow::OnNotify(Changed c) {
  switch (c) {
    case Changed::Trains: ShowTrainLists(); break;
    case Changed::Fields: ParamsToForm(); break;
    case Changed::Labels:
      ShowCaption();
      labelLoss_->setText(Q(state_.LossFieldText));
      ShowClock();
      break;
    case Changed::Picture:
      // The posts follow their places in the parameter block (a placement
      // task moves them there).
      PostsFromParams();
      UpdatePicture();
      break;
    case Changed::Controls: UpdateControls(); break;
    case Changed::Clock: ShowClock(); break;
  }
}

void MainWindow::FormToParams() {
  TParamBlock& p = state_.Params;
  p.ZoneLength.Set(S(editZone_));
  p.UaRe.Set(S(editUaRe_));
  p.UaIm.Set(S(editUaIm_));
  p.UbRe.Set(S(editUbRe_));
  p.UbIm.Set(S(editUbIm_));
  p.TrainActive.Set(S(editActive_));
  p.TrainReactive.Set(S(editReactive_));
  p.TrainSpeed.Set(S(editSpeed_));
  p.TrainKm.Set(S(editKm_));
  p.StepMinutes.Set(comboStep_->currentText().toStdString());
  p.BatchTrains.Set(S(editBatchTrains_));
  p.BatchInterval.Set(S(editBatchInterval_));
  // Hidden post fields keep the parameter block's values.
  if (!editPsk_->isHidden()) p.PskKm.Set(S(editPsk_));
  if (!editPps1_->isHidden()) p.Pps1Km.Set(S(editPps1_));
  if (!editPps2_->isHidden()) p.Pps2Km.Set(S(editPps2_));
  p.TrainType.Set(comboType_->currentText().toStdString());
  network_->FormToParams(p);
  ApplyFormRules(p);

  state_.Scheme = ReadSchemeControls();
  VoltagePanel& v = state_.Voltages;
  v.RandU = checkU_->isChecked();
  v.RandD = checkD_->isChecked();
  v.MeanU = S(editMeanU_);
  v.DevU = S(editDevU_);
  v.MeanD = S(editMeanD_);
  v.DevD = S(editDevD_);
}

void MainWindow::ParamsToForm() {
  const TParamBlock& p = state_.Params;
  editZone_->setText(Q(p.ZoneLength.Get()));
  editUaRe_->setText(Q(p.UaRe.Get()));
  editUaIm_->setText(Q(p.UaIm.Get()));
  editUbRe_->setText(Q(p.UbRe.Get()));
  editUbIm_->setText(Q(p.UbIm.Get()));
  editActive_->setText(Q(p.TrainActive.Get()));
  editReactive_->setText(Q(p.TrainReactive.Get()));
  editSpeed_->setText(Q(p.TrainSpeed.Get()));
  editKm_->setText(Q(p.TrainKm.Get()));
  SetStepText(p.StepMinutes.Get());
  editBatchTrains_->setText(Q(p.BatchTrains.Get()));
  editBatchInterval_->setText(Q(p.BatchInterval.Get()));
  editPsk_->setText(Q(p.PskKm.Get()));
  editPps1_->setText(Q(p.Pps1Km.Get()));
  editPps2_->setText(Q(p.Pps2Km.Get()));
  const int type = comboType_->findText(Q(p.TrainType.Get()));
  if (type >= 0) comboType_->setCurrentIndex(type);
  network_->ShowParams(p);
  if (ac_->isVisible()) ac_->ParamsToAcForm();
}

void MainWindow::SaveSchemeState() {
  FormToParams();
  SaveState(state_, SchemeCode(state_.SchemeVariant));
}

void MainWindow::ShowCaption() { labelCaption_->setText(Q(ShowSchemeCaption(state_))); }

void MainWindow::ReloadConductorTables() {
  LoadConductorTables(state_, SchemeCode(state_.SchemeVariant));
  network_->FillLists();
  FillStepList();
}

void MainWindow::OpenNetworkWindow() {
  if (RunActive()) return;
  network_->FillLists();
  network_->ShowParams(state_.Params);
  network_->setModal(true);
  network_->show();
  network_->raise();
}

void MainWindow::OpenAcWindow() {
  if (RunActive()) return;
  ac_->ParamsToAcForm();
  ac_->show();
  ac_->raise();
  hide();
}

void MainWindow::OpenCatalogue(int index) {
  if (RunActive()) return;
  Guard([&] { catalogue_->Open(index); });
}

void MainWindow::PostsFromParams() {
  const TParamBlock& p = state_.Params;
  const std::string places[3] = {p.PskKm.Get(), p.Pps1Km.Get(), p.Pps2Km.Get()};
  for (int k = 0; k < 3; ++k)
    if (picture_.Posts[k].Visible) PlacePostFromText(picture_, k, places[k]);
}

void MainWindow::ShowStudyRun(const AppState& run) {
  const TParamBlock& p = run.Params;
  const std::string places[3] = {p.PskKm.Get(), p.Pps1Km.Get(), p.Pps2Km.Get()};
  for (int k = 0; k < 3; ++k)
    if (picture_.Posts[k].Visible) PlacePostFromText(picture_, k, places[k]);
  SyncTrainMarks(picture_, run);
  pictureWidget_->SetPicture(BuildSchemePicture(picture_, run, pictureWidget_->Metrics()));
  editCounter_->setText(QString::number(run.StepCount));
  std::string time;
  if (Guard([&] { time = FormatRunTime(run.ModelTime); }))
    editTime_->setText(QString::fromStdString(time == "0" ? "00:00:00:00" : time));
}

bool MainWindow::RunActive() const { return running_ || state_.Controls.RunActive; }

void MainWindow::closeEvent(QCloseEvent* e) {
  // A batch is a loop on this very window's stack: the window closes as soon
  // as the run has ended instead of being destroyed under it.
  if (RunActive()) {
    closeAfterRun_ = true;
    e->ignore();
    return;
  }
  if (ac_) ac_->hide();
  e->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == radioDc_ || watched == radioAc_) && event->type() == QEvent::FocusIn)
    ResetRunTotals(state_);
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace tps::ui
