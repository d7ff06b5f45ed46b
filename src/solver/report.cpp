// The text report "Final.txt": the three sections of a detailed step (branch
// currents, node voltages, power loss), the side file "voltage.txt", the
// "ИТОГО" totals block of "Смотреть результаты", the run-start reset, and the
// loss series file "Graph\dp.gmt".
#include "solver/report.h"

#include <algorithm>
#include <string>

#include "params/chartfile.h"
#include "params/conv.h"
#include "params/errors.h"
#include "params/fileio.h"

namespace tps {

namespace {

constexpr const char* kReportFile = "Final.txt";
constexpr const char* kVoltageFile = "voltage.txt";

const std::string kEqualsLine(40, '=');
const std::string kTildeLine(40, '~');
const std::string kStarLine(37, '*');

// Numbers written without a minus sign get one extra leading blank so that
// they line up with negative ones under the column head. The written text
// decides: a small negative part that rounds to 0.000 is written without its
// sign and is aligned like a positive one.
std::string Aligned(double x) {
  std::string s = F53(x);
  return (s.find('-') == std::string::npos ? " " : "") + s;
}

// Each pair of the loss file: an f64 loss and an i32 step number.
constexpr size_t kLossPairBytes = 12;

}  // namespace

std::string RowLabel(long long index) {
  std::string s = "     " + std::to_string(index);
  if (s.size() < 14) s.append(14 - s.size(), ' ');
  return s;
}

void WriteCurrentsSection(AppState& st, const CMat& I) {
  std::vector<std::string> lines = {
      "",
      kEqualsLine,
      std::string(35, ' ') + "-" + std::to_string(st.StepCount) + "-",
      kEqualsLine,
      "",
      " Ветвь/узел| активное |индуктивное|",
      "",
      "                 ТОКИ, A (мгнов)",
      kTildeLine,
  };
  // The column carries its own length (one row per branch of the step).
  for (int k = 1; k <= I.Rows(); ++k) {
    const TComplex& c = I(k, 1);
    lines.push_back(RowLabel(k) + Aligned(c.Re) + " " + Aligned(c.Im));
  }
  // The first step of a run starts a new report.
  if (st.StepCount == 1)
    WriteTextLines(st.Work, kReportFile, lines);
  else
    AppendTextLines(st.Work, kReportFile, lines);
}

void WriteVoltagesSection(AppState& st, CMat& Phi) {
  std::vector<std::string> lines = {"", "               НАПРЯЖЕНИЯ, V (мгнов)", kTildeLine};
  std::vector<std::string> voltage;
  const bool trainsPresent = !st.Trains.Empty();
  if (!trainsPresent && st.SchemeVariant == 2) {
    // The empty two-sided single-track DC zone: both buses at their
    // substation voltages. Node 2 takes the voltage of substation B for the
    // rest of this step.
    double ua = StrToFloat(st.Params.UaRe.Get());
    double ub = StrToFloat(st.Params.UbRe.Get());
    lines.push_back(RowLabel(1) + F53(ua) + " ");
    lines.push_back(RowLabel(2) + F53(ub) + " ");
    if (Phi.Rows() >= 2) Phi(2, 1).Re = ub;
  } else {
    for (int k = 1; k <= Phi.Rows(); ++k) {
      lines.push_back(RowLabel(k) + F53(CAbs(Phi(k, 1))) + " ");
      if (k == 2 && trainsPresent) voltage.push_back(F53(Phi(2, 1).Re));
    }
  }
  AppendTextLines(st.Work, kReportFile, lines);
  // "voltage.txt" is opened at every detailed step: started anew at the first
  // step of a run, added to otherwise.
  if (st.StepCount == 1)
    WriteTextLines(st.Work, kVoltageFile, voltage);
  else
    AppendTextLines(st.Work, kVoltageFile, voltage);
}

void WriteLossPowerSection(AppState& st) {
  AppendTextLines(st.Work, kReportFile,
                  {"", "      dP ПОТЕРИ АКТ МОЩНОСТИ, kW (мгнов)", kTildeLine,
                   F53(st.StepLoss / 1000) + " ", ""});
}

std::vector<std::string> WriteTotals(AppState& st) {
  if (st.Params.ResultsPending == 1) {
    const double active = st.EnergySupplied[0];
    const double reactive = st.EnergySupplied[1];
    const double total = CAbs(TComplex{active, reactive});
    // A run whose every step was solved by the light solution (charts off)
    // computed the loss energy only: the other figures say so instead of
    // showing the values they were reset to.
    const bool computed = st.FullSteps > 0;
    auto figure = [computed](const std::string& value) { return computed ? value : std::string(kNotComputed); };
    std::vector<std::string> lines = {
        kStarLine,
        "                   ИТОГО ",
        kStarLine,
        "",
        " W РАСХОД ЭНЕРГИИ",
        kTildeLine,
        "АКТИВНОЙ, тыс. кВт*ч:    " + figure(F53(active / 1000000) + " "),
        "РЕАКТИВНОЙ, тыс. квар*ч:    " + figure(F53(reactive / 1000000) + " "),
        "ОБЩИЙ, тыс. кВА*ч:    " + figure(F53(total / 1000000) + " "),
        "",
        "     dW ПОТЕРИ АКТ ЭНЕРГИИ, kW*h ",
        kTildeLine,
        F53(st.EnergyLoss / 1000) + "    (" + figure(F42(st.LossPercent) + "%") + ")",
        "",
        "    СРЕДНЕЕ НАПРЯЖЕНИЕ НА ТКПР",
        kTildeLine,
        figure(F53(st.MeanVoltage) + " "),
        "",
        " МИНИМАЛЬНОЕ НАПРЯЖЕНИЕ НА ТКПР, V ",
        kTildeLine,
        figure(F53(CAbs(st.MinVoltage)) + " на " + std::to_string(st.MinVoltageStep) + " шаге"),
    };
    if (st.SchemeVariant == 12) {
      // The disconnected track of this scheme: the voltage induced on it.
      lines.push_back("");
      lines.push_back("МАКСИМАЛЬНОЕ НАВЕДЕННОЕ НАПРЯЖЕНИЕ, V");
      lines.push_back(kTildeLine);
      lines.push_back(figure(F53(CAbs(st.MaxVoltage)) + " на " + std::to_string(st.MaxVoltageStep) + " шаге"));
    }
    AppendTextLines(st.Work, kReportFile, lines);
    st.Params.ResultsPending = 0;
  }
  // A new reporting period begins: the loss energy counts again from here and
  // an extreme that no later step improves is reported at step 0. The
  // extremes themselves, the supplied energy and the step count run on.
  st.MinVoltageStep = 0;
  st.MaxVoltageStep = 0;
  st.EnergyLoss = 0;
  st.StepLoss = 0;
  return ReadReportLines(st);
}

std::vector<std::string> ReadReportLines(const AppState& st) {
  return ReadTextLines(st.Work, kReportFile);
}

void ResetRunStart(AppState& st, bool keepReport) {
  if (!keepReport) TruncateFile(st.Work, kReportFile);
  ResetRunAccumulators(st);
}

Bytes LossFileBytes(const TLossSeries& s) {
  ByteWriter w;
  w.F64(s.Step);
  w.I32(s.LastIndex);
  w.F64(s.MaxLoss);
  // N + 2 pairs for N = LastIndex. Steps solved without chart data leave the
  // series shorter than that: such pairs are written as loss 0 at their own
  // step number, and the arrays are never read past their end.
  const long long pairs = std::max(0LL, static_cast<long long>(s.LastIndex) + 2);
  for (long long i = 0; i < pairs; ++i) {
    const size_t k = static_cast<size_t>(i);
    w.F64(k < s.Losses.size() ? s.Losses[k] : 0.0);
    w.I32(k < s.StepIndex.size() ? s.StepIndex[k] : static_cast<int32_t>(i));
  }
  return w.Take();
}

void WriteLossFile(AppState& st) {
  FileImage loss{kLossFile, LossFileBytes(st.LossSeries)};
  // The chart data of the same run beside it, for the charts drawn later,
  // naming the loss file it belongs to; both become visible together, and a
  // failed write leaves the previous run's pair whole.
  st.Chart.LossFile = IdOfLossFile(loss.Data);
  FileImage charts{kChartDataFile, ChartDataBytes(st.Chart, st.SchemeVariant, st.Chart.LossFile)};
  WriteFileSet(st.Work, {std::move(loss), std::move(charts)});
}

TLossSeries LossSeriesFromBytes(const Bytes& data) {
  ByteReader r(data, kLossFile);
  TLossSeries s;
  s.Step = r.F64();
  s.LastIndex = r.I32();
  s.MaxLoss = r.F64();
  const long long pairs = static_cast<long long>(s.LastIndex) + 2;
  // The pair count comes from the file: check it against the bytes present
  // before sizing anything by it.
  if (pairs < 0 || static_cast<unsigned long long>(pairs) > r.Left() / kLossPairBytes)
    throw IoError(std::string(kLossFile) + ": файл повреждён или короче записанного в нём числа шагов");
  s.Losses.resize(static_cast<size_t>(pairs));
  s.StepIndex.resize(static_cast<size_t>(pairs));
  for (long long i = 0; i < pairs; ++i) {
    s.Losses[static_cast<size_t>(i)] = r.F64();
    s.StepIndex[static_cast<size_t>(i)] = r.I32();
  }
  return s;
}

TLossSeries ReadLossFile(const AppState& st) {
  return LossSeriesFromBytes(ReadFileBytes(st.Work, kLossFile));
}

}  // namespace tps
