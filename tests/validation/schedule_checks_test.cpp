#include "validation/schedule_checks.h"

#include <gtest/gtest.h>

#include "params/errors.h"
#include "traffic/schedule.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

// A schedule made on the zone as it is now, saved as "gdp\<name>".
void SaveSchedule(AppState& st, const std::string& name) {
  TGDPClass g;
  g.Init(st);
  g.AddFinalizationPoint(10);
  g.SaveToFile(st.Work, SchedulePath(name));
}

}  // namespace

TEST(ScheduleChecks, SchemeZoneAndStepColourTheLabels) {
  Zone z(3);
  AppState& st = z.S();
  // Outside the schedule modes nothing is loaded: not even a missing file counts.
  EXPECT_EQ(CheckScheduleMatch(st, "none.gdp", true), 0);
  EXPECT_EQ(CheckScheduleZoneStep(st, "none.gdp", true), 0);
  st.RunMode = ModeSchedule;
  EXPECT_THROW(CheckScheduleMatch(st, "none.gdp", false), IoError);
  EXPECT_THROW(CheckScheduleMatch(st, "..\\x.gdp", false), IoError);

  SaveSchedule(st, "");  // the default name
  EXPECT_TRUE(st.Work.Exists("gdp\\file00.gdp"));
  for (int v = 1; v <= 12; ++v) {
    st.SchemeVariant = static_cast<uint8_t>(v);
    const bool accepted = (v >= 3 && v <= 6) || v >= 9;
    EXPECT_EQ(CheckScheduleMatch(st, "", false), accepted ? 0 : 1) << v;
    EXPECT_EQ(st.ScheduleLabelColours.Scheme, accepted ? kLabelGreen : kLabelRed) << v;
    EXPECT_EQ(st.ScheduleLabelColours.ZoneLength, kLabelGreen);
    EXPECT_EQ(st.ScheduleLabelColours.Step, kLabelGreen);
  }
  EXPECT_TRUE(z.host.messages.empty());
  st.SchemeVariant = 1;
  EXPECT_EQ(CheckScheduleMatch(st, "", true), 1);
  ASSERT_EQ(z.host.messages.size(), 1u);
  EXPECT_EQ(z.host.messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(z.host.messages[0].text, "Неправильный тип схемных параметров");
  // Without the scheme the same schedule fits.
  EXPECT_EQ(CheckScheduleZoneStep(st, "", true), 0);

  // Texts against texts: 20.0 is not the 20 of the schedule.
  st.SchemeVariant = 3;
  st.Params.ZoneLength.Set("20.0");
  st.Params.StepMinutes.Set("0.5");
  z.host.messages.clear();
  EXPECT_EQ(CheckScheduleZoneStep(st, "", true), 1);
  EXPECT_EQ(st.ScheduleLabelColours.ZoneLength, kLabelRed);
  EXPECT_EQ(st.ScheduleLabelColours.Step, kLabelRed);
  ASSERT_EQ(z.host.messages.size(), 1u);
  EXPECT_EQ(z.host.messages[0].text, "Неправильная длина зоны или шаг");

  // A schedule of no known variant: the scheme label keeps its colour.
  st.Params.ZoneLength.Set("20");
  st.Params.StepMinutes.Set("1");
  st.SchemeVariant = 0;
  SaveSchedule(st, "free.gdp");
  st.SchemeVariant = 7;
  st.ScheduleLabelColours.Scheme = 0x123456;
  EXPECT_EQ(CheckScheduleMatch(st, "free.gdp", false), 0);
  EXPECT_EQ(st.ScheduleLabelColours.Scheme, 0x123456u);
}
