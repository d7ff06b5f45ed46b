#include "solver/solve.h"

#include <cmath>

#include "params/errors.h"
#include "solver/report.h"

namespace tps {

StepResult SolveCircuit(StepCircuit& c, bool potentials) {
  const int n = c.NodeCount, m = c.BranchCount, d = m - n;
  c.LoopCount = d;
  // [M; N Z] I = [J; N E]: n node equations over d loop equations.
  CMat nz = MatMul(c.MatN, d, m, c.MatZ, m, m);
  CMat A = MatStack(c.MatM, n, m, nz, d, m);
  nz.Release();
  CMat ne = MatMul(c.MatN, d, m, c.MatE, m, 1);
  CMat b = MatStack(c.MatJ, n, 1, ne, d, 1);
  ne.Release();
  c.MatN.Release();
  c.MatJ.Release();
  StepResult r;
  r.I = MatMul(MatInverse(A, m), m, m, b, m, 1);
  A.Release();
  b.Release();
  if (potentials) {
    // Branch voltages of the tree branches 1..n: EMF minus impedance times current.
    CMat zi = MatMul(c.MatZ, n, n, r.I, n, 1);
    CMat ub = MatSub(c.MatE, n, 1, zi);
    // Potentials from M11^T Phi = Ub, M11 the leading n x n block of M.
    CMat m11(n, n);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) m11(i, j) = c.MatM(i, j);
    r.Phi = MatMul(MatTranspose(MatInverse(m11, n), n, n), n, n, ub, n, 1);
  }
  c.MatE.Release();
  c.MatM.Release();
  // Loss: I^T Z conj(I); from here on I holds the conjugated currents.
  CMat t = MatMul(MatTranspose(r.I, m, 1), 1, m, c.MatZ, m, m);
  ConjugateColumn(r.I, m);
  r.S = MatMul(t, 1, m, r.I, m, 1);
  c.MatZ.Release();
  return r;
}

static double StepMinutesOf(const AppState& st) { return StrToFloat(st.Params.StepMinutes.Get()); }

// ResultsPending, the step counter and the loop count, as every solve starts.
static void BeginSolve(AppState& st) {
  st.Params.ResultsPending = 1;
  st.StepCount += 1;
  st.Circuit.LoopCount = st.Circuit.BranchCount - st.Circuit.NodeCount;
}

static void IntegrateLoss(AppState& st, double p) {
  st.EnergyLoss += StepMinutesOf(st) * (st.StepLoss / 2 + p / 2) / 60;
  st.StepLoss = p;
}

void SolveStep(AppState& st) {
  BeginSolve(st);
  StepResult r = SolveCircuit(st.Circuit, true);
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
  RecordStepResults(st, r.I, r.Phi);
  st.LossPercent = st.EnergySupplied[0] == 0 ? 0 : st.EnergyLoss * 100 / st.EnergySupplied[0];
  if (!st.Options.FastCalc) {
    WriteCurrentsSection(st, r.I);
    WriteVoltagesSection(st, r.Phi);
    WriteLossPowerSection(st);
  }
  TComplex u = MinByModulus(r.Phi, n, st.Scheme.Box3);
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
  StepResult r = SolveCircuit(st.Circuit, false);
  IntegrateLoss(st, CRe(r.S(1, 1)));
  st.Controls.ResultsVisible = true;
  st.Notify(Changed::Labels);
}

StepResult SolveAndKeep(AppState& st) {
  BeginSolve(st);
  StepResult r = SolveCircuit(st.Circuit, true);
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
      double ua = StrToFloat(st.Params.UaRe.Get());
      double ub = StrToFloat(st.Params.UbRe.Get());
      P = std::abs(ub * fi(m).Re) / 60 + std::abs(ua * fi(1).Re) / 60;
      Q = std::abs(ub * fi(m).Im) / 60 + std::abs(ua * fi(1).Im) / 60;
    } else if (code != 0) {
      // The complex powers of the two buses: the currents of the feeders of
      // substation A (Ф1, Ф2) at its bus, and of substation B (Ф3, Ф4, which
      // run towards the ground) at its bus, the last node of track 1.
      TComplex ia = CAdd(fi(c.FeederBranch1), fi(c.FeederBranch2));
      TComplex ib = CAdd(fi(c.FeederBranch3), fi(c.FeederBranch4));
      int busB = c.Track1Nodes >= 1 && c.Track1Nodes <= n ? c.Track1Nodes : n / 2;
      TComplex sa = CMul(ia, ph(1));
      TComplex sb = CMul(ib, ph(busB));
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

}  // namespace tps
