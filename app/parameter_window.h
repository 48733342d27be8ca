// The parameter window, the program's main window: the working directory, the 115 fields with
// their labels in the rows of the form, START and "Quit session". It hands the field texts to a
// run as typed and shows how a run ended; it neither reads numbers nor computes.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

#include "run/settings.h"
#include "run/start.h"

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace quorvane::app {

class RunController;
struct LayoutCell;
struct LayoutRow;

class ParameterWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ParameterWindow(RunController& controller, QWidget* parent = nullptr);

  // The texts of Text1..Text115 as they stand.
  FieldTexts fieldTexts() const;
  QLineEdit* field(int n) const { return fields_[n]; }
  QString workingDirectory() const;
  void setWorkingDirectory(const QString& dir);

  // The scrolled widget that holds all fields (for a picture of the whole form).
  QWidget* fieldArea() const { return field_area_; }
  QPushButton* startButton() const { return start_; }
  QPushButton* quitButton() const { return quit_; }
  QLabel* statusLine() const { return status_; }

 public slots:
  void start();
  void quitSession();
  void chooseWorkingDirectory();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void reportRun(const quorvane::RunOutcome& outcome);
  void showAgain();

 private:
  void createTopLabel();
  void createWorkingDirectory();
  void createFields();
  void createButtons();
  void fitScreen();
  void addCells(QHBoxLayout* line, const std::vector<LayoutCell>& cells);
  QWidget* createRow(const LayoutRow& cells);
  QWidget* createFleetGrid();
  QLineEdit* createField(int n);
  void showMessage(const QString& title, const QString& text);

  RunController& controller_;
  QVBoxLayout* column_ = nullptr;
  QLabel* top_label_ = nullptr;
  QLineEdit* workdir_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  QWidget* field_area_ = nullptr;
  std::array<QLineEdit*, kFieldCount + 1> fields_{};
  QPushButton* start_ = nullptr;
  QPushButton* quit_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace quorvane::app
