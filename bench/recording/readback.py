#!/usr/bin/env python3
"""Reads a recording back with Python's csv module and checks it.

Usage: readback.py FILE [RECORDS]

RECORDS is the number of passes with readings that the recorder was given;
the row count is set against it.  Prints the figures and exits non-zero when
the file breaks the format: a header other than the fixed one, a row with
another number of cells, a line not ended by CRLF, a byte-order mark, elapsed
times going back, or a cell of a channel that the row's own configuration
does not measure.
"""
import csv
import datetime
import io
import sys


def expected_header():
    cells = ["time", "elapsed_s"]
    for n in range(1, 33):
        cells += [f"ch{n}_mV", f"ch{n}_kHz"]
    return cells + ["overload", "config", "alias", "device"]


def config_channels(config):
    """{channel number: 'AC' or 'DC'} from the config column."""
    channels = {}
    for part in config.split("; ")[2:]:
        fields = part.split(" ")
        channels[int(fields[0])] = fields[1]
    return channels


def main():
    path = sys.argv[1]
    records = int(sys.argv[2]) if len(sys.argv) > 2 else None
    raw = open(path, "rb").read()
    problems = []
    if raw.startswith(b"\xef\xbb\xbf"):
        problems.append("byte-order mark")
    lines = raw.split(b"\r\n")
    if lines[-1] != b"":
        problems.append("last line not ended by CRLF")
    if any(b"\n" in line or b"\r" in line for line in lines):
        problems.append("a line end other than CRLF")

    reader = csv.reader(io.StringIO(raw.decode("utf-8"), newline=""))
    header = next(reader)
    if header != expected_header():
        problems.append("header differs")
    rows = 0
    last_elapsed = -1.0
    first_time = last_time = None
    configs = set()
    mixed = 0
    measured_cells = 0
    for row in reader:
        rows += 1
        if len(row) != len(header):
            problems.append(f"row {rows}: {len(row)} cells")
            continue
        elapsed = float(row[1])
        if elapsed < last_elapsed:
            problems.append(f"row {rows}: elapsed goes back")
        last_elapsed = elapsed
        stamp = datetime.datetime.fromisoformat(row[0])
        first_time = first_time or stamp
        last_time = stamp
        configs.add(row[-1])
        channels = config_channels(row[-1])
        for n in range(1, 33):
            mv, khz = row[2 * n], row[2 * n + 1]
            if mv:
                measured_cells += 1
            if (mv or khz) and n not in channels or khz and channels.get(n) == "DC":
                mixed += 1
    if mixed:
        problems.append(f"{mixed} cells outside their row's configuration")

    span = (last_time - first_time).total_seconds() if rows > 1 else 0.0
    print(f"readback: {path}")
    print(f"readback: {len(raw)} bytes, {rows} rows over {span:.1f} s (elapsed_s ends at {last_elapsed:.3f}), "
          f"{measured_cells} voltage cells, {len(configs)} configuration(s)")
    if records is not None:
        print(f"readback: rows {rows} vs records {records}: {'equal' if rows == records else 'DIFFERENT'}")
        if rows != records:
            problems.append("row count differs from the record count")
    for p in problems[:20]:
        print(f"readback: problem: {p}")
    print("readback: " + ("ok" if not problems else f"{len(problems)} problem(s)"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
