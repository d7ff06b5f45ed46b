// The pictures of the scheme display, drawn pixel by pixel and written as
// uncompressed 24-bit BMP files. White is the transparent colour of the
// display, so every drawn part uses another colour.
#include <array>
#include <cstdlib>

#include "params/defaults.h"
#include "params/errors.h"

namespace tps {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kDarkGrey = 0x404040;
constexpr uint32_t kWindow = 0xA0D0FF;
constexpr uint32_t kLetter = 0xFFE000;

// A picture of w x h pixels, colours 0xRRGGBB, row 0 at the top.
struct Raster {
  int w, h;
  std::vector<uint32_t> px;
  Raster(int width, int height) : w(width), h(height), px(size_t(width) * size_t(height), kWhite) {}
  void Set(int x, int y, uint32_t c) {
    if (x >= 0 && x < w && y >= 0 && y < h) px[size_t(y) * size_t(w) + size_t(x)] = c;
  }
  void Fill(int x0, int y0, int x1, int y1, uint32_t c) {  // inclusive corners
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
  void Frame(int x0, int y0, int x1, int y1, uint32_t c) {
    for (int x = x0; x <= x1; ++x) Set(x, y0, c), Set(x, y1, c);
    for (int y = y0; y <= y1; ++y) Set(x0, y, c), Set(x1, y, c);
  }
  void Line(int x0, int y0, int x1, int y1, uint32_t c) {  // Bresenham
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      Set(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  void Disc(int cx, int cy, int r, uint32_t c) {
    for (int y = cy - r; y <= cy + r; ++y)
      for (int x = cx - r; x <= cx + r; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r + r) Set(x, y, c);
  }
};

// Bottom-up rows of blue, green, red bytes, each row padded to 4 bytes.
Bytes ToBmp24(const Raster& r) {
  uint32_t rowSize = (uint32_t(r.w) * 3 + 3) / 4 * 4;
  uint32_t imageSize = rowSize * uint32_t(r.h);
  ByteWriter w;
  w.U8('B');
  w.U8('M');
  w.U32(54 + imageSize);  // file size
  w.U32(0);               // reserved
  w.U32(54);              // offset of the pixels
  w.U32(40);              // BITMAPINFOHEADER
  w.I32(r.w);
  w.I32(r.h);
  w.U16(1);     // planes
  w.U16(24);    // bits per pixel
  w.U32(0);     // no compression
  w.U32(imageSize);
  w.I32(2835);  // 72 dpi
  w.I32(2835);
  w.U32(0);
  w.U32(0);
  for (int y = r.h - 1; y >= 0; --y) {
    for (int x = 0; x < r.w; ++x) {
      uint32_t c = r.px[size_t(y) * size_t(r.w) + size_t(x)];
      w.U8(uint8_t(c & 0xFF));
      w.U8(uint8_t((c >> 8) & 0xFF));
      w.U8(uint8_t((c >> 16) & 0xFF));
    }
    w.Zeros(rowSize - uint32_t(r.w) * 3);
  }
  return w.Take();
}

// 5 x 7 letters, one string per row, '#' set.
using Glyph = std::array<const char*, 7>;
const Glyph kGlyphF = {"#####", "#....", "#....", "####.", "#....", "#....", "#...."};
const Glyph kGlyphS = {".####", "#....", "#....", ".###.", "....#", "....#", "####."};
const Glyph kGlyphP = {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."};
const Glyph kGlyphE = {"#####", "#....", "#....", "####.", "#....", "#....", "#####"};

void DrawGlyph(Raster& r, const Glyph& g, int x0, int y0, int scale, uint32_t c) {
  for (int row = 0; row < 7; ++row)
    for (int col = 0; col < 5; ++col)
      if (g[size_t(row)][col] == '#')
        r.Fill(x0 + col * scale, y0 + row * scale, x0 + col * scale + scale - 1,
               y0 + row * scale + scale - 1, c);
}

}  // namespace

Bytes TrainBitmap(char letter) {
  const Glyph* glyph = nullptr;
  uint32_t body = 0;
  switch (letter) {
    case 'F': glyph = &kGlyphF; body = 0x7A4A1E; break;  // freight: brown
    case 'S': glyph = &kGlyphS; body = 0xD01818; break;  // express: red
    case 'P': glyph = &kGlyphP; body = 0x1E7A3A; break;  // passenger: green
    case 'E': glyph = &kGlyphE; body = 0x1F4FBF; break;  // suburban: blue
    default: throw ProgramError(std::string("Нет картинки поезда вида ") + letter);
  }
  Raster r(20, 40);
  // Pantograph: the contact strip and its two arms.
  r.Fill(4, 0, 15, 1, kDarkGrey);
  r.Line(4, 2, 9, 7, kDarkGrey);
  r.Line(15, 2, 10, 7, kDarkGrey);
  // Body with its outline and the cab windows.
  r.Fill(2, 8, 17, 33, body);
  r.Frame(2, 8, 17, 33, kBlack);
  if (letter == 'S') {
    // The streamlined nose of the express.
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3 - i; ++j) r.Set(2 + j, 8 + i, kWhite), r.Set(17 - j, 8 + i, kWhite);
    r.Line(2, 11, 5, 8, kBlack);
    r.Line(17, 11, 14, 8, kBlack);
  }
  r.Fill(5, 10, 8, 12, kWindow);
  r.Fill(11, 10, 14, 12, kWindow);
  // The letter of the kind, twice the size of the font.
  DrawGlyph(r, *glyph, 5, 16, 2, kLetter);
  if (letter == 'E') {
    // The doors of a multiple unit.
    r.Fill(3, 31, 4, 32, kWindow);
    r.Fill(15, 31, 16, 32, kWindow);
  }
  if (letter == 'F') r.Fill(3, 31, 16, 31, kBlack);  // the heavy frame of a freight engine
  // Bogies and wheels.
  r.Fill(3, 34, 16, 35, kDarkGrey);
  r.Disc(5, 37, 2, kBlack);
  r.Disc(14, 37, 2, kBlack);
  return ToBmp24(r);
}

Bytes PostBitmap() {
  constexpr uint32_t kPost = 0xB00000;
  Raster r(10, 90);
  // Row 5 lies on the track-1 line and row 85 on the track-2 line when the
  // marker stands at its display row.
  r.Fill(4, 5, 5, 85, kPost);
  r.Disc(4, 5, 2, kPost);
  r.Disc(5, 5, 2, kPost);
  r.Disc(4, 85, 2, kPost);
  r.Disc(5, 85, 2, kPost);
  // The switch of the post: a framed box with its open blade.
  r.Fill(0, 38, 9, 51, 0xD8D8D8);
  r.Frame(0, 38, 9, 51, kBlack);
  r.Line(2, 49, 7, 40, kBlack);
  return ToBmp24(r);
}

}  // namespace tps
