// The two question windows that a run asks from inside the computation: the bootstrap window
// after the main run, and the restart window after a stop inside a bootstrap run. Each is shown
// modally and answered only by its GO button; the texts of its fields are handed to the
// computation as typed. They keep their texts between questions, as one window that is hidden
// and shown again does.
#pragma once

#include <QDialog>

#include "report/host.h"

class QLineEdit;
class QPushButton;

namespace quorvane::app {

class BootstrapWindow : public QDialog {
  Q_OBJECT

 public:
  explicit BootstrapWindow(QWidget* parent = nullptr);

  // Shows the window modally until GO is pressed with numbers in both fields.
  BootstrapAnswer ask();

  QLineEdit* answerField() const { return answer_; }
  QLineEdit* runsField() const { return runs_; }
  QPushButton* goButton() const { return go_; }

 public slots:
  void reject() override {}  // the window is left through GO only

 private:
  QLineEdit* answer_ = nullptr;
  QLineEdit* runs_ = nullptr;
  QPushButton* go_ = nullptr;
};

class RestartWindow : public QDialog {
  Q_OBJECT

 public:
  explicit RestartWindow(QWidget* parent = nullptr);

  // Shows the window modally until GO is pressed with a number in the field.
  std::string ask();

  QLineEdit* answerField() const { return answer_; }
  QPushButton* goButton() const { return go_; }

 public slots:
  void reject() override {}

 private:
  QLineEdit* answer_ = nullptr;
  QPushButton* go_ = nullptr;
};

}  // namespace quorvane::app
