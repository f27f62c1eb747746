#!/usr/bin/env bash
# End-to-end cases for errfold: exact stdout, stderr and exit status of the
# built program. Usage: e2e.sh PROGRAM posix|windows [RUNNER...]; RUNNER (an
# emulator, for instance) is put in front of PROGRAM. A Windows build writes
# through text-mode streams, so every LF it writes leaves as CR LF.
set -u
program=$1 platform=$2
shift 2
run=("$@" "$program")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0

rep() { local s; printf -v s '%*s' "$2" ''; printf '%s' "${s// /$1}"; }

# expect NAME STATUS INPUT STDOUT [STDERR]: INPUT, STDOUT and STDERR are
# printf %b strings.
expect() {
    printf '%b' "$3" >"$tmp/in"
    printf '%b' "$4" | as_written >"$tmp/want.out"
    printf '%b' "${5-}" | as_written >"$tmp/want.err"
    "${run[@]}" <"$tmp/in" >"$tmp/out" 2>"$tmp/err"
    verdict "$1" $? "$2"
}

as_written() { if [ "$platform" = windows ]; then LC_ALL=C sed -z 's/\n/\r\n/g'; else cat; fi; }
# Like expect, for cases whose result differs between the platforms.
expect_on() { if [ "$platform" = "$1" ]; then shift; expect "$@"; fi; }

verdict() {
    local name=$1 got=$2 want=$3 ok=1
    [ "$got" = "$want" ] || { echo "  status $got, want $want"; ok=0; }
    cmp -s "$tmp/out" "$tmp/want.out" || { echo "  stdout differs:"; od -c "$tmp/out" | head -5; ok=0; }
    cmp -s "$tmp/err" "$tmp/want.err" || { echo "  stderr differs:"; cat "$tmp/err"; ok=0; }
    if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}

H='a(b(line 12, column 5) error'
R='a(b(line 11, column 5) error'
C1='x := := 3' C2='expected an expression'

# Ends of input and the exit status.
expect empty 0 '' ''
expect plain-lines 1 'one\ntwo\n' ''
expect plain-last-line-unterminated 0 'one' ''
expect illustration 1 "Compiling the source\n$H\n$C1\n$C2\n" "$R $C1 - $C2\n"
expect reports-only 0 "$H\n$C1\n$C2\n$H\n1\n2\n" "$R $C1 - $C2\n$R 1 - 2\n"
expect header-unterminated-at-end 0 "$H" ''
expect header-unterminated-after-drop 1 "drop\n$H" ''
expect header-then-end 0 "$H\n" "$R"
expect one-continuation-then-end 0 "$H\n$C1\n" "$R $C1"
expect second-continuation-unterminated 0 "$H\n$C1\n$C2" "$R $C1"
expect continuation-unterminated-keeps-status 1 "x\n$H\n$C1" "$R"
expect continuations-never-headers 0 "$H\n$H\n$H\n$H\nc\nd\n" "$R $H - $H\n$R c - d\n"
expect line-after-group-examined 1 "$H\n1\n2\nplain\n" "$R 1 - 2\n"

# Report header test: byte-exact words, also inside longer words.
expect capitalised-words 1 'Line ERROR Column (x(line 3, y\n' ''
expect words-inside-words 0 'errors underline columns (x(line 3, y\nc\nd\n' 'errors underline columns (x(line 2, y c - d\n'
expect words-any-order 0 'column error (a(line 9, x) line\nc\nd\n' 'column error (a(line 8, x) line c - d\n'

# The rewrite of a header.
expect line-one 0 'a(b(line 1, column 2) error\nc\nd\n' 'a(b(line 0, column 2) error c - d\n'
expect line-zero 0 'a(b(line 0, column 2) error\nc\nd\n' 'a(b(line -1, column 2) error c - d\n'
expect line-negative 0 'a(b(line -5, column 2) error\nc\nd\n' 'a(b(line -6, column 2) error c - d\n'
expect line-plus-sign 0 'a(b(line +7, column 2) error\nc\nd\n' 'a(b(line 6, column 2) error c - d\n'
expect line-leading-zeros 0 'a(b(line 0010, column 2) error\nc\nd\n' 'a(b(line 9, column 2) error c - d\n'
expect line-no-space 0 'a(b(line12345, column 2) error\nc\nd\n' 'a(b(line112344, column 2) error c - d\n'
expect line-tab-spaces 0 'a(b(line\t\t 8 more, column 2) error\nc\nd\n' 'a(b(line\t7, column 2) error c - d\n'
expect int-max 0 'a(b(line 2147483647, column 2) error\nc\nd\n' 'a(b(line 2147483646, column 2) error c - d\n'
expect int-min 0 'a(b(line -2147483648, column 2) error\nc\nd\n' 'a(b(line -2147483649, column 2) error c - d\n'
expect three-parens 0 'a(b(c(line 4, column 1) error\nc\nd\n' 'a(b(c(line 4, column 1) error c - d\n'
expect only-first-two-parens 0 'a(b(line 4, column (1) error\nc\nd\n' 'a(b(line 3, column (1) error c - d\n'
expect tail-is-last-character 0 "a(b(line 4 column error$(rep y 974)," 'a(b(line 3'
expect comma-at-the-cut 0 'a(b(line5, column 1) error\nc\nd\n' 'a(b(line5, column 1) error c - d\n'
expect comma-after-the-cut 0 'a(b(line5 x, column 1) error\nc\nd\n' 'a(b(line54, column 1) error c - d\n'

# Headers the rewrite cannot serve are written as they came.
expect no-paren 0 'line 4, column 1 error\nc\nd\n' 'line 4, column 1 error c - d\n'
expect one-paren 0 'a(line 4, column 1 error\nc\nd\n' 'a(line 4, column 1 error c - d\n'
expect no-line-word 0 'a(b(Line 4, column 1) error line\nc\nd\n' 'a(b(Line 4, column 1) error line c - d\n'
expect sign-without-digits 0 'a(b(line -, column 1) error\nc\nd\n' 'a(b(line -, column 1) error c - d\n'
expect no-comma 0 'a(b(line 4 column 1) error\nc\nd\n' 'a(b(line 4 column 1) error c - d\n'
expect above-int-max 0 'a(b(line 2147483648, column 2) error\nc\nd\n' 'a(b(line 2147483648, column 2) error c - d\n'
expect below-int-min 0 'a(b(line -2147483649, column 2) error\nc\nd\n' 'a(b(line -2147483649, column 2) error c - d\n'
expect huge-number 0 "a(b(line $(rep 9 900), column 2) error\nc\nd\n" "a(b(line $(rep 9 900), column 2) error c - d\n"
expect anchor-at-line-end 0 'column error line ((\nc\nd\n' 'column error line (( c - d\n'

# Line ends: CR LF is one newline; a lone CR is an ordinary byte.
expect crlf 1 "drop\r\n$H\r\n$C1\r\n$C2\r\n" "$R $C1 - $C2\n"
expect crlf-plain-unterminated 0 'one\r' ''
expect lone-cr 0 'a(b(line 3, x\r) column error\r\nc\rd\r\ne\r\r\n' 'a(b(line 2, x\r) column error c\rd - e\r\n'

# NUL is an ordinary byte.
expect nul-in-lines 1 "x\0y\na(b(line 3, \0) error column\0\n\0c\0\nd\0e\n" "a(b(line 2, \0) error column\0 \0c\0 - d\0e\n"
expect nul-only-continuation 0 "$H\n\0\n\0\n" "$R \0 - \0\n"

# Reads of at most 998 characters.
L997=$(rep x 997) L998=$(rep x 998)
expect plain-997-unterminated 0 "$L997" ''
expect plain-998-unterminated 1 "$L998" ''
expect plain-998 1 "$L998\n" ''
expect plain-998-ending-in-cr 1 "$L997\r" ''
expect crlf-counts-once 0 "$H\n$L997\r\n$C2\n" "$R $L997 - $C2\n"
expect crlf-past-the-limit 1 "$H\n$L998\r\n$C2\n" "$R $L997 - \n"
H998="$H$(rep x $((998 - ${#H})))"
R998="$R$(rep x $((998 - ${#H} - 1)))"
expect header-998 0 "$H998\nd\n" "$R998  - d\n"
expect header-998-unterminated 0 "$H998" "$R998"
expect header-999 0 "${H998}y\nd\n" "$R998 y - d\n"
expect continuation-2000 1 "$H\n$(rep c 2000)\n" "$R $(rep c 997) - $(rep c 998)"
expect continuation-998 0 "$H\n$(rep c 998)\n$H\n1\n2\n" "$R $(rep c 997) - \n$R 1 - 2\n"
expect long-plain-then-report 1 "$(rep p 3000)\n$H\n$C1\n$C2\n" "$R $C1 - $C2\n"

# Ctrl-Z ends text-mode input on Windows; elsewhere it is an ordinary byte.
expect_on posix ctrl-z 1 "$H\nc\nd\032\ne\n" "$R c - d\032\n"
expect_on windows ctrl-z 0 "$H\nc\nd\032\ne\n" "$R c"

# Failures of standard input and output.
printf '%b' "$H\n$C1\n$C2\n" >"$tmp/in"
printf '' >"$tmp/want.out"
: >"$tmp/out"
printf 'errfold: write error: No space left on device\n' | as_written >"$tmp/want.err"
"${run[@]}" <"$tmp/in" 2>"$tmp/err" >/dev/full
verdict dev-full $? 2
# Wine reports a directory as standard input as an invalid argument.
reason=$([ "$platform" = windows ] && echo 'Invalid argument' || echo 'Is a directory')
printf 'errfold: read error: %s\n' "$reason" | as_written >"$tmp/want.err"
"${run[@]}" <"$tmp" >"$tmp/out" 2>"$tmp/err"
verdict directory-input $? 2

echo "errfold end-to-end: $passed passed, $failed failed"
[ "$failed" = 0 ]
