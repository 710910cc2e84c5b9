#!/usr/bin/env python3
"""Writes the checker's benchmark script: 500 procedures in the shape of a
large update run, every one of them reached.

The main list asks a question, tests the Windows family and runs seven
chapters; each chapter is a SWITCH on the family whose branches both list
seven modules; each module is an EXIST test and a SWITCH whose branch 0
installs it (MAKEDIR, COPY, ATTR, LINK, a test for a legacy file and a
SWITCH that deletes it when found) and whose branch 1 shows a notice.
1 + 1 + 7 + 1 procedures in the main list, 7 * 7 modules of 10: 500.

    bench/check/gen.py OUT.ini [CHAPTERS [MODULES]]
"""
import sys


def module(m):
    return [
        "", f"[T{m}]", "MODE=EXIST", f"FILE=<App>\\{m}\\module.dll",
        "", f"[G{m}]", "MODE=SWITCH", f"PROC=T{m}",
        f"0=DIR{m}, COPY{m}, RO{m}, LNK{m}, OLD{m}, DEL{m}", f"1=NOTE{m}",
        "", f"[DIR{m}]", "MODE=MAKEDIR", f"DIR=<App>\\{m}, <App>\\{m}\\docs",
        "", f"[COPY{m}]", "MODE=COPY",
        f"FROM=<New>\\{m}\\module.dll, <New>\\{m}\\module.cfg, <New>\\{m}\\readme.txt",
        f"TO=<App>\\{m}\\module.dll, <App>\\{m}\\module.cfg, <App>\\{m}\\docs\\readme.txt",
        "", f"[RO{m}]", "MODE=ATTR", f"FILE=<App>\\{m}\\docs\\*.*", "ARG=0x01",
        "", f"[LNK{m}]", "MODE=LINK", f"SRC=<App>\\{m}\\docs\\readme.txt", "PARAM=", "SHOWCMD=1",
        f"DST=<App>\\{m}\\Readme",
        "", f"[OLD{m}]", "MODE=EXIST", f"FILE=<App>\\{m}\\legacy.dll",
        "", f"[DEL{m}]", "MODE=SWITCH", f"PROC=OLD{m}", "0=", f"1=RM{m}",
        "", f"[RM{m}]", "MODE=DELETE", f"FILE=<App>\\{m}\\legacy.dll",
        "", f"[NOTE{m}]", "MODE=MSGBOX", "FLAG=", "TYPE=INFORMATION", f"TEXT=Module {m} is up to date.",
        "ISABORT=0",
    ]


def script(chapters, modules):
    lines = ["[UPDATER]", "NAME=Large update",
             "PROC=WELCOME, NT, " + ", ".join(f"C{c}" for c in range(chapters)) + ", DONE",
             "", "[DEFINE]", "<App>=<Programs>\\Large", "<New>=<Src>\\payload",
             "", "[WELCOME]", "MODE=MSGBOX", "FLAG=", "TYPE=QUESTION", "TEXT=Update now?", "ISABORT=0,1",
             "", "[NT]", "MODE=OSVER",
             "", "[DONE]", "MODE=MSGBOX", "FLAG=", "TYPE=INFORMATION", "TEXT=Done.", "ISABORT=0"]
    for c in range(chapters):
        names = [f"M{c}{k}" for k in range(modules)]
        items = ", ".join(f"T{m}, G{m}" for m in names)
        lines += ["", f"[C{c}]", "MODE=SWITCH", "PROC=NT", f"0={items}", f"1={items}"]
        for m in names:
            lines += module(m)
    return "\r\n".join(lines) + "\r\n"


def main():
    chapters = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    modules = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    with open(sys.argv[1], "w", newline="") as out:
        out.write(script(chapters, modules))


if __name__ == "__main__":
    main()
