// The scheme picture of the main window as plain geometry: the white 800 x 200
// panel with the substations, their rectifiers on direct current, the feeder
// connections, the track lines, the sectioning and parallel-connection posts
// and one marker per drawn train. The engine computes every position, colour
// and text; the window only paints what it is given (bitmaps by their program
// path, labels centred on a column, measured by the window).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "params/params.h"
#include "arith/cmplx.h"

namespace tps {

struct AppState;

inline constexpr int kPanelWidth = 800;
inline constexpr int kPanelHeight = 200;
// Pixel columns of km 0 and of the zone end.
inline constexpr int ZoneLeftX = 65;
inline constexpr int ZoneRightX = 735;
// Rows of the track lines: track 1 of a double track, the single track, track 2.
inline constexpr int kRowTrack1 = 60;
inline constexpr int kRowSingle = 100;
inline constexpr int kRowTrack2 = 140;

inline constexpr const char* kPostBitmap = "Bitmap\\PPS.bmp";

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{239, 64, 35};
inline constexpr Rgb kYellow{255, 210, 0};
inline constexpr Rgb kBlue{35, 64, 239};
inline constexpr Rgb kGreen{73, 183, 73};

struct PicPoint {
  int X = 0, Y = 0;
  bool operator==(const PicPoint&) const = default;
};

// A polyline drawn with a pen of the colour and width.
struct Stroke {
  Rgb Color;
  int Width = 2;
  std::vector<PicPoint> Points;
  bool operator==(const Stroke&) const = default;
};

// An ellipse inside its bounding box (x1, y1)-(x2, y2), outline only.
struct EllipseShape {
  int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  Rgb Color;
  int Width = 1;
};

// An image control on the panel: transparent (white and everything not drawn
// lets the panel through), clipped to its own rectangle; its drawing is in
// its own coordinates.
struct ImagePart {
  std::string Name;
  bool Visible = false;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  std::vector<Stroke> Strokes;
  std::vector<EllipseShape> Ellipses;
  std::string Bitmap;  // program path of a bitmap drawn at (0, 0); empty: none
};

// How a label's left edge follows from its centre column and its width:
// captions over the transformers use the integer half of the width, the km
// and current labels the rounded half (ties to even).
enum class Centring { HalfDown, Nearest };
int LeftForCentre(int centreX, int width, Centring how);

// A label: the window measures Text in its font and puts the left edge at
// LeftForCentre(CentreX, width, How); Y is its top edge, or its bottom edge
// (top = Y - height) when AnchorBottom.
struct TextPart {
  std::string Name;
  bool Visible = false;
  std::string Text;
  bool Bold = false;
  int CentreX = 0;
  int Y = 0;
  bool AnchorBottom = false;
  Centring How = Centring::Nearest;
};

// The whole picture in paint order (later parts lie over earlier ones).
struct SchemePicture {
  int Width = kPanelWidth, Height = kPanelHeight;
  Rgb Background = kWhite;
  std::vector<ImagePart> Images;
  std::vector<TextPart> Texts;

  const ImagePart* Image(const std::string& name) const;
  const TextPart* Text(const std::string& name) const;
};

// One post marker (0 sectioning post, 1 ППС1, 2 ППС2). Visible is whether
// the scheme has the post; Placed whether its field holds a number: a post
// without a km is not drawn at all (rather than at a km it no longer has).
struct PostPlace {
  bool Visible = false;
  bool Placed = false;
  double Km = 0;
  int X = (ZoneLeftX + ZoneRightX) / 2;
  std::string KmText;
};

// What is remembered of a train's picture from the moment it was created:
// the letter of its bitmap and its row.
struct TrainMark {
  char Letter = 0;  // 'E', 'F', 'P', 'S'; 0 = no bitmap
  int Row = kRowTrack1;
};

// The display state the picture keeps between calls: ShowScheme leaves
// unchanged what its table does not name, so the state of the parts is kept
// here and the picture is built from it. The picture is 800 pixels wide at
// its smallest; a wider window stretches the track lines, and the
// substation B, its connection and every km with them, while the parts keep
// their size.
struct PictureState {
  int Width = kPanelWidth;
  double PixelsPerKm = 0;
  int ConnCode = 0;  // code the two connections were last drawn for
  bool Line1Visible = true;
  int Line2Row = kRowTrack2;
  bool TransfAVisible = false, TransfBVisible = false;
  bool DiodAVisible = false, DiodBVisible = false;
  bool Conn1Visible = true, Conn2Visible = true;
  PostPlace Posts[3];
  std::map<int, TrainMark> Trains;  // by train number
};

// The picture as created with the main window (empty single-track zone, code 10).
PictureState CreateSchemePicture();

// Shows and hides the parts for a scheme code (10/20: empty single-track or
// double-track zone; the twelve scheme codes) and places the posts of the
// codes that have them at the kilometres of the parameter block.
void ShowScheme(PictureState& ps, int code, const TParamBlock& p);

// The drawing scale from the zone length text: 670 / length pixels per km on
// the 800-pixel picture (the length of the track lines over the zone length).
// A text that is not a positive number leaves the scale as it was (returns false).
bool SetScale(PictureState& ps, const std::string& zoneLengthText);

// The pixel column of the zone end: 735 on the 800-pixel picture.
int ZoneRight(const PictureState& ps);
// The picture made `width` pixels wide (800 at least): the scale stretches
// with the track lines and the posts keep their km.
void SetPictureWidth(PictureState& ps, int width);

// A post at a km (label with at most two decimals, column from the scale).
void PlacePostAtKm(PictureState& ps, int post, double km);
// A post at the km of a field text; a text that is not a number takes the
// post off the picture (label "н/и") until a number is entered.
void PlacePostFromText(PictureState& ps, int post, const std::string& text);

// Brings the remembered train pictures in line with the train set: a train
// drawn since the last call takes the bitmap letter of the current train-type
// text and its row from its track and the scheme; pictures of trains that have
// left are dropped.
void SyncTrainMarks(PictureState& ps, const AppState& st);

// The column of a km: Trunc(km * PixelsPerKm + ZoneLeftX).
int KmToX(const PictureState& ps, double km);
// "12.35 км": the km rounded to two decimals (ties to even), general form.
std::string KmLabelText(double km);
// The current label: three decimals (ties to even); "600 A" on direct current,
// "1234.568 - j12.3 A" / "+ j" on alternating current, the reactive part left
// out when it rounds to 0.
std::string TrainCurrentText(TComplex current, bool dc);
// The bitmap of a train-type text by its second-to-last character (E, F, P,
// S); any other character gives none (empty).
char TrainBitmapLetter(const std::string& trainType);
std::string TrainBitmapName(char letter);
// The row of a new train: track 1 on a single track 100, on a double track 60;
// track 2 always 140.
int TrainRow(bool track1, int schemeVariant);

// The strokes of a connection image (50 x 90) for a code and side (1 left, 0 right).
std::vector<Stroke> ConnectionStrokes(int code, int side);

// The size of a label's text in the window's font (width of a text, bold or
// not, and the height of a line), for keeping the train labels apart.
struct TextMetrics {
  std::function<int(const std::string& text, bool bold)> Width;
  int LineHeight = 13;
};

// Everything to paint: the panel parts, the posts and the drawn trains. With
// metrics, the km and current labels of trains standing close together are
// kept apart: a label that would run into one already placed moves one line
// further from its track where the panel has room, and is left out where it
// has none (the train keeps its picture and its other label).
SchemePicture BuildSchemePicture(const PictureState& ps, const AppState& st, const TextMetrics& metrics = {});

}  // namespace tps
