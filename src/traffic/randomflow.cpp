#include "traffic/randomflow.h"

#include <cmath>

#include "arith/cmplx.h"
#include "params/conv.h"
#include "params/persist.h"

namespace tps {

namespace {

using TypeRecord = RandomFlowState::TypeRecord;

// Train-type code of a generated train by its type record (freight, express,
// suburban, passenger).
constexpr uint8_t kTypeCodeOfRecord[4] = {ttFreight, ttExpress, ttSuburban, ttPassenger};

void ReadTypeRecords(const AppState& st, TypeRecord (&types)[4]) {
  const TProbTrainRecord r = FlowRecordOf(st);
  for (int k = 0; k < 4; ++k) {
    const TProbTrainEntry& e = r.Entry[k];
    types[k] = {e.ActiveMin, e.ReactiveMin, e.ActiveMax, e.ReactiveMax, e.SpeedMin, e.SpeedMax, e.Count};
  }
}

uint32_t TrainsLeft(const TypeRecord (&types)[4]) {
  uint32_t n = 0;
  for (const TypeRecord& t : types) n += t.Count;
  return n;
}

// The UTF-8 characters of a text, each as its own string.
std::vector<std::string> Characters(const std::string& s) {
  std::vector<std::string> out;
  for (size_t i = 0; i < s.size();) {
    size_t len = 1;
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0xF0)
      len = 4;
    else if (c >= 0xE0)
      len = 3;
    else if (c >= 0xC0)
      len = 2;
    out.push_back(s.substr(i, len));
    i += len;
  }
  return out;
}

// One slot on one track, when the track's clock says one falls in this step.
void SlotOfTrack(AppState& st, int track, bool prepared, TypeRecord (&types)[4], uint32_t& slotsLeft,
                 double& sinceLast, double minInterval, std::vector<EnteredTrain>& entered) {
  if (!(sinceLast >= minInterval || sinceLast == -1)) return;
  if (prepared && SlotDraw(st.Rng, slotsLeft, TrainsLeft(types))) {
    EnteredTrain e;
    e.Track = track;
    e.Record = GenerateTrain(st, track, types);
    elvoz rec;
    rec.Current = {e.Record.ActiveCurrent, e.Record.ReactiveCurrent};
    rec.Km = e.Record.Position;
    rec.Speed = e.Record.Speed;
    rec.Kind = e.Record.TypeCode;
    const std::vector<elvoz>& list = track == 1 ? st.Trains.Trains1 : st.Trains.Trains2;
    // All 50 numbers of the track in use: the train does not enter, although
    // its type count has gone down.
    if (AddTrainFromRecord(st, track, rec)) e.Number = list.back().Number;
    entered.push_back(e);
  }
  sinceLast = 0;
  if (slotsLeft > 0) --slotsLeft;
}

}  // namespace

uint32_t PeriodMinutes(const std::string& text) {
  const size_t blank = text.find(' ');
  if (blank == std::string::npos) return 0;
  int32_t n = 0;
  if (!TryStrToInt(text.substr(0, blank), n) || n < 0) return 0;
  const std::vector<std::string> unit = Characters(text.substr(blank + 1));
  if (unit.empty()) return 0;
  uint64_t factor = 0;
  if (unit[0] == "ч")
    factor = 60;
  else if (unit[0] == "м")
    factor = 43200;
  else if (unit[0] == "г")
    factor = 525600;
  const uint64_t minutes = static_cast<uint64_t>(n) * factor;
  return minutes > UINT32_MAX ? 0 : static_cast<uint32_t>(minutes);
}

const std::vector<std::string>& PeriodTexts() {
  static const std::vector<std::string> texts = {"1 час",   "3 часа",  "6 часов",  "8 часов",   "12 часов",
                                                 "24 часа", "1 месяц", "3 месяца", "6 месяцев", "1 год"};
  return texts;
}

void UpdateNmax(AppState& st) {
  const std::string& j = st.Prob.MinInterval;
  int32_t interval = 0;
  if (j.empty() || j == "0" || st.Prob.Period.empty() || !TryStrToInt(j, interval) || interval <= 0) {
    st.Flow.NmaxText = "н/и";
  } else {
    const uint32_t nmax = PeriodMinutes(st.Prob.Period) / static_cast<uint32_t>(interval);
    st.Flow.NmaxText = std::to_string(nmax);
    st.Flow.SlotsLeft1 = st.Flow.SlotsLeft2 = nmax;
  }
  st.Notify(Changed::Fields);
}

void FilterMinInterval(AppState& st) {
  std::string& j = st.Prob.MinInterval;
  std::string first3;
  const std::vector<std::string> chars = Characters(j);
  for (size_t i = 0; i < chars.size() && i < 3; ++i) first3 += chars[i];
  if (first3 == "0" || first3 == "00") {
    j.clear();
  } else {
    std::string digits;
    for (char c : first3)
      if (c >= '0' && c <= '9' && digits.size() < 2) digits += c;
    if (!digits.empty() && StrToInt(digits) > 60) digits = "60";
    j = digits;
  }
  UpdateNmax(st);
}

int64_t NmaxValue(const AppState& st) {
  int32_t n = 0;
  if (!TryStrToInt(st.Flow.NmaxText, n) || n < 0) return -1;
  return n;
}

const char* const kFlowRowNames[4] = {"Грузовой", "Скоростной", "Электричка", "Пассажирский"};
const char* const kFlowColumnNames[7] = {"акт мин", "акт макс", "реакт мин", "реакт макс",
                                         "скорость мин", "скорость макс", "Количество"};

namespace {

// The grid as the 256-byte record; false after the warning that names the
// first cell that is not a number.
bool GridRecord(AppState& st, TProbTrainRecord& r) {
  for (int k = 0; k < 4; ++k) {
    double v[6];
    for (int c = 0; c < 7; ++c) {
      const std::string& text = st.Prob.Grid[k][c];
      bool ok;
      if (c < 6) {
        ok = TryStrToFloat(text, v[c]) && std::isfinite(v[c]);
      } else {
        int32_t n = 0;
        ok = TryStrToInt(text, n) && n >= 0 && n <= 65535;
        r.Entry[k].Count = static_cast<uint16_t>(ok ? n : 0);
      }
      if (!ok) {
        st.Message(MsgKind::Warning, std::string("Значение в строке \"") + kFlowRowNames[k] + "\", столбце \"" +
                                         kFlowColumnNames[c] + "\" - '" + text + "' - " +
                                         (c < 6 ? "не число" : "не целое число от 0 до 65535") +
                                         "; параметры не сохранены");
        return false;
      }
    }
    TProbTrainEntry& e = r.Entry[k];
    e.ActiveMin = v[0];
    e.ActiveMax = v[1];
    e.ReactiveMin = v[2];
    e.ReactiveMax = v[3];
    e.SpeedMin = v[4];
    e.SpeedMax = v[5];
  }
  return true;
}

}  // namespace

bool SaveProbTrainParams(AppState& st) {
  TProbTrainRecord r;
  if (!GridRecord(st, r)) return false;
  WriteProbTrainRecord(st, r);
  return true;
}

bool GiveProbTrainParams(AppState& st) {
  TProbTrainRecord r;
  if (!GridRecord(st, r)) return false;
  for (int k = 0; k < 4; ++k) {
    const TProbTrainEntry& e = r.Entry[k];
    st.Flow.GivenRows[k] = {e.ActiveMin, e.ReactiveMin, e.ActiveMax, e.ReactiveMax, e.SpeedMin, e.SpeedMax, e.Count};
  }
  st.Flow.HasGivenRows = true;
  return true;
}

TProbTrainRecord FlowRecordOf(const AppState& st) {
  if (!st.Flow.HasGivenRows) return ReadProbTrainRecord(st);
  TProbTrainRecord r;
  for (int k = 0; k < 4; ++k) {
    const TypeRecord& t = st.Flow.GivenRows[k];
    r.Entry[k] = {t.ActiveMin, t.ReactiveMin, t.ActiveMax, t.ReactiveMax, t.SpeedMin, t.SpeedMax, t.Count};
  }
  return r;
}

void PrepareRandomFlow(AppState& st, bool twoWay) {
  RandomFlowState& f = st.Flow;
  f.SinceLast1 = f.SinceLast2 = -1;
  ReadTypeRecords(st, f.FlowParams1);
  f.Prepared1 = true;
  if (twoWay) {
    ReadTypeRecords(st, f.FlowParams2);
    f.Prepared2 = true;
  }
}

bool TooManyTrains(const AppState& st) {
  return st.Flow.Prepared1 && TrainsLeft(st.Flow.FlowParams1) > st.Flow.SlotsLeft1;
}

bool TrainsRemaining(const AppState& st, bool twoWay) {
  const RandomFlowState& f = st.Flow;
  return (f.Prepared1 && TrainsLeft(f.FlowParams1) > 0) ||
         (twoWay && f.Prepared2 && TrainsLeft(f.FlowParams2) > 0);
}

void ResetRandomFlow(AppState& st) {
  RandomFlowState& f = st.Flow;
  st.StepCount = 0;
  st.ModelTime = 0;
  const int64_t nmax = NmaxValue(st);
  f.SlotsLeft1 = f.SlotsLeft2 = nmax < 0 ? 0 : static_cast<uint32_t>(nmax);
  f.Prepared1 = f.Prepared2 = false;
  for (int k = 0; k < 4; ++k) f.FlowParams1[k] = f.FlowParams2[k] = TypeRecord();
  st.Notify(Changed::Clock);
}

bool SlotDraw(TRandom& rng, uint32_t slotsLeft, uint32_t trainsLeft) {
  if (slotsLeft == 0) return false;
  return rng.Uniform() < static_cast<double>(trainsLeft) / slotsLeft;
}

double UniformBetween(TRandom& rng, double a, double b) {
  return b + rng.Uniform() * (a - b);
}

TGDPEvent GenerateTrain(AppState& st, int track, TypeRecord (&types)[4]) {
  const double n = TrainsLeft(types);
  const double p1 = types[0].Count / n;
  const double p2 = p1 + types[1].Count / n;
  const double p3 = p2 + types[2].Count / n;
  const double u = st.Rng.Uniform();
  int k = u < p1 ? 0 : u < p2 ? 1 : u < p3 ? 2 : 3;
  // The bounds are sums of fractions: a draw just below 1 that passes the
  // last bound of a type without trains falls back on the last type that has some.
  while (types[k].Count == 0 && k > 0) --k;
  while (types[k].Count == 0 && k < 3) ++k;
  TypeRecord& t = types[k];
  --t.Count;

  TGDPEvent ev;
  ev.Kind = ekAppear;
  ev.TypeCode = kTypeCodeOfRecord[k];
  const TComplex iMin{t.ActiveMin, t.ReactiveMin}, iMax{t.ActiveMax, t.ReactiveMax};
  const double m = UniformBetween(st.Rng, CAbs(iMax), CAbs(iMin));
  const double phi = UniformBetween(st.Rng, CArg(iMax), CArg(iMin));
  ev.ActiveCurrent = RoundTo(std::cos(phi) * m, 2);
  ev.ReactiveCurrent = RoundTo(std::sin(phi) * m, 2);
  ev.Speed = RoundTo(UniformBetween(st.Rng, t.SpeedMax, t.SpeedMin), 2);
  ev.Position = track == 1 ? 0.0 : RoundTo(StrToFloat(st.Params.ZoneLength.Get()), 2);
  return ev;
}

std::vector<EnteredTrain> RandomFlowEnter(AppState& st, bool twoWay, double minInterval) {
  RandomFlowState& f = st.Flow;
  std::vector<EnteredTrain> entered;
  SlotOfTrack(st, 1, f.Prepared1, f.FlowParams1, f.SlotsLeft1, f.SinceLast1, minInterval, entered);
  if (twoWay)
    SlotOfTrack(st, 2, f.Prepared2, f.FlowParams2, f.SlotsLeft2, f.SinceLast2, minInterval, entered);
  return entered;
}

void AdvanceFlowClock(AppState& st, double delta) {
  RandomFlowState& f = st.Flow;
  st.ModelTime = SnapTenth(st.ModelTime + delta);
  if (f.SinceLast1 != -1) f.SinceLast1 = SnapTenth(f.SinceLast1 + delta);
  if (f.SinceLast2 != -1) f.SinceLast2 = SnapTenth(f.SinceLast2 + delta);
  st.Notify(Changed::Clock);
}

}  // namespace tps
