// Files for tests: a scratch folder per test (optionally holding a copy of a stock's folder),
// reading and writing whole files, and quorvane-batch run as a separate program, as a user
// runs it.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace quorvane::testing {

namespace fs = std::filesystem;

inline std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_text(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// The lines of a text file, without their CR LF or LF ends.
inline std::vector<std::string> lines_of(const fs::path& path) {
  std::vector<std::string> lines;
  std::istringstream in(slurp(path));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Copies a folder (the demo, a shared stock, a folder of tests/data) and makes the copy
// writable: the shared data are read-only.
inline void copy_folder(const fs::path& from, const fs::path& to) {
  fs::create_directories(to.parent_path());
  fs::copy(from, to, fs::copy_options::recursive);
  for (const auto& entry : fs::recursive_directory_iterator(to))
    fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::add);
  fs::permissions(to, fs::perms::owner_all, fs::perm_options::add);
}

inline const fs::path kSourceDir = QUORVANE_SOURCE_DIR;
inline const fs::path kSharedData = QUORVANE_SHARED_DATA_DIR;

// A fresh folder named after the running test, so that tests may run at the same time; removed
// at the end when the test passed, kept for inspection when it failed.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag = "") {
    static std::atomic<int> made{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name)
      if (c == '/') c = '_';
    path_ =
        fs::temp_directory_path() / ("quorvane_" + name + "_" + std::to_string(::getpid()) + "_" +
                                     std::to_string(++made) + (tag.empty() ? "" : "_" + tag));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!::testing::Test::HasFailure()) fs::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string str() const { return path_.string(); }
  std::string text(const std::string& name) const { return slurp(path_ / name); }
  std::string write(const std::string& name, const std::string& text) const {
    write_text(path_ / name, text);
    return file(name);
  }

 private:
  fs::path path_;
};

inline std::string shell_quoted(const fs::path& p) { return "'" + p.string() + "'"; }

struct BatchRun {
  int exit_code = -1;  // -1 when the program did not exit normally (a crash)
  std::string out;     // standard output
  std::string err;     // standard error
  // For failure messages: how the run ended and what it said.
  std::string describe() const {
    return "exit " + std::to_string(exit_code) + "\nstdout:\n" + out + "\nstderr:\n" + err;
  }
};

// Runs the program `exe` in the folder `cwd` with `args` (quoted by the caller where needed).
inline BatchRun run_program(const std::string& exe, const fs::path& cwd, const std::string& args) {
  static std::atomic<int> runs{0};
  const fs::path base =
      fs::temp_directory_path() /
      ("quorvane_batch_" + std::to_string(::getpid()) + "_" + std::to_string(++runs));
  const std::string command = "cd " + shell_quoted(cwd) + " && " + shell_quoted(exe) + " " + args +
                              " >" + shell_quoted(base.string() + ".out") + " 2>" +
                              shell_quoted(base.string() + ".err");
  const int status = std::system(command.c_str());
  BatchRun run;
  run.exit_code = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  run.out = slurp(base.string() + ".out");
  run.err = slurp(base.string() + ".err");
  fs::remove(base.string() + ".out");
  fs::remove(base.string() + ".err");
  return run;
}

// Runs quorvane-batch in the folder `cwd` with `args`.
inline BatchRun run_batch(const fs::path& cwd, const std::string& args) {
  return run_program(QUORVANE_BATCH_EXE, cwd, args);
}

}  // namespace quorvane::testing
