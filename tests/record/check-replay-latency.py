#!/usr/bin/env python3
"""The latency a replayed printer is given from the times its requests took: the median to the
millisecond, never so long that a request that was done would run into the channel's wait."""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "scripts"))
from machinerecord.scenario import replay_latency  # noqa: E402

W, R = "writes", "reads"
CASES = [
    ("no request done", [], 0),
    ("to the millisecond", [(W, 250), (R, 251), (W, 251), (R, 252)], 251),
    ("a fast machine", [(W, 37), (R, 38), (W, 37)], 37),
    ("reads done just within their wait", [(R, 5003), (R, 5003), (W, 2)], 5000),
    ("writes done just within their wait", [(W, 10004), (W, 10004)], 10000),
]
failed = 0
for name, durations, expected in CASES:
    got = replay_latency(durations)
    if got != expected:
        print(f"FAIL {name}: {got} ms, expected {expected} ms")
        failed += 1
print(f"{len(CASES) - failed} passed, {failed} failed")
sys.exit(1 if failed else 0)
