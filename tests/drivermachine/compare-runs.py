#!/usr/bin/env python3
"""Compares a walk of the product on the driver-backed machine with the simulator build's walk of
the same scenario: the screens passed (screens.txt), what each printer received (dump/<name>.bin
and <name>.writes.txt) and the machine record. Exit 0 when they agree, 1 with the first
difference otherwise.

    compare-runs.py [--replay | --no-record] DRIVER_FOLDER SIMULATOR_FOLDER

With --replay the simulator walked the scenario converted from the driver run's own record: its
screens and bytes must be the driver run's, and its record is not compared (a replay's machine is
rebuilt from what was seen, with the converter's defaults). --no-record leaves the record out for
a road where Wine's stack answers otherwise than Windows and the simulator.

What legitimately differs in the records is made alike first: times of requests, the case of
interface paths (Wine's SetupAPI gives them in lower case), the device-node lookup, which
Wine's configuration manager cannot answer (its tree walk is a stub), so a match is counted
without its details, and the line of a cancellation that failed, which Wine's CancelIo never
does.
"""
import pathlib
import re
import sys


def record_lines(path, simulator):
    out = []
    for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
        if line.startswith("simulator clock"):
            continue
        line = re.sub(r" in \d+ ms", " in ? ms", line)
        if line.startswith("interface ") or line.startswith("listed "):
            line = line.lower()
        if simulator:
            # Wine's configuration manager cannot be entered: whether the simulated machine's
            # tree holds a node for the key or none, Wine's answers that there is no tree.
            line = re.sub(r"^(port \S+) node (found|not found)$",
                          r"\1 node no tree", line)
            # Wine's CancelIo succeeds whatever the driver does (docs/wine-notes.md): a printer
            # whose cancellation fails is played as one that ends the request later, and the
            # failure's own line is the simulated machine's alone.
            if line in ("cancel failed error 1168", "ERROR: CancelIo failed (0x490)!"):
                continue
        out.append(line)
    return out


def compare_records(driver, simulator):
    ours, theirs = record_lines(driver, False), record_lines(simulator, True)
    if len(ours) < 5:
        return f"the driver run recorded only {len(ours)} lines"
    for number, (mine, other) in enumerate(zip(ours, theirs), 1):
        if mine != other:
            return f"record line {number}: driver machine {mine!r}, simulator {other!r}"
    if len(ours) != len(theirs):
        shorter = "driver machine's" if len(ours) < len(theirs) else "simulator's"
        return f"record line {min(len(ours), len(theirs)) + 1}: the {shorter} record ends first"
    return None


def screens(folder):
    path = folder / "screens.txt"
    return path.read_text().split("\n")[:-1] if path.exists() else []


def compare_dumps(driver, simulator):
    names = sorted({p.name for p in driver.glob("*")} | {p.name for p in simulator.glob("*")})
    for name in names:
        mine, other = driver / name, simulator / name
        if not mine.exists() or not other.exists():
            return f"dump {name}: only the {'simulator' if other.exists() else 'driver machine'} has it"
        if mine.read_bytes() != other.read_bytes():
            return f"dump {name}: the printer received other bytes"
    return None


def dumped(folder):
    """What the printers received, by printer and without names: a replay names its printers
    after their places, and only those that were asked something."""
    got = [(p.read_bytes(), p.with_suffix(".writes.txt").read_bytes())
           for p in folder.glob("*.bin")]
    # A printer that was asked nothing leaves no trace in a record, so a replay lacks it.
    return sorted(g for g in got if g != (b"", b""))


def main(args):
    replay, no_record = args[:1] == ["--replay"], args[:1] == ["--no-record"]
    skip = replay or no_record
    driver, simulator = (pathlib.Path(a) for a in args[skip:skip + 2])
    if not screens(driver) or screens(driver) != screens(simulator):
        print(f"screens: driver machine {screens(driver)}, simulator {screens(simulator)}")
        return 1
    if replay:
        problem = None if dumped(driver / "dump") == dumped(simulator / "dump") else \
            "dump: the replay's printers received other bytes"
    else:
        problem = compare_dumps(driver / "dump", simulator / "dump")
    if not problem and not skip:
        problem = compare_records(driver / "record.txt", simulator / "record.txt")
    if problem:
        print(problem)
        return 1
    print(f"{'replay' if replay else 'simulator'}: screens {screens(driver)}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
