// Tables of test cases kept as text under tests/data: a case is a block of "key value" lines that
// begins with its "case NAME" line; lines that start with "#" are comments. A table is easier to
// read and extend than the same cases typed into code, and a driver names the failing case.
#pragma once

#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/files.h"

namespace quorvane::testing {

// A case's values by key; a key the case does not give reads as "" through operator[].
struct CaseRow : std::map<std::string, std::string> {};

// A failing case is named by its name alone, not by every value of its block.
inline void PrintTo(const CaseRow& c, std::ostream* os) { *os << c.at("case"); }

inline std::vector<CaseRow> read_case_table(const std::string& name) {
  std::vector<CaseRow> rows;
  std::istringstream table(slurp(kSourceDir / "tests/data" / name));
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string key, value;
    std::getline(words >> key >> std::ws, value);
    if (key == "case") rows.emplace_back();
    if (!rows.empty()) rows.back()[key] = value;
  }
  return rows;
}

// "\n", "\r", "\\" and "\xHH" in a value stand for the bytes they name: the text of a file.
inline std::string unescaped(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
    } else if (s[++i] == 'x') {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i] == 'n' ? '\n' : s[i] == 'r' ? '\r' : s[i];
    }
  }
  return out;
}

inline std::string case_name(const ::testing::TestParamInfo<CaseRow>& info) {
  return info.param.at("case");
}

}  // namespace quorvane::testing
