// The parameter window, the program's main window: the working directory, the 115 fields with
// their labels in the rows of the form, START and "Quit session", and a menu to save and load
// the fields as a settings file, to open the charts of a tables folder and to start a
// retrospective analysis. It hands the field texts to a run as typed and shows how a run ended;
// it neither reads numbers nor computes. The working directory and the last settings file are
// remembered between program starts.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>

#include "run/run_keys.h"
#include "run/settings.h"
#include "run/start.h"

class QAction;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace quorvane::app {

class LiveRuns;
class ResultsWindow;
class RunController;
struct RetroOutcome;
struct LayoutCell;
struct LayoutRow;

class ParameterWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ParameterWindow(RunController& controller, QWidget* parent = nullptr);

  // The texts of Text1..Text115 as they stand.
  FieldTexts fieldTexts() const;
  QLineEdit* field(FieldId id) const { return fields_[static_cast<std::size_t>(field_number(id))]; }
  QString workingDirectory() const;
  void setWorkingDirectory(const QString& dir);
  // The settings file last saved or loaded, in this session or an earlier one.
  QString settingsFile() const { return settings_file_; }

  // Writes every field to a settings file; the reason when it cannot (also shown).
  QString saveSettingsTo(const QString& path);
  // Sets the fields to their defaults and then to the file's texts. A file that cannot be read,
  // or holds a line that is not "name=value" for a field, changes no field; the reason, which
  // names the line, is returned and shown.
  QString loadSettingsFrom(const QString& path);
  // The peels of a retrospective with the fields as they stand; false when it cannot start.
  bool runRetrospective(int peels);
  // The runs without each tuning series of the fields as they stand; false when it cannot start
  // (the reason is shown).
  bool runLeaveOut();

  QMenuBar* menuBar() const { return menu_bar_; }
  // The results window once a run or the menu has opened it, else null.
  ResultsWindow* resultsWindow() const { return results_; }
  QAction* forecastAction() const { return forecast_; }
  // The settings of the run beside the fields (F-bar ages, units, stock weights, reference
  // points, forecast) as lines "name = value", as a settings file holds them.
  QString runKeysText() const;
  // Takes such lines as the run's settings; a text with a bad line changes nothing, and the
  // reason, which names the line, is returned.
  QString setRunKeysText(const QString& text);

  // The scrolled widget that holds all fields (for a picture of the whole form).
  QWidget* fieldArea() const { return field_area_; }
  QPushButton* startButton() const { return start_; }
  QPushButton* quitButton() const { return quit_; }
  QLabel* statusLine() const { return status_; }
  LiveRuns* liveRuns() const { return live_; }

  // Shows the charts of a tables folder in the results window; the reason when it cannot.
  QString showResults(const QString& folder, const QString& note = {}, const QString& chart = {});

 public slots:
  void start();
  void quitSession();
  void chooseWorkingDirectory();
  void saveSettings();
  void loadSettings();
  void openResults();
  void retrospective();
  void leaveOut() { runLeaveOut(); }
  void editRunSettings();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void reportRun(const quorvane::RunOutcome& outcome);
  void showAgain();
  void reportPeel(int done, int peels);
  void reportRetrospective(const quorvane::app::RetroOutcome& outcome);
  void reportLeaveOut(const quorvane::app::RetroOutcome& outcome);
  // The end of a retrospective or of leave one out: `lines` with the outcome's problem and a
  // note when its full run rewrote the main run's files, the first on the status line, all above
  // the charts of the main run with `chart` chosen; `title` heads a warning.
  void showBesideAnalysis(QStringList lines, const quorvane::app::RetroOutcome& outcome,
                          const QString& title, const QString& chart);

 private:
  // What a stopped or failed run's charts say above them; empty for a fit.
  QString runBanner(const RunOutcome& outcome) const;
  // What a fit's reader must know about it, one note to a line: a scan whose best point is an
  // end of its grid, bootstrap runs that stopped there. Empty for most fits.
  QString fitNotes() const;
  // Why the controller refused to start a run (another program's run in the working directory),
  // on the status line and in a warning; nothing when it gave no reason.
  void showRefusal();
  // The problems of a rejected START one to a line; marks the fields they name.
  QString markRejectedFields(const QString& message);
  void unmarkFields();
  // Every kind of run takes these keys from here on: START, a live re-run, a retrospective.
  void useRunKeys(const RunKeys& keys);
  void createMenu();
  void readSettings();
  void rememberWorkingDirectory();
  // The working directory for a run: remembered when it exists, a message when it does not.
  bool useWorkingDirectory();
  void createTopLabel();
  void createWorkingDirectory();
  void createFields();
  void createButtons();
  void fitScreen();
  void addCells(QHBoxLayout* line, const std::vector<LayoutCell>& cells);
  QWidget* createRow(const LayoutRow& cells);
  QWidget* createFleetGrid();
  QLineEdit* createField(FieldId id);

  RunController& controller_;
  QMenuBar* menu_bar_ = nullptr;
  ResultsWindow* results_ = nullptr;
  QString settings_file_;
  // The F-bar ages, units, reference points and forecast of the loaded settings file, kept for
  // START and the next save.
  RunKeys run_keys_;
  QAction* forecast_ = nullptr;  // Analysis > Short-term forecast, checked when run_keys_ say so
  bool leave_out_ = false;       // the analysis beside the run going on is leave one out
  QVBoxLayout* column_ = nullptr;
  QLabel* top_label_ = nullptr;
  QLineEdit* workdir_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QWidget* field_area_ = nullptr;
  std::array<QLineEdit*, kFieldCount + 1> fields_{};
  QPushButton* start_ = nullptr;
  QPushButton* quit_ = nullptr;
  QLabel* status_ = nullptr;
  LiveRuns* live_ = nullptr;
};

}  // namespace quorvane::app
