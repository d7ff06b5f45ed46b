// The feeding zones the benchmark and the bit-identity tests solve: a zone of
// a given scheme and length with trains spread along both tracks, built into
// the matrices of one step by the scheme builders.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "params/host.h"
#include "params/state.h"

namespace tps::bench {

struct Scenario {
  char Letter;
  std::string Title;
  int Variant;
  double ZoneKm;
  int Trains1, Trains2;
  int Steps;  // 1: one step; more: a whole run of that many steps
};

// The scenarios of the performance table, in order (a) to (e).
const std::vector<Scenario>& Scenarios();

// A zone with plain conductor data and the scheme of `variant`; the posts
// stand at a quarter, a half and three quarters of the zone.
class ZoneState {
 public:
  ZoneState(int variant, double zoneKm);
  AppState& S() { return st_; }
  // Trains on track 1 and track 2, spread evenly and never on a post or on
  // a train of the other track.
  void AddTrains(int track1, int track2);
  // Builds the matrices of the current step into S().Circuit.
  void Build();
  // Moves the trains by one step; a train that leaves the zone enters again
  // at its start, so the zone keeps its load over a long run.
  void Advance();

 private:
  RecordingHost host_;
  AppState st_;
};

}  // namespace tps::bench
