// The results window: the charts of a run's tables folder (SSB, f, recruitment, residual
// bubbles, survey fits and the retrospective when there is one), one at a time, chosen from a
// list, each saveable as a PNG picture or an SVG drawing. One window serves the whole session:
// every finished run and every folder opened from the menu replaces what it shows.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

#include "plot/charts.h"

class QChartView;
class QLabel;
class QListWidget;
class QPushButton;

namespace quorvane::app {

// The picture format a file name asks for by its suffix (.png or .svg, any case); empty for
// any other name.
std::optional<plot::ImageFormat> image_format(const QString& path);

class ResultsWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ResultsWindow(QWidget* parent = nullptr);
  ~ResultsWindow() override;

  // The list of charts is as wide as its longest title within these bounds, which leave the
  // chart most of a small screen; a title cut at the widest shows whole as a tip.
  static constexpr int kNarrowestList = 240;
  static constexpr int kWidestList = 420;

  // Shows the charts of `folder` and the `note` above them (empty: none). A folder whose
  // tables cannot be read leaves the window as it was; the one-line reason is returned.
  QString showTables(const QString& folder, const QString& note = {});
  // Takes every chart off the window and shows `note` in their place: the charts of an earlier
  // run must not pass for those of the run that is going on.
  void clearCharts(const QString& note);
  // Shows the first chart whose name begins with `name` ("retrospective" for the first of the
  // retrospective charts); false when the folder has none.
  bool selectChart(const QString& name);

  QString folder() const { return folder_; }
  QStringList chartNames() const;
  QString currentChart() const;
  QChartView* chartView() const { return view_; }
  QLabel* note() const { return note_; }

  // Saves the chart on view to `path` as the suffix says; the reason when it cannot.
  QString saveChartTo(const QString& path);

 public slots:
  // Asks for a file name and saves the chart on view.
  void saveChart();
  // Asks for a tables folder, starting in `from`, and shows its charts; a message says why a
  // folder is refused.
  void openResults(const QString& from = {});

 private slots:
  void showSelected();

 private:
  void createNote();
  void createChartArea();
  void createButtons();
  void fitListWidth();

  std::unique_ptr<plot::PlotData> data_;
  QString folder_;
  QLabel* note_ = nullptr;
  QListWidget* list_ = nullptr;
  QChartView* view_ = nullptr;
  QPushButton* save_ = nullptr;
};

}  // namespace quorvane::app
