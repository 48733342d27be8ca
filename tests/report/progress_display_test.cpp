#include "model/progress_display.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/recording_host.h"
#include "tests/support/small_block.h"

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

// Ages 3.. and years 1990.., the last year in the second period, Method 2, AMD.
std::unique_ptr<RunState> small_run(int ages, int years) {
  auto s = testing::small_block(ages, years, 3, 1990);
  s->yearmid = static_cast<std::int16_t>(years - 1);
  s->n21 = 2;
  s->n22 = 3;
  for (int a = s->agemin; a <= s->agemax; ++a) {
    s->s1[a] = 0.1 * a;
    s->s2[a] = 0.2 * a;
    s->M(a, 0) = 0.2;
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

// What a case expects at one place: the texts printed there in order; none means nothing.
struct Place {
  int x, y;
  std::vector<std::string> texts;
};

struct DisplayCase {
  const char* what;
  std::pair<int, int> ages_years;
  std::function<void(RunState&)> settle;
  std::vector<Place> places;
};

TEST(ProgressDisplay, DrawsEachValueAtItsPlaceInItsFormat) {
  // clang-format off
  const std::vector<DisplayCase> cases = {
      {"ages 3, 4; years 1990..1992; second period 1992 only", {2, 3},
       [](RunState& s) {
         s.SSEALL = 12.345678;  // "#####.####" -> 12.3457
         s.SSET = 0.12345678;   // "####.######" -> .123457
         s.SSEL1 = 99;          // not shown outside the direct search
         s.SSEL = 1.000004;     // "####.#####" -> 1 (1.000004 rounds to 1.00000)
         s.s1[2] = 0.12345678;  // "#.#######" -> .1234568
         s.s1[3] = 0.0;         // a zero factor is shown as 0
         s.f[3] = 0.333333333;  // "##.#######" -> .3333333
         s.METKA = 1000.123456789;
         s.bootn = 3;
       },
       // The loss at 6000 is not erased first. Age rows at 200 r + 400: age 3 at 600, age 4 at
       // 800, s2 = 0.2 * 2 = .4 at age 3. Year rows, the latest first: 1992 at 600, 1990 at 1000.
       {{2, 1, {"WAIT....."}}, {7300, 1, {"AMD="}}, {5000, 1, {"LF="}}, {6000, 1, {" 12.3457 "}},
        {8000, 1, {k16, " .123457 "}}, {9000, 1, {k16, " 1 "}},
        {1, 200, {"Age          s1(a)            s2(a)               M(a,yearmax)     "
                  "                                         Year        f(year)"}},
        {1, 600, {" 3 "}}, {500, 600, {k13, " .1234568 "}}, {1500, 600, {k13, " .4 "}},
        {2500, 600, {k13, " .2 "}}, {1, 800, {" 4 "}}, {500, 800, {k13, " 0 "}},
        {1, 1000, {}}, {200, 2400, {}},
        {5000, 600, {" 1992 "}}, {6000, 600, {k13, " .3333333 "}},
        {5000, 1000, {" 1990 "}}, {6000, 1000, {k13, " .01 "}}, {5000, 6000, {}},
        {2, 6400, {k15, " 1000.123456789 "}}, {4000, 6400, {"boot N:"}}, {5000, 6400, {" 3 "}}}},
      // Row 20 (200 * 20 + 400 = 4400) holds age 3 + 19 = 22; there is no row 21. Year row 1 is
      // 2029; row 25 (5400) is 2029 - 24 = 2005; there is no row 26.
      {"ages 3..27, years 1990..2029: the first 20 ages and the last 25 years", {25, 40}, nullptr,
       {{200, 2400, {"(first 20)"}}, {1, 4400, {" 22 "}}, {1, 4600, {}},
        {5000, 6000, {"(last 25)"}}, {5000, 600, {" 2029 "}}, {5000, 5400, {" 2005 "}},
        {5000, 5600, {}}}},
      {"exactly 20 ages and 25 years fit: no label", {20, 25}, nullptr,
       {{200, 2400, {}}, {5000, 6000, {}}, {5000, 5400, {" 1990 "}}}},
      {"one period, the direct search, a total loss of 0, a catch loss still unset", {2, 3},
       [](RunState& s) {
         s.yearmid = s.yearmax;
         s.SSEALL = 0.0;
         s.SSEL = -1.0;
         s.n21 = 4;  // the direct search shows its own catch loss copy
         s.SSET = 5.0;
         s.SSEL1 = 2.5;
         s.n22 = 7;  // no measure name
       },
       {{1500, 600, {k13}}, {1500, 800, {k13}}, {6000, 1, {" 0 "}}, {9000, 1, {k16}},
        {8000, 1, {k16, " 2.5 "}}, {7300, 1, {}}}},
  };
  // clang-format on
  for (const DisplayCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto s = small_run(c.ages_years.first, c.ages_years.second);
    if (c.settle) c.settle(*s);
    const Drawn d = draw(*s);
    for (const Place& p : c.places) EXPECT_EQ(at(d, p.x, p.y), p.texts) << p.x << "," << p.y;
  }
}

}  // namespace
}  // namespace quorvane
