#include "params/physical_rules.h"

#include <cmath>

#include "params/errors.h"
#include "params/state.h"

namespace tps {

namespace {

constexpr PhysicalSign kNonNeg = PhysicalSign::NonNegative;
constexpr PhysicalSign kPos = PhysicalSign::Positive;
constexpr PhysicalSign kRes = PhysicalSign::Resistance;

const char* ConductorName(ConductorKind kind) {
  switch (kind) {
    case ConductorKind::ContactWire:
      return "контактного провода";
    case ConductorKind::Messenger:
      return "несущего троса";
    case ConductorKind::Feeder:
      return "усиливающего провода";
    case ConductorKind::Rail:
      return "рельса";
  }
  return "";
}

// Every f64 number of the block, in the order a stored block is checked.
const PhysicalField kFields[] = {
    {&TParamBlock::EarthConductivity, "проводимости земли", kNonNeg},
    {&TParamBlock::ContactWireR, "сопротивления контактного провода", kRes},
    {&TParamBlock::MessengerR, "сопротивления несущего троса", kRes},
    {&TParamBlock::FeederR, "сопротивления усиливающего провода", kRes},
    {&TParamBlock::ExtraWireR, "сопротивления дополнительного провода", kRes},
    {&TParamBlock::RailR, "сопротивления рельса", kRes},
    {&TParamBlock::ContactWireRadius, "радиуса контактного провода", kNonNeg},
    {&TParamBlock::MessengerRadius, "радиуса несущего троса", kNonNeg},
    {&TParamBlock::FeederRadius, "радиуса усиливающего провода", kNonNeg},
    {&TParamBlock::ScreenWireRadius, "радиуса экранирующего провода", kNonNeg},
    {&TParamBlock::RailRadius, "радиуса рельса", kNonNeg},
    {&TParamBlock::RailGauge, "расстояния между рельсами", kNonNeg},
    {&TParamBlock::MastToTrackAxis, "расстояния от опоры до оси пути", kNonNeg},
    {&TParamBlock::WireSpacing, "расстояния между проводами", kNonNeg},
    {&TParamBlock::FeederToMast, "расстояния от УП до опоры", kNonNeg},
    {&TParamBlock::FeederToScreenWire, "расстояния от УП до ЭТ", kNonNeg},
    {&TParamBlock::TrackSpacing, "расстояния между путями", kNonNeg},
    {&TParamBlock::ContactWireHeight, "высоты подвеса КП", kNonNeg},
    {&TParamBlock::AirTemperature, "температуры воздуха", PhysicalSign::Finite},
};

// A number the block keeps as text, with the widest range the input checks
// give it (bounds included unless said).
struct TextRule {
  ShortStr<11> TParamBlock::*wide;
  ShortStr<5> TParamBlock::*narrow;  // the step and the batch fields
  ShortStr<4> TParamBlock::*shortest;
  const char* field;
  const char* name;
  double lo, hi;
  bool loIn, hiIn, integer;
};

const TextRule kTextRules[] = {
    {&TParamBlock::ZoneLength, nullptr, nullptr, "ZoneLength", "длины зоны", 0, 200, false, true, false},
    {&TParamBlock::UaRe, nullptr, nullptr, "UaRe", "напряжения ТП1(a)", -50000, 50000, true, true, false},
    {&TParamBlock::UaIm, nullptr, nullptr, "UaIm", "напряжения ТП1(p)", -50000, 50000, true, true, false},
    {&TParamBlock::UbRe, nullptr, nullptr, "UbRe", "напряжения ТП2(a)", -50000, 50000, true, true, false},
    {&TParamBlock::UbIm, nullptr, nullptr, "UbIm", "напряжения ТП2(p)", -50000, 50000, true, true, false},
    {&TParamBlock::TrainActive, nullptr, nullptr, "TrainActive", "тока(a)", -5000, 5000, true, true, false},
    {&TParamBlock::TrainReactive, nullptr, nullptr, "TrainReactive", "тока(p)", -5000, 5000, true, true, false},
    {&TParamBlock::TrainSpeed, nullptr, nullptr, "TrainSpeed", "скорости", 0, 455, true, true, false},
    {&TParamBlock::TrainKm, nullptr, nullptr, "TrainKm", "места положения эл-воза", 0, 200, true, true, false},
    {nullptr, nullptr, &TParamBlock::StepMinutes, "StepMinutes", "шага", 0.06, 2, true, true, false},
    {nullptr, &TParamBlock::BatchTrains, nullptr, "BatchTrains", "кол-ва поездов в пакете", 1, 20, true, true,
     true},
    {nullptr, nullptr, &TParamBlock::BatchInterval, "BatchInterval", "минимального интервала", 1, 120, true, true,
     false},
    {&TParamBlock::PskKm, nullptr, nullptr, "PskKm", "места установки ПСК", 0, 200, false, false, false},
    {&TParamBlock::Pps1Km, nullptr, nullptr, "Pps1Km", "места установки ППС1", 0, 200, false, false, false},
    {&TParamBlock::Pps2Km, nullptr, nullptr, "Pps2Km", "места установки ППС2", 0, 200, false, false, false},
};

std::string TextOf(const TParamBlock& p, const TextRule& r) {
  if (r.wide) return (p.*r.wide).Get();
  if (r.narrow) return (p.*r.narrow).Get();
  return (p.*r.shortest).Get();
}

// The rule's fault with the value's text, empty when sound.
std::string TextRuleFault(const TParamBlock& p, const TextRule& r) {
  const std::string text = TextOf(p, r);
  // "н/и" is the text of a field a scheme does not use; an empty field is
  // one never filled in (the input checks refuse it where it is used).
  if (text == kNotGiven || text.empty()) return std::string();
  std::string reason;
  double v = 0;
  int32_t n = 0;
  if (r.integer ? !TryStrToInt(text, n) : !TryStrToFloat(text, v) || !std::isfinite(v)) {
    reason = "введено неверно";
  } else {
    if (r.integer) v = n;
    const bool ok = (r.loIn ? v >= r.lo : v > r.lo) && (r.hiIn ? v <= r.hi : v < r.hi);
    if (!ok)
      reason = "не лежит между " + FloatToStr(r.lo) + (r.loIn ? "" : ">") + " и " + (r.hiIn ? "" : "<") +
               FloatToStr(r.hi);
  }
  if (reason.empty()) return reason;
  return ValueFault(r.name, ShortToken(text), reason);
}

}  // namespace

std::string PhysicalFault(double v, PhysicalSign sign) {
  if (!std::isfinite(v)) return "не является конечным числом";
  switch (sign) {
    case PhysicalSign::Positive:
      if (!(v > 0)) return "должно быть больше 0";
      break;
    case PhysicalSign::NonNegative:
      if (v < 0) return "не может быть меньше 0";
      break;
    case PhysicalSign::Finite:
      break;
    case PhysicalSign::Resistance:
      if (v < 0) return "не может быть меньше 0";
      if (!(v < kMaxResistancePerKm)) return "не лежит между 0 и <" + FloatToStr(kMaxResistancePerKm);
      break;
  }
  return std::string();
}

std::string ValueFault(const std::string& name, const std::string& text, const std::string& reason) {
  return "Значение " + name + ": '" + text + "' - " + reason;
}

const char* PhysicalFieldName(double TParamBlock::*member) {
  for (const PhysicalField& f : kFields)
    if (f.Member == member) return f.Name;
  throw ProgramError("Нет числа блока параметров с таким членом");
}

std::string PhysicalFieldFault(const TParamBlock& p, double TParamBlock::*member, PhysicalSign sign) {
  const double v = p.*member;
  const std::string reason = PhysicalFault(v, sign);
  if (reason.empty()) return reason;
  return ValueFault(PhysicalFieldName(member), FloatToStr(v), reason);
}

std::string StoredParamsFault(const TParamBlock& p) {
  for (const PhysicalField& f : kFields) {
    std::string fault = PhysicalFieldFault(p, f.Member, f.Stored);
    if (!fault.empty()) return fault;
  }
  return std::string();
}

std::string StoredTextFault(const TParamBlock& p) {
  for (const TextRule& r : kTextRules) {
    std::string fault = TextRuleFault(p, r);
    if (!fault.empty()) return "Поле " + std::string(r.field) + ": " + fault;
  }
  return std::string();
}

std::string StoredFieldFault(const TParamBlock& p, const std::string& field) {
  for (const TextRule& r : kTextRules)
    if (field == r.field) return TextRuleFault(p, r);
  if (double TParamBlock::*member = NumberFieldMember(field))
    for (const PhysicalField& f : kFields)
      if (f.Member == member) return PhysicalFieldFault(p, f.Member, f.Stored);
  return std::string();
}

std::string StoredFieldRange(const std::string& field) {
  for (const TextRule& r : kTextRules) {
    if (field != r.field) continue;
    std::string range = FloatToStr(r.lo) + (r.loIn ? " <= x " : " < x ") + (r.hiIn ? "<= " : "< ") +
                        FloatToStr(r.hi);
    if (r.integer) range += ", a whole number";
    return range + ", or \"" + kNotGiven + "\"";
  }
  if (double TParamBlock::*member = NumberFieldMember(field)) {
    for (const PhysicalField& f : kFields) {
      if (f.Member != member) continue;
      switch (f.Stored) {
        case PhysicalSign::Positive:
          return "x > 0";
        case PhysicalSign::NonNegative:
          return "x >= 0";
        case PhysicalSign::Finite:
          return "any finite number";
        case PhysicalSign::Resistance:
          return "0 <= x < " + FloatToStr(kMaxResistancePerKm);
      }
    }
  }
  return std::string();
}

std::string VoltageBeyond(const ShortStr<11>& field, const char* name, double limit) {
  const std::string text = field.Get();
  double v = 0;
  if (text == kNotGiven || !TryStrToFloat(text, v) || !(std::fabs(v) > limit)) return std::string();
  return ValueFault(name, text, "не лежит между " + FloatToStr(-limit) + " и " + FloatToStr(limit));
}

int CheckCatalogueRows(AppState& st, int index, const std::vector<CatalogueRow>& rows) {
  // The radii of the AC contact wires, messengers and rails enter the
  // logarithms of the line impedance; a feeder's radius and the radii of the
  // DC tables are kept but never used.
  const bool radiusUsed = index == 0 || index == 1 || index == 3;
  for (size_t k = 0; k < rows.size(); ++k) {
    const CatalogueRow& row = rows[k];
    const std::string place = " в строке " + std::to_string(k + 1);
    const std::string tail = ". Справочник не сохранён";
    double r = 0, radius = 0;
    const std::string* bad = nullptr;
    if (!TryStrToFloat(row.R, r))
      bad = &row.R;
    else if (!TryStrToFloat(row.Radius, radius))
      bad = &row.Radius;
    if (bad) {
      st.Message(MsgKind::Warning, "Значение" + place + " не является числом: '" + *bad + "'" + tail);
      return 1;
    }
    std::string reason = PhysicalFault(r, kRes);
    if (!reason.empty()) {
      st.Message(MsgKind::Warning, ValueFault("сопротивления" + place, row.R, reason) + tail);
      return 1;
    }
    reason = PhysicalFault(radius, radiusUsed ? kPos : kNonNeg);
    if (!reason.empty()) {
      st.Message(MsgKind::Warning, ValueFault("радиуса" + place, row.Radius, reason) + tail);
      return 1;
    }
  }
  return 0;
}

int CheckConductorChoice(AppState& st, ConductorKind kind, const TConductorEntry& e) {
  const std::string name = ConductorName(kind);
  std::string reason = PhysicalFault(e.R, kRes);
  if (!reason.empty()) {
    st.Message(MsgKind::Warning, ValueFault("сопротивления " + name, FloatToStr(e.R), reason));
    return 1;
  }
  const bool ac = st.SchemeVariant >= 7 && st.SchemeVariant <= 12;
  const bool radiusUsed = ac && kind != ConductorKind::Feeder;
  reason = PhysicalFault(e.Radius, radiusUsed ? kPos : kNonNeg);
  if (!reason.empty()) {
    st.Message(MsgKind::Warning, ValueFault("радиуса " + name, FloatToStr(e.Radius), reason));
    return 1;
  }
  return 0;
}

std::string StoredVoltageFault(const TParamBlock& p, int variant) {
  // The voltages the input check of the variant leaves unread.
  const bool dc = IsDcVariant(variant);
  const bool console = variant == 1 || variant == 7 || variant == 9;
  struct Voltage {
    const ShortStr<11>* field;
    const char* name;
    bool unchecked;
  };
  const Voltage voltages[] = {
      {&p.UaIm, "напряжения ТП1(p)", dc},
      {&p.UbRe, dc ? "напряжения ТП2" : "напряжения ТП2(a)", console},
      {&p.UbIm, "напряжения ТП2(p)", dc || console},
  };
  constexpr double kLimit = 50000;
  for (const Voltage& u : voltages) {
    if (!u.unchecked) continue;
    std::string fault = VoltageBeyond(*u.field, u.name, kLimit);
    if (!fault.empty()) return fault;
  }
  return std::string();
}

}  // namespace tps
