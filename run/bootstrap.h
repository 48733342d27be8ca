// The bootstrap output files: after the main run and after every bootstrap run one line per
// file, numbered with bootn, holding the estimates of the pass just finished:
//   bootS1.out  s1(a)                                     columns 7, 17, 27, ...  "0.####"
//   bootS2.out  s2(a)          (two selectivity periods)  columns 7, 17, 27, ...  "0.####"
//   bootf.out   f(y)                                      columns 7, 22, 37, ...  "######0.###"
//   bootTSB.out TSB(y) = sum_a N(a,y) W(a,y)              columns 7, 22, 37, ...  "#######0.##"
//   bootNtrm.out N(a, yearmax)                            columns 7, 22, 37, ...  "#######0.##"
//   bootSSB.out SSB(y) = sum_a mat(a,y) W(a,y) N(a,y)     columns 7, 22, 37, ...  "#######0.##"
//   bootm.out   M(a, yearmax)  (M searched)               columns 7, 17, 27, ...  "#0.####"
// Each value is rounded to its pattern's decimals and written in the number style.
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "base/host.h"
#include "base/print.h"
#include "report/results_record.h"
#include "state/run_state.h"

namespace quorvane {

// The files in the order of OpenFiles::boot, which is also the order their lines are written.
enum class BootFile { S1, S2, F, TSB, Ntrm, SSB, M };

struct BootFileLayout {
  std::string_view name;
  std::string_view header;
  int column_step;  // the first value stands at column 7, the next ones this many columns apart
  std::string_view pattern;
};

inline constexpr std::array<BootFileLayout, 7> kBootFiles = {{
    {"bootS1.out", "bootN; S1(a) by ages", 10, "0.####"},
    {"bootS2.out", "bootN; S2(a) by ages", 10, "0.####"},
    {"bootf.out", "bootN; f(y) by years", 15, "######0.###"},
    {"bootTSB.out", "bootN; TSB(y) by years", 15, "#######0.##"},
    {"bootNtrm.out", "bootN; N(a) in terminal year by ages", 15, "#######0.##"},
    {"bootSSB.out", "bootN; SSB(y) by years", 15, "#######0.##"},
    {"bootm.out", "bootN; M(a,Y) by ages", 10, "#0.####"},
}};

// Whether the run writes this file: s2 only with a second selectivity period, M only when it is
// searched.
bool boot_file_wanted(const RunState& s, BootFile file);

// Creates the wanted files anew in the working directory, each with its header line.
void create_boot_files(RunState& s);

// Appends the line of the pass just finished (numbered bootn) to each wanted file, in the
// order of the files.
void append_boot_lines(RunState& s, Host& host);

// The lines of append_boot_lines without recording the run: what the tables summarise of it.
BootstrapRun write_boot_lines(RunState& s, Host& host);

// One line: bootn as a whole number, then the values at columns 7, 7 + step, 7 + 2 step, ...,
// each rounded to the pattern; the last value ends the line.
void write_boot_line(PrintTarget& out, int bootn, std::span<const double> values, int column_step,
                     std::string_view pattern);

// Closes the seven files (whichever are open).
void close_boot_files(RunState& s);

}  // namespace quorvane
