// Helpers for the window tests: answering modal windows as they appear, one session of the
// window program on a copy of the demo stock driven as a user would drive it, the batch runner
// given the same fields for comparison, and pictures.
#pragma once

#include <QTest>
#include <QtWidgets>
#include <deque>

#include "app/parameter_window.h"
#include "app/progress_window.h"
#include "app/question_windows.h"
#include "app/run_controller.h"
#include "app/tests/app_tests.h"
#if QUORVANE_CHARTS
#include "app/results_window.h"
#endif

namespace quorvane::app::testing {

using namespace Qt::StringLiterals;

// The tests wait for events (a run's end, a window, a picture), never for a time: a loaded
// machine only makes them slower. This guard ends a wait only when something hangs, and the
// message then says what was waited for.
inline constexpr int kHangGuardMs = 30 * 60 * 1000;

template <typename Done>
bool wait_until(Done done, const char* what) {
  if (QTest::qWaitFor(done, kHangGuardMs)) return true;
  qWarning("no %s after %d minutes: taken as a hang", what, kHangGuardMs / 60000);
  return false;
}

// Answers the modal windows of a test as they appear. Each expectation names the kind of window
// it answers and is used once, by the first window of that kind; a window that nobody expects is
// noted in `problems`, which the test checks at its end (a failed check inside a nested event
// loop could not end the test function).
class ModalAnswerer : public QObject {
 public:
  ModalAnswerer() {
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer_.start(5);
  }

  template <typename Window>
  void expect(std::function<void(Window*)> answer) {
    expected_.emplace_back(&Window::staticMetaObject, [answer = std::move(answer)](QWidget* w) {
      answer(static_cast<Window*>(w));
    });
  }
  // A window that was answered and hidden counts as new when it is shown again, even before
  // the next look (a question asked twice in a row).
  void forgetHidden() {
    handled_.removeIf([](const QPointer<QWidget>& w) { return w.isNull() || !w->isVisible(); });
  }
  // Every expected window has appeared and been answered.
  bool done() const { return expected_.empty() && answering_ == 0; }
  // Empty when every expected window has been answered and no other appeared; else what went
  // wrong.
  QString report() const {
    if (!problems.isEmpty()) return problems.join(u"; "_s);
    return done() ? QString() : u"an expected question window did not appear"_s;
  }

  QStringList problems;

 private:
  void poll() {
    // A window that is being answered may become the active one again for a moment, when a
    // window it opened has closed; it counts as new only after it has been hidden.
    forgetHidden();
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr || handled_.contains(window)) return;
    handled_.append(window);
    auto it = std::find_if(expected_.begin(), expected_.end(), [window](const auto& e) {
      return window->metaObject()->inherits(e.first);
    });
    if (it == expected_.end()) {
      problems << u"unexpected window \"%1\""_s.arg(window->windowTitle());
      if (auto* box = qobject_cast<QMessageBox*>(window)) box->reject();
      return;
    }
    auto answer = std::move(it->second);
    expected_.erase(it);
    ++answering_;
    // Answer from the event loop rather than from this timer: a timer does not fire again
    // while its own slot runs, and an answer may open the next modal window.
    QTimer::singleShot(0, this,
                       [this, answer = std::move(answer), target = QPointer<QWidget>(window)] {
                         if (target) answer(target);
                         --answering_;
                       });
  }

  QTimer timer_;
  // The kind of window each expectation answers, and its answer.
  std::deque<std::pair<const QMetaObject*, std::function<void(QWidget*)>>> expected_;
  QList<QPointer<QWidget>> handled_;
  int answering_ = 0;
};

// Copies the demo stock into `workdir`/demo, where the default fields look for it.
inline bool copy_demo(const QString& workdir) {
  return QProcess::execute(u"cp"_s, {u"-R"_s, QUORVANE_SOURCE_DIR "/demo", workdir}) == 0;
}

// Nothing but the copy of the stock is in `dir`: no run has touched it.
inline bool untouched(const QString& dir) {
  return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot) == QStringList{u"demo"_s};
}

// What differs between the files of the run in `workdir` and those of the batch runner given
// `arguments` in a copy of the demo, as diff shows it; empty when every file agrees. The time a
// run started (run.csv's line "time,") is no part of it.
inline QString batch_difference(const QString& workdir, const QStringList& arguments) {
  QTemporaryDir batch;
  if (!copy_demo(batch.path()) ||
      QProcess::execute(QUORVANE_BATCH_EXE,
                        QStringList{"--quiet", "--workdir", batch.path()} + arguments) != 0)
    return u"the batch run failed"_s;
  QProcess diff;
  diff.start(u"diff"_s, {"-r", "-x", "demo", "-I", "^time,", workdir, batch.path()});
  diff.waitForFinished(-1);
  return diff.exitCode() == 0 ? QString() : QString::fromUtf8(diff.readAll().left(2000));
}

#define VERIFY_SAME_AS_BATCH(workdir, ...)                                                  \
  if (const QString differs = batch_difference(workdir, {__VA_ARGS__}); !differs.isEmpty()) \
  QFAIL(qPrintable(differs))

// Saves a picture into the build folder for a person to look at.
inline bool save_picture(QWidget* widget, const QString& name) {
  return widget->grab().save(QStringLiteral(QUORVANE_PICTURE_DIR "/") + name + ".png");
}

// One session of the program: its own run state (and so its own random sequence), windows, an
// answerer for the windows that a run asks from, and a working directory with the demo stock.
struct Session {
  QTemporaryDir dir;
  RunController controller;
  ParameterWindow window{controller};
  ModalAnswerer answerer;
  bool finished = false;
  bool retro_finished = false;
  bool over = false;  // the session has ended: its last window is closed
  int starts = 0;     // runs begun, whether by START or live

  Session() {
    copy_demo(dir.path());
    window.setWorkingDirectory(dir.path());
    QObject::connect(&controller, &RunController::runFinished, [this] { finished = true; });
    QObject::connect(&controller, &RunController::retrospectiveFinished,
                     [this](const RetroOutcome&) { retro_finished = true; });
    QObject::connect(&controller, &RunController::sessionOver, [this] { over = true; });
    QObject::connect(&controller, &RunController::runStarted, [this] { ++starts; });
  }

  QString path(const QString& name) const { return dir.filePath(name); }
  QByteArray bytes(const QString& name) const {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  QString status() const { return window.statusLine()->text(); }
  const RunOutcome& outcome() const { return controller.lastOutcome(); }
  QLineEdit* field(FieldId id) { return window.field(id); }

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

  // `seen` looks at the question (or changes its kind) before it is answered.
  void expectBootstrapQuestion(const QString& answer = u"2"_s, const QString& runs = u"100"_s,
                               std::function<void(BootstrapWindow*)> seen = {}) {
    answerer.expect<BootstrapWindow>([answer, runs, seen](BootstrapWindow* form) {
      if (seen) seen(form);
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
      if (box->windowTitle() != u"termination"_s || box->text() != u"Stop it?"_s)
        answerer.problems << u"\"Stop it?\" expected, got "_s + box->text();
      box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
  }

  // The next message box: its text goes to `text` (when given), and it is closed.
  void expectMessage(QString* text = nullptr) {
    answerer.expect<QMessageBox>([text](QMessageBox* box) {
      if (text != nullptr) *text = box->text();
      box->accept();
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

  // Waits until every expected window has appeared and been answered; false if another came.
  bool answered() {
    return wait_until([this] { return answerer.done() || !answerer.problems.isEmpty(); },
                      "answers to the windows") &&
           answerer.problems.isEmpty();
  }

  bool waitOver() {
    return wait_until([this] { return over; }, "end of the session");
  }
};

// `text` matches the regular expression `pattern` (^ anchors it at the start).
#define VERIFY_MATCHES(text, pattern) \
  QVERIFY2(QRegularExpression(pattern).match(text).hasMatch(), qPrintable(text))

// Every expected window has appeared and been answered, and no other.
#define VERIFY_ANSWERED(session) \
  QVERIFY2((session).answerer.report().isEmpty(), qPrintable((session).answerer.report()))

// A run from START to its end, every question that was expected answered and none other asked.
#define VERIFY_RUN(session)                                          \
  QVERIFY2((session).run() && (session).answerer.report().isEmpty(), \
           qPrintable((session).answerer.report()))

}  // namespace quorvane::app::testing
