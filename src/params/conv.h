// Conventions shared by the whole program: number <-> text in the forms the
// windows, the parameter block and the reports use, the fixed report formats,
// the rounding rules, and the Windows-1251 code page of the files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tps {

// General float-to-text form: rounded to 15 significant digits, trailing zeros
// dropped, "." as decimal point; fixed notation for decimal exponents -5 < e < 15,
// otherwise mantissa + "E" + exponent ("1E-5", "1.5E20", "-2.5E-7").
std::string FloatToStr(double x);

// Strict readers. A real: leading blanks, optional sign, digits, optional "."
// and digits, optional E/e with optional sign and digits; nothing may follow.
// An integer: leading blanks, optional sign, decimal digits or hexadecimal
// after "$", "x", "X" or "0x"; must fit into 32 bits.
bool TryStrToFloat(std::string_view text, double& value);
bool TryStrToInt(std::string_view text, int32_t& value);
// The same readers, raising ConvertError on text that is not a number.
double StrToFloat(std::string_view text);
int32_t StrToInt(std::string_view text);

// Fixed-point with `decimals` decimals, right-aligned in a field of at least
// `width` characters, never truncated (F5.3 is FormatFixed(x, 5, 3)).
std::string FormatFixed(double x, int width, int decimals);
inline std::string F53(double x) { return FormatFixed(x, 5, 3); }
inline std::string F42(double x) { return FormatFixed(x, 4, 2); }

// Rounding to an integer: nearest, ties to the even neighbour.
double Round(double x);
long double RoundL(long double x);
// Truncation toward zero.
double Trunc(double x);
// x rounded to k decimals: multiply by 10^k, round (ties to even), divide.
double RoundTo(double x, int k);
// x, or x rounded to 0.1 when within 1e-5 of it on the tenfold scale (the
// model clock, which grows by steps of tenths of a minute).
double SnapTenth(double x);

// Windows-1251 <-> UTF-8 (the whole upper half of the code page).
std::string Cp1251ToUtf8(std::string_view cp);
std::string Utf8ToCp1251(std::string_view utf8);  // unmappable characters become '?'
// The offset of the first byte that does not begin a well-formed UTF-8
// sequence, npos when the whole text is UTF-8.
size_t FirstInvalidUtf8(std::string_view utf8);
// Number of characters of a UTF-8 text, and the text cut to its first n characters.
size_t CharCount(std::string_view utf8);
std::string CutChars(std::string_view utf8, size_t n);
// Lower case of a UTF-8 text for ASCII and Cyrillic letters (file name matching).
std::string LowerName(std::string_view utf8);

// Length-prefixed text slot of fixed capacity N (N + 1 bytes): one length byte,
// then up to N characters of the code page. Stored text is cut to N characters.
template <size_t N>
struct ShortStr {
  uint8_t len = 0;
  char data[N] = {};

  void Set(std::string_view utf8) {
    std::string cp = Utf8ToCp1251(utf8);
    if (cp.size() > N) cp.resize(N);
    len = static_cast<uint8_t>(cp.size());
    for (size_t i = 0; i < cp.size(); ++i) data[i] = cp[i];
  }
  std::string Get() const {
    size_t n = len > N ? N : len;
    return Cp1251ToUtf8(std::string_view(data, n));
  }
  ShortStr& operator=(std::string_view utf8) { Set(utf8); return *this; }
};

}  // namespace tps
