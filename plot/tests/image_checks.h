// Checks on written chart files: a PNG of the expected size with more than a handful of colours
// (a blank or one-colour picture has one or two), an SVG of the expected size with some drawing.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QSet>
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

// An SVG (written by Qt's generator, so well-formed) that declares the expected size as its
// viewBox and holds more than a handful of drawn elements.
inline ::testing::AssertionResult is_drawn_svg(const std::string& path, int width, int height) {
  const std::string svg = file_bytes(path);
  const std::string view_box =
      "viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) + "\"";
  int drawn = 0;  // paths, polylines and texts
  for (auto at = svg.find("<"); at != std::string::npos; at = svg.find("<", at + 1)) {
    drawn += svg.compare(at, 5, "<path") == 0 || svg.compare(at, 5, "<poly") == 0 ||
             svg.compare(at, 5, "<text") == 0;
  }
  if (!svg.starts_with("<?xml") || svg.find(view_box) == std::string::npos || drawn < 20) {
    return ::testing::AssertionFailure()
           << path << ": no " << view_box << " or " << drawn << " drawn";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace quorvane::plot::testing
