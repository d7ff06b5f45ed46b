// The main window: owns the program's state, shows it, and turns every
// control into one engine operation. Its code is split by area:
// MainWindow.cpp (life, notices, fields <-> parameter block),
// MainWindowLayout.cpp (controls and menus), MainWindowScheme.cpp (scheme
// controls, zone and post fields, caption, voltage switches),
// MainWindowTrains.cpp (train lists and buttons), MainWindowRuns.cpp (batch
// launch, pause, results, options, clock, enabled state),
// MainWindowSchedule.cpp (the schedule mode: its panel and its run).
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "circuit/schemes.h"
#include "driver/draw.h"
#include "params/state.h"
#include "ui/QtHost.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabBar;
class QToolButton;

namespace tps::ui {

class AcWindow;
class AnchorLayout;
class CaptionLabel;
class CatalogueWindow;
class ChartOptionsDialog;
class ChartWindow;
class NormsDialog;
class ConstructorWindow;
class NetworkWindow;
class ProbPanel;
class ProbParamsWindow;
class ResultWindow;
class SchedulePanel;
class ScheduleEditor;
class SchemePictureWidget;
class StatisticsDialog;
class PlacementDialog;
class CompareDialog;
}  // namespace tps::ui
namespace tps {
class StepRowsRecorder;
}  // namespace tps
namespace tps::ui {

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // Works below the current directory.
  explicit MainWindow(QWidget* parent = nullptr);
  explicit MainWindow(const WorkDir& work, QWidget* parent = nullptr);
  ~MainWindow() override;

  AppState& State() { return state_; }
  const PictureState& PictureGeometry() const { return picture_; }
  SchemePictureWidget* PictureWidget() const { return pictureWidget_; }
  NetworkWindow* Network() const { return network_; }
  AcWindow* Ac() const { return ac_; }
  ResultWindow* Result() const { return result_; }
  CatalogueWindow* Catalogue() const { return catalogue_; }
  ChartWindow* Charts() const { return chartWindow_; }
  // Opens the chart of `kind` as its button does: nothing when its data is missing.
  void OpenChart(int kind);

  // Runs a command and shows any failure of the engine (file, number,
  // singular system, misuse) in the error box instead of ending the program.
  bool Guard(const std::function<void()>& command);
  // A run started from a button: the controls that could start another go
  // dark while it runs; whether it ended, was refused or failed, they come
  // back with the trains, the clock, the picture and the schedule labels. A
  // close asked for during the run is carried out at its end.
  void RunFromWindow(const std::function<void()>& run);
  void ShowError(const std::string& text);

  // Copies every visible field of the windows into the parameter block and
  // the window inputs of the state, and back.
  void FormToParams();
  void ParamsToForm();
  // FormToParams, then the parameter block saved as the state of the scheme.
  void SaveSchemeState();
  // The scheme caption label from the parameter block.
  void ShowCaption();
  // The conductor tables of the scheme's current kind into the lists.
  void ReloadConductorTables();
  // Opens the traction-network window (modal) and the AC window (hiding this one).
  void OpenNetworkWindow();
  void OpenAcWindow();
  void OpenCatalogue(int index);
  bool RunActive() const;
  // "Визуализация" of a study: the picture, the counter and the clock of the
  // run under way, from a copy of its state.
  void ShowStudyRun(const AppState& run);

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Init();
  // Layout.
  void BuildMenus();
  void BuildControls();
  void BuildTrainArea(QWidget* panel);
  void BuildVoltagePanel(QWidget* panel, int left);
  void BuildTrainPanel(QWidget* panel, int left, int width);
  void ConnectSignals();
  // How the controls follow a window larger than its smallest: the picture
  // and the panel take the width, the train lists (and in the schedule mode
  // the schedule panel) the height.
  void AnchorControls();
  // The menu "Пуск": the run commands and the charts, with their shortcuts.
  void BuildRunMenu();
  void UpdateRunMenu();
  // The progress of a schedule or probabilistic run in the status bar.
  void BuildStatusBar();
  void ShowProgress();

  // Scheme controls.
  SchemeControls ReadSchemeControls() const;
  void SchemeChanged(bool tabChanged, bool clearBoxes);
  void ApplyFieldsForCode(int code, bool reset);
  void ShowBoxCaptions();
  void ZoneLengthExit();
  void PostExit(int post);
  void RandomSwitchClicked();
  void SetStepText(const std::string& text);
  void FillStepList();

  // Trains.
  void AddTrainClicked(int track);
  void RemoveTrainClicked(int track);
  void ClearAllClicked();
  void ShowTrainLists();

  // Runs.
  void BatchClicked();
  void PauseClicked();
  void ResultsClicked();
  // "Сохранить по шагам…" and "Сохранить отчёт…" of the result window.
  void SaveStepsClicked();
  void SaveReportClicked();
  void StepListChosen();
  void TestModeChosen();
  // Before another mode: a run paused or stepped is given up if the user
  // agrees; false when he does not.
  bool LeaveRunUnderWay();
  void ShowClock();
  void UpdateControls();
  void UpdatePicture();
  // The post markers at the places the parameter block holds.
  void PostsFromParams();
  void OnNotify(Changed c);

  // The schedule mode.
  void BuildRunButtons(QWidget* central);
  void ScheduleModeChosen();
  void ScheduleFileClicked();
  void DeleteScheduleClicked();
  void StartClicked();
  // The list again with its first schedule selected and shown.
  void ShowScheduleList();
  // The silent schedule check after a change of the zone, the scheme or the
  // step: only the value labels of the panel change colour.
  void CheckScheduleSilently();

  // The test and probabilistic runs, the probabilistic panel and its form,
  // the record of a probabilistic run (MainWindowProb.cpp).
 public:
  ProbPanel* Prob() const { return probPanel_; }
  ProbParamsWindow* ProbParams() const { return probParams_; }
  // The name of the schedule "Запись вероятностного ГДП" writes; empty: none.
  std::function<std::string()> askRecordName;

 private:
  void BuildProbControls(QWidget* central, QWidget* panel, int left, int width);
  void ConnectProbSignals();
  void ProbModeChosen();
  void ProbPanelToState();
  void IntervalEdited();
  void PeriodChosen();
  void ProbParamsClicked();
  void RecordClicked();
  void StartTestProbClicked();
  void StepClicked();
  void UpdateProbControls();
  ProbPanel* probPanel_ = nullptr;
  ProbParamsWindow* probParams_ = nullptr;
  QToolButton* buttonModeProb_ = nullptr;
  QAction* actProbMode_ = nullptr;
  // The charts (MainWindowCharts.cpp): the row of opening buttons, the menu
  // items of the two option dialogs, the windows and the loss label's click.
  void BuildChartControls();
  void UpdateChartButtons();
  ChartWindow* chartWindow_ = nullptr;
  NormsDialog* normsDialog_ = nullptr;
  ChartOptionsDialog* chartOptions_ = nullptr;
  QToolButton* chartButtons_[6] = {};

  // The study dialogs of the menu "Задачи" (MainWindowTasks.cpp).
 public:
  // The schedule selected in the schedule panel.
  std::string SelectedSchedule() const;
  // The fields and the panel of the mode into the state, and the train
  // parameters of the flow file the input checks of a run read.
  void PrepareStudy();
  StatisticsDialog* Statistics() const { return statistics_; }
  PlacementDialog* PskTask() const { return pskTask_; }
  PlacementDialog* PpsTask() const { return ppsTask_; }
  CompareDialog* CompareTask() const { return compare_; }

 private:
  void BuildTaskMenu();
  void UpdateTaskMenu();
  QMenu* menuTasks_ = nullptr;
  QAction* actPskTask_ = nullptr;
  QAction* actPpsTask_ = nullptr;
  QAction* actStatistics_ = nullptr;
  StatisticsDialog* statistics_ = nullptr;
  PlacementDialog* pskTask_ = nullptr;
  PlacementDialog* ppsTask_ = nullptr;
  QAction* actCompare_ = nullptr;
  CompareDialog* compare_ = nullptr;

  AppState state_;
  std::unique_ptr<QtHost> host_;
  // The rows of every step of the last run, for "Сохранить по шагам…".
  std::unique_ptr<StepRowsRecorder> stepRows_;
  PictureState picture_;
  SchemeFields fields_;
  bool running_ = false;
  // The run under way is one that "Пауза" stops ("Старт иммитации" in the
  // test and probabilistic modes).
  bool pausable_ = false;
  bool closeAfterRun_ = false;

  // Secondary windows.
  NetworkWindow* network_ = nullptr;
  AcWindow* ac_ = nullptr;
  ResultWindow* result_ = nullptr;
  CatalogueWindow* catalogue_ = nullptr;

  // Picture and the row under it.
  SchemePictureWidget* pictureWidget_ = nullptr;
  QComboBox* comboStep_ = nullptr;
  QLineEdit* editCounter_ = nullptr;
  QLineEdit* editTime_ = nullptr;

  // Tab area.
  QTabBar* tabBar_ = nullptr;
  QWidget* panel_ = nullptr;
  QLineEdit* editZone_ = nullptr;
  QRadioButton* radioDc_ = nullptr;
  QRadioButton* radioAc_ = nullptr;
  QCheckBox* box1_ = nullptr;
  QCheckBox* box2_ = nullptr;
  QCheckBox* box3_ = nullptr;
  QLabel* labelPsk_ = nullptr;
  QLabel* labelPps1_ = nullptr;
  QLabel* labelPps2_ = nullptr;
  QLineEdit* editPsk_ = nullptr;
  QLineEdit* editPps1_ = nullptr;
  QLineEdit* editPps2_ = nullptr;
  CaptionLabel* labelCaption_ = nullptr;
  QLabel* labelLoss_ = nullptr;

  // Voltage panel.
  QGroupBox* voltagePanel_ = nullptr;
  QLineEdit* editUaRe_ = nullptr;
  QLineEdit* editUaIm_ = nullptr;
  QLineEdit* editUbRe_ = nullptr;
  QLineEdit* editUbIm_ = nullptr;
  QCheckBox* checkU_ = nullptr;
  QCheckBox* checkD_ = nullptr;
  QLineEdit* editMeanU_ = nullptr;
  QLineEdit* editDevU_ = nullptr;
  QLineEdit* editMeanD_ = nullptr;
  QLineEdit* editDevD_ = nullptr;

  // Train data and batch panels (test mode).
  QFrame* trainPanel_ = nullptr;
  QGroupBox* batchPanel_ = nullptr;
  QComboBox* comboType_ = nullptr;
  QLineEdit* editActive_ = nullptr;
  QLineEdit* editReactive_ = nullptr;
  QLineEdit* editSpeed_ = nullptr;
  QLineEdit* editKm_ = nullptr;
  QLineEdit* editBatchTrains_ = nullptr;
  QLineEdit* editBatchInterval_ = nullptr;
  QPushButton* buttonBatch_ = nullptr;

  // Schedule panel (schedule mode), the run and the mode speed buttons.
  SchedulePanel* schedulePanel_ = nullptr;
  QPushButton* buttonStart_ = nullptr;
  QPushButton* buttonStep_ = nullptr;
  QToolButton* buttonModeTest_ = nullptr;
  QToolButton* buttonModeSchedule_ = nullptr;

  // Train lists.
  QLabel* header2_ = nullptr;
  QListWidget* list1_ = nullptr;
  QListWidget* list2_ = nullptr;
  QPushButton* buttonAdd1_ = nullptr;
  QPushButton* buttonAdd2_ = nullptr;
  QPushButton* buttonRemove1_ = nullptr;
  QPushButton* buttonRemove2_ = nullptr;
  QPushButton* buttonClearAll_ = nullptr;
  QPushButton* buttonPause_ = nullptr;
  QPushButton* buttonResults_ = nullptr;

  // Menu commands.
  QAction* actSave_ = nullptr;
  QAction* actExit_ = nullptr;
  QAction* actTestMode_ = nullptr;
  QAction* actScheduleMode_ = nullptr;
  QAction* actFastCalc_ = nullptr;
  QAction* actVaryCurrents_ = nullptr;
  QAction* actCharts_ = nullptr;
  QAction* actNetwork_ = nullptr;
  QAction* actAc_ = nullptr;
  QAction* actWriteMatrices_ = nullptr;
  QMenu* menuOptions_ = nullptr;
  QMenu* menuCatalogues_ = nullptr;
  QMenu* menuSecret_ = nullptr;
  QAction* actStart_ = nullptr;
  QAction* actStep_ = nullptr;
  QAction* actPause_ = nullptr;
  QAction* actResults_ = nullptr;
  QAction* actChart_[6] = {};

  // The window at its smallest is the fixed form of old; the anchors move
  // the controls when it grows.
  AnchorLayout* centralAnchors_ = nullptr;
  AnchorLayout* panelAnchors_ = nullptr;
  QProgressBar* runProgress_ = nullptr;
  QLabel* runEnd_ = nullptr;
  QElapsedTimer runClock_;
  double runFrom_ = 0;
  bool runShown_ = false;

  // The scheme constructor ("Конструктор схем", schedule mode only).
 public:
  ConstructorWindow* Constructor();
  void ConstructorChosen();

 private:
  QAction* actConstructor_ = nullptr;
  ConstructorWindow* constructor_ = nullptr;
  // The schedule editor ("Новый ГДП", "Просмотр ГДП", "Смотреть ГДП",
  // "Редагировать ГДП") and "О программе" (MainWindowEditor.cpp).
 public:
  ScheduleEditor* Editor() const { return editor_; }
  void NewScheduleClicked();
  void ViewScheduleClicked();
  void EditScheduleClicked();
  void AboutClicked();

 private:
  void BuildScheduleEditor();
  ScheduleEditor* editor_ = nullptr;
  QAction* actAbout_ = nullptr;
  // The commands that belong to the window itself (MainWindowCommands.cpp):
  // "Выход", and "Смотреть ГДП" of the probabilistic panel.
 public:
  void ExitChosen();

 private:
  void ConnectCommands();
  void ViewProbScheduleClicked();
};

}  // namespace tps::ui
