#!/usr/bin/env python3
"""The include graph of src/, by folder: every edge must point down the
layers, no two files or folders may include each other, and no layer above
the platform seam may include a header of the operating system.

    tests/layers/check.py [--graph]

Layers, from the top: app and check (the script checker, a program of its
own beside the updater), commands, engine, platform (the seam's headers
and the bodies in win32/ and posix/), winlike, text. The last line is
"N passed, N failed" over the three checks; --graph prints the edges.
"""
import pathlib
import re
import sys

SRC = pathlib.Path(__file__).resolve().parents[2] / "src"
RANKS = {"app": 5, "check": 5, "commands": 4, "engine": 3, "platform": 2, "platform/win32": 2,
         "platform/posix": 2, "winlike": 1, "text": 0}
SYSTEM_HEADERS = re.compile(r"^(windows|objidl|shlobj|unistd|fcntl|dirent|pwd|signal|langinfo|sys/.*)\.h$")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def folder_of(path):
    parts = path.relative_to(SRC).parts[:-1]
    return "/".join(parts[:2]) if parts[0] == "platform" and len(parts) > 1 else parts[0]


def main():
    files = sorted(p for p in SRC.rglob("*") if p.suffix in (".h", ".cpp"))
    includes = {}
    system = {}
    for path in files:
        text = path.read_text(encoding="utf-8")
        quoted = [name for kind, name in INCLUDE.findall(text) if kind == '"']
        includes[path] = [SRC / name for name in quoted if (SRC / name).exists()]
        system[path] = [name for kind, name in INCLUDE.findall(text) if kind == "<" and SYSTEM_HEADERS.match(name)]

    edges = {}
    upward = []
    for path, targets in includes.items():
        for target in targets:
            a, b = folder_of(path), folder_of(target)
            if a == b:
                continue
            edges[(a, b)] = edges.get((a, b), 0) + 1
            if RANKS[b] > RANKS[a] or (RANKS[b] == RANKS[a] and b != "platform"):
                upward.append(f"{path.relative_to(SRC)} includes {target.relative_to(SRC)}")

    # Cycles: of files, and of folders.
    def cycles(graph):
        found, state = [], {}
        def visit(node, trail):
            state[node] = 1
            for nxt in graph.get(node, ()):
                if state.get(nxt) == 1:
                    found.append(trail[trail.index(nxt):] + [nxt])
                elif nxt not in state:
                    visit(nxt, trail + [nxt])
            state[node] = 2
        for node in sorted(graph):
            if node not in state:
                visit(node, [node])
        return found
    file_graph = {str(p.relative_to(SRC)): [str(t.relative_to(SRC)) for t in ts] for p, ts in includes.items()}
    folder_graph = {}
    for (a, b) in edges:
        folder_graph.setdefault(a, []).append(b)
    loops = cycles(file_graph) + cycles(folder_graph)

    above_seam = [f"{p.relative_to(SRC)} includes <{h}>" for p, hs in system.items()
                  for h in hs if folder_of(p) not in ("platform/win32", "platform/posix")]

    if "--graph" in sys.argv:
        for (a, b), count in sorted(edges.items(), key=lambda e: (-RANKS[e[0][0]], e[0])):
            print(f"  {a:15} -> {b:15} {count:3} includes")
    passed = failed = 0
    for name, problems in (("edges point down", upward), ("no cycles", [" -> ".join(c) for c in loops]),
                           ("no system header above the seam", above_seam)):
        if problems:
            failed += 1
            print(f"FAIL {name}:")
            for problem in problems:
                print(f"  {problem}")
        else:
            passed += 1
            print(f"PASS {name}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
