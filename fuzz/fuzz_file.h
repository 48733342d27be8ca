// The readers take file names, as a user gives them: each input of a fuzz target is written to a
// file of its own in a directory of this process, and read back from there.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace quorvane::fuzzing {

class FuzzFile {
 public:
  explicit FuzzFile(const std::string& name) {
    dir_ = std::filesystem::temp_directory_path() /
           ("quorvane-fuzz-" + std::to_string(static_cast<long>(getpid())));
    std::filesystem::create_directories(dir_);
    name_ = name;
  }
  ~FuzzFile() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  FuzzFile(const FuzzFile&) = delete;
  FuzzFile& operator=(const FuzzFile&) = delete;

  // Replaces the file's contents with `size` bytes of `data`.
  void write(const std::uint8_t* data, std::size_t size) const {
    std::FILE* f = std::fopen(path().c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }

  std::string dir() const { return dir_.string(); }
  const std::string& name() const { return name_; }
  std::string path() const { return (dir_ / name_).string(); }

 private:
  std::filesystem::path dir_;
  std::string name_;
};

}  // namespace quorvane::fuzzing
