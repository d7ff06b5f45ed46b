// The process-wide state of the program: the parameter block, the run state,
// the train set, the circuit of the current step, the chart data, and the
// main-window inputs the engine reads. Every engine operation receives it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "params/catalogue.h"
#include "params/fileio.h"
#include "params/host.h"
#include "params/params.h"
#include "params/random.h"
#include "params/trains.h"
#include "arith/cmplx.h"
#include "arith/matr.h"

namespace tps {

struct ConstructorSession;
struct PausedScheduleRun;
struct NormCompliance;
class StepRowsRecorder;

// Scheme code of a variant: 1->11, 2->12, 3->14, 4->16, 5->18, 6->19, 7->21,
// 8->22, 9->23, 10->24, 11->26, 12->29, else 0 (low 7 bits of v).
int SchemeCode(int v);
inline bool IsDcVariant(int v) { return v >= 1 && v <= 6; }
inline bool IsSingleTrackVariant(int v) { return v == 1 || v == 2 || v == 7 || v == 8; }
const char* VariantName(int v);

enum RunModes : uint8_t { ModeTest = 0, ModeProb = 1, ModeSchedule = 2, ModeConstructor = 3 };

struct TLossSeries {
  double Step = 0;
  int32_t LastIndex = 0;
  double MaxLoss = 0;
  std::vector<double> Losses;
  std::vector<int32_t> StepIndex;
  double StepStarted = 0, StepEnded = 0;
};

struct TChartSeries {
  int16_t Number = 0;
  std::vector<double> Times, Values, Zeros;
  int32_t Count = 0;
};

// The identity of a loss series file "Graph\dp.gmt": its length and the
// 64-bit FNV-1a hash of its bytes (a length of 0: none known).
struct LossFileId {
  uint64_t Size = 0, Hash = 0;
  bool Known() const { return Size != 0; }
  bool operator==(const LossFileId&) const = default;
};

// Per-step series for the charts, filled by the solution of every step.
struct ChartData {
  bool Exists = false;
  // The loss file written with this chart data at the end of its run.
  LossFileId LossFile;
  std::vector<TChartSeries> TrainSeries;
  std::vector<TChartSeries> RailSeries;
  uint8_t FeedKind = 0;
  // A user circuit: the chart choice kept in each of series 1..4 ("KP1 к"),
  // empty where nothing was chosen; each feeder is charted under its name.
  std::string FeederNames[4];
  std::vector<double> Times;
  std::vector<double> Series[8];  // series 1..8 at index 0..7
  std::vector<double> LossKw;
  uint16_t SeriesCount() const { return static_cast<uint16_t>(TrainSeries.size()); }
  void Reset() { *this = ChartData(); Exists = true; }
};

// The circuit of one step, from its construction to its solution.
struct StepCircuit {
  CMat MatM, MatN, MatZ, MatE, MatJ;
  int NodeCount = 0, BranchCount = 0, LoopCount = 0;
  std::vector<int> NodeTrain;  // per node number - 1: train standing there, 0 = none
  int FeederBranch1 = 0, FeederBranch2 = 0, FeederBranch3 = 0, FeederBranch4 = 0;
  int Track1Nodes = 0;  // inner nodes of the first circle (track 1)
  // Per node number - 1: its circle and its km from substation A along the circle.
  std::vector<int> NodeCircle;
  std::vector<double> NodeKm;
  // Per branch number - 1: its from and to node.
  std::vector<int> BranchFrom, BranchTo;
  // The last solved step's conjugated branch currents and node potentials.
  CMat LastCurrents, LastPotentials;
  bool Built = false;
};

// The scheme controls of the main window that decide the variant.
struct SchemeControls {
  int Tab = 0;          // 0 "Однопутный участок", 1 "Двухпутный участок"
  int CurrentKind = 0;  // 0 none, 1 "Постоянный ток", 2 "Переменный ток"
  bool Box1 = false;    // "Консоль" / "ПСК"
  bool Box2 = false;    // "ПСК+2ППС" / "2П консоль"
  bool Box3 = false;    // "Откл Ф2 и Ф4"
};

// The voltage panel's random switches and their fields.
struct VoltagePanel {
  bool RandU = false;
  std::string MeanU = "25596.922", DevU = "454.363";
  bool RandD = false;
  std::string MeanD = "0", DevD = "2";
};

struct RunOptions {
  bool FastCalc = true;       // "Быстрый расчет"
  bool BuildCharts = true;    // "Построение графиков (замедлит иммитацию)"
  bool WriteMatrices = false; // "Писать матрицы в файл?"
};

// The probabilistic panel's inputs read by the validation.
struct ProbPanel {
  std::string MinInterval = "8";
  std::string Period = "1 час";
  bool WaitTrains = false;
  // The 4 x 7 grid of the train-parameter window, row k (0..3), column c (0..6).
  std::string Grid[4][7];
};

// Enabled/visible state of the controls the engine switches.
struct ControlState {
  bool ZoneLengthEnabled = false;
  bool ResultsVisible = false;
  bool RunActive = false;
};

// The value labels of the schedule panel (beside "Схема", "Длина зоны -",
// "Шаг -"), coloured by the schedule checks; Windows colour values 0x00BBGGRR.
inline constexpr uint32_t kLabelGreen = 0x00009000;  // RGB 0, 144, 0
inline constexpr uint32_t kLabelRed = 0x000000FF;    // RGB 255, 0, 0
struct ScheduleLabels {
  uint32_t Scheme = 0, ZoneLength = 0, Step = 0;
};

// The random train flow of the probabilistic mode: per track the type
// records still to run (their counts go down as trains enter), the slots
// left in the period and the minutes since the last slot (-1 before the
// first), and the Nmax box of the probabilistic panel.
struct RandomFlowState {
  struct TypeRecord {
    double ActiveMin = 0, ReactiveMin = 0, ActiveMax = 0, ReactiveMax = 0;
    double SpeedMin = 0, SpeedMax = 0;
    uint16_t Count = 0;
  };
  bool Prepared1 = false, Prepared2 = false;  // FlowParams1, FlowParams2 held
  TypeRecord FlowParams1[4], FlowParams2[4];  // freight, express, suburban, passenger
  uint32_t SlotsLeft1 = 7, SlotsLeft2 = 7;
  double SinceLast1 = -1, SinceLast2 = -1;
  std::string NmaxText = "7";  // "Макс кол-во поездов (Nmax)"
  // Rows of the flow given for this process only (the command line's --flow
  // without --save-flow): the runs read them instead of "data\prelvoz.dmt".
  bool HasGivenRows = false;
  TypeRecord GivenRows[4];
  // The trains of the last probabilistic run, for "Запись вероятностного
  // ГДП": each entry and departure at its time point (in steps), the block
  // and the variant the run started with, and the time point of its end.
  struct RecordedEvent {
    uint32_t Time = 0;
    uint16_t Number = 0;
    uint8_t Kind = 0, TypeCode = 0;  // schedule event kind and train type
    double Active = 0, Reactive = 0, Position = 0, Speed = 0;
  };
  std::vector<RecordedEvent> Record;
  TParamBlock RecordHeader;
  uint8_t RecordVariant = 0;
  uint32_t RecordEnd = 0;
  bool RecordComplete = false;  // the recorded run went to its end
};

// The chart options: "Графические опции" (the feeder series drawn on the
// feeder-current chart) and the choice of "Нормы напряжений".
struct ChartOptions {
  bool All = true;                              // "Все"
  bool Feeders[4] = {true, true, true, true};   // "Фидер1", "Фидер2", "фидер3", "Фидер4"
  bool NormsCritical = false;                   // "Критично" (default "Некритично")
};

struct AppState {
  WorkDir Work;
  IHost* Host = nullptr;

  TParamBlock Params;

  uint8_t SchemeVariant = 0;
  uint8_t RunMode = ModeTest;
  uint32_t StepCount = 0;
  double ModelTime = 0;
  // The model clock as the last finished run left it (the clock itself goes
  // back to 0 when a run ends).
  double RunEndTime = 0;
  // The steps the run under way is expected to make (its progress); 0 when
  // it cannot be told.
  uint64_t StepsPlanned = 0;
  bool ShowPictures = true;
  bool VaryTrainCurrents = false;
  bool PauseRequested = false;
  bool StopRequested = false;

  double StepLoss = 0;
  double EnergyLoss = 0;
  double LossPercent = 0;
  double EnergySupplied[2] = {0, 0};
  TComplex MinVoltage{999999, 999999};
  int32_t MinVoltageStep = 0;
  TComplex MaxVoltage;
  int32_t MaxVoltageStep = 0;
  double MeanVoltage = 0;
  // The pantograph voltages of the trains drawing current (active current
  // above 0), integrated over the model time of the run's full steps: V*min
  // and train-minutes. Their quotient is the run's mean useful voltage, the
  // figure an engineer compares with the voltage norms.
  double UsefulVoltageIntegral = 0;
  double UsefulTrainMinutes = 0;
  // Supplied active and reactive power of the previous and the current step.
  double PrevP = 0, PrevQ = 0, CurP = 0, CurQ = 0;
  // Steps of the run solved by the full solution: without one (every step
  // solved by the light solution, charts off) the supplied energy, the loss
  // share and the voltage extremes of the run were never computed.
  uint32_t FullSteps = 0;
  // A pantograph potential of 0 or below has been reported in this run (the
  // warning is shown once per run).
  bool PantographCollapseWarned = false;
  // The pantograph voltages against the norms and the feeder currents of the
  // run (solver/norms.h), begun at its first fully solved step.
  std::shared_ptr<NormCompliance> Norms;
  // Where the results of every fully solved step go as data (solver/steprows.h),
  // when someone keeps them; owned by whoever set it, never by a study's run.
  StepRowsRecorder* StepRows = nullptr;

  TLossSeries LossSeries;
  ChartData Chart;
  TTrainSet Trains;
  StepCircuit Circuit;
  ConductorTables Catalogue;

  SchemeControls Scheme;
  VoltagePanel Voltages;
  RunOptions Options;
  ProbPanel Prob;
  ControlState Controls;
  std::string LossFieldText;  // "Потери мощности, кВт"
  ScheduleLabels ScheduleLabelColours;
  // Set by the schedule editor's exit button: a long listing of time points stops.
  bool ListingCancelled = false;
  // A schedule run is under way (a Start pressed during it is refused).
  bool ScheduleRunning = false;
  // A schedule run stopped by "Пауза": its schedule as far as it has run,
  // until Start continues it.
  std::shared_ptr<PausedScheduleRun> PausedSchedule;

  TRandom Rng;
  RandomFlowState Flow;
  ChartOptions ChartOpts;

  // The scheme constructor: its template graph, the wizard's lists and chart
  // choices, the circuit of the step and the kept solution of a run.
  std::shared_ptr<ConstructorSession> UserScheme;

  IHost& H() { return *Host; }
  void Message(MsgKind k, const std::string& text) { if (Host) Host->ShowMessage(k, text, MsgButtons::Ok); }
  void Pump() { if (Host) Host->ProcessEvents(); }
  void Notify(Changed c) { if (Host) Host->Notify(c); }
};

// Run totals to zero (current-kind buttons receiving the focus).
void ResetRunTotals(AppState& st);
// The reset every run starter does when a run starts with StepCount = 0
// (without truncating the report; see ResetRunStart in the report module).
void ResetRunAccumulators(AppState& st);

}  // namespace tps
