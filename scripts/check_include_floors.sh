#!/bin/bash
# Checks the include floors of src/: no file includes one from a folder above
# its own (core < platform < project < calc < run < ui < app). Within ui/, the
# shared services of ui/common sit below the dialogs, and only the main window
# (and app) may include ui/mainwindow: it opens the dialogs, never the other
# way round. Prints every upward include and exits 1 when there is one.
set -u
root="${1:-$(dirname "$0")/..}"
rank() {
    case "$1" in
    core) echo 0 ;; platform) echo 1 ;; project) echo 2 ;; calc) echo 3 ;;
    run) echo 4 ;; ui) echo 5 ;; app) echo 6 ;; *) echo -1 ;;
    esac
}
status=0
while IFS= read -r file; do
    own=$(rank "$(echo "$file" | sed -E 's#^.*/src/([a-z]+)/.*#\1#')")
    while IFS= read -r included; do
        folder=${included%%/*}
        theirs=$(rank "$folder")
        if [ "$theirs" -gt "$own" ]; then
            echo "${file#"$root"/}: includes $included from a floor above its own"
            status=1
        fi
        case "$file" in
        */src/ui/common/*)
            case "$included" in
            ui/common/*) ;;
            ui/*)
                echo "${file#"$root"/}: the shared GUI services include $included"
                status=1 ;;
            esac ;;
        */src/ui/mainwindow/* | */src/app/*) ;;
        */src/ui/*)
            case "$included" in
            ui/mainwindow/*)
                echo "${file#"$root"/}: a dialog includes the main window's $included"
                status=1 ;;
            esac ;;
        esac
    done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z]+\/[^"]+)".*/\1/p' "$file")
done < <(find "$root/src" -name '*.h' -o -name '*.cpp' | sort)
exit $status
