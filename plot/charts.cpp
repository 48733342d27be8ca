#include "plot/charts.h"

#include <stdexcept>

#include "state/errors.h"

namespace quorvane::plot {

PlotData read_plot_data(const std::string& tables_dir) {
  throw InputError(tables_dir + ": reading tables is not built yet");
}

std::vector<ChartInfo> available_charts(const PlotData&) { return {}; }

QChart* make_chart(const PlotData&, const std::string& name) {
  throw std::invalid_argument("no chart named '" + name + "'");
}

void save_chart(QChart*, const std::string& path, ImageFormat, QSize) {
  throw InputError(path + ": saving charts is not built yet");
}

}  // namespace quorvane::plot
