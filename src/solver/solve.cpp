#include "solver/solve.h"

#include <cmath>
#include <string>

#include "circuit/constructor.h"
#include "circuit/headfiles.h"
#include "params/errors.h"
#include "solver/norms.h"
#include "solver/report.h"
#include "solver/steprows.h"
#include "solver/stepcore.h"

namespace tps {

// The step's matrix method on the sparse step core: the same bits as the
// element-by-element form, which the benchmark keeps as its reference.
StepResult SolveCircuit(StepCircuit& c, bool potentials) { return SolveStepCore(c, potentials); }

static double StepMinutesOf(const AppState& st) {
  return StrToFloat(st.Params.StepMinutes.Get());
}

// ResultsPending, the step counter and the loop count, as every solve starts.
static void BeginSolve(AppState& st) {
  st.Params.ResultsPending = 1;
  st.StepCount += 1;
  st.Circuit.LoopCount = st.Circuit.BranchCount - st.Circuit.NodeCount;
  // With "Писать матрицы в файл?" the circuit solved is the one the head
  // files describe (they may have been edited by hand). A file that cannot
  // be read ends the step with its message; nothing half-read is solved.
  StepCircuit& c = st.Circuit;
  if (st.Options.WriteMatrices)
    ReadHeadFiles(st.Work, c.MatJ, c.MatE, c.MatM, c.MatN, c.MatZ, c.NodeCount, c.BranchCount);
}

// The last line of defence: a step whose solution holds a value that is not a
// finite number (a current, a potential or the loss) ends the run, so that no
// total is ever formed from it.
static bool AllFinite(const CMat& v, int rows) {
  if (v.Empty()) return true;
  for (int i = 1; i <= rows; ++i)
    if (!std::isfinite(v(i, 1).Re) || !std::isfinite(v(i, 1).Im)) return false;
  return true;
}

static void RequireFinite(const AppState& st, const StepResult& r) {
  const int n = st.Circuit.NodeCount, m = st.Circuit.BranchCount;
  if (AllFinite(r.I, m) && AllFinite(r.Phi, n) && AllFinite(r.S, 1)) return;
  throw NonFiniteError("Шаг " + std::to_string(st.StepCount) +
                       ": решение схемы содержит нечисловое значение, расчёт остановлен");
}

// A train is a current source: asked for more than the zone can carry, its
// pantograph potential falls through zero and the step's numbers describe no
// real state of the line. They are kept, and the user is told once per run,
// naming the step and the train with the lowest potential.
static void WarnPantographCollapse(AppState& st, const CMat& Phi) {
  if (st.PantographCollapseWarned || Phi.Empty()) return;
  const StepCircuit& c = st.Circuit;
  int train = 0;
  double lowest = 0;
  for (int i = 1; i <= c.NodeCount && i <= static_cast<int>(c.NodeTrain.size()); ++i) {
    int number = c.NodeTrain[static_cast<size_t>(i - 1)];
    double u = Phi(i, 1).Re;
    if (number != 0 && u <= 0 && (train == 0 || u < lowest)) {
      train = number;
      lowest = u;
    }
  }
  if (train == 0) return;
  st.PantographCollapseWarned = true;
  st.Message(MsgKind::Warning, "Шаг " + std::to_string(st.StepCount) +
                                   ": напряжение на токоприемнике поезда " + std::to_string(train) +
                                   " упало до 0 или ниже (" + FormatFixed(lowest, 0, 3) +
                                   " В): участок не может питать такую нагрузку");
}

// The train of a number on the zone, null when it is not there.
static const elvoz* TrainOfNumber(const AppState& st, int number) {
  for (const auto* track : {&st.Trains.Trains1, &st.Trains.Trains2})
    for (const elvoz& t : *track)
      if (t.Number == number) return &t;
  return nullptr;
}

// The step's part of the mean useful voltage: every train standing at a node
// of the circuit and drawing current adds its pantograph voltage for the
// step's minutes. A train of a user circuit returns its current through its
// own rail node: its voltage is the difference of the two potentials.
static void IntegrateUsefulVoltage(AppState& st, const CMat& Phi) {
  const StepCircuit& c = st.Circuit;
  const std::vector<int>* returns =
      st.RunMode == ModeConstructor && st.UserScheme ? &st.UserScheme->ReturnTrainAtNode : nullptr;
  const double minutes = StepMinutesOf(st);
  for (int i = 1; i <= c.NodeCount && i <= static_cast<int>(c.NodeTrain.size()); ++i) {
    const int number = c.NodeTrain[static_cast<size_t>(i - 1)];
    const elvoz* train = number != 0 ? TrainOfNumber(st, number) : nullptr;
    if (!train || !(train->Current.Re > 0)) continue;
    TComplex u = Phi(i, 1);
    for (int j = 1; returns && j <= c.NodeCount && j <= static_cast<int>(returns->size()); ++j)
      if ((*returns)[static_cast<size_t>(j - 1)] == number) {
        u = CSub(u, Phi(j, 1));
        break;
      }
    st.UsefulVoltageIntegral += CAbs(u) * minutes;
    st.UsefulTrainMinutes += minutes;
  }
}

bool MeanUsefulVoltage(const AppState& st, double& volts) {
  if (!(st.UsefulTrainMinutes > 0)) return false;
  volts = st.UsefulVoltageIntegral / st.UsefulTrainMinutes;
  return true;
}

static void IntegrateLoss(AppState& st, double p) {
  st.EnergyLoss += StepMinutesOf(st) * (st.StepLoss / 2 + p / 2) / 60;
  st.StepLoss = p;
}

// A user scheme without a train on the zone takes the solution of its
// template kept at the start of the run.
static bool TakesKeptSolution(const AppState& st) {
  return st.RunMode == ModeConstructor && st.Trains.Empty() && st.UserScheme && st.UserScheme->Kept;
}

static StepResult KeptSolution(const AppState& st) {
  const ConstructorSession& s = *st.UserScheme;
  return StepResult{s.KeptCurrents, s.KeptPotentials, s.KeptLoss};
}

void SolveStep(AppState& st) {
  BeginSolve(st);
  ++st.FullSteps;
  StepResult r = TakesKeptSolution(st) ? KeptSolution(st) : SolveCircuit(st.Circuit, true);
  RequireFinite(st, r);
  const int n = st.Circuit.NodeCount;
  double p = CRe(r.S(1, 1));
  IntegrateLoss(st, p);
  TLossSeries& ls = st.LossSeries;
  if (ls.MaxLoss < p) ls.MaxLoss = p;
  size_t k = st.StepCount;
  ls.Losses.resize(k + 1, 0.0);
  ls.StepIndex.resize(k + 1, 0);
  ls.Losses[k - 1] = p;
  ls.StepIndex[k - 1] = static_cast<int32_t>(k - 1);
  if (st.RunMode == ModeConstructor) {
    RecordConstructorStep(st, r.I, r.Phi);
    AccumulateNorms(st, r.I, r.Phi);
    if (st.StepRows) st.StepRows->OnStep(st, r.I, r.Phi);
    if (st.UserScheme) st.UserScheme->Current.reset();
  } else {
    RecordStepResults(st, r.I, r.Phi);
    AccumulateNorms(st, r.I, r.Phi);
    if (st.StepRows) st.StepRows->OnStep(st, r.I, r.Phi);
  }
  st.LossPercent = st.EnergySupplied[0] == 0 ? 0 : st.EnergyLoss * 100 / st.EnergySupplied[0];
  if (!st.Options.FastCalc) {
    WriteCurrentsSection(st, r.I);
    WriteVoltagesSection(st, r.Phi);
    WriteLossPowerSection(st);
  }
  WarnPantographCollapse(st, r.Phi);
  IntegrateUsefulVoltage(st, r.Phi);
  // With "Откл Ф2 и Ф4" the disconnected track 2 is left out: the lowest
  // voltage is searched over the nodes of track 1, however the two tracks
  // are cut by their trains.
  int searched = n;
  if (st.Scheme.Box3)
    searched = st.Circuit.Track1Nodes >= 1 && st.Circuit.Track1Nodes <= n ? st.Circuit.Track1Nodes : n / 2;
  TComplex u = MinByModulus(r.Phi, searched, false);
  if (CAbs(st.MinVoltage) > CAbs(u)) {
    st.MinVoltage = u;
    st.MinVoltageStep = static_cast<int32_t>(st.StepCount);
  }
  if (st.SchemeVariant == 12) {
    TComplex w = MaxByModulusUpperHalf(r.Phi, n);
    if (!(CAbs(st.MaxVoltage) >= CAbs(w))) {
      st.MaxVoltage = w;
      st.MaxVoltageStep = static_cast<int32_t>(st.StepCount);
    }
  }
  st.MeanVoltage = SchemeCode(st.SchemeVariant) != 0 ? (CAbs(r.Phi(1, 1)) + CAbs(st.MinVoltage)) / 2 : 0;
  st.Circuit.LastCurrents = r.I;
  st.Circuit.LastPotentials = r.Phi;
  st.Controls.ResultsVisible = true;
  st.Notify(Changed::Labels);
}

void SolveStepQuick(AppState& st) {
  BeginSolve(st);
  StepResult r = TakesKeptSolution(st) ? KeptSolution(st) : SolveCircuit(st.Circuit, false);
  if (st.UserScheme) st.UserScheme->Current.reset();
  RequireFinite(st, r);
  IntegrateLoss(st, CRe(r.S(1, 1)));
  st.Controls.ResultsVisible = true;
  st.Notify(Changed::Labels);
}

void SolveRunStep(AppState& st) {
  if (st.Options.BuildCharts)
    SolveStep(st);
  else
    SolveStepQuick(st);
}

StepResult SolveAndKeep(AppState& st) {
  BeginSolve(st);
  StepResult r = SolveCircuit(st.Circuit, true);
  RequireFinite(st, r);
  WarnPantographCollapse(st, r.Phi);
  st.StepLoss = CRe(r.S(1, 1));
  return r;
}

// Signed modulus: the modulus with the sign of the real part (or of its negation).
static double Signed(TComplex z, bool negated = false) {
  return CAbs(z) * Sign(negated ? -z.Re : z.Re);
}

static TChartSeries& TrainSeriesOf(ChartData& cd, int number) {
  for (auto& s : cd.TrainSeries)
    if (s.Number == number) return s;
  cd.TrainSeries.emplace_back();
  cd.TrainSeries.back().Number = static_cast<int16_t>(number);
  return cd.TrainSeries.back();
}

// The complex power of one feeder: its (conjugated) current times the
// potential of the bus node it joins; 0 for a feeder the scheme lacks.
static TComplex BusPower(const StepCircuit& c, const CMat& I, const CMat& Phi, int branch) {
  if (branch < 1 || branch > c.BranchCount || branch > static_cast<int>(c.BranchFrom.size())) return {0, 0};
  const size_t k = static_cast<size_t>(branch - 1);
  int bus = c.BranchTo[k] != 0 ? c.BranchTo[k] : c.BranchFrom[k];
  if (bus < 1 || bus > c.NodeCount) return {0, 0};
  return CMul(I(branch, 1), Phi(bus, 1));
}

void RecordStepResults(AppState& st, const CMat& I, const CMat& Phi) {
  const StepCircuit& c = st.Circuit;
  ChartData& cd = st.Chart;
  const int n = c.NodeCount, m = c.BranchCount, h = n / 2;
  // Pantograph voltage of every train standing at a node.
  for (int i = 1; i <= n && i <= static_cast<int>(c.NodeTrain.size()); ++i) {
    int train = c.NodeTrain[static_cast<size_t>(i - 1)];
    if (train == 0) continue;
    TChartSeries& s = TrainSeriesOf(cd, train);
    s.Times.push_back(st.ModelTime);
    s.Values.push_back(Phi(i, 1).Re);
    s.Zeros.push_back(0);
    s.Count += 1;
  }
  // Feeder currents and bus potentials by the feeding kind of the scheme.
  auto fi = [&](int b) { return I(b, 1); };
  auto ph = [&](int k) { return Phi(k, 1); };
  int v = st.SchemeVariant;
  auto put = [&](int series, double value) { cd.Series[series - 1].push_back(value); };
  bool recorded = true;
  if (v == 1 || v == 7) {
    cd.FeedKind = 1;
    put(1, Signed(fi(1)));
    put(5, Signed(ph(1)));
  } else if (v == 2 || v == 8) {
    cd.FeedKind = 2;
    put(1, Signed(fi(c.FeederBranch1)));
    put(2, Signed(fi(c.FeederBranch2), true));
    put(5, Signed(ph(1)));
    put(6, Signed(ph(h + 1)));
  } else if (v == 9) {
    cd.FeedKind = 3;
    put(1, Signed(fi(c.FeederBranch1)));
    put(3, Signed(fi(c.FeederBranch3)));
    put(5, Signed(ph(1)));
    put(7, Signed(ph(h)));
  } else if ((v >= 3 && v <= 6) || (v >= 10 && v <= 12)) {
    cd.FeedKind = 4;
    put(1, Signed(fi(c.FeederBranch1)));
    put(2, Signed(fi(c.FeederBranch2)));
    put(3, Signed(fi(c.FeederBranch3), true));
    put(4, Signed(fi(c.FeederBranch4), true));
    put(5, Signed(ph(1)));
    // The first node of track 2 and the last node of track 1: on the
    // equally cut AC tracks these are nodes h + 1 and h.
    int last1 = IsDcVariant(v) ? c.Track1Nodes : h;
    put(6, Signed(ph(last1 + 1 <= n ? last1 + 1 : n)));
    put(7, Signed(ph(last1 >= 1 ? last1 : 1)));
    put(8, Signed(ph(n)));
  } else {
    recorded = false;
  }
  if (recorded) cd.Times.push_back(st.ModelTime);

  // Energy taken from the substations (trapezoid over the step).
  if (st.StepCount < 2) {
    st.EnergySupplied[0] = st.EnergySupplied[1] = 0;
    st.PrevP = st.PrevQ = st.CurP = st.CurQ = 0;
  } else {
    st.PrevP = st.CurP;
    st.PrevQ = st.CurQ;
    int code = SchemeCode(v);
    double P = 0, Q = 0;
    if (code == 11 || code == 21) {
      double ua = StrToFloat(st.Params.UaRe.Get());
      P = ua * fi(1).Re / 60;
      Q = ua * fi(1).Im / 60;
    } else if (code == 12 || code == 22) {
      // The power taken by the zone: what substation A delivers plus what B
      // delivers. When Ua > Ub the equalising current runs through the zone
      // into B, and B's share is negative; the source B branch runs from the
      // last node towards the ground, so B delivers against its direction.
      double ua = StrToFloat(st.Params.UaRe.Get());
      double ub = StrToFloat(st.Params.UbRe.Get());
      P = ua * fi(1).Re / 60 - ub * fi(m).Re / 60;
      Q = ua * fi(1).Im / 60 - ub * fi(m).Im / 60;
    } else if (code != 0) {
      // The complex powers of the two buses: every feeder's current at its
      // own bus node (a source whose track has no train is open, and its
      // track's far end then sits at the other substation's voltage). The
      // feeders of substation B (Ф3, Ф4) run towards the ground.
      TComplex sa = CAdd(BusPower(c, I, Phi, c.FeederBranch1), BusPower(c, I, Phi, c.FeederBranch2));
      TComplex sb = CAdd(BusPower(c, I, Phi, c.FeederBranch3), BusPower(c, I, Phi, c.FeederBranch4));
      P = std::abs(sa.Re / 60 - sb.Re / 60);
      Q = std::abs(sa.Im / 60 - sb.Im / 60);
    }
    st.CurP = P;
    st.CurQ = Q;
    double dt = StepMinutesOf(st);
    st.EnergySupplied[0] += std::abs(dt * (st.PrevP + P) / 2);
    st.EnergySupplied[1] += std::abs(dt * (st.PrevQ + Q) / 2);
  }
  cd.LossKw.push_back(st.StepLoss / 1000);
  st.LossFieldText = FloatToStr(RoundTo(st.StepLoss / 1000, 3));
}

void RecordConstructorStep(AppState& st, const CMat& I, const CMat& Phi) {
  const StepCircuit& c = st.Circuit;
  ChartData& cd = st.Chart;
  ConstructorSession& s = Constructor(st);
  const int n = c.NodeCount, m = c.BranchCount;
  TGraff* g = s.Current.get();

  // 1. The charted feeders: the source A branch ("н") or the closing source B
  // branch ("к") of the chain each choice names.
  const TBranch* feeders[4] = {};
  uint8_t count = 0;
  for (int k = 0; k < 4; ++k) {
    const std::string& choice = s.Charts[k];
    if (choice == kNotGiven) continue;
    ++count;
    const bool start = choice.size() > 3 && choice.compare(choice.size() - 3, 3, " н") == 0;
    const bool end = choice.size() > 3 && choice.compare(choice.size() - 3, 3, " к") == 0;
    if (!g || (!start && !end)) continue;
    const std::string name = choice.substr(0, choice.size() - 3);
    for (const auto& circle : g->Circles)
      if (circle->Name == name) {
        feeders[k] = start ? circle->Branches[1].get() : circle->Branches[circle->BranchCount].get();
        break;
      }
  }
  if (g) {
    g->ChartFeederCount = count;
    for (int k = 0; k < 4; ++k) g->ChartFeeders[k] = feeders[k] ? feeders[k]->Number : 0;
  }

  // 2. The pantograph potential of every train and the potential of its rail
  // return node.
  auto record = [&](std::vector<TChartSeries>& family, const std::vector<int>& map) {
    for (int i = 1; i <= n && i <= static_cast<int>(map.size()); ++i) {
      const int train = map[static_cast<size_t>(i - 1)];
      if (train == 0) continue;
      TChartSeries* series = nullptr;
      for (auto& f : family)
        if (f.Number == train) series = &f;
      if (!series) {
        family.emplace_back();
        series = &family.back();
        series->Number = static_cast<int16_t>(train);
      }
      series->Times.push_back(st.ModelTime);
      series->Values.push_back(Phi(i, 1).Re);
      series->Zeros.push_back(0);
      series->Count += 1;
    }
  };
  record(cd.TrainSeries, c.NodeTrain);
  record(cd.RailSeries, s.ReturnTrainAtNode);

  // 3. The feeder currents; a closing branch runs towards the ground, so its
  // current is shown negated.
  cd.FeedKind = count;
  for (int k = 0; k < 4; ++k) cd.FeederNames[k] = feeders[k] ? s.Charts[k] : std::string();
  cd.Times.push_back(st.ModelTime);
  for (int k = 0; k < 4; ++k) {
    const TBranch* b = feeders[k];
    if (!b || b->Number < 1 || b->Number > m) continue;
    cd.Series[k].push_back(Signed(I(b->Number, 1), b->Appended == 1));
  }

  // 4. The energy the sources deliver: each source's current times the
  // potential of the node it feeds.
  if (st.StepCount < 2) {
    st.EnergySupplied[0] = st.EnergySupplied[1] = 0;
    st.PrevP = st.PrevQ = st.CurP = st.CurQ = 0;
  } else {
    st.PrevP = st.CurP;
    st.PrevQ = st.CurQ;
    double P = 0, Q = 0;
    auto add = [&](const TBranch& b, uint16_t node) {
      if (b.HasEmf != 1 || b.Number < 1 || b.Number > m || node < 1 || node > n) return;
      const TComplex power = CMul(I(b.Number, 1), Phi(node, 1));
      P += std::abs(power.Re) / 60;
      Q += std::abs(power.Im) / 60;
    };
    if (g)
      for (const auto& circle : g->Circles) {
        add(*circle->Branches[1], circle->Branches[1]->ToNode);
        const TBranch& closing = *circle->Branches[circle->BranchCount];
        add(closing, closing.FromNode);
      }
    st.CurP = P;
    st.CurQ = Q;
    const double dt = StepMinutesOf(st);
    st.EnergySupplied[0] += std::abs(dt * (st.PrevP + P) / 2);
    st.EnergySupplied[1] += std::abs(dt * (st.PrevQ + Q) / 2);
  }
  // 5. The loss series and the loss field.
  cd.LossKw.push_back(st.StepLoss / 1000);
  st.LossFieldText = FloatToStr(RoundTo(st.StepLoss / 1000, 3));
}

}  // namespace tps
