// The parameter block of the feeding zone: 400 bytes, the record of the state
// files and the header of every schedule file. Most numbers are kept as text
// exactly as typed, in length-prefixed slots of fixed capacity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "params/conv.h"

namespace tps {

#pragma pack(push, 1)
struct TParamBlock {
  ShortStr<11> ZoneLength;     // 0   km
  ShortStr<11> UaRe;           // 12  V
  ShortStr<11> UaIm;           // 24
  ShortStr<11> UbRe;           // 36
  ShortStr<11> UbIm;           // 48
  ShortStr<11> TrainActive;    // 60  A
  ShortStr<11> TrainReactive;  // 72  A
  ShortStr<11> TrainSpeed;     // 84  km/h
  ShortStr<11> TrainKm;        // 96  km
  ShortStr<4> StepMinutes;     // 108 min
  ShortStr<5> BatchTrains;     // 113
  ShortStr<4> BatchInterval;   // 119 min
  ShortStr<11> PskKm;          // 124 km
  ShortStr<11> Pps1Km;         // 136 km
  ShortStr<11> Pps2Km;         // 148 km
  ShortStr<20> TrainType;      // 160
  uint8_t Pad1[3] = {};        // 181
  int16_t ResultsPending = 0;  // 184
  ShortStr<11> ContactWireType;  // 186
  ShortStr<11> MessengerType;    // 198
  ShortStr<11> FeederType;       // 210
  ShortStr<11> ExtraWireType;    // 222
  ShortStr<11> RailType;         // 234
  uint8_t Pad2[2] = {};          // 246
  double EarthConductivity = 0;  // 248 S/m
  double ContactWireR = 0;       // 256 Ohm/km
  double MessengerR = 0;         // 264
  double FeederR = 0;            // 272
  double ExtraWireR = 0;         // 280
  double RailR = 0;              // 288
  double ContactWireRadius = 0;  // 296 cm
  double MessengerRadius = 0;    // 304
  double FeederRadius = 0;       // 312
  double ScreenWireRadius = 0;   // 320
  double RailRadius = 0;         // 328
  double RailGauge = 0;          // 336 m
  double MastToTrackAxis = 0;    // 344
  double WireSpacing = 0;        // 352
  double FeederToMast = 0;       // 360
  double FeederToScreenWire = 0; // 368
  double TrackSpacing = 0;       // 376
  double ContactWireHeight = 0;  // 384
  double AirTemperature = 0;     // 392 degrees C
};
#pragma pack(pop)

static_assert(sizeof(TParamBlock) == 400, "the parameter block is a 400-byte file record");
static_assert(offsetof(TParamBlock, UaRe) == 12);
static_assert(offsetof(TParamBlock, TrainKm) == 96);
static_assert(offsetof(TParamBlock, StepMinutes) == 108);
static_assert(offsetof(TParamBlock, BatchTrains) == 113);
static_assert(offsetof(TParamBlock, BatchInterval) == 119);
static_assert(offsetof(TParamBlock, PskKm) == 124);
static_assert(offsetof(TParamBlock, Pps2Km) == 148);
static_assert(offsetof(TParamBlock, TrainType) == 160);
static_assert(offsetof(TParamBlock, ResultsPending) == 184);
static_assert(offsetof(TParamBlock, ContactWireType) == 186);
static_assert(offsetof(TParamBlock, RailType) == 234);
static_assert(offsetof(TParamBlock, EarthConductivity) == 248);
static_assert(offsetof(TParamBlock, RailRadius) == 328);
static_assert(offsetof(TParamBlock, AirTemperature) == 392);

using Params_t = TParamBlock;

// "н/и" in a field means the value is not given.
inline constexpr const char* kNotGiven = "н/и";
// The reinforcing-feeder type that means there is no feeder.
inline constexpr const char* kNoFeeder = "Отсутствует";

// Field access by the names of the block (the command line's --set):
// text fields take the text, f64 fields a number. Returns false for an unknown
// name; raises ConvertError for a number field given a text that is not a number.
bool SetParamField(TParamBlock& p, const std::string& name, const std::string& text);
bool GetParamField(const TParamBlock& p, const std::string& name, std::string& text);
// The names of the block's fields: the texts, the flag of results not yet
// seen, the numbers.
std::vector<std::string> ParamFieldNames();

}  // namespace tps
