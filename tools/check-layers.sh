#!/bin/sh
# The engine's folders are layers; each may include headers from its own folder
# and the folders below it, never from one above:
#
#   text <- platform <- config <- net <- chat <- art <- app
#
# Prints every include that runs back up (or leaves its folder by a relative
# path) and fails when there is one.
# Usage: tools/check-layers.sh [src/core]
core=${1:-$(dirname "$0")/../src/core}
cd "$core" || exit 2
find . -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' \) | sort | xargs awk '
BEGIN {
    split("text platform config net chat art app", order, " ")
    for (i in order) rank[order[i]] = i
    status = 0
}
FNR == 1 {
    path = substr(FILENAME, 3)
    folder = path
    sub(/\/.*/, "", folder)
    if (!(folder in rank) && !(folder in told)) {
        print folder "/: a folder that is not a layer; add it to tools/check-layers.sh"
        told[folder] = 1
        status = 1
    }
}
/^[ \t]*#[ \t]*include[ \t]*"/ {
    target = $0
    sub(/^[^"]*"/, "", target)
    sub(/".*/, "", target)
    if (target ~ /\.\.\//) {
        print path ":" FNR ": includes by a relative path out of its folder"
        status = 1
    } else if (target ~ /\//) {
        to = target
        sub(/\/.*/, "", to)
        if ((to in rank) && (folder in rank) && rank[to] + 0 > rank[folder] + 0) {
            print path ":" FNR ": includes " target ", a higher layer (" to "/ is above " folder "/)"
            status = 1
        }
    }
}
END { exit status }
'
