// Reading a whole input file (a table, a survey file, a fields file) with the checks that keep a
// run from hanging or filling memory: the name must be a regular file (or a link to one), never a
// pipe, a device or a folder, and the file may hold at most kMaxInputBytes.
#pragma once

#include <cstddef>
#include <string>

namespace quorvane {

// Far above the largest table the model holds (29 ages by 60 years with long numbers and
// comments), far below what would strain memory.
inline constexpr std::size_t kMaxInputBytes = 16u << 20;

// What a file that is not a regular file is, from its stat mode: "a directory", "a pipe (FIFO)",
// "a device", ...
const char* file_kind(unsigned mode);

// The file's bytes. A name that is not a regular file, that cannot be opened or read, or a file
// longer than kMaxInputBytes raises InputError "PATH: reason"; `what` names the kind of file in
// the messages ("file", "fields file").
std::string read_input_file(const std::string& path, const char* what = "file");

}  // namespace quorvane
