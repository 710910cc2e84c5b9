#!/usr/bin/env python3
"""Runs every benchmark of bench/ and prints each figure with its ratio and
target. scripts/bench builds the programs and calls this; see bench/README.md.

Figures:
  W1 host      the host updater's median wall time on workload W1 over the
               floor's (bench/floor.cpp), one hyperfine run       target <= 1.5
  W1 Windows   updater.exe under Wine over the same work as a silent NSIS
               installer, same prefix and tree, alternating; 64-bit, and
               32-bit where the machine runs 32-bit programs      target <= 1.0
  reading      time per key read of a 500-section script, the host reader
               against Wine's GetPrivateProfileStringA; stale reads
  size         the stripped 32-bit updater.exe                    target <= 150 KiB
               and its DLLs                                       system DLLs only
  memory       the host updater's peak resident memory on W1      target <= 4 MiB
  copy         bench/copy.sh: the host copy against cp            target >= 0.9 (large)
"""

import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

# DLLs that every Windows system has.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
               "msvcrt.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "oleaut32.dll",
               "shlwapi.dll", "version.dll"}

results = []  # (figure, value text, ratio text, target text, met: True/False/None)


def say(text=""):
    print(text, flush=True)


def record(figure, value, ratio, target, met):
    results.append((figure, value, ratio, target, met))
    verdict = {True: "met", False: "MISSED", None: "-"}[met]
    say("  => %s: %s; %s; target %s: %s" % (figure, value, ratio, target, verdict))


def run(command, **kwargs):
    return subprocess.run(command, check=True, **kwargs)


def listing(folder):
    """Every entry below `folder` with its permission bits, size and date."""
    lines = []
    for base, dirs, files in os.walk(folder):
        for name in sorted(dirs + files):
            path = os.path.join(base, name)
            info = os.lstat(path)
            size = 0 if os.path.isdir(path) else info.st_size
            lines.append("%s %o %d %s" % (os.path.relpath(path, folder), info.st_mode & 0o7777, size,
                                          time.strftime("%Y-%m-%d", time.localtime(info.st_mtime))))
    return sorted(lines)


def fresh_tree(folder, seed):
    tree = os.path.join(folder, "tree")
    shutil.rmtree(tree, ignore_errors=True)
    run(["cp", "-a", seed, tree])


# ---- W1 on the host ---------------------------------------------------------

def w1_host(args, gen):
    say("\n== W1 on the host: the updater against the floor")
    seed = os.path.join(gen, "seed")
    host = os.path.join(args.work, "w1-host")
    floor = os.path.join(args.work, "w1-floor")
    for folder in (host, floor):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    shutil.copy2(args.updater, os.path.join(host, "updater"))
    shutil.copy2(os.path.join(gen, "updater.ini"), os.path.join(host, "updater.ini"))
    shutil.copy2(args.floor, os.path.join(floor, "floor"))

    # Both leave the same tree behind.
    trees = []
    for folder, program in ((host, "./updater"), (floor, "./floor")):
        fresh_tree(folder, seed)
        run([program], cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        trees.append(listing(os.path.join(folder, "tree")))
    if trees[0] != trees[1]:
        sys.exit("W1: the updater and the floor leave different trees")
    say("  both leave the same tree: %d entries" % len(trees[0]))
    expected = trees[0]

    if shutil.which("strace"):
        calls = []
        for folder, program in ((host, "./updater"), (floor, "./floor")):
            fresh_tree(folder, seed)
            trace = os.path.join(args.work, "trace.txt")
            run(["strace", "-o", trace, program], cwd=folder, stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            calls.append(path_calls(trace, folder))
        same = [a.replace(host, "") for a in calls[0]] == [b.replace(floor, "") for b in calls[1]]
        say("  system calls on the tree: updater %d, floor %d, %s" %
            (len(calls[0]), len(calls[1]), "the same in the same order" if same else "DIFFERENT"))

    # hyperfine runs one command's runs before the other's; on a machine
    # whose load changes, that favours one side. So the runs are made in
    # rounds, each side first in every other round, and pooled.
    export = os.path.join(args.work, "w1-host.json")
    prepare = lambda folder: "sh -c 'rm -rf %s/tree && cp -a %s %s/tree'" % (folder, seed, folder)
    sides = [("updater", host, os.path.join(host, "updater")), ("floor", floor, os.path.join(floor, "floor"))]
    per_round = max(1, args.runs // args.rounds)
    times = {name: [] for name, _, _ in sides}
    cpu = {name: [0.0, 0.0] for name, _, _ in sides}
    for round_ in range(args.rounds):
        order = sides if round_ % 2 == 0 else sides[::-1]
        command = ["hyperfine", "-N", "--style", "basic", "--warmup", "3", "--runs", str(per_round),
                   "--export-json", export]
        for name, folder, program in order:
            command += ["--prepare", prepare(folder), "--command-name", name]
        command += [program for _, _, program in order]
        run(command, cwd=args.work, stdout=subprocess.DEVNULL)
        for result in json.load(open(export))["results"]:
            times[result["command"]] += result["times"]
            cpu[result["command"]][0] += result["user"] * per_round
            cpu[result["command"]][1] += result["system"] * per_round
    median = {name: statistics.median(values) for name, values in times.items()}
    count = per_round * args.rounds
    for name, _, _ in sides:
        say("  %-8s median %.2f ms, CPU user %.2f ms and system %.2f ms a run, %d runs in %d rounds"
            % (name, median[name] * 1e3, cpu[name][0] / count * 1e3, cpu[name][1] / count * 1e3, count, args.rounds))
    ratio = median["updater"] / median["floor"]
    cpu_ratio = sum(cpu["updater"]) / sum(cpu["floor"])
    record("W1 host, updater / floor", "%.2f ms / %.2f ms" % (median["updater"] * 1e3, median["floor"] * 1e3),
           "ratio %.2f (CPU time %.2f)" % (ratio, cpu_ratio), "<= 1.5", ratio <= 1.5)

    # Peak resident memory, from the kernel's account of each run.
    peaks = {}
    for name, folder, program in (("updater", host, "./updater"), ("floor", floor, "./floor")):
        values = []
        for _ in range(args.memory_runs):
            fresh_tree(folder, seed)
            out = subprocess.run(["/usr/bin/time", "-f", "%M", program], cwd=folder, check=True,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.PIPE, text=True).stderr
            values.append(int(out.strip().splitlines()[-1]))
        peaks[name] = max(values)
    say("  peak resident memory over %d runs: updater %d KiB, floor %d KiB"
        % (args.memory_runs, peaks["updater"], peaks["floor"]))
    record("W1 host, peak resident memory", "%.2f MiB" % (peaks["updater"] / 1024),
           "ratio %.2f of the target" % (peaks["updater"] / 4096), "<= 4 MiB", peaks["updater"] <= 4096)
    return expected


def path_calls(trace, folder):
    """The calls of an strace log that name a path in the tree, with the
    random part of temporary names and the addresses taken out."""
    calls = []
    for line in open(trace):
        if folder + "/tree" not in line:
            continue
        line = re.sub(r"\.[A-Za-z0-9]{6}\"", '.X"', line)
        line = re.sub(r" = .*", "", line)
        line = re.sub(r"\{st_mode[^}]*\}|0x[0-9a-f]+", "_", line)
        calls.append(line.strip())
    return calls


# ---- W1 under Wine ----------------------------------------------------------

def wine_env(args):
    env = dict(os.environ, WINEPREFIX=args.wineprefix, WINEDEBUG="-all")
    env.pop("DISPLAY", None)
    return env


def w1_wine(args, gen, expected):
    w1_wine_pair(args, gen, expected, "64-bit", args.updater_exe, args.nsis_exe, args.wine)
    # The 32-bit pair runs only where the kernel runs 32-bit programs.
    works = False
    try:
        works = subprocess.run([args.wine32, "--version"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL).returncode == 0
    except OSError:
        pass
    if works:
        w1_wine_pair(args, gen, expected, "32-bit", args.exe32, args.nsis_exe32, args.wine32)
    else:
        say("\n== W1 under Wine, 32-bit: not run; %s cannot run on this machine "
            "(it runs no 32-bit programs)" % args.wine32)
        record("W1 Windows 32-bit, updater.exe / NSIS", "not run", "no 32-bit loader", "<= 1.0", None)


def w1_wine_pair(args, gen, expected, bits, updater_exe, nsis_exe, loader):
    say("\n== W1 under Wine, %s: updater.exe against the NSIS installer" % bits)
    if not updater_exe or not nsis_exe:
        record("W1 Windows %s, updater.exe / NSIS" % bits, "not run", "-", "<= 1.0", None)
        return
    seed = os.path.join(gen, "seed")
    folder = os.path.join(args.work, "w1-wine-" + bits)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy2(updater_exe, os.path.join(folder, "updater.exe"))
    shutil.copy2(os.path.join(gen, "wine.ini"), os.path.join(folder, "updater.ini"))
    shutil.copy2(nsis_exe, os.path.join(folder, "w1.exe"))
    env = wine_env(args)
    # One Wine server for the whole run, so that no run pays for starting it.
    subprocess.run([args.wineserver, "-p"], env=env, check=True)
    try:
        programs = {"updater.exe": [loader, "updater.exe"], "NSIS": [loader, "w1.exe"]}

        def timed(name):
            fresh_tree(folder, seed)
            start = time.perf_counter()
            run(programs[name], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            return time.perf_counter() - start

        for name in programs:  # warm-up, and the same work on disk
            for _ in range(2):
                timed(name)
            if listing(os.path.join(folder, "tree")) != expected:
                sys.exit("W1 under Wine: %s leaves another tree than the host updater" % name)
        say("  both leave the tree the host updater leaves")

        times = {name: [] for name in programs}
        order = list(programs)
        for round_ in range(args.wine_rounds):
            for name in (order if round_ % 2 == 0 else order[::-1]):
                times[name].append(timed(name))
    finally:
        subprocess.run([args.wineserver, "-k"], env=env)
    ours = statistics.median(times["updater.exe"])
    theirs = statistics.median(times["NSIS"])
    for name in programs:
        values = sorted(times[name])
        say("  %-12s median %.0f ms, fastest %.0f ms, slowest %.0f ms, %d runs"
            % (name, statistics.median(values) * 1e3, values[0] * 1e3, values[-1] * 1e3, len(values)))
    ratio = ours / theirs
    record("W1 Windows %s, updater.exe / NSIS" % bits, "%.0f ms / %.0f ms" % (ours * 1e3, theirs * 1e3),
           "ratio %.2f" % ratio, "<= 1.0", ratio <= 1.0)


# ---- Script reading ---------------------------------------------------------

def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def parse_reading(text):
    values = {}
    for line in text.splitlines():
        words = line.split()
        if words and words[0] == "reads":
            values["ns"] = float(words[3])
        elif words and words[0].startswith("stale_"):
            values[words[0]] = "%s of %s" % (words[1], words[3])
    return values


def reading(args):
    say("\n== Script reading: 500 sections read key by key")
    folder = os.path.join(args.work, "reading")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    host_file = os.path.join(folder, "host.ini")
    out = subprocess.run([args.readbench, windows_path(host_file), host_file, "500", "5", "200"],
                         check=True, stdout=subprocess.PIPE, text=True).stdout
    host = parse_reading(out)
    say("  host reader:  %.1f us per read; stale reads: %s with the time stamp set back, %s without"
        % (host["ns"] / 1e3, host["stale_same_time"], host["stale_new_time"]))
    if not args.readbench_exe:
        record("reading, host per read", "%.1f us" % (host["ns"] / 1e3), "-", "none", None)
        return
    wine_file = windows_path(os.path.join(folder, "wine.ini"))
    env = wine_env(args)
    subprocess.run([args.wineserver, "-p"], env=env, check=True)
    try:
        out = subprocess.run([args.wine, args.readbench_exe, wine_file, wine_file, "500", "2", "200"],
                             check=True, stdout=subprocess.PIPE, env=env, text=True).stdout
    finally:
        subprocess.run([args.wineserver, "-k"], env=env)
    wine = parse_reading(out)
    say("  Wine's GetPrivateProfileStringA: %.1f us per read; stale reads: %s with the time stamp set back, %s without"
        % (wine["ns"] / 1e3, wine["stale_same_time"], wine["stale_new_time"]))
    ratio = host["ns"] / wine["ns"]
    record("reading, host / Wine per read", "%.1f us / %.1f us" % (host["ns"] / 1e3, wine["ns"] / 1e3),
           "ratio %.3f" % ratio, "none (no stale read)",
           host["stale_same_time"].startswith("0 ") and host["stale_new_time"].startswith("0 "))


# ---- Footprint ----------------------------------------------------------------

def footprint(args):
    say("\n== Footprint of the Windows program")
    for label, exe, strip in (("32-bit", args.exe32, args.strip32), ("64-bit", args.updater_exe, args.strip64)):
        if not exe or not os.path.exists(exe):
            say("  %s updater.exe: not built" % label)
            continue
        stripped = os.path.join(args.work, "updater-%s.exe" % label)
        run([strip, "-o", stripped, exe])
        size = os.path.getsize(stripped)
        dump = subprocess.run([args.objdump, "-p", stripped], check=True, stdout=subprocess.PIPE,
                              text=True).stdout
        dlls = sorted({m.group(1) for m in re.finditer(r"DLL Name: (\S+)", dump)}, key=str.lower)
        foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
        say("  %s updater.exe, stripped: %d bytes (%.1f KiB); DLLs: %s"
            % (label, size, size / 1024, ", ".join(dlls)))
        if label == "32-bit":
            record("size, 32-bit updater.exe stripped", "%.1f KiB" % (size / 1024),
                   "ratio %.2f of the target" % (size / (150 * 1024)), "<= 150 KiB", size <= 150 * 1024)
            record("DLLs of the 32-bit updater.exe", "%d DLLs" % len(dlls),
                   "%d beyond the system's own" % len(foreign), "system DLLs only", not foreign)


# ---- Copy ---------------------------------------------------------------------

def copy(args):
    say("\n== Copy: bench/copy.sh, the host copy against cp")
    command = [os.path.join(args.root, "bench", "copy.sh"), "--dir", os.path.join(args.work, "copy"),
               "--size-mib", str(args.copy_mib), "--rounds", str(args.copy_rounds),
               "--updater", args.updater]
    out = subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True).stdout
    rows = {}
    for line in out.splitlines():
        if re.match(r"^round \d+ of \d+$", line):
            continue
        say("  | " + line)
        m = re.match(r"^(.+?)\s+([\d.]+)\s+([\d.]+)\s+(\d+)\s+([\d.]+)$", line)
        if m:
            rows[m.group(1)] = (float(m.group(2)), float(m.group(3)), int(m.group(4)), float(m.group(5)))
    # The target is the large file's throughput against cp. A replaced file
    # is made durable before it takes the old one's place, which cp does not
    # do: that row is set against cp with a sync as well, and has no target.
    for name, (ours, theirs, mibs, ratio) in rows.items():
        target = name == "large, new file"
        record("copy, " + name, "%d MiB/s" % mibs, "ratio %.2f of cp" % ratio,
               ">= 0.9" if target else "none", (ratio >= 0.9) if target else None)


def main():
    parser = argparse.ArgumentParser(description="bench/ figures (run by scripts/bench)")
    parser.add_argument("--root", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--updater", required=True)
    parser.add_argument("--floor", required=True)
    parser.add_argument("--readbench", required=True)
    parser.add_argument("--updater-exe", default="")
    parser.add_argument("--readbench-exe", default="")
    parser.add_argument("--nsis-exe", default="")
    parser.add_argument("--exe32", default="")
    parser.add_argument("--strip32", default="i686-w64-mingw32-strip")
    parser.add_argument("--strip64", default="x86_64-w64-mingw32-strip")
    parser.add_argument("--objdump", default="x86_64-w64-mingw32-objdump")
    parser.add_argument("--nsis-exe32", default="")
    parser.add_argument("--wine", default="/usr/lib/wine/wine64")
    parser.add_argument("--wine32", default="/usr/lib/wine/wine")
    parser.add_argument("--wineserver", default="/usr/lib/wine/wineserver")
    parser.add_argument("--wineprefix", default="")
    parser.add_argument("--runs", type=int, default=100)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--memory-runs", type=int, default=10)
    parser.add_argument("--wine-rounds", type=int, default=20)
    parser.add_argument("--copy-mib", type=int, default=1024)
    parser.add_argument("--copy-rounds", type=int, default=3)
    parser.add_argument("--skip", action="append", default=[],
                        help="w1-host, w1-wine, reading, footprint or copy")
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    os.environ["NEMURIA_ROOT"] = os.path.join(args.work, "root")
    gen = os.path.join(args.work, "w1")

    say("machine: %s" % machine(args, args.work))
    expected = None
    if "footprint" not in args.skip:
        footprint(args)
    if "w1-host" not in args.skip:
        expected = w1_host(args, gen)
    if "w1-wine" not in args.skip:
        if expected is None:
            expected = reference_tree(args, gen)
        w1_wine(args, gen, expected)
    if "reading" not in args.skip:
        reading(args)
    if "copy" not in args.skip:
        copy(args)

    say("\n== Every figure")
    width = max(len(r[0]) for r in results)
    for figure, value, ratio, target, met in results:
        verdict = {True: "met", False: "MISSED", None: "-"}[met]
        say("%-*s  %-26s %-28s target %-22s %s" % (width, figure, value, ratio, target, verdict))
    missed = [r for r in results if r[4] is False]
    say("%d figures, %d targets met, %d missed" % (len(results), sum(1 for r in results if r[4]), len(missed)))
    return 1 if missed else 0


def reference_tree(args, gen):
    folder = os.path.join(args.work, "w1-host")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy2(args.updater, os.path.join(folder, "updater"))
    shutil.copy2(os.path.join(gen, "updater.ini"), os.path.join(folder, "updater.ini"))
    fresh_tree(folder, os.path.join(gen, "seed"))
    run(["./updater"], cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL)
    return listing(os.path.join(folder, "tree"))


def machine(args, work):
    cpu = "unknown CPU"
    for line in open("/proc/cpuinfo"):
        if line.startswith("model name"):
            cpu = line.split(":", 1)[1].strip()
            break
    fs = " on ".join(subprocess.run(["findmnt", "-no", "FSTYPE,SOURCE", "-T", work], stdout=subprocess.PIPE,
                                    text=True).stdout.split())
    load = open("/proc/loadavg").read().split()[:3]
    wine = "no Wine"
    try:
        wine = subprocess.run([args.wine, "--version"], stdout=subprocess.PIPE, text=True).stdout.strip()
    except OSError:
        pass
    return "%d cores, %s, %s, kernel %s, %s, load %s" % (os.cpu_count(), cpu, fs, os.uname().release,
                                                        wine, " ".join(load))


if __name__ == "__main__":
    sys.exit(main())
