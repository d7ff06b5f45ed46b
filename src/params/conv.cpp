#include "params/conv.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <system_error>

#include "params/errors.h"

namespace tps {

std::string FloatToStr(double x) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
  if (x == 0) return "0";
  // 15 significant digits: d.dddddddddddddde±XX. The character conversions
  // never consult the process locale, so the point stays "." on a desktop
  // whose locale writes a decimal comma.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
  std::string s(buf, res.ptr);
  bool neg = s[0] == '-';
  if (neg) s.erase(0, 1);
  size_t epos = s.find('e');
  size_t expStart = epos + 1;
  if (s[expStart] == '+') ++expStart;
  int exp10 = 0;
  std::from_chars(s.data() + expStart, s.data() + s.size(), exp10);
  std::string digits;
  for (size_t i = 0; i < epos; ++i)
    if (s[i] != '.') digits += s[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out;
  if (exp10 > -5 && exp10 < 15) {
    if (exp10 < 0) {
      out = "0." + std::string(static_cast<size_t>(-exp10 - 1), '0') + digits;
    } else {
      size_t intLen = static_cast<size_t>(exp10) + 1;
      if (digits.size() <= intLen) {
        out = digits + std::string(intLen - digits.size(), '0');
      } else {
        out = digits.substr(0, intLen) + "." + digits.substr(intLen);
      }
    }
  } else {
    out = digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exp10);
  }
  return neg ? "-" + out : out;
}

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A checked real text whose exponent is negative (it can only be out of range
// by underflow).
static bool IsTiny(std::string_view s) {
  size_t e = s.find_first_of("eE");
  return e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-';
}

bool TryStrToFloat(std::string_view text, double& value) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  size_t start = i;
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  size_t intDigits = 0, fracDigits = 0;
  while (i < n && IsDigit(text[i])) { ++i; ++intDigits; }
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && IsDigit(text[i])) { ++i; ++fracDigits; }
  }
  if (intDigits + fracDigits == 0) return false;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < n && IsDigit(text[i])) { ++i; ++expDigits; }
    if (expDigits == 0) return false;
  }
  if (i != n) return false;
  // The syntax is checked above; the value is read without the locale. The
  // character reader takes no "+" sign, so it is dropped here.
  std::string_view s = text.substr(start);
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  double v = 0;
  auto res = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Too large for a double is not a number; too small underflows to zero,
    // as the float parser does.
    if (!IsTiny(s)) return false;
    v = s[0] == '-' ? -0.0 : 0.0;
  } else if (res.ec != std::errc() || res.ptr != s.data() + s.size()) {
    return false;
  }
  if (std::isinf(v)) return false;
  value = v;
  return true;
}

bool TryStrToInt(std::string_view text, int32_t& value) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool neg = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) { neg = text[i] == '-'; ++i; }
  int base = 10;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16; ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16; i += 2;
  }
  if (i >= n) return false;
  long long v = 0;
  for (; i < n; ++i) {
    char c = text[i];
    int d;
    if (IsDigit(c)) d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * base + d;
    if (v > 0x100000000LL) return false;
  }
  if (neg) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int32_t>(v);
  return true;
}

double StrToFloat(std::string_view text) {
  double v;
  if (!TryStrToFloat(text, v))
    throw ConvertError("'" + ShortToken(text) + "' - неверное вещественное число");
  return v;
}

int32_t StrToInt(std::string_view text) {
  int32_t v;
  if (!TryStrToInt(text, v))
    throw ConvertError("'" + ShortToken(text) + "' - неверное целое число");
  return v;
}

std::string FormatFixed(double x, int width, int decimals) {
  char buf[512];
  auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
  std::string s(buf, res.ec == std::errc() ? res.ptr : buf);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width - s.size()), ' ');
  // "-0.000" is written without the sign, as a fixed-point writer does for zero.
  bool allZero = true;
  for (char c : s)
    if (c >= '1' && c <= '9') { allZero = false; break; }
  if (allZero) {
    size_t p = s.find('-');
    if (p != std::string::npos) {
      s.erase(p, 1);
      if (static_cast<int>(s.size()) < width) s.insert(0, " ");
    }
  }
  return s;
}

double Round(double x) {
  // The default floating-point environment rounds to nearest, ties to even.
  return std::nearbyint(x);
}

long double RoundL(long double x) { return std::nearbyintl(x); }

double Trunc(double x) { return std::trunc(x); }

double RoundTo(double x, int k) {
  long double p = 1.0L;
  for (int i = 0; i < k; ++i) p *= 10.0L;
  return static_cast<double>(RoundL(static_cast<long double>(x) * p) / p);
}

double SnapTenth(double x) {
  double y = 10 * x;
  double r = Round(y);
  if (std::fabs(y - r) < 1e-5) return r / 10;
  return x;
}

// ------------------------------------------------------------ code page
static const char16_t kUpper[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

static char32_t Cp1251ToCode(unsigned char b) {
  if (b < 0x80) return b;
  if (b >= 0xC0) return 0x0410 + (b - 0xC0);
  return kUpper[b - 0x80];
}

static void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The length of the well-formed UTF-8 sequence at s[i], 0 when it is not one.
static int SequenceLength(std::string_view s, size_t i) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  for (int k = 1; k < len; ++k)
    if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return 0;
  return len;
}

// Decodes one UTF-8 character at s[i]; advances i. Malformed bytes decode as U+FFFD.
static char32_t NextCode(std::string_view s, size_t& i) {
  const int len = SequenceLength(s, i);
  if (len == 0) { ++i; return 0xFFFD; }
  unsigned char b = static_cast<unsigned char>(s[i]);
  char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
  for (int k = 1; k < len; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  i += len;
  return c;
}

size_t FirstInvalidUtf8(std::string_view utf8) {
  size_t i = 0;
  while (i < utf8.size()) {
    const int len = SequenceLength(utf8, i);
    if (len == 0) return i;
    i += static_cast<size_t>(len);
  }
  return std::string_view::npos;
}

std::string Cp1251ToUtf8(std::string_view cp) {
  std::string out;
  out.reserve(cp.size() * 2);
  for (char ch : cp) AppendUtf8(out, Cp1251ToCode(static_cast<unsigned char>(ch)));
  return out;
}

static int CodeToCp1251(char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  if (c >= 0x0410 && c <= 0x044F) return static_cast<int>(0xC0 + (c - 0x0410));
  for (int k = 0; k < 64; ++k)
    if (kUpper[k] == c) return 0x80 + k;
  return -1;
}

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    int b = CodeToCp1251(NextCode(utf8, i));
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

size_t CharCount(std::string_view utf8) {
  size_t n = 0, i = 0;
  while (i < utf8.size()) { NextCode(utf8, i); ++n; }
  return n;
}

std::string CutChars(std::string_view utf8, size_t n) {
  size_t i = 0, k = 0;
  while (i < utf8.size() && k < n) { NextCode(utf8, i); ++k; }
  return std::string(utf8.substr(0, i));
}

std::string LowerName(std::string_view utf8) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c = NextCode(utf8, i);
    if (c >= 'A' && c <= 'Z') c += 32;
    else if (c >= 0x0410 && c <= 0x042F) c += 0x20;
    else if (c == 0x0401) c = 0x0451;
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace tps
