#include "plot/headless.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace quorvane::plot {
namespace {

QtMessageHandler default_handler = nullptr;

}  // namespace

void prepare_headless_drawing() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  // Every other message of Qt is passed on.
  default_handler = qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set")) return;
        default_handler(type, context, message);
      });
}

}  // namespace quorvane::plot
