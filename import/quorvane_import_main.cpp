// quorvane-import: a stock's Lowestoft files into the program's input tables and a fields file.
// Prints the files written on standard output, warnings and the one failure on standard error.
#include <cstdio>
#include <exception>
#include <filesystem>

#include "base/errors.h"
#include "import/import_command.h"
#include "import/stock_import.h"
#include "report/version.h"

using namespace quorvane;
using namespace quorvane::import;

namespace {

constexpr int kExitDone = 0;
constexpr int kExitBadFile = 1;
constexpr int kExitRejected = 2;

}  // namespace

int main(int argc, char** argv) {
  try {
    const ImportRequest request = parse_import_command(argc - 1, argv + 1);
    if (request.help) {
      std::fputs(kImportUsage, stdout);
      return kExitDone;
    }
    if (request.version) {
      std::fputs(version_text("quorvane-import").c_str(), stdout);
      return kExitDone;
    }
    const ImportResult result = run_import(request);
    const ImportedStock& stock = result.stock;
    for (const SourceUse& u : result.sources) {
      std::printf("%s %s: %s\n", u.used ? "used   " : "ignored", u.path.c_str(), u.why.c_str());
    }
    for (const std::string& n : result.notes) {
      std::fprintf(stderr, "quorvane-import: warning: %s\n", n.c_str());
    }
    std::printf("ages %d-%d%s, years %d-%d%s, %zu aged fleet(s), %zu SSB survey(s)\n",
                stock.first_age, stock.last_age, stock.plus_group ? " (plus group)" : "",
                stock.first_year, stock.last_year, stock.extended_year ? " (extended)" : "",
                stock.aged_fleets.size(), stock.ssb_surveys.size());
    for (const OutputFile& f : result.files) {
      std::printf("%s\n", (std::filesystem::path(request.out_dir) / f.name).string().c_str());
    }
    return kExitDone;
  } catch (const UsageError& e) {
    std::fprintf(stderr, "quorvane-import: %s\n(quorvane-import --help lists the options)\n",
                 e.what());
    return kExitRejected;
  } catch (const SettingsError& e) {
    std::fprintf(stderr, "quorvane-import: %s\n", e.what());
    return kExitRejected;
  } catch (const InputError& e) {
    std::fprintf(stderr, "quorvane-import: %s\nNothing was written.\n", e.what());
    return kExitBadFile;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorvane-import: %s\n", e.what());
    return kExitBadFile;
  }
}
