#!/usr/bin/env python3
"""The script checker's speed: a script of 500 procedures (gen.py), every
one of them reached, checked by the host updater-check. Prints the median
and the slowest wall time of the whole program over the runs (the program's
start included), against the target of 100 ms.

    bench/check/bench.py [--checker PATH] [--runs N]

The last line is "checker_500 median_ms X max_ms Y target_ms 100 PASS|FAIL".
"""
import argparse
import json
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parents[1]
TARGET_MS = 100


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--checker", default=str(ROOT / "build" / "host" / "updater-check"))
    parser.add_argument("--runs", type=int, default=21)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as temp:
        script = pathlib.Path(temp) / "updater.ini"
        subprocess.run([sys.executable, str(HERE / "gen.py"), str(script)], check=True)
        procedures = sum(1 for line in script.read_text().splitlines() if line.startswith("MODE="))
        # The check reaches every procedure and finds nothing to say.
        report = json.loads(subprocess.run([args.checker, "--format", "json", str(script)], capture_output=True,
                                           check=True).stdout)
        if report["errors"] or report["warnings"]:
            print(f"the benchmark script is not clean: {report['errors']} errors, {report['warnings']} warnings")
            return 1
        times = []
        for _ in range(args.runs):
            start = time.perf_counter()
            subprocess.run([args.checker, str(script)], stdout=subprocess.DEVNULL, check=True)
            times.append((time.perf_counter() - start) * 1000)
    median = statistics.median(times)
    verdict = "PASS" if median < TARGET_MS else "FAIL"
    print(f"script: {procedures} procedures, {args.runs} runs")
    print(f"checker_500 median_ms {median:.1f} max_ms {max(times):.1f} target_ms {TARGET_MS} {verdict}")
    return 0 if verdict == "PASS" else 1


if __name__ == "__main__":
    sys.exit(main())
