// quorvane-batch run as a separate program, as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class Batch : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base_ = fs::temp_directory_path() / ("quorvane_batch_" + std::string(info->name()));
    fs::remove_all(base_);
    dir_ = base_ / "work";
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(base_); }

  // Runs the program with `args` (already quoted where needed); returns its exit status.
  int run(const std::string& args) {
    const std::string command = std::string("'") + QUORVANE_BATCH_EXE + "' " + args + " >'" +
                                (base_ / "out").string() + "' 2>'" + (base_ / "err").string() + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string workdir() const { return "--workdir '" + dir_.string() + "' "; }
  static std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::string err() const { return slurp(base_ / "err"); }
  std::string out() const { return slurp(base_ / "out"); }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Exactly one line on standard error.
  void expect_one_line_error() const {
    const std::string e = err();
    ASSERT_FALSE(e.empty());
    EXPECT_EQ(e.find('\n'), e.size() - 1) << e;
  }

  fs::path base_, dir_;
};

TEST_F(Batch, RejectedFieldExitsTwoNamingItAndTouchesNoFile) {
  std::ofstream(dir_ / "output.out") << "kept";
  EXPECT_EQ(run(workdir() + "--set Text8=abc"), 2);
  expect_one_line_error();
  EXPECT_NE(err().find("Years for analysis.  First year: 'abc' is not a number (Text8)"),
            std::string::npos)
      << err();
  EXPECT_EQ(files(), std::vector<std::string>{"output.out"});
  EXPECT_EQ(slurp(dir_ / "output.out"), "kept");
}

TEST_F(Batch, MissingCatchFileExitsOneAndLeavesTheResultsFileEmpty) {
  EXPECT_EQ(run(workdir() + "--set Text1=nowhere/c.txt"), 1);
  expect_one_line_error();
  EXPECT_NE(err().find("nowhere/c.txt"), std::string::npos) << err();
  ASSERT_TRUE(fs::exists(dir_ / "output.out"));
  EXPECT_EQ(fs::file_size(dir_ / "output.out"), 0u);
  EXPECT_NE(out().find("output.out"), std::string::npos) << out();
}

// A fields file and --set apply in the order given; the later wins. The catch file is missing
// so that an accepted set of fields ends quickly, with exit 1.
TEST_F(Batch, FieldsFileAndSetApplyInOrder) {
  std::ofstream(base_ / "fields.txt") << "# a bad year\nText8=abc\nText1=missing.txt\n";
  const std::string fields = "--fields '" + (base_ / "fields.txt").string() + "' ";
  EXPECT_EQ(run(workdir() + fields + "--set Text8=1984"), 1) << err();
  EXPECT_EQ(run(workdir() + "--set Text8=1984 " + fields), 2) << err();
}

TEST_F(Batch, BadUsageExitsTwo) {
  EXPECT_EQ(run("--help"), 0);
  EXPECT_NE(out().find("--stop-at-call"), std::string::npos);
  for (const std::string& args : std::vector<std::string>{
           "--frobnicate", "--workdir '" + (base_ / "absent").string() + "'", "--set Text200=1",
           "--set Text8", "--bootstrap 0", "--bootstrap x", "--stop-at-call", "--restart-answer 3",
           "--fields '" + (base_ / "absent.txt").string() + "'"}) {
    EXPECT_EQ(run(workdir() + args), 2) << args;
    expect_one_line_error();
  }
  EXPECT_TRUE(files().empty());
}

}  // namespace
