// The conductor data and catenary geometry of the sample zone shared by the
// tests and the benchmark: contact wire 0.2, messenger 0.2, no feeder, rails
// 0.05 Ohm/km (0.15 Ohm/km per track on DC), the usual AC geometry.
#pragma once

#include "params/params.h"

namespace tpstest {

inline void FillSampleConductors(tps::TParamBlock& p) {
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
}

}  // namespace tpstest
