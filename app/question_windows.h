// The two question windows that a run asks from inside the computation: the bootstrap window
// after the main run, and the restart window after a stop inside a bootstrap run. Each is shown
// modally; the texts of its fields are handed to the computation as typed. Each question starts
// from the window's default answer, so an answer of an earlier question is never given again
// unseen. Esc and the title bar's X answer "2" (no bootstrap; stop), the answer that starts no
// further computation. Beside the bootstrap question the user chooses the kind of bootstrap:
// chained runs (the classic one, each run going on from the one before) or independent
// replicates; the choice offered first is the one made last.
#pragma once

#include <QDialog>

#include "base/host.h"
#include "state/run_state.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace quorvane::app {

class BootstrapWindow : public QDialog {
  Q_OBJECT

 public:
  explicit BootstrapWindow(QWidget* parent = nullptr);

  // Shows the window modally until GO is pressed with numbers in both fields, or Esc or X; the
  // kind of bootstrap is offered as `kind` and then is as chosen (kind()).
  BootstrapAnswer ask(BootstrapKind kind = BootstrapKind::Chained);
  BootstrapKind kind() const;

  QLineEdit* answerField() const { return answer_; }
  QLineEdit* runsField() const { return runs_; }
  QComboBox* kindChoice() const { return kind_; }
  QPushButton* goButton() const { return go_; }

 private:
  QLineEdit* answer_ = nullptr;
  QLineEdit* runs_ = nullptr;
  QComboBox* kind_ = nullptr;
  QPushButton* go_ = nullptr;
};

class RestartWindow : public QDialog {
  Q_OBJECT

 public:
  explicit RestartWindow(QWidget* parent = nullptr);

  // Shows the window modally until GO is pressed with a number in the field, or Esc or X.
  std::string ask();

  QLineEdit* answerField() const { return answer_; }
  QPushButton* goButton() const { return go_; }

 private:
  QLineEdit* answer_ = nullptr;
  QPushButton* go_ = nullptr;
};

}  // namespace quorvane::app
