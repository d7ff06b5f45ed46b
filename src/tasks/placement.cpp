#include "tasks/placement.h"

#include <algorithm>
#include <cmath>

#include "params/conv.h"
#include "params/fileio.h"
#include "validation/schedule_checks.h"

namespace tps {

namespace {

// No sweep has more places than this (the task check allows far fewer).
constexpr size_t kMostPlaces = 100000;
// The search ends when a pass leaves the sectioning post in place; every
// pass that does not lowers the best loss, and there are no more passes than
// this.
constexpr int kMostPasses = 10000;

// The fewest decimals (up to 10) that write x.
int Decimals(double x) {
  int d = 0;
  while (d < 10 && RoundTo(x, d) != x) ++d;
  return d;
}

// The places x0, x0 + h, ... while below (or up to) the end. Place k is
// x0 + k h rounded to the decimals of x0 and h: a place added up step by
// step drifts (1 + 0.1 + ... passes 2 before reaching it, and 7.9 comes out
// as 7.89999999999999).
std::vector<double> Places(double x0, double h, double end, bool upTo) {
  std::vector<double> xs;
  if (!(h > 0) || !std::isfinite(h) || !std::isfinite(x0) || !std::isfinite(end)) return xs;
  const int decimals = std::max(Decimals(x0), Decimals(h));
  for (size_t k = 0; k < kMostPlaces; ++k) {
    const double x = RoundTo(x0 + static_cast<double>(k) * h, decimals);
    if (upTo ? !(x <= end) : !(x < end)) break;
    xs.push_back(x);
  }
  return xs;
}

// A post set to x: its field holds the text of x (at most 11 characters),
// and the place used afterwards is the number read back from that text.
double SetPost(ShortStr<11>& field, double x) {
  field.Set(FloatToStr(x));
  double v = 0;
  return TryStrToFloat(field.Get(), v) ? v : x;
}

// The first entry, then each strictly smaller one: the first of equal minima wins.
template <class Loss>
size_t BestFrom(size_t best, size_t count, Loss loss) {
  for (size_t k = best; k < count; ++k)
    if (loss(k) < loss(best)) best = k;
  return best;
}

}  // namespace

PskSweepResult SweepPsk(AppState& st, const std::string& file, const TaskInput& in, StudyControl& ctl) {
  PskSweepResult res;
  if (CheckScheduleMatch(st, file, true) != 0 || CheckPskTaskInput(st, in) != 0) {
    res.Outcome = RunOutcome::Refused;
    return res;
  }
  TruncateFile(st.Work, kPskTaskFile);
  const std::vector<double> xs = Places(StrToFloat(in.Left), StrToFloat(in.Step), StrToFloat(in.Right), true);
  std::vector<Study::Setup> setups;
  for (double x : xs) setups.push_back([x](TParamBlock& p) { p.PskKm.Set(FloatToStr(x)); });

  Study study(st, ctl);
  const std::vector<StudyRun> runs = study.RunBatch(file, setups);
  study.Finish();
  if (study.Trouble() != RunOutcome::Finished) {
    res.Outcome = study.Trouble();
    return res;
  }
  res.Stopped = study.Ended();
  std::vector<std::string> lines;
  for (size_t k = 0; k < runs.size(); ++k) {
    res.Positions.push_back(xs[k]);
    res.Losses.push_back(runs[k].Loss);
    lines.push_back(FloatToStr(xs[k]) + " " + FloatToStr(runs[k].Loss));
  }
  WriteTextLines(st.Work, kPskTaskFile, lines);
  if (!runs.empty()) {
    res.HasBest = true;
    res.Best = BestFrom(0, runs.size(), [&](size_t k) { return res.Losses[k]; });
    if (!res.Stopped) {
      SetPost(st.Params.PskKm, res.Positions[res.Best]);
      st.Notify(Changed::Fields);
      st.Notify(Changed::Picture);
    }
  }
  return res;
}

PostSearchResult SearchPskPps(AppState& st, const std::string& file, const TaskInput& in, StudyControl& ctl) {
  PostSearchResult res;
  if (CheckScheduleMatch(st, file, true) != 0 || CheckPskPpsTaskInput(st, in) != 0) {
    res.Outcome = RunOutcome::Refused;
    return res;
  }
  TruncateFile(st.Work, kPskPpsTaskFile);
  const double zone = StrToFloat(st.Params.ZoneLength.Get());
  const double h = StrToFloat(in.Step), left = StrToFloat(in.Left), right = StrToFloat(in.Right);

  Study study(st, ctl);
  TParamBlock& p = study.Params();
  double psk = SetPost(p.PskKm, h);
  double pps1 = SetPost(p.Pps1Km, 0.01);
  double pps2 = SetPost(p.Pps2Km, zone - 0.01);
  double lastPsk = 0;

  enum class Post { Psk, Pps1, Pps2 };
  // One sweep of one post with the other two where they stand; its lines
  // follow the lines of the runs before.
  auto sweep = [&](Post post, const std::vector<double>& xs) {
    if (study.Ended() || xs.empty()) return;
    std::vector<Study::Setup> setups;
    std::vector<PostRun> planned;
    for (double x : xs) {
      PostRun r{pps1, psk, pps2, 0};
      ShortStr<11> text;
      const double v = SetPost(text, x);
      (post == Post::Psk ? r.Psk : post == Post::Pps1 ? r.Pps1 : r.Pps2) = v;
      planned.push_back(r);
      setups.push_back([post, x](TParamBlock& q) {
        SetPost(post == Post::Psk ? q.PskKm : post == Post::Pps1 ? q.Pps1Km : q.Pps2Km, x);
      });
    }
    const std::vector<StudyRun> runs = study.RunBatch(file, setups);
    std::vector<std::string> lines;
    for (size_t k = 0; k < runs.size(); ++k) {
      PostRun r = planned[k];
      r.Loss = runs[k].Loss;
      res.Runs.push_back(r);
      lines.push_back(FloatToStr(r.Pps1) + " " + FloatToStr(r.Psk) + " " + FloatToStr(r.Pps2) + " " +
                      FloatToStr(r.Loss));
    }
    if (!lines.empty()) AppendTextLines(st.Work, kPskPpsTaskFile, lines);
    if (!res.Runs.empty())
      res.Best = BestFrom(res.Best, res.Runs.size(), [&](size_t k) { return res.Runs[k].Loss; });
  };

  for (int pass = 0; pass < kMostPasses; ++pass) {
    sweep(Post::Psk, Places(pass == 0 ? h : pps1 + h, h, pps2, false));
    if (study.Trouble() != RunOutcome::Finished || res.Runs.empty()) break;
    psk = SetPost(p.PskKm, res.Runs[res.Best].Psk);
    if (psk == lastPsk) break;
    lastPsk = psk;
    sweep(Post::Pps1, Places(left + h, h, psk, false));
    if (study.Trouble() != RunOutcome::Finished) break;
    pps1 = SetPost(p.Pps1Km, res.Runs[res.Best].Pps1);
    sweep(Post::Pps2, Places(psk + h, h, right, false));
    if (study.Trouble() != RunOutcome::Finished) break;
    pps2 = SetPost(p.Pps2Km, res.Runs[res.Best].Pps2);
  }
  study.Finish();
  if (study.Trouble() != RunOutcome::Finished) {
    res.Outcome = study.Trouble();
    return res;
  }
  res.Stopped = study.Ended();
  res.HasBest = !res.Runs.empty();
  return res;
}

}  // namespace tps
