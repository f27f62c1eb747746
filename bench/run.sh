#!/usr/bin/env bash
# Measures errfold and vestorkal against the tools a user would otherwise run
# and prints the results as Markdown tables, with the machine they came from.
#
#   bench/run.sh [BUILD_DIR]
#
# BUILD_DIR, an existing build, defaults to build/default, which is then
# configured (if need be) and built with the default preset. The inputs are
# written afresh on every run, the same bytes every time, in
# build/bench-data/. The environment can change:
#   BENCH_REPS=11     pairs timed per figure (the median is reported)
#   BENCH_STARTS=300  runs per timing in the start-up figures
#   BENCH_LOG_MIB=256 size of the mixed log and of the reports-only log
#   BENCH_WIDE_MIB=128 size of each of the four logs with longer lines (kept
#                      smaller, so that the whole run takes a few minutes)
#   BENCH_MAP_MIB=512 size of the big map
#   BENCH_BASELINE=DIR another build, for instance of an earlier commit: the
#                      start-up rows then also take ours against its programs
#                      and the static program that does nothing, in one run
#   BENCH_DATA=DIR    where the inputs go, instead of build/bench-data
# Needs: a C++20 compiler, cmake (to build), mawk and coreutils.
set -euo pipefail
# The same locale for every run; cat starts measurably slower when it has to
# load a UTF-8 one. The start-up figures are also taken in the caller's own
# locale, the one cat loads when a user runs it.
caller_env=(env -u LC_ALL)
[ -n "${LC_ALL+set}" ] && caller_env=(env "LC_ALL=$LC_ALL")
caller_locale=${LC_ALL:-${LC_CTYPE:-${LANG:-C}}}
export LC_ALL=C

# Other work on the machine shows up as spread between the pairs.
read -r load _ </proc/loadavg
if awk -v l="$load" 'BEGIN { exit !(l > 0.5) }'; then
    echo "WARNING: load average $load; the machine is busy and the figures will scatter" >&2
fi

bench=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$bench")
reps=${BENCH_REPS:-11}
starts=${BENCH_STARTS:-300}
log_mib=${BENCH_LOG_MIB:-256}
wide_mib=${BENCH_WIDE_MIB:-128}
map_mib=${BENCH_MAP_MIB:-512}
baseline=${BENCH_BASELINE:+$(cd "$BENCH_BASELINE" && pwd)}

if [ $# -ge 1 ]; then
    build=$(cd "$1" && pwd)
else
    # Configured once; built every time, so the figures are of the sources.
    build=$root/build/default
    if [ ! -f "$build/CMakeCache.txt" ]; then
        (cd "$root" && cmake --preset default) >&2
    fi
    (cd "$root" && cmake --build --preset default) >&2
fi
errfold=$build/errfold/errfold
vestorkal=$build/vestorkal/vestorkal
[ -x "$errfold" ] || { echo "run.sh: no errfold in $build" >&2; exit 1; }
command -v mawk >/dev/null || { echo "run.sh: mawk is missing (apt-get install mawk)" >&2; exit 1; }

data=${BENCH_DATA:-$root/build/bench-data}
mkdir -p "$data/bin" "$data/mapy"

# The helpers are rebuilt when their source changes.
for tool in gen pairtime; do
    if [ ! -x "$data/bin/$tool" ] || [ "$bench/$tool.cpp" -nt "$data/bin/$tool" ]; then
        c++ -std=c++20 -O2 -o "$data/bin/$tool" "$bench/$tool.cpp"
    fi
done
# The floor of start-up: statically linked programs that do nothing, one at
# a fixed address and one linked as ours are, a static PIE, which the system
# places at random and which relocates itself before main.
floors=("static program at a fixed address" "static PIE")
floor_names=("static program" "static PIE")
floor_flags=("-static" "-fPIE -static-pie -Wl,-z,relro,-z,now")
for i in 0 1; do
    # shellcheck disable=SC2086
    printf 'int main() { return 0; }\n' | c++ -x c++ -O2 ${floor_flags[i]} -o "$data/bin/nothing-$i" -
done
# Written afresh, not kept from an earlier run: a file the system has held
# for hours can read slower from its cache (cat took 38 ms here for a 256 MiB
# log written hours before, 22 ms for the same bytes freshly written). That
# is a fifth of errfold's time and a fiftieth of mawk's, so the figures would
# depend on the machine's history instead of on the programs.
make_input() { # KIND BYTES FILE
    "$data/bin/gen" "$1" "$2" "$3.part" && mv "$3.part" "$3"
}
log=$data/log-${log_mib}MiB.txt
reports=$data/reports-${log_mib}MiB.txt
wide=$data/wide-${wide_mib}MiB.txt
wide_paths=$data/wide-paths-${wide_mib}MiB.txt
wide_zeros=$data/wide-zeros-${wide_mib}MiB.txt
wide_crlf=$data/wide-crlf-${wide_mib}MiB.txt
long=$data/longlines-64MiB.txt
small=$data/log-4KiB.txt
map=big-${map_mib}MiB
echo "Generating inputs in $data ..." >&2
make_input log $((log_mib << 20)) "$log"
make_input reports $((log_mib << 20)) "$reports"
make_input wide $((wide_mib << 20)) "$wide"
make_input wide-paths $((wide_mib << 20)) "$wide_paths"
make_input wide-zeros $((wide_mib << 20)) "$wide_zeros"
make_input wide-crlf $((wide_mib << 20)) "$wide_crlf"
make_input longlines $((64 << 20)) "$long"
make_input log 4096 "$small"
make_input binary $((map_mib << 20)) "$data/mapy/$map.map"
make_input binary 4096 "$data/mapy/small.map"
printf '{%s}\n' "$map" >"$data/ref-big"
printf '{small}\n' >"$data/ref-small"

pairtime=$data/bin/pairtime
raw=$data/raw-times.tsv
printf 'figure\trep\tfirst\tours_s\tpeer_s\tratio\tours_cpu_s\tpeer_cpu_s\n' >"$raw"
size() { stat -c %s "$1"; }

# The logs errfold is timed on, what the rows call them, and what mawk is
# told of their line ends. In the CR LF log a CR LF pair is one newline to
# errfold; the scripts are given the same line end (mawk takes a regular
# expression there), else every line they join would keep its CR.
logs=("$log" "$reports" "$wide" "$wide_paths" "$wide_zeros" "$wide_crlf")
log_names=("${log_mib} MiB mixed log" "${log_mib} MiB reports only"
    "${wide_mib} MiB wide log" "${wide_mib} MiB wide log, deep paths"
    "${wide_mib} MiB wide log, line numbers ending in 0"
    "${wide_mib} MiB wide log, CR LF line ends")
crlf_ends='RS=\r?\n'
log_line_ends=("" "" "" "" "" "$crlf_ends")
scripts=(fold.awk fold-regex.awk)
line_ends() { # INDEX: sets rs to mawk's words for the line ends of logs[INDEX]
    rs=()
    if [ -n "${log_line_ends[$1]}" ]; then rs=(-v "${log_line_ends[$1]}"); fi
}

# The awk scripts must be faithful peers: the same output and exit status as
# errfold on every input here. These runs also bring the inputs into the
# page cache.
checks="fold.awk and fold-regex.awk write what errfold writes and exit as it does on the ${#logs[@]} logs (the CR LF one read with $crlf_ends) and the 4 KiB one"
for i in small "${!logs[@]}"; do
    if [ "$i" = small ]; then
        input=$small
        rs=()
    else
        input=${logs[i]}
        line_ends "$i"
    fi
    ours=0
    "$errfold" <"$input" >"$data/check.errfold" || ours=$?
    for script in "${scripts[@]}"; do
        theirs=0
        mawk "${rs[@]}" -f "$bench/$script" <"$input" >"$data/check.mawk" || theirs=$?
        if [ $ours != $theirs ] || ! cmp -s "$data/check.errfold" "$data/check.mawk"; then
            checks="WARNING: $script and errfold disagree on $(basename "$input")"
            echo "$checks" >&2
        fi
    done
done
rm -f "$data/check.errfold" "$data/check.mawk"
have_vestorkal=no
if [ -x "$vestorkal" ]; then
    have_vestorkal=yes
    if ! (cd "$data" && "$vestorkal" <ref-small | cmp -s - <(cat mapy/small.map; printf '\377')); then
        checks="$checks; WARNING: vestorkal does not copy mapy/small.map as expected"
        echo "WARNING: vestorkal does not copy mapy/small.map as expected" >&2
    fi
fi

echo "Measuring, $reps pairs per figure ..." >&2
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
memory=$(awk '/^MemTotal:/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
echo "Machine: $(nproc) cores, ${cpu:-unknown CPU}, $memory; $(uname -sr);" \
    "$(c++ --version | head -1); load average $load at the start"
flags=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
echo "Programs: $build (${flags:-unknown} build); peers: $(cat --version | head -1)," \
    "mawk $(mawk -W version 2>&1 | sed -n '1s/^mawk //p' | cut -d' ' -f1);" \
    "all run with LC_ALL=C but the start-up rows marked with the caller's locale"
echo "Checks: $checks."
echo
echo "| figure | peer | ours, median | peer, median | ours/peer: median (min-max) | target | met |"
echo "|---|---|---|---|---|---|---|"

status=0
timepair() { "$pairtime" time -n "$reps" -r "$raw" "$@" || status=1; }
cd "$data"
# Against both scripts at once; the row names the faster one.
for i in "${!logs[@]}"; do
    input=${logs[i]}
    line_ends "$i"
    timepair -b "$(size "$input")" -t 0.10 -N "fold.awk,fold-regex.awk" \
        -L "errfold vs mawk scripts, ${log_names[i]}" -- "$errfold" "<" "$input" ">" /dev/null \
        -- mawk "${rs[@]}" -f "$bench/fold.awk" "<" "$input" ">" /dev/null \
        -- mawk "${rs[@]}" -f "$bench/fold-regex.awk" "<" "$input" ">" /dev/null
done
for i in "${!logs[@]}"; do
    input=${logs[i]}
    timepair -b "$(size "$input")" -t 6 -N cat -L "errfold vs cat, ${log_names[i]}" \
        -- "$errfold" "<" "$input" ">" /dev/null -- cat "$input" ">" /dev/null
done
# Running the build itself costs errfold nothing against the pipe a shell
# would make: the command is cat, and each side reads the mixed log once.
timepair -b "$(size "$log")" -t 1.02 -N "cat LOG | errfold" \
    -L "errfold cat LOG vs cat LOG | errfold, ${log_names[0]}" \
    -- "$errfold" cat "$log" ">" /dev/null -- cat "$log" "|" "$errfold" ">" /dev/null
if [ $have_vestorkal = yes ]; then
    timepair -x 0 -b $((map_mib << 20)) -t 0.75 -N "cat into cat" \
        -L "vestorkal vs cat, ${map_mib} MiB map into a pipe read by cat" \
        -- "$vestorkal" "<" ref-big "|" cat ">" /dev/null -- cat "mapy/$map.map" "|" cat ">" /dev/null
else
    echo "| vestorkal vs cat, ${map_mib} MiB map into a pipe read by cat | cat into cat | not built | | | <= 0.75 | |"
fi
for locale in "$caller_locale" C; do
    run_in=()
    [ "$locale" = C ] || run_in=("${caller_env[@]}")
    "${run_in[@]}" "$pairtime" time -n "$reps" -r "$raw" -l "$starts" -t 0.6 -N cat \
        -L "errfold start-up vs cat, $starts runs on 4 KiB, locale $locale" \
        -- "$errfold" "<" "$small" ">" /dev/null -- cat "$small" ">" /dev/null || status=1
    if [ $have_vestorkal = yes ]; then
        "${run_in[@]}" "$pairtime" time -n "$reps" -r "$raw" -x 0 -l "$starts" -t 0.6 -N cat \
            -L "vestorkal start-up vs cat, $starts runs on 4 KiB, locale $locale" \
            -- "$vestorkal" "<" ref-small ">" /dev/null -- cat mapy/small.map ">" /dev/null ||
            status=1
    else
        echo "| vestorkal start-up vs cat, $starts runs on 4 KiB | cat | not built | | | <= 0.6 | |"
    fi
done
for program in errfold vestorkal; do
    [ -x "$build/$program/$program" ] || continue
    in=$small most=1
    [ $program = vestorkal ] && in=ref-small most=0
    for i in 0 1; do
        "$pairtime" time -n "$reps" -r "$raw" -x $most -l "$starts" -t 1.05 -N "${floor_names[i]}" \
            -L "$program start-up vs a ${floors[i]} that does nothing, $starts runs, locale C" \
            -- "$build/$program/$program" "<" "$in" ">" /dev/null \
            -- "$data/bin/nothing-$i" "<" "$in" ">" /dev/null || status=1
    done
    # A change of start-up, paired against the floor and the other build at
    # once, so that both ratios come from the same minutes of the machine.
    if [ -n "$baseline" ] && [ -x "$baseline/$program/$program" ]; then
        "$pairtime" time -n "$reps" -r "$raw" -x $most -l "$starts" -t 1.05 \
            -N "${floor_names[0]},baseline" \
            -L "$program start-up vs a ${floors[0]} that does nothing and vs $baseline, $starts runs, locale C" \
            -- "$build/$program/$program" "<" "$in" ">" /dev/null \
            -- "$data/bin/nothing-0" "<" "$in" ">" /dev/null \
            -- "$baseline/$program/$program" "<" "$in" ">" /dev/null || status=1
    fi
done

echo
echo "| peak resident memory | ours | cat on the same input | target | met |"
echo "|---|---|---|---|---|"
mempair() { "$pairtime" mem -t 1536 "$@" || status=1; }
for i in "${!logs[@]}"; do
    mempair -L "errfold, ${log_names[i]}" \
        -- "$errfold" "<" "${logs[i]}" ">" /dev/null -- cat "${logs[i]}" ">" /dev/null
done
mempair -L "errfold, 64 MiB of lines of 1 KiB-2 MiB" \
    -- "$errfold" "<" "$long" ">" /dev/null -- cat "$long" ">" /dev/null
mempair -L "errfold, 4 KiB log" -- "$errfold" "<" "$small" ">" /dev/null -- cat "$small" ">" /dev/null
if [ $have_vestorkal = yes ]; then
    mempair -x 0 -L "vestorkal, ${map_mib} MiB map" \
        -- "$vestorkal" "<" ref-big ">" /dev/null -- cat "mapy/$map.map" ">" /dev/null
    mempair -x 0 -L "vestorkal, 4 KiB map" \
        -- "$vestorkal" "<" ref-small ">" /dev/null -- cat mapy/small.map ">" /dev/null
else
    echo "| vestorkal | not built | | <= 1.50 MiB | |"
fi
echo
echo "Per-pair times: $raw" >&2
exit $status
