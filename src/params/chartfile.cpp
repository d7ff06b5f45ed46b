#include "params/chartfile.h"

#include <cmath>
#include <cstring>
#include <string>

#include "params/conv.h"
#include "params/errors.h"

namespace tps {

namespace {

// The first layout named no loss file; the second names the loss file
// written with it.
constexpr char kSignatureFirst[8] = {'T', 'P', 'S', 'C', 'H', 'R', 'T', '1'};
constexpr char kSignature[8] = {'T', 'P', 'S', 'C', 'H', 'R', 'T', '2'};
// The times of a run lie between its start and its end: no run is longer
// than two of the longest schedules (a year of a probabilistic period and
// the trains that are still to leave the zone fit easily).
constexpr double kLongestRunMinutes = 2 * 366.0 * 24 * 60;
// The file of a year's run of many trains stays far below this.
constexpr size_t kMaxChartFileBytes = size_t(128) << 20;

[[noreturn]] void Damaged(const std::string& what) {
  throw IoError(std::string(kChartDataFile) + ": файл данных графиков повреждён (" + what + ")");
}

void PutSeries(ByteWriter& w, const std::vector<TChartSeries>& list) {
  w.U32(static_cast<uint32_t>(list.size()));
  for (const TChartSeries& s : list) {
    const size_t n = std::min(s.Times.size(), s.Values.size());
    w.I16(s.Number);
    w.U32(static_cast<uint32_t>(n));
    for (size_t j = 0; j < n; ++j) {
      w.F64(s.Times[j]);
      w.F64(s.Values[j]);
    }
  }
}

void PutList(ByteWriter& w, const std::vector<double>& v) {
  w.U32(static_cast<uint32_t>(v.size()));
  for (double x : v) w.F64(x);
}

// A count of the file checked against the bytes left before anything is sized by it.
size_t Count(ByteReader& r, size_t itemBytes, const char* what) {
  const uint32_t n = r.U32();
  if (static_cast<uint64_t>(n) * itemBytes > r.Left())
    Damaged(std::string(what) + ": число записей больше, чем есть в файле");
  return n;
}

double Finite(ByteReader& r) {
  const double v = r.F64();
  if (!std::isfinite(v)) Damaged("значение не число");
  return v;
}

// A model time of the run, in minutes.
double Minutes(ByteReader& r) {
  const double v = Finite(r);
  if (!(v >= 0 && v <= kLongestRunMinutes)) Damaged("время " + FloatToStr(v) + " мин вне расчёта");
  return v;
}

std::vector<TChartSeries> GetSeries(ByteReader& r, const char* what) {
  std::vector<TChartSeries> list(Count(r, 6, what));
  for (TChartSeries& s : list) {
    s.Number = r.I16();
    const size_t n = Count(r, 16, what);
    s.Times.resize(n);
    s.Values.resize(n);
    s.Zeros.assign(n, 0.0);
    for (size_t j = 0; j < n; ++j) {
      s.Times[j] = Minutes(r);
      s.Values[j] = Finite(r);
    }
    s.Count = static_cast<int32_t>(n);
  }
  return list;
}

std::vector<double> GetList(ByteReader& r, const char* what, double (*value)(ByteReader&) = Finite) {
  std::vector<double> v(Count(r, 8, what));
  for (double& x : v) x = value(r);
  return v;
}

std::string Hex(uint64_t v) {
  static const char* const kDigits = "0123456789abcdef";
  std::string s(16, '0');
  for (int i = 15; i >= 0; --i, v >>= 4) s[static_cast<size_t>(i)] = kDigits[v & 15];
  return s;
}

}  // namespace

LossFileId IdOfLossFile(const Bytes& lossFile) {
  uint64_t h = 14695981039346656037ull;
  for (uint8_t c : lossFile) h = (h ^ c) * 1099511628211ull;
  return {lossFile.size(), h};
}

Bytes ChartDataBytes(const ChartData& cd, uint8_t variant, LossFileId lossFile) {
  ByteWriter w;
  w.Raw(kSignature, sizeof kSignature);
  w.Raw(&lossFile.Size, 8);
  w.Raw(&lossFile.Hash, 8);
  w.U8(variant);
  w.U8(cd.FeedKind);
  PutSeries(w, cd.TrainSeries);
  PutSeries(w, cd.RailSeries);
  PutList(w, cd.Times);
  for (const std::vector<double>& s : cd.Series) PutList(w, s);
  PutList(w, cd.LossKw);
  return w.Take();
}

SavedChartData ChartDataFromBytes(const Bytes& b) {
  ByteReader r(b, kChartDataFile);
  char sig[sizeof kSignature];
  if (b.size() < sizeof sig) Damaged("нет заголовка");
  r.Raw(sig, sizeof sig);
  const bool first = std::memcmp(sig, kSignatureFirst, sizeof sig) == 0;
  if (!first && std::memcmp(sig, kSignature, sizeof sig) != 0) Damaged("нет заголовка");
  SavedChartData d;
  if (!first) {
    r.Raw(&d.Data.LossFile.Size, 8);
    r.Raw(&d.Data.LossFile.Hash, 8);
    if (!d.Data.LossFile.Known()) Damaged("не указан файл потерь");
  }
  d.Variant = r.U8();
  if (d.Variant > 12) Damaged("номер схемы вне 0..12");
  d.Data.FeedKind = r.U8();
  if (d.Data.FeedKind > 4) Damaged("вид питания вне 0..4");
  d.Data.TrainSeries = GetSeries(r, "поезда");
  d.Data.RailSeries = GetSeries(r, "рельсы");
  d.Data.Times = GetList(r, "время", Minutes);
  for (std::vector<double>& s : d.Data.Series) s = GetList(r, "токи и потенциалы");
  d.Data.LossKw = GetList(r, "потери");
  if (!r.AtEnd()) Damaged("лишние байты в конце");
  d.Data.Exists = true;
  return d;
}

SavedChartData ReadChartDataFile(const WorkDir& wd) {
  SavedChartData d = ChartDataFromBytes(ReadFileBytes(wd, kChartDataFile, kMaxChartFileBytes));
  if (!d.Data.LossFile.Known())
    throw IoError(std::string(kChartDataFile) +
                  ": данные графиков записаны прежней версией программы и не связаны с " + kLossFile +
                  "; повторите расчёт");
  CheckLossFileBelongs(wd, d.Data, ReadFileBytes(wd, kLossFile));
  return d;
}

void CheckLossFileBelongs(const WorkDir& wd, const ChartData& inHand, const Bytes& lossFile) {
  LossFileId expected = inHand.LossFile;
  if (!expected.Known() && !inHand.Exists && wd.Exists(kChartDataFile))
    expected = ChartDataFromBytes(ReadFileBytes(wd, kChartDataFile, kMaxChartFileBytes)).Data.LossFile;
  // Without a chart data that names a loss file (no run yet, or a file of
  // the first layout) the loss file stands alone.
  if (!expected.Known()) return;
  const LossFileId found = IdOfLossFile(lossFile);
  if (found == expected) return;
  throw IoError(std::string(kLossFile) + " и " + kChartDataFile +
                " записаны разными расчётами (файл потерь " + std::to_string(found.Size) + " байт, " +
                Hex(found.Hash) + "; данные графиков названы для " + std::to_string(expected.Size) + " байт, " +
                Hex(expected.Hash) + "): повторите расчёт");
}

}  // namespace tps
