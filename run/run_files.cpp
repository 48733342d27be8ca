#include "run/run_files.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "base/errors.h"
#include "data/age_year_file.h"
#include "data/input_file.h"
#include "report/tables.h"
#include "run/bootstrap.h"
#include "run/settings.h"
#include "state/message_text.h"

namespace quorvane {

namespace fs = std::filesystem;

namespace {

// What a name names on disk: made absolute, "." and ".." taken out and symbolic links followed
// as far as the path exists.
fs::path on_disk(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  if (ec) return fs::path(path).lexically_normal();
  const fs::path canonical = fs::weakly_canonical(absolute, ec);
  return ec ? absolute.lexically_normal() : canonical;
}

// True when `p` lies strictly below `dir` (both resolved).
bool lies_below(const fs::path& p, const fs::path& dir) {
  const fs::path rel = p.lexically_relative(dir);
  return !rel.empty() && rel != "." && *rel.begin() != "..";
}

// An input file of the run: one named in a field, or the stock weights' file, which a fields
// file names beside the fields.
struct Input {
  std::optional<FieldId> field;
  std::string text;  // the name as given
  fs::path where;
};

constexpr const char* kStockWeightKey = "stock_weight_file";

}  // namespace

const std::vector<std::string>& fixed_output_names() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n{"minim.out"};
    for (const BootFileLayout& b : kBootFiles) n.emplace_back(b.name);
    n.emplace_back("bootfailed.out");
    for (int k = 1; k < kFleetSlots; ++k) n.push_back("aged" + std::to_string(k) + ".tmp");
    return n;
  }();
  return names;
}

std::string staged_results_path(const std::string& results_path) {
  return results_path + ".partial";
}

void check_run_files(const RunState& s) {
  std::vector<std::string> problems;
  const auto text_of = [&](FieldId id) -> const std::string& { return text_setting(s, id); };
  const auto add = [&](FieldId id, const std::string& what) {
    problems.push_back(field_problem(id, text_of(id), what));
  };

  // A problem of an input, named as its field or as its key.
  const auto add_input = [&](const Input& in, const std::string& what) {
    if (in.field) {
      add(*in.field, what);
    } else {
      problems.push_back(std::string(kStockWeightKey) + " '" + token_text(in.text) + "' " + what);
    }
  };

  std::vector<Input> inputs;
  const auto input = [&](FieldId id) {
    inputs.push_back({id, text_of(id), on_disk(resolve_path(s.workdir, text_of(id)))});
  };
  for (FieldId id :
       {FieldId::CatchFile, FieldId::WeightFile, FieldId::MFile, FieldId::MaturityFile}) {
    input(id);
  }
  if (holds(s.indssb, YesNo::Yes))
    for (int k = 1; k <= s.totalinds; ++k) input(ssb_field(SsbColumn::File, k));
  if (holds(s.indaged, YesNo::Yes))
    for (int k = 1; k <= s.totalind; ++k) input(fleet_field(FleetColumn::File, k));
  if (!s.stock_weight_file.empty()) {
    inputs.push_back(
        {std::nullopt, s.stock_weight_file, on_disk(resolve_path(s.workdir, s.stock_weight_file))});
  }

  const fs::path workdir = on_disk(s.workdir.empty() ? "." : s.workdir);
  const std::string results_path = resolve_path(s.workdir, s.AnamefileR);
  const fs::path results = on_disk(results_path);
  const fs::path staged = on_disk(staged_results_path(results_path));
  const fs::path tables = on_disk(tables_folder(results_path));

  if (!lies_below(results, workdir)) {
    add(FieldId::ResultsFile, "lies outside the working directory");
  } else {
    for (const std::string& name : fixed_output_names()) {
      if (on_disk(resolve_path(s.workdir, name)) == results) {
        add(FieldId::ResultsFile, "is the name of a file the run writes itself (" + name + ")");
      }
    }
    for (const Input& in : inputs) {
      const std::string other =
          in.field ? "(" + field_title(field(*in.field)) + " " + numbered_name(*in.field) + ")"
                   : std::string("(") + kStockWeightKey + ")";
      if (in.where == results || in.where == staged) {
        add(FieldId::ResultsFile,
            "names an input of the run " + other + ", which it would write over");
      } else if (in.where == tables || lies_below(in.where, tables)) {
        add_input(in, "lies in the tables folder that the run writes beside its results file");
      }
    }
  }
  for (const Input& in : inputs) {
    // A pipe would block the run, a device has no end; they are named now, before any file
    // is touched. A missing file is found when it is read.
    struct stat st {};
    if (::stat(in.where.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      add_input(in, std::string("is ") + file_kind(st.st_mode) + ", not a file");
    }
    for (const std::string& name : fixed_output_names()) {
      if (on_disk(resolve_path(s.workdir, name)) == in.where) {
        add_input(in, "is a file the run writes itself (" + name + ")");
      }
    }
  }

  if (problems.empty()) return;
  std::string message;
  for (const std::string& p : problems) message += (message.empty() ? "" : "; ") + p;
  throw SettingsError(message);
}

}  // namespace quorvane
