#include <gtest/gtest.h>

#include "driver/testrun.h"
#include "solver/report.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

// A small detailed batch compared byte for byte with its report.
// The zone: DC console, 2 km, 0.15 Ohm/km, 3300 V, one train of 1000 A at
// 60 km/h entering at km 0, step 1 minute. Four steps are solved: the train
// at km 0 (no drop), at km 1 (3150 V, 150 kW), at km 2 (3000 V, 300 kW),
// and the empty zone. The only other current is the 3.3e-5 A leak through the
// open far source (99999999 Ohm), which shows as 0.000 in the report.
// Totals: loss (150/2 + 450/2 + 300/2) kW*min = 7.5 kWh; supplied
// 3300 V * 1000 A over 2 minutes by the trapezoid that starts from 0 at
// the first step: 27.5 + 55 + 27.5 kWh = 0.110 thousand kWh; 6.82 %;
// mean (3300 + 3000) / 2 at the last step; lowest 3000 V at step 3.
TEST(BatchReport, SmallDetailedConsoleBatchByteForByte) {
  Zone z(1, "2");
  AppState& st = z.S();
  st.Params.UbRe.Set(kNotGiven);
  st.Params.BatchTrains.Set("1");
  st.Params.BatchInterval.Set("1");
  st.Options.FastCalc = false;
  ASSERT_EQ(BatchLaunch(st), RunOutcome::Finished);
  EXPECT_EQ(st.LossSeries.LastIndex, 3);
  WriteTotals(st);
  std::vector<uint8_t> got = tpstest::ReadBytes(st.Work.Resolve("Final.txt"));
  std::filesystem::path golden = tpstest::DataPath("batch/console_2km_final.txt");
  if (tpstest::GoldenUpdate()) tpstest::WriteBytes(golden, got);
  EXPECT_EQ(got, tpstest::ReadBytes(golden));
}
