#!/bin/sh
# Writes README.txt and LICENSE.txt for the Windows zip into OUT_DIR:
#   windows-docs.sh OUT_DIR VERSION MANDOC LICENSE PAGE...
# Both have CR LF line ends; README.txt is UTF-8 with a byte order mark, so
# that Notepad never takes it for another code page, and holds the manual
# pages rendered to plain text.
set -eu
out=$1 version=$2 mandoc=$3 license=$4
shift 4
crlf() { perl -pe 's/\n/\r\n/'; }

crlf <"$license" >"$out/LICENSE.txt"
{
    printf '\357\273\277'
    cat <<TEXT
errfold and vestorkal $version for Windows

Two console programs, each a stage of a tool chain. Run them from a command
prompt, with their input and output redirected:

    errfold < build.log
    vestorkal < reference.txt > map.out

errfold keeps the three-line error reports of a compiler's diagnostic text,
each written as one line with its line number lowered by one. vestorkal reads
a map reference such as {ostrov} and writes the map file mapy\\ostrov.map
below the working folder, followed by the end marker byte 0xFF.

Both programs are linked statically and need no other files. They are free
software under the MIT license: see LICENSE.txt.

The editors folder lets an editor or CI jump to each report errfold writes:
compiler\\errfold.vim for Vim (add the editors folder to 'runtimepath', then
:compiler errfold), errfold.el for Emacs ((require 'errfold), then
M-x compile), and errfold-matcher.json, a problem matcher for GitHub Actions
whose pattern also serves a VS Code task.

The manual pages of both programs follow.
TEXT
    for page; do
        printf '\n\n'
        # mandoc marks bold and underlined letters by overstriking them.
        "$mandoc" -Tutf8 -Owidth=78 "$page" | perl -CSD -pe 's/.\x08//g'
    done
} | crlf >"$out/README.txt"
