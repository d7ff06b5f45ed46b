#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>

#include "params/errors.h"
#include "params/persist.h"
#include "params/state.h"
#include "test_support.h"

using namespace tps;
namespace fs = std::filesystem;

namespace {

// A record built by hand at the documented offsets.
struct Image {
  Bytes b;
  explicit Image(size_t n) : b(n, 0) {}
  // Text already in the code page (ASCII or explicit bytes).
  void Str(size_t off, const std::string& cp) {
    b[off] = static_cast<uint8_t>(cp.size());
    std::memcpy(b.data() + off + 1, cp.data(), cp.size());
  }
  void F64(size_t off, double v) { std::memcpy(b.data() + off, &v, 8); }
  void U16(size_t off, uint16_t v) { b[off] = v & 0xFF, b[off + 1] = v >> 8; }
};

const std::string kNoFeederCp = "\xCE\xF2\xF1\xF3\xF2\xF1\xF2\xE2\xF3\xE5\xF2";  // "Отсутствует"

struct PersistTest : ::testing::Test {
  tpstest::TempDir dir;
  RecordingHost host;
  AppState st;
  PersistTest() {
    st.Work = dir.Work();
    st.Host = &host;
  }
  fs::path File(const std::string& rel) { return dir.Path() / rel; }
};

}  // namespace

TEST_F(PersistTest, SavedStateEqualsTheHandBuiltRecord) {
  TParamBlock& p = st.Params;
  p.ZoneLength = "12.3456789012345";
  p.UaRe = "27500";
  p.UaIm = "0";
  p.TrainActive = "250";
  p.TrainReactive = "-100";
  p.StepMinutes = "1";
  p.BatchTrains = "3";
  p.BatchInterval = "10";
  p.PskKm = "н/и";
  p.TrainType = "Грузовой (F)";
  p.ContactWireType = "MF-100";
  p.FeederType = "Отсутствует";
  p.ExtraWireType = "leftover";
  p.EarthConductivity = 0.01;
  p.ContactWireR = 0.179;
  p.FeederR = 0.157;  // the field still shows a resistance; no feeder wins
  p.ExtraWireR = 5;
  p.ContactWireRadius = 0.564;
  p.ScreenWireRadius = 0.875;
  p.RailRadius = 9.87;
  p.AirTemperature = 20;
  SaveState(st, 21);

  Image want(400);
  want.Str(0, "12.34567890");
  want.Str(12, "27500");
  want.Str(24, "0");
  want.Str(60, "250");
  want.Str(72, "-100");
  want.Str(108, "1");
  want.Str(113, "3");
  want.Str(119, "10");
  want.Str(124, "\xED/\xE8");                                          // "н/и"
  want.Str(160, "\xC3\xF0\xF3\xE7\xEE\xE2\xEE\xE9 (F)");               // "Грузовой (F)"
  want.Str(186, "MF-100");
  want.Str(210, kNoFeederCp);
  want.F64(248, 0.01);
  want.F64(256, 0.179);
  want.F64(296, 0.564);
  want.F64(320, 0.875);
  want.F64(328, 9.87);
  want.F64(392, 20);
  EXPECT_EQ(tpstest::ReadBytes(File("SAVES/state_21.smt")), want.b);
  EXPECT_EQ(StateFileName(21), "SAVES\\state_21.smt");
}

TEST_F(PersistTest, HandBuiltStateLoadsIntoItsFields) {
  Image img(400);
  img.Str(0, "20");
  img.Str(12, "3300");
  img.Str(84, "60");
  img.Str(96, "0");
  img.Str(136, "5");
  img.Str(148, "15");
  img.Str(160, "\xDD\xEB\xE5\xEA\xF2\xF0\xE8\xF7\xEA\xE0 (E)");  // "Электричка (E)"
  img.U16(184, 1);
  img.Str(198, "\xCC-120");  // "М-120"
  img.Str(234, "\xD0" "65");  // "Р65"
  img.F64(264, 0.158);
  img.F64(288, 0.0155);
  img.F64(304, 0.7);
  img.F64(336, 1.42);
  img.F64(376, 6.5);
  img.F64(384, 5.75);
  tpstest::WriteBytes(File("SAVES/state_18.smt"), img.b);
  st.Params.UbRe = "keep?";

  EXPECT_TRUE(LoadState(st, 18));
  const TParamBlock& p = st.Params;
  EXPECT_EQ(p.ZoneLength.Get(), "20");
  EXPECT_EQ(p.UaRe.Get(), "3300");
  EXPECT_EQ(p.UbRe.Get(), "");  // the whole record replaces the block
  EXPECT_EQ(p.TrainSpeed.Get(), "60");
  EXPECT_EQ(p.TrainKm.Get(), "0");
  EXPECT_EQ(p.Pps1Km.Get(), "5");
  EXPECT_EQ(p.Pps2Km.Get(), "15");
  EXPECT_EQ(p.TrainType.Get(), "Электричка (E)");
  EXPECT_EQ(p.ResultsPending, 1);
  EXPECT_EQ(p.MessengerType.Get(), "М-120");
  EXPECT_EQ(p.RailType.Get(), "Р65");
  EXPECT_EQ(p.MessengerR, 0.158);
  EXPECT_EQ(p.RailR, 0.0155);
  EXPECT_EQ(p.MessengerRadius, 0.7);
  EXPECT_EQ(p.RailGauge, 1.42);
  EXPECT_EQ(p.TrackSpacing, 6.5);
  EXPECT_EQ(p.ContactWireHeight, 5.75);
  // Saving it again gives the same bytes.
  SaveState(st, 18);
  EXPECT_EQ(tpstest::ReadBytes(File("SAVES/state_18.smt")), img.b);
}

TEST_F(PersistTest, SchemeCodesKeepSeparateStates) {
  st.Params.ZoneLength = "10";
  SaveState(st, 11);
  st.Params.ZoneLength = "30";
  SaveState(st, 22);
  EXPECT_TRUE(fs::exists(File("SAVES/state_11.smt")));
  EXPECT_TRUE(fs::exists(File("SAVES/state_22.smt")));
  EXPECT_TRUE(LoadState(st, 11));
  EXPECT_EQ(st.Params.ZoneLength.Get(), "10");
  EXPECT_TRUE(LoadState(st, 22));
  EXPECT_EQ(st.Params.ZoneLength.Get(), "30");
  // A code without a state file keeps the fields as they are.
  EXPECT_FALSE(LoadState(st, 24));
  EXPECT_EQ(st.Params.ZoneLength.Get(), "30");
}

TEST_F(PersistTest, ShortStateFileRaisesAndKeepsTheFields) {
  tpstest::WriteBytes(File("SAVES/state_14.smt"), Bytes(399, 1));
  st.Params.ZoneLength = "25";
  Bytes before = ParamsToBytes(st.Params);
  EXPECT_THROW(LoadState(st, 14), IoError);
  EXPECT_EQ(ParamsToBytes(st.Params), before);
}

TEST_F(PersistTest, NoFeederStoresZeroResistanceAndRadiiSurvive) {
  TParamBlock& p = st.Params;
  p.FeederType = "Отсутствует";
  p.FeederR = 0.157;
  p.FeederRadius = 0.875;
  p.ContactWireRadius = 0.564;
  p.MessengerRadius = 0.7;
  p.ScreenWireRadius = 0.5;
  p.RailRadius = 9.87;
  p.ExtraWireType = "x";
  p.ExtraWireR = 3;
  SaveState(st, 12);
  st.Params = TParamBlock();
  ASSERT_TRUE(LoadState(st, 12));
  EXPECT_EQ(p.FeederR, 0);
  EXPECT_EQ(p.ExtraWireR, 0);
  EXPECT_EQ(p.ExtraWireType.Get(), "");
  EXPECT_EQ(p.FeederRadius, 0.875);
  EXPECT_EQ(p.ContactWireRadius, 0.564);
  EXPECT_EQ(p.MessengerRadius, 0.7);
  EXPECT_EQ(p.ScreenWireRadius, 0.5);
  EXPECT_EQ(p.RailRadius, 9.87);
  // A real feeder keeps its resistance.
  p.FeederType = "А-185";
  p.FeederR = 0.157;
  ApplyFormRules(p);
  EXPECT_EQ(p.FeederR, 0.157);
}

TEST_F(PersistTest, GlobalFileIsCreatedWithItsDefaultsAndRead) {
  st.Params.ZoneLength = "20";
  st.Params.ContactWireR = 0.5;
  LoadGlobalFile(st);
  Image want(216);
  want.F64(248 - 184, 0.01);
  want.F64(392 - 184, 20);
  EXPECT_EQ(tpstest::ReadBytes(File("DATA/global.dmt")), want.b);
  EXPECT_EQ(st.Params.EarthConductivity, 0.01);
  EXPECT_EQ(st.Params.AirTemperature, 20);
  EXPECT_EQ(st.Params.ContactWireR, 0);
  EXPECT_EQ(st.Params.ZoneLength.Get(), "20");  // the part before offset 184 is not touched
}

TEST_F(PersistTest, ExistingGlobalFileIsReadNotRewritten) {
  Image img(216);
  img.Str(186 - 184, "MF-85");
  img.F64(256 - 184, 0.211);
  img.F64(336 - 184, 1.52);
  img.F64(392 - 184, -5);
  tpstest::WriteBytes(File("data/Global.DMT"), img.b);
  LoadGlobalFile(st);
  EXPECT_EQ(st.Params.ContactWireType.Get(), "MF-85");
  EXPECT_EQ(st.Params.ContactWireR, 0.211);
  EXPECT_EQ(st.Params.RailGauge, 1.52);
  EXPECT_EQ(st.Params.AirTemperature, -5);
  EXPECT_EQ(tpstest::ReadBytes(File("data/Global.DMT")), img.b);
  EXPECT_FALSE(fs::exists(File("DATA")));
}

TEST_F(PersistTest, ShortGlobalFileRaisesAndKeepsTheFields) {
  tpstest::WriteBytes(File("DATA/global.dmt"), Bytes(215, 9));
  st.Params.AirTemperature = 11;
  EXPECT_THROW(LoadGlobalFile(st), IoError);
  EXPECT_EQ(st.Params.AirTemperature, 11);
}

TEST_F(PersistTest, ProbRecordLayout) {
  TProbTrainRecord r;
  for (int k = 0; k < 4; ++k) {
    TProbTrainEntry& e = r.Entry[k];
    e.ActiveMin = 100 + k;
    e.ReactiveMin = -300 - k;
    e.ActiveMax = 200 + k;
    e.ReactiveMax = -400 - k;
    e.SpeedMin = 60 + k;
    e.SpeedMax = 80 + k;
    e.Count = static_cast<uint16_t>(0x0102 + k);
  }
  WriteProbTrainRecord(st, r);
  Image want(256);
  for (int k = 0; k < 4; ++k) {
    size_t o = 64 * static_cast<size_t>(k);
    want.F64(o + 8, 100 + k);
    want.F64(o + 16, -300 - k);
    want.F64(o + 24, 200 + k);
    want.F64(o + 32, -400 - k);
    want.F64(o + 40, 60 + k);
    want.F64(o + 48, 80 + k);
    want.U16(o + 56, static_cast<uint16_t>(0x0102 + k));
  }
  EXPECT_EQ(tpstest::ReadBytes(File("data/prelvoz.dmt")), want.b);
  TProbTrainRecord back = ReadProbTrainRecord(st);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(back.Entry[k].ActiveMin, 100 + k);
    EXPECT_EQ(back.Entry[k].ReactiveMax, -400 - k);
    EXPECT_EQ(back.Entry[k].SpeedMax, 80 + k);
    EXPECT_EQ(back.Entry[k].Count, 0x0102 + k);
  }
}

TEST_F(PersistTest, ProbRecordOfEachKindOfCurrentAndRefusesShortOrMissingFiles) {
  EXPECT_THROW(ReadProbTrainRecord(st), IoError);
  Image img(512);
  for (size_t rec = 0; rec < 2; ++rec) {
    for (size_t k = 0; k < 4; ++k) {  // speeds within (0, 455] km/h, as the window takes them
      img.F64(256 * rec + 64 * k + 40, 60);
      img.F64(256 * rec + 64 * k + 48, 80);
    }
  }
  img.F64(8, 900);
  img.U16(56, 3);
  img.F64(256 + 8, 250);  // the flow of alternating-current lines
  img.F64(256 + 16, -100);
  tpstest::WriteBytes(File("DATA/PRELVOZ.dmt"), img.b);
  TProbTrainRecord r = ReadProbTrainRecord(st);  // no scheme chosen: direct current
  EXPECT_EQ(r.Entry[0].ActiveMin, 900);
  EXPECT_EQ(r.Entry[0].Count, 3);
  st.SchemeVariant = 7;
  r = ReadProbTrainRecord(st);
  EXPECT_EQ(r.Entry[0].ActiveMin, 250);
  EXPECT_EQ(r.Entry[0].ReactiveMin, -100);

  // Writing one kind keeps the rows of the other.
  r.Entry[1].ActiveMin = 260;
  WriteProbTrainRecord(st, r);
  EXPECT_EQ(ReadProbTrainRecord(st).Entry[1].ActiveMin, 260);
  st.SchemeVariant = 1;
  EXPECT_EQ(ReadProbTrainRecord(st).Entry[0].ActiveMin, 900);
  EXPECT_EQ(ReadProbTrainRecord(st).Entry[1].ActiveMin, 0);

  // A file of one record serves both kinds.
  img.b.resize(256);
  tpstest::WriteBytes(File("DATA/PRELVOZ.dmt"), img.b);
  st.SchemeVariant = 9;
  EXPECT_EQ(ReadProbTrainRecord(st).Entry[0].ActiveMin, 900);
  tpstest::WriteBytes(File("DATA/PRELVOZ.dmt"), Bytes(255, 0));
  EXPECT_THROW(ReadProbTrainRecord(st), IoError);
}

TEST_F(PersistTest, DamagedValuesRefuseTheWholeFile) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  st.Params.ZoneLength = "25";
  st.Params.EarthConductivity = 0.01;
  const Bytes before = ParamsToBytes(st.Params);
  auto refused = [&](auto load, const std::string& text) {
    try {
      load();
      ADD_FAILURE() << "not refused: " << text;
    } catch (const IoError& e) {
      EXPECT_EQ(std::string(e.what()), text);
    }
    EXPECT_EQ(ParamsToBytes(st.Params), before);
  };

  // A state file with a conductivity that is no number.
  Image state(400);
  state.Str(0, "20");
  state.F64(248, nan);
  tpstest::WriteBytes(File("SAVES/state_21.smt"), state.b);
  refused([&] { LoadState(st, 21); },
          "Файл SAVES\\state_21.smt не загружен. Значение проводимости земли: 'NAN' - не является "
          "конечным числом");
  // A negative radius.
  state.F64(248, 0.01);
  state.F64(296, -0.564);
  tpstest::WriteBytes(File("SAVES/state_21.smt"), state.b);
  refused([&] { LoadState(st, 21); },
          "Файл SAVES\\state_21.smt не загружен. Значение радиуса контактного провода: '-0.564' - не "
          "может быть меньше 0");
  // A DC state whose reactive voltage, which no check reads, would overflow the step.
  Image dc(400);
  dc.Str(0, "20");
  dc.Str(24, "1e308");
  tpstest::WriteBytes(File("SAVES/state_14.smt"), dc.b);
  refused([&] { LoadState(st, 14); },
          "Файл SAVES\\state_14.smt не загружен. Значение напряжения ТП1(p): '1e308' - не лежит между "
          "-50000 и 50000");
  // The same text on an AC scheme, and a text that is no number: no window
  // would take them, so the file is refused naming the field.
  tpstest::WriteBytes(File("SAVES/state_24.smt"), dc.b);
  refused([&] { LoadState(st, 24); },
          "Файл SAVES\\state_24.smt не загружен. Поле UaIm: Значение напряжения ТП1(p): '1e308' - не лежит "
          "между -50000 и 50000");
  Image ac(400);
  ac.Str(0, "20");
  ac.Str(48, "1e");
  tpstest::WriteBytes(File("SAVES/state_24.smt"), ac.b);
  refused([&] { LoadState(st, 24); },
          "Файл SAVES\\state_24.smt не загружен. Поле UbIm: Значение напряжения ТП2(p): '1e' - введено неверно");
  // A resistance no conductor has (20 Ohm/km and more).
  ac.Str(48, "0");
  ac.F64(288, 1e10);
  tpstest::WriteBytes(File("SAVES/state_24.smt"), ac.b);
  refused([&] { LoadState(st, 24); },
          "Файл SAVES\\state_24.smt не загружен. Значение сопротивления рельса: '10000000000' - не лежит между 0 "
          "и <20");
  // "н/и" and a field never filled in are taken.
  ac.F64(288, 0.15);
  ac.Str(60, "\xED/\xE8");  // "н/и" in the code page
  tpstest::WriteBytes(File("SAVES/state_24.smt"), ac.b);
  EXPECT_TRUE(LoadState(st, 24));
  st.Params = ParamsFromBytes(before);

  // The conductor defaults with an infinite resistance.
  Image global(216);
  global.F64(256 - 184, std::numeric_limits<double>::infinity());
  tpstest::WriteBytes(File("DATA/global.dmt"), global.b);
  refused([&] { LoadGlobalFile(st); },
          "Файл DATA\\global.dmt не загружен. Значение сопротивления контактного провода: 'INF' - не "
          "является конечным числом");

  // The probabilistic train parameters, speeds within (0, 455] km/h.
  Image prob(256);
  for (size_t k = 0; k < 4; ++k) {
    prob.F64(64 * k + 40, 60);
    prob.F64(64 * k + 48, 80);
  }
  prob.F64(64 + 48, nan);
  tpstest::WriteBytes(File("data/prelvoz.dmt"), prob.b);
  try {
    ReadProbTrainRecord(st);
    ADD_FAILURE();
  } catch (const IoError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Файл data\\prelvoz.dmt не загружен. Значение Скоростной / скорости макс: 'NAN' - не "
              "является конечным числом");
  }
  // A current beyond what the window takes.
  prob.F64(64 + 48, 80);
  prob.F64(8, -1e15);
  tpstest::WriteBytes(File("data/prelvoz.dmt"), prob.b);
  try {
    ReadProbTrainRecord(st);
    ADD_FAILURE();
  } catch (const IoError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Файл data\\prelvoz.dmt не загружен. Значение Грузовой / акт мин: '-1E15' - не лежит между "
              "-5000 и 5000");
  }
}
