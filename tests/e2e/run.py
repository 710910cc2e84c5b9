#!/usr/bin/env python3
"""End-to-end scenarios of the updater.

Each scenario is a folder holding `scenario.toml`: the script, the files the
run starts from, the answers to give to the boxes, the boxes expected (in
order) and the state of the files afterwards. The runner lays the scenario
out in a scratch folder, puts a copy of the program beside the script, runs
it, and compares.

Placeholders in expected texts and file names:
  {src}   the scratch folder as the program names it (Z:\\tmp\\...)
  {root}  the Windows-like root of the host edition (as a host path)
  {user}  the login name

The scenario format (all keys but `script` optional):

  description = "what it shows"
  program = "updater"          # file name of the program copy; script = <stem>.ini
  args = ["My Setup", "/q"]    # command-line arguments
  script = '''...'''           # UTF-8; written in Shift-JIS (CP932)
  no_script = true             # do not write the script at all
  answers = ["yes", "no"]      # one line of input per box
  family = "95"                # make the host report the Windows 95 family
  registry = '''...'''         # the host's system.reg (REGEDIT4 text)

  [files]                      # files to create; a name ending in "/" is a folder
  "data/a.txt" = "text"

  [[box]]                      # expected boxes, in order
  caption = "..."
  text = '''...'''
  buttons = "OK" | "Yes No"

  [expect]
  exists = ["..."]             # relative to the scratch folder
  missing = ["..."]
  content = { "b.txt" = "text" }
  readonly = ["..."]
  writable = ["..."]
"""

import argparse
import os
import pathlib
import pwd
import shutil
import subprocess
import sys
import tempfile
import tomllib

BOX_OPEN = "=== "
BOX_CLOSE = " ==="


class Failure(Exception):
    pass


def windows_path(host_path):
    return "Z:" + str(host_path).replace("/", "\\")


def login_name():
    try:
        return pwd.getpwuid(os.getuid()).pw_name
    except KeyError:
        return os.environ.get("USER", "user")


def fill(text, places):
    for key, value in places.items():
        text = text.replace("{" + key + "}", value)
    return text


def parse_boxes(stderr):
    """Reads the boxes of the host's console box from its output.

    A box is framed as:
        === <caption> ===
        <text lines>
        --- [OK] ---            (or "--- [Yes] No ---", default in brackets)
    followed by the prompt line(s), which are ignored.
    """
    boxes = []
    lines = stderr.split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith(BOX_OPEN) and line.endswith(BOX_CLOSE):
            caption = line[len(BOX_OPEN):-len(BOX_CLOSE)]
            text = []
            i += 1
            while i < len(lines) and not (lines[i].startswith("--- ") and lines[i].endswith(" ---")):
                text.append(lines[i])
                i += 1
            buttons = ""
            if i < len(lines):
                buttons = lines[i][4:-4].replace("[", "").replace("]", "")
            boxes.append({"caption": caption, "text": "\n".join(text), "buttons": buttons})
        i += 1
    return boxes


def lay_out(scenario, folder, program, places):
    folder.mkdir(parents=True)
    shutil.copy2(program, folder / scenario.get("program", "updater"))
    if not scenario.get("no_script"):
        stem = pathlib.Path(scenario.get("program", "updater")).stem
        script = fill(scenario["script"], places).replace("\r\n", "\n").replace("\n", "\r\n")
        (folder / (stem + ".ini")).write_bytes(script.encode("cp932"))
    for name, content in scenario.get("files", {}).items():
        path = folder / fill(name, places)
        if name.endswith("/"):
            path.mkdir(parents=True, exist_ok=True)
        else:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(fill(content, places).encode("cp932"))


def check_files(expect, folder, places):
    def at(name):
        return folder / fill(name, places)

    for name in expect.get("exists", []):
        if not os.path.lexists(at(name)):
            raise Failure(f"expected {name} to exist")
    for name in expect.get("missing", []):
        if os.path.lexists(at(name)):
            raise Failure(f"expected {name} to be missing")
    for name, content in expect.get("content", {}).items():
        path = at(name)
        if not path.is_file():
            raise Failure(f"expected file {name}")
        actual = path.read_bytes()
        wanted = fill(content, places).encode("cp932")
        if actual != wanted:
            raise Failure(f"{name} holds {actual!r}, expected {wanted!r}")
    for name in expect.get("readonly", []):
        if at(name).stat().st_mode & 0o200:
            raise Failure(f"expected {name} to be read-only")
    for name in expect.get("writable", []):
        if not at(name).stat().st_mode & 0o200:
            raise Failure(f"expected {name} to be writable")


def run_scenario(path, program, work):
    scenario = tomllib.loads((path / "scenario.toml").read_text(encoding="utf-8"))
    folder = work / "run"
    root = work / "root"
    places = {"src": windows_path(folder), "root": str(root), "user": login_name()}
    lay_out(scenario, folder, program, places)
    root.mkdir(parents=True, exist_ok=True)
    if "registry" in scenario:
        (root / "system.reg").write_bytes(fill(scenario["registry"], places).encode("cp932"))

    env = dict(os.environ, NEMURIA_ROOT=str(root), LANG="C.UTF-8", LC_ALL="C.UTF-8")
    if scenario.get("family") == "95":
        env["NEMURIA_WINDOWS_FAMILY"] = "95"
    answers = "".join(a + "\n" for a in scenario.get("answers", []))
    try:
        run = subprocess.run([str(folder / scenario.get("program", "updater"))] + scenario.get("args", []),
                             input=answers.encode(), capture_output=True, cwd=folder, env=env, timeout=30)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end within 30 s")
    stderr = run.stderr.decode("utf-8", errors="replace")
    if run.returncode != 0:
        raise Failure(f"exit code {run.returncode}\n{stderr}")

    shown = parse_boxes(stderr)
    wanted = [{"caption": fill(b.get("caption", ""), places),
               "text": fill(b.get("text", ""), places).rstrip("\n"),
               "buttons": b.get("buttons", "OK")} for b in scenario.get("box", [])]
    if shown != wanted:
        raise Failure("boxes differ\n  shown:    " + repr(shown) + "\n  expected: " + repr(wanted))
    check_files(scenario.get("expect", {}), folder, places)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--updater", required=True, help="the host program to test")
    parser.add_argument("scenarios", nargs="*", help="scenario folders (default: all)")
    args = parser.parse_args()

    here = pathlib.Path(__file__).resolve().parent
    folders = [pathlib.Path(s) for s in args.scenarios] or sorted(
        p.parent for p in (here / "scenarios").glob("*/scenario.toml"))
    passed = failed = 0
    for folder in folders:
        with tempfile.TemporaryDirectory(prefix="updater-e2e-") as work:
            try:
                run_scenario(folder, pathlib.Path(args.updater).resolve(), pathlib.Path(work))
                passed += 1
                print(f"PASS {folder.name}")
            except Failure as failure:
                failed += 1
                print(f"FAIL {folder.name}: {failure}")
            finally:
                for dirpath, dirnames, filenames in os.walk(work):
                    for name in dirnames + filenames:
                        p = os.path.join(dirpath, name)
                        if not os.path.islink(p):
                            os.chmod(p, 0o755)
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
