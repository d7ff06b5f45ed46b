#include "scenarios.h"

#include <cmath>

#include "circuit/schemes.h"
#include "params/conv.h"
#include "params/params.h"
#include "params/trains.h"
#include "sample_zone.h"

namespace tps::bench {

const std::vector<Scenario>& Scenarios() {
  static const std::vector<Scenario> list = {
      {'a', "DC double-track two-sided, 30 km, 20 + 20 trains", 3, 30, 20, 20, 1},
      {'b', "AC double-track two-sided, 60 km, 50 + 50 trains", 10, 60, 50, 50, 1},
      {'c', "AC nodal, 40 km, 30 + 30 trains", 11, 40, 30, 30, 1},
      {'d', "DC parallel, 30 km, 15 + 15 trains", 5, 30, 15, 15, 1},
      {'e', "AC double-track two-sided, 200-step run, 10 + 10 trains", 10, 60, 10, 10, 200},
  };
  return list;
}

ZoneState::ZoneState(int variant, double zoneKm) {
  st_.Host = &host_;
  st_.ShowPictures = false;
  st_.Rng.SetSeed(12345);
  TParamBlock& p = st_.Params;
  const bool dc = IsDcVariant(variant);
  p.ZoneLength.Set(FloatToStr(zoneKm));
  p.UaRe.Set(dc ? "3300" : "27500");
  p.UaIm.Set(dc ? kNotGiven : "0");
  p.UbRe.Set(dc ? "3350" : "27600");
  p.UbIm.Set(dc ? kNotGiven : "0");
  p.TrainActive.Set(dc ? "1000" : "250");
  p.TrainReactive.Set(dc ? kNotGiven : "-100");
  p.TrainSpeed.Set("60");
  p.TrainKm.Set("0");
  p.StepMinutes.Set("1");
  p.BatchTrains.Set("2");
  p.BatchInterval.Set("10");
  p.PskKm.Set(FloatToStr(zoneKm / 2));
  p.Pps1Km.Set(FloatToStr(zoneKm / 4));
  p.Pps2Km.Set(FloatToStr(zoneKm * 3 / 4));
  tpstest::FillSampleConductors(p);
  st_.Scheme = SchemeControlsForVariant(variant);
  UpdateSchemeVariant(st_);
}

void ZoneState::AddTrains(int track1, int track2) {
  const double L = StrToFloat(st_.Params.ZoneLength.Get());
  auto place = [&](int track, int count) {
    for (int k = 0; k < count; ++k) {
      // Offsets that keep trains off the posts (at L/4, L/2, 3L/4) and off
      // each other's places; currents differ a little from train to train.
      double km = L * (k + (track == 1 ? 0.37 : 0.61)) / count;
      st_.Params.TrainKm.Set(FloatToStr(RoundTo(km, 3)));
      const bool dc = IsDcVariant(st_.SchemeVariant);
      st_.Params.TrainActive.Set(FloatToStr((dc ? 900 : 220) + 7 * k + 3 * track));
      if (!dc) st_.Params.TrainReactive.Set(FloatToStr(-90 - 3 * k));
      AddTrain(st_, track);
    }
  };
  place(1, track1);
  place(2, track2);
}

void ZoneState::Build() { BuildStepCircuit(st_); }

void ZoneState::Advance() {
  const double L = StrToFloat(st_.Params.ZoneLength.Get());
  const double step = StrToFloat(st_.Params.StepMinutes.Get());
  for (elvoz& t : st_.Trains.Trains1) {
    t.Km += t.Speed * step / 60;
    if (t.Km >= L) t.Km -= L;
  }
  for (elvoz& t : st_.Trains.Trains2) {
    t.Km -= t.Speed * step / 60;
    if (t.Km <= 0) t.Km += L;
  }
  st_.ModelTime += step;
}

}  // namespace tps::bench
