#!/usr/bin/env bash
# Checks with readelf that each program is hardened: a position-independent
# executable, relocations read-only after start (RELRO) and bound at once
# (BIND_NOW), and a stack that cannot run code. A program that still has its
# symbols must also be free of the C++ exception runtime, whose set-up slows
# every start. Usage: tools/check-elf.sh PROGRAM...
set -euo pipefail
status=0
for program; do
    header=$(readelf -hW "$program")
    segments=$(readelf -lW "$program")
    dynamic=$(readelf -dW "$program")
    symbols=$(nm "$program" 2>/dev/null || true)
    failed=0
    fail() { echo "$program: $*" >&2; failed=1 status=1; }
    grep -q 'Type: *DYN' <<<"$header" || fail "not position-independent"
    grep -q 'GNU_RELRO' <<<"$segments" || fail "no RELRO segment"
    grep -Eq 'GNU_STACK( +[^ ]+){5} +RW ' <<<"$segments" || fail "stack is executable"
    grep -q 'BIND_NOW' <<<"$dynamic" || fail "no BIND_NOW"
    grep -q 'Flags:.*PIE' <<<"$dynamic" || fail "no PIE flag"
    ! grep -q ' __cxa_throw$' <<<"$symbols" || fail "holds the C++ exception runtime"
    kind=static
    grep -q 'INTERP' <<<"$segments" && kind=dynamic
    [ $failed = 1 ] || echo "$program: $kind PIE, RELRO, BIND_NOW, non-executable stack"
done
exit $status
