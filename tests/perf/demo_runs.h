// Whole runs on the demo stock for the written-files test and the benchmarks: the cases of
// tests/data/reference/cases.txt, a host that draws nothing and answers the bootstrap question,
// and a run from a fresh run state in a working directory that holds a copy of demo/.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/host.h"
#include "run/fields_file.h"
#include "run/settings.h"
#include "run/start.h"
#include "state/run_state.h"

namespace quorvane::perf {

namespace fs = std::filesystem;

// One assessment: the fields that differ from the demo fields file, and the bootstrap runs
// (0: the bootstrap question is answered No).
struct DemoCase {
  std::string name;
  std::vector<std::string> fields;  // "TextN=value"
  long bootstrap_runs = 0;
};

// A case is named by its name in test names: its bytes would hold addresses that change.
inline void PrintTo(const DemoCase& c, std::ostream* os) { *os << c.name; }

inline fs::path source_dir() { return fs::path(QUORVANE_SOURCE_DIR); }
inline fs::path reference_dir() { return source_dir() / "tests" / "data" / "reference"; }

// The cases, one per line: a name, then "TextN=value" items and "boot=N"; "#" starts a comment.
inline std::vector<DemoCase> read_cases(const fs::path& path = reference_dir() / "cases.txt") {
  std::vector<DemoCase> cases;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream items(line);
    DemoCase c;
    if (!(items >> c.name)) continue;
    for (std::string item; items >> item;) {
      if (item.rfind("boot=", 0) == 0) {
        c.bootstrap_runs = std::stol(item.substr(5));
      } else {
        c.fields.push_back(item);
      }
    }
    cases.push_back(c);
  }
  return cases;
}

// Draws nothing, never stops, answers Yes with the case's runs when a bootstrap is wanted.
class QuietHost : public Host {
 public:
  explicit QuietHost(long bootstrap_runs = 0) : runs_(bootstrap_runs) {}
  BootstrapAnswer ask_bootstrap(bool /*terminated*/) override {
    BootstrapAnswer answer;
    if (runs_ > 0) {
      answer.answer = "1";
      answer.runs = std::to_string(runs_);
    }
    return answer;
  }
  UserRequest yield() override {
    ++yields;
    return UserRequest::None;
  }
  long yields = 0;

 private:
  long runs_;
};

// The field texts of a case: the defaults, the demo fields file, then the case's fields.
inline FieldTexts case_texts(const fs::path& workdir, const DemoCase& c) {
  FieldTexts texts = default_field_texts();
  read_fields_file((workdir / "demo" / "fields.txt").string(), texts);
  for (const std::string& f : c.fields) apply_field_line(texts, f, c.name);
  return texts;
}

// One whole run, from a fresh run state as after a program start.
inline RunOutcome run_case(const fs::path& workdir, const FieldTexts& texts, Host& host) {
  auto s = std::make_unique<RunState>();
  s->workdir = workdir.string();
  return run_start(*s, host, texts);
}

// Every file directly in `dir`, by name, with its bytes.
inline std::map<std::string, std::string> files_in(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files[entry.path().filename().string()] = bytes.str();
  }
  return files;
}

}  // namespace quorvane::perf
