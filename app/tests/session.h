// One session of the window program on a copy of the demo stock, driven as a user would: the
// parameter window, its run controller and an answerer for the windows that a run asks from.
#pragma once

#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "app/parameter_window.h"
#include "app/progress_window.h"
#include "app/question_windows.h"
#include "app/run_controller.h"
#include "app/tests/test_support.h"

namespace quorvane::app::testing {

// One session of the program: its own run state (and so its own random sequence), windows and
// a working directory with the demo stock.
struct Session {
  QTemporaryDir dir;
  RunController controller;
  ParameterWindow window{controller};
  ModalAnswerer answerer;
  bool finished = false;
  RunOutcome outcome;
  bool retro_finished = false;

  Session() {
    copy_demo(dir.path());
    window.setWorkingDirectory(dir.path());
    QObject::connect(&controller, &RunController::runFinished, [this](const RunOutcome& o) {
      finished = true;
      outcome = o;
    });
    QObject::connect(&controller, &RunController::retrospectiveFinished,
                     [this](const RetroOutcome&) { retro_finished = true; });
  }

  QString path(const QString& name) const { return dir.filePath(name); }
  QByteArray bytes(const QString& name) const { return file_bytes(path(name)); }

  // Runs the handler once, when the worker stands at its n-th yield point.
  void atYield(long n, std::function<void()> handler) {
    controller.holdAtYield(n);
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(&controller, &RunController::heldAtYield,
                             [once, handler = std::move(handler)](long) {
                               QObject::disconnect(*once);
                               handler();
                             });
  }

  void expectBootstrapQuestion(const QString& answer, const QString& runs,
                               std::function<void()> seen = {}) {
    answerer.expect<BootstrapWindow>([answer, runs, seen](BootstrapWindow* form) {
      if (seen) seen();
      form->answerField()->setText(answer);
      form->runsField()->setText(runs);
      form->goButton()->click();
    });
  }

  void expectRestartQuestion(const QString& answer) {
    answerer.expect<RestartWindow>([answer](RestartWindow* form) {
      form->answerField()->setText(answer);
      form->goButton()->click();
    });
  }

  void expectStopQuestion(bool yes) {
    answerer.expect<QMessageBox>([this, yes](QMessageBox* box) {
      if (box->windowTitle() != QStringLiteral("termination") ||
          box->text() != QStringLiteral("Stop it?")) {
        answerer.problems << QStringLiteral("\"Stop it?\" expected, got ") + box->text();
      }
      box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
  }

  void pressStop() { controller.progressWindow()->stopButton()->click(); }

  bool run() {
    finished = false;
    window.startButton()->click();
    // An unexpected window would wait for an answer forever; it ends the wait at once.
    return wait_until([this] { return finished || !answerer.problems.isEmpty(); },
                      "end of the run (or unexpected window)") &&
           finished;
  }

  // A retrospective of `peels` peels from the window, waited for.
  bool retrospective(int peels) {
    retro_finished = false;
    return window.runRetrospective(peels) &&
           wait_until([this] { return retro_finished; }, "end of the retrospective");
  }
};

#define VERIFY_ANSWERED(session)                                                       \
  do {                                                                                 \
    QVERIFY2((session).answerer.problems.isEmpty(),                                    \
             qPrintable((session).answerer.problems.join(QStringLiteral("; "))));      \
    QVERIFY2((session).answerer.done(), "an expected question window did not appear"); \
  } while (false)

}  // namespace quorvane::app::testing
