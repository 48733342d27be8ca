// The window program's command line and the choice of the working directory at program start.
#pragma once

#include <QString>
#include <QStringList>

namespace quorvane::app {

struct CommandLine {
  QString workdir;     // --workdir DIR, empty when not given
  QString fields;      // --fields FILE, empty when not given
  bool start = false;  // --start: press START once the window is shown
  QString bootstrap;   // --bootstrap RUNS: the bootstrap question is answered 1 and RUNS
  bool help = false;
  bool version = false;
  QString problem;  // one line when the arguments cannot be used
};

// Reads the arguments after the program's name.
CommandLine parse_command_line(const QStringList& arguments);
QString usage_text();
QString version_text();

// The folder the window opens in: the one given on the command line; else the folder the
// program was started in when it holds the default catch file, as a copy of the demo or a
// stock set up like it does; else the one remembered from the last session (when it still
// exists); else the folder the program was started in. A results file is never emptied in a
// folder that the window did not show.
QString choose_working_directory(const QString& given, const QString& current,
                                 const QString& remembered);

}  // namespace quorvane::app
