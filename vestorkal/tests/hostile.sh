#!/usr/bin/env bash
# Hostile input for vestorkal: a 100 MB name run under a small memory limit,
# a reference that arrives byte by byte, standard output closed or failing
# at its close (made to, by strace), and maps that are gone or cannot be
# read. Usage: hostile.sh PROGRAM [RUNNER...]; PROGRAM is an absolute path,
# RUNNER (an emulator, for instance) is put in front of it. Not for sanitizer
# builds, which need far more address space than the limit; an emulator does
# too, so under one that case is skipped.
set -u
program=$1
shift
run=("$@" "$program")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" && mkdir mapy || exit 1
printf 'map\n' >mapy/abc.map
ln -s gone.map mapy/dangling.map
passed=0 failed=0
check() { # NAME CONDITION...
    local name=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $name"; fi
}
missing=$'VesTorkal...Neexistuj\xc3\xadc\xc3\xad mapa.'
write_error=$'VesTorkal...Chyba p\xc5\x99i z\xc3\xa1pisu v\xc3\xbdstupu.'

if [ $# = 0 ]; then
    { printf '{'; head -c 100000000 /dev/zero | tr '\0' n; printf '}'; } |
        (ulimit -v 16384 && "$program") >out 2>err
    status=$?
    check long-name-small-memory [ $status = 1 ] && check long-name-message [ "$(cat err)" = "$missing" ]
else
    echo "SKIP long-name-small-memory: $1 needs more than the 16 MiB of address space itself"
fi

perl -e '$| = 1; for (split //, " \t{ abc}\n{x}") { print; select(undef, undef, undef, 0.01) }' |
    "${run[@]}" >out 2>err
status=$?
printf 'map\n\377' >want
check byte-by-byte [ $status = 0 ] && check byte-by-byte-output cmp -s out want

printf '{abc}' | "${run[@]}" >&- 2>err
status=$?
check closed-stdout [ $status = 1 ] && check closed-stdout-message [ "$(cat err)" = "$write_error" ]

# System calls made to fail by strace, one call each, as a system may fail
# them: a close of standard output that reports a lost write, or that a
# signal interrupted (on Linux the file is closed all the same, and nothing
# is lost), and a write that moves nothing, as on a full device. The loader
# of a shared build, or an emulator, makes calls of its own before the
# program's, so a first traced run counts the calls up to the program's
# first, and only that one is made to fail. The map goes out by sendfile;
# the program's first write is the end marker.
# SYSCALL|THE PROGRAM'S FIRST|FAULT|STATUS|STDOUT|STDERR
while IFS='|' read -r call first fault want_status want_out want_err; do
    printf '{abc}' | strace -o calls -e trace="$call" "${run[@]}" >out 2>err
    nth=$(awk -v call="$call(" -v first="$first" \
        'index($0, call) == 1 { n++ } index($0, first) == 1 { print n; exit }' calls)
    check "$call-traced" [ -n "$nth" ]
    printf '{abc}' | strace -o /dev/null -e trace="$call" -e inject="$call:$fault:when=${nth:-1}" \
        "${run[@]}" >out 2>err
    status=$?
    printf %b "$want_out" >want
    check "$call-$fault-status" [ $status = "$want_status" ]
    check "$call-$fault-output" cmp -s out want
    check "$call-$fault-message" [ "$(cat err)" = "$want_err" ]
done <<EOF
close|close(1)|error=EIO|1|map\\n\\377|$write_error
close|close(1)|error=EINTR|0|map\\n\\377|
write|write(1,|retval=0|1|map\\n|$write_error
EOF

printf '{dangling}' | "${run[@]}" >out 2>err
status=$?
check map-gone [ $status = 1 ] && check map-gone-message [ "$(cat err)" = "$missing" ] &&
    check map-gone-no-output [ ! -s out ]

echo "vestorkal hostile input: $passed passed, $failed failed"
[ "$failed" = 0 ]
