#!/usr/bin/env python3
"""The pairwise regressions in numpy, as the peer of `quantorial-cli regress DATA`.

Reads the data file (a row of names, then a row of values per period, the first column the
period), regresses every variable on every variable with an intercept (y = a + b x over all
periods), computes what the report states for each pair (a, b, R squared, the standard error
of y, the t values of a and b), keeps a and b where their t value reaches the 5 % critical
value, and writes the A and B tables and the statistics of every pair beside the data:
DATA_np_AMAT.CSV, DATA_np_BMAT.CSV and DATA_np_REG.CSV.

Run with OPENBLAS_NUM_THREADS=1 (bench/compare_regression.sh does) to compare on one core.
"""
import os
import sys

import numpy as np

T05 = [12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228, 2.201, 2.179,
       2.160, 2.145, 2.131, 2.120, 2.110, 2.101, 2.093, 2.086, 2.080, 2.074, 2.069, 2.064,
       2.060, 2.056, 2.052, 2.048, 2.045, 2.042, 2.021, 2.000, 1.980, 1.960]


def class_number(df):
    if df <= 30:
        return df
    if df <= 34:
        return 30
    if df <= 49:
        return 31
    if df <= 89:
        return 32
    if df <= 149:
        return 33
    return 34


def main():
    path = sys.argv[1]
    with open(path) as f:
        names = f.readline().rstrip("\r\n").split(",")[1:]
    data = np.loadtxt(path, delimiter=",", skiprows=1, ndmin=2)[:, 1:]
    n = data.shape[0]
    s = data.sum(axis=0)
    ss = np.einsum("ij,ij->j", data, data)
    cross = data.T @ data  # cross[i, j] = sum of y_i x_j
    sy, syy = s[:, None], ss[:, None]
    sx, sxx = s[None, :], ss[None, :]
    xbar, ybar = sx / n, sy / n
    cxy = cross - n * xbar * ybar
    cxx = sxx - n * xbar * xbar
    df = n - 2
    with np.errstate(divide="ignore", invalid="ignore"):
        b = cxy / cxx
        a = ybar - b * xbar
        total = syy - n * ybar * ybar
        r2 = (a * sy + b * cross - n * ybar * ybar) / total
        se = np.sqrt(np.maximum((syy - a * sy - b * cross) / df, 0.0))
        s2 = (total - b * cxy) / df
        var_b = s2 / cxx
        var_a = s2 * sxx / (n * cxx)
        tb = np.sign(b) * np.sqrt(b * b / var_b)
        ta = np.sign(a) * np.sqrt(a * a / var_a)
    critical = T05[class_number(df) - 1]
    keep_a = np.where(np.abs(ta) >= critical, a, 0.0)
    keep_b = np.where(np.abs(tb) >= critical, b, 0.0)
    stem = os.path.splitext(path)[0]
    header = ",".join(names)
    np.savetxt(stem + "_np_AMAT.CSV", keep_a, delimiter=",", header=header, comments="", fmt="%.15g")
    np.savetxt(stem + "_np_BMAT.CSV", keep_b, delimiter=",", header=header, comments="", fmt="%.15g")
    stats = np.column_stack([x.ravel() for x in (a, b, r2, se, ta, tb)])
    np.savetxt(stem + "_np_REG.CSV", stats, delimiter=",", header="a,b,r2,se,ta,tb", comments="", fmt="%.15g")


if __name__ == "__main__":
    main()
