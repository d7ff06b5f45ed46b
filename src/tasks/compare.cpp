#include "tasks/compare.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "circuit/schemes.h"
#include "driver/probrun.h"
#include "driver/runs.h"
#include "params/conv.h"
#include "params/errors.h"
#include "tasks/placement.h"
#include "tasks/statistics.h"
#include "validation/schedule_checks.h"

namespace tps {

namespace {

// Student's t for a two-sided 95 % interval, 1..30 degrees of freedom; the
// normal 1.96 beyond.
double StudentT95(size_t df) {
  static const double t[30] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228,
                               2.201,  2.179, 2.160, 2.145, 2.131, 2.120, 2.110, 2.101, 2.093, 2.086,
                               2.080,  2.074, 2.069, 2.064, 2.060, 2.056, 2.052, 2.048, 2.045, 2.042};
  return df >= 1 && df <= 30 ? t[df - 1] : 1.96;
}

bool DoubleTrack(int v) { return v >= 1 && v <= 12 && !IsSingleTrackVariant(v); }

// The post places of a scheme: the field's number where it holds one,
// otherwise the middle of the zone for the sectioning post and its quarters
// for the parallel-connection posts.
std::string PostText(const ShortStr<11>& field, double zone, double share) {
  double v = 0;
  if (TryStrToFloat(field.Get(), v) && std::isfinite(v)) return field.Get();
  return FloatToStr(RoundTo(zone * share, 3));
}

// The scheme v set into the state as its controls would set it, with its posts.
void SetScheme(AppState& s, const SchemeComparison& c) {
  s.Scheme = SchemeControlsForVariant(c.Variant);
  UpdateSchemeVariant(s);
  s.SchemeVariant = static_cast<uint8_t>(c.Variant);
  if (!c.PskKm.empty()) s.Params.PskKm.Set(c.PskKm);
  if (!c.Pps1Km.empty()) s.Params.Pps1Km.Set(c.Pps1Km);
  if (!c.Pps2Km.empty()) s.Params.Pps2Km.Set(c.Pps2Km);
  // Every step is solved whole: the norms need the potentials of the trains.
  s.Options.BuildCharts = true;
}

SchemeRunFigures FiguresOf(const AppState& s) {
  SchemeRunFigures f;
  f.SuppliedWh = s.EnergySupplied[0];
  f.SuppliedVarh = s.EnergySupplied[1];
  f.LossWh = s.EnergyLoss;
  f.LossPercent = s.LossPercent;
  f.Norms = NormsOf(s);
  return f;
}

// The series of a run are dropped once its figures are taken: a run state
// of a comparison carries only what the next run starts from.
void ReleaseSeries(AppState& s) {
  s.Chart = ChartData();
  s.LossSeries.Losses = {};
  s.LossSeries.StepIndex = {};
  s.Flow.Record = {};
  s.Circuit = StepCircuit();
}

std::string Wh(double v) { return FormatFixed(v, 0, 1) + " Вт·ч"; }

// The ranking: the lowest mean loss among the schemes that keep every train
// at or above the second norm (the first of equal losses stays first).
void Rank(CompareResult& res) {
  std::vector<SchemeComparison*> keepers;
  for (SchemeComparison& c : res.Schemes) {
    c.RunsBelowNorm2 = 0;
    for (const SchemeRunFigures& r : c.Runs)
      if (!r.Norms.KeepsNorm2() || r.Norms.StepsChecked == 0) ++c.RunsBelowNorm2;
    c.KeepsNorm2 = !c.Runs.empty() && c.RunsBelowNorm2 == 0;
    if (c.KeepsNorm2) keepers.push_back(&c);
  }
  std::stable_sort(keepers.begin(), keepers.end(),
                   [](const SchemeComparison* a, const SchemeComparison* b) { return a->MeanLoss() < b->MeanLoss(); });
  for (size_t k = 0; k < keepers.size(); ++k) keepers[k]->Rank = static_cast<int>(k + 1);
  const SchemeComparison* best = keepers.empty() ? nullptr : keepers.front();
  res.Best = best ? best->Variant : 0;
  for (SchemeComparison& c : res.Schemes) {
    const double norm2 = c.Runs.empty() ? 0 : c.Runs.front().Norms.Norms.Norm2;
    if (c.Runs.empty()) {
      c.Reason = "расчёт не выполнен";
    } else if (!c.KeepsNorm2) {
      if (c.Runs.size() == 1) {
        const NormCompliance& n = c.Runs.front().Norms;
        c.Reason = n.StepsChecked == 0
                       ? "напряжения на токоприемниках не проверены"
                       : "напряжение ниже " + FloatToStr(norm2) + " В: " + FloatToStr(RoundTo(n.Below2Minutes, 3)) +
                             " поездо-мин, наименьшее " + FormatFixed(n.Lowest.Voltage, 0, 1) + " В (поезд " +
                             std::to_string(n.Lowest.Train) + ", " + FloatToStr(n.Lowest.TimeMin) + " мин, " +
                             FloatToStr(RoundTo(n.Lowest.Km, 3)) + " км)";
      } else {
        c.Reason = "напряжение ниже " + FloatToStr(norm2) + " В в " + std::to_string(c.RunsBelowNorm2) + " из " +
                   std::to_string(c.Runs.size()) + " реализаций";
      }
    } else if (&c == best) {
      c.Reason = "наименьшие потери среди схем, где все поезда не ниже " + FloatToStr(norm2) + " В";
    } else {
      const double more = c.MeanLoss() - best->MeanLoss();
      c.Reason = "потери больше, чем у схемы " + std::to_string(best->Variant) + ", на " + Wh(more) +
                 (best->MeanLoss() > 0 ? " (" + FormatFixed(more * 100 / best->MeanLoss(), 0, 2) + " %)" : "");
    }
  }
  res.BestReason = best ? best->Reason : "ни одна схема не держит напряжение всех поездов не ниже второй нормы";
}

}  // namespace

FigureSummary Summarize(const std::vector<double>& values) {
  FigureSummary s;
  const size_t n = values.size();
  if (n == 0) return s;
  double sum = 0;
  for (double v : values) sum += v;
  s.Mean = sum / static_cast<double>(n);
  if (n > 1) {
    double sq = 0;
    for (double v : values) sq += (v - s.Mean) * (v - s.Mean);
    s.Sd = std::sqrt(sq / static_cast<double>(n - 1));
  }
  const double half = n > 1 ? StudentT95(n - 1) * s.Sd / std::sqrt(static_cast<double>(n)) : 0;
  s.Low = s.Mean - half;
  s.High = s.Mean + half;
  return s;
}

std::vector<double> SchemeComparison::Figure(double (*of)(const SchemeRunFigures&)) const {
  std::vector<double> v;
  for (const SchemeRunFigures& r : Runs) v.push_back(of(r));
  return v;
}

double SchemeComparison::MeanLoss() const {
  return Summarize(Figure([](const SchemeRunFigures& r) { return r.LossWh; })).Mean;
}

std::string WhyUnfit(const AppState& st, int v, const TGDPClass* schedule) {
  const int base = st.SchemeVariant;
  if (v < 1 || v > 12) return "нет такой схемы";
  if (IsDcVariant(v) != IsDcVariant(base))
    return IsDcVariant(base) ? "схема переменного тока, участок постоянного" : "схема постоянного тока, участок переменного";
  if (DoubleTrack(v) != DoubleTrack(base))
    return DoubleTrack(base) ? "однопутная схема, участок двухпутный" : "двухпутная схема, участок однопутный";
  if (v == 6 || v == 12) return "\"Откл Ф2 и Ф4\": поезда пути 2 остались бы без питания";
  if (schedule) {
    const std::string lost = TrainWithoutTrack(*schedule, v);
    if (!lost.empty()) return lost;
  }
  return std::string();
}

CompareResult CompareSchemes(AppState& st, const CompareInput& in, StudyControl& ctl) {
  CompareResult res;
  const bool bySchedule = !in.Schedule.empty();
  if (!bySchedule && in.Runs == 0) throw ProgramError("Сравнение схем без ГДП и без реализаций");
  std::unique_ptr<TGDPClass> gdp;
  if (bySchedule) {
    gdp = std::make_unique<TGDPClass>();
    gdp->Init(st);
    gdp->LoadFromFile(st.Work, SchedulePath(in.Schedule));
  }
  // The schemes asked for, or every scheme of the zone's kind and tracks.
  std::vector<int> asked = in.Schemes;
  if (asked.empty())
    for (int v = 1; v <= 12; ++v)
      if (WhyUnfit(st, v, gdp.get()).empty()) asked.push_back(v);
  double zone = 0;
  TryStrToFloat(st.Params.ZoneLength.Get(), zone);
  for (int v : asked) {
    if (std::any_of(res.Schemes.begin(), res.Schemes.end(), [v](const SchemeComparison& c) { return c.Variant == v; }))
      continue;
    const std::string why = WhyUnfit(st, v, gdp.get());
    if (!why.empty()) {
      res.Unfit.push_back({v, why});
      continue;
    }
    SchemeComparison c;
    c.Variant = v;
    c.Name = VariantName(v);
    if (v == 4 || v == 5 || v == 11) c.PskKm = PostText(st.Params.PskKm, zone, 0.5);
    if (v == 5) {
      c.Pps1Km = PostText(st.Params.Pps1Km, zone, 0.25);
      c.Pps2Km = PostText(st.Params.Pps2Km, zone, 0.75);
    }
    res.Schemes.push_back(c);
  }
  if (res.Schemes.empty()) {
    std::string text = "Нет схемы для сравнения";
    for (const UnfitScheme& u : res.Unfit) text += "; схема " + std::to_string(u.Variant) + ": " + u.Reason;
    st.Message(MsgKind::Error, text);
    res.Outcome = RunOutcome::Refused;
    return res;
  }

  // The posts placed by their search first, on the schedule, each search on
  // every core.
  if (in.BestPosts && bySchedule) {
    for (SchemeComparison& c : res.Schemes) {
      if (c.Variant != 4 && c.Variant != 5 && c.Variant != 11) continue;
      AppState placed = st;
      SetScheme(placed, c);
      placed.RunMode = ModeSchedule;
      if (c.Variant == 5) {
        const PostSearchResult r = SearchPskPps(placed, in.Schedule, in.Bounds, ctl);
        if (r.Outcome != RunOutcome::Finished) {
          res.Outcome = r.Outcome;
          return res;
        }
        if (r.HasBest) {
          c.PskKm = FloatToStr(r.Runs[r.Best].Psk);
          c.Pps1Km = FloatToStr(r.Runs[r.Best].Pps1);
          c.Pps2Km = FloatToStr(r.Runs[r.Best].Pps2);
        }
      } else {
        const PskSweepResult r = SweepPsk(placed, in.Schedule, in.Bounds, ctl);
        if (r.Outcome != RunOutcome::Finished) {
          res.Outcome = r.Outcome;
          return res;
        }
        if (r.HasBest) c.PskKm = FloatToStr(r.Positions[r.Best]);
      }
      if (ctl.Stop.load()) {
        res.Stopped = true;
        return res;
      }
    }
  }

  const size_t schemes = res.Schemes.size();
  const size_t realizations = bySchedule ? 1 : in.Runs;
  const size_t total = schemes * realizations;
  std::vector<SchemeRunFigures> figures(total);

  AppState base = st;
  base.RunMode = bySchedule ? ModeSchedule : ModeProb;
  Study study(base, ctl);
  // The generator as each realization finds it: the flow of realization r is
  // drawn from seed r for every scheme, so every scheme meets the same trains.
  std::vector<uint32_t> seeds;
  if (!bySchedule) {
    AppState drawing = study.State();
    drawing.Host = nullptr;
    SetScheme(drawing, res.Schemes.front());
    for (size_t r = 0; r <= realizations && !ctl.Stop.load(); ++r) {
      seeds.push_back(drawing.Rng.Seed());
      if (r < realizations && !DrawRealization(drawing)) break;
    }
  }
  std::vector<Study::Job> jobs;
  for (size_t k = 0; k < total; ++k) {
    const size_t r = k / schemes, s = k % schemes;
    jobs.push_back([&, k, r, s](AppState& run) {
      SetScheme(run, res.Schemes[s]);
      StudyRun out;
      if (bySchedule) {
        out = ScheduleLossRun(run, in.Schedule);
      } else {
        if (r + 1 >= seeds.size()) return out;  // not drawn: stopped, or a run that would not start
        run.Rng.SetSeed(seeds[r]);
        out.Outcome = StartRun(run);
        out.Complete = out.Outcome == RunOutcome::Finished;
        // The realization drawn ahead and the one the run drew: the same
        // trains, or the comparison stops rather than compare other traffic.
        if (out.Complete && run.Rng.Seed() != seeds[r + 1]) {
          run.Message(MsgKind::Error, "Реализация " + std::to_string(r + 1) +
                                          ": поезда разошлись с заранее разыгранными, сравнение остановлено");
          out.Outcome = RunOutcome::Failed;
          out.Complete = false;
          return out;
        }
      }
      if (out.Complete) {
        figures[k] = FiguresOf(run);
        out.Loss = run.EnergyLoss;
      }
      if (k + 1 != total) ReleaseSeries(run);
      return out;
    });
  }
  const std::vector<StudyRun> runs = study.RunJobs(jobs);
  study.Finish();
  // The window's (or the command's) state gets the study's back; the scheme
  // it held stays its own.
  if (study.Trouble() != RunOutcome::Finished) {
    res.Outcome = study.Trouble();
    return res;
  }
  const size_t complete = runs.size() / schemes;  // whole realizations only
  res.Stopped = runs.size() < total;
  for (size_t r = 0; r < complete; ++r)
    for (size_t s = 0; s < schemes; ++s) res.Schemes[s].Runs.push_back(figures[r * schemes + s]);
  Rank(res);
  return res;
}

}  // namespace tps
