// "report": the last run or comparison of the working directory as one
// self-contained HTML document (and, built with Qt, as PDF): its inputs,
// totals, norm compliance and charts, or the comparison's table, ranking and
// chart.
#include <string>
#include <vector>

#include "charts/comparechart.h"
#include "charts/report.h"
#include "params/chartfile.h"
#include "cli/common.h"
#include "cli/report_file.h"
#include "params/conv.h"
#include "params/errors.h"
#include "params/fileio.h"
#include "solver/norms.h"

#ifdef TPS_CHART_PAINT
#include <QGuiApplication>

#include "chartpaint/ChartPainter.h"
#include "chartpaint/ReportPdf.h"
#endif

namespace tps::cli {

namespace {

struct ReportOptions {
  std::string html, pdf;
};

// A member, or null where the answer has none.
Json At(const Json& j, const char* key) {
  return j.is_object() && j.contains(key) ? j[key] : Json();
}

std::string Text(const Json& v) {
  if (v.is_null()) return "—";
  if (v.is_string()) return v.get<std::string>();
  if (v.is_boolean()) return v.get<bool>() ? "да" : "нет";
  if (v.is_number_integer() || v.is_number_unsigned()) return v.dump();
  if (v.is_number()) return FloatToStr(RoundTo(v.get<double>(), 3));
  if (v.is_array()) {
    std::string s;
    for (const Json& x : v) s += (s.empty() ? "" : "; ") + Text(x);
    return s;
  }
  return v.dump();
}

// The captions of the figures a run's answer holds.
const std::pair<const char*, const char*> kTotals[] = {
    {"outcome", "Исход"},
    {"steps_solved", "Шагов решено"},
    {"model_time_min", "Модельное время, мин"},
    {"energy_supplied", "Отпущено с шин: активная, Вт·ч; реактивная, вар·ч"},
    {"energy_supplied_wh", "Отпущено с шин, Вт·ч"},
    {"energy_supplied_varh", "Отпущено реактивной, вар·ч"},
    {"energy_loss_wh", "Потери энергии, Вт·ч"},
    {"loss_percent", "Потери, %"},
    {"min_voltage", "Наименьшее напряжение в узлах, В"},
    {"min_voltage_v", "Наименьшее напряжение в узлах, В"},
    {"min_voltage_step", "Шаг наименьшего напряжения"},
    {"mean_voltage", "Среднее напряжение, В"},
    {"mean_voltage_v", "Среднее напряжение, В"},
    {"max_voltage", "Наибольшее напряжение, В"},
    {"max_voltage_v", "Наибольшее напряжение, В"},
    {"elapsed_s", "Время расчёта, с"},
};

const std::pair<const char*, const char*> kNormFigures[] = {
    {"norm1_v", "Первая норма (минимум на ТКПР), В"},
    {"norm2_v", "Вторая норма (минимум на ТКПР*), В"},
    {"steps_checked", "Шагов проверено"},
    {"mean_useful_voltage_v", "Среднее полезное напряжение, В"},
    {"below_norm1_share", "Доля поездо-минут ниже первой нормы"},
    {"below_norm2_share", "Доля поездо-минут ниже второй нормы"},
    {"min_voltage_v", "Наименьшее напряжение на токоприемнике, В"},
    {"min_voltage_train", "Поезд"},
    {"min_voltage_step", "Шаг"},
    {"min_voltage_time_min", "Время, мин"},
    {"min_voltage_km", "Место, км"},
};

ReportTable Pairs(const std::string& caption, const Json& j,
                  const std::pair<const char*, const char*>* keys, size_t count) {
  ReportTable t{caption, {}, {}};
  for (size_t k = 0; k < count; ++k)
    if (j.contains(keys[k].first)) t.Rows.push_back({keys[k].second, Text(j[keys[k].first])});
  return t;
}

ReportTable Inputs(const Json& keep) {
  ReportTable t{"Исходные данные", {"Величина", "Значение"}, {}};
  const Json answer = At(keep, "answer");
  t.Rows.push_back({"Программа", "tpscalc " + std::string(TPS_VERSION)});
  t.Rows.push_back({"Схема", Text(At(keep, "scheme")) + " " + Text(At(keep, "scheme_name"))});
  const Json inputs = answer.contains("inputs") ? answer["inputs"] : answer;
  for (const char* key : {"schedule", "seed", "runs", "period"})
    if (inputs.contains(key)) t.Rows.push_back({key, Text(inputs[key])});
  if (At(keep, "params").is_object())
    for (const auto& [field, value] : keep["params"].items()) t.Rows.push_back({field, Text(value)});
  return t;
}

void NormTables(ReportDocument& d, const Json& norms) {
  d.Tables.push_back(Pairs("Соответствие нормам", norms, kNormFigures, std::size(kNormFigures)));
  ReportTable trains{"Поезда",
                     {"Поезд", "Путь", "Под током, мин", "Ниже нормы 1, мин", "Ниже нормы 2, мин",
                      "Наименьшее, В", "Время, мин", "Место, км"},
                     {}};
  if (At(norms, "trains").is_array())
    for (const Json& t : norms["trains"])
      trains.Rows.push_back({Text(At(t, "train")), Text(At(t, "track")), Text(At(t, "minutes_drawing_min")),
                             Text(At(t, "minutes_below_norm1")), Text(At(t, "minutes_below_norm2")), Text(At(t, "min_voltage_v")),
                             Text(At(t, "min_voltage_time_min")), Text(At(t, "min_voltage_km"))});
  d.Tables.push_back(trains);
  ReportTable feeders{"Фидеры", {"Фидер", "Наибольший ток, А", "Действующий ток, А"}, {}};
  if (At(norms, "feeders").is_array())
    for (const Json& f : norms["feeders"])
      feeders.Rows.push_back({Text(At(f, "feeder")), Text(At(f, "peak_current_a")), Text(At(f, "rms_current_a"))});
  d.Tables.push_back(feeders);
}

ReportDocument RunDocument(AppState& st, const Json& keep) {
  ReportDocument d;
  const Json a = At(keep, "answer");
  d.Title = "Расчёт схемы электроснабжения: " + Text(At(keep, "scheme_name"));
  d.Tables.push_back(Inputs(keep));
  d.Tables.push_back(Pairs("Итоги", a, kTotals, std::size(kTotals)));
  if (a.contains("norms")) NormTables(d, a["norms"]);
  else d.Notes.push_back("Напряжения на токоприемниках не проверены: расчёт без построения графиков.");
  // The charts of the same run, from its chart data beside the loss file.
  try {
    SavedChartData saved = ReadChartDataFile(st.Work);
    st.Chart = std::move(saved.Data);
    st.SchemeVariant = saved.Variant;
    d.Charts = RunReportCharts(st);
  } catch (const std::exception&) {
    d.Notes.push_back("Графики не включены: данных графиков последнего расчёта нет.");
  }
  return d;
}

ReportDocument CompareDocument(const Json& keep) {
  ReportDocument d;
  const Json a = At(keep, "answer");
  d.Title = "Сравнение схем электроснабжения";
  d.Tables.push_back(Inputs(keep));
  ReportTable table{"Схемы",
                    {"Схема", "Название", "Отпущено, Вт·ч", "Потери, Вт·ч", "Потери, %", "Среднее полезное, В",
                     "Наименьшее, В", "Ниже нормы 1", "Ниже нормы 2", "Ток фидера, А", "Место", "Причина"},
                    {}};
  std::vector<CompareBar> bars;
  for (const Json& r : At(a, "schemes")) {
    table.Rows.push_back({Text(At(r, "scheme")), Text(At(r, "scheme_name")), Text(At(r, "energy_supplied_wh")),
                          Text(At(r, "energy_loss_wh")), Text(At(r, "loss_percent")), Text(At(r, "mean_useful_voltage_v")),
                          Text(At(r, "min_voltage_v")), Text(At(r, "below_norm1_share")), Text(At(r, "below_norm2_share")),
                          Text(At(r, "peak_current_a")), Text(At(r, "rank")), Text(At(r, "reason"))});
    CompareBar b;
    b.Variant = At(r, "scheme").is_number() ? r["scheme"].get<int>() : 0;
    auto summary = [&](const char* key, double scale) {
      FigureSummary s;
      const Json v = At(r, key);
      s.Mean = s.Low = s.High = v.is_number() ? v.get<double>() * scale : 0;
      const std::string ci = std::string(key) + "_ci95";
      if (r.contains(ci) && r[ci].is_array() && r[ci].size() == 2 && r[ci][0].is_number() && r[ci][1].is_number()) {
        s.Low = r[ci][0].get<double>() * scale;
        s.High = r[ci][1].get<double>() * scale;
      }
      return s;
    };
    b.LossKwh = summary("energy_loss_wh", 0.001);
    b.LowestV = summary("min_voltage_v", 1);
    b.Interval = r.contains("energy_loss_wh_ci95");
    bars.push_back(b);
  }
  d.Tables.push_back(table);
  ReportTable rank{"Выбор", {}, {}};
  rank.Rows.push_back({"Лучшая схема", Text(At(a, "best"))});
  rank.Rows.push_back({"Почему", Text(At(a, "best_reason"))});
  for (const Json& u : At(a, "unfit")) rank.Rows.push_back({"Схема " + Text(At(u, "scheme")) + " не подходит", Text(At(u, "reason"))});
  d.Tables.push_back(rank);
  const Json n1 = At(a, "norm1_v"), n2 = At(a, "norm2_v");
  const PantographNorms norms{n1.is_number() ? n1.get<double>() : 0, n2.is_number() ? n2.get<double>() : 0};
  if (!bars.empty())
    d.Charts.push_back({"Потери и наименьшие напряжения по схемам",
                        BuildCompareChart(bars, At(a, "best").is_number() ? a["best"].get<int>() : 0, norms)});
  return d;
}

int Report(AppState& st, CliHost& host, const ReportOptions& ro, std::ostream& out) {
  if (ro.html.empty() && ro.pdf.empty()) throw UsageError("report takes --html FILE and/or --pdf FILE");
  Json keep;
  try {
    const Bytes bytes = ReadFileBytes(st.Work, kLastResultFile);
    keep = Json::parse(bytes.begin(), bytes.end());
  } catch (const IoError& e) {
    throw UsageError(std::string("no run or comparison to report yet (") + e.what() + ")");
  } catch (const Json::exception& e) {
    throw IoError(std::string("Файл повреждён: ") + kLastResultFile + " (" + e.what() + ")");
  }
  if (!keep.is_object() || !At(keep, "answer").is_object())
    throw IoError(std::string("Файл повреждён: ") + kLastResultFile);
  const bool compare = At(keep, "kind") == Json("compare");
  const ReportDocument d = compare ? CompareDocument(keep) : RunDocument(st, keep);
  if (!ro.html.empty()) SaveExport(ro.html, ReportHtml(d));
  if (!ro.pdf.empty()) {
#ifdef TPS_CHART_PAINT
    auto gui = paint::OffscreenGui();
    paint::SaveReportPdf(ro.pdf, d);
#else
    throw UsageError("--pdf needs the program built with Qt");
#endif
  }
  Json j;
  j["kind"] = compare ? "compare" : "run";
  if (!ro.html.empty()) j["html"] = ro.html;
  if (!ro.pdf.empty()) j["pdf"] = ro.pdf;
  j["chart_count"] = d.Charts.size();
  j["messages"] = Messages(host);
  Print(out, j);
  return 0;
}

}  // namespace

void RegisterReportCommands(Registry& r) {
  ReportOptions& ro = r.Keep<ReportOptions>();
  CLI::App* c = r.app.add_subcommand(
      "report", "the last run or comparison as one document to hand over: HTML (charts inside) and PDF");
  c->add_option("--html", ro.html, "the report as HTML (an export: any path)")->type_name("FILE");
  c->add_option("--pdf", ro.pdf, "the report as PDF (an export: any path)")->type_name("FILE");
  r.AddCommand(
      c, [&ro](AppState& st, CliHost& host, std::ostream& out, std::ostream&) { return Report(st, host, ro, out); },
      Access::Reads);
}

}  // namespace tps::cli
