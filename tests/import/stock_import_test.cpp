#include "import/stock_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/errors.h"
#include "import/import_command.h"
#include "run/fields_file.h"
#include "tests/import/import_test_support.h"
#include "tests/perf/demo_runs.h"

namespace quorvane::import {
namespace {

using testing::lowestoft_table;
using testing::TempFolder;

namespace fs = std::filesystem;

// A stock of ages 1-4 and years 2000-2002, with three fleets: an aged survey whose ages run into
// the plus group, a biomass index, and a survey that has seen only 2003.
const fs::path kSmall = fs::path(QUORVANE_SOURCE_DIR) / "tests/data/import_small";

class SmallStock : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path in = kSmall / "lowestoft";
    files_ = {.catch_numbers = in / "cn.dat",
              .weights = in / "cw.dat",
              .natural_mortality = in / "nm.dat",
              .maturity = in / "mo.dat",
              .fleets = in / "survey.dat"};
  }

  ImportedStock plus3() { return import_stock(files_, {.plus_age = 3}); }

  static bool has_warning(const ImportedStock& s, const std::string& part) {
    return std::any_of(s.warnings.begin(), s.warnings.end(),
                       [&](const std::string& w) { return w.find(part) != std::string::npos; });
  }

  std::string import_error(const ImportChoices& choices = {}) {
    return testing::error_of<std::exception>([&] { import_stock(files_, choices); });
  }

  TempFolder dir_, out_;
  StockFiles files_;
};

// The folders beside lowestoft/ hold what the importer writes with the choices they are named
// after, and notes.txt its warnings; the numbers were worked out by hand:
// plus3: ages 3 and 4 fold into 3+ (c.txt, w.txt):
//   2000: C = 20 + 10 = 30; W = (20*1.0 + 10*2.0) / 30 = 1.33333333333 (12 significant digits;
//         values read are written as they were)
//   2001: no catch at 3 or 4: W = plain mean (1.2 + 2.4) / 2 = 1.8
//   2002: C = 30 + 10 = 40; W = (30*1.0 + 10*3.0) / 40 = 1.5
// Survey A (fleet1.txt), ages 2-4 summed into 3+ from age 3 on, effort 2 in 2000 and 2001, time
// (0.5 + 0.7) / 2 = 0.6:
//   2000: age 2 = 10 / 2 = 5, 3+ = (4 + 2) / 2 = 3, the seventh value 7 is beyond the ages
//   2001: age 2 holds 0 (no observation), 3+ has a missing (NA) age 3: both -1
//   1999 lies before the catch years, 2002 after the fleet's: not used / -1
// The biomass index (SSB1.txt, a relative SSB survey): 500 / 1, nothing (-1), 300 / 2 = 150;
// period 0.2-0.4, time 0.3. With three ages the window of the generation-dependent factors is
// the middle age alone; the youngest age at least half mature in 2002 is 2 (maturity 0, 0.5, 1).
// Survey "Late" has seen only 2003: it is left out.
// plus3_extended: 2003 is seen by survey "Late": it joins with zero catch; the weights file ends
// in 2002, so 2002's plus-group weight 1.5 is carried over, while M and maturity come from their
// files; Survey A has no value there (-1), Late has 9 at age 1.
// no_plus: the ages are kept and the last age is an ordinary one (field 13 is 2); the fleet's
// age 4 is kept as it is: 2 / effort 2 = 1 in 2000, 3 / 2 = 1.5 in 2001. no_choice: the same
// ages, the last one a plus group (field 13 is 1).
TEST_F(SmallStock, WritesTheFilesWorkedOutByHand) {
  const std::pair<const char*, ImportChoices> cases[] = {
      {"plus3", {.plus_age = 3}},
      {"plus3_extended", {.plus_age = 3, .extended_year = true}},
      {"no_plus", {.plus_group = false}},
      {"no_choice", {}}};
  for (const auto& [name, choices] : cases) {
    const fs::path out = out_.path() / name;
    const ImportResult r = run_import(
        {.source = (kSmall / "lowestoft").string(), .choices = choices, .out_dir = out.string()});
    std::string notes;
    for (const std::string& n : r.notes) notes += n + "\n";
    quorvane::testing::write_text(out / "notes.txt", notes);
    auto written = perf::files_in(out);
    EXPECT_EQ(written.size(), perf::files_in(kSmall / name).size()) << name;
    for (const auto& [file, bytes] : perf::files_in(kSmall / name)) {
      std::string& mine = written[file];  // the source folder named as in the expected files
      for (std::size_t at; (at = mine.find(kSmall.string() + "/")) != std::string::npos;)
        mine.erase(at, kSmall.string().size() + 1);
      EXPECT_EQ(mine, bytes) << name << "/" << file;
    }
  }
}

// Stock weights of their own are folded into the plus group as the catch weights are, with the
// catch numbers as weights: 2000 (20*2 + 10*4) / 30 = 2.66666666667, 2001 the plain mean
// (2.2 + 4.4) / 2 = 3.3, 2002 (30*2 + 10*6) / 40 = 3; w.txt keeps the catch weights, and
// fields.txt names sw.txt as the stock weights. A stock weight table must cover the catch years.
TEST_F(SmallStock, StockWeightsOfTheirOwnBesideTheCatchWeights) {
  files_.stock_weights =
      dir_.write("sw.dat", lowestoft_table(4, 2000, 2002, 1, 4, 1,
                                           "0.2 1 2 4\n0.2 1 2.2 4.4\n0.4 1.2 2 6\n"));
  const ImportedStock s = plus3();
  ASSERT_EQ(s.stock_weights.file_name, "sw.txt");
  ASSERT_EQ(s.stock_weights.cells.size(), 3u);
  EXPECT_EQ(s.stock_weights.cells[0].back().value * 3, 8.0);
  EXPECT_TRUE(s.stock_weights.cells[0].back().computed);
  EXPECT_DOUBLE_EQ(s.stock_weights.cells[1].back().value, 3.3);
  EXPECT_DOUBLE_EQ(s.stock_weights.cells[2].back().value, 3.0);
  EXPECT_DOUBLE_EQ(s.weights.cells[2].back().value, 1.5);  // the catch weights, as without
  const std::vector<OutputFile> files = render_stock(s);
  const auto file = [&](const std::string& name) {
    const auto it = std::find_if(files.begin(), files.end(),
                                 [&](const OutputFile& f) { return f.name == name; });
    return it == files.end() ? std::string() : it->text;
  };
  EXPECT_NE(file("sw.txt").find(" 2.66666666667"), std::string::npos) << file("sw.txt");
  EXPECT_NE(file("fields.txt").find("\nstock_weight_file = sw.txt\n"), std::string::npos);
  EXPECT_EQ(plus3().units.stock_weight_file, "sw.txt");

  files_.stock_weights =
      dir_.write("sw.dat", lowestoft_table(4, 2000, 2001, 1, 4, 1, "1 1 1 1\n1 1 1 1\n"));
  EXPECT_NE(import_error({.plus_age = 3}).find("sw.dat"), std::string::npos);
}

// Without survey data in 2003 nothing is added.
TEST_F(SmallStock, ExtendedYearNeedsASurveyOfThatYear) {
  files_.fleets = dir_.write("survey.dat", "t\n101\nA\n2000 2002\n1 1 0 1\n1 1\n1 1\n1 2\n1 3\n");
  const ImportedStock without = import_stock(files_, {.plus_age = 3, .extended_year = true});
  EXPECT_FALSE(without.extended_year);
  EXPECT_EQ(without.last_year, 2002);
  EXPECT_TRUE(has_warning(without, "no fleet has an observation in 2003"));
}

TEST_F(SmallStock, TablesThatDoNotFitTheirRoleOrTheCatchYearsAreRejected) {
  files_.weights = files_.catch_numbers;
  const std::string role = import_error();
  EXPECT_NE(role.find("cn.dat: line 2: the file holds catch numbers (data type 2) but is given "
                      "as the catch weights (data type 3)"),
            std::string::npos)
      << role;

  SetUp();
  files_.natural_mortality =
      dir_.write("nm2.dat", lowestoft_table(5, 2001, 2003, 1, 4, 3, "0.2\n"));
  const std::string year = import_error();
  EXPECT_NE(year.find("nm2.dat: has no values for the year 2000"), std::string::npos) << year;

  SetUp();
  files_.maturity = dir_.write("mo2.dat", lowestoft_table(6, 2000, 2002, 1, 3, 2, "0 0.5 1\n"));
  EXPECT_NE(import_error().find("mo2.dat: has no values for the age 4"), std::string::npos);

  SetUp();
  EXPECT_NE(import_error({.plus_age = 7}).find("--plus-age 7 is outside the ages 1-4"),
            std::string::npos);
}

// Nine aged fleets, fleet k reporting the index k for age 1 in 2000.
TEST_F(SmallStock, MoreThanSevenFleetsAreCutToSevenOrChosen) {
  std::string text = "Many\n109\n";
  for (int k = 1; k <= 9; ++k)
    text += "F" + std::to_string(k) + "\n2000 2000\n1 1 0 0.5\n1 1\n1 " + std::to_string(k) + "\n";
  files_.fleets = dir_.write("many.dat", text);

  const ImportedStock first = plus3();
  ASSERT_EQ(first.aged_fleets.size(), 7u);
  EXPECT_EQ(first.aged_fleets[6].name, "F7");
  EXPECT_TRUE(has_warning(first, "not 8 (F8), 9 (F9) (choose with --select-fleets)"));

  ImportChoices chosen{.plus_age = 3, .select_fleets = {9, 2}};
  const ImportedStock picked = import_stock(files_, chosen);
  ASSERT_EQ(picked.aged_fleets.size(), 2u);
  EXPECT_EQ(picked.aged_fleets[0].cells[0][0].value, 9.0);
  EXPECT_EQ(picked.aged_fleets[0].file_name, "fleet1.txt");
  EXPECT_EQ(picked.aged_fleets[1].name, "F2");

  chosen.select_fleets = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_NE(import_error(chosen).find("8 aged fleets chosen; a run takes at most 7"),
            std::string::npos);
  chosen.select_fleets = {10};
  EXPECT_NE(import_error(chosen).find("has no fleet 10 (it holds 9)"), std::string::npos);
}

TEST_F(SmallStock, AMalformedFileStopsTheImportBeforeAnythingIsWritten) {
  files_.maturity = dir_.write(
      "mo.dat",
      lowestoft_table(6, 2000, 2003, 1, 4, 1, "0 0.5 1 1\n0 0.5 1 1\n0 O.5 1 1\n0 0.5 1 1\n"));
  ImportRequest request{.named = files_, .out_dir = dir_.file("out")};
  EXPECT_THROW(run_import(request), InputError);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("out")));
}

// Units come from the choices, else from words of the title lines; the fields file carries them
// as keys the batch runner and the window read back, and says which unit no file stated.
TEST_F(SmallStock, UnitsComeFromTheChoicesOrTheTitleLines) {
  EXPECT_EQ(numbers_unit_in_title("Cod; catch numbers at age ('000)"), "thousands");
  EXPECT_EQ(numbers_unit_in_title("Catch numbers in millions"), "millions");
  EXPECT_EQ(weight_unit_in_title("Stock weights in tonnes"), "t");
  EXPECT_EQ(weight_unit_in_title("Cod; Total Catch Weights updated 19 Apr 16"), "");

  write_files(render_stock(import_stock(files_, {.units_numbers = "thousands"})), out_.path());
  FieldTexts texts{};
  RunKeys keys;
  read_fields_file(out_.file("fields.txt"), texts,
                   [&keys](std::string_view name, std::string_view v, const std::string& where) {
                     return take_run_key(keys, name, v, where);
                   });
  EXPECT_EQ(keys.units_numbers, "thousands");
  EXPECT_FALSE(keys.units_weight);
  EXPECT_NE(out_.text("fields.txt").find("units_weight = ... (e.g. kg)"), std::string::npos);
}

TEST(ImportNumbers, ComputedValuesCarryTwelveSignificantDigitsReadValuesTheirOwn) {
  EXPECT_EQ(format_computed(10.239336232581123), "10.2393362326");
  EXPECT_EQ(format_computed(0.30000000000000004), "0.3");
  EXPECT_EQ(format_computed(0.000123456789012345), "0.000123456789012");
  EXPECT_EQ(format_computed(123456789012345.0), "123456789012000");
  EXPECT_EQ(format_computed(9.9999999999999), "10");
  EXPECT_EQ(format_read(19347.25522), "19347.25522");
  EXPECT_EQ(format_read(1e-5), "0.00001");
}

}  // namespace
}  // namespace quorvane::import
