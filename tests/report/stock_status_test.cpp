#include "report/stock_status.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The last year's SSB and F-bar over each point stated, in the order MSY, precautionary, limit;
// nothing without a point; a point of 0 is left out rather than divided by.
TEST(StockStatusLine, LastYearOverEachPointStated) {
  ResultsRecord fit;
  fit.fbar_ages = "4-6";
  fit.years.resize(2);
  fit.years[0].year = 2013;
  fit.years[1].year = 2014;
  fit.years[1].ssb = 612345.6;
  fit.years[1].fbar = 0.2;
  ReferencePoints ref;
  EXPECT_EQ(stock_status_line(fit, ref), "");

  ref.bpa = 400000;
  ref.blim = 300000;
  ref.msy_btrigger = 500000;
  ref.fmsy = 0.3;
  ref.flim = 0;
  EXPECT_EQ(stock_status_line(fit, ref),
            "Status in 2014: SSB 612346 = 1.22 x MSY Btrigger, 1.53 x Bpa, 2.04 x Blim; "
            "F-bar 4-6 0.2 = 0.67 x Fmsy");

  ref = {};
  ref.fpa = 0.4;
  fit.years[1].ssb = 12.3456;
  EXPECT_EQ(stock_status_line(fit, ref), "Status in 2014: SSB 12.35; F-bar 4-6 0.2 = 0.50 x Fpa");
  EXPECT_EQ(stock_status_line(ResultsRecord{}, ref), "");
}

}  // namespace
}  // namespace quorvane
