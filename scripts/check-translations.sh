#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Fails when a text the program shows has no finished translation in a committed catalogue, so a new
# or changed tr() cannot reach users untranslated. Runs lupdate on a copy: the committed files stay as
# they are. Exit 0: all translated; 1: offenders listed; 2: lupdate missing or failed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
sources=(app core common dialogs platform)

if ! command -v lupdate >/dev/null; then
    echo "check-translations: lupdate not found; install qttools5-dev-tools (scripts/deps.sh)" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One line per message: state, context, source and disambiguation, tab-separated, with line breaks as
# "\n". The state is "unfinished" or "done". lupdate writes every catalogue in the same layout.
messages() {
    awk '
        function inner(line, tag,    text) {
            text = line
            sub(".*<" tag ">", "", text)
            sub("</" tag ">.*", "", text)
            return text
        }
        /<context>/ { context = "" }
        /^ *<name>/ { context = inner($0, "name") }
        /<message[ >]/ { source = ""; comment = ""; state = "done"; reading = "" }
        reading != "" {
            if (index($0, "</" reading ">")) {
                text = text "\\n" inner("<" reading ">" $0, reading)
                if (reading == "source") source = text; else comment = text
                reading = ""
            } else {
                text = text "\\n" $0
            }
            next
        }
        /<source>/ || /<comment>/ {
            tag = ($0 ~ /<source>/) ? "source" : "comment"
            if (index($0, "</" tag ">")) {
                if (tag == "source") source = inner($0, tag); else comment = inner($0, tag)
            } else {
                text = $0
                sub(".*<" tag ">", "", text)
                reading = tag
            }
        }
        /<translation[ >]/ && /type="unfinished"/ { state = "unfinished" }
        /<\/message>/ { print state "\t" context "\t" source "\t" comment }
    ' "$1"
}

shopt -s nullglob
status=0
for catalogue in "$root"/translations/*.ts; do
    name=$(basename "$catalogue")
    cp "$catalogue" "$work/$name"
    if ! (cd "$root" && lupdate "${sources[@]}" -no-obsolete -locations none -silent -ts "$work/$name") \
        >"$work/lupdate.log" 2>&1; then
        cat "$work/lupdate.log" >&2
        echo "check-translations: lupdate failed on $name" >&2
        exit 2
    fi

    messages "$catalogue" | cut -f2- >"$work/known"
    messages "$work/$name" >"$work/found"
    offenders=$(awk -F '\t' -v known="$work/known" '
        function plain(text) {
            gsub(/&apos;/, "\047", text); gsub(/&quot;/, "\"", text)
            gsub(/&lt;/, "<", text); gsub(/&gt;/, ">", text); gsub(/&amp;/, "\\&", text)
            return text
        }
        BEGIN { while ((getline line < known) > 0) seen[line] = 1 }
        {
            key = $2 "\t" $3 "\t" $4
            what = (key in seen) ? ($1 == "unfinished" ? "unfinished" : "") : "new"
            if (what != "") {
                printf "  %s: [%s] %s%s\n", what, $2, plain($3), ($4 == "" ? "" : " (" plain($4) ")")
            }
        }
    ' "$work/found")

    total=$(wc -l <"$work/found")
    if [ -n "$offenders" ]; then
        echo "check-translations: $name lacks translations; add them with linguist or by hand:"
        echo "$offenders"
        status=1
    else
        echo "check-translations: $name: all $total texts translated"
    fi
done
exit "$status"
