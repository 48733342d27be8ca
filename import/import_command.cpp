#include "import/import_command.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "base/errors.h"

namespace quorvane::import {

namespace fs = std::filesystem;

const char* const kImportUsage =
    "usage: quorvane-import [SOURCE] --out DIR [options]\n"
    "\n"
    "Reads a stock's Lowestoft files and writes the program's input tables (c.txt, w.txt,\n"
    "mm.txt, mat.txt, fleet1.txt.., SSB1.txt..) and fields.txt into DIR.\n"
    "\n"
    "  SOURCE                an index file that lists the files, or a folder that holds them\n"
    "  --out DIR             folder to write into (made when missing)\n"
    "  --catch FILE          catch numbers at age (data type 2)\n"
    "  --weights FILE        catch mean weights (data type 3)\n"
    "  --stock-weights FILE  stock mean weights (data type 4), used instead of catch weights\n"
    "  --use-stock-weights   take the stock weights found in SOURCE instead of catch weights\n"
    "  --separate-stock-weights\n"
    "                        the catch weights into w.txt and the stock weights (found in\n"
    "                        SOURCE, or named with --stock-weights) into sw.txt, which\n"
    "                        fields.txt names as the stock weights SSB is weighed with\n"
    "  --natmort FILE        natural mortality (data type 5)\n"
    "  --maturity FILE       proportion mature (data type 6)\n"
    "  --fleets FILE         tuning fleets\n"
    "  --plus-age A          fold the ages above A into an A+ plus group\n"
    "  --plus, --no-plus     without --plus-age: the last age is (the default) or is not a\n"
    "                        plus group\n"
    "  --extended-year       add the year after the last catch year when the fleets have it\n"
    "  --select-fleets K,..  import these fleets of the fleet file (numbers from 1)\n"
    "  --units-numbers TEXT  unit of the catch numbers (e.g. thousands), when the catch\n"
    "                        file's title line does not say it\n"
    "  --units-weight TEXT   unit of the weights (e.g. kg), likewise\n"
    "  --help                this text\n"
    "  --version             the version and the compiler that built it\n";

namespace {

int whole_number(const std::string& option, const std::string& text) {
  std::size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size()) {
    throw UsageError(option + ": '" + text + "' is not a whole number");
  }
  return value;
}

// A unit goes into the fields file as the text of one line.
std::string unit_text(const std::string& option, const std::string& text) {
  if (text.empty() || text.find_first_of("\r\n#") != std::string::npos) {
    throw UsageError(option + ": '" + text + "' is not a unit (one word or a few, no '#')");
  }
  return text;
}

std::vector<int> fleet_numbers(const std::string& text) {
  std::vector<int> numbers;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) numbers.push_back(whole_number("--select-fleets", item));
  if (numbers.empty()) throw UsageError("--select-fleets: no fleet number given");
  return numbers;
}

// The usual short name of each table's file, which settles a choice between two files of the
// same data type.
const char* usual_prefix(DataType type) {
  switch (type) {
    case DataType::CatchNumbers:
      return "cn";
    case DataType::CatchWeights:
      return "cw";
    case DataType::StockWeights:
      return "sw";
    case DataType::NaturalMortality:
      return "nm";
    case DataType::Maturity:
      return "mo";
    default:
      return "";
  }
}

struct Candidate {
  std::string path;
  FileKind kind;
};

// The files an index file lists: line 1 is its title; every later line that does not start
// with a number names a file, relative to the index file's folder.
std::vector<Candidate> listed_files(const std::string& index, std::vector<std::string>& notes) {
  std::ifstream in(index, std::ios::binary);
  if (!in) throw InputError(index + ": the index file cannot be opened");
  std::ostringstream text;
  text << in.rdbuf();
  std::string all = text.str();
  std::replace(all.begin(), all.end(), '\r', '\n');
  std::stringstream lines(all);
  std::vector<Candidate> out;
  std::string line;
  std::getline(lines, line);  // the title
  const fs::path folder = fs::path(index).parent_path();
  while (std::getline(lines, line)) {
    std::stringstream tokens(line);
    std::string name;
    if (!(tokens >> name) || parse_file_number(name)) continue;
    const std::string path = (folder / name).string();
    if (!fs::is_regular_file(path)) {
      notes.push_back(index + ": lists " + name + ", which is not there");
      continue;
    }
    out.push_back({path, peek_file_kind(path)});
  }
  return out;
}

std::vector<Candidate> folder_files(const std::string& folder) {
  std::vector<std::string> paths;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    if (e.is_regular_file()) paths.push_back(e.path().string());
  }
  std::sort(paths.begin(), paths.end());
  std::vector<Candidate> out;
  for (const std::string& p : paths) out.push_back({p, peek_file_kind(p)});
  return out;
}

std::string names_of(const std::vector<const Candidate*>& list) {
  std::string text;
  for (const Candidate* c : list) {
    text += (text.empty() ? "" : ", ") + fs::path(c->path).filename().string();
  }
  return text;
}

// The one candidate of a table's data type, or empty when there is none.
std::optional<std::string> table_of(const std::vector<Candidate>& all, DataType type,
                                    const std::string& source, const char* option) {
  std::vector<const Candidate*> found;
  for (const Candidate& c : all) {
    if (c.kind.kind == FileKind::Table && c.kind.type == static_cast<int>(type)) {
      found.push_back(&c);
    }
  }
  if (found.size() > 1) {
    std::vector<const Candidate*> usual;
    for (const Candidate* c : found) {
      if (fs::path(c->path).filename().string().rfind(usual_prefix(type), 0) == 0) {
        usual.push_back(c);
      }
    }
    if (usual.size() != 1) {
      throw UsageError(source + ": " + names_of(found) + " all hold " +
                       data_type_name(static_cast<int>(type)) + "; name one with " + option);
    }
    found = usual;
  }
  if (found.empty()) return std::nullopt;
  return found.front()->path;
}

// The folder in which a file named one by one is looked for when it is not there as given: the
// source folder, or the folder of the index file.
fs::path source_folder(const std::string& source) {
  if (source.empty()) return {};
  if (fs::is_directory(source)) return source;
  return fs::path(source).parent_path();
}

void look_in_source(std::string& path, const fs::path& folder) {
  std::error_code ec;
  if (path.empty() || folder.empty() || fs::exists(path, ec)) return;
  const fs::path beside = folder / path;
  if (fs::is_regular_file(beside, ec)) path = beside.string();
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && fs::equivalent(a, b, ec);
}

std::string file_name(const std::string& path) { return fs::path(path).filename().string(); }

// What became of the files: the ones used with their role, then each other file of the source
// with the reason it was left out.
std::vector<SourceUse> describe_uses(const std::vector<Candidate>& all, const StockFiles& files) {
  const std::string weights_role = files.weights_are_stock ? "stock weights" : "catch weights";
  const std::vector<std::pair<const std::string*, std::string>> roles = {
      {&files.catch_numbers, "catch numbers"},
      {&files.weights, weights_role},
      {&files.natural_mortality, "natural mortality"},
      {&files.maturity, "proportion mature"},
      {&files.fleets, "tuning fleets"},
      {&files.stock_weights, "stock weights of their own"}};
  std::vector<SourceUse> uses;
  for (const auto& [path, role] : roles) {
    if (!path->empty()) uses.push_back({*path, true, role});
  }
  // The file used for a data type, when one is.
  const auto used_for = [&](int type) -> const std::string* {
    switch (static_cast<DataType>(type)) {
      case DataType::CatchNumbers:
        return &files.catch_numbers;
      case DataType::CatchWeights:
        return &files.weights;
      case DataType::StockWeights:
        return files.stock_weights.empty() ? &files.weights : &files.stock_weights;
      case DataType::NaturalMortality:
        return &files.natural_mortality;
      case DataType::Maturity:
        return &files.maturity;
      default:
        return nullptr;
    }
  };
  for (const Candidate& c : all) {
    const auto used = std::find_if(uses.begin(), uses.end(),
                                   [&](const SourceUse& u) { return same_file(u.path, c.path); });
    if (used != uses.end()) continue;
    std::string why;
    if (c.kind.kind == FileKind::Other) {
      why = "not a table or a tuning-fleet file (line 2 names no data type)";
    } else if (c.kind.kind == FileKind::Fleets) {
      why = "also tuning fleets; " + file_name(files.fleets) + " is used";
    } else if (c.kind.type == static_cast<int>(DataType::Landings)) {
      why = "landings; the catch numbers of " + file_name(files.catch_numbers) + " are used";
    } else if (const std::string* other = used_for(c.kind.type)) {
      const std::string type = data_type_name(c.kind.type);
      const std::string taken = other == &files.weights ? weights_role : type;
      why = (type == taken ? "also " + type : type) + "; the " + taken + " of " +
            file_name(*other) + " are used";
    } else {
      why = data_type_name(c.kind.type) + ", which a run does not read";
    }
    uses.push_back({c.path, false, why});
  }
  return uses;
}

}  // namespace

ImportRequest parse_import_command(int argc, const char* const* argv) {
  ImportRequest r;
  bool plus = false, no_plus = false;
  CommandLine line(argc, argv);
  while (line.next()) {
    const std::string a(line.arg());
    const auto value = [&line] { return std::string(line.value()); };
    if (a == "--help" || a == "-h")
      r.help = true;
    else if (a == "--version")
      r.version = true;
    else if (a == "--out")
      r.out_dir = value();
    else if (a == "--catch")
      r.named.catch_numbers = value();
    else if (a == "--weights")
      r.named.weights = value();
    else if (a == "--stock-weights") {
      r.named.weights = value();
      r.named.weights_are_stock = true;
    } else if (a == "--natmort")
      r.named.natural_mortality = value();
    else if (a == "--maturity")
      r.named.maturity = value();
    else if (a == "--fleets")
      r.named.fleets = value();
    else if (a == "--use-stock-weights")
      r.use_stock_weights = true;
    else if (a == "--separate-stock-weights")
      r.separate_stock_weights = true;
    else if (a == "--plus-age")
      r.choices.plus_age = whole_number(a, value());
    else if (a == "--plus")
      plus = true;
    else if (a == "--no-plus")
      no_plus = true;
    else if (a == "--extended-year")
      r.choices.extended_year = true;
    else if (a == "--select-fleets")
      r.choices.select_fleets = fleet_numbers(value());
    else if (a == "--units-numbers")
      r.choices.units_numbers = unit_text(a, value());
    else if (a == "--units-weight")
      r.choices.units_weight = unit_text(a, value());
    else if (!a.empty() && a[0] == '-')
      throw UsageError(std::string(line.whole()) + ": unknown option");
    else if (r.source.empty())
      r.source = a;
    else
      throw UsageError(a + ": only one index file or folder can be read");
  }
  if (r.help || r.version) return r;
  if (plus && no_plus) throw UsageError("--plus and --no-plus contradict each other");
  if (no_plus && r.choices.plus_age) {
    throw UsageError("--plus-age makes the last age a plus group; it cannot go with --no-plus");
  }
  if (plus || no_plus) r.choices.plus_group = plus;
  if (r.separate_stock_weights && r.use_stock_weights) {
    throw UsageError("--use-stock-weights and --separate-stock-weights contradict each other");
  }
  if (r.separate_stock_weights && r.named.weights_are_stock) {
    // The file --stock-weights names is then the stock's own table, beside the catch weights.
    r.named.stock_weights = r.named.weights;
    r.named.weights.clear();
    r.named.weights_are_stock = false;
  }
  if (r.out_dir.empty()) throw UsageError("--out DIR is missing: the folder to write into");
  return r;
}

StockFiles find_stock_files(const ImportRequest& r, std::vector<std::string>& notes,
                            std::vector<SourceUse>* uses) {
  StockFiles files = r.named;
  const fs::path folder = source_folder(r.source);
  for (std::string* named : {&files.catch_numbers, &files.weights, &files.natural_mortality,
                             &files.maturity, &files.fleets, &files.stock_weights}) {
    look_in_source(*named, folder);
  }
  std::vector<Candidate> all;
  if (!r.source.empty()) {
    if (fs::is_directory(r.source))
      all = folder_files(r.source);
    else if (fs::is_regular_file(r.source))
      all = listed_files(r.source, notes);
    else
      throw UsageError(r.source + ": there is no such index file or folder");
  }
  const std::string from = r.source.empty() ? "the command line" : r.source;
  const auto fill = [&](std::string& path, DataType type, const char* option) {
    if (!path.empty()) return;
    if (const auto found = table_of(all, type, from, option)) {
      path = *found;
      return;
    }
    throw UsageError("no file of " + data_type_name(static_cast<int>(type)) + " (data type " +
                     std::to_string(static_cast<int>(type)) + ") in " + from + "; name it with " +
                     option);
  };
  fill(files.catch_numbers, DataType::CatchNumbers, "--catch");
  if (files.weights.empty()) {
    files.weights_are_stock = r.use_stock_weights;
    fill(files.weights, r.use_stock_weights ? DataType::StockWeights : DataType::CatchWeights,
         r.use_stock_weights ? "--stock-weights" : "--weights");
  }
  if (r.separate_stock_weights)
    fill(files.stock_weights, DataType::StockWeights, "--stock-weights");
  fill(files.natural_mortality, DataType::NaturalMortality, "--natmort");
  fill(files.maturity, DataType::Maturity, "--maturity");
  if (files.fleets.empty()) {
    std::vector<const Candidate*> fleets;
    for (const Candidate& c : all) {
      if (c.kind.kind == FileKind::Fleets) fleets.push_back(&c);
    }
    if (fleets.size() > 1) {
      throw UsageError(from + ": " + names_of(fleets) +
                       " all hold tuning fleets; name one with --fleets");
    }
    if (fleets.empty())
      notes.push_back("no tuning-fleet file: the stock is imported without surveys");
    else
      files.fleets = fleets.front()->path;
  }
  if (uses) *uses = describe_uses(all, files);
  return files;
}

ImportResult run_import(const ImportRequest& request) {
  ImportResult r;
  const StockFiles files = find_stock_files(request, r.notes, &r.sources);
  r.stock = import_stock(files, request.choices);
  r.notes.insert(r.notes.end(), r.stock.warnings.begin(), r.stock.warnings.end());
  r.files = render_stock(r.stock);
  write_files(r.files, request.out_dir);
  return r;
}

}  // namespace quorvane::import
