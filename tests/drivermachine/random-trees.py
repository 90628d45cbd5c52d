#!/usr/bin/env python3
"""Writes random trees of the machine record's round trip (tests/record/round-trip.py) that the
driver-backed machine can play, for the driver runs to walk: from SEED on, each tree the machine
installer accepts is written to FOLDER/tree-<seed>.json, until COUNT are written; a tree with a key
Wine cannot play (a refused open, a failing wait, ...) is passed over, and so is one whose search
ends in a message box. One path a line on standard output. The same seed gives the same trees.

    random-trees.py FOLDER COUNT SEED
"""
import importlib.util
import json
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent


def load(name, path):
    found = importlib.util.spec_from_file_location(name, path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def walkable(scenario):
    """False for a tree whose search stops at a controller that names a driver key but no root
    hub: the product then shows a message box, which the walk from outside does not answer."""
    return not any(c.get("noRootHubName") and not c.get("noDriverKey")
                   for c in scenario["controllers"])


def main(argv):
    folder, count, seed = pathlib.Path(argv[1]), int(argv[2]), int(argv[3])
    trees = load("round_trip", ROOT / "tests" / "record" / "round-trip.py")
    sys.path.insert(0, str(ROOT / "drivermachine" / "installer"))
    machine = load("machine", ROOT / "drivermachine" / "installer" / "machine.py")
    folder.mkdir(parents=True, exist_ok=True)
    written = 0
    # Far more than enough: about half the trees hold a key the driver refuses.
    for tree_seed in range(seed, seed + 50 * count):
        if written == count:
            break
        scenario = trees.Tree(tree_seed).scenario()
        if not walkable(scenario):
            continue
        try:
            machine.build(scenario)
        except machine.Refused:
            continue
        path = folder / f"tree-{tree_seed}.json"
        path.write_text(json.dumps(scenario, indent=1) + "\n")
        print(path)
        written += 1
    return 0 if written == count else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
