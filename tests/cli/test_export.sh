#!/usr/bin/env bash
# The command line: export reproduces ordinary files byte for byte, reports what would be boxes on
# standard error, and answers with the documented exit statuses; --check-reminder prints the
# reminder's errors, one a line.
set -u
brw=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No display, and a platform named that would need one: the command line never starts the
# toolkit's windowing part, and a PDF picks the offscreen platform itself.
unset DISPLAY WAYLAND_DISPLAY
declare -x QT_QPA_PLATFORM=xcb
declare -x XDG_DATA_HOME="$work/data" # where a save that rewrites in place keeps its copy
mkfifo "$work/pipe.fifo"
failures=0
check() { # description, then the command; the command's status decides
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
# The rows of data/FILE.jsonl beside this script: the name, the exit status, a pattern standard
# error must hold (or nothing), the arguments ({data}: the test data, {work}: a scratch folder),
# what standard output holds ("\n" between lines; nothing when left out).
check_rows() {
    while IFS='|' read -r what want pattern args output; do
        args=$(printf '%b' "${args//\{data\}/$data}") && args=${args//\{work\}/$work}
        timeout 60 "$brw" $args >"$work/stdout" 2>"$work/err"
        check "$what: status $want: $args" test $? -eq "$want"
        [ -z "$pattern" ] || check "$what: says '$pattern': $args" grep -q -- "$pattern" "$work/err"
        check "$what: prints '${output:-nothing}'" \
            test "$(cat "$work/stdout")" = "$(printf '%b' "$output")"
    done < <(python3 -c 'import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    if line.strip() and line[0] != "#": print("|".join(json.loads(line)))
' "$(dirname "$0")/data/$1.jsonl")
}
# export ARG...: the program's export; its standard error goes to $work/err, its status to $status
export() { "$brw" --export "$@" 2>"$work/err"; status=$?; }

# Every document and the sample exported byte for byte, and to OPML and back byte for byte.
for reference in "$data"/reference/*.brw "$data/../../examples/sample.brw"; do
    name=$(basename "$reference" .brw)
    [ "$name" = structure ] && continue
    export brw "$reference" "$work/$name.brw"
    # two_reminders.brw holds a reminder text with a mistake: nothing rings here, nothing is read
    check "export $name.brw: byte for byte, status 0, nothing said" \
        eval 'cmp -s "$reference" "$work/$name.brw" && [ "$status" = 0 ] && [ ! -s "$work/err" ]'
    "$brw" --export opml "$reference" "$work/$name.opml" 2>/dev/null &&
        "$brw" --import opml "$work/$name.opml" "$work/$name.back.brw" 2>/dev/null
    check "opml round trip of $name.brw: byte for byte" cmp -s "$reference" "$work/$name.back.brw"
done

"$brw" --export structure "$data/reference/structure.brw" "$work/structure.brw" 2>/dev/null
check "the structure of a structure file: byte for byte" \
    cmp -s "$data/reference/structure.brw" "$work/structure.brw"

# Reported problems and refused command lines, one a row.
check_rows reported
check "a reported problem still writes the output" test -s "$work/broken.brw"
# Standard error goes through a pipe: the limit would stop a file there too.
(ulimit -f 0 && exec "$brw" --export brw "$data/reference/basic.brw" "$work/limit.brw" 2>&1) |
    cat >"$work/err"
status=${PIPESTATUS[0]}
check "past the file size limit: status 1, said, no file left" eval '[ "$status" = 1 ] &&
    grep -q "output was not written" "$work/err" && [ -z "$(ls "$work" | grep ^limit)" ]'
check "the wrong reminder's task lines are not read" bash -c "! '$brw' --export brw \
    '$data/input/two_reminders.brw' '$work/renamed.brw' 2>&1 | grep -q 'Reminder errors'"
check "no output for a missing input or an unencodable name" test -z "$(ls "$work" | grep '^out')"
check "nothing left in the data folder by a refused output" test -z "$(find "$work/data" -type f 2>/dev/null)"
check "the FIFO stays a FIFO" test -p "$work/pipe.fifo"
cp "$data/reference/basic.brw" "$work/private.brw" && chmod 600 "$work/private.brw"
(umask 022 && "$brw" --export html "$work/private.brw" "$work/private.html" 2>/dev/null)
check "an export of a private document is private" test "$(stat -c %a "$work/private.html")" = 600

# The exports, read by real clients: an HTML parser and a MIME parser.
exports=$(dirname "$0")/exports.brw
for format in html mime table; do
    export $format "$exports" "$work/out.$format"
    check "export $format exits 0 and says nothing" test $status -eq 0 -a ! -s "$work/err"
    "$brw" --export $format "$data/reference/unicode.brw" "$work/unicode.$format"
done
read_page='
import sys, html.parser
raw = open(sys.argv[1], "rb").read()
assert b"charset=windows-1251" in raw
class Page(html.parser.HTMLParser):
    tags, names, hrefs, text, rows = set(), [], [], "", []
    def handle_starttag(self, tag, attrs):
        self.tags.add(tag)
        a = dict(attrs)
        self.names += [a["name"]] if "name" in a else []
        self.hrefs += [a["href"]] if "href" in a else []
        self.rows += [0] if tag == "tr" else []
        if tag == "td": self.rows[-1] += 1
    def handle_data(self, data): self.text += data
page = Page()
page.feed(raw.decode("cp1251"))
for text in sys.argv[3:]: assert text in page.text, text
'
check "every href of the page names an anchor; texts survive escaping" python3 -c "$read_page
assert page.tags <= {'html', 'head', 'meta', 'body', 'a', 'b', 'i', 'br', 'p', 'dd'}, page.tags
assert len(page.names) == len(set(page.names)) == 5 and len(page.hrefs) == 6
assert all(h[0] == '#' and h[1:] in page.names for h in page.hrefs)
assert '2.1.1. Глубже' in page.text" "$work/out.html" - 'Корень <&>' "Ёж & \"ёлка\"" 'описание <script>' 'a<b>'
check "the table's grid holds its names as text" python3 -c "$read_page
assert page.tags <= {'html', 'head', 'meta', 'body', 'table', 'tr', 'td', 'pre'}, page.tags
assert page.rows == [4, 4, 4], page.rows" "$work/out.table" - 'a<b>' "Ёж & \"ёлка\""
check "the MIME text has a part per theme and decodes its Cyrillic" python3 -c '
import email, sys
message = email.message_from_bytes(open(sys.argv[1], "rb").read())
parts = [part.get_payload(decode=True).decode(part.get_content_charset())
         for part in message.get_payload()]
assert message.is_multipart() and len(parts) == 7, len(parts)
# The line end before a boundary belongs to the boundary.
assert parts[0] == "Корень <&>\r\n\tс табуляцией\r\n", parts[0]
assert parts[1] == "Ёж & \"ёлка\"\r\n<!--1[01.01.2001]-->\r\nописание <script>", parts[1]' "$work/out.mime"

# Unicode: conversion both ways, the count of replaced characters, exports that declare UTF-8.
"$brw" --export brw "$data/reference/basic.brw" "$work/basic-utf8.brw" --encoding utf-8 &&
    "$brw" --encoding cp1251 --export brw "$work/basic-utf8.brw" "$work/basic-back.brw"
check "to utf-8 with the mark, and back byte for byte" bash -c "head -c 3 '$work/basic-utf8.brw' |
    od -An -tx1 | grep -q 'ef bb bf' && cmp -s '$data/reference/basic.brw' '$work/basic-back.brw'"
export brw "$data/reference/unicode.brw" "$work/lossy.brw" --encoding cp1251
check "to cp1251 exits 0 and counts what it replaced" test $status -eq 0 -a \
    "$(cat "$work/err")" = "brw: 53 character(s) written as 0x1A"
check "Unicode exports declare and hold UTF-8" python3 -c '
import email, sys
for name in sys.argv[1:3]:
    raw = open(name, "rb").read()
    assert b"charset=utf-8" in raw and "漢字 中文" in raw.decode("utf-8"), name
parts = email.message_from_bytes(open(sys.argv[3], "rb").read()).get_payload()
assert any("Ελληνικά" in part.get_payload(decode=True).decode(part.get_content_charset())
           for part in parts)' "$work/unicode.html" "$work/unicode.table" "$work/unicode.mime"
# Other programs' outlines: Markdown, text and PDF written; imports refused without output; the
# tree file's form follows its characters.
for format in markdown text pdf; do
    export $format "$data/reference/unicode.brw" "$work/unicode.$format"
    check "export $format exits 0 and says nothing" test $status -eq 0 -a ! -s "$work/err"
done
# Themes over several pages, each whole number at the start of a line or page, in order. The
# emoji is drawn but not mapped back to text; CJK needs the font the setup installs.
for i in $(seq 0 39); do
    printf '# Theme %s Тема 厨房 🍅\n\nline one\nline two\n\n## Sub %s\n' $i $i
done >"$work/many.md" && "$brw" --import markdown "$work/many.md" "$work/many.brw" &&
    "$brw" --export pdf "$work/many.brw" "$work/many.pdf"
check "pdf export holds every numbered name in order" bash -c "head -c 5 '$work/many.pdf' | grep -q %PDF- &&
    diff <(pdftotext '$work/many.pdf' - | tr -d '\\f' |
        grep -o '^[0-9.]* \(Theme\|Sub\) [0-9]*\( Тема 厨房\)\?') \
    <(for i in \$(seq 40); do echo \"\$i. Theme \$((i - 1)) Тема 厨房\"; echo \"\$i.1. Sub \$((i - 1))\"; done)"
check "pdf export numbers links and marks" bash -c "pdftotext '$work/unicode.pdf' - |
    grep -o '^[0-9.]* [^ ]*' | tr '\n' '|' | grep -q '1. café|.*2. Mark|2.1. Under|3. Link|'"
printf 'один\n\tдва\n' >"$work/cp.txt" && printf 'one\n\t漢字\n' >"$work/uni.txt"
"$brw" --import text "$work/cp.txt" "$work/cp.brw" && "$brw" --import text "$work/uni.txt" "$work/uni.brw"
check "an import within CP1251 writes CP1251" bash -c "! head -c 3 '$work/cp.brw' | od -An -tx1 |
    grep -q 'ef bb bf' && grep -aq \$'\xee\xe4\xe8\xed' '$work/cp.brw'"
check "an import beyond CP1251 writes Unicode" bash -c "head -c 3 '$work/uni.brw' | od -An -tx1 |
    grep -q 'ef bb bf' && grep -q '<!--2\[.*\]-->漢字' '$work/uni.brw'"
check_rows refused_imports
check "a refused import writes nothing" test ! -e "$work/refused.brw"
(umask 022 && "$brw" --export opml "$work/private.brw" "$work/private.opml" 2>/dev/null)
check "an opml export of a private document is private" test "$(stat -c %a "$work/private.opml")" = 600

printf 'root\r\n<!--1-->__reminder\r\n8:00 "tea"\r\n-1:00 x\r\n<!--2-->more\r\n9:00 x\r\n' >"$work/errors.brw"
printf 'root\r\n<!--1-->__reminder\r\n8:00 "tea"\r\n' >"$work/clean.brw"
printf 'root\r\n<!--1-->other\r\n8:0\r\n' >"$work/none.brw"
check_rows check_reminder
check "--help exits 0 and lists --check-reminder" \
    bash -c "set -o pipefail; '$brw' --help | grep -q -- '--check-reminder FILE'"
check "--version names the program" bash -c "'$brw' --version | grep -q '^brw '"

[ "$failures" -eq 0 ] && echo "cli: all checks passed" || echo "cli: $failures checks failed"
exit "$failures"
