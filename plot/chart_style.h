// The look shared by every chart of the plotting layer (fonts, lines, colours, axes and the
// scaling of large stock sizes), so that the charts of one run and the overlays of two runs
// read alike.
#pragma once

#include <QChart>
#include <QColor>
#include <QLineSeries>
#include <QScatterSeries>
#include <QString>
#include <QValueAxis>
#include <string>

namespace quorvane::plot {

inline constexpr double kLineWidth = 3.0;
inline constexpr double kMarkerSize = 12.0;

// A band wider than this multiple of the largest estimate (the first years of a bootstrap, where
// the catch hardly constrains the stock, can reach ten times the estimate) is cut at the top of
// the chart so that the estimate itself stays readable.
inline constexpr double kBandClip = 2.0;

inline const QColor kEstimateColour(0x1f, 0x4e, 0x8c);    // dark blue
inline const QColor kSecondColour(0xc4, 0x5a, 0x00);      // dark orange
inline const QColor kBandColour(0x1f, 0x4e, 0x8c, 0x40);  // the estimate's blue, light

// Large stock sizes are shown in thousands or millions so that the axis labels stay short
// ("500", not "5e+05"); the axis title names the unit.
struct Scale {
  double divisor = 1;
  std::string unit = "catch units";
};

Scale scale_for(double top, const std::string& unit = "catch units");

// A chart with the title, fonts, margins and legend of every chart.
QChart* new_chart(const std::string& title);

// A whole-number axis (years, ages) with ticks on round values, `pad` beyond the end values.
QValueAxis* whole_axis(const std::string& title, double low, double high, double pad);

// A value axis from 0 (stock sizes and mortalities are compared with zero) to a round value
// above `top`.
QValueAxis* zero_based_axis(const std::string& title, double top);

// Adds the series to the chart on the two axes.
void attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y);

QLineSeries* line(const QString& name, const QColor& colour, double width = kLineWidth,
                  Qt::PenStyle style = Qt::SolidLine);
QScatterSeries* points(const QString& name, const QColor& colour, double size = kMarkerSize);

// Divides the values of a series by the scale's divisor.
void rescale(QXYSeries* series, const Scale& scale);

}  // namespace quorvane::plot
