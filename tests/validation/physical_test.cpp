#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "params/state.h"
#include "sample_zone.h"
#include "validation/physical.h"

using namespace tps;

namespace {

struct PhysicalTest : ::testing::Test {
  RecordingHost host;
  AppState st;
  PhysicalTest() {
    st.Host = &host;
    tpstest::FillSampleConductors(st.Params);
  }
  // The one message the last check showed.
  std::string Only() {
    EXPECT_EQ(host.messages.size(), 1u);
    if (host.messages.empty()) return std::string();
    EXPECT_EQ(host.messages[0].kind, MsgKind::Warning);
    std::string text = host.messages[0].text;
    host.messages.clear();
    return text;
  }
};

AcFormInput SampleAcForm() {
  return {"0.02", "1.5", "3", "1.3", "2", "0.8", "6.5", "5.75", "-30"};
}

}  // namespace

TEST_F(PhysicalTest, AcWindowRefusesWhatNoCatenaryHasAndStoresNothing) {
  const TParamBlock before = st.Params;
  AcFormInput in = SampleAcForm();
  in.EarthConductivity = "0";
  EXPECT_EQ(CheckAcFormInput(st, in), 1);
  EXPECT_EQ(Only(), "Значение проводимости земли: '0' - должно быть больше 0");
  in.EarthConductivity = "-0.01";
  EXPECT_EQ(CheckAcFormInput(st, in), 1);
  EXPECT_EQ(Only(), "Значение проводимости земли: '-0.01' - должно быть больше 0");
  in = SampleAcForm();
  in.TrackSpacing = "0";
  EXPECT_EQ(CheckAcFormInput(st, in), 1);
  EXPECT_EQ(Only(), "Значение расстояния между путями: '0' - должно быть больше 0");
  in = SampleAcForm();
  in.ContactWireHeight = "5,75";
  EXPECT_EQ(CheckAcFormInput(st, in), 1);
  EXPECT_EQ(Only(), "Значение высоты подвеса КП: '5,75' - введено неверно");
  EXPECT_EQ(std::memcmp(&st.Params, &before, sizeof before), 0);

  // Sound values go in whole; a temperature below 0 is a temperature.
  EXPECT_EQ(CheckAcFormInput(st, SampleAcForm()), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(st.Params.EarthConductivity, 0.02);
  EXPECT_EQ(st.Params.RailGauge, 1.5);
  EXPECT_EQ(st.Params.AirTemperature, -30);
}

TEST_F(PhysicalTest, CatalogueRowsAndChoices) {
  // Alternating-current contact wires: the radius enters the impedance.
  EXPECT_EQ(CheckCatalogueRows(st, 0, {{"МФ-100", "0.179", "0.564"}, {"", "0", "0"}}), 1);
  EXPECT_EQ(Only(), "Значение радиуса в строке 2: '0' - должно быть больше 0. Справочник не сохранён");
  EXPECT_EQ(CheckCatalogueRows(st, 4, {{"МФ-100", "-0.179", "0.564"}}), 1);
  EXPECT_EQ(Only(),
            "Значение сопротивления в строке 1: '-0.179' - не может быть меньше 0. Справочник не сохранён");
  // No feeder, and the radii of the DC tables, which are never used, may be 0.
  EXPECT_EQ(CheckCatalogueRows(st, 2, {{"Отсутствует", "0", "0"}}), 0);
  EXPECT_EQ(CheckCatalogueRows(st, 7, {{"Р65", "0.0155", "0"}}), 0);
  EXPECT_TRUE(host.messages.empty());

  TConductorEntry e;
  e.R = 0.2;
  e.Radius = 0;
  st.SchemeVariant = 2;  // DC: the radius is not used
  EXPECT_EQ(CheckConductorChoice(st, ConductorKind::Rail, e), 0);
  st.SchemeVariant = 8;
  EXPECT_EQ(CheckConductorChoice(st, ConductorKind::Feeder, e), 0);
  EXPECT_EQ(CheckConductorChoice(st, ConductorKind::Rail, e), 1);
  EXPECT_EQ(Only(), "Значение радиуса рельса: '0' - должно быть больше 0");
  e.R = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(CheckConductorChoice(st, ConductorKind::ContactWire, e), 1);
  EXPECT_EQ(Only(), "Значение сопротивления контактного провода: 'NAN' - не является конечным числом");
}

TEST_F(PhysicalTest, CatenaryNeedsAConductingWire) {
  TParamBlock& p = st.Params;
  p.ContactWireR = 0;
  EXPECT_EQ(CheckNetworkInput(st, p), 0);  // the messenger alone carries the current
  p.MessengerR = 0;
  EXPECT_EQ(CheckNetworkInput(st, p), 1);
  EXPECT_EQ(Only(),
            "Значения сопротивлений контактного провода и несущего троса: '0' и '0' - "
            "хотя бы одно должно быть больше 0");
  p.FeederType.Set("А-185");
  p.FeederR = 0.157;
  EXPECT_EQ(CheckNetworkInput(st, p), 1);
  EXPECT_NE(Only().find("хотя бы два должны быть больше 0"), std::string::npos);
  p.MessengerR = 0.158;
  p.RailR = -0.05;
  EXPECT_EQ(CheckNetworkInput(st, p), 1);
  EXPECT_EQ(Only(), "Значение сопротивления рельса: '-0.05' - не может быть меньше 0");
}

TEST_F(PhysicalTest, ImpedanceDataNamesWhatCannotEnterTheFormulas) {
  TParamBlock& p = st.Params;
  for (int v = 1; v <= 12; ++v) EXPECT_EQ(ImpedanceDataFault(p, v), "") << v;
  const std::string head = "Сопротивление тяговой сети не может быть рассчитано. ";

  p.TrackSpacing = 0;  // only double-track AC schemes use it
  EXPECT_EQ(ImpedanceDataFault(p, 8), "");
  EXPECT_EQ(ImpedanceDataFault(p, 3), "");
  EXPECT_EQ(ImpedanceDataFault(p, 10), head + "Значение расстояния между путями: '0' - должно быть больше 0");
  p.EarthConductivity = 0;  // DC does not see the earth
  EXPECT_EQ(ImpedanceDataFault(p, 1), "");
  EXPECT_EQ(ImpedanceDataFault(p, 7), head + "Значение проводимости земли: '0' - должно быть больше 0");
  p.EarthConductivity = std::numeric_limits<double>::infinity();
  EXPECT_EQ(ImpedanceDataFault(p, 7),
            head + "Значение проводимости земли: 'INF' - не является конечным числом");

  p = TParamBlock();
  tpstest::FillSampleConductors(p);
  p.ContactWireR = p.MessengerR = 0;
  EXPECT_NE(ImpedanceDataFault(p, 2).find("хотя бы одно должно быть больше 0"), std::string::npos);
  st.SchemeVariant = 2;
  EXPECT_EQ(CheckImpedanceData(st), 1);
  EXPECT_EQ(Only().rfind(head, 0), 0u);
}

TEST_F(PhysicalTest, VoltagesOfSourcesAndOfStoredStates) {
  TParamBlock& p = st.Params;
  p.UaRe.Set("3300");
  p.UaIm.Set("н/и");
  p.UbRe.Set("3300");
  p.UbIm.Set("н/и");
  EXPECT_EQ(SourceVoltageFault(p), "");
  p.UaIm.Set("1e308");
  EXPECT_EQ(SourceVoltageFault(p), "Значение напряжения ТП1(p): '1e308' - не лежит между -100000 и 100000");
  // A DC state never checks its reactive voltages: beyond the AC range it is damaged.
  EXPECT_EQ(StoredVoltageFault(p, 3), "Значение напряжения ТП1(p): '1e308' - не лежит между -50000 и 50000");
  p.UaIm.Set("0");
  p.UbRe.Set("60000");  // checked by the input check of variant 2, unread in the console
  EXPECT_EQ(StoredVoltageFault(p, 2), "");
  EXPECT_NE(StoredVoltageFault(p, 1), "");

  p = TParamBlock();
  EXPECT_EQ(StoredParamsFault(p), "");  // the defaults of an empty conductor part
  p.RailRadius = -1;
  EXPECT_EQ(StoredParamsFault(p), "Значение радиуса рельса: '-1' - не может быть меньше 0");
  p.RailRadius = 0;
  p.AirTemperature = std::nan("");
  EXPECT_EQ(StoredParamsFault(p), "Значение температуры воздуха: 'NAN' - не является конечным числом");
}
