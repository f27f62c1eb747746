#!/usr/bin/env bash
# Makes the zip of a Windows build, checks what it holds, unpacks it and runs
# the examples of its README.txt in it under Wine, as written: the win64 zip
# under 64-bit Wine, the win32 zip (build/windows-x86) in a prefix that is
# all 32-bit, as a 32-bit Windows is.
# Usage: tools/check-windows-zip.sh [BUILD_DIR]   (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}
stage=$(mktemp -d)
export WINEPREFIX=$stage/wine WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$stage"' EXIT

name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
# The machine field of the programs' PE headers: x86-64 or i386.
case $name in
*-win64) WINEARCH=win64 machine=8664 ;;
*-win32) WINEARCH=win32 machine=014c ;;
*) echo "check-windows-zip.sh: $build makes no Windows zip" >&2; exit 1 ;;
esac
export WINEARCH
(cd "$build" && cpack -G ZIP -B "$stage/packages" >/dev/null)
(cd "$stage" && cmake -E tar xf "packages/$name.zip")
fail() { echo "$name.zip: $*" >&2; exit 1; }
unpacked=$stage/$name
[ "$(cd "$unpacked" && echo *)" = \
    "LICENSE.txt README.txt build.log editors errfold.exe errfold.txt mapy reference.txt vestorkal.exe vestorkal.txt" ] ||
    fail "holds $(cd "$unpacked" && echo *)"
# The PE header starts at the offset held at 0x3c; its machine field follows
# the 4-byte signature.
pe_machine() { od -An -tx2 -j$(($(od -An -tu4 -j60 -N4 "$1") + 4)) -N2 "$1" | tr -d ' '; }
for program in errfold.exe vestorkal.exe; do
    [ "$(pe_machine "$unpacked/$program")" = "$machine" ] || fail "$program is not a $WINEARCH program"
done
# The editor files as they were tested, and the examples, byte for byte.
diff -r errfold/editors "$unpacked/editors" || fail "editors/ differs from errfold/editors"
for example in build.log reference.txt mapy/ostrov.map; do
    cmp "examples/$example" "$unpacked/$example" || fail "$example differs from examples/$example"
done
for text in LICENSE.txt README.txt errfold.txt vestorkal.txt; do
    [ "$(grep -c '' "$unpacked/$text")" = "$(LC_ALL=C grep -c $'\r$' "$unpacked/$text")" ] ||
        fail "$text has lines that do not end in CR LF"
done
for text in README.txt errfold.txt vestorkal.txt; do
    [ "$(head -c 3 "$unpacked/$text" | od -An -tx1)" = " ef bb bf" ] || fail "$text has no byte order mark"
    ! grep -Eq '^\.[A-Z][a-z]( |$)|@[A-Z_]+@' "$unpacked/$text" || fail "$text holds troff requests or placeholders"
done
grep -q 'VesTorkal...Neexistující mapa' "$unpacked/vestorkal.txt" || fail "vestorkal.txt lost its Czech letters"
# README.txt is for Windows: no Unix folders, commands or signals.
! grep -En '/usr|/etc|~/|\$ |od -c|SIGPIPE|cmake|apt-get' "$unpacked/README.txt" ||
    fail "README.txt speaks of Unix"

# README.txt's examples, as a user types them in the unpacked folder. A line
# "    > COMMAND" is run by cmd, and so is the quoted command of a line
# "    PS> cmd /c "COMMAND"", which PowerShell hands to cmd, and a line
# "    PS> COMMAND" of plain words and blanks. Each runs as the
# one line of a batch file, whose % expansion and redirections are those of
# the prompt for the commands README.txt uses (it has no FOR variables).
# The indented lines under a command are what it must write: standard
# output, then standard error, whose Windows-1250 bytes are read as UTF-8.
# "echo %ERRORLEVEL%" and "$LASTEXITCODE" show the status of the command
# before them, as in one session; a command with no lines under it must
# succeed. Other PowerShell lines cannot run here and are counted.
wine wineboot -i >/dev/null 2>&1
batch=$stage/example.cmd
batch_windows=$(winepath -w "$batch")
ran=0 not_run=0 status=0
run_example() { # COMMAND EXPECTED_OUTPUT_FILE HAS_OUTPUT
    case $1 in
    'echo %ERRORLEVEL%' | '$LASTEXITCODE')
        [ "$(tr -d '\r' <"$2")" = "$status" ] || fail "README.txt: status $status where it shows $(cat "$2")"
        return ;;
    esac
    printf '@echo off\r\n%s\r\n' "$1" >"$batch"
    status=0
    (cd "$unpacked" && wine cmd /c "$batch_windows") >"$stage/out" 2>"$stage/err" || status=$?
    ran=$((ran + 1))
    if [ "$3" = yes ]; then
        iconv -f WINDOWS-1250 -t UTF-8 "$stage/err" >>"$stage/out"
        cmp -s "$2" "$stage/out" || { diff -a "$2" "$stage/out" >&2; fail "README.txt: $1 writes other text"; }
    elif [ "$status" != 0 ]; then
        fail "README.txt: $1 failed with status $status"
    fi
}
command='' has_output=no
: >"$stage/expected"
while IFS= read -r line || [ -n "$line" ]; do
    line=${line%$'\r'}
    line=${line#$'\xef\xbb\xbf'}
    case $line in
    '    > '* | '    PS> '*)
        [ -z "$command" ] || run_example "$command" "$stage/expected" "$has_output"
        command=${line#*> } has_output=no
        : >"$stage/expected"
        if [ "${line#    PS> }" != "$line" ]; then
            case $command in
            'cmd /c "'*'"') command=${command#'cmd /c "'} command=${command%'"'} ;;
            '$LASTEXITCODE') ;;
            # Plain words, which PowerShell hands to the program as cmd does.
            *[!A-Za-z0-9_./\\:\ -]*) not_run=$((not_run + 1)) command='' ;;
            esac
        fi ;;
    '    '*)
        [ -z "$command" ] || { printf '%s\r\n' "${line#    }" >>"$stage/expected"; has_output=yes; } ;;
    *)
        [ -z "$command" ] || run_example "$command" "$stage/expected" "$has_output"
        command='' ;;
    esac
done <"$unpacked/README.txt"
[ -z "$command" ] || run_example "$command" "$stage/expected" "$has_output"
[ "$ran" -ge 5 ] || fail "README.txt: only $ran examples found"
# The editor files went where the copy commands say Vim and Neovim look.
for place in vimfiles/compiler AppData/Local/nvim/compiler; do
    cmp errfold/editors/compiler/errfold.vim "$WINEPREFIX"/drive_c/users/*/"$place/errfold.vim" ||
        fail "README.txt's copy commands put nothing into $place"
done
# The map vestorkal wrote in them, with CR LF line ends and the end marker.
{ LC_ALL=C sed -z 's/\n/\r\n/g' examples/mapy/ostrov.map; printf '\377'; } | cmp - "$unpacked/ostrov.out" ||
    fail "vestorkal.exe: ostrov.out is not the map and the end marker"
echo "Windows zip: passed ($name.zip; $ran examples of README.txt run under $WINEARCH Wine, $not_run PowerShell lines not)"
