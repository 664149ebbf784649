#!/usr/bin/env python3
"""numpy.linalg.inv of the same kind of matrix as bench/invert_once.cpp: uniform(-1, 1) noise
plus n on the diagonal. Prints the processor and wall seconds of the inversion alone. Run with
OPENBLAS_NUM_THREADS=1 for one core."""
import sys
import time

import numpy as np

n = int(sys.argv[1]) if len(sys.argv) > 1 else 2000
a = np.random.default_rng(3).uniform(-1.0, 1.0, (n, n)) + n * np.eye(n)
start, cpu_start = time.perf_counter(), time.process_time()
inv = np.linalg.inv(a)
cpu, wall = time.process_time() - cpu_start, time.perf_counter() - start
print("inverted %.3f s cpu, %.3f s wall, sum %.17g" % (cpu, wall, inv.sum()))
