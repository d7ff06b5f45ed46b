// The report as PDF through Qt's own PDF writer: the same HTML as the
// report's, laid out on A4 pages by Qt's rich text, each chart painted as a
// picture of the engine's geometry.
#pragma once

#include <QByteArray>
#include <filesystem>

#include "charts/report.h"

namespace tps::paint {

QByteArray ReportPdf(const ReportDocument& d);
// Written as SaveBytes writes (a failed write keeps the old file).
void SaveReportPdf(const std::filesystem::path& file, const ReportDocument& d);

}  // namespace tps::paint
