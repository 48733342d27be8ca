#include "import/stock_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/errors.h"
#include "import/import_command.h"
#include "run/fields_file.h"
#include "tests/import/import_test_support.h"

namespace quorvane::import {
namespace {

using testing::AgeYearTable;
using testing::lowestoft_table;
using testing::read_age_year;
using testing::TempFolder;

constexpr double kTolerance = 1e-12;

// A stock of ages 1-4 and years 2000-2002, with three fleets: an aged survey whose ages run into
// the plus group, a biomass index, and a survey that has seen only 2003.
class SmallStock : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.catch_numbers = dir_.write("cn.dat", lowestoft_table(2, 2000, 2002, 1, 4, 1,
                                                                "100 50 20 10\n"
                                                                "80 40 0 0\n"
                                                                "90 60 30 10\n"));
    files_.weights = dir_.write("cw.dat", lowestoft_table(3, 2000, 2002, 1, 4, 1,
                                                          "0.1 0.5 1.0 2.0\n"
                                                          "0.1 0.5 1.2 2.4\n"
                                                          "0.2 0.6 1.0 3.0\n"));
    files_.natural_mortality =
        dir_.write("nm.dat", lowestoft_table(5, 2000, 2003, 1, 4, 3, "0.2\n"));
    files_.maturity = dir_.write("mo.dat", lowestoft_table(6, 2000, 2003, 1, 4, 2, "0 0.5 1 1\n"));
    files_.fleets = dir_.write("survey.dat",
                               "Tuning\n103\n"
                               "Survey A\n1999 2001\n1 1 0.5 0.7\n2 4\n"
                               "1 5 5 5\n"
                               "2 10 4 2 7\n"
                               "2 0 NA 3\n"
                               "Biomass\n2000 2002\n1 1 0.2 0.4\n-1 -1\n"
                               "1 500\n1 -1\n2 300\n"
                               "Late\n2003 2003\n1 1 0 1\n1 2\n"
                               "1 9 9\n");
  }

  ImportedStock plus3(bool extended = false) {
    return import_stock(files_, {.plus_age = 3, .extended_year = extended});
  }

  static bool has_warning(const ImportedStock& s, const std::string& part) {
    return std::any_of(s.warnings.begin(), s.warnings.end(),
                       [&](const std::string& w) { return w.find(part) != std::string::npos; });
  }

  std::string import_error(const ImportChoices& choices = {}) {
    return testing::error_of<std::exception>([&] { import_stock(files_, choices); });
  }

  // Writes the stock's files into out_ and reads back its fields file.
  FieldTexts written_fields(const ImportedStock& s) {
    std::filesystem::remove_all(out_.path());
    write_files(render_stock(s), out_.path());
    FieldTexts texts{};
    read_fields_file(out_.file("fields.txt"), texts);
    return texts;
  }

  TempFolder dir_, out_;
  StockFiles files_;
};

// Ages 3 and 4 fold into 3+:
//   2000: C = 20 + 10 = 30; W = (20*1.0 + 10*2.0) / 30 = 1.3333333333
//   2001: no catch at 3 or 4: W = plain mean (1.2 + 2.4) / 2 = 1.8
//   2002: C = 30 + 10 = 40; W = (30*1.0 + 10*3.0) / 40 = 1.5
TEST_F(SmallStock, FoldsOlderAgesIntoThePlusGroupWithCatchWeightedMeans) {
  const ImportedStock s = plus3();
  EXPECT_EQ(s.last_age, 3);
  EXPECT_TRUE(s.plus_group);
  EXPECT_EQ(s.catch_numbers.cells[0][2].value, 30.0);
  EXPECT_EQ(s.catch_numbers.cells[1][2].value, 0.0);
  EXPECT_EQ(s.catch_numbers.cells[2][2].value, 40.0);
  EXPECT_NEAR(s.weights.cells[2][2].value, 1.5, kTolerance);  // 2000 and 2001 in w.txt below

  written_fields(s);
  const AgeYearTable w = read_age_year(out_.path() / "w.txt");
  EXPECT_EQ(w.header, (std::vector<double>{1, 3, 2000, 2002}));
  // Computed values carry 12 significant digits; values read are written as they were.
  EXPECT_NE(out_.text("w.txt").find(" 1.33333333333\n"), std::string::npos);
  EXPECT_EQ(w.rows.at(2001), (std::vector<double>{0.1, 0.5, 1.8}));
  const std::string c = out_.text("c.txt");
  EXPECT_NE(c.find("ages 3-4 folded into 3+ (catch numbers summed)"), std::string::npos) << c;
  EXPECT_NE(c.find("3+\n"), std::string::npos) << c;
}

TEST_F(SmallStock, WithoutAPlusAgeTheAgesAreKeptAndNoPlusMakesTheLastAgeOrdinary) {
  const ImportedStock plus = import_stock(files_, {});
  EXPECT_EQ(plus.last_age, 4);
  EXPECT_EQ(plus.weights.cells[0][3].value, 2.0);
  EXPECT_EQ(written_fields(plus)[FieldId::LastAgeKind], "1");

  const ImportedStock ordinary = import_stock(files_, {.plus_group = false});
  EXPECT_FALSE(ordinary.plus_group);
  EXPECT_EQ(written_fields(ordinary)[FieldId::LastAgeKind], "2");
  // The fleet's age 4 is the last age here, kept as it is: 2 / effort 2 in 2000.
  EXPECT_EQ(ordinary.aged_fleets[0].cells[0][3].value, 1.0);
}

// Survey A, ages 2-4 summed into 3+ from age 3 on, effort 2 in 2000 and 2001:
//   2000: age 2 = 10 / 2 = 5, 3+ = (4 + 2) / 2 = 3, the seventh value 7 is beyond the ages
//   2001: age 2 holds 0 (no observation), 3+ has a missing (NA) age 3: both -1
//   1999 lies before the catch years, 2002 after the fleet's: not used / -1
TEST_F(SmallStock, AgedFleetIndexIsCatchOverEffortWithMinusOneWhereNothingIsObserved) {
  const ImportedStock s = plus3();
  ASSERT_EQ(s.aged_fleets.size(), 1u);
  const ImportedFleet& f = s.aged_fleets[0];
  EXPECT_EQ(f.name, "Survey A");
  EXPECT_NEAR(f.time, 0.6, kTolerance);
  const std::vector<std::vector<double>> expected{{-1, 5, 3}, {-1, -1, -1}, {-1, -1, -1}};
  for (std::size_t y = 0; y < expected.size(); ++y) {
    for (std::size_t a = 0; a < 3; ++a) {
      EXPECT_EQ(f.cells[y][a].value, expected[y][a]) << "year " << 2000 + y << " age " << a + 1;
    }
  }
  EXPECT_TRUE(has_warning(s, "ages 4 are added into the 3+ group"));
  // Survey "Late" has seen only 2003: without the extended year it has nothing to give.
  EXPECT_TRUE(has_warning(s, "fleet 3 (Late) has no observation in 2000-2002 and is left out"));
}

// The biomass index: 500 / 1, nothing (-1), 300 / 2 = 150; period 0.2-0.4, time 0.3. With
// three ages the window of the generation-dependent factors is the middle age alone.
TEST_F(SmallStock, BiomassFleetBecomesARelativeSsbSurveyAndFieldsFitTheAges) {
  const ImportedStock s = plus3();
  ASSERT_EQ(s.ssb_surveys.size(), 1u);
  const FieldTexts fields = written_fields(s);
  // Four lines of text, then one value per catch year and no year column.
  EXPECT_NE(out_.text("SSB1.txt").find("\nvalues\n500\n-1\n150\n"), std::string::npos);
  EXPECT_EQ(fields[FieldId::SsbOn], "1");
  EXPECT_EQ(fields[FieldId::SsbCount], "1");
  EXPECT_EQ(fields[FieldId::Ssb1File], "SSB1.txt");
  EXPECT_EQ(fields[FieldId::SsbTime], "0.3");
  EXPECT_EQ(fields[FieldId::Ssb1Kind], "2");
  EXPECT_EQ(fields[FieldId::Triple], "1");
  EXPECT_EQ(fields[FieldId::TripleFirstAge], "2");
  EXPECT_EQ(fields[FieldId::TripleLastAge], "2");
  // The youngest age at least half mature in 2002 is 2 (maturity 0, 0.5, 1).
  EXPECT_EQ(fields[FieldId::MassMaturityAge], "2");
}

// 2003 is seen by survey "Late": it joins (with zero catch, as the North Sea cod test shows);
// the weights file ends in 2002, so 2002's plus-group weight 1.5 is carried over, while M and
// maturity come from their files.
TEST_F(SmallStock, ExtendedYearAddsTheSurveyedYearWithZeroCatch) {
  const ImportedStock s = plus3(true);
  EXPECT_TRUE(s.extended_year);
  EXPECT_EQ(s.last_year, 2003);
  EXPECT_NEAR(s.weights.cells[3][2].value, 1.5, kTolerance);
  EXPECT_NEAR(s.natural_mortality.cells[3][2].value, 0.2, kTolerance);
  ASSERT_EQ(s.aged_fleets.size(), 2u);
  EXPECT_EQ(s.aged_fleets[1].name, "Late");
  EXPECT_EQ(s.aged_fleets[1].cells[3][0].value, 9.0);
  EXPECT_EQ(s.aged_fleets[0].cells[3][1].value, -1.0);
  EXPECT_EQ(s.ssb_surveys[0].ssb_values.size(), 4u);

  const FieldTexts fields = written_fields(s);
  EXPECT_EQ(fields[FieldId::LastYear], "2003");
  EXPECT_EQ(fields[FieldId::FirstPeriodEnd], "2003");
  EXPECT_EQ(fields[FieldId::FleetCount], "2");

  // Without survey data in 2003 nothing is added.
  files_.fleets = dir_.write("survey.dat", "t\n101\nA\n2000 2002\n1 1 0 1\n1 1\n1 1\n1 2\n1 3\n");
  const ImportedStock without = plus3(true);
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
  dir_.write("mo.dat", lowestoft_table(6, 2000, 2003, 1, 4, 1,
                                       "0 0.5 1 1\n0 0.5 1 1\n0 O.5 1 1\n0 0.5 1 1\n"));
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
