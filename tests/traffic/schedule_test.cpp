#include "traffic/schedule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

#include "params/defaults.h"
#include "params/errors.h"
#include "params/persist.h"
#include "zone_fixture.h"

using namespace tps;
using tpstest::Ev;
using tpstest::Zone;

namespace {

std::vector<uint32_t> Times(const TGDPClass& g) {
  std::vector<uint32_t> t;
  for (const TEvents& tp : g.Schedule.Items) t.push_back(tp.Time);
  return t;
}

uint32_t U32At(const Bytes& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

}  // namespace

TEST(ScheduleModel, TimePointsKeepTheirOrderAndEventsTheirSequence) {
  TGDPClass g;
  const uint32_t added[5] = {5, 2, 5, 9, 1};
  for (uint16_t i = 0; i < 5; ++i) g.AddEvent(added[i], Ev(i + 1, ekAppear));
  EXPECT_EQ(Times(g), (std::vector<uint32_t>{1, 2, 5, 9}));
  EXPECT_EQ(g.Schedule.Count, 4u);
  const TEvents& five = g.Schedule.Items[2];
  ASSERT_EQ(five.Count, 2u);
  EXPECT_EQ(five.Events[0].Number, 1);
  EXPECT_EQ(five.Events[1].Number, 3);
  EXPECT_EQ(g.IndexOfTime(9), 3);
  EXPECT_EQ(g.IndexOfTime(4), -1);

  // One of two events: the other stays in place. The only event: the point goes.
  g.DeleteEvent(2, 0);
  ASSERT_EQ(g.Schedule.Items[2].Count, 1u);
  EXPECT_EQ(g.Schedule.Items[2].Events[0].Number, 3);
  g.DeleteEvent(2, 0);
  EXPECT_EQ(Times(g), (std::vector<uint32_t>{1, 2, 9}));
  g.DeleteTime(0);
  EXPECT_EQ(Times(g), (std::vector<uint32_t>{2, 9}));
  EXPECT_EQ(g.Schedule.Count, 2u);
  // Indexes out of range change nothing.
  g.DeleteTime(7);
  g.DeleteEvent(0, 3);
  EXPECT_EQ(g.Schedule.Count, 2u);
  // A finalization point is a time point without events; a second one at the same time adds nothing.
  g.AddFinalizationPoint(20);
  g.AddFinalizationPoint(20);
  g.AddFinalizationPoint(5);
  EXPECT_EQ(Times(g), (std::vector<uint32_t>{2, 5, 9, 20}));
  EXPECT_EQ(g.LastTime(), 20u);
}

TEST(ScheduleModel, FileLayoutAndByteIdenticalResave) {
  Zone z(3);
  TGDPClass g;
  g.Init(z.S());
  // The empty schedule is the 405-byte head alone and loads back empty.
  g.SaveToFile(z.S().Work, "gdp\\empty.gdp");
  Bytes empty = tpstest::ReadBytes(z.S().Work.Resolve("gdp\\empty.gdp"));
  ASSERT_EQ(empty.size(), kScheduleHeadSize);
  EXPECT_EQ(Bytes(empty.begin(), empty.begin() + 400), ParamsToBytes(z.S().Params));
  EXPECT_EQ(empty[400], 3);
  EXPECT_EQ(U32At(empty, 401), 0u);
  TGDPClass back;
  back.LoadFromFile(z.S().Work, "gdp\\empty.gdp");
  EXPECT_TRUE(back.Schedule.Items.empty());
  EXPECT_EQ(back.Schedule.Variant, 3);

  TGDPEvent e = Ev(12, ekAppear, 1500.5, 20, 80, ttSuburban);
  e.ReactiveCurrent = -3;
  g.AddEvent(4, e);
  g.AddEvent(4, Ev(0, ekFinal));
  g.AddEvent(1, Ev(3, ekSpeedChange, 900));
  g.AddFinalizationPoint(10);
  Bytes b = g.ToBytes();
  ASSERT_EQ(b.size(), 405u + (8 + 48) + (8 + 2 * 48) + 8);
  EXPECT_EQ(U32At(b, 401), 3u);
  EXPECT_EQ(U32At(b, 405), 1u);  // time of the first point
  EXPECT_EQ(U32At(b, 409), 1u);  // its event count
  EXPECT_EQ(U32At(b, 461), 4u);  // time of the second point
  EXPECT_EQ(U32At(b, 465), 2u);
  const size_t ev = 469;  // the suburban train's event
  EXPECT_EQ(b[ev], 12);
  EXPECT_EQ(b[ev + 1], 0);
  double d;
  std::memcpy(&d, &b[ev + 8], 8);
  EXPECT_EQ(d, 1500.5);
  std::memcpy(&d, &b[ev + 16], 8);
  EXPECT_EQ(d, -3);
  std::memcpy(&d, &b[ev + 24], 8);
  EXPECT_EQ(d, 20);
  std::memcpy(&d, &b[ev + 32], 8);
  EXPECT_EQ(d, 80);
  EXPECT_EQ(b[ev + 40], ttSuburban);
  EXPECT_EQ(b[ev + 41], ekAppear);
  EXPECT_EQ(b[ev + 48 + 41], ekFinal);
  EXPECT_EQ(U32At(b, b.size() - 8), 10u);  // the finalization point
  EXPECT_EQ(U32At(b, b.size() - 4), 0u);

  // Unused bytes and the header come back as they were stored.
  b[ev + 2] = 0x5A;
  b[ev + 47] = 0xA5;
  b[150] = 0x77;
  tpstest::WriteBytes(z.S().Work.Resolve("gdp\\odd.gdp", true), b);
  TGDPClass again;
  again.LoadFromFile(z.S().Work, "gdp\\odd.gdp");
  again.SaveToFile(z.S().Work, "gdp\\copy.gdp");
  EXPECT_EQ(tpstest::ReadBytes(z.S().Work.Resolve("gdp\\copy.gdp")), b);
}

TEST(ScheduleModel, DamagedFilesAreRefusedWholeAndNeverReadPast) {
  Zone z(3);
  TGDPClass g;
  g.Init(z.S());
  g.AddEvent(0, Ev(1, ekAppear));
  g.AddEvent(3, Ev(2, ekAppear, 800, 20));
  g.AddEvent(3, Ev(1, ekSpeedChange, 700));
  const Bytes good = g.ToBytes();

  TGDPClass kept;
  kept.AddEvent(7, Ev(5, ekAppear));
  const Bytes keptBytes = kept.ToBytes();
  // Every prefix of the file is short: refused, and what the object held stays.
  for (size_t n = 0; n < good.size(); ++n) {
    TGDPClass t = kept;
    EXPECT_THROW(t.FromBytes(Bytes(good.begin(), good.begin() + n), "gdp\\short.gdp"), IoError) << n;
    EXPECT_EQ(t.ToBytes(), keptBytes) << n;
  }
  // Counts larger than the file can hold.
  Bytes over = good;
  const uint32_t huge = 0xFFFFFFFFu;
  std::memcpy(&over[401], &huge, 4);
  TGDPClass t;
  try {
    t.FromBytes(over, "gdp\\over.gdp");
    ADD_FAILURE();
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("4294967295"), std::string::npos) << e.what();
  }
  over = good;
  std::memcpy(&over[409], &huge, 4);
  EXPECT_THROW(t.FromBytes(over, "gdp\\over.gdp"), IoError);
  EXPECT_TRUE(t.Schedule.Items.empty());
  // A value that is not a finite number.
  Bytes nan = good;
  const double q = std::numeric_limits<double>::quiet_NaN();
  std::memcpy(&nan[413 + 32], &q, 8);
  EXPECT_THROW(t.FromBytes(nan, "gdp\\nan.gdp"), IoError);
  // A missing file.
  EXPECT_THROW(t.LoadFromFile(z.S().Work, "gdp\\none.gdp"), IoError);
}

TEST(ScheduleModel, TimeTextsAccumulateStepByStep) {
  EXPECT_EQ(FormatScheduleTime(0, 1), "00:00:00");
  EXPECT_EQ(FormatScheduleTime(1440, 1), "01:00:00");
  EXPECT_EQ(FormatScheduleTime(3, 0.5), "00:00:01.50");
  EXPECT_EQ(FormatScheduleTime(131, 0.5), "00:01:05.50");  // 65.5 minutes
  EXPECT_EQ(FormatScheduleTime(150, 1), "00:02:30");
  EXPECT_EQ(FormatScheduleTime(75, 2), "00:02:30");
  EXPECT_EQ(FormatScheduleTime(12, 0.1), "00:00:01.20");
  EXPECT_EQ(FormatScheduleTime(1440 * 12 + 61, 1), "12:01:01");
  // A time no editor makes is counted at once, not in four billion steps.
  EXPECT_EQ(FormatScheduleTime(4294967295u, 2), "1456:08:30");
  // So is a time of a damaged head whose step is zero or next to it.
  EXPECT_EQ(FormatScheduleTime(4294967295u, 0), "00:00:00");
  EXPECT_EQ(FormatScheduleTime(4294967295u, 1e-9), "00:00:04.29");
  EXPECT_EQ(FormatScheduleTime(5, std::numeric_limits<double>::infinity()), "");
  // A negative step gives no time (it once gave "53361:65530:0-200").
  EXPECT_EQ(FormatScheduleTime(2, -100), "");
  EXPECT_EQ(FormatScheduleTime(4294967295u, -100), "");
}

// A file holding a value no window of the program takes is refused whole,
// naming the file, the time point, the event and the value: a current of
// -1e15 A once ran to a loss of 6.2e28 W*h without a word.
TEST(ScheduleModel, ValuesTheEditorWouldRefuseRefuseTheFile) {
  Zone z(3);
  TGDPClass g;
  g.Init(z.S());
  g.AddEvent(0, Ev(1, ekAppear));
  g.AddEvent(5, Ev(3, ekAppear));
  g.AddEvent(5, Ev(1, ekSpeedChange, 700));
  g.AddFinalizationPoint(9);
  const Bytes good = g.ToBytes();
  TGDPClass t;
  EXPECT_NO_THROW(t.FromBytes(good, "gdp\\good.gdp"));
  // The second event of time point 5 (its fields start 48 bytes after the first's).
  const size_t second = kScheduleHeadSize + 8 + 48 + 8 + 48;
  struct Case {
    size_t at;
    double value;
    const char* text;
  } cases[] = {
      {8, -1e15, "значение тока(а): '-1E15' - не лежит между -5000 и 5000"},
      {16, 5000.5, "значение тока(р): '5000.5' - не лежит между -5000 и 5000"},
      {32, 455.5, "значение скорости: '455.5' - не лежит между 0 и 455"},
      {24, -0.5, "значение места положения поезда: '-0.5' - не лежит между 0 и 200"},
      {24, 1e300, "значение места положения поезда: '1E300' - не лежит между 0 и 200"},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    std::memcpy(&bad[second + c.at], &c.value, 8);
    try {
      t.FromBytes(bad, "gdp\\bad.gdp");
      ADD_FAILURE() << c.text;
    } catch (const IoError& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("Файл gdp\\bad.gdp не загружен. Точка времени 5, событие 2 (поезд №1): ") + c.text);
    }
  }
  Bytes numberless = good;
  numberless[second] = 0;
  numberless[second + 1] = 0;
  EXPECT_THROW(t.FromBytes(numberless, "gdp\\bad.gdp"), IoError);
  // The head's step and zone length, when numbers, within the input check's ranges.
  for (const auto& [offset, text, message] :
       {std::tuple<size_t, std::string, std::string>{108, "-100", "значение шага: '-100' - не лежит между 0.06 и 2"},
        {0, "250", "значение длины зоны: '250' - не лежит между 0> и 200"}}) {
    Bytes head = good;
    head[offset] = static_cast<uint8_t>(text.size());
    std::memcpy(&head[offset + 1], text.data(), text.size());
    try {
      t.FromBytes(head, "gdp\\head.gdp");
      ADD_FAILURE() << text;
    } catch (const IoError& e) {
      EXPECT_EQ(std::string(e.what()), "Файл gdp\\head.gdp не загружен. Заголовок: " + message);
    }
  }
  EXPECT_EQ(t.ToBytes(), good);
}

// The texts of ascending times carried on from one to the next are those of
// each time counted from 0, at steps whose sums are not exact; a time before
// the last one asked starts the count again.
TEST(ScheduleModel, TheTimeTextsOfAListingAreThoseOfEachTime) {
  for (double step : {0.1, 0.3, 0.7, 1.3, 2.0}) {
    ScheduleClock clock(step);
    for (uint32_t t = 0; t <= 3000; t += 1 + t % 7) ASSERT_EQ(clock.At(t), FormatScheduleTime(t, step)) << t;
    EXPECT_EQ(clock.At(17), FormatScheduleTime(17, step));
  }
  ScheduleClock odd(-0.5);
  EXPECT_EQ(odd.At(3), FormatScheduleTime(3, -0.5));
}

TEST(ScheduleModel, ListingsAndEventDetails) {
  TGDPClass g;
  g.Schedule.Header.StepMinutes.Set("0.5");
  TGDPEvent e = Ev(12, ekAppear, 1500, 19.5, 80, ttSuburban);
  e.ReactiveCurrent = 12.349;
  g.AddEvent(131, e);
  g.AddEvent(131, Ev(3, ekSpeedChange, -200.25, 0, 45.5, 9));
  g.AddEvent(131, Ev(0, ekFinal));
  g.AddEvent(2, Ev(7, ekPassed));

  EXPECT_EQ(g.ListEvents(1), (std::vector<std::string>{"Поезд №12 появился на участке",
                                                       "Поезд №3 изменил скорость", "финализация"}));
  EXPECT_TRUE(g.ListEvents(-1).empty());
  EXPECT_EQ(g.DescribeEvent(1, 0),
            (std::vector<std::string>{"Поезд № 12", "Тип: электричка", "Tok [1500 12.34]",
                                      "Местоположение 19.5 км", "Скорость 80 км/ч"}));
  // A type outside the table repeats the line before it; negative currents truncate toward zero.
  std::vector<std::string> odd = g.DescribeEvent(1, 1);
  ASSERT_EQ(odd.size(), 5u);
  EXPECT_EQ(odd[1], "Поезд № 3");
  EXPECT_EQ(odd[2], "Tok [-200.25 0]");
  EXPECT_EQ(g.DescribeEvent(1, 2), (std::vector<std::string>{"<без параметров>"}));
  EXPECT_TRUE(g.DescribeEvent(1, 3).empty());
  EXPECT_TRUE(g.DescribeEvent(-1, 0).empty());

  // The listing of the time points stops when the editor's exit is pressed.
  struct CancellingHost : RecordingHost {
    AppState* st = nullptr;
    void ProcessEvents() override {
      if (++pumps == 2) st->ListingCancelled = true;
    }
  } host;
  AppState st;
  st.Host = &host;
  host.st = &st;
  st.ListingCancelled = true;  // left over from an earlier listing: cleared at the start
  EXPECT_EQ(g.ListTimes(st), (std::vector<std::string>{"00:00:01"}));
  st.Host = nullptr;
  EXPECT_EQ(g.ListTimes(st), (std::vector<std::string>{"00:00:01", "00:01:05.50"}));
}

TEST(ScheduleText, LinesBecomeEventsOrARefusalNamingTheLine) {
  TGDPClass g;
  std::string error;
  ASSERT_TRUE(
      ScheduleFromText("# comment\r\n"
                       "5;появился на участке;2;1500;-20;20;100;пассажирский\r\n"
                       "  1 ; изменил скорость ; 3 ; 900 ; 0 ; 0 ; 45.5 ; грузовой\n"
                       "\n"
                       "5;финализация\n"
                       "9\n",
                       g, error))
      << error;
  EXPECT_EQ(Times(g), (std::vector<uint32_t>{1, 5, 9}));
  const TGDPEvent& a = g.Schedule.Items[1].Events[0];
  EXPECT_EQ(a.Number, 2);
  EXPECT_EQ(a.Kind, ekAppear);
  EXPECT_EQ(a.ReactiveCurrent, -20);
  EXPECT_EQ(a.TypeCode, ttPassenger);
  EXPECT_EQ(g.Schedule.Items[1].Events[1].Kind, ekFinal);
  EXPECT_EQ(g.Schedule.Items[0].Events[0].Speed, 45.5);
  EXPECT_EQ(g.Schedule.Items[2].Count, 0u);

  const Bytes before = g.ToBytes();
  const std::pair<const char*, const char*> bad[] = {
      {"1;появился на участке;1;1;0;0;60;грузовой\nx;финализация", "Строка 2: время 'x'"},
      {"-1", "Строка 1: время"},
      {"4294967296", "Строка 1: время"},
      {"1;приехал;1;1;0;0;60;грузовой", "Строка 1: неизвестное событие 'приехал'"},
      {"1;появился на участке;1;1;0;0;60", "Строка 1: нужно 8 полей"},
      {"1;появился на участке;1000;1;0;0;60;грузовой", "Строка 1: номер поезда 1000 вне 1..999"},
      {"1;появился на участке;2.5;1;0;0;60;грузовой", "Строка 1: номер поезда '2.5' не целый"},
      {"1;появился на участке;1;1,5;0;0;60;грузовой", "Строка 1: ток(а) '1,5' не число"},
      {"1;появился на участке;1;1;0;200;60;грузовой", "Строка 1: место положения поезда 200 вне 0..200"},
      {"1;появился на участке;1;1;0;0;456;грузовой", "Строка 1: скорость 456 вне 0..455"},
      {"1;появился на участке;1;1;0;0;60;Грузовой", "Строка 1: неизвестный тип поезда 'Грузовой'"},
      {"1;финализация;1", "Строка 1: у финализации нет параметров"},
  };
  for (const auto& [text, want] : bad) {
    error.clear();
    EXPECT_FALSE(ScheduleFromText(text, g, error)) << text;
    EXPECT_EQ(error.rfind(want, 0), 0u) << error;
    EXPECT_EQ(g.ToBytes(), before) << text;
  }
}

TEST(ScheduleText, DefaultScheduleIsTwoHoursOnTheDoubleTrackZone) {
  TGDPClass g;
  g.FromBytes(DefaultScheduleBytes(), "gdp\\file00.gdp");
  EXPECT_EQ(ParamsToBytes(g.Schedule.Header), ParamsToBytes(DefaultState(14)));
  EXPECT_EQ(g.Schedule.Variant, 3);
  EXPECT_EQ(g.LastTime(), 120u);
  // It ends where the trains still on the zone close their paths, events
  // no run executes (a run stops before the last time point).
  for (const TGDPEvent& e : g.Schedule.Items.back().Events) EXPECT_EQ(e.Kind, ekStayed);
  int track[2] = {0, 0}, types[4] = {0, 0, 0, 0}, speedChanges = 0;
  for (const TEvents& tp : g.Schedule.Items) {
    for (const TGDPEvent& e : tp.Events) {
      if (e.Kind == ekAppear) {
        ++track[e.Number % 2];
        ++types[e.TypeCode];
        EXPECT_EQ(e.Position, e.Number % 2 ? 0 : 20) << e.Number;
      }
      speedChanges += e.Kind == ekSpeedChange;
    }
  }
  EXPECT_GT(track[0], 5);
  EXPECT_GT(track[1], 5);
  for (int n : types) EXPECT_GT(n, 1);
  EXPECT_GE(speedChanges, 4);
}
