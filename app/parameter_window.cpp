#include "app/parameter_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/parameter_layout.h"
#include "app/run_controller.h"

namespace quorvane::app {

namespace {

constexpr int kNameFieldWidth = 120;
constexpr int kNumberFieldWidth = 55;
constexpr int kFleetColumnWidth = 120;

QString text_of(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

ParameterWindow::ParameterWindow(RunController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
  setWindowTitle(QStringLiteral("QUORVANE   ") +
                 tr("60 y*30a   upto  7 aged fleets and 3 SSB for tuning + ext.Y"));
  column_ = new QVBoxLayout(this);
  createTopLabel();
  createWorkingDirectory();
  createFields();
  createButtons();
  fitScreen();

  connect(&controller_, &RunController::runFinished, this, &ParameterWindow::reportRun);
  connect(&controller_, &RunController::parametersWanted, this, &ParameterWindow::showAgain);
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

QLineEdit* ParameterWindow::createField(int n) {
  const Field& f = kFields[n - 1];
  auto* edit = new QLineEdit(text_of(f.default_text));
  edit->setObjectName(QStringLiteral("Text%1").arg(n));
  edit->setAccessibleName(text_of(f.label));
  edit->setFixedWidth(f.kind == FieldKind::Text ? kNameFieldWidth : kNumberFieldWidth);
  fields_[n] = edit;
  return edit;
}

void ParameterWindow::addCells(QHBoxLayout* line, const std::vector<LayoutCell>& cells) {
  for (const LayoutCell& cell : cells) {
    const Field& f = kFields[cell.field - 1];
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
    auto* heading = new QLabel(text_of(kFields[kFleetColumns[c] - 1].heading));
    heading->setWordWrap(true);
    heading->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    heading->setFixedWidth(kFleetColumnWidth);
    grid->addWidget(heading, 0, static_cast<int>(c) + 1);
  }
  for (int k = 1; k <= kFleets; ++k) {
    // Every field of a fleet's row carries the row label "k:"; it is shown once, at the left.
    grid->addWidget(new QLabel(text_of(kFields[kFleetColumns[0] + k - 2].label)), k, 0);
    for (std::size_t c = 0; c < kFleetColumns.size(); ++c) {
      grid->addWidget(createField(kFleetColumns[c] + k - 1), k, static_cast<int>(c) + 1);
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
  connect(start_, &QPushButton::clicked, this, &ParameterWindow::start);
  connect(quit_, &QPushButton::clicked, this, &ParameterWindow::quitSession);
  row->addWidget(start_);
  row->addWidget(quit_);
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
  for (int n = 1; n <= kFieldCount; ++n) texts[n] = fields_[n]->text().toStdString();
  return texts;
}

QString ParameterWindow::workingDirectory() const { return workdir_->text(); }

void ParameterWindow::setWorkingDirectory(const QString& dir) { workdir_->setText(dir); }

void ParameterWindow::chooseWorkingDirectory() {
  const QString dir =
      QFileDialog::getExistingDirectory(this, tr("Working directory"), workingDirectory());
  if (!dir.isEmpty()) setWorkingDirectory(dir);
}

void ParameterWindow::start() {
  if (controller_.running()) return;  // one run at a time; the press is ignored
  const QString dir = workingDirectory();
  if (!QDir(dir).exists()) {
    showMessage(tr("Working directory"),
                tr("The working directory \"%1\" does not exist.").arg(dir));
    return;
  }
  if (controller_.start(fieldTexts(), dir)) status_->setText(tr("Running..."));
}

void ParameterWindow::reportRun(const RunOutcome& outcome) {
  switch (outcome.status) {
    case RunStatus::Completed:
      status_->setText(tr("The run has ended."));
      return;
    case RunStatus::SettingsRejected:
      status_->setText(tr("Settings rejected; nothing was run."));
      showMessage(tr("Settings rejected"), QString::fromStdString(outcome.message));
      return;
    case RunStatus::InputFailed:
    case RunStatus::ArithmeticFailed:
      status_->setText(tr("The run stopped with an error."));
      showMessage(tr("The run stopped"), QString::fromStdString(outcome.message));
      return;
  }
}

void ParameterWindow::showMessage(const QString& title, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
  box->setObjectName(QStringLiteral("runMessage"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  box->show();
}

void ParameterWindow::showAgain() {
  show();
  raise();
  activateWindow();
}

void ParameterWindow::quitSession() {
  hide();
  controller_.quit();
}

void ParameterWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  quitSession();
}

}  // namespace quorvane::app
