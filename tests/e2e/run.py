#!/usr/bin/env python3
"""End-to-end scenarios of the updater, on the host edition and on the
Windows program under Wine: each folder of scenarios/ holds a
scenario.toml (the script, the files, the answers, the boxes and files
expected), laid out in a scratch folder and run beside a copy of the
program. tests/e2e/README.md describes the scenario format, the editions
and the options.

Results: one line per scenario and edition, then "N passed, N failed"
(", N skipped" when any were).
"""

import argparse
import contextlib
import hashlib
import json
import os
import pathlib
import pwd
import re
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import tomllib

BOX_OPEN = "=== "
BOX_CLOSE = " ==="
EDITIONS = ("host", "win32", "win64")
HERE = pathlib.Path(__file__).resolve().parent
REPO = HERE.parent.parent

# The Windows programs' time limit for each box to appear (or the program to
# end), given to boxbot; the whole run of one scenario has a limit too.
BOX_SECONDS = 20
SCENARIO_SECONDS = 180


class Failure(Exception):
    pass


class Skip(Exception):
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


def scenario_places(scenario, folder, places):
    """Every placeholder of a scenario run in `folder`: the scratch folder
    in both forms, the edition's folders, and the scenario's own `places`,
    which may use the others."""
    places = {"src": windows_path(folder), "src_host": str(folder), **places}
    own = {key: fill(value, places) for key, value in scenario.get("places", {}).items()}
    return {**places, **own}


def load_scenarios(folder):
    """The scenarios of a folder: its scenario.toml, or one scenario for each
    of its [[variant]] tables, named FOLDER/NAME, whose keys replace the
    shared ones and whose places are added to theirs."""
    shared = tomllib.loads((folder / "scenario.toml").read_text(encoding="utf-8"))
    variants = shared.pop("variant", [])
    if not variants:
        return [(folder.name, shared)]
    loaded = []
    for variant in variants:
        scenario = {**shared, **variant}
        scenario["places"] = {**shared.get("places", {}), **variant.get("places", {})}
        loaded.append((f"{folder.name}/{scenario.pop('name')}", scenario))
    return loaded


def for_edition(scenario, edition):
    """The scenario as one edition sees it: its [host] or [windows] table's
    keys replace the top-level ones."""
    side = "host" if edition == "host" else "windows"
    merged = {key: value for key, value in scenario.items() if key not in ("host", "windows")}
    merged.update(scenario.get(side, {}))
    return merged


def folder_places(edition, root, user=None):
    """The placeholders of the folders that differ between the editions;
    `user` is the login name the program runs under (default: ours)."""
    user = user or login_name()
    if edition == "host":
        win, users = "C:\\WINDOWS", "C:\\Users"
    else:
        win, users = "C:\\windows", "C:\\users"
    roaming = "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
    return {
        "user": user,
        "root": str(root),
        "drive_c": str(root / "drive_c"),
        "win": win,
        "sys": win + "\\system32",
        "desktop": users + "\\Public\\Desktop",
        "programs": "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs",
        "user_desktop": users + "\\" + user + "\\Desktop",
        "user_programs": users + "\\" + user + roaming,
        "exe": "" if edition == "host" else ".exe",
    }


def parse_boxes(output):
    """Reads the boxes from the host's console box output, or from boxbot's.

    A box is framed as:
        === <caption> ===
        <text lines>
        --- [OK] ---            (or "--- [Yes] No ---", default in brackets)
    The host then prompts ("> ") and echoes the answer; lines outside the
    frames are ignored. The result gives the buttons without the brackets
    and the default button separately.
    """
    boxes = []
    lines = output.split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.startswith(BOX_OPEN) and line.endswith(BOX_CLOSE) and len(line) >= len(BOX_OPEN + BOX_CLOSE):
            caption = line[len(BOX_OPEN):-len(BOX_CLOSE)]
            text = []
            i += 1
            while i < len(lines) and not (lines[i].startswith("--- ") and lines[i].endswith(" ---")):
                text.append(lines[i])
                i += 1
            buttons, default = [], ""
            if i < len(lines):
                for word in lines[i][4:-4].split(" "):
                    if word.startswith("[") and word.endswith("]"):
                        word = word[1:-1]
                        default = word
                    buttons.append(word)
            boxes.append({"caption": caption, "text": "\n".join(text), "buttons": " ".join(buttons),
                          "default": default})
        i += 1
    return boxes


@contextlib.contextmanager
def traced(output, steps=None):
    """Adds the program's trace lines (NEMURIA_TRACE=1: the call, path and
    error behind each error box) to a failure raised inside, and the steps
    of the host program's own trace (--trace) when there are any."""
    try:
        yield
    except Failure as failure:
        trace = [line for line in output.split("\n") if line.startswith("trace: ")]
        report = str(failure)
        if trace:
            report += "\n  the program's trace:\n    " + "\n    ".join(trace)
        if steps:
            report += "\n  the steps of the run (--trace):\n    " + "\n    ".join(steps)
        if report == str(failure):
            raise
        raise Failure(report) from None


def expected_boxes(scenario, places):
    return [{"caption": fill(box.get("caption", ""), places),
             "text": fill(box.get("text", ""), places).rstrip("\n"),
             "buttons": box.get("buttons", "OK"),
             "default": box.get("default")} for box in scenario.get("box", [])]


def compare_boxes(shown, wanted):
    """Compares caption, text and buttons of every box, and the default
    button of those boxes whose expectation names one."""
    shown = [dict(box, default=box["default"] if i < len(wanted) and wanted[i]["default"] else None)
             for i, box in enumerate(shown)]
    if shown != wanted:
        raise Failure("boxes differ\n  shown:    " + repr(shown) + "\n  expected: " + repr(wanted))


LINE_ENDS = {"crlf": "\r\n", "lf": "\n", "cr": "\r"}


def script_bytes(scenario, places):
    """The bytes of the scenario's script file: `script_python` run, or
    `script` taken; text with its placeholders filled, its line ends as
    `line_ends` says and encoded as `encoding` says."""
    if "script_python" in scenario:
        names = {"places": places}
        exec(scenario["script_python"], names)
        script = names["script"]
    else:
        script = scenario["script"]
    if isinstance(script, bytes):
        return script
    script = fill(script, places)
    ends = scenario.get("line_ends", "crlf")
    if ends != "keep":
        script = script.replace("\r\n", "\n").replace("\n", LINE_ENDS[ends])
    return script.encode(scenario.get("encoding", "cp932"))


def lay_out(scenario, folder, program, program_name, places):
    folder.mkdir(parents=True)
    shutil.copy2(program, folder / program_name)
    if not scenario.get("no_script"):
        stem = pathlib.Path(program_name).stem
        (folder / (stem + ".ini")).write_bytes(script_bytes(scenario, places))
    # The recording test program of the edition's build, where the
    # scenario's LAUNCH procedures expect it.
    windows = program_name.lower().endswith(".exe")
    recorder = pathlib.Path(program).parent / "tests" / ("argdump.exe" if windows else "argdump")
    for name in scenario.get("argdump", []):
        path = folder / (fill(name, places) + (".exe" if windows else ""))
        path.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(recorder, path)
    for name, content in scenario.get("files", {}).items():
        path = folder / fill(name, places)
        if name.endswith("/"):
            path.mkdir(parents=True, exist_ok=True)
        else:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(fill(content, places).encode("cp932"))


def resolve_windows(path, drive_c):
    """The host path of a Windows path "C:\\..." or "Z:\\...", each name
    matched without regard to case where the exact one is missing, as Wine
    and the host edition find files."""
    drive, rest = path[0].upper(), path[2:]
    if drive == "C":
        current = pathlib.Path(drive_c)
    elif drive == "Z":
        current = pathlib.Path("/")
    else:
        raise Failure(f"no drive {drive}: for {path}")
    for name in [part for part in rest.split("\\") if part]:
        exact = current / name
        if not os.path.lexists(exact) and current.is_dir():
            matches = [entry for entry in os.listdir(current) if entry.lower() == name.lower()]
            if matches:
                exact = current / sorted(matches)[0]
        current = exact
    return current


def expected_path(name, folder, places):
    """The host path of a path of [expect]: relative to the scratch folder,
    or a Windows path."""
    name = fill(name, places)
    if re.match(r"^[A-Za-z]:\\", name):
        return resolve_windows(name, places["drive_c"])
    return folder / name


def check_files(expect, folder, places):
    def at(name):
        return expected_path(name, folder, places)

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
    for name, lines in expect.get("lines", {}).items():
        path = at(name)
        if not path.is_file():
            raise Failure(f"expected file {name}")
        held = path.read_bytes().decode("cp932", errors="replace").splitlines()
        for line in lines:
            if fill(line, places) not in held:
                raise Failure(f"{name} lacks the line {fill(line, places)!r}; it holds {held!r}")
    for name, relative in expect.get("started_in", {}).items():
        # argdump records its working folder: the host path on the host,
        # the Windows path (backslashes written as \x5C) under Wine.
        path = at(name)
        if not path.is_file():
            raise Failure(f"expected file {name}")
        held = path.read_bytes().decode("cp932", errors="replace").splitlines()
        started = folder / fill(relative, places)
        wanted = [f"folder={started}", "folder=" + windows_path(started).replace("\\", "\\x5C")]
        if not any(line in held for line in wanted):
            raise Failure(f"{name}: expected the program to start in {relative}; it holds {held!r}")
    for name in expect.get("readonly", []):
        if at(name).stat().st_mode & 0o200:
            raise Failure(f"expected {name} to be read-only")
    for name in expect.get("writable", []):
        if not at(name).stat().st_mode & 0o200:
            raise Failure(f"expected {name} to be writable")


def snapshot(top, contents=True):
    """The state of every entry below `top`, by its path relative to it: a
    file's content (a digest of it; only its size where `contents` is
    false), permission bits and modification time, a folder's permission
    bits, a link's target."""
    state = {}
    for dirpath, dirnames, filenames in os.walk(top):
        for name in dirnames + filenames:
            path = os.path.join(dirpath, name)
            try:
                info = os.lstat(path)
                if stat.S_ISLNK(info.st_mode):
                    entry = ("link", os.readlink(path))
                elif stat.S_ISREG(info.st_mode):
                    if contents:
                        with open(path, "rb") as file:
                            data = hashlib.file_digest(file, "sha256").hexdigest()
                    else:
                        data = info.st_size
                    entry = ("file", stat.S_IMODE(info.st_mode), info.st_mtime_ns, data)
                else:
                    entry = (stat.S_IFMT(info.st_mode), stat.S_IMODE(info.st_mode))
            except OSError as error:
                entry = ("unreadable", error.errno)
            state[os.path.relpath(path, top)] = entry
    return state


class Unchanged:
    """The assurance `unchanged = true` of [expect]: nothing below the
    scratch folder and drive C: is added, removed or changed by the run
    (content, permission bits, modification time), except the paths that
    `changed` lists and what lies below them. Drive C: of a Wine prefix is
    compared by the sizes of its files, not their bytes: it holds all of
    Wine."""

    def __init__(self, expect, folder, places, drive_c_contents=True):
        self.wanted = bool(expect.get("unchanged"))
        self.tops = [(pathlib.Path(folder), True), (pathlib.Path(places["drive_c"]), drive_c_contents)]
        # Compared without regard to letter case, as Windows names files.
        self.allowed = [str(expected_path(name, folder, places)).casefold()
                        for name in expect.get("changed", [])]
        self.before = [snapshot(top, contents) for top, contents in self.tops] if self.wanted else []

    def check(self):
        if not self.wanted:
            return
        differences = []
        for (top, contents), before in zip(self.tops, self.before):
            after = snapshot(top, contents)
            for relative in sorted(set(before) | set(after)):
                if before.get(relative) == after.get(relative):
                    continue
                path = top / relative
                folded = str(path).casefold()
                if any(folded == allowed or folded.startswith(allowed + "/") for allowed in self.allowed):
                    continue
                what = "added" if relative not in before else "removed" if relative not in after else "changed"
                differences.append(f"{what} {path}")
        if differences:
            more = f" (and {len(differences) - 10} more)" if len(differences) > 10 else ""
            raise Failure("expected nothing on disk to change: " + "; ".join(differences[:10]) + more)


def make_writable(top):
    """Gives every folder and file below `top` its write bits back (a
    scenario may leave read-only files), so that it can be removed."""
    for dirpath, dirnames, filenames in os.walk(top):
        for name in dirnames + filenames:
            path = os.path.join(dirpath, name)
            if not os.path.islink(path):
                os.chmod(path, 0o755)


def input_lines(scenario):
    return "".join(answer + "\n" for answer in scenario.get("answers", []))


# ---- The host edition -----------------------------------------------------

def host_command(scenario, program, work, places, answers_option):
    """The host program's command line: its own options (the trace into the
    work folder, --status, --answers, the scenario's options), "--", then
    the scenario's arguments; and the trace file."""
    trace = work / ("trace.jsonl" if "trace_jsonl" in scenario else "trace.txt")
    options = [] if scenario.get("untraced") else [f"--trace={trace}"]
    if "status" in scenario:
        options.append("--status")
    if (answers_option or scenario.get("answers_option")) and scenario.get("answers"):
        options += ["--answers", ",".join(scenario["answers"])]
    options += [fill(option, places) for option in scenario.get("options", [])]
    return [str(program)] + options + ["--"] + scenario.get("args", []), trace


def trace_steps(trace):
    """The lines of the trace file the program wrote, if it wrote one."""
    try:
        return trace.read_bytes().decode("utf-8", errors="replace").splitlines()
    except OSError:
        return []


def compare_lines(what, shown, wanted):
    """Compares two lists of lines and names the first that differs."""
    if shown == wanted:
        return
    for number, (got, expected) in enumerate(zip(shown, wanted), 1):
        if got != expected:
            raise Failure(f"{what} differs at line {number}\n  shown:    {got!r}\n  expected: {expected!r}")
    raise Failure(f"{what} has {len(shown)} lines, expected {len(wanted)}; the first extra line: "
                  f"{(shown[len(wanted)] if len(shown) > len(wanted) else wanted[len(shown)])!r}")


def compare_json_lines(shown, wanted):
    """Each expected JSON object's fields must be those of the shown
    object on the same line."""
    if len(shown) != len(wanted):
        raise Failure(f"the JSON trace has {len(shown)} lines, expected {len(wanted)}:\n    " + "\n    ".join(shown))
    for number, (got, expected) in enumerate(zip(shown, wanted), 1):
        try:
            got_object = json.loads(got)
        except ValueError as error:
            raise Failure(f"line {number} of the JSON trace is no JSON ({error}): {got!r}")
        expected_object = json.loads(expected)
        differing = {key: got_object.get(key) for key, value in expected_object.items() if got_object.get(key) != value}
        if differing:
            raise Failure(f"line {number} of the JSON trace differs in {differing!r}\n  shown:    {got}\n"
                          f"  expected: {expected}")


def check_host_output(scenario, places, stdout, stderr, steps):
    """The expectations of the host program's own outputs: its standard
    output, lines of its standard error, and its trace."""
    def lines(text):
        return fill(text, places).rstrip("\n").split("\n") if text.strip() else []
    if "stdout" in scenario:
        compare_lines("the standard output", stdout.rstrip("\n").split("\n") if stdout else [],
                      lines(scenario["stdout"]))
    for line in scenario.get("stdout_has", []):
        if fill(line, places) not in stdout.split("\n"):
            raise Failure(f"the standard output lacks the line {fill(line, places)!r}:\n{stdout}")
    for line in scenario.get("stderr_has", []):
        if fill(line, places) not in stderr.split("\n"):
            raise Failure(f"the standard error lacks the line {fill(line, places)!r}")
    if "trace" in scenario:
        compare_lines("the trace", steps, lines(scenario["trace"]))
    if "trace_jsonl" in scenario:
        # Placeholders stand inside JSON strings there.
        escaped = {key: json.dumps(value)[1:-1] for key, value in places.items()}
        compare_json_lines(steps, fill(scenario["trace_jsonl"], escaped).strip("\n").split("\n"))


def run_host(scenario, program, work, answers_option=False):
    folder = work / "run"
    root = work / "root"
    places = scenario_places(scenario, folder, folder_places("host", root))
    lay_out(scenario, folder, program, scenario.get("program", "updater"), places)
    root.mkdir(parents=True, exist_ok=True)
    if "registry" in scenario:
        (root / "system.reg").write_bytes(fill(scenario["registry"], places).encode("cp932"))
    expect = scenario.get("expect", {})
    if expect.get("unchanged"):
        # The folders that the program makes in its root when it starts, made
        # here first, so that what the run itself changes stands out.
        for name in ("WINDOWS/system32", "ProgramData/Microsoft/Windows/Start Menu/Programs",
                     "Users/Public/Desktop", f"Users/{login_name()}/Desktop",
                     f"Users/{login_name()}/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"):
            (root / "drive_c" / name).mkdir(parents=True, exist_ok=True)
    unchanged = Unchanged(expect, folder, places)

    # With NEMURIA_TRACE=1 the program says on standard error, beside each
    # error box, which call failed on which path; a failure report shows it.
    env = dict(os.environ, NEMURIA_ROOT=str(root), LANG="C.UTF-8", LC_ALL="C.UTF-8", NEMURIA_TRACE="1")
    env.pop("NEMURIA_WINDOWS_FAMILY", None)
    env.pop("NEMURIA_LANG", None)
    if scenario.get("family") == "95":
        env["NEMURIA_WINDOWS_FAMILY"] = "95"
    env.update({key: fill(value, places) for key, value in scenario.get("env", {}).items()})
    command, trace = host_command(scenario, folder / scenario.get("program", "updater"), work, places,
                                  answers_option)
    # The boxes are read from a file, not a pipe: a program that the
    # updater starts may outlive it and would hold a pipe open.
    by_option = "--answers" in command[:command.index("--")]
    (work / "answers.txt").write_bytes(b"" if by_option else input_lines(scenario).encode())
    with open(work / "answers.txt", "rb") as answers, open(work / "stderr.txt", "wb") as output, \
            open(work / "stdout.txt", "wb") as standard_output:
        try:
            run = subprocess.run(command, stdin=answers, stdout=standard_output, stderr=output, cwd=folder,
                                 env=env, timeout=30)
        except subprocess.TimeoutExpired:
            end_leftovers(folder)
            raise Failure("the program did not end within 30 s")
    stderr = (work / "stderr.txt").read_bytes().decode("utf-8", errors="replace")
    stdout = (work / "stdout.txt").read_bytes().decode("utf-8", errors="replace")
    steps = trace_steps(trace)
    wanted = scenario.get("status", 0)
    with traced(stderr, steps):
        if run.returncode != wanted:
            raise Failure(f"exit code {run.returncode}" + (f", expected {wanted}" if wanted else "") + f"\n{stderr}")
        compare_boxes(parse_boxes(stderr), expected_boxes(scenario, places))
        check_host_output(scenario, places, stdout, stderr, steps)
        check_files(expect, folder, places)
        unchanged.check()
        # --explore makes its copies beside the root and must take them away.
        leftovers = sorted(entry.name for entry in work.glob(".nemuria-rehearsal-*"))
        if leftovers:
            raise Failure("copies of a rehearsal were left beside the root: " + ", ".join(leftovers))


# ---- The Windows editions under Wine ----------------------------------------

def runs(command, env=None):
    """Whether a program starts on this machine at all."""
    try:
        return subprocess.run(command, capture_output=True, env=env, timeout=60).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def registry_keys(reg_text):
    """The key names of a .reg text, in order."""
    keys = []
    for line in reg_text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]") and not line.startswith("[-"):
            keys.append(line[1:-1].strip())
    return keys


APP_PATHS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\APP PATHS"


def removable(key):
    """Keys the runner may delete after a scenario: those below the
    application-paths key and other keys at least four levels deep, never
    the application-paths key itself or one above it, which Wine's own
    registrations live in."""
    upper = key.upper()
    if APP_PATHS.startswith(upper) and (len(upper) == len(APP_PATHS) or APP_PATHS[len(upper)] == "\\"):
        return False
    return upper.startswith(APP_PATHS + "\\") or upper.count("\\") >= 3


def wow64_view(reg_text):
    """The same keys in the registry view of 32-bit programs on a 64-bit
    Windows (HKLM\\Software\\Wow6432Node)."""
    def move(match):
        return match.group(1) + "\\Wow6432Node\\"
    return re.sub(r"^(\[-?HKEY_LOCAL_MACHINE\\SOFTWARE)\\(?!Wow6432Node\\)", move, reg_text,
                  flags=re.IGNORECASE | re.MULTILINE)


def wine_account():
    """The passwd entry of the user that Wine runs as (scripts/wine-run
    --user): the runner's own user, or, when root runs the runner, an
    unprivileged one, since root's writes pass over read-only files where
    Windows refuses them."""
    name = subprocess.run([str(REPO / "scripts" / "wine-run"), "--user"], capture_output=True, text=True,
                          check=True).stdout.strip()
    try:
        return pwd.getpwnam(name)
    except KeyError:
        raise RuntimeError(f"the user {name}, who runs Wine, is missing (scripts/setup makes it)") from None


class Wine:
    """One Wine prefix on one X display with one persistent wineserver, for
    every Windows scenario of the run."""

    def __init__(self, display=None, keep=False):
        self.display = display
        self.keep = keep
        self.xvfb = None
        self.base = None
        self.loaders = {}
        self.tool_loader = None
        self.wineserver = None
        self.account = None
        # The arguments of subprocess that start a Windows program as the
        # user Wine runs as; none when that user is ours.
        self.as_user = {}

    # -- start and end --

    def __enter__(self):
        self.base = pathlib.Path(tempfile.mkdtemp(prefix="updater-wine-"))
        try:
            self._start()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _start(self):
        self.account = wine_account()
        if self.account.pw_uid != os.geteuid():
            self.as_user = {"user": self.account.pw_uid, "group": self.account.pw_gid, "extra_groups": []}
        self.prefix = self.base / "prefix"
        home = self.base / "home"
        home.mkdir()
        self.env = dict(os.environ)
        for name in ("WINEARCH", "WINESERVER", "WINELOADER", "NEMURIA_ROOT", "NEMURIA_WINDOWS_FAMILY"):
            self.env.pop(name, None)
        if self.as_user:
            # The runtime folder and X authority file of the runner's user
            # are not the Wine user's to read.
            self.env.pop("XDG_RUNTIME_DIR", None)
            self.env.pop("XAUTHORITY", None)
        self.env.update({
            "WINEPREFIX": str(self.prefix),
            "WINEDEBUG": "-all",
            "NEMURIA_TRACE": "1",
            # No Mono or Gecko (wineboot would offer to install them), and no
            # menu entries for the desktop.
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
            # Wine links the per-user folders to the home folder's; a home of
            # the run's own keeps the real one out of it.
            "HOME": str(home),
            "USER": self.account.pw_name,
            "LOGNAME": self.account.pw_name,
            "LANG": "ja_JP.UTF-8",
            "LC_ALL": "ja_JP.UTF-8",
        })
        self._japanese_locale()

        self.loaders = {"win64": self._loader("wine64", "/usr/lib/wine/wine64"),
                        "win32": self._loader("wine", "/usr/lib/wine/wine")}
        # The tools of the prefix (wineboot, regedit) run with the 64-bit
        # loader where it runs: the prefix is then a 64-bit one, in which
        # both programs run.
        self.tool_loader = self.loaders["win64"] or self.loaders["win32"]
        if not self.tool_loader:
            return
        self.prefix64 = self.tool_loader == self.loaders["win64"]
        self.env["WINELOADER"] = self.tool_loader

        if self.display is None:
            self._start_xvfb()
        self.env["DISPLAY"] = self.display

        self.wineserver = shutil.which("wineserver") or "/usr/lib/wine/wineserver"
        self.prefix.mkdir()
        # Wine uses only a prefix of the user it runs as.
        self.give(self.base)
        # The persistent server outlives this call: it must not hold the
        # runner's output open.
        with open(self.base / "tools.log", "ab") as log:
            subprocess.run([self.wineserver, "-p"], env=self.env, stdin=subprocess.DEVNULL, stdout=log,
                           stderr=log, check=True, **self.as_user)
        self.tool(["wineboot", "--init"])
        # Windows not handed to a window manager: there is none on the
        # virtual display, and Wine would wait for one at every box.
        self.regedit('[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n')
        self._own_user_folders()

    def _japanese_locale(self):
        """Wine takes the ANSI code page from the locale; ja_JP.UTF-8 gives
        932. Where the system lacks the locale, it is compiled for the run."""
        listed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower().split()
        if "ja_jp.utf8" in listed or "ja_jp.utf-8" in listed:
            return
        locales = self.base / "locale"
        locales.mkdir()
        subprocess.run(["localedef", "-i", "ja_JP", "-f", "UTF-8", str(locales / "ja_JP.UTF-8")],
                       capture_output=True)
        if not (locales / "ja_JP.UTF-8").is_dir():
            raise RuntimeError("the ja_JP.UTF-8 locale is missing and cannot be made (package locales)")
        self.env["LOCPATH"] = str(locales)

    def _loader(self, name, debian_path):
        for candidate in (debian_path, shutil.which(name)):
            if candidate and os.access(candidate, os.X_OK) and runs([candidate, "--version"]):
                return candidate
        return None

    def _start_xvfb(self):
        # Without an authorization file Xvfb admits every client of this
        # machine, the user Wine runs as among them; no TCP port is opened.
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        with os.fdopen(read, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb did not start")
                number += chunk
        self.display = ":" + number.decode().strip()

    def _own_user_folders(self):
        """Turns the per-user folders that Wine linked to the home folder
        into folders of the prefix, as on Windows."""
        users = self.prefix / "drive_c" / "users"
        for user in users.iterdir() if users.is_dir() else []:
            for entry in user.iterdir():
                if entry.is_symlink():
                    entry.unlink()
                    entry.mkdir()
                    self.give(entry)

    def __exit__(self, *exc):
        if getattr(self, "wineserver", None):
            subprocess.run([self.wineserver, "-k"], env=self.env, capture_output=True, **self.as_user)
            subprocess.run([self.wineserver, "-w"], env=self.env, capture_output=True, **self.as_user)
        if self.xvfb:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        if self.base and not self.keep:
            make_writable(self.base)
            shutil.rmtree(self.base, ignore_errors=True)
        return False

    # -- services for the scenarios --

    @property
    def user_name(self):
        return self.account.pw_name if self.account else login_name()

    def give(self, top):
        """Makes `top` and everything below it the property of the user
        Wine runs as, as the files a Windows user works on are that user's
        (a read-only one is then refused to the program as on Windows)."""
        if not self.as_user:
            return
        owner = (self.account.pw_uid, self.account.pw_gid)
        os.chown(top, *owner, follow_symlinks=False)
        for dirpath, dirnames, filenames in os.walk(top):
            for name in dirnames + filenames:
                os.chown(os.path.join(dirpath, name), *owner, follow_symlinks=False)

    def unavailable(self, edition):
        """Why the edition cannot run here, or None."""
        if not self.loaders.get(edition):
            return (f"the Wine loader for {edition} does not run on this machine"
                    + (" (the kernel runs no 32-bit Linux programs)" if edition == "win32" else ""))
        return None

    def regedit(self, body):
        """Imports the keys and values of a .reg body (REGEDIT4, without
        the header), in the code page of the prefix's locale."""
        with tempfile.NamedTemporaryFile("wb", suffix=".reg", dir=self.base, delete=False) as file:
            file.write(("REGEDIT4\r\n\r\n" + body.replace("\r\n", "\n").replace("\n", "\r\n") + "\r\n")
                       .encode("cp932"))
        self.give(file.name)
        try:
            self.tool(["regedit", "/S", windows_path(file.name)])
        finally:
            os.unlink(file.name)

    def tool(self, command):
        """Runs a Windows tool of the prefix. Its output goes to a file, not
        a pipe: the processes that Wine starts beside it (services, the
        desktop) inherit its handles and live as long as the wineserver."""
        with open(self.base / "tools.log", "ab") as log:
            run = subprocess.run([self.tool_loader] + command, env=self.env, stdin=subprocess.DEVNULL,
                                 stdout=log, stderr=log, timeout=600, **self.as_user)
        if run.returncode != 0:
            raise RuntimeError(f"{' '.join(command)} failed with exit code {run.returncode}")

    def drive_c_entries(self):
        """Every folder and file of drive C: (paths relative to it)."""
        top = self.prefix / "drive_c"
        entries = set()
        for dirpath, dirnames, filenames in os.walk(top):
            relative = os.path.relpath(dirpath, top)
            entries.update(os.path.normpath(os.path.join(relative, name)) for name in dirnames + filenames)
        return entries

    def remove_new_entries(self, before):
        """Removes what a scenario added to drive C:, so that the next one
        starts from the same prefix, as each host scenario has a root of its
        own."""
        top = self.prefix / "drive_c"
        for relative in sorted(self.drive_c_entries() - before, key=lambda p: p.count(os.sep)):
            path = top / relative
            if path.is_symlink() or path.is_file():
                path.unlink(missing_ok=True)
            elif path.is_dir():
                make_writable(path)
                shutil.rmtree(path, ignore_errors=True)

    def picture(self, rect, path):
        """Saves the screen rectangle "left top width height" as a PNG."""
        left, top, width, height = (int(n) for n in rect.split())
        margin = 4
        left, top = max(left - margin, 0), max(top - margin, 0)
        subprocess.run(["import", "-display", self.display, "-window", "root",
                        "-crop", f"{width + 2 * margin}x{height + 2 * margin}+{left}+{top}", "+repage",
                        str(path)], check=True, capture_output=True, timeout=60)


def registry_body(reg_text):
    """A .reg text without its header line."""
    lines = reg_text.replace("\r\n", "\n").split("\n")
    if lines and (lines[0].strip() == "REGEDIT4" or lines[0].startswith("Windows Registry Editor")):
        lines = lines[1:]
    return "\n".join(lines)


def end_leftovers(folder):
    """Ends the processes still running a program of the scenario folder:
    the programs this run started, should one outlive its time limit."""
    marks = (str(folder).encode(), windows_path(folder).encode())
    for entry in pathlib.Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            cmdline = (entry / "cmdline").read_bytes()
        except OSError:
            continue
        if any(mark in cmdline for mark in marks):
            try:
                os.kill(int(entry.name), 9)
            except OSError:
                pass


def run_windows(scenario, edition, programs, wine, work, options, name):
    if scenario.get("host_only") or scenario.get("options"):
        raise Skip("the host program's own: " + (scenario.get("host_only") or "its options"))
    why = wine.unavailable(edition)
    if why:
        raise Skip(why)
    updater, boxbot = programs
    folder = work / "run"
    places = scenario_places(scenario, folder, folder_places(edition, wine.prefix, wine.user_name))
    program_name = scenario.get("program", "updater")
    if not program_name.lower().endswith(".exe"):
        program_name += ".exe"
    lay_out(scenario, folder, updater, program_name, places)
    (work / "answers.txt").write_bytes(input_lines(scenario).encode())
    pauses = work / "pause"
    pausing = options.screenshots or options.hold
    if pausing:
        pauses.mkdir()
    wine.give(work)

    # What the host learns from its environment and root, Wine learns from
    # its registry, set before the run and put back after it.
    before, after = "", ""
    if scenario.get("family") == "95":
        before += '[HKEY_CURRENT_USER\\Software\\Wine]\n"Version"="win98"\n\n'
        after += '[HKEY_CURRENT_USER\\Software\\Wine]\n"Version"=-\n\n'
    if "registry" in scenario:
        body = registry_body(fill(scenario["registry"], places))
        if edition == "win32" and wine.prefix64:
            # Registered in both views: a 32-bit program on a 64-bit
            # system reads the one of 32-bit programs.
            body = body + "\n" + wow64_view(body)
        before += body + "\n"
        after += "".join(f"[-{key}]\n" for key in registry_keys(body) if removable(key))
    if before:
        wine.regedit(before)
    entries = wine.drive_c_entries()
    expect = scenario.get("expect", {})
    unchanged = Unchanged(expect, folder, places, drive_c_contents=False)
    try:
        command = [wine.loaders[edition], str(boxbot), "--answers", windows_path(work / "answers.txt"),
                   "--out", windows_path(work / "boxes.txt"), "--timeout", str(BOX_SECONDS)]
        if pausing:
            command += ["--pause", windows_path(pauses)]
        command += ["--", windows_path(folder / program_name)] + scenario.get("args", [])
        code, stderr = drive(command, wine, folder, pauses if pausing else None, options, edition, name)
        if code == 0:
            boxes = (work / "boxes.txt").read_bytes().decode("utf-8", errors="replace") \
                if (work / "boxes.txt").exists() else ""
            with traced(stderr):
                compare_boxes(parse_boxes(boxes), expected_boxes(scenario, places))
                check_files(expect, folder, places)
                unchanged.check()
    finally:
        wine.remove_new_entries(entries)
        if after:
            wine.regedit(after)

    if code == 124:
        raise Failure("a box did not appear, or the program did not end, within the time limit\n" + stderr)
    if code != 0:
        raise Failure(f"exit code {code}\n{stderr}")


def drive(command, wine, folder, pauses, options, edition, name):
    """Runs boxbot; while it pauses at a box, takes the box's picture and
    holds it on the screen as asked, then lets it go on."""
    # boxbot's messages go to a file: a program that the updater starts
    # may outlive it and would hold a pipe open.
    log_path = folder.parent / "boxbot.log"
    with open(log_path, "wb") as log:
        bot = subprocess.Popen(command, cwd=folder, env=wine.env, stdin=subprocess.DEVNULL,
                               stdout=log, stderr=log, **wine.as_user)
    deadline = time.monotonic() + SCENARIO_SECONDS
    number = 1
    try:
        while True:
            if pauses is None:
                bot.wait(timeout=max(deadline - time.monotonic(), 1))
                break
            ready = pauses / f"box-{number}.ready"
            if ready.exists():
                if options.screenshots:
                    wine.picture(ready.read_text(), options.screenshots / f"{edition}-{name}-{number}.png")
                if options.hold:
                    time.sleep(options.hold)
                (pauses / f"box-{number}.go").touch()
                number += 1
                continue
            if bot.poll() is not None:
                break
            if time.monotonic() > deadline:
                raise subprocess.TimeoutExpired(command, SCENARIO_SECONDS)
            time.sleep(0.05)
    except subprocess.TimeoutExpired:
        bot.kill()
        bot.wait()
        end_leftovers(folder)
        raise Failure(f"boxbot did not end within {SCENARIO_SECONDS} s")
    return bot.returncode, log_path.read_bytes().decode("utf-8", errors="replace")


# ---- The run -----------------------------------------------------------------

def program_paths(edition, args):
    if edition == "host":
        updater = args.updater or args.build / "host" / "updater"
        return pathlib.Path(updater).resolve(), None
    build = args.build / edition
    updater = pathlib.Path(args.updater or build / "updater.exe").resolve()
    boxbot = pathlib.Path(args.boxbot or build / "tests" / "boxbot.exe").resolve()
    return updater, boxbot


def main():
    # Ended from outside, the run still removes its prefix, wineserver and
    # display on the way out.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--edition", action="append", choices=EDITIONS,
                        help="host, win32 or win64; repeat for several (default: host)")
    parser.add_argument("--build", type=pathlib.Path, default=REPO / "build",
                        help="the folder of the builds: <build>/<edition>/updater[.exe] (default: build/)")
    parser.add_argument("--updater", help="the program to test (one edition only)")
    parser.add_argument("--boxbot", help="boxbot.exe (one Windows edition only)")
    parser.add_argument("--screenshots", type=pathlib.Path, help="save a PNG of every box in this folder")
    parser.add_argument("--display", help="show the boxes on this X display instead of a private Xvfb")
    parser.add_argument("--hold", type=float, default=0, help="seconds each box stays on screen")
    parser.add_argument("--keep", action="store_true", help="keep the Wine prefix (its folder is printed)")
    parser.add_argument("--answers-option", action="store_true",
                        help="give the host program the answers with --answers instead of standard input")
    parser.add_argument("scenarios", nargs="*", help="scenario folders (default: all)")
    args = parser.parse_args()
    editions = args.edition or ["host"]
    if (args.updater or args.boxbot) and len(editions) > 1:
        parser.error("--updater and --boxbot go with a single --edition")
    if args.screenshots:
        args.screenshots = args.screenshots.resolve()
        args.screenshots.mkdir(parents=True, exist_ok=True)

    folders = [pathlib.Path(s).resolve() for s in args.scenarios] or sorted(
        p.parent for p in (HERE / "scenarios").glob("*/scenario.toml"))
    counts = {"passed": 0, "failed": 0, "skipped": 0}
    started = time.monotonic()

    scenarios = []
    for folder in folders:
        try:
            scenarios += load_scenarios(folder)
        except (OSError, tomllib.TOMLDecodeError) as error:
            counts["failed"] += 1
            print(f"FAIL {folder.name}: {type(error).__name__}: {error}", flush=True)

    def one(edition, name, scenario, attempt):
        with tempfile.TemporaryDirectory(prefix="updater-e2e-") as work:
            try:
                attempt(for_edition(scenario, edition), pathlib.Path(work))
                counts["passed"] += 1
                print(f"PASS {edition} {name}", flush=True)
            except Skip as skip:
                counts["skipped"] += 1
                print(f"SKIP {edition} {name}: {skip}", flush=True)
            except Failure as failure:
                counts["failed"] += 1
                print(f"FAIL {edition} {name}: {failure}", flush=True)
            except (OSError, RuntimeError, subprocess.SubprocessError) as error:
                counts["failed"] += 1
                print(f"FAIL {edition} {name}: {type(error).__name__}: {error}", flush=True)
            finally:
                end_leftovers(pathlib.Path(work))
                make_writable(work)

    if "host" in editions:
        updater, _ = program_paths("host", args)
        for name, scenario in scenarios:
            one("host", name, scenario, lambda each, work: run_host(each, updater, work, args.answers_option))

    windows = [edition for edition in editions if edition != "host"]
    if windows:
        try:
            wine_started = time.monotonic()
            wine = Wine(display=args.display, keep=args.keep).__enter__()
            print(f"(Wine prefix and display ready in {time.monotonic() - wine_started:.0f} s)", flush=True)
        except (OSError, RuntimeError, subprocess.SubprocessError) as error:
            wine = None
            for edition in windows:
                counts["failed"] += 1
                print(f"FAIL {edition}: Wine did not start: {type(error).__name__}: {error}", flush=True)
    if windows and wine:
        try:
            if args.keep:
                print(f"Wine prefix: {wine.prefix}", flush=True)
            for edition in windows:
                programs = program_paths(edition, args)
                missing = [str(p) for p in programs if not p.is_file()]
                for name, scenario in scenarios:
                    def attempt(each, work, edition=edition, name=name):
                        if missing and not wine.unavailable(edition):
                            raise Failure("not built: " + ", ".join(missing))
                        run_windows(each, edition, programs, wine, work, args, name.replace("/", "-"))
                    one(edition, name, scenario, attempt)
        finally:
            wine.__exit__(None, None, None)

    summary = f"{counts['passed']} passed, {counts['failed']} failed"
    if counts["skipped"]:
        summary += f", {counts['skipped']} skipped"
    print(f"({time.monotonic() - started:.0f} s)")
    print(summary)
    return 1 if counts["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
