#!/usr/bin/env bash
# Hostile input for errfold: a huge line under a small memory limit, input
# that arrives in random short reads, standard output closed, and system
# calls that fail (made to, by strace).
# Usage: hostile.sh PROGRAM [RUNNER...]; RUNNER (an emulator, for instance) is
# put in front of PROGRAM. Not for sanitizer builds, which need far more
# address space than the limit allows; an emulator does too, so under one
# that case is skipped.
set -u
program=$1
shift
run=("$@" "$program")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
check() { # NAME CONDITION...
    local name=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}

report='a(b(line 2, column 1) error\nfirst\nsecond\n'
printf "$report" >"$tmp/report"

# 200 MB without a newline, then a report, in 16 MiB of address space.
if [ $# = 0 ]; then
    { head -c 200000000 /dev/zero | tr '\0' x; printf "\n$report"; } |
        (ulimit -v 16384 && "$program") >"$tmp/out" 2>"$tmp/err"
    status=$?
    printf 'a(b(line 1, column 1) error first - second\n' >"$tmp/want"
    check huge-line-small-memory [ $status = 1 ] && check huge-line-output cmp -s "$tmp/out" "$tmp/want"
else
    echo "SKIP huge-line-small-memory: $1 needs more than the 16 MiB of address space itself"
fi

# The same log in one piece and in random short reads from a slow pipe.
for i in $(seq 40); do
    printf "noise $i\r\n$report"
    head -c $((i * 97)) /dev/zero | tr '\0' y
    printf "\n(x(line $i, column error\r\nc\rd\n\n"
done >"$tmp/log"
"${run[@]}" <"$tmp/log" >"$tmp/whole"
whole=$?
perl -e 'srand(7); $| = 1; while (read(STDIN, $b, 1 + int(rand(60)))) {
    print $b; select(undef, undef, undef, 0.0003) }' <"$tmp/log" | "${run[@]}" >"$tmp/slow"
slow=$?
check slow-pipe-status [ $whole = $slow ] && check slow-pipe-output cmp -s "$tmp/whole" "$tmp/slow"

# Standard output closed: the first write fails, and says so.
"${run[@]}" <"$tmp/report" >&- 2>"$tmp/err"
status=$?
check closed-stdout-status [ $status = 2 ]
check closed-stdout-message [ "$(cat "$tmp/err")" = "errfold: write error: Bad file descriptor" ]

# System calls made to fail by strace, one call each, as a system may fail
# them: a close of standard output that reports a lost write, a write that
# moves nothing, as on a full device, and a read interrupted by a signal,
# which is tried again. The loader of a shared build, or an emulator, makes
# calls of its own before the program's, so a first traced run counts the
# calls up to the program's first, and only that one is made to fail.
# SYSCALL|THE PROGRAM'S FIRST|FAULT|STATUS|STDOUT|STDERR
report_out='a(b(line 1, column 1) error first - second\n'
while IFS='|' read -r call first fault want_status want_out want_err; do
    strace -o "$tmp/calls" -e trace="$call" "${run[@]}" <"$tmp/report" >"$tmp/out" 2>"$tmp/err"
    nth=$(awk -v call="$call(" -v first="$first" \
        'index($0, call) == 1 { n++ } index($0, first) == 1 { print n; exit }' "$tmp/calls")
    check "$call-traced" [ -n "$nth" ]
    strace -o /dev/null -e trace="$call" -e inject="$call:$fault:when=${nth:-1}" "${run[@]}" \
        <"$tmp/report" >"$tmp/out" 2>"$tmp/err"
    status=$?
    printf %b "$want_out" >"$tmp/want"
    check "$call-$fault-status" [ $status = "$want_status" ]
    check "$call-$fault-output" cmp -s "$tmp/out" "$tmp/want"
    check "$call-$fault-message" [ "$(cat "$tmp/err")" = "$want_err" ]
done <<EOF
close|close(1)|error=EIO|2|$report_out|errfold: write error: Input/output error
write|write(1,|retval=0|2||errfold: write error: No space left on device
read|read(0,|error=EINTR|0|$report_out|
EOF

echo "errfold hostile input: $passed passed, $failed failed"
[ "$failed" = 0 ]
