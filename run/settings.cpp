#include "run/settings.h"

#include <cmath>
#include <cstddef>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "base/errors.h"
#include "state/indices.h"

namespace quorvane {

namespace {

using W = StoredWhen;

// Whether START stores the field, judged on the settings read before it. The count tests use
// ">="; for the last slot (survey 3, fleet 7) that is the same as a test for equality, since a
// count above the last slot is rejected.
bool stored(const Field& f, const RunState& t) {
  const bool scan = holds(t.scansearch, Search::Scan);
  const bool precise = holds(t.scansearch, Search::Precise);
  const bool constant_m = holds(t.n1, MOption::Constant);
  const bool alfa = holds(t.n1, MOption::ByAge);
  const bool ssb_on = holds(t.indssb, YesNo::Yes);
  const bool aged_on = holds(t.indaged, YesNo::Yes);
  switch (f.stored_when) {
    case W::Always:
      return true;
    case W::MixedMode:
      return holds(t.n5, Mode::Mixed);
    case W::Scan:
      return scan;
    case W::Precise:
      return precise;
    case W::ScanConstantM:
      return scan && constant_m;
    case W::PreciseConstantM:
      return precise && constant_m;
    case W::ScanAlfa:
      return scan && alfa;
    case W::PreciseAlfa:
      return precise && alfa;
    case W::SsbOn:
      return ssb_on;
    case W::SsbSurvey:
      return ssb_on && t.totalinds >= f.slot;
    case W::AgedOn:
      return aged_on;
    case W::AgedFleet:
      return aged_on && t.totalind >= f.slot;
  }
  return false;
}

// The problems found in the fields, each naming the field by its title and its text.
class Problems {
 public:
  explicit Problems(const FieldTexts& texts) : texts_(texts) {}

  void add(FieldId id, const std::string& what) {
    list_.push_back(field_problem(id, texts_[id], what));
  }
  bool empty() const { return list_.empty(); }
  std::string joined() const {
    std::string m;
    for (const std::string& p : list_) m += (m.empty() ? "" : "; ") + p;
    return m;
  }

 private:
  const FieldTexts& texts_;
  std::vector<std::string> list_;
};

// The fields that were read and held a number; a field that failed to read is already reported
// and is not checked again.
class ReadFields {
 public:
  void mark(FieldId id) { read_[static_cast<std::size_t>(id)] = true; }
  bool operator()(FieldId id) const { return read_[static_cast<std::size_t>(id)]; }

 private:
  std::array<bool, kFieldCount + 1> read_{};
};

// The number an Integer or Real setting holds (an empty one only when not read).
double number_in(const SettingRef& setting) {
  if (const auto* whole = std::get_if<std::int16_t*>(&setting)) return **whole;
  if (const auto* real = std::get_if<double*>(&setting)) return **real;
  return std::get<std::optional<std::int16_t>*>(setting)->value_or(0);
}

// Points of a scan grid lowest, lowest + step, ... up to highest; more would hold the run for
// days and the grid's memory with it.
constexpr double kMostScanPoints = 1e6;

// Portions of a year, weights, steps and the size of the scan: settings that read as numbers but
// that no run can use.
void check_ranges(const RunState& t, const ReadFields& read, Problems& problems) {
  const auto portion = [&](FieldId id, double v) {
    if (read(id) && !(v >= 0 && v <= 1)) problems.add(id, "is outside 0..1");
  };
  const auto not_negative = [&](FieldId id, double v) {
    if (read(id) && !(v >= 0)) problems.add(id, "is below 0");
  };
  portion(FieldId::SsbTime, t.parysp);
  for (int k = 1; k <= 7; ++k) portion(fleet_field(FleetColumn::Time, k), t.indtime[k]);
  not_negative(FieldId::CatchWeight, t.weca);
  for (int k = 1; k <= 3; ++k) not_negative(ssb_field(SsbColumn::Weight, k), t.wssb[k]);
  for (int k = 1; k <= 7; ++k) not_negative(fleet_field(FleetColumn::Weight, k), t.wind[k]);
  // A precise search that may not step away from its initial guess finds nothing.
  const bool constant_m = holds(t.n1, MOption::Constant);
  const bool alfa = holds(t.n1, MOption::ByAge);
  const FieldId precise_step = constant_m ? FieldId::MGuessStep : FieldId::AlfaGuessStep;
  if (read(FieldId::FGuessStep) && !(t.fscanstep > 0)) {
    problems.add(FieldId::FGuessStep, "is not above 0");
  }
  if ((constant_m || alfa) && read(precise_step) && !(t.mscanstep > 0)) {
    problems.add(precise_step, "is not above 0");
  }

  if (!holds(t.scansearch, Search::Scan)) return;
  // A grid whose step is lost beside its values would never end; one too fine, hardly.
  const auto points = [](double lowest, double highest, double step) {
    if (!(step > 0) || highest < lowest) return 1.0;
    if (lowest + step == lowest) return HUGE_VAL;
    return std::floor((highest - lowest) / step) + 1;
  };
  double grid = read(FieldId::FScanLow) && read(FieldId::FScanHigh) && read(FieldId::FScanStep)
                    ? points(t.fscanmin, t.fscanmax, t.fscanstep)
                    : 1.0;
  std::string fields = numbered_name(FieldId::FScanLow) + ".." + numbered_name(FieldId::FScanStep);
  if (constant_m || alfa) {
    const FieldId low = constant_m ? FieldId::MScanLow : FieldId::AlfaScanLow;
    const FieldId high = constant_m ? FieldId::MScanHigh : FieldId::AlfaScanHigh;
    const FieldId step = constant_m ? FieldId::MScanStep : FieldId::AlfaScanStep;
    if (read(low) && read(high) && read(step)) {
      grid *= points(t.mscanmin, t.mscanmax, t.mscanstep);
    }
    fields += " and " + numbered_name(low) + ".." + numbered_name(step);
  }
  if (grid > kMostScanPoints) {
    problems.add(FieldId::FScanStep,
                 "makes a scan of more than 1000000 points (the bounds and "
                 "steps " +
                     fields + ")");
  }
}

// The checks of the settings that the run cannot work with.
void check_settings(RunState& t, const ReadFields& read, Problems& problems) {
  // An option setting must hold one of its option numbers.
  for (const Field& f : kFields) {
    const std::optional<OptionRange> options = option_range(f.id);
    if (!options || !read(f.id)) continue;
    const double value = number_in(f.setting(t));
    if (value < options->first || value > options->last || value != std::floor(value)) {
      problems.add(f.id, "is not one of the options " + std::to_string(options->first) + ".." +
                             std::to_string(options->last));
    }
  }

  // The per-survey and per-fleet arrays have no further slots.
  if (read(FieldId::SsbCount) && (t.totalinds < 0 || t.totalinds > 3)) {
    problems.add(FieldId::SsbCount, "is outside 0..3");
  }
  if (read(FieldId::FleetCount) && (t.totalind < 0 || t.totalind > 7)) {
    problems.add(FieldId::FleetCount, "is outside 0..7");
  }

  // The scan grids the run uses: a positive step, and a highest value not below the lowest.
  const auto check_grid = [&](FieldId low, FieldId high, FieldId step, double low_value,
                              double high_value, double step_value) {
    if (read(low) && read(high) && high_value < low_value) {
      problems.add(high, "is below the lowest value of the scan (" + field_title(field(low)) + ")");
    }
    if (read(step) && !(step_value > 0)) problems.add(step, "is not above 0");
  };
  if (holds(t.scansearch, Search::Scan)) {
    check_grid(FieldId::FScanLow, FieldId::FScanHigh, FieldId::FScanStep, t.fscanmin, t.fscanmax,
               t.fscanstep);
    if (holds(t.n1, MOption::Constant)) {
      check_grid(FieldId::MScanLow, FieldId::MScanHigh, FieldId::MScanStep, t.mscanmin, t.mscanmax,
                 t.mscanstep);
    } else if (holds(t.n1, MOption::ByAge)) {
      check_grid(FieldId::AlfaScanLow, FieldId::AlfaScanHigh, FieldId::AlfaScanStep, t.mscanmin,
                 t.mscanmax, t.mscanstep);
    }
  }

  // Mode 3 mixes the two solutions of the recursion; a portion outside 0..1 extrapolates beyond
  // both and can keep the loss from settling.
  if (read(FieldId::Mix) && !(t.mix >= 0 && t.mix <= 1)) {
    problems.add(FieldId::Mix, "is outside 0..1");
  }

  // The median-based losses average an even number of central elements, at least two.
  if (read(FieldId::CentralElements) && (t.centralel < 2 || t.centralel % 2 != 0)) {
    problems.add(FieldId::CentralElements, "is not an even number of at least 2");
  }
  check_ranges(t, read, problems);
}

// Stores one field's text in its setting; false, with the problem listed, when it does not read.
bool store(const Field& f, const std::string& text, RunState& t, Problems& problems) {
  const SettingRef target = f.setting(t);
  if (f.kind == FieldKind::Text) {
    *std::get<std::string*>(target) = text;
    return true;
  }
  const std::optional<double> value = parse_number(text);
  if (!value) {
    problems.add(f.id, "is not a number");
    return false;
  }
  if (f.kind == FieldKind::Real) {
    *std::get<double*>(target) = *value;
    return true;
  }
  const std::optional<std::int16_t> whole = round_to_int16(*value);
  if (!whole) {
    problems.add(f.id, "is not a whole number between -32768 and 32767");
    return false;
  }
  if (auto* plain = std::get_if<std::int16_t*>(&target)) {
    **plain = *whole;
  } else {
    *std::get<std::optional<std::int16_t>*>(target) = *whole;
  }
  return true;
}

}  // namespace

void read_settings(RunState& s, const FieldTexts& texts) {
  // The fields are read into a copy of the run state, which replaces it only when every field
  // was accepted: a rejected START leaves the settings of the previous run in place.
  auto staged = std::make_unique<RunState>(s);
  RunState& t = *staged;

  // A survey or fleet that is not used must contribute nothing.
  t.totalinds = 0;
  t.totalind = 0;
  t.wssb.fill(0);
  t.wind.fill(0);

  Problems problems(texts);
  ReadFields read;
  for (const Field& f : kFields) {
    if (stored(f, t) && store(f, texts[f.id], t, problems)) read.mark(f.id);
    // The form of the convergence test follows the method: direct search or not.
    if (f.id == FieldId::Method) t.n4 = holds(t.n21, Method::Direct) ? 1 : 2;
    if (f.id == FieldId::ShowProgress) t.brev1 = 1;
  }

  check_settings(t, read, problems);
  if (!problems.empty()) throw SettingsError(problems.joined());
  s = std::move(t);
}

}  // namespace quorvane
