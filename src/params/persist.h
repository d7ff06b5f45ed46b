// The files of the parameter block: the conductor defaults "DATA\global.dmt",
// the saved state of each scheme code "SAVES\state_<code>.smt", and the
// probabilistic train parameters "data\prelvoz.dmt".
#pragma once

#include <cstdint>
#include <string>

#include "params/state.h"

namespace tps {

// The 400-byte image of the block, and the block from an image.
Bytes ParamsToBytes(const TParamBlock& p);
TParamBlock ParamsFromBytes(const Bytes& b);

// Reads "DATA\global.dmt" (216 bytes: the block from offset 184) into
// Params; writes the defaults first when the file is missing.
void LoadGlobalFile(AppState& st);
// "SAVES\state_" + code + ".smt"
std::string StateFileName(int code);
// The rules of copying the windows into Params that need no window: the
// extra wire empty and 0, the feeder resistance 0 when there is no feeder.
void ApplyFormRules(TParamBlock& p);
// ApplyFormRules, then the 400-byte record written as the state of the code.
void SaveState(AppState& st, int code);
// Reads the state of the code into Params; a missing file changes nothing.
// Returns true when a file was read.
bool LoadState(AppState& st, int code);

// One 64-byte entry of "data\prelvoz.dmt".
struct TProbTrainEntry {
  double ActiveMin = 0, ReactiveMin = 0, ActiveMax = 0, ReactiveMax = 0;
  double SpeedMin = 0, SpeedMax = 0;
  uint16_t Count = 0;
};
struct TProbTrainRecord {
  TProbTrainEntry Entry[4];  // freight, express, suburban, passenger
};
Bytes ProbRecordToBytes(const TProbTrainRecord& r);
// The first record of a file image (IoError when short or holding a value
// the train-parameter window would not take).
TProbTrainRecord ProbRecordFromBytes(const Bytes& b);
// "data\prelvoz.dmt" holds the train flow of direct-current lines in its
// first 256-byte record and that of alternating-current lines in a second
// one; a file of one record serves both kinds. Reads the record of the kind
// of st.SchemeVariant (no scheme: direct current), both records checked; a
// missing or short file raises IoError.
TProbTrainRecord ReadProbTrainRecord(const AppState& st);
// Writes the record of the kind of st.SchemeVariant; the other kind keeps
// the rows it read before (a file of one record: those rows). Without a
// readable file the record is written alone and serves both kinds.
void WriteProbTrainRecord(const AppState& st, const TProbTrainRecord& r);

}  // namespace tps
