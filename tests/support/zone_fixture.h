// A feeding zone ready to be built and solved: a state with a recording host
// in a fresh working directory and plain conductor data, for the tests of the
// schemes, the step solution and the runs.
#pragma once

#include <memory>
#include <string>

#include "circuit/schemes.h"
#include "params/state.h"
#include "test_support.h"

namespace tpstest {

struct Zone {
  TempDir dir;
  tps::RecordingHost host;
  std::unique_ptr<tps::AppState> st = std::make_unique<tps::AppState>();

  // DC: contact wire 0.2, messenger 0.2, no feeder, rails 0.05 Ohm/km:
  // 0.15 Ohm/km per track. AC: the usual catenary geometry.
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
    p.TrainType.Set("Грузовой (F)");
    p.ContactWireType.Set("МФ-100");
    p.MessengerType.Set("М-120");
    p.FeederType.Set(tps::kNoFeeder);
    p.RailType.Set("Р65");
    p.EarthConductivity = 0.01;
    p.ContactWireR = 0.2;
    p.MessengerR = 0.2;
    p.FeederR = 0;
    p.RailR = 0.05;
    p.ContactWireRadius = 0.6;
    p.MessengerRadius = 0.7;
    p.RailRadius = 12.79;
    p.RailGauge = 1.42;
    p.MastToTrackAxis = 3;
    p.WireSpacing = 1.3;
    p.FeederToMast = 2;
    p.FeederToScreenWire = 0.8;
    p.TrackSpacing = 6.5;
    p.ContactWireHeight = 5.75;
    p.AirTemperature = 20;
    s.Scheme = tps::SchemeControlsForVariant(variant);
    tps::UpdateSchemeVariant(s);
  }
  tps::AppState& S() { return *st; }
};

}  // namespace tpstest
