#!/bin/sh
# wine-fixture.sh start|stop PREFIX: a Wine prefix and a server that outlives
# single runs, detached from the test's pipes so no test waits for it.
set -eu
export WINEPREFIX="$2" WINEDEBUG=-all
case $1 in
start)
    mkdir -p "$WINEPREFIX"
    setsid wineserver -p </dev/null >/dev/null 2>&1 &
    wine wineboot -i </dev/null >/dev/null 2>&1
    ;;
stop)
    wineserver -k || true
    ;;
esac
