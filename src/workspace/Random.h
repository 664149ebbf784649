#pragma once
// The process-wide pseudo-random generator (the random row fill of ResizeMatrix, the
// tip of the day, random file-name digits). Seedable so that runs can be repeated.

#include <cstdint>

namespace quantorial {

// Restarts the generator from a seed.
void Randomize(std::uint64_t seed);
// Restarts the generator from the clock.
void RandomizeFromClock();
// The next number, uniform in [0, 1), with 53 random bits.
double Rnd();

}  // namespace quantorial
