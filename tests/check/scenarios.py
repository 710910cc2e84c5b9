#!/usr/bin/env python3
"""Every end-to-end scenario's script through the checker.

    tests/check/scenarios.py [--checker PATH] [--table]

A scenario whose run stops on a mistake of the script (its last box is
message 2, 4 or 6, or message 3 for ProcListArray at the deepest nesting)
must get an error on the line that tests/check/scenario-stops.txt names for
it; a scenario whose run stops on nothing of the kind must get no error.
The table says, per scenario, one of:

  LINE            the run stops on a script mistake: an error on LINE
  none            no error (the run ends normally or fails on the disk)
  changed LINE    the run changes the script itself, and the stop comes from
                  that: the checker warns of it on LINE (script-changed)
  no-script       the scenario has no script

The table and the scenarios' boxes must agree: a scenario that stops on a
script mistake cannot be "none". A scenario the table leaves out counts as
"none", so a new scenario needs a line only when its run stops on a mistake. One line per scenario (PASS/FAIL), then
"N passed, N failed"; --table prints the rows as a Markdown table instead.
"""
import argparse
import json
import pathlib
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
import run  # noqa: E402  the end-to-end runner, for its scenario format


def catalogue():
    """The first line of each catalogue message, by id."""
    texts = {}
    for line in (ROOT / "resources" / "messages.txt").read_text(encoding="utf-8").splitlines():
        if line and not line.startswith("#"):
            number, text = line.split("\t", 1)
            texts[int(number)] = text.split("\\n")[0]
    return texts


def stops_on_mistake(boxes, texts):
    """Whether the run's last box is a script mistake's message."""
    if not boxes:
        return False
    text = boxes[-1].get("text", "").strip()
    first = text.split("\n")[0]
    if first in (texts[2], texts[4], texts[6]):
        return True
    return first == texts[3] and "ProcListArray" in text


def read_table():
    table = {}
    for line in (HERE / "scenario-stops.txt").read_text(encoding="utf-8").splitlines():
        line = line.split("#", 1)[0].strip()
        if line:
            name, *expectation = line.split()
            table[name] = expectation
    return table


def check(checker, folder, scenario):
    """The checker's JSON report of the scenario's script, laid out in
    `folder` as the host edition's scenario runs lay it out."""
    root = folder / "root"
    work = folder / "run"
    work.mkdir(parents=True)
    places = run.scenario_places(scenario, work, run.folder_places("host", root))
    stem = pathlib.Path(scenario.get("program", "updater")).stem
    script = work / (stem + ".ini")
    script.write_bytes(run.script_bytes(scenario, places))
    env = {"NEMURIA_ROOT": str(root), "LANG": "C.UTF-8", "PATH": "/usr/bin:/bin"}
    if scenario.get("family") == "95":
        env["NEMURIA_WINDOWS_FAMILY"] = "95"
    out = subprocess.run([str(checker), "--format", "json", "--lang", "en", str(script)],
                         capture_output=True, env=env, timeout=60)
    if out.returncode not in (0, 1):
        raise RuntimeError(f"the checker ended with {out.returncode}: {out.stderr.decode(errors='replace')}")
    report = json.loads(out.stdout)
    if (out.returncode == 1) != (report["errors"] > 0):
        raise RuntimeError("the exit status does not match the errors reported")
    return report["files"][0]["findings"]


def judge(name, expectation, mistake, findings):
    """The verdict on one scenario: (passed, what the checker said)."""
    errors = [f for f in findings if f["severity"] == "error"]
    said = "; ".join(f"{f['line']} {f['rule']}" for f in errors) or "no error"
    warnings = sorted({f["rule"] for f in findings if f["severity"] == "warning"})
    if warnings:
        said += " (warnings: " + ", ".join(warnings) + ")"
    # A scenario the table does not name must stop on no script mistake.
    kind = expectation[0] if expectation else "none"
    if not expectation and mistake:
        return False, said + " -- the run stops on a script mistake: name its line in scenario-stops.txt"
    if mistake and kind == "none":
        return False, said + " -- the run stops on a script mistake, but the table says none"
    if kind.isdigit():
        line = int(kind)
        if not mistake:
            return False, said + " -- the table names a stop line, but the run does not stop on a mistake"
        if not any(f["line"] == line for f in errors):
            return False, said + f" -- no error on line {line}"
        return True, said
    if kind == "none":
        return (not errors), said
    if kind == "changed":
        line = int(expectation[1])
        ok = any(f["line"] == line and f["rule"] == "script-changed" for f in findings)
        return ok and not errors, said
    return False, said + f" -- unknown expectation {kind}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--checker", default=str(ROOT / "build" / "host" / "updater-check"))
    parser.add_argument("--table", action="store_true")
    args = parser.parse_args()
    texts = catalogue()
    table = read_table()
    rows = []
    passed = failed = 0
    with tempfile.TemporaryDirectory() as scratch:
        folders = sorted((ROOT / "tests" / "e2e" / "scenarios").glob("*/scenario.toml"))
        for name, scenario in (each for path in folders for each in run.load_scenarios(path.parent)):
            scenario = run.for_edition(scenario, "host")
            expectation = table.get(name, [])
            mistake = stops_on_mistake(scenario.get("box", []), texts)
            if scenario.get("no_script"):
                ok, said = expectation in ([], ["no-script"]), "no script to check"
            else:
                try:
                    findings = check(args.checker, pathlib.Path(scratch) / name.replace("/", "-"), scenario)
                    ok, said = judge(name, expectation, mistake, findings)
                except (RuntimeError, ValueError, subprocess.TimeoutExpired) as problem:
                    ok, said = False, str(problem)
            rows.append((name, " ".join(expectation) or "?", said))
            if ok:
                passed += 1
            else:
                failed += 1
            if not args.table:
                print(f"{'PASS' if ok else 'FAIL'} {name}: expected {' '.join(expectation) or '?'}; {said}")
    if args.table:
        print("| scenario | expected stop line | what the checker said |")
        print("|---|---|---|")
        for name, expected, said in rows:
            print(f"| {name} | {expected} | {said} |")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
