// The train set: numbers and slots, packing, list lines, current profiles.
#include "params/trains.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "params/errors.h"
#include "params/state.h"
#include "test_support.h"

namespace tps {
namespace {

class TrainsTest : public ::testing::Test {
 protected:
  tpstest::TempDir dir;
  RecordingHost host;
  AppState st;

  void SetUp() override {
    st.Work = dir.Work();
    st.Host = &host;
    st.SchemeVariant = 3;  // DC double track
    st.ShowPictures = false;
    SetTrain("1000", "н/и", "0", "60", "Грузовой (F)");
  }
  void SetTrain(const char* active, const char* reactive, const char* km, const char* speed, const char* type) {
    st.Params.TrainActive = active;
    st.Params.TrainReactive = reactive;
    st.Params.TrainKm = km;
    st.Params.TrainSpeed = speed;
    st.Params.TrainType = type;
  }
  void WriteProfile(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(dir.Path() / "CurData");
    tpstest::WriteBytes(dir.Path() / "CurData" / name, Bytes(text.begin(), text.end()));
  }
  std::vector<int> Numbers(int track) const {
    std::vector<int> v;
    for (const auto& t : track == 1 ? st.Trains.Trains1 : st.Trains.Trains2) v.push_back(t.Number);
    return v;
  }
  int Pictures() const { return static_cast<int>(std::count(host.notes.begin(), host.notes.end(), Changed::Picture)); }
};

TEST_F(TrainsTest, NumbersAreTakenFromTheLowestFreeSlot) {
  EXPECT_TRUE(AddTrain(st, 1));
  EXPECT_TRUE(AddTrain(st, 2));
  EXPECT_TRUE(AddTrain(st, 1));
  EXPECT_TRUE(AddTrain(st, 1));
  EXPECT_TRUE(AddTrain(st, 2));
  EXPECT_EQ(Numbers(1), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(Numbers(2), (std::vector<int>{2, 4}));
  EXPECT_EQ(st.Trains.TrainCount1(), 3u);

  // A removal keeps the others packed in their order of entry and frees the number.
  RemoveTrain(st, 3);
  EXPECT_EQ(Numbers(1), (std::vector<int>{1, 5}));
  EXPECT_FALSE(st.Trains.TrainSlots1[2]);
  EXPECT_TRUE(AddTrain(st, 1));
  EXPECT_EQ(Numbers(1), (std::vector<int>{1, 5, 3}));
  RemoveTrain(st, 1);
  RemoveTrain(st, 4);
  EXPECT_EQ(Numbers(1), (std::vector<int>{5, 3}));
  EXPECT_EQ(Numbers(2), (std::vector<int>{2}));
  EXPECT_TRUE(AddTrain(st, 1));
  EXPECT_TRUE(AddTrain(st, 2));
  EXPECT_EQ(Numbers(1), (std::vector<int>{5, 3, 1}));
  EXPECT_EQ(Numbers(2), (std::vector<int>{2, 4}));
  // Each addition pumps the message queue once.
  EXPECT_EQ(host.pumps, 8);
}

TEST_F(TrainsTest, ClearingAllStartsNumberingAgain) {
  for (int i = 0; i < 4; ++i) AddTrain(st, 1);
  for (int i = 0; i < 3; ++i) AddTrain(st, 2);
  RemoveAllTrains(st);
  EXPECT_TRUE(st.Trains.Empty());
  for (int k = 1; k <= kSlotsPerTrack; ++k) {
    EXPECT_FALSE(st.Trains.TrainSlots1[k]);
    EXPECT_FALSE(st.Trains.TrainSlots2[k]);
  }
  AddTrain(st, 1);
  AddTrain(st, 2);
  EXPECT_EQ(Numbers(1), (std::vector<int>{1}));
  EXPECT_EQ(Numbers(2), (std::vector<int>{2}));
}

TEST_F(TrainsTest, FiftyTrainsPerTrack) {
  for (int i = 0; i < kSlotsPerTrack; ++i) ASSERT_TRUE(AddTrain(st, 1));
  EXPECT_EQ(st.Trains.Trains1.back().Number, 99);
  EXPECT_FALSE(AddTrain(st, 1));
  EXPECT_EQ(st.Trains.TrainCount1(), 50u);
  EXPECT_EQ(host.pumps, 50);
  // The other track still has all its numbers.
  EXPECT_TRUE(AddTrain(st, 2));
  EXPECT_EQ(Numbers(2), (std::vector<int>{2}));
  // A freed number can be taken again.
  RemoveTrain(st, 37);
  EXPECT_TRUE(AddTrain(st, 1));
  EXPECT_EQ(st.Trains.Trains1.back().Number, 37);
}

TEST_F(TrainsTest, RecordFromTheParameterBlock) {
  SetTrain("1250.5", "н/и", "3.25", "72", "Электричка (E)");
  AddTrain(st, 1);
  const elvoz& t = st.Trains.Trains1[0];
  EXPECT_EQ(t.Number, 1);
  EXPECT_EQ(t.Current, (TComplex{1250.5, 0}));
  EXPECT_DOUBLE_EQ(t.Km, 3.25);
  EXPECT_DOUBLE_EQ(t.Speed, 72);
  EXPECT_EQ(t.Kind, 3);
  EXPECT_TRUE(t.Profile.ProfileKm.empty());

  // On a DC scheme the reactive field is ignored even when it holds a number.
  SetTrain("800", "250", "20", "60", "Пассажирский (P)");
  AddTrain(st, 2);
  EXPECT_EQ(st.Trains.Trains2[0].Current, (TComplex{800, 0}));
  EXPECT_EQ(st.Trains.Trains2[0].Kind, 2);

  // AC keeps it.
  st.SchemeVariant = 9;
  SetTrain("800", "-250", "20", "60", "Скоростной (S)");
  AddTrain(st, 2);
  EXPECT_EQ(st.Trains.Trains2[1].Current, (TComplex{800, -250}));
  EXPECT_EQ(st.Trains.Trains2[1].Kind, 1);
}

TEST_F(TrainsTest, FieldThatIsNotANumberAddsNothing) {
  SetTrain("1000", "н/и", "1,5", "60", "Грузовой (F)");
  EXPECT_THROW(AddTrain(st, 1), ConvertError);
  EXPECT_TRUE(st.Trains.Empty());
  EXPECT_FALSE(st.Trains.TrainSlots1[1]);
  SetTrain("1000", "н/и", "1.5", "60", "Грузовой (F)");
  AddTrain(st, 1);
  EXPECT_EQ(Numbers(1), (std::vector<int>{1}));
}

TEST_F(TrainsTest, PicturesFollowTheSwitch) {
  AddTrain(st, 1);
  EXPECT_FALSE(st.Trains.Trains1[0].HasPicture);
  EXPECT_EQ(Pictures(), 0);
  st.ShowPictures = true;
  AddTrain(st, 1);
  EXPECT_TRUE(st.Trains.Trains1[1].HasPicture);
  EXPECT_EQ(Pictures(), 1);
  RemoveTrain(st, 1);  // had no picture
  EXPECT_EQ(Pictures(), 1);
  RemoveTrain(st, 3);
  EXPECT_EQ(Pictures(), 2);
  AddTrain(st, 2);
  RemoveAllTrains(st);
  EXPECT_EQ(Pictures(), 4);
}

TEST_F(TrainsTest, NumberedTrainsGoByParity) {
  AddTrainNumbered(st, 7);
  AddTrainNumbered(st, 12);
  AddTrainNumbered(st, 151);  // beyond the 50 slots of a track
  EXPECT_EQ(Numbers(1), (std::vector<int>{7, 151}));
  EXPECT_EQ(Numbers(2), (std::vector<int>{12}));
  for (int k = 1; k <= kSlotsPerTrack; ++k) EXPECT_FALSE(st.Trains.TrainSlots1[k]);
  EXPECT_EQ(host.pumps, 3);
  RemoveTrain(st, 151);
  RemoveTrain(st, 12);
  EXPECT_EQ(Numbers(1), (std::vector<int>{7}));
  EXPECT_TRUE(Numbers(2).empty());
  // Removing a number nobody has changes nothing.
  AddTrain(st, 2);
  RemoveTrain(st, 40);
  EXPECT_TRUE(st.Trains.TrainSlots2[1]);
  EXPECT_EQ(Numbers(2), (std::vector<int>{2}));
}

TEST_F(TrainsTest, RecordOfTheRandomFlowGoesThroughTheParameterBlock) {
  st.SchemeVariant = 10;
  elvoz rec;
  rec.Current = {612.37, 280.5};
  rec.Km = 0;
  rec.Speed = 87.5;
  rec.Kind = 3;
  EXPECT_TRUE(AddTrainFromRecord(st, 1, rec));
  EXPECT_EQ(st.Params.TrainActive.Get(), "612.37");
  EXPECT_EQ(st.Params.TrainReactive.Get(), "280.5");
  EXPECT_EQ(st.Params.TrainSpeed.Get(), "87.5");
  EXPECT_EQ(st.Params.TrainKm.Get(), "0");
  EXPECT_EQ(st.Params.TrainType.Get(), "Электричка (E)");
  const elvoz& t = st.Trains.Trains1[0];
  EXPECT_EQ(t.Number, 1);
  EXPECT_EQ(t.Current, (TComplex{612.37, 280.5}));
  EXPECT_EQ(t.Kind, 3);
  // Long numbers are cut to the 11 characters of their fields.
  rec.Current = {123.456789012345, -0.000123456789};
  AddTrainFromRecord(st, 2, rec);
  EXPECT_EQ(st.Params.TrainActive.Get(), "123.4567890");
  EXPECT_EQ(st.Params.TrainReactive.Get(), "-0.00012345");
  EXPECT_EQ(st.Trains.Trains2[0].Current, (TComplex{123.456789, -0.00012345}));
}

TEST_F(TrainsTest, KindsAndTheirTexts) {
  EXPECT_EQ(KindFromTrainType("Грузовой (F)"), 0);
  EXPECT_EQ(KindFromTrainType("Скоростной (S)"), 1);
  EXPECT_EQ(KindFromTrainType("Пассажирский (P)"), 2);
  EXPECT_EQ(KindFromTrainType("Электричка (E)"), 3);
  for (uint8_t k = 0; k < 4; ++k) EXPECT_EQ(KindFromTrainType(KindName(k)), k);
  EXPECT_STREQ(KindLetter(2), "P");
  EXPECT_EQ(ProfileFileName(0, 1, true), "ptF_1_post.cmt");
  EXPECT_EQ(ProfileFileName(3, 4, false), "ptE_2_perem.cmt");
  EXPECT_EQ(ProfileFileName(1, 77, false), "ptS_1_perem.cmt");
}

TEST(TrainListTest, DcAndAcLines) {
  elvoz t;
  t.Number = 3;
  t.Current = {500, -200};
  t.Km = 1.5;
  t.Speed = 60;
  t.Kind = 0;
  EXPECT_EQ(TrainListLine(t, false), "[ 3 ]  [ 500 - j200 ]  [ 1.5 ]  [ 60 ]  [ F ]");
  EXPECT_EQ(TrainListLine(t, true), "[ 3 ]  [ 500 ]  [ 1.5 ]  [ 60 ]  [ F ]");
  t.Number = 14;
  t.Current = {420.25, 133.5};
  t.Km = 27.0625;
  t.Speed = 90;
  t.Kind = 3;
  EXPECT_EQ(TrainListLine(t, false), "[ 14 ]  [ 420.25 + j133.5 ]  [ 27.0625 ]  [ 90 ]  [ E ]");
  t.Current = {300, 0};
  EXPECT_EQ(TrainListLine(t, false), "[ 14 ]  [ 300 - j0 ]  [ 27.0625 ]  [ 90 ]  [ E ]");
  EXPECT_EQ(TrainNumberFromLine("[ 14 ]  [ 300 - j0 ]  [ 27.0625 ]  [ 90 ]  [ E ]"), 14);
  EXPECT_EQ(TrainNumberFromLine("[ 3 ]  [ 500 ]  [ 1.5 ]  [ 60 ]  [ F ]"), 3);
  EXPECT_EQ(TrainNumberFromLine(""), 0);
  EXPECT_EQ(TrainNumberFromLine("[ x ]"), 0);
}

TEST_F(TrainsTest, ListsShowBothTracksInOrderOfEntry) {
  st.SchemeVariant = 9;
  SetTrain("500", "-200", "1.5", "60", "Грузовой (F)");
  AddTrain(st, 1);
  AddTrain(st, 1);
  SetTrain("300", "100", "20", "80", "Пассажирский (P)");
  AddTrain(st, 2);
  RemoveTrain(st, 1);
  const TrainLists lists = ShowTrainLists(st);
  EXPECT_EQ(lists.Track1, (std::vector<std::string>{"[ 3 ]  [ 500 - j200 ]  [ 1.5 ]  [ 60 ]  [ F ]"}));
  EXPECT_EQ(lists.Track2, (std::vector<std::string>{"[ 2 ]  [ 300 + j100 ]  [ 20 ]  [ 80 ]  [ P ]"}));
}

TEST_F(TrainsTest, ProfileInterpolatesAndHoldsItsEnds) {
  WriteProfile("ptF_1_perem.cmt", "0 100 10\r\n5 300 -50\r\n10 500 150\r\n");
  TCurrentData p;
  LoadProfile(st, p, "ptF_1_perem.cmt");
  EXPECT_EQ(p.PointCount, 3);
  EXPECT_EQ(p.ProfileKm, (std::vector<double>{0, 5, 10}));
  const TComplex mid = ProfileCurrentAt(p, 7.5);
  EXPECT_NEAR(mid.Re, 400, 1e-9);
  EXPECT_NEAR(mid.Im, 50, 1e-9);
  const TComplex quarter = ProfileCurrentAt(p, 1.25);
  EXPECT_NEAR(quarter.Re, 150, 1e-9);
  EXPECT_NEAR(quarter.Im, -5, 1e-9);
  EXPECT_EQ(ProfileCurrentAt(p, -1), (TComplex{100, 10}));
  EXPECT_EQ(ProfileCurrentAt(p, 12), (TComplex{500, 150}));
  EXPECT_EQ(ProfileCurrentAt(p, 0), (TComplex{100, 10}));
  EXPECT_EQ(ProfileCurrentAt(p, 10), (TComplex{500, 150}));
  // A train standing exactly at a point takes that point's current.
  EXPECT_EQ(ProfileCurrentAt(p, 5), (TComplex{300, -50}));
}

TEST_F(TrainsTest, ProfilePointsInAnyOrder) {
  WriteProfile("p.cmt", "10 500 150 0 100 10\n5 300 -50");
  TCurrentData p;
  LoadProfile(st, p, "p.cmt");
  const TComplex mid = ProfileCurrentAt(p, 2.5);
  EXPECT_NEAR(mid.Re, 200, 1e-9);
  EXPECT_NEAR(mid.Im, -20, 1e-9);
  EXPECT_EQ(ProfileCurrentAt(p, -3), (TComplex{100, 10}));
  EXPECT_EQ(ProfileCurrentAt(p, 5), (TComplex{300, -50}));
}

TEST_F(TrainsTest, ProfileListedFromTheFarEnd) {
  // A track-2 profile written in the direction of travel, from km 20 down.
  WriteProfile("ptP_2_perem.cmt", "20 0 0\n15 400 100\n10 600 200\n0 200 0\n");
  TCurrentData p;
  LoadProfile(st, p, "ptP_2_perem.cmt");
  const TComplex a = ProfileCurrentAt(p, 12.5);
  EXPECT_NEAR(a.Re, 500, 1e-9);
  EXPECT_NEAR(a.Im, 150, 1e-9);
  const TComplex b = ProfileCurrentAt(p, 2.5);
  EXPECT_NEAR(b.Re, 300, 1e-9);
  EXPECT_NEAR(b.Im, 50, 1e-9);
  EXPECT_EQ(ProfileCurrentAt(p, 15), (TComplex{400, 100}));
  EXPECT_EQ(ProfileCurrentAt(p, 25), (TComplex{0, 0}));
  EXPECT_EQ(ProfileCurrentAt(p, -2), (TComplex{200, 0}));
}

TEST_F(TrainsTest, OnePointProfileIsConstant) {
  WriteProfile("one.cmt", "4 700 20\n");
  TCurrentData p;
  LoadProfile(st, p, "one.cmt");
  EXPECT_EQ(ProfileCurrentAt(p, 0), (TComplex{700, 20}));
  EXPECT_EQ(ProfileCurrentAt(p, 9), (TComplex{700, 20}));
}

TEST_F(TrainsTest, BadProfilesAreRefused) {
  TCurrentData p;
  p.ProfileKm = {1};
  p.ProfileCurrents = {{1, 1}};
  p.PointCount = 1;
  EXPECT_THROW(LoadProfile(st, p, "missing.cmt"), IoError);
  WriteProfile("bad.cmt", "0 100 10\n5 3OO 0\n");
  // A number that does not parse names the profile, the point and the value.
  try {
    LoadProfile(st, p, "bad.cmt");
    ADD_FAILURE();
  } catch (const ConvertError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Профиль тока CurData\\bad.cmt не загружен. Точка 2, активный ток: '3OO' - неверное вещественное "
              "число");
  }
  // A place of the track beyond the longest zone.
  WriteProfile("far.cmt", "0 100 10\n1e9 300 0\n");
  EXPECT_THROW(LoadProfile(st, p, "far.cmt"), IoError);
  WriteProfile("half.cmt", "0 100 10\n5 300\n");
  EXPECT_THROW(LoadProfile(st, p, "half.cmt"), ConvertError);
  WriteProfile("empty.cmt", "\r\n  \r\n");
  EXPECT_THROW(LoadProfile(st, p, "empty.cmt"), IoError);
  // A current no train draws would overflow the loss of the step.
  WriteProfile("huge.cmt", "0 100 10\n5 300 -1E308\n");
  try {
    LoadProfile(st, p, "huge.cmt");
    ADD_FAILURE();
  } catch (const IoError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Профиль тока CurData\\huge.cmt не загружен. Значение "
              "реактивного тока в точке 2: '-1E308' - не лежит между -5000 и 5000");
  }
  // The profile given in is left as it was.
  EXPECT_EQ(p.PointCount, 1);
  EXPECT_EQ(p.ProfileKm, (std::vector<double>{1}));
  EXPECT_THROW(ProfileCurrentAt(TCurrentData{}, 3), ProgramError);
}

TEST_F(TrainsTest, VaryingCurrentsComeFromTheProfile) {
  st.VaryTrainCurrents = true;
  st.SchemeVariant = 9;  // AC
  SetTrain("1", "1", "7.5", "60", "Грузовой (F)");
  // No profile yet: nothing is added and the number stays free.
  EXPECT_THROW(AddTrain(st, 1), IoError);
  EXPECT_TRUE(st.Trains.Empty());
  EXPECT_FALSE(st.Trains.TrainSlots1[1]);
  EXPECT_EQ(st.Params.TrainActive.Get(), "1");
  EXPECT_EQ(host.pumps, 0);

  WriteProfile("ptF_1_perem.cmt", "0 100 10\n5 300 -50\n10 500 150\n");
  ASSERT_TRUE(AddTrain(st, 1));
  const elvoz& t = st.Trains.Trains1[0];
  EXPECT_EQ(t.Number, 1);
  EXPECT_NEAR(t.Current.Re, 400, 1e-9);
  EXPECT_NEAR(t.Current.Im, 50, 1e-9);
  EXPECT_EQ(t.Profile.PointCount, 3);
  EXPECT_EQ(st.Params.TrainActive.Get(), "400");
  EXPECT_EQ(st.Params.TrainReactive.Get(), "50");

  // Track 2 and DC read their own files.
  EXPECT_THROW(AddTrain(st, 2), IoError);
  WriteProfile("ptF_2_post.cmt", "0 900 0\n20 1100 0\n");
  st.SchemeVariant = 3;
  SetTrain("1", "н/и", "15", "60", "Грузовой (F)");
  ASSERT_TRUE(AddTrain(st, 2));
  EXPECT_NEAR(st.Trains.Trains2[0].Current.Re, 1050, 1e-9);
  EXPECT_EQ(st.Params.TrainActive.Get(), "1050");
}

}  // namespace
}  // namespace tps
