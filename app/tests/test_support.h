// Helpers for the window tests: answering modal windows as they appear, copies of the demo
// stock in temporary working directories, the batch runner for comparison, and pictures.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <deque>
#include <functional>

namespace quorvane::app::testing {

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
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer_.start();
  }

  template <typename Window>
  void expect(std::function<void(Window*)> answer) {
    expected_.push_back(
        {[](QWidget* w) { return qobject_cast<Window*>(w) != nullptr; },
         [answer = std::move(answer)](QWidget* w) { answer(qobject_cast<Window*>(w)); }});
  }
  // A window that was answered and hidden counts as new when it is shown again, even before
  // the next look (a question asked twice in a row).
  void forgetHidden() {
    handled_.removeIf([](const QPointer<QWidget>& w) { return w.isNull() || !w->isVisible(); });
  }
  // Every expected window has appeared and been answered.
  bool done() const { return expected_.empty() && answering_ == 0; }

  QStringList problems;

 private:
  struct Expectation {
    std::function<bool(QWidget*)> matches;
    std::function<void(QWidget*)> answer;
  };

  void poll() {
    // A window that is being answered may become the active one again for a moment, when a
    // window it opened has closed; it counts as new only after it has been hidden.
    forgetHidden();
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr || handled_.contains(window)) return;
    handled_.append(window);
    auto it = std::find_if(expected_.begin(), expected_.end(),
                           [window](const Expectation& e) { return e.matches(window); });
    if (it == expected_.end()) {
      problems << QStringLiteral("unexpected window \"%1\"").arg(window->windowTitle());
      if (auto* box = qobject_cast<QMessageBox*>(window)) box->reject();
      return;
    }
    auto answer = std::move(it->answer);
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
  std::deque<Expectation> expected_;
  QList<QPointer<QWidget>> handled_;
  int answering_ = 0;
};

// All label texts of a window and its children.
inline QStringList label_texts(const QWidget* window) {
  QStringList texts;
  for (const QLabel* label : window->findChildren<QLabel*>()) texts << label->text();
  return texts;
}

// Pixels that differ from the background colour inside `area` of `picture`.
inline int ink(const QImage& picture, const QRect& area, QRgb background) {
  int count = 0;
  const QRect inside = area.intersected(picture.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) {
      if (picture.pixel(x, y) != background) ++count;
    }
  }
  return count;
}

// Copies the demo stock into `workdir`/demo, where the default fields look for it.
inline bool copy_demo(const QString& workdir) {
  const QDir source(QStringLiteral(QUORVANE_SOURCE_DIR "/demo"));
  if (!source.exists() || !QDir(workdir).mkpath(QStringLiteral("demo"))) return false;
  for (const QString& name : source.entryList(QDir::Files)) {
    if (!QFile::copy(source.filePath(name), workdir + QStringLiteral("/demo/") + name)) {
      return false;
    }
  }
  return true;
}

inline QByteArray file_bytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// Runs the batch runner in `workdir` with the default fields and `arguments`; true on exit 0.
inline bool run_batch(const QString& workdir, const QStringList& arguments) {
#ifdef QUORVANE_BATCH_EXE
  QProcess batch;
  batch.start(QStringLiteral(QUORVANE_BATCH_EXE),
              QStringList{QStringLiteral("--workdir"), workdir} + arguments);
  if (!batch.waitForFinished(kHangGuardMs)) qWarning("the batch runner did not end: a hang");
  return batch.state() == QProcess::NotRunning && batch.exitStatus() == QProcess::NormalExit &&
         batch.exitCode() == 0;
#else
  (void)workdir;
  (void)arguments;
  return false;
#endif
}

// Saves a picture into the build folder for a person to look at.
inline bool save_picture(QWidget* widget, const QString& name) {
  return widget->grab().save(QStringLiteral(QUORVANE_PICTURE_DIR "/") + name +
                             QStringLiteral(".png"));
}

}  // namespace quorvane::app::testing
