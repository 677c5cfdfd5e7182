#!/usr/bin/env bash
# Every section of a row file names a test function that runs. A `_data` function left out of
# the slots leaves its rows unread, and its test passes without them.
# Usage: rows_reached.sh SOURCE_TESTS_FOLDER BUILD_TESTS_FOLDER
set -euo pipefail
declare -A functions
all=""
# "-functions" exits before a test's folders are removed: they go into one removed here.
TMPDIR=$(mktemp -d)
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
while IFS= read -r binary; do
    list=$(QT_QPA_PLATFORM=offscreen "$binary" -functions 2>/dev/null | sed 's/()$//')
    functions[$(basename "$binary")]=$list
    all+=$'\n'$list
done < <(find "$2" -type f -perm -u+x -name 'tst_*')
status=0
for rows in "$1"/*/data/*.jsonl; do
    # A file named after a test belongs to it; any other may be read by any test.
    own=${functions[tst_$(basename "$rows" .jsonl)]-$all}
    for section in $(sed -n 's/^== //p' "$rows"); do
        if ! grep -qx "$section" <<<"$own"; then
            echo "$rows: no test function '$section' reads its rows"
            status=1
        fi
    done
done
exit $status
