# What a user would write instead of errfold: keep each three-line error
# report as one line, with the number after the header's second "(" lowered
# by one, and exit 1 if any other line was dropped. Usage: mawk -f fold.awk
index($0, "error") && index($0, "line") && index($0, "column") {
    head = $0
    getline first
    getline second
    open = index(head, "(")
    open += index(substr(head, open + 1), "(")
    rest = substr(head, open + 1)
    if (match(rest, /^line[ \t]*[-+]?[0-9]+/)) {
        number = substr(rest, 5, RLENGTH - 4) + 0
        comma = index(substr(rest, 7), ",")
        if (comma) head = substr(head, 1, open + 5) (number - 1) substr(rest, 6 + comma)
    }
    print head " " first " - " second
    next
}
{ dropped = 1 }
END { exit dropped }
