// The windows on their own: the parameter window against the field table, the progress
// window's drawing, and the two question windows.
#include "app/tests/window_test.h"

#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include "app/parameter_window.h"
#include "app/progress_window.h"
#include "app/question_windows.h"
#include "app/run_controller.h"
#include "app/tests/test_support.h"
#include "run/settings.h"

namespace quorvane::app::testing {

namespace {

QString text_of(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QRgb background(const ProgressWindow& window) {
  return window.palette().color(QPalette::Window).rgb();
}

// Pixel box of a text cell starting at a twip position: one line high, `width` pixels wide.
QRect cell_at(int x_twips, int y_twips, int width) {
  return QRect(ProgressWindow::toPixels(x_twips), ProgressWindow::toPixels(y_twips), width, 13);
}

void draw(ProgressWindow& window, int x, int y, const QString& text) {
  window.apply({DrawOp::position(x, y), DrawOp::print(text)});
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

  for (const Field& f : kFields) {
    const QString name = QString::fromStdString(numbered_name(f.id));
    const auto edits = window.findChildren<QLineEdit*>(name);
    QCOMPARE(edits.size(), 1);
    QCOMPARE(edits.front()->text(), text_of(f.default_text));
    if (!f.label.empty()) {
      QVERIFY2(labels.contains(text_of(f.label)), qPrintable(name + ": " + text_of(f.label)));
    }
    if (!f.heading.empty()) {
      QVERIFY2(labels.contains(text_of(f.heading)), qPrintable(name + ": " + text_of(f.heading)));
    }
  }
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
  const QRgb bg = background(window);

  // A text lands at its twip position and nowhere else: x 1500, y 600 is pixel (100, 40).
  draw(window, 1500, 600, QStringLiteral("0.1234567"));
  QVERIFY(ink(window.picture(), cell_at(1500, 600, 60), bg) > 0);
  QCOMPARE(ink(window.picture(), QRect(0, 0, 99, 503), bg), 0);
  QCOMPARE(ink(window.picture(), QRect(0, 0, 690, 39), bg), 0);

  // Another text elsewhere leaves the first one alone; blanks over a text erase it.
  draw(window, 5000, 600, QStringLiteral("1990"));
  draw(window, 1500, 600, QStringLiteral("1.5"));
  draw(window, 1500, 600, QString(13, QLatin1Char(' ')));
  QCOMPARE(ink(window.picture(), cell_at(1500, 600, 20), bg), 0);
  QVERIFY(ink(window.picture(), cell_at(5000, 600, 30), bg) > 0);

  // A short value over a longer one without blanks first leaves the end of the longer one.
  draw(window, 6000, 1, QStringLiteral("17.1921"));
  draw(window, 6000, 1, QStringLiteral("9"));
  QVERIFY(ink(window.picture(), QRect(400 + 10, 0, 30, 13), bg) > 0);

  // Each print ends its line: a second print without a position starts the next line at x 0.
  window.apply({DrawOp::position(3000, 3000), DrawOp::print(QStringLiteral("A")),
                DrawOp::print(QStringLiteral("B"))});
  QCOMPARE(ink(window.picture(), QRect(0, 200, 30, 11), bg), 0);
  QVERIFY(ink(window.picture(), QRect(0, 211, 30, 20), bg) > 0);

  window.apply({DrawOp::clear()});
  QCOMPARE(ink(window.picture(), window.picture().rect(), bg), 0);
}

// The window may skip texts that a later text of the same batch covers; whatever it skips, the
// picture must be the one that drawing every call in turn gives.
void WindowTest::batchedDrawingPaintsWhatEachCallPaints() {
  DrawOps ops;
  const auto at = [&](int x, int y, const QString& text) {
    ops.push_back(DrawOp::position(x, y));
    ops.push_back(DrawOp::print(text));
  };
  const QString blanks13(13, QLatin1Char(' '));
  const QString blanks16(16, QLatin1Char(' '));
  const QStringList values = {QStringLiteral(".1234567"), QStringLiteral("1.5"),
                              QStringLiteral("12.3456789"), QStringLiteral("0")};
  for (int pass = 0; pass < 4; ++pass) {
    if (pass == 2) ops.push_back(DrawOp::clear());
    at(2, 1, QStringLiteral("WAIT....."));
    at(6000, 1, values[pass]);  // no blanks first: the tail of a longer value stays
    at(8000, 1, blanks16);
    at(8000, 1, values[(pass + 1) % 4]);
    for (int row = 1; row <= 3; ++row) {
      at(500, 200 * row + 400, blanks13);
      at(500, 200 * row + 400, values[(pass + row) % 4]);
    }
    ops.push_back(DrawOp::print(QStringLiteral("next line")));
  }
  at(500, 800, QStringLiteral("9"));  // shorter than what it lands on

  ProgressWindow batched;
  batched.apply(ops);
  ProgressWindow one_by_one;
  for (const DrawOp& op : ops) one_by_one.apply({op});
  QVERIFY(batched.picture() == one_by_one.picture());
  QVERIFY(ink(batched.picture(), batched.picture().rect(), background(batched)) > 0);
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
}

}  // namespace quorvane::app::testing
