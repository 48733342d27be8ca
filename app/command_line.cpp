#include "app/command_line.h"

#include <QDir>
#include <QFileInfo>

#include "report/version.h"
#include "run/settings.h"

namespace quorvane::app {

CommandLine parse_command_line(const QStringList& arguments) {
  CommandLine line;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    const auto value = [&](QString& into) {
      if (i + 1 >= arguments.size()) {
        line.problem = QStringLiteral("%1 needs a value").arg(arg);
        return;
      }
      into = arguments[++i];
    };
    if (arg == QStringLiteral("--workdir")) {
      value(line.workdir);
    } else if (arg == QStringLiteral("--fields")) {
      value(line.fields);
    } else if (arg == QStringLiteral("--bootstrap")) {
      value(line.bootstrap);
      bool number = false;
      if (line.problem.isEmpty() && (line.bootstrap.toInt(&number) < 1 || !number)) {
        line.problem =
            QStringLiteral("--bootstrap: \"%1\" is not a number of runs").arg(line.bootstrap);
      }
    } else if (arg == QStringLiteral("--start")) {
      line.start = true;
    } else if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
      line.help = true;
    } else if (arg == QStringLiteral("--version")) {
      line.version = true;
    } else {
      line.problem = QStringLiteral("unknown argument \"%1\"").arg(arg);
    }
    if (!line.problem.isEmpty()) break;
  }
  return line;
}

QString usage_text() {
  return QStringLiteral(
      "Usage: quorvane [--workdir DIR] [--fields FILE] [--start] [--bootstrap RUNS]\n"
      "The window program: the parameter window, START, the progress window and the charts.\n"
      "  --workdir DIR   open with DIR as the working directory (the input files and the\n"
      "                  results are found and written there)\n"
      "  --fields FILE   fill the fields from FILE, lines TextN=value ('#' starts a comment)\n"
      "  --start         press START once the window is shown\n"
      "  --bootstrap RUNS  answer the bootstrap question with yes and RUNS runs, without\n"
      "                  showing it (for demonstrations and scripted checks)\n"
      "  --help          print this text and end\n"
      "  --version       print the program's name and version and end\n"
      "Without --workdir the window opens in the current folder when it holds the default\n"
      "catch file (demo/c.txt), else in the folder of the last session.\n"
      "SIGTERM during a run stops it as STOP does (its results are written), then ends.\n");
}

QString version_text() { return QString::fromStdString(::quorvane::version_text("quorvane")); }

QString choose_working_directory(const QString& given, const QString& current,
                                 const QString& remembered) {
  if (!given.isEmpty()) return QDir(current).absoluteFilePath(given);
  const std::string catch_file = default_field_texts()[FieldId::CatchFile];
  if (QFileInfo::exists(QDir(current).filePath(QString::fromStdString(catch_file)))) {
    return current;
  }
  if (!remembered.isEmpty() && QDir(remembered).exists()) return remembered;
  return current;
}

}  // namespace quorvane::app
