// Whole assessments, as a user starts them, on the demo stock (11 ages x 31 years, one SSB
// survey, four aged fleets) and on a simulated stock at the capacity of the tables (29 ages x 60
// years, three SSB surveys, seven aged fleets): one evaluation of the whole objective, the
// default assessment from START to the end of the results, a 100-run bootstrap, and the precise
// search with the direct search of every factor (Method 4). Each run starts from a fresh run state
// with a host that draws nothing; its files go to a scratch directory.
//
// The counter "cohort_calls" is the number of cohort computations in one iteration, so that the
// time of an assessment can be set against that many single cohort computations.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "objective/whole_objective.h"
#include "tests/perf/demo_runs.h"
#include "tools/sim/dataset_writer.h"
#include "tools/sim/stock_simulator.h"

namespace quorvane::perf {
namespace {

// A scratch working directory with a copy of the demo stock in demo/, as the demo fields file
// expects; removed with the object.
class DemoDir {
 public:
  explicit DemoDir(const std::string& tag) {
    // The process number keeps two programs running at once (two build folders) apart.
    path_ = fs::temp_directory_path() / ("quorvane_perf_" + std::to_string(::getpid()) + "_" + tag);
    fs::remove_all(path_);
    fs::create_directories(path_);
    fs::copy(source_dir() / "demo", path_ / "demo", fs::copy_options::recursive);
  }
  ~DemoDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  DemoDir(const DemoDir&) = delete;
  DemoDir& operator=(const DemoDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// The capacity stock: ages 1..29 with a plus group, years 1951..2010, a dome of selection, year
// factors between 2 and 4, three SSB surveys and seven aged fleets of different coverage.
sim::Scenario capacity_scenario() {
  constexpr int kAges = 29, kYears = 60;
  sim::Scenario sc;
  sc.first_age = 1;
  sc.last_age = kAges;
  sc.plus_group = true;
  sc.first_year = 1951;
  sc.last_year = sc.first_year + kYears - 1;
  sc.seed = 7;
  for (int y = 0; y < kYears; ++y) sc.f.push_back(3.0 + std::sin(0.2 * y));
  double total = 0;
  for (int a = 0; a < kAges; ++a) {
    const double age = a + 1.0;
    sc.s1.push_back(1.0 / (1.0 + std::exp(-(age - 5.0))) * std::exp(-0.02 * age));
    total += sc.s1.back();
  }
  for (double& v : sc.s1) v /= total;
  sc.natural_mortality = sim::StockTable(kAges, kYears, 0.2);
  sc.recruitment_mean = 100000.0;
  sc.recruitment_log_sd = 0.4;
  sc.weight = sim::StockTable(kAges, kYears);
  sc.maturity = sim::StockTable(kAges, kYears);
  for (int y = 0; y < kYears; ++y) {
    for (int a = 0; a < kAges; ++a) {
      const double age = a + 1.0;
      sc.weight(a, y) = std::round(10.0 * (1.0 - std::exp(-0.15 * age)) * 1000.0) / 1000.0;
      sc.maturity(a, y) = std::round(1000.0 / (1.0 + std::exp(-1.2 * (age - 6.0)))) / 1000.0;
    }
  }
  sc.catch_cv = 0.12;
  for (int k = 0; k < 3; ++k) {
    sim::SsbSurveySpec ssb;
    ssb.coefficient = 1000.0 * (k + 1);
    ssb.time = 0.4;
    ssb.cv = 0.2 + 0.05 * k;
    ssb.first_year = sc.first_year + 10 * k;
    sc.ssb_surveys.push_back(ssb);
  }
  for (int k = 0; k < 7; ++k) {
    sim::FleetSpec fleet;
    fleet.first_age = 1 + k;
    fleet.last_age = std::min(kAges, 12 + 2 * k);
    fleet.first_year = sc.first_year + 3 * k;
    fleet.last_year = sc.last_year;
    fleet.time = 0.1 + 0.12 * k;
    fleet.cv = 0.25;
    for (int a = fleet.first_age; a <= fleet.last_age; ++a) fleet.catchability.push_back(50.0 + a);
    sc.fleets.push_back(fleet);
  }
  return sc;
}

// A working directory holding a data set, and the field texts of its default assessment.
struct DataSet {
  std::unique_ptr<DemoDir> dir;
  FieldTexts texts;
};

DataSet demo_set(const std::string& tag, const std::vector<std::string>& fields = {}) {
  DataSet d{std::make_unique<DemoDir>("bench_" + tag), {}};
  d.texts = case_texts(d.dir->path(), {tag, fields, 0});
  return d;
}

DataSet capacity_set(const std::string& tag, const std::vector<std::string>& fields = {}) {
  DataSet d{std::make_unique<DemoDir>("bench_" + tag), {}};
  const sim::SimulatedStock stock = sim::simulate(capacity_scenario());
  sim::write_dataset(stock, d.dir->path() / "capacity", "capacity/");
  d.texts = default_field_texts();
  for (const auto& [field, text] : sim::field_texts(stock, "capacity/")) {
    d.texts[field] = text;
  }
  for (const std::string& f : fields) apply_field_line(d.texts, f, tag);
  return d;
}

void report_cohort_calls(benchmark::State& state, long calls) {
  state.counters["cohort_calls"] = static_cast<double>(calls);
  state.counters["per_cohort_call"] =
      benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

// Whole runs: START, the estimation, the results file, the bootstrap if asked for.
void run_assessment(benchmark::State& state, const DataSet& d, long bootstrap_runs) {
  long calls = 0;
  for (auto _ : state) {
    QuietHost host(bootstrap_runs);
    const RunOutcome outcome = run_case(d.dir->path(), d.texts, host);
    if (outcome.status != RunStatus::Completed) {
      state.SkipWithError(outcome.message.c_str());
      return;
    }
    calls = host.yields;
  }
  report_cohort_calls(state, calls);
}

void BM_DefaultAssessment_Demo(benchmark::State& state) {
  static const DataSet d = demo_set("default_demo");
  run_assessment(state, d, 0);
}
BENCHMARK(BM_DefaultAssessment_Demo)->Unit(benchmark::kMillisecond);

void BM_DefaultAssessment_Capacity(benchmark::State& state) {
  static const DataSet d = capacity_set("default_capacity");
  run_assessment(state, d, 0);
}
BENCHMARK(BM_DefaultAssessment_Capacity)->Unit(benchmark::kMillisecond);

// The default assessment and a 100-run bootstrap, on one thread and on every core (threads 0):
// the time is the wall-clock time, since the bootstrap runs are computed on other threads.
void BM_Bootstrap100_Demo(benchmark::State& state) {
  static const DataSet d = demo_set("boot_demo");
  long calls = 0;
  for (auto _ : state) {
    QuietHost host(100);
    auto s = std::make_unique<RunState>();
    s->workdir = d.dir->path().string();
    s->bootstrap_threads = static_cast<std::int16_t>(state.range(0));
    const RunOutcome outcome = run_start(*s, host, d.texts);
    if (outcome.status != RunStatus::Completed) {
      state.SkipWithError(outcome.message.c_str());
      return;
    }
    calls = host.yields;
  }
  report_cohort_calls(state, calls);
}
BENCHMARK(BM_Bootstrap100_Demo)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

// The precise search of the terminal f with the direct search of every factor. The catch loss
// is SSE: with the robust losses the inner searches of the demo stock climb without end.
const std::vector<std::string> kPreciseDirect = {"method=4", "catch_loss=2", "search=2"};

void BM_PreciseDirect_Demo(benchmark::State& state) {
  static const DataSet d = demo_set("direct_demo", kPreciseDirect);
  run_assessment(state, d, 0);
}
BENCHMARK(BM_PreciseDirect_Demo)->Unit(benchmark::kMillisecond);

void BM_PreciseDirect_Capacity(benchmark::State& state) {
  static const DataSet d = capacity_set("direct_capacity", kPreciseDirect);
  run_assessment(state, d, 0);
}
BENCHMARK(BM_PreciseDirect_Capacity)->Unit(benchmark::kSecond)->Iterations(1);

// One evaluation of the whole objective at terminal f = 2.75 (the demo stock's best grid point),
// on the state that a default assessment leaves: the fixed-point passes with generation factors,
// the SSB survey and the four fleets, and the log line (written to a scratch file).
void evaluate_objective(benchmark::State& state, const DataSet& d) {
  auto s = std::make_unique<RunState>();
  s->workdir = d.dir->path().string();
  QuietHost host;
  const RunOutcome outcome = run_start(*s, host, d.texts);
  if (outcome.status != RunStatus::Completed) {
    state.SkipWithError(outcome.message.c_str());
    return;
  }
  s->files.minim.create((d.dir->path() / "bench_minim.out").string());
  long calls = 0;
  for (auto _ : state) {
    const long before = host.yields;
    s->METKA = 1000;
    s->PARAM = 2.75;
    CALCSTOCKALL(*s, host);
    benchmark::DoNotOptimize(s->SSEALL);
    calls = host.yields - before;
  }
  s->files.minim.close();
  report_cohort_calls(state, calls);
}

void BM_Calcstockall_Demo(benchmark::State& state) {
  static const DataSet d = demo_set("objective_demo");
  evaluate_objective(state, d);
}
BENCHMARK(BM_Calcstockall_Demo)->Unit(benchmark::kMicrosecond);

void BM_Calcstockall_Capacity(benchmark::State& state) {
  static const DataSet d = capacity_set("objective_capacity");
  evaluate_objective(state, d);
}
BENCHMARK(BM_Calcstockall_Capacity)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace quorvane::perf
