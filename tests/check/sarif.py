#!/usr/bin/env python3
"""The checker's SARIF output read by a real consumer: Microsoft's SARIF
Multitool (the npm package @microsoft/sarif-multitool) validates the report
on all scripts of tests/check/cases and the example script together, and
the example's alone, in English and in Japanese. A report passes when the tool finds no error in it (its
warnings are printed, not counted).

    tests/check/sarif.py [--checker PATH] [--multitool PATH]

The last line is "N passed, N failed": one check per report.
"""
import argparse
import json
import pathlib
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--checker", default=str(ROOT / "build" / "host" / "updater-check"))
    parser.add_argument("--multitool", default=shutil.which("sarif-multitool") or "sarif-multitool")
    args = parser.parse_args()
    scripts = sorted((ROOT / "tests" / "check" / "cases").glob("*.ini")) + [ROOT / "examples" / "updater.ini"]
    reports = [("every script", scripts), ("the example", scripts[-1:])]
    passed = failed = 0
    with tempfile.TemporaryDirectory() as temp:
        for name, batch in reports:
            for lang in ("en", "ja"):
                sarif = pathlib.Path(temp) / "report.sarif"
                result = pathlib.Path(temp) / "validation.sarif"
                result.unlink(missing_ok=True)
                out = subprocess.run([args.checker, "--format", "sarif", "--lang", lang] + [str(s) for s in batch],
                                     capture_output=True, cwd=ROOT)
                sarif.write_bytes(out.stdout)
                tool = subprocess.run([args.multitool, "validate", str(sarif), "--output", str(result)],
                                      capture_output=True, text=True)
                problems = []
                if out.returncode not in (0, 1):
                    problems.append(f"the checker ended with {out.returncode}")
                if not result.exists():
                    problems.append("the multitool wrote no result: " + (tool.stdout + tool.stderr)[-400:])
                else:
                    findings = json.loads(result.read_text(encoding="utf-8-sig"))["runs"][0].get("results", [])
                    for finding in findings:
                        text = finding.get("message", {}).get("text", "")
                        if finding.get("level") == "error":
                            problems.append(f"{finding['ruleId']}: {text}")
                if problems:
                    failed += 1
                    print(f"FAIL {name} ({lang}): " + "; ".join(problems))
                else:
                    passed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
