// The engine's chart geometry painted with Qt: on an image (the chart window,
// PNG) or into SVG. Shared by the window application and by the command line,
// which paints on Qt's offscreen platform and needs no display.
#pragma once

#include <QByteArray>
#include <QImage>
#include <filesystem>
#include <memory>

#include "charts/chart.h"

class QGuiApplication;
class QPainter;

namespace tps::paint {

// Lines, norm lines, series and texts, in that order, on a white ground.
void PaintChart(QPainter& p, const ChartGeometry& g);
// The value axes alone on the white band left of the plot (the pinned lines
// and texts), to be painted over a chart scrolled sideways.
void PaintPinned(QPainter& p, const ChartGeometry& g);
// A fresh image of the chart's size with the chart painted on it; `scale`
// (the screen's device pixel ratio, 1 to 4) paints it that much finer, so it
// stays sharp on a screen scaled to 150 % or 200 %.
QImage ChartImage(const ChartGeometry& g, double scale = 1);
QByteArray ChartPng(const ChartGeometry& g);
QByteArray ChartSvg(const ChartGeometry& g);
// Writes the bytes to a file anywhere (through the file layer, rooted at the
// file's folder, so a failed write keeps the old file and leaves nothing).
void SaveBytes(const std::filesystem::path& file, const QByteArray& bytes);
// The CSV of the chart's series to a file anywhere, as SaveBytes writes.
void SaveCsv(const std::filesystem::path& file, const ChartGeometry& g);

// A GUI application on the "offscreen" platform when the process has none
// (the command line); nullptr when one exists already.
std::unique_ptr<QGuiApplication> OffscreenGui();

}  // namespace tps::paint
