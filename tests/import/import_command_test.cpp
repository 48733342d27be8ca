#include "import/import_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/import/import_test_support.h"

namespace quorvane::import {
namespace {

using quorvane::testing::kSourceDir;
using testing::lowestoft_table;
using testing::TempFolder;

ImportRequest parse(std::vector<const char*> args) {
  return parse_import_command(static_cast<int>(args.size()), args.data());
}

std::string usage_error(std::vector<const char*> args) {
  return testing::error_of<UsageError>([&] { parse(args); });
}

// A folder as stocks are exchanged: landings and catch numbers are both numbers at age, and
// three files hold weights; the usual short names decide.
class StockFolder : public ::testing::Test {
 protected:
  // tests/data/import_folder: tables of one value, each of its data type, under the usual names,
  // a tuning-fleet file and a reference list.
  void SetUp() override {
    quorvane::testing::copy_folder(kSourceDir / "tests/data/import_folder", dir_.path());
  }

  ImportRequest request() const { return {.source = dir_.str(), .out_dir = dir_.file("out")}; }

  std::string name(const std::string& path) const {
    return std::filesystem::path(path).filename().string();
  }

  TempFolder dir_;
};

// A file named one by one wins over the folder's, and is looked for in the source folder when it
// is not in the current one; two files of one role without a name are refused.
TEST_F(StockFolder, FilesNamedOneByOneWinAndAmbiguityIsReported) {
  ImportRequest named = request();
  named.named.catch_numbers = dir_.file("lf.dat");
  std::vector<std::string> notes;
  EXPECT_EQ(name(find_stock_files(named, notes).catch_numbers), "lf.dat");
  named.named.catch_numbers = "lf.dat";
  EXPECT_EQ(find_stock_files(named, notes).catch_numbers, dir_.file("lf.dat"));
  named.named.catch_numbers = "absent.dat";
  EXPECT_EQ(find_stock_files(named, notes).catch_numbers, "absent.dat");  // the reader says so

  std::filesystem::rename(dir_.file("cn.dat"), dir_.file("catch.dat"));
  EXPECT_NE(testing::error_of<UsageError>([&] {
              find_stock_files(request(), notes);
            }).find("catch.dat, lf.dat all hold catch numbers; name one with --catch"),
            std::string::npos);
}

// Each role is found by its data type and the usual name; files of the folder that were not
// used are each named with the reason. Stock weights are taken when asked for.
TEST_F(StockFolder, SaysWhichFilesItUsedAndWhyItIgnoredTheOthers) {
  dir_.write("la.dat", lowestoft_table(1, 2000, 2000, 1, 1, 3, "1\n"));
  std::vector<std::string> notes;
  std::vector<SourceUse> uses;
  find_stock_files(request(), notes, &uses);
  std::string report;
  for (const SourceUse& u : uses)
    report += (u.used ? "used " : "ignored ") + name(u.path) + ": " + u.why + "\n";
  EXPECT_EQ(report,
            "used cn.dat: catch numbers\n"
            "used cw.dat: catch weights\n"
            "used nm.dat: natural mortality\n"
            "used mo_raw.dat: proportion mature\n"
            "used survey.dat: tuning fleets\n"
            "ignored DATA.bib: not a table or a tuning-fleet file (line 2 names no data type)\n"
            "ignored la.dat: landings; the catch numbers of cn.dat are used\n"
            "ignored lf.dat: also catch numbers; the catch numbers of cn.dat are used\n"
            "ignored lw.dat: also catch weights; the catch weights of cw.dat are used\n"
            "ignored pf.dat: proportion of F before spawning, which a run does not read\n"
            "ignored sw.dat: stock weights; the catch weights of cw.dat are used\n");

  ImportRequest stock = request();
  stock.use_stock_weights = true;
  const StockFiles with_stock = find_stock_files(stock, notes);
  EXPECT_EQ(name(with_stock.weights), "sw.dat");
  EXPECT_TRUE(with_stock.weights_are_stock);

  // Both: the catch weights weigh the catch, the stock weights the stock.
  ImportRequest both = request();
  both.separate_stock_weights = true;
  find_stock_files(both, notes, &uses);
  EXPECT_EQ(name(uses[1].path) + " " + uses[1].why, "cw.dat catch weights");
  EXPECT_EQ(name(uses[5].path) + " " + uses[5].why, "sw.dat stock weights of their own");
}

TEST_F(StockFolder, AnIndexFileListsTheFilesBesideIt) {
  const std::string index = dir_.write(
      "index.dat", "Stock index\r\n1\r\ncn.dat\r\ncw.dat\r\nnm.dat\r\nmo_raw.dat\r\ngone.dat\r\n");
  ImportRequest r = request();
  r.source = index;
  std::vector<std::string> notes;
  const StockFiles files = find_stock_files(r, notes);
  EXPECT_EQ(name(files.catch_numbers), "cn.dat");
  EXPECT_EQ(name(files.maturity), "mo_raw.dat");
  EXPECT_TRUE(files.fleets.empty());
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0], index + ": lists gone.dat, which is not there");
  EXPECT_NE(notes[1].find("no tuning-fleet file"), std::string::npos);
}

TEST(ImportCommand, ReadsItsOptionsAndRefusesContradictions) {
  // A value is given after the option or attached to it with "=", as in the other programs.
  const ImportRequest r = parse({"lowestoft/", "--out=o", "--plus-age", "6", "--extended-year",
                                 "--select-fleets", "2,1", "--stock-weights", "sw.dat"});
  EXPECT_EQ(r.source, "lowestoft/");
  EXPECT_EQ(r.out_dir, "o");
  EXPECT_EQ(r.choices.plus_age, 6);
  EXPECT_TRUE(r.choices.extended_year);
  EXPECT_EQ(r.choices.select_fleets, (std::vector<int>{2, 1}));
  EXPECT_EQ(r.named.weights, "sw.dat");
  EXPECT_TRUE(r.named.weights_are_stock);
  EXPECT_EQ(parse({"--out", "o", "--no-plus"}).choices.plus_group, false);
  // With --separate-stock-weights, --stock-weights names the stock's own table beside the catch
  // weights.
  const ImportRequest both =
      parse({"--out", "o", "--stock-weights", "sw.dat", "--separate-stock-weights"});
  EXPECT_EQ(both.named.stock_weights, "sw.dat");
  EXPECT_EQ(both.named.weights, "");
  EXPECT_FALSE(both.named.weights_are_stock);
  EXPECT_EQ(usage_error({"--out", "o", "--use-stock-weights", "--separate-stock-weights"}),
            "--use-stock-weights and --separate-stock-weights contradict each other");

  EXPECT_EQ(usage_error({"x"}), "--out DIR is missing: the folder to write into");
  EXPECT_EQ(usage_error({"--out", "o", "--plus", "--no-plus"}),
            "--plus and --no-plus contradict each other");
  EXPECT_EQ(usage_error({"--out", "o", "--plus-age", "6+"}),
            "--plus-age: '6+' is not a whole number");
  EXPECT_EQ(usage_error({"--out", "o", "--frobnicate"}), "--frobnicate: unknown option");
  EXPECT_EQ(usage_error({"--out"}), "--out needs a value");
  EXPECT_EQ(usage_error({"--out", "o", "--units=kg"}), "--units=kg: unknown option");
  EXPECT_TRUE(parse({"--help"}).help);
}

}  // namespace
}  // namespace quorvane::import
