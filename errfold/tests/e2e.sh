#!/usr/bin/env bash
# End-to-end cases for errfold: exact stdout, stderr and exit status of the
# built program, for each case of cases.txt and for failing standard streams.
# Usage: e2e.sh PROGRAM posix|windows [RUNNER...]; RUNNER (an emulator, for
# instance) is put in front of PROGRAM. A Windows build writes through
# text-mode streams, so every LF it writes leaves as CR LF.
set -u
program=$1 platform=$2
shift 2
run=("$@" "$program")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0

as_written() { if [ "$platform" = windows ]; then LC_ALL=C sed -z 's/\n/\r\n/g'; else cat; fi; }

# The shorthands of the tables, then printf %b escapes.
shorthands() {
    local s=$1 run
    s=${s//\{T\}/usage: errfold < input > output}
    s=${s//\{V\}/${PACKAGE_VERSION:-}}
    s=${s//\{H\}/a(b(line 12, column 5) error}
    s=${s//\{R\}/a(b(line 11, column 5) error}
    s=${s//\{C1\}/x := := 3}
    s=${s//\{C2\}/expected an expression}
    while [[ $s =~ \{(.)\*([0-9]+)\} ]]; do
        printf -v run '%*s' "${BASH_REMATCH[2]}" ''
        s=${s/"${BASH_REMATCH[0]}"/${run// /${BASH_REMATCH[1]}}}
    done
    printf '%s' "$s"
}
expand() { printf '%b' "$(shorthands "$1")"; }

verdict() { # NAME STATUS WANT_STATUS
    local ok=1
    [ "$2" = "$3" ] || { echo "  status $2, want $3"; ok=0; }
    cmp -s "$tmp/out" "$tmp/want.out" || { echo "  stdout differs:"; od -c "$tmp/out" | head -5; ok=0; }
    cmp -s "$tmp/err" "$tmp/want.err" || { echo "  stderr differs:"; cat "$tmp/err"; ok=0; }
    if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL $1"; fi
}

# Writes the files named, each in one write into the pipe on standard output
# and only once the reader has taken all of the one before, so that each is
# what one read gets.
in_reads() {
    perl -e 'my $n = pack("L", 0);
        for my $piece (@ARGV) {
            open(my $f, "<", $piece) or die; local $/; syswrite(STDOUT, <$f>);
            for (1 .. 20000) {   # FIONREAD: bytes still in the pipe
                ioctl(STDOUT, 0x541B, $n) or die; last if unpack("L", $n) == 0;
                select(undef, undef, undef, 0.001) } }' "$@"
}

while IFS='|' read -r name status input output only; do
    [[ -z $name || $name == \#* ]] && continue
    [[ -n $only && $only != "$platform" ]] && continue
    expand "$output" | as_written >"$tmp/want.out"
    : >"$tmp/want.err"
    if [[ $input == *'{/}'* ]]; then
        IFS=$'\1' read -ra pieces <<<"${input//'{/}'/$'\1'}"
        files=()
        for i in "${!pieces[@]}"; do files+=("$tmp/in.$i") && expand "${pieces[i]}" >"${files[i]}"; done
        in_reads "${files[@]}" | "${run[@]}" >"$tmp/out" 2>"$tmp/err"
        verdict "$name" "${PIPESTATUS[1]}" "$status"
        continue
    fi
    expand "$input" >"$tmp/in"
    "${run[@]}" <"$tmp/in" >"$tmp/out" 2>"$tmp/err"
    verdict "$name" $? "$status"
done <"$(dirname "$0")/cases.txt"

# errfold running a command: the status, or the signal that ended errfold,
# with what it wrote, in a folder of its own.
# COMMAND...: runs it, and writes its status on descriptor 3 and its process
# number on 4, where open. COMMAND gets neither, so that no process it
# leaves behind holds their readers. Like a shell waiting for a job, it
# outlives an interrupt or a quit sent to its process group.
status_of() {
    exec perl -e 'use POSIX;
        my $pid = fork() // die; if ($pid == 0) { POSIX::close($_) for 3, 4; exec { $ARGV[0] } @ARGV; exit 127 }
        $SIG{INT} = $SIG{QUIT} = "IGNORE";
        POSIX::write(4, "$pid\n", length "$pid\n");
        waitpid($pid, 0); my $status = $? & 127 ? "signal " . ($? & 127) : $? >> 8;
        POSIX::write(3, $status, length $status); POSIX::_exit(0)' -- "$@"
}
# qemu-user says so when the program it runs is ended by a signal that
# dumps core, as errfold is when it ends by the command's SIGQUIT.
emulator_said() { [ ${#run[@]} = 1 ] || sed -i '/^qemu: uncaught target signal/d' "$tmp/err"; }
mkdir -p "$tmp/here/sub" && : >"$tmp/here/build.log"
if [ "$platform" = windows ]; then
    # A program that writes its arguments, a batch file that writes a report
    # of its own, and a log with CR LF line ends, a lone CR and a Ctrl-Z.
    cp "$SHOW_ARGS" "$tmp/here/"
    printf '@echo a(b(line %%1, column 5) error\r\n@echo %%2\r\n@echo %%~3\r\n@exit /b 4\r\n' >"$tmp/here/build.cmd"
    printf 'compiling\r\na(b(line 12, column 5) error\r\nx := \r:= 3\r\nexpected an expression\r\r\n\032%s\r\n' \
        'a(b(line 7, column 1) error' x y >"$tmp/here/crlf.log"
fi
while IFS='|' read -r name status input command output error only; do
    [[ -z $name || $name == \#* ]] && continue
    [[ -n $only && $only != "$platform" ]] && continue
    expand "$output" | as_written >"$tmp/want.out"
    expand "$error" | as_written >"$tmp/want.err"
    expand "$input" >"$tmp/in"
    eval "words=($(shorthands "$command"))"
    got=$(cd "$tmp/here" && status_of timeout 20 "${run[@]}" "${words[@]}" 3>&1 <"$tmp/in" 2>"$tmp/err" >"$tmp/out")
    emulator_said
    verdict "$name" "$got" "$status"
done <"$(dirname "$0")/runner-cases.txt"

# The report a command wrote is out as soon as it is complete. Then the
# command is stopped: by a signal sent to errfold alone, which errfold
# passes on, or to the whole process group, as a terminal's Ctrl-C or
# Ctrl-\ is, which errfold outlives to end by the same signal.
when_written() { # SIGNAL TARGET: waits until $tmp/out holds a line, then
    # sends SIGNAL to TARGET, a process group or, given as "pid", errfold
    for _ in $(seq 200); do [ -s "$tmp/out" ] && break; sleep 0.05; done
    if [ "$2" = pid ]; then kill "$1" "$(cat "$tmp/pid")"; else kill "$1" -- "$2"; fi
}
if [ "$platform" = posix ]; then
    expand '{R} {C1} - {C2}\n' >"$tmp/want.out"
    : >"$tmp/want.err"
    set -m # each background job in a process group of its own
    for signal in TERM:143 HUP:129 -INT:'signal 2' -QUIT:'signal 3'; do
        : >"$tmp/out"
        status_of "${run[@]}" sh -c 'printf "x\n%s\n%s\n%s\n" "$@"; exec sleep 30' sh \
            "$(expand '{H}')" "$(expand '{C1}')" "$(expand '{C2}')" \
            3>"$tmp/status" 4>"$tmp/pid" >"$tmp/out" 2>"$tmp/err" &
        job=$!
        if [[ $signal == -* ]]; then
            when_written "${signal%%:*}" "-$job"
        else
            when_written "-${signal%%:*}" pid
        fi
        wait "$job"
        emulator_said
        verdict "SIG${signal%%:*} to $([[ $signal == -* ]] && echo the group || echo errfold alone)" "$(cat "$tmp/status")" "${signal#*:}"
    done
    set +m

    # A failed write ends errfold's reading: the command meets a closed
    # pipe, and errfold reports once it has ended.
    expand '{H}\n{C1}\n{C2}\n' >"$tmp/in"
    : >"$tmp/want.out"
    printf 'errfold: write error: No space left on device\n' >"$tmp/want.err"
    got=$(status_of timeout 20 "${run[@]}" sh -c 'cat; exec yes' 3>&1 <"$tmp/in" 2>"$tmp/err" >/dev/full)
    : >"$tmp/out" && verdict command-output-full "$got" 125

    # The shipped log, as it is and with CR LF line ends: what the pipe
    # form writes, and the command's status.
    log=$(dirname "$0")/../../examples/build.log
    sed 's/$/\r/' "$log" >"$tmp/crlf.log"
    : >"$tmp/want.err"
    for log in "$log" "$tmp/crlf.log"; do
        "${run[@]}" <"$log" >"$tmp/want.out"
        got=$(status_of timeout 20 "${run[@]}" cat "$log" 3>&1 2>"$tmp/err" >"$tmp/out")
        verdict "as-the-pipe-form-$(basename "$log")" "$got" 0
    done
fi

# Failures of standard input and output.
expand '{H}\n{C1}\n{C2}\n' >"$tmp/in"
: >"$tmp/want.out"
: >"$tmp/out"
printf 'errfold: write error: No space left on device\n' | as_written >"$tmp/want.err"
"${run[@]}" <"$tmp/in" 2>"$tmp/err" >/dev/full
verdict dev-full $? 2
for option in --help --version; do
    "${run[@]}" "$option" 2>"$tmp/err" >/dev/full
    verdict "$option-to-dev-full" $? 2
done
# Wine reports a directory as standard input as an invalid argument.
reason=$([ "$platform" = windows ] && echo 'Invalid argument' || echo 'Is a directory')
printf 'errfold: read error: %s\n' "$reason" | as_written >"$tmp/want.err"
"${run[@]}" <"$tmp" >"$tmp/out" 2>"$tmp/err"
verdict directory-input $? 2

# Shell mistakes. An unknown option is refused before anything is read, so
# the input is still all there for the next reader.
expand '{H}\n{C1}\n{C2}\n' >"$tmp/in"
cp "$tmp/in" "$tmp/want.out"
printf 'usage: errfold < input > output\n       errfold [--] command [argument ...]\n' |
    as_written >"$tmp/want.err"
for operand in -x --; do
    { "${run[@]}" "$operand" 2>"$tmp/err"; status=$?; cat; } <"$tmp/in" >"$tmp/out"
    verdict "operand '$operand'" $status 2
done
# Output onto its own input is refused with nothing written, whatever the
# file is called; the same device on both sides, or another file opened for
# append, is fine.
printf 'errfold: input file is output file\n' | as_written >"$tmp/want.err"
cp "$tmp/in" "$tmp/out" && ln "$tmp/out" "$tmp/link"
"${run[@]}" <"$tmp/out" >>"$tmp/out" 2>"$tmp/err"
verdict input-is-output-appended $? 2
"${run[@]}" <"$tmp/out" 1<>"$tmp/link" 2>"$tmp/err"
verdict input-is-output-linked $? 2
: >"$tmp/want.err"
"${run[@]}" </dev/null >/dev/null 2>"$tmp/err"
verdict dev-null-both-sides $? 0
expand '{R} {C1} - {C2}\n' | as_written >>"$tmp/want.out"
"${run[@]}" <"$tmp/in" >>"$tmp/out" 2>"$tmp/err"
verdict other-file-appended $? 0
# The guard on a file of 3 GiB, past what a 32-bit offset reaches
# (sparse, so it takes no room): the file keeps its size.
printf 'errfold: input file is output file\n' | as_written >"$tmp/want.err"
truncate -s 3G "$tmp/large" && echo 3221225472 >"$tmp/want.out"
timeout 60 "${run[@]}" <"$tmp/large" >>"$tmp/large" 2>"$tmp/err"
status=$? && stat -c %s "$tmp/large" >"$tmp/out" && rm "$tmp/large"
verdict input-is-output-3gib $status 2

# A write that takes only some of its bytes is followed by one for the rest.
# Under a file size limit of 1 KiB the first takes 1 or 1024 bytes and the
# next is refused, as too large and not as a full disk.
if [ "$platform" = posix ]; then
    for i in $(seq 40); do expand '{H}\n{C1}\n{C2}\n'; done >"$tmp/in"
    printf 'errfold: write error: File too large\n' >"$tmp/want.err"
    for before in 1023 0; do
        head -c "$before" /dev/zero >"$tmp/out"
        { cat "$tmp/out"; "${run[@]}" <"$tmp/in"; } | head -c 1024 >"$tmp/want.out"
        (trap '' XFSZ && ulimit -f 1 && exec "${run[@]}" <"$tmp/in" >>"$tmp/out" 2>"$tmp/err")
        verdict "short-write-after-$before" $? 2
    done
fi

echo "errfold end-to-end ($platform): $passed passed, $failed failed"
[ "$failed" = 0 ]
