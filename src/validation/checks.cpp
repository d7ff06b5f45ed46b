// The range checks of typed-in numbers and the check of the main window's
// input for the chosen scheme and run mode.
#include "validation/checks.h"

#include <cmath>

#include "params/conv.h"

namespace tps {

namespace {

// Values this close below a lower bound that is itself allowed still pass:
// a step typed as 0.0599995 is taken for 0.06.
constexpr double kLowerTolerance = 1e-5;

std::string WrongText(const std::string& name, const std::string& text) {
  return "Значение " + name + ": '" + text + "' - введено неверно";
}

std::string OutOfRange(const std::string& name, const std::string& text, const std::string& lo,
                       const std::string& hi, bool loIncl, bool hiIncl) {
  const char* sep = loIncl ? (hiIncl ? " и " : " и <") : (hiIncl ? "> и " : "> и <");
  return "Значение " + name + ": '" + text + "' - не лежит между " + lo + sep + hi;
}

// ----------------------------------------------------------------- rule tables

// The fields of the parameter block a rule reads.
enum class Field {
  ZoneLength, UaRe, UaIm, UbRe, UbIm, TrainActive, TrainReactive, TrainSpeed, TrainKm,
  StepMinutes, BatchTrains, BatchInterval, PskKm, Pps1Km, Pps2Km
};

// Where a bound comes from: a constant or the value of an earlier field.
enum class Bound { Const, Zone, Psk };

struct Rule {
  unsigned variants;  // bit v set: the rule applies to scheme variant v
  const char* name;
  Field field;
  bool integer;
  double lo;
  Bound loFrom;
  double hi;
  Bound hiFrom;
  bool loIncl, hiIncl;
};

constexpr unsigned V(int a) { return 1u << a; }
constexpr unsigned Range(int a, int b) {
  unsigned m = 0;
  for (int v = a; v <= b; ++v) m |= V(v);
  return m;
}

constexpr bool kIn = true;   // bound included
constexpr bool kOut = false; // bound excluded
constexpr Bound C = Bound::Const;

// Test mode, direct-current schemes 1..6.
const Rule kTestDc[] = {
    {Range(1, 6), "длины зоны", Field::ZoneLength, false, 0, C, 200, C, kOut, kIn},
    {Range(1, 6), "напряжения ТП1", Field::UaRe, false, 0, C, 50000, C, kOut, kIn},
    {Range(1, 6), "тока", Field::TrainActive, false, -5000, C, 5000, C, kIn, kIn},
    {Range(1, 6), "скорости", Field::TrainSpeed, false, 0, C, 455, C, kIn, kIn},
    {Range(1, 6), "места положения эл-воза", Field::TrainKm, false, 0, C, 0, Bound::Zone, kIn, kIn},
    {Range(1, 6), "шага", Field::StepMinutes, false, 0.06, C, 2, C, kIn, kIn},
    {Range(1, 6), "кол-ва поездов в пакете", Field::BatchTrains, true, 1, C, 20, C, kIn, kIn},
    {Range(1, 6), "минимального интервала", Field::BatchInterval, false, 1, C, 120, C, kIn, kIn},
    {Range(2, 6), "напряжения ТП2", Field::UbRe, false, 0, C, 50000, C, kOut, kIn},
    {V(4) | V(5), "места установки ПСК", Field::PskKm, false, 0, C, 0, Bound::Zone, kOut, kOut},
    {V(5), "места установки ППС1", Field::Pps1Km, false, 0, C, 0, Bound::Psk, kOut, kOut},
    {V(5), "места установки ППС2", Field::Pps2Km, false, 0, Bound::Psk, 0, Bound::Zone, kOut, kOut},
};

// Test mode, alternating-current schemes 7..12. The "(a)" and "(p)" of the
// names are Latin letters.
const Rule kTestAc[] = {
    {Range(7, 12), "длины зоны", Field::ZoneLength, false, 0, C, 200, C, kOut, kIn},
    {Range(7, 12), "напряжения ТП1(a)", Field::UaRe, false, -50000, C, 50000, C, kIn, kIn},
    {Range(7, 10) | V(12), "тока(a)", Field::TrainActive, false, -3000, C, 3000, C, kOut, kIn},
    {V(11), "тока(a)", Field::TrainActive, false, -3000, C, 3000, C, kIn, kIn},
    {Range(7, 12), "скорости", Field::TrainSpeed, false, 0, C, 455, C, kIn, kIn},
    {Range(7, 12), "места положения эл-воза", Field::TrainKm, false, 0, C, 0, Bound::Zone, kIn, kIn},
    {Range(7, 12), "шага", Field::StepMinutes, false, 0.06, C, 2, C, kIn, kIn},
    {Range(7, 12), "кол-ва поездов в пакете", Field::BatchTrains, true, 1, C, 20, C, kIn, kIn},
    {Range(7, 12), "минимального интервала", Field::BatchInterval, false, 1, C, 120, C, kIn, kIn},
    {Range(7, 12), "тока(p)", Field::TrainReactive, false, -1000, C, 1000, C, kIn, kIn},
    {V(7) | V(9), "напряжения ТП1(p)", Field::UaIm, false, -50000, C, 50000, C, kIn, kIn},
    {V(8) | V(10) | V(11) | V(12), "напряжения ТП1(p)", Field::UaIm, false, -50000, C, 50000, C, kOut, kIn},
    {V(8) | V(10) | V(11) | V(12), "напряжения ТП2(p)", Field::UbIm, false, -50000, C, 50000, C, kIn, kIn},
    {V(8) | V(10) | V(11) | V(12), "напряжения ТП2(a)", Field::UbRe, false, -50000, C, 50000, C, kOut, kIn},
    {V(11), "места установки ПСК", Field::PskKm, false, 0, C, 0, Bound::Zone, kOut, kOut},
};

// Probabilistic, schedule and constructor modes: the zone itself (the train
// data come from the train-parameter window there).
constexpr unsigned kOtherAll = Range(1, 5) | Range(7, 11);
const Rule kOtherModes[] = {
    {kOtherAll, "длины зоны", Field::ZoneLength, false, 0, C, 200, C, kOut, kIn},
    {Range(1, 5), "напряжения ТП1", Field::UaRe, false, 0, C, 50000, C, kOut, kIn},
    {Range(7, 11), "напряжения ТП1(a)", Field::UaRe, false, -50000, C, 50000, C, kOut, kIn},
    {kOtherAll, "шага", Field::StepMinutes, false, 0.06, C, 2, C, kIn, kIn},
    {Range(2, 5), "напряжения ТП2", Field::UbRe, false, 0, C, 50000, C, kOut, kIn},
    {V(7) | V(9), "напряжения ТП1(p)", Field::UaIm, false, -50000, C, 50000, C, kIn, kIn},
    {V(8) | V(10) | V(11), "напряжения ТП1(p)", Field::UaIm, false, -50000, C, 50000, C, kOut, kIn},
    {V(4) | V(5), "места установки ПСК", Field::PskKm, false, 0, C, 0, Bound::Zone, kOut, kOut},
    {V(8) | V(10) | V(11), "напряжения ТП2(p)", Field::UbIm, false, -50000, C, 50000, C, kIn, kIn},
    {V(5), "места установки ППС1", Field::Pps1Km, false, 0, C, 0, Bound::Psk, kOut, kOut},
    {V(8) | V(10) | V(11), "напряжения ТП2(a)", Field::UbRe, false, -50000, C, 50000, C, kOut, kIn},
    {V(5), "места установки ППС2", Field::Pps2Km, false, 0, Bound::Psk, 0, Bound::Zone, kOut, kOut},
    {V(11), "места установки ПСК", Field::PskKm, false, 0, C, 0, Bound::Zone, kOut, kOut},
};

std::string FieldText(const TParamBlock& p, Field f) {
  switch (f) {
    case Field::ZoneLength: return p.ZoneLength.Get();
    case Field::UaRe: return p.UaRe.Get();
    case Field::UaIm: return p.UaIm.Get();
    case Field::UbRe: return p.UbRe.Get();
    case Field::UbIm: return p.UbIm.Get();
    case Field::TrainActive: return p.TrainActive.Get();
    case Field::TrainReactive: return p.TrainReactive.Get();
    case Field::TrainSpeed: return p.TrainSpeed.Get();
    case Field::TrainKm: return p.TrainKm.Get();
    case Field::StepMinutes: return p.StepMinutes.Get();
    case Field::BatchTrains: return p.BatchTrains.Get();
    case Field::BatchInterval: return p.BatchInterval.Get();
    case Field::PskKm: return p.PskKm.Get();
    case Field::Pps1Km: return p.Pps1Km.Get();
    case Field::Pps2Km: return p.Pps2Km.Get();
  }
  return std::string();
}

// A bound taken from another field. That field has passed its own rule
// earlier in the same list, so it reads as a number.
double BoundValue(const TParamBlock& p, double constant, Bound from) {
  switch (from) {
    case Bound::Const: return constant;
    case Bound::Zone: return StrToFloat(p.ZoneLength.Get());
    case Bound::Psk: return StrToFloat(p.PskKm.Get());
  }
  return constant;
}

// The zone-length field is enabled again so that the user can correct it.
void EnableZoneLength(AppState& st) {
  st.Controls.ZoneLengthEnabled = true;
  st.Notify(Changed::Controls);
}

template <size_t N>
int RunRules(AppState& st, const Rule (&rules)[N], int variant) {
  const TParamBlock& p = st.Params;
  for (const Rule& r : rules) {
    if (!(r.variants & V(variant))) continue;
    std::string text = FieldText(p, r.field);
    int refused;
    if (r.integer) {
      refused = CheckInteger(st, text, r.name, static_cast<int32_t>(r.lo), static_cast<int32_t>(r.hi),
                             r.loIncl, r.hiIncl);
    } else {
      refused = CheckReal(st, text, r.name, BoundValue(p, r.lo, r.loFrom), BoundValue(p, r.hi, r.hiFrom),
                          r.loIncl, r.hiIncl);
    }
    if (refused) {
      if (r.field == Field::ZoneLength) EnableZoneLength(st);
      return 1;
    }
  }
  return 0;
}

// The probabilistic train-parameter grid, column by column.
struct GridColumn {
  const char* name;
  bool integer;
  double lo, hi;
  bool loIncl, hiIncl;
};

// "(а)" and "(р)" here are Cyrillic letters.
const GridColumn kGridColumns[7] = {
    {"вероятностных параметров: мин тока(а)", false, -5000, 5000, kIn, kIn},
    {"вероятностных параметров: макс тока(а)", false, -5000, 5000, kIn, kIn},
    {"вероятностных параметров: мин тока(р)", false, -5000, 5000, kIn, kIn},
    {"вероятностных параметров: макс тока(р)", false, -5000, 5000, kIn, kIn},
    {"вероятностных параметров: мин скорости", false, 0, 455, kOut, kIn},
    {"вероятностных параметров: макс скорости", false, 0, 455, kOut, kIn},
    {"вероятностных параметров: к-ва поездов", true, 0, 20000, kIn, kIn},
};

}  // namespace

int CheckReal(AppState& st, const std::string& text, const std::string& name, double lo, double hi,
              bool loIncl, bool hiIncl) {
  double x = 0;
  if (!TryStrToFloat(text, x)) {
    st.Message(MsgKind::Warning, WrongText(name, text));
    return 1;
  }
  bool valid;
  if (loIncl && hiIncl)
    valid = (x > lo || std::fabs(x - lo) < kLowerTolerance) && x <= hi;
  else if (!loIncl && hiIncl)
    valid = x > lo && x <= hi;
  else if (loIncl && !hiIncl)
    valid = x >= lo && x < hi;
  else
    valid = x > lo && x < hi;
  if (!valid) {
    st.Message(MsgKind::Warning, OutOfRange(name, text, FloatToStr(lo), FloatToStr(hi), loIncl, hiIncl));
    return 1;
  }
  return 0;
}

int CheckInteger(AppState& st, const std::string& text, const std::string& name, int32_t lo,
                 int32_t hi, bool loIncl, bool hiIncl) {
  int32_t v = 0;
  if (!TryStrToInt(text, v)) {
    st.Message(MsgKind::Warning, WrongText(name, text));
    return 1;
  }
  bool aboveLo = loIncl ? v >= lo : v > lo;
  bool belowHi = hiIncl ? v <= hi : v < hi;
  if (!(aboveLo && belowHi)) {
    st.Message(MsgKind::Warning,
               OutOfRange(name, text, FloatToStr(lo), std::to_string(hi), loIncl, hiIncl));
    return 1;
  }
  return 0;
}

int CheckChoice(AppState& st, const std::string& value, const std::string& kindWord,
                const std::string (&allowed)[5]) {
  for (const std::string& a : allowed)
    if (value == a) return 0;
  st.Message(MsgKind::Warning, "Неправильный тип " + kindWord);
  return 1;
}

int CheckTrainParameters(AppState& st) {
  for (int k = 0; k < 4; ++k) {
    for (int c = 0; c < 7; ++c) {
      const GridColumn& col = kGridColumns[c];
      const std::string& text = st.Prob.Grid[k][c];
      int refused = col.integer
                        ? CheckInteger(st, text, col.name, static_cast<int32_t>(col.lo),
                                       static_cast<int32_t>(col.hi), col.loIncl, col.hiIncl)
                        : CheckReal(st, text, col.name, col.lo, col.hi, col.loIncl, col.hiIncl);
      if (refused) return 1;
    }
  }
  // Without a scheme there is nothing to run: refused without a message.
  if (st.SchemeVariant == 0) return 1;
  return 0;
}

int CheckMainInput(AppState& st) {
  const int variant = st.SchemeVariant;
  if (st.RunMode == ModeTest) {
    if (variant > 12) return 0;  // a user scheme: nothing of the main window is used
    if (variant == 0) {
      st.Message(MsgKind::Warning, "Схема не задана");
      return 1;
    }
    return IsDcVariant(variant) ? RunRules(st, kTestDc, variant) : RunRules(st, kTestAc, variant);
  }

  if (CheckTrainParameters(st)) return 1;
  if (CheckReal(st, st.Prob.MinInterval, "минимального межпоездного интервала", 0, 120, kOut, kIn))
    return 1;
  if (variant == 0 || variant == 6 || variant == 12 || variant > 12) return 0;
  return RunRules(st, kOtherModes, variant);
}

}  // namespace tps
