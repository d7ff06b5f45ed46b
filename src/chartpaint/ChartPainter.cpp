#include "chartpaint/ChartPainter.h"

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <cmath>

#include "params/errors.h"
#include "params/fileio.h"

namespace tps::paint {

namespace {

// Windows colour value 0x00BBGGRR.
QColor Colour(uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

void Line(QPainter& p, const ChartLine& l) {
  p.setPen(QPen(Colour(l.Colour), l.Width));
  p.drawLine(QPointF(l.X1, l.Y1), QPointF(l.X2, l.Y2));
}

void Text(QPainter& p, const ChartText& t) {
  const QString s = QString::fromStdString(t.Text);
  const QFontMetricsF fm(p.font());
  const double w = fm.horizontalAdvance(s), h = fm.height();
  QRectF r;
  switch (t.Align) {
    case TextAlign::Below:
      r = QRectF(t.X - w / 2, t.Y + 10, w, h);
      break;
    case TextAlign::Above:
      r = QRectF(t.X - w / 2, t.Y - 10 - h, w, h);
      break;
    case TextAlign::LeftOf:
      r = QRectF(t.X - 10 - w, t.Y - h / 2, w, h);
      break;
    case TextAlign::RightOf:
      r = QRectF(t.X + 10, t.Y - h / 2, w, h);
      break;
  }
  p.drawText(r, Qt::AlignCenter, s);
}

QFont ChartFont() {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(9);
  return f;
}

}  // namespace

void PaintChart(QPainter& p, const ChartGeometry& g) {
  p.save();
  p.fillRect(QRectF(0, 0, g.Width, g.Height), Qt::white);
  p.setFont(ChartFont());
  p.setRenderHint(QPainter::Antialiasing, false);
  for (const ChartLine& l : g.Lines) Line(p, l);
  for (const ChartLine& l : g.Norms) Line(p, l);
  p.setRenderHint(QPainter::Antialiasing, true);
  for (const ChartPolyline& s : g.Series) {
    if (s.Xs.empty()) continue;
    QPainterPath path(QPointF(s.Xs[0], s.Ys[0]));
    for (size_t j = 1; j < s.Xs.size() && j < s.Ys.size(); ++j) path.lineTo(s.Xs[j], s.Ys[j]);
    p.setPen(QPen(Colour(s.Colour), s.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
  }
  for (const ChartText& t : g.Texts) {
    p.setPen(Colour(t.Colour));
    Text(p, t);
  }
  p.restore();
}

void PaintPinned(QPainter& p, const ChartGeometry& g) {
  if (g.PinnedWidth <= 0) return;
  p.save();
  const QRectF band(0, 0, g.PinnedWidth, g.Height);
  p.setClipRect(band);
  p.fillRect(band, Qt::white);
  p.setFont(ChartFont());
  p.setRenderHint(QPainter::Antialiasing, false);
  for (const ChartLine& l : g.Lines)
    if (l.Pinned) Line(p, l);
  for (const ChartText& t : g.Texts)
    if (t.Pinned) {
      p.setPen(Colour(t.Colour));
      Text(p, t);
    }
  p.restore();
}

QImage ChartImage(const ChartGeometry& g, double scale) {
  if (!(scale >= 1) || scale > 4) scale = 1;
  QImage img(static_cast<int>(std::ceil(g.Width * scale)), static_cast<int>(std::ceil(g.Height * scale)),
             QImage::Format_RGB32);
  if (img.isNull())
    throw ChartError("Не хватает памяти для изображения графика " + std::to_string(g.Width) + " x " +
                     std::to_string(g.Height));
  img.setDevicePixelRatio(scale);
  QPainter p(&img);
  PaintChart(p, g);
  return img;
}

QByteArray ChartPng(const ChartGeometry& g) {
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  if (!ChartImage(g).save(&buf, "PNG")) throw ChartError("Не удалось закодировать график в PNG");
  return bytes;
}

QByteArray ChartSvg(const ChartGeometry& g) {
  QByteArray bytes;
  QBuffer buf(&bytes);
  buf.open(QIODevice::WriteOnly);
  QSvgGenerator gen;
  gen.setOutputDevice(&buf);
  gen.setSize(QSize(g.Width, g.Height));
  gen.setViewBox(QRect(0, 0, g.Width, g.Height));
  gen.setTitle(QString::fromStdString(g.ValueUnit));
  {
    QPainter p(&gen);
    PaintChart(p, g);
  }
  return bytes;
}

// The folder of a file to be written: it must exist, the save makes none.
std::filesystem::path Target(const std::filesystem::path& file) {
  const std::filesystem::path abs = std::filesystem::absolute(file);
  std::error_code ec;
  if (!std::filesystem::is_directory(abs.parent_path(), ec))
    throw IoError("Папка не найдена: " + abs.parent_path().string());
  return abs;
}

void SaveBytes(const std::filesystem::path& file, const QByteArray& bytes) {
  const std::filesystem::path abs = Target(file);
  const WorkDir dir(abs.parent_path());
  WriteFileBytesAtomic(dir, abs.filename().string(), Bytes(bytes.begin(), bytes.end()));
}

void SaveCsv(const std::filesystem::path& file, const ChartGeometry& g) {
  const std::filesystem::path abs = Target(file);
  WriteChartCsv(WorkDir(abs.parent_path()), abs.filename().string(), g);
}

std::unique_ptr<QGuiApplication> OffscreenGui() {
  if (QCoreApplication::instance()) return nullptr;
  static int argc = 3;
  static char arg0[] = "tpscalc-cli", arg1[] = "-platform", arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace tps::paint
