#include "app/parameter_layout.h"

namespace quorvane::app {

namespace {

constexpr LayoutCell F(int n) { return {false, n}; }
constexpr LayoutCell H(int n) { return {true, n}; }

}  // namespace

const std::vector<LayoutRow>& parameter_rows() {
  static const std::vector<LayoutRow> rows = {
      /* 1 */ {{}, {F(112)}},
      /* 2 */ {{F(1), F(2), F(37)}, {}},
      /* 3 */ {{F(3)}, {}},
      /* 4 */ {{F(4), F(5)}, {H(113)}},
      /* 5 */ {{F(6)}, {F(113)}},
      /* 6 */ {{F(7)}, {F(114)}},
      /* 7 */ {{F(8), F(9), F(10)}, {H(115), F(115)}},
      /* 8 */ {{F(11), F(12), F(13)}, {}},
      /* 9 */ {{F(14), F(15)}, {}},
      /* 10 */ {{F(16)}, {}},
      /* 11 */ {{H(17), F(17), F(18), F(19), H(20), F(20), F(21)}, {}},
      /* 12 */ {{H(22), F(22), F(23), F(24), H(25), F(25), F(26)}, {}},
      /* 13 */ {{H(27), F(27), F(28), F(29), H(30), F(30), F(31)}, {}},
      /* 14 */ {{F(32), F(33), F(34)}, {}},
      /* 15 */ {{F(35), F(36)}, {}},
      /* 16 */ {{F(38), F(39), H(40), F(40), F(41), F(42)}, {}},
      /* 17 */ {{F(43), H(44), F(44), F(45), F(46)}, {}},
      /* 18 */ {{F(47), F(48), H(109), F(109), F(110), F(111)}, {}},
      /* 19 */ {{}, {}},
      /* 20 */ {{H(98), F(98), F(99), F(100), F(101)}, {}},
      /* 21 */ {{F(102), F(103), F(104), F(105), F(106), F(107), F(108)}, {}},
  };
  return rows;
}

}  // namespace quorvane::app
