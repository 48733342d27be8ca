#include "run/parallel_bootstrap.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "base/errors.h"
#include "base/print.h"
#include "data/age_year_file.h"
#include "data/survey_data.h"
#include "model/progress_display.h"
#include "objective/whole_objective.h"
#include "run/bootstrap_watch.h"
#include "run/driver.h"
#include "run/session_control.h"
#include "run/threads.h"

namespace quorvane {
namespace {

// How many runs are prepared ahead of the one whose turn it is, per thread: enough to keep
// every thread busy while a run waits for its turn, few enough to keep the memory small.
constexpr int kRunsAheadPerThread = 2;

// How often the calling thread, while it waits for a run computed ahead, shows the run's progress
// and looks whether the user has asked for something: often enough that STOP is taken at once.
constexpr std::chrono::milliseconds kUserPoll{50};

struct Cancelled {};  // a run computed ahead is no longer wanted
std::atomic<bool> g_fold_drawing{false};

struct OutOfTurn {};  // a run computed ahead asked a question: it is computed again in its turn

bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

template <std::size_t n>
bool same_bits(const std::array<double, n>& a, const std::array<double, n>& b) {
  return std::equal(a.begin(), a.end(), b.begin(),
                    [](double x, double y) { return same_bits(x, y); });
}

// The calls that a run made of its host while it was computed ahead.
//
// A run with the display on draws tens of thousands of texts a second, and several runs are
// computed ahead at once: kept call by call, a long run's drawing would outgrow the memory. For
// a host that shows only the newest picture, up to kExactCalls calls are kept as made; past
// that, a text printed at a place that already holds one in the same stretch of drawing (no
// show, hide, clear or borrowed loss between them) replaces it, and a row of yield points is
// kept as their number. What the user sees of the run in its turn is the same, and the yield
// points put to the user are the same in number and order.
class HostCalls {
 public:
  enum class Kind : std::uint8_t {
    Yield,
    Position,
    Print,
    Show,
    Hide,
    Clear,
    Parameters,
    TotalLoss,  // the total loss of the run before, at its place on the top line
    CatchLoss,  // the catch loss of the run before, likewise
  };
  struct Call {
    Kind kind;
    int x = 0, y = 0;      // Position
    std::size_t text = 0;  // Print: the text in `texts_`
    long count = 1;        // Yield: how many in a row
  };
  static constexpr std::size_t kExactCalls = std::size_t{1} << 16;

  void fold_past_exact_calls() { fold_ = true; }

  void add(Kind kind, int x = 0, int y = 0) {
    const bool folding = fold_ && calls_.size() >= kExactCalls;
    if (folding && kind == Kind::Yield && !calls_.empty() && calls_.back().kind == Kind::Yield) {
      ++calls_.back().count;
      return;
    }
    if (kind != Kind::Yield && kind != Kind::Position) places_.clear();
    calls_.push_back({kind, x, y});
  }
  void add_print(std::string_view text) {
    if (fold_ && calls_.size() >= kExactCalls && calls_.back().kind == Kind::Position) {
      const std::pair<int, int> place{calls_.back().x, calls_.back().y};
      const auto it = places_.find(place);
      if (it != places_.end()) {
        texts_[calls_[it->second].text].assign(text);
        calls_.pop_back();
        return;
      }
      places_[place] = calls_.size();
    }
    calls_.push_back({Kind::Print, 0, 0, texts_.size()});
    texts_.emplace_back(text);
  }
  const std::vector<Call>& calls() const { return calls_; }
  std::string_view text(const Call& c) const { return texts_[c.text]; }

 private:
  std::vector<Call> calls_;
  std::vector<std::string> texts_;
  std::map<std::pair<int, int>, std::size_t> places_;  // the print at a place, in calls_
  bool fold_ = false;
};

// The host of a preparation or of a run computed ahead: it records the drawing and the yield
// points; a question is out of its turn.
class RecordedHost : public Host {
 public:
  RecordedHost(bool draws, HostCalls& calls) : calls_(calls), draws_(draws) {}

  bool draws() const override { return draws_; }
  void show_progress() override { calls_.add(HostCalls::Kind::Show); }
  void hide_progress() override { calls_.add(HostCalls::Kind::Hide); }
  void clear_progress() override { calls_.add(HostCalls::Kind::Clear); }
  void set_position(int x, int y) override {
    calls_.add(HostCalls::Kind::Position, x, y);
    x_ = x;
    y_ = y;
  }
  void print(std::string_view text) override { calls_.add_print(text); }
  void show_parameters() override { calls_.add(HostCalls::Kind::Parameters); }
  // A reading's notice is drawn here, so that it is recorded with the rest of the picture.
  void reading_begins() override { draw_reading_begins(*this); }
  void reading_ends() override { draw_reading_ends(*this); }
  UserRequest yield() override {
    calls_.add(HostCalls::Kind::Yield);
    return UserRequest::None;
  }
  BootstrapAnswer ask_bootstrap(bool /*terminated*/) override { throw OutOfTurn{}; }
  std::string ask_restart() override { throw OutOfTurn{}; }
  void run_ended(const std::string& /*message*/) override { throw OutOfTurn{}; }

 protected:
  HostCalls& calls_;
  int x_ = 0, y_ = 0;  // the drawing position

 private:
  bool draws_;
};

// How far a run computed ahead has got, for the progress shown while its turn waits for it; and
// whether it is given up, to be computed in its turn instead.
struct AheadProgress {
  std::atomic<long> evaluations{0};  // counted by the run state as it was handed to the thread
  std::atomic<double> total_loss{std::numeric_limits<double>::quiet_NaN()};
  std::atomic<bool> given_up{false};
};

// The host of a run computed ahead. At its yield points it notes the first two catch losses of
// the run, with which the first evaluation's stopping test is taken again in the run's turn.
// The progress window's top line shows the total loss and the catch loss of the evaluation; until
// a run has its own, they are the run before it's, so a run computed ahead notes where it drew
// them and they are drawn from its predecessor in its turn.
class AheadHost : public RecordedHost {
 public:
  AheadHost(const RunState& s, bool draws, HostCalls& calls, const std::atomic<bool>& cancel,
            AheadProgress& progress)
      : RecordedHost(draws, calls), s_(s), cancel_(cancel), progress_(progress) {}

  void print(std::string_view text) override {
    RecordedHost::print(text);
    if (y_ != kLossRow) return;
    if (x_ == kTotalLossLabelX && std::isnan(s_.SSEALL)) calls_.add(HostCalls::Kind::TotalLoss);
    if (x_ == kCatchLossX && std::isnan(s_.SSEL)) calls_.add(HostCalls::Kind::CatchLoss);
  }

  UserRequest yield() override {
    if (cancel_.load(std::memory_order_relaxed) ||
        progress_.given_up.load(std::memory_order_relaxed)) {
      throw Cancelled{};
    }
    progress_.evaluations.store(s_.evaluations, std::memory_order_relaxed);
    progress_.total_loss.store(s_.SSEALL, std::memory_order_relaxed);
    ++yields;
    // At the second yield point the first pass's loss has moved to SSETP; at the third, SSET
    // holds the second pass's.
    if (yields == 2) first_loss = s_.SSETP;
    if (yields == 3) second_loss = s_.SSET;
    return RecordedHost::yield();
  }

  long yields = 0;
  double first_loss = 0, second_loss = 0;

 private:
  const RunState& s_;
  const std::atomic<bool>& cancel_;
  AheadProgress& progress_;
};

struct Replayed {
  long yields = 0;  // yield points put to the user
  UserRequest request = UserRequest::None;
};

// Puts the recorded calls to the host in their order, the losses of the run before taken from
// `before`. At a yield point the user is asked (through the run's host when there is one, which
// then carries nothing out); the replay ends at the first request.
Replayed replay(const HostCalls& recorded, Host& host, RunHost* run_host, const RunState& before) {
  Replayed r;
  for (const HostCalls::Call& c : recorded.calls()) {
    switch (c.kind) {
      case HostCalls::Kind::Yield:
        for (long i = 0; i < c.count; ++i) {
          ++r.yields;
          if (run_host == nullptr) {
            host.yield();  // nothing else carries a request out
          } else {
            r.request = run_host->ask_user();
            if (r.request != UserRequest::None) return r;
          }
        }
        break;
      case HostCalls::Kind::Position:
        host.set_position(c.x, c.y);
        break;
      case HostCalls::Kind::Print:
        host.print(recorded.text(c));
        break;
      case HostCalls::Kind::Show:
        host.show_progress();
        break;
      case HostCalls::Kind::Hide:
        host.hide_progress();
        break;
      case HostCalls::Kind::Clear:
        host.clear_progress();
        break;
      case HostCalls::Kind::Parameters:
        host.show_parameters();
        break;
      case HostCalls::Kind::TotalLoss:
        draw_total_loss(host, before.SSEALL);
        break;
      case HostCalls::Kind::CatchLoss:
        draw_catch_loss(host, before.SSEL);
        break;
    }
  }
  return r;
}

// The host of a run computed again in its turn after `put` of its yield points were put to the
// user, the last of them answered with `request`: until then nothing reaches the user again (it
// was shown already), there the request is carried out, and from then on everything goes to
// the user. With put = 0 it is the user's host from the start.
class CatchUpHost : public Host {
 public:
  CatchUpHost(Host& host, RunHost* run_host, long put, UserRequest request)
      : host_(host), run_host_(run_host), put_(put), request_(request) {}

  bool draws() const override { return host_.draws(); }
  void show_progress() override {
    if (live()) host_.show_progress();
  }
  void hide_progress() override {
    if (live()) host_.hide_progress();
  }
  void clear_progress() override {
    if (live()) host_.clear_progress();
  }
  void set_position(int x, int y) override {
    if (live()) host_.set_position(x, y);
  }
  void print(std::string_view text) override {
    if (live()) host_.print(text);
  }
  void show_parameters() override {
    if (live()) host_.show_parameters();
  }
  void reading_begins() override {
    if (live()) host_.reading_begins();
  }
  void reading_ends() override {
    if (live()) host_.reading_ends();
  }
  UserRequest yield() override {
    ++yields_;
    if (yields_ < put_) return UserRequest::None;
    if (yields_ == put_) {
      if (run_host_ != nullptr) run_host_->carry_out(request_);
      return request_;
    }
    return host_.yield();
  }
  BootstrapAnswer ask_bootstrap(bool terminated) override {
    return host_.ask_bootstrap(terminated);
  }
  std::string ask_restart() override { return host_.ask_restart(); }
  void run_ended(const std::string& message) override { host_.run_ended(message); }
  // The progress of the run is no part of the picture: it goes to the user from the start.
  bool request_pending() override { return host_.request_pending(); }
  void bootstrap_status(const BootstrapStatus& status) override { host_.bootstrap_status(status); }

 private:
  bool live() const { return yields_ >= put_; }

  Host& host_;
  RunHost* run_host_;
  long put_;
  UserRequest request_;
  long yields_ = 0;
};

// What the preparation of one run left: its data, the fleet tables it is to read, and the
// random sequence as it stands after it.
struct RunData {
  AgeYearTable C, ind;
  std::array<YearVector, kSsbSlots> ssbind{};
  std::int16_t curind = 0, curinds = 0, fleet_source_bootn = 0, bootn = 0;
  std::array<AgeYearTable, kFleetSlots> fleet_table;
  std::array<bool, kFleetSlots> fleet_loaded{};
  std::array<double, 5> headX{};
  UniformRandom rng;
  std::vector<std::string> temp_files;  // aged1.tmp, ... as the preparation wrote them
};

std::unique_ptr<RunData> take_data(const RunState& s) {
  auto d = std::make_unique<RunData>();
  d->C = s.C;
  d->ind = s.ind;
  d->ssbind = s.ssbind;
  d->curind = s.curind;
  d->curinds = s.curinds;
  d->fleet_source_bootn = s.fleet_source_bootn;
  d->bootn = s.bootn;
  d->fleet_table = s.fleet_table;
  d->fleet_loaded = s.fleet_loaded;
  d->headX = s.headX;
  d->rng = s.rng;
  return d;
}

void install(RunState& s, const RunData& d) {
  s.C = d.C;
  s.ind = d.ind;
  s.ssbind = d.ssbind;
  s.curind = d.curind;
  s.curinds = d.curinds;
  s.fleet_source_bootn = d.fleet_source_bootn;
  s.bootn = d.bootn;
  s.fleet_table = d.fleet_table;
  s.fleet_loaded = d.fleet_loaded;
  s.headX = d.headX;
  s.rng = d.rng;
}

std::string temp_fleet_path(const RunState& s, int k) {
  return resolve_path(s.workdir, "aged" + std::to_string(k) + ".tmp");
}

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The run reads each fleet table once, in the order of the fleets, from the files that its
// preparation wrote; it is read here, before the next preparation overwrites them. The fleet in
// hand is left as the preparation left it.
void read_fleets_ahead(RunState& s) {
  Host silent;
  const AgeYearTable ind = s.ind;
  const std::int16_t curind = s.curind;
  for (int k = 1; k <= s.totalind; ++k) {
    s.curind = static_cast<std::int16_t>(k);
    agedindread(s, silent);
  }
  s.ind = ind;
  s.curind = curind;
}

// What a run computed ahead read of the state that the run before it was predicted to leave.
struct Prediction {
  double SSETP = 0, metka1 = 0, dolpol = 0, MC = 0, LALFA = 0, mix = 0;
  std::array<double, kSsbSlots> errssb{};
  std::array<double, kFleetSlots> errind{};
  std::int16_t zz = 0, userend = 0;
  long evaluations = 0;
};

Prediction predict(const RunState& s) {
  return {s.SSETP,  s.metka1, s.dolpol, s.MC,      s.LALFA,      s.mix,
          s.errssb, s.errind, s.zz,     s.userend, s.evaluations};
}

struct AheadRun {
  int bootn = 0;
  std::unique_ptr<RunData> data;
  HostCalls preparation_calls;
  std::exception_ptr preparation_failure;
  bool last_prepared = false;  // the runs after it are prepared in their turn

  // Computed ahead (null when it is computed only in its turn).
  std::unique_ptr<RunState> state;
  Prediction predicted;
  HostCalls calls;
  bool finished = false;  // under the pool's lock
  bool computed = false;  // finished without a fault
  long yields = 0;
  double first_loss = 0, second_loss = 0;
  AheadProgress progress;
};

// Whether the run computed ahead computed what it computes from the state `before` that the
// run before it actually left.
bool start_holds(const AheadRun& run, const RunState& before) {
  const Prediction& p = run.predicted;
  if (run.yields < 3 && !same_bits(p.SSETP, before.SSETP)) return false;
  if (!loss_history_holds(before.n4, run.first_loss, run.second_loss, p.SSETP, before.SSETP)) {
    return false;
  }
  // Values that no run writes, or writes before reading, are the same after every run.
  if (!same_bits(p.metka1, before.metka1) || !same_bits(p.dolpol, before.dolpol)) return false;
  if (p.zz != before.zz || p.userend != before.userend) return false;
  const auto m_option = static_cast<MOption>(before.n1);
  if (m_option != MOption::Constant && !same_bits(p.MC, before.MC)) return false;
  if (m_option != MOption::ByAge && !same_bits(p.LALFA, before.LALFA)) return false;
  if (static_cast<Mode>(before.n5) != Mode::MixedByPoints && !same_bits(p.mix, before.mix)) {
    return false;
  }
  if (!holds(before.indssb, YesNo::Yes) && !same_bits(p.errssb, before.errssb)) return false;
  if (!holds(before.indaged, YesNo::Yes) && !same_bits(p.errind, before.errind)) return false;
  return true;
}

// Values that a run computed ahead must not take from the run before it: not a number, so that
// using one shows, as a fault (a stock number kept by the recursion) or in the drawing (the
// losses, drawn in the run's turn).
void forget_carried_values(RunState& w) {
  constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
  for (int a = w.agemin; a <= w.agemax; ++a)
    for (int y = w.yearmin; y <= w.yearmax; ++y) w.N(a, y) = kUnknown;
  w.SSEALL = kUnknown;
  w.SSEL = kUnknown;
}

class ParallelBootstrap {
 public:
  ParallelBootstrap(RunState& s, Host& host, int threads)
      : s_(s),
        host_(host),
        run_host_(dynamic_cast<RunHost*>(&host)),
        draws_(host.draws()),
        threads_wanted_(threads),
        window_(kRunsAheadPerThread * threads + 1),
        total_(s.boottot) {}
  ParallelBootstrap(const ParallelBootstrap&) = delete;
  ParallelBootstrap& operator=(const ParallelBootstrap&) = delete;
  ~ParallelBootstrap() { stop_threads(); }

  BootstrapProgress run() {
    prep_ = std::make_unique<RunState>(s_);
    next_ = s_.bootn;
    try {
      for (int i = 0; i < threads_wanted_; ++i) threads_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      // A system that refuses threads: the runs go on those there are, or one after the other.
      if (threads_.empty()) return BootstrapProgress::Sequential;
    }
    for (;;) {
      while (!preparing_stopped_ && next_ <= s_.boottot &&
             static_cast<int>(ahead_.size()) < window_) {
        prepare_next();
      }
      AheadRun& run = *ahead_.front();
      if (run.preparation_failure) {
        // Its turn: every run before it is written, as when it failed in order.
        stop_threads();
        replay(run.preparation_calls, host_, nullptr, s_);
        install(s_, *take_data(*prep_));
        std::rethrow_exception(run.preparation_failure);
      }
      wait_for(run);
      const std::optional<BootstrapProgress> end = take_turn(run);
      if (end) return *end;
      ahead_.pop_front();
    }
  }

 private:
  // The data of the next run, prepared on the preparation's own copy of the run state in the
  // order of the runs; then its estimation is handed to a thread.
  void prepare_next() {
    auto run = std::make_unique<AheadRun>();
    if (g_fold_drawing.load(std::memory_order_relaxed)) {
      run->preparation_calls.fold_past_exact_calls();
      run->calls.fold_past_exact_calls();
    }
    run->bootn = next_++;
    RunState& p = *prep_;
    p.bootn = static_cast<std::int16_t>(run->bootn);
    RecordedHost recorder(draws_, run->preparation_calls);
    try {
      prepare_bootstrap_data(p, recorder);
    } catch (...) {
      run->preparation_failure = std::current_exception();
      run->finished = true;
      preparing_stopped_ = true;
      ahead_.push_back(std::move(run));
      return;
    }
    std::vector<std::string> temp_files;
    bool ahead = true;
    if (holds(p.indaged, YesNo::Yes)) {
      for (int k = 1; k <= p.totalind; ++k) temp_files.push_back(file_bytes(temp_fleet_path(p, k)));
      try {
        read_fleets_ahead(p);
      } catch (...) {
        // A fleet file that cannot be read fails the run in its turn, as it reads it; nothing
        // after it is prepared, so the files stay as its preparation left them.
        ahead = false;
        preparing_stopped_ = true;
        run->last_prepared = true;
      }
    }
    run->data = take_data(p);
    run->data->temp_files = std::move(temp_files);
    if (!ahead) {
      run->finished = true;
      ahead_.push_back(std::move(run));
      return;
    }

    run->state = std::make_unique<RunState>(s_);
    install(*run->state, *run->data);
    run->predicted = predict(s_);
    run->progress.evaluations = run->predicted.evaluations;
    forget_carried_values(*run->state);
    run->state->files.minim.hold();
    AheadRun* handed = run.get();
    ahead_.push_back(std::move(run));
    {
      const std::lock_guard lock(mutex_);
      queue_.push_back(handed);
    }
    work_ready_.notify_one();
  }

  // A computing thread: the estimation of each run handed to it, from the start state given.
  void work() {
    for (;;) {
      AheadRun* run = nullptr;
      {
        std::unique_lock lock(mutex_);
        work_ready_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        run = queue_.front();
        queue_.pop_front();
      }
      AheadHost host(*run->state, draws_, run->calls, cancel_, run->progress);
      bool computed = false;
      try {
        estimate(*run->state, host);
        computed = run->state->userend != 1;
      } catch (...) {
        // A fault, or a run no longer wanted: in its turn it is computed again in order, where a
        // real fault is raised with the state it would have been raised in.
      }
      {
        const std::lock_guard lock(mutex_);
        run->computed = computed;
        run->yields = host.yields;
        run->first_loss = host.first_loss;
        run->second_loss = host.second_loss;
        run->finished = true;
      }
      run_done_.notify_all();
    }
  }

  // Waits for the run at the front, showing its progress meanwhile. A request of the user would
  // otherwise wait for the run's end before it reached one of the run's yield points: the run is
  // given up and computed in its turn, where its first yield point takes the request.
  void wait_for(AheadRun& run) {
    std::unique_lock lock(mutex_);
    while (!run_done_.wait_for(lock, kUserPoll, [&] { return run.finished; })) {
      lock.unlock();
      report(run);
      if (host_.request_pending()) run.progress.given_up = true;
      lock.lock();
    }
  }

  // The run at the front is the one whose lines come next.
  void report(const AheadRun& run) {
    const long evaluations =
        run.state ? run.progress.evaluations.load() - run.predicted.evaluations : 0;
    host_.bootstrap_status(
        bootstrap_status_of(total_, run.bootn, evaluations, run.progress.total_loss.load()));
  }

  void stop_threads() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
      queue_.clear();
    }
    cancel_ = true;
    work_ready_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

  // The turn of the run at the front: s_ stands where the run before it ended.
  std::optional<BootstrapProgress> take_turn(AheadRun& run) {
    report(run);
    replay(run.preparation_calls, host_, nullptr, s_);
    install(s_, *run.data);
    if (run.computed && start_holds(run, s_)) {
      const Replayed r = replay(run.calls, host_, run_host_, s_);
      if (r.request == UserRequest::None) {
        commit(run);
        if (!finish_run(s_, host_)) return BootstrapProgress::Done;
        if (run.last_prepared) return BootstrapProgress::Sequential;
        return std::nullopt;
      }
      return in_turn(run, r.yields, r.request);
    }
    return in_turn(run, 0, UserRequest::None);
  }

  // The run computed ahead becomes the run state: its lines of the search log are written.
  void commit(AheadRun& run) {
    RunState& w = *run.state;
    const long evaluations = s_.evaluations + (w.evaluations - run.predicted.evaluations);
    const std::shared_ptr<ResultsRecord> record = s_.results_record;
    s_ = w;  // the files stay those of s_
    s_.results_record = record;
    s_.evaluations = evaluations;
    s_.files.minim.write_lines(w.files.minim.take_held());
  }

  // The run computed in its turn, on this thread, after `put` of its yield points were put to
  // the user.
  std::optional<BootstrapProgress> in_turn(AheadRun& run, long put, UserRequest request) {
    CatchUpHost catch_up(host_, run_host_, put, request);
    try {
      estimate_watched(s_, catch_up);
    } catch (...) {
      leave_files_as_in_turn(run);
      throw;
    }
    if (s_.userend == 1) {
      leave_files_as_in_turn(run);
      return BootstrapProgress::Unwound;
    }
    // A restart drew the catches again: the runs prepared after it were drawn from the wrong
    // place of the random sequence.
    const bool restarted = !(s_.rng == run.data->rng);
    if (restarted) leave_files_as_in_turn(run);
    if (!finish_run(s_, host_)) return BootstrapProgress::Done;
    if (restarted || run.last_prepared) return BootstrapProgress::Sequential;
    return std::nullopt;
  }

  // Ends the runs ahead and leaves the temporary fleet files as the preparation of `run` wrote
  // them, which is how the runs in order leave them at this point.
  void leave_files_as_in_turn(const AheadRun& run) {
    stop_threads();
    const std::vector<std::string>& files = run.data->temp_files;
    for (std::size_t k = 0; k < files.size(); ++k) {
      std::ofstream out(temp_fleet_path(s_, static_cast<int>(k) + 1),
                        std::ios::binary | std::ios::trunc);
      out.write(files[k].data(), static_cast<std::streamsize>(files[k].size()));
    }
  }

  RunState& s_;
  Host& host_;
  RunHost* run_host_;
  bool draws_;
  int threads_wanted_;
  int window_;
  int total_;  // runs of the bootstrap, as the question set them

  std::unique_ptr<RunState> prep_;  // where the data of the runs are prepared, in order
  int next_ = 0;                    // the run to prepare next
  bool preparing_stopped_ = false;
  std::deque<std::unique_ptr<AheadRun>> ahead_;  // from the run whose turn it is

  std::mutex mutex_;
  std::condition_variable work_ready_, run_done_;
  std::deque<AheadRun*> queue_;
  bool stopping_ = false;
  std::atomic<bool> cancel_{false};
  std::vector<std::thread> threads_;
};

}  // namespace

void fold_drawing_of_runs_ahead(bool fold) { g_fold_drawing = fold; }

bool loss_history_holds(std::int16_t n4, double first_loss, double second_loss, double predicted,
                        double actual) {
  if (same_bits(predicted, actual)) return true;
  auto decides = [&](double previous) {
    try {
      return fixed_point_continues(n4, 2, second_loss, first_loss, previous) ? 1 : 0;
    } catch (const ArithmeticFault&) {
      return 2;
    }
  };
  return decides(predicted) == 1 && decides(actual) == 1;
}

int bootstrap_thread_count(const RunState& s) { return thread_count(s.bootstrap_threads); }

BootstrapProgress run_bootstrap_in_parallel(RunState& s, Host& host, int threads) {
  ParallelBootstrap bootstrap(s, host, threads);
  return bootstrap.run();
}

}  // namespace quorvane
