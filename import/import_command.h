// The command line of quorvane-import and how it finds a stock's files:
//
//   quorvane-import [SOURCE] --out DIR [--catch F] [--weights F | --stock-weights F]
//                   [--natmort F] [--maturity F] [--fleets F] [--use-stock-weights]
//                   [--plus-age A | --plus | --no-plus] [--extended-year]
//                   [--select-fleets K,K,...] [--units-numbers TEXT] [--units-weight TEXT]
//                   [--help] [--version]
//
// SOURCE is an index file that lists the stock's files, or a folder that holds them. Each file
// is recognised by line 2: the data type of a table, or the number of fleets plus 100 of a
// tuning-fleet file. Where two files hold the same data type (catch numbers and landings
// numbers both are numbers at age), the one named by the usual short name wins (cn, cw, sw,
// nm, mo); files named one by one take precedence over SOURCE.
#pragma once

#include <string>
#include <vector>

#include "base/command_line.h"
#include "import/stock_import.h"

namespace quorvane::import {

using quorvane::UsageError;

struct ImportRequest {
  std::string source;  // index file or folder; may be empty when every file is named
  StockFiles named;    // files named one by one; empty where not named
  bool use_stock_weights = false;
  bool separate_stock_weights = false;  // catch weights into w.txt, stock weights into sw.txt
  ImportChoices choices;
  std::string out_dir;
  bool help = false;
  bool version = false;
};

extern const char* const kImportUsage;

// Parses the arguments after the program name; UsageError for anything it cannot take.
ImportRequest parse_import_command(int argc, const char* const* argv);

// A file of the source, or one named one by one, and what became of it: used for a table or the
// fleets ("catch numbers"), or ignored and why ("also catch numbers; cn.dat is used").
struct SourceUse {
  std::string path;
  bool used = false;
  std::string why;
};

// The files to import: those named one by one, the rest found in the source. A file named one by
// one that is not there as given is looked for in the source's folder. UsageError when a table
// cannot be found or more than one file could be it. Listed files that do not exist are reported
// in `notes`; what became of each file, used first, in `uses` when given.
StockFiles find_stock_files(const ImportRequest& request, std::vector<std::string>& notes,
                            std::vector<SourceUse>* uses = nullptr);

struct ImportResult {
  ImportedStock stock;
  std::vector<SourceUse> sources;  // the files used, then the files of the source ignored
  std::vector<OutputFile> files;   // as written into the out folder
  std::vector<std::string> notes;  // warnings, in the order found
};

// The whole import: find the files, read and check them, build the stock, write its files.
// Every file is read and checked before the first is written, so a rejected file or choice
// leaves the out folder as it was.
ImportResult run_import(const ImportRequest& request);

}  // namespace quorvane::import
