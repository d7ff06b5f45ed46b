#include "charts/svg.h"

#include <cstdio>

#include "params/conv.h"

namespace tps {

namespace {

// Windows colour value 0x00BBGGRR as #RRGGBB.
std::string Colour(uint32_t c) {
  static const char* hex = "0123456789ABCDEF";
  std::string s = "#";
  for (uint32_t byte : {c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF}) {
    s += hex[byte >> 4];
    s += hex[byte & 0xF];
  }
  return s;
}

std::string Num(double v) { return FloatToStr(RoundTo(v, 2)); }

std::string Line(const ChartLine& l) {
  return "<line x1=\"" + Num(l.X1) + "\" y1=\"" + Num(l.Y1) + "\" x2=\"" + Num(l.X2) + "\" y2=\"" + Num(l.Y2) +
         "\" stroke=\"" + Colour(l.Colour) + "\" stroke-width=\"" + std::to_string(l.Width) + "\"/>\n";
}

}  // namespace

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ChartSvgText(const ChartGeometry& g) {
  std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(g.Width) +
                  "\" height=\"" + std::to_string(g.Height) + "\" viewBox=\"0 0 " + std::to_string(g.Width) + " " +
                  std::to_string(g.Height) + "\" font-family=\"DejaVu Sans, sans-serif\" font-size=\"9\">\n";
  s += "<rect width=\"100%\" height=\"100%\" fill=\"#FFFFFF\"/>\n";
  s += "<g stroke-linecap=\"square\">\n";
  for (const ChartLine& l : g.Lines) s += Line(l);
  for (const ChartLine& l : g.Norms) s += Line(l);
  s += "</g>\n";
  for (const ChartPolyline& p : g.Series) {
    if (p.Xs.empty()) continue;
    s += "<polyline fill=\"none\" stroke-linejoin=\"round\" stroke-linecap=\"round\" stroke=\"" + Colour(p.Colour) +
         "\" stroke-width=\"" + std::to_string(p.Width) + "\" points=\"";
    for (size_t k = 0; k < p.Xs.size() && k < p.Ys.size(); ++k) s += (k ? " " : "") + Num(p.Xs[k]) + "," + Num(p.Ys[k]);
    s += "\"/>\n";
  }
  for (const ChartText& t : g.Texts) {
    double x = t.X, y = t.Y;
    const char* anchor = "middle";
    const char* baseline = "middle";
    switch (t.Align) {
      case TextAlign::Below:
        y += 10;
        baseline = "hanging";
        break;
      case TextAlign::Above:
        y -= 10;
        baseline = "alphabetic";
        break;
      case TextAlign::LeftOf:
        x -= 10;
        anchor = "end";
        break;
      case TextAlign::RightOf:
        x += 10;
        anchor = "start";
        break;
    }
    s += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" text-anchor=\"" + anchor + "\" dominant-baseline=\"" +
         baseline + "\" fill=\"" + Colour(t.Colour) + "\">" + XmlEscape(t.Text) + "</text>\n";
  }
  s += "</svg>\n";
  return s;
}

}  // namespace tps
