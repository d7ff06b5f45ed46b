#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>

#include "params/catalogue.h"
#include "params/errors.h"
#include "params/persist.h"
#include "params/state.h"
#include "test_support.h"

using namespace tps;
namespace fs = std::filesystem;

namespace {

// One 48-byte entry built by hand; name already in the code page.
Bytes Entry(const std::string& cpName, double r, double radius) {
  Bytes b(48, 0);
  b[0] = static_cast<uint8_t>(cpName.size());
  std::memcpy(b.data() + 1, cpName.data(), cpName.size());
  std::memcpy(b.data() + 24, &r, 8);
  std::memcpy(b.data() + 40, &radius, 8);
  return b;
}

Bytes TableImage(uint32_t count, const std::vector<Bytes>& entries) {
  Bytes b(4);
  std::memcpy(b.data(), &count, 4);
  for (const Bytes& e : entries) b.insert(b.end(), e.begin(), e.end());
  return b;
}

struct CatalogueTest : ::testing::Test {
  tpstest::TempDir dir;
  RecordingHost host;
  AppState st;
  CatalogueTest() {
    st.Work = dir.Work();
    st.Host = &host;
  }
  fs::path File(const std::string& rel) { return dir.Path() / rel; }
  void WriteTable(const std::string& rel, const std::vector<std::string>& names) {
    std::vector<Bytes> entries;
    double r = 0.1;
    for (const std::string& n : names) entries.push_back(Entry(n, r += 0.01, 1));
    tpstest::WriteBytes(File(rel), TableImage(static_cast<uint32_t>(names.size()), entries));
  }
  void WriteKind(const std::string& suffix, const std::string& tag) {
    for (std::string base : {"KP", "NT", "UP", "R"})
      WriteTable("DATA/" + base + suffix + ".dmt", {base + tag + "1", base + tag + "2"});
  }
};

std::vector<std::string> Names(const std::vector<TConductorEntry>& t) {
  std::vector<std::string> n;
  for (const auto& e : t) n.push_back(e.Name.Get());
  return n;
}

}  // namespace

TEST(CatalogueNames, FilesCaptionsAndSuffixes) {
  const char* files[8] = {"DATA\\KP.dmt",      "DATA\\NT.dmt",      "DATA\\UP.dmt",
                          "DATA\\R.dmt",       "DATA\\KP_post.dmt", "DATA\\NT_post.dmt",
                          "DATA\\UP_post.dmt", "DATA\\R_post.dmt"};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(TableFileName(i), files[i]);
  EXPECT_EQ(TableCaption(0), "Контактные провода на переменном токе");
  EXPECT_EQ(TableCaption(3), "Рельсы на переменном токе");
  EXPECT_EQ(TableCaption(5), "Несущие троса на постоянном токе");
  EXPECT_EQ(TableCaption(6), "Усиливающие провода на постоянном токе");
  EXPECT_THROW(TableFileName(8), ProgramError);
  // Direct-current codes and the state without a scheme read "_post".
  EXPECT_EQ(TableSuffix(0), "_post");
  EXPECT_EQ(TableSuffix(11), "_post");
  EXPECT_EQ(TableSuffix(19), "_post");
  EXPECT_EQ(TableSuffix(21), "");
  EXPECT_EQ(TableSuffix(29), "");
  std::vector<std::string> steps = StepListTexts();
  ASSERT_EQ(steps.size(), 20u);
  EXPECT_EQ(steps[0], "0.1");
  EXPECT_EQ(steps[2], "0.3");
  EXPECT_EQ(steps[9], "1");
  EXPECT_EQ(steps[19], "2");
}

TEST_F(CatalogueTest, DirectAndAlternatingSchemesReadTheirOwnFiles) {
  WriteKind("_post", "dc");
  WriteKind("", "ac");
  LoadConductorTables(st, 14);
  EXPECT_EQ(Names(st.Catalogue.ContactWireTable), (std::vector<std::string>{"KPdc1", "KPdc2"}));
  EXPECT_EQ(Names(st.Catalogue.RailTable), (std::vector<std::string>{"Rdc1", "Rdc2"}));
  LoadConductorTables(st, 22);
  EXPECT_EQ(Names(st.Catalogue.MessengerTable), (std::vector<std::string>{"NTac1", "NTac2"}));
  EXPECT_EQ(Names(st.Catalogue.FeederTable), (std::vector<std::string>{"UPac1", "UPac2"}));
  LoadConductorTables(st, 0);
  EXPECT_EQ(Names(st.Catalogue.FeederTable), (std::vector<std::string>{"UPdc1", "UPdc2"}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(CatalogueTest, MissingFileStopsTheLoadKeepingTheKindsBefore) {
  WriteKind("", "ac");
  st.Catalogue.RailTable.resize(1);
  fs::remove(File("DATA/UP.dmt"));
  EXPECT_THROW(LoadConductorTables(st, 24), IoError);
  EXPECT_EQ(st.Catalogue.ContactWireTable.size(), 2u);
  EXPECT_EQ(st.Catalogue.MessengerTable.size(), 2u);
  EXPECT_TRUE(st.Catalogue.FeederTable.empty());
  EXPECT_EQ(st.Catalogue.RailTable.size(), 1u);  // not reached
}

TEST_F(CatalogueTest, EmptyOrShortTablesAreRefused) {
  tpstest::WriteBytes(File("DATA/KP.dmt"), TableImage(0, {}));
  EXPECT_THROW(ReadTableFile(st, 0), IoError);
  tpstest::WriteBytes(File("DATA/KP.dmt"), TableImage(2, {Entry("A", 1, 1)}));
  EXPECT_THROW(ReadTableFile(st, 0), IoError);
  tpstest::WriteBytes(File("DATA/KP.dmt"), Bytes{1, 0});
  EXPECT_THROW(ReadTableFile(st, 0), IoError);
  // Only the low 16 bits of the count are used: 0x10000 is no entry at all.
  tpstest::WriteBytes(File("DATA/KP.dmt"), TableImage(0x10000, {Entry("A", 1, 1)}));
  EXPECT_THROW(ReadTableFile(st, 0), IoError);
  tpstest::WriteBytes(File("DATA/KP.dmt"), TableImage(0x20001, {Entry("A", 1, 1)}));
  EXPECT_EQ(ReadTableFile(st, 0).size(), 1u);
  // A missing file is an empty table for the catalogue window.
  EXPECT_TRUE(ReadTableFile(st, 4).empty());
}

TEST_F(CatalogueTest, LongerTableGivesItsFirst21EntriesWithAWarning) {
  WriteKind("_post", "dc");
  std::vector<std::string> names;
  for (int i = 1; i <= 23; ++i) names.push_back("W" + std::to_string(i));
  WriteTable("DATA/NT_post.dmt", names);
  LoadConductorTables(st, 11);
  ASSERT_EQ(st.Catalogue.MessengerTable.size(), 21u);
  EXPECT_EQ(st.Catalogue.MessengerTable[20].Name.Get(), "W21");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].kind, MsgKind::Warning);
  EXPECT_NE(host.messages[0].text.find("DATA\\NT_post.dmt"), std::string::npos);
  EXPECT_EQ(st.Catalogue.FeederTable.size(), 2u);  // the load went on
  // The catalogue window itself shows every row.
  EXPECT_EQ(ReadTableFile(st, 5).size(), 23u);
}

TEST_F(CatalogueTest, WrittenTableMatchesTheRecordLayoutAndReadsBack) {
  std::vector<CatalogueRow> rows = {{"МФ-100", "0.179", "0.564"},
                                    {"Р65", "1.55E-2", "9.87"},
                                    {"2А-185", " 7.85e-2", "0"}};
  // A feeder table: its radii are kept but never used, so 0 is one of them.
  ASSERT_TRUE(WriteTableFile(st, 2, rows));
  Bytes want = TableImage(3, {Entry("\xCC\xD4-100", 0.179, 0.564), Entry("\xD0" "65", 0.0155, 9.87),
                              Entry("2\xC0-185", 0.0785, 0)});
  EXPECT_EQ(tpstest::ReadBytes(File("DATA/UP.dmt")), want);
  std::vector<CatalogueRow> back = ReadTableFile(st, 2);
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0].Name, "МФ-100");
  EXPECT_EQ(back[0].R, "0.179");
  EXPECT_EQ(back[0].Radius, "0.564");
  EXPECT_EQ(back[1].R, "0.0155");
  EXPECT_EQ(back[2].Name, "2А-185");
  EXPECT_EQ(back[2].R, "0.0785");
  EXPECT_EQ(back[2].Radius, "0");
  // Reserved bytes of a file are ignored on reading.
  Bytes noisy = want;
  for (size_t e = 0; e < 3; ++e) {
    for (size_t i = 21; i < 24; ++i) noisy[4 + 48 * e + i] = 0xAA;
    for (size_t i = 32; i < 40; ++i) noisy[4 + 48 * e + i] = 0x55;
  }
  tpstest::WriteBytes(File("DATA/UP.dmt"), noisy);
  EXPECT_EQ(ReadTableFile(st, 2).at(1).R, "0.0155");
}

TEST_F(CatalogueTest, LongNameIsCutTo20Characters) {
  ASSERT_TRUE(WriteTableFile(st, 1, {{"ПБСМ-95 двойной трос X", "0.43", "0.625"}}));
  std::vector<CatalogueRow> back = ReadTableFile(st, 1);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].Name, "ПБСМ-95 двойной трос");
  EXPECT_EQ(tpstest::ReadBytes(File("DATA/NT.dmt"))[4], 20);
}

TEST_F(CatalogueTest, EmptyCatalogueWritesNothing) {
  WriteTable("DATA/UP_post.dmt", {"Отсутствует"});
  Bytes before = tpstest::ReadBytes(File("DATA/UP_post.dmt"));
  EXPECT_FALSE(WriteTableFile(st, 6, {}));
  EXPECT_EQ(tpstest::ReadBytes(File("DATA/UP_post.dmt")), before);
  EXPECT_FALSE(WriteTableFile(st, 2, {}));
  EXPECT_FALSE(fs::exists(File("DATA/UP.dmt")));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(CatalogueTest, NonNumericValueIsRefusedAndTheOldFileStays) {
  WriteTable("DATA/KP_post.dmt", {"old1", "old2"});
  Bytes before = tpstest::ReadBytes(File("DATA/KP_post.dmt"));
  std::vector<CatalogueRow> rows = {
      {"МФ-100", "0.179", "0.564"}, {"МФ-85", "0.211", "0.52"}, {"МФ-150", "abc", "0.691"}};
  EXPECT_FALSE(WriteTableFile(st, 4, rows));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].kind, MsgKind::Warning);
  EXPECT_EQ(host.messages[0].text,
            "Значение в строке 3 не является числом: 'abc'. Справочник не сохранён");
  EXPECT_EQ(tpstest::ReadBytes(File("DATA/KP_post.dmt")), before);
  // A radius with a comma is no number either.
  rows[2] = {"МФ-150", "0.118", "0,691"};
  EXPECT_FALSE(WriteTableFile(st, 4, rows));
  EXPECT_NE(host.messages.back().text.find("'0,691'"), std::string::npos);
  EXPECT_EQ(tpstest::ReadBytes(File("DATA/KP_post.dmt")), before);
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(File("DATA")), fs::directory_iterator()), 1);
}

TEST_F(CatalogueTest, ChoosingAConductorCopiesItIntoTheParameters) {
  WriteTable("DATA/KP_post.dmt", {"\xCC\xD4-100"});
  WriteTable("DATA/NT_post.dmt", {"\xCC-120"});
  tpstest::WriteBytes(File("DATA/UP_post.dmt"),
                      TableImage(2, {Entry("\xCE\xF2\xF1\xF3\xF2\xF1\xF2\xE2\xF3\xE5\xF2", 0.3, 0),
                                     Entry("A-185 feeder of 2", 0.157, 0.875)}));
  tpstest::WriteBytes(File("DATA/R_post.dmt"), TableImage(1, {Entry("\xD0" "65", 0.0155, 9.87)}));
  LoadConductorTables(st, 12);

  EXPECT_EQ(ChooseConductor(st, ConductorKind::ContactWire, 0), FloatToStr(0.11));
  EXPECT_EQ(st.Params.ContactWireType.Get(), "МФ-100");
  EXPECT_DOUBLE_EQ(st.Params.ContactWireR, 0.11);
  EXPECT_EQ(st.Params.ContactWireRadius, 1);
  EXPECT_EQ(ChooseConductor(st, ConductorKind::Rail, 0), "0.0155");
  EXPECT_EQ(st.Params.RailType.Get(), "Р65");
  EXPECT_EQ(st.Params.RailR, 0.0155);
  EXPECT_EQ(st.Params.RailRadius, 9.87);

  // The feeder named 17 characters goes into the 11-character slot.
  EXPECT_EQ(ChooseConductor(st, ConductorKind::Feeder, 1), "0.157");
  EXPECT_EQ(st.Params.FeederType.Get(), "A-185 feede");
  EXPECT_EQ(st.Params.FeederRadius, 0.875);

  // No feeder: the field shows the word, and the next save stores 0.
  EXPECT_EQ(ChooseConductor(st, ConductorKind::Feeder, 0), "Отсутствует");
  EXPECT_EQ(st.Params.FeederType.Get(), "Отсутствует");
  SaveState(st, 12);
  st.Params = TParamBlock();
  ASSERT_TRUE(LoadState(st, 12));
  EXPECT_EQ(st.Params.FeederR, 0);
  EXPECT_DOUBLE_EQ(st.Params.ContactWireR, 0.11);

  EXPECT_THROW(ChooseConductor(st, ConductorKind::Messenger, 1), ProgramError);
}

TEST_F(CatalogueTest, ValuesNoConductorCanHaveAreRefused) {
  // A table file with a resistance that is no number is refused whole.
  tpstest::WriteBytes(File("DATA/KP.dmt"),
                      TableImage(2, {Entry("MF-100", 0.179, 0.564),
                                     Entry("MF-85", std::numeric_limits<double>::quiet_NaN(), 0.52)}));
  try {
    ReadTableFile(st, 0);
    ADD_FAILURE();
  } catch (const IoError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Справочник DATA\\KP.dmt не загружен. Значение сопротивления в "
              "строке 2: 'NAN' - не является конечным числом");
  }
  tpstest::WriteBytes(File("DATA/R.dmt"), TableImage(1, {Entry("R65", 0.17, -9.87)}));
  EXPECT_THROW(ReadTableFile(st, 3), IoError);
  // A resistance of 20 Ohm/km and more, beyond what the input takes.
  tpstest::WriteBytes(File("DATA/R.dmt"), TableImage(1, {Entry("R65", 1e10, 9.87)}));
  try {
    ReadTableFile(st, 3);
    ADD_FAILURE();
  } catch (const IoError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Справочник DATA\\R.dmt не загружен. Значение сопротивления в строке 1: '10000000000' - не лежит "
              "между 0 и <20");
  }
  EXPECT_FALSE(WriteTableFile(st, 3, {{"R65", "20", "9.87"}}));
  host.messages.clear();

  // Saving: a negative resistance or an AC contact wire without a radius.
  WriteTable("DATA/KP.dmt", {"old"});
  const Bytes before = tpstest::ReadBytes(File("DATA/KP.dmt"));
  EXPECT_FALSE(WriteTableFile(st, 0, {{"МФ-100", "0.179", "0.564"}, {"МФ-85", "-0.211", "0.52"}}));
  EXPECT_FALSE(WriteTableFile(st, 0, {{"", "0", "0"}}));  // a row just created
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1].text,
            "Значение радиуса в строке 1: '0' - должно быть больше 0. Справочник не сохранён");
  EXPECT_EQ(tpstest::ReadBytes(File("DATA/KP.dmt")), before);
  // "Отсутствует" with 0 and 0 is a feeder table's row like any other.
  EXPECT_TRUE(WriteTableFile(st, 2, {{"Отсутствует", "0", "0"}, {"А-185", "0.159", "0.875"}}));

  // Choosing an AC rail without a radius changes nothing.
  tpstest::WriteBytes(File("DATA/R.dmt"), TableImage(1, {Entry("R65", 0.17, 0)}));
  for (std::string base : {"KP", "NT", "UP"}) WriteTable("DATA/" + base + ".dmt", {base});
  LoadConductorTables(st, 22);
  st.SchemeVariant = 8;
  st.Params.RailRadius = 9.87;
  host.messages.clear();
  EXPECT_EQ(ChooseConductor(st, ConductorKind::Rail, 0), "");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Значение радиуса рельса: '0' - должно быть больше 0");
  EXPECT_EQ(st.Params.RailRadius, 9.87);
  EXPECT_EQ(st.Params.RailType.Get(), "");
}
