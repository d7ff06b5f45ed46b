#include "solver/norms.h"

#include <cmath>

#include "circuit/constructor.h"
#include "circuit/graph.h"
#include "params/conv.h"

namespace tps {

PantographNorms NormsOfRun(const AppState& st) {
  if (st.SchemeVariant >= 1 && st.SchemeVariant <= 12)
    return IsDcVariant(st.SchemeVariant) ? kPantographNormsDc : kPantographNormsAc;
  double ua = 0;
  if (TryStrToFloat(st.Params.UaRe.Get(), ua) && std::abs(ua) > 10000) return kPantographNormsAc;
  return kPantographNormsDc;
}

void LowestVoltage::Offer(double v, int train, uint32_t step, double timeMin, double km) {
  if (Known && !(v < Voltage)) return;
  Known = true;
  Voltage = v;
  Train = train;
  Step = step;
  TimeMin = timeMin;
  Km = km;
}

double FeederCompliance::Rms() const {
  return Minutes > 0 ? std::sqrt(SquareMinutes / Minutes) : 0;
}

double NormCompliance::MeanUsefulVoltage() const {
  return DrawingMinutes > 0 ? VoltageMinutes / DrawingMinutes : 0;
}
double NormCompliance::Below1Share() const {
  return DrawingMinutes > 0 ? Below1Minutes / DrawingMinutes : 0;
}
double NormCompliance::Below2Share() const {
  return DrawingMinutes > 0 ? Below2Minutes / DrawingMinutes : 0;
}
double NormCompliance::PeakFeederCurrent() const {
  double peak = 0;
  for (const FeederCompliance& f : Feeders) peak = std::max(peak, f.Peak);
  return peak;
}

namespace {

// The branch of a user circuit numbered `number`, or none.
const TBranch* BranchNumbered(const TGraff& g, int number) {
  for (const auto& circle : g.Circles)
    for (size_t k = 1; k < circle->Branches.size(); ++k)
      if (circle->Branches[k] && circle->Branches[k]->Number == number) return circle->Branches[k].get();
  return nullptr;
}

// The train of the set numbered `number` and its track, or none.
const elvoz* TrainNumbered(const TTrainSet& set, int number, int& track) {
  for (const elvoz& t : set.Trains1)
    if (t.Number == number) {
      track = 1;
      return &t;
    }
  for (const elvoz& t : set.Trains2)
    if (t.Number == number) {
      track = 2;
      return &t;
    }
  return nullptr;
}

// The entry of the train standing at the step under way: the same as at the
// last step while the number stays on the zone, a new one otherwise.
// (At most 100 trains stand on a zone: a list searched in turn is quicker
// than a map that allocates.)
const std::pair<int, size_t>* Find(const std::vector<std::pair<int, size_t>>& list, int number) {
  for (const auto& p : list)
    if (p.first == number) return &p;
  return nullptr;
}

TrainCompliance& TrainOf(NormCompliance& nc, int number, int track, double km) {
  if (const auto* seen = Find(nc.OnZoneNow, number)) return nc.Trains[seen->second];
  size_t index = nc.Trains.size();
  if (const auto* before = Find(nc.OnZone, number)) {
    const TrainCompliance& last = nc.Trains[before->second];
    const bool behind = track == 1 ? km < last.LastKm - 1e-9 : km > last.LastKm + 1e-9;
    if (!behind && last.Track == track) index = before->second;
  }
  if (index == nc.Trains.size()) nc.Trains.push_back(TrainCompliance{number, track, 0, 0, 0, LowestVoltage{}, km});
  nc.Trains[index].LastKm = km;
  nc.OnZoneNow.emplace_back(number, index);
  return nc.Trains[index];
}

FeederCompliance& FeederNamed(NormCompliance& nc, const std::string& name) {
  for (FeederCompliance& f : nc.Feeders)
    if (f.Name == name) return f;
  nc.Feeders.push_back(FeederCompliance{name, 0, 0, 0});
  return nc.Feeders.back();
}

}  // namespace

std::vector<FeederBranch> FeedersOfStep(const AppState& st) {
  const StepCircuit& c = st.Circuit;
  std::vector<FeederBranch> list;
  if (st.RunMode == ModeConstructor) {
    const TGraff* g = st.UserScheme ? st.UserScheme->Current.get() : nullptr;
    if (!g) return list;
    for (int k = 0; k < 4; ++k) {
      const TBranch* b = BranchNumbered(*g, g->ChartFeeders[k]);
      if (b) list.push_back({st.UserScheme->Charts[k], b->Number, b->Appended == 1});
    }
    return list;
  }
  switch (st.SchemeVariant) {
    case 1:
    case 7:
      list = {{"Ф1", c.FeederBranch1, false}};
      break;
    case 2:
    case 8:
      list = {{"Ф1", c.FeederBranch1, false}, {"Ф3", c.FeederBranch2, true}};
      break;
    case 6:
    case 12:
      list = {{"Ф1", c.FeederBranch1, false}, {"Ф3", c.FeederBranch3, true}};
      break;
    case 9:
      list = {{"Ф1", c.FeederBranch1, false}, {"Ф2", c.FeederBranch2, false}};
      break;
    case 3:
    case 4:
    case 5:
    case 10:
    case 11:
      list = {{"Ф1", c.FeederBranch1, false},
              {"Ф2", c.FeederBranch2, false},
              {"Ф3", c.FeederBranch3, true},
              {"Ф4", c.FeederBranch4, true}};
      break;
    default:
      break;
  }
  return list;
}

TComplex FeederCurrent(const CMat& I, const FeederBranch& f) {
  if (f.Branch < 1 || f.Branch > I.Rows()) return {0, 0};
  const TComplex conj = I(f.Branch, 1);
  const TComplex delivered{conj.Re, -conj.Im};
  return f.Negated ? TComplex{-delivered.Re, -delivered.Im} : delivered;
}

void AccumulateNorms(AppState& st, const CMat& I, const CMat& Phi) {
  if (!st.Norms) {
    st.Norms = std::make_shared<NormCompliance>();
    st.Norms->Norms = NormsOfRun(st);
  }
  NormCompliance& nc = *st.Norms;
  const StepCircuit& c = st.Circuit;
  const double dt = StrToFloat(st.Params.StepMinutes.Get());
  if (!std::isfinite(dt) || !(dt > 0)) return;
  nc.StepsChecked += 1;
  const int n = std::min<int>(c.NodeCount, Phi.Rows());
  // Every train on the zone keeps its entry, also one that shares its node
  // with another and so has no node of its own in this step.
  nc.OnZoneNow.clear();
  for (int track : {1, 2})
    for (const elvoz& t : track == 1 ? st.Trains.Trains1 : st.Trains.Trains2) TrainOf(nc, t.Number, track, t.Km);
  for (int i = 1; i <= n && i <= static_cast<int>(c.NodeTrain.size()); ++i) {
    const int number = c.NodeTrain[static_cast<size_t>(i - 1)];
    if (number == 0) continue;
    int track = number % 2 == 1 ? 1 : 2;
    const elvoz* train = TrainNumbered(st.Trains, number, track);
    TrainCompliance& tc = TrainOf(nc, number, track, train ? train->Km : 0);
    if (!train || !(CAbs(train->Current) > 0)) continue;
    const TComplex phi = Phi(i, 1);
    const double u = CAbs(phi) * (phi.Re < 0 ? -1 : 1);
    tc.MinutesDrawing += dt;
    nc.DrawingMinutes += dt;
    nc.VoltageMinutes += u * dt;
    if (u < nc.Norms.Norm1) {
      tc.MinutesBelow1 += dt;
      nc.Below1Minutes += dt;
    }
    if (u < nc.Norms.Norm2) {
      tc.MinutesBelow2 += dt;
      nc.Below2Minutes += dt;
    }
    tc.Lowest.Offer(u, number, st.StepCount, st.ModelTime, train->Km);
    nc.Lowest.Offer(u, number, st.StepCount, st.ModelTime, train->Km);
  }
  nc.OnZone.swap(nc.OnZoneNow);
  for (const FeederBranch& f : FeedersOfStep(st)) {
    FeederCompliance& fc = FeederNamed(nc, f.Name);
    const double a = CAbs(FeederCurrent(I, f));
    fc.Peak = std::max(fc.Peak, a);
    fc.SquareMinutes += a * a * dt;
  }
  // Every feeder's mean is over every step checked, a step it was not met in
  // counting as no current.
  for (FeederCompliance& f : nc.Feeders) f.Minutes += dt;
}

namespace {

std::string Volts(double v) { return FormatFixed(v, 0, 1) + " В"; }
std::string Minutes(double m) { return FloatToStr(RoundTo(m, 3)) + " мин"; }
std::string Percent(double share) { return FormatFixed(share * 100, 0, 2) + " %"; }

}  // namespace

std::vector<std::string> NormComplianceLines(const NormCompliance& nc) {
  std::vector<std::string> lines;
  if (nc.StepsChecked == 0) {
    lines.push_back("Напряжения на токоприемниках не проверены: шаги решены без потенциалов узлов");
    return lines;
  }
  const std::string n1 = FloatToStr(nc.Norms.Norm1), n2 = FloatToStr(nc.Norms.Norm2);
  lines.push_back("Нормы: " + n1 + " В (минимум на ТКПР), " + n2 + " В (минимум на ТКПР*)");
  lines.push_back("Шагов проверено: " + std::to_string(nc.StepsChecked));
  if (nc.DrawingMinutes > 0) {
    lines.push_back("Среднее полезное напряжение: " + Volts(nc.MeanUsefulVoltage()));
    lines.push_back("Поездо-минуты под током: " + Minutes(nc.DrawingMinutes));
    lines.push_back("Ниже " + n1 + " В: " + Percent(nc.Below1Share()) + " поездо-минут");
    lines.push_back("Ниже " + n2 + " В: " + Percent(nc.Below2Share()) + " поездо-минут");
  } else {
    lines.push_back("Ни один поезд не потреблял ток");
  }
  if (nc.Lowest.Known)
    lines.push_back("Наименьшее напряжение: " + Volts(nc.Lowest.Voltage) + ", поезд " +
                    std::to_string(nc.Lowest.Train) + ", шаг " + std::to_string(nc.Lowest.Step) + ", " +
                    FloatToStr(nc.Lowest.TimeMin) + " мин, " + FloatToStr(RoundTo(nc.Lowest.Km, 3)) + " км");
  for (const TrainCompliance& t : nc.Trains) {
    std::string line = "Поезд " + std::to_string(t.Train) + " (путь " + std::to_string(t.Track) + "): ниже " +
                       n1 + " В " + Minutes(t.MinutesBelow1) + ", ниже " + n2 + " В " + Minutes(t.MinutesBelow2);
    if (t.Lowest.Known)
      line += ", наименьшее " + Volts(t.Lowest.Voltage) + " (" + FloatToStr(t.Lowest.TimeMin) + " мин, " +
              FloatToStr(RoundTo(t.Lowest.Km, 3)) + " км)";
    else
      line += ", без тока";
    lines.push_back(line);
  }
  for (const FeederCompliance& f : nc.Feeders)
    lines.push_back("Фидер " + f.Name + ": наибольший ток " + FormatFixed(f.Peak, 0, 1) + " А, действующий " +
                    FormatFixed(f.Rms(), 0, 1) + " А");
  return lines;
}

const NormCompliance& NormsOf(const AppState& st) {
  static const NormCompliance kNone;
  return st.Norms ? *st.Norms : kNone;
}

}  // namespace tps
