#include "driver/schedule_edit.h"

#include <gtest/gtest.h>

#include <cstring>

#include "driver/seed.h"
#include "params/defaults.h"
#include "params/fileio.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Zone;

namespace {

using Lines = std::vector<std::string>;

std::vector<uint32_t> Times(const TScheduleEditor& ed) {
  std::vector<uint32_t> t;
  for (const TEvents& tp : ed.CurrentSchedule->Schedule.Items) t.push_back(tp.Time);
  return t;
}

// An editor on a new schedule of a DC double-track zone with the step given.
struct Editor : Zone {
  TScheduleEditor ed;
  explicit Editor(const std::string& step = "1") : Zone(3) {
    S().Params.StepMinutes.Set(step);
    NewSchedule(S(), ed);
    ActivateEditor(S(), ed);
  }
  // An appearing freight train at the minutes given.
  bool Add(uint16_t number, const std::string& minutes) {
    ed.Fields.TrainNumber = std::to_string(number);
    ed.Fields.Minutes = minutes;
    ed.Fields.Event = "появился на участке";
    ed.Fields.TrainKind = "грузовой";
    return AddEventClicked(S(), ed);
  }
  // A schedule of the text form saved as gdp\<name> and opened for editing.
  void Open(const std::string& text, const std::string& name) {
    TGDPClass g;
    g.Init(S());
    std::string error;
    ASSERT_TRUE(ScheduleFromText(text, g, error)) << error;
    g.SaveToFile(S().Work, "gdp\\" + name);
    EditSchedule(S(), ed, name, true);
    ActivateEditor(S(), ed);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : host.messages) t.push_back(m.text);
    return t;
  }
};

void Put(Bytes& b, size_t at, const void* v, size_t n) {
  std::memcpy(b.data() + at, v, n);
}

}  // namespace

TEST(ScheduleEditor, AnEventOfOneMinuteAtHalfMinuteStepsIsSavedAtTimePointTwo) {
  Editor z("0.5");
  EXPECT_TRUE(z.ed.InputsShown);
  EXPECT_TRUE(z.ed.Times.empty());
  z.ed.Fields.Active = "1200";
  z.ed.Fields.Km = "2.5";
  ASSERT_TRUE(z.Add(7, "1"));
  EXPECT_EQ(Times(z.ed), (std::vector<uint32_t>{2}));
  EXPECT_EQ(z.ed.Times, (Lines{"00:00:01"}));
  EXPECT_EQ(z.ed.Events, (Lines{"Поезд №7 появился на участке"}));
  EXPECT_EQ(z.ed.Details, (Lines{"Поезд № 7", "Тип: грузовой", "Tok [1200 0]", "Местоположение 2.5 км",
                                 "Скорость 60 км/ч"}));

  ASSERT_TRUE(SaveAndExit(z.S(), z.ed, "gdp\\file07"));
  EXPECT_EQ(z.ed.CurrentSchedule, nullptr);
  // The file laid out by hand: the block, the variant, one time point of one event.
  Bytes want(405 + 8 + 48, 0);
  Put(want, 0, &z.S().Params, 400);
  want[400] = z.S().SchemeVariant;
  const uint32_t one = 1, two = 2;
  const uint16_t seven = 7;
  const double active = 1200, km = 2.5, speed = 60;
  Put(want, 401, &one, 4);
  Put(want, 405, &two, 4);
  Put(want, 409, &one, 4);
  Put(want, 413, &seven, 2);
  Put(want, 413 + 8, &active, 8);
  Put(want, 413 + 24, &km, 8);
  Put(want, 413 + 32, &speed, 8);
  want[413 + 40] = ttFreight;
  want[413 + 41] = ekAppear;
  EXPECT_EQ(ReadFileBytes(z.S().Work, "gdp\\file07.gdp"), want);
}

TEST(ScheduleEditor, ReplacingTheOnlyEventOfATimePointMovesThePoint) {
  Editor z;
  ASSERT_TRUE(z.Add(1, "1"));
  ASSERT_TRUE(z.Add(3, "5"));
  TimeClicked(z.S(), z.ed, 0);
  EXPECT_EQ(z.ed.Fields.Minutes, "1");
  EXPECT_EQ(z.ed.Fields.TrainNumber, "1");
  z.ed.Fields.Minutes = "7";
  z.ed.Fields.Speed = "80";
  ASSERT_TRUE(ReplaceClicked(z.S(), z.ed));
  EXPECT_EQ(Times(z.ed), (std::vector<uint32_t>{5, 7}));
  EXPECT_EQ(z.ed.TimeIndex, 0);  // the index selected before
  EXPECT_EQ(z.ed.Events, (Lines{"Поезд №3 появился на участке"}));

  // One of two events of a point: the other stays, the new one follows it.
  TimeClicked(z.S(), z.ed, 1);
  ASSERT_TRUE(z.Add(5, "7"));
  EventClicked(z.S(), z.ed, 0);
  z.ed.Fields.TrainNumber = "9";
  ASSERT_TRUE(ReplaceClicked(z.S(), z.ed));
  EXPECT_EQ(Times(z.ed), (std::vector<uint32_t>{5, 7}));
  TimeClicked(z.S(), z.ed, 1);
  EXPECT_EQ(z.ed.Events, (Lines{"Поезд №5 появился на участке", "Поезд №9 появился на участке"}));
  EXPECT_TRUE(z.host.messages.empty());
}

TEST(ScheduleEditor, AFinalizationPointOnlyMovesAndIsNotSortedAgain) {
  Editor z;
  z.Open("1;появился на участке;1;1000;0;0;60;грузовой\n5;появился на участке;2;1000;0;20;60;грузовой\n9\n",
         "final.gdp");
  EXPECT_EQ(z.ed.Times, (Lines{"00:00:01", "00:00:05", "00:00:09"}));
  TimeClicked(z.S(), z.ed, 2);
  EXPECT_TRUE(z.ed.Events.empty());
  const uint32_t before[3] = {1, 5, 9};
  EXPECT_FALSE(z.Add(3, "2"));
  EXPECT_FALSE(DeleteTimeClicked(z.S(), z.ed));
  EXPECT_FALSE(DeleteEventClicked(z.S(), z.ed));
  EXPECT_EQ(z.Texts(), Lines(3, "Это финализация, а не событие"));
  EXPECT_EQ(Times(z.ed), std::vector<uint32_t>(before, before + 3));

  z.ed.Fields.Minutes = "3";
  ASSERT_TRUE(ReplaceClicked(z.S(), z.ed));
  EXPECT_EQ(Times(z.ed), (std::vector<uint32_t>{1, 5, 3}));
  EXPECT_EQ(z.ed.Times, (Lines{"00:00:01", "00:00:05", "00:00:03"}));
  EXPECT_EQ(z.ed.TimeIndex, 0);
  EXPECT_EQ(z.ed.Events, (Lines{"Поезд №1 появился на участке"}));
}

TEST(ScheduleEditor, TheViewShowsTheListsWithoutTheInputs) {
  Editor z;
  z.Open("0;появился на участке;1;1000;0;0;60;грузовой\n12;изменил скорость;1;1400;0;0;70;скоростной\n",
         "v.gdp");
  ViewSchedule(z.S(), z.ed, "v.gdp");
  ActivateEditor(z.S(), z.ed);
  EXPECT_FALSE(z.ed.InputsShown);
  EXPECT_EQ(z.ed.Times, (Lines{"00:00:00", "00:00:12"}));
  TimeClicked(z.S(), z.ed, 1);
  EXPECT_EQ(z.ed.Events, (Lines{"Поезд №1 изменил скорость"}));
  EXPECT_EQ(z.ed.Details[1], "Тип: скорый");
  EXPECT_EQ(z.ed.Fields.Event, "изменил скорость");
  EXPECT_EQ(z.ed.Fields.TrainKind, "скоростной");
  // "Выйти" releases the schedule.
  ExitEditor(z.S(), z.ed);
  EXPECT_EQ(z.ed.CurrentSchedule, nullptr);
  EXPECT_TRUE(z.S().ListingCancelled);
}

TEST(ScheduleEditor, TheDefaultScheduleIsNeverReplacedAndAnotherOnlyWhenConfirmed) {
  Editor z;
  SeedDefaultData(z.S().Work);
  const Bytes defaultBytes = ReadFileBytes(z.S().Work, "gdp\\file00.gdp");
  ASSERT_TRUE(z.Add(1, "1"));
  EXPECT_FALSE(SaveAndExit(z.S(), z.ed, kSaveNamePreset));
  EXPECT_FALSE(SaveAndExit(z.S(), z.ed, "GDP/File00"));
  EXPECT_EQ(z.Texts(), Lines(2, "Нельзя заменить этот файл"));
  EXPECT_EQ(ReadFileBytes(z.S().Work, "gdp\\file00.gdp"), defaultBytes);
  ASSERT_NE(z.ed.CurrentSchedule, nullptr);  // nothing of the edit lost

  WriteFileBytes(z.S().Work, "gdp\\old.gdp", Bytes{1, 2, 3});
  z.host.answer = false;
  EXPECT_FALSE(SaveAndExit(z.S(), z.ed, "gdp\\old.gdp"));
  EXPECT_EQ(z.host.messages.back().text, "Файл gdp\\old.gdp уже существует. Заменить его?");
  EXPECT_EQ(z.host.messages.back().buttons, MsgButtons::OkCancel);
  EXPECT_EQ(ReadFileBytes(z.S().Work, "gdp\\old.gdp"), (Bytes{1, 2, 3}));
  z.host.answer = true;
  z.S().StepCount = 4;
  EXPECT_TRUE(SaveAndExit(z.S(), z.ed, "gdp\\old.gdp"));
  EXPECT_EQ(ReadFileBytes(z.S().Work, "gdp\\old.gdp").size(), 405u + 8 + 48);
  EXPECT_EQ(z.S().StepCount, 0u);
}

TEST(ScheduleEditor, TheFieldsOfAnEventNearAnHourReadBackToItsTime) {
  // 298 steps of 0.2 minutes are 59.6 minutes: hour 0, not hour 1 with -0.4 minutes.
  Editor z("0.2");
  ASSERT_TRUE(z.Add(1, "59.6"));
  ASSERT_TRUE(z.Add(5, "0"));
  z.ed.Fields.Hours = "1";
  ASSERT_TRUE(z.Add(3, "0"));
  z.ed.Fields.Days = "1";
  z.ed.Fields.Hours = "0";
  ASSERT_TRUE(z.Add(7, "0.2"));
  EXPECT_EQ(Times(z.ed), (std::vector<uint32_t>{0, 298, 300, 7201}));
  const Lines want[4] = {{"0", "0", "0"}, {"0", "0", "59.6"}, {"0", "1", "0"}, {"1", "0", "0.2"}};
  for (int k = 0; k < 4; ++k) {
    TimeClicked(z.S(), z.ed, k);
    EXPECT_EQ((Lines{z.ed.Fields.Days, z.ed.Fields.Hours, z.ed.Fields.Minutes}), want[k]) << k;
    ASSERT_TRUE(ReplaceClicked(z.S(), z.ed)) << k;  // the fields unchanged keep the time
  }
  EXPECT_EQ(Times(z.ed), (std::vector<uint32_t>{0, 298, 300, 7201}));
  EXPECT_TRUE(z.host.messages.empty());
}

TEST(ScheduleEditor, RefusedInputLeavesTheScheduleAsItWas) {
  Editor z;
  ASSERT_TRUE(z.Add(1, "1"));
  const std::vector<uint32_t> before = Times(z.ed);
  z.ed.Fields.TrainKind = "барыжный";  // passes the choice, but no train type has it
  EXPECT_FALSE(AddEventClicked(z.S(), z.ed));
  EXPECT_FALSE(ReplaceClicked(z.S(), z.ed));
  z.ed.Fields.TrainKind = "грузовой";
  z.ed.Fields.Minutes = "60";
  EXPECT_FALSE(AddEventClicked(z.S(), z.ed));
  z.ed.Fields.Minutes = "1";
  z.ed.CurrentSchedule->Schedule.Header.StepMinutes.Set("0");  // a damaged head
  EXPECT_FALSE(AddEventClicked(z.S(), z.ed));
  EXPECT_FALSE(ReplaceClicked(z.S(), z.ed));
  EXPECT_EQ(z.Texts(), (Lines{"Неправильный тип поезда", "Неправильный тип поезда",
                              "Значение минут: '60' - не лежит между 0 и <60",
                              "Шаг ГДП не является положительным числом: '0'",
                              "Шаг ГДП не является положительным числом: '0'"}));
  EXPECT_EQ(Times(z.ed), before);
  EXPECT_EQ(z.ed.CurrentSchedule->Schedule.Items[0].Events.size(), 1u);
}

namespace {
// A host on which "Выйти" is pressed while the time list is being filled,
// together with "Добавить событие".
struct ExitWhileListing : RecordingHost {
  AppState* st = nullptr;
  TScheduleEditor* ed = nullptr;
  void ProcessEvents() override {
    RecordingHost::ProcessEvents();
    if (pumps != 2) return;
    EXPECT_FALSE(AddEventClicked(*st, *ed));
    ExitEditor(*st, *ed);
    EXPECT_NE(ed->CurrentSchedule, nullptr);  // still listed from
  }
};
}  // namespace

TEST(ScheduleEditor, ExitWhileTheTimesAreListedStopsTheListingThenReleases) {
  Editor z;
  z.Open("1;появился на участке;1;1000;0;0;60;грузовой\n2;изменил скорость;1;900;0;0;60;грузовой\n3\n",
         "l.gdp");
  ExitWhileListing host;
  host.st = &z.S();
  host.ed = &z.ed;
  z.S().Host = &host;
  ActivateEditor(z.S(), z.ed);
  EXPECT_EQ(host.pumps, 2);
  EXPECT_EQ(z.ed.CurrentSchedule, nullptr);
  EXPECT_TRUE(z.ed.Times.empty());
}
