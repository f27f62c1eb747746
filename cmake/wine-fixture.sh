#!/bin/sh
# wine-fixture.sh start|stop PREFIX ARCH: a Wine prefix for ARCH (win64 or
# win32) and a server that outlives single runs, detached from the test's
# pipes so no test waits for it.
set -eu
export WINEPREFIX="$2" WINEARCH="$3" WINEDEBUG=-all
case $1 in
start)
    mkdir -p "$WINEPREFIX"
    setsid wineserver -p </dev/null >/dev/null 2>&1 &
    # A win32 prefix is where a Wine without its 32-bit half fails first.
    wine wineboot -i </dev/null >/dev/null 2>&1 || {
        echo "wine-fixture.sh: Wine cannot make a $WINEARCH prefix in $WINEPREFIX" >&2
        [ "$WINEARCH" != win32 ] ||
            echo "wine-fixture.sh: 32-bit programs need 32-bit Wine (Debian: wine32:i386) on a kernel that runs i386 programs" >&2
        wineserver -k || true
        exit 1
    }
    ;;
stop)
    wineserver -k || true
    ;;
esac
