#include "traffic/schedule.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "params/errors.h"
#include "params/fileio.h"
#include "params/trains.h"

namespace tps {

const char* EventKindCaption(uint8_t kind) {
  switch (kind) {
    case ekAppear:
      return "появился на участке";
    case ekPassed:
      return "проехал участок";
    case ekSpeedChange:
      return "изменил скорость";
    case ekStayed:
      return "остался на зоне";
    case ekFinal:
      return "финализация";
    default:
      return "";
  }
}

const char* TrainTypeParamsCaption(uint8_t type) {
  switch (type) {
    case ttFreight:
      return "Грузовой (F)";
    case ttExpress:
      return "Скоростной (S)";
    case ttPassenger:
      return "Пассажирский (P)";
    case ttSuburban:
      return "Электричка (E)";
    default:
      return "";
  }
}

const char* TrainTypeDescription(uint8_t type) {
  switch (type) {
    case ttFreight:
      return "Тип: грузовой";
    case ttExpress:
      return "Тип: скорый";
    case ttPassenger:
      return "Тип: пассажирский";
    case ttSuburban:
      return "Тип: электричка";
    default:
      return "";
  }
}

// ------------------------------------------------------------ the time points

void TGDPClass::Init(const AppState& st) {
  Schedule = TGDP();
  indexed_ = false;
  Schedule.Header = st.Params;
  Schedule.Variant = st.SchemeVariant;
  Schedule.Count = 0;
  IgnoredSpeedChanges.clear();
}

void TGDPClass::FindTime(uint32_t t, int& index, bool& insert) const {
  const auto& items = Schedule.Items;
  index = -1;
  insert = true;
  if (items.empty()) return;
  const int last = static_cast<int>(items.size()) - 1;
  if (items[last].Time == t) {
    index = last;
    insert = false;
  }
  if (index == -1 && t > items[last].Time) insert = false;
  if (insert) {
    // Downward, so the index ends at the first later time point or at the equal one.
    for (int i = last; i >= 0; --i) {
      if (t < items[i].Time) index = i;
      if (t == items[i].Time) {
        index = i;
        insert = false;
      }
    }
  }
}

void TGDPClass::InsertSlot(int index) {
  indexed_ = false;
  Schedule.Items.insert(Schedule.Items.begin() + index, TEvents());
}

void TGDPClass::RemoveSlot(int index) {
  indexed_ = false;
  Schedule.Items.erase(Schedule.Items.begin() + index);
}

void TGDPClass::AddEvent(uint32_t time, const TGDPEvent& ev) {
  int index;
  bool insert;
  FindTime(time, index, insert);
  indexed_ = false;
  if (index == -1) {
    Schedule.Items.push_back(TEvents{time, 1, {ev}});
    ++Schedule.Count;
  } else if (!insert) {
    TEvents& tp = Schedule.Items[index];
    tp.Events.push_back(ev);
    ++tp.Count;
  } else {
    InsertSlot(index);
    Schedule.Items[index] = TEvents{time, 1, {ev}};
    ++Schedule.Count;
  }
}

void TGDPClass::AddFinalizationPoint(uint32_t time) {
  int index;
  bool insert;
  FindTime(time, index, insert);
  indexed_ = false;
  if (index == -1) {
    Schedule.Items.push_back(TEvents{time, 0, {}});
  } else if (insert) {
    InsertSlot(index);
    Schedule.Items[index] = TEvents{time, 0, {}};
  } else {
    return;
  }
  ++Schedule.Count;
}

int TGDPClass::IndexOfTime(uint32_t time) const {
  for (size_t i = 0; i < Schedule.Items.size(); ++i)
    if (Schedule.Items[i].Time == time) return static_cast<int>(i);
  return -1;
}

void TGDPClass::DeleteTime(int timeIndex) {
  if (timeIndex < 0 || static_cast<size_t>(timeIndex) >= Schedule.Items.size()) return;
  RemoveSlot(timeIndex);
  --Schedule.Count;
}

void TGDPClass::DeleteEvent(int timeIndex, int eventIndex) {
  if (timeIndex < 0 || static_cast<size_t>(timeIndex) >= Schedule.Items.size()) return;
  TEvents& tp = Schedule.Items[timeIndex];
  if (eventIndex < 0 || static_cast<size_t>(eventIndex) >= tp.Events.size()) return;
  if (tp.Count < 2) {
    RemoveSlot(timeIndex);
    --Schedule.Count;
  } else {
    tp.Events.erase(tp.Events.begin() + eventIndex);
    --tp.Count;
    indexed_ = false;
  }
}

double TGDPClass::StepMinutes() const {
  return StrToFloat(Schedule.Header.StepMinutes.Get());
}

// ------------------------------------------------------------------ the file

Bytes TGDPClass::ToBytes() const {
  ByteWriter w;
  w.Raw(&Schedule.Header, sizeof(TParamBlock));
  w.U8(Schedule.Variant);
  w.U32(static_cast<uint32_t>(Schedule.Items.size()));
  for (const TEvents& tp : Schedule.Items) {
    w.U32(tp.Time);
    w.U32(static_cast<uint32_t>(tp.Events.size()));
    for (const TGDPEvent& ev : tp.Events) w.Raw(&ev, sizeof(TGDPEvent));
  }
  return w.Take();
}

void TGDPClass::SaveToFile(const WorkDir& wd, const std::string& path) const {
  WriteFileBytes(wd, path, ToBytes());
}

namespace {

// A value within [lo, hi] as the editor's input checks take it: empty, else
// "<name>: '<value>' - <reason>".
std::string Beyond(double v, const char* name, double lo, double hi) {
  if (std::isfinite(v) && v >= lo && v <= hi) return std::string();
  return std::string(name) + ": '" + FloatToStr(v) + "' - " +
         (std::isfinite(v) ? "не лежит между " + FloatToStr(lo) + " и " + FloatToStr(hi)
                           : std::string("не является конечным числом"));
}

// The values of a train's event as the schedule editor takes them: the
// number 1..999, the currents within +-5000 A, the speed 0..455 km/h and
// the place within the longest zone, 200 km. The final event carries no
// values, and an event of an unknown kind is ignored by the runs.
std::string EventFault(const TGDPEvent& ev) {
  if (ev.Kind < ekAppear || ev.Kind > ekStayed || ev.Kind == ekFinal) return std::string();
  if (ev.Number < 1 || ev.Number > 999)
    return "номера поезда: '" + std::to_string(ev.Number) + "' - не лежит между 1 и 999";
  std::string f = Beyond(ev.ActiveCurrent, "тока(а)", -5000, 5000);
  if (f.empty()) f = Beyond(ev.ReactiveCurrent, "тока(р)", -5000, 5000);
  if (f.empty()) f = Beyond(ev.Speed, "скорости", 0, 455);
  if (f.empty()) f = Beyond(ev.Position, "места положения поезда", 0, 200);
  return f;
}

// The two fields of the head the schedule is read by: the zone length and
// the step, each a number within the range of the input check when it is
// one (a text that is no number is the run's check to refuse).
std::string HeaderFault(const TParamBlock& h) {
  double v = 0;
  const std::string zone = h.ZoneLength.Get(), step = h.StepMinutes.Get();
  if (TryStrToFloat(zone, v) && !(std::isfinite(v) && v > 0 && v <= 200))
    return "длины зоны: '" + ShortToken(zone) + "' - не лежит между 0> и 200";
  if (TryStrToFloat(step, v) && !(std::isfinite(v) && v >= 0.06 && v <= 2))
    return "шага: '" + ShortToken(step) + "' - не лежит между 0.06 и 2";
  return std::string();
}

}  // namespace

void TGDPClass::FromBytes(const Bytes& b, const std::string& name) {
  ByteReader r(b, name);
  TGDP g;
  r.Raw(&g.Header, sizeof(TParamBlock));
  g.Variant = r.U8();
  g.Count = r.U32();
  // Every time point takes at least 8 bytes and every event 48: a count the
  // rest of the file cannot hold is refused before anything is read for it.
  if (g.Count > r.Left() / 8)
    throw IoError("Файл " + name + ": в нём указано точек времени " + std::to_string(g.Count) +
                  ", а длины файла хватает не более чем на " + std::to_string(r.Left() / 8));
  for (uint32_t i = 0; i < g.Count; ++i) {
    TEvents tp;
    tp.Time = r.U32();
    tp.Count = r.U32();
    if (tp.Count > r.Left() / sizeof(TGDPEvent))
      throw IoError("Файл " + name + ": в точке времени " + std::to_string(tp.Time) + " указано событий " +
                    std::to_string(tp.Count) + ", а длины файла хватает не более чем на " +
                    std::to_string(r.Left() / sizeof(TGDPEvent)));
    tp.Events.resize(tp.Count);
    for (size_t k = 0; k < tp.Events.size(); ++k) {
      TGDPEvent& ev = tp.Events[k];
      r.Raw(&ev, sizeof(TGDPEvent));
      const std::string fault = EventFault(ev);
      if (!fault.empty())
        throw IoError("Файл " + name + " не загружен. Точка времени " + std::to_string(tp.Time) + ", событие " +
                      std::to_string(k + 1) + " (поезд №" + std::to_string(ev.Number) + "): значение " + fault);
    }
    g.Items.push_back(std::move(tp));
  }
  const std::string head = HeaderFault(g.Header);
  if (!head.empty()) throw IoError("Файл " + name + " не загружен. Заголовок: значение " + head);
  Schedule = std::move(g);
  indexed_ = false;
}

void TGDPClass::LoadFromFile(const WorkDir& wd, const std::string& path) {
  FromBytes(ReadFileBytes(wd, path), path);
}

// ------------------------------------------------------------- the listings

namespace {

// One step of the clock of a time text: the minutes grow by the step, and
// carry into the hours and the days.
void AddStep(double step, double& minutes, uint16_t& hours, uint16_t& days) {
  minutes += step;
  if (minutes >= 60) {
    minutes -= 60;
    ++hours;
  }
  if (hours >= 24) {
    hours -= 24;
    ++days;
  }
}

std::string TimeText(double minutes, unsigned hours, unsigned days) {
  std::string m;
  if (Round(minutes) < 10)
    m = "0" + FloatToStr(Round(minutes * 100) / 100);
  else
    m = FloatToStr(Round(minutes));
  if (m.size() == 4) m += "0";
  if (m.size() > 5) m.resize(5);
  auto two = [](unsigned v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return two(days) + ":" + two(hours) + ":" + m;
}

}  // namespace

std::string FormatScheduleTime(uint32_t time, double step) {
  double minutes = 0.0;
  uint16_t hours = 0, days = 0;
  const double total = time * step;
  // A time runs forward: a negative step (a damaged head) gives no time.
  if (!std::isfinite(total) || !(step >= 0)) return "";
  // No schedule of the editor lasts longer than a year or holds more steps
  // than a year of its shortest step: the time of a damaged file (a zero or
  // tiny step among them) is counted at once rather than in billions of steps.
  if (std::fabs(total) > kLongestScheduleMinutes || time > kLongestScheduleMinutes / 0.1) {
    days = static_cast<uint16_t>(std::fmod(std::floor(total / 1440), 65536));
    hours = static_cast<uint16_t>(std::fmod(std::floor(total / 60), 24));
    minutes = std::fmod(total, 60);
    time = 0;
  }
  // Accumulated step by step, as the clock of the run adds its steps.
  for (uint32_t i = 0; i < time; ++i) AddStep(step, minutes, hours, days);
  return TimeText(minutes, hours, days);
}

std::string ScheduleClock::At(uint32_t time) {
  // A step that is no positive number, or a time beyond the longest
  // schedule, is counted as a single time is.
  if (!(std::isfinite(step_) && step_ > 0) || time * step_ > kLongestScheduleMinutes ||
      time > kLongestScheduleMinutes / 0.1)
    return FormatScheduleTime(time, step_);
  if (time < time_) {
    time_ = 0;
    minutes_ = 0;
    hours_ = days_ = 0;
  }
  // The same additions as from 0, only those up to the time before are done.
  for (; time_ < time; ++time_) AddStep(step_, minutes_, hours_, days_);
  return TimeText(minutes_, hours_, days_);
}

std::vector<std::string> TGDPClass::ListTimes(AppState& st) const {
  st.ListingCancelled = false;
  std::vector<std::string> lines;
  ScheduleClock clock(StepMinutes());
  for (const TEvents& tp : Schedule.Items) {
    st.Pump();
    if (st.ListingCancelled) break;
    lines.push_back(clock.At(tp.Time));
  }
  return lines;
}

std::vector<std::string> TGDPClass::ListEvents(int timeIndex) const {
  std::vector<std::string> lines;
  if (timeIndex < 0 || static_cast<size_t>(timeIndex) >= Schedule.Items.size()) return lines;
  for (const TGDPEvent& ev : Schedule.Items[timeIndex].Events) {
    if (ev.Kind == ekFinal)
      lines.push_back(EventKindCaption(ekFinal));
    else
      lines.push_back("Поезд №" + std::to_string(ev.Number) + " " + EventKindCaption(ev.Kind));
  }
  return lines;
}

std::vector<std::string> TGDPClass::DescribeEvent(int timeIndex, int eventIndex) const {
  std::vector<std::string> lines;
  if (timeIndex < 0 || static_cast<size_t>(timeIndex) >= Schedule.Items.size()) return lines;
  const TEvents& tp = Schedule.Items[timeIndex];
  if (eventIndex < 0 || static_cast<size_t>(eventIndex) >= tp.Events.size()) return lines;
  const TGDPEvent& ev = tp.Events[eventIndex];
  if (ev.Kind == ekFinal) {
    lines.push_back("<без параметров>");
    return lines;
  }
  lines.push_back("Поезд № " + std::to_string(ev.Number));
  const std::string type = TrainTypeDescription(ev.TypeCode);
  // A type outside the table repeats the line before it.
  lines.push_back(type.empty() ? lines.back() : type);
  lines.push_back("Tok [" + FloatToStr(ev.ActiveCurrent) + " " +
                  FloatToStr(Trunc(ev.ReactiveCurrent * 100) / 100) + "]");
  lines.push_back("Местоположение " + FloatToStr(ev.Position) + " км");
  lines.push_back("Скорость " + FloatToStr(ev.Speed) + " км/ч");
  return lines;
}

// ---------------------------------------------------------- a step's events

namespace {

// A train runs forward along its track: a negative speed of a damaged file
// would carry it back past its own substation, out of the zone.
void CheckSpeed(const TGDPEvent& ev, uint32_t time) {
  if (!(ev.Speed >= 0))
    throw IoError("ГДП: поезд №" + std::to_string(ev.Number) + " в точке времени " + std::to_string(time) +
                  ": скорость " + FloatToStr(ev.Speed) + " км/ч меньше 0");
}

}  // namespace

void TGDPClass::IndexTimes() {
  const std::vector<TEvents>& items = Schedule.Items;
  byTime_.resize(items.size());
  for (size_t i = 0; i < items.size(); ++i) byTime_[i] = static_cast<uint32_t>(i);
  // Stable: time points of one time (a damaged file) keep their stored order.
  std::stable_sort(byTime_.begin(), byTime_.end(),
                   [&](uint32_t a, uint32_t b) { return items[a].Time < items[b].Time; });
  indexed_ = true;
}

bool TGDPClass::ApplyStepEvents(AppState& st) {
  // The time points of this step are found through the index by time, not
  // by a walk over the whole schedule at every step.
  if (!indexed_ || byTime_.size() != Schedule.Items.size()) IndexTimes();
  const std::vector<TEvents>& items = Schedule.Items;
  const uint32_t now = st.StepCount;
  auto first = std::lower_bound(byTime_.begin(), byTime_.end(), now,
                                [&](uint32_t i, uint32_t t) { return items[i].Time < t; });
  for (auto at = first; at != byTime_.end() && items[*at].Time == now; ++at) {
    const TEvents& tp = items[*at];
    for (const TGDPEvent& ev : tp.Events) {
      switch (ev.Kind) {
        case ekAppear: {
          TParamBlock& p = st.Params;
          // A train enters between the two substations: the place of a
          // damaged file outside the zone ends the run with its own message
          // rather than with a circuit that cannot be built.
          const double zone = StrToFloat(p.ZoneLength.Get());
          if (!(ev.Position >= 0 && ev.Position <= zone))
            throw IoError("ГДП: поезд №" + std::to_string(ev.Number) + " в точке времени " +
                          std::to_string(tp.Time) + " появляется на " + FloatToStr(ev.Position) +
                          " км, вне зоны 0.." + p.ZoneLength.Get() + " км");
          CheckSpeed(ev, tp.Time);
          p.TrainActive.Set(FloatToStr(ev.ActiveCurrent));
          p.TrainReactive.Set(FloatToStr(ev.ReactiveCurrent));
          p.TrainSpeed.Set(FloatToStr(ev.Speed));
          p.TrainKm.Set(FloatToStr(ev.Position));
          p.TrainType.Set(TrainTypeParamsCaption(ev.TypeCode));
          st.Notify(Changed::Fields);
          AddTrainNumbered(st, ev.Number);
          break;
        }
        case ekSpeedChange: {
          auto& track = (ev.Number % 2 != 0) ? st.Trains.Trains1 : st.Trains.Trains2;
          elvoz* train = nullptr;
          for (elvoz& t : track)
            if (t.Number == static_cast<int16_t>(ev.Number)) train = &t;
          if (!train) {
            // A train that has left the zone, or never entered it: nothing to change.
            IgnoredSpeedChanges.push_back({tp.Time, ev.Number});
            break;
          }
          CheckSpeed(ev, tp.Time);
          // On direct current a train draws no reactive current, as when it entered.
          train->Current = {ev.ActiveCurrent, IsDcVariant(st.SchemeVariant) ? 0.0 : ev.ReactiveCurrent};
          train->Speed = ev.Speed;
          if (st.ShowPictures) st.Notify(Changed::Trains);
          break;
        }
        case ekFinal:
          st.StopRequested = true;
          return false;
        default:  // passed, stayed: only the schedule chart reads them
          break;
      }
    }
  }
  return true;
}

// ---------------------------------------------------------- the text form

namespace {

std::string Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return std::string(s);
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> f;
  size_t pos = 0;
  for (;;) {
    size_t end = line.find(';', pos);
    f.push_back(
        Trim(std::string_view(line).substr(pos, end == std::string::npos ? std::string::npos : end - pos)));
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return f;
}

bool ParseTime(const std::string& s, uint32_t& t) {
  if (s.empty() || s.size() > 10) return false;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > UINT32_MAX) return false;
  t = static_cast<uint32_t>(v);
  return true;
}

// A number of a field within its range; the reason of a refusal in `why`.
bool ParseValue(const std::string& s, const char* name, double lo, double hi, bool hiIncl, double& v,
                std::string& why) {
  if (!TryStrToFloat(s, v) || !std::isfinite(v)) {
    why = std::string(name) + " '" + s + "' не число";
    return false;
  }
  if (v < lo || v > hi || (!hiIncl && v == hi)) {
    why = std::string(name) + " " + s + " вне " + FloatToStr(lo) + ".." + FloatToStr(hi);
    return false;
  }
  return true;
}

int KindOfWord(const std::string& w) {
  for (uint8_t k = ekAppear; k <= ekFinal; ++k)
    if (w == EventKindCaption(k)) return k;
  return 0;
}

int TypeOfWord(const std::string& w) {
  static const char* const kWords[4] = {"грузовой", "скоростной", "пассажирский", "электричка"};
  for (int k = 0; k < 4; ++k)
    if (w == kWords[k]) return k;
  return -1;
}

// One line into the schedule; false with the reason.
bool AddLine(const std::string& line, TGDPClass& g, std::string& why) {
  std::vector<std::string> f = SplitFields(line);
  uint32_t time = 0;
  if (!ParseTime(f[0], time)) {
    why = "время '" + f[0] + "' не целое число шагов от 0 до 4294967295";
    return false;
  }
  if (f.size() == 1) {
    g.AddFinalizationPoint(time);
    return true;
  }
  const int kind = KindOfWord(f[1]);
  if (kind == 0) {
    why = "неизвестное событие '" + f[1] + "'";
    return false;
  }
  TGDPEvent ev;
  ev.Kind = static_cast<uint8_t>(kind);
  if (kind == ekFinal) {
    for (size_t i = 2; i < f.size(); ++i)
      if (!f[i].empty()) {
        why = "у финализации нет параметров";
        return false;
      }
    g.AddEvent(time, ev);
    return true;
  }
  if (f.size() != 8) {
    why = "нужно 8 полей через ';': время;событие;номер;ток(а);ток(р);км;скорость;тип";
    return false;
  }
  double number = 0;
  if (!ParseValue(f[2], "номер поезда", 1, 999, true, number, why)) return false;
  if (number != Trunc(number)) {
    why = "номер поезда '" + f[2] + "' не целый";
    return false;
  }
  ev.Number = static_cast<uint16_t>(number);
  if (!ParseValue(f[3], "ток(а)", -5000, 5000, true, ev.ActiveCurrent, why)) return false;
  if (!ParseValue(f[4], "ток(р)", -5000, 5000, true, ev.ReactiveCurrent, why)) return false;
  if (!ParseValue(f[5], "место положения поезда", 0, 200, false, ev.Position, why)) return false;
  if (!ParseValue(f[6], "скорость", 0, 455, true, ev.Speed, why)) return false;
  const int type = TypeOfWord(f[7]);
  if (type < 0) {
    why = "неизвестный тип поезда '" + f[7] + "'";
    return false;
  }
  ev.TypeCode = static_cast<uint8_t>(type);
  g.AddEvent(time, ev);
  return true;
}

}  // namespace

bool ScheduleFromText(std::string_view text, TGDPClass& gdp, std::string& error) {
  TGDPClass g = gdp;
  size_t pos = 0;
  int lineNo = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++lineNo;
    if (line.empty() || line.front() == '#') continue;
    std::string why;
    if (!AddLine(line, g, why)) {
      error = "Строка " + std::to_string(lineNo) + ": " + why;
      return false;
    }
  }
  gdp = std::move(g);
  return true;
}

}  // namespace tps
