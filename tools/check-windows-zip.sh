#!/usr/bin/env bash
# Makes the zip of a Windows build, checks what it holds, unpacks it and runs
# both programs from it under Wine on the shipped examples.
# Usage: tools/check-windows-zip.sh [BUILD_DIR]   (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}
stage=$(mktemp -d)
export WINEPREFIX=$stage/wine WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$stage"' EXIT

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=errfold-vestorkal-$version-win64
(cd "$build" && cpack -G ZIP -B "$stage/packages" >/dev/null)
(cd "$stage" && cmake -E tar xf "packages/$name.zip")
fail() { echo "$name.zip: $*" >&2; exit 1; }
[ "$(cd "$stage/$name" && echo *)" = "LICENSE.txt README.txt editors errfold.exe vestorkal.exe" ] ||
    fail "holds $(cd "$stage/$name" && echo *)"
# The editor files as they were tested, byte for byte.
diff -r errfold/editors "$stage/$name/editors" || fail "editors/ differs from errfold/editors"
for text in LICENSE.txt README.txt; do
    [ "$(grep -c '' "$stage/$name/$text")" = "$(LC_ALL=C grep -c $'\r$' "$stage/$name/$text")" ] ||
        fail "$text has lines that do not end in CR LF"
done
[ "$(head -c 3 "$stage/$name/README.txt" | od -An -tx1)" = " ef bb bf" ] || fail "README.txt has no byte order mark"
! grep -Eq '^\.[A-Z][a-z]( |$)' "$stage/$name/README.txt" || fail "README.txt holds troff requests"
grep -q 'VesTorkal...Neexistující mapa' "$stage/$name/README.txt" || fail "README.txt lost its Czech letters"

# The unpacked programs, as a Windows user would run them.
wine wineboot -i >/dev/null 2>&1
set +e
wine "$stage/$name/errfold.exe" <examples/build.log >"$stage/errfold.out"
errfold_status=$?
(cd examples && wine "$stage/$name/vestorkal.exe" <reference.txt) >"$stage/vestorkal.out"
vestorkal_status=$?
set -e
[ "$errfold_status" = 1 ] && [ "$(LC_ALL=C grep -c $'\r$' "$stage/errfold.out")" = 3 ] ||
    fail "errfold.exe: status $errfold_status, $(wc -l <"$stage/errfold.out") lines"
{ LC_ALL=C sed -z 's/\n/\r\n/g' examples/mapy/ostrov.map; printf '\377'; } | cmp - "$stage/vestorkal.out" ||
    fail "vestorkal.exe: wrong output"
[ "$vestorkal_status" = 0 ] || fail "vestorkal.exe: status $vestorkal_status"
echo "Windows zip: passed ($name.zip)"
