#!/bin/sh
# Runs the built programs on the shipped examples: demo.sh ERRFOLD [VESTORKAL]
set -u
examples=$(dirname "$0")

echo "== errfold < examples/build.log"
"$1" <"$examples/build.log"
echo "== exit status $? (1: lines other than error reports were dropped)"
# errfold runs a build itself and ends with the build's status.
errfold=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
echo "== cd examples/project && errfold make"
(cd "$examples/project" && "$errfold" make)
echo "== exit status $? (make's: the build failed)"

[ $# -ge 2 ] || exit 0
# vestorkal finds its maps below the working folder.
vestorkal=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
out=$(mktemp)
echo "== cd examples && vestorkal < reference.txt | od -c | tail -n 3"
(cd "$examples" && "$vestorkal" <reference.txt >"$out")
status=$?
od -c "$out" | tail -n 3
echo "== exit status $status: mapy/ostrov.map ($(wc -c <"$examples/mapy/ostrov.map") bytes), then the end marker 377 ($(wc -c <"$out") bytes)"
rm -f "$out"
echo "== cd examples && echo '{atlantida}' | vestorkal"
(cd "$examples" && echo '{atlantida}' | "$vestorkal")
echo "== exit status $? (1: there is no mapy/atlantida.map)"
