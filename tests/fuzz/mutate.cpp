// The damage done to the program's own files: truncations, bit flips, bytes
// inserted and deleted, NaN, infinities and huge numbers planted at every
// offset, overlong length bytes and counts, duplicated records, files grown
// by a megabyte, and for text files broken tokens, megabyte tokens and mixed
// line ends.
#include "mutate.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace tpsfuzz {

uint64_t Rng::Next() {
  uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

const std::vector<double>& SpecialDoubles() {
  static const std::vector<double> v = {
      std::numeric_limits<double>::quiet_NaN(),
      -std::numeric_limits<double>::quiet_NaN(),
      std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(),
      std::numeric_limits<double>::max(),
      -std::numeric_limits<double>::max(),
      std::numeric_limits<double>::denorm_min(),
      -0.0,
      1e300,
      -1e-300,
      4294967296.0,
      -1.0,
  };
  return v;
}

namespace {

constexpr size_t kMegabyte = 1u << 20;

// Widths and values of the integers planted over counts and length bytes:
// zero, one past a slot's capacity, the largest and the sign-bit values.
struct IntPlant {
  size_t width;
  uint32_t value;
};
constexpr IntPlant kIntPlants[] = {
    {1, 0xFF},    {1, 0x80},       {1, 0},          {1, 12},         {1, 21},         {1, 7},  {1, 6},
    {2, 0xFFFF},  {2, 0x8000},     {2, 0x7FFF},     {2, 0},          {2, 1},          {4, 0},  {4, 1},
    {4, 0x10000}, {4, 0x7FFFFFFF}, {4, 0x80000000}, {4, 0xFFFFFFFF}, {4, 0xFFFFFFFE}, {4, 22},
};
constexpr size_t kIntPlantCount = sizeof kIntPlants / sizeof kIntPlants[0];

const char* const kBadTokens[] = {
    "nan",
    "NaN",
    "inf",
    "-INF",
    "1e309",
    "-1e309",
    "1e-400",
    "1.7976931348623157e308",
    "",
    "-",
    "+",
    ".",
    "e",
    "1e",
    "1e+",
    "+.5",
    "-.",
    "0x10",
    "$FF",
    "1,5",
    "1..2",
    "--1",
    "12345678901234567890123456789012345678901234567890",
    "0.000000000000000000000000000001",
    "\t",
    "\xC0\xC1",
    "\x01",
    "км",
    "99999999999999999999",
    "-0",
};
constexpr size_t kBadTokenCount = sizeof kBadTokens / sizeof kBadTokens[0];

std::string Hex(size_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%zx", v);
  return buf;
}

void Truncate(Bytes& b, Rng& r, std::string& what) {
  const size_t len = r.Below(b.size() + 1);
  b.resize(len);
  what += "truncated to " + std::to_string(len) + " bytes; ";
}

void FlipBits(Bytes& b, Rng& r, std::string& what) {
  if (b.empty()) return;
  const size_t n = r.Between(1, 8);
  for (size_t k = 0; k < n; ++k) {
    const size_t at = r.Below(b.size());
    const int bit = static_cast<int>(r.Below(8));
    b[at] ^= static_cast<uint8_t>(1u << bit);
    what += "bit " + std::to_string(bit) + " at " + std::to_string(at) + " flipped; ";
  }
}

void OverwriteBytes(Bytes& b, Rng& r, std::string& what) {
  if (b.empty()) return;
  const size_t n = r.Between(1, 8);
  for (size_t k = 0; k < n; ++k) {
    const size_t at = r.Below(b.size());
    b[at] = static_cast<uint8_t>(r.Below(256));
    what += "byte at " + std::to_string(at) + " set to " + std::to_string(b[at]) + "; ";
  }
}

void InsertBytes(Bytes& b, Rng& r, std::string& what) {
  const size_t at = r.Below(b.size() + 1);
  const size_t n = r.Between(1, 16);
  const bool zeros = r.Below(3) == 0;
  Bytes add(n);
  for (uint8_t& x : add) x = zeros ? 0 : static_cast<uint8_t>(r.Below(256));
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), add.begin(), add.end());
  what +=
      std::to_string(n) + (zeros ? " zero" : " random") + " bytes inserted at " + std::to_string(at) + "; ";
}

void DeleteBytes(Bytes& b, Rng& r, std::string& what) {
  if (b.empty()) return;
  const size_t at = r.Below(b.size());
  const size_t n = std::min(b.size() - at, r.Between(1, 16));
  b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
  what += std::to_string(n) + " bytes deleted at " + std::to_string(at) + "; ";
}

// Sweep j of the planted doubles: even sweeps walk the 8-byte aligned offsets
// (each offset meets every special value in turn), odd sweeps any offset.
void PlantDouble(Bytes& b, size_t j, Rng& r, std::string& what) {
  if (b.size() < 8) return;
  const std::vector<double>& sp = SpecialDoubles();
  size_t at;
  size_t v;
  if (j % 2 == 0) {
    const size_t aligned = (b.size() - 8) / 8 + 1;
    const size_t k = j / 2;
    at = 8 * (k % aligned);
    v = (k / aligned + k % aligned) % sp.size();
  } else {
    at = r.Below(b.size() - 7);
    v = r.Below(sp.size());
  }
  std::memcpy(b.data() + at, &sp[v], 8);
  static const char* const kNames[] = {"NaN",        "-NaN", "+Inf",  "-Inf",    "DBL_MAX", "-DBL_MAX",
                                       "denorm_min", "-0.0", "1e300", "-1e-300", "2^32",    "-1"};
  static_assert(sizeof kNames / sizeof kNames[0] == 12);
  what += std::string("double ") + kNames[v] + " planted at " + std::to_string(at) + "; ";
}

// Sweep j of the planted integers over every offset: length bytes past a
// slot's capacity, record counts of zero, one, 65535 or 2^32 - 1.
void PlantInt(Bytes& b, size_t j, std::string& what) {
  if (b.empty()) return;
  const size_t at = j % b.size();
  const IntPlant& p = kIntPlants[(j / b.size() + j) % kIntPlantCount];
  if (at + p.width > b.size()) return;
  for (size_t k = 0; k < p.width; ++k) b[at + k] = static_cast<uint8_t>(p.value >> (8 * k));
  what += "u" + std::to_string(8 * p.width) + " " + Hex(p.value) + " planted at " + std::to_string(at) + "; ";
}

// A stretch of the file copied elsewhere (duplicated records), or the whole
// file repeated.
void Splice(Bytes& b, Rng& r, std::string& what) {
  if (b.empty()) return;
  if (r.Below(4) == 0) {
    const size_t times = r.Between(1, 3);
    const Bytes once = b;
    for (size_t k = 0; k < times; ++k) b.insert(b.end(), once.begin(), once.end());
    what += "file repeated " + std::to_string(times) + " more times; ";
    return;
  }
  const size_t from = r.Below(b.size());
  const size_t n = std::min(b.size() - from, r.Between(1, 96));
  const size_t to = r.Below(b.size() + 1);
  const Bytes chunk(b.begin() + static_cast<std::ptrdiff_t>(from),
                    b.begin() + static_cast<std::ptrdiff_t>(from + n));
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(to), chunk.begin(), chunk.end());
  what +=
      std::to_string(n) + " bytes from " + std::to_string(from) + " copied to " + std::to_string(to) + "; ";
}

// A megabyte more: zeros, 0xFF or the file's own bytes over and over.
void GrowByMegabyte(Bytes& b, Rng& r, std::string& what) {
  const size_t at = r.Below(b.size() + 1);
  const size_t kind = r.Below(3);
  Bytes add(kMegabyte, kind == 1 ? 0xFF : 0);
  if (kind == 2 && !b.empty())
    for (size_t k = 0; k < add.size(); ++k) add[k] = b[k % b.size()];
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), add.begin(), add.end());
  what += "a megabyte of " +
          std::string(kind == 0   ? "zeros"
                      : kind == 1 ? "0xFF"
                                  : "the file itself") +
          " inserted at " + std::to_string(at) + "; ";
}

// ---- text files

bool IsBlankByte(uint8_t c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The start and length of a random token (a run of non-blank bytes); the
// whole text when there is none.
std::pair<size_t, size_t> PickToken(const Bytes& b, Rng& r) {
  std::vector<std::pair<size_t, size_t>> tokens;
  for (size_t i = 0; i < b.size();) {
    while (i < b.size() && IsBlankByte(b[i])) ++i;
    const size_t s = i;
    while (i < b.size() && !IsBlankByte(b[i])) ++i;
    if (i > s) tokens.emplace_back(s, i - s);
  }
  if (tokens.empty()) return {0, b.size()};
  return tokens[r.Below(tokens.size())];
}

void ReplaceToken(Bytes& b, Rng& r, std::string& what) {
  const auto [at, len] = PickToken(b, r);
  const char* t = kBadTokens[r.Below(kBadTokenCount)];
  b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + len));
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), t, t + std::strlen(t));
  what += "token at " + std::to_string(at) + " replaced by \"" + t + "\"; ";
}

std::vector<Bytes> SplitLines(const Bytes& b) {
  std::vector<Bytes> lines(1);
  for (uint8_t c : b) {
    lines.back().push_back(c);
    if (c == '\n') lines.emplace_back();
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

Bytes JoinLines(const std::vector<Bytes>& lines) {
  Bytes b;
  for (const Bytes& l : lines) b.insert(b.end(), l.begin(), l.end());
  return b;
}

void LineOps(Bytes& b, Rng& r, std::string& what) {
  std::vector<Bytes> lines = SplitLines(b);
  if (lines.empty()) return;
  const size_t a = r.Below(lines.size());
  const size_t c = r.Below(lines.size());
  switch (r.Below(4)) {
    case 0:
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(a));
      what += "line " + std::to_string(a) + " deleted; ";
      break;
    case 1:
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(c), lines[a]);
      what += "line " + std::to_string(a) + " repeated before line " + std::to_string(c) + "; ";
      break;
    case 2:
      std::swap(lines[a], lines[c]);
      what += "lines " + std::to_string(a) + " and " + std::to_string(c) + " swapped; ";
      break;
    default:
      while (!lines[a].empty() && (lines[a].back() == '\n' || lines[a].back() == '\r')) lines[a].pop_back();
      what += "line " + std::to_string(a) + " joined with the next; ";
      break;
  }
  b = JoinLines(lines);
}

// Line ends as other systems and broken editors leave them.
void MixLineEnds(Bytes& b, Rng& r, std::string& what) {
  static const char* const kEnds[] = {"\n",       "\r",    "\r\r\n", "\n\r",  "",
                                      "\r\n\r\n", " \r\n", "\t\n",   "\0\r\n"};
  static const size_t kEndLens[] = {1, 1, 3, 2, 0, 4, 3, 2, 3};
  const size_t pick = r.Below(9);
  const bool all = r.Below(2) == 0;
  Bytes out;
  size_t changed = 0;
  for (size_t i = 0; i < b.size(); ++i) {
    const bool crlf = b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n';
    const bool end = crlf || b[i] == '\n';
    if (end && (all || r.Below(3) == 0)) {
      out.insert(out.end(), kEnds[pick], kEnds[pick] + kEndLens[pick]);
      ++changed;
      if (crlf) ++i;
    } else {
      out.push_back(b[i]);
    }
  }
  b = std::move(out);
  what += std::to_string(changed) + " line ends replaced by end form " + std::to_string(pick) + "; ";
}

// A token of a megabyte: digits, letters, an exponent of a million zeros,
// blanks, or one line of a megabyte.
void MegabyteToken(Bytes& b, Rng& r, std::string& what) {
  const auto [at, len] = PickToken(b, r);
  (void)len;
  const size_t kind = r.Below(5);
  Bytes t(kMegabyte, '7');
  if (kind == 1) std::fill(t.begin(), t.end(), 'x');
  if (kind == 2) {
    std::fill(t.begin(), t.end(), '0');
    t[0] = '1';
    t[1] = 'e';
  }
  if (kind == 3) std::fill(t.begin(), t.end(), ' ');
  if (kind == 4) {
    t[0] = '0';
    t[1] = '.';
  }
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), t.begin(), t.end());
  what += "a megabyte token of form " + std::to_string(kind) + " inserted at " + std::to_string(at) + "; ";
}

void OneSmallMutation(Bytes& b, FileForm form, Rng& r, std::string& what) {
  const size_t n = form == FileForm::Text ? 9 : 7;
  switch (r.Below(n)) {
    case 0:
      FlipBits(b, r, what);
      break;
    case 1:
      OverwriteBytes(b, r, what);
      break;
    case 2:
      InsertBytes(b, r, what);
      break;
    case 3:
      DeleteBytes(b, r, what);
      break;
    case 4:
      PlantDouble(b, 1, r, what);
      break;
    case 5:
      PlantInt(b, r.Next() % 4096, what);
      break;
    case 6:
      Splice(b, r, what);
      break;
    case 7:
      ReplaceToken(b, r, what);
      break;
    default:
      LineOps(b, r, what);
      break;
  }
}

void Stack(Bytes& b, FileForm form, Rng& r, std::string& what) {
  const size_t n = r.Between(2, 5);
  for (size_t k = 0; k < n; ++k) OneSmallMutation(b, form, r, what);
  if (r.Below(4) == 0) Truncate(b, r, what);
}

}  // namespace

Mutation MakeCase(const std::vector<Bytes>& seeds, FileForm form, uint64_t seed, uint64_t index) {
  Rng r(seed ^ (index * 0xD1B54A32D192ED03ull));
  r.Next();
  Mutation m;
  const size_t from = r.Below(seeds.size());
  m.Data = seeds[from];
  m.What = "real file " + std::to_string(from) + " (" + std::to_string(m.Data.size()) + " bytes): ";
  constexpr size_t kStrategies = 10;
  const size_t strategy = index % kStrategies;
  const size_t sweep = index / kStrategies;
  Bytes& b = m.Data;
  if (form == FileForm::Binary) {
    switch (strategy) {
      case 0:
        Truncate(b, r, m.What);
        break;
      case 1:
        FlipBits(b, r, m.What);
        break;
      case 2:
        OverwriteBytes(b, r, m.What);
        break;
      case 3:
        InsertBytes(b, r, m.What);
        break;
      case 4:
        DeleteBytes(b, r, m.What);
        break;
      case 5:
        PlantDouble(b, sweep, r, m.What);
        break;
      case 6:
        PlantInt(b, sweep, m.What);
        break;
      case 7:
        Splice(b, r, m.What);
        break;
      case 8:
        Stack(b, form, r, m.What);
        break;
      default:
        if (sweep % 100 == 0)
          GrowByMegabyte(b, r, m.What);
        else
          Stack(b, form, r, m.What);
        break;
    }
  } else {
    switch (strategy) {
      case 0:
        Truncate(b, r, m.What);
        break;
      case 1:
        r.Below(2) ? FlipBits(b, r, m.What) : OverwriteBytes(b, r, m.What);
        break;
      case 2:
        r.Below(2) ? InsertBytes(b, r, m.What) : DeleteBytes(b, r, m.What);
        break;
      case 3:
        ReplaceToken(b, r, m.What);
        break;
      case 4:
        LineOps(b, r, m.What);
        break;
      case 5:
        MixLineEnds(b, r, m.What);
        break;
      case 6:
        PlantDouble(b, sweep, r, m.What);
        break;
      case 7:
        if (sweep % 75 == 0)
          MegabyteToken(b, r, m.What);
        else
          Stack(b, form, r, m.What);
        break;
      case 8:
        Stack(b, form, r, m.What);
        break;
      default:
        PlantInt(b, sweep, m.What);
        break;
    }
  }
  return m;
}

}  // namespace tpsfuzz
