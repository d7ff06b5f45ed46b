// Checks of the schedule editor's event boxes, the placement task windows and
// the scheme constructor.
#include <gtest/gtest.h>

#include "validation/checks.h"

namespace tps {
namespace {

class FormChecksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    st.Host = &host;
    st.Params.ZoneLength = "20";
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : host.messages) t.push_back(m.text);
    return t;
  }
  void ExpectOnly(const std::string& text) {
    ASSERT_EQ(host.messages.size(), 1u) << ::testing::PrintToString(Texts());
    EXPECT_EQ(host.messages[0].kind, MsgKind::Warning);
    EXPECT_EQ(host.messages[0].text, text);
    host.messages.clear();
  }

  AppState st;
  RecordingHost host;
};

// ------------------------------------------------------------- schedule event

ScheduleEventInput ValidEvent() {
  ScheduleEventInput in;
  in.Days = "0";
  in.Hours = "23";
  in.Minutes = "59.9";
  in.TrainNumber = "999";
  in.Active = "-5000";
  in.Reactive = "5000";
  in.Speed = "455";
  in.Km = "0";
  in.Event = "изменил скорость";
  in.TrainKind = "барыжный";
  return in;
}

TEST_F(FormChecksTest, ScheduleEventLimits) {
  EXPECT_EQ(CheckScheduleEventInput(st, ValidEvent()), 0);
  EXPECT_TRUE(host.messages.empty());

  auto in = ValidEvent();
  in.Minutes = "60";
  EXPECT_EQ(CheckScheduleEventInput(st, in), 1);
  ExpectOnly("Значение минут: '60' - не лежит между 0 и <60");

  in = ValidEvent();
  in.Km = "200";
  EXPECT_EQ(CheckScheduleEventInput(st, in), 1);
  ExpectOnly("Значение места положения поезда: '200' - не лежит между 0 и <200");

  in = ValidEvent();
  in.TrainNumber = "0";
  EXPECT_EQ(CheckScheduleEventInput(st, in), 1);
  ExpectOnly("Значение номера поезда: '0' - не лежит между 1 и 999");

  in = ValidEvent();
  in.Hours = "2.5";
  EXPECT_EQ(CheckScheduleEventInput(st, in), 1);
  ExpectOnly("Значение часов: '2.5' - введено неверно");

  in = ValidEvent();
  in.Days = "366";
  EXPECT_EQ(CheckScheduleEventInput(st, in), 1);
  ExpectOnly("Значение суток: '366' - не лежит между 0 и 365");
}

TEST_F(FormChecksTest, ScheduleEventCurrentNamesUseCyrillicLetters) {
  auto in = ValidEvent();
  in.Reactive = "5001";
  EXPECT_EQ(CheckScheduleEventInput(st, in), 1);
  ASSERT_EQ(host.messages.size(), 1u);
  // "тока(р)" with the Cyrillic р (D1 80).
  EXPECT_NE(host.messages[0].text.find("(\xD1\x80)"), std::string::npos);
  ExpectOnly("Значение тока(р): '5001' - не лежит между -5000 и 5000");
}

TEST_F(FormChecksTest, ScheduleEventChoices) {
  auto in = ValidEvent();
  in.TrainKind = "Грузовой";
  EXPECT_EQ(CheckScheduleEventInput(st, in), 1);
  ExpectOnly("Неправильный тип поезда");
  in.TrainKind = "грузовой";
  EXPECT_EQ(CheckScheduleEventInput(st, in), 0);
  EXPECT_TRUE(host.messages.empty());
  // A wrong event is reported alone: the kind is not looked at after it.
  in.Event = "уехал";
  in.TrainKind = "Грузовой";
  EXPECT_EQ(CheckScheduleEventInput(st, in), 1);
  ExpectOnly("Неправильный тип события");
  // The numbers come before both lists.
  in.Speed = "-1";
  EXPECT_EQ(CheckScheduleEventInput(st, in), 1);
  ExpectOnly("Значение скорости: '-1' - не лежит между 0 и 455");
}

// ------------------------------------------------------------- placement tasks

TEST_F(FormChecksTest, TaskBoundsAndStep) {
  EXPECT_EQ(CheckPskTaskInput(st, {"2", "18", "0.5"}), 0);
  EXPECT_EQ(CheckPskPpsTaskInput(st, {"2", "18", "0.5"}), 0);
  EXPECT_TRUE(host.messages.empty());

  EXPECT_EQ(CheckPskTaskInput(st, {"0", "18", "1"}), 1);
  ExpectOnly("Значение левой границы: '0' - не лежит между 0> и <20");
  EXPECT_EQ(CheckPskTaskInput(st, {"5", "5", "1"}), 1);
  ExpectOnly("Значение правой границы: '5' - не лежит между 5> и <20");
  EXPECT_EQ(CheckPskTaskInput(st, {"5", "20", "1"}), 1);
  ExpectOnly("Значение правой границы: '20' - не лежит между 5> и <20");
  EXPECT_EQ(CheckPskTaskInput(st, {"2", "18", "16.5"}), 1);
  ExpectOnly("Значение шага: '16.5' - не лежит между 0> и 16");
  EXPECT_EQ(CheckPskTaskInput(st, {"2", "18", "0"}), 1);
  ExpectOnly("Значение шага: '0' - не лежит между 0> и 16");
}

TEST_F(FormChecksTest, TaskPlaceCount) {
  // One place is enough for the sectioning post alone, not for three posts.
  EXPECT_EQ(CheckPskTaskInput(st, {"2", "18", "16"}), 0);
  EXPECT_EQ(CheckPskPpsTaskInput(st, {"2", "18", "16"}), 1);
  ExpectOnly("Значение возможного количества ПСК и ППС: '1' - не лежит между 3 и 5000");
  EXPECT_EQ(CheckPskTaskInput(st, {"2", "18", "0.001"}), 1);
  ExpectOnly("Значение возможного количества ПСК: '16000' - не лежит между 1 и 5000");
}

TEST_F(FormChecksTest, TaskPlaceCountIsTheWrittenNumber) {
  // (0.3 - 0.1) / 0.1 is 1.9999999999999998 in binary; it is judged and shown as 2.
  EXPECT_EQ(CheckPskPpsTaskInput(st, {"0.1", "0.3", "0.1"}), 1);
  ExpectOnly("Значение возможного количества ПСК и ППС: '2' - не лежит между 3 и 5000");
}

TEST_F(FormChecksTest, ZoneLengthThatIsNotANumberIsRefusedNotThrown) {
  st.Params.ZoneLength = "н/и";
  EXPECT_EQ(CheckPskTaskInput(st, {"2", "18", "1"}), 1);
  ExpectOnly("Значение длины зоны: 'н/и' - введено неверно");
  EXPECT_TRUE(st.Controls.ZoneLengthEnabled);
  EXPECT_EQ(CheckPostPlace(st, "5"), 1);
  ExpectOnly("Значение длины зоны: 'н/и' - введено неверно");
  EXPECT_EQ(CheckConnectors(st, {"1", "5", "1", "0", "0"}), 1);
  ExpectOnly("Значение длины зоны: 'н/и' - введено неверно");
}

// ------------------------------------------------------------- constructor

TEST_F(FormChecksTest, SourceAndLine) {
  SourceAndLineInput in{"3300", "0", "3300", "0", "0", "-19.99"};
  EXPECT_EQ(CheckSourceAndLine(st, in), 0);
  EXPECT_TRUE(host.messages.empty());
  in.UbIm = "100000";
  EXPECT_EQ(CheckSourceAndLine(st, in), 1);
  ExpectOnly("Значение Реакт Напр второй ТП: '100000' - не лежит между -100000> и <100000");
  in.UbIm = "0";
  in.R = "20";
  EXPECT_EQ(CheckSourceAndLine(st, in), 1);
  ExpectOnly("Значение Акт сопротивления 1км: '20' - не лежит между 0 и <20");
  in.R = "0.1";
  in.X = "U,p";
  EXPECT_EQ(CheckSourceAndLine(st, in), 1);
  ExpectOnly("Значение Реакт сопротивления 1км: 'U,p' - введено неверно");
}

TEST_F(FormChecksTest, MutualAndPostPlace) {
  EXPECT_EQ(CheckMutual(st, "0", "0"), 0);
  EXPECT_EQ(CheckMutual(st, "-0.1", "0"), 1);
  ExpectOnly("Значение Акт сопротивления взаимоиндукции 1км: '-0.1' - не лежит между 0 и <20");
  EXPECT_EQ(CheckMutual(st, "0", "20"), 1);
  ExpectOnly("Значение Реакт сопротивления взаимоиндукции 1км: '20' - не лежит между -20> и <20");
  EXPECT_EQ(CheckPostPlace(st, "19.9"), 0);
  EXPECT_EQ(CheckPostPlace(st, "20"), 1);
  ExpectOnly("Значение места положения ПСК(ППС): '20' - не лежит между 0> и <20");
}

TEST_F(FormChecksTest, ConnectorsAreBoundedByTheirStart) {
  EXPECT_EQ(CheckConnectors(st, {"5", "15", "2", "0.01", "0"}), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(CheckConnectors(st, {"5", "4", "2", "0", "0"}), 1);
  ExpectOnly("Значение кон. точки установки соединителей: '4' - не лежит между 5> и <20");
  EXPECT_EQ(CheckConnectors(st, {"5", "15", "15", "0", "0"}), 1);
  ExpectOnly("Значение шага установки соединителей: '15' - не лежит между 0> и <15");
  EXPECT_EQ(CheckConnectors(st, {"0", "15", "1", "0", "0"}), 1);
  ExpectOnly("Значение нач. точки установки соединителей: '0' - не лежит между 0> и <20");
  EXPECT_EQ(CheckConnectors(st, {"5", "15", "1", "0", "-20"}), 1);
  ExpectOnly("Значение Реакт сопротивления: '-20' - не лежит между -20> и <20");
}

TEST_F(FormChecksTest, ChartCircles) {
  const std::vector<std::string> items[4] = {
      {"КП1 н", "КП1 к"}, {"КП2 н", "КП2 к"}, {"КП1 н"}, {}};
  const std::string ok[4] = {"КП1 к", "н/и", "КП1 н", "н/и"};
  EXPECT_EQ(CheckChartCircles(st, ok, items), 0);
  EXPECT_TRUE(host.messages.empty());
  // An item of another selector's list is not allowed; one message for all.
  const std::string bad[4] = {"н/и", "КП1 н", "xx", "yy"};
  EXPECT_EQ(CheckChartCircles(st, bad, items), 1);
  ExpectOnly("Задайте правильные типы Цирклов для графиков");
}

}  // namespace
}  // namespace tps
