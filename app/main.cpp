// The window program: the parameter window opens with the default texts of its fields (or those
// of --fields) in the working directory chosen at start; nothing else happens until START (or
// --start) or a menu action. The program ends through "Quit session" or by closing the window.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/command_line.h"
#include "app/parameter_window.h"
#include "app/run_controller.h"

namespace {

// SIGTERM (a logout, a job's end, a script) reaches the window thread through a socket: a
// signal handler may do nothing more than write a byte.
int g_signal_socket[2] = {-1, -1};

void on_terminate(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_signal_socket[0], &byte, 1);
}

int fail(const QString& problem) {
  std::fprintf(stderr, "quorvane: %s (see --help)\n", qPrintable(problem));
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer without a display.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const quorvane::app::CommandLine line = quorvane::app::parse_command_line(arguments);
  if (!line.problem.isEmpty()) return fail(line.problem);
  if (line.help) {
    std::fputs(qPrintable(quorvane::app::usage_text()), stdout);
    return 0;
  }
  if (line.version) {
    std::fputs(qPrintable(quorvane::app::version_text()), stdout);
    return 0;
  }

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("QUORVANE"));
  // The working directory and the last settings file are remembered under this name.
  QApplication::setOrganizationName(QStringLiteral("QUORVANE"));
  // Closing a window does not end the session: a run may still have to unwind and close its
  // files first.
  QApplication::setQuitOnLastWindowClosed(false);

  quorvane::app::RunController controller;
  quorvane::app::ParameterWindow parameters(controller);
  if (!line.workdir.isEmpty()) {
    const QString dir = QDir::current().absoluteFilePath(line.workdir);
    if (!QDir(dir).exists()) return fail(QStringLiteral("--workdir: no folder \"%1\"").arg(dir));
    parameters.setWorkingDirectory(QDir::cleanPath(dir));
  }
  if (!line.fields.isEmpty()) {
    const QString problem = parameters.loadSettingsFrom(line.fields);
    if (!problem.isEmpty()) return fail(problem);
  }
  QObject::connect(&controller, &quorvane::app::RunController::sessionOver, &application,
                   &QApplication::quit);
  if (!line.bootstrap.isEmpty()) {
    controller.answerBootstrapWith({"1", line.bootstrap.toStdString()});
  }
  // SIGTERM during a run stops it as STOP does, its results written, and then ends the program.
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signal_socket) == 0) {
    auto* notifier = new QSocketNotifier(g_signal_socket[1], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [&] {
      char byte = 0;
      [[maybe_unused]] const ssize_t n = ::read(g_signal_socket[1], &byte, 1);
      parameters.hide();
      if (controller.running()) {
        controller.stopAndQuit();
      } else {
        controller.quit();
      }
    });
    std::signal(SIGTERM, on_terminate);
  }
  parameters.show();
  if (line.start) QTimer::singleShot(0, &parameters, &quorvane::app::ParameterWindow::start);
  return QApplication::exec();
}
