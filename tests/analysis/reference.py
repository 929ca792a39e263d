#!/usr/bin/env python3
"""Independent numpy/scipy reference for the channel analysis.

Usage: reference.py N RATE < SAMPLES  (N: window length; RATE: per-channel rate in
Hz; SAMPLES: one channel's samples as raw native doubles).  Prints one JSON object:
window gains, weighted mean (dc), weighted RMS of the alternating part (ac), and
every peak-bin frequency within 1e-9 of the largest (near-ties are no disagreement).
"""

import json
import sys

import numpy as np
from scipy.signal import windows

COEFFICIENTS = [0.3635819267707609, 0.489177437145017, 0.1365995139786921, 0.01064112210553003]


def main():
    x = np.frombuffer(sys.stdin.buffer.read(), dtype=np.float64)
    n, rate, m = int(sys.argv[1]), float(sys.argv[2]), x.size

    # Periodic four-term cosine window (scipy builds it from -pi..pi).
    w = windows.general_cosine(n, COEFFICIENTS, sym=False)
    window_mean, window_rms = w.mean(), np.sqrt(np.mean(w * w))
    k = min(m, n)
    dc = np.mean(x[:k] * w[:k] / window_mean) if k else 0.0
    ac = np.sqrt(np.mean(((x[:k] - dc) * w[:k] / window_rms) ** 2)) if k else 0.0

    magnitudes = np.abs(np.fft.rfft(x))[1:] if m else np.zeros(0)  # bins 1 .. m//2, DC left out
    near = np.nonzero(magnitudes >= magnitudes.max() * (1.0 - 1e-9))[0] if magnitudes.size else [0]
    frequencies = [float((i + 1) * rate / m) for i in near] if m else [0.0]

    json.dump({"windowMean": float(window_mean), "windowRms": float(window_rms), "dc": float(dc),
               "ac": float(ac), "frequencies": frequencies}, sys.stdout)


if __name__ == "__main__":
    main()
