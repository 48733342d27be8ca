// The real North Sea cod files, imported with a 6+ group, against the tables that were
// converted from the same assessment independently (../shared/data/ns_cod/, see its README:
// catch, weights, M and surveys come from the same Lowestoft files, the maturity of ages 1-5 was
// smoothed there, its plus group was not), and run through the batch runner.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <string>

#include "import/import_command.h"
#include "run/fields_file.h"
#include "tests/import/import_test_support.h"

namespace quorvane::import {
namespace {

namespace fs = std::filesystem;
using testing::AgeYearTable;
using testing::read_age_year;
using testing::slurp;
using testing::TempFolder;

// The shared tables round computed plus-group values to 12 significant digits, and so does the
// importer: two roundings apart at most 1e-11 relative; 1e-9 leaves room and still catches a
// wrong weighting (which changes the plus group by percent).
constexpr double kRelative = 1e-9;

const fs::path kLowestoft = fs::path(QUORVANE_SHARED_DATA_DIR) / "lowestoft" / "ns_cod";
const fs::path kConverted = fs::path(QUORVANE_SHARED_DATA_DIR) / "ns_cod";

class NsCod : public ::testing::Test {
 protected:
  void SetUp() override { fs::copy(kLowestoft, dir_.path() / "lowestoft"); }

  ImportResult import(bool extended) {
    return run_import({.source = dir_.file("lowestoft"),
                       .choices = {.plus_age = 6, .extended_year = extended},
                       .out_dir = out().string()});
  }

  fs::path out() const { return dir_.path() / "stock"; }

  // Runs the batch runner on the imported stock with its written settings; returns the total
  // loss from its summary, NaN when the run failed.
  double run_batch() {
    const auto run = quorvane::testing::run_batch(out(), "--fields fields.txt");
    EXPECT_EQ(run.exit_code, 0) << run.describe();
    std::smatch m;
    return std::regex_search(run.out, m, std::regex("SSEALL: ([-0-9.eE+]+)")) ? std::stod(m[1])
                                                                              : std::nan("");
  }

  static void expect_same_table(const fs::path& got, const fs::path& want, int columns) {
    const AgeYearTable a = read_age_year(got);
    const AgeYearTable b = read_age_year(want);
    EXPECT_EQ(a.header, b.header) << got;
    ASSERT_EQ(a.rows.size(), b.rows.size()) << got;
    for (const auto& [year, row] : b.rows) {
      const std::vector<double>& mine = a.rows.at(year);
      ASSERT_EQ(mine.size(), row.size()) << got << " " << year;
      for (std::size_t i = row.size() - static_cast<std::size_t>(columns); i < row.size(); ++i) {
        EXPECT_LE(std::fabs(mine[i] - row[i]), kRelative * std::fabs(row[i]))
            << got.filename() << " " << year << " column " << i + 1 << ": " << mine[i] << " vs "
            << row[i];
      }
    }
  }

  TempFolder dir_;
};

TEST_F(NsCod, PlusAgeSixReproducesTheConvertedTables) {
  import(false);
  for (const char* table : {"c.txt", "w.txt", "mm.txt", "fleet1.txt", "fleet2.txt"}) {
    expect_same_table(out() / table, kConverted / table, 6);
  }
  // Only the plus group of maturity is comparable: the younger ages were smoothed there.
  expect_same_table(out() / "mat.txt", kConverted / "mat.txt", 1);

  // Worked examples of the converted tables' README: 1963 6+ is the sum of ages 6-15.
  EXPECT_NE(slurp(out() / "c.txt").find(" 1795.8880769\n"), std::string::npos);

  FieldTexts fields{};
  read_fields_file((out() / "fields.txt").string(), fields);
  FieldTexts suggested{};
  read_fields_file((kConverted / "fields.txt").string(), suggested);
  // The suggested settings of the converted data set, where they describe the data rather than
  // a choice of analysis (names there are relative to shared/data). Both analyse 1983-2015: the
  // catch runs from 1963, the surveys from 1983.
  for (FieldId id :
       {FieldId::MOption, FieldId::FirstYear, FieldId::FirstAge, FieldId::LastAge,
        FieldId::LastAgeKind, FieldId::SsbOn, FieldId::SsbCount, FieldId::FleetsOn,
        FieldId::FleetCount, FieldId::Fleet3File, FieldId::Fleet4File, FieldId::Fleet5File,
        FieldId::Fleet6File, FieldId::Fleet7File, FieldId::Fleet1Time, FieldId::Fleet2Time,
        FieldId::Triple, FieldId::TripleFirstAge, FieldId::TripleLastAge}) {
    EXPECT_EQ(fields[id], suggested[id]) << field(id).name;
  }
  EXPECT_EQ(fields[FieldId::Fleet1File], "fleet1.txt");
  EXPECT_EQ(slurp(out() / "fields.txt").back(), '\n');
  EXPECT_EQ(fields[FieldId::LastYear], "2015");

  // The imported stock, with its written settings and two fleets, runs to the end.
  EXPECT_TRUE(std::isfinite(run_batch()));
}

// The 2016 row of survey.dat (IBTS Q1): effort 1, then 878.7259 1107.1858 2015.7902 665.8811
// 369.4089 at ages 1-5 (and 137.2183, beyond the fleet's ages). The year joins with zero catch, and
// the fit reacts to those values.
TEST_F(NsCod, ExtendedYearAdds2016AndTheRunUsesItsSurveyValues) {
  const ImportResult r = import(true);
  EXPECT_EQ(r.stock.last_year, 2016);
  const AgeYearTable c = read_age_year(out() / "c.txt");
  EXPECT_EQ(c.header, (std::vector<double>{1, 6, 1963, 2016}));
  EXPECT_EQ(c.rows.at(2016), std::vector<double>(6, 0.0));
  const AgeYearTable q1 = read_age_year(out() / "fleet1.txt");
  EXPECT_EQ(q1.rows.at(2016),
            (std::vector<double>{878.7259, 1107.1858, 2015.7902, 665.8811, 369.4089, -1}));
  // The catch weights end in 2015 and are carried over; M and maturity have 2016.
  EXPECT_TRUE(std::any_of(r.notes.begin(), r.notes.end(), [](const std::string& n) {
    return n.find("cw.dat: has no values for 2016") != std::string::npos;
  }));

  const double loss = run_batch();
  ASSERT_TRUE(std::isfinite(loss));
  // Halve the 2016 survey values: a fit that uses them finds a different total loss.
  std::string text = slurp(out() / "fleet1.txt");
  const std::size_t last_row = text.rfind('\n', text.size() - 2) + 1;
  ASSERT_EQ(text.substr(last_row).find("2016"), text.substr(last_row).find_first_not_of(' '));
  text = text.substr(0, last_row) + "2016 439.36295 553.5929 1007.8951 332.94055 184.70445 -1\n";
  std::ofstream(out() / "fleet1.txt", std::ios::binary) << text;
  EXPECT_NE(loss, run_batch());
}

}  // namespace
}  // namespace quorvane::import
