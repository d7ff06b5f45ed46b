#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <locale>
#include <cmath>
#include <set>
#include <utility>
#include <sstream>

#include "driver/seed.h"
#include "params/catalogue.h"
#include "params/defaults.h"
#include "params/errors.h"
#include "params/lifecycle.h"
#include "params/persist.h"
#include "params/state.h"
#include "test_support.h"

using namespace tps;
namespace fs = std::filesystem;

namespace {

uint32_t U32At(const Bytes& b, size_t off) {
  uint32_t v;
  std::memcpy(&v, b.data() + off, 4);
  return v;
}
uint16_t U16At(const Bytes& b, size_t off) { return uint16_t(b[off] | (b[off + 1] << 8)); }

// Where a program path ("SAVES\\state_11.smt") lies under the test directory.
fs::path OnDisk(const fs::path& root, const std::string& name) { return WorkDir(root).Resolve(name); }

struct Bmp {
  Bytes b;
  int w = 0, h = 0;
  uint32_t rowSize = 0;
  explicit Bmp(Bytes bytes) : b(std::move(bytes)) {
    w = int(U32At(b, 18));
    h = int(U32At(b, 22));
    rowSize = (uint32_t(w) * 3 + 3) / 4 * 4;
  }
  // 0xRRGGBB of pixel x, y counted from the top.
  uint32_t At(int x, int y) const {
    size_t o = 54 + size_t(h - 1 - y) * rowSize + size_t(x) * 3;
    return uint32_t(b[o + 2]) << 16 | uint32_t(b[o + 1]) << 8 | b[o];
  }
  int Coloured() const {
    int n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) n += At(x, y) != 0xFFFFFF;
    return n;
  }
};

struct Point {
  double km, re, im;
};
std::vector<Point> ParseProfile(const std::string& text) {
  std::vector<Point> pts;
  std::istringstream in(text);
  in.imbue(std::locale::classic());  // the profiles write "." whatever the desktop's locale
  Point p;
  while (in >> p.km >> p.re >> p.im) pts.push_back(p);
  return pts;
}

struct SeededDir : ::testing::Test {
  tpstest::TempDir dir;
  RecordingHost host;
  AppState st;
  std::vector<std::string> written;
  SeededDir() {
    st.Work = dir.Work();
    st.Host = &host;
    SeedDefaultData(st.Work, &written);
  }
  Bytes Read(const std::string& name) { return tpstest::ReadBytes(OnDisk(dir.Path(), name)); }
};

const char* const kLetters = "FSPE";

}  // namespace

TEST_F(SeededDir, EmptyDirectoryGetsEveryDefaultFileWithItsSize) {
  std::vector<std::string> names = DefaultFileNames();
  EXPECT_EQ(names.size(), 8u + 1u + 16u + 5u + 12u + 1u + 1u);
  EXPECT_EQ(written, names);
  for (const std::string& name : names) {
    ASSERT_TRUE(fs::exists(OnDisk(dir.Path(), name))) << name;
    Bytes b = Read(name);
    std::string ext = name.substr(name.size() - 4);
    if (name.rfind("SAVES\\", 0) == 0) {
      EXPECT_EQ(b.size(), 400u) << name;
    } else if (name == "DATA\\global.dmt") {
      EXPECT_EQ(b.size(), 216u);
    } else if (name == "data\\prelvoz.dmt") {
      EXPECT_EQ(b.size(), 512u);  // the flow of direct-current lines, then that of alternating-current ones
    } else if (ext == ".dmt") {
      ASSERT_GE(b.size(), 4u);
      uint32_t n = U32At(b, 0);
      EXPECT_GE(n, 1u) << name;
      EXPECT_LE(n, 21u) << name;
      EXPECT_EQ(b.size(), 4u + 48u * n) << name;
    } else if (ext == ".gdp") {
      EXPECT_GT(b.size(), 405u) << name;
    } else if (ext == ".bmp") {
      ASSERT_GE(b.size(), 54u);
      EXPECT_EQ(U32At(b, 2), b.size()) << name;
      Bmp bmp(b);
      EXPECT_EQ(b.size(), 54u + bmp.rowSize * uint32_t(bmp.h)) << name;
    } else {
      EXPECT_EQ(ext, ".cmt");
      EXPECT_GT(b.size(), 0u);
    }
  }
  // The direct-current catalogues and the probabilistic parameters share the
  // one data directory, whatever the spelling (DATA, CurData, Bitmap, SAVES, gdp).
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 5);
  EXPECT_EQ(Read("Bitmap\\TrainF.bmp").size(), 54u + 60u * 40u);
  EXPECT_EQ(Read("Bitmap\\PPS.bmp").size(), 54u + 32u * 90u);
}

TEST_F(SeededDir, SecondStartLeavesTheUsersFilesAlone) {
  Bytes edited(400, 7);
  tpstest::WriteBytes(OnDisk(dir.Path(), "SAVES\\state_11.smt"), edited);
  Bytes table = Read("DATA\\KP_post.dmt");
  table[5] = 'X';
  tpstest::WriteBytes(OnDisk(dir.Path(), "DATA\\KP_post.dmt"), table);
  Bytes profile = {'1', ' ', '2', ' ', '3'};
  tpstest::WriteBytes(OnDisk(dir.Path(), "CurData\\ptE_2_perem.cmt"), profile);
  Bytes bmp = Read("Bitmap\\PPS.bmp");
  fs::remove(OnDisk(dir.Path(), "SAVES\\state_24.smt"));
  fs::remove(OnDisk(dir.Path(), "data\\prelvoz.dmt"));

  std::vector<std::string> again;
  SeedDefaultData(st.Work, &again);
  EXPECT_EQ(again, (std::vector<std::string>{"data\\prelvoz.dmt", "SAVES\\state_24.smt"}));
  EXPECT_EQ(Read("SAVES\\state_11.smt"), edited);
  EXPECT_EQ(Read("DATA\\KP_post.dmt"), table);
  EXPECT_EQ(Read("CurData\\ptE_2_perem.cmt"), profile);
  EXPECT_EQ(Read("Bitmap\\PPS.bmp"), bmp);
  EXPECT_EQ(Read("SAVES\\state_24.smt").size(), 400u);
}

TEST(SeedDefaults, OnlyANewWorkingDirectoryIsSeededAtStart) {
  tpstest::TempDir dir;
  tpstest::WriteBytes(dir.Path() / "Final.txt", {'x'});  // not one of the default files
  RecordingHost host;
  AppState st;
  st.Work = dir.Work();
  st.Host = &host;
  SeedNewWorkDir(st.Work);
  for (const std::string& name : DefaultFileNames()) EXPECT_TRUE(st.Work.Exists(name)) << name;

  // The user deletes a saved state and the conductor defaults; the next
  // start brings neither back from the shipped data.
  fs::remove(OnDisk(dir.Path(), "SAVES\\state_21.smt"));
  fs::remove(OnDisk(dir.Path(), "DATA\\global.dmt"));
  SeedNewWorkDir(st.Work);
  StartUp(st, false);
  EXPECT_FALSE(st.Work.Exists("SAVES\\state_21.smt"));
  st.Params.ZoneLength.Set(kNotGiven);
  EXPECT_FALSE(LoadState(st, 21));
  EXPECT_EQ(st.Params.ZoneLength.Get(), kNotGiven);
  // "DATA\global.dmt" is made again from the program's own defaults: earth
  // conductivity 0.01 S/m, air temperature 20 degrees, every other byte 0.
  Bytes global(216, 0);
  const uint8_t conductivity[8] = {0x7B, 0x14, 0xAE, 0x47, 0xE1, 0x7A, 0x84, 0x3F};
  const uint8_t twenty[8] = {0, 0, 0, 0, 0, 0, 0x34, 0x40};
  std::copy(conductivity, conductivity + 8, global.begin() + (248 - 184));
  std::copy(twenty, twenty + 8, global.begin() + (392 - 184));
  EXPECT_EQ(tpstest::ReadBytes(OnDisk(dir.Path(), "DATA\\global.dmt")), global);
  EXPECT_EQ(st.Params.ContactWireType.Get(), "");
  EXPECT_EQ(st.Params.ContactWireR, 0);
  EXPECT_TRUE(host.messages.empty());

  // Seeding on demand still brings back what is missing.
  std::vector<std::string> written;
  SeedDefaultData(st.Work, &written);
  EXPECT_EQ(written, std::vector<std::string>{"SAVES\\state_21.smt"});
}

TEST(SeedDefaults, FilesInOtherSpellingsCountAsPresent) {
  tpstest::TempDir dir;
  tpstest::WriteBytes(dir.Path() / "data" / "kp.DMT", {1, 0, 0, 0});
  tpstest::WriteBytes(dir.Path() / "saves" / "STATE_11.SMT", {9});
  std::vector<std::string> written;
  SeedDefaultData(dir.Work(), &written);
  EXPECT_EQ(tpstest::ReadBytes(dir.Path() / "data" / "kp.DMT"), (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(tpstest::ReadBytes(dir.Path() / "saves" / "STATE_11.SMT"), (Bytes{9}));
  EXPECT_TRUE(fs::exists(dir.Path() / "data" / "KP_post.dmt"));
  EXPECT_TRUE(fs::exists(dir.Path() / "saves" / "state_12.smt"));
  EXPECT_FALSE(fs::exists(dir.Path() / "DATA"));
  EXPECT_FALSE(fs::exists(dir.Path() / "SAVES"));
  EXPECT_EQ(written.size(), DefaultFileNames().size() - 2);
}

TEST_F(SeededDir, StatesAreReadyForABatchRun) {
  for (int code : DefaultStateCodes()) {
    SCOPED_TRACE(code);
    bool dc = code < 20;
    st.Params = TParamBlock();
    ASSERT_TRUE(LoadState(st, code));
    const TParamBlock& p = st.Params;
    // A 10 km dead-end suburban line (scheme 1), 20 km between direct-current
    // substations, 50 km between alternating-current ones (25 km to the post
    // of a console).
    const bool console = code == 21 || code == 23;
    EXPECT_EQ(p.ZoneLength.Get(), code == 11 ? "10" : dc ? "20" : console ? "25" : "50");
    EXPECT_EQ(p.StepMinutes.Get(), "1");
    EXPECT_EQ(p.BatchTrains.Get(), "3");
    EXPECT_EQ(p.BatchInterval.Get(), "10");
    EXPECT_EQ(p.TrainType.Get(), code == 11 ? "Электричка (E)" : "Грузовой (F)");
    EXPECT_EQ(p.TrainKm.Get(), "0");
    EXPECT_EQ(p.TrainSpeed.Get(), "60");
    EXPECT_EQ(p.UaRe.Get(), dc ? "3300" : "27500");
    EXPECT_EQ(p.UaIm.Get(), dc ? "н/и" : "0");
    bool oneSided = code == 11 || code == 21 || code == 23;
    EXPECT_EQ(p.UbRe.Get(), oneSided ? "н/и" : (dc ? "3300" : "27500"));
    EXPECT_EQ(p.UbIm.Get(), dc || oneSided ? "н/и" : "0");
    EXPECT_EQ(p.TrainActive.Get(), code == 11 ? "1000" : dc ? "1500" : "250");
    EXPECT_EQ(p.TrainReactive.Get(), dc ? "н/и" : "-100");
    bool psk = code == 16 || code == 18 || code == 26;
    EXPECT_EQ(p.PskKm.Get(), psk ? (dc ? "10" : "25") : "н/и");
    EXPECT_EQ(p.Pps1Km.Get(), code == 18 ? "5" : "н/и");
    EXPECT_EQ(p.Pps2Km.Get(), code == 18 ? "15" : "н/и");
    EXPECT_EQ(p.ResultsPending, 0);

    // The conductors are entries of the catalogues of the scheme's kind.
    LoadConductorTables(st, code);
    auto find = [](const std::vector<TConductorEntry>& t, const std::string& name) {
      for (const auto& e : t)
        if (e.Name.Get() == name) return &e;
      return static_cast<const TConductorEntry*>(nullptr);
    };
    // Direct current: two contact wires and a reinforcing feeder.
    const char* contact = dc ? "2МФ-100" : "МФ-100";
    const char* feeder = dc ? "А-185" : "Отсутствует";
    const TConductorEntry* kp = find(st.Catalogue.ContactWireTable, contact);
    const TConductorEntry* up = find(st.Catalogue.FeederTable, feeder);
    const TConductorEntry* nt = find(st.Catalogue.MessengerTable, "М-120");
    const TConductorEntry* r = find(st.Catalogue.RailTable, "Р65");
    ASSERT_TRUE(kp && nt && r && up);
    EXPECT_EQ(p.ContactWireType.Get(), contact);
    EXPECT_EQ(p.ContactWireR, kp->R);
    EXPECT_EQ(p.ContactWireRadius, kp->Radius);
    EXPECT_EQ(p.MessengerR, nt->R);
    EXPECT_EQ(p.MessengerRadius, nt->Radius);
    EXPECT_EQ(p.RailType.Get(), "Р65");
    EXPECT_EQ(p.RailR, r->R);
    EXPECT_EQ(p.RailRadius, r->Radius);
    EXPECT_EQ(p.FeederType.Get(), feeder);
    EXPECT_EQ(p.FeederR, up->R);
    EXPECT_EQ(p.FeederR > 0, dc);
    EXPECT_EQ(p.ExtraWireType.Get(), "");
    EXPECT_GT(p.ContactWireRadius, 0);
    EXPECT_GT(p.RailRadius, 0);

    EXPECT_EQ(p.EarthConductivity, 0.01);
    EXPECT_EQ(p.RailGauge, 1.42);
    EXPECT_EQ(p.MastToTrackAxis, 3);
    EXPECT_EQ(p.WireSpacing, 1.3);
    EXPECT_EQ(p.FeederToMast, 2);
    EXPECT_EQ(p.FeederToScreenWire, 0.8);
    EXPECT_EQ(p.TrackSpacing, 6.5);
    EXPECT_EQ(p.ContactWireHeight, 5.75);
    EXPECT_EQ(p.AirTemperature, 20);
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(SeededDir, ShippedGlobalFileHoldsTheDirectCurrentConductors) {
  LoadGlobalFile(st);
  EXPECT_EQ(st.Params.ContactWireType.Get(), "2МФ-100");
  EXPECT_EQ(st.Params.ContactWireR, 0.0895);
  EXPECT_EQ(st.Params.FeederType.Get(), "А-185");
  EXPECT_EQ(st.Params.FeederR, 0.157);
  EXPECT_EQ(st.Params.RailR, 0.0155);
  EXPECT_EQ(st.Params.EarthConductivity, 0.01);
  EXPECT_EQ(st.Params.AirTemperature, 20);
  EXPECT_EQ(st.Params.ContactWireHeight, 5.75);
  EXPECT_EQ(st.Params.ZoneLength.Get(), "");
}

TEST_F(SeededDir, CataloguesHoldTheUsualConductors) {
  auto names = [&](int index) {
    std::set<std::string> n;
    for (const CatalogueRow& row : ReadTableFile(st, index)) {
      EXPECT_LE(CharCount(row.Name), 11u) << row.Name;
      n.insert(row.Name);
    }
    return n;
  };
  for (int dc = 0; dc <= 1; ++dc) {
    std::set<std::string> kp = names(0 + 4 * dc), nt = names(1 + 4 * dc);
    std::set<std::string> up = names(2 + 4 * dc), r = names(3 + 4 * dc);
    for (const char* n : {"МФ-100", "МФ-85", "МФ-150", "НлОл-100"}) EXPECT_TRUE(kp.count(n)) << n;
    for (const char* n : {"М-120", "М-95", "ПБСМ-95", "ПБСМ-70"}) EXPECT_TRUE(nt.count(n)) << n;
    for (const char* n : {"Отсутствует", "А-185", "2А-185", "А-150"}) EXPECT_TRUE(up.count(n)) << n;
    for (const char* n : {"Р65", "Р50", "Р75"}) EXPECT_TRUE(r.count(n)) << n;
    // "Отсутствует" is the first feeder of the list.
    EXPECT_EQ(ReadTableFile(st, 2 + 4 * dc).at(0).Name, "Отсутствует");
  }
  // Steel rails carry alternating current in a thin skin: far more resistance.
  auto resistance = [&](int index, const std::string& name) {
    for (const CatalogueRow& row : ReadTableFile(st, index))
      if (row.Name == name) return StrToFloat(row.R);
    return -1.0;
  };
  EXPECT_GT(resistance(3, "Р65"), 5 * resistance(7, "Р65"));
  EXPECT_EQ(resistance(4, "МФ-100"), 0.179);
  EXPECT_EQ(resistance(5, "М-120"), 0.158);
  EXPECT_EQ(resistance(6, "А-185"), 0.157);
  EXPECT_EQ(resistance(6, "2А-185"), resistance(6, "А-185") / 2);
}

TEST_F(SeededDir, ProbabilisticParametersOfTheFourTrainKinds) {
  const double actMin[4] = {900, 1000, 600, 700}, actMax[4] = {1000, 1200, 700, 800};
  const double vMin[4] = {60, 100, 70, 80}, vMax[4] = {80, 140, 90, 100};
  st.SchemeVariant = 1;
  TProbTrainRecord dc = ReadProbTrainRecord(st);
  st.SchemeVariant = 8;
  TProbTrainRecord ac = ReadProbTrainRecord(st);
  int total = 0;
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const TProbTrainEntry& e = dc.Entry[k];
    EXPECT_EQ(e.ActiveMin, actMin[k]);
    EXPECT_EQ(e.ActiveMax, actMax[k]);
    EXPECT_EQ(e.SpeedMin, vMin[k]);
    EXPECT_EQ(e.SpeedMax, vMax[k]);
    EXPECT_EQ(e.ReactiveMin, 0);  // no reactive current on direct current
    EXPECT_EQ(e.ReactiveMax, 0);
    EXPECT_GE(e.Count, 1);
    total += e.Count;

    // The trains of 27.5 kV lines: 3 to 12 MW, lagging with a power factor
    // between 0.88 and 0.96 (not the 20-30 MW of direct-current amperes).
    const TProbTrainEntry& a = ac.Entry[k];
    EXPECT_EQ(a.SpeedMin, vMin[k]);
    EXPECT_EQ(a.SpeedMax, vMax[k]);
    EXPECT_EQ(a.Count, e.Count);
    for (auto [p, q] : {std::pair{a.ActiveMin, a.ReactiveMin}, std::pair{a.ActiveMax, a.ReactiveMax}}) {
      EXPECT_LT(q, 0);
      const double cosPhi = p / std::hypot(p, q);
      EXPECT_GT(cosPhi, 0.88);
      EXPECT_LT(cosPhi, 0.96);
      const double mw = 27.5 * std::hypot(p, q) / 1000;
      EXPECT_GT(mw, 3);
      EXPECT_LT(mw, 12);
    }
  }
  // The default period "1 час" with the interval 8 minutes has 7 slots.
  EXPECT_LE(total, 7);
}

TEST_F(SeededDir, CurrentProfilesOfBothTracksAndBothCurrentKinds) {
  for (const char* l = kLetters; *l; ++l) {
    for (bool dc : {true, false}) {
      SCOPED_TRACE(std::string(1, *l) + (dc ? " dc" : " ac"));
      std::string t1 = tpstest::ReadString(OnDisk(dir.Path(), "CurData\\" + ProfileFileName(*l, 1, dc)));
      std::string t2 = tpstest::ReadString(OnDisk(dir.Path(), "CurData\\" + ProfileFileName(*l, 2, dc)));
      EXPECT_EQ(t1.substr(t1.size() - 2), "\r\n");
      EXPECT_EQ(t1.find('\n'), t1.find("\r\n") + 1);
      std::vector<Point> p1 = ParseProfile(t1), p2 = ParseProfile(t2);
      ASSERT_GE(p1.size(), 5u);
      ASSERT_EQ(p1.size(), p2.size());
      EXPECT_EQ(p1.front().km, 0);
      EXPECT_EQ(p1.back().km, 60);
      double peak = 0;
      for (size_t i = 0; i < p1.size(); ++i) {
        if (i > 0) {
          EXPECT_GT(p1[i].km, p1[i - 1].km);
        }
        // Track 2 runs from the far end: mirrored km, the same currents.
        EXPECT_NEAR(p2[i].km, 60 - p1[i].km, 1e-9);
        EXPECT_EQ(p2[i].re, p1[i].re);
        EXPECT_EQ(p2[i].im, p1[i].im);
        EXPECT_GE(p1[i].re, 0);
        if (dc) {
          EXPECT_EQ(p1[i].im, 0);
        } else {
          EXPECT_LE(p1[i].im, 0);
        }
        peak = std::max(peak, p1[i].re);
      }
      // An acceleration peak well above the starting current, and coasting.
      EXPECT_GT(peak, p1.front().re * 1.2);
      double least = peak;
      for (const Point& p : p1) least = std::min(least, p.re);
      EXPECT_LT(least, peak * 0.1);
    }
  }
}

TEST_F(SeededDir, BitmapsAreDistinctPicturesOnWhite) {
  std::vector<Bytes> trains;
  for (const char* l = kLetters; *l; ++l) {
    SCOPED_TRACE(*l);
    Bytes b = Read(std::string("Bitmap\\Train") + *l + ".bmp");
    EXPECT_EQ(b, TrainBitmap(*l));
    ASSERT_EQ(b[0], 'B');
    ASSERT_EQ(b[1], 'M');
    EXPECT_EQ(U32At(b, 10), 54u);
    EXPECT_EQ(U32At(b, 14), 40u);
    EXPECT_EQ(U32At(b, 18), 20u);
    EXPECT_EQ(U32At(b, 22), 40u);
    EXPECT_EQ(U16At(b, 26), 1);
    EXPECT_EQ(U16At(b, 28), 24);
    EXPECT_EQ(U32At(b, 30), 0u);
    Bmp bmp(b);
    EXPECT_EQ(bmp.At(0, 39), 0xFFFFFFu);  // transparent corners
    EXPECT_EQ(bmp.At(19, 20), 0xFFFFFFu);
    EXPECT_GT(bmp.Coloured(), 200);
    trains.push_back(b);
  }
  for (size_t i = 0; i < trains.size(); ++i)
    for (size_t j = i + 1; j < trains.size(); ++j) EXPECT_NE(trains[i], trains[j]);
  EXPECT_THROW(TrainBitmap('X'), ProgramError);

  Bmp post(Read("Bitmap\\PPS.bmp"));
  EXPECT_EQ(post.w, 10);
  EXPECT_EQ(post.h, 90);
  EXPECT_EQ(post.rowSize, 32u);
  // The marker meets the track lines at its rows 5 and 85 and joins them.
  for (int y = 5; y <= 85; ++y) EXPECT_NE(post.At(4, y), 0xFFFFFFu) << y;
  EXPECT_EQ(post.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(post.At(9, 89), 0xFFFFFFu);
  // The padding bytes of each row are zero.
  for (int y = 0; y < 90; ++y)
    EXPECT_EQ(post.b[54 + size_t(y) * 32 + 30] | post.b[54 + size_t(y) * 32 + 31], 0);
}

TEST(EmbeddedData, EveryDataFileIsInTheProgram) {
  std::set<std::string> names;
  for (size_t i = 0; i < kEmbeddedDataFileCount; ++i) names.insert(kEmbeddedDataFiles[i].Name);
  for (const char* n : {"states.txt", "prelvoz.csv", "profiles.csv", "catalogue/KP.csv",
                        "catalogue/R_post.csv"})
    EXPECT_TRUE(names.count(n)) << n;
  // The embedded text is the file of the source tree byte for byte.
  fs::path src = fs::path(TPS_SOURCE_DIR) / "data" / "states.txt";
  EXPECT_EQ(std::string(EmbeddedData("states.txt")), tpstest::ReadString(src));
  EXPECT_THROW(EmbeddedData("nothing.csv"), ProgramError);
  EXPECT_THROW(DefaultState(13), ProgramError);
}
