// The one uniform random generator of a program session.
//
// It is created with the session and never reseeded, so the same settings give the same
// bootstrap after every program start. A draw takes two numbers from the sequence and uses the
// second; the numbers lie strictly inside (0, 1), so ln(u / (1 - u)) is always defined.
#pragma once

#include <cstdint>
#include <random>

namespace quorvane {

class UniformRandom {
 public:
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
  std::mt19937 engine_{};  // default seed 5489
};

}  // namespace quorvane
