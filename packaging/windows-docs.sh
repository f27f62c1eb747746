#!/bin/sh
# Writes the text files of the Windows zip into OUT_DIR:
#   windows-docs.sh OUT_DIR VERSION MANDOC README_TEMPLATE MATCHER LICENSE PAGE...
# README.txt from the template, with the version and the matcher's pattern
# filled in; LICENSE.txt; and each manual page PAGE rendered to plain text
# as NAME.txt. All have CR LF line ends; README.txt and the manuals are
# UTF-8 with a byte order mark, so that Notepad never takes them for another
# code page.
set -eu
out=$1 version=$2 mandoc=$3 template=$4 matcher=$5 license=$6
shift 6
crlf() { perl -pe 's/\n/\r\n/'; }
bom() { printf '\357\273\277'; }

crlf <"$license" >"$out/LICENSE.txt"
# The pattern as the matcher file spells it, a JSON string, so that the
# tasks.json of README.txt holds the very regular expression that is tested.
regexp=$(sed -n 's/^ *"regexp": *\(".*"\),\{0,1\}$/\1/p' "$matcher")
[ -n "$regexp" ] || { echo "windows-docs.sh: no regexp in $matcher" >&2; exit 1; }
{
    bom
    VERSION=$version REGEXP=$regexp perl -pe 's/\@VERSION\@/$ENV{VERSION}/g; s/\@MATCHER_REGEXP\@/$ENV{REGEXP}/g' "$template"
} | crlf >"$out/README.txt"
for page; do
    name=$(basename "$page" .1)
    {
        bom
        # mandoc marks bold and underlined letters by overstriking them.
        "$mandoc" -Tutf8 -Owidth=78 "$page" | perl -CSD -pe 's/.\x08//g'
    } | crlf >"$out/$name.txt"
done
