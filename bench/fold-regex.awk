# fold.awk with the three words found by regular expressions instead of
# index(): which of the two mawk runs faster depends on the log, so run.sh
# times both. The rest is fold.awk's, line for line.
# Usage: mawk -f fold-regex.awk
/line/ && /error/ && /column/ {
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
