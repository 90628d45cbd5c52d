#!/usr/bin/env python3
"""Compares the machine record of the product on the driver-backed machine with the simulator
build's record of the same scenario, each run to its first settled screen. Exit 0 when they agree, 1 with the first differing line otherwise.

    compare-records.py DRIVER_RECORD SIMULATOR_RECORD

What legitimately differs is made alike first: times of transfers, the case of interface paths
(Wine's SetupAPI gives them in lower case) and the device-node lookup, which Wine's
configuration manager cannot answer (its tree walk is a stub), so a match is counted without
its details.
"""
import re
import sys


def lines(path, simulator):
    out = []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f.read().splitlines():
            if line.startswith("simulator clock"):
                continue
            line = re.sub(r" in \d+ ms", " in ? ms", line)
            if line.startswith("interface ") or line.startswith("listed "):
                line = line.lower()
            if simulator:
                line = re.sub(r"^(port \S+) node found$", r"\1 node no tree", line)
            out.append(line)
    return out


def main():
    driver, simulator = lines(sys.argv[1], False), lines(sys.argv[2], True)
    if len(driver) < 5:
        print(f"the driver run recorded only {len(driver)} lines")
        return 1
    for number, (ours, theirs) in enumerate(zip(driver, simulator), 1):
        if ours != theirs:
            print(f"line {number}: driver machine {ours!r}, simulator {theirs!r}")
            return 1
    if len(driver) != len(simulator):
        shorter = "driver machine's" if len(driver) < len(simulator) else "simulator's"
        print(f"line {min(len(driver), len(simulator)) + 1}: the {shorter} record ends first")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
