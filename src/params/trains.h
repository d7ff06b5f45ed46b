// The trains on the zone: one record per train on two tracks, unique train
// numbers (odd on track 1 running from substation A, even on track 2 running
// from substation B), current profiles, and the line each train shows in the
// train lists of the main window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "arith/cmplx.h"

namespace tps {

struct AppState;

struct TCurrentData {
  int16_t PointCount = 0;
  std::vector<TComplex> ProfileCurrents;
  std::vector<double> ProfileKm;
};

struct elvoz {
  int16_t Number = 0;
  TComplex Current;   // active (Re) and reactive (Im) current, A
  double Km = 0;      // km from substation A
  double Speed = 0;   // km/h
  uint8_t Kind = 0;   // 0 freight F, 1 express S, 2 passenger P, 3 suburban E
  TCurrentData Profile;
  bool HasPicture = false;  // the train was drawn when it was added
};

inline constexpr int kSlotsPerTrack = 50;

// The train set. Each track keeps its records packed in order of entry
// (oldest first); TrainSlots*[k] (k = 1..50) marks number 2k-1 (track 1) or
// 2k (track 2) as taken.
struct TTrainSet {
  std::vector<elvoz> Trains1;
  std::vector<elvoz> Trains2;
  bool TrainSlots1[kSlotsPerTrack + 1] = {};
  bool TrainSlots2[kSlotsPerTrack + 1] = {};

  size_t TrainCount1() const { return Trains1.size(); }
  size_t TrainCount2() const { return Trains2.size(); }
  bool Empty() const { return Trains1.empty() && Trains2.empty(); }
};

// Letter and name of a train kind.
const char* KindLetter(uint8_t kind);
const char* KindName(uint8_t kind);
// Kind from the letter before ")" of a train-type text (E 3, F 0, P 2, S 1).
uint8_t KindFromTrainType(const std::string& trainType);

// Takes the lowest free number of the track, fills the record from Params and
// appends it; draws it when ShowPictures is on; pumps the host once. Returns
// false (adds nothing) when all 50 numbers of the track are taken. A missing
// profile raises IoError and adds nothing.
bool AddTrain(AppState& st, int track);
// As AddTrain with the given number (track by parity); the slots are not used.
void AddTrainNumbered(AppState& st, int number);
// Copies the record's current, speed, km and kind name into Params, then AddTrain.
bool AddTrainFromRecord(AppState& st, int track, const elvoz& rec);
void FillTrainRecord(AppState& st, elvoz& rec, int number);
void RemoveTrain(AppState& st, int number);
void RemoveAllTrains(AppState& st);
// The line of a train in the train lists; AC lines write the reactive part.
std::string TrainListLine(const elvoz& t, bool dcScheme);
inline constexpr const char* kTrainListHeader = "Номер  Ток  Километр  Скорость  Тип";
// Both lists rebuilt from the train set.
struct TrainLists {
  std::vector<std::string> Track1, Track2;
};
TrainLists ShowTrainLists(const AppState& st);
// The number of a list line: the text between "[ " and the next blank.
int TrainNumberFromLine(const std::string& line);

// Current profiles "CurData\<name>": km, active, reactive triples.
void LoadProfile(const AppState& st, TCurrentData& profile, const std::string& name);
TComplex ProfileCurrentAt(const TCurrentData& profile, double x);
// "pt" + letter + "_" + track digit + "_post.cmt" (DC) or "_perem.cmt" (AC).
std::string ProfileFileName(uint8_t kind, int number, bool dcScheme);

}  // namespace tps
