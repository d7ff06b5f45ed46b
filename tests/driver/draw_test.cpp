// The scheme picture's geometry, computed without a screen: parts shown per
// scheme code, the kept line rows, post and train positions, labels and the
// connection strokes.
#include "driver/draw.h"

#include <gtest/gtest.h>

#include "params/state.h"
#include "params/trains.h"
#include "test_support.h"

namespace {

using namespace tps;

// A state in a fresh directory with one scheme chosen and the data of the
// next train to add.
struct PictureZone {
  tpstest::TempDir dir;
  RecordingHost host;
  AppState st;
  PictureState ps = CreateSchemePicture();

  PictureZone(int variant, const std::string& zoneKm) {
    st.Work = dir.Work();
    st.Host = &host;
    st.SchemeVariant = static_cast<uint8_t>(variant);
    TParamBlock& p = st.Params;
    p.ZoneLength.Set(zoneKm);
    p.TrainActive.Set("600");
    p.TrainReactive.Set("50");
    p.TrainSpeed.Set("60");
    p.TrainKm.Set("0");
    p.TrainType.Set("Грузовой (F)");
    EXPECT_TRUE(SetScale(ps, zoneKm));
  }
  void Add(int track, const std::string& km) {
    st.Params.TrainKm.Set(km);
    ASSERT_TRUE(AddTrain(st, track));
    SyncTrainMarks(ps, st);
  }
  SchemePicture Picture() const { return BuildSchemePicture(ps, st); }
};

TEST(SchemePictureTrains, KmMapsToColumnAndLabelsRoundToTwoDecimals) {
  PictureZone z(3, "67");  // DC double track
  EXPECT_DOUBLE_EQ(z.ps.PixelsPerKm, 10.0);
  z.Add(1, "12.34");
  z.Add(1, "12.3456");
  SchemePicture pic = z.Picture();

  const ImagePart* t1 = pic.Image("Train1");
  ASSERT_NE(t1, nullptr);
  EXPECT_TRUE(t1->Visible);
  EXPECT_EQ(t1->Left, 188 - 10);  // centred on column Trunc(123.4 + 65) = 188
  EXPECT_EQ(t1->Top, 60 - 3);     // track 1 of a double track runs on row 60
  EXPECT_EQ(t1->Width, 20);
  EXPECT_EQ(t1->Height, 40);
  EXPECT_EQ(t1->Bitmap, "Bitmap\\TrainF.bmp");

  const TextPart* km1 = pic.Text("TrainKm1");
  ASSERT_NE(km1, nullptr);
  EXPECT_EQ(km1->Text, "12.34 км");
  EXPECT_EQ(km1->CentreX, 188);
  EXPECT_TRUE(km1->AnchorBottom);
  EXPECT_EQ(km1->Y, 57);  // above the image
  const TextPart* cur1 = pic.Text("TrainCurrent1");
  ASSERT_NE(cur1, nullptr);
  EXPECT_FALSE(cur1->AnchorBottom);
  EXPECT_EQ(cur1->Y, 60 + 40 + 3);  // below the image

  ASSERT_NE(pic.Text("TrainKm3"), nullptr);
  EXPECT_EQ(pic.Text("TrainKm3")->Text, "12.35 км");
  EXPECT_EQ(pic.Text("TrainKm3")->CentreX, 188);  // Trunc(123.456 + 65)
}

TEST(SchemePictureTrains, CurrentLabelFollowsTheCurrentKind) {
  // Direct current never shows a reactive part, whatever the record holds.
  EXPECT_EQ(TrainCurrentText({600, 50}, true), "600 A");
  EXPECT_EQ(TrainCurrentText({1234.5678, -12.3}, false), "1234.568 - j12.3 A");
  EXPECT_EQ(TrainCurrentText({250, 100}, false), "250 + j100 A");
  EXPECT_EQ(TrainCurrentText({250, 0.0004}, false), "250 A");
  // Three decimals with halves to the even neighbour.
  EXPECT_EQ(TrainCurrentText({1.0625, 0}, true), "1.062 A");
  EXPECT_EQ(TrainCurrentText({1.1875, -2.0625}, false), "1.188 - j2.062 A");
  EXPECT_EQ(TrainCurrentText({-0.0004, 0}, true), "0 A");

  PictureZone z(3, "20");
  z.Add(1, "5");  // DC scheme: the record's reactive part is 0 and not shown
  EXPECT_EQ(z.Picture().Text("TrainCurrent1")->Text, "600 A");
}

TEST(SchemePictureTrains, TypeWithoutLetterGivesLabelsButNoBitmap) {
  EXPECT_EQ(TrainBitmapLetter("Электричка (E)"), 'E');
  EXPECT_EQ(TrainBitmapLetter("Скоростной (S)"), 'S');
  EXPECT_EQ(TrainBitmapLetter("Особый (X)"), 0);
  EXPECT_EQ(TrainBitmapLetter("Грузовой"), 0);
  EXPECT_EQ(TrainBitmapLetter(""), 0);

  PictureZone z(2, "20");
  z.st.Params.TrainType.Set("Особый (X)");
  z.Add(1, "4");
  SchemePicture pic = z.Picture();
  ASSERT_NE(pic.Image("Train1"), nullptr);
  EXPECT_TRUE(pic.Image("Train1")->Bitmap.empty());
  EXPECT_EQ(pic.Text("TrainKm1")->Text, "4 км");
  EXPECT_EQ(pic.Text("TrainCurrent1")->Text, "600 A");
}

TEST(SchemePictureTrains, BitmapAndRowAreThoseOfTheTrainsCreation) {
  PictureZone z(2, "20");  // DC single track
  z.Add(1, "2");
  z.Add(2, "18");  // a track-2 train on a single-track scheme
  // A later change of the type list does not repaint trains already running.
  z.st.Params.TrainType.Set("Электричка (E)");
  SyncTrainMarks(z.ps, z.st);
  SchemePicture pic = z.Picture();
  EXPECT_EQ(pic.Image("Train1")->Bitmap, "Bitmap\\TrainF.bmp");
  EXPECT_EQ(pic.Image("Train1")->Top, 100 - 3);  // the single track line
  EXPECT_EQ(pic.Image("Train2")->Top, 140 - 3);  // track 2 stays on row 140
  EXPECT_EQ(pic.Text("TrainCurrent2")->Y, 140 + 43);

  // Train 1 leaves; the next train 1 is a new picture with the new type.
  RemoveTrain(z.st, 1);
  SyncTrainMarks(z.ps, z.st);
  EXPECT_EQ(z.ps.Trains.count(1), 0u);
  z.Add(1, "3");
  EXPECT_EQ(z.Picture().Image("Train1")->Bitmap, "Bitmap\\TrainE.bmp");
}

TEST(SchemePictureTrains, TrainsWithoutPictureAreNotDrawn) {
  PictureZone z(2, "20");
  z.st.ShowPictures = false;  // the batch tasks draw nothing
  z.Add(1, "2");
  SchemePicture pic = z.Picture();
  EXPECT_EQ(pic.Image("Train1"), nullptr);
  EXPECT_EQ(pic.Text("TrainKm1"), nullptr);
  EXPECT_TRUE(z.ps.Trains.empty());
}

// Labels 6 pixels a character and 13 high: trains 1 km apart on a 67 km zone
// (10 pixels) would have their labels run together.
TEST(SchemePictureTrains, LabelsOfCloseTrainsAreKeptApart) {
  TextMetrics m;
  m.Width = [](const std::string& text, bool) {
    int chars = 0;
    for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
    return 6 * chars;
  };
  m.LineHeight = 13;
  PictureZone z(3, "67");  // DC double track
  for (const char* km : {"10", "11", "12", "13", "40"}) z.Add(1, km);
  z.Add(2, "11");
  const SchemePicture pic = BuildSchemePicture(z.ps, z.st, m);

  // Without metrics the labels stay where the drawing rules put them.
  EXPECT_EQ(z.Picture().Text("TrainKm3")->Y, 57);
  EXPECT_TRUE(z.Picture().Text("TrainCurrent3")->Visible);

  struct Rect {
    int l, t, r, b;
  };
  std::vector<Rect> shown;
  for (const TextPart& t : pic.Texts) {
    if (!t.Visible || t.Text.empty()) continue;
    const int w = m.Width(t.Text, t.Bold);
    const int left = LeftForCentre(t.CentreX, w, t.How);
    const int top = t.AnchorBottom ? t.Y - 13 : t.Y;
    for (const Rect& o : shown)
      EXPECT_FALSE(left < o.r && o.l < left + w && top < o.b && o.t < top + 13)
          << t.Name << " over another label";
    EXPECT_GE(top, 0) << t.Name;
    EXPECT_LE(top + 13, pic.Height) << t.Name;
    shown.push_back({left, top, left + w, top + 13});
  }
  // The first train keeps its places; the next km label steps up one line;
  // the one after finds both lines taken and is left out.
  EXPECT_EQ(pic.Text("TrainKm1")->Y, 57);
  EXPECT_EQ(pic.Text("TrainKm3")->Y, 57 - 13);
  EXPECT_TRUE(pic.Text("TrainKm3")->Visible);
  EXPECT_FALSE(pic.Text("TrainKm5")->Visible);
  // Between the track lines the track-2 train's km label keeps its own line;
  // a track-1 current label stepping down into it is left out.
  EXPECT_EQ(pic.Text("TrainCurrent1")->Y, 103);
  EXPECT_TRUE(pic.Text("TrainKm2")->Visible);
  EXPECT_EQ(pic.Text("TrainKm2")->Y, 137);
  EXPECT_FALSE(pic.Text("TrainCurrent3")->Visible);
  // A train far from the others keeps both labels where they were.
  EXPECT_TRUE(pic.Text("TrainKm9")->Visible && pic.Text("TrainCurrent9")->Visible);
  EXPECT_EQ(pic.Text("TrainKm9")->Y, 57);
  // Every train keeps its picture.
  for (int n : {1, 3, 5, 7, 9, 2}) EXPECT_TRUE(pic.Image("Train" + std::to_string(n))->Visible);
}

TEST(SchemePictureScale, UnusableZoneLengthKeepsTheScale) {
  PictureState ps;
  EXPECT_TRUE(SetScale(ps, "20"));
  EXPECT_DOUBLE_EQ(ps.PixelsPerKm, 33.5);
  EXPECT_FALSE(SetScale(ps, "0"));
  EXPECT_FALSE(SetScale(ps, "-5"));
  EXPECT_FALSE(SetScale(ps, "н/и"));
  EXPECT_FALSE(SetScale(ps, "12,5"));
  EXPECT_DOUBLE_EQ(ps.PixelsPerKm, 33.5);
  EXPECT_EQ(KmToX(ps, 0), 65);
  EXPECT_EQ(KmToX(ps, 20), 735);
  EXPECT_EQ(KmToX(ps, 1e300), 100000);
}

TEST(SchemePictureParts, CreationShowsTheEmptySingleTrackZone) {
  AppState st;
  PictureState ps = CreateSchemePicture();
  SchemePicture pic = BuildSchemePicture(ps, st);
  EXPECT_EQ(pic.Width, 800);
  EXPECT_EQ(pic.Height, 200);
  EXPECT_EQ(pic.Background, kWhite);
  EXPECT_FALSE(pic.Image("Line1")->Visible);
  EXPECT_TRUE(pic.Image("Line2")->Visible);
  EXPECT_EQ(pic.Image("Line2")->Top, 100 - 1);
  for (const char* n : {"TransfA", "TransfB", "DiodA", "DiodB", "Post0", "Post1", "Post2"})
    EXPECT_FALSE(pic.Image(n)->Visible) << n;
  EXPECT_TRUE(pic.Image("Conn1")->Visible);
  EXPECT_TRUE(pic.Image("Conn2")->Visible);
  EXPECT_FALSE(pic.Text("CaptionA")->Visible);
}

TEST(SchemePictureParts, FixedPartsStandWhereTheDrawingRulesPutThem) {
  AppState st;
  PictureState ps = CreateSchemePicture();
  ShowScheme(ps, 12, st.Params);
  SchemePicture pic = BuildSchemePicture(ps, st);
  const ImagePart* a = pic.Image("TransfA");
  const ImagePart* b = pic.Image("TransfB");
  EXPECT_EQ(a->Left, 10);
  EXPECT_EQ(a->Top, 25);
  EXPECT_EQ(b->Left, 760);
  EXPECT_EQ(a->Width, 30);
  ASSERT_EQ(a->Ellipses.size(), 2u);
  EXPECT_EQ(a->Ellipses[1].Y1, 16);
  EXPECT_EQ(a->Ellipses[1].Y2, 46);
  EXPECT_EQ(pic.Image("DiodA")->Left, 15);
  EXPECT_EQ(pic.Image("DiodA")->Top, 72);
  EXPECT_EQ(pic.Image("DiodB")->Left, 764);
  EXPECT_EQ(pic.Image("Conn1")->Left, 20);
  EXPECT_EQ(pic.Image("Conn1")->Top, 54);
  EXPECT_EQ(pic.Image("Conn2")->Left, 729);
  EXPECT_EQ(pic.Image("Conn2")->Width, 50);
  EXPECT_EQ(pic.Image("Conn2")->Height, 90);
  const ImagePart* line = pic.Image("Line2");
  EXPECT_EQ(line->Left, 65);
  EXPECT_EQ(line->Width, 670);
  const TextPart* ca = pic.Text("CaptionA");
  EXPECT_TRUE(ca->Visible);
  EXPECT_TRUE(ca->Bold);
  EXPECT_EQ(ca->Text, "ТП А");
  EXPECT_EQ(ca->CentreX, 25);
  EXPECT_EQ(ca->Y, 5);
  EXPECT_EQ(pic.Text("CaptionB")->Text, "ТП Б");
  EXPECT_EQ(pic.Text("CaptionB")->CentreX, 775);
  // Captions centre by the integer half, km labels by the rounded half.
  EXPECT_EQ(LeftForCentre(25, 23, Centring::HalfDown), 14);
  EXPECT_EQ(LeftForCentre(25, 23, Centring::Nearest), 13);
  EXPECT_EQ(LeftForCentre(25, 21, Centring::Nearest), 15);
}

TEST(SchemePictureParts, SingleTrackTabHidesSubstationsAndLaterSchemesKeepTheRows) {
  AppState st;
  PictureState ps = CreateSchemePicture();
  ShowScheme(ps, 20, st.Params);
  ShowScheme(ps, 24, st.Params);
  EXPECT_TRUE(ps.Line1Visible);
  EXPECT_EQ(ps.Line2Row, 140);
  EXPECT_TRUE(ps.TransfAVisible && ps.TransfBVisible);
  EXPECT_FALSE(ps.DiodAVisible);  // no rectifiers on alternating current

  ShowScheme(ps, 10, st.Params);
  EXPECT_FALSE(ps.TransfAVisible || ps.TransfBVisible);
  EXPECT_FALSE(ps.Line1Visible);
  EXPECT_EQ(ps.Line2Row, 100);

  ShowScheme(ps, 11, st.Params);  // DC console: substation A only
  EXPECT_TRUE(ps.TransfAVisible);
  EXPECT_FALSE(ps.TransfBVisible);
  EXPECT_TRUE(ps.DiodAVisible);
  EXPECT_FALSE(ps.Conn2Visible);
  EXPECT_FALSE(ps.Line1Visible);  // the rows are left alone
  EXPECT_EQ(ps.Line2Row, 100);

  ShowScheme(ps, 29, st.Params);  // leaves the parts, redraws the connections
  EXPECT_FALSE(ps.Conn2Visible);
  EXPECT_EQ(ps.ConnCode, 29);
}

TEST(SchemePictureParts, PostsStandAtTheirKilometres) {
  AppState st;
  PictureState ps = CreateSchemePicture();
  ASSERT_TRUE(SetScale(ps, "20"));
  st.Params.PskKm.Set("10");
  st.Params.Pps1Km.Set("5");
  st.Params.Pps2Km.Set("15.126");
  ShowScheme(ps, 20, st.Params);
  ShowScheme(ps, 14, st.Params);
  ShowScheme(ps, 18, st.Params);
  SchemePicture pic = BuildSchemePicture(ps, st);
  const ImagePart* psk = pic.Image("Post0");
  EXPECT_TRUE(psk->Visible);
  EXPECT_EQ(psk->Left, 400 - 5);  // Trunc(10 * 33.5 + 65) = 400
  EXPECT_EQ(psk->Top, 55);
  EXPECT_EQ(psk->Width, 10);
  EXPECT_EQ(psk->Height, 90);
  EXPECT_EQ(psk->Bitmap, "Bitmap\\PPS.bmp");
  const TextPart* pskKm = pic.Text("PostKm0");
  EXPECT_EQ(pskKm->Text, "10 км");
  EXPECT_EQ(pskKm->CentreX, 400);
  EXPECT_TRUE(pskKm->AnchorBottom);
  EXPECT_EQ(pskKm->Y, 50);
  EXPECT_EQ(pic.Image("Post1")->Left, 232 - 5);  // Trunc(167.5 + 65)
  EXPECT_EQ(pic.Text("PostKm2")->Text, "15.13 км");
  EXPECT_EQ(pic.Text("PostKm2")->CentreX, 571);  // Trunc(506.721 + 65)

  // The nodal scheme keeps only the sectioning post.
  ShowScheme(ps, 14, st.Params);
  ShowScheme(ps, 16, st.Params);
  EXPECT_TRUE(ps.Posts[0].Visible);
  EXPECT_FALSE(ps.Posts[1].Visible || ps.Posts[2].Visible);
  ShowScheme(ps, 14, st.Params);
  EXPECT_FALSE(ps.Posts[0].Visible);
}

// A window twice as wide: the track lines run 1470 pixels, substation B and
// its connection stand at the right end, the posts and trains keep their km
// and every part and label its size; back at 800 pixels all is as before.
TEST(SchemePictureParts, WiderPictureStretchesTheZoneAndKeepsThePartsWhole) {
  PictureZone z(5, "20");  // the parallel scheme: three posts
  z.st.Params.PskKm.Set("10");
  z.st.Params.Pps1Km.Set("5");
  z.st.Params.Pps2Km.Set("15");
  ShowScheme(z.ps, 20, z.st.Params);
  ShowScheme(z.ps, 18, z.st.Params);
  z.Add(1, "4");
  const SchemePicture narrow = z.Picture();

  SetPictureWidth(z.ps, 1600);
  const SchemePicture wide = z.Picture();
  EXPECT_EQ(wide.Width, 1600);
  EXPECT_EQ(wide.Height, 200);
  EXPECT_EQ(ZoneRight(z.ps), 1535);
  EXPECT_DOUBLE_EQ(z.ps.PixelsPerKm, 1470 / 20.0);
  EXPECT_EQ(wide.Image("Line1")->Width, 1470);
  EXPECT_EQ(wide.Image("TransfB")->Left, 1560);
  EXPECT_EQ(wide.Image("Conn2")->Left, 1529);
  EXPECT_EQ(wide.Text("CaptionB")->CentreX, 1575);
  EXPECT_EQ(wide.Image("Post0")->Left, 800 - 5);  // km 10 in the middle
  EXPECT_EQ(wide.Text("PostKm1")->CentreX, 432);  // Trunc(5 * 73.5 + 65)
  EXPECT_EQ(wide.Text("TrainKm1")->CentreX, 359);  // Trunc(4 * 73.5 + 65)
  for (const char* part : {"TransfA", "TransfB", "DiodB", "Conn1", "Conn2", "Post2", "Train1"}) {
    EXPECT_EQ(wide.Image(part)->Width, narrow.Image(part)->Width) << part;
    EXPECT_EQ(wide.Image(part)->Height, narrow.Image(part)->Height) << part;
  }
  // A zone length entered at this width fills the wide lines.
  ASSERT_TRUE(SetScale(z.ps, "40"));
  EXPECT_DOUBLE_EQ(z.ps.PixelsPerKm, 1470 / 40.0);

  ASSERT_TRUE(SetScale(z.ps, "20"));
  SetPictureWidth(z.ps, 640);  // never narrower than 800
  const SchemePicture back = z.Picture();
  EXPECT_EQ(back.Width, 800);
  EXPECT_DOUBLE_EQ(z.ps.PixelsPerKm, narrow.Image("Line1")->Width / 20.0);
  for (const char* part : {"TransfB", "Conn2", "Post0", "Post1", "Post2", "Train1"})
    EXPECT_EQ(back.Image(part)->Left, narrow.Image(part)->Left) << part;
}

TEST(SchemePictureParts, PostWithoutKmLeavesThePictureUntilItHasOne) {
  AppState st;
  PictureState ps = CreateSchemePicture();
  ASSERT_TRUE(SetScale(ps, "20"));
  st.Params.PskKm.Set("4");
  ShowScheme(ps, 16, st.Params);
  EXPECT_EQ(ps.Posts[0].X, 199);  // Trunc(134 + 65)
  EXPECT_TRUE(BuildSchemePicture(ps, st).Image("Post0")->Visible);
  // A field that is no number: no marker at the km it no longer holds.
  PlacePostFromText(ps, 0, "4,5");
  EXPECT_EQ(ps.Posts[0].KmText, "н/и");
  SchemePicture pic = BuildSchemePicture(ps, st);
  EXPECT_FALSE(pic.Image("Post0")->Visible);
  EXPECT_FALSE(pic.Text("PostKm0")->Visible);
  PlacePostFromText(ps, 0, "6");
  pic = BuildSchemePicture(ps, st);
  EXPECT_TRUE(pic.Image("Post0")->Visible);
  EXPECT_EQ(pic.Image("Post0")->Left, 266 - 5);  // Trunc(201 + 65)
  EXPECT_EQ(pic.Text("PostKm0")->Text, "6 км");
  // A fresh nodal scheme without a saved place shows no post until one is typed.
  PictureState fresh = CreateSchemePicture();
  st.Params.PskKm.Set("н/и");
  ShowScheme(fresh, 16, st.Params);
  EXPECT_TRUE(fresh.Posts[0].Visible);
  EXPECT_FALSE(BuildSchemePicture(fresh, st).Image("Post0")->Visible);
}

TEST(SchemePictureConnections, SingleTrackCodes) {
  std::vector<Stroke> left = ConnectionStrokes(12, 1);
  ASSERT_EQ(left.size(), 3u);
  EXPECT_EQ(left[0].Color, kRed);
  EXPECT_EQ(left[0].Width, 2);
  EXPECT_EQ(left[0].Points, (std::vector<PicPoint>{{46, 46}, {5, 46}}));
  EXPECT_EQ(left[1].Color, kBlack);
  EXPECT_EQ(left[1].Points, (std::vector<PicPoint>{{5, 46}, {5, 15}}));
  EXPECT_EQ(left[2].Width, 6);
  EXPECT_EQ(left[2].Points, (std::vector<PicPoint>{{45, 45}, {45, 46}}));

  std::vector<Stroke> right = ConnectionStrokes(22, 0);
  ASSERT_EQ(right.size(), 3u);
  EXPECT_EQ(right[0].Color, (Rgb{35, 64, 239}));
  EXPECT_EQ(right[0].Points, (std::vector<PicPoint>{{5, 46}, {45, 46}}));
  EXPECT_EQ(right[1].Points, (std::vector<PicPoint>{{45, 46}, {45, 15}}));
  EXPECT_EQ(right[2].Points, (std::vector<PicPoint>{{5, 45}, {5, 46}}));

  // The console feeds from A only: no right connection for 11.
  EXPECT_EQ(ConnectionStrokes(11, 1).size(), 3u);
  EXPECT_TRUE(ConnectionStrokes(11, 0).empty());
}

TEST(SchemePictureConnections, DoubleTrackCodesAndFeedersOff) {
  std::vector<Stroke> left = ConnectionStrokes(26, 1);
  ASSERT_EQ(left.size(), 3u);
  EXPECT_EQ(left[0].Points, (std::vector<PicPoint>{{45, 5}, {5, 45}}));
  EXPECT_EQ(left[1].Color, (Rgb{255, 210, 0}));
  EXPECT_EQ(left[1].Points, (std::vector<PicPoint>{{5, 45}, {45, 85}}));
  EXPECT_EQ(left[2].Points, (std::vector<PicPoint>{{5, 45}, {5, 15}}));

  std::vector<Stroke> right = ConnectionStrokes(20, 0);
  ASSERT_EQ(right.size(), 3u);
  EXPECT_EQ(right[0].Points, (std::vector<PicPoint>{{5, 5}, {45, 45}}));
  EXPECT_EQ(right[1].Color, (Rgb{73, 183, 73}));
  EXPECT_EQ(right[1].Points, (std::vector<PicPoint>{{45, 45}, {5, 85}}));
  EXPECT_EQ(right[2].Points, (std::vector<PicPoint>{{45, 45}, {45, 15}}));

  // Ф2 and Ф4 off: the feeders of track 2 are not drawn.
  std::vector<Stroke> off = ConnectionStrokes(19, 1);
  ASSERT_EQ(off.size(), 2u);
  EXPECT_EQ(off[0].Color, kRed);
  EXPECT_EQ(off[1].Points, (std::vector<PicPoint>{{5, 45}, {5, 15}}));
  ASSERT_EQ(ConnectionStrokes(29, 0).size(), 2u);
  EXPECT_EQ(ConnectionStrokes(29, 0)[0].Color, kBlue);

  for (int code : {0, 13, 15, 30, 127}) {
    EXPECT_TRUE(ConnectionStrokes(code, 1).empty()) << code;
    EXPECT_TRUE(ConnectionStrokes(code, 0).empty()) << code;
  }
}

TEST(SchemePictureConnections, PictureCarriesTheStrokesOfTheLastCode) {
  AppState st;
  PictureState ps = CreateSchemePicture();
  ShowScheme(ps, 20, st.Params);
  ShowScheme(ps, 19, st.Params);
  SchemePicture pic = BuildSchemePicture(ps, st);
  EXPECT_EQ(pic.Image("Conn1")->Strokes, ConnectionStrokes(19, 1));
  EXPECT_EQ(pic.Image("Conn2")->Strokes, ConnectionStrokes(19, 0));
}

}  // namespace
