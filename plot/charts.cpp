#include "plot/charts.h"

#include <QAreaSeries>
#include <QBuffer>
#include <QCategoryAxis>
#include <QFile>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPainter>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <stdexcept>

#include "base/errors.h"
#include "plot/bubbles.h"
#include "plot/chart_style.h"
#include "plot/residual_runs.h"
#include "run/leave_out.h"

namespace quorvane::plot {

// Sizes in pixels, chosen so that a chart of 1200 x 800 (the saved size) and one filling most of
// a 1366 x 768 screen read at arm's length, and a saved chart printed half a page wide still shows
// its labels at about 8 points.
constexpr int kTitlePixels = 24;
constexpr int kAxisTitlePixels = 19;
constexpr int kLabelPixels = 17;
constexpr int kLegendPixels = 17;

// The largest bubble fills this part of one year or one age of the plot area, so that
// neighbouring bubbles touch only when both are near the largest.
constexpr double kBubbleFill = 0.95;

const QColor kSurveyColour(0xc0, 0x1c, 0x28);    // red
const QColor kPositiveColour(0xc0, 0x1c, 0x28);  // red: observed above the model
const QColor kNegativeColour(0x1f, 0x5f, 0xa8);  // blue: observed below the model

const QColor kLimitColour(0xa5, 0x00, 0x26);       // dark red: a limit reference point
const QColor kPrecautionColour(0xe6, 0x9f, 0x00);  // amber: a precautionary one
const QColor kMsyColour(0x00, 0x9e, 0x73);         // green: one of the MSY approach

// Colours that stay apart in print and for the common red-green colour blindness.
const QColor kPalette[] = {QColor(0x00, 0x72, 0xb2), QColor(0xd5, 0x5e, 0x00),
                           QColor(0x00, 0x9e, 0x73), QColor(0xcc, 0x79, 0xa7),
                           QColor(0x56, 0xb4, 0xe9), QColor(0xe6, 0x9f, 0x00),
                           QColor(0x4d, 0x4d, 0x4d), QColor(0x88, 0x22, 0x55),
                           QColor(0x33, 0x22, 0x88), QColor(0x99, 0x99, 0x33)};

QColor palette(std::size_t i) { return kPalette[i % std::size(kPalette)]; }

QFont pixel_font(int pixels, bool bold = false) {
  QFont font;
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QChart* new_chart(const std::string& title) {
  auto* chart = new QChart;
  chart->setTitle(QString::fromStdString(title));
  chart->setTitleFont(pixel_font(kTitlePixels, true));
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundRoundness(0);
  chart->setMargins(QMargins(8, 8, 8, 8));
  chart->legend()->setFont(pixel_font(kLegendPixels));
  chart->legend()->setAlignment(Qt::AlignBottom);
  return chart;
}

void style_axis(QAbstractAxis* axis, const std::string& title) {
  axis->setTitleText(QString::fromStdString(title));
  axis->setTitleFont(pixel_font(kAxisTitlePixels, true));
  axis->setLabelsFont(pixel_font(kLabelPixels));
  QPen grid = axis->gridLinePen();
  grid.setColor(QColor(0xd0, 0xd0, 0xd0));
  axis->setGridLinePen(grid);
}

// A whole-number axis (years, ages) with ticks on round values.
QValueAxis* whole_axis(const std::string& title, double low, double high, double pad) {
  auto* axis = new QValueAxis;
  style_axis(axis, title);
  const double span = high - low;
  const double step = span <= 12 ? 1 : span <= 25 ? 2 : span <= 60 ? 5 : 10;
  axis->setRange(low - pad, high + pad);
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(std::ceil(low / step) * step);
  axis->setTickInterval(step);
  axis->setLabelFormat("%.0f");
  axis->setMinorTickCount(0);
  return axis;
}

// A value axis from 0 (stock sizes and mortalities are compared with zero) to a round value
// above `top`.
QValueAxis* zero_based_axis(const std::string& title, double top) {
  auto* axis = new QValueAxis;
  style_axis(axis, title);
  axis->setRange(0, top > 0 ? top * 1.05 : 1);
  axis->applyNiceNumbers();
  axis->setLabelFormat("%g");
  return axis;
}

Scale scale_for(double top, const std::string& unit) {
  if (top >= 1e7) return {1e6, "millions of " + unit};
  if (top >= 1e4) return {1e3, "thousands of " + unit};
  return {1, unit};
}

bool stated(const std::string& unit) { return !unit.empty() && unit != "not stated"; }

// The unit of SSB and stock weight on an axis: the stated one, or "catch units".
std::string weight_unit(const PlotData& data) {
  const std::string unit = biomass_unit(data);
  return unit.empty() ? "catch units" : unit;
}

std::string numbers_unit(const PlotData& data) {
  return stated(data.units_numbers) ? data.units_numbers : "catch units";
}

void attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
  chart->addSeries(series);
  series->attachAxis(x);
  series->attachAxis(y);
}

QLineSeries* line(const QString& name, const QColor& colour, double width, Qt::PenStyle style) {
  auto* series = new QLineSeries;
  series->setName(name);
  QPen pen(colour);
  pen.setWidthF(width);
  pen.setStyle(style);
  series->setPen(pen);
  return series;
}

QScatterSeries* points(const QString& name, const QColor& colour, double size) {
  auto* series = new QScatterSeries;
  series->setName(name);
  series->setMarkerShape(QScatterSeries::MarkerShapeCircle);
  series->setMarkerSize(size);
  series->setColor(colour);
  series->setBorderColor(colour.darker(130));
  return series;
}

// Divides the values of a series by the scale's divisor.
void rescale(QXYSeries* series, const Scale& scale) {
  if (scale.divisor == 1) return;
  QList<QPointF> values = series->points();
  for (QPointF& p : values) p.setY(p.y() / scale.divisor);
  series->replace(values);
}

namespace {

void hide_from_legend(QChart* chart, QAbstractSeries* series) {
  for (QLegendMarker* marker : chart->legend()->markers(series)) marker->setVisible(false);
}

std::string number_text(double v, int digits) {
  return QString::number(v, 'g', digits).toStdString();
}

struct Range {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  void add(double v) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
  bool empty() const { return low > high; }
};

Range year_range(const PlotData& data) {
  Range years;
  for (const SummaryRow& r : data.summary) years.add(r.year);
  return years;
}

int first_age(const PlotData& data) {
  int age = std::numeric_limits<int>::max();
  for (const StockRow& r : data.stock) age = std::min(age, r.age);
  return age;
}

std::optional<double> rho_of(const PlotData& data, const std::string& quantity) {
  for (const RetroRhoRow& r : data.retro_rho) {
    if (r.quantity == quantity) return r.rho;
  }
  return std::nullopt;
}

// A reference point as a dotted line across the years of the chart.
QLineSeries* reference_line(const std::string& name, double value, const Range& years,
                            const QColor& colour) {
  auto* series = line(QString::fromStdString(name), colour, 2.0, Qt::DotLine);
  series->append(years.low - 0.5, value);
  series->append(years.high + 0.5, value);
  return series;
}

// The reference points of one chart that the run states, each a line of its own colour: the
// limit dark red, the precautionary point amber, the MSY point green.
struct ReferenceMark {
  std::optional<double> value;
  std::string name;
  QColor colour;
};
std::vector<QLineSeries*> reference_lines(const Range& years,
                                          std::initializer_list<ReferenceMark> marks) {
  std::vector<QLineSeries*> lines;
  for (const ReferenceMark& m : marks)
    if (m.value) lines.push_back(reference_line(m.name, *m.value, years, m.colour));
  return lines;
}

// The 5 % and 95 % values of the rows where both are finite, at x_of(row), each placed between 0
// and `cap`; `cut` when a 95 % value was above the cap.
template <typename Row, typename X>
BandPoints band_points(const std::vector<Row>& rows, X x_of, std::optional<double> Row::*low,
                       std::optional<double> Row::*high, double cap) {
  BandPoints band;
  for (const Row& r : rows) {
    const std::optional<double>& lo = r.*low;
    const std::optional<double>& hi = r.*high;
    if (!lo || !hi || !std::isfinite(*lo) || !std::isfinite(*hi)) continue;
    if (*hi > cap) band.cut = true;
    band.lower.emplace_back(x_of(r), std::clamp(*lo, 0.0, cap));
    band.upper.emplace_back(x_of(r), std::clamp(*hi, 0.0, cap));
  }
  return band;
}

// The band as an area between two lines, in a light shade of `colour`. Qt Charts draws a point
// far outside the axis range as a chord across the plot, so every point is placed inside it by
// band_points.
QAreaSeries* band_series(const BandPoints& points, const std::string& name,
                         QColor colour = kEstimateColour) {
  if (points.upper.empty()) return nullptr;
  auto* upper = new QLineSeries;
  auto* lower = new QLineSeries;
  for (const auto& [year, v] : points.upper) upper->append(year, v);
  for (const auto& [year, v] : points.lower) lower->append(year, v);
  auto* band = new QAreaSeries(upper, lower);
  colour.setAlpha(kBandColour.alpha());
  band->setBrush(colour);
  band->setPen(Qt::NoPen);
  band->setName(QString::fromStdString(name + (points.cut ? " (cut at the top)" : "")));
  return band;
}

double band_top(const std::vector<SummaryRow>& rows, std::optional<double> SummaryRow::*high) {
  double top = 0;
  for (const SummaryRow& r : rows) {
    if ((r.*high) && std::isfinite(*(r.*high))) top = std::max(top, *(r.*high));
  }
  return top;
}

// The axis top of a chart with a band: the estimates' top, or the band's when it is not far
// above it (see kBandClip).
double top_with_band(double estimate_top, double band_high) {
  if (estimate_top > 0 && band_high > kBandClip * estimate_top) return kBandClip * estimate_top;
  return std::max(estimate_top, band_high);
}

// --- The charts ---------------------------------------------------------------------------------

// SSB with its bootstrap band and the SSB surveys on the scale of SSB: the index times its
// coefficient of proportionality estimates SSB at the time of the survey (ind * k = SSB), so the
// points are drawn beside that curve, not beside SSB at the start of the year.
QChart* ssb_chart(const PlotData& data) {
  QChart* chart = new_chart("Spawning stock biomass");
  const Range years = year_range(data);
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.5);

  double estimate_top = 0;
  auto* ssb = line("SSB", kEstimateColour);
  for (const SummaryRow& r : data.summary) {
    if (!r.ssb) continue;
    ssb->append(r.year, *r.ssb);
    estimate_top = std::max(estimate_top, *r.ssb);
  }

  std::map<int, QScatterSeries*> surveys;
  for (const SurveyRow& s : data.surveys) {
    if (s.kind != SurveyRow::Kind::Ssb || !s.observed || *s.observed <= 0) continue;
    QScatterSeries*& series = surveys[s.number];
    if (!series) {
      const QColor colour = surveys.size() == 1 ? kSurveyColour : palette(surveys.size());
      series = points(QString("SSB survey %1 \u00d7 coefficient").arg(s.number), colour);
    }
    const double scaled = *s.observed * s.coefficient.value_or(1.0);
    series->append(s.year, scaled);
    estimate_top = std::max(estimate_top, scaled);
  }

  QLineSeries* at_survey_time = nullptr;
  if (!surveys.empty()) {
    at_survey_time = line("SSB at survey time", kSurveyColour, 2.0, Qt::DashLine);
    for (const SummaryRow& r : data.summary) {
      if (!r.ssb_survey_time) continue;
      at_survey_time->append(r.year, *r.ssb_survey_time);
      estimate_top = std::max(estimate_top, *r.ssb_survey_time);
    }
  }

  const ReferencePoints& ref = data.reference;
  const std::vector<QLineSeries*> limits =
      reference_lines(years, {{ref.blim, "Blim", kLimitColour},
                              {ref.bpa, "Bpa", kPrecautionColour},
                              {ref.msy_btrigger, "MSY Btrigger", kMsyColour}});
  for (const QLineSeries* limit : limits) estimate_top = std::max(estimate_top, limit->at(0).y());

  const double top = top_with_band(estimate_top, band_top(data.summary, &SummaryRow::ssb_q95));
  QAreaSeries* band =
      band_series(clamped_band(data.summary, &SummaryRow::ssb_q05, &SummaryRow::ssb_q95, top),
                  "Bootstrap 5\u201395 %");
  const Scale scale = scale_for(top, weight_unit(data));
  for (QLineSeries* limit : limits) rescale(limit, scale);
  for (QXYSeries* series :
       std::initializer_list<QXYSeries*>{ssb, at_survey_time, band ? band->upperSeries() : nullptr,
                                         band ? band->lowerSeries() : nullptr}) {
    if (series) rescale(series, scale);
  }
  for (auto& [number, series] : surveys) rescale(series, scale);
  QValueAxis* y = zero_based_axis("SSB (" + scale.unit + ")", top / scale.divisor);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  if (band) attach(chart, band, x, y);
  attach(chart, ssb, x, y);
  if (at_survey_time) attach(chart, at_survey_time, x, y);
  for (auto& [number, series] : surveys) attach(chart, series, x, y);
  for (QLineSeries* limit : limits) attach(chart, limit, x, y);
  return chart;
}

// An x axis below and two y axes of different scales: the left one in the colour of the first
// quantity, the right one in that of the second, its grid hidden so that one grid stands.
void add_two_axes(QChart* chart, QValueAxis* x, QValueAxis* left, QValueAxis* right) {
  left->setLinePenColor(kEstimateColour);
  right->setLinePenColor(kSecondColour);
  right->setGridLineVisible(false);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(left, Qt::AlignLeft);
  chart->addAxis(right, Qt::AlignRight);
}

// The year factor f(y) on the left and mean F over the analysed ages on the right: the two
// differ in scale by the age factors, so each has its own axis.
QChart* f_chart(const PlotData& data) {
  QChart* chart = new_chart("Fishing mortality");
  const Range years = year_range(data);
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.5);
  // F-bar over its ages where the tables have it, else the mean F over the analysed ages.
  const bool has_fbar = std::any_of(data.summary.begin(), data.summary.end(),
                                    [](const SummaryRow& r) { return r.fbar.has_value(); });
  std::optional<double> SummaryRow::*right_value =
      has_fbar ? &SummaryRow::fbar : &SummaryRow::mean_f;
  const std::string right_name = has_fbar ? fbar_label(data) : "Mean F";
  auto* f = line("f(y), year factor (left)", kEstimateColour);
  auto* mean_f = line(QString::fromStdString(right_name + " (right)"), kSecondColour, kLineWidth,
                      Qt::DashLine);
  double f_top = 0;
  double mean_f_top = 0;
  for (const SummaryRow& r : data.summary) {
    if (r.f) {
      f->append(r.year, *r.f);
      f_top = std::max(f_top, *r.f);
    }
    if (r.*right_value) {
      mean_f->append(r.year, *(r.*right_value));
      mean_f_top = std::max(mean_f_top, *(r.*right_value));
    }
  }
  const ReferencePoints& ref = data.reference;
  const std::vector<QLineSeries*> limits =
      reference_lines(years, {{ref.flim, "Flim (right)", kLimitColour},
                              {ref.fpa, "Fpa (right)", kPrecautionColour},
                              {ref.fmsy, "Fmsy (right)", kMsyColour}});
  for (const QLineSeries* limit : limits) mean_f_top = std::max(mean_f_top, limit->at(0).y());
  QAreaSeries* band = nullptr;
  if (has_fbar) {
    mean_f_top = top_with_band(mean_f_top, band_top(data.summary, &SummaryRow::fbar_q95));
    band = band_series(
        clamped_band(data.summary, &SummaryRow::fbar_q05, &SummaryRow::fbar_q95, mean_f_top),
        "F-bar bootstrap 5\u201395 % (right)");
  }
  QValueAxis* y_f = zero_based_axis("f(y)", f_top);
  QValueAxis* y_mean_f = zero_based_axis(right_name, mean_f_top);
  add_two_axes(chart, x, y_f, y_mean_f);
  if (band) {
    band->setBrush(QColor(kSecondColour.red(), kSecondColour.green(), kSecondColour.blue(), 0x40));
    attach(chart, band, x, y_mean_f);
  }
  attach(chart, f, x, y_f);
  attach(chart, mean_f, x, y_mean_f);
  for (QLineSeries* limit : limits) attach(chart, limit, x, y_mean_f);
  return chart;
}

QChart* recruitment_chart(const PlotData& data) {
  const int age = first_age(data);
  const std::string at_age = data.stock.empty() ? "" : " at age " + std::to_string(age);
  QChart* chart = new_chart("Recruitment" + at_age);
  const Range years = year_range(data);
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.5);
  auto* recruitment = line("Recruitment", kEstimateColour);
  recruitment->setPointsVisible(true);
  double estimate_top = 0;
  for (const SummaryRow& r : data.summary) {
    if (r.recruitment) {
      recruitment->append(r.year, *r.recruitment);
      estimate_top = std::max(estimate_top, *r.recruitment);
    }
  }
  const double top =
      top_with_band(estimate_top, band_top(data.summary, &SummaryRow::recruitment_q95));
  QAreaSeries* band = band_series(
      clamped_band(data.summary, &SummaryRow::recruitment_q05, &SummaryRow::recruitment_q95, top),
      "Bootstrap 5\u201395 %");
  const Scale scale = scale_for(top, numbers_unit(data));
  rescale(recruitment, scale);
  if (band) {
    rescale(band->upperSeries(), scale);
    rescale(band->lowerSeries(), scale);
  }
  QValueAxis* y =
      zero_based_axis("Numbers" + at_age + " (" + scale.unit + ")", top / scale.divisor);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  if (band) attach(chart, band, x, y);
  attach(chart, recruitment, x, y);
  return chart;
}

// The shape of F over the ages in the last years, each year scaled to its largest F at age: a
// change of the fishery's selection shows as lines that part.
QChart* selection_chart(const PlotData& data) {
  constexpr int kYearsShown = 5;
  QChart* chart = new_chart("Selection pattern");
  Range ages;
  std::vector<QLineSeries*> lines;
  const std::vector<SelectionYear> patterns = selection_patterns(data, kYearsShown);
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    const bool last = i + 1 == patterns.size();
    auto* series = line(QString::number(patterns[i].year), last ? kEstimateColour : palette(i + 1),
                        last ? kLineWidth : 2.0, last ? Qt::SolidLine : Qt::DashLine);
    series->setPointsVisible(true);
    for (const auto& [age, relative] : patterns[i].relative_f) {
      series->append(age, relative);
      ages.add(age);
    }
    lines.push_back(series);
  }
  QValueAxis* x = whole_axis("Age", ages.low, ages.high, 0.5);
  auto* y = new QValueAxis;
  style_axis(y, "F at age / largest F at age of the year");
  y->setRange(0, 1.2);
  y->setTickCount(7);
  y->setLabelFormat("%g");
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QLineSeries* series : lines) attach(chart, series, x, y);
  return chart;
}

// Recruits against the SSB of the spawning year, the year classes joined in order of year so
// that the path of the stock shows, the latest year class marked.
QChart* stock_recruitment_chart(const PlotData& data) {
  const std::vector<YearClass> classes = year_classes(data);
  const std::string age = std::to_string(first_age(data));
  QChart* chart = new_chart("Stock and recruitment");
  auto* path = line("", QColor(0xa0, 0xa0, 0xa0), 1.0, Qt::SolidLine);
  auto* earlier = points("Year class", kEstimateColour, 9.0);
  auto* latest =
      points(QString("Latest year class, %1").arg(classes.back().year), kSecondColour, 12.0);
  double ssb_top = 0, recruits_top = 0;
  for (const YearClass& c : classes) {
    path->append(c.ssb, c.recruits);
    (&c == &classes.back() ? latest : earlier)->append(c.ssb, c.recruits);
    ssb_top = std::max(ssb_top, c.ssb);
    recruits_top = std::max(recruits_top, c.recruits);
  }
  const Scale ssb_scale = scale_for(ssb_top, weight_unit(data));
  const Scale recruits_scale = scale_for(recruits_top, numbers_unit(data));
  for (QXYSeries* series : std::initializer_list<QXYSeries*>{path, earlier, latest}) {
    QList<QPointF> values = series->points();
    for (QPointF& p : values) p = {p.x() / ssb_scale.divisor, p.y() / recruits_scale.divisor};
    series->replace(values);
  }
  // The hockey stick from the origin to the breakpoint and on along the plateau to the largest
  // SSB seen.
  QLineSeries* stick = nullptr;
  if (const std::optional<SegmentedFit> fit = segmented_regression(classes)) {
    QString name =
        QString("Segmented regression, breakpoint at SSB %1")
            .arg(QString::fromStdString(number_text(fit->breakpoint / ssb_scale.divisor, 3)));
    if (fit->at_lowest) name += " (the lowest seen)";
    if (fit->at_highest) name += " (the highest seen, no plateau)";
    stick = line(name, kSurveyColour, 2.0, Qt::DashLine);
    stick->append(0, 0);
    stick->append(fit->breakpoint / ssb_scale.divisor, fit->plateau / recruits_scale.divisor);
    const double end = std::max(ssb_top, fit->breakpoint);
    stick->append(end / ssb_scale.divisor, fit->plateau / recruits_scale.divisor);
    recruits_top = std::max(recruits_top, fit->plateau);
  }
  QValueAxis* x = zero_based_axis("SSB of the spawning year (" + ssb_scale.unit + ")",
                                  ssb_top / ssb_scale.divisor);
  QValueAxis* y = zero_based_axis("Recruits at age " + age + " (" + recruits_scale.unit + ")",
                                  recruits_top / recruits_scale.divisor);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  attach(chart, path, x, y);
  attach(chart, earlier, x, y);
  attach(chart, latest, x, y);
  if (stick) attach(chart, stick, x, y);
  hide_from_legend(chart, path);
  return chart;
}

// The advice year's catch and the SSB it leaves at the start of the next year, against F-bar:
// what each fishing level costs the stock. Status quo fishing is marked; Blim and Bpa lie across
// the chart, Flim and Fpa stand upright at their F-bar.
QChart* forecast_chart(const PlotData& data) {
  const std::vector<ForecastRowData> curve = forecast_curve(data);
  const int year = curve.front().year;
  QChart* chart = new_chart("Forecast for " + std::to_string(year));
  auto* catches = line(QString("Catch in %1").arg(year), kEstimateColour);
  auto* ssb = line(QString("SSB at the start of %1").arg(year + 1), kSecondColour);
  auto* status_quo = points("Status quo F", kSurveyColour, 10.0);
  double f_top = 0, top = 0;
  for (const ForecastRowData& r : curve) {
    catches->append(*r.fbar, *r.catch_weight);
    ssb->append(*r.fbar, *r.ssb_next);
    if (r.option == "status quo") {
      status_quo->append(*r.fbar, *r.catch_weight);
      status_quo->append(*r.fbar, *r.ssb_next);
    }
    f_top = std::max(f_top, *r.fbar);
    top = std::max({top, *r.catch_weight, *r.ssb_next});
  }
  // The bootstrap bands, each value placed on the chart (see kBandClip).
  const ReferencePoints& ref = data.reference;
  for (const std::optional<double>& b : {ref.blim, ref.bpa, ref.msy_btrigger})
    if (b) top = std::max(top, *b);
  double band_high = 0;
  for (const ForecastRowData& r : curve) {
    for (const std::optional<double>& q : {r.catch_q95, r.ssb_next_q95})
      if (q && std::isfinite(*q)) band_high = std::max(band_high, *q);
  }
  top = top_with_band(top, band_high);
  const auto band = [&](std::optional<double> ForecastRowData::*low,
                        std::optional<double> ForecastRowData::*high, const QColor& colour,
                        const std::string& name) {
    const auto fbar = [](const ForecastRowData& r) { return *r.fbar; };
    return band_series(band_points(curve, fbar, low, high, top), name, colour);
  };
  QAreaSeries* catch_band = band(&ForecastRowData::catch_q05, &ForecastRowData::catch_q95,
                                 kEstimateColour, "Catch, bootstrap 5\u201395 %");
  QAreaSeries* ssb_band = band(&ForecastRowData::ssb_next_q05, &ForecastRowData::ssb_next_q95,
                               kSecondColour, "SSB, bootstrap 5\u201395 %");
  for (const std::optional<double>& f : {ref.flim, ref.fpa, ref.fmsy})
    if (f) f_top = std::max(f_top, *f);
  const Scale scale = scale_for(top, weight_unit(data));
  for (QXYSeries* series : std::initializer_list<QXYSeries*>{catches, ssb, status_quo})
    rescale(series, scale);
  for (QAreaSeries* area : {catch_band, ssb_band}) {
    if (!area) continue;
    rescale(area->upperSeries(), scale);
    rescale(area->lowerSeries(), scale);
  }
  QValueAxis* x = zero_based_axis(fbar_label(data) + " in " + std::to_string(year), f_top);
  QValueAxis* y = zero_based_axis("Catch and SSB (" + scale.unit + ")", top / scale.divisor);
  // The reference points run from axis to axis.
  std::vector<QLineSeries*> limits;
  const auto limit = [&](const char* name, std::optional<double> value, const QColor& colour,
                         bool upright) {
    if (!value) return;
    QLineSeries* series = line(name, colour, 2.0, Qt::DotLine);
    if (upright) {
      series->append(*value, 0);
      series->append(*value, y->max());
    } else {
      series->append(0, *value / scale.divisor);
      series->append(x->max(), *value / scale.divisor);
    }
    limits.push_back(series);
  };
  limit("Blim", ref.blim, kLimitColour, false);
  limit("Bpa", ref.bpa, kPrecautionColour, false);
  limit("Flim", ref.flim, kLimitColour, true);
  limit("Fpa", ref.fpa, kPrecautionColour, true);
  limit("MSY Btrigger", ref.msy_btrigger, kMsyColour, false);
  limit("Fmsy", ref.fmsy, kMsyColour, true);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QAreaSeries* area : {catch_band, ssb_band})
    if (area) attach(chart, area, x, y);
  attach(chart, catches, x, y);
  attach(chart, ssb, x, y);
  attach(chart, status_quo, x, y);
  for (QLineSeries* series : limits) attach(chart, series, x, y);
  return chart;
}

// A reference point read off a curve, upright at its F-bar from axis to axis; after a bootstrap
// the runs' 5-95 % range of it shaded behind, in its colour and out of the legend, which keeps
// to the curves and the points.
void add_upright_point(QChart* chart, QValueAxis* x, QValueAxis* y, const std::string& name,
                       const QColor& colour, double fbar, std::optional<double> q05,
                       std::optional<double> q95) {
  if (q05 && q95) {
    const double top = y->max();
    const BandPoints range{{{*q05, 0}, {*q95, 0}}, {{*q05, top}, {*q95, top}}};
    QAreaSeries* shade = band_series(range, name + ", bootstrap 5\u201395 %", colour);
    attach(chart, shade, x, y);
    hide_from_legend(chart, shade);
  }
  QLineSeries* upright = line(QString::fromStdString(name), colour, 2.0, Qt::DotLine);
  upright->append(fbar, 0);
  upright->append(fbar, y->max());
  attach(chart, upright, x, y);
}

// Yield per recruit (left) and SSB per recruit as a percentage of its value without fishing
// (right) against F-bar, the reference points read off them upright, status quo marked.
QChart* per_recruit_chart(const PlotData& data) {
  QChart* chart = new_chart("Yield and SSB per recruit");
  auto* ypr = line("Yield per recruit (left)", kEstimateColour);
  auto* spr =
      line("SSB per recruit, % of no fishing (right)", kSecondColour, kLineWidth, Qt::DashLine);
  auto* status_quo = points("Status quo F", kSurveyColour, 10.0);
  struct Mark {
    const char* option;
    QColor colour;
  };
  const Mark marks[] = {{"F0.1", kMsyColour},
                        {"Fmax", kLimitColour},
                        {"F35%SPR", kPrecautionColour},
                        {"F40%SPR", palette(4)}};
  double f_top = 0, ypr_top = 0;
  for (const PerRecruitRowData& r : data.per_recruit) {
    if (!r.fbar || !r.ypr || !r.spr_percent) continue;
    const bool on_curve = std::none_of(std::begin(marks), std::end(marks),
                                       [&r](const Mark& m) { return r.option == m.option; });
    if (on_curve) {
      ypr->append(*r.fbar, *r.ypr);
      spr->append(*r.fbar, *r.spr_percent);
      if (r.option == "status quo") status_quo->append(*r.fbar, *r.ypr);
    }
    f_top = std::max({f_top, *r.fbar, r.fbar_q95.value_or(0)});
    ypr_top = std::max(ypr_top, *r.ypr);
  }
  QValueAxis* x = zero_based_axis(fbar_label(data), f_top);
  // One recruit's yield is in the unit of a fish's weight.
  QValueAxis* y_ypr =
      zero_based_axis(stated(data.units_weight) ? "Yield per recruit (" + data.units_weight + ")"
                                                : "Yield per recruit",
                      ypr_top);
  QValueAxis* y_spr = zero_based_axis("SSB per recruit (% of no fishing)", 100);
  add_two_axes(chart, x, y_ypr, y_spr);
  attach(chart, ypr, x, y_ypr);
  attach(chart, spr, x, y_spr);
  attach(chart, status_quo, x, y_ypr);
  for (const Mark& m : marks) {
    for (const PerRecruitRowData& r : data.per_recruit) {
      if (r.option == m.option && r.fbar)
        add_upright_point(chart, x, y_ypr, m.option, m.colour, *r.fbar, r.fbar_q05, r.fbar_q95);
    }
  }
  return chart;
}

// Yield (left) and SSB (right) of the stock in equilibrium against F-bar, Fcrash and the
// deterministic Fmsy upright, status quo marked: where the curves drop to 0 the stock cannot
// replace itself.
QChart* equilibrium_chart(const PlotData& data) {
  QChart* chart = new_chart("Yield and SSB in equilibrium");
  auto* yield = line("Yield (left)", kEstimateColour);
  auto* ssb = line("SSB (right)", kSecondColour, kLineWidth, Qt::DashLine);
  auto* status_quo = points("Status quo F", kSurveyColour, 10.0);
  struct Mark {
    const char* option;
    QColor colour;
  };
  const Mark marks[] = {{"Fcrash", kLimitColour}, {"Fmsy (deterministic)", kMsyColour}};
  // The curves drop to 0 at Fcrash itself, not at the next step of the curve: the limit at
  // Fcrash, then the empty stock.
  const EquilibriumRowData* crash = nullptr;
  for (const EquilibriumRowData& r : data.equilibrium)
    if (r.option == "Fcrash" && r.fbar && r.ssb && r.yield) crash = &r;
  double f_top = 0, yield_top = 0, ssb_top = 0;
  for (const EquilibriumRowData& r : data.equilibrium) {
    if (!r.fbar || !r.ssb || !r.yield) continue;
    const bool on_curve = std::none_of(std::begin(marks), std::end(marks),
                                       [&r](const Mark& m) { return r.option == m.option; });
    if (on_curve) {
      if (crash != nullptr && *r.fbar >= *crash->fbar) {
        for (const auto& [y, b] : {std::pair{*crash->yield, *crash->ssb}, std::pair{0.0, 0.0}}) {
          yield->append(*crash->fbar, y);
          ssb->append(*crash->fbar, b);
        }
        crash = nullptr;
      }
      yield->append(*r.fbar, *r.yield);
      ssb->append(*r.fbar, *r.ssb);
      if (r.option == "status quo") status_quo->append(*r.fbar, *r.yield);
    }
    f_top = std::max({f_top, *r.fbar, r.fbar_q95.value_or(0)});
    yield_top = std::max(yield_top, *r.yield);
    ssb_top = std::max(ssb_top, *r.ssb);
  }
  const Scale yield_scale = scale_for(yield_top, weight_unit(data));
  const Scale ssb_scale = scale_for(ssb_top, weight_unit(data));
  rescale(yield, yield_scale);
  rescale(status_quo, yield_scale);
  rescale(ssb, ssb_scale);
  QValueAxis* x = zero_based_axis(fbar_label(data), f_top);
  QValueAxis* y_yield =
      zero_based_axis("Yield (" + yield_scale.unit + ")", yield_top / yield_scale.divisor);
  QValueAxis* y_ssb = zero_based_axis("SSB (" + ssb_scale.unit + ")", ssb_top / ssb_scale.divisor);
  add_two_axes(chart, x, y_yield, y_ssb);
  attach(chart, yield, x, y_yield);
  attach(chart, ssb, x, y_ssb);
  attach(chart, status_quo, x, y_yield);
  for (const Mark& m : marks) {
    for (const EquilibriumRowData& r : data.equilibrium) {
      if (r.option == m.option && r.fbar)
        add_upright_point(chart, x, y_yield, m.option, m.colour, *r.fbar, r.fbar_q05, r.fbar_q95);
    }
  }
  return chart;
}

void round_ticks(QValueAxis* axis, double low, double high);

// The simulated stocks against F-bar: the median yield with the 5-95 % range of their kept years
// (left) and the share of those years that start below Blim (right), the stochastic Fmsy, Fp.05
// and Flim upright. The risk line makes the precautionary check visible: where it passes 5 %.
QChart* stochastic_equilibrium_chart(const PlotData& data) {
  QChart* chart = new_chart("Yield and risk with varying recruitment");
  auto* yield = line("Median yield (left)", kEstimateColour);
  auto* risk = line("SSB below Blim, % of years (right)", kLimitColour, kLineWidth, Qt::DashLine);
  struct Mark {
    const char* option;
    QColor colour;
  };
  const Mark marks[] = {{"Fmsy (stochastic)", kMsyColour},
                        {"Fp.05", kPrecautionColour},
                        {"Flim (stochastic)", kLimitColour}};
  std::vector<StochasticRowData> curve;
  double f_top = 0, top = 0;
  for (const StochasticRowData& r : data.stochastic_equilibrium) {
    if (!r.fbar || !r.yield_q50 || !r.p_below_blim) continue;
    f_top = std::max(f_top, *r.fbar);
    if (std::any_of(std::begin(marks), std::end(marks),
                    [&r](const Mark& m) { return r.option == m.option; }) ||
        r.option == "Fmsy (precautionary)")
      continue;
    curve.push_back(r);
    top = std::max({top, *r.yield_q50, r.yield_q95.value_or(0)});
  }
  const Scale scale = scale_for(top, weight_unit(data));
  const auto fbar = [](const StochasticRowData& r) { return *r.fbar; };
  QAreaSeries* band = band_series(
      band_points(curve, fbar, &StochasticRowData::yield_q05, &StochasticRowData::yield_q95, top),
      "Yield, 5\u201395 % of years", kEstimateColour);
  for (const StochasticRowData& r : curve) {
    yield->append(*r.fbar, *r.yield_q50);
    risk->append(*r.fbar, 100 * *r.p_below_blim);
  }
  rescale(yield, scale);
  if (band != nullptr) {
    rescale(band->upperSeries(), scale);
    rescale(band->lowerSeries(), scale);
  }
  QValueAxis* x = zero_based_axis(fbar_label(data), f_top);
  QValueAxis* y_yield = zero_based_axis("Yield (" + scale.unit + ")", top / scale.divisor);
  QValueAxis* y_risk = zero_based_axis("SSB below Blim (% of years)", 100);
  round_ticks(y_risk, 0, 100);  // a share: no room above 100 %
  add_two_axes(chart, x, y_yield, y_risk);
  if (band != nullptr) attach(chart, band, x, y_yield);
  attach(chart, yield, x, y_yield);
  attach(chart, risk, x, y_risk);
  for (const Mark& m : marks) {
    for (const StochasticRowData& r : data.stochastic_equilibrium) {
      if (r.option == m.option && r.fbar)
        add_upright_point(chart, x, y_yield, m.option, m.colour, *r.fbar, std::nullopt,
                          std::nullopt);
    }
  }
  return chart;
}

// An axis over low..high with ticks at round values: 1, 2 or 5 times a power of ten, four to ten
// of them across the range.
void round_ticks(QValueAxis* axis, double low, double high) {
  axis->setRange(low, high);
  const double rough = (high - low) / 5;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  const double step = rough / power < 1.5 ? power : rough / power < 3.5 ? 2 * power : 5 * power;
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(std::ceil(low / step) * step);
  axis->setTickInterval(step);
  axis->setMinorTickCount(0);
  axis->setLabelFormat("%g");
}

// The catch weight of each age by year, one colour per age: a weight that jumps in one year, or
// an age out of the order of the others, is more often a slip in the data than a change in growth.
QChart* weights_chart(const PlotData& data) {
  QChart* chart = new_chart("Catch weight at age");
  std::map<int, QLineSeries*> by_age;
  Range years;
  double top = 0;
  for (const StockRow& r : data.stock) {
    if (!r.weight || !std::isfinite(*r.weight)) continue;
    QLineSeries*& series = by_age[r.age];
    if (!series) series = line(QString("Age %1").arg(r.age), palette(by_age.size() - 1), 2.0);
    series->append(r.year, *r.weight);
    years.add(r.year);
    top = std::max(top, *r.weight);
  }
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.5);
  QValueAxis* y = zero_based_axis(
      stated(data.units_weight) ? "Weight (" + data.units_weight + ")" : "Weight", top);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (auto& [age, series] : by_age) attach(chart, series, x, y);
  chart->legend()->setAlignment(Qt::AlignRight);
  return chart;
}

QChart* catch_curves_chart(const PlotData& data) {
  QChart* chart = new_chart("Catch curves: ln catch of each year class");
  Range years, values;
  std::vector<QLineSeries*> lines;
  for (const auto& [year_class, cells] : catch_curves(data)) {
    auto* series = line(QString::number(year_class), palette(lines.size()), 2.0);
    series->setPointsVisible(true);
    for (const auto& [year, log_catch] : cells) {
      series->append(year, log_catch);
      years.add(year);
      values.add(log_catch);
    }
    lines.push_back(series);
  }
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.5);
  auto* y = new QValueAxis;
  style_axis(y, "ln catch in numbers");
  const double pad = std::max(0.5, 0.05 * (values.high - values.low));
  round_ticks(y, std::floor(values.low - pad), std::ceil(values.high + pad));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QLineSeries* series : lines) {
    attach(chart, series, x, y);
    hide_from_legend(chart, series);  // dozens of year classes: the lines speak for themselves
  }
  return chart;
}

// The scan's total loss along one of its parameters. At each value the least loss over the other
// parameter (the profile of the loss), the best point marked: a profile that still falls at an
// end of the grid shows a minimum the scan did not bracket, and a flat one a parameter the data
// hardly tell.
QChart* profile_chart(const PlotData& data, bool over_f) {
  const std::string parameter = over_f ? "terminal f" : data.scan_outer;
  QChart* chart = new_chart("Total loss along the scan of " + parameter);
  const std::string axis_title = over_f ? "Terminal f" : data.scan_outer;
  std::map<double, double> least;  // value of the parameter -> least loss there
  for (const ScanPoint& p : data.scan) {
    const double value = over_f ? p.f : p.outer;
    const auto [it, first] = least.emplace(value, p.total_loss);
    if (!first) it->second = std::min(it->second, p.total_loss);
  }
  const bool profiled = !over_f || !data.scan_outer.empty();
  auto* profile = line(
      profiled ? "Least total loss over " +
                     QString::fromStdString(over_f ? data.scan_outer : std::string("terminal f"))
               : QStringLiteral("Total loss"),
      kEstimateColour);
  profile->setPointsVisible(true);
  Range values, losses;
  auto best = least.begin();
  for (auto it = least.begin(); it != least.end(); ++it) {
    profile->append(it->first, it->second);
    values.add(it->first);
    losses.add(it->second);
    // Of equal losses the later point, as the scan keeps it.
    if (it->second <= best->second) best = it;
  }
  auto* marker = points(QStringLiteral("Best point: %1").arg(best->first), kSecondColour, 11);
  marker->append(best->first, best->second);

  auto* x = new QValueAxis;
  style_axis(x, axis_title);
  const double x_pad = values.high > values.low ? (values.high - values.low) * 0.03 : 0.5;
  round_ticks(x, values.low - x_pad, values.high + x_pad);
  auto* y = new QValueAxis;
  style_axis(y, "Total loss");
  const double y_pad = losses.high > losses.low ? (losses.high - losses.low) * 0.05 : 0.5;
  round_ticks(y, std::max(0.0, losses.low - y_pad), losses.high + y_pad);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  attach(chart, profile, x, y);
  attach(chart, marker, x, y);
  return chart;
}

// The name of a component of the loss on a chart: "Catch", "SSB survey 1", the fleet's name.
std::string component_title(const PlotData& data, const std::string& key) {
  if (key == "catch") return "Catch";
  if (key.starts_with("ssb")) return "SSB survey " + key.substr(3);
  if (key.starts_with("fleet")) return fleet_title(data, std::stoi(key.substr(5)));
  return key;
}

// Along a scan of terminal f alone, each component's weighted loss above its own least value on
// the grid, and the total's above its least: where the components have their least values
// apart, the sources of the data disagree on the terminal f, and the total is their compromise.
QChart* components_chart(const PlotData& data) {
  QChart* chart = new_chart("Loss components along the scan of terminal f");
  Range values, losses;
  const auto add_curve = [&](const QString& name, const QColor& colour, double width,
                             const auto& loss_at) {
    double least = loss_at(data.scan.front());
    double least_f = data.scan.front().f;
    for (const ScanPoint& p : data.scan) {
      // Of equal losses the later point, as the scan keeps it.
      if (loss_at(p) <= least) {
        least = loss_at(p);
        least_f = p.f;
      }
    }
    auto* curve = line(name + QString(": least at %1").arg(least_f), colour, width);
    curve->setPointsVisible(true);
    for (const ScanPoint& p : data.scan) {
      curve->append(p.f, loss_at(p) - least);
      values.add(p.f);
      losses.add(loss_at(p) - least);
    }
    return curve;
  };
  std::vector<QLineSeries*> curves;
  for (std::size_t i = 0; i < data.scan_components.size(); ++i) {
    const LossColumn& c = data.scan_components[i];
    const QString name = QString::fromStdString(component_title(data, c.key)) +
                         QString(" (weight %1)").arg(c.weight);
    curves.push_back(add_curve(name, palette(i), kLineWidth,
                               [&c, i](const ScanPoint& p) { return c.weight * p.components[i]; }));
  }
  curves.push_back(add_curve("Total", Qt::black, kLineWidth + 1,
                             [](const ScanPoint& p) { return p.total_loss; }));
  auto* x = new QValueAxis;
  style_axis(x, "Terminal f");
  const double x_pad = values.high > values.low ? (values.high - values.low) * 0.03 : 0.5;
  round_ticks(x, values.low - x_pad, values.high + x_pad);
  auto* y = new QValueAxis;
  style_axis(y, "Weighted loss above its least value");
  round_ticks(y, 0, losses.high > 0 ? losses.high * 1.05 : 1);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QLineSeries* curve : curves) attach(chart, curve, x, y);
  // The components' names are long: one above the other beside the chart.
  chart->legend()->setAlignment(Qt::AlignRight);
  return chart;
}

struct Bubble {
  int year = 0;
  int age = 0;
  double residual = 0;
};

// Residuals by year and age as bubbles of area proportional to |residual|. The bubbles are
// sized in pixels, so they are sized again whenever the plot area changes (a window resized, a
// chart saved at another size).
QChart* bubble_chart(const std::string& title, const std::vector<Bubble>& bubbles) {
  Range years;
  Range ages;
  double largest = 0;
  for (const Bubble& b : bubbles) {
    years.add(b.year);
    ages.add(b.age);
    largest = std::max(largest, std::fabs(b.residual));
  }
  QChart* chart =
      new_chart(title + " (largest bubble: |residual| " + number_text(largest, 2) + ")");
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.7);
  QValueAxis* y = whole_axis("Age", ages.low, ages.high, 0.7);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);

  auto* positive = points("Observed above the model (positive)", kPositiveColour);
  auto* negative = points("Observed below the model (negative)", kNegativeColour);
  std::vector<double> positive_sizes;
  std::vector<double> negative_sizes;
  for (const Bubble& b : bubbles) {
    // A residual of exactly 0 has no area; it is left out rather than drawn as a dot.
    if (b.residual == 0 || largest == 0) continue;
    const double relative = bubble_diameter(b.residual, largest, 1.0);
    if (b.residual > 0) {
      positive->append(b.year, b.age);
      positive_sizes.push_back(relative);
    } else {
      negative->append(b.year, b.age);
      negative_sizes.push_back(relative);
    }
  }
  for (QScatterSeries* s : {positive, negative}) {
    QColor fill = s->color();
    fill.setAlpha(0xb0);
    s->setColor(fill);
    attach(chart, s, x, y);
  }

  const double x_span = x->max() - x->min();
  const double y_span = y->max() - y->min();
  const auto resize_bubbles = [positive, negative, positive_sizes, negative_sizes, x_span,
                               y_span](const QRectF& area) {
    const double cell = std::min(area.width() / x_span, area.height() / y_span);
    const double largest_diameter = std::max(2.0, kBubbleFill * cell);
    const auto apply = [largest_diameter](QScatterSeries* s, const std::vector<double>& sizes) {
      QHash<int, QHash<QXYSeries::PointConfiguration, QVariant>> config;
      for (std::size_t i = 0; i < sizes.size(); ++i) {
        config[static_cast<int>(i)][QXYSeries::PointConfiguration::Size] =
            std::max(1.0, sizes[i] * largest_diameter);
      }
      s->setPointsConfiguration(config);
    };
    apply(positive, positive_sizes);
    apply(negative, negative_sizes);
  };
  QObject::connect(chart, &QChart::plotAreaChanged, chart, resize_bubbles);
  resize_bubbles(chart->plotArea());
  return chart;
}

std::vector<Bubble> catch_bubbles(const PlotData& data) {
  std::vector<Bubble> bubbles;
  for (const StockRow& r : data.stock) {
    if (r.catch_log_residual) bubbles.push_back(Bubble{r.year, r.age, *r.catch_log_residual});
  }
  return bubbles;
}

std::vector<Bubble> fleet_bubbles(const PlotData& data, int fleet) {
  std::vector<Bubble> bubbles;
  for (const SurveyRow& s : data.surveys) {
    if (s.kind == SurveyRow::Kind::Fleet && s.number == fleet && s.age && s.log_residual) {
      bubbles.push_back(Bubble{s.year, *s.age, *s.log_residual});
    }
  }
  return bubbles;
}

// An SSB survey by year: the observed index as points, the model's value for it as a line.
QChart* ssb_survey_fit_chart(const PlotData& data, int number) {
  QChart* chart = new_chart("SSB survey " + std::to_string(number) + ": observed and fitted");
  auto* observed = points("Observed", kSurveyColour);
  auto* fitted = line("Fitted", kEstimateColour);
  Range years;
  double top = 0;
  for (const SurveyRow& s : data.surveys) {
    if (s.kind != SurveyRow::Kind::Ssb || s.number != number) continue;
    years.add(s.year);
    if (s.observed && *s.observed > 0) {
      observed->append(s.year, *s.observed);
      top = std::max(top, *s.observed);
    }
    if (s.fitted) {
      fitted->append(s.year, *s.fitted);
      top = std::max(top, *s.fitted);
    }
  }
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.5);
  const Scale scale = scale_for(top, "survey units");
  rescale(observed, scale);
  rescale(fitted, scale);
  QValueAxis* y = zero_based_axis("Index (" + scale.unit + ")", top / scale.divisor);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  attach(chart, fitted, x, y);
  attach(chart, observed, x, y);
  return chart;
}

// A base-10 logarithmic axis over `values`, with room on both sides.
QLogValueAxis* log_axis(const std::string& title, const Range& values) {
  auto* axis = new QLogValueAxis;
  style_axis(axis, title);
  axis->setBase(10);
  axis->setLabelFormat("%g");
  axis->setMinorTickCount(8);
  axis->setMinorGridLineColor(QColor(0xee, 0xee, 0xee));
  axis->setRange(values.low / 1.5, values.high * 1.5);
  return axis;
}

// Indices within this factor of each other are read better on a plain axis from 0 than on a
// logarithmic one, which is labelled at the powers of ten alone.
constexpr double kLogAxisSpan = 30;

// An axis for survey indices (all above 0): logarithmic where they span orders of magnitude, as
// the indices of different ages do, else plain from 0.
QAbstractAxis* index_axis(const std::string& title, const Range& values) {
  if (values.high < kLogAxisSpan * values.low) return zero_based_axis(title, values.high * 1.05);
  return log_axis(title, values);
}

// An aged fleet: each observation against the model's value for it, one colour per age (the
// indices of the ages differ by orders of magnitude and the fit is made on the log scale, so the
// axes are logarithmic where the indices span them), with the line observed = fitted.
QChart* fleet_fit_chart(const PlotData& data, int number) {
  QChart* chart = new_chart(fleet_title(data, number) + ": observed against fitted");
  std::map<int, QScatterSeries*> by_age;
  Range values;
  for (const SurveyRow& s : data.surveys) {
    if (s.kind != SurveyRow::Kind::Fleet || s.number != number || !s.age) continue;
    if (!s.observed || !s.fitted || *s.observed <= 0 || *s.fitted <= 0) continue;
    QScatterSeries*& series = by_age[*s.age];
    if (!series) {
      series = points(QString("Age %1").arg(*s.age), palette(by_age.size() - 1), 10.0);
    }
    series->append(*s.fitted, *s.observed);
    values.add(*s.fitted);
    values.add(*s.observed);
  }
  QAbstractAxis* x = index_axis("Fitted index", values);
  QAbstractAxis* y = index_axis("Observed index", values);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  auto* identity = line("Observed = fitted", QColor(0x60, 0x60, 0x60), 2.0, Qt::DashLine);
  // From end to end of the axis, whichever kind it is.
  const auto* plain = qobject_cast<const QValueAxis*>(x);
  const double from = plain ? plain->min() : values.low / 1.5;
  const double to = plain ? plain->max() : values.high * 1.5;
  identity->append(from, from);
  identity->append(to, to);
  attach(chart, identity, x, y);
  for (auto& [age, series] : by_age) attach(chart, series, x, y);
  return chart;
}

QChart* consistency_chart(const PlotData& data, int number) {
  QChart* chart = new_chart(fleet_title(data, number) + ": internal consistency");
  Range values;
  std::vector<QScatterSeries*> pairs;
  for (const ConsistencyPair& pair : fleet_consistency(data, number)) {
    QString name = QString("Ages %1-%2").arg(pair.age).arg(pair.age + 1);
    name += pair.r ? QString(": r = %1").arg(QString::fromStdString(number_text(*pair.r, 2)))
                   : QString(": r none");
    auto* series = points(name, palette(pairs.size()), 10.0);
    for (const auto& [at_a, at_next] : pair.points) {
      series->append(at_a, at_next);
      values.add(at_a);
      values.add(at_next);
    }
    pairs.push_back(series);
  }
  QAbstractAxis* x = index_axis("Index at age a", values);
  QAbstractAxis* y = index_axis("Index of the same year class at age a + 1, a year later", values);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QScatterSeries* series : pairs) attach(chart, series, x, y);
  return chart;
}

// A rectangle of the status chart, shaded in `colour`.
QAreaSeries* quadrant(const QString& name, QColor colour, double x0, double x1, double y0,
                      double y1) {
  auto* upper = new QLineSeries;
  auto* lower = new QLineSeries;
  upper->append(x0, y1);
  upper->append(x1, y1);
  lower->append(x0, y0);
  lower->append(x1, y0);
  auto* area = new QAreaSeries(upper, lower);
  colour.setAlpha(60);
  area->setBrush(colour);
  area->setPen(Qt::NoPen);
  area->setName(name);
  return area;
}

// The stock's path year by year in the plane of SSB and F-bar, each over its reference point:
// green where SSB is above its point and F-bar below its own, red where neither is, amber
// between; the first and last years marked.
std::string status_title(const StatusPath& path) {
  return "Stock status against " + path.b_name + " and " + path.f_name;
}

QChart* status_chart(const PlotData& data) {
  const StatusPath path = *stock_status(data);
  QChart* chart = new_chart(status_title(path));
  double x_top = 2, y_top = 2;
  for (const StatusPath::Year& y : path.years) {
    x_top = std::max(x_top, y.b * 1.1);
    y_top = std::max(y_top, y.f * 1.1);
  }
  // The bootstrap's range of the last year widens the axes up to twice the estimates' and is
  // cut there, as the SSB chart's band is.
  const double x_cap = 2 * x_top, y_cap = 2 * y_top;
  if (path.last_b_band) x_top = std::max(x_top, std::min(path.last_b_band->second * 1.05, x_cap));
  if (path.last_f_band) y_top = std::max(y_top, std::min(path.last_f_band->second * 1.05, y_cap));
  QValueAxis* x = zero_based_axis("SSB / " + path.b_name, x_top);
  QValueAxis* y = zero_based_axis("F-bar / " + path.f_name, y_top);
  // The shaded rectangles end at the axes' ends.
  round_ticks(x, 0, x_top);
  round_ticks(y, 0, y_top);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  const QString b = QString::fromStdString(path.b_name), f = QString::fromStdString(path.f_name);
  attach(chart,
         quadrant(QString("SSB above %1, F-bar below %2").arg(b, f), kMsyColour, 1, x_top, 0, 1), x,
         y);
  attach(chart, quadrant(QString("Only one of the two"), kPrecautionColour, 0, 1, 0, 1), x, y);
  QAreaSeries* other = quadrant("", kPrecautionColour, 1, x_top, 1, y_top);
  attach(chart, other, x, y);
  hide_from_legend(chart, other);
  attach(chart,
         quadrant(QString("SSB below %1, F-bar above %2").arg(b, f), kLimitColour, 0, 1, 1, y_top),
         x, y);

  auto* trail = line("", kEstimateColour, 1.5, Qt::SolidLine);
  auto* years = points("", kEstimateColour, 6.0);
  for (const StatusPath::Year& p : path.years) {
    trail->append(p.b, p.f);
    years->append(p.b, p.f);
  }
  attach(chart, trail, x, y);
  hide_from_legend(chart, trail);
  attach(chart, years, x, y);
  hide_from_legend(chart, years);
  auto* first = points(QString::number(path.years.front().year), Qt::white, 12.0);
  first->setBorderColor(Qt::black);
  first->append(path.years.front().b, path.years.front().f);
  attach(chart, first, x, y);
  // The last year's 5-95 % range after a bootstrap, across for SSB and up for F-bar.
  const StatusPath::Year& end = path.years.back();
  const auto whisker = [&](double x0, double y0, double x1, double y1) {
    auto* range = line("", Qt::black, 2.0, Qt::SolidLine);
    range->append(x0, y0);
    range->append(x1, y1);
    attach(chart, range, x, y);
    hide_from_legend(chart, range);
  };
  if (path.last_b_band) {
    whisker(std::clamp(path.last_b_band->first, 0.0, x_top), end.f,
            std::clamp(path.last_b_band->second, 0.0, x_top), end.f);
  }
  if (path.last_f_band) {
    whisker(end.b, std::clamp(path.last_f_band->first, 0.0, y_top), end.b,
            std::clamp(path.last_f_band->second, 0.0, y_top));
  }
  auto* last = points(QString::number(path.years.back().year) +
                          (path.last_b_band || path.last_f_band ? " (bootstrap 5-95 %)" : ""),
                      Qt::black, 14.0);
  last->append(path.years.back().b, path.years.back().f);
  attach(chart, last, x, y);
  chart->legend()->setAlignment(Qt::AlignRight);
  return chart;
}

std::string series_of(const PlotData& data, bool ssb, int number) {
  return ssb ? "SSB survey " + std::to_string(number) : fleet_title(data, number);
}

std::string runs_title(const PlotData& data, bool ssb, int number, const RunsTest& test) {
  std::string title = "Runs test: " + series_of(data, ssb, number) + ": ";
  if (!test.p_value) return title + "residuals of one sign, no test";
  return title + (test.passed() ? "passed" : "failed") + " (p = " + number_text(*test.p_value, 2) +
         ")";
}

RunsTest survey_runs_test(const PlotData& data, bool ssb, int number) {
  return runs_test(
      survey_residuals(data.surveys, ssb ? SurveyRow::Kind::Ssb : SurveyRow::Kind::Fleet, number));
}

// A survey's residuals by year (a fleet's mean over its ages) between the limits of 3 standard
// deviations, the band green when the signs change as often as residuals without a pattern
// would and red when they do not; residuals beyond the limits in red.
QChart* runs_chart(const PlotData& data, bool ssb, int number) {
  const RunsTest test = survey_runs_test(data, ssb, number);
  QChart* chart = new_chart(runs_title(data, ssb, number, test));
  Range years;
  double top = 0;
  for (const ResidualPoint& p : test.points) {
    years.add(p.year);
    top = std::max(top, std::fabs(p.residual));
  }
  const double limit = 3 * test.sigma.value_or(0);
  top = std::max(top, limit) * 1.15;
  if (!(top > 0)) top = 1;
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.5);
  // Labels at whole steps, each worked out as i x step: steps added up from the bottom would miss
  // 0 by a rounding error and label it so.
  auto* y = new QCategoryAxis;
  style_axis(y, ssb ? "Log residual" : "Mean log residual over the ages");
  y->setRange(-top, top);
  y->setStartValue(-top);
  y->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  const double power = std::pow(10.0, std::floor(std::log10(top / 2.5)));
  const double rough = top / 2.5 / power;
  const double step = (rough < 1.5 ? 1 : rough < 3.5 ? 2 : 5) * power;
  const int steps = static_cast<int>(std::floor(top / step));
  for (int i = -steps; i <= steps; ++i) y->append(QString::number(i * step, 'g', 6), i * step);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);

  if (test.sigma) {
    BandPoints band;
    for (const double year : {years.low - 0.5, years.high + 0.5}) {
      band.lower.emplace_back(year, -limit);
      band.upper.emplace_back(year, limit);
    }
    const QColor colour = test.passed() ? kMsyColour : kLimitColour;
    attach(chart,
           band_series(band, "Within 3 sigma (sigma " + number_text(*test.sigma, 2) + ")", colour),
           x, y);
  }
  auto* zero = line("", QColor(0x60, 0x60, 0x60), 1.0, Qt::DashLine);
  zero->append(years.low - 0.5, 0);
  zero->append(years.high + 0.5, 0);
  attach(chart, zero, x, y);
  hide_from_legend(chart, zero);
  auto* path = line(ssb ? "Residual" : "Mean residual", kEstimateColour, kLineWidth);
  auto* inside = points("", kEstimateColour, 9.0);
  auto* beyond = points("Beyond 3 sigma", kPositiveColour, 12.0);
  for (const ResidualPoint& p : test.points) {
    path->append(p.year, p.residual);
    (test.sigma && std::fabs(p.residual) > limit ? beyond : inside)->append(p.year, p.residual);
  }
  attach(chart, path, x, y);
  attach(chart, inside, x, y);
  hide_from_legend(chart, inside);
  attach(chart, beyond, x, y);
  if (beyond->count() == 0) hide_from_legend(chart, beyond);
  return chart;
}

// The series of the hindcast, SSB surveys first: (is an SSB survey, number).
std::vector<std::pair<bool, int>> hindcast_series(const PlotData& data) {
  std::set<int> surveys, fleets;
  for (const HindcastRow& r : data.hindcast) (r.ssb ? surveys : fleets).insert(r.number);
  std::vector<std::pair<bool, int>> series;
  for (int k : surveys) series.emplace_back(true, k);
  for (int k : fleets) series.emplace_back(false, k);
  return series;
}

std::string hindcast_title(const PlotData& data, bool ssb, int number) {
  std::string title = "Hindcast: " + series_of(data, ssb, number);
  for (const HindcastMaseRow& m : data.hindcast_mase) {
    if (m.ssb != ssb || m.number != number || m.age) continue;
    title += ", MASE " + (m.mase ? number_text(*m.mase, 3) : std::string("none")) + " from " +
             std::to_string(m.predictions) + " predictions";
  }
  return title;
}

// One survey's index by year (each age of a fleet in its own colour), as far back as the year
// before the first prediction, with each peel's prediction of the year after its data as a point
// of the same colour: a point near the line of its year is a prediction that came true; the
// legend gives each age's MASE.
QChart* hindcast_chart(const PlotData& data, bool ssb, int number) {
  QChart* chart = new_chart(hindcast_title(data, ssb, number));
  std::map<std::optional<int>, std::map<int, double>> observed;  // by age: year -> index
  std::map<std::optional<int>, std::vector<QPointF>> predicted;
  Range years, values;
  for (const HindcastRow& r : data.hindcast) {
    if (r.ssb != ssb || r.number != number || !r.observed || !r.predicted || !r.naive) continue;
    // An index is above 0 (hindcast.csv holds no other); a table edited by hand may not.
    if (!(*r.observed > 0 && *r.predicted > 0 && *r.naive > 0)) continue;
    observed[r.age][r.year] = *r.observed;
    observed[r.age][r.year - 1] = *r.naive;
    predicted[r.age].emplace_back(r.year, *r.predicted);
    years.add(r.year - 1);
    years.add(r.year);
    for (double v : {*r.observed, *r.predicted, *r.naive}) values.add(v);
  }
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.5);
  const std::string title = ssb ? "SSB survey index" : "Index";
  QAbstractAxis* y = index_axis(title, values);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  std::size_t i = 0;
  for (const auto& [age, by_year] : observed) {
    QString name = age ? QString("Age %1").arg(*age) : QString("Observed");
    for (const HindcastMaseRow& m : data.hindcast_mase) {
      if (m.ssb == ssb && m.number == number && m.age == age)
        name += QString(": MASE %1")
                    .arg(QString::fromStdString(m.mase ? number_text(*m.mase, 2)
                                                       : std::string("none")));
    }
    auto* series = line(name, palette(i), kLineWidth);
    for (const auto& [year, index] : by_year) series->append(year, index);
    attach(chart, series, x, y);
    auto* forecasts = points("", palette(i), 12.0);
    for (const QPointF& p : predicted[age]) forecasts->append(p);
    attach(chart, forecasts, x, y);
    hide_from_legend(chart, forecasts);
    ++i;
  }
  // The points have the colour of their age; one hollow marker in the legend says what they are.
  auto* key = points("Points: predicted", Qt::white, 12.0);
  key->setBorderColor(Qt::black);
  attach(chart, key, x, y);
  chart->legend()->setAlignment(Qt::AlignRight);
  return chart;
}

// The retrospective's F: F-bar where retro.csv has it (as the F chart), else the mean F.
bool retro_has_fbar(const PlotData& data) {
  return std::any_of(data.retro.begin(), data.retro.end(),
                     [](const RetroRow& r) { return r.fbar.has_value(); });
}

std::string retro_f_label(const PlotData& data) {
  return retro_has_fbar(data) ? fbar_label(data) : "Mean F";
}

// One quantity of the full run (peel 0, black) and of each peel, with a point at each peel's
// last year, where the retrospective pattern shows.
QChart* retrospective_chart(const PlotData& data, const std::string& quantity) {
  const bool ssb = quantity == "ssb";
  const std::string label = ssb ? "SSB" : retro_f_label(data);
  std::string title = "Retrospective: " + label;
  if (const std::optional<double> rho = rho_of(data, quantity)) {
    title += " (Mohn's rho " + number_text(*rho, 2) + ")";
  }
  QChart* chart = new_chart(title);
  std::map<int, std::vector<QPointF>> peels;
  Range years;
  double top = 0;
  for (const RetroRow& r : data.retro) {
    const std::optional<double> value = ssb ? r.ssb : quantity == "fbar" ? r.fbar : r.mean_f;
    if (!value) continue;
    peels[r.peel].emplace_back(r.year, *value);
    years.add(r.year);
    top = std::max(top, *value);
  }
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.5);
  const Scale scale = ssb ? scale_for(top) : Scale{};
  for (auto& [peel, values] : peels) {
    for (QPointF& p : values) p.setY(p.y() / scale.divisor);
  }
  QValueAxis* y = zero_based_axis(ssb ? "SSB (" + scale.unit + ")" : label, top / scale.divisor);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  auto* ends = points("", Qt::black, 10.0);
  std::vector<QColor> end_colours;
  // The peels first, so that the full run is drawn over them.
  for (auto it = peels.rbegin(); it != peels.rend(); ++it) {
    const int peel = it->first;
    std::vector<QPointF>& values = it->second;
    std::sort(values.begin(), values.end(),
              [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    const bool full = peel == 0;
    const QColor colour = full ? QColor(Qt::black) : palette(static_cast<std::size_t>(peel - 1));
    const QString name =
        full ? QString("Full run") : QString("Last year %1").arg(values.back().x());
    auto* series = line(name, colour, full ? kLineWidth + 1 : kLineWidth);
    series->append(QList<QPointF>(values.begin(), values.end()));
    attach(chart, series, x, y);
    if (!full) {
      ends->append(values.back());
      end_colours.push_back(colour);
    }
  }
  attach(chart, ends, x, y);
  for (std::size_t i = 0; i < end_colours.size(); ++i) {
    ends->setPointConfiguration(static_cast<int>(i), QXYSeries::PointConfiguration::Color,
                                end_colours[i]);
  }
  hide_from_legend(chart, ends);
  return chart;
}

// SSB or F-bar of the run with every tuning series (black, drawn last) and of each run without
// one, named after the series it lacks: a line far from the others shows a series that pulls the
// assessment its own way.
QChart* leave_out_chart(const PlotData& data, bool ssb) {
  const std::string label = ssb ? "SSB" : fbar_label(data);
  QChart* chart = new_chart("Leave one out: " + label);
  struct Run {
    std::string key;
    QString name;
    std::vector<QPointF> values;
  };
  std::vector<Run> runs;  // in the order of the table: the run with every series first
  Range years;
  double top = 0;
  for (const LeaveOutRow& r : data.leave_out) {
    const std::optional<double> value = ssb ? r.ssb : r.fbar;
    if (!value) continue;
    if (runs.empty() || runs.back().key != r.left_out) {
      std::string name = "All series";
      if (r.left_out != "none") {
        const std::optional<TuningSeries> series = tuning_series_of_key(r.left_out, r.name);
        name = "Without " + (series ? series->description() : r.left_out);
      }
      runs.push_back({r.left_out, QString::fromStdString(name), {}});
    }
    runs.back().values.emplace_back(r.year, *value);
    years.add(r.year);
    top = std::max(top, *value);
  }
  QValueAxis* x = whole_axis("Year", years.low, years.high, 0.5);
  const Scale scale = ssb ? scale_for(top) : Scale{};
  QValueAxis* y = zero_based_axis(ssb ? "SSB (" + scale.unit + ")" : label, top / scale.divisor);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  // A run that lands where the run with every series does (a scan that settles on the same grid
  // point) lies under its line: the legend says so rather than leave a line missing.
  for (Run& r : runs) {
    if (r.key != "none" && runs.front().key == "none" && r.values == runs.front().values) {
      r.name += " (as all series)";
    }
  }
  std::size_t colour = 0;
  for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
    const bool all = it->key == "none";
    auto* series = line(it->name, all ? QColor(Qt::black) : palette(colour++),
                        all ? kLineWidth + 1 : kLineWidth);
    for (const QPointF& p : it->values) series->append(p.x(), p.y() / scale.divisor);
    attach(chart, series, x, y);
  }
  // The series' names are long ("Without fleet 2 (IBTS_Q1_gam)"): one above the other beside
  // the chart, not cut short in a row below it.
  chart->legend()->setAlignment(Qt::AlignRight);
  return chart;
}

// The numbers of the surveys of one kind, in order, that have rows satisfying `has`.
template <typename Has>
std::vector<int> survey_numbers(const PlotData& data, SurveyRow::Kind kind, Has has) {
  std::set<int> numbers;
  for (const SurveyRow& s : data.surveys) {
    if (s.kind == kind && has(s)) numbers.insert(s.number);
  }
  return {numbers.begin(), numbers.end()};
}

bool has_fit(const SurveyRow& s) {
  return s.observed && s.fitted && *s.observed > 0 && *s.fitted > 0;
}

}  // namespace

std::string fbar_label(const PlotData& data) {
  return "F-bar" + (data.fbar_ages.empty() ? "" : ", ages " + data.fbar_ages);
}

std::string fleet_title(const PlotData& data, int k) {
  const auto named = data.fleet_names.find(k);
  return named != data.fleet_names.end() ? named->second : "Fleet " + std::to_string(k);
}

std::string biomass_unit(const PlotData& data) {
  if (!stated(data.units_numbers) || !stated(data.units_weight)) return "";
  if (data.units_numbers == "thousands" && data.units_weight == "kg") return "t";
  return data.units_numbers + " \u00d7 " + data.units_weight;
}

BandPoints clamped_band(const std::vector<SummaryRow>& rows, std::optional<double> SummaryRow::*low,
                        std::optional<double> SummaryRow::*high, double cap) {
  const auto year = [](const SummaryRow& r) { return static_cast<double>(r.year); };
  return band_points(rows, year, low, high, cap);
}

std::vector<ConsistencyPair> fleet_consistency(const PlotData& data, int fleet) {
  std::map<std::pair<int, int>, double> index;  // by (age, year), above 0
  for (const SurveyRow& s : data.surveys) {
    if (s.kind == SurveyRow::Kind::Fleet && s.number == fleet && s.age && s.observed &&
        *s.observed > 0) {
      index[{*s.age, s.year}] = *s.observed;
    }
  }
  std::map<int, ConsistencyPair> by_age;
  for (const auto& [cell, value] : index) {
    const auto [age, year] = cell;
    const auto next = index.find({age + 1, year + 1});
    if (next == index.end()) continue;
    ConsistencyPair& pair = by_age[age];
    pair.age = age;
    pair.points.emplace_back(value, next->second);
  }
  std::vector<ConsistencyPair> pairs;
  for (auto& [age, pair] : by_age) {
    const std::size_t n = pair.points.size();
    if (n >= 3) {
      double mean_x = 0, mean_y = 0;
      for (const auto& [x, y] : pair.points) {
        mean_x += std::log(x);
        mean_y += std::log(y);
      }
      mean_x /= static_cast<double>(n);
      mean_y /= static_cast<double>(n);
      double sxx = 0, syy = 0, sxy = 0;
      for (const auto& [x, y] : pair.points) {
        const double dx = std::log(x) - mean_x, dy = std::log(y) - mean_y;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
      }
      if (sxx > 0 && syy > 0) pair.r = sxy / std::sqrt(sxx * syy);
    }
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

std::vector<SelectionYear> selection_patterns(const PlotData& data, int years) {
  std::map<int, std::map<int, double>> f_by_year;  // year -> age -> F
  for (const StockRow& r : data.stock) {
    if (r.f) f_by_year[r.year][r.age] = *r.f;
  }
  std::vector<SelectionYear> patterns;
  for (auto it = f_by_year.rbegin();
       it != f_by_year.rend() && patterns.size() < static_cast<std::size_t>(years); ++it) {
    double largest = 0;
    for (const auto& [age, f] : it->second) largest = std::max(largest, f);
    if (!(largest > 0)) continue;
    SelectionYear pattern{it->first, {}};
    for (const auto& [age, f] : it->second) pattern.relative_f.emplace_back(age, f / largest);
    patterns.push_back(std::move(pattern));
  }
  std::reverse(patterns.begin(), patterns.end());
  return patterns;
}

std::vector<YearClass> year_classes(const PlotData& data) {
  std::vector<YearClass> classes;
  if (data.stock.empty()) return classes;
  const int age = first_age(data);
  std::map<int, double> ssb;
  for (const SummaryRow& r : data.summary) {
    if (r.ssb) ssb[r.year] = *r.ssb;
  }
  for (const SummaryRow& r : data.summary) {
    if (!r.recruitment) continue;
    const auto parents = ssb.find(r.year - age);
    if (parents != ssb.end()) classes.push_back({parents->first, parents->second, *r.recruitment});
  }
  std::sort(classes.begin(), classes.end(),
            [](const YearClass& a, const YearClass& b) { return a.year < b.year; });
  return classes;
}

std::map<int, std::vector<std::pair<int, double>>> catch_curves(const PlotData& data) {
  std::map<int, std::vector<std::pair<int, double>>> curves;
  int oldest = std::numeric_limits<int>::min();
  for (const StockRow& r : data.stock) oldest = std::max(oldest, r.age);
  for (const StockRow& r : data.stock) {
    // The oldest age is often a plus group, where year classes mix.
    if (r.age == oldest) continue;
    if (r.catch_numbers && *r.catch_numbers > 0 && std::isfinite(*r.catch_numbers))
      curves[r.year - r.age].emplace_back(r.year, std::log(*r.catch_numbers));
  }
  for (auto it = curves.begin(); it != curves.end();) {
    std::sort(it->second.begin(), it->second.end());
    it = it->second.size() < 2 ? curves.erase(it) : std::next(it);
  }
  return curves;
}

std::optional<StatusPath> stock_status(const PlotData& data) {
  const ReferencePoints& ref = data.reference;
  StatusPath path;
  double b_ref = 0, f_ref = 0;
  if (ref.msy_btrigger && ref.fmsy) {
    path.b_name = "MSY Btrigger", path.f_name = "Fmsy";
    b_ref = *ref.msy_btrigger, f_ref = *ref.fmsy;
  } else if (ref.bpa && ref.fpa) {
    path.b_name = "Bpa", path.f_name = "Fpa";
    b_ref = *ref.bpa, f_ref = *ref.fpa;
  } else {
    return std::nullopt;
  }
  if (!(b_ref > 0) || !(f_ref > 0)) return std::nullopt;
  for (const SummaryRow& r : data.summary) {
    // Tables written before F-bar was kept have the mean F over every age in its place.
    const std::optional<double> fbar = r.fbar ? r.fbar : r.mean_f;
    if (r.ssb && fbar && std::isfinite(*r.ssb) && std::isfinite(*fbar))
      path.years.push_back({r.year, *r.ssb / b_ref, *fbar / f_ref});
  }
  if (path.years.empty()) return std::nullopt;
  const auto band = [](std::optional<double> low, std::optional<double> high,
                       double point) -> std::optional<std::pair<double, double>> {
    if (!low || !high || !std::isfinite(*low) || !std::isfinite(*high)) return std::nullopt;
    return std::pair{*low / point, *high / point};
  };
  const auto last =
      std::find_if(data.summary.begin(), data.summary.end(),
                   [&](const SummaryRow& r) { return r.year == path.years.back().year; });
  path.last_b_band = band(last->ssb_q05, last->ssb_q95, b_ref);
  path.last_f_band = band(last->fbar_q05, last->fbar_q95, f_ref);
  return path;
}

std::vector<ForecastRowData> forecast_curve(const PlotData& data) {
  int last = std::numeric_limits<int>::min();
  for (const ForecastRowData& r : data.forecast) last = std::max(last, r.year);
  std::vector<ForecastRowData> curve;
  for (const ForecastRowData& r : data.forecast) {
    const bool grid =
        r.option == "F = 0" || r.option == "status quo" || r.option.starts_with("F x ");
    if (r.year != last || !grid) continue;
    if (r.fbar && r.catch_weight && r.ssb_next) curve.push_back(r);
  }
  std::stable_sort(curve.begin(), curve.end(),
                   [](const auto& a, const auto& b) { return *a.fbar < *b.fbar; });
  return curve;
}

std::vector<ChartInfo> available_charts(const PlotData& data) {
  std::vector<ChartInfo> charts;
  std::string group;
  const auto add = [&charts, &group](std::string name, std::string title) {
    charts.push_back({std::move(name), std::move(title), group});
  };
  const auto any_summary = [&data](std::optional<double> SummaryRow::*field) {
    return std::any_of(data.summary.begin(), data.summary.end(),
                       [field](const SummaryRow& r) { return (r.*field).has_value(); });
  };
  group = kStockCharts;
  if (any_summary(&SummaryRow::ssb)) add("ssb", "Spawning stock biomass");
  if (any_summary(&SummaryRow::f) || any_summary(&SummaryRow::mean_f)) {
    add("f", "Fishing mortality");
  }
  if (!selection_patterns(data, 1).empty()) add("selection", "Selection pattern");
  if (any_summary(&SummaryRow::recruitment)) add("recruitment", "Recruitment");
  if (year_classes(data).size() >= 2) add("stock_recruitment", "Stock and recruitment");
  if (const std::optional<StatusPath> status = stock_status(data)) {
    add("status", status_title(*status));
  }

  group = kAdviceCharts;
  if (forecast_curve(data).size() >= 2) add("forecast", "Short-term forecast");
  if (!data.per_recruit.empty()) add("per_recruit", "Yield and SSB per recruit");
  if (!data.equilibrium.empty()) add("equilibrium", "Yield and SSB in equilibrium");
  if (!data.stochastic_equilibrium.empty())
    add("stochastic_equilibrium", "Yield and risk with varying recruitment");

  group = kDataCharts;
  if (std::any_of(data.stock.begin(), data.stock.end(),
                  [](const StockRow& r) { return r.weight.has_value(); }))
    add("weights_at_age", "Catch weight at age");
  if (!catch_curves(data).empty()) add("catch_curves", "Catch curves: ln catch of each year class");

  group = kFitCharts;
  if (!catch_bubbles(data).empty()) add("catch_residuals", "Catch log residuals");
  const std::vector<int> aged = survey_numbers(
      data, SurveyRow::Kind::Fleet, [](const SurveyRow& s) { return s.log_residual.has_value(); });
  for (int k : aged) {
    add("fleet" + std::to_string(k) + "_residuals", fleet_title(data, k) + " log residuals");
  }
  for (int k : survey_numbers(data, SurveyRow::Kind::Ssb, has_fit)) {
    add("ssb_survey" + std::to_string(k) + "_fit",
        "SSB survey " + std::to_string(k) + ": observed and fitted");
  }
  for (int k : survey_numbers(data, SurveyRow::Kind::Fleet, has_fit)) {
    add("fleet" + std::to_string(k) + "_fit", fleet_title(data, k) + ": observed against fitted");
  }
  for (const bool ssb : {true, false}) {
    const auto kind = ssb ? SurveyRow::Kind::Ssb : SurveyRow::Kind::Fleet;
    for (int k : survey_numbers(data, kind,
                                [](const SurveyRow& s) { return s.log_residual.has_value(); })) {
      if (survey_residuals(data.surveys, kind, k).size() < kLeastRunsTestYears) continue;
      add((ssb ? "ssb_survey" : "fleet") + std::to_string(k) + "_runs",
          runs_title(data, ssb, k, survey_runs_test(data, ssb, k)));
    }
  }
  const auto has_index = [](const SurveyRow& s) { return s.age && s.observed && *s.observed > 0; };
  for (int k : survey_numbers(data, SurveyRow::Kind::Fleet, has_index)) {
    const std::vector<ConsistencyPair> pairs = fleet_consistency(data, k);
    if (std::any_of(pairs.begin(), pairs.end(), [](const ConsistencyPair& p) { return p.r; })) {
      add("fleet" + std::to_string(k) + "_consistency",
          fleet_title(data, k) + ": internal consistency");
    }
  }

  group = kAnalysisCharts;
  if (!data.retro.empty()) {
    add("retrospective_ssb", "Retrospective: SSB");
    add("retrospective_mean_f", "Retrospective: " + retro_f_label(data));
  }
  for (const auto& [ssb, k] : hindcast_series(data)) {
    add((ssb ? "hindcast_ssb_survey" : "hindcast_fleet") + std::to_string(k),
        hindcast_title(data, ssb, k));
  }
  if (!data.leave_out.empty()) {
    add("leave_out_ssb", "Leave one out: SSB");
    add("leave_out_fbar", "Leave one out: " + fbar_label(data));
  }

  group = kSearchCharts;
  if (!data.scan.empty()) {
    add("loss_profile_f", "Total loss along the scan of terminal f");
    if (data.scan_outer.empty() && !data.scan_components.empty())
      add("loss_components_f", "Loss components along the scan of terminal f");
    if (data.scan_outer == "M") add("loss_profile_m", "Total loss along the scan of M");
    if (data.scan_outer == "ALFA") add("loss_profile_alfa", "Total loss along the scan of ALFA");
  }
  return charts;
}

QChart* make_chart(const PlotData& data, const std::string& name) {
  const std::vector<ChartInfo> charts = available_charts(data);
  if (std::none_of(charts.begin(), charts.end(),
                   [&name](const ChartInfo& c) { return c.name == name; })) {
    throw std::invalid_argument("no chart named '" + name + "' for the tables in " + data.folder);
  }
  if (name == "ssb") return ssb_chart(data);
  if (name == "f") return f_chart(data);
  if (name == "selection") return selection_chart(data);
  if (name == "recruitment") return recruitment_chart(data);
  if (name == "weights_at_age") return weights_chart(data);
  if (name == "catch_curves") return catch_curves_chart(data);
  if (name == "stock_recruitment") return stock_recruitment_chart(data);
  if (name == "forecast") return forecast_chart(data);
  if (name == "per_recruit") return per_recruit_chart(data);
  if (name == "equilibrium") return equilibrium_chart(data);
  if (name == "stochastic_equilibrium") return stochastic_equilibrium_chart(data);
  if (name == "status") return status_chart(data);
  if (name == "catch_residuals") return bubble_chart("Catch log residuals", catch_bubbles(data));
  if (name == "retrospective_ssb") return retrospective_chart(data, "ssb");
  if (name == "retrospective_mean_f")
    return retrospective_chart(data, retro_has_fbar(data) ? "fbar" : "mean_f");
  if (name == "leave_out_ssb") return leave_out_chart(data, true);
  if (name == "leave_out_fbar") return leave_out_chart(data, false);
  if (name == "loss_components_f") return components_chart(data);
  if (name.starts_with("hindcast_ssb_survey"))
    return hindcast_chart(data, true, std::stoi(name.substr(std::strlen("hindcast_ssb_survey"))));
  if (name.starts_with("hindcast_fleet"))
    return hindcast_chart(data, false, std::stoi(name.substr(std::strlen("hindcast_fleet"))));
  if (name.starts_with("loss_profile_")) return profile_chart(data, name == "loss_profile_f");
  // The numbered charts: "fleetK_residuals", "fleetK_fit", "ssb_surveyK_fit".
  const auto number_after = [&name](std::string_view prefix) {
    return std::stoi(name.substr(prefix.size()));
  };
  if (name.ends_with("_runs")) {
    const bool ssb = name.starts_with("ssb_survey");
    return runs_chart(data, ssb, number_after(ssb ? "ssb_survey" : "fleet"));
  }
  if (name.starts_with("ssb_survey")) return ssb_survey_fit_chart(data, number_after("ssb_survey"));
  const int fleet = number_after("fleet");
  if (name.ends_with("_residuals")) {
    return bubble_chart(fleet_title(data, fleet) + " log residuals", fleet_bubbles(data, fleet));
  }
  if (name.ends_with("_consistency")) return consistency_chart(data, fleet);
  return fleet_fit_chart(data, fleet);
}

namespace {

// Lays the chart out at `size` in a scene of its own, or, when it is shown in a window, in the
// window's scene, where it is put back to its size afterwards; `paint` draws the scene onto a
// painter with the chart filling the target rectangle.
template <typename Paint>
void paint_chart(QChart* chart, QSize size, Paint paint) {
  QGraphicsScene own_scene;
  QGraphicsScene* scene = chart->scene();
  const QRectF shown = chart->geometry();
  if (!scene) {
    scene = &own_scene;
    scene->addItem(chart);
  }
  chart->setGeometry(QRectF(chart->pos(), QSizeF(size)));
  chart->layout()->activate();
  const QRectF source(chart->pos(), QSizeF(size));
  const QRectF target(QPointF(0, 0), QSizeF(size));
  paint(*scene, target, source);
  if (scene == &own_scene) {
    scene->removeItem(chart);
  } else {
    chart->setGeometry(shown);
  }
}

}  // namespace

QByteArray chart_svg(QChart* chart, QSize size) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  paint_chart(chart, size, [&](QGraphicsScene& scene, const QRectF& target, const QRectF& source) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setResolution(96);  // a pixel of the screen: 1200 pixels print 317.5 mm wide
    svg.setViewBox(target);
    svg.setTitle(chart->title());
    QPainter painter(&svg);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, target, source);
  });
  return buffer.data();
}

std::optional<ImageFormat> image_format_named(std::string_view word) {
  if (word == "png") return ImageFormat::Png;
  if (word == "svg") return ImageFormat::Svg;
  return std::nullopt;
}

void save_chart(QChart* chart, const std::string& path, ImageFormat format, QSize size) {
  const QString file_name = QString::fromStdString(path);
  bool written = false;
  if (format == ImageFormat::Png) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    paint_chart(chart, size,
                [&image](QGraphicsScene& scene, const QRectF& target, const QRectF& source) {
                  QPainter painter(&image);
                  painter.setRenderHint(QPainter::Antialiasing);
                  painter.setRenderHint(QPainter::TextAntialiasing);
                  scene.render(&painter, target, source);
                });
    written = image.save(file_name, "PNG");
  } else {
    const QByteArray svg = chart_svg(chart, size);
    QFile file(file_name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      written = file.write(svg) == svg.size();
      file.close();
      written = written && file.error() == QFileDevice::NoError;
    }
  }
  if (!written) throw InputError(path + ": the chart cannot be written there");
}

}  // namespace quorvane::plot
