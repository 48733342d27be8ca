// The one uniform random generator of a program session.
//
// It is created with the session and never reseeded, so the same settings give the same
// bootstrap after every program start. A draw takes two numbers from the sequence and uses the
// second; the numbers lie strictly inside (0, 1), so ln(u / (1 - u)) is always defined.
//
// An independent bootstrap replicate has a generator of its own, started from the run's seed and
// the replicate's number alone, so that its draws do not depend on which replicates ran before
// it, or on which core.
#pragma once

#include <cstdint>
#include <random>

namespace quorvane {

// The seed of the session's generator unless the user gives another.
inline constexpr std::uint32_t kDefaultSeed = std::mt19937::default_seed;

class UniformRandom {
 public:
  UniformRandom() = default;
  explicit UniformRandom(std::uint32_t seed) : engine_(seed) {}

  // The generator of independent replicate k: the engine started from seed_seq{seed, k}.
  static UniformRandom for_replicate(std::uint32_t seed, std::uint32_t k) {
    std::seed_seq sequence{seed, k};
    UniformRandom r;
    r.engine_.seed(sequence);
    return r;
  }
  // The generators of simulated stock k of the stochastic equilibrium, one for each thing that
  // varies (its recruitment, its fishing): apart from the replicates' and from each other (a third
  // number in the seed sequence), so that stock k's luck is neither replicate k's nor its own
  // recruitment's.
  enum class Stream : std::uint32_t { Recruitment = 2, Fishing = 3 };
  static UniformRandom for_simulation(std::uint32_t seed, std::uint32_t k, Stream stream) {
    std::seed_seq sequence{seed, k, static_cast<std::uint32_t>(stream)};
    UniformRandom r;
    r.engine_.seed(sequence);
    return r;
  }

  // The next number of the sequence: (x + 0.5) / 2^32 for the next 32-bit output x.
  double next() {
    const std::uint32_t x = static_cast<std::uint32_t>(engine_());
    return (static_cast<double>(x) + 0.5) / 4294967296.0;
  }
  // One draw: two numbers are taken, the first is discarded.
  double draw() {
    next();
    return next();
  }
  bool operator==(const UniformRandom&) const = default;

 private:
  std::mt19937 engine_{kDefaultSeed};
};

}  // namespace quorvane
