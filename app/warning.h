// A warning that names what went wrong (a file, a field, a line) and leaves the window usable:
// shown without waiting for it, on top of every window of the program, gone when closed.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>

namespace quorvane::app {

inline void show_warning(QWidget* parent, const QString& title, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
  box->setObjectName(QStringLiteral("warning"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  box->show();
}

}  // namespace quorvane::app
