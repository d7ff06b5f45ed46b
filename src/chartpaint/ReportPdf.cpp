#include "chartpaint/ReportPdf.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <string>

#include "chartpaint/ChartPainter.h"

namespace tps::paint {

namespace {

// The widest picture on the page's text width, pixels of the document.
constexpr int kPageWidth = 700;

std::string ChartName(size_t k) { return "chart" + std::to_string(k) + ".png"; }

}  // namespace

QByteArray ReportPdf(const ReportDocument& d) {
  QTextDocument doc;
  doc.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 8));
  for (size_t k = 0; k < d.Charts.size(); ++k) {
    QImage image = ChartImage(d.Charts[k].Geometry, 2);
    const int width = std::min(kPageWidth, d.Charts[k].Geometry.Width);
    image = image.scaledToWidth(width, Qt::SmoothTransformation);
    doc.addResource(QTextDocument::ImageResource, QUrl(QString::fromStdString(ChartName(k))), image);
  }
  doc.setHtml(QString::fromStdString(ReportHtml(d, ChartName)));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter pdf(&buffer);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setTitle(QString::fromStdString(d.Title));
    pdf.setCreator(QStringLiteral("tpscalc"));
    doc.print(&pdf);
  }
  buffer.close();
  return bytes;
}

void SaveReportPdf(const std::filesystem::path& file, const ReportDocument& d) {
  SaveBytes(file, ReportPdf(d));
}

}  // namespace tps::paint
