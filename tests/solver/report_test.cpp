// The text report, "voltage.txt", the totals block and the loss series file,
// compared byte for byte with hand-written expected files.
#include <gtest/gtest.h>

#include <cstring>

#include "params/errors.h"
#include "solver/report.h"
#include "test_support.h"

namespace tps {
namespace {

using tpstest::DataPath;
using tpstest::ReadBytes;
using tpstest::TempDir;
using tpstest::WriteBytes;

CMat Column(std::initializer_list<TComplex> values) {
  CMat m(static_cast<int>(values.size()), 1);
  int i = 1;
  for (const TComplex& v : values) m(i++, 1) = v;
  return m;
}

class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    st.Work = dir.Work();
    st.Host = &host;
    // The totals below stand for runs of full steps unless a test says otherwise.
    st.FullSteps = 1;
  }
  std::filesystem::path File(const char* name) const { return dir.Path() / name; }
  std::vector<uint8_t> Expected(const std::string& name) const {
    return ReadBytes(DataPath("report/" + name));
  }
  void PutTrainOnTrack1() {
    elvoz t;
    t.Number = 1;
    st.Trains.Trains1.push_back(t);
  }
  static std::vector<uint8_t> Bytes(const std::string& cp1251) {
    return std::vector<uint8_t>(cp1251.begin(), cp1251.end());
  }
  // One detailed step as the step solution hands it over.
  void DetailedStep(uint32_t step, const CMat& I, CMat Phi, double loss) {
    st.StepCount = step;
    st.StepLoss = loss;
    st.Params.ResultsPending = 1;
    WriteCurrentsSection(st, I);
    WriteVoltagesSection(st, Phi);
    WriteLossPowerSection(st);
  }

  TempDir dir;
  AppState st;
  RecordingHost host;
};

TEST(RowLabelTest, FourteenCharactersWithTheIndexAfterFiveBlanks) {
  EXPECT_EQ(RowLabel(1), "     1        ");
  EXPECT_EQ(RowLabel(10), "     10       ");
  EXPECT_EQ(RowLabel(123456789), "     123456789");
  EXPECT_EQ(RowLabel(1234567890), "     1234567890");
}

TEST_F(ReportTest, TwoDetailedStepsAndTheTotals) {
  st.SchemeVariant = 3;
  PutTrainOnTrack1();
  WriteBytes(File("Final.txt"), Bytes("left from the previous run\r\n"));
  WriteBytes(File("voltage.txt"), Bytes("9999.000\r\n"));

  DetailedStep(1, Column({{120.5, 0}, {-3.5, 0.25}, {0, -12.125}}),
               Column({{3300, 0}, {3000, 400}, {2950.12, 0}}), 1234.5678);
  DetailedStep(2, Column({{25596.9, 0}, {-12.25, -0.5}, {0.5, 3}}),
               Column({{3290, 0}, {2900, -100}, {2800, 0}}), 500);

  st.EnergySupplied[0] = 3000000;
  st.EnergySupplied[1] = 4000000;
  st.EnergyLoss = 12345;
  st.LossPercent = 1.5;
  st.MeanVoltage = 3125.06;
  st.MinVoltage = {2950.12, 0};
  st.MinVoltageStep = 17;
  std::vector<std::string> shown = WriteTotals(st);

  EXPECT_EQ(ReadBytes(File("Final.txt")), Expected("two_steps_final.txt"));
  EXPECT_EQ(ReadBytes(File("voltage.txt")), Expected("two_steps_voltage.txt"));
  // The result window lists the report line by line.
  ASSERT_EQ(shown.size(), 67u);
  EXPECT_EQ(shown[2], "                                   -1-");
  EXPECT_EQ(shown.back(), "2950.120 на 17 шаге");
  EXPECT_EQ(shown, ReadReportLines(st));
}

TEST_F(ReportTest, BranchTenAndNegativeAlignment) {
  CMat I(10, 1);
  I(2, 1) = {-3.5, 0.25};
  I(10, 1) = {7, -1};
  st.StepCount = 1;
  WriteCurrentsSection(st, I);
  std::vector<std::string> lines = ReadReportLines(st);
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(lines[9], "     1         0.000  0.000");
  EXPECT_EQ(lines[10], "     2        -3.500  0.250");
  EXPECT_EQ(lines[18], "     10        7.000 -1.000");
}

TEST_F(ReportTest, NegativePartThatRoundsToZeroKeepsTheColumnAligned) {
  st.StepCount = 1;
  WriteCurrentsSection(st, Column({{-0.0004, -0.0002}, {-0.0003, 1}}));
  std::vector<std::string> lines = ReadReportLines(st);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[9], "     1         0.000  0.000");
  EXPECT_EQ(lines[10], "     2         0.000  1.000");
}

TEST_F(ReportTest, LaterStepsAppendToTheReport) {
  st.StepCount = 1;
  WriteCurrentsSection(st, Column({{1, 0}}));
  st.StepCount = 7;
  WriteCurrentsSection(st, Column({{2, 0}}));
  std::vector<std::string> lines = ReadReportLines(st);
  ASSERT_EQ(lines.size(), 20u);
  EXPECT_EQ(lines[2], "                                   -1-");
  EXPECT_EQ(lines[12], "                                   -7-");
  EXPECT_EQ(lines[19], "     1         2.000  0.000");
}

TEST_F(ReportTest, EmptySingleTrackTwoSidedZoneShowsTheSubstationVoltages) {
  st.SchemeVariant = 2;
  st.StepCount = 1;
  st.Params.UaRe = "3300";
  st.Params.UbRe = "3250.5";
  WriteBytes(File("voltage.txt"), Bytes("9999.000\r\n"));
  TruncateFile(st.Work, "Final.txt");
  CMat Phi = Column({{3100, 0}, {3100, 7}, {3000, 0}});
  WriteVoltagesSection(st, Phi);

  std::string expected = "\r\n               \xCD\xC0\xCF\xD0\xDF\xC6\xC5\xCD\xC8\xDF, V (\xEC\xE3\xED\xEE\xE2)\r\n" +
                         std::string(40, '~') + "\r\n" + "     1        3300.000 \r\n" +
                         "     2        3250.500 \r\n";
  EXPECT_EQ(ReadBytes(File("Final.txt")), Bytes(expected));
  // Node 2 takes substation B's voltage for the rest of the step; its imaginary part stays.
  EXPECT_EQ(Phi(2, 1).Re, 3250.5);
  EXPECT_EQ(Phi(2, 1).Im, 7);
  EXPECT_EQ(Phi(1, 1).Re, 3100);
  // No train: nothing written to voltage.txt, which the first step still starts anew.
  EXPECT_TRUE(ReadBytes(File("voltage.txt")).empty());
}

TEST_F(ReportTest, EmptyZoneOfAnotherSchemeWritesTheModuliButNoVoltageLine) {
  st.SchemeVariant = 8;
  st.StepCount = 2;
  WriteBytes(File("voltage.txt"), Bytes("1.000\r\n"));
  TruncateFile(st.Work, "Final.txt");
  CMat Phi = Column({{27000, 0}, {-3, 4}});
  WriteVoltagesSection(st, Phi);
  std::vector<std::string> lines = ReadReportLines(st);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[3], "     1        27000.000 ");
  EXPECT_EQ(lines[4], "     2        5.000 ");
  EXPECT_EQ(ReadBytes(File("voltage.txt")), Bytes("1.000\r\n"));
}

TEST_F(ReportTest, SubstationFieldThatIsNotANumberEndsTheSectionUnwritten) {
  st.SchemeVariant = 2;
  st.StepCount = 3;
  st.Params.UaRe = "н/и";
  st.Params.UbRe = "3300";
  WriteBytes(File("Final.txt"), Bytes("before\r\n"));
  CMat Phi = Column({{1, 0}, {2, 0}});
  EXPECT_THROW(WriteVoltagesSection(st, Phi), ConvertError);
  EXPECT_EQ(ReadBytes(File("Final.txt")), Bytes("before\r\n"));
  EXPECT_EQ(Phi(2, 1).Re, 2);
}

TEST_F(ReportTest, VoltageFileStartsAgainWithTheFirstStepOfARun) {
  PutTrainOnTrack1();
  WriteBytes(File("voltage.txt"), Bytes("old\r\n"));
  st.StepCount = 1;
  CMat a = Column({{1, 0}, {-2.5, 9}});
  WriteVoltagesSection(st, a);
  st.StepCount = 2;
  CMat b = Column({{1, 0}, {3.25, 0}});
  WriteVoltagesSection(st, b);
  EXPECT_EQ(ReadBytes(File("voltage.txt")), Bytes("-2.500\r\n3.250\r\n"));
  // A single node has no node 2 to note.
  st.StepCount = 3;
  CMat c = Column({{5, 0}});
  WriteVoltagesSection(st, c);
  EXPECT_EQ(ReadBytes(File("voltage.txt")), Bytes("-2.500\r\n3.250\r\n"));
}

TEST_F(ReportTest, LossPowerSection) {
  st.StepLoss = -2500;
  TruncateFile(st.Work, "Final.txt");
  WriteLossPowerSection(st);
  std::string expected = "\r\n      dP \xCF\xCE\xD2\xC5\xD0\xC8 \xC0\xCA\xD2 \xCC\xCE\xD9\xCD\xCE\xD1\xD2\xC8, kW (\xEC\xE3\xED\xEE\xE2)\r\n" +
                         std::string(40, '~') + "\r\n-2.500 \r\n\r\n";
  EXPECT_EQ(ReadBytes(File("Final.txt")), Bytes(expected));
}

// ------------------------------------------------------------- totals

TEST_F(ReportTest, SecondPressWithoutANewStepOnlyShows) {
  TruncateFile(st.Work, "Final.txt");
  st.Params.ResultsPending = 1;
  st.EnergyLoss = 1000;
  st.MinVoltageStep = 5;
  st.MaxVoltageStep = 6;
  st.StepLoss = 77;
  std::vector<std::string> first = WriteTotals(st);
  EXPECT_EQ(st.Params.ResultsPending, 0);
  EXPECT_EQ(st.EnergyLoss, 0);
  EXPECT_EQ(st.StepLoss, 0);
  EXPECT_EQ(st.MinVoltageStep, 0);
  EXPECT_EQ(st.MaxVoltageStep, 0);
  std::vector<uint8_t> once = ReadBytes(File("Final.txt"));
  std::vector<std::string> second = WriteTotals(st);
  EXPECT_EQ(ReadBytes(File("Final.txt")), once);
  EXPECT_EQ(second, first);
  EXPECT_EQ(first.size(), 21u);
}

TEST_F(ReportTest, ContinuationAfterAPressReportsThePeriod) {
  TruncateFile(st.Work, "Final.txt");
  st.Params.ResultsPending = 1;
  st.StepCount = 10;
  st.EnergySupplied[0] = 2000000;
  st.EnergyLoss = 40000;
  st.LossPercent = 2;
  st.MinVoltage = {2900, 0};
  st.MinVoltageStep = 4;
  WriteTotals(st);
  // Two more steps that add loss energy but do not lower the minimum.
  st.StepCount = 12;
  st.Params.ResultsPending = 1;
  st.EnergyLoss = 1500;
  st.EnergySupplied[0] = 2500000;
  st.LossPercent = 41500.0 * 100 / 2500000;
  std::vector<std::string> lines = WriteTotals(st);
  ASSERT_EQ(lines.size(), 42u);
  EXPECT_EQ(lines[27], "АКТИВНОЙ, тыс. кВт*ч:    2.500 ");
  EXPECT_EQ(lines[33], "1.500    (1.66%)");
  EXPECT_EQ(lines[41], "2900.000 на 0 шаге");
  EXPECT_EQ(st.StepCount, 12u);
  EXPECT_EQ(st.EnergySupplied[0], 2500000);
}

// A run whose every step was solved by the light solution (charts off)
// computed the loss energy only: the totals say the other figures were not
// computed instead of showing the initial lowest voltage (1414212.148 at step
// 0), a supplied energy and a loss share of 0 and the mean voltage of an
// earlier run.
TEST_F(ReportTest, RunOfQuickStepsOnlySaysWhatItDidNotCompute) {
  WriteBytes(File("Final.txt"), Bytes("old\r\n"));
  st.SchemeVariant = 12;
  st.MeanVoltage = 3150.25;  // left by the last full step of an earlier run
  ResetRunStart(st);
  // Quick steps only mark the results pending and integrate the loss.
  st.StepCount = 30;
  st.Params.ResultsPending = 1;
  st.EnergyLoss = 600;
  WriteTotals(st);
  EXPECT_EQ(ReadBytes(File("Final.txt")), Expected("quick_totals.txt"));
}

TEST_F(ReportTest, InducedVoltageSubsectionOfVariantTwelve) {
  TruncateFile(st.Work, "Final.txt");
  st.SchemeVariant = 12;
  st.Params.ResultsPending = 1;
  st.EnergySupplied[0] = 1500000;
  st.EnergySupplied[1] = 2000000;
  st.EnergyLoss = 250;
  st.LossPercent = 250.0 * 100 / 1500000;
  st.MeanVoltage = 24000.5;
  st.MinVoltage = {24000, 7000};
  st.MinVoltageStep = 3;
  st.MaxVoltage = {30, -40};
  st.MaxVoltageStep = 4;
  WriteTotals(st);
  EXPECT_EQ(ReadBytes(File("Final.txt")), Expected("variant12_totals.txt"));
}

TEST_F(ReportTest, NoOtherVariantHasTheInducedVoltage) {
  st.MaxVoltage = {30, -40};
  st.MaxVoltageStep = 4;
  for (int v : {0, 1, 6, 10, 11, 13}) {
    TruncateFile(st.Work, "Final.txt");
    st.SchemeVariant = static_cast<uint8_t>(v);
    st.Params.ResultsPending = 1;
    EXPECT_EQ(WriteTotals(st).size(), 21u) << v;
  }
}

TEST_F(ReportTest, NoSchemeReportsAMeanOfZero) {
  TruncateFile(st.Work, "Final.txt");
  st.SchemeVariant = 0;
  st.Params.ResultsPending = 1;
  std::vector<std::string> lines = WriteTotals(st);
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[16], "0.000 ");
}

TEST_F(ReportTest, MissingReportIsAnInputOutputError) {
  st.Params.ResultsPending = 0;
  EXPECT_THROW(WriteTotals(st), IoError);
  EXPECT_THROW(ReadReportLines(st), IoError);
}

// ------------------------------------------------------------- run start

TEST_F(ReportTest, RunStartResetsTheAccumulatorsAndEmptiesTheReport) {
  WriteBytes(File("Final.txt"), Bytes("old report\r\n"));
  st.MinVoltage = {1, 2};
  st.MaxVoltage = {3, 4};
  st.MinVoltageStep = 5;
  st.MaxVoltageStep = 6;
  st.EnergyLoss = 7;
  st.StepLoss = 8;
  st.EnergySupplied[0] = 9;
  st.EnergySupplied[1] = 10;
  st.PrevP = st.PrevQ = st.CurP = st.CurQ = 11;
  st.MeanVoltage = 12;
  st.LossPercent = 13;
  ResetRunStart(st);
  EXPECT_TRUE(ReadBytes(File("Final.txt")).empty());
  EXPECT_EQ(st.MinVoltage, (TComplex{999999, 999999}));
  EXPECT_EQ(st.MaxVoltage, (TComplex{0, 0}));
  EXPECT_EQ(st.MinVoltageStep, 0);
  EXPECT_EQ(st.MaxVoltageStep, 0);
  EXPECT_EQ(st.EnergyLoss, 0);
  EXPECT_EQ(st.StepLoss, 0);
  EXPECT_EQ(st.EnergySupplied[0], 0);
  EXPECT_EQ(st.EnergySupplied[1], 0);
  EXPECT_EQ(st.PrevP + st.PrevQ + st.CurP + st.CurQ, 0);
  EXPECT_EQ(st.MeanVoltage, 12);
  EXPECT_EQ(st.LossPercent, 13);
}

TEST_F(ReportTest, StepByStepRunKeepsTheReport) {
  WriteBytes(File("Final.txt"), Bytes("kept\r\n"));
  st.EnergyLoss = 7;
  ResetRunStart(st, true);
  EXPECT_EQ(ReadBytes(File("Final.txt")), Bytes("kept\r\n"));
  EXPECT_EQ(st.EnergyLoss, 0);
}

// ------------------------------------------------------------- loss file

TEST_F(ReportTest, LossFileLayout) {
  st.LossSeries.Step = 0.5;
  st.LossSeries.LastIndex = 2;
  st.LossSeries.MaxLoss = 1500;
  st.LossSeries.Losses = {1000, 1500, 250, 0};
  st.LossSeries.StepIndex = {0, 1, 2, 0};
  WriteLossFile(st);
  EXPECT_EQ(ReadBytes(dir.Path() / "Graph" / "dp.gmt"), Expected("dp_three_steps.gmt"));
}

TEST_F(ReportTest, LossFileRoundTrip) {
  WriteBytes(dir.Path() / "graph" / "DP.GMT", Expected("dp_three_steps.gmt"));
  TLossSeries s = ReadLossFile(st);
  EXPECT_EQ(s.Step, 0.5);
  EXPECT_EQ(s.LastIndex, 2);
  EXPECT_EQ(s.MaxLoss, 1500);
  EXPECT_EQ(s.Losses, (std::vector<double>{1000, 1500, 250, 0}));
  EXPECT_EQ(s.StepIndex, (std::vector<int32_t>{0, 1, 2, 0}));
  st.LossSeries = s;
  WriteLossFile(st);
  EXPECT_EQ(ReadBytes(dir.Path() / "graph" / "DP.GMT"), Expected("dp_three_steps.gmt"));
}

TEST_F(ReportTest, ShortLossSeriesIsPaddedWithZeroLossesAtTheirStepNumbers) {
  st.LossSeries.Step = 1;
  st.LossSeries.LastIndex = 3;
  st.LossSeries.MaxLoss = 700;
  st.LossSeries.Losses = {700};
  st.LossSeries.StepIndex = {0};
  WriteLossFile(st);
  EXPECT_EQ(ReadBytes(dir.Path() / "Graph" / "dp.gmt"), Expected("dp_short_series.gmt"));
}

TEST_F(ReportTest, LossFileOfARunWithoutSteps) {
  st.LossSeries.Step = 0.1;
  st.LossSeries.LastIndex = -1;
  st.LossSeries.Losses = {0};
  st.LossSeries.StepIndex = {0};
  WriteLossFile(st);
  EXPECT_EQ(ReadBytes(dir.Path() / "Graph" / "dp.gmt").size(), 32u);
  TLossSeries s = ReadLossFile(st);
  EXPECT_EQ(s.LastIndex, -1);
  EXPECT_EQ(s.Losses.size(), 1u);
}

TEST_F(ReportTest, DamagedLossFilesAreInputOutputErrors) {
  EXPECT_THROW(ReadLossFile(st), IoError);  // missing

  std::vector<uint8_t> good = Expected("dp_three_steps.gmt");
  std::vector<uint8_t> cut(good.begin(), good.end() - 1);
  WriteBytes(dir.Path() / "Graph" / "dp.gmt", cut);
  EXPECT_THROW(ReadLossFile(st), IoError);

  std::vector<uint8_t> head(good.begin(), good.begin() + 10);
  WriteBytes(dir.Path() / "Graph" / "dp.gmt", head);
  EXPECT_THROW(ReadLossFile(st), IoError);

  // A step count far beyond the bytes present is refused before anything is sized by it.
  std::vector<uint8_t> huge = good;
  const int32_t big = 0x7FFFFFF0;
  std::memcpy(huge.data() + 8, &big, 4);
  WriteBytes(dir.Path() / "Graph" / "dp.gmt", huge);
  EXPECT_THROW(ReadLossFile(st), IoError);

  std::vector<uint8_t> negative = good;
  const int32_t minus = -5;
  std::memcpy(negative.data() + 8, &minus, 4);
  WriteBytes(dir.Path() / "Graph" / "dp.gmt", negative);
  EXPECT_THROW(ReadLossFile(st), IoError);
}

}  // namespace
}  // namespace tps
