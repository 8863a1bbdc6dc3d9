#!/usr/bin/env bash
# Runs korvalis-bench on a few small files in nested folders and checks that it copied them all,
# byte for byte, and printed its report. Times are printed, never checked.
set -euo pipefail
bench=${1:?usage: smoke.sh KORVALIS_BENCH}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/src/a/b" "$work/src/c" "$work/src/empty"
head -c 100 /dev/urandom >"$work/src/top.bin"
head -c 65537 /dev/urandom >"$work/src/a/odd size.bin"
head -c 200000 /dev/urandom >"$work/src/a/b/deep.bin"
: >"$work/src/c/zero.bin"
head -c 4096 /dev/urandom >"$work/src/c/.hidden"

QT_QPA_PLATFORM=offscreen "$bench" "$work/src" "$work/dst" >"$work/report"
cat "$work/report"
diff -r "$work/src" "$work/dst"

value() { sed -n "s/^$1=//p" "$work/report"; }
[[ $(value event) == done ]]
[[ $(value files) == 5 && $(value folders) == 4 && $(value not_copied) == 0 && $(value left_out) == 0 ]]
[[ $(value failed_reads) == 0 && $(value prompts) == 0 ]]
[[ $(value bytes_recovered) == $((100 + 65537 + 200000 + 4096)) ]]
[[ -n $(value seconds) && -n $(value peak_rss_mib) ]]
echo "smoke: ok"
