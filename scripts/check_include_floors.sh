#!/bin/bash
# Checks the include floors of src/: no file includes one from a folder above
# its own (core < platform < project < calc < run < ui < app). Within ui/, the
# shared services of ui/common sit below the dialogs, and only the main window
# (and app) may include ui/mainwindow: it opens the dialogs, never the other
# way round. Prints every upward include and exits 1 when there is one.
set -u
root="${1:-$(dirname "$0")/..}"
find "$root/src" \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
    xargs -0 awk -v root="$root/" '
    function rank(folder) {
        if (folder == "core") return 0
        if (folder == "platform") return 1
        if (folder == "project") return 2
        if (folder == "calc") return 3
        if (folder == "run") return 4
        if (folder == "ui") return 5
        if (folder == "app") return 6
        return -1
    }
    FNR == 1 {
        name = substr(FILENAME, length(root) + 1)
        own = name
        sub(/^.*src\//, "", own)
        sub(/\/.*$/, "", own)
        own = rank(own)
    }
    /^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]+\/[^"]+"/ {
        included = $0
        sub(/^[^"]*"/, "", included)
        sub(/".*$/, "", included)
        folder = included
        sub(/\/.*$/, "", folder)
        if (rank(folder) > own) {
            print name ": includes " included " from a floor above its own"
            status = 1
        }
        if (name ~ /src\/ui\/common\//) {
            if (included ~ /^ui\// && included !~ /^ui\/common\//) {
                print name ": the shared GUI services include " included
                status = 1
            }
        } else if (name !~ /src\/ui\/mainwindow\// && name !~ /src\/app\// && name ~ /src\/ui\//) {
            if (included ~ /^ui\/mainwindow\//) {
                print name ": a dialog includes the main window'"'"'s " included
                status = 1
            }
        }
    }
    END { exit status }' || exit 1
