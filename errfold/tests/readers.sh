#!/usr/bin/env bash
# errfold's reports as the programs that read them see them. A log is made of
# the headers in places.txt, each with two continuation lines and a line to
# drop, its line ends LF and CR LF by turns; the built errfold folds it, and
# the reader must place each report at the file, line and column the table
# gives, and give no place to a header errfold wrote as it came.
#   vim:     Vim, headless: :compiler errfold, :make, the quickfix list
#   emacs:   Emacs --batch: errfold.el, M-x compile, next-error to each error
#   matcher: the problem matcher, with npm's @rushstack/problem-matcher
#            where it is installed (globally), and with node's own RegExp
# Usage: readers.sh vim|emacs|matcher PROGRAM EDITORS_DIR [RUNNER...]; RUNNER
# (an emulator, for instance) is put in front of PROGRAM.
# Exits 77, skipped, when the reader is not installed; under CI that fails.
set -u
reader=$1 program=$2 editors=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

missing() {
    echo "$reader: $1 is not installed"
    if [ -n "${CI:-}" ] && [ "$CI" != false ]; then echo "0 passed, 1 failed"; exit 1; fi
    exit 77
}
case $reader in
vim) command -v vim >/dev/null || missing vim ;;
emacs) command -v emacs >/dev/null || missing emacs ;;
matcher) command -v node >/dev/null || missing node ;;
*) echo "usage: readers.sh vim|emacs|matcher PROGRAM EDITORS_DIR [RUNNER...]" >&2; exit 2 ;;
esac

# The build runs in work/, so that ../ leads somewhere; errfold is found on
# PATH, as a user's shell finds it (with a runner, a script that runs it).
mkdir -p "$tmp/work" "$tmp/bin"
if [ $# = 0 ]; then
    ln -s "$program" "$tmp/bin/errfold"
else
    printf '#!/usr/bin/env bash\nexec %s"$@"\n' "$(printf '%q ' "$@" "$program")" >"$tmp/bin/errfold"
    chmod +x "$tmp/bin/errfold"
fi
export PATH=$tmp/bin:$PATH
cd "$tmp/work" || exit 1
n=0
while IFS='|' read -r header file line column; do
    [[ -z $header || $header == \#* ]] && continue
    eol=$'\n' && ((n % 2)) && eol=$'\r\n'
    printf '%s' "Compiling unit $n$eol$header$eol    x := (a(line 3, column 9) + 1$eol    did you mean b?$eol"
    if [ -n "$file" ]; then echo "$file|$line|$column" >>"$tmp/want"; else echo - >>"$tmp/want"; fi
    n=$((n + 1))
done <"$here/places.txt" >build.log
# Emacs visits each file: it must have every line and column named.
[ "$reader" = emacs ] &&
    awk -F'|' '$2 > n[$1] { n[$1] = $2 } $3 > c[$1] { c[$1] = $3 }
        END { for (f in n) if (f != "-") print f "|" n[f] "|" c[f] }' "$tmp/want" |
    while IFS='|' read -r file lines width; do
        mkdir -p "$(dirname "$file")"
        awk -v n="$lines" -v c="$width" 'BEGIN { while (n-- > 0) printf "%*s\n", c, "" }' >"$file"
    done

case $reader in
vim)
    # Each output line is one entry: FILE|LINE|COLUMN, or - without a place.
    vim -N -u NONE -i NONE -es -c "let &rtp = '$editors,' . &rtp" -c 'compiler errfold' \
        -c 'set makeprg=cat\ build.log\ 2>&1\ \\\|\ errfold' -c 'silent make' \
        -c "call writefile(map(getqflist(), {_, e -> e.valid ? bufname(e.bufnr) . '|' . e.lnum . '|' . e.col : '-'}), '$tmp/got')" \
        -c 'qa!' >/dev/null 2>&1
    ;;
emacs)
    # Errors only: a line without a place is no error to compilation mode.
    grep -v '^-$' "$tmp/want" >"$tmp/want.errors" && mv "$tmp/want.errors" "$tmp/want"
    emacs -Q --batch -L "$editors" --eval "(progn
        (require 'errfold)
        (let ((root default-directory) (buffer (compile \"cat build.log 2>&1 | errfold\")))
          (while (process-live-p (get-buffer-process buffer))
            (accept-process-output nil 0.05))
          (condition-case nil
              (while t
                (next-error)
                (with-current-buffer (window-buffer)
                  (princ (format \"%s|%d|%d\n\" (file-relative-name buffer-file-name root)
                                 (line-number-at-pos) (1+ (current-column))))))
            (user-error nil))))" >"$tmp/got" 2>"$tmp/err"
    ;;
matcher)
    # VS Code runs the pattern as a JavaScript RegExp on each line; the
    # library runs the whole matcher as a task runner would.
    errfold <build.log >"$tmp/out"
    NODE_PATH=$(npm root -g 2>/dev/null) node - "$editors/errfold-matcher.json" "$tmp/out" "$tmp/got" \
        "$here/../../README.md" <<'JS'
const fs = require('fs');
const [file, out, got, readme] = process.argv.slice(2);
const matcher = JSON.parse(fs.readFileSync(file, 'utf8')).problemMatcher[0];
const pattern = matcher.pattern[0];
// The README's tasks.json gives VS Code this same pattern.
const shown = [...fs.readFileSync(readme, 'utf8').matchAll(/"regexp": (".*")/g)];
if (shown.length === 0 || shown.some((m) => JSON.parse(m[1]) !== pattern.regexp))
  throw new Error('README.md shows another pattern than ' + file);
const lines = fs.readFileSync(out, 'utf8').split(/(?<=\n)/);
const re = new RegExp(pattern.regexp);
const places = lines.map((line) => {
  const m = re.exec(line.replace(/\n$/, ''));
  return m ? `${m[pattern.file]}|${m[pattern.line]}|${m[pattern.column]}` : '-';
});
let library;
try {
  library = require('@rushstack/problem-matcher');
} catch {
  if (process.env.CI && process.env.CI !== 'false') throw new Error('@rushstack/problem-matcher is not installed');
  console.log('matcher: @rushstack/problem-matcher is not installed; node\'s RegExp only');
}
if (library) {
  const [parsed] = library.parseProblemMatchersJson([{ name: matcher.owner, ...matcher }]);
  lines.forEach((line, i) => {
    const p = parsed.exec(line);
    const place = p ? `${p.file}|${p.line}|${p.column}` : '-';
    if (place !== places[i]) places[i] += ` (the library: ${place})`;
  });
}
fs.writeFileSync(got, places.join('\n') + '\n');
JS
    ;;
esac

if cmp -s "$tmp/want" "$tmp/got"; then
    echo "$reader: every report placed as the log says ($(wc -l <"$tmp/want") entries)"
    echo "1 passed, 0 failed"
    exit 0
fi
echo "$reader: places differ (want, got):"
diff "$tmp/want" "$tmp/got"
[ -s "$tmp/err" ] 2>/dev/null && grep -v '^Next locus\|^Compilation' "$tmp/err" | head -20
echo "0 passed, 1 failed"
exit 1
