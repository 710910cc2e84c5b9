#!/usr/bin/env python3
"""Workload W1: one model of an update run, written out in several forms.

    gen.py --out DIR

writes into DIR

    seed/           the folder tree the run starts from (copied to tree/
                    before every run)
    updater.ini     the script for the host program: a question box
                    answered by its default button starts the update
    wine.ini        the same script for the Windows program, with an OSVER
                    test in place of the box, so that no window is shown
    w1.nsi          the same work as a silent NSIS installer, 64-bit (w1.exe)
    w1-x86.nsi      the same, 32-bit (w1-x86.exe)
    floor_ops.h     the file actions the run ends up taking, in order, for
                    bench/floor.cpp, which performs them without a script

The run: after the box, ten groups of procedures, each in a SWITCH list of
its own below the main SWITCH, and a nested SWITCH on a DATE test in every
group, so that the procedures are spread over four levels of lists (one
list holds at most 258 bytes of names). Every group tests its source files
with wildcards, makes two folders, copies six 4 KiB files, makes the copies
read-only through the "*.*" form of ATTR, tests the dates of two copies,
copies two more files (odd groups, whose sources are old) or tests the
copies again (even groups), clears the read-only flag of two copies, deletes
three old files and one copy, and tests the second folder. Nearly every
value goes through DEFINE symbols. 122 procedures run.
"""

import argparse
import os
import time

GROUPS = 10
COPIES = 6          # files copied by the first COPY of a group
FILE_SIZE = 4096
OLD_FILES = 3
DATE_LIMIT = "2010/01/01"
OLD_TIME = time.mktime((2000, 6, 1, 12, 0, 0, 0, 0, -1))
NEW_TIME = time.mktime((2020, 6, 1, 12, 0, 0, 0, 0, -1))


def group_name(g):
    return "g%02d" % g


def older(g):
    """Odd groups have old sources: their DATE test answers 1."""
    return g % 2 == 1


class Run:
    """The script's sections and, alongside, what the run does with them."""

    def __init__(self):
        self.sections = []     # (name, [(key, value)])
        self.actions = []      # floor actions in the order the run takes them
        self.nsis = []         # NSIS lines of the install section

    def section(self, name, *pairs):
        self.sections.append((name, list(pairs)))


def build():
    run = Run()
    top = []
    for g in range(1, GROUPS + 1):
        n = "%02d" % g
        d = group_name(g)
        src = "<S>\\%s" % d
        app = "<A>\\%s" % d
        old = "<O>\\%s" % d
        # Host paths relative to the program's folder, for the floor.
        hsrc, happ, hold = "tree/src/" + d, "tree/app/" + d, "tree/old/" + d
        # Windows paths relative to $EXEDIR, for NSIS.
        nsrc, napp, nold = "$S\\" + d, "$A\\" + d, "$O\\" + d

        inner = ["M", "C", "A", "D", "T", "W", "R", "K", "H"]
        run.section("X" + n, ("MODE", "EXIST"),
                    ("FILE", "%s\\*.dat, %s\\o?.tmp" % (src, old)))
        run.section("S" + n, ("MODE", "SWITCH"), ("PROC", "X" + n), ("0", ""),
                    ("1", ",".join(k + n for k in inner)))
        top += ["X" + n, "S" + n]
        run.actions += [("exist", hsrc + "/*.dat"), ("exist", hold + "/o?.tmp")]
        run.nsis += [
            'IfFileExists "%s\\*.dat" 0 skip%s' % (nsrc, n),
            'IfFileExists "%s\\o?.tmp" 0 skip%s' % (nold, n),
        ]

        run.section("M" + n, ("MODE", "MAKEDIR"), ("DIR", "%s, %s\\sub" % (app, app)))
        run.actions += [("makedir", happ), ("makedir", happ + "/sub")]
        run.nsis += ['CreateDirectory "%s"' % napp, 'CreateDirectory "%s\\sub"' % napp]

        names = ["f%d.dat" % i for i in range(1, COPIES + 1)]
        run.section("C" + n, ("MODE", "COPY"),
                    ("FROM", ", ".join("%s\\%s" % (src, f) for f in names)),
                    ("TO", ", ".join("%s\\%s" % (app, f) for f in names)))
        run.actions += [("copy", "%s/%s" % (hsrc, f), "%s/%s" % (happ, f)) for f in names]
        run.nsis += ['CopyFiles /SILENT "%s\\%s" "%s\\%s"' % (nsrc, f, napp, f) for f in names]

        run.section("A" + n, ("MODE", "ATTR"), ("FILE", "%s\\*.*" % app), ("ARG", "0x01"))
        run.actions += [("attrdir", happ + "/*.*", 1)]
        run.nsis += ['StrCpy $0 "%s"' % napp, "Call ReadOnlyFolder"]

        run.section("D" + n, ("MODE", "DATE"),
                    ("FILE", "%s\\f1.dat, %s\\f2.dat" % (app, app)), ("DATE", DATE_LIMIT))
        run.actions += [("date", happ + "/f1.dat")]
        if not older(g):
            run.actions += [("date", happ + "/f2.dat")]
        run.nsis += ['StrCpy $0 "%s\\f1.dat"' % napp, "Call IsOlder",
                     'StrCmp $1 1 older%s' % n,
                     'StrCpy $0 "%s\\f2.dat"' % napp, "Call IsOlder",
                     'StrCmp $1 1 older%s' % n]

        run.section("T" + n, ("MODE", "SWITCH"), ("PROC", "D" + n), ("0", "V" + n), ("1", "U" + n))
        run.section("U" + n, ("MODE", "COPY"),
                    ("FROM", "%s\\f7.dat, %s\\f8.dat" % (src, src)),
                    ("TO", "%s\\sub\\f7.dat, %s\\sub\\f8.dat" % (app, app)))
        run.section("V" + n, ("MODE", "EXIST"), ("FILE", "%s\\f?.dat" % app))
        if older(g):
            run.actions += [("copy", "%s/f%d.dat" % (hsrc, i), "%s/sub/f%d.dat" % (happ, i))
                            for i in (7, 8)]
        else:
            run.actions += [("exist", happ + "/f?.dat")]
        run.nsis += ['IfFileExists "%s\\f?.dat" dated%s dated%s' % (napp, n, n),
                     "older%s:" % n]
        run.nsis += ['CopyFiles /SILENT "%s\\f%d.dat" "%s\\sub\\f%d.dat"' % (nsrc, i, napp, i)
                     for i in (7, 8)]
        run.nsis += ["dated%s:" % n]

        run.section("W" + n, ("MODE", "ATTR"),
                    ("FILE", "%s\\f1.dat, %s\\f2.dat" % (app, app)), ("ARG", "0x20, 0x20"))
        run.actions += [("attr", happ + "/f1.dat", 0x20), ("attr", happ + "/f2.dat", 0x20)]
        run.nsis += ['SetFileAttributes "%s\\f1.dat" ARCHIVE' % napp,
                     'SetFileAttributes "%s\\f2.dat" ARCHIVE' % napp]

        olds = ["o%d.tmp" % i for i in range(1, OLD_FILES + 1)]
        run.section("R" + n, ("MODE", "DELETE"),
                    ("FILE", ", ".join("%s\\%s" % (old, f) for f in olds)))
        run.actions += [("delete", "%s/%s" % (hold, f)) for f in olds]
        run.nsis += ['Delete "%s\\%s"' % (nold, f) for f in olds]

        run.section("K" + n, ("MODE", "EXIST"), ("FILE", "%s\\sub\\*.dat" % app))
        run.actions += [("exist", happ + "/sub/*.dat")]
        run.nsis += ['IfFileExists "%s\\sub\\*.dat" 0 0' % napp]

        run.section("H" + n, ("MODE", "DELETE"), ("FILE", "%s\\f1.dat" % app))
        run.actions += [("delete", happ + "/f1.dat")]
        run.nsis += ['Delete "%s\\f1.dat"' % napp, "skip%s:" % n]

    run.section("TOP", ("MODE", "SWITCH"), ("PROC", "ASK"), ("0", ""), ("1", ",".join(top)))
    return run


def ask_section(box):
    if box:
        return [("MODE", "MSGBOX"), ("FLAG", ""), ("TYPE", "QUESTION"),
                ("TEXT", "Update the files below <Src>?"), ("ISABORT", "0,0")]
    return [("MODE", "OSVER")]


def write_script(path, run, box):
    lines = ["[UPDATER]", "NAME=W1", "PROC=ASK, TOP", "",
             "[DEFINE]", "<T>=<Src>\\tree", "<S>=<T>\\src", "<A>=<T>\\app", "<O>=<T>\\old", "",
             "[ASK]"]
    lines += ["%s=%s" % pair for pair in ask_section(box)]
    for name, pairs in run.sections:
        lines += ["", "[%s]" % name] + ["%s=%s" % pair for pair in pairs]
        for key, value in pairs:
            assert len(value.encode()) <= 258, (name, key)
    with open(path, "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def write_seed(seed):
    for g in range(1, GROUPS + 1):
        d = group_name(g)
        stamp = OLD_TIME if older(g) else NEW_TIME
        src = os.path.join(seed, "src", d)
        old = os.path.join(seed, "old", d)
        os.makedirs(src, exist_ok=True)
        os.makedirs(old, exist_ok=True)
        for i in range(1, COPIES + 3):
            path = os.path.join(src, "f%d.dat" % i)
            with open(path, "wb") as f:
                f.write(bytes((g * 31 + i * 7 + k) % 251 for k in range(FILE_SIZE)))
            os.utime(path, (stamp, stamp))
        for i in range(1, OLD_FILES + 1):
            with open(os.path.join(old, "o%d.tmp" % i), "wb") as f:
                f.write(b"old\n")
    os.makedirs(os.path.join(seed, "app"), exist_ok=True)


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def write_floor_ops(path, run):
    kinds = {"exist": "kExist", "makedir": "kMakeDir", "copy": "kCopy", "attr": "kAttr",
             "attrdir": "kAttrFolder", "date": "kDate", "delete": "kDelete"}
    with open(path, "w") as f:
        f.write("// Generated by bench/w1/gen.py: the file actions of a W1 run, in order.\n")
        f.write("static const Action kActions[] = {\n")
        for action in run.actions:
            kind = action[0]
            first = action[1]
            second = action[2] if kind == "copy" else ""
            value = action[2] if kind in ("attr", "attrdir") else 0
            f.write("    {%s, %s, %s, 0x%x},\n" % (kinds[kind], c_string(first), c_string(second), value))
        f.write("};\n")


NSIS_HEAD = r"""; Generated by bench/w1/gen.py: the W1 run as a silent NSIS installer that
; works on the tree beside it.
Unicode true
Target TARGET
Name "W1"
OutFile "OUTFILE"
SilentInstall silent
RequestExecutionLevel user
SetCompressor zlib
ShowInstDetails nevershow
Var S
Var A
Var O

; Sets the read-only attribute on every file directly in folder $0.
Function ReadOnlyFolder
  FindFirst $2 $3 "$0\*.*"
  loop:
    StrCmp $3 "" done
    IfFileExists "$0\$3\*.*" next
    SetFileAttributes "$0\$3" READONLY
  next:
    FindNext $2 $3
    Goto loop
  done:
  FindClose $2
FunctionEnd

; $1 = 1 when file $0 was last written before the date limit, or cannot
; be read.
Function IsOlder
  StrCpy $1 1
  ClearErrors
  GetFileTime "$0" $2 $3
  IfErrors done
  IntCmpU $2 LIMIT_HIGH done done 0
  StrCpy $1 0
  done:
FunctionEnd

Section
  StrCpy $S "$EXEDIR\tree\src"
  StrCpy $A "$EXEDIR\tree\app"
  StrCpy $O "$EXEDIR\tree\old"
  MessageBox MB_YESNO|MB_ICONQUESTION "Update the files below $EXEDIR?" /SD IDYES IDNO end
"""


def write_nsis(path, run, target, outfile):
    # The date limit as the high half of a FILETIME (100 ns steps since
    # 1601, UTC): a file's time is older when its high half is below.
    year, month, day = (int(x) for x in DATE_LIMIT.split("/"))
    limit = time.mktime((year, month, day, 0, 0, 0, 0, 0, -1))
    filetime = int(limit * 10_000_000) + 116444736000000000
    head = NSIS_HEAD.replace("LIMIT_HIGH", str(filetime >> 32)).replace("TARGET", target)
    head = head.replace("OUTFILE", outfile)
    with open(path, "w") as f:
        f.write(head)
        for line in run.nsis:
            f.write("  " + line + "\n")
        f.write("  end:\nSectionEnd\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    run = build()
    write_seed(os.path.join(args.out, "seed"))
    write_script(os.path.join(args.out, "updater.ini"), run, box=True)
    write_script(os.path.join(args.out, "wine.ini"), run, box=False)
    write_floor_ops(os.path.join(args.out, "floor_ops.h"), run)
    write_nsis(os.path.join(args.out, "w1.nsi"), run, "amd64-unicode", "w1.exe")
    write_nsis(os.path.join(args.out, "w1-x86.nsi"), run, "x86-unicode", "w1-x86.exe")
    print("W1: %d procedure sections, %d file actions" % (len(run.sections) + 1, len(run.actions)))


if __name__ == "__main__":
    main()
