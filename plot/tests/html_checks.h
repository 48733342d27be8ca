// Checks on a written report page, read as XML: every chart a drawn inline SVG inside its
// figure, every table rectangular (each row with as many cells as the header), and nothing that
// reaches outside the page (no script, no external picture, style sheet or frame, no link but
// to a place on the page).
#pragma once

#include <QFile>
#include <QStringList>
#include <QXmlStreamReader>
#include <string>

namespace quorvane::plot::testing {

struct PageCheck {
  QStringList problems;  // empty for a sound page
  QStringList figures;   // the ids of the figures, in order
  int tables = 0;
  int table_rows = 0;  // body rows over all tables
};

inline PageCheck check_page(const std::string& path) {
  PageCheck check;
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) {
    check.problems << "the page cannot be read";
    return check;
  }
  QXmlStreamReader xml(&file);
  // The figure and the table being read, if any.
  QString figure;
  int figure_svgs = 0;
  int svg_depth = 0;  // > 0 inside a drawing
  int drawn = 0;      // path, polyline and text elements of the drawing
  bool in_table = false, in_head = false;
  int header_cells = 0, row_cells = 0, body_rows = 0;
  const QStringList outside = {"script", "img", "link", "iframe", "object", "embed", "image"};

  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    const QString name = xml.name().toString();
    if (token == QXmlStreamReader::StartElement) {
      if (outside.contains(name)) check.problems << "a <" + name + "> element";
      for (const QXmlStreamAttribute& a : xml.attributes()) {
        const QString attribute = a.name().toString();
        if (attribute == "src") check.problems << "a src attribute on <" + name + ">";
        if (attribute == "href" && !a.value().startsWith(QLatin1Char('#'))) {
          check.problems << "a link to " + a.value().toString();
        }
      }
      if (svg_depth > 0) {
        ++svg_depth;
        if (name == "path" || name == "polyline" || name == "text") ++drawn;
      } else if (name == "svg") {
        svg_depth = 1;
        drawn = 0;
        ++figure_svgs;
        if (figure.isEmpty()) check.problems << "a drawing outside a figure";
      } else if (name == "figure") {
        figure = xml.attributes().value("id").toString();
        figure_svgs = 0;
      } else if (name == "table") {
        in_table = true;
        header_cells = body_rows = 0;
        ++check.tables;
      } else if (name == "thead") {
        in_head = true;
      } else if (name == "tr") {
        row_cells = 0;
      } else if (name == "th" || name == "td") {
        if (!in_table) check.problems << "a cell outside a table";
        ++row_cells;
      }
    } else if (token == QXmlStreamReader::EndElement) {
      if (svg_depth > 0) {
        if (--svg_depth == 0 && drawn < 20) {
          check.problems << figure + ": a drawing of " + QString::number(drawn) + " elements";
        }
      } else if (name == "figure") {
        if (figure_svgs != 1) {
          check.problems << figure + ": " + QString::number(figure_svgs) + " drawings";
        }
        check.figures << figure;
        figure.clear();
      } else if (name == "thead") {
        in_head = false;
      } else if (name == "tr") {
        if (in_head) {
          header_cells = row_cells;
        } else {
          ++body_rows;
          if (row_cells != header_cells) {
            check.problems << QString("table %1: a row of %2 cells under a header of %3")
                                  .arg(check.tables)
                                  .arg(row_cells)
                                  .arg(header_cells);
          }
        }
      } else if (name == "table") {
        in_table = false;
        if (header_cells == 0 || body_rows == 0) {
          check.problems << QString("table %1: no header or no rows").arg(check.tables);
        }
        check.table_rows += body_rows;
      }
    }
  }
  if (xml.hasError()) {
    check.problems << QString("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
  }
  return check;
}

}  // namespace quorvane::plot::testing
