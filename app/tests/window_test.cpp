// The windows on their own: the parameter window against the field table, the progress
// window's drawing, and the two question windows.
#include "app/tests/window_test.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <string>
#include <thread>
#include <tuple>

#include "app/command_line.h"
#include "app/parameter_window.h"
#include "app/progress_picture.h"
#include "app/progress_window.h"
#include "app/question_windows.h"
#include "app/run_controller.h"
#include "app/tests/test_support.h"
#include "run/settings.h"

namespace quorvane::app::testing {

namespace {

QRgb background(const ProgressWindow& window) {
  return window.palette().color(QPalette::Window).rgb();
}

// Pixel box of a text cell starting at a twip position: one line high, `width` pixels wide.
QRect cell_at(int x_twips, int y_twips, int width) {
  return QRect(ProgressWindow::toPixels(x_twips), ProgressWindow::toPixels(y_twips), width, 13);
}

// Draws one text as the computation does, on a picture kept for that window, and shows it.
void draw(ProgressWindow& window, ProgressPicture& picture, int x, int y, const QString& text) {
  picture.set_position(x, y);
  picture.print(text.toStdString());
  window.setPicture(picture);
}

}  // namespace

// ---- Parameter window ----------------------------------------------------------------------

void WindowTest::parameterWindowShowsEveryLabelAndDefault() {
  RunController controller;
  ParameterWindow window(controller);

  QVERIFY(window.windowTitle().contains(QStringLiteral("QUORVANE")));
  QVERIFY(window.windowTitle().endsWith(
      QStringLiteral("60 y*30a   upto  7 aged fleets and 3 SSB for tuning + ext.Y")));
  const QStringList labels = label_texts(&window);
  QVERIFY(labels.contains(QStringLiteral("change what needed and press \"start\"")));

  // Every field once, by its numbered name; a few with the label and default a user sees.
  for (const Field& f : kFields)
    QCOMPARE(window.findChildren<QLineEdit*>(QString::fromStdString(numbered_name(f.id))).size(),
             1);
  const std::tuple<FieldId, const char*, const char*> shown[] = {
      {FieldId::CatchFile, "C(a,y) file:", "demo/c.txt"},
      {FieldId::ResultsFile, "Name of file for final resullts:", "output.out"},
      {FieldId::Fleet2Weight, "Aged2 :", ".2"}};
  for (const auto& [id, label, text] : shown) {
    QVERIFY2(labels.contains(QString::fromUtf8(label)), label);
    QCOMPARE(window.field(id)->text(), QString::fromUtf8(text));
  }
  QVERIFY(labels.contains(QStringLiteral("Weights of components in the overall loss function:")));
  QCOMPARE(window.startButton()->text(), QStringLiteral("START"));
  QCOMPARE(window.quitButton()->text(), QStringLiteral("Quit session"));
  // The texts go to the run as they stand, field by field.
  QVERIFY(window.fieldTexts() == default_field_texts());
  window.field(FieldId::Mix)->setText(QStringLiteral(" 2.5 "));
  QCOMPARE(window.fieldTexts()[FieldId::Mix], std::string(" 2.5 "));
}

void WindowTest::parameterWindowFitsALaptopScreen() {
  RunController controller;
  ParameterWindow window(controller);
  window.resize(1366, 768);
  window.setWorkingDirectory(QDir::homePath() + QStringLiteral("/assessments/demo-stock"));
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  // Only the height scrolls: every field is reachable without cutting a row short.
  auto* scroll = window.findChild<QScrollArea*>();
  QVERIFY(scroll != nullptr);
  QVERIFY2(window.fieldArea()->minimumSizeHint().width() <= scroll->viewport()->width(),
           qPrintable(QStringLiteral("fields need %1 pixels")
                          .arg(window.fieldArea()->minimumSizeHint().width())));
  QVERIFY(window.rect().contains(window.startButton()->geometry()));
  QVERIFY(window.rect().contains(window.quitButton()->geometry()));
  QVERIFY(save_picture(window.fieldArea(), QStringLiteral("parameter_window")));
  QVERIFY(save_picture(&window, QStringLiteral("parameter_window_1366x768")));
}

// ---- Progress window -------------------------------------------------------------------------

void WindowTest::textStaysUntilDrawnOverOrCleared() {
  ProgressWindow window;
  ProgressPicture picture;
  const QRgb bg = background(window);

  // A text lands at its twip position and nowhere else: x 1500, y 600 is pixel (100, 40).
  draw(window, picture, 1500, 600, QStringLiteral("0.1234567"));
  QVERIFY(ink(window.picture(), cell_at(1500, 600, 60), bg) > 0);
  QCOMPARE(ink(window.picture(), QRect(0, 0, 99, 503), bg), 0);
  QCOMPARE(ink(window.picture(), QRect(0, 0, 690, 39), bg), 0);

  // Another text elsewhere leaves the first one alone; blanks over a text erase it.
  draw(window, picture, 5000, 600, QStringLiteral("1990"));
  draw(window, picture, 1500, 600, QStringLiteral("1.5"));
  draw(window, picture, 1500, 600, QString(13, QLatin1Char(' ')));
  QCOMPARE(ink(window.picture(), cell_at(1500, 600, 20), bg), 0);
  QVERIFY(ink(window.picture(), cell_at(5000, 600, 30), bg) > 0);

  // Each print ends its line: a second print without a position starts the next line at x 0.
  picture.set_position(3000, 3000);
  picture.print("A");
  picture.print("B");
  window.setPicture(picture);
  QCOMPARE(ink(window.picture(), QRect(0, 200, 30, 11), bg), 0);
  QVERIFY(ink(window.picture(), QRect(0, 211, 30, 20), bg) > 0);

  picture.clear();
  window.setPicture(picture);
  QCOMPARE(ink(window.picture(), window.picture().rect(), bg), 0);
}

// A shorter value over a longer one, with or without blanks first, leaves not one pixel of the
// longer one: the cell looks as if the short value had been drawn on an empty window.
void WindowTest::erasingLeavesNoResidue() {
  const QString blanks13(13, QLatin1Char(' '));
  ProgressWindow drawn_over, fresh;
  ProgressPicture over, clean;
  draw(drawn_over, over, 6000, 1, QStringLiteral("17.1921"));  // the total loss has no blanks
  draw(drawn_over, over, 6000, 1, QStringLiteral("9"));
  draw(drawn_over, over, 6000, 600, QStringLiteral("2.856270"));
  draw(drawn_over, over, 6000, 600, blanks13);
  draw(drawn_over, over, 6000, 600, QStringLiteral(".4789"));
  draw(drawn_over, over, 8000, 6400, QStringLiteral("working..."));
  draw(drawn_over, over, 8000, 6400, blanks13);
  draw(fresh, clean, 6000, 1, QStringLiteral("9"));
  draw(fresh, clean, 6000, 600, QStringLiteral(".4789"));
  QVERIFY(drawn_over.picture() == fresh.picture());
  QVERIFY(ink(fresh.picture(), cell_at(6000, 600, 60), background(fresh)) > 0);

  // "(first 20)" is not overwritten by the tenth age row, which shares its line: it stands
  // readable under the twentieth row, and row 10's value is whole.
  ProgressWindow both, row_only;
  ProgressPicture with_caption, without;
  draw(both, with_caption, 200, 2400, QStringLiteral("(first 20)"));
  draw(both, with_caption, 500, 2400, QStringLiteral(".9876543"));
  draw(row_only, without, 500, 2400, QStringLiteral(".9876543"));
  QVERIFY(both.picture().copy(cell_at(0, 2400, 200)) ==
          row_only.picture().copy(cell_at(0, 2400, 200)));
  QVERIFY(ink(both.picture(), cell_at(200, 4600, 60), background(both)) > 0);
}

// However fast the computation draws, the window paints at most about 30 pictures a second,
// nothing piles up between them, and the last picture is the last state.
void WindowTest::drawingIsCoalescedToTheLatestPicture() {
  RunController controller;
  Host& host = controller.host();
  ProgressWindow* window = controller.progressWindow();
  const long paints_before = window->paints();
  constexpr int kEvaluations = 200000;
  std::atomic<bool> done{false};
  QElapsedTimer clock;
  clock.start();
  std::thread worker([&] {
    for (int i = 1; i <= kEvaluations; ++i) {
      host.set_position(500, 600);
      host.print(std::to_string(i));
      host.set_position(1500, 600);
      host.print(i % 2 == 0 ? "even" : "odd");
    }
    host.run_ended({});  // the last picture is shown at once
    done = true;
  });
  ProgressWindow expected;
  ProgressPicture last;
  draw(expected, last, 500, 600, QString::number(kEvaluations));
  draw(expected, last, 1500, 600, QStringLiteral("even"));
  const bool shown = wait_until([&] { return done && window->picture() == expected.picture(); },
                                "last state on the progress window");
  worker.join();
  QVERIFY(shown);
  // At most one picture per 33 ms, plus the one asked for at the end.
  const long paints = window->paints() - paints_before;
  QVERIFY2(paints <= clock.elapsed() / 33 + 2, qPrintable(QString::number(paints)));
}

void WindowTest::workingDirectoryIsTheGivenTheStockOrTheRemembered() {
  QTemporaryDir stock, other, plain;
  QVERIFY(copy_demo(stock.path()));
  QCOMPARE(choose_working_directory(other.path(), stock.path(), plain.path()), other.path());
  QCOMPARE(choose_working_directory({}, stock.path(), other.path()), stock.path());
  QCOMPARE(choose_working_directory({}, plain.path(), other.path()), other.path());
  const QString gone = other.path() + QStringLiteral("/gone");
  QCOMPARE(choose_working_directory({}, plain.path(), gone), plain.path());

  const CommandLine line = parse_command_line(
      {QStringLiteral("--workdir"), QStringLiteral("w"), QStringLiteral("--start")});
  QVERIFY(line.problem.isEmpty() && line.start && line.workdir == QStringLiteral("w"));
  QVERIFY(!parse_command_line({QStringLiteral("--fields")}).problem.isEmpty());
  QVERIFY(!parse_command_line({QStringLiteral("--strat")}).problem.isEmpty());
  QVERIFY(
      !parse_command_line({QStringLiteral("--bootstrap"), QStringLiteral("x")}).problem.isEmpty());
  QVERIFY(version_text().startsWith(QStringLiteral("quorvane 0.")));
}

// ---- Question windows ------------------------------------------------------------------------

void WindowTest::bootstrapWindowAsksAndPassesTheTextsOn() {
  BootstrapWindow window;
  QCOMPARE(window.windowTitle(), QStringLiteral("Form2"));
  const QStringList labels = label_texts(&window);
  for (const char* text :
       {"Would you like to run bootstrap ? (conditional parametric for Ca,y and nonconditional "
        "parametric for indices):",
        "1-Yes; 2-No.  Option?:", "If Yes, input number of runs:",
        "If it  was terminated by USER - bootstrap is not allowed !!!!"}) {
    QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
  }
  QCOMPARE(window.answerField()->text(), QStringLiteral("2"));
  QCOMPARE(window.runsField()->text(), QStringLiteral("100"));
  QCOMPARE(window.goButton()->text(), QStringLiteral("GO"));

  // A number of runs that is not a number is sent back; the window stays until GO is pressed
  // with numbers. The texts go on as typed.
  ModalAnswerer answerer;
  QString warning;
  answerer.expect<BootstrapWindow>([&](BootstrapWindow* form) {
    if (!save_picture(form, QStringLiteral("form2"))) answerer.problems << "picture";
    form->answerField()->setText(QStringLiteral("1"));
    form->runsField()->setText(QStringLiteral("ten"));
    form->goButton()->click();
    if (!form->isVisible()) answerer.problems << QStringLiteral("Form2 closed on a non-number");
    form->runsField()->setText(QStringLiteral(" 3"));
    form->goButton()->click();
  });
  answerer.expect<QMessageBox>([&](QMessageBox* box) {
    warning = box->text();
    box->accept();
  });
  const BootstrapAnswer answer = window.ask();
  QVERIFY2(answerer.problems.isEmpty(), qPrintable(answerer.problems.join("; ")));
  QVERIFY(answerer.done());
  QVERIFY(warning.contains(QStringLiteral("If Yes, input number of runs:")));
  QVERIFY(warning.contains(QStringLiteral("\"ten\"")));
  QCOMPARE(answer.answer, std::string("1"));
  QCOMPARE(answer.runs, std::string(" 3"));
  QVERIFY(!window.isVisible());

  // The next question starts from the default, not from the last answer; Esc means "2".
  answerer.forgetHidden();
  answerer.expect<BootstrapWindow>([&](BootstrapWindow* form) {
    if (form->answerField()->text() != QStringLiteral("2")) answerer.problems << "kept answer";
    form->answerField()->setText(QStringLiteral("1"));
    QTest::keyClick(form, Qt::Key_Escape);
  });
  QCOMPARE(window.ask().answer, std::string("2"));
  QVERIFY2(answerer.problems.isEmpty(), qPrintable(answerer.problems.join("; ")));
}

void WindowTest::restartWindowAsksAndPassesTheTextOn() {
  RestartWindow window;
  QCOMPARE(window.windowTitle(), QStringLiteral("Form3"));
  const QStringList labels = label_texts(&window);
  QVERIFY(labels.contains(QStringLiteral("Restart current botstrap run ?")));
  QVERIFY(labels.contains(QStringLiteral("1.Restart,   2.No (and stop).   Option?:")));
  QCOMPARE(window.answerField()->text(), QStringLiteral("1"));
  QCOMPARE(window.goButton()->text(), QStringLiteral("GO"));

  ModalAnswerer answerer;
  int warnings = 0;
  answerer.expect<RestartWindow>([&](RestartWindow* form) {
    if (!save_picture(form, QStringLiteral("form3"))) answerer.problems << "picture";
    form->answerField()->clear();  // an empty field is not a number either
    form->goButton()->click();
    form->answerField()->setText(QStringLiteral("2"));
    form->goButton()->click();
  });
  answerer.expect<QMessageBox>([&](QMessageBox* box) {
    ++warnings;
    box->accept();
  });
  QCOMPARE(window.ask(), std::string("2"));
  QVERIFY2(answerer.problems.isEmpty(), qPrintable(answerer.problems.join("; ")));
  QCOMPARE(warnings, 1);

  // The title bar's X means "2" too, and the field shows the default "1" again first.
  answerer.forgetHidden();
  answerer.expect<RestartWindow>([&](RestartWindow* form) {
    if (form->answerField()->text() != QStringLiteral("1")) answerer.problems << "kept answer";
    form->close();
  });
  QCOMPARE(window.ask(), std::string("2"));
  QVERIFY2(answerer.problems.isEmpty(), qPrintable(answerer.problems.join("; ")));
}

}  // namespace quorvane::app::testing
