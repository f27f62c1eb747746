#!/bin/sh
# Stands in for the example project's compiler: compile.sh UNIT.src...
# It checks two things in each unit, that every name in an assignment is
# declared on a var line of the unit before it, and that every unit a uses
# line names is a file beside it, and reports each mistake in three lines:
#   FILE(PROCEDURE(line N, column M) error: TEXT
#   the source line
#   a caret under column M, and a hint
# N is one more than the line's number in the file, as in the logs errfold
# is made for; errfold lowers it, so a reader of its output lands on the
# line itself. Exits 1 when any unit has a mistake.
exec awk '
function report(column, text, hint) {
    printf "%s(%s(line %d, column %d) error: %s\n%s\n%*s^ %s\n",
        FILENAME, scope, FNR + 1, column, text, $0, column - 1, "", hint
    errors++
}
FNR == 1 {
    unit = FILENAME; sub(/.*\//, "", unit); sub(/\.src$/, "", unit)
    folder = FILENAME; sub(/[^\/]*$/, "", folder)
    scope = unit; split("", declared)
    print "Compiling unit " unit " (" FILENAME ")"
}
$1 == "uses" {
    rest = $0
    while (match(rest, /[a-z_][a-z0-9_]*/)) {
        name = substr(rest, RSTART, RLENGTH)
        column = length($0) - length(rest) + RSTART
        rest = substr(rest, RSTART + RLENGTH)
        if (name == "uses") continue
        if ((getline line < (folder name ".src")) < 0)
            report(column, "unit \"" name "\" not found", "searched: " folder)
        close(folder name ".src")
    }
}
$1 == "var" {
    names = $0; sub(/:.*/, "", names); sub(/^[ \t]*var/, "", names)
    gsub(/[ \t]/, "", names); n = split(names, list, ",")
    for (i = 1; i <= n; i++) declared[list[i]] = 1
}
$1 == "procedure" { scope = $2; sub(/;.*/, "", scope) }
/:=/ {
    rest = $0
    while (match(rest, /[a-z_][a-z0-9_]*/)) {
        name = substr(rest, RSTART, RLENGTH)
        column = length($0) - length(rest) + RSTART
        rest = substr(rest, RSTART + RLENGTH)
        if (!(name in declared)) {
            report(column, "undeclared identifier \"" name "\"", "not declared in unit " unit)
            break
        }
    }
}
END {
    if (errors) { print errors (errors == 1 ? " error" : " errors") "; build failed"; exit 1 }
}' "$@"
