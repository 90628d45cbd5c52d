#!/usr/bin/env python3
"""Checks one walk of the simulator build through a scenario.

The screens it passed must be the scenario's documented "screens", and every printer that received
a firmware transfer must have received its variant's flash command followed by the variant's image,
after the revision requests of the program's start. A printer without a printer interface (one that
is not connected and configured) has no dump and is passed over. Another maker's printer (a
"device" with a printer interface) must have received nothing at all. Whatever the strict simulated
machine found the program doing against Windows' rules (its "VIOLATION:" lines) fails the walk.
"""
import json
import pathlib
import sys

COMMANDS = {
    "new": bytes([0x66, 0x6C, 0x61, 0x73, 0x68, 0x20, 0x00, 0x70, 0x00]),
    "old": bytes([0x1B, 0x52, 0x66, 0x6C, 0x61, 0x73, 0x68, 0x20, 0x00, 0x70, 0x00]),
    "tt": bytes([0x1B, 0x52, 0x66, 0x6C, 0x61, 0x73, 0x68, 0x30, 0x00, 0x80, 0x00]),
}
REVISION_REQUEST = bytes([0x1B, 0x56])


def variant_of(printer):
    if int(str(printer.get("product", "0x0021")), 0) == 0x22:
        return "tt"
    # A reply given whole carries its revision code in bytes 7 to 9.
    code = printer["revision"][7:10] if "revision" in printer else printer.get("code", "f0J")
    return "new" if code.startswith("f") else "old"


def printers_of(entries):
    for entry in entries:
        if "printer" in entry:
            yield entry["printer"]
        yield from printers_of(entry.get("hub", {}).get("contents", []))


def foreign_printers_of(entries):
    for entry in entries:
        if entry.get("device", {}).get("printerInterface"):
            yield entry["device"]
        yield from foreign_printers_of(entry.get("hub", {}).get("contents", []))


def main(scenario_path, walk_dir, firmware_dir):
    scenario = json.loads(pathlib.Path(scenario_path).read_text())
    walk = pathlib.Path(walk_dir)
    seen_lines = [line.strip() for line in (walk / "screens.txt").read_text().splitlines() if line.strip()]
    failures = []
    if seen_lines != scenario["screens"]:
        failures.append(f"screens {seen_lines} != documented {scenario['screens']}")
    transferred = "Success" in scenario["screens"]
    for controller in scenario.get("controllers", []):
        for printer in printers_of(controller.get("ports", [])):
            name = printer.get("name", "printer")
            if not (walk / f"{name}.bin").exists():
                continue
            received = (walk / f"{name}.bin").read_bytes()
            sizes = [int(s) for s in (walk / f"{name}.writes.txt").read_text().split()]
            if not transferred:
                continue
            variant = variant_of(printer)
            image = (pathlib.Path(firmware_dir) / f"{variant}.bin").read_bytes()
            tail = COMMANDS[variant] + image
            if not received.endswith(tail):
                failures.append(f"{name}: the last {len(tail)} bytes are not the {variant} command and image")
            head = received[: len(received) - len(tail)]
            if head.replace(REVISION_REQUEST, b"").replace(COMMANDS[variant], b"") and "Failure" not in scenario["screens"]:
                failures.append(f"{name}: unexpected bytes before the transfer")
            expected_sizes = [len(COMMANDS[variant])] + ([2048] * 10 if variant != "new" else [20480])
            if sizes[-len(expected_sizes):] != expected_sizes:
                failures.append(f"{name}: write sizes end {sizes[-len(expected_sizes):]}, not {expected_sizes}")
        for device in foreign_printers_of(controller.get("ports", [])):
            dump = walk / f"{device['name']}.bin"
            if not dump.exists() or dump.stat().st_size:
                failures.append(f"{device['name']}: another maker's printer was sent "
                                f"{dump.stat().st_size if dump.exists() else 'no dump, so maybe'} bytes")
    output = walk / "output.txt"
    if output.exists():
        failures += [line.strip() for line in output.read_text(errors="replace").splitlines()
                     if line.startswith("VIOLATION:")]
    for failure in failures:
        print("FAIL:", failure)
    print(f"{pathlib.Path(scenario_path).name}: screens {seen_lines}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
