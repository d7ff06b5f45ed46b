// The geometry of the scheme picture: which parts a scheme code shows, where
// the posts and trains stand, and the strokes of the feeder connections.
#include "driver/draw.h"

#include <algorithm>
#include <cmath>

#include "params/conv.h"
#include "params/state.h"
#include "params/trains.h"

namespace tps {

namespace {

// Fixed parts of the panel (the transformers at the two ends, the rectifiers
// under them, the connection images between substation and track lines).
constexpr int kTransfALeft = 10, kTransfTop = 25, kTransfWidth = 30, kTransfHeight = 60;
// On the 800-pixel picture; a wider one takes its right-hand parts along.
constexpr int kTransfBLeft = kPanelWidth - kTransfALeft - kTransfWidth;  // 760, the mirror image
constexpr int kDiodSize = 20;
constexpr int kDiodRow = kTransfTop + 50;
constexpr int kConnWidth = 50, kConnHeight = 90;
constexpr int kConnTop = 55 - 1;
constexpr int kConn1Left = 20;
constexpr int kConn2Left = kTransfBLeft - 30 - 1;  // 729
constexpr int kLineLeft = kTransfALeft + 55;        // 65
constexpr int kLineLength = kPanelWidth - 2 * (kTransfALeft + 55);  // 670
constexpr int kCaptionTop = 5;
constexpr int kPostWidth = 10, kPostHeight = 90, kPostTop = 55;
constexpr int kTrainWidth = 20, kTrainHeight = 40;

int Nearest(double x) { return static_cast<int>(Round(x)); }

Stroke Line(Rgb c, int width, std::initializer_list<PicPoint> pts) { return Stroke{c, width, pts}; }

ImagePart Transformer(const char* name, int left, bool visible) {
  ImagePart t{name, visible, left, kTransfTop, kTransfWidth, kTransfHeight, {}, {}, {}};
  t.Ellipses.push_back({0, 0, 30, 30, kBlack, 1});
  t.Ellipses.push_back({0, 16, 30, 46, kBlack, 1});
  return t;
}

// A rectifier: a triangle pointing down with a line through it and a bar.
ImagePart Diode(const char* name, int centre, bool visible) {
  ImagePart d{name, visible, centre - 10 - 1, kDiodRow - 3, kDiodSize, kDiodSize, {}, {}, {}};
  d.Strokes.push_back(Line(kBlack, 2, {{2, 2}, {17, 2}, {10, 17}, {2, 2}}));
  d.Strokes.push_back(Line(kBlack, 2, {{10, 0}, {10, kDiodSize}}));
  d.Strokes.push_back(Line(kBlack, 2, {{2, 17}, {17, 17}}));
  return d;
}

ImagePart TrackLine(const char* name, int row, bool visible, int length) {
  ImagePart l{name, visible, kLineLeft, row - 1, length, 2, {}, {}, {}};
  l.Strokes.push_back(Line(kBlack, 2, {{0, 1}, {length, 1}}));
  return l;
}

bool OneOf(int code, std::initializer_list<int> codes) {
  for (int c : codes)
    if (c == code) return true;
  return false;
}

void SetSubstations(PictureState& ps, bool a, bool b, bool diodA, bool diodB) {
  ps.TransfAVisible = a;
  ps.TransfBVisible = b;
  ps.DiodAVisible = diodA;
  ps.DiodBVisible = diodB;
}

void HidePosts(PictureState& ps) {
  for (PostPlace& p : ps.Posts) p.Visible = false;
}

void ShowPost(PictureState& ps, int post, const std::string& kmText) {
  PlacePostFromText(ps, post, kmText);
  ps.Posts[post].Visible = true;
}

}  // namespace

int LeftForCentre(int centreX, int width, Centring how) {
  return how == Centring::HalfDown ? centreX - width / 2 : centreX - Nearest(width * 0.5);
}

const ImagePart* SchemePicture::Image(const std::string& name) const {
  for (const ImagePart& p : Images)
    if (p.Name == name) return &p;
  return nullptr;
}

const TextPart* SchemePicture::Text(const std::string& name) const {
  for (const TextPart& t : Texts)
    if (t.Name == name) return &t;
  return nullptr;
}

PictureState CreateSchemePicture() {
  PictureState ps;
  ShowScheme(ps, 10, TParamBlock());
  return ps;
}

std::vector<Stroke> ConnectionStrokes(int code, int side) {
  std::vector<Stroke> s;
  if (side == 1) {
    if (OneOf(code, {10, 11, 12, 21, 22})) {
      s.push_back(Line(kRed, 2, {{46, 46}, {5, 46}}));
      s.push_back(Line(kBlack, 2, {{5, 46}, {5, 15}}));
      s.push_back(Line(kBlack, 6, {{45, 45}, {45, 46}}));
    } else if (OneOf(code, {14, 16, 18, 20, 23, 24, 26})) {
      s.push_back(Line(kRed, 2, {{45, 5}, {5, 45}}));
      s.push_back(Line(kYellow, 2, {{5, 45}, {45, 85}}));
      s.push_back(Line(kBlack, 2, {{5, 45}, {5, 15}}));
    } else if (OneOf(code, {19, 29})) {
      s.push_back(Line(kRed, 2, {{45, 5}, {5, 45}}));
      s.push_back(Line(kBlack, 2, {{5, 45}, {5, 15}}));
    }
  } else {
    if (OneOf(code, {10, 12, 21, 22})) {
      s.push_back(Line(kBlue, 2, {{5, 46}, {45, 46}}));
      s.push_back(Line(kBlack, 2, {{45, 46}, {45, 15}}));
      s.push_back(Line(kBlack, 6, {{5, 45}, {5, 46}}));
    } else if (OneOf(code, {14, 16, 18, 20, 23, 24, 26})) {
      s.push_back(Line(kBlue, 2, {{5, 5}, {45, 45}}));
      s.push_back(Line(kGreen, 2, {{45, 45}, {5, 85}}));
      s.push_back(Line(kBlack, 2, {{45, 45}, {45, 15}}));
    } else if (OneOf(code, {19, 29})) {
      s.push_back(Line(kBlue, 2, {{5, 5}, {45, 45}}));
      s.push_back(Line(kBlack, 2, {{45, 45}, {45, 15}}));
    }
  }
  return s;
}

void ShowScheme(PictureState& ps, int code, const TParamBlock& p) {
  // The connections are redrawn for every code; the rest follows the code.
  ps.ConnCode = code;
  switch (code) {
    case 10:
      ps.Line1Visible = false;
      ps.Line2Row = kRowSingle;
      SetSubstations(ps, false, false, false, false);
      ps.Conn1Visible = ps.Conn2Visible = true;
      HidePosts(ps);
      break;
    case 20:
      ps.Line1Visible = true;
      ps.Line2Row = kRowTrack2;
      SetSubstations(ps, false, false, false, false);
      ps.Conn1Visible = ps.Conn2Visible = true;
      HidePosts(ps);
      break;
    case 11:
      SetSubstations(ps, true, false, true, false);
      ps.Conn1Visible = true;
      ps.Conn2Visible = false;
      HidePosts(ps);
      break;
    case 12:
    case 14:
      SetSubstations(ps, true, true, true, true);
      ps.Conn1Visible = ps.Conn2Visible = true;
      HidePosts(ps);
      break;
    case 16:
    case 26:
      ps.Conn1Visible = ps.Conn2Visible = true;
      ShowPost(ps, 0, p.PskKm.Get());
      ps.Posts[1].Visible = ps.Posts[2].Visible = false;
      break;
    case 18:
      ps.Conn1Visible = ps.Conn2Visible = true;
      ShowPost(ps, 0, p.PskKm.Get());
      ShowPost(ps, 1, p.Pps1Km.Get());
      ShowPost(ps, 2, p.Pps2Km.Get());
      break;
    case 21:
    case 23:
      SetSubstations(ps, true, false, false, false);
      ps.Conn1Visible = true;
      ps.Conn2Visible = false;
      HidePosts(ps);
      break;
    case 22:
    case 24:
      SetSubstations(ps, true, true, false, false);
      ps.Conn1Visible = ps.Conn2Visible = true;
      HidePosts(ps);
      break;
    default:  // 19, 29 and any other code leave the parts as they are
      break;
  }
}

bool SetScale(PictureState& ps, const std::string& zoneLengthText) {
  double length = 0;
  // A zero, negative or unreadable length would give an infinite or reversed
  // scale; the picture keeps the one it has until a usable length is entered.
  if (!TryStrToFloat(zoneLengthText, length) || !(length > 0) || !std::isfinite(length))
    return false;
  ps.PixelsPerKm = (ZoneRight(ps) - ZoneLeftX) / length;
  return true;
}

int ZoneRight(const PictureState& ps) {
  return std::max(ps.Width, kPanelWidth) - (kPanelWidth - ZoneRightX);
}

void SetPictureWidth(PictureState& ps, int width) {
  width = std::max(width, kPanelWidth);
  if (width == ps.Width) return;
  const double before = ZoneRight(ps) - ZoneLeftX;
  ps.Width = width;
  ps.PixelsPerKm *= (ZoneRight(ps) - ZoneLeftX) / before;
  for (PostPlace& p : ps.Posts)
    if (p.Placed) p.X = KmToX(ps, p.Km);
}

int KmToX(const PictureState& ps, double km) {
  double x = Trunc(km * ps.PixelsPerKm + ZoneLeftX);
  // Far outside the panel nothing is visible; keep the column representable.
  if (!std::isfinite(x) || x > 100000) return 100000;
  if (x < -100000) return -100000;
  return static_cast<int>(x);
}

std::string KmLabelText(double km) { return FloatToStr(Round(km * 100) / 100 + 0.0) + " км"; }

std::string TrainCurrentText(TComplex current, bool dc) {
  // "+ 0.0" turns a rounded -0 into 0, so a tiny negative current reads "0".
  double re = Round(current.Re * 1000) / 1000 + 0.0;
  double im = dc ? 0.0 : Round(current.Im * 1000) / 1000 + 0.0;
  std::string s = FloatToStr(re);
  if (im < 0) s += " - j" + FloatToStr(-im);
  else if (im > 0) s += " + j" + FloatToStr(im);
  return s + " A";
}

void PlacePostAtKm(PictureState& ps, int post, double km) {
  if (post < 0 || post > 2) return;
  PostPlace& p = ps.Posts[post];
  p.KmText = KmLabelText(km);
  p.Km = km;
  p.X = KmToX(ps, km);
  p.Placed = true;
}

void PlacePostFromText(PictureState& ps, int post, const std::string& text) {
  if (post < 0 || post > 2) return;
  double km = 0;
  if (TryStrToFloat(text, km)) {
    PlacePostAtKm(ps, post, km);
  } else {
    // A place not given yet (the "н/и" of a fresh scheme) or mistyped: the
    // post leaves the picture until it has a km again; the run's validation
    // names the value.
    ps.Posts[post].KmText = kNotGiven;
    ps.Posts[post].Placed = false;
  }
}

char TrainBitmapLetter(const std::string& trainType) {
  if (trainType.size() < 2) return 0;
  char c = trainType[trainType.size() - 2];
  return (c == 'E' || c == 'F' || c == 'P' || c == 'S') ? c : 0;
}

std::string TrainBitmapName(char letter) {
  if (letter == 0) return {};
  return std::string("Bitmap\\Train") + letter + ".bmp";
}

int TrainRow(bool track1, int schemeVariant) {
  if (!track1) return kRowTrack2;
  return IsSingleTrackVariant(schemeVariant) ? kRowSingle : kRowTrack1;
}

void SyncTrainMarks(PictureState& ps, const AppState& st) {
  std::map<int, TrainMark> kept;
  const char letter = TrainBitmapLetter(st.Params.TrainType.Get());
  auto take = [&](const std::vector<elvoz>& track, bool track1) {
    for (const elvoz& t : track) {
      if (!t.HasPicture) continue;
      auto it = ps.Trains.find(t.Number);
      kept[t.Number] = it != ps.Trains.end() ? it->second
                                             : TrainMark{letter, TrainRow(track1, st.SchemeVariant)};
    }
  };
  take(st.Trains.Trains1, true);
  take(st.Trains.Trains2, false);
  ps.Trains = std::move(kept);
}

namespace {

struct Box {
  int Left, Top, Right, Bottom;
  bool Meets(const Box& o) const {
    // Labels closer than this many pixels read as one.
    constexpr int kGap = 3;
    return Left < o.Right + kGap && o.Left < Right + kGap && Top < o.Bottom && o.Top < Bottom;
  }
};

Box BoxOf(const TextPart& t, const TextMetrics& m) {
  const int w = m.Width(t.Text, t.Bold);
  const int left = LeftForCentre(t.CentreX, w, t.How);
  const int top = t.AnchorBottom ? t.Y - m.LineHeight : t.Y;
  return {left, top, left + w, top + m.LineHeight};
}

// Places the train labels (from `first` on) from left to right: first every
// label that is free on its own line; then, for the others, one line further
// from the track (up for a km label, down for a current label) where that is
// free and on the panel; what is still left has no room and is left out. The
// captions and post labels placed before them stay put.
void SpaceTrainLabels(SchemePicture& pic, size_t first, const TextMetrics& m) {
  std::vector<Box> taken;
  for (size_t i = 0; i < first; ++i)
    if (pic.Texts[i].Visible && !pic.Texts[i].Text.empty()) taken.push_back(BoxOf(pic.Texts[i], m));
  std::vector<size_t> order;
  for (size_t i = first; i < pic.Texts.size(); ++i) order.push_back(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return pic.Texts[a].CentreX < pic.Texts[b].CentreX; });
  std::vector<bool> placed(pic.Texts.size(), false);
  for (int shift = 0; shift <= 1; ++shift) {
    for (size_t i : order) {
      if (placed[i]) continue;
      TextPart moved = pic.Texts[i];
      moved.Y += shift * (moved.AnchorBottom ? -m.LineHeight : m.LineHeight);
      const Box b = BoxOf(moved, m);
      if (b.Top < 0 || b.Bottom > pic.Height) continue;
      bool free = true;
      for (const Box& o : taken) free = free && !b.Meets(o);
      if (!free) continue;
      pic.Texts[i].Y = moved.Y;
      taken.push_back(b);
      placed[i] = true;
    }
  }
  for (size_t i : order)
    if (!placed[i]) pic.Texts[i].Visible = false;
}

}  // namespace

SchemePicture BuildSchemePicture(const PictureState& ps, const AppState& st, const TextMetrics& metrics) {
  SchemePicture pic;
  // Everything right of the zone moves with the picture's width.
  const int wider = std::max(ps.Width, kPanelWidth) - kPanelWidth;
  pic.Width = kPanelWidth + wider;
  const int lineLength = kLineLength + wider, transfB = kTransfBLeft + wider;
  pic.Images.push_back(TrackLine("Line1", kRowTrack1, ps.Line1Visible, lineLength));
  pic.Images.push_back(TrackLine("Line2", ps.Line2Row, true, lineLength));
  pic.Images.push_back(Transformer("TransfA", kTransfALeft, ps.TransfAVisible));
  pic.Images.push_back(Transformer("TransfB", transfB, ps.TransfBVisible));
  pic.Images.push_back(Diode("DiodA", kTransfALeft + kTransfWidth / 2 + 1, ps.DiodAVisible));
  pic.Images.push_back(Diode("DiodB", transfB + kTransfWidth / 2, ps.DiodBVisible));
  pic.Images.push_back(ImagePart{"Conn1", ps.Conn1Visible, kConn1Left, kConnTop, kConnWidth,
                                 kConnHeight, ConnectionStrokes(ps.ConnCode, 1), {}, {}});
  pic.Images.push_back(ImagePart{"Conn2", ps.Conn2Visible, kConn2Left + wider, kConnTop, kConnWidth,
                                 kConnHeight, ConnectionStrokes(ps.ConnCode, 0), {}, {}});
  pic.Texts.push_back(TextPart{"CaptionA", ps.TransfAVisible, "ТП А", true,
                               kTransfALeft + kTransfWidth / 2, kCaptionTop, false, Centring::HalfDown});
  pic.Texts.push_back(TextPart{"CaptionB", ps.TransfBVisible, "ТП Б", true,
                               transfB + kTransfWidth / 2, kCaptionTop, false, Centring::HalfDown});

  for (int k = 0; k < 3; ++k) {
    const PostPlace& p = ps.Posts[k];
    const std::string n = std::to_string(k);
    const bool drawn = p.Visible && p.Placed;
    pic.Images.push_back(ImagePart{"Post" + n, drawn, p.X - Nearest(kPostWidth * 0.5), kPostTop,
                                   kPostWidth, kPostHeight, {}, {}, kPostBitmap});
    pic.Texts.push_back(TextPart{"PostKm" + n, drawn, p.KmText, false, p.X, kPostTop - 5, true,
                                 Centring::Nearest});
  }

  const bool dc = IsDcVariant(st.SchemeVariant);
  auto trains = [&](const std::vector<elvoz>& track, bool track1) {
    for (const elvoz& t : track) {
      if (!t.HasPicture) continue;
      auto it = ps.Trains.find(t.Number);
      TrainMark m = it != ps.Trains.end()
                        ? it->second
                        : TrainMark{KindLetter(t.Kind)[0], TrainRow(track1, st.SchemeVariant)};
      const int x = KmToX(ps, t.Km);
      const std::string n = std::to_string(t.Number);
      pic.Images.push_back(ImagePart{"Train" + n, true, x - Nearest(kTrainWidth * 0.5), m.Row - 3,
                                     kTrainWidth, kTrainHeight, {}, {}, TrainBitmapName(m.Letter)});
      pic.Texts.push_back(TextPart{"TrainKm" + n, true, KmLabelText(t.Km), false, x, m.Row - 3, true,
                                   Centring::Nearest});
      pic.Texts.push_back(TextPart{"TrainCurrent" + n, true, TrainCurrentText(t.Current, dc), false, x,
                                   m.Row + kTrainHeight + 3, false, Centring::Nearest});
    }
  };
  const size_t firstTrainLabel = pic.Texts.size();
  trains(st.Trains.Trains1, true);
  trains(st.Trains.Trains2, false);
  if (metrics.Width) SpaceTrainLabels(pic, firstTrainLabel, metrics);
  return pic;
}

}  // namespace tps
