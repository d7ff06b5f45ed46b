#include <gtest/gtest.h>

#include <cstring>

#include "params/errors.h"
#include "params/params.h"
#include "params/persist.h"

using namespace tps;

namespace {

std::string Field(const TParamBlock& p, const std::string& name) {
  std::string text;
  EXPECT_TRUE(GetParamField(p, name, text)) << name;
  return text;
}

}  // namespace

TEST(ParamFields, TextFieldsAreCutToTheirCapacity) {
  TParamBlock p;
  ASSERT_TRUE(SetParamField(p, "ZoneLength", "12.3456789012345"));
  EXPECT_EQ(Field(p, "ZoneLength"), "12.34567890");
  ASSERT_TRUE(SetParamField(p, "StepMinutes", "0.125"));
  EXPECT_EQ(Field(p, "StepMinutes"), "0.12");
  ASSERT_TRUE(SetParamField(p, "BatchTrains", "1234567"));
  EXPECT_EQ(Field(p, "BatchTrains"), "12345");
  ASSERT_TRUE(SetParamField(p, "TrainType", "Пассажирский (P) поезд"));
  EXPECT_EQ(Field(p, "TrainType"), "Пассажирский (P) пое");
  // Cyrillic text takes one byte per character in its slot.
  ASSERT_TRUE(SetParamField(p, "FeederType", "Отсутствует"));
  Bytes b = ParamsToBytes(p);
  EXPECT_EQ(b[210], 11);
  EXPECT_EQ(b[211], 0xCE);  // "О" in the code page
  EXPECT_EQ(Field(p, "FeederType"), "Отсутствует");
}

TEST(ParamFields, NumberFieldsParseAndShowTheGeneralForm) {
  TParamBlock p;
  ASSERT_TRUE(SetParamField(p, "RailR", "0.0155"));
  EXPECT_DOUBLE_EQ(p.RailR, 0.0155);
  ASSERT_TRUE(SetParamField(p, "EarthConductivity", "1E-2"));
  EXPECT_EQ(Field(p, "EarthConductivity"), "0.01");
  ASSERT_TRUE(SetParamField(p, "AirTemperature", "-40"));
  EXPECT_EQ(p.AirTemperature, -40);
  ASSERT_TRUE(SetParamField(p, "ResultsPending", "1"));
  EXPECT_EQ(p.ResultsPending, 1);
  EXPECT_EQ(Field(p, "ResultsPending"), "1");
}

TEST(ParamFields, BadNumbersAndUnknownNamesChangeNothing) {
  TParamBlock p;
  p.ContactWireR = 0.179;
  EXPECT_THROW(SetParamField(p, "ContactWireR", "0,179"), ConvertError);
  EXPECT_THROW(SetParamField(p, "ContactWireR", ""), ConvertError);
  EXPECT_EQ(p.ContactWireR, 0.179);
  EXPECT_THROW(SetParamField(p, "ResultsPending", "40000"), ConvertError);
  EXPECT_EQ(p.ResultsPending, 0);
  Bytes before = ParamsToBytes(p);
  EXPECT_FALSE(SetParamField(p, "zonelength", "5"));
  EXPECT_FALSE(SetParamField(p, "Pad1", "5"));
  EXPECT_EQ(ParamsToBytes(p), before);
  std::string text = "unchanged";
  EXPECT_FALSE(GetParamField(p, "NoSuchField", text));
  EXPECT_EQ(text, "unchanged");
}

TEST(ParamFields, EveryNamedFieldLandsAtItsOffset) {
  // Each field set through its name shows up at the offset of the record.
  struct Case {
    const char* name;
    size_t offset;
    bool number;
  };
  const Case cases[] = {
      {"ZoneLength", 0, false},      {"UaRe", 12, false},          {"UaIm", 24, false},
      {"UbRe", 36, false},           {"UbIm", 48, false},          {"TrainActive", 60, false},
      {"TrainReactive", 72, false},  {"TrainSpeed", 84, false},    {"TrainKm", 96, false},
      {"StepMinutes", 108, false},   {"BatchTrains", 113, false},  {"BatchInterval", 119, false},
      {"PskKm", 124, false},         {"Pps1Km", 136, false},       {"Pps2Km", 148, false},
      {"TrainType", 160, false},     {"ContactWireType", 186, false},
      {"MessengerType", 198, false}, {"FeederType", 210, false},   {"ExtraWireType", 222, false},
      {"RailType", 234, false},      {"EarthConductivity", 248, true},
      {"ContactWireR", 256, true},   {"MessengerR", 264, true},    {"FeederR", 272, true},
      {"ExtraWireR", 280, true},     {"RailR", 288, true},         {"ContactWireRadius", 296, true},
      {"MessengerRadius", 304, true}, {"FeederRadius", 312, true}, {"ScreenWireRadius", 320, true},
      {"RailRadius", 328, true},     {"RailGauge", 336, true},     {"MastToTrackAxis", 344, true},
      {"WireSpacing", 352, true},    {"FeederToMast", 360, true},  {"FeederToScreenWire", 368, true},
      {"TrackSpacing", 376, true},   {"ContactWireHeight", 384, true},
      {"AirTemperature", 392, true},
  };
  for (const Case& c : cases) {
    TParamBlock p;
    ASSERT_TRUE(SetParamField(p, c.name, "7")) << c.name;
    Bytes b = ParamsToBytes(p);
    if (c.number) {
      double v;
      std::memcpy(&v, b.data() + c.offset, 8);
      EXPECT_EQ(v, 7.0) << c.name;
    } else {
      EXPECT_EQ(b[c.offset], 1) << c.name;
      EXPECT_EQ(b[c.offset + 1], '7') << c.name;
    }
    // Nothing else of the record changed.
    size_t width = c.number ? 8 : 2;
    for (size_t i = 0; i < b.size(); ++i) {
      if (i < c.offset || i >= c.offset + width) {
        ASSERT_EQ(b[i], 0) << c.name << " byte " << i;
      }
    }
  }
}
