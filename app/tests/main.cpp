// The window tests, run offscreen: one program for every test class.
#include <QApplication>
#include <QTest>

#include "app/tests/run_test.h"
#include "app/tests/window_test.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  int failures = 0;
  {
    quorvane::app::testing::WindowTest windows;
    failures += QTest::qExec(&windows, argc, argv);
  }
  {
    quorvane::app::testing::RunTest runs;
    failures += QTest::qExec(&runs, argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
