#include "app/question_windows.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <initializer_list>
#include <utility>

#include "run/settings.h"

namespace quorvane::app {

namespace {

// The fields are read as numbers when the computation takes the answer; a text that is not a
// number is sent back to the user here instead of ending the run.
bool fields_hold_numbers(QWidget* window,
                         std::initializer_list<std::pair<const QLabel*, const QLineEdit*>> fields) {
  for (const auto& [label, field] : fields) {
    if (!parse_number(field->text().toStdString())) {
      QMessageBox::warning(
          window, window->windowTitle(),
          QObject::tr("%1 \"%2\" is not a number.").arg(label->text().trimmed(), field->text()));
      return false;
    }
  }
  return true;
}

QLineEdit* number_field(const QString& name, const QString& text, QWidget* parent) {
  auto* field = new QLineEdit(text, parent);
  field->setObjectName(name);
  field->setFixedWidth(60);
  return field;
}

}  // namespace

BootstrapWindow::BootstrapWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Form2"));
  setModal(true);
  const BootstrapAnswer defaults;
  auto* question = new QLabel(tr("Would you like to run bootstrap ? (conditional parametric for "
                                 "Ca,y and nonconditional parametric for indices):"),
                              this);
  question->setWordWrap(true);
  auto* answer_label = new QLabel(tr("1-Yes; 2-No.  Option?:"), this);
  answer_ = number_field(QStringLiteral("Textf21"), QString::fromStdString(defaults.answer), this);
  auto* runs_label = new QLabel(tr("If Yes, input number of runs:"), this);
  runs_ = number_field(QStringLiteral("Textf22"), QString::fromStdString(defaults.runs), this);
  auto* kind_label = new QLabel(tr("Kind of bootstrap:"), this);
  kind_ = new QComboBox(this);
  kind_->setObjectName(QStringLiteral("bootstrapKind"));
  // In the order of BootstrapKind.
  kind_->addItem(tr("chained: each run perturbs the data of the run before"));
  kind_->addItem(tr("independent: each replicate drawn around the observed data"));
  kind_label->setBuddy(kind_);
  auto* warning =
      new QLabel(tr("If it  was terminated by USER - bootstrap is not allowed !!!!"), this);
  go_ = new QPushButton(tr("GO"), this);
  go_->setObjectName(QStringLiteral("CommandF2"));
  go_->setDefault(true);

  auto* grid = new QGridLayout(this);
  grid->addWidget(question, 0, 0, 1, 2);
  grid->addWidget(answer_label, 1, 0, Qt::AlignRight);
  grid->addWidget(answer_, 1, 1);
  grid->addWidget(runs_label, 2, 0, Qt::AlignRight);
  grid->addWidget(runs_, 2, 1);
  grid->addWidget(kind_label, 3, 0, Qt::AlignRight);
  grid->addWidget(kind_, 3, 1);
  grid->addWidget(warning, 4, 0, 1, 2);
  grid->addWidget(go_, 5, 0, 1, 2, Qt::AlignHCenter);
  setMinimumWidth(520);

  connect(go_, &QPushButton::clicked, this, [this, answer_label, runs_label] {
    if (fields_hold_numbers(this, {{answer_label, answer_}, {runs_label, runs_}})) accept();
  });
}

BootstrapAnswer BootstrapWindow::ask(BootstrapKind kind) {
  const BootstrapAnswer defaults;
  kind_->setCurrentIndex(static_cast<int>(kind));
  answer_->setText(QString::fromStdString(defaults.answer));
  runs_->setText(QString::fromStdString(defaults.runs));
  answer_->setFocus();
  if (exec() != QDialog::Accepted) {
    kind_->setCurrentIndex(static_cast<int>(kind));  // Esc and X choose nothing
    return {"2", defaults.runs};
  }
  return {answer_->text().toStdString(), runs_->text().toStdString()};
}

BootstrapKind BootstrapWindow::kind() const {
  return kind_->currentIndex() == static_cast<int>(BootstrapKind::Independent)
             ? BootstrapKind::Independent
             : BootstrapKind::Chained;
}

RestartWindow::RestartWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Form3"));
  setModal(true);
  auto* question = new QLabel(tr("Restart current botstrap run ?"), this);
  auto* answer_label = new QLabel(tr("1.Restart,   2.No (and stop).   Option?:"), this);
  answer_ = number_field(QStringLiteral("Textf31"), QStringLiteral("1"), this);
  go_ = new QPushButton(tr("GO"), this);
  go_->setObjectName(QStringLiteral("Commandf3"));
  go_->setDefault(true);

  auto* grid = new QGridLayout(this);
  grid->addWidget(question, 0, 0, 1, 2);
  grid->addWidget(answer_label, 1, 0, Qt::AlignRight);
  grid->addWidget(answer_, 1, 1);
  grid->addWidget(go_, 2, 0, 1, 2, Qt::AlignHCenter);

  connect(go_, &QPushButton::clicked, this, [this, answer_label] {
    if (fields_hold_numbers(this, {{answer_label, answer_}})) accept();
  });
}

std::string RestartWindow::ask() {
  answer_->setText(QStringLiteral("1"));
  answer_->setFocus();
  if (exec() != QDialog::Accepted) return "2";
  return answer_->text().toStdString();
}

}  // namespace quorvane::app
