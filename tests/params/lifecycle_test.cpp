#include <gtest/gtest.h>

#include <filesystem>

#include "params/lifecycle.h"
#include "test_support.h"

using namespace tps;
namespace fs = std::filesystem;

TEST(Lifecycle, StartUpEmptiesTheReportAndLoadsTheDefaults) {
  tpstest::TempDir t;
  tpstest::WriteBytes(t.Path() / "Final.txt", {'o', 'l', 'd'});
  RecordingHost host;
  AppState st;
  st.Work = t.Work();
  st.Host = &host;
  st.ShowPictures = false;
  st.SchemeVariant = 5;
  st.Rng.SetSeed(99);
  StartUp(st, false);
  EXPECT_EQ(fs::file_size(t.Path() / "Final.txt"), 0u);
  EXPECT_FALSE(fs::exists(t.Path() / "final.txt") && !fs::equivalent(t.Path() / "final.txt", t.Path() / "Final.txt"));
  EXPECT_EQ(fs::file_size(t.Path() / "DATA" / "global.dmt"), 216u);
  EXPECT_EQ(st.Params.EarthConductivity, 0.01);
  EXPECT_EQ(st.Params.AirTemperature, 20);
  EXPECT_EQ(st.SchemeVariant, 0);
  EXPECT_TRUE(st.ShowPictures);
  EXPECT_EQ(st.RunMode, ModeTest);
  EXPECT_EQ(st.Rng.Seed(), 99u);  // an explicit seed is kept
  ShutDown(st);
  EXPECT_FALSE(fs::exists(t.Path() / "Final.txt"));
  EXPECT_TRUE(host.messages.empty());
}

TEST(Lifecycle, ClockSeedAndTheGenerator) {
  TRandom r;
  r.SetSeed(0);
  EXPECT_EQ(r.Uniform(), 1.0 / 4294967296.0);
  EXPECT_EQ(r.Seed(), 1u);
  r.Uniform();
  EXPECT_EQ(r.Seed(), 134775814u);
  r.SetSeed(0xFFFFFFFFu);
  r.Uniform();
  EXPECT_EQ(r.Seed(), static_cast<uint32_t>(0xFFFFFFFFull * 134775813ull + 1));
  TRandom c;
  c.SeedFromClock();
  EXPECT_LT(c.Seed(), 86400000u);
  double u = c.Uniform();
  EXPECT_GE(u, 0);
  EXPECT_LT(u, 1);
}
