#include "params/physical_rules.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

#include "params/params.h"

using namespace tps;

// Every f64 number of the block has its rule and its name in messages, found
// the same way by a stored block, by --set and by the checks of typed input:
// a number that is not finite is refused in each field, named in the words
// of the input, and a resistance beyond 20 Ohm/km only in the resistances.
TEST(PhysicalRules, EveryNumberOfTheBlockIsNamedOnceAndRefusedByItsRule) {
  const std::pair<const char*, const char*> fields[] = {
      {"EarthConductivity", "проводимости земли"},
      {"ContactWireR", "сопротивления контактного провода"},
      {"MessengerR", "сопротивления несущего троса"},
      {"FeederR", "сопротивления усиливающего провода"},
      {"ExtraWireR", "сопротивления дополнительного провода"},
      {"RailR", "сопротивления рельса"},
      {"ContactWireRadius", "радиуса контактного провода"},
      {"MessengerRadius", "радиуса несущего троса"},
      {"FeederRadius", "радиуса усиливающего провода"},
      {"ScreenWireRadius", "радиуса экранирующего провода"},
      {"RailRadius", "радиуса рельса"},
      {"RailGauge", "расстояния между рельсами"},
      {"MastToTrackAxis", "расстояния от опоры до оси пути"},
      {"WireSpacing", "расстояния между проводами"},
      {"FeederToMast", "расстояния от УП до опоры"},
      {"FeederToScreenWire", "расстояния от УП до ЭТ"},
      {"TrackSpacing", "расстояния между путями"},
      {"ContactWireHeight", "высоты подвеса КП"},
      {"AirTemperature", "температуры воздуха"},
  };
  for (const auto& [field, name] : fields) {
    double TParamBlock::*member = NumberFieldMember(field);
    ASSERT_NE(member, nullptr) << field;
    EXPECT_EQ(PhysicalFieldName(member), std::string(name)) << field;
    TParamBlock p;
    EXPECT_EQ(StoredParamsFault(p), "") << field;
    EXPECT_EQ(StoredFieldFault(p, field), "") << field;
    p.*member = std::numeric_limits<double>::infinity();
    const std::string fault = ValueFault(name, FloatToStr(p.*member), "не является конечным числом");
    EXPECT_EQ(StoredParamsFault(p), fault) << field;
    EXPECT_EQ(StoredFieldFault(p, field), fault) << field;
    p.*member = 25;
    const bool resistance = std::string(field).back() == 'R';
    EXPECT_EQ(StoredFieldFault(p, field),
              resistance ? ValueFault(name, "25", "не лежит между 0 и <20") : std::string())
        << field;
  }
  EXPECT_EQ(NumberFieldMember("ZoneLength"), nullptr);
  EXPECT_EQ(NumberFieldMember("Нет такого"), nullptr);
}
