#include "charts/chartfile.h"

#include <cmath>
#include <cstring>
#include <string>

#include "params/errors.h"

namespace tps {

namespace {

constexpr char kSignature[8] = {'T', 'P', 'S', 'C', 'H', 'R', 'T', '1'};
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

std::vector<TChartSeries> GetSeries(ByteReader& r, const char* what) {
  std::vector<TChartSeries> list(Count(r, 6, what));
  for (TChartSeries& s : list) {
    s.Number = r.I16();
    const size_t n = Count(r, 16, what);
    s.Times.resize(n);
    s.Values.resize(n);
    s.Zeros.assign(n, 0.0);
    for (size_t j = 0; j < n; ++j) {
      s.Times[j] = Finite(r);
      s.Values[j] = Finite(r);
    }
    s.Count = static_cast<int32_t>(n);
  }
  return list;
}

std::vector<double> GetList(ByteReader& r, const char* what) {
  std::vector<double> v(Count(r, 8, what));
  for (double& x : v) x = Finite(r);
  return v;
}

}  // namespace

Bytes ChartDataBytes(const ChartData& cd, uint8_t variant) {
  ByteWriter w;
  w.Raw(kSignature, sizeof kSignature);
  w.U8(variant);
  w.U8(cd.FeedKind);
  PutSeries(w, cd.TrainSeries);
  PutSeries(w, cd.RailSeries);
  PutList(w, cd.Times);
  for (const std::vector<double>& s : cd.Series) PutList(w, s);
  PutList(w, cd.LossKw);
  return w.Take();
}

void WriteChartDataFile(const AppState& st) {
  WriteFileBytesAtomic(st.Work, kChartDataFile, ChartDataBytes(st.Chart, st.SchemeVariant));
}

SavedChartData ChartDataFromBytes(const Bytes& b) {
  ByteReader r(b, kChartDataFile);
  char sig[sizeof kSignature];
  if (b.size() < sizeof sig) Damaged("нет заголовка");
  r.Raw(sig, sizeof sig);
  if (std::memcmp(sig, kSignature, sizeof sig) != 0) Damaged("нет заголовка");
  SavedChartData d;
  d.Variant = r.U8();
  if (d.Variant > 12) Damaged("номер схемы вне 0..12");
  d.Data.FeedKind = r.U8();
  if (d.Data.FeedKind > 4) Damaged("вид питания вне 0..4");
  d.Data.TrainSeries = GetSeries(r, "поезда");
  d.Data.RailSeries = GetSeries(r, "рельсы");
  d.Data.Times = GetList(r, "время");
  for (std::vector<double>& s : d.Data.Series) s = GetList(r, "токи и потенциалы");
  d.Data.LossKw = GetList(r, "потери");
  if (!r.AtEnd()) Damaged("лишние байты в конце");
  d.Data.Exists = true;
  return d;
}

SavedChartData ReadChartDataFile(const WorkDir& wd) {
  return ChartDataFromBytes(ReadFileBytes(wd, kChartDataFile, kMaxChartFileBytes));
}

}  // namespace tps
