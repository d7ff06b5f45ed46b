#include "ui/SchemePictureWidget.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace tps::ui {

namespace {
QColor ToColor(Rgb c) { return QColor(c.R, c.G, c.B); }
}  // namespace

SchemePictureWidget::SchemePictureWidget(QWidget* parent) : QWidget(parent) {
  setObjectName("schemePicture");
  // 800 pixels at least; the window may make it wider.
  setMinimumWidth(kPanelWidth);
  setFixedHeight(kPanelHeight);
  setAutoFillBackground(false);
}

namespace {
constexpr size_t kMaxBitmapBytes = 4u << 20;
}  // namespace

const QPixmap* SchemePictureWidget::Bitmap(const std::string& name) {
  auto it = bitmaps_.find(name);
  if (it != bitmaps_.end()) return &it->second;
  if (missing_.count(name)) return nullptr;
  // Read through the file layer, so a picture is taken only from a regular
  // file inside the working directory (a channel planted there would hang a
  // direct load); a picture of the scheme is small.
  QImage img;
  try {
    if (work_.Exists(name)) {
      const Bytes data = ReadFileBytes(work_, name, kMaxBitmapBytes);
      img.loadFromData(data.data(), static_cast<int>(data.size()));
    }
  } catch (const std::exception&) {
  }
  if (img.isNull()) {
    missing_[name] = true;
    if (onBitmapMissing) onBitmapMissing(name);
    return nullptr;
  }
  // White is the transparent colour of every picture of the scheme.
  QImage argb = img.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(argb.scanLine(y));
    for (int x = 0; x < argb.width(); ++x)
      if ((row[x] & 0x00FFFFFFu) == 0x00FFFFFFu) row[x] = 0;
  }
  return &bitmaps_.emplace(name, QPixmap::fromImage(argb)).first->second;
}

TextMetrics SchemePictureWidget::Metrics() const {
  TextMetrics m;
  const QFont base = font();
  m.Width = [base](const std::string& text, bool bold) {
    QFont f = base;
    f.setBold(bold);
    return QFontMetrics(f).horizontalAdvance(QString::fromStdString(text));
  };
  m.LineHeight = QFontMetrics(base).height();
  return m;
}

void SchemePictureWidget::SetPicture(SchemePicture pic) {
  pic_ = std::move(pic);
  for (const ImagePart& p : pic_.Images)
    if (p.Visible && !p.Bitmap.empty()) Bitmap(p.Bitmap);
  update();
}

void SchemePictureWidget::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (onResized) onResized(width());
}

void SchemePictureWidget::paintEvent(QPaintEvent*) {
  QPainter g(this);
  g.fillRect(0, 0, pic_.Width, pic_.Height, ToColor(pic_.Background));
  for (const ImagePart& p : pic_.Images) {
    if (!p.Visible) continue;
    g.save();
    g.translate(p.Left, p.Top);
    g.setClipRect(0, 0, p.Width, p.Height);
    if (!p.Bitmap.empty()) {
      auto it = bitmaps_.find(p.Bitmap);
      if (it != bitmaps_.end()) g.drawPixmap(0, 0, it->second);
    }
    g.setBrush(Qt::NoBrush);
    for (const EllipseShape& e : p.Ellipses) {
      g.setPen(QPen(ToColor(e.Color), e.Width));
      g.drawEllipse(QRectF(e.X1 + 0.5, e.Y1 + 0.5, e.X2 - e.X1 - 1, e.Y2 - e.Y1 - 1));
    }
    for (const Stroke& s : p.Strokes) {
      g.setPen(QPen(ToColor(s.Color), s.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      QPolygon poly;
      for (const PicPoint& pt : s.Points) poly << QPoint(pt.X, pt.Y);
      g.drawPolyline(poly);
    }
    g.restore();
  }
  for (const TextPart& t : pic_.Texts) {
    if (!t.Visible || t.Text.empty()) continue;
    QFont f = font();
    f.setBold(t.Bold);
    g.setFont(f);
    g.setPen(Qt::black);
    const QString text = QString::fromStdString(t.Text);
    QFontMetrics fm(f);
    const int w = fm.horizontalAdvance(text);
    const int h = fm.height();
    const int left = LeftForCentre(t.CentreX, w, t.How);
    const int top = t.AnchorBottom ? t.Y - h : t.Y;
    g.drawText(QRect(left, top, w + 1, h), Qt::AlignLeft | Qt::AlignTop, text);
  }
}

}  // namespace tps::ui
