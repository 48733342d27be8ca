// The manual explains every field of the parameter window: each label of the field table must
// appear in it as the window shows it, so that a reader who searches for a label finds it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "run/settings.h"

namespace quorvane {
namespace {

std::string manual_text() {
  std::ifstream in(std::string(QUORVANE_SOURCE_DIR) + "/docs/manual.md", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Manual, NamesEveryFieldWithItsLabel) {
  const std::string manual = manual_text();
  ASSERT_FALSE(manual.empty()) << "docs/manual.md cannot be read";
  for (const Field& f : kFields) {
    const std::string number = numbered_name(f.id);
    EXPECT_NE(manual.find(std::string(f.label)), std::string::npos)
        << number << ": the label '" << f.label << "' is not in the manual";
    // The group heading too (its first line: the fleet grid's headings list their options
    // below it), so that a label such as "Step :" is found with its group.
    const std::string heading(f.heading.substr(0, f.heading.find('\n')));
    EXPECT_NE(manual.find(heading), std::string::npos)
        << number << ": the heading '" << heading << "' is not in the manual";
  }
}

}  // namespace
}  // namespace quorvane
