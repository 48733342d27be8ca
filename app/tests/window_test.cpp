// The windows on their own: the parameter window, the progress window's drawing, and the two
// question windows.
#include <atomic>
#include <thread>

#include "app/command_line.h"
#include "app/progress_picture.h"
#include "app/tests/test_support.h"

namespace quorvane::app::testing {

namespace {

// A progress window and the picture the computation keeps for it.
struct Drawing {
  ProgressWindow window;
  ProgressPicture picture;

  // Draws one text as the computation does, and shows it.
  Drawing& draw(int x_twips, int y_twips, const QString& text) {
    picture.set_position(x_twips, y_twips);
    picture.print(text.toStdString());
    window.setPicture(picture);
    return *this;
  }

  // Pixels of the window's picture inside `area` that differ from the window's background.
  int ink(const QRect& area) const {
    const QRgb background = window.palette().color(QPalette::Window).rgb();
    const QRect inside = area.intersected(window.picture().rect());
    int count = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
      for (int x = inside.left(); x <= inside.right(); ++x)
        count += window.picture().pixel(x, y) != background;
    return count;
  }
};

// Pixel box of a text cell starting at a twip position: one line high, `width` pixels wide.
QRect cell_at(int x_twips, int y_twips, int width) {
  return QRect(ProgressWindow::toPixels(x_twips), ProgressWindow::toPixels(y_twips), width, 13);
}

}  // namespace

// ---- Parameter window ----------------------------------------------------------------------

void AppTest::parameterWindowFitsALaptopScreenAndChoosesTheWorkingDirectory() {
  RunController controller;
  ParameterWindow window(controller);
  // (The default texts reach the run as they stand: run.csv of the default run is compared with
  // the batch runner's.)
  window.resize(1366, 768);
  window.setWorkingDirectory(QDir::homePath() + u"/assessments/demo-stock"_s);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  // Only the height scrolls: every field is reachable without cutting a row short.
  const int needed = window.fieldArea()->minimumSizeHint().width();
  QVERIFY2(needed <= window.findChild<QScrollArea*>()->viewport()->width(),
           qPrintable(QString::number(needed)));
  QVERIFY(window.rect().contains(window.startButton()->geometry()));
  QVERIFY(window.rect().contains(window.quitButton()->geometry()));
  QVERIFY(save_picture(&window, u"parameter_window_1366x768"_s));

  // The working directory: the one given, else the stock's folder when it holds the demo
  // stock's files, else the one remembered if it is still there; and the command line.
  QTemporaryDir stock, other, plain;
  QVERIFY(copy_demo(stock.path()));
  QCOMPARE(choose_working_directory(other.path(), stock.path(), plain.path()), other.path());
  QCOMPARE(choose_working_directory({}, stock.path(), other.path()), stock.path());
  QCOMPARE(choose_working_directory({}, plain.path(), other.path()), other.path());
  QCOMPARE(choose_working_directory({}, plain.path(), other.path() + "/gone"), plain.path());

  const CommandLine line = parse_command_line({"--workdir", "w", "--start"});
  QVERIFY(line.problem.isEmpty() && line.start && line.workdir == u"w"_s);
  for (const QStringList& bad : {QStringList{"--fields"}, {"--strat"}, {"--bootstrap", "x"}})
    QVERIFY2(!parse_command_line(bad).problem.isEmpty(), qPrintable(bad.join(' ')));
}

// ---- Progress window -------------------------------------------------------------------------

void AppTest::progressTextStaysInPlaceAndDrawingIsCoalesced() {
  Drawing one;
  // A text lands at its twip position and nowhere else: x 1500, y 600 is pixel (100, 40).
  one.draw(1500, 600, u"0.1234567"_s);
  QVERIFY(one.ink(cell_at(1500, 600, 60)) > 0);
  QCOMPARE(one.ink(QRect(0, 0, 99, 503)), 0);
  QCOMPARE(one.ink(QRect(0, 0, 690, 39)), 0);

  // Each print ends its line: a second print without a position starts the next line at x 0.
  one.draw(3000, 3000, u"A"_s).picture.print("B");
  one.window.setPicture(one.picture);
  QCOMPARE(one.ink(QRect(0, 200, 30, 11)), 0);
  QVERIFY(one.ink(QRect(0, 211, 30, 20)) > 0);

  one.picture.clear();
  one.window.setPicture(one.picture);
  QCOMPARE(one.ink(one.window.picture().rect()), 0);

  // A shorter value over a longer one, with or without blanks first, leaves not one pixel of the
  // longer one: the cell looks as if the short value had been drawn on an empty window, and texts
  // elsewhere stay as they were. (The
  // total loss has no blanks.)
  Drawing drawn_over, fresh;
  drawn_over.draw(6000, 1, u"17.1921"_s).draw(6000, 1, u"9"_s);
  drawn_over.draw(6000, 600, u"2.856270"_s).draw(6000, 600, QString(13, ' '));
  drawn_over.draw(6000, 600, u".4789"_s);
  drawn_over.draw(8000, 6400, u"working..."_s).draw(8000, 6400, QString(13, ' '));
  fresh.draw(6000, 1, u"9"_s).draw(6000, 600, u".4789"_s);
  QVERIFY(drawn_over.window.picture() == fresh.window.picture());
  QVERIFY(fresh.ink(cell_at(6000, 600, 60)) > 0);

  // "(first 20)" is not overwritten by the tenth age row, which shares its line: it stands
  // readable under the twentieth row, and row 10's value is whole.
  Drawing both, row_only;
  both.draw(200, 2400, u"(first 20)"_s).draw(500, 2400, u".9876543"_s);
  row_only.draw(500, 2400, u".9876543"_s);
  QVERIFY(both.window.picture().copy(cell_at(0, 2400, 200)) ==
          row_only.window.picture().copy(cell_at(0, 2400, 200)));
  QVERIFY(both.ink(cell_at(200, 4600, 60)) > 0);

  // However fast the computation draws, the window paints at most about 30 pictures a second,
  // nothing piles up between them, and the last picture is the last state.
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
  Drawing expected;
  expected.draw(500, 600, QString::number(kEvaluations)).draw(1500, 600, u"even"_s);
  const bool shown =
      wait_until([&] { return done && window->picture() == expected.window.picture(); },
                 "last state on the progress window");
  worker.join();
  QVERIFY(shown);
  // At most one picture per 33 ms, plus the one asked for at the end.
  const long paints = window->paints() - paints_before;
  QVERIFY2(paints <= clock.elapsed() / 33 + 2, qPrintable(QString::number(paints)));
}

// ---- Question windows ------------------------------------------------------------------------

// Both question windows send a text that is not a number back with a warning that names the
// field and the text, and stay until GO is pressed with numbers; the texts go on as typed. Each
// question starts from the defaults again, and Esc or the title bar's X mean "2".
void AppTest::questionWindowsTakeOnlyNumbersAndMeanNoWhenClosed() {
  BootstrapWindow form2;
  RestartWindow form3;
  ModalAnswerer answerer;
  QStringList warnings;
  const auto expect_warning = [&] {
    answerer.expect<QMessageBox>([&](QMessageBox* box) {
      warnings << box->text();
      box->accept();
    });
  };
  answerer.expect<BootstrapWindow>([&](BootstrapWindow* form) {
    form->answerField()->setText(u"1"_s);
    form->runsField()->setText(u"ten"_s);
    form->goButton()->click();
    form->runsField()->setText(u" 3"_s);
    form->goButton()->click();
  });
  expect_warning();
  const BootstrapAnswer answer = form2.ask();
  QCOMPARE(answer.answer, std::string("1"));
  QCOMPARE(answer.runs, std::string(" 3"));
  answerer.expect<RestartWindow>([&](RestartWindow* form) {
    form->answerField()->clear();  // an empty field is not a number either
    form->goButton()->click();
    form->answerField()->setText(u"2"_s);
    form->goButton()->click();
  });
  expect_warning();
  QCOMPARE(form3.ask(), std::string("2"));
  QCOMPARE(warnings.size(), 2);
  VERIFY_MATCHES(warnings[0], u"If Yes, input number of runs: \"ten\""_s);

  QStringList shown;
  answerer.forgetHidden();
  answerer.expect<BootstrapWindow>([&](BootstrapWindow* form) {
    shown << form->answerField()->text() << form->runsField()->text();
    form->answerField()->setText(u"1"_s);
    QTest::keyClick(form, Qt::Key_Escape);
  });
  QCOMPARE(form2.ask().answer, std::string("2"));
  answerer.forgetHidden();
  answerer.expect<RestartWindow>([&](RestartWindow* form) {
    shown << form->answerField()->text();
    form->close();
  });
  QCOMPARE(form3.ask(), std::string("2"));
  QCOMPARE(shown, QStringList({"2", "100", "1"}));
  QVERIFY2(answerer.report().isEmpty(), qPrintable(answerer.report()));
}

}  // namespace quorvane::app::testing
