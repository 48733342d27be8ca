// Checks on written chart files: a PNG of the expected size that is not blank, an SVG that
// parses and declares the expected size.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QSet>
#include <QXmlStreamReader>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

namespace quorvane::plot::testing {

inline std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::uint32_t big_endian(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

// The signature, the IHDR chunk first with the width and height, and more than a handful of
// distinct colours (a blank or a one-colour image has one or two).
inline ::testing::AssertionResult is_drawn_png(const std::string& path, int width, int height) {
  const std::string bytes = file_bytes(path);
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) {
    return ::testing::AssertionFailure() << path << ": no PNG signature";
  }
  if (bytes.compare(12, 4, "IHDR") != 0) {
    return ::testing::AssertionFailure() << path << ": the first chunk is not IHDR";
  }
  const std::uint32_t w = big_endian(bytes, 16);
  const std::uint32_t h = big_endian(bytes, 20);
  if (w != static_cast<std::uint32_t>(width) || h != static_cast<std::uint32_t>(height)) {
    return ::testing::AssertionFailure() << path << ": " << w << " x " << h;
  }
  const QImage image(QString::fromStdString(path));
  QSet<QRgb> colours;
  for (int y = 0; y < image.height() && colours.size() <= 16; y += 3) {
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  }
  if (colours.size() <= 16) {
    return ::testing::AssertionFailure() << path << ": only " << colours.size() << " colours";
  }
  return ::testing::AssertionSuccess();
}

// Well-formed XML whose root is <svg> with viewBox "0 0 width height" and some drawing in it.
inline ::testing::AssertionResult is_drawn_svg(const std::string& path, int width, int height) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return ::testing::AssertionFailure() << path << ": unread";
  QXmlStreamReader xml(&file);
  QString view_box;
  int drawn = 0;
  bool root = true;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (root) {
      if (xml.name() != QLatin1String("svg")) {
        return ::testing::AssertionFailure() << path << ": the root is not <svg>";
      }
      view_box = xml.attributes().value("viewBox").toString();
      root = false;
    } else if (xml.name() == QLatin1String("path") || xml.name() == QLatin1String("polyline") ||
               xml.name() == QLatin1String("text")) {
      ++drawn;
    }
  }
  if (xml.hasError()) {
    return ::testing::AssertionFailure() << path << ": " << xml.errorString().toStdString();
  }
  if (view_box != QString("0 0 %1 %2").arg(width).arg(height)) {
    return ::testing::AssertionFailure() << path << ": viewBox '" << view_box.toStdString() << "'";
  }
  if (drawn < 20) return ::testing::AssertionFailure() << path << ": " << drawn << " elements";
  return ::testing::AssertionSuccess();
}

}  // namespace quorvane::plot::testing
