// The window tests, run offscreen: one program for every test class.
#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "app/tests/bootstrap_test.h"
#include "app/tests/live_test.h"
#include "app/tests/menu_test.h"
#include "app/tests/run_test.h"
#include "app/tests/window_test.h"

int main(int argc, char** argv) {
  // What the windows remember between program starts goes to a scratch place, never into the
  // user's own settings.
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  QStandardPaths::setTestModeEnabled(true);
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("QUORVANE-tests"));
  QApplication::setApplicationName(QStringLiteral("QUORVANE-tests"));
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
  {
    quorvane::app::testing::MenuTest menus;
    failures += QTest::qExec(&menus, argc, argv);
  }
  {
    quorvane::app::testing::BootstrapTest bootstrap;
    failures += QTest::qExec(&bootstrap, argc, argv);
  }
  {
    quorvane::app::testing::LiveTest live;
    failures += QTest::qExec(&live, argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
