// The head files of the circuit matrices: writing them from the matrices of a
// step and reading them back into fresh matrices.
#include "circuit/headfiles.h"

#include <cmath>
#include <string>
#include <vector>

#include "params/conv.h"
#include "params/errors.h"

namespace tps {

namespace {

const char* const kJhead = "temp\\Jhead.txt";
const char* const kEhead = "temp\\Ehead.txt";
const char* const kMhead = "temp\\Mhead.txt";
const char* const kNhead = "temp\\Nhead.txt";
const char* const kZhead = "temp\\Zhead.txt";
const char* const kZvhead = "temp\\Zvhead.txt";

bool IsZero(TComplex z) {
  return z.Re == 0 && z.Im == 0;
}

// Lines joined by CR LF, without a line break after the last one.
void WriteLines(const WorkDir& wd, const char* name, const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  WriteText(wd, name, text);
}

// The non-zero elements of a column, "k: row Re Im a".
std::vector<std::string> ColumnLines(const CMat& V, int rows) {
  std::vector<std::string> lines;
  for (int i = 1; i <= rows; ++i) {
    const TComplex z = V(i, 1);
    if (IsZero(z)) continue;
    lines.push_back(std::to_string(lines.size() + 1) + ": " + std::to_string(i) + " " + FloatToStr(z.Re) +
                    " " + FloatToStr(z.Im) + " a");
  }
  if (lines.empty()) lines.push_back("1: 1 0 0 a");
  return lines;
}

// One line per row: the signed columns of its non-zero elements.
std::vector<std::string> SignLines(const CMat& A, int rows, int cols, const char* end) {
  std::vector<std::string> lines;
  for (int i = 1; i <= rows; ++i) {
    std::string line = std::to_string(i) + ": ";
    for (int j = 1; j <= cols; ++j) {
      const TComplex z = A(i, j);
      if (IsZero(z)) continue;
      if (z.Re < 0) line += "-";
      line += std::to_string(j) + " ";
    }
    lines.push_back(line + end);
  }
  return lines;
}

// The blank-separated fields of a line.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    if (i >= line.size()) break;
    size_t j = line.find(' ', i);
    if (j == std::string::npos) j = line.size();
    out.push_back(line.substr(i, j - i));
    i = j;
  }
  return out;
}

class Reader {
 public:
  // The head file is read back from where the step wrote it: a run made
  // beside others writes into a folder of its own.
  Reader(const WorkDir& wd, const char* name, std::string message)
      : lines_(ReadTextLines(wd, wd.WritePath(name))), message_(std::move(message)) {}
  const std::vector<std::string>& Lines() const { return lines_; }
  [[noreturn]] void Fail() const { throw IoError(message_); }
  int Int(const std::string& text) const {
    int32_t v = 0;
    if (!TryStrToInt(text, v)) Fail();
    return v;
  }
  double Real(const std::string& text) const {
    double v = 0;
    if (!TryStrToFloat(text, v) || !std::isfinite(v)) Fail();
    return v;
  }
  // The line number before ": " must be the expected one; returns the fields after it.
  std::vector<std::string> Numbered(size_t k) const {
    std::vector<std::string> f = Fields(lines_[k]);
    if (f.empty() || f[0].size() < 2 || f[0].back() != ':' ||
        f[0].substr(0, f[0].size() - 1) != std::to_string(k + 1))
      Fail();
    f.erase(f.begin());
    return f;
  }

 private:
  std::vector<std::string> lines_;
  std::string message_;
};

// Jhead, Ehead: triples "row Re Im" up to the mark "a"; several may share a line.
void ReadColumn(const WorkDir& wd, const char* name, const char* file, CMat& V, int rows) {
  Reader r(wd, name, std::string("Ошибка в файле ") + file);
  for (size_t k = 0; k < r.Lines().size(); ++k) {
    const std::vector<std::string> f = r.Numbered(k);
    size_t i = 0;
    while (i < f.size() && f[i] != "a") {
      if (i + 2 >= f.size()) r.Fail();
      const int row = r.Int(f[i]);
      if (row < 1 || row > rows) r.Fail();
      V(row, 1) = TComplex{r.Real(f[i + 1]), r.Real(f[i + 2])};
      i += 3;
    }
    if (i + 1 != f.size()) r.Fail();  // the mark "a" ends the line
  }
}

// Mhead, Nhead: one line per row, signed columns up to the mark "a".
void ReadSigns(const WorkDir& wd, const char* name, const char* file, const char* countMessage, CMat& A,
               int rows, int cols) {
  Reader r(wd, name, std::string("Ошибка в файле ") + file);
  const size_t count = r.Lines().size();
  for (size_t k = 0; k < count; ++k) {
    const std::vector<std::string> f = r.Numbered(k);
    if (f.empty() || f.back() != "a") r.Fail();
    const int row = static_cast<int>(k) + 1;
    for (size_t i = 0; i + 1 < f.size(); ++i) {
      const int c = r.Int(f[i]);
      const int col = c < 0 ? -c : c;
      if (row > rows || col < 1 || col > cols) r.Fail();
      A(row, col) = TComplex{c < 0 ? -1.0 : 1.0, 0};
    }
  }
  if (count != static_cast<size_t>(rows)) throw IoError(countMessage);
}

// "(a-b)" at the front of `s` from position `pos`; moves past it.
bool Range(const std::string& s, size_t& pos, std::string& a, std::string& b) {
  if (pos >= s.size() || s[pos] != '(') return false;
  const size_t dash = s.find('-', pos + 1);
  if (dash == std::string::npos) return false;
  const size_t close = s.find(')', dash + 1);
  if (close == std::string::npos) return false;
  a = s.substr(pos + 1, dash - pos - 1);
  b = s.substr(dash + 1, close - dash - 1);
  pos = close + 1;
  return true;
}

// Zhead ("(a-b): Re Im a") and Zvhead ("(a-b)(c-e): Re Im a").
void ReadImpedances(const WorkDir& wd, const char* name, const char* file, CMat& Z, int m, bool mutual) {
  Reader r(wd, name, std::string("Ошибка в файле ") + file);
  for (const std::string& line : r.Lines()) {
    size_t pos = 0;
    std::string ta, tb, tc, te;
    if (!Range(line, pos, ta, tb)) r.Fail();
    if (mutual && !Range(line, pos, tc, te)) r.Fail();
    if (line.compare(pos, 2, ": ") != 0) r.Fail();
    const std::vector<std::string> f = Fields(line.substr(pos + 2));
    if (f.size() != 3 || f[2] != "a") r.Fail();
    const TComplex z{r.Real(f[0]), r.Real(f[1])};
    const int a = r.Int(ta), b = r.Int(tb);
    if (!mutual) {
      if (b < a) continue;
      if (a < 1 || b > m) r.Fail();
      for (int i = a; i <= b; ++i) Z(i, i) = z;
      continue;
    }
    const int c = r.Int(tc), e = r.Int(te);
    if (b - a != e - c) r.Fail();
    if (b < a) continue;
    if (a < 1 || b > m || c < 1 || e > m) r.Fail();
    for (int t = 0; t <= b - a; ++t) {
      Z(a + t, c + t) = z;
      Z(c + t, a + t) = z;
    }
  }
}

}  // namespace

void WriteHeadFiles(const WorkDir& wd, const CMat& J, const CMat& E, const CMat& M, const CMat& N,
                    const CMat& Z, int n, int m) {
  const int d = m - n;
  WriteLines(wd, kJhead, ColumnLines(J, n));
  WriteLines(wd, kEhead, ColumnLines(E, m));
  std::vector<std::string> lines = SignLines(M, n, m, "a");
  if (lines.empty()) lines.push_back("1: 1 -2 a");
  WriteLines(wd, kMhead, lines);
  lines = SignLines(N, d, m, " a");
  if (lines.empty()) lines.push_back("1: 1 -2  a");
  WriteLines(wd, kNhead, lines);

  lines.clear();
  for (int i = 1; i <= m; ++i) {
    const TComplex z = Z(i, i);
    const std::string k = std::to_string(i);
    lines.push_back("(" + k + "-" + k + "): " + FloatToStr(z.Re) + " " + FloatToStr(z.Im) + " a");
  }
  if (lines.empty()) lines.push_back("(1-1): 0 0 a");
  WriteLines(wd, kZhead, lines);

  lines.clear();
  for (int r = 2; r <= m; ++r)
    for (int c = 1; c < r; ++c) {
      const TComplex z = Z(r, c);
      if (IsZero(z)) continue;
      const std::string a = std::to_string(r), b = std::to_string(c);
      lines.push_back("(" + a + "-" + a + ")(" + b + "-" + b + "): " + FloatToStr(z.Re) + " " +
                      FloatToStr(z.Im) + " a");
    }
  if (lines.empty()) lines.push_back("(1-1)(2-2): 0 0 a");
  WriteLines(wd, kZvhead, lines);
}

void ReadHeadFiles(const WorkDir& wd, CMat& J, CMat& E, CMat& M, CMat& N, CMat& Z, int n, int m) {
  if (n < 1 || m <= n) throw IoError("Ошибка в количестве узлов");
  CMat j(n, 1), e(m, 1), mm(n, m), nn(m - n, m), z(m, m);
  ReadColumn(wd, kJhead, "Jhead.txt", j, n);
  ReadColumn(wd, kEhead, "Ehead.txt", e, m);
  ReadSigns(wd, kMhead, "Mhead.txt", "Ошибка в количестве узлов", mm, n, m);
  ReadSigns(wd, kNhead, "Nhead.txt", "Ошибка в количестве ветвей", nn, m - n, m);
  ReadImpedances(wd, kZhead, "Zhead.txt", z, m, false);
  ReadImpedances(wd, kZvhead, "Zvhead.txt", z, m, true);
  J = j;
  E = e;
  M = mm;
  N = nn;
  Z = z;
}

}  // namespace tps
