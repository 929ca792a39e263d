#!/usr/bin/env python3
"""One session of a real VISA client (pyvisa-py) with the server that
--headless --remote=PORT starts without a display, against the simulator's
known signals; SIGTERM then ends the program cleanly, the stored server
settings left alone.

Usage: test_pyvisa.py <vernier executable> <project version>
"""
import json
import math
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

import pyvisa

PROGRAM = sys.argv[1] if len(sys.argv) > 1 else "vernier"
VERSION = sys.argv[2] if len(sys.argv) > 2 else "1.0.3"

# The simulator's truth: what each input carries (volts, hertz).
SIM_CONFIG = {
    "searchDelayMs": 20, "realtime": True, "seed": 1,
    "devices": [
        {"name": "VRK11", "address": "192.0.2.11", "serial": "SIM-A001", "firmware": "1.0-sim",
         "channels": {
             "1": {"waveform": "sine", "amplitude": 1.0, "frequency": 1000, "offset": 0.5},
             "2": {"waveform": "dc", "offset": -3.3},
             "17": {"waveform": "dc", "offset": 7.5},
         }},
    ],
}

# Bounds of this test's own waits: the program's start under the sanitizers
# (s), and one answer (ms; the server's own waits end at 10 s).
START_S = 60
ANSWER_MS = 20000


def log_text(folder):
    path = os.path.join(folder, "vernier.log")
    if not os.path.exists(path):
        return ""
    with open(path, "rb") as f:
        return f.read().decode("cp1251", errors="replace")


class TestRemote(unittest.TestCase):
    def test_headless_session(self):
        folder = tempfile.mkdtemp(prefix="vernier-scpi-")
        with open(os.path.join(folder, "sim.json"), "w") as f:
            json.dump(SIM_CONFIG, f)
        # A free port: bound, then given up for the program to take.
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        env = dict(os.environ, VRK_SIM_CONFIG=os.path.join(folder, "sim.json"))
        env.pop("QT_QPA_PLATFORM", None)
        env.pop("DISPLAY", None)
        # Ended by a signal: no leak check at exit.
        env["ASAN_OPTIONS"] = "detect_leaks=0"
        process = subprocess.Popen([PROGRAM, "--headless", "--remote=%d" % port], cwd=folder, env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(process.kill)  # only if SIGTERM did not end it
        try:
            deadline = time.monotonic() + START_S
            while ("порт %d" % port) not in log_text(folder) and time.monotonic() < deadline:
                self.assertIsNone(process.poll(), log_text(folder)[-2000:])
                time.sleep(0.05)
            rm = pyvisa.ResourceManager("@py")
            self.addCleanup(rm.close)
            inst = rm.open_resource("TCPIP0::127.0.0.1::%d::SOCKET" % port, read_termination="\n",
                                    write_termination="\n", timeout=ANSWER_MS)
            self.addCleanup(inst.close)
            while inst.query("SYST:DEV?") == '""' and time.monotonic() < deadline:
                time.sleep(0.05)
            self.assertEqual(inst.query("*IDN?"), "VERNIER,VRK11,SIM-A001," + VERSION)
            self.assertEqual(inst.query("SYST:DEV:CAT?"), '"192.0.2.11,SIM-A001"')
            inst.write("*RST;:INP:MODE COMM;:SAMP:RATE 100000;:TRIG:TIM 0.2;:CONF:VOLT:DC 10,(@17,2)")
            inst.write("CONF:VOLT:AC (@1);:ROUT:SCAN (@17,2,1)")
            self.assertEqual(inst.query("*OPC?"), "1")
            self.assertEqual(inst.query("INP:MODE?;:SAMP:RATE?;:TRIG:TIM?;:CONF? (@2)"),
                             'COMM;100000;0.2;"VOLT:DC 10,(@2)"')
            # DC within a few steps of the 10 V range (20 V in 16 bits); the
            # sine's RMS and frequency as the simulator measures them.
            values = [float(v) for v in inst.query("READ?").split(",")]
            self.assertEqual(len(values), 3)
            for value, truth, tolerance in zip(values, [7.5, -3.3, 1 / math.sqrt(2)], [0.003, 0.003, 0.01]):
                self.assertAlmostEqual(value, truth, delta=tolerance)
            self.assertAlmostEqual(float(inst.query("FETC:FREQ? (@1)")), 1000.0, delta=10.0)
            # Back to differential: channels above 16 leave the scan.
            inst.write("INP:MODE DIFF")
            self.assertEqual(inst.query("ROUT:SCAN?"), "(@2,1)")
            inst.write("SAMP:RATE 12345")
            self.assertEqual(inst.query("SYST:ERR?"), '-222,"Data out of range"')
            self.assertEqual(inst.query("SYST:ERR?;:SAMP:RATE?"), '0,"No error";100000')
            # 16 channels at 20 kHz read 1 kHz as 250 Hz; *OPC? waits for a lone period or rate.
            inst.write("SAMP:RATE 20000;:ROUT:SCAN (@1:16)")
            self.assertEqual(inst.query("*OPC?"), "1")
            self.assertAlmostEqual(float(inst.query("FETC:FREQ? (@1)")), 250.0, delta=10.0)
            self.assertEqual(inst.query("TRIG:TIM 0.3;*OPC?"), "1")
            self.assertEqual(inst.query("SAMP:RATE 100000;*OPC?"), "1")
            self.assertAlmostEqual(float(inst.query("FETC:FREQ? (@1)")), 1000.0, delta=10.0)
        finally:
            process.send_signal(signal.SIGTERM)
        self.assertEqual(process.wait(30), 0)
        with open(os.path.join(folder, "vernier.ini")) as f:
            stored = f.read()
        self.assertRegex(stored, r"\[Remote\]\nAddress=127.0.0.1\nEnabled=false\nPort=5025")
        self.assertIn("DisplayUpdateMs=300", stored)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
