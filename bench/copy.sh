#!/usr/bin/env bash
# Throughput of the host edition's copy against cp, on the same data in the
# same run:
#
#   large   one big file (1 GiB by default) copied to a new name, and again
#           over the existing copy
#   small   200 small files copied by a script of several COPY procedures run
#           by the host program (build/host/updater), and again over the
#           existing copies; cp copies the same files in one call
#
# cp runs with --preserve=mode,timestamps, so that both sides do the same
# work (the copy keeps the source's bits and last-write time). Each case runs
# several rounds, alternating which side goes first; the median is reported.
# Every copy is compared with its source afterwards.
#
# Usage: bench/copy.sh [--dir DIR] [--size-mib N] [--small N] [--procs N]
#                      [--rounds N] [--cold] [--updater PATH] [--keep]
#   --dir      where the data goes (default: a new folder in /var/tmp); it
#              must be on the disk to be measured, not a memory file system
#   --cold     drop the page cache before each copy (needs root)
#   --keep     keep the data afterwards
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
dir=""
size_mib=1024
small_count=200
procs=8
rounds=5
cold=0
keep=0
updater="$repo/build/host/updater"

while [ $# -gt 0 ]; do
    case "$1" in
        --dir) dir=$2; shift 2 ;;
        --size-mib) size_mib=$2; shift 2 ;;
        --small) small_count=$2; shift 2 ;;
        --procs) procs=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        --cold) cold=1; shift ;;
        --updater) updater=$2; shift 2 ;;
        --keep) keep=1; shift ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

if [ -z "$dir" ]; then
    dir=$(mktemp -d /var/tmp/nemuria-copy-bench.XXXXXX)
else
    mkdir -p "$dir"
fi
dir=$(cd "$dir" && pwd)
cleanup() { [ "$keep" = 1 ] || rm -rf "$dir"; }
trap cleanup EXIT
export NEMURIA_ROOT="$dir/root"

# ---- The copy driver: the host copy called directly ----------------------

tool="$dir/copy-files"
# The host's platform layer and the layers below it, as the host build made them.
libs=()
for layer in platform winlike text; do
    libs+=("$repo/build/host/libupdater_$layer.a")
done
if [ ! -f "${libs[0]}" ]; then
    (cd "$repo" && cmake --preset host >/dev/null && cmake --build --preset host -j2 >/dev/null)
fi
g++ -O2 -std=c++17 -I"$repo/src" "$repo/bench/copy/CopyFiles.cpp" "${libs[@]}" -o "$tool"

# ---- Data ------------------------------------------------------------------

echo "data in $dir"
head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$dir/large.bin"
mkdir -p "$dir/run/small" "$dir/run/out" "$dir/cp-small"
for i in $(seq 1 "$small_count"); do
    name=$(printf '%03d' "$i")
    head -c "$(( (RANDOM % 64 + 1) * 1024 ))" /dev/urandom > "$dir/run/small/$name"
done
small_bytes=$(cat "$dir"/run/small/* | wc -c)
sync

# The script, beside a copy of the program named updater.exe (the script is
# the program's path with the text after its last dot replaced by "ini"):
# the small files in $procs COPY procedures. Short names keep
# each FROM and TO value within the 258 bytes a script value may hold.
script="$dir/run/updater.ini"
per=$(( (small_count + procs - 1) / procs ))
names=""
sections=""
procs_used=0
for p in $(seq 1 "$procs"); do
    first=$(( (p - 1) * per + 1 ))
    last=$(( p * per < small_count ? p * per : small_count ))
    [ "$first" -le "$last" ] || break
    from=""; to=""
    for i in $(seq "$first" "$last"); do
        name=$(printf '%03d' "$i")
        from+="${from:+,}<S>\\$name"
        to+="${to:+,}<D>\\$name"
    done
    names+="${names:+,}C$p"
    procs_used=$p
    sections+=$'\n'"[C$p]"$'\n'"MODE=COPY"$'\n'"FROM=$from"$'\n'"TO=$to"$'\n'
done
{
    printf '[UPDATER]\nNAME=Copy benchmark\nPROC=%s\n\n' "$names"
    printf '[DEFINE]\n<S>=<Src>\\small\n<D>=<Src>\\out\n'
    printf '%s' "$sections"
} > "$script"

use_updater=0
if [ -x "$updater" ]; then
    cp "$updater" "$dir/run/updater.exe"
    if "$dir/run/updater.exe" < /dev/null > "$dir/updater.log" 2>&1 && diff -rq "$dir/run/small" "$dir/run/out" > /dev/null; then
        use_updater=1
    else
        echo "note: $updater did not run the script through; the small files are copied by the copy driver" >&2
    fi
else
    echo "note: no $updater; the small files are copied by the copy driver" >&2
fi

# ---- Timing ----------------------------------------------------------------

now() { date +%s%N; }

ours_large() { "$tool" "$dir/large.bin" "$dir/ours.bin"; }
cp_large() { cp --preserve=mode,timestamps "$dir/large.bin" "$dir/cp.bin"; }
cp_large_synced() { cp_large; sync "$dir/cp.bin"; }

small_pairs=()
for f in "$dir"/run/small/*; do small_pairs+=("$f" "$dir/run/out/$(basename "$f")"); done
ours_small() {
    if [ "$use_updater" = 1 ]; then
        (cd "$dir/run" && ./updater.exe < /dev/null > /dev/null 2>&1)
    else
        "$tool" "${small_pairs[@]}"
    fi
}
cp_small() { cp --preserve=mode,timestamps "$dir"/run/small/* "$dir/cp-small/"; }
none() { :; }

verify() {
    if [ -e "$dir/ours.bin" ] && ! cmp -s "$dir/large.bin" "$dir/ours.bin"; then
        echo "the large copy differs from its source" >&2; exit 1
    fi
    if [ -n "$(ls "$dir/run/out")" ] && ! diff -rq "$dir/run/small" "$dir/run/out" > /dev/null; then
        echo "the small copies differ from their sources" >&2; exit 1
    fi
}

# Every timed copy starts from the same state: the sources, and the old copy
# it replaces when that is the case measured, made by an untimed run just
# before. Copies of the other side are removed first, because a file system
# still busy with a gigabyte written or freed a moment ago slows whichever
# copy comes next.
declare -A times
measure() {  # key, setup, command
    rm -f "$dir/ours.bin" "$dir/cp.bin" "$dir"/run/out/* "$dir"/cp-small/*
    "$2"
    sync
    if [ "$cold" = 1 ]; then echo 3 > /proc/sys/vm/drop_caches; fi
    local start end
    start=$(now)
    "$3"
    end=$(now)
    times[$1]+="$(awk -v ns=$((end - start)) 'BEGIN { printf "%.4f", ns / 1e9 }')"$'\n'
    verify
}

for round in $(seq 1 "$rounds"); do
    echo "round $round of $rounds"
    cases=(
        "large_new_ours none ours_large" "large_new_cp none cp_large"
        "large_old_ours ours_large ours_large" "large_old_cp cp_large cp_large"
        "large_old_cp_sync cp_large cp_large_synced"
        "small_new_ours none ours_small" "small_new_cp none cp_small"
        "small_old_ours ours_small ours_small" "small_old_cp cp_small cp_small"
    )
    # Alternate which side goes first.
    if [ $((round % 2)) = 0 ]; then
        for i in 0 2 5 7; do swap=${cases[i]}; cases[i]=${cases[i+1]}; cases[i+1]=$swap; done
    fi
    for c in "${cases[@]}"; do
        # shellcheck disable=SC2086
        measure $c
    done
done

# ---- Report ------------------------------------------------------------------

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
m() { printf '%s' "${times[$1]}" | median; }
mibs() { awk -v b="$1" -v s="$2" 'BEGIN { printf "%.0f", b / 1048576 / s }'; }
ratio() { awk -v ours="$1" -v theirs="$2" 'BEGIN { printf "%.2f", theirs / ours }'; }

large_bytes=$((size_mib * 1024 * 1024))
device=$(df -P "$dir" | awk 'NR == 2 { print $1 }')
echo
echo "machine: $(nproc) cores, $(uname -r), $(findmnt -no FSTYPE -T "$dir") on $device"
echo "$( [ "$cold" = 1 ] && echo "cold cache" || echo "source in the page cache" ), median of $rounds rounds"
echo "small files copied by: $( [ "$use_updater" = 1 ] && echo "the updater, $procs_used COPY procedures" || echo "the copy driver" )"
echo
printf '%-36s %9s %9s %9s %7s\n' case "ours s" "cp s" "ours MiB/s" ratio
row() {  # name, our key, cp key, bytes
    local ours theirs
    ours=$(m "$2"); theirs=$(m "$3")
    printf '%-36s %9s %9s %9s %7s\n' "$1" "$ours" "$theirs" "$(mibs "$4" "$ours")" "$(ratio "$ours" "$theirs")"
}
row "large, new file" large_new_ours large_new_cp "$large_bytes"
row "large, over the old copy" large_old_ours large_old_cp "$large_bytes"
row "large, over the old copy (cp+sync)" large_old_ours large_old_cp_sync "$large_bytes"
row "$small_count small, new files" small_new_ours small_new_cp "$small_bytes"
row "$small_count small, over the old copies" small_old_ours small_old_cp "$small_bytes"
echo
echo "ratio: cp's time over ours (our throughput as a share of cp's)"
echo
echo "every run, in seconds:"
for key in large_new_ours large_new_cp large_old_ours large_old_cp large_old_cp_sync \
    small_new_ours small_new_cp small_old_ours small_old_cp; do
    printf '  %-18s %s\n' "$key" "$(printf '%s' "${times[$key]}" | tr '\n' ' ')"
done
