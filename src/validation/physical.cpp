// The physical data of the traction network as it is typed in: what the
// conductors, the earth and the catenary geometry must be so that the line
// impedance exists. The numbers are named by the rules of params/physical_rules.
#include "validation/physical.h"

#include <cmath>
#include <initializer_list>

#include "params/conv.h"
#include "params/errors.h"

namespace tps {

namespace {

constexpr PhysicalSign kPos = PhysicalSign::Positive;
constexpr PhysicalSign kRes = PhysicalSign::Resistance;

// One number of the block with the rule a check holds it to.
struct NumberRule {
  double TParamBlock::*member;
  PhysicalSign sign;
};

// The first rule of the list that a value breaks, as a message; empty when none.
std::string FirstFault(const TParamBlock& p, std::initializer_list<NumberRule> rules) {
  for (const NumberRule& r : rules) {
    std::string fault = PhysicalFieldFault(p, r.member, r.sign);
    if (!fault.empty()) return fault;
  }
  return std::string();
}

bool HasFeeder(const TParamBlock& p) {
  return p.FeederType.Get() != kNoFeeder;
}

// The catenary of a DC scheme as one resistance: the contact wire and the
// messenger (and the feeder) in parallel. Empty when the parallel connection
// has a conductance, else the message.
std::string CatenaryFault(const TParamBlock& p) {
  const double rk = p.ContactWireR, rn = p.MessengerR, ru = p.FeederR;
  if (!HasFeeder(p)) {
    if (rk + rn > 0) return std::string();
    return "Значения сопротивлений контактного провода и несущего троса: '" + FloatToStr(rk) + "' и '" +
           FloatToStr(rn) + "' - хотя бы одно должно быть больше 0";
  }
  if (rk * rn + rn * ru + rk * ru > 0) return std::string();
  return "Значения сопротивлений контактного провода, несущего троса и усиливающего провода: '" +
         FloatToStr(rk) + "', '" + FloatToStr(rn) + "' и '" + FloatToStr(ru) +
         "' - хотя бы два должны быть больше 0";
}

}  // namespace

int CheckAcFormInput(AppState& st, const AcFormInput& in) {
  struct Entry {
    const std::string* text;
    double TParamBlock::*member;
    PhysicalSign sign;
  };
  const Entry entries[] = {
      {&in.EarthConductivity, &TParamBlock::EarthConductivity, kPos},
      {&in.RailGauge, &TParamBlock::RailGauge, kPos},
      {&in.MastToTrackAxis, &TParamBlock::MastToTrackAxis, kPos},
      {&in.WireSpacing, &TParamBlock::WireSpacing, kPos},
      {&in.FeederToMast, &TParamBlock::FeederToMast, kPos},
      {&in.FeederToScreenWire, &TParamBlock::FeederToScreenWire, kPos},
      {&in.TrackSpacing, &TParamBlock::TrackSpacing, kPos},
      {&in.ContactWireHeight, &TParamBlock::ContactWireHeight, kPos},
      {&in.AirTemperature, &TParamBlock::AirTemperature, PhysicalSign::Finite},
  };
  constexpr size_t n = sizeof entries / sizeof entries[0];
  double values[n];
  // Every field is read and checked before any is stored.
  for (size_t k = 0; k < n; ++k) {
    const Entry& e = entries[k];
    std::string reason;
    if (!TryStrToFloat(*e.text, values[k]))
      reason = "введено неверно";
    else
      reason = PhysicalFault(values[k], e.sign);
    if (!reason.empty()) {
      st.Message(MsgKind::Warning, ValueFault(PhysicalFieldName(e.member), *e.text, reason));
      return 1;
    }
  }
  for (size_t k = 0; k < n; ++k) st.Params.*entries[k].member = values[k];
  return 0;
}

int CheckNetworkInput(AppState& st, const TParamBlock& p) {
  std::string fault = FirstFault(p, {{&TParamBlock::ContactWireR, kRes},
                                     {&TParamBlock::MessengerR, kRes},
                                     {&TParamBlock::FeederR, kRes},
                                     {&TParamBlock::RailR, kRes}});
  if (fault.empty()) fault = CatenaryFault(p);
  if (fault.empty()) return 0;
  st.Message(MsgKind::Warning, fault);
  return 1;
}

std::string ImpedanceDataFault(const TParamBlock& p, int variant) {
  if (variant < 1 || variant > 12) return std::string();
  std::string fault;
  if (IsDcVariant(variant)) {
    fault = FirstFault(p, {{&TParamBlock::ContactWireR, kRes},
                           {&TParamBlock::MessengerR, kRes},
                           {&TParamBlock::RailR, kRes}});
    if (fault.empty() && HasFeeder(p)) fault = PhysicalFieldFault(p, &TParamBlock::FeederR, kRes);
    if (fault.empty()) fault = CatenaryFault(p);
  } else {
    // Everything that enters the square root and the logarithms of the AC line impedance.
    fault = FirstFault(p, {{&TParamBlock::EarthConductivity, kPos},
                           {&TParamBlock::ContactWireR, kRes},
                           {&TParamBlock::MessengerR, kRes},
                           {&TParamBlock::RailR, kRes},
                           {&TParamBlock::ContactWireRadius, kPos},
                           {&TParamBlock::MessengerRadius, kPos},
                           {&TParamBlock::RailRadius, kPos},
                           {&TParamBlock::RailGauge, kPos},
                           {&TParamBlock::WireSpacing, kPos},
                           {&TParamBlock::ContactWireHeight, kPos}});
    if (fault.empty() && !IsSingleTrackVariant(variant))
      fault = PhysicalFieldFault(p, &TParamBlock::TrackSpacing, kPos);
  }
  if (fault.empty()) return fault;
  return "Сопротивление тяговой сети не может быть рассчитано. " + fault;
}

int CheckImpedanceData(AppState& st) {
  const std::string fault = ImpedanceDataFault(st.Params, st.SchemeVariant);
  if (fault.empty()) return 0;
  st.Message(MsgKind::Warning, fault);
  return 1;
}

std::string SourceVoltageFault(const TParamBlock& p) {
  struct Voltage {
    const ShortStr<11>* field;
    const char* name;
  };
  const Voltage voltages[] = {{&p.UaRe, "напряжения ТП1(a)"},
                              {&p.UaIm, "напряжения ТП1(p)"},
                              {&p.UbRe, "напряжения ТП2(a)"},
                              {&p.UbIm, "напряжения ТП2(p)"}};
  for (const Voltage& u : voltages) {
    std::string fault = VoltageBeyond(*u.field, u.name, kMaxSourceVoltage);
    if (!fault.empty()) return fault;
  }
  return std::string();
}

int CheckCircuitData(AppState& st) {
  if (CheckImpedanceData(st) != 0) return 1;
  const std::string fault = SourceVoltageFault(st.Params);
  if (fault.empty()) return 0;
  st.Message(MsgKind::Warning, fault);
  return 1;
}

}  // namespace tps
