// The window tests, run offscreen: one program for every test class (declared in app_tests.h).
#include "app/tests/app_tests.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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
  quorvane::app::testing::AppTest tests;
  return QTest::qExec(&tests, argc, argv) == 0 ? 0 : 1;
}
