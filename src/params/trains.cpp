// The train set: numbering by slots, adding trains from the parameter block,
// removal with packing, the list lines, and the current profiles read from
// "CurData".
#include "params/trains.h"

#include <algorithm>
#include <cmath>

#include "params/conv.h"
#include "params/errors.h"
#include "params/state.h"

namespace tps {

namespace {

std::vector<elvoz>& TrackOf(AppState& st, int track) {
  return track == 1 ? st.Trains.Trains1 : st.Trains.Trains2;
}

bool* SlotsOf(AppState& st, int track) { return track == 1 ? st.Trains.TrainSlots1 : st.Trains.TrainSlots2; }

// The slot of a number on its track (1..50), 0 when the number has none.
int SlotOfNumber(int number, int track) {
  const int k = track == 1 ? (number + 1) / 2 : number / 2;
  return (k >= 1 && k <= kSlotsPerTrack) ? k : 0;
}

// Puts a filled record on its track and draws it.
void Enter(AppState& st, int track, elvoz&& rec) {
  rec.HasPicture = st.ShowPictures;
  TrackOf(st, track).push_back(std::move(rec));
  if (st.ShowPictures) st.Notify(Changed::Picture);
  st.Pump();
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

const char* KindLetter(uint8_t kind) {
  switch (kind) {
    case 0: return "F";
    case 1: return "S";
    case 2: return "P";
    case 3: return "E";
    default: return "F";
  }
}

const char* KindName(uint8_t kind) {
  switch (kind) {
    case 0: return "Грузовой (F)";
    case 1: return "Скоростной (S)";
    case 2: return "Пассажирский (P)";
    case 3: return "Электричка (E)";
    default: return "Грузовой (F)";
  }
}

uint8_t KindFromTrainType(const std::string& trainType) {
  const size_t close = trainType.rfind(')');
  if (close == std::string::npos || close == 0) return 0;
  switch (trainType[close - 1]) {
    case 'E': return 3;
    case 'F': return 0;
    case 'P': return 2;
    case 'S': return 1;
    default: return 0;
  }
}

void FillTrainRecord(AppState& st, elvoz& rec, int number) {
  const TParamBlock& p = st.Params;
  const bool dc = IsDcVariant(st.SchemeVariant);
  elvoz r;
  r.Number = static_cast<int16_t>(number);
  r.Km = StrToFloat(p.TrainKm.Get());
  r.Speed = StrToFloat(p.TrainSpeed.Get());
  r.Kind = KindFromTrainType(p.TrainType.Get());
  if (!st.VaryTrainCurrents) {
    r.Current.Re = StrToFloat(p.TrainActive.Get());
    r.Current.Im = dc ? 0.0 : StrToFloat(p.TrainReactive.Get());
  } else {
    LoadProfile(st, r.Profile, ProfileFileName(r.Kind, number, dc));
    r.Current = ProfileCurrentAt(r.Profile, r.Km);
    st.Params.TrainActive.Set(FloatToStr(r.Current.Re));
    st.Params.TrainReactive.Set(FloatToStr(r.Current.Im));
  }
  rec = std::move(r);
}

bool AddTrain(AppState& st, int track) {
  if (track != 1 && track != 2) throw ProgramError("Нет пути " + std::to_string(track));
  bool* slots = SlotsOf(st, track);
  int k = 1;
  while (k <= kSlotsPerTrack && slots[k]) ++k;
  if (k > kSlotsPerTrack) return false;
  const int number = track == 1 ? 2 * k - 1 : 2 * k;
  elvoz rec;
  // The slot is taken only once the record is complete: a missing profile
  // or a field that is not a number leaves the number free.
  FillTrainRecord(st, rec, number);
  slots[k] = true;
  Enter(st, track, std::move(rec));
  return true;
}

void AddTrainNumbered(AppState& st, int number) {
  const int track = (number % 2 != 0) ? 1 : 2;
  elvoz rec;
  FillTrainRecord(st, rec, number);
  Enter(st, track, std::move(rec));
}

bool AddTrainFromRecord(AppState& st, int track, const elvoz& rec) {
  TParamBlock& p = st.Params;
  p.TrainActive.Set(FloatToStr(rec.Current.Re));
  p.TrainReactive.Set(FloatToStr(rec.Current.Im));
  p.TrainSpeed.Set(FloatToStr(rec.Speed));
  p.TrainKm.Set(FloatToStr(rec.Km));
  p.TrainType.Set(KindName(rec.Kind));
  return AddTrain(st, track);
}

void RemoveTrain(AppState& st, int number) {
  bool picture = false;
  for (int track = 1; track <= 2; ++track) {
    std::vector<elvoz>& v = TrackOf(st, track);
    bool found = false;
    // Erasing keeps the remaining records packed in their order of entry.
    for (auto it = v.begin(); it != v.end();) {
      if (it->Number == number) {
        picture = picture || (number != 0 && it->HasPicture);
        it = v.erase(it);
        found = true;
      } else {
        ++it;
      }
    }
    // Numbers given by a schedule may lie beyond the 50 slots of a track.
    const int k = SlotOfNumber(number, track);
    if (found && k != 0) SlotsOf(st, track)[k] = false;
  }
  if (picture) st.Notify(Changed::Picture);
}

void RemoveAllTrains(AppState& st) {
  bool picture = false;
  for (const auto& t : st.Trains.Trains1) picture = picture || t.HasPicture;
  for (const auto& t : st.Trains.Trains2) picture = picture || t.HasPicture;
  st.Trains = TTrainSet();
  if (picture) st.Notify(Changed::Picture);
}

std::string TrainListLine(const elvoz& t, bool dcScheme) {
  std::string current = FloatToStr(t.Current.Re);
  if (!dcScheme) current += (t.Current.Im > 0 ? " + j" : " - j") + FloatToStr(std::fabs(t.Current.Im));
  return "[ " + std::to_string(t.Number) + " ]  [ " + current + " ]  [ " + FloatToStr(t.Km) + " ]  [ " +
         FloatToStr(t.Speed) + " ]  [ " + KindLetter(t.Kind) + " ]";
}

TrainLists ShowTrainLists(const AppState& st) {
  const bool dc = IsDcVariant(st.SchemeVariant);
  TrainLists lists;
  for (const auto& t : st.Trains.Trains1) lists.Track1.push_back(TrainListLine(t, dc));
  for (const auto& t : st.Trains.Trains2) lists.Track2.push_back(TrainListLine(t, dc));
  return lists;
}

int TrainNumberFromLine(const std::string& line) {
  const size_t open = line.find("[ ");
  if (open == std::string::npos) return 0;
  const size_t start = open + 2;
  const size_t end = line.find(' ', start);
  int32_t n = 0;
  if (!TryStrToInt(line.substr(start, end == std::string::npos ? std::string::npos : end - start), n)) return 0;
  return n;
}

void LoadProfile(const AppState& st, TCurrentData& profile, const std::string& name) {
  const std::string path = "CurData\\" + name;
  const std::string text = ReadText(st.Work, path);
  std::vector<double> values;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    size_t j = i;
    while (j < text.size() && !IsBlank(text[j])) ++j;
    const std::string_view token = std::string_view(text).substr(i, j - i);
    double v = 0;
    // A number that does not parse names the profile and its point.
    if (!TryStrToFloat(token, v) || !std::isfinite(v))
      throw ConvertError("Профиль тока " + path + " не загружен. Точка " + std::to_string(values.size() / 3 + 1) +
                         ", " + (values.size() % 3 == 0 ? "км" : values.size() % 3 == 1 ? "активный ток" : "реактивный ток") +
                         ": '" + ShortToken(token) + "' - неверное вещественное число");
    values.push_back(v);
    i = j;
  }
  // Each point is a km, an active and a reactive current. Trailing blanks
  // and line breaks make no point of their own.
  if (values.size() % 3 != 0)
    throw ConvertError("Профиль тока " + path + ": последняя точка неполная");
  if (values.empty()) throw IoError("Профиль тока " + path + " не содержит точек");
  if (values.size() / 3 > 32767) throw IoError("Профиль тока " + path + ": слишком много точек");
  // A current beyond what the program takes for any train can come only from
  // a damaged file; it would overflow the loss of the step.
  constexpr double kMaxCurrent = 5000;
  // A place of the track lies within the longest zone.
  constexpr double kLongestZoneKm = 200;
  for (size_t k = 0; k < values.size(); k += 3) {
    if (!(values[k] >= 0 && values[k] <= kLongestZoneKm))
      throw IoError("Профиль тока " + path + " не загружен. Значение километра в точке " +
                    std::to_string(k / 3 + 1) + ": '" + FloatToStr(values[k]) + "' - не лежит между 0 и " +
                    FloatToStr(kLongestZoneKm));
    for (size_t c = 1; c <= 2; ++c) {
      if (std::fabs(values[k + c]) <= kMaxCurrent) continue;
      throw IoError("Профиль тока " + path + " не загружен. Значение " +
                    (c == 1 ? "активного" : "реактивного") + " тока в точке " + std::to_string(k / 3 + 1) +
                    ": '" + FloatToStr(values[k + c]) + "' - не лежит между " + FloatToStr(-kMaxCurrent) +
                    " и " + FloatToStr(kMaxCurrent));
    }
  }
  TCurrentData d;
  for (size_t k = 0; k < values.size(); k += 3) {
    d.ProfileKm.push_back(values[k]);
    d.ProfileCurrents.push_back(TComplex{values[k + 1], values[k + 2]});
  }
  d.PointCount = static_cast<int16_t>(d.ProfileKm.size());
  profile = std::move(d);
}

TComplex ProfileCurrentAt(const TCurrentData& profile, double x) {
  const size_t n = std::min(profile.ProfileKm.size(), profile.ProfileCurrents.size());
  if (n == 0) throw ProgramError("У поезда нет профиля тока");
  const std::vector<double>& km = profile.ProfileKm;
  const std::vector<TComplex>& I = profile.ProfileCurrents;
  // The nearest point at or before x (the first of equal ones) and the
  // nearest point after x (the last of equal ones). The points may come in
  // any order: a track-2 profile may list them from substation B downwards.
  size_t lower = n, upper = n;
  for (size_t j = 0; j < n; ++j)
    if (km[j] <= x && (lower == n || km[j] > km[lower])) lower = j;
  for (size_t j = n; j-- > 0;)
    if (km[j] > x && (upper == n || km[j] < km[upper])) upper = j;
  // Before the first point or beyond the last one the end point's current holds.
  if (lower == n) return I[upper];
  if (upper == n || km[lower] == x) return I[lower];
  const TComplex t = CFromReal((x - km[lower]) / (km[upper] - km[lower]));
  return CAdd(I[lower], CMul(t, CSub(I[upper], I[lower])));
}

std::string ProfileFileName(uint8_t kind, int number, bool dcScheme) {
  return std::string("pt") + KindLetter(kind) + "_" + (number % 2 != 0 ? "1" : "2") +
         (dcScheme ? "_post.cmt" : "_perem.cmt");
}

}  // namespace tps
