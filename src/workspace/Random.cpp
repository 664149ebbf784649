#include "workspace/Random.h"

#include <chrono>
#include <random>

namespace quantorial {

namespace {
std::mt19937_64& Generator() {
  static std::mt19937_64 gen(0x5157414E54ULL);
  return gen;
}
}  // namespace

void Randomize(std::uint64_t seed) { Generator().seed(seed); }

void RandomizeFromClock() {
  Randomize(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
}

double Rnd() { return static_cast<double>(Generator()() >> 11) * 0x1.0p-53; }

}  // namespace quantorial
