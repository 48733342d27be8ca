// Checks on written chart files: a picture of the expected size with more than a handful of
// colours (a blank or one-colour picture has one or two). A PNG is read as written; an SVG must
// declare the expected size as its view box and is drawn at that size on white first.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSet>
#include <QSvgRenderer>
#include <string>

#include "tests/support/files.h"

namespace quorvane::plot::testing {

inline ::testing::AssertionResult is_drawn(const std::string& path, int width, int height) {
  const QString file = QString::fromStdString(path);
  const bool svg = path.ends_with(".svg");
  QImage image = svg ? QImage(width, height, QImage::Format_RGB32) : QImage(file);
  bool right_kind = quorvane::testing::slurp(path).starts_with("\x89PNG\r\n\x1a\n");
  if (svg) {
    QSvgRenderer drawing(file);
    right_kind = drawing.isValid() && drawing.viewBox() == QRect(0, 0, width, height);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawing.render(&painter);
  }
  if (!right_kind || image.size() != QSize(width, height))
    return ::testing::AssertionFailure() << path << ": no picture of " << width << " x " << height;
  QSet<QRgb> colours;
  for (int y = 0; y < image.height() && colours.size() <= 16; y += 3)
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  if (colours.size() <= 16)
    return ::testing::AssertionFailure() << path << ": only " << colours.size() << " colours";
  return ::testing::AssertionSuccess();
}

}  // namespace quorvane::plot::testing
