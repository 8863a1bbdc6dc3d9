#!/usr/bin/env bash
# scripts/demo-medium mounts its sample tree with damaged files, and --stop unmounts it.
#   demo_medium_test.sh SOURCE_DIR KORVALIS_MEDIUM
set -euo pipefail
repo="$1"
export KORVALIS_MEDIUM="$2"

if [[ ! -e /dev/fuse || ! -x "$KORVALIS_MEDIUM" ]]; then
    echo "FUSE is not available"
    [[ "${CI:-}" == "true" ]] && exit 1
    exit 77 # skipped
fi

work="$(mktemp -d)"
folder="$work/demo folder"
cleanup() {
    "$repo/scripts/demo-medium" --stop "$folder" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$repo/scripts/demo-medium" "$folder"
medium="$folder/medium"
grep -qF " ${medium// /\\040} fuse.korvalis-medium " /proc/self/mounts || fail "not mounted at $medium"

# Undamaged files read as their source; damaged ones fail with an I/O error.
cmp -s "$medium/Documents/Letters/Brief an Jürgen.txt" "$folder/source/Documents/Letters/Brief an Jürgen.txt" ||
    fail "an undamaged letter differs from its source"
[[ -f "$medium/Documents/Letters/Письмо Ольге.txt" && -d "$medium/Empty folder" && -f "$medium/.hidden settings" ]] ||
    fail "the sample tree is incomplete"
if out=$(dd if="$medium/Documents/Report 2024.txt" of=/dev/null bs=512 skip=40 count=1 2>&1); then
    fail "the damaged sector of the report was read"
fi
[[ "$out" == *"Input/output error"* ]] || fail "unexpected error: $out"
dd if="$medium/Documents/Report 2024.txt" of=/dev/null bs=512 count=40 status=none ||
    fail "the good start of the report could not be read"

# Running it again starts afresh; --stop unmounts.
"$repo/scripts/demo-medium" "$folder" >/dev/null
"$repo/scripts/demo-medium" --stop "$folder"
if grep -qF " ${medium// /\\040} fuse.korvalis-medium " /proc/self/mounts; then
    fail "still mounted after --stop"
fi
echo "PASS"
