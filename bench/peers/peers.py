#!/usr/bin/python3
"""The same curves through SciPy and NumPy, side by side with our figures.

Reads our timings (Google Benchmark's JSON from tessaveld_peers, with
repetitions: the medians are used) on standard input, times the same work through SciPy's BSpline and
BarycentricInterpolator and NumPy's inverse, and prints one table with the
ratio ours / peer (below 1: we are faster).
"""
import json
import math
import sys
import timeit

import numpy as np
import scipy
from scipy.interpolate import BarycentricInterpolator, BSpline

# The wavy polygon of the benchmarks: x across the window, y a sine, z a
# pattern of depths.
def wavy(n):
    s = np.arange(n) / n
    return np.stack([50 + 700 * s, 300 + 200 * np.sin(12 * s), (np.arange(n) * 37) % 400 - 200], axis=1)


# Clamped uniform knots of order d + 1 over n points: d + 1 zeros, 1 .. n - d - 1,
# d + 1 copies of n - d; 128 samples of the domain, its far end left out.
def bspline_case(n, d):
    t = np.concatenate([np.zeros(d), np.arange(0, n - d + 1), np.full(d, n - d)]).astype(float)
    spline = BSpline(t, wavy(n), d)
    u = np.arange(128) / 128 * (n - d)
    return lambda: spline(u)


# 128 nodes, one of them dragged off its place, 129 samples over the node range.
def lagrange_nodes():
    nodes = np.arange(128, dtype=float)
    nodes[64] = 64.3
    return nodes, np.linspace(nodes[0], nodes[-1], 129)


def lagrange_moved():
    nodes, u = lagrange_nodes()
    y = wavy(128)
    return lambda: BarycentricInterpolator(nodes, y)(u)


def lagrange_same():
    nodes, u = lagrange_nodes()
    interpolator = BarycentricInterpolator(nodes, wavy(128))
    return lambda: interpolator(u)


def inverse_130():
    rng = np.random.default_rng(1)
    a = rng.standard_normal((130, 130)) + 130 * np.eye(130)
    return lambda: np.linalg.inv(a)


PEERS = {
    "bspline/124/3": ("SciPy BSpline", lambda: bspline_case(124, 3)),
    "bspline/100/27": ("SciPy BSpline", lambda: bspline_case(100, 27)),
    "bspline/64/60": ("SciPy BSpline", lambda: bspline_case(64, 60)),
    "lagrange/128/moved": ("SciPy barycentric, set-up included", lagrange_moved),
    "lagrange/128/same": ("SciPy barycentric, built once", lagrange_same),
    "gauss-jordan/130": ("NumPy inverse", inverse_130),
}


def per_call_us(fn):
    number = 1
    while timeit.timeit(fn, number=number) < 0.05:
        number *= 2
    runs = timeit.repeat(fn, number=number, repeat=7)
    runs.sort()
    return runs[len(runs) // 2] / number * 1e6


def main():
    to_us = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}
    ours = {}
    for run in json.load(sys.stdin)["benchmarks"]:
        name = run["name"]
        if run.get("aggregate_name", "median") != "median":
            continue
        name = name.removesuffix("_median")
        ours[name] = run["real_time"] * to_us[run["time_unit"]]
    print(f"SciPy {scipy.__version__}, NumPy {np.__version__}; medians of 7 runs")
    print()
    print(f"| {'Case':<20} | {'Ours (us)':>10} | {'Peer (us)':>10} | {'Ratio':>6} | Peer |")
    print(f"|{'-' * 22}|{'-' * 12}|{'-' * 12}|{'-' * 8}|------|")
    for name, (label, make) in PEERS.items():
        peer = per_call_us(make())
        mine = ours.get(name, math.nan)
        print(f"| {name:<20} | {mine:>10.1f} | {peer:>10.1f} | {mine / peer:>6.2f} | {label} |")


if __name__ == "__main__":
    main()
