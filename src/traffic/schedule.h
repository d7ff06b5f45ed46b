// The train schedule (ГДП) of the feeding zone: time points counted in time
// steps, each holding the events that happen to trains at that moment (a
// train appears, changes its speed and current, passes or stays, the schedule
// ends). One schedule per file "gdp\<name>.gdp": the parameter block and the
// scheme variant in force when it was made, then the time points.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "params/state.h"

namespace tps {

enum TTrainTypeCode : uint8_t { ttFreight = 0, ttExpress = 1, ttPassenger = 2, ttSuburban = 3 };
enum TEventKind : uint8_t { ekAppear = 1, ekPassed = 2, ekSpeedChange = 3, ekStayed = 4, ekFinal = 5 };

// One event: the same 48 bytes in memory and in the file.
#pragma pack(push, 1)
struct TGDPEvent {
  uint16_t Number = 0;  // odd: track 1 from km 0 upward; even: track 2 downward
  uint8_t Unused1[6] = {};
  double ActiveCurrent = 0;    // A
  double ReactiveCurrent = 0;  // A
  double Position = 0;         // km from the start of the zone
  double Speed = 0;            // km/h
  uint8_t TypeCode = 0;        // TTrainTypeCode
  uint8_t Kind = 0;            // TEventKind
  uint8_t Unused2[6] = {};
};
#pragma pack(pop)
static_assert(sizeof(TGDPEvent) == 48, "a schedule event is a 48-byte file record");

// One time point: its time in steps from the start and its events in the order added.
struct TEvents {
  uint32_t Time = 0;
  uint32_t Count = 0;
  std::vector<TGDPEvent> Events;
};

struct TGDP {
  TParamBlock Header;   // the parameter block when the schedule was made
  uint8_t Variant = 0;  // the scheme variant when the schedule was made
  uint32_t Count = 0;
  std::vector<TEvents> Items;  // by Time ascending, times unique
};

// The head of a file: 400 bytes of the block, the variant, the count.
inline constexpr size_t kScheduleHeadSize = 405;
// The directory of the schedules and the default schedule the program keeps.
inline constexpr const char* kScheduleDir = "gdp";
inline constexpr const char* kDefaultScheduleFile = "file00.gdp";

// A speed change that found no such train on the zone: it is ignored.
struct IgnoredSpeedChange {
  uint32_t Time = 0;
  uint16_t Number = 0;
};

class TGDPClass {
 public:
  TGDP Schedule;
  // Speed changes of the run so far that found no train (ApplyStepEvents).
  std::vector<IgnoredSpeedChange> IgnoredSpeedChanges;

  // The current block and variant as the head, no time points.
  void Init(const AppState& st);
  // A copy of the event at time t: appended to an existing time point, or a
  // new time point in its place by time.
  void AddEvent(uint32_t time, const TGDPEvent& ev);
  // A time point without events (the finalization point of the editor);
  // nothing when a point of that time exists.
  void AddFinalizationPoint(uint32_t time);

  // The bytes of the file, and the file itself (through the working directory).
  Bytes ToBytes() const;
  void SaveToFile(const WorkDir& wd, const std::string& path) const;
  // Reads the whole file first and takes it only when it is complete: a
  // short file, a count beyond the file's size or an event holding a value
  // that is not a finite number raises IoError and leaves the object as it was.
  void LoadFromFile(const WorkDir& wd, const std::string& path);
  void FromBytes(const Bytes& b, const std::string& name);

  // One line per time point (its time as DD:HH:MM by the head's step). The
  // host's events are processed before each line; the listing stops when
  // st.ListingCancelled becomes set (cleared when the listing starts).
  std::vector<std::string> ListTimes(AppState& st) const;
  // The events of a time point: "Поезд №12 появился на участке", "финализация".
  std::vector<std::string> ListEvents(int timeIndex) const;
  // The details of one event (five lines, or "<без параметров>" for the final event).
  std::vector<std::string> DescribeEvent(int timeIndex, int eventIndex) const;
  int IndexOfTime(uint32_t time) const;
  void DeleteTime(int timeIndex);
  void DeleteEvent(int timeIndex, int eventIndex);

  // The events of the current step (time = st.StepCount) applied to the
  // train set: trains appear, change their current and speed. A final event
  // sets st.StopRequested and ends the events there: false, the step is not
  // to be solved. The time points of the step are reached through an index by
  // time, made at the first step and again after any change through these
  // operations.
  bool ApplyStepEvents(AppState& st);

  // The step of the head in minutes; ConvertError when it is not a number.
  double StepMinutes() const;
  // The time of the last time point, 0 for a schedule without time points.
  uint32_t LastTime() const { return Schedule.Items.empty() ? 0 : Schedule.Items.back().Time; }

 private:
  // Index of the time point of time t (insert false) or of the first later
  // one (insert true); index -1: append at the end.
  void FindTime(uint32_t t, int& index, bool& insert) const;
  void InsertSlot(int index);
  void RemoveSlot(int index);
  void IndexTimes();
  // The indexes of the time points in the order of their times (stable).
  std::vector<uint32_t> byTime_;
  bool indexed_ = false;
};

// The longest schedule the editor makes, in minutes: its times reach 365 days
// 23 hours and 59.9 minutes.
inline constexpr double kLongestScheduleMinutes = 366.0 * 24 * 60;

// Time point text DD:HH:MM of `time` steps of `step` minutes, the minutes
// accumulated step by step: 65.5 minutes are 00:01:05.50, 150 are 00:02:30.
// Beyond the longest schedule the time is counted at once; a negative step,
// or one that gives no finite time, gives an empty text.
std::string FormatScheduleTime(uint32_t time, double step);

// The texts of ascending times of one schedule, each the text of
// FormatScheduleTime, with the minutes carried on from the time before rather
// than added up from 0 again: a year's listing is linear in its steps. A time
// before the last one asked starts the count afresh.
class ScheduleClock {
 public:
  explicit ScheduleClock(double step) : step_(step) {}
  std::string At(uint32_t time);

 private:
  double step_;
  uint32_t time_ = 0;
  double minutes_ = 0;
  uint16_t hours_ = 0, days_ = 0;
};

// Captions of the event kinds and the train types.
const char* EventKindCaption(uint8_t kind);
const char* TrainTypeParamsCaption(uint8_t type);  // "Грузовой (F)"
const char* TrainTypeDescription(uint8_t type);    // "Тип: грузовой"

// The text form of a schedule, one event a line, fields separated by ";":
//   time;event;number;active;reactive;km;speed;type
// time in steps from the start; event one of "появился на участке", "проехал
// участок", "изменил скорость", "остался на зоне", "финализация" (the final
// event needs no further fields); type one of "грузовой", "скоростной",
// "пассажирский", "электричка". A line holding the time alone is a time
// point without events (a finalization point). "#" starts a comment line.
// The events are added to `gdp` (initialised by the caller) in the order of
// the lines. Returns false with the line and the reason in `error` when a
// line is wrong; `gdp` is then left as it was.
bool ScheduleFromText(std::string_view text, TGDPClass& gdp, std::string& error);

// The default schedule "gdp\file00.gdp": the events of the text under data/
// on the saved state of code 14 (DC double track fed from both ends).
inline constexpr const char* kDefaultScheduleSource = "gdp/file00.csv";
inline constexpr int kDefaultScheduleCode = 14;
Bytes DefaultScheduleBytes();

}  // namespace tps
