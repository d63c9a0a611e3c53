#!/bin/sh
# The engine's folders are layers; each may include headers from its own folder
# and the folders below it, never from one above:
#
#   text <- platform <- config <- net <- chat <- art <- app
#
# Prints every include that runs back up and fails when there is one.
# Usage: tools/check-layers.sh [src/core]
core=${1:-$(dirname "$0")/../src/core}
layers="text platform config net chat art app"

rank() {
    i=0
    for layer in $layers; do
        [ "$layer" = "$1" ] && { echo $i; return; }
        i=$((i + 1))
    done
    echo -1
}

status=0
for dir in "$core"/*/; do
    folder=$(basename "$dir")
    own=$(rank "$folder")
    if [ "$own" -lt 0 ]; then
        echo "$folder/: a folder that is not a layer; add it to tools/check-layers.sh"
        status=1
        continue
    fi
    for file in "$dir"*; do
        grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*\.\./' "$file" |
            sed "s|^\([0-9]*\):.*|$folder/$(basename "$file"):\1: includes by a relative path out of its folder|"
        grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[A-Za-z_]+/' "$file" |
        while IFS= read -r line; do
            target=$(printf '%s\n' "$line" | sed -E 's/.*include[[:space:]]*"([A-Za-z_]+)\/.*/\1/')
            [ "$(rank "$target")" -gt "$own" ] &&
                echo "$folder/$(basename "$file"):${line%%:*}: includes $target/, a higher layer"
        done
    done
done | { violations=$(cat); [ -z "$violations" ] || { printf '%s\n' "$violations"; exit 1; }; } || status=1
exit $status
