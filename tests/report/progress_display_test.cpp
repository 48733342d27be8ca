#include "report/progress_display.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/recording_host.h"

namespace quorvane {
namespace {

using quorvane::testing::RecordingHost;
using Drawn = std::map<std::pair<int, int>, std::vector<std::string>>;

// What was printed at each position, in drawing order.
Drawn drawn_at(const RecordingHost& host) {
  Drawn out;
  std::pair<int, int> at{-1, -1};
  for (const std::string& call : host.calls) {
    if (call.rfind("at ", 0) == 0) {
      const auto comma = call.find(',');
      at = {std::stoi(call.substr(3, comma - 3)), std::stoi(call.substr(comma + 1))};
    } else if (call.rfind("print [", 0) == 0) {
      out[at].push_back(call.substr(7, call.size() - 8));
    }
  }
  return out;
}

// kartinka on a window that draws.
Drawn draw(RunState& s) {
  RecordingHost host;
  kartinka(s, host);
  return drawn_at(host);
}

std::vector<std::string> at(const Drawn& d, int x, int y) {
  auto it = d.find({x, y});
  return it == d.end() ? std::vector<std::string>{} : it->second;
}

const std::string k13(13, ' ');
const std::string k15(15, ' ');
const std::string k16(16, ' ');

// Ages 3.. (firstage 3: index 2 is age 3), years 1990.. (firstyear 1990: index 1 is 1990).
std::unique_ptr<RunState> small_run(int ages, int years) {
  auto s = std::make_unique<RunState>();
  s->firstage = 3;
  s->firstyear = 1990;
  s->agemin = 2;
  s->agemax = static_cast<std::int16_t>(1 + ages);
  s->yearmin = 1;
  s->yearmax = static_cast<std::int16_t>(years);
  s->yearmid = static_cast<std::int16_t>(years - 1);
  s->n21 = 2;
  s->n22 = 3;
  for (int a = s->agemin; a <= s->agemax; ++a) {
    s->s1[a] = 0.1 * a;
    s->s2[a] = 0.2 * a;
    for (int y = 0; y <= s->yearmax; ++y) s->M(a, y) = 0.2;
  }
  for (int y = s->yearmin; y <= s->yearmax; ++y) s->f[y] = 0.01 * y;
  return s;
}

TEST(ProgressDisplay, DrawsNothingAndFormatsNothingWithoutAWindow) {
  auto s = small_run(3, 3);
  RecordingHost host(/*draw=*/false);
  kartinka(*s, host);
  draw_text(host, 2, 1, "WAIT.....");
  draw_real(host, 2, 1, 1.5);
  EXPECT_TRUE(host.calls.empty());
}

TEST(ProgressDisplay, DrawsTopLineListsAndBottomLineAtTheirPlaces) {
  auto s = small_run(2, 3);  // ages 3, 4; years 1990..1992; second period 1992 only
  s->SSEALL = 12.345678;     // "#####.####" -> 12.3457
  s->SSET = 0.12345678;      // "####.######" -> .123457
  s->SSEL1 = 99;             // not shown outside the direct search
  s->SSEL = 1.000004;        // "####.#####" -> 1 (1.000004 rounds to 1.00000)
  s->s1[2] = 0.12345678;     // "#.#######" -> .1234568
  s->s1[3] = 0.0;            // a zero factor is shown as 0
  s->f[3] = 0.333333333;     // "##.#######" -> .3333333
  s->METKA = 1000.123456789;
  s->bootn = 3;
  const Drawn d = draw(*s);

  EXPECT_EQ(at(d, 2, 1), std::vector<std::string>{"WAIT....."});
  EXPECT_EQ(at(d, 7300, 1), std::vector<std::string>{"AMD="});
  EXPECT_EQ(at(d, 5000, 1), std::vector<std::string>{"LF="});
  EXPECT_EQ(at(d, 6000, 1), std::vector<std::string>{" 12.3457 "});  // not erased first
  EXPECT_EQ(at(d, 8000, 1), (std::vector<std::string>{k16, " .123457 "}));
  EXPECT_EQ(at(d, 9000, 1), (std::vector<std::string>{k16, " 1 "}));

  EXPECT_EQ(at(d, 1, 200), std::vector<std::string>{
                               "Age          s1(a)            s2(a)               M(a,yearmax)     "
                               "                                         Year        f(year)"});

  // Age rows at 200 r + 400: age 3 at 600, age 4 at 800.
  EXPECT_EQ(at(d, 1, 600), std::vector<std::string>{" 3 "});
  EXPECT_EQ(at(d, 500, 600), (std::vector<std::string>{k13, " .1234568 "}));
  EXPECT_EQ(at(d, 1500, 600), (std::vector<std::string>{k13, " .4 "}));  // s2 = 0.2 * 2
  EXPECT_EQ(at(d, 2500, 600), (std::vector<std::string>{k13, " .2 "}));
  EXPECT_EQ(at(d, 1, 800), std::vector<std::string>{" 4 "});
  EXPECT_EQ(at(d, 500, 800), (std::vector<std::string>{k13, " 0 "}));
  EXPECT_TRUE(at(d, 1, 1000).empty());
  EXPECT_TRUE(at(d, 200, 2400).empty());

  // Year rows, the latest first: 1992 at 600, 1991 at 800, 1990 at 1000.
  EXPECT_EQ(at(d, 5000, 600), std::vector<std::string>{" 1992 "});
  EXPECT_EQ(at(d, 6000, 600), (std::vector<std::string>{k13, " .3333333 "}));
  EXPECT_EQ(at(d, 5000, 1000), std::vector<std::string>{" 1990 "});
  EXPECT_EQ(at(d, 6000, 1000), (std::vector<std::string>{k13, " .01 "}));
  EXPECT_TRUE(at(d, 5000, 6000).empty());

  EXPECT_EQ(at(d, 2, 6400), (std::vector<std::string>{k15, " 1000.123456789 "}));
  EXPECT_EQ(at(d, 4000, 6400), std::vector<std::string>{"boot N:"});
  EXPECT_EQ(at(d, 5000, 6400), std::vector<std::string>{" 3 "});
}

TEST(ProgressDisplay, LongBlocksShowTheFirstTwentyAgesAndTheLastTwentyFiveYears) {
  {
    auto s = small_run(25, 40);  // ages 3..27, years 1990..2029
    const Drawn d = draw(*s);
    EXPECT_EQ(at(d, 200, 2400), std::vector<std::string>{"(first 20)"});
    // Row 20 (200 * 20 + 400 = 4400) holds age 3 + 19 = 22; there is no row 21.
    EXPECT_EQ(at(d, 1, 4400), std::vector<std::string>{" 22 "});
    EXPECT_TRUE(at(d, 1, 4600).empty());
    EXPECT_EQ(at(d, 5000, 6000), std::vector<std::string>{"(last 25)"});
    // Row 1 is 2029; row 25 (5400) is 2029 - 24 = 2005; there is no row 26.
    EXPECT_EQ(at(d, 5000, 600), std::vector<std::string>{" 2029 "});
    EXPECT_EQ(at(d, 5000, 5400), std::vector<std::string>{" 2005 "});
    EXPECT_TRUE(at(d, 5000, 5600).empty());
  }
  {
    // Exactly 20 ages and 25 years fit: no label.
    auto s = small_run(20, 25);
    const Drawn d = draw(*s);
    EXPECT_TRUE(at(d, 200, 2400).empty());
    EXPECT_TRUE(at(d, 5000, 6000).empty());
    EXPECT_EQ(at(d, 5000, 5400), std::vector<std::string>{" 1990 "});
  }
}

// One selectivity period, the direct search, a total loss of 0 and a catch loss still unset.
TEST(ProgressDisplay, BlanksAndLossesFollowTheSettingsOfTheRun) {
  auto s = small_run(2, 3);
  s->yearmid = s->yearmax;
  s->SSEALL = 0.0;
  s->SSEL = -1.0;
  s->n21 = 4;  // the direct search shows its own catch loss copy
  s->SSET = 5.0;
  s->SSEL1 = 2.5;
  s->n22 = 7;  // no measure name
  const Drawn d = draw(*s);
  EXPECT_EQ(at(d, 1500, 600), std::vector<std::string>{k13});
  EXPECT_EQ(at(d, 1500, 800), std::vector<std::string>{k13});
  EXPECT_EQ(at(d, 6000, 1), std::vector<std::string>{" 0 "});
  EXPECT_EQ(at(d, 9000, 1), std::vector<std::string>{k16});
  EXPECT_EQ(at(d, 8000, 1), (std::vector<std::string>{k16, " 2.5 "}));
  EXPECT_TRUE(at(d, 7300, 1).empty());
}

}  // namespace
}  // namespace quorvane
