#include "charts/report.h"

#include "charts/svg.h"
#include "params/errors.h"
#include "params/params.h"
#include "solver/norms.h"

namespace tps {

namespace {

const char* kStyle =
    "body{font-family:'DejaVu Sans',Arial,sans-serif;font-size:10pt;margin:2em;color:#000}"
    "h1{font-size:16pt}h2{font-size:12pt;margin-top:1.5em}"
    "table{border-collapse:collapse;margin:0.5em 0}"
    "th,td{border:1px solid #888;padding:2px 6px;text-align:left;vertical-align:top}"
    "th{background:#EEE}.chart{margin:1em 0;overflow-x:auto}";

}  // namespace

std::string ReportHtml(const ReportDocument& d, const std::function<std::string(size_t)>& image) {
  std::string h = "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                  XmlEscape(d.Title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<h1>" +
                  XmlEscape(d.Title) + "</h1>\n";
  for (const std::string& n : d.Notes) h += "<p>" + XmlEscape(n) + "</p>\n";
  for (const ReportTable& t : d.Tables) {
    h += "<h2>" + XmlEscape(t.Caption) + "</h2>\n<table>\n";
    if (!t.Head.empty()) {
      h += "<tr>";
      for (const std::string& c : t.Head) h += "<th>" + XmlEscape(c) + "</th>";
      h += "</tr>\n";
    }
    for (const auto& row : t.Rows) {
      h += "<tr>";
      for (const std::string& c : row) h += "<td>" + XmlEscape(c) + "</td>";
      h += "</tr>\n";
    }
    h += "</table>\n";
  }
  for (size_t k = 0; k < d.Charts.size(); ++k) {
    h += "<h2>" + XmlEscape(d.Charts[k].Caption) + "</h2>\n<div class=\"chart\">\n";
    h += image ? "<img src=\"" + XmlEscape(image(k)) + "\" alt=\"" + XmlEscape(d.Charts[k].Caption) + "\">\n"
               : ChartSvgText(d.Charts[k].Geometry);
    h += "</div>\n";
  }
  h += "</body>\n</html>\n";
  return h;
}

std::vector<ReportChart> RunReportCharts(AppState& st) {
  std::vector<ReportChart> charts;
  const struct {
    int Kind;
    const char* Caption;
  } kinds[] = {{1, "Потери мощности по шагам"},
               {3, "Напряжение на токоприемниках поездов"},
               {5, "Токи фидеров"}};
  for (const auto& k : kinds) {
    if (!ChartAvailable(st.Chart, k.Kind)) continue;
    try {
      charts.push_back({k.Caption, OpenChart(st, k.Kind, std::string())});
    } catch (const ChartError&) {
      // A chart the data cannot give is left out of the report.
    } catch (const IoError&) {
      // So is one whose loss file is missing or belongs to another run.
    }
  }
  return charts;
}

ReportDocument RunReportDocument(AppState& st, const std::vector<std::string>& totals,
                                 const std::string& programVersion) {
  ReportDocument d;
  d.Title = std::string("Расчёт схемы электроснабжения: ") + VariantName(st.SchemeVariant);
  ReportTable inputs{"Исходные данные", {"Величина", "Значение"}, {}};
  inputs.Rows.push_back({"Программа", "tpscalc " + programVersion});
  inputs.Rows.push_back({"Схема", std::to_string(st.SchemeVariant) + " " + VariantName(st.SchemeVariant)});
  static const char* const kModes[] = {"Тестовый", "Вероятностный расчет", "Расчет по ГДП", "Конструктор схем"};
  inputs.Rows.push_back({"Режим", st.RunMode < 4 ? kModes[st.RunMode] : "?"});
  for (const char* field : {"ZoneLength", "UaRe", "UaIm", "UbRe", "UbIm", "StepMinutes", "PskKm", "Pps1Km",
                            "Pps2Km", "ContactWireType", "MessengerType", "FeederType", "RailType",
                            "EarthConductivity", "ContactWireR", "MessengerR", "FeederR", "RailR"}) {
    std::string text;
    if (GetParamField(st.Params, field, text)) inputs.Rows.push_back({field, text});
  }
  d.Tables.push_back(inputs);
  ReportTable sums{"Итоги", {}, {}};
  for (const std::string& line : totals) sums.Rows.push_back({line});
  d.Tables.push_back(sums);
  ReportTable norms{"Соответствие нормам", {}, {}};
  for (const std::string& line : NormComplianceLines(NormsOf(st))) norms.Rows.push_back({line});
  d.Tables.push_back(norms);
  d.Charts = RunReportCharts(st);
  return d;
}

}  // namespace tps
