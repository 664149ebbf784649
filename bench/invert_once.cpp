// One inversion of an n x n matrix by the dense Gauss-Jordan kernel on one thread, as a whole
// process for timing beside numpy.linalg.inv (bench/compare_invert.sh). The matrix is
// uniform(-1, 1) noise plus n on the diagonal, so no pivot comes near the tolerance. Prints
// the processor and wall seconds of the inversion alone, the sum of the inverse's cells and a
// hash of their bits.
// Usage: invert_once [N]   (2000 unless given)

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include "matrix/DenseKernels.h"

int main(int argc, char** argv) {
  const std::size_t n = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 2000;
  if (n == 0 || n > 20000) {
    std::fprintf(stderr, "usage: invert_once [N], N from 1 to 20000\n");
    return 2;
  }
  std::mt19937_64 gen(3);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> a(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) a[i * n + j] = u(gen) + (i == j ? static_cast<double>(n) : 0.0);
  }
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpuStart = std::clock();
  const bool ok = quantorial::dense::Invert(a, n, quantorial::dense::Elimination::kGaussJordan, {0, 1});
  const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  // The sum of the cells, and a hash of their bits to tell two builds' results apart.
  double sum = 0;
  std::uint64_t bits = 0xcbf29ce484222325ull;
  for (double x : a) {
    sum += x;
    unsigned char bytes[sizeof x];
    std::memcpy(bytes, &x, sizeof x);
    for (unsigned char b : bytes) bits = (bits ^ b) * 0x100000001b3ull;
  }
  std::printf("%s %.3f s cpu, %.3f s wall, sum %.17g, bits %016llx\n", ok ? "inverted" : "singular", cpu, took.count(),
              sum, static_cast<unsigned long long>(bits));
  return ok ? 0 : 1;
}
