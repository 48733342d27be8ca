// The window program: the parameter window opens with the default texts of its fields (in the
// working directory of the last session); nothing else happens until START or a menu action. The
// program ends through "Quit session".
#include <QApplication>

#include "app/parameter_window.h"
#include "app/run_controller.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("QUORVANE"));
  // The working directory and the last settings file are remembered under this name.
  QApplication::setOrganizationName(QStringLiteral("QUORVANE"));
  // Closing a window does not end the session: a run may still have to unwind and close its
  // files first.
  QApplication::setQuitOnLastWindowClosed(false);

  quorvane::app::RunController controller;
  quorvane::app::ParameterWindow parameters(controller);
  QObject::connect(&controller, &quorvane::app::RunController::sessionOver, &application,
                   &QApplication::quit);
  parameters.show();
  return QApplication::exec();
}
