#!/usr/bin/env python3
"""The machine record's round trip: a machine, its record, the scenario made from the record, and
that scenario's own record.

For each scenario: the simulator build walks through it (Update, Retry once, Close) and writes its
record; scripts/record-to-scenario turns the record into a scenario; the simulator walks through
that one too. Both walks must pass the same screens and leave the same bytes and write sizes at the
printers, and both records must say the same (the same searches, counts, captures and exchanges;
only the times requests took may differ); converting the second record must give the first
converted scenario again.

    round-trip.py WINE SIM_EXE WORK (--scenarios FILE... | --random N SEED | --latencies MS...)

Random trees are made here, from the seed, with the kinds of faults the USB search's random-tree
tests use that scenario files can express, on the virtual clock. The latency cases are a New printer
behind an external hub on the real clock, its every request taking the given time: the replay must
be as slow as the machine, to within the clock's jitter.
"""
import concurrent.futures
import json
import os
import pathlib
import random
import re
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
CONVERTER = HERE.parent.parent / "scripts" / "record-to-scenario"
CODES = ["f0I", "f0J", "d0A", "d0B", "d0C", "v0G", "x0X"]
WALKS_AT_ONCE = 4
KINDS = ["refuse", "completeAtOnce", "acceptPart", "neverComplete", "completeWhileCancelling",
         "failResult", "failWait", "unplug"]


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def walk(wine, exe, scenario, folder):
    folder.mkdir(parents=True, exist_ok=True)
    record = folder / "record.txt"
    with open(record, "wb") as out, open(folder / "stderr.txt", "wb") as err:
        subprocess.run([wine, exe, windows_path(scenario), "--walk", windows_path(folder),
                        "--dump", windows_path(folder)], stdout=out, stderr=err,
                       stdin=subprocess.DEVNULL, timeout=150, check=False,
                       env={**os.environ, "LC_ALL": "en_US.UTF-8"})
    screens = (folder / "screens.txt").read_text().split("\n") if (folder / "screens.txt").exists() else []
    dumps = sorted((p.read_bytes(), (folder / (p.stem + ".writes.txt")).read_text())
                   for p in folder.glob("*.bin") if p.stat().st_size)
    violations = [l for l in (folder / "stderr.txt").read_text(errors="replace").splitlines()
                  if l.startswith("VIOLATION")]
    return record, [s for s in screens if s], dumps, violations


def said(record):
    """What a record says, without what may differ between two runs of one machine."""
    lines = record.read_text().splitlines()
    return [re.sub(r" in \d+ ms$", "", l) for l in lines if not l.startswith("ERROR: ")]


def speed(record):
    """The median time the record's done requests took, in ms (0 on the virtual clock)."""
    times = [int(m) for m in re.findall(r" done \d+(?: [0-9A-F]+)? in (\d+) ms$", record.read_text(), re.M)]
    times.sort()
    return times[len(times) // 2] if times else 0


def untimed(scenario):
    """A converted scenario without its printers' latencies, which follow the clock's jitter to the
    millisecond; the requests' speed is compared on its own."""
    if isinstance(scenario, dict):
        return {k: untimed(v) for k, v in scenario.items() if k != "latencyMs"}
    if isinstance(scenario, list):
        return [untimed(v) for v in scenario]
    return scenario


def convert(record, scenario):
    done = subprocess.run([sys.executable, CONVERTER, record, "-o", scenario],
                          capture_output=True, text=True, check=False)
    return done.returncode, done.stderr.strip()


def round_trip(wine, exe, scenario, work):
    failures = []
    first = walk(wine, exe, scenario, work / "machine")
    converted = work / "converted.json"
    code, message = convert(first[0], converted)
    if code != 0:
        return [f"the record was refused: {message}"]
    second = walk(wine, exe, converted, work / "replay")
    again = work / "converted-again.json"
    code, message = convert(second[0], again)
    if code != 0:
        return [f"the replay's record was refused: {message}"]
    if first[1] != second[1]:
        failures.append(f"screens {first[1]} became {second[1]}")
    if first[2] != second[2]:
        failures.append("the printers received other bytes or write sizes")
    a, b = said(first[0]), said(second[0])
    if a != b:
        at = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
        failures.append(f"the records differ at line {at + 1}: {a[at:at + 1]} / {b[at:at + 1]}")
    was, became = speed(first[0]), speed(second[0])
    if abs(was - became) > max(10, was // 50):
        failures.append(f"requests took a median {was} ms, in the replay {became} ms")
    if untimed(json.loads(converted.read_text())) != untimed(json.loads(again.read_text())):
        failures.append("converting the replay's record gave another scenario")
    failures += first[3] + second[3]
    return failures


# --- random trees ------------------------------------------------------------------------

class Tree:
    def __init__(self, seed):
        self.dice = random.Random(seed)
        self.seed = seed
        self.hubs = []
        self.printers = 0

    def chance(self, percent):
        return self.dice.randrange(100) < percent

    def device(self):
        d = self.dice
        device = {"vendor": "0xE7D2" if self.chance(15) else "0x%04X" % d.randrange(1, 0xFFFF),
                  "product": "0x%04X" % d.choice([0x20, 0x21, 0x21, 0x22, 0x1234])}
        status = d.randrange(10)
        if status >= 7:
            device["status"] = 0 if status == 7 else d.randrange(2, 9)
        for key, value, percent in (("noDriverKey", True, 6), ("deviceNode", False, 6),
                                    ("description", None, 6), ("productString", None, 8),
                                    ("productString", "Other printer", 6),
                                    ("configurationFails", True, 5), ("reportsHub", True, 3)):
            if self.chance(percent):
                device[key] = value
        if self.chance(20):
            device["attributes"] = d.choice(["0x80", "0xC0", "0xE0"])
        return device

    def printer(self):
        d = self.dice
        self.printers += 1
        printer = {"name": f"p{self.printers}", "product": "0x%04X" % d.choice([0x20, 0x21, 0x22]),
                   "code": d.choice(CODES)}
        for key, value, percent in (("silent", True, 8), ("busy", True, 4),
                                    ("interfaceListed", False, 4), ("cancelFails", True, 5),
                                    ("productString", "Stickograph", 5)):
            if self.chance(percent):
                printer[key] = value
        if self.chance(25):
            printer["writes"] = [{"index": d.randrange(4), "kind": d.choice(KINDS), "bytes": 3}]
            printer["scriptedOpen"] = d.choice([0, 4])
        if self.chance(10):
            printer["reads"] = [{"index": 0, "kind": d.choice(KINDS), "bytes": 4}]
            printer["scriptedOpen"] = d.choice([0, 2])
        return printer

    def ports(self, count, depth):
        entries = []
        for port in range(1, count + 1):
            kind = self.dice.randrange(100)
            entry = {"port": port}
            if kind < 35:
                pass
            elif (kind < 50 or self.printers == 0 and kind < 70) and self.printers < 2:
                entry["printer"] = self.printer()
            elif kind < 80 or depth >= 3:
                entry["device"] = self.device()
            elif kind < 84 and self.hubs:
                entry["hubLink"] = self.dice.choice(self.hubs)
            else:
                name = f"HUB#{self.seed}#{len(self.hubs)}"
                self.hubs.append(name)
                hub = {"name": name, "ports": self.dice.randrange(5)}
                if self.chance(10):
                    hub["vendor"], hub["product"] = "0xE7D2", "0x0021"
                for key in ("openFails", "nodeInformationFails"):
                    if self.chance(4):
                        hub[key] = True
                hub["contents"] = self.ports(hub["ports"], depth + 1)
                entry["hub"] = hub
            if self.chance(6):
                entry["connectionFails"] = True
            if len(entry) > 1:
                entries.append(entry)
        return entries

    def scenario(self):
        d = self.dice
        numbers = list(range(12))
        controllers, keys = [], []
        for c in range(1 + d.randrange(3)):
            controller = {}
            if self.chance(70):
                controller["number"] = numbers.pop(d.randrange(len(numbers)))
            if "number" not in controller or self.chance(40):
                controller["listed"] = True
            key = "{36fc9e60-c465-11cf-8056-444553540000}\\%04d" % (self.seed % 1000 * 10 + c)
            controller["driverKey"] = keys[-1] if keys and self.chance(8) else key
            keys.append(controller["driverKey"])
            controller["rootPorts"] = d.randrange(6)
            for key_, percent in (("noDriverKey", 4), ("noRootHubName", 3), ("openFails", 3),
                                  ("rootHubOpenFails", 3)):
                if self.chance(percent):
                    controller[key_] = True
            if controller.get("listed") and self.chance(4):
                controller["detailReadFails"] = True
            if self.chance(5):
                controller["presentForSearches"] = 1 + d.randrange(8)
            controller["ports"] = self.ports(controller["rootPorts"], 1)
            controllers.append(controller)
        # Numbered controllers first, as the walk meets them: the file then lists the printer
        # interfaces in the order a replay can give them.
        controllers.sort(key=lambda c: ("listed" in c, c.get("number", 99)))
        return {"description": f"random tree {self.seed}", "realTime": False,
                "controllers": controllers}


def behind_a_hub(latency):
    printer = {"name": "new-printer", "product": "0x0021", "code": "f0I", "latencyMs": latency}
    hub = {"name": "HUB#latency", "ports": 2, "contents": [{"port": 2, "printer": printer}]}
    return {"description": f"a New printer behind a hub, {latency} ms a request", "realTime": True,
            "controllers": [{"number": 0, "listed": True, "rootPorts": 2,
                             "ports": [{"port": 1, "hub": hub}]}]}


def main(argv):
    wine, exe, work = argv[1], argv[2], pathlib.Path(argv[3])
    if argv[4] == "--random":
        count, seed = int(argv[5]), int(argv[6])
        cases = []
        for i in range(count):
            path = work / f"tree-{seed + i}.json"
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(json.dumps(Tree(seed + i).scenario(), indent=1))
            cases.append(path)
    elif argv[4] == "--latencies":
        cases = []
        for latency in argv[5:]:
            path = work / f"latency-{latency}.json"
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(json.dumps(behind_a_hub(int(latency)), indent=1))
            cases.append(path)
    else:
        cases = [pathlib.Path(p) for p in argv[5:]]
    # A walk spends most of its time waiting for screens to settle, so a few run side by side.
    with concurrent.futures.ThreadPoolExecutor(max_workers=WALKS_AT_ONCE) as pool:
        results = list(pool.map(lambda case: round_trip(wine, exe, case, work / case.stem), cases))
    failed = 0
    for case, failures in zip(cases, results):
        for failure in failures:
            print(f"FAIL {case.name}: {failure}")
        failed += bool(failures)
    print(f"{len(cases) - failed} of {len(cases)} machines made the round trip")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
