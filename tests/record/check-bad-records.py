#!/usr/bin/env python3
"""Records that scripts/record-to-scenario must refuse: each ends in exit code 2 with one short
message on standard error, and writes no scenario. A whole record converts, so the refusals are
the records' fault and not the script's.

    check-bad-records.py WORK
"""
import pathlib
import random
import subprocess
import sys

SCRIPTS = pathlib.Path(__file__).resolve().parents[2] / "scripts"
CONVERTER = SCRIPTS / "record-to-scenario"
sys.path.insert(0, str(SCRIPTS))
from machinerecord.model import BadRecord  # noqa: E402
from machinerecord.parse import parse  # noqa: E402
from machinerecord.scenario import scenario_of  # noqa: E402
LONGEST_MESSAGE = 300 + len("record-to-scenario: ")

# The record of a machine with one controller and a mouse.
WHOLE = """SG731 machine record 1
program 1.0.0 64-bit
language 0x0409 built-in
probe Old
search 1 product 0x0020
hcd 0 opened
hcd 0 key "{36fc9e60-c465-11cf-8056-444553540000}\\\\0001"
hcd 0 root hub "ROOT"
hub 1 "ROOT" ports 2
port 1.1 status 1 vid 0x046D pid 0xC077 hub 0
port 1.2 status 0 vid 0x0000 pid 0x0000 hub 0
listed controllers
search 1 count 0
SG731OldDevice counted 0
probe Old answers 0
selection count 0 variant none
"""
CUT_AT = WHOLE.index("port 1.2")

BAD = {
    "a last line that is not whole": WHOLE[:CUT_AT + 12],
    "cut short inside a search": WHOLE[:CUT_AT],
    "cut short before the selection": WHOLE[:WHOLE.index("SG731OldDevice counted")],
    "a garbled line": WHOLE.replace("hub 1 \"ROOT\" ports 2", "hub 1 ROOT ports two"),
    "an unknown line": WHOLE.replace("listed controllers\n", "listed contrlolers\n"),
    "a port of no hub": WHOLE.replace("port 1.2", "port 7.2"),
    "bytes no record holds": WHOLE.replace("ROOT", "R\u00f6\u00f6t"),
    "a newer version": WHOLE.replace("record 1\n", "record 2\n", 1),
    "no record at all": "hello\n",
    "empty": "",
    "very large": WHOLE + "port 1.1 status 1 vid 0x046D pid 0xC077 hub 0\n" * 800_000,
}


def convert(path, scenario):
    return subprocess.run([sys.executable, CONVERTER, path, "-o", scenario], capture_output=True,
                          text=True, timeout=60, check=False)


def garbled(dice):
    """The whole record with a few of its lines dropped, doubled, moved or with a word changed."""
    lines = WHOLE.splitlines()
    for _ in range(1 + dice.randrange(3)):
        at = dice.randrange(1, len(lines))
        change = dice.randrange(4)
        if change == 0:
            del lines[at]
        elif change == 1:
            lines.insert(at, lines[dice.randrange(1, len(lines))])
        elif change == 2:
            lines.insert(dice.randrange(1, len(lines)), lines.pop(at))
        else:
            words = lines[at].split(" ")
            words[dice.randrange(len(words))] = dice.choice(["7", "x", '"a"', "", "0x", "none"])
            lines[at] = " ".join(words)
    return lines


def main(work):
    work = pathlib.Path(work)
    work.mkdir(parents=True, exist_ok=True)
    failures = []
    whole = work / "whole.txt"
    whole.write_text(WHOLE)
    done = convert(whole, work / "whole.json")
    if done.returncode != 0 or not (work / "whole.json").exists():
        failures.append(f"the whole record was refused: {done.stderr.strip()}")
    for name, text in BAD.items():
        record, scenario = work / "bad.txt", work / "bad.json"
        record.write_bytes(text.encode("utf-8"))
        scenario.unlink(missing_ok=True)
        done = convert(record, scenario)
        message = done.stderr.strip()
        if done.returncode != 2:
            failures.append(f"{name}: exit code {done.returncode}, not 2")
        if not message or "\n" in message or len(message) > LONGEST_MESSAGE:
            failures.append(f"{name}: not one short message: {message[:80]!r}...")
        if scenario.exists():
            failures.append(f"{name}: a scenario was written")
        print(f"{name}: {message}")
    # Garbled records in their hundreds, read in this process: each is refused as a bad record or
    # read as a machine, and nothing else (no exception of another kind) ever comes out.
    dice = random.Random(731)
    for case in range(400):
        lines = garbled(dice)
        try:
            scenario_of(parse(lines))
        except BadRecord:
            pass
        except Exception as e:  # noqa: BLE001 - any other is the fault this looks for
            failures.append(f"garbled record {case}: {type(e).__name__} {e}: {lines}")
            break
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
