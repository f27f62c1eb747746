#!/usr/bin/env bash
# errfold's reports as the programs that read them see them, each run with
# the recipe docs/editors.md gives it, on four builds (each a make in its own
# folder):
#   log:  a Makefile that prints a log made of the headers in places.txt,
#         each with two continuation lines and a line to drop, its line ends
#         LF and CR LF by turns; make succeeds
#   fail: examples/project as it is: three reports, make fails (status 2)
#   ok:   examples/project with UNITS=tiles: no report, make succeeds
#   none: a folder without a Makefile: make fails with no report
# The reader must show make's status, whatever errfold dropped, place each
# report at the file, line and column the tables give (places.txt,
# project-places.txt), give no place to a header errfold wrote as it came,
# and show make's own last lines (each a "text:" entry) when it failed
# with no report.
#   vim, nvim: headless, the page's :compiler line, :make, the quickfix
#              list and v:shell_error
#   emacs:     Emacs --batch: errfold.el, M-x errfold-compile RET RET, the
#              verdict the compilation ends with, next-error to each error
#   matcher:   the page's GitHub steps, run as the runner runs them, read by
#              npm's @rushstack/problem-matcher (installed globally); and the
#              page's VS Code task, run as VS Code runs it, read with
#              node's own RegExp
# Usage: readers.sh vim|nvim|emacs|matcher PROGRAM EDITORS_DIR [RUNNER...];
# RUNNER (an emulator, for instance) is put in front of PROGRAM.
# Exits 77, skipped, when the reader is not installed; under CI that fails.
set -u
reader=$1 program=$2 editors=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
readme=$here/../../docs/editors.md
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

missing() {
    echo "$reader: $1 is not installed"
    if [ -n "${CI:-}" ] && [ "$CI" != false ]; then echo "0 passed, 1 failed"; exit 1; fi
    exit 77
}
case $reader in
vim | nvim | emacs) command -v "$reader" >/dev/null || missing "$reader" ;;
matcher)
    command -v node >/dev/null || missing node
    export NODE_PATH && NODE_PATH=$(npm root -g 2>/dev/null)
    node -e "require('@rushstack/problem-matcher')" 2>/dev/null || missing "npm's @rushstack/problem-matcher"
    ;;
*) echo "usage: readers.sh vim|nvim|emacs|matcher PROGRAM EDITORS_DIR [RUNNER...]" >&2; exit 2 ;;
esac

# errfold is found on PATH, as a user's shell finds it (with a runner, a
# script that runs it).
mkdir -p "$tmp/bin"
emulated=$([ $# = 0 ] || echo yes)
if [ $# = 0 ]; then
    ln -s "$program" "$tmp/bin/errfold"
else
    printf '#!/usr/bin/env bash\nexec %s"$@"\n' "$(printf '%q ' "$@" "$program")" >"$tmp/bin/errfold"
    chmod +x "$tmp/bin/errfold"
fi
export PATH=$tmp/bin:$PATH

# The log build runs in log/work, so that ../ leads somewhere. Each want
# file is the status, then one entry a report: FILE|LINE|COLUMN, or -
# without a place.
mkdir -p "$tmp/log/work"
printf 'all:\n\t@cat build.log\n' >"$tmp/log/work/Makefile"
echo "status 0" >"$tmp/log.want"
n=0
while IFS='|' read -r header file line column; do
    [[ -z $header || $header == \#* ]] && continue
    eol=$'\n' && ((n % 2)) && eol=$'\r\n'
    printf '%s' "Compiling unit $n$eol$header$eol    x := (a(line 3, column 9) + 1$eol    did you mean b?$eol"
    if [ -n "$file" ]; then echo "$file|$line|$column" >>"$tmp/log.want"; else echo - >>"$tmp/log.want"; fi
    n=$((n + 1))
done <"$here/places.txt" >"$tmp/log/work/build.log"
cp -R "$here/../../examples/project" "$tmp/fail"
cp -R "$here/../../examples/project" "$tmp/ok"
# Each place of the table is a real one: its word stands there in the file.
awk -F'|' -v dir="$tmp/fail" '!/^#/ && substr(lines(dir "/" $1, $2), $3, length($4)) != $4 {
        print "project-places.txt: no " $4 " at " $1 ":" $2 ":" $3; bad = 1 }
    function lines(f, n, l) { while (n-- > 0) getline l <f; close(f); return l }
    END { exit bad }' "$here/project-places.txt" || exit 1
{ echo "status 2" && grep -v '^#' "$here/project-places.txt" | cut -d'|' -f1-3; } >"$tmp/fail.want"
echo "status 0" >"$tmp/ok.want"
mkdir "$tmp/none"
printf '%s\n' "status 2" "text:errfold: make failed with exit status 2 and no report; its last 1 line:" \
    "text:make: *** No targets specified and no makefile found.  Stop." >"$tmp/none.want"
# Emacs visits each file of the log: it must have every line and column named.
[ "$reader" = emacs ] &&
    awk -F'|' 'NR > 1 && $1 != "-" { if ($2 > n[$1]) n[$1] = $2; if ($3 > c[$1]) c[$1] = $3 }
        END { for (f in n) print f "|" n[f] "|" c[f] }' "$tmp/log.want" |
    while IFS='|' read -r file lines width; do
        mkdir -p "$tmp/log/work/$(dirname "$file")"
        awk -v n="$lines" -v c="$width" 'BEGIN { while (n-- > 0) printf "%*s\n", c, "" }' >"$tmp/log/work/$file"
    done

read_build() { # CASE: runs the reader in the case's folder, writes CASE.got
    local case=$1 got=$tmp/$1.got
    case $reader in
    vim | nvim)
        # Vim shows a status only with a 'shellpipe' that keeps it; the log
        # build runs with the default, tee, whose status is always 0.
        local compiler shellpipe='set shellpipe=>%s\ 2>&1' editor=(vim)
        compiler=$(sed -n 's/^:\(compiler.*\)/\1/p' "$readme" | head -n 1)
        [ "$reader" = nvim ] && editor=(nvim --headless)
        [ "$case" = log ] && shellpipe='set shellpipe&'
        "${editor[@]}" -N -u NONE -i NONE -n -es -c "let &rtp = '$editors,' . &rtp" -c "$compiler" \
            -c "$shellpipe" -c 'silent make' \
            -c "call writefile(['status ' . v:shell_error] + map(getqflist(), {_, e -> e.valid ? bufname(e.bufnr) . '|' . e.lnum . '|' . e.col : e.text =~# '^\\(errfold\\|make\\): ' ? 'text:' . e.text : '-'}), '$got')" \
            -c 'qa!' </dev/null >/dev/null 2>&1
        ;;
    emacs)
        # Errors only: a line without a place is no error to compilation mode.
        grep -v '^-$' "$tmp/$case.want" >"$tmp/want" && mv "$tmp/want" "$tmp/$case.want"
        GOT=$got emacs -Q --batch -L "$editors" --eval "$(
            cat <<'EL'
(progn
  (require 'errfold)
  (let ((root default-directory) verdict)
    (add-hook 'compilation-finish-functions (lambda (_ message) (setq verdict message)))
    ;; The prompt is answered with an empty line, as RET RET does.
    (call-interactively 'errfold-compile)
    (while (not verdict)
      (accept-process-output nil 0.05))
    (setq standard-output (get-buffer-create "got"))
    (princ (cond ((string-prefix-p "finished" verdict) "status 0\n")
                 ((string-match "exited abnormally with code \\([0-9]+\\)" verdict)
                  (format "status %s\n" (match-string 1 verdict)))
                 (t verdict)))
    (with-current-buffer "*compilation*"
      (goto-char (point-min))
      (while (re-search-forward "^\\(errfold\\|make\\): .*" nil t)
        (princ (format "text:%s\n" (match-string 0)))))
    (condition-case nil
        (while t
          (next-error)
          (with-current-buffer (window-buffer)
            (princ (format "%s|%d|%d\n" (file-relative-name buffer-file-name root)
                           (line-number-at-pos) (1+ (current-column))))))
      (user-error nil))
    (with-current-buffer "got" (write-region nil nil (getenv "GOT")))))
EL
        )" <<<'' >/dev/null 2>"$tmp/err"
        ;;
    matcher)
        mkdir -p "$tmp/runner"
        node - "$editors/errfold-matcher.json" "$readme" "$got" "$here/../.." "$tmp/runner" "$emulated" <<'JS'
const fs = require('fs');
const { spawnSync } = require('child_process');
const [file, readme, got, source, runnerTemp, emulated] = process.argv.slice(2);
const text = fs.readFileSync(readme, 'utf8');
const matcher = JSON.parse(fs.readFileSync(file, 'utf8')).problemMatcher[0];
// The page's tasks.json gives VS Code this same pattern.
const shown = [...text.matchAll(/"regexp": (".*")/g)];
if (shown.length === 0 || shown.some((m) => JSON.parse(m[1]) !== matcher.pattern[0].regexp))
  throw new Error(readme + ' shows another pattern than ' + file);
const task = JSON.parse(text.match(/```json\n(\{\n  "version"[^]*?)```/)[1]).tasks[0];
// The GitHub steps in order, each one's run: a block or a line.
const steps = text.match(/```yaml\n([^]*?)```/)[1].split(/^(?=- )/m).map((step) => {
  const block = step.match(/^  run: \|\n((?: {4}.*\n)*)/m);
  return block ? block[1].replace(/^ {4}/gm, '') : `${step.match(/^  run: (.*)$/m)[1]}\n`;
});
// GitHub runs a step with shell: bash this way, in the workspace, where the
// checkout is; a folder a step adds to GITHUB_PATH is on PATH from the next
// step on, and the job stops at a step that failed. The steps that build
// errfold run for the first build only, whose install the others share;
// under an emulator, the program under test is not this machine's, so they
// do not run at all. VS Code spawns a process task's command with its
// arguments.
fs.symlinkSync(source, 'errfold-src');
const githubPath = `${runnerTemp}/path`;
const installed = fs.existsSync(githubPath);
if (!installed) fs.writeFileSync(githubPath, '');
let build;
steps.forEach((step, i) => {
  if ((emulated || installed) && /cmake /.test(step)) return;
  fs.writeFileSync('step.sh', step);
  const added = fs.readFileSync(githubPath, 'utf8').split('\n').filter(Boolean).reverse();
  const env = { ...process.env, RUNNER_TEMP: runnerTemp, GITHUB_PATH: githubPath,
    PATH: [...added, process.env.PATH].join(':') };
  build = spawnSync('bash', ['--noprofile', '--norc', '-eo', 'pipefail', 'step.sh'], { encoding: 'utf8', env });
  if (build.status !== 0 && i < steps.length - 1)
    throw new Error(`step ${i + 1} failed:\n${build.stdout}${build.stderr}`);
});
fs.unlinkSync('step.sh');
fs.unlinkSync('errfold-src');
const runs = [build, spawnSync(task.command, task.args, { encoding: 'utf8' })];
const [parsed] = require('@rushstack/problem-matcher').parseProblemMatchersJson([{ name: matcher.owner, ...matcher }]);
const re = new RegExp(task.problemMatcher.pattern.regexp);
const p = task.problemMatcher.pattern;
// The library takes each line with its newline, as a runner reads it.
const readers = [(line) => parsed.exec(line), (line) => {
  const m = re.exec(line.replace(/\n$/, ''));
  return m && { file: m[p.file], line: m[p.line], column: m[p.column] };
}];
// Each entry as GitHub's runner sees it (workflow commands are not output),
// with what VS Code sees where it differs.
const [github, vscode] = runs.map((run, i) => [`status ${run.status}`].concat(
  (run.stdout + run.stderr).split(/(?<=\n)/).filter((line) => line && !line.startsWith('::')).map((line) => {
    const place = readers[i](line);
    if (!place && /^(errfold|make): /.test(line)) return `text:${line.replace(/\n$/, '')}`;
    return place ? `${place.file}|${place.line}|${place.column}` : '-';
  })));
const entries = github.map((entry, i) => (entry === vscode[i] ? entry : `${entry} (VS Code: ${vscode[i]})`));
vscode.slice(github.length).forEach((entry) => entries.push(`(VS Code: ${entry})`));
fs.writeFileSync(got, entries.join('\n') + '\n');
JS
        ;;
    esac
}

failed=0
for case in log fail ok none; do
    dir=$tmp/$case
    [ "$case" = log ] && dir=$tmp/log/work
    (cd "$dir" && if [ "$case" = ok ]; then export UNITS=tiles; fi && read_build "$case")
    if cmp -s "$tmp/$case.want" "$tmp/$case.got"; then
        echo "$reader: $case build: status and every report as the build says ($(($(wc -l <"$tmp/$case.want") - 1)) entries)"
    else
        echo "$reader: $case build: status or places differ (want, got):"
        diff "$tmp/$case.want" "$tmp/$case.got"
        [ -s "$tmp/err" ] 2>/dev/null && grep -v '^Next locus\|^Compilation' "$tmp/err" | head -20
        failed=1
    fi
done
[ "$failed" = 0 ] && echo "1 passed, 0 failed" && exit 0
echo "0 passed, 1 failed"
exit 1
