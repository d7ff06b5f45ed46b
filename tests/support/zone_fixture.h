// A feeding zone ready to be built and solved: a state with a recording host
// in a fresh working directory and plain conductor data, for the tests of the
// schemes, the step solution and the runs.
#pragma once

#include <memory>
#include <string>

#include "circuit/schemes.h"
#include "params/state.h"
#include "traffic/schedule.h"
#include "sample_zone.h"
#include "test_support.h"

namespace tpstest {

struct Zone {
  TempDir dir;
  tps::RecordingHost host;
  std::unique_ptr<tps::AppState> st = std::make_unique<tps::AppState>();

  // The sample conductors: 0.15 Ohm/km per track on DC.
  explicit Zone(int variant, const std::string& zoneKm = "20") {
    tps::AppState& s = *st;
    s.Work = dir.Work();
    s.Host = &host;
    s.Rng.SetSeed(12345);
    tps::TParamBlock& p = s.Params;
    p.ZoneLength.Set(zoneKm);
    bool dc = tps::IsDcVariant(variant);
    p.UaRe.Set(dc ? "3300" : "27500");
    p.UaIm.Set(dc ? tps::kNotGiven : "0");
    p.UbRe.Set(dc ? "3300" : "27500");
    p.UbIm.Set(dc ? tps::kNotGiven : "0");
    p.TrainActive.Set(dc ? "1000" : "250");
    p.TrainReactive.Set(dc ? tps::kNotGiven : "-100");
    p.TrainSpeed.Set("60");
    p.TrainKm.Set("0");
    p.StepMinutes.Set("1");
    p.BatchTrains.Set("2");
    p.BatchInterval.Set("10");
    p.PskKm.Set("10");
    p.Pps1Km.Set("5");
    p.Pps2Km.Set("15");
    FillSampleConductors(p);
    s.Scheme = tps::SchemeControlsForVariant(variant);
    tps::UpdateSchemeVariant(s);
  }
  tps::AppState& S() { return *st; }
};

// One event of a schedule's time point, with the current, place, speed and
// type a test gives it.
inline tps::TGDPEvent Ev(uint16_t number, uint8_t kind, double active = 1000, double km = 0, double speed = 60,
                         uint8_t type = tps::ttFreight) {
  tps::TGDPEvent e;
  e.Number = number;
  e.Kind = kind;
  e.ActiveCurrent = active;
  e.Position = km;
  e.Speed = speed;
  e.TypeCode = type;
  return e;
}

}  // namespace tpstest
