#include "run/independent_bootstrap.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/print.h"
#include "data/age_year_file.h"
#include "data/replicate_draws.h"
#include "report/results_record.h"
#include "run/bootstrap.h"
#include "run/bootstrap_watch.h"
#include "run/driver.h"
#include "run/session_control.h"

namespace quorvane {
namespace {

// How often the calling thread lets the user's STOP through while the replicates are computed.
constexpr std::chrono::milliseconds kUserPoll{50};

struct Cancelled {};

// How far a replicate has got, for the progress shown while its turn waits for it.
struct ReplicateProgress {
  std::atomic<long> evaluations{0};
  std::atomic<double> total_loss{std::numeric_limits<double>::quiet_NaN()};
};

// The host of a replicate computed on a computing thread: it draws nothing, and at its yield
// points notes the replicate's progress, and ends the replicate when the bootstrap is given up or
// when the replicate does not settle.
class ReplicateHost : public Host {
 public:
  ReplicateHost(const std::atomic<bool>& cancel, const RunState& w, ReplicateProgress& progress)
      : cancel_(cancel), w_(w), before_(w.evaluations), progress_(progress) {}
  UserRequest yield() override {
    if (cancel_.load(std::memory_order_relaxed)) throw Cancelled{};
    progress_.evaluations.store(w_.evaluations - before_, std::memory_order_relaxed);
    progress_.total_loss.store(w_.SSEALL, std::memory_order_relaxed);
    if (++computations_ > kReplicateComputationCap) {
      throw_fault("CALCSTOCK", "the replicate did not settle within " +
                                   std::to_string(kReplicateComputationCap) +
                                   " cohort computations");
    }
    return UserRequest::None;
  }

 private:
  const std::atomic<bool>& cancel_;
  const RunState& w_;
  long before_;  // the main run's evaluations, which the replicate starts from
  ReplicateProgress& progress_;
  long computations_ = 0;
};

// What one replicate left, held until its turn to be written.
struct Replicate {
  bool done = false;  // under the lock
  bool finished = false;
  std::string minim;
  std::array<std::string, 7> boot;
  BootstrapRun run;
  std::string fault;           // the message of an arithmetic fault
  std::exception_ptr failure;  // anything else ends the whole run in the replicate's turn
};

class IndependentBootstrap {
 public:
  IndependentBootstrap(RunState& s, Host& host, int threads)
      : s_(s),
        host_(host),
        run_host_(dynamic_cast<RunHost*>(&host)),
        first_(first_replicate_of(s)),
        last_(last_replicate_of(s)),
        threads_(std::max(1, std::min(threads, last_ - first_ + 1))),
        results_(static_cast<std::size_t>(std::max(0, last_ - first_ + 1))),
        progress_(std::make_unique<ReplicateProgress[]>(results_.size())) {}
  IndependentBootstrap(const IndependentBootstrap&) = delete;
  IndependentBootstrap& operator=(const IndependentBootstrap&) = delete;
  ~IndependentBootstrap() { stop_threads(); }

  BootstrapProgress run() {
    // Every replicate starts from the state the main run left, never from another's.
    base_ = std::make_unique<RunState>(s_);
    base_->results_record.reset();
    load_observed_tables(*base_);
    open_failure_file();
    if (s_.results_record) s_.results_record->independent_replicates = true;
    if (first_ > 1) leave_main_run_out();

    next_ = first_;
    try {
      for (int i = 0; i < threads_; ++i) threads_list_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      // A system that refuses threads: the replicates go on those there are, or on this one.
    }
    for (int k = first_; k <= last_; ++k) {
      Replicate& r = results_[static_cast<std::size_t>(k - first_)];
      if (threads_list_.empty()) {
        next_ = k + 1;
        host_.bootstrap_status(bootstrap_status_of(s_.boottot, k, 0, 0));
        compute(k, r);
        if (const UserRequest request = ask_user(); request != UserRequest::None) {
          request_ = request;
          return given_up(k);
        }
      } else if (!wait_for(k, r)) {
        return given_up(k);
      }
      if (r.failure) {
        stop_threads();
        std::rethrow_exception(r.failure);
      }
      write(k, r);
      r = Replicate{};  // its lines are written: the memory goes back
    }
    stop_threads();
    failures_.close();
    s_.bootn = static_cast<std::int16_t>(std::min<int>(s_.boottot, last_) + 1);
    return BootstrapProgress::Done;
  }

 private:
  // A part after the first holds only its replicates' lines: no headers and no main run.
  void leave_main_run_out() {
    for (std::size_t i = 0; i < kBootFiles.size(); ++i) {
      if (!boot_file_wanted(s_, static_cast<BootFile>(i))) continue;
      s_.files.boot[i].close();
      s_.files.boot[i].create(resolve_path(s_.workdir, std::string(kBootFiles[i].name)));
    }
    s_.files.minim.close();
    s_.files.minim.create(resolve_path(s_.workdir, "minim.out"));
  }

  void open_failure_file() {
    failures_.create(resolve_path(s_.workdir, kBootFailedFile));
    if (first_ <= 1) failures_.text("bootN; fault of the replicate").end_line();
  }

  void work() {
    for (;;) {
      const int k = next_.fetch_add(1);
      if (k > last_ || cancel_.load()) return;
      Replicate& r = results_[static_cast<std::size_t>(k - first_)];
      compute(k, r);
      {
        const std::lock_guard lock(mutex_);
        r.done = true;
      }
      done_.notify_all();
    }
  }

  void compute(int k, Replicate& r) {
    auto w = std::make_unique<RunState>(*base_);
    w->bootn = static_cast<std::int16_t>(k);
    w->rng = UniformRandom::for_replicate(s_.bootstrap_seed, static_cast<std::uint32_t>(k));
    w->files.minim.hold();
    for (PrintFile& f : w->files.boot) f.hold();
    ReplicateHost host(cancel_, *w, progress_[static_cast<std::size_t>(k - first_)]);
    try {
      draw_replicate_data(*w);
      estimate(*w, host);
      r.run = write_boot_lines(*w, host);
      r.minim = w->files.minim.take_held();
      for (std::size_t i = 0; i < r.boot.size(); ++i) r.boot[i] = w->files.boot[i].take_held();
      r.finished = true;
    } catch (const ArithmeticFault& e) {
      r.fault = e.what();
    } catch (const Cancelled&) {
      // The bootstrap was given up; nothing of this replicate is written.
    } catch (...) {
      r.failure = std::current_exception();
    }
  }

  // Waits for replicate k, showing its progress and letting the user's requests through
  // meanwhile; false when the user asked to stop or quit.
  bool wait_for(int k, Replicate& r) {
    const ReplicateProgress& p = progress_[static_cast<std::size_t>(k - first_)];
    for (;;) {
      host_.bootstrap_status(
          bootstrap_status_of(s_.boottot, k, p.evaluations.load(), p.total_loss.load()));
      {
        std::unique_lock lock(mutex_);
        if (done_.wait_for(lock, kUserPoll, [&] { return r.done; })) return true;
      }
      const UserRequest request = ask_user();
      if (request == UserRequest::None) continue;
      request_ = request;
      return false;
    }
  }

  UserRequest ask_user() { return run_host_ ? run_host_->ask_user() : host_.yield(); }

  BootstrapProgress given_up(int k) {
    stop_threads();
    failures_.close();
    s_.bootn = static_cast<std::int16_t>(k);
    if (request_ == UserRequest::Quit && run_host_ != nullptr) {
      run_host_->carry_out(UserRequest::Quit);
      return BootstrapProgress::Unwound;
    }
    return BootstrapProgress::Done;
  }

  // Replicate k's lines, in its turn.
  void write(int k, Replicate& r) {
    s_.bootn = static_cast<std::int16_t>(k);
    if (!r.finished) {
      failures_.integer(k).tab(7).text(r.fault).end_line();
      if (s_.results_record) s_.results_record->bootstrap_failures.push_back({k, r.fault});
      return;
    }
    s_.files.minim.write_lines(r.minim);
    for (std::size_t i = 0; i < r.boot.size(); ++i) {
      if (!r.boot[i].empty()) s_.files.boot[i].write_lines(r.boot[i]);
    }
    record_bootstrap_run(s_, std::move(r.run));
  }

  void stop_threads() {
    cancel_ = true;
    for (std::thread& t : threads_list_) t.join();
    threads_list_.clear();
  }

  RunState& s_;
  Host& host_;
  RunHost* run_host_;
  int first_, last_, threads_;
  std::unique_ptr<RunState> base_;
  std::vector<Replicate> results_;
  std::unique_ptr<ReplicateProgress[]> progress_;  // by replicate, as results_
  PrintFile failures_;
  UserRequest request_ = UserRequest::None;

  std::atomic<int> next_{0};
  std::atomic<bool> cancel_{false};
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<std::thread> threads_list_;
};

}  // namespace

int first_replicate_of(const RunState& s) { return s.first_replicate > 0 ? s.first_replicate : 1; }

int last_replicate_of(const RunState& s) {
  return s.last_replicate > 0 ? std::min<int>(s.last_replicate, s.boottot) : s.boottot;
}

std::string bootstrap_summary(const RunState& s) {
  const ResultsRecord* r = s.results_record.get();
  if (s.bootstrap_kind != BootstrapKind::Independent || r == nullptr) return "";
  const std::size_t finished = r->bootstrap.size(), failed = r->bootstrap_failures.size();
  if (finished + failed == 0) return "";
  std::string line = "bootstrap: " + std::to_string(finished) + " of " +
                     std::to_string(finished + failed) + " replicates finished, " +
                     std::to_string(failed) + " failed";
  if (failed > 0) line += std::string(" (see ") + kBootFailedFile + ")";
  return line;
}

BootstrapProgress run_independent_bootstrap(RunState& s, Host& host, int threads) {
  IndependentBootstrap bootstrap(s, host, threads);
  return bootstrap.run();
}

}  // namespace quorvane
