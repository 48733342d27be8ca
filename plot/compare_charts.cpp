#include "plot/compare_charts.h"

#include <QAreaSeries>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "plot/chart_style.h"

namespace quorvane::plot {
namespace {

// Run B in the second colour of the charts, its band light.
const QColor kBandColourB(0xc4, 0x5a, 0x00, 0x40);

struct Quantity {
  const char* name;
  const char* title;
  const char* axis;  // empty: the values are mortalities, shown as they are
  std::optional<double> RunYear::*value;
  std::optional<double> RunYear::*q05;
  std::optional<double> RunYear::*q95;
};

constexpr Quantity kQuantities[] = {
    {"compare_ssb", "Spawning stock biomass", "SSB", &RunYear::ssb, &RunYear::ssb_q05,
     &RunYear::ssb_q95},
    {"compare_fbar", "F-bar (mean F over the analysed ages)", "", &RunYear::fbar,
     &RunYear::fbar_q05, &RunYear::fbar_q95},
    {"compare_recruitment", "Recruitment", "Recruitment", &RunYear::recruitment,
     &RunYear::recruitment_q05, &RunYear::recruitment_q95}};

struct Drawn {
  QLineSeries* estimate = nullptr;
  QAreaSeries* band = nullptr;  // none without a bootstrap
  double estimate_top = 0;
  double band_top = 0;
};

// The estimate is named "A: <run>" in the legend, the band only "A: bootstrap ...", which keeps
// the legend on one line.
Drawn draw_run(const ComparedRun& run, const Quantity& q, const QString& letter,
               const QString& name, const QColor& colour, const QColor& band_colour,
               Qt::PenStyle style) {
  Drawn d;
  d.estimate = line(letter + ": " + name, colour, kLineWidth, style);
  auto* upper = new QLineSeries;
  auto* lower = new QLineSeries;
  for (const RunYear& y : run.years) {
    if (const std::optional<double> v = y.*q.value) {
      d.estimate->append(y.year, *v);
      d.estimate_top = std::max(d.estimate_top, *v);
    }
    if ((y.*q.q05) && (y.*q.q95)) {
      upper->append(y.year, *(y.*q.q95));
      lower->append(y.year, *(y.*q.q05));
      d.band_top = std::max(d.band_top, *(y.*q.q95));
    }
  }
  if (upper->count() == 0) {
    delete upper;
    delete lower;
    return d;
  }
  d.band = new QAreaSeries(upper, lower);
  d.band->setName(letter + QString::fromUtf8(": bootstrap 5\u201395 %"));
  d.band->setBrush(band_colour);
  d.band->setPen(Qt::NoPen);
  return d;
}

}  // namespace

std::vector<ChartInfo> overlay_charts() {
  std::vector<ChartInfo> charts;
  for (const Quantity& q : kQuantities) charts.push_back({q.name, q.title, kStockCharts});
  return charts;
}

std::string run_name(const ComparedRun& run) {
  std::filesystem::path p(run.tables);
  if (!p.has_filename()) p = p.parent_path();
  std::string name = p.filename().string();
  constexpr std::string_view kSuffix = ".tables";
  if (name.size() > kSuffix.size() && name.ends_with(kSuffix)) {
    name.resize(name.size() - kSuffix.size());
  }
  // Two runs of one name in two working directories are told apart by the directory.
  const std::string folder = p.parent_path().filename().string();
  return folder.empty() ? name : folder + "/" + name;
}

QChart* make_overlay_chart(const ComparedRun& a, const ComparedRun& b, const std::string& name,
                           const std::string& name_a, const std::string& name_b) {
  const auto q = std::find_if(std::begin(kQuantities), std::end(kQuantities),
                              [&name](const Quantity& x) { return x.name == name; });
  if (q == std::end(kQuantities)) throw std::invalid_argument("no overlay named '" + name + "'");

  QChart* chart = new_chart(std::string(q->title) + ": A and B");
  Drawn da = draw_run(a, *q, "A", QString::fromStdString(name_a), kEstimateColour, kBandColour,
                      Qt::SolidLine);
  Drawn db = draw_run(b, *q, "B", QString::fromStdString(name_b), kSecondColour, kBandColourB,
                      Qt::DashLine);

  double low = 0, high = 0;
  bool any_year = false;
  for (const ComparedRun* run : {&a, &b}) {
    for (const RunYear& y : run->years) {
      low = any_year ? std::min(low, double(y.year)) : y.year;
      high = any_year ? std::max(high, double(y.year)) : y.year;
      any_year = true;
    }
  }
  QValueAxis* x = whole_axis("Year", low, high, 0.5);

  // Bands wider than twice the estimates are cut at the top, as on the charts of one run.
  const double estimate_top = std::max(da.estimate_top, db.estimate_top);
  const double band_top = std::max(da.band_top, db.band_top);
  const bool clipped = band_top > kBandClip * estimate_top;
  const double top = clipped ? kBandClip * estimate_top : std::max(estimate_top, band_top);
  for (Drawn* d : {&da, &db}) {
    if (clipped && d->band && d->band_top > top) d->band->setName(d->band->name() + " (cut)");
  }
  const bool mortality = std::string_view(q->axis).empty();
  const Scale scale = mortality ? Scale{} : scale_for(top);
  for (Drawn* d : {&da, &db}) {
    rescale(d->estimate, scale);
    if (d->band) {
      rescale(d->band->upperSeries(), scale);
      rescale(d->band->lowerSeries(), scale);
    }
  }
  const std::string axis_title =
      mortality ? "F-bar" : std::string(q->axis) + " (" + scale.unit + ")";
  QValueAxis* y = zero_based_axis(axis_title, top / scale.divisor);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (Drawn* d : {&da, &db}) {
    if (d->band) attach(chart, d->band, x, y);
  }
  attach(chart, da.estimate, x, y);
  attach(chart, db.estimate, x, y);
  return chart;
}

}  // namespace quorvane::plot
