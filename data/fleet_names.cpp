#include "data/fleet_names.h"

#include <fstream>

#include "state/trim.h"

namespace quorvane {

std::string fleet_name_from_title(std::string_view title) {
  const std::size_t open = title.find('\'');
  if (open != std::string_view::npos) {
    const std::size_t close = title.find('\'', open + 1);
    if (close != std::string_view::npos && close > open + 1) {
      return std::string(
          trimmed(title.substr(open + 1, close - open - 1)).substr(0, kMostNameChars));
    }
  }
  return std::string(trimmed(trimmed(title.substr(0, title.find(','))).substr(0, kMostNameChars)));
}

std::string fleet_name_of_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!std::getline(in, line) || !std::getline(in, line)) return "";
  return fleet_name_from_title(line);
}

}  // namespace quorvane
