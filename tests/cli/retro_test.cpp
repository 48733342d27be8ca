// quorvane-batch --retro run as a separate program, against separate runs with the years lowered.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class Retro : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base_ = fs::temp_directory_path() / ("quorvane_retro_" + std::string(info->name()));
    fs::remove_all(base_);
    fs::create_directories(base_);
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(base_);
  }

  // A working directory holding a copy of the demo stock.
  fs::path demo_copy(const std::string& name) {
    const fs::path dir = base_ / name;
    fs::create_directories(dir);
    fs::copy(QUORVANE_SOURCE_DIR "/demo", dir / "demo", fs::copy_options::recursive);
    fs::permissions(dir / "demo", fs::perms::owner_all, fs::perm_options::add);
    return dir;
  }
  int run(const fs::path& dir, const std::string& args) {
    const std::string command = std::string("'") + QUORVANE_BATCH_EXE + "' --workdir '" +
                                dir.string() + "' " + args + " >'" + (base_ / "out").string() +
                                "' 2>'" + (base_ / "err").string() + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  static std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::string out() const { return slurp(base_ / "out"); }
  std::string err() const { return slurp(base_ / "err"); }

  fs::path base_;
};

// The demo's analysis ends in 2014 with one selectivity period, so peel k is the run with both
// Text9 and Text10 at 2014 - k.
TEST_F(Retro, PeelKWritesTheResultsFileOfARunWithTheYearsLowered) {
  const fs::path dir = demo_copy("retro");
  ASSERT_EQ(run(dir, "--retro 3"), 0) << err();
  EXPECT_EQ(err(), "");  // standard error is not a terminal: no progress line
  EXPECT_NE(out().find("Mohn's rho: SSB "), std::string::npos) << out();
  for (int k = 1; k <= 3; ++k) {
    const fs::path single = demo_copy("single" + std::to_string(k));
    const std::string year = std::to_string(2014 - k);
    ASSERT_EQ(run(single, "--set Text9=" + year + " --set Text10=" + year), 0) << err();
    const std::string peel = slurp(dir / "retro" / ("peel" + std::to_string(k)) / "output.out");
    EXPECT_FALSE(peel.empty());
    EXPECT_TRUE(peel == slurp(single / "output.out")) << "peel " << k;
  }

  // retro.csv: the full run as peel 0 and every peel, each to its own last year.
  std::istringstream retro(slurp(dir / "retro" / "retro.csv"));
  std::string line;
  std::getline(retro, line);
  EXPECT_EQ(line, "peel,year,ssb,f,mean_f,recruitment");
  std::map<int, std::string> last_year;
  while (std::getline(retro, line)) {
    const int peel = std::stoi(line.substr(0, line.find(',')));
    last_year[peel] = line.substr(line.find(',') + 1, 4);
  }
  EXPECT_EQ(last_year,
            (std::map<int, std::string>{{0, "2014"}, {1, "2013"}, {2, "2012"}, {3, "2011"}}));
  const std::string rho = slurp(dir / "retro" / "retro_rho.csv");
  EXPECT_EQ(rho.substr(0, rho.find('\n')), "quantity,rho,peels");
  EXPECT_NE(rho.find("\nssb,"), std::string::npos);
  EXPECT_NE(rho.find(",3\n"), std::string::npos);
}

// With the analysis starting in 2010, the fourth peel keeps a single year, too few cells for
// the central window of the catch loss: it is reported, and rho comes from the other three.
TEST_F(Retro, APeelTheDataCannotSupportIsReportedAndTheOthersStillCount) {
  const fs::path dir = demo_copy("short");
  ASSERT_EQ(run(dir, "--retro 4 --set Text8=2010 --no-tables"), 0) << err();
  EXPECT_NE(out().find("Peel 4: "), std::string::npos) << out();
  EXPECT_NE(out().find("(from 3 of 4 peels)"), std::string::npos) << out();
  EXPECT_TRUE(fs::exists(dir / "retro" / "peel3" / "output.out"));
  EXPECT_FALSE(fs::exists(dir / "retro" / "peel3" / "output.out.tables"));
  EXPECT_FALSE(fs::exists(dir / "output.out.tables"));
}

}  // namespace
