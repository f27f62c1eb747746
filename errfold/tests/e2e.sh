#!/usr/bin/env bash
# End-to-end cases for errfold: exact stdout, stderr and exit status of the
# built program, for each case of cases.txt and for failing standard streams.
# Usage: e2e.sh PROGRAM posix|windows [RUNNER...]; RUNNER (an emulator, for
# instance) is put in front of PROGRAM. A Windows build writes through
# text-mode streams, so every LF it writes leaves as CR LF.
set -u
program=$1 platform=$2
shift 2
run=("$@" "$program")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0

as_written() { if [ "$platform" = windows ]; then LC_ALL=C sed -z 's/\n/\r\n/g'; else cat; fi; }

# The shorthands of cases.txt, then printf %b escapes.
expand() {
    local s=$1 run
    s=${s//\{H\}/a(b(line 12, column 5) error}
    s=${s//\{R\}/a(b(line 11, column 5) error}
    s=${s//\{C1\}/x := := 3}
    s=${s//\{C2\}/expected an expression}
    while [[ $s =~ \{(.)\*([0-9]+)\} ]]; do
        printf -v run '%*s' "${BASH_REMATCH[2]}" ''
        s=${s/"${BASH_REMATCH[0]}"/${run// /${BASH_REMATCH[1]}}}
    done
    printf '%b' "$s"
}

verdict() { # NAME STATUS WANT_STATUS
    local ok=1
    [ "$2" = "$3" ] || { echo "  status $2, want $3"; ok=0; }
    cmp -s "$tmp/out" "$tmp/want.out" || { echo "  stdout differs:"; od -c "$tmp/out" | head -5; ok=0; }
    cmp -s "$tmp/err" "$tmp/want.err" || { echo "  stderr differs:"; cat "$tmp/err"; ok=0; }
    if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1"; fi
}

while IFS='|' read -r name status input output only; do
    [[ -z $name || $name == \#* ]] && continue
    [[ -n $only && $only != "$platform" ]] && continue
    expand "$input" >"$tmp/in"
    expand "$output" | as_written >"$tmp/want.out"
    : >"$tmp/want.err"
    "${run[@]}" <"$tmp/in" >"$tmp/out" 2>"$tmp/err"
    verdict "$name" $? "$status"
done <"$(dirname "$0")/cases.txt"

# Failures of standard input and output.
expand '{H}\n{C1}\n{C2}\n' >"$tmp/in"
: >"$tmp/want.out"
: >"$tmp/out"
printf 'errfold: write error: No space left on device\n' | as_written >"$tmp/want.err"
"${run[@]}" <"$tmp/in" 2>"$tmp/err" >/dev/full
verdict dev-full $? 2
# Wine reports a directory as standard input as an invalid argument.
reason=$([ "$platform" = windows ] && echo 'Invalid argument' || echo 'Is a directory')
printf 'errfold: read error: %s\n' "$reason" | as_written >"$tmp/want.err"
"${run[@]}" <"$tmp" >"$tmp/out" 2>"$tmp/err"
verdict directory-input $? 2

echo "errfold end-to-end ($platform): $passed passed, $failed failed"
[ "$failed" = 0 ]
