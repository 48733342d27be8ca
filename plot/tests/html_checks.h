// Checks on a written report page, read as XML: every figure holds one inline SVG with more than
// a handful of drawn elements, every table has a header row and body rows of as many cells, and
// nothing reaches outside the page (no script, no external picture, style sheet or frame, no link
// but to a place on the page).
#pragma once

#include <QFile>
#include <QStringList>
#include <QXmlStreamReader>
#include <string>
#include <utility>

namespace quorvane::plot::testing {

struct PageCheck {
  QStringList problems;  // empty for a sound page
  QStringList figures;   // the ids of the figures, in order
  int tables = 0;
};

inline PageCheck check_page(const std::string& path) {
  PageCheck check;
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) check.problems << "the page cannot be read";
  QXmlStreamReader xml(&file);
  const QStringList outside = {"script", "img", "link", "iframe", "object", "embed", "image"};
  QString figure;
  int svgs = 0, drawn = 0;                     // of the figure being read
  int header_cells = -1, cells = 0, rows = 0;  // of the table being read; -1 before its header
  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    const QString name = xml.name().toString();
    if (token == QXmlStreamReader::StartElement) {
      if (outside.contains(name)) check.problems << "a <" + name + "> element";
      for (const QXmlStreamAttribute& a : xml.attributes())
        if (a.name() == u"src" || (a.name() == u"href" && !a.value().startsWith(u'#')))
          check.problems << "a reference to " + a.value().toString();
      drawn += name == "path" || name == "polyline" || name == "text";
      cells += name == "th" || name == "td";
      svgs += name == "svg";
      if (name == "svg" && figure.isEmpty()) check.problems << "a drawing outside a figure";
      if (name == "figure") figure = xml.attributes().value("id").toString(), svgs = drawn = 0;
      if (name == "table") ++check.tables, header_cells = -1, rows = 0;
      if (name == "tr") cells = 0;
    } else if (token == QXmlStreamReader::EndElement) {
      if (name == "figure") {
        if (svgs != 1 || drawn < 20)
          check.problems << figure + QString(": %1 drawings of %2 elements").arg(svgs).arg(drawn);
        check.figures << std::exchange(figure, QString());
      } else if (name == "tr" && header_cells < 0) {
        header_cells = cells;
      } else if (name == "tr" && (++rows, cells != header_cells)) {
        check.problems << QString("table %1: a ragged row").arg(check.tables);
      } else if (name == "table" && rows == 0) {
        check.problems << QString("table %1: no rows").arg(check.tables);
      }
    }
  }
  if (xml.hasError())
    check.problems << QString("line %1: ").arg(xml.lineNumber()) + xml.errorString();
  return check;
}

}  // namespace quorvane::plot::testing
