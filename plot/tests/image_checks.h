// Checks on written chart files: a PNG of the expected size with more than a handful of colours
// (a blank or one-colour picture has one or two), an SVG that parses, declares the expected size
// and holds some drawing.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QSet>
#include <QXmlStreamReader>
#include <fstream>
#include <iterator>
#include <string>

namespace quorvane::plot::testing {

inline std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline ::testing::AssertionResult is_drawn_png(const std::string& path, int width, int height) {
  const QImage image(QString::fromStdString(path));
  if (!file_bytes(path).starts_with("\x89PNG\r\n\x1a\n") || image.size() != QSize(width, height)) {
    return ::testing::AssertionFailure() << path << ": no PNG of " << width << " x " << height;
  }
  QSet<QRgb> colours;
  for (int y = 0; y < image.height() && colours.size() <= 16; y += 3) {
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  }
  if (colours.size() <= 16) {
    return ::testing::AssertionFailure() << path << ": only " << colours.size() << " colours";
  }
  return ::testing::AssertionSuccess();
}

// The root <svg> with viewBox "0 0 width height", and more than a handful of drawn elements.
inline ::testing::AssertionResult is_drawn_svg(const std::string& path, int width, int height) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return ::testing::AssertionFailure() << path << ": unread";
  QXmlStreamReader xml(&file);
  QString view_box;
  int elements = 0, drawn = 0;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (elements++ == 0 && xml.name() == u"svg") {
      view_box = xml.attributes().value("viewBox").toString();
    } else if (xml.name() == u"path" || xml.name() == u"polyline" || xml.name() == u"text") {
      ++drawn;
    }
  }
  if (xml.hasError() || view_box != QString("0 0 %1 %2").arg(width).arg(height) || drawn < 20) {
    return ::testing::AssertionFailure() << path << ": viewBox '" << view_box.toStdString() << "', "
                                         << drawn << " drawn, " << xml.errorString().toStdString();
  }
  return ::testing::AssertionSuccess();
}

}  // namespace quorvane::plot::testing
