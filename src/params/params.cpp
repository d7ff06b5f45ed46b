// Field access to the parameter block by the names of its fields, for the
// command line and for the default data, which give values as "Name=text".
#include "params/params.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "params/errors.h"
#include "params/physical_rules.h"

namespace tps {

namespace {

// Access to a text slot of any capacity.
struct TextSlot {
  void (*set)(TParamBlock&, std::string_view);
  std::string (*get)(const TParamBlock&);
};

template <auto Member>
constexpr TextSlot MakeTextSlot() {
  return {[](TParamBlock& p, std::string_view t) { (p.*Member).Set(t); },
          [](const TParamBlock& p) { return (p.*Member).Get(); }};
}

struct TextField {
  const char* name;
  TextSlot slot;
};

struct NumberField {
  const char* name;
  double TParamBlock::*member;
};

const TextField kTextFields[] = {
    {"ZoneLength", MakeTextSlot<&TParamBlock::ZoneLength>()},
    {"UaRe", MakeTextSlot<&TParamBlock::UaRe>()},
    {"UaIm", MakeTextSlot<&TParamBlock::UaIm>()},
    {"UbRe", MakeTextSlot<&TParamBlock::UbRe>()},
    {"UbIm", MakeTextSlot<&TParamBlock::UbIm>()},
    {"TrainActive", MakeTextSlot<&TParamBlock::TrainActive>()},
    {"TrainReactive", MakeTextSlot<&TParamBlock::TrainReactive>()},
    {"TrainSpeed", MakeTextSlot<&TParamBlock::TrainSpeed>()},
    {"TrainKm", MakeTextSlot<&TParamBlock::TrainKm>()},
    {"StepMinutes", MakeTextSlot<&TParamBlock::StepMinutes>()},
    {"BatchTrains", MakeTextSlot<&TParamBlock::BatchTrains>()},
    {"BatchInterval", MakeTextSlot<&TParamBlock::BatchInterval>()},
    {"PskKm", MakeTextSlot<&TParamBlock::PskKm>()},
    {"Pps1Km", MakeTextSlot<&TParamBlock::Pps1Km>()},
    {"Pps2Km", MakeTextSlot<&TParamBlock::Pps2Km>()},
    {"TrainType", MakeTextSlot<&TParamBlock::TrainType>()},
    {"ContactWireType", MakeTextSlot<&TParamBlock::ContactWireType>()},
    {"MessengerType", MakeTextSlot<&TParamBlock::MessengerType>()},
    {"FeederType", MakeTextSlot<&TParamBlock::FeederType>()},
    {"ExtraWireType", MakeTextSlot<&TParamBlock::ExtraWireType>()},
    {"RailType", MakeTextSlot<&TParamBlock::RailType>()},
};

const NumberField kNumberFields[] = {
    {"EarthConductivity", &TParamBlock::EarthConductivity},
    {"ContactWireR", &TParamBlock::ContactWireR},
    {"MessengerR", &TParamBlock::MessengerR},
    {"FeederR", &TParamBlock::FeederR},
    {"ExtraWireR", &TParamBlock::ExtraWireR},
    {"RailR", &TParamBlock::RailR},
    {"ContactWireRadius", &TParamBlock::ContactWireRadius},
    {"MessengerRadius", &TParamBlock::MessengerRadius},
    {"FeederRadius", &TParamBlock::FeederRadius},
    {"ScreenWireRadius", &TParamBlock::ScreenWireRadius},
    {"RailRadius", &TParamBlock::RailRadius},
    {"RailGauge", &TParamBlock::RailGauge},
    {"MastToTrackAxis", &TParamBlock::MastToTrackAxis},
    {"WireSpacing", &TParamBlock::WireSpacing},
    {"FeederToMast", &TParamBlock::FeederToMast},
    {"FeederToScreenWire", &TParamBlock::FeederToScreenWire},
    {"TrackSpacing", &TParamBlock::TrackSpacing},
    {"ContactWireHeight", &TParamBlock::ContactWireHeight},
    {"AirTemperature", &TParamBlock::AirTemperature},
};

constexpr const char* kResultsPending = "ResultsPending";

}  // namespace

bool SetParamField(TParamBlock& p, const std::string& name, const std::string& text) {
  for (const auto& f : kTextFields) {
    if (name == f.name) {
      f.slot.set(p, text);
      return true;
    }
  }
  for (const auto& f : kNumberFields) {
    if (name == f.name) {
      p.*f.member = StrToFloat(text);
      return true;
    }
  }
  if (name == kResultsPending) {
    int32_t v = StrToInt(text);
    if (v < INT16_MIN || v > INT16_MAX)
      throw ConvertError("'" + text + "' не помещается в поле " + name);
    p.ResultsPending = static_cast<int16_t>(v);
    return true;
  }
  return false;
}

bool GetParamField(const TParamBlock& p, const std::string& name, std::string& text) {
  for (const auto& f : kTextFields) {
    if (name == f.name) {
      text = f.slot.get(p);
      return true;
    }
  }
  for (const auto& f : kNumberFields) {
    if (name == f.name) {
      text = FloatToStr(p.*f.member);
      return true;
    }
  }
  if (name == kResultsPending) {
    text = std::to_string(p.ResultsPending);
    return true;
  }
  return false;
}

double TParamBlock::*NumberFieldMember(const std::string& name) {
  for (const auto& f : kNumberFields)
    if (name == f.name) return f.member;
  return nullptr;
}

std::vector<std::string> ParamFieldNames() {
  std::vector<std::string> names;
  for (const auto& f : kTextFields) names.push_back(f.name);
  names.push_back(kResultsPending);
  for (const auto& f : kNumberFields) names.push_back(f.name);
  return names;
}

}  // namespace tps
