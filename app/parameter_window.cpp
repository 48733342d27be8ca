#include "app/parameter_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "app/command_line.h"
#include "app/live_runs.h"
#include "app/parameter_layout.h"
#include "app/retrospective_job.h"
#include "app/run_controller.h"
#include "app/warning.h"
#include "base/errors.h"
#include "report/results_record.h"
#include "report/stock_status.h"
#include "run/bootstrap_kind.h"
#include "run/fields_file.h"
#include "run/scan_edges.h"
#if QUORVANE_CHARTS
#include "app/compare_window.h"
#include "app/results_window.h"
#include "data/age_year_file.h"
#include "report/tables.h"
#endif

namespace quorvane::app {

namespace {

constexpr int kNameFieldWidth = 120;
constexpr int kNumberFieldWidth = 55;
constexpr int kFleetColumnWidth = 120;

// Keys of what the program remembers between starts.
const QString kWorkdirKey = QStringLiteral("workingDirectory");
const QString kSettingsFileKey = QStringLiteral("settingsFile");
const char* const kSettingsFilter = QT_TR_NOOP("Settings (*.txt *.fields);;All files (*)");

// The peels offered first: three years back is the usual look at a retrospective pattern.
constexpr int kUsualPeels = 3;

QString text_of(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

ParameterWindow::ParameterWindow(RunController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
  setWindowTitle(QStringLiteral("QUORVANE   ") +
                 tr("60 y*30a   upto  7 aged fleets and 3 SSB for tuning + ext.Y"));
  column_ = new QVBoxLayout(this);
  createMenu();
  createTopLabel();
  createWorkingDirectory();
  createFields();
  createButtons();
  readSettings();
  fitScreen();

  connect(&controller_, &RunController::runFinished, this, &ParameterWindow::reportRun);
  connect(&controller_, &RunController::parametersWanted, this, &ParameterWindow::showAgain);
  connect(&controller_, &RunController::peelFinished, this, &ParameterWindow::reportPeel);
  connect(&controller_, &RunController::retrospectiveFinished, this,
          &ParameterWindow::reportRetrospective);
}

// The menu bar sits above the form, so the rows of the form keep their places.
void ParameterWindow::createMenu() {
  menu_bar_ = new QMenuBar(this);
  QMenu* file = menu_bar_->addMenu(tr("&File"));
  file->addAction(tr("&Save settings..."), this, &ParameterWindow::saveSettings);
  file->addAction(tr("&Load settings..."), this, &ParameterWindow::loadSettings);
  file->addSeparator();
  file->addAction(tr("&Open results..."), this, &ParameterWindow::openResults);
#if QUORVANE_CHARTS
  // The run on view is the one in the results window, else the one the fields name.
  file->addAction(tr("&Compare with..."), this, [this] {
    const QString current = results_ != nullptr && !results_->folder().isEmpty()
                                ? results_->folder()
                                : QString::fromStdString(tables_folder(resolve_path(
                                      workingDirectory().toStdString(), fieldTexts()[FieldId::ResultsFile])));
    compare_with(this, current, workingDirectory());
  });
#endif
  QMenu* analysis = menu_bar_->addMenu(tr("&Analysis"));
  analysis->addAction(tr("&Retrospective..."), this, &ParameterWindow::retrospective);
  analysis->addAction(tr("&Leave one out"), this, &ParameterWindow::leaveOut);
  // Kept with the settings, as the F-bar ages and the units are: a settings file saying
  // "forecast = yes" checks it, and saving writes it back.
  forecast_ = analysis->addAction(tr("Short-term &forecast after each run"));
  forecast_->setCheckable(true);
  connect(forecast_, &QAction::triggered, this, [this](bool on) {
    run_keys_.forecast = on ? std::optional<bool>(true) : std::nullopt;
    controller_.setRunKeys(run_keys_);
  });
  analysis->addAction(tr("Run &settings..."), this, &ParameterWindow::editRunSettings);
  column_->setMenuBar(menu_bar_);
}

void ParameterWindow::readSettings() {
  const QSettings settings;
  workdir_->setText(
      choose_working_directory({}, QDir::currentPath(), settings.value(kWorkdirKey).toString()));
  settings_file_ = settings.value(kSettingsFileKey).toString();
}

void ParameterWindow::rememberWorkingDirectory() {
  QSettings().setValue(kWorkdirKey, workingDirectory());
}

void ParameterWindow::createTopLabel() {
  top_label_ = new QLabel(tr("change what needed and press \"start\""), this);
  column_->addWidget(top_label_);
}

void ParameterWindow::createWorkingDirectory() {
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(tr("Working directory:"), this);
  workdir_ = new QLineEdit(QDir::currentPath(), this);
  workdir_->setObjectName(QStringLiteral("workdir"));
  label->setBuddy(workdir_);
  auto* choose = new QPushButton(tr("Choose..."), this);
  connect(choose, &QPushButton::clicked, this, &ParameterWindow::chooseWorkingDirectory);
  row->addWidget(label);
  row->addWidget(workdir_, 1);
  row->addWidget(choose);
  column_->addLayout(row);
}

QLineEdit* ParameterWindow::createField(FieldId id) {
  const Field& f = quorvane::field(id);
  auto* edit = new QLineEdit(text_of(f.default_text));
  edit->setObjectName(QString::fromStdString(numbered_name(id)));
  edit->setAccessibleName(text_of(f.label));
  edit->setFixedWidth(f.kind == FieldKind::Text ? kNameFieldWidth : kNumberFieldWidth);
  fields_[static_cast<std::size_t>(field_number(id))] = edit;
  return edit;
}

void ParameterWindow::addCells(QHBoxLayout* line, const std::vector<LayoutCell>& cells) {
  for (const LayoutCell& cell : cells) {
    const Field& f = quorvane::field(cell.field);
    if (cell.heading) {
      line->addSpacing(8);
      line->addWidget(new QLabel(text_of(f.heading)));
      continue;
    }
    QLineEdit* edit = createField(cell.field);
    if (!f.label.empty()) {
      auto* label = new QLabel(text_of(f.label));
      label->setBuddy(edit);
      line->addWidget(label);
    }
    line->addWidget(edit);
    line->addSpacing(8);
  }
}

// A row of the form: its fields from the left, and the ones of the right-hand column (the
// generation factors) at the right edge.
QWidget* ParameterWindow::createRow(const LayoutRow& cells) {
  auto* row = new QWidget;
  auto* line = new QHBoxLayout(row);
  line->setContentsMargins(0, 0, 0, 0);
  addCells(line, cells.left);
  line->addStretch(1);
  addCells(line, cells.right);
  return row;
}

QWidget* ParameterWindow::createFleetGrid() {
  auto* block = new QWidget;
  auto* grid = new QGridLayout(block);
  grid->setContentsMargins(0, 4, 0, 4);
  for (std::size_t c = 0; c < kFleetColumns.size(); ++c) {
    auto* heading = new QLabel(text_of(quorvane::field(fleet_field(kFleetColumns[c], 1)).heading));
    heading->setWordWrap(true);
    heading->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    heading->setFixedWidth(kFleetColumnWidth);
    grid->addWidget(heading, 0, static_cast<int>(c) + 1);
  }
  for (int k = 1; k <= kFleets; ++k) {
    // Every field of a fleet's row carries the row label "k:"; it is shown once, at the left.
    grid->addWidget(new QLabel(text_of(quorvane::field(fleet_field(kFleetColumns[0], k)).label)), k, 0);
    for (std::size_t c = 0; c < kFleetColumns.size(); ++c) {
      grid->addWidget(createField(fleet_field(kFleetColumns[c], k)), k, static_cast<int>(c) + 1);
    }
  }
  grid->setColumnStretch(static_cast<int>(kFleetColumns.size()) + 1, 1);
  return block;
}

void ParameterWindow::createFields() {
  field_area_ = new QWidget;
  field_area_->setObjectName(QStringLiteral("fieldArea"));
  auto* grid = new QGridLayout(field_area_);
  grid->setVerticalSpacing(2);
  const std::vector<LayoutRow>& rows = parameter_rows();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const int row = static_cast<int>(r);
    grid->addWidget(row + 1 == kFleetGridRow ? createFleetGrid() : createRow(rows[r]), row, 0);
  }
  grid->setRowStretch(static_cast<int>(rows.size()), 1);

  scroll_ = new QScrollArea(this);
  scroll_->setWidget(field_area_);
  scroll_->setWidgetResizable(true);
  column_->addWidget(scroll_, 1);
}

void ParameterWindow::createButtons() {
  auto* row = new QHBoxLayout;
  start_ = new QPushButton(tr("START"), this);
  start_->setObjectName(QStringLiteral("Command1"));
  quit_ = new QPushButton(tr("Quit session"), this);
  quit_->setObjectName(QStringLiteral("Command2"));
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  // A long message (a refused field's text, a note on the fit) wraps onto more lines instead of
  // widening the window past the screen.
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  connect(start_, &QPushButton::clicked, this, &ParameterWindow::start);
  connect(quit_, &QPushButton::clicked, this, &ParameterWindow::quitSession);
  live_ = new LiveRuns(*this, controller_);
  row->addWidget(start_);
  row->addWidget(quit_);
  row->addWidget(live_->toggle());
  row->addSpacing(16);
  row->addWidget(status_, 1);
  column_->addLayout(row);
}

// The form is wider and taller than a small laptop screen allows; the window opens at the size
// of its fields where it can and scrolls them where it cannot.
void ParameterWindow::fitScreen() {
  const QSize wanted = sizeHint().expandedTo(field_area_->sizeHint() +
                                             QSize(60, top_label_->sizeHint().height() + 140));
  QSize size = wanted;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    size = wanted.boundedTo(screen->availableGeometry().size() - QSize(20, 60));
  }
  resize(size);
}

FieldTexts ParameterWindow::fieldTexts() const {
  FieldTexts texts;
  for (const Field& f : kFields) texts[f.id] = field(f.id)->text().toStdString();
  return texts;
}

QString ParameterWindow::workingDirectory() const { return workdir_->text(); }

void ParameterWindow::setWorkingDirectory(const QString& dir) {
  workdir_->setText(dir);
  rememberWorkingDirectory();
}

void ParameterWindow::chooseWorkingDirectory() {
  const QString dir =
      QFileDialog::getExistingDirectory(this, tr("Working directory"), workingDirectory());
  if (!dir.isEmpty()) setWorkingDirectory(dir);
}

void ParameterWindow::start() {
  if (controller_.running()) {
    // One run at a time: the press is ignored, but a live re-run gives way to it.
    if (controller_.liveRun()) live_->giveWayToStart();
    return;
  }
  if (!useWorkingDirectory()) return;
  if (!controller_.start(fieldTexts(), workingDirectory())) {
    // Another run holds the folder: nothing was touched, and the window stays as it was.
    showRefusal();
    return;
  }
  unmarkFields();
  status_->setText(tr("Running..."));
#if QUORVANE_CHARTS
  if (results_ != nullptr) {
    results_->clearCharts(tr("A run is going on; its charts come when it ends."));
  }
#endif
}

bool ParameterWindow::useWorkingDirectory() {
  const QString dir = workingDirectory();
  if (!QDir(dir).exists()) {
    show_warning(this, tr("Working directory"),
                 tr("The working directory \"%1\" does not exist.").arg(dir));
    return false;
  }
  rememberWorkingDirectory();
  return true;
}

// ---- Saved settings ----

QString ParameterWindow::saveSettingsTo(const QString& path) {
  try {
    write_fields_file(path.toStdString(), fieldTexts(), run_keys_,
                      bootstrap_kind_lines(controller_.bootstrapKind()));
  } catch (const std::exception& e) {
    const QString problem = QString::fromUtf8(e.what());
    show_warning(this, tr("Save settings"), problem);
    return problem;
  }
  settings_file_ = path;
  QSettings().setValue(kSettingsFileKey, path);
  status_->setText(tr("Settings saved to %1").arg(path));
  return {};
}

QString ParameterWindow::loadSettingsFrom(const QString& path) {
  // A settings file holds every field; one written by hand may hold a few, and the others
  // then take their defaults, as in the batch runner.
  FieldTexts texts = default_field_texts();
  // The F-bar ages, the units and the kind of bootstrap are saved beside the fields; a file
  // without one of them means its default.
  RunKeys keys;
  BootstrapKind kind = BootstrapKind::Chained;
  try {
    read_fields_file(path.toStdString(), texts,
                     [&](std::string_view name, std::string_view v, const std::string& where) {
                       if (name != kBootstrapKindKey) return take_run_key(keys, name, v, where);
                       kind = bootstrap_kind_of(v, where);
                       return true;
                     });
  } catch (const std::exception& e) {
    const QString problem = QString::fromUtf8(e.what());
    show_warning(this, tr("Load settings"), problem);
    return problem;
  }
  for (const Field& f : kFields) field(f.id)->setText(QString::fromStdString(texts[f.id]));
  useRunKeys(keys);
  controller_.setBootstrapKind(kind);
  settings_file_ = path;
  QSettings().setValue(kSettingsFileKey, path);
  status_->setText(tr("Settings loaded from %1").arg(path));
  return {};
}

void ParameterWindow::useRunKeys(const RunKeys& keys) {
  run_keys_ = keys;
  controller_.setRunKeys(run_keys_);
  forecast_->setChecked(keys.forecast.value_or(false));
}

QString ParameterWindow::runKeysText() const {
  return QString::fromStdString(run_keys_text(run_keys_));
}

QString ParameterWindow::setRunKeysText(const QString& text) {
  try {
    useRunKeys(read_run_keys_text(text.toStdString(), "Run settings"));
  } catch (const SettingsError& e) {
    return QString::fromUtf8(e.what());
  }
  status_->setText(tr("Run settings taken; they are saved with the settings."));
  return {};
}

// The run's settings beside the fields, edited as the lines a settings file holds; a text with a
// bad line is refused with the line named and stays in the dialog to be mended.
void ParameterWindow::editRunSettings() {
  QDialog dialog(this);
  dialog.setWindowTitle(tr("Run settings"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* help = new QLabel(
      tr("Settings of the run beside the fields, one per line as in a settings file; '#' starts "
         "a comment.\n"
         "fbar = 3-7: the ages of F-bar.   units_numbers = thousands, units_weight = kg.\n"
         "stock_weight_file = sw.txt: stock weights for SSB (a name in the working directory).\n"
         "blim, bpa, flim, fpa, fmsy, msy_btrigger = value: the reference points.\n"
         "forecast = yes, forecast_mean_years = 3, forecast_recruitment = 1990-2010, "
         "forecast_intermediate_catch = 300000: the short-term forecast.\n"
         "equilibrium_simulations = 1000: with the forecast, the stochastic equilibrium of 1000 "
         "simulated stocks; equilibrium_f_cv = 0.212, equilibrium_f_autocorrelation = 0.423: the "
         "error of their F; equilibrium_advice_rule = yes: F cut below MSY Btrigger."),
      &dialog);
  help->setWordWrap(true);
  auto* edit = new QPlainTextEdit(runKeysText(), &dialog);
  edit->setObjectName(QStringLiteral("run_settings"));
  edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(help);
  layout->addWidget(edit);
  layout->addWidget(buttons);
  dialog.resize(640, 420);
  while (dialog.exec() == QDialog::Accepted) {
    const QString problem = setRunKeysText(edit->toPlainText());
    if (problem.isEmpty()) return;
    show_warning(this, tr("Run settings"), problem);
  }
}

// The dialogs start at the last settings file, or in the working directory.
void ParameterWindow::saveSettings() {
  const QString from = settings_file_.isEmpty()
                           ? QDir(workingDirectory()).filePath(QStringLiteral("settings.txt"))
                           : settings_file_;
  const QString path =
      QFileDialog::getSaveFileName(this, tr("Save settings"), from, tr(kSettingsFilter));
  if (!path.isEmpty()) saveSettingsTo(path);
}

void ParameterWindow::loadSettings() {
  const QString from = settings_file_.isEmpty() ? workingDirectory() : settings_file_;
  const QString path =
      QFileDialog::getOpenFileName(this, tr("Load settings"), from, tr(kSettingsFilter));
  if (!path.isEmpty()) loadSettingsFrom(path);
}

// ---- Results and retrospective ----

QString ParameterWindow::showResults(const QString& folder, const QString& note,
                                     const QString& chart) {
#if QUORVANE_CHARTS
  if (results_ == nullptr) results_ = new ResultsWindow(this);
  const QString problem = results_->showTables(folder, note);
  if (!problem.isEmpty()) return problem;
  if (!chart.isEmpty()) results_->selectChart(chart);
  results_->show();
  results_->raise();
  return {};
#else
  (void)folder;
  (void)note;
  (void)chart;
  return tr("This program was built without charts.");
#endif
}

void ParameterWindow::openResults() {
#if QUORVANE_CHARTS
  if (results_ == nullptr) results_ = new ResultsWindow(this);
  results_->openResults(workingDirectory());
#else
  show_warning(this, tr("Open results"), showResults({}));
#endif
}

void ParameterWindow::retrospective() {
  if (controller_.running()) return;
  const int most = most_peels(fieldTexts());
  if (most < 1) {
    show_warning(this, tr("Retrospective"),
                 tr("The years of the analysis (%1 to %2) leave no year to remove.")
                     .arg(fields_[8]->text(), fields_[9]->text()));
    return;
  }
  bool ok = false;
  const int peels =
      QInputDialog::getInt(this, tr("Retrospective"),
                           tr("Number of years to remove, one peel each (1 to %1):").arg(most),
                           std::min(kUsualPeels, most), 1, most, 1, &ok);
  if (ok) runRetrospective(peels);
}

bool ParameterWindow::runRetrospective(int peels) {
  if (!useWorkingDirectory()) return false;
  if (!controller_.startRetrospective(fieldTexts(), workingDirectory(), peels)) {
    showRefusal();
    return false;
  }
  leave_out_ = false;
  status_->setText(tr("Retrospective: %1 peels running...").arg(peels));
  return true;
}

bool ParameterWindow::runLeaveOut() {
  if (controller_.running() || !useWorkingDirectory()) return false;
  std::size_t series = 0;
  try {
    series = tuning_series(fieldTexts(), workingDirectory().toStdString()).size();
  } catch (const SettingsError& e) {
    status_->setText(tr("Nothing was run: %1").arg(QString::fromStdString(e.what())));
    show_warning(this, tr("Leave one out"), QString::fromStdString(e.what()));
    return false;
  }
  if (series == 0) {
    show_warning(this, tr("Leave one out"),
                 tr("The run uses no SSB survey and no aged fleet: there is nothing to leave "
                    "out."));
    return false;
  }
  const int runs = static_cast<int>(series);
  if (!controller_.startLeaveOut(fieldTexts(), workingDirectory(), runs)) {
    showRefusal();
    return false;
  }
  leave_out_ = true;
  status_->setText(tr("Leave one out: %1 runs running...").arg(runs));
  return true;
}

void ParameterWindow::showRefusal() {
  if (controller_.refusal().isEmpty()) return;
  status_->setText(tr("Nothing was run: %1").arg(controller_.refusal()));
  show_warning(this, tr("Working directory"), controller_.refusal());
}

void ParameterWindow::reportPeel(int done, int peels) {
  status_->setText(leave_out_
                       ? tr("Leave one out: %1 of %2 runs done...").arg(done).arg(peels)
                       : tr("Retrospective: %1 of %2 peels done...").arg(done).arg(peels));
}

void ParameterWindow::showBesideAnalysis(QStringList lines, const RetroOutcome& outcome,
                                         const QString& title, const QString& chart) {
  if (!outcome.problem.empty()) lines << QString::fromStdString(outcome.problem);
  if (controller_.retrospectiveRewroteResults()) {
    lines << tr("Its full run was made afresh: %1 and minim.out in the working directory were "
                "written anew.")
                 .arg(fields_[35]->text());
  }
  status_->setText(lines.front());
  const QString note = lines.join(QLatin1Char('\n'));
  const QString problem = showResults(QString::fromStdString(outcome.tables), note, chart);
  if (!problem.isEmpty()) show_warning(this, title, note + QStringLiteral("\n\n") + problem);
}

void ParameterWindow::reportLeaveOut(const RetroOutcome& outcome) {
  if (outcome.without.empty()) {
    status_->setText(tr("Leave one out stopped with an error."));
    show_warning(this, tr("Leave one out"), QString::fromStdString(outcome.problem));
    return;
  }
  const auto ran = std::count_if(outcome.without.begin(), outcome.without.end(),
                                 [](const LeaveOutRun& r) { return r.ran(); });
  QStringList lines;
  lines << tr("Leave one out: %1 of %2 runs finished; the change of the main run's last year "
              "without each series:")
               .arg(ran)
               .arg(outcome.without.size());
  for (const LeaveOutRun& r : outcome.without) {
    lines << QString::fromStdString(leave_out_line(outcome.full, r, outcome.fbar_ages));
    for (const std::string& note : r.edge_notes) {
      lines << tr("Without %1: %2")
                   .arg(QString::fromStdString(r.series.description()), QString::fromStdString(note));
    }
  }
  showBesideAnalysis(lines, outcome, tr("Leave one out"), QStringLiteral("leave_out"));
}

void ParameterWindow::reportRetrospective(const RetroOutcome& outcome) {
  if (outcome.quit) return;
  if (leave_out_) return reportLeaveOut(outcome);
  if (outcome.peels.empty() || outcome.rho.empty()) {
    status_->setText(tr("The retrospective stopped with an error."));
    show_warning(this, tr("Retrospective"), QString::fromStdString(outcome.problem));
    return;
  }
  const auto ran = std::count_if(outcome.peels.begin(), outcome.peels.end(),
                                 [](const PeelResult& p) { return !p.years.empty(); });
  QStringList lines;
  lines << QString::fromStdString(mohns_rho_line(outcome.rho, static_cast<int>(ran),
                                                 static_cast<int>(outcome.peels.size()),
                                                 outcome.fbar_ages));
  if (!outcome.hindcast.empty()) lines << QString::fromStdString(outcome.hindcast);
  for (const PeelResult& p : outcome.peels) {
    if (p.years.empty()) {
      lines << tr("Peel %1: %2").arg(p.peel).arg(QString::fromStdString(p.outcome.message));
    }
    for (const std::string& note : p.edge_notes)
      lines << tr("Peel %1: %2").arg(p.peel).arg(QString::fromStdString(note));
  }
  showBesideAnalysis(lines, outcome, tr("Retrospective"), QStringLiteral("retrospective"));
}

QString ParameterWindow::runBanner(const RunOutcome& outcome) const {
  if (outcome.status == RunStatus::SettingsRejected)
    return tr("Settings rejected; nothing was run.");
  if (outcome.status != RunStatus::Completed) {
    return tr("run failed (%1): values are not a fit").arg(QString::fromStdString(outcome.message));
  }
  const ResultsRecord* record = controller_.state().results_record.get();
  if (record != nullptr && record->stopped) {
    return tr("run stopped by the user at evaluation %1: values are not a fit")
        .arg(record->evaluations);
  }
  return {};
}

QString ParameterWindow::fitNotes() const {
  const ResultsRecord* record = controller_.state().results_record.get();
  if (record == nullptr || !record->complete) return {};
  QStringList notes;
  for (const std::string& note : scan_edge_notes(controller_.state(), *record))
    notes << QString::fromStdString(note);
  if (const std::string note = bootstrap_edge_note(controller_.state(), *record); !note.empty())
    notes << QString::fromStdString(note);
  return notes.join(QLatin1Char('\n'));
}

void ParameterWindow::reportRun(const RunOutcome& outcome) {
  if (controller_.liveRun()) return;  // a live re-run speaks on the status line (LiveRuns)
  // A stopped or failed run's charts show the state of the moment, not an estimate: they carry
  // a banner that says so, and a run without tables leaves no charts of an earlier run behind.
  const QString banner = runBanner(outcome);
  const QString tables = QString::fromStdString(outcome.tables.folder);
#if QUORVANE_CHARTS
  if (tables.isEmpty() && results_ != nullptr) results_->clearCharts(banner);
#endif
  switch (outcome.status) {
    case RunStatus::Completed: {
      // A fit whose scan did not bracket its minimum says so above its charts and on the
      // status line.
      const QString notes = banner.isEmpty() ? fitNotes() : QString();
      if (!banner.isEmpty()) {
        status_->setText(banner);
      } else if (notes.isEmpty()) {
        status_->setText(tr("The run has ended."));
      } else {
        status_->setText(
            tr("The run has ended. %1").arg(notes.section(QLatin1Char('\n'), 0, 0)));
      }
      // The charts come up once the run is over; a folder the charts cannot be drawn from is
      // said on the status line rather than in a window of its own.
      // Where the stock stands against the reference points the run states, the forecast's
      // line (or why none was made), the per-recruit line and the equilibrium's follow.
      const ResultsRecord* record = controller_.state().results_record.get();
      const std::string stock_status = banner.isEmpty() && record != nullptr && record->complete
                                           ? stock_status_line(*record, controller_.state().reference)
                                           : std::string();
      for (const std::string& line :
           {stock_status, outcome.tables.forecast, outcome.tables.per_recruit,
            outcome.tables.equilibrium, outcome.tables.stochastic_equilibrium}) {
        if (!line.empty())
          status_->setText(status_->text() + QStringLiteral("  ") + QString::fromStdString(line));
      }
      const QString problem = tables.isEmpty() ? QString::fromStdString(outcome.tables.problem)
                                               : showResults(tables, banner + notes);
      if (!problem.isEmpty()) status_->setText(tr("The run has ended; no charts: %1").arg(problem));
      return;
    }
    case RunStatus::SettingsRejected:
      status_->setText(tr("Settings rejected; nothing was run."));
      show_warning(this, tr("Settings rejected"),
                   markRejectedFields(QString::fromStdString(outcome.message)));
      return;
    case RunStatus::InputFailed:
    case RunStatus::ArithmeticFailed:
      status_->setText(tr("The run stopped with an error."));
      if (!tables.isEmpty()) showResults(tables, banner);
      show_warning(this, tr("The run stopped"), QString::fromStdString(outcome.message));
      return;
  }
}

QString ParameterWindow::markRejectedFields(const QString& message) {
  // Each problem ends by naming its field, "(TextN)": one problem to a line, and the fields
  // named are marked until the next START.
  static const QRegularExpression named(QStringLiteral("\\(Text(\\d+)\\)(; )?"));
  QStringList lines;
  qsizetype from = 0;
  for (auto it = named.globalMatch(message); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    lines << message.mid(from, m.capturedEnd(1) + 1 - from);
    from = m.capturedEnd(0);
    const int n = m.captured(1).toInt();
    if (n >= 1 && n <= kFieldCount) {
      fields_[n]->setStyleSheet(QStringLiteral("QLineEdit { background: #ffd0d0; }"));
      fields_[n]->setToolTip(lines.back());
    }
  }
  if (from < message.size()) lines << message.mid(from);
  return lines.join(QLatin1Char('\n'));
}

void ParameterWindow::unmarkFields() {
  for (int n = 1; n <= kFieldCount; ++n) {
    if (!fields_[n]->styleSheet().isEmpty()) {
      fields_[n]->setStyleSheet({});
      fields_[n]->setToolTip({});
    }
  }
}

void ParameterWindow::showAgain() {
  show();
  raise();
  activateWindow();
}

void ParameterWindow::quitSession() {
  hide();
#if QUORVANE_CHARTS
  if (results_ != nullptr) results_->hide();
#endif
  controller_.quit();
}

void ParameterWindow::closeEvent(QCloseEvent* event) {
  // A live re-run is given up unasked: the fields it ran are still in the window.
  if (!controller_.running() || controller_.liveRun()) {
    event->accept();
    quitSession();
    return;
  }
  // Closing the window is one click away from STOP: a run is never given up unasked, and on Yes
  // it stops as STOP stops it, with its results written, before the program ends.
  event->ignore();
  QMessageBox question(QMessageBox::Question, tr("A run is going on"),
                       tr("A run is going on. Stop it, write its results and quit?"),
                       QMessageBox::Yes | QMessageBox::No, this);
  question.setObjectName(QStringLiteral("closeQuestion"));
  fit_to_text(&question);
  if (question.exec() != QMessageBox::Yes || !controller_.running()) return;
  hide();
#if QUORVANE_CHARTS
  if (results_ != nullptr) results_->hide();
#endif
  controller_.stopAndQuit();
}

}  // namespace quorvane::app
