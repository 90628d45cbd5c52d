#!/usr/bin/env python3
"""Runs the simulator build on scenario files it cannot use and holds it to a short, quick refusal.

Each file must end the program within 10 s with exit code 2 and a message on standard error of at
most 600 characters that says the scenario cannot be used (and, for a mistake in a value, where).
"""
import os
import pathlib
import random
import subprocess
import sys
import time

LIMIT_SECONDS = 10
LIMIT_CHARACTERS = 600


def junk(size):
    rng = random.Random(731)
    return bytes(rng.getrandbits(8) for _ in range(size // 64)) * 64


CASES = [
    # name, content, a part the message must hold
    ("junk-20mb.json", lambda: junk(20 * 1024 * 1024), "cannot be used"),
    ("long-string.json", lambda: b'{"description": "' + b"a" * 900_000, "parse error"),
    ("deep-lists.json", lambda: b"[" * 900_000, "cannot be used"),
    ("type-error.json", lambda: b'{"realTime": "yes"}', "scenario.realTime: expected true or false"),
    ("out-of-range.json",
     lambda: b'{"controllers": [{"number": 0, "ports": [{"port": 1, "printer": {"product": 70000}}]}]}',
     "controllers[0].ports[0].printer.product: 70000 is out of range"),
]


def windows_path(path):
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def main(wine, exe, work):
    # The first Wine process of a run starts Wine's own services, which may take long on a busy
    # machine; that is not the program's time, so it is spent before anything is measured. The
    # services inherit standard output and error, so these go to files, never to pipes whose end
    # would wait for the services.
    subprocess.run([wine, "cmd", "/c", "exit"], stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    failures = []
    for name, make, expected in CASES:
        path = pathlib.Path(work) / name
        path.write_bytes(make())
        walk = pathlib.Path(work) / (name + ".walk")
        walk.mkdir(exist_ok=True)
        errors = pathlib.Path(work) / (name + ".stderr")
        start = time.monotonic()
        try:
            with open(errors, "wb") as stderr:
                run = subprocess.run([wine, exe, windows_path(path), "--walk", windows_path(walk)],
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=stderr, timeout=LIMIT_SECONDS * 3,
                                     env=dict(os.environ, LC_ALL="en_US.UTF-8"))
        except subprocess.TimeoutExpired:
            failures.append(f"{name}: still running after {LIMIT_SECONDS * 3} s")
            continue
        seconds = time.monotonic() - start
        message = errors.read_bytes().decode("utf-8", "replace").strip()
        print(f"{name}: {path.stat().st_size} bytes, exit {run.returncode}, {seconds:.2f} s, "
              f"{len(message)} characters: {message[:160]!r}")
        if run.returncode != 2:
            failures.append(f"{name}: exit code {run.returncode}, not 2")
        if seconds > LIMIT_SECONDS:
            failures.append(f"{name}: {seconds:.1f} s")
        if len(message) > LIMIT_CHARACTERS:
            failures.append(f"{name}: a message of {len(message)} characters")
        if expected not in message:
            failures.append(f"{name}: the message does not say {expected!r}")
        path.unlink()
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
