#!/usr/bin/env bash
# The route editor, the run and the web view get what they need from app/:
# none of their files includes a header of the panel's or the board's
# windows, the options or the settings (the fare data's own header excepted).
#   scripts/beside_includes_check.sh <source folder>
set -euo pipefail
root=$1
found=0
files=0
for dir in route editor run runbar web; do
    while IFS= read -r -d '' src; do
        files=$((files + 1))
        while IFS= read -r header; do
            case $header in
            panel/FareData.h) ;;
            panel/* | board/* | options/* | settings/* | app/*)
                echo "${src#"$root"/} includes \"$header\""
                found=1
                ;;
            esac
        done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$src")
    done < <(find "$root/$dir" -name '*.h' -print0 -o -name '*.cpp' -print0)
done
[ "$found" -eq 0 ] && echo "editor, run, web: $files files, none includes a window's, the options' or the settings' header"
exit "$found"
