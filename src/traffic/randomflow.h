// The random train flow of the probabilistic mode: the calculation period is
// cut into slots of the minimum interval J; slot by slot a train enters with
// the probability that spreads exactly the requested number of trains over
// the slots left; its type is drawn in proportion to the trains of each type
// still to come, its current and speed uniformly within the type's ranges.
// Track 1 trains enter at km 0, track 2 trains (two-way flow) at the far end.
//
// Every draw comes from the program's one generator st.Rng, and nothing of
// the electrical solution is read by a draw: which slot gets a train, its
// type, current and speed depend only on the generator, the flow parameters,
// the model clock and the zone length. A study can therefore draw the trains
// of a realization with RandomFlowEnter and AdvanceTrains alone, without
// building or solving a step, and gets the same trains as the solved run
// (as long as the substation voltages are not drawn at random in the steps:
// the switches "U" and "d" draw from the same generator while a step is built).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "params/persist.h"
#include "params/random.h"
#include "params/state.h"
#include "traffic/schedule.h"

namespace tps {

// The most slots a period may hold: the slot draw counts slots and trains in
// 16 bits.
inline constexpr uint32_t kMaxFlowSlots = 65535;

// The calculation period in minutes from the texts of the period list:
// "1 час" 60, "24 часа" 1440, "1 месяц" 43200, "1 год" 525600; 0 for a text
// that is not "<integer> <unit>".
uint32_t PeriodMinutes(const std::string& text);
// The texts of the period list, in order.
const std::vector<std::string>& PeriodTexts();

// Nmax update (every change of J or T): Nmax = floor(T / J) into
// st.Flow.NmaxText and the slots left of both tracks; "н/и" when J is empty
// or "0" or the period is empty.
void UpdateNmax(AppState& st);
// J filter (every change of the J box): "0" and "00" empty the box; otherwise
// at most two digits of the first three characters, above 60 becomes "60".
// The Nmax update follows.
void FilterMinInterval(AppState& st);
// The integer of the Nmax box, or -1 when it holds no number ("н/и").
int64_t NmaxValue(const AppState& st);

// "Сохранить" of the form "Параметры поездов для вероятностного метода
// расчёта": the grid st.Prob.Grid into "data\prelvoz.dmt". A cell that is not
// a finite number (a count: not an integer 0..65535) is refused with a
// warning naming its row and column, and the file stays as it was.
bool SaveProbTrainParams(AppState& st);
// The same check of the grid, but the rows are kept for the runs of this
// process only (st.Flow.GivenRows) and the file is left as it is.
bool GiveProbTrainParams(AppState& st);
// The flow rows a run reads: those given for this process, else the file
// "data\prelvoz.dmt" (a missing or short file raises IoError).
TProbTrainRecord FlowRecordOf(const AppState& st);
// The rows and columns of the grid, as the form heads them.
extern const char* const kFlowRowNames[4];
extern const char* const kFlowColumnNames[7];

// The flow of a new run: no slot yet on either track, the type records read
// from "data\prelvoz.dmt" (a second copy for track 2 when two-way). A missing
// or short file raises IoError.
void PrepareRandomFlow(AppState& st, bool twoWay);
// More trains requested on track 1 than slots left.
bool TooManyTrains(const AppState& st);
// Trains still to enter on track 1, or on track 2 when two-way.
bool TrainsRemaining(const AppState& st, bool twoWay);
// The end of the flow: clock and step counter to 0, the slots back to Nmax,
// the type records released.
void ResetRandomFlow(AppState& st);

// True when a train enters in this slot: u < trains / slots (never without slots).
bool SlotDraw(TRandom& rng, uint32_t slotsLeft, uint32_t trainsLeft);
// b + u * (a - b), u uniform in [0, 1).
double UniformBetween(TRandom& rng, double a, double b);
// A train of the flow of `track`: the type drawn and its count taken off,
// then the modulus and the angle of the current, then the speed; the record
// of an appearing schedule event without a number.
TGDPEvent GenerateTrain(AppState& st, int track, RandomFlowState::TypeRecord (&types)[4]);

// A train the flow generated in a step: its track, its record, and the number
// it got (0 when all 50 numbers of the track were in use and it did not enter).
struct EnteredTrain {
  int Track = 1;
  TGDPEvent Record;
  int Number = 0;
};
// The slots of this step on each track and the trains they bring, added to
// the zone. Reads nothing of the electrical solution.
std::vector<EnteredTrain> RandomFlowEnter(AppState& st, bool twoWay, double minInterval);
// After a step: the model clock and the time since the last slot of each
// track that has had one grow by delta.
void AdvanceFlowClock(AppState& st, double delta);

}  // namespace tps
