#!/bin/sh
# SPDX-License-Identifier: MIT
# Writes the releases of CHANGELOG.md in the form a package or the metainfo
# wants. usage: changelog.sh CHANGELOG.md debian|rpm|metainfo PACKAGER
set -eu
file=$1 form=$2 packager=$3
awk -v form="$form" -v packager="$packager" '
# Debian wants lines of at most 80 columns: a note goes on over lines of its own.
function wrapped(text, first, rest,    out, line, words, k, count) {
    count = split(text, words, " "); line = first
    for (k = 1; k <= count; k++) {
        if (length(line) > length(first) && length(line) + 1 + length(words[k]) > 78) {
            out = out line "\n"; line = rest
        }
        line = line (line == first || line == rest ? "" : " ") words[k]
    }
    return out line "\n"
}
function flush() {
    if (version == "") return
    if (form == "debian") {
        printf "morvane (%s-1) unstable; urgency=medium\n\n", version
        for (i = 1; i <= n; i++) printf "%s", wrapped(notes[i], "  * ", "    ")
        cmd = "LC_ALL=C date -u -R -d " date; cmd | getline stamp; close(cmd)
        printf "\n -- %s  %s\n\n", packager, stamp
    } else if (form == "rpm") {
        cmd = "LC_ALL=C date -u -d " date " \"+%a %b %d %Y\""; cmd | getline stamp; close(cmd)
        printf "* %s %s - %s-1\n", stamp, packager, version
        for (i = 1; i <= n; i++) printf "- %s\n", notes[i]
        printf "\n"
    } else {
        printf "    <release version=\"%s\" date=\"%s\">\n      <description>\n        <ul>\n", version, date
        for (i = 1; i <= n; i++) {
            note = notes[i]; gsub(/&/, "\\&amp;", note); gsub(/</, "\\&lt;", note); gsub(/>/, "\\&gt;", note)
            printf "          <li>%s</li>\n", note
        }
        printf "        </ul>\n      </description>\n    </release>\n"
    }
    version = ""; n = 0
}
/^## / { flush(); version = $2; date = $3; gsub(/[()]/, "", date); next }
/^- / && version != "" { notes[++n] = substr($0, 3); next }
END { flush() }
' "$file"
