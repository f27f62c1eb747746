#!/usr/bin/env bash
# Builds the working tree twice, from two folders and at two different times,
# with the same SOURCE_DATE_EPOCH and umask 022 (as Debian's package builder
# sets it), and checks that the programs, the .deb and the .tar.gz come out
# byte for byte the same. Usage: tools/check-reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/.."
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each build gets its own copy of the files git knows, in folders whose names
# differ in length too.
for tree in one second-tree; do
    mkdir "$work/$tree"
    git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -xf - -C "$work/$tree"
    (umask 022 && cd "$work/$tree" && cmake --preset default -DBUILD_TESTING=OFF >/dev/null &&
        cmake --build --preset default >/dev/null &&
        cd build/default && cpack -G "DEB;TGZ" >/dev/null)
    sleep 2
done

status=0
cd "$work"
for file in $(cd one/build/default && ls errfold/errfold vestorkal/vestorkal *.deb *.tar.gz); do
    if cmp -s "one/build/default/$file" "second-tree/build/default/$file"; then
        echo "same: $file ($(sha256sum <"one/build/default/$file" | cut -c1-16))"
    else
        echo "DIFFERENT: $file"
        status=1
    fi
done
[ $status = 0 ] && echo "reproducible: passed"
exit $status
