#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Validates the desktop entry and the AppStream metadata; fails on any error
# or warning (hints and pedantic notes pass). Exit 77 when a validator is missing.
#   validate.sh <file.desktop> <file.metainfo.xml>
set -uo pipefail
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "validate: $tool missing, skipped"; exit 77; }
done
status=0
out=$(desktop-file-validate "$1" 2>&1) || status=1
echo "$out"
grep -Eq '(error|warning):' <<<"$out" && status=1
appstreamcli validate --no-net --no-color --explain "$2" || status=1
exit $status
