// Range checks of typed numbers and the main window's input per scheme and mode.
#include <gtest/gtest.h>

#include "validation/checks.h"

namespace tps {
namespace {

class ChecksTest : public ::testing::Test {
 protected:
  void SetUp() override { st.Host = &host; }

  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : host.messages) t.push_back(m.text);
    return t;
  }
  // Exactly one warning with this text.
  void ExpectOnly(const std::string& text) {
    ASSERT_EQ(host.messages.size(), 1u) << ::testing::PrintToString(Texts());
    EXPECT_EQ(host.messages[0].kind, MsgKind::Warning);
    EXPECT_EQ(host.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(host.messages[0].text, text);
  }

  AppState st;
  RecordingHost host;
};

// ------------------------------------------------------------- CheckReal

TEST_F(ChecksTest, StepLowerBoundIncludedWithTolerance) {
  EXPECT_EQ(CheckReal(st, "0.06", "шага", 0.06, 2, true, true), 0);
  EXPECT_EQ(CheckReal(st, "0.0599995", "шага", 0.06, 2, true, true), 0);
  EXPECT_EQ(CheckReal(st, "2", "шага", 0.06, 2, true, true), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(CheckReal(st, "0.05", "шага", 0.06, 2, true, true), 1);
  ExpectOnly("Значение шага: '0.05' - не лежит между 0.06 и 2");
}

TEST_F(ChecksTest, ToleranceIsOnlyBelowAnIncludedLowerBoundOfAClosedInterval) {
  // Further than 1e-5 below: refused.
  EXPECT_EQ(CheckReal(st, "0.0599899", "шага", 0.06, 2, true, true), 1);
  // Not above the upper bound.
  EXPECT_EQ(CheckReal(st, "2.000001", "шага", 0.06, 2, true, true), 1);
  // A half-open interval compares exactly.
  EXPECT_EQ(CheckReal(st, "-0.000001", "минут", 0, 60, true, false), 1);
  EXPECT_EQ(host.messages.size(), 3u);
  EXPECT_EQ(host.messages[2].text, "Значение минут: '-0.000001' - не лежит между 0 и <60");
}

TEST_F(ChecksTest, SeparatorsNameWhichBoundsAreIncluded) {
  EXPECT_EQ(CheckReal(st, "250", "длины зоны", 0, 200, false, true), 1);
  EXPECT_EQ(CheckReal(st, "60", "минут", 0, 60, true, false), 1);
  EXPECT_EQ(CheckReal(st, "-20", "Реакт сопротивления", -20, 20, false, false), 1);
  EXPECT_EQ(CheckReal(st, "-1", "скорости", 0, 455, true, true), 1);
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "Значение длины зоны: '250' - не лежит между 0> и 200",
                         "Значение минут: '60' - не лежит между 0 и <60",
                         "Значение Реакт сопротивления: '-20' - не лежит между -20> и <20",
                         "Значение скорости: '-1' - не лежит между 0 и 455",
                     }));
}

TEST_F(ChecksTest, BoundsAreWrittenInTheShortestGeneralForm) {
  EXPECT_EQ(CheckReal(st, "30", "x", 0.1 + 0.2, 12.5, false, false), 1);
  ExpectOnly("Значение x: '30' - не лежит между 0.3> и <12.5");
}

TEST_F(ChecksTest, TextsThatAreNotNumbers) {
  EXPECT_EQ(CheckReal(st, "12,5", "тока", -5000, 5000, true, true), 1);
  EXPECT_EQ(CheckReal(st, "12.5 ", "тока", -5000, 5000, true, true), 1);
  EXPECT_EQ(CheckReal(st, "", "шага", 0.06, 2, true, true), 1);
  EXPECT_EQ(CheckReal(st, "н/и", "тока", -5000, 5000, true, true), 1);
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "Значение тока: '12,5' - введено неверно",
                         "Значение тока: '12.5 ' - введено неверно",
                         "Значение шага: '' - введено неверно",
                         "Значение тока: 'н/и' - введено неверно",
                     }));
  host.messages.clear();
  EXPECT_EQ(CheckReal(st, "   12.5", "тока", -5000, 5000, true, true), 0);
  EXPECT_EQ(CheckReal(st, "1.25E1", "тока", 12.5, 12.5, true, true), 0);
  EXPECT_TRUE(host.messages.empty());
}

// ------------------------------------------------------- CheckInteger, CheckChoice

TEST_F(ChecksTest, IntegerRangeAndReading) {
  EXPECT_EQ(CheckInteger(st, "20", "кол-ва поездов в пакете", 1, 20, true, true), 0);
  EXPECT_EQ(CheckInteger(st, "$14", "кол-ва поездов в пакете", 1, 20, true, true), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(CheckInteger(st, "21", "кол-ва поездов в пакете", 1, 20, true, true), 1);
  EXPECT_EQ(CheckInteger(st, "1.0", "кол-ва поездов в пакете", 1, 20, true, true), 1);
  EXPECT_EQ(CheckInteger(st, "99999999999", "суток", 0, 365, true, true), 1);
  EXPECT_EQ(CheckInteger(st, "0", "x", 0, 10, false, false), 1);
  EXPECT_EQ(CheckInteger(st, "10", "x", 0, 10, true, false), 1);
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "Значение кол-ва поездов в пакете: '21' - не лежит между 1 и 20",
                         "Значение кол-ва поездов в пакете: '1.0' - введено неверно",
                         "Значение суток: '99999999999' - введено неверно",
                         "Значение x: '0' - не лежит между 0> и <10",
                         "Значение x: '10' - не лежит между 0 и <10",
                     }));
}

TEST_F(ChecksTest, ChoiceIsExactAndCaseSensitive) {
  const std::string kinds[5] = {"грузовой", "скоростной", "электричка", "барыжный", "пассажирский"};
  EXPECT_EQ(CheckChoice(st, "грузовой", "поезда", kinds), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(CheckChoice(st, "Грузовой", "поезда", kinds), 1);
  ExpectOnly("Неправильный тип поезда");
}

// ------------------------------------------------------------- CheckMainInput

class MainInputTest : public ChecksTest {
 protected:
  void SetUp() override {
    ChecksTest::SetUp();
    TParamBlock& p = st.Params;
    p.ZoneLength = "20";
    p.UaRe = "3300";
    p.UaIm = "0";
    p.UbRe = "3300";
    p.UbIm = "0";
    p.TrainActive = "1000";
    p.TrainReactive = "100";
    p.TrainSpeed = "60";
    p.TrainKm = "0";
    p.StepMinutes = "0.1";
    p.BatchTrains = "3";
    p.BatchInterval = "10";
    p.PskKm = "10";
    p.Pps1Km = "5";
    p.Pps2Km = "15";
    const char* row[7] = {"100", "1000", "0", "100", "40", "80", "10"};
    for (auto& r : st.Prob.Grid)
      for (int c = 0; c < 7; ++c) r[c] = row[c];
    st.Prob.MinInterval = "8";
  }
  int Check(int variant, int mode = ModeTest) {
    st.SchemeVariant = static_cast<uint8_t>(variant);
    st.RunMode = static_cast<uint8_t>(mode);
    return CheckMainInput(st);
  }
  bool ZoneFieldReenabled() const {
    for (Changed c : host.notes)
      if (c == Changed::Controls) return st.Controls.ZoneLengthEnabled;
    return false;
  }
};

TEST_F(MainInputTest, ValidInputPassesEveryVariantAndMode) {
  for (int mode = 0; mode <= 3; ++mode)
    for (int v = 1; v <= 12; ++v) EXPECT_EQ(Check(v, mode), 0) << "variant " << v << " mode " << mode;
  EXPECT_TRUE(host.messages.empty()) << ::testing::PrintToString(Texts());
  EXPECT_FALSE(st.Controls.ZoneLengthEnabled);
}

TEST_F(MainInputTest, ZoneLengthBoundsAndFieldReenabled) {
  st.Params.ZoneLength = "200";
  st.Params.PskKm = "100";
  EXPECT_EQ(Check(4), 0);
  st.Params.ZoneLength = "200.0001";
  EXPECT_EQ(Check(4), 1);
  ExpectOnly("Значение длины зоны: '200.0001' - не лежит между 0> и 200");
  EXPECT_TRUE(ZoneFieldReenabled());

  host.messages.clear();
  st.Params.ZoneLength = "0";
  EXPECT_EQ(Check(8), 1);
  ExpectOnly("Значение длины зоны: '0' - не лежит между 0> и 200");
}

TEST_F(MainInputTest, OtherFailuresLeaveTheZoneFieldAlone) {
  st.Params.TrainSpeed = "500";
  EXPECT_EQ(Check(1), 1);
  ExpectOnly("Значение скорости: '500' - не лежит между 0 и 455");
  EXPECT_FALSE(st.Controls.ZoneLengthEnabled);
  EXPECT_TRUE(host.notes.empty());
}

TEST_F(MainInputTest, StepThroughTheParameterBlock) {
  st.Params.StepMinutes = "0.06";
  EXPECT_EQ(Check(3), 0);
  st.Params.StepMinutes = "0.05";
  EXPECT_EQ(Check(3), 1);
  ExpectOnly("Значение шага: '0.05' - не лежит между 0.06 и 2");
  host.messages.clear();
  st.Params.StepMinutes = "";
  EXPECT_EQ(Check(9), 1);
  ExpectOnly("Значение шага: '' - введено неверно");
}

TEST_F(MainInputTest, DcCurrentLimitsIncluded) {
  st.Params.TrainActive = "-5000";
  EXPECT_EQ(Check(1), 0);
  st.Params.TrainActive = "5000.1";
  EXPECT_EQ(Check(1), 1);
  ExpectOnly("Значение тока: '5000.1' - не лежит между -5000 и 5000");
}

TEST_F(MainInputTest, AcActiveCurrentLowerLimitDependsOnTheVariant) {
  st.Params.UaRe = "27500";
  st.Params.UbRe = "27500";
  st.Params.TrainActive = "-3000";
  for (int v : {7, 8, 9, 10, 12}) {
    host.messages.clear();
    EXPECT_EQ(Check(v), 1) << v;
    ExpectOnly("Значение тока(a): '-3000' - не лежит между -3000> и 3000");
  }
  host.messages.clear();
  EXPECT_EQ(Check(11), 0);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(MainInputTest, AcNamesUseLatinLetters) {
  st.Params.TrainReactive = "2000";
  EXPECT_EQ(Check(7), 1);
  ASSERT_EQ(host.messages.size(), 1u);
  // "тока(p)" with the Latin p (0x70), not the Cyrillic р.
  EXPECT_NE(host.messages[0].text.find("\xD1\x82\xD0\xBE\xD0\xBA\xD0\xB0(p)"), std::string::npos);
  EXPECT_EQ(host.messages[0].text, "Значение тока(p): '2000' - не лежит между -1000 и 1000");
}

TEST_F(MainInputTest, RowsOfOtherVariantsAreNotChecked) {
  st.Params.UbRe = "abc";
  st.Params.PskKm = "abc";
  EXPECT_EQ(Check(1), 0);  // one substation: no substation B
  EXPECT_EQ(Check(3), 1);
  ExpectOnly("Значение напряжения ТП2: 'abc' - введено неверно");
}

TEST_F(MainInputTest, PostPlacesAreBoundedByTheZoneAndTheSectioningPost) {
  st.Params.PskKm = "20";
  EXPECT_EQ(Check(4), 1);
  ExpectOnly("Значение места установки ПСК: '20' - не лежит между 0> и <20");
  host.messages.clear();
  st.Params.PskKm = "10";
  st.Params.Pps1Km = "12";
  EXPECT_EQ(Check(4), 0);  // the parallel posts belong to variant 5 only
  EXPECT_EQ(Check(5), 1);
  ExpectOnly("Значение места установки ППС1: '12' - не лежит между 0> и <10");
  host.messages.clear();
  st.Params.Pps1Km = "5";
  st.Params.Pps2Km = "8";
  EXPECT_EQ(Check(5), 1);
  ExpectOnly("Значение места установки ППС2: '8' - не лежит между 10> и <20");
  host.messages.clear();
  st.Params.TrainKm = "20.5";
  EXPECT_EQ(Check(2), 1);
  ExpectOnly("Значение места положения эл-воза: '20.5' - не лежит между 0 и 20");
}

TEST_F(MainInputTest, BatchSize) {
  st.Params.BatchTrains = "20";
  EXPECT_EQ(Check(2), 0);
  st.Params.BatchTrains = "21";
  EXPECT_EQ(Check(2), 1);
  st.Params.BatchTrains = "1.0";
  EXPECT_EQ(Check(2), 1);
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "Значение кол-ва поездов в пакете: '21' - не лежит между 1 и 20",
                         "Значение кол-ва поездов в пакете: '1.0' - введено неверно",
                     }));
}

TEST_F(MainInputTest, OnlyTheFirstFailureInListOrderIsReported) {
  st.Params.StepMinutes = "9";
  st.Params.TrainActive = "x";
  st.Params.BatchInterval = "0";
  EXPECT_EQ(Check(6), 1);
  ExpectOnly("Значение тока: 'x' - введено неверно");
  // AC order: the reactive current (row 9) before substation A's imaginary part (row 10).
  host.messages.clear();
  st.Params.TrainActive = "100";
  st.Params.StepMinutes = "1";
  st.Params.BatchInterval = "10";
  st.Params.UaIm = "-50000";
  st.Params.UbIm = "zz";
  st.Params.TrainReactive = "1001";
  EXPECT_EQ(Check(8), 1);
  ExpectOnly("Значение тока(p): '1001' - не лежит между -1000 и 1000");
  host.messages.clear();
  st.Params.TrainReactive = "0";
  EXPECT_EQ(Check(8), 1);
  ExpectOnly("Значение напряжения ТП1(p): '-50000' - не лежит между -50000> и 50000");
  host.messages.clear();
  EXPECT_EQ(Check(7), 0);  // variants 7 and 9 include -50000 and have no substation B
}

TEST_F(MainInputTest, NoSchemeAndUserSchemes) {
  EXPECT_EQ(Check(0), 1);
  ExpectOnly("Схема не задана");
  host.messages.clear();
  st.Params.ZoneLength = "abc";
  EXPECT_EQ(Check(13), 0);
  EXPECT_EQ(Check(0, ModeProb), 1);  // refused without a message
  EXPECT_EQ(Check(0, ModeSchedule), 1);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(MainInputTest, OtherModesSkipTheListForVariantsSixAndTwelve) {
  st.Params.ZoneLength = "abc";
  st.Params.StepMinutes = "9";
  for (int mode : {ModeProb, ModeSchedule, ModeConstructor}) {
    EXPECT_EQ(Check(6, mode), 0);
    EXPECT_EQ(Check(12, mode), 0);
    EXPECT_EQ(Check(14, mode), 0);
  }
  EXPECT_TRUE(host.messages.empty());
  // The train parameters and the minimum interval are still checked first.
  st.Prob.MinInterval = "0";
  EXPECT_EQ(Check(6, ModeProb), 1);
  ExpectOnly("Значение минимального межпоездного интервала: '0' - не лежит между 0> и 120");
}

TEST_F(MainInputTest, OtherModesCheckTheZoneButNotTheTrain) {
  st.Params.TrainSpeed = "999";
  st.Params.BatchTrains = "0";
  EXPECT_EQ(Check(1, ModeProb), 0);
  // Substation A of the AC schemes excludes -50000 here but not in the test mode.
  st.Params.UaRe = "-50000";
  EXPECT_EQ(Check(7, ModeSchedule), 1);
  ExpectOnly("Значение напряжения ТП1(a): '-50000' - не лежит между -50000> и 50000");
  host.messages.clear();
  st.Params.UaRe = "27500";
  st.Params.ZoneLength = "-1";
  EXPECT_EQ(Check(10, ModeConstructor), 1);
  ExpectOnly("Значение длины зоны: '-1' - не лежит между 0> и 200");
  EXPECT_TRUE(ZoneFieldReenabled());
}

TEST_F(MainInputTest, OtherModesPostOrder) {
  // Variant 5: sectioning post, then parallel post 1, then post 2.
  st.Params.PskKm = "25";
  st.Params.Pps1Km = "30";
  EXPECT_EQ(Check(5, ModeProb), 1);
  ExpectOnly("Значение места установки ПСК: '25' - не лежит между 0> и <20");
  // Variant 11: the sectioning post comes after substation B.
  host.messages.clear();
  st.Params.UbRe = "-60000";
  EXPECT_EQ(Check(11, ModeProb), 1);
  ExpectOnly("Значение напряжения ТП2(a): '-60000' - не лежит между -50000> и 50000");
  host.messages.clear();
  st.Params.UbRe = "27500";
  EXPECT_EQ(Check(11, ModeProb), 1);
  ExpectOnly("Значение места установки ПСК: '25' - не лежит между 0> и <20");
}

// ------------------------------------------------------- CheckTrainParameters

TEST_F(MainInputTest, TrainParameterGridRowByRow) {
  st.SchemeVariant = 3;
  EXPECT_EQ(CheckTrainParameters(st), 0);
  // Row 1 (second kind), column 0 fails; row 0, column 6 fails first.
  st.Prob.Grid[1][0] = "-5001";
  st.Prob.Grid[0][6] = "x";
  EXPECT_EQ(CheckTrainParameters(st), 1);
  ExpectOnly("Значение вероятностных параметров: к-ва поездов: 'x' - введено неверно");
  host.messages.clear();
  st.Prob.Grid[0][6] = "20000";
  EXPECT_EQ(CheckTrainParameters(st), 1);
  ExpectOnly("Значение вероятностных параметров: мин тока(а): '-5001' - не лежит между -5000 и 5000");
  // The letter in brackets is the Cyrillic а (D0 B0).
  EXPECT_NE(host.messages[0].text.find("(\xD0\xB0)"), std::string::npos);
}

TEST_F(MainInputTest, TrainParameterColumns) {
  st.SchemeVariant = 9;
  const char* names[7] = {"мин тока(а)", "макс тока(а)", "мин тока(р)", "макс тока(р)",
                          "мин скорости", "макс скорости", "к-ва поездов"};
  for (int c = 0; c < 7; ++c) {
    host.messages.clear();
    std::string keep = st.Prob.Grid[3][c];
    st.Prob.Grid[3][c] = "1.5E9";
    EXPECT_EQ(CheckTrainParameters(st), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text.find(std::string("Значение вероятностных параметров: ") + names[c]),
              0u)
        << host.messages[0].text;
    st.Prob.Grid[3][c] = keep;
  }
  host.messages.clear();
  st.Prob.Grid[2][4] = "0";  // speed excludes 0
  EXPECT_EQ(CheckTrainParameters(st), 1);
  ExpectOnly("Значение вероятностных параметров: мин скорости: '0' - не лежит между 0> и 455");
}

TEST_F(MainInputTest, GridFailureRefusesTheMainInputOutsideTheTestMode) {
  st.Prob.Grid[0][5] = "456";
  EXPECT_EQ(Check(2, ModeProb), 1);
  EXPECT_EQ(Check(2, ModeTest), 0);  // the test mode does not read the grid
  ExpectOnly("Значение вероятностных параметров: макс скорости: '456' - не лежит между 0> и 455");
}

}  // namespace
}  // namespace tps
