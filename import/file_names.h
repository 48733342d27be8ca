// Small texts the importer puts into its messages and comments.
#pragma once

#include <filesystem>
#include <string>

namespace quorvane::import {

// The file name without its folders, as a scientist recognises the file.
inline std::string base_name(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// "1963" or "1963-2015".
inline std::string range_text(int first, int last) {
  return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

}  // namespace quorvane::import
