#!/usr/bin/env python3
"""Writes resources/module_mdx11_test.json, the module's verification scenario.

The scenario is a tree of test steps: mode, ADC frequency, (for AC) generator
frequency, range, and the nominal values in millivolts as leaves (true).
Every node is an object with exactly one member: its label.

Alignment of the value labels: within one list of values (the children of one
range) every number is right-aligned to the width of the longest number text
of that list, with at least one space after "=".  So all labels of one list
have the same length, e.g. "Значение =  9900 мВ" beside "Значение =   500 мВ".
All other labels carry exactly one space on each side of "=".  Negative values
use the ASCII hyphen-minus.  Numbers are written exactly as listed below.

Usage: gen_scenario.py [output path]   ("-" writes to standard output)
"""

import json
import os
import sys

MODE_DC = "Режим DC"
MODE_AC_SINGLE = "Режим AC Одноканальный"
MODE_AC_MULTI = "Режим AC Многоканальный"
ADC_FREQUENCY = "Частота АЦП"
GENERATOR_FREQUENCY = "Частота генератора"
RANGE = "Предел измерений"
VALUE = "Значение"
KHZ = "кГц"
VOLT = "В"
MILLIVOLT = "мВ"

# Range texts in range-code order, each with its DC and AC value lists (mV).
DC_VALUES = [
    ("10", ["9900", "7000", "4000", "2000", "500", "-500", "-2000", "-4000", "-7000", "-9000"]),
    ("2.5", ["2475", "1750", "1000", "500", "150", "-150", "-500", "-1000", "-1750", "-2475"]),
    ("0.6", ["600", "420", "240", "120", "30", "-30", "-120", "-240", "-420", "-600"]),
    ("0.15", ["150", "105", "60", "30", "10", "0.05", "-0.05", "-10", "-30", "-60", "-105", "-150"]),
]
AC_VALUES = [
    ("10", ["350", "1400", "2800", "4900", "6700"]),
    ("2.5", ["85", "350", "700", "1200", "1600"]),
    ("0.6", ["20", "85", "170", "290", "400"]),
    ("0.15", ["0.5", "5", "22", "45", "70", "100"]),
]

# ADC frequency (kHz) -> generator frequencies (kHz) of each AC mode.
AC_SINGLE_FREQUENCIES = [("20", ["0.1", "9"]), ("100", ["1", "49"]), ("400", ["1", "199"])]
AC_MULTI_FREQUENCIES = [("20", ["0.02", "0.5"]), ("100", ["0.02", "3"]), ("400", ["0.02", "12"])]


def label(name, number, unit, width=0):
    return "%s = %s %s" % (name, number.rjust(width), unit)


def node(text, value):
    return {text: value}


def value_list(numbers):
    width = max(len(n) for n in numbers)
    return [node(label(VALUE, n, MILLIVOLT, width), True) for n in numbers]


def ranges(table):
    return [node(label(RANGE, r, VOLT), value_list(values)) for r, values in table]


def ac_mode(mode, frequencies):
    return node(mode, [
        node(label(ADC_FREQUENCY, adc, KHZ),
             [node(label(GENERATOR_FREQUENCY, gen, KHZ), ranges(AC_VALUES)) for gen in generators])
        for adc, generators in frequencies
    ])


def scenario():
    return [
        node(MODE_DC, [node(label(ADC_FREQUENCY, "20", KHZ), ranges(DC_VALUES))]),
        ac_mode(MODE_AC_SINGLE, AC_SINGLE_FREQUENCIES),
        ac_mode(MODE_AC_MULTI, AC_MULTI_FREQUENCIES),
    ]


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "module_mdx11_test.json")
    text = json.dumps(scenario(), ensure_ascii=False, indent=4) + "\n"
    if target == "-":
        sys.stdout.buffer.write(text.encode("utf-8"))
    else:
        with open(target, "wb") as f:
            f.write(text.encode("utf-8"))


if __name__ == "__main__":
    main()
