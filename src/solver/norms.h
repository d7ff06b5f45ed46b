// The pantograph voltages of a run against the voltage norms ("Нормы
// напряжений"), and the feeder currents of the run: gathered at every step
// that the full solution solves, from the potentials and currents it has.
//
// A train counts for the norms while it draws current: its minutes below
// each norm, the run's mean useful voltage (the time average of the
// pantograph voltages of the trains drawing current) and the shares of those
// train-minutes spent below each norm. Every step solved weighs its step
// minutes. A feeder keeps its peak current and the root mean square of its
// current over the run.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "arith/matr.h"
#include "params/state.h"

namespace tps {

// The two minimum norms of the pantograph voltage, V: the first ("Минимум на
// ТКПР") and the second, lower one that is allowed only briefly ("Минимум на
// ТКПР*").
struct PantographNorms {
  double Norm1 = 0, Norm2 = 0;
};
inline constexpr PantographNorms kPantographNormsDc{2700, 2400};
inline constexpr PantographNorms kPantographNormsAc{21000, 19000};
// The norms of the run's current kind: direct current for the schemes 1..6,
// alternating for 7..12; a user circuit (no scheme) by its substation A
// voltage, alternating above 10 kV.
PantographNorms NormsOfRun(const AppState& st);

// The lowest voltage met and where: train, step, model minute and km.
struct LowestVoltage {
  bool Known = false;
  double Voltage = 0;  // V, the modulus signed by the real part
  int Train = 0;
  uint32_t Step = 0;
  double TimeMin = 0, Km = 0;
  // Keeps v when it is lower than the lowest so far (the first of equals stays).
  void Offer(double v, int train, uint32_t step, double timeMin, double km);
};

struct TrainCompliance {
  int Train = 0, Track = 0;
  double MinutesDrawing = 0;
  double MinutesBelow1 = 0, MinutesBelow2 = 0;
  LowestVoltage Lowest;
  double LastKm = 0;  // where it stood at the last step checked
};

struct FeederCompliance {
  std::string Name;  // "Ф1".."Ф4", or the chain of a user circuit's chart choice
  double Peak = 0;   // A, the largest modulus
  double SquareMinutes = 0, Minutes = 0;
  double Rms() const;
};

struct NormCompliance {
  PantographNorms Norms;
  uint32_t StepsChecked = 0;
  // Train-minutes drawing current, their pantograph voltages integrated over
  // time (V·min), and the train-minutes below each norm.
  double DrawingMinutes = 0, VoltageMinutes = 0, Below1Minutes = 0, Below2Minutes = 0;
  LowestVoltage Lowest;
  // In order of their first step on the zone. A number freed by a train that
  // left and taken by a later one (the random flow reuses them) is a new
  // train: it is on the zone now and was not at the last step, or it stands
  // behind the place the number had then (a train never runs backwards).
  std::vector<TrainCompliance> Trains;
  // The trains on the zone at the last step checked (number, index in
  // Trains), and the same list for the step under way, kept to be reused.
  std::vector<std::pair<int, size_t>> OnZone, OnZoneNow;
  std::vector<FeederCompliance> Feeders;  // in the order of the scheme's feeders

  // 0 when no train drew current.
  double MeanUsefulVoltage() const;
  double Below1Share() const;
  double Below2Share() const;
  double PeakFeederCurrent() const;
  // Every train drawing current stayed at or above the second norm.
  bool KeepsNorm2() const { return Below2Minutes == 0; }
};

// A feeder of the step circuit: its branch and whether the branch runs
// towards the substation (its current is then negated to read as delivered).
struct FeederBranch {
  std::string Name;
  int Branch = 0;
  bool Negated = false;
};
// The feeders the scheme feeds: Ф1 (and Ф3 with two substations) on a single
// track; Ф1..Ф4 on two tracks, Ф1 and Ф3 with "Откл Ф2 и Ф4", Ф1 and Ф2 with
// the AC double-track console; a user circuit's chart choices.
std::vector<FeederBranch> FeedersOfStep(const AppState& st);
// The current a feeder delivers in the step, A (I holds the conjugated currents).
TComplex FeederCurrent(const CMat& I, const FeederBranch& f);

// The step just solved (I conjugated currents, Phi potentials) added to the
// run's compliance, created at the first step of the run.
void AccumulateNorms(AppState& st, const CMat& I, const CMat& Phi);

// The block "Соответствие нормам" of the results: the norms, the mean useful
// voltage, the shares below the norms, the lowest voltage and where, a line
// per train and per feeder. One line when nothing was checked.
std::vector<std::string> NormComplianceLines(const NormCompliance& nc);

// The run's compliance, or an empty one (no step checked) when none was gathered.
const NormCompliance& NormsOf(const AppState& st);

}  // namespace tps
