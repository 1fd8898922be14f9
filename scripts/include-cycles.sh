#!/usr/bin/env bash
# Checks that no two folders of src/ include each other, directly or through other folders. A
# folder is a first-level folder of src/ with everything below it (platform/media is platform); an
# `#include "folder/file.h"` is an edge from the including file's folder to that folder. Prints the
# folders of every cycle and fails when there is one.
#
# Usage: scripts/include-cycles.sh [SOURCE FOLDER]   (default: the repository's src/)
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}
cd "$src"

grep -rHo --include='*.h' --include='*.cpp' '^#include "[^"]*/[^"]*"' . |
    awk -F'"' '{
        split($1, from, "/")   # ./FOLDER/.../file.cpp:#include
        split($2, to, "/")
        if (from[2] != to[1]) print from[2], to[1]
    }' | sort -u |
    awk '
        { edge[$1, $2] = 1; node[$1] = 1; node[$2] = 1 }
        END {
            # Which folder reaches which, through any number of includes.
            for (k in node) for (i in node) for (j in node)
                if (edge[i, k] && edge[k, j]) edge[i, j] = 1
            cycles = 0
            for (i in node) for (j in node)
                if (i < j && edge[i, j] && edge[j, i]) {
                    print "include cycle: " i "/ and " j "/ include each other" > "/dev/stderr"
                    cycles++
                }
            exit cycles > 0
        }'
