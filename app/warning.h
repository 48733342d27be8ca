// A warning that names what went wrong (a file, a field, a line) and leaves the window usable:
// shown without waiting for it, on top of every window of the program, gone when closed.
#pragma once

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QString>
#include <QWidget>

namespace quorvane::app {

// A message box is as wide as its title, which the window manager would otherwise cut short
// ("The run st..."), and as its longest line.
inline void fit_to_text(QMessageBox* box) {
  auto* grid = qobject_cast<QGridLayout*>(box->layout());
  if (grid == nullptr) return;
  const int width = QFontMetrics(box->font()).horizontalAdvance(box->windowTitle()) + 160;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                grid->rowCount(), 0, 1, grid->columnCount());
}

inline QMessageBox* show_warning(QWidget* parent, const QString& title, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
  box->setObjectName(QStringLiteral("warning"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  fit_to_text(box);
  box->show();
  return box;
}

}  // namespace quorvane::app
