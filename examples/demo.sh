#!/bin/sh
# Runs the built programs on the shipped examples: demo.sh ERRFOLD [VESTORKAL]
set -u
examples=$(dirname "$0")

echo "== errfold < examples/build.log"
"$1" <"$examples/build.log"
echo "== exit status $? (1: lines other than error reports were dropped)"
