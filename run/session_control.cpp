#include "run/session_control.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/drawing.h"
#include "base/errors.h"
#include "data/bootstrap_draws.h"
#include "model/progress_display.h"
#include "report/results_file.h"
#include "run/bootstrap.h"
#include "run/settings.h"
#include "state/indices.h"

namespace quorvane {
namespace {

// Labels of the fields of the bootstrap and restart windows, named in the message when a text
// is not a whole number.
constexpr std::string_view kBootAnswerLabel = "1-Yes; 2-No.  Option?:";
constexpr std::string_view kBootRunsLabel = "If Yes, input number of runs:";
constexpr std::string_view kRestartLabel = "1.Restart,   2.No (and stop).   Option?:";

// The catch perturbation is never wider than this, whatever the fit's standard error.
constexpr double kSigmaCap = 0.4;

// The closing message on the progress window while the results are written.
constexpr int kClosingX = 1000;
constexpr int kClosingY = 500;

// A question window's text read as an Integer: rounded to the nearest whole number, ties to even.
// A text that is not a whole 16-bit number is reported as the settings are, with the field's
// label, its text and the field's name.
std::int16_t integer_answer(std::string_view label, std::string_view name,
                            const std::string& text) {
  const std::optional<double> value = parse_number(text);
  const std::optional<std::int16_t> whole = value ? round_to_int16(*value) : std::nullopt;
  if (!whole) {
    throw SettingsError(std::string(label) + " '" + text + "' " +
                        (value ? "does not fit a 16-bit whole number" : "is not a number") + " (" +
                        std::string(name) + ")");
  }
  return *whole;
}

// GO of the bootstrap window. After a stop of the main run the bootstrap is refused whatever
// the answer: the run unwinds.
void bootstrap_go(RunState& s, Host& host, const BootstrapAnswer& answer) {
  s.boot = integer_answer(kBootAnswerLabel, "Textf21", answer.answer);
  s.boottot = integer_answer(kBootRunsLabel, "Textf22", answer.runs);
  if (s.zz == 1) s.userend = 1;
  host.show_progress();
}

// GO of the restart window.
void restart_go(RunState& s, Host& host, const std::string& answer) {
  s.contboot = integer_answer(kRestartLabel, "Textf31", answer);
  if (s.zz == 1 && holds(s.contboot, YesNo::No)) s.userend = 1;
  host.show_progress();
}

// 4.-5. The results file. A stop before the first evaluation has finished leaves cells that
// cannot be computed (no stock numbers yet); the fault then says why. A file cut off at the
// failing cell could be taken for results, so it is left empty, as after a failed input file.
void write_results(RunState& s, Host& host) {
  try {
    write_results_file(s, host);
  } catch (const ArithmeticFault& fault) {
    const std::string path = s.files.results.path();
    s.files.results.create(path);
    s.files.results.close();
    if (s.zz != 1 || s.evaluations > 0) throw;
    throw ArithmeticFault(std::string(fault.what()) +
                          " (the run was stopped before its first evaluation finished)");
  }
}

// 7.-8. What the bootstrap draws around: the observed catches and the spread of the fit.
void keep_for_bootstrap(RunState& s) {
  if (holds(s.boot, YesNo::Yes)) {
    for (int y = s.yearmin; y <= s.yearmax; ++y)
      for (int a = s.agemin; a <= s.agemax; ++a) s.Corig(a, y) = s.C(a, y);
  }
  if (s.sigma > kSigmaCap) s.sigma = kSigmaCap;
}

// 11. A stop inside a bootstrap run: restart it on newly drawn catches, or end the run.
void ask_restart(RunState& s, Host& host) {
  host.clear_progress();
  restart_go(s, host, host.ask_restart());
  if (holds(s.contboot, YesNo::No)) finalization(s, host);
  if (holds(s.contboot, YesNo::Yes)) {
    draw_catches(s);
    s.DELTA = s.PARAM / 4;
    s.DELTA1 = s.PARAM1 / 4;
    s.zz = 0;
  }
}

}  // namespace

void RESPRINT(RunState& s, Host& host) {
  // 1. Once the run is ending (a second STOP while it unwinds) there is nothing left to do.
  if (s.userend == 1) return;
  // 2. Bootstrap runs write no results; they go straight to 10.
  if (s.bootn == 0) {
    // 3. The closing message.
    host.clear_progress();
    draw_text(host, kClosingX, kClosingY, "The program is finishing its work");
    // 4.-5. The results file, written and closed.
    write_results(s, host);
    // 6. The bootstrap question.
    bootstrap_go(s, host, host.ask_bootstrap(s.zz == 1));
    // 7.-8. Corig and sigma for the draws.
    keep_for_bootstrap(s);
  }
  // 10. No bootstrap: the run ends here.
  if (holds(s.boot, YesNo::No)) finalization(s, host);
  // 11. The user stopped a bootstrap run.
  if (s.zz == 1 && holds(s.boot, YesNo::Yes) && s.bootn >= 1) ask_restart(s, host);
}

void finalization(RunState& s, Host& host) {
  s.zz = 0;
  s.boot = 0;
  s.bootn = 0;
  s.boottot = 0;
  s.contboot = 0;
  close_boot_files(s);
  s.files.results.close();
  s.files.minim.close();
  host.hide_progress();
  host.show_parameters();
}

namespace {

constexpr int kWorkingX = 8000;
constexpr int kWorkingY = 6400;
constexpr std::string_view kWorking = "working...";
constexpr std::string_view kWorkingErase = "              ";  // 14 blanks

}  // namespace

void draw_reading_begins(Host& host) { draw_text(host, kWorkingX, kWorkingY, kWorking); }
void draw_reading_ends(Host& host) { draw_text(host, kWorkingX, kWorkingY, kWorkingErase); }

UserRequest RunHost::yield() {
  const UserRequest request = ask_user();
  carry_out(request);
  return request;
}

void RunHost::carry_out(UserRequest request) {
  switch (request) {
    case UserRequest::Stop:
      s_.zz = 1;
      RESPRINT(s_, *this);
      break;
    case UserRequest::Quit:
      s_.userend = 1;
      close_boot_files(s_);
      s_.files.results.close();
      s_.files.minim.close();
      break;
    case UserRequest::None:
      break;
  }
}

}  // namespace quorvane
