#!/usr/bin/env python3
"""The checker against the host updater, over many scripts.

    tests/check/differential.py [--checker PATH] [--updater PATH]
                                [--generated N] [--seed S] [--runs R] [-v]

For every script -- the seeds of the script fuzzer (tests/fuzz/corpus/
script_fuzzer) and N scripts of this program's own generator -- the claim
is: when the checker reports no error, no combination of box answers and
Windows family makes the updater stop on a script mistake (message 2, 4 or
6, or message 3 for ProcListArray). Each such script is run by the host
updater once for every path through its Yes/No boxes (answered on standard
input, one line per box; at most R runs a family), with the NT family and
with NEMURIA_WINDOWS_FAMILY=95, each run in a fresh throwaway root where the
updater lies in C:\\Setup with a few payload files and a program that ends at
once beside it. A run that
stops on a script mistake is a disagreement.

Scripts that name drive Z: (the host's own files) are left out, and so are
scripts the checker warns change themselves (script-changed): what a list
built after the change reads, no check of the script as it is can know.

The last line is "N passed, N failed": one check per script.
"""
import argparse
import json
import os
import pathlib
import random
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
sys.path.insert(0, str(HERE))
import run  # noqa: E402  the end-to-end runner: the console box's form
import scenarios  # noqa: E402  the catalogue's texts

PAYLOAD = {"a.txt": "a", "b.txt": "b", "new/a.txt": "new a", "data/x.dat": "x", "old/": None}
# The one program a LAUNCH can start: one that ends at once.
PROGRAM = shutil.which("true") or "/bin/true"

# ---- The generator ---------------------------------------------------------

KINDS = ["EXIST", "EXIST", "DATE", "OSVER", "MSGBOX", "MSGBOX", "MSGBOX", "COPY", "DELETE", "MAKEDIR", "ATTR",
         "LINK", "LAUNCH", "SWITCH", "SWITCH", "SWITCH"]
KEYS = {"EXIST": ["FILE"], "DATE": ["FILE", "DATE"], "OSVER": [], "MSGBOX": ["FLAG", "TYPE", "TEXT", "ISABORT"],
        "COPY": ["FROM", "TO"], "DELETE": ["FILE"], "MAKEDIR": ["DIR"], "ATTR": ["FILE", "ARG"],
        "LINK": ["SRC", "PARAM", "SHOWCMD", "DST"], "LAUNCH": ["FILE", "PARAM", "ISWAIT"],
        "SWITCH": ["PROC", "0", "1"]}
# Paths by what they name in the payload: most of them there, some not.
PATHS = {
    "FILE": ["<Src>\\a.txt", "<Src>\\b.txt", "<Src>\\data\\x.dat", "<Src>\\missing.txt", "<Src>\\old",
             "<Src>\\data\\*.*", "<Dir>\\c.txt", "C:\\Setup\\a.txt"],
    "FROM": ["<Src>\\a.txt", "<Src>\\new\\a.txt", "<Src>\\data\\x.dat", "<Src>\\missing.txt"],
    "TO": ["<Src>\\out.txt", "<Src>\\data\\y.dat", "<Src>\\b.txt", "<Dir>\\c.txt", "<Src>\\nofolder\\z.txt"],
    "DELETE": ["<Src>\\a.txt", "<Src>\\b.txt", "<Src>\\data\\x.dat", "<Src>\\out.txt", "<Src>\\missing.txt"],
    "DIR": ["<Src>\\old", "<Dir>", "<Dir>\\deeper", "<Src>\\data"],
    "SRC": ["<Src>\\a.txt", "<Src>\\tool"],
    "DST": ["<Src>\\Tool", "<Desktop>\\Tool", "<Src>\\nofolder\\Tool", "<Dir>\\Tool"],
    "LAUNCH": ["<Src>\\tool", "<Src>\\tool", "<Src>\\nothing.exe"],
    "ATTR": ["<Src>\\a.txt", "<Src>\\data\\*.*", "<Src>\\missing.txt"],
}


class Generator:
    """Scripts that are mostly right, with a mistake here and there: a key
    left out or given as NO_DATA, a misspelt mode or box kind, an empty
    list, a name from another list, a branch that names its own list.

    The lists are laid out first: the main list, then for each SWITCH in a
    list its two branch lists, drawn from the sections (a branch may name a
    list around it again, or its own SWITCH). A SWITCH and a box condition
    name a procedure of a list that holds them, mostly an earlier one."""

    def __init__(self, rng, mistakes):
        self.rng = rng
        self.mistakes = mistakes

    def slip(self):
        return self.rng.random() < self.mistakes

    def paths(self, group):
        r = self.rng
        if self.slip():
            return r.choice(["", "<Empty>", " , "])
        return ", ".join(r.choice(PATHS[group]) for _ in range(r.choice([1, 1, 1, 2, 3])))

    def tested(self, name, holders):
        """A name for a SWITCH or a box condition of `name` to test."""
        r = self.rng
        lst = r.choice(holders)
        position = lst.index(name)
        earlier = lst[:position]
        pick = r.choice(earlier) if earlier and r.random() < 0.85 else r.choice(lst)
        if self.slip():
            pick = r.choice(["NOWHERE", pick + ",X", " " + pick.lower() + " "])
        return pick

    def value(self, kind, key, name, holders):
        r = self.rng
        if key == "FILE":
            return self.paths({"DELETE": "DELETE", "ATTR": "ATTR", "LAUNCH": "LAUNCH"}.get(kind, "FILE"))
        if key in ("FROM", "TO", "DIR", "SRC", "DST"):
            return self.paths(key)
        if key == "DATE":
            return r.choice(["2020/01/01", "2099/12/31", "2020", ""])
        if key == "PARAM":
            return r.choice(["", "/s", "/a, /b"])
        if key == "SHOWCMD":
            return r.choice(["1", "", "3, 2"])
        if key == "ARG":
            return r.choice(["0x01", "0x20", "", "0x01, 0x02"])
        if key == "ISWAIT":
            return r.choice(["1", "0", "x"])
        if key == "TYPE":
            if self.slip():
                return r.choice(["OK", "QUESTON", "info"])
            return r.choice(["ERROR", "INFORMATION", "WARNING", "QUESTION", "question"])
        if key == "TEXT":
            return r.choice(["Hello.", "Go on?", "<Src>"])
        if key == "ISABORT":
            return r.choice(["", "0", "0,1", "1,0", "0,0", "1", "1,1"])
        if key == "FLAG":
            if r.random() < 0.4:
                return ""
            return f"{self.tested(name, holders)},{r.choice(['0', '1', '1', '2'])}"
        if key == "PROC":
            return self.tested(name, holders)
        raise ValueError(key)

    def script(self):
        r = self.rng
        count = r.randint(2, 14)
        sections = [f"P{i}" for i in range(count)]
        kinds = {name: r.choice(KINDS) for name in sections}
        holders = {name: [] for name in sections}
        branches = {}
        main = r.sample(sections, k=min(len(sections), r.randint(1, 5)))
        pending = [main]
        laid = 0
        while pending and laid < 12:
            lst = pending.pop(0)
            laid += 1
            for name in lst:
                if lst not in holders[name]:
                    holders[name].append(lst)
                if kinds[name] == "SWITCH" and name not in branches:
                    branches[name] = []
                    for _ in range(2):
                        branch = [] if r.random() < 0.25 else r.sample(sections, k=min(len(sections), r.randint(1, 3)))
                        branches[name].append(branch)
                        if branch:
                            pending.append(branch)
        lines = ["[UPDATER]", "NAME=Generated"]
        lines.append(r.choice(["PROC=", "PROC=NO_DATA"]) if self.slip() else "PROC=" + ", ".join(main))
        lines += ["[DEFINE]", "<Empty>=", "<Dir>=<Src>\\made"]
        for name in sections:
            kind = kinds[name]
            lines.append(f"[{name}]")
            if not self.slip():
                lines.append("MODE=" + (r.choice([kind.lower(), kind + "S", "RUN"]) if self.slip() else kind))
            for index, key in enumerate(KEYS[kind]):
                if self.slip():
                    if r.random() < 0.5:
                        lines.append(f"{key}=NO_DATA")
                    continue
                if kind == "SWITCH" and key in ("0", "1"):
                    branch = branches.get(name, [[], []])[index - 1]
                    lines.append(f"{key}=" + ", ".join(branch))
                    continue
                lines.append(f"{key}={self.value(kind, key, name, holders[name] or [sections])}")
        return "\r\n".join(lines) + "\r\n"


# ---- Runs of the updater -----------------------------------------------------

class Runner:
    def __init__(self, updater, scratch):
        self.updater = updater
        self.scratch = scratch
        self.count = 0

    def run(self, script, answers, family):
        """The boxes of one run of `script` (bytes) with these answers."""
        self.count += 1
        work = self.scratch / f"run{self.count}"
        setup = work / "root" / "drive_c" / "Setup"
        setup.mkdir(parents=True)
        for name, content in PAYLOAD.items():
            path = setup / name
            if content is None:
                path.mkdir(parents=True, exist_ok=True)
            else:
                path.parent.mkdir(parents=True, exist_ok=True)
                path.write_text(content)
        shutil.copy2(self.updater, setup / "updater")
        shutil.copy2(PROGRAM, setup / "tool")
        (setup / "updater.ini").write_bytes(script)
        env = {"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8", "NEMURIA_ROOT": str(work / "root"),
               "HOME": str(work)}
        if family == "95":
            env["NEMURIA_WINDOWS_FAMILY"] = "95"
        text = "".join(answer + "\n" for answer in answers)
        try:
            done = subprocess.run([str(setup / "updater")], input=text.encode(), capture_output=True, env=env,
                                  cwd=setup, timeout=20)
            output = done.stderr.decode("utf-8", errors="replace")
        finally:
            shutil.rmtree(work, ignore_errors=True)
        return run.parse_boxes(output)

    def paths(self, script, family, limit):
        """Every path through the script's Yes/No boxes, as the boxes each
        run showed; at most `limit` runs."""
        pending = [[]]
        seen = []
        while pending and len(seen) < limit:
            answers = pending.pop()
            boxes = self.run(script, answers, family)
            seen.append((answers, boxes))
            given = list(answers)
            for k in range(len(answers), len(boxes)):
                box = boxes[k]
                if box["buttons"] == "Yes No":
                    other = "no" if box["default"] == "Yes" else "yes"
                    pending.append(given + [other])
                given.append("")
        return seen, bool(pending)


def check(checker, script, scratch):
    folder = scratch / "check" / "drive_c" / "Setup"
    folder.mkdir(parents=True, exist_ok=True)
    path = folder / "updater.ini"
    path.write_bytes(script)
    env = {"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8", "NEMURIA_ROOT": str(scratch / "check")}
    done = subprocess.run([str(checker), "--format", "json", str(path)], capture_output=True, env=env, timeout=60)
    if done.returncode not in (0, 1):
        raise RuntimeError(f"the checker ended with {done.returncode}: {done.stderr.decode(errors='replace')}")
    return json.loads(done.stdout)["files"][0]["findings"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--checker", default=str(ROOT / "build" / "host" / "updater-check"))
    parser.add_argument("--updater", default=str(ROOT / "build" / "host" / "updater"))
    parser.add_argument("--generated", type=int, default=300)
    parser.add_argument("--seed", type=int, default=15)
    parser.add_argument("--runs", type=int, default=24)
    parser.add_argument("-v", "--verbose", action="store_true")
    args = parser.parse_args()

    texts = scenarios.catalogue()
    scripts = []
    for seed in sorted((ROOT / "tests" / "fuzz" / "corpus" / "script_fuzzer").iterdir()):
        scripts.append((f"seed {seed.name}", seed.read_bytes()))
    generator = Generator(random.Random(args.seed), mistakes=0.015)
    for i in range(args.generated):
        scripts.append((f"generated {i}", generator.script().encode("cp932")))

    passed = failed = 0
    tally = {"left out": 0, "with errors": 0, "errors met by a run": 0, "without errors": 0, "runs": 0,
             "paths cut short": 0}
    with tempfile.TemporaryDirectory() as temp:
        scratch = pathlib.Path(temp)
        runner = Runner(pathlib.Path(args.updater).resolve(), scratch)
        for name, script in scripts:
            if b"Z:" in script.upper() or b"Z\x00:" in script.upper():
                tally["left out"] += 1
                continue
            findings = check(pathlib.Path(args.checker).resolve(), script, scratch)
            if any(f["rule"] == "script-changed" for f in findings):
                tally["left out"] += 1
                continue
            errors = [f for f in findings if f["severity"] == "error"]
            stops = []
            cut = False
            for family in ("NT", "95"):
                seen, more = runner.paths(script, family, args.runs)
                cut = cut or more
                tally["runs"] += len(seen)
                for answers, boxes in seen:
                    if scenarios.stops_on_mistake(boxes, texts):
                        stops.append((family, answers, boxes[-1]["text"].replace("\n", " ")))
            tally["paths cut short"] += cut
            if errors:
                tally["with errors"] += 1
                tally["errors met by a run"] += bool(stops)
                passed += 1
                if args.verbose:
                    print(f"PASS {name}: {len(errors)} error(s); runs that stop on one: {len(stops)}")
                continue
            tally["without errors"] += 1
            if stops:
                failed += 1
                family, answers, text = stops[0]
                print(f"FAIL {name}: no error reported, but the {family} family with answers {answers} stops: {text}")
                if args.verbose:
                    print(script.decode("cp932", errors="replace"))
            else:
                passed += 1
                if args.verbose:
                    print(f"PASS {name}: no error, and no run stops on a mistake")
    print("scripts: " + ", ".join(f"{key} {value}" for key, value in tally.items()))
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
