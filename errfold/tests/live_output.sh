#!/usr/bin/env bash
# A complete report must reach standard output while errfold still waits for
# more input, so that a long build piped through it shows reports as they come.
set -u
program=$1
shift
tmp=$(mktemp -d)
trap 'exec 3>&-; rm -rf "$tmp"' EXIT
mkfifo "$tmp/input"
"$@" "$program" <"$tmp/input" >"$tmp/out" &
pid=$!
exec 3>"$tmp/input"
printf 'building\na(b(line 2, column 1) error\nfirst\nsecond\n' >&3
want='a(b(line 1, column 1) error first - second'
for _ in $(seq 100); do
    [ "$(tr -d '\r' <"$tmp/out")" = "$want" ] && break
    sleep 0.1
done
got=$(tr -d '\r' <"$tmp/out")
exec 3>&-
wait "$pid"
status=$?
if [ "$got" != "$want" ] || [ "$status" != 1 ]; then
    echo "FAIL: before the end of input got '$got', status $status"
    echo "0 passed, 1 failed"
    exit 1
fi
echo "1 passed, 0 failed"
