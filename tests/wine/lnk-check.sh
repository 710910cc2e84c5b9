#!/usr/bin/env bash
# Shortcut files and started programs of the two editions, side by side.
#
#   tests/wine/lnk-check.sh HOST_BUILD WINDOWS_BUILD
#
# HOST_BUILD and WINDOWS_BUILD are build folders of the host preset and of a
# Windows preset (win64 or win32), with their test tools built (platformrun,
# argdump, and on Windows lnkread). The Windows programs run under Wine
# through scripts/wine-run, as on a Japanese system (code page 932) when the
# locale ja_JP.UTF-8 exists, and never as root: the folders they write in
# are handed to the user Wine runs as.
#
# Shortcuts: each case is made by both editions. lnkinfo (liblnk-utils)
# reads every file and must show the target, working directory and
# arguments asked for; the window state is read from the header's
# ShowCommand field at offset 0x3C, since lnkinfo always shows 0 there; and
# the shell's own ShellLink object (lnkread.exe) must read the same target,
# folder and arguments from the files of both editions.
#
# Programs: argdump is started by both editions with the same parameter
# texts and must receive the same arguments (in UTF-8 on the host), which
# shows that the host splits a parameter text as a Windows program's C
# runtime does. The Windows edition's command line, folder and failures are
# checked on their own.
#
# Exit code: 0 when everything agrees, 1 on a difference, 77 when the
# Windows programs cannot run here (a 32-bit build on a 64-bit-only kernel).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
host=$(cd "${1:?usage: lnk-check.sh HOST_BUILD WINDOWS_BUILD}" && pwd)/tests
windows=$(cd "${2:?usage: lnk-check.sh HOST_BUILD WINDOWS_BUILD}" && pwd)/tests

command -v lnkinfo >/dev/null || { echo "lnk-check: lnkinfo (liblnk-utils) is missing" >&2; exit 1; }
for tool in "$host/platformrun" "$host/argdump" "$windows/platformrun.exe" \
            "$windows/argdump.exe" "$windows/lnkread.exe"; do
  [[ -x $tool || -f $tool ]] || { echo "lnk-check: $tool is not built" >&2; exit 1; }
done

japanese=false
if locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  japanese=true
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

wine_run() {
  "$root/scripts/wine-run" "$@"
  local status=$?
  if [[ $status == 77 ]]; then
    echo "lnk-check: the Windows programs cannot run here; skipped"
    exit 77
  fi
  return $status
}

# Texts are written here in UTF-8; both editions are given them in CP932,
# the host through its arguments and Windows through Wine's code page.
cp932() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The value lnkinfo shows for a field, or nothing when the field is absent.
lnk_field() {
  lnkinfo -c windows-932 "$1" 2>/dev/null | LC_ALL=C.UTF-8 sed -n "s/^\t$2\t*: //p"
}
show_command() { od -An -tu4 -j60 -N4 "$1" | tr -d ' '; }

# --- Shortcuts -------------------------------------------------------------

# target | arguments | show number | working directory | stored window state
cases=(
  'C:\App\tool.exe|/quiet|1|C:\App|1'
  'C:\App\tool.exe|a "b c" d|2|C:\App|7'
  'C:\tool.exe||3|C:|3'
  'Z:\opt\My App\run.exe|/s|0|Z:\opt\My App|1'
  'D:\Data\readme.txt|x|4|D:\Data|1'
)
if $japanese; then
  cases+=('C:\アプリ\表\ツール.exe|/t "カ ナ"|2|C:\アプリ\表|7')
  # The folder of 表.exe ends inside 表: its lone first byte is "・".
  cases+=('C:\Tools\表.exe||1|C:\Tools\・|1')
fi

mkdir -p "$scratch/host" "$scratch/win"
"$root/scripts/wine-run" --give "$scratch"
files=()
for i in "${!cases[@]}"; do
  IFS='|' read -r target arguments show folder state <<<"${cases[$i]}"
  name="リンク$i.LNK"
  $japanese || name="link$i.LNK"
  "$host/platformrun" link "$(cp932 "$target")" "$(cp932 "$(windows_path "$scratch/host/$name")")" \
    "$(cp932 "$arguments")" "$show" >/dev/null || fail "host edition did not make case $i"
  # (Wine says on standard error that drive Z: has no volume serial.)
  wine_run "$windows/platformrun.exe" link "$target" "$(windows_path "$scratch/win/$name")" \
    "$arguments" "$show" >/dev/null 2>&1 || fail "Windows edition did not make case $i"

  for edition in host win; do
    file="$scratch/$edition/$name"
    [[ -f $file ]] || { fail "$edition: no file for case $i"; continue; }
    files+=("$(windows_path "$file")")
    [[ $(lnk_field "$file" 'Local path') == "$target" ]] ||
      fail "$edition case $i: lnkinfo target '$(lnk_field "$file" 'Local path')', wanted '$target'"
    [[ $(lnk_field "$file" 'Working directory') == "$folder" ]] ||
      fail "$edition case $i: lnkinfo folder '$(lnk_field "$file" 'Working directory')', wanted '$folder'"
    [[ $(lnk_field "$file" 'Command line arguments') == "$arguments" ]] ||
      fail "$edition case $i: lnkinfo arguments '$(lnk_field "$file" 'Command line arguments')', wanted '$arguments'"
    [[ $(show_command "$file") == "$state" ]] ||
      fail "$edition case $i: window state $(show_command "$file"), wanted $state"
  done
done

# The shell's reading of every file, one block per file; the blocks of the
# two editions' files of one case must agree, apart from the file name.
wine_run "$windows/lnkread.exe" "${files[@]}" | tr -d '\r' | iconv -f CP932 -t UTF-8 >"$scratch/read.txt" ||
  fail "lnkread could not load every file"
for i in "${!cases[@]}"; do
  IFS='|' read -r target arguments show folder state <<<"${cases[$i]}"
  expected=$(printf 'target=%s\nfolder=%s\narguments=%s' "$target" "$folder" "$arguments")
  for edition in host win; do
    block=$(awk -v dir="\\\\$edition\\\\" '
      /^file=/ { keep = index($0, dir) > 0 && index($0, "'"$i"'.LNK") > 0; next }
      keep && /^(target|folder|arguments)=/' "$scratch/read.txt")
    [[ $block == "$expected" ]] ||
      fail "$edition case $i: the shell reads"$'\n'"$block"$'\n'"wanted"$'\n'"$expected"
  done
done

# --- Programs --------------------------------------------------------------

parameters=(
  ''
  '/s'
  'a "b c" d'
  '"ab\"c" "\\" d'
  'a\\\b d"e f"g h'
  'a\\\"b c d'
  'a\\\\"b c" d e'
  'a"b"" c d'
  '"" x'
  '"unfinished quote'
  'C:\Data\ "C:\Program Files\\"'
)
if $japanese; then
  parameters+=('"表 示" 表\"x')
fi

mkdir -p "$scratch/App Dir"
cp "$host/argdump" "$scratch/App Dir/argdump"
cp "$windows/argdump.exe" "$scratch/App Dir/argdump.exe"
"$root/scripts/wine-run" --give "$scratch/App Dir"
program=$(windows_path "$scratch/App Dir/argdump")

# What argdump recorded under the given keys, in UTF-8: the host edition
# passes its arguments on in UTF-8, a Windows program gets them in its code
# page. escaped() writes a text the way argdump records it.
record_of() { grep -aE "^($2)=" "$scratch/App Dir/argdump.txt" | iconv -f "$1" -t UTF-8; }
escaped() { printf '%s' "$1" | sed 's/\\/\\x5C/g'; }

for text in "${parameters[@]}"; do
  rm -f "$scratch/App Dir/argdump.txt"
  "$host/platformrun" launch "$(cp932 "$program")" "$(cp932 "$text")" 1 >/dev/null ||
    { fail "host edition did not start argdump with [$text]"; continue; }
  from_host=$(record_of UTF-8 'argc|arg[1-9][0-9]*')
  rm -f "$scratch/App Dir/argdump.txt"
  wine_run "$windows/platformrun.exe" launch "$program.exe" "$text" 1 >/dev/null ||
    { fail "Windows edition did not start argdump with [$text]"; continue; }
  from_windows=$(record_of CP932 'argc|arg[1-9][0-9]*')
  [[ $from_host == "$from_windows" ]] ||
    fail "arguments of [$text] differ"$'\n'"host:"$'\n'"$from_host"$'\n'"Windows:"$'\n'"$from_windows"
done

# The Windows edition's command line: the program file, quoted for its
# space, then one space and the parameters as written; its folder is the
# program's own. Then the failures: no folder part, a missing program, and
# the wait for input idleness of a console program, which has none (the
# program still runs).
text='a "b c"'
rm -f "$scratch/App Dir/argdump.txt"
wine_run "$windows/platformrun.exe" launch "$program.exe" "$text" 1 >/dev/null
[[ $(record_of CP932 'folder|line') == "$(printf 'folder=%s\nline="%s" %s' \
    "$(escaped "${program%\\*}")" "$(escaped "$program.exe")" "$(escaped "$text")")" ]] ||
  fail "Windows command line or folder: $(record_of CP932 'folder|line')"
for missing in 'argdump.exe' "${program%\\*}\\missing.exe"; do
  wine_run "$windows/platformrun.exe" launch "$missing" "" 1 >/dev/null &&
    fail "Windows edition reports $missing as started"
done
rm -f "$scratch/App Dir/argdump.txt"
wine_run "$windows/platformrun.exe" launch "$program.exe" "" 0 >/dev/null &&
  fail "Windows edition reports a console program as ready for input"
for _ in $(seq 100); do [[ -f "$scratch/App Dir/argdump.txt" ]] && break; sleep 0.1; done
[[ -f "$scratch/App Dir/argdump.txt" ]] || fail "the console program did not run"

if [[ $failures -gt 0 ]]; then
  echo "lnk-check: $failures difference(s)"
  exit 1
fi
echo "lnk-check: ${#cases[@]} shortcuts and ${#parameters[@]} parameter texts agree"
