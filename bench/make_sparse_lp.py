#!/usr/bin/env python3
"""Writes a sparse planning LP in CPLEX LP form: maximise the sum of N activities, each using
K of M resources (random amounts in [0.1, 1]) whose supplies are bounded, plus C coupling rows
over every activity. Every activity uses some resource, so the optimum exists. The same seed
gives the same file.

Usage: bench/make_sparse_lp.py N M [--coupling C] [--per-column K] [--seed S] > model.lp
"""
import argparse
import random
import sys


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("n", type=int)
    ap.add_argument("m", type=int)
    ap.add_argument("--coupling", type=int, default=10)
    ap.add_argument("--per-column", type=int, default=3)
    ap.add_argument("--seed", type=int, default=43)
    a = ap.parse_args()
    rng = random.Random(a.seed)
    rows = [[] for _ in range(a.m)]
    for j in range(a.n):
        for i in rng.sample(range(a.m), a.per_column):
            rows[i].append((j, rng.uniform(0.1, 1.0)))
    out = sys.stdout
    out.write("Maximize\n obj:")
    for j in range(a.n):
        out.write(" + %.6f x%d" % (rng.uniform(0.5, 2.0), j))
        if j % 8 == 7:
            out.write("\n")
    out.write("\nSubject To\n")
    for i, terms in enumerate(rows):
        if not terms:
            continue
        out.write(" r%d:" % i)
        for k, (j, v) in enumerate(terms):
            out.write(" + %.6f x%d" % (v, j))
            if k % 8 == 7:
                out.write("\n")
        out.write(" <= %.6f\n" % rng.uniform(10.0, 100.0))
    for c in range(a.coupling):
        out.write(" c%d:" % c)
        for j in range(a.n):
            out.write(" + %.6f x%d" % (rng.uniform(0.0, 0.01), j))
            if j % 8 == 7:
                out.write("\n")
        out.write(" <= %.6f\n" % (a.n * 0.05))
    out.write("End\n")


if __name__ == "__main__":
    main()
