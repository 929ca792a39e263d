#!/usr/bin/env python3
"""The program's SCPI server driven by a real VISA client (pyvisa with the
pyvisa-py backend) against the simulator: identity, configuration, readings
against the simulator's signals, the error queue, two clients, READ? across
another client's change, recording, devices, and a table of malformed input
after each of which *IDN? still answers.

Usage: test_pyvisa.py <vernier executable> <project version>
"""
import json
import math
import os
import re
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
DEVICE_A = {
    "1": {"waveform": "sine", "amplitude": 1.0, "frequency": 1000, "offset": 0.5},
    "2": {"waveform": "dc", "offset": -3.3},
    "3": {"waveform": "dc", "offset": 1.2},
    "4": {"waveform": "dc", "offset": 0.1},
    "5": {"waveform": "sine", "amplitude": 2.0, "frequency": 50, "offset": 0.0},
    "9": {"waveform": "dc", "offset": 5.0},
    "17": {"waveform": "dc", "offset": 7.5},
}
DEVICE_B = {"3": {"waveform": "dc", "offset": -6.0}}
SIM_CONFIG = {
    "searchDelayMs": 20, "realtime": True, "seed": 1,
    "devices": [
        {"name": "VRK11", "address": "192.0.2.11", "serial": "SIM-A001", "firmware": "1.0-sim",
         "channels": DEVICE_A},
        {"name": "VRK11", "address": "192.0.2.12", "serial": "SIM-B002", "firmware": "1.0-sim",
         "channels": DEVICE_B},
    ],
}
NAN = 9.91e37

# Bounds of this test's own waits, s: the program's start under the
# sanitizers, and one answer (the server's waits end at 10 s).
START_S = 60
ANSWER_MS = 20000


def log_text(folder):
    path = os.path.join(folder, "vernier.log")
    if not os.path.exists(path):
        return ""
    with open(path, "rb") as f:
        return f.read().decode("cp1251", errors="replace")


class Program:
    """The program, offscreen, in a fresh folder, with the server on a port
    the system chooses (read back from the log)."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="vernier-scpi-")
        with open(os.path.join(self.folder, "sim.json"), "w") as f:
            json.dump(SIM_CONFIG, f)
        with open(os.path.join(self.folder, "vernier.ini"), "w") as f:
            f.write("[Remote]\nEnabled=true\nPort=0\nAddress=127.0.0.1\n")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen",
                   VRK_SIM_CONFIG=os.path.join(self.folder, "sim.json"))
        # Ended by a signal: no leak check at exit.
        env["ASAN_OPTIONS"] = "detect_leaks=0"
        self.process = subprocess.Popen([PROGRAM], cwd=self.folder, env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.port = None
        deadline = time.monotonic() + START_S
        while time.monotonic() < deadline and self.port is None:
            found = re.search(r"Удалённое управление: адрес 127\.0\.0\.1, порт (\d+)", log_text(self.folder))
            if found:
                self.port = int(found.group(1))
            elif self.process.poll() is not None:
                break
            else:
                time.sleep(0.05)
        if self.port is None:
            self.stop()
            raise RuntimeError("the server did not start: " + log_text(self.folder)[-2000:])

    def resource(self):
        return "TCPIP0::127.0.0.1::%d::SOCKET" % self.port

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)


class Raw:
    """A plain socket, for bytes no VISA client would send."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=ANSWER_MS / 1000)
        self.buffer = b""

    def send(self, data):
        self.sock.sendall(data)

    def line(self):
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode()

    def ask(self, text):
        self.send(text.encode() + b"\n")
        return self.line()

    def closed(self):
        """Whether the server closed the connection (read until EOF)."""
        try:
            while self.sock.recv(65536):
                pass
            return True
        except (ConnectionResetError, BrokenPipeError):
            return True
        except socket.timeout:
            return False

    def close(self):
        self.sock.close()


def numbers(text):
    return [float(v) for v in text.split(",")]


class TestRemote(unittest.TestCase):
    program = None
    rm = None

    @classmethod
    def setUpClass(cls):
        cls.program = Program()
        cls.rm = pyvisa.ResourceManager("@py")

    @classmethod
    def tearDownClass(cls):
        cls.rm.close()
        cls.program.stop()

    def open(self):
        inst = self.rm.open_resource(self.program.resource(), read_termination="\n",
                                     write_termination="\n", timeout=ANSWER_MS)
        self.addCleanup(inst.close)
        return inst

    def setUp(self):
        self.inst = self.open()
        # A module in use, and the state an empty vernier.ini gives.
        deadline = time.monotonic() + START_S
        while self.inst.query("SYST:DEV?") == '""' and time.monotonic() < deadline:
            time.sleep(0.05)
        self.inst.write("*RST;*CLS")
        self.assertEqual(self.inst.query("*OPC?"), "1")

    def errors(self, inst=None):
        inst = inst or self.inst
        codes = []
        for _ in range(25):
            entry = inst.query("SYST:ERR?")
            code = int(entry.split(",")[0])
            if code == 0:
                self.assertEqual(entry, '0,"No error"')
                break
            codes.append(code)
        return codes

    def test_identity(self):
        self.assertEqual(self.inst.query("*IDN?"), "VERNIER,VRK11,SIM-A001," + VERSION)
        self.assertEqual(self.inst.query("syst:vers?"), "1999.0")

    def test_configures_dc_and_ac_channels(self):
        self.inst.write("CONF:VOLT:DC 2,(@3,2);:CONF:VOLT:AC 0.5,(@1)")
        self.assertEqual(self.inst.query("ROUT:SCAN?"), "(@1)")
        self.inst.write("ROUT:SCAN (@3,2,1)")
        self.assertEqual(self.inst.query("CONF?"),
                         '"VOLT:DC 2.5,(@3)","VOLT:DC 2.5,(@2)","VOLT:AC 0.6,(@1)"')
        self.inst.write("SENS:VOLT:DC:RANG 10,(@2)")
        self.assertEqual(self.inst.query("VOLT:DC:RANG? (@2,3)"), "10,2.5")
        self.assertEqual(self.inst.query("*OPC?"), "1")
        values = numbers(self.inst.query("FETC?"))
        self.assertEqual(len(values), 3)
        self.assertAlmostEqual(values[0], 1.2, delta=0.003)
        self.assertAlmostEqual(values[1], -3.3, delta=0.003)
        self.assertEqual(self.errors(), [])

    def test_measures_the_simulators_signals(self):
        rows = [
            # command, expected values, tolerance
            ("MEAS:VOLT:DC? (@2,3)", [-3.3, 1.2], 0.003),
            ("MEAS:VOLT:DC? 0.15,(@4)", [0.1], 0.0005),
            ("MEASURE:VOLTAGE:AC? (@1,5)", [1 / math.sqrt(2), 2 / math.sqrt(2)], 0.01),
            ("MEAS:FREQ? (@1,5)", [1000.0, 50.0], 10.0),
            ("MEAS:VOLT? 10,(@9)", [5.0], 0.003),
        ]
        for command, expected, tolerance in rows:
            with self.subTest(command=command):
                values = numbers(self.inst.query(command))
                self.assertEqual(len(values), len(expected))
                for value, truth in zip(values, expected):
                    self.assertAlmostEqual(value, truth, delta=tolerance)
        # The range too small for the signal: overloaded.
        self.assertEqual(self.inst.query("MEAS:VOLT:DC? 0.15,(@9)"), "9.9E37")
        # A DC channel has no frequency.
        self.inst.write("CONF:VOLT:DC (@2);:ROUT:SCAN (@2,1)")
        self.assertEqual(self.inst.query("READ?").count(","), 1)
        self.assertEqual(self.inst.query("FETC:FREQ? (@2)"), "9.91E37")
        self.assertEqual(self.errors(), [])

    def test_error_queue(self):
        rows = [
            (b"FOO:BAR", -113),
            (b"SAMP:RATE 12345", -222),
            (b"CONF:VOLT:DC (@17)", -221),
            (b"SYST:DEV \"\xff\xfe\"", -101),
            (b"ROUT:SCAN (@1,2", -102),
            (b"SAMP:RATE 'x'", -104),
            (b"CONF:VOLT:DC", -109),
            (b"REC:STAR \"/tmp/elsewhere.csv\"", -108),
            (b"SAMP:RATE 20kHz", -131),
            (b"SYST:DEV \"10.0.0.1\"", -224),
        ]
        for data, _ in rows:
            self.inst.write_raw(data + b"\n")
        self.assertEqual(self.inst.query("SYST:ERR:COUN?"), str(len(rows)))
        self.assertEqual(self.inst.query("*STB?"), "4")
        self.assertEqual(self.errors(), [code for _, code in rows])
        self.assertEqual(self.inst.query("*ESR?"), str(32 | 16))
        self.assertEqual(self.inst.query("ROUT:SCAN?"), "(@1)")
        self.assertEqual(self.inst.query("REC:STAT?"), "0")

    def test_two_clients_at_once(self):
        other = self.open()
        self.inst.write("FOO")
        self.assertEqual(other.query("*IDN?"), self.inst.query("*IDN?"))
        self.assertEqual(self.errors(other), [])
        self.assertEqual(self.errors(), [-113])
        other.write("CONF:VOLT:DC (@3)")
        self.assertEqual(other.query("*OPC?"), "1")
        self.assertEqual(self.inst.query("ROUT:SCAN?"), "(@3)")

    def test_read_across_another_clients_change(self):
        other = self.open()
        self.inst.write("CONF:VOLT:AC (@1)")
        self.assertEqual(self.inst.query("*OPC?"), "1")
        self.inst.write("READ?")
        other.write("CONF:VOLT:DC 10,(@9)")
        values = numbers(self.inst.read())
        self.assertEqual(len(values), 1)
        self.assertAlmostEqual(values[0], 5.0, delta=0.003)
        self.assertEqual(self.errors(), [])

    def test_settings_are_the_operators(self):
        self.inst.write("TRIG:TIM 0.2;:SAMP:RATE 100000;:INP:MODE COMM")
        self.assertEqual(self.inst.query("*OPC?"), "1")
        self.assertEqual(self.inst.query("TRIG:TIM?;:SAMP:RATE?;:INP:MODE?"), "0.2;100000;COMM")
        with open(os.path.join(self.program.folder, "vernier.ini")) as f:
            self.assertIn("DisplayUpdateMs=200", f.read())
        values = numbers(self.inst.query("MEAS:VOLT:DC? (@17,2)"))
        self.assertAlmostEqual(values[0], 7.5, delta=0.003)
        self.assertAlmostEqual(values[1], -3.3, delta=0.003)
        self.inst.write("INP:MODE DIFF")
        self.assertEqual(self.inst.query("ROUT:SCAN?"), "(@2)")
        self.assertEqual(self.errors(), [])

    def test_recording(self):
        self.inst.write("REC:STAR")
        self.assertEqual(self.inst.query("REC:STAT?"), "1")
        path = self.inst.query("REC:FILE?").strip('"')
        self.assertEqual(os.path.dirname(path), self.program.folder)
        self.inst.query("READ?")
        self.inst.query("READ?")
        self.inst.write("REC:STOP")
        self.assertEqual(self.inst.query("REC:STAT?"), "0")
        deadline = time.monotonic() + 10
        rows = 0
        while rows < 2 and time.monotonic() < deadline:
            with open(path, encoding="utf-8") as f:
                rows = len(f.readlines()) - 1
            time.sleep(0.05)
        self.assertGreaterEqual(rows, 1)
        self.assertEqual(self.errors(), [])

    def test_devices(self):
        self.assertEqual(self.inst.query("SYST:DEV:CAT?"), '"192.0.2.11,SIM-A001","192.0.2.12,SIM-B002"')
        self.inst.write("SYST:DEV:SEAR")
        self.assertEqual(self.inst.query("SYST:DEV:CAT?"), '"192.0.2.11,SIM-A001","192.0.2.12,SIM-B002"')
        try:
            self.inst.write('SYST:DEV "192.0.2.12"')
            self.assertEqual(self.inst.query("SYST:DEV?"), '"192.0.2.12"')
            self.assertEqual(self.inst.query("*IDN?").split(",")[2], "SIM-B002")
            values = numbers(self.inst.query("MEAS:VOLT:DC? (@3)"))
            self.assertAlmostEqual(values[0], -6.0, delta=0.003)
        finally:
            self.inst.write('SYST:DEVICE:SELECT "192.0.2.11"')
        self.assertEqual(self.inst.query("SYST:DEV?"), '"192.0.2.11"')
        self.assertAlmostEqual(numbers(self.inst.query("MEAS:VOLT:DC? (@3)"))[0], 1.2, delta=0.003)
        self.assertEqual(self.errors(), [])

    def test_malformed_input(self):
        idn = "VERNIER,VRK11,SIM-A001," + VERSION
        rows = [
            # name, bytes sent, whether the server closes the connection
            ("long line", b"*IDN?" + b" " * 70000 + b"\n", True),
            ("long line without end", b"A" * 70000, True),
            ("binary", bytes(range(256)) + b"\n", False),
            ("NUL bytes", b"\0\0\0\n", False),
            ("invalid UTF-8", b"*IDN?\xc0\xaf\n", False),
            ("empty commands", b";;;\n\n  \n", False),
            ("bare CR", b"\r\n", False),
            ("unbalanced brackets", b"ROUT:SCAN (@1,2\n", False),
            ("closing bracket only", b"ROUT:SCAN @1)\n", False),
            ("huge channel list", b"ROUT:SCAN (@" + b",".join(b"1" for _ in range(20000)) + b")\n", False),
            ("huge channel range", b"ROUT:SCAN (@1:99999999999999999999)\n", False),
            ("number out of range", b"SAMP:RATE 1e999\n", False),
            ("negative period", b"TRIG:TIM -1\n", False),
            ("unterminated string", b"SYST:DEV \"192.0.2.11\n", False),
            ("headers only colons", b":::\n", False),
        ]
        for name, data, closes in rows:
            with self.subTest(name=name):
                raw = Raw(self.program.port)
                try:
                    raw.send(data)
                    if closes:
                        self.assertTrue(raw.closed())
                        raw.close()
                        raw = Raw(self.program.port)
                    self.assertEqual(raw.ask("*IDN?"), idn)
                finally:
                    raw.close()
        self.assertRegex(log_text(self.program.folder), r"строка длиннее 65536 байт, соединение с 127\.0\.0\.1:\d+")
        self.assertEqual(self.inst.query("ROUT:SCAN?"), "(@1)")


class TestHeadlessRemote(unittest.TestCase):
    """--headless --remote=PORT: the server without a window, on the port
    given, the stored settings left alone; SIGTERM still ends it cleanly."""

    def test_headless_answers(self):
        folder = tempfile.mkdtemp(prefix="vernier-headless-")
        with open(os.path.join(folder, "sim.json"), "w") as f:
            json.dump(SIM_CONFIG, f)
        # A free port: bound, then given up for the program to take.
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        env = dict(os.environ, VRK_SIM_CONFIG=os.path.join(folder, "sim.json"))
        env.pop("QT_QPA_PLATFORM", None)
        env.pop("DISPLAY", None)
        env["ASAN_OPTIONS"] = "detect_leaks=0"
        process = subprocess.Popen([PROGRAM, "--headless", "--remote=%d" % port], cwd=folder, env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + START_S
            while ("порт %d" % port) not in log_text(folder) and time.monotonic() < deadline:
                self.assertIsNone(process.poll(), log_text(folder)[-2000:])
                time.sleep(0.05)
            rm = pyvisa.ResourceManager("@py")
            inst = rm.open_resource("TCPIP0::127.0.0.1::%d::SOCKET" % port, read_termination="\n",
                                    write_termination="\n", timeout=ANSWER_MS)
            while inst.query("SYST:DEV?") == '""' and time.monotonic() < deadline:
                time.sleep(0.05)
            self.assertEqual(inst.query("*IDN?"), "VERNIER,VRK11,SIM-A001," + VERSION)
            self.assertAlmostEqual(numbers(inst.query("MEAS:VOLT:DC? (@2)"))[0], -3.3, delta=0.003)
            inst.close()
            rm.close()
        finally:
            process.send_signal(signal.SIGTERM)
            try:
                status = process.wait(30)
            except subprocess.TimeoutExpired:
                process.kill()
                status = process.wait(10)
        self.assertEqual(status, 0)
        with open(os.path.join(folder, "vernier.ini")) as f:
            self.assertRegex(f.read(), r"\[Remote\]\nAddress=127.0.0.1\nEnabled=false\nPort=5025")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
