#!/usr/bin/env python3
"""Independent reference for the channel analysis, computed with numpy/scipy.

Usage: reference.py SAMPLES N RATE WINDOW_OUT
  SAMPLES     raw native doubles, the m samples of one channel
  N           window length (samples of one channel per frame)
  RATE        per-channel sampling rate in Hz
  WINDOW_OUT  file that receives the N window values as raw native doubles

Prints one JSON object: windowMean, windowRms, dc (weighted mean), ac
(weighted RMS of the alternating part), frequencies (every peak-bin
frequency whose magnitude is within 1e-9 of the largest, so that near-ties
decided by rounding are not counted as disagreement).
"""

import json
import sys

import numpy as np
from scipy.signal import windows

COEFFICIENTS = [0.3635819267707609, 0.489177437145017, 0.1365995139786921, 0.01064112210553003]


def main():
    samples_path, n_text, rate_text, window_path = sys.argv[1:5]
    n = int(n_text)
    rate = float(rate_text)
    x = np.fromfile(samples_path, dtype=np.float64)
    m = x.size

    # Periodic four-term cosine window (scipy builds it from -pi..pi).
    w = windows.general_cosine(n, COEFFICIENTS, sym=False)
    w.astype(np.float64).tofile(window_path)
    window_mean = w.mean()
    window_rms = np.sqrt(np.mean(w * w))

    k = min(m, n)
    dc = np.mean(x[:k] * w[:k] / window_mean) if k else 0.0
    ac = np.sqrt(np.mean(((x[:k] - dc) * w[:k] / window_rms) ** 2)) if k else 0.0

    magnitudes = np.abs(np.fft.rfft(x))[1:]  # bins 1 .. m//2, DC left out
    if magnitudes.size:
        near = np.nonzero(magnitudes >= magnitudes.max() * (1.0 - 1e-9))[0]
    else:
        near = np.array([0])
    frequencies = [float((i + 1) * rate / m) for i in near]

    json.dump({"windowMean": float(window_mean), "windowRms": float(window_rms), "dc": float(dc),
               "ac": float(ac), "frequencies": frequencies}, sys.stdout)


if __name__ == "__main__":
    main()
