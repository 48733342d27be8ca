// The two question windows that a run asks from inside the computation: the bootstrap window
// after the main run, and the restart window after a stop inside a bootstrap run. Each is shown
// modally; the texts of its fields are handed to the computation as typed. Each question starts
// from the window's default answer, so an answer of an earlier question is never given again
// unseen. Esc and the title bar's X answer "2" (no bootstrap; stop), the answer that starts no
// further computation.
#pragma once

#include <QDialog>

#include "base/host.h"

class QLineEdit;
class QPushButton;

namespace quorvane::app {

class BootstrapWindow : public QDialog {
  Q_OBJECT

 public:
  explicit BootstrapWindow(QWidget* parent = nullptr);

  // Shows the window modally until GO is pressed with numbers in both fields, or Esc or X.
  BootstrapAnswer ask();

  QLineEdit* answerField() const { return answer_; }
  QLineEdit* runsField() const { return runs_; }
  QPushButton* goButton() const { return go_; }

 private:
  QLineEdit* answer_ = nullptr;
  QLineEdit* runs_ = nullptr;
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
