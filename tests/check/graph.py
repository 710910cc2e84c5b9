#!/usr/bin/env python3
"""The checker's picture of a script (--graph FILE) as a user gets it: a
file named .dot or .gv holds the Graphviz text itself, any other extension
is drawn by Graphviz's dot in that format, a name without one as SVG, and a
format dot does not know ends the checker with status 2 and its reason.

    tests/check/graph.py [--checker PATH]

One line per case (PASS/FAIL), then "N passed, N failed".
"""
import argparse
import pathlib
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]

# File name, the status the checker ends with, how the file begins.
CASES = [
    ("picture.dot", 0, b"digraph "),
    ("picture.GV", 0, b"digraph "),
    ("picture.svg", 0, b"<?xml"),
    ("picture", 0, b"<?xml"),
    ("picture.nosuch", 2, None),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--checker", default=str(ROOT / "build" / "host" / "updater-check"))
    args = parser.parse_args()
    passed = failed = 0
    with tempfile.TemporaryDirectory() as temp:
        for name, status, start in CASES:
            picture = pathlib.Path(temp) / name
            run = subprocess.run([args.checker, "--graph", str(picture), str(ROOT / "examples" / "updater.ini")],
                                 capture_output=True, text=True)
            problems = []
            if run.returncode != status:
                problems.append(f"status {run.returncode}, not {status}: {run.stderr.strip()[-200:]}")
            if start is not None and (not picture.exists() or not picture.read_bytes().startswith(start)):
                problems.append(f"the file does not begin with {start!r}")
            if start is None and "updater-check: " not in run.stderr:
                problems.append("no reason on standard error")
            if problems:
                failed += 1
                print(f"FAIL {name}: " + "; ".join(problems))
            else:
                passed += 1
                print(f"PASS {name}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
