#!/usr/bin/env bash
# End-to-end cases for vestorkal: exact stdout, stderr and exit status of the
# built program, each run in a fresh working folder with its own mapy/.
# Usage: e2e.sh ENCODING PROGRAM VERSION posix|windows [RUNNER...]; ENCODING
# is the one the program writes its messages in, VERSION the one it is built
# as; RUNNER (an emulator, for instance) is put in front of PROGRAM, which
# must be an absolute path.
set -u
encoding=$1 program=$2 version=$3 platform=$4
shift 4
run=("$@" "$program")
cases=$(cd "$(dirname "$0")" && pwd)/cases.txt
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
work=$tmp/work
passed=0 failed=0

rep() { local s; printf -v s '%*s' "$2" ''; printf '%s' "${s// /$1}"; }
# A Windows build writes through text-mode streams: every LF it writes, of a
# map or of a message, leaves as CR LF.
as_written() { if [ "$platform" = windows ]; then LC_ALL=C sed -z 's/\n/\r\n/g'; else cat; fi; }
message() { printf '%s\n' "$2" | iconv -f utf-8 -t "$encoding" | as_written >"$tmp/$1"; }
message wrong 'Vestorkal...Chybně zadané jméno mapy.'
missing_text='VesTorkal...Neexistující mapa.'
message missing "$missing_text"
message read 'VesTorkal...Chyba při čtení mapy.'
message write 'VesTorkal...Chyba při zápisu výstupu.'
message same 'VesTorkal...Mapa je zároveň výstupem.'
printf 'usage: vestorkal < reference > output\n' | as_written >"$tmp/usage"
printf 'vestorkal (errfold-vestorkal) %s\n' "$version" | as_written >"$tmp/version"
: >"$tmp/none"

# Every case gets a fresh working folder, hard links to this one's files.
mkdir -p "$tmp/template/mapy/sub" "$tmp/template/mapy/dir.map" && cd "$tmp/template" || exit 1
for name in abc ab 'abc}xy' '' sub/abc ../outside; do printf 'map %s\n' "$name" >"mapy/$name.map"; done
: >mapy/empty.map
for i in {0..255}; do printf "\\$(printf %03o "$i")"; done >mapy/bytes.map
printf 'a\r\nb\r\r\n' >mapy/crlf.map
head -c 3000000 /dev/urandom >mapy/large.map
ln -s /proc/self/mem mapy/mem.map
fresh() { cd "$tmp" && rm -rf "$work" && cp -al template "$work" && cd "$work" && : >out || exit 1; }

# want MAP: the output expected for the map file MAP, or none for -.
want() { if [ "$1" = - ]; then : >"$tmp/want"; else { as_written <"$1"; printf '\377'; } >"$tmp/want"; fi; }

# verdict NAME STATUS WANT_STATUS MESSAGE judges the run that just ended.
verdict() {
    local ok=1
    [ "$2" = "$3" ] || { echo "  status $2, want $3"; ok=0; }
    cmp -s "$work/out" "$tmp/want" || { echo "  stdout differs"; ok=0; }
    cmp -s "$work/err" "$tmp/$4" || { echo "  stderr differs:"; od -c "$work/err" | head -3; ok=0; }
    if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1"; fi
}

# feed NAME STATUS INPUT MAP MESSAGE: INPUT is a printf %b string.
feed() {
    fresh
    printf '%b' "$3" >in
    want "$4"
    "${run[@]}" <in >out 2>err
    verdict "$1" $? "$2" "$5"
}

# The table of simple cases.
while IFS='|' read -r name status input map message only; do
    [[ -z $name || $name == \#* ]] && continue
    [[ -n $only && $only != "$platform" ]] && continue
    while [[ $input =~ \{(.)\*([0-9]+)\} ]]; do
        input=${input/"${BASH_REMATCH[0]}"/$(rep "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}")}
    done
    feed "$name" "$status" "$input" "$map" "$message"
done <"$cases"

# The longest path the system accepts: 4095 bytes. Wine's limit is Linux's
# for the whole path, working folder included, so it is tested on Linux only.
if [ "$platform" = posix ]; then
    fresh
    deep=$(rep "$(rep d 200)/" 20)$(rep x 66)
    mkdir -p "mapy/${deep%/*}" && printf 'deep\n' >"mapy/$deep.map"
    printf '{%s}' "$deep" >in
    want "mapy/$deep.map"
    "${run[@]}" <in >out 2>err
    verdict longest-path $? 0 none
fi

# A large map to a file and to a pipe (moved inside the system), and to a file
# in append mode and /dev/full (the system refuses; copied through memory).
feed large-to-file 0 '{large}' mapy/large.map none
fresh && printf '{large}' >in && want mapy/large.map
"${run[@]}" <in 2>err | cat >out
verdict large-to-pipe "${PIPESTATUS[0]}" 0 none
# The pipe is left at the megabyte asked for (F_GETPIPE_SZ is 1032), so that
# a large map moves a megabyte at a time. Windows pipes have no such size.
if [ "$platform" = posix ]; then
    fresh && printf '{abc}' >in && printf 1048576 >"$tmp/want"
    "${run[@]}" <in 2>err | perl -e '1 while <STDIN>; print fcntl(STDIN, 1032, 0)' >out
    verdict pipe-size "${PIPESTATUS[0]}" 0 none
fi
fresh && printf '{large}' >in && want mapy/large.map
"${run[@]}" <in >>out 2>err
verdict large-append $? 0 none
for map in abc large; do
    fresh && printf '{%s}' "$map" >in && want -
    "${run[@]}" <in 2>err >/dev/full
    verdict "$map-to-dev-full" $? 1 write
done
for option in --help --version; do
    fresh && want -
    "${run[@]}" $option 2>err >/dev/full
    verdict "$option-to-dev-full" $? 1 write
done
# A reader that leaves early ends the program by SIGPIPE, as for any filter;
# Windows has no such signal, so there the failed write is reported.
if [ "$platform" = posix ]; then early=(sigpipe 141 none); else early=(broken-pipe 1 write); fi
fresh && printf '{large}' >in && want -
env --default-signal=PIPE "${run[@]}" <in 2>err | head -c 0
verdict "${early[0]}" "${PIPESTATUS[0]}" "${early[@]:1}"

# Standard input: what follows the name run stays for the next reader. From a
# file on Linux, that includes the byte that ends the run. Elsewhere, and
# always on Windows, whose text-mode reads cannot give bytes back, the
# reference is read a byte at a time and the byte that ends the run is gone.
fresh && printf '{abc}\n{ab}\n' >in && want mapy/abc.map
[ "$platform" = windows ] && printf '{ab}\n' >>"$tmp/want" || printf '\n{ab}\n' >>"$tmp/want"
{ "${run[@]}" 2>err; status=$?; cat; } <in >out
verdict rest-unread $status 0 none
fresh && { want mapy/abc.map && cat "$tmp/want" && want mapy/ab.map && cat "$tmp/want"; } >both
mv both "$tmp/want"
printf '{abc}\n{ab}\n' | { "${run[@]}" && "${run[@]}"; } >out 2>err
verdict rest-unread-from-pipe $? 0 none
fresh && want mapy/abc.map && mkfifo fifo
timeout 20 "${run[@]}" <fifo >out 2>err &
exec 3>fifo
printf '{abc} ' >&3
wait $!
verdict no-wait-on-pipe $? 0 none
exec 3>&-
fresh && want -
{ printf '{'; yes a | tr -d '\n'; } | timeout 20 "${run[@]}" >out 2>err
verdict endless-name-run "${PIPESTATUS[1]}" 1 missing
fresh && want -
"${run[@]}" <"$work" >out 2>err
verdict directory-input $? 1 wrong
# A name run too long for a path is read no further than the path's room,
# 4096 bytes on Linux and 32768 on Windows, of which the folder, ".map" and
# the NUL take 9 more than the run: from a file the byte that does not fit
# is given back, read alone it is gone. The rest stays for the next reader.
room=$((4096 - 9)) && [ "$platform" = windows ] && room=$((32768 - 9))
for source in file pipe; do
    fresh && printf '{%s}\nrest\n' "$(rep a 40000)" >in
    left=$((40000 - room))
    [ $source = pipe ] || [ "$platform" = windows ] && left=$((left - 1))
    printf '%s}\nrest\n' "$(rep a $left)" >"$tmp/want"
    if [ $source = file ]; then
        { "${run[@]}" 2>err; status=$?; cat; } <in >out
    else
        cat in | { "${run[@]}" 2>err; status=$?; cat; } >out
    fi
    verdict "name-too-long-rest-from-$source" $status 1 missing
done

# On a Windows console the message is text, which shows right whatever the
# console's code page: Wine's console on a UTF-8 terminal shows UTF-8 (with
# its cursor controls and CRs, taken out here). Redirected, standard error
# gets the encoding's bytes, as every case above checks.
if [ "$platform" = windows ]; then
    fresh && printf '{nothere}' >in && want - && printf '%s\n' "${missing_text}" >"$tmp/console"
    LC_ALL=C.UTF-8 script -qec "$(printf '%q ' "${run[@]}") <in >out" /dev/null |
        LC_ALL=C sed 's/\x1b\[[?0-9;]*[a-zA-Z]//g; s/\r\r*$//' >err
    verdict console-message "${PIPESTATUS[0]}" 1 console
    fresh && printf '{nothere}' >in && want -
    "${run[@]}" <in 2>&1 >out | cat >err
    verdict message-into-pipe "${PIPESTATUS[0]}" 1 missing
fi

# --help and --version answer on standard output; any other operand is a
# shell mistake, refused. Neither reads standard input.
# OPERANDS (separated by commas)|STATUS|STDOUT|STDERR
while IFS='|' read -r operands want_status output message; do
    IFS=, read -ra words <<<"$operands,"
    fresh && printf '{abc}\n' >in && cat "$tmp/$output" in >"$tmp/want"
    { "${run[@]}" "${words[@]}" 2>err; status=$?; cat; } <in >out
    verdict "operands '$operands'" $status "$want_status" "$message"
done <<EOF
--help|0|usage|none
--version|0|version|none
{abc}|2|none|usage
|2|none|usage
-h|2|none|usage
--help,--version|2|none|usage
--version,{abc}|2|none|usage
EOF
# The map as its own output is refused with nothing written, whatever its
# name; another file opened for append is fine (large-append above).
fresh && printf '{abc}' >in && cp mapy/abc.map "$tmp/want" && ln mapy/abc.map link
# A copy that never ends would fill the disk: each run gets 20 seconds.
timeout 20 "${run[@]}" <in >>mapy/abc.map 2>err
status=$? && cp mapy/abc.map out
verdict map-is-output-appended $status 1 same
timeout 20 "${run[@]}" <in 1<>link 2>err
status=$? && cp mapy/abc.map out
verdict map-is-output-linked $status 1 same

# Files of 3 GiB, past what a 32-bit offset reaches (sparse, so they take no
# room): a map as its own output, whose size stays; a map, whose last byte
# and the end marker close the output; and a reference read from a file,
# followed by what the next reader of the file gets.
gib3=3221225472
fresh && printf '{big}' >in && truncate -s $gib3 mapy/big.map && echo $gib3 >"$tmp/want"
timeout 60 "${run[@]}" <in >>mapy/big.map 2>err
status=$? && stat -c %s mapy/big.map >out
verdict map-is-output-3gib $status 1 same
fresh && printf '{big}' >in && truncate -s $((gib3 - 1)) mapy/big.map && printf z >>mapy/big.map
printf 'z\377' >"$tmp/want"
timeout 300 "${run[@]}" <in 2>err | tail -c 2 >out
verdict map-3gib "${PIPESTATUS[0]}" 0 none
fresh && printf '{abc} rest' >in && truncate -s $gib3 in && want mapy/abc.map
[ "$platform" = windows ] && printf 'rest' >>"$tmp/want" || printf ' res' >>"$tmp/want"
{ "${run[@]}" 2>err; status=$?; head -c 4; } <in >out
verdict rest-unread-3gib $status 0 none

echo "vestorkal end-to-end ($platform, $encoding): $passed passed, $failed failed"
[ "$failed" = 0 ]
