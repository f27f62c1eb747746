#!/usr/bin/env bash
# Installs a built tree with cmake --install, builds the .deb and .tar.gz,
# has lintian check the .deb (it must report nothing) and readelf the
# programs in it, installs the .deb, runs the installed programs on the
# shipped examples and removes the package again.
# Usage: tools/check-install.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# As the README has it: stripped, which cmake --install leaves to --strip.
cmake --install "$build" --strip --prefix "$stage/usr"
for program in errfold vestorkal; do
    ! readelf -S "$stage/usr/bin/$program" | grep -q '\.symtab' ||
        { echo "cmake --install --strip left the symbols in $program" >&2; exit 1; }
done
# The lintian override means something in the .deb alone.
[ ! -e "$stage/usr/share/lintian" ] || { echo "cmake --install installed share/lintian" >&2; exit 1; }
for file in bin/errfold bin/vestorkal share/man/man1/errfold.1.gz share/man/man1/vestorkal.1.gz \
    share/doc/errfold-vestorkal/README.md share/doc/errfold-vestorkal/copyright \
    share/doc/errfold-vestorkal/changelog.gz; do
    [ -f "$stage/usr/$file" ] || { echo "cmake --install did not install $file" >&2; exit 1; }
done
# The editor files are installed as they were tested, byte for byte.
editor_files=(errfold/editors/compiler/errfold.vim share/vim/vimfiles/compiler/errfold.vim
    errfold/editors/compiler/errfold.vim share/nvim/site/compiler/errfold.vim
    errfold/editors/errfold.el share/emacs/site-lisp/errfold.el
    errfold/editors/errfold-matcher.json share/errfold/errfold-matcher.json)
same_editor_files() { # ROOT
    for ((i = 0; i < ${#editor_files[@]}; i += 2)); do
        cmp "${editor_files[i]}" "$1/${editor_files[i + 1]}" || return 1
    done
}
same_editor_files "$stage/usr" || { echo "cmake --install: editor files differ from the tested ones" >&2; exit 1; }

(cd "$build" && cpack -G "DEB;TGZ" -B "$stage/packages")
deb=$(ls "$stage"/packages/*.deb)
mkdir "$stage/tgz" && tar -xzf "$stage"/packages/*.tar.gz -C "$stage/tgz" --strip-components=1
same_editor_files "$stage/tgz" || { echo "the .tar.gz's editor files differ from the tested ones" >&2; exit 1; }
ls -l "$stage"/packages/*.deb "$stage"/packages/*.tar.gz
dpkg-deb --info "$deb"
# Everything lintian has to say, down to the pedantic and informational
# tags; the overrides the package ships are in force. CI runs as root, which
# lintian remarks on.
findings=$(lintian --display-info --display-experimental --pedantic "$deb" 2>&1 |
    grep -v 'running with root privileges is not recommended') || true
[ -z "$findings" ] || { echo "lintian: $findings" >&2; exit 1; }
echo "lintian: nothing to report"
dpkg-deb -x "$deb" "$stage/deb"
! tar tzf "$stage"/packages/*.tar.gz | grep -q lintian || { echo "the .tar.gz holds a lintian override" >&2; exit 1; }
same_editor_files "$stage/deb/usr" || { echo "the .deb's editor files differ from the tested ones" >&2; exit 1; }
tools/check-elf.sh "$stage/deb/usr/bin/errfold" "$stage/deb/usr/bin/vestorkal" \
    "$build/errfold/errfold" "$build/vestorkal/vestorkal"
dpkg -i "$deb"
trap 'dpkg -r errfold-vestorkal >/dev/null || true; rm -rf "$stage"' EXIT

# The installed programs, as a user would run them.
set +e
/usr/bin/errfold <examples/build.log >"$stage/errfold.out"
errfold_status=$?
(cd examples && /usr/bin/vestorkal <reference.txt) >"$stage/vestorkal.out"
vestorkal_status=$?
set -e
[ "$errfold_status" = 1 ] && [ "$(wc -l <"$stage/errfold.out")" = 3 ] ||
    { echo "installed errfold: status $errfold_status" >&2; exit 1; }
{ cat examples/mapy/ostrov.map; printf '\377'; } | cmp - "$stage/vestorkal.out" ||
    { echo "installed vestorkal: wrong output" >&2; exit 1; }
[ "$vestorkal_status" = 0 ]
[ -f /usr/share/man/man1/errfold.1.gz ] && [ -f /usr/share/doc/errfold-vestorkal/copyright ]
# The editors find the installed files where they look by default (for
# Emacs, the folders that Debian's site start-up adds to its load-path).
if command -v vim >/dev/null; then
    vim -N -u NONE -i NONE -es -c 'compiler errfold' -c 'if &l:efm !~# "(line" | cquit | endif' -c 'qa!' ||
        { echo "vim: :compiler errfold found nothing installed" >&2; exit 1; }
fi
if command -v nvim >/dev/null; then
    nvim --headless -u NONE -i NONE -n -es -c 'compiler errfold' -c 'if &l:efm !~# "(line" | cquit | endif' -c 'qa!' ||
        { echo "nvim: :compiler errfold found nothing installed" >&2; exit 1; }
fi
if command -v emacs >/dev/null; then
    emacs --batch --eval "(progn (require 'errfold) (assq 'errfold compilation-error-regexp-alist-alist))" ||
        { echo "emacs: (require 'errfold) failed" >&2; exit 1; }
fi

dpkg -r errfold-vestorkal
trap 'rm -rf "$stage"' EXIT
! command -v errfold >/dev/null || { echo "errfold still installed" >&2; exit 1; }
echo "install and package: passed"
