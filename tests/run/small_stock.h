// A small stock for tests of whole runs: four ages (1 to 4) over six years (2001 to 2006), the
// catch computed forward from known numbers, year factors and a selection pattern, so that the
// estimation has a consistent data set to fit. The files are written into a fresh temporary
// directory in the age-by-year layout; the field texts point at them.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "run/settings.h"
#include "state/run_state.h"
#include "tests/support/files.h"

namespace quorvane::testing {

class SmallStock {
 public:
  static constexpr int kFirstAge = 1, kLastAge = 4, kFirstYear = 2001, kLastYear = 2006;
  static constexpr int kAges = kLastAge - kFirstAge + 1;
  static constexpr int kYears = kLastYear - kFirstYear + 1;

  SmallStock() : state_(std::make_unique<RunState>()) {
    write_files();
    state_->workdir = dir_.str();
    texts_ = default_field_texts();
    set(FieldId::CatchFile, "c.txt");
    set(FieldId::WeightFile, "w.txt");
    set(FieldId::MOption, "3");  // M known
    set(FieldId::MFile, "m.txt");
    set(FieldId::Method, "2");  // Method 2
    set(FieldId::CatchLoss, "2");  // SSE
    set(FieldId::FirstYear, "2001");
    set(FieldId::LastYear, "2006");
    set(FieldId::FirstPeriodEnd, "2006");
    set(FieldId::FirstAge, "1");
    set(FieldId::LastAge, "4");
    set(FieldId::LastAgeKind, "2");  // normal last age
    set(FieldId::Mode, "1");  // catch-controlled
    set(FieldId::Search, "1");  // scan
    set(FieldId::FScanLow, "0.5");
    set(FieldId::FScanHigh, "2");
    set(FieldId::FScanStep, "0.5");
    set(FieldId::ResultsFile, "output.out");
    set(FieldId::ShowProgress, "2");  // nothing drawn
    set(FieldId::MaturityFile, "mat.txt");
    set(FieldId::SsbOn, "2");   // no SSB survey
    set(FieldId::FleetsOn, "2");   // no aged fleet
    set(FieldId::Triple, "2");  // no generation factors
    set(FieldId::TripleFirstAge, "1");
    set(FieldId::TripleLastAge, "4");
  }
  void set(FieldId id, std::string text) { texts_[id] = std::move(text); }
  const FieldTexts& texts() const { return texts_; }
  RunState& state() { return *state_; }
  std::filesystem::path file(const std::string& name) const { return dir_ / name; }

 private:
  void write_table(const std::string& name, const std::vector<std::vector<double>>& by_year) {
    std::ofstream out(dir_ / name, std::ios::binary);
    out << kFirstAge << ' ' << kLastAge << ' ' << kFirstYear << ' ' << kLastYear << "\r\n";
    out << "small test stock\r\n\r\nyear ages\r\n";
    char buf[64];
    for (int y = 0; y < kYears; ++y) {
      out << (kFirstYear + y);
      for (double v : by_year[static_cast<std::size_t>(y)]) {
        std::snprintf(buf, sizeof buf, " %.6f", v);
        out << buf;
      }
      out << "\r\n";
    }
  }

  // The catch taken at the middle of the year removes the fraction f(y) s(a) of the fish
  // present then; the survivors go on to the next age, the oldest die out.
  void write_files() {
    const double m = 0.2, part = 0.5;
    const double f[kYears] = {0.9, 1.1, 1.3, 1.0, 0.8, 1.2};
    const double sel[kAges] = {0.1, 0.25, 0.35, 0.3};
    const double recruits[kYears] = {1000, 1200, 900, 1100, 1000, 950};
    const double first_year[kAges] = {1000, 700, 450, 300};
    const double weight[kAges] = {0.3, 0.6, 1.0, 1.5};
    const double mature[kAges] = {0.0, 0.3, 0.8, 1.0};
    std::vector<std::vector<double>> n(kYears, std::vector<double>(kAges));
    std::vector<std::vector<double>> c = n, w = n, mm = n, mat = n;
    for (int a = 0; a < kAges; ++a) n[0][static_cast<std::size_t>(a)] = first_year[a];
    for (int y = 0; y < kYears; ++y) {
      auto& ny = n[static_cast<std::size_t>(y)];
      ny[0] = recruits[y];
      for (int a = 0; a < kAges; ++a) {
        const auto ai = static_cast<std::size_t>(a);
        const double present = ny[ai] * std::exp(-m * part);
        c[static_cast<std::size_t>(y)][ai] = f[y] * sel[a] * present;
        w[static_cast<std::size_t>(y)][ai] = weight[a];
        mm[static_cast<std::size_t>(y)][ai] = m;
        mat[static_cast<std::size_t>(y)][ai] = mature[a];
        if (y + 1 < kYears && a + 1 < kAges)
          n[static_cast<std::size_t>(y) + 1][ai + 1] =
              (present - c[static_cast<std::size_t>(y)][ai]) * std::exp(-m * (1 - part));
      }
    }
    write_table("c.txt", c);
    write_table("w.txt", w);
    write_table("m.txt", mm);
    write_table("mat.txt", mat);
  }

  std::unique_ptr<RunState> state_;
  ScratchDir dir_;
  FieldTexts texts_{};
};

}  // namespace quorvane::testing
