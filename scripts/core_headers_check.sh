#!/usr/bin/env bash
# Fails when a source file of the core library includes a Qt Widgets header.
#   scripts/core_headers_check.sh <file listing the core's sources> <Qt Widgets header folder>
set -euo pipefail
list=$1
widgets=$2
[ -d "$widgets" ] || { echo "no Qt Widgets header folder: $widgets"; exit 1; }
found=0
files=0
while IFS= read -r src; do
    [ -n "$src" ] || continue
    files=$((files + 1))
    while IFS= read -r header; do
        if [[ $header == QtWidgets/* ]] || [ -e "$widgets/$header" ]; then
            echo "$src includes <$header>, a Qt Widgets header"
            found=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$src")
done <"$list"
[ "$found" -eq 0 ] && echo "core: $files files, none includes a Qt Widgets header"
exit "$found"
