#!/bin/sh
# Runs the built programs on the shipped examples: demo.sh ERRFOLD [VESTORKAL]
set -u
examples=$(dirname "$0")

echo "== errfold < examples/build.log"
"$1" <"$examples/build.log"
echo "== exit status $? (1: lines other than error reports were dropped)"

[ $# -ge 2 ] || exit 0
# vestorkal finds its maps below the working folder.
vestorkal=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
out=$(mktemp)
echo "== cd examples && vestorkal < reference.txt | od -c | tail -n 4"
(cd "$examples" && "$vestorkal" <reference.txt >"$out")
status=$?
od -c "$out" | tail -n 4
echo "== exit status $status: mapy/ostrov.map ($(wc -c <"$examples/mapy/ostrov.map") bytes), then the end marker 377 ($(wc -c <"$out") bytes)"
rm -f "$out"
echo "== cd examples && echo '{atlantida}' | vestorkal"
(cd "$examples" && echo '{atlantida}' | "$vestorkal")
echo "== exit status $? (1: there is no mapy/atlantida.map)"
