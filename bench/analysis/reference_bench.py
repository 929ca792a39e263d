#!/usr/bin/env python3
"""numpy's time for the same channel analysis as bench_analysis, in ns per
sample: "<kind> <N> <median> <minimum>" lines over at least 30 repetitions
and at least 0.5 s of work, timed with time.perf_counter.

Plain numpy doing only the work: the window and its gains are made once
outside the timing, the weighted sums are dot products, and the frequency is
the argmax of |rfft| past the DC bin.  No copy is made that the work does not
need, so the ratio against it is not flattered."""

import time

import numpy as np
from scipy.signal import windows

COEFFICIENTS = [0.3635819267707609, 0.489177437145017, 0.1365995139786921, 0.01064112210553003]
RATE = 25000.0


def analyze_ac(x, w, window_mean, window_rms):
    frequency = (int(np.argmax(np.abs(np.fft.rfft(x))[1:])) + 1) * RATE / x.size
    mu = np.dot(x, w) / (x.size * window_mean)
    d = x - mu
    d *= w
    rms = np.sqrt(np.dot(d, d) / x.size) / window_rms
    return rms + frequency


def analyze_dc(x, w, window_mean):
    return np.dot(x, w) / (x.size * window_mean)


def ns_per_sample(samples, analysis):
    times = []
    begin = time.perf_counter()
    while len(times) < 30 or time.perf_counter() - begin < 0.5:
        t0 = time.perf_counter()
        analysis(samples)
        times.append((time.perf_counter() - t0) * 1e9)
    return float(np.median(times)) / samples.size, min(times) / samples.size


def main():
    rng = np.random.default_rng(7)
    for n in (5000, 6250, 200000):
        # One frame per analysis, as many samples as the window has.
        w = windows.general_cosine(n, COEFFICIENTS, sym=False)
        window_mean = w.mean()
        window_rms = np.sqrt(np.mean(w * w))
        t = np.arange(n)
        x = 0.3 + np.sin(2.0 * np.pi * 20.0 * t / RATE) + rng.normal(0.0, 0.01, n)
        ac = ns_per_sample(x, lambda v: analyze_ac(v, w, window_mean, window_rms))
        dc = ns_per_sample(x, lambda v: analyze_dc(v, w, window_mean))
        print("ac %d %.3f %.3f" % (n, ac[0], ac[1]))
        print("dc %d %.3f %.3f" % (n, dc[0], dc[1]))


if __name__ == "__main__":
    main()
