#!/usr/bin/env bash
# The help document as built: a PDF titled "Orin Media 5.1" whose text has the
# title of every chapter of its source, and which holds every picture the
# source shows.
#
#   manual_check.sh PDF SOURCE.md
set -euo pipefail
PDF=$1 SOURCE=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
WORK=$(mktemp -d /tmp/orin-manual-XXXXXX)
trap 'rm -rf "$WORK"' EXIT

[ -f "$PDF" ] || fail "no help document at $PDF"
pdfinfo "$PDF" | grep -q '^Title: *Orin Media 5\.1$' || fail "the PDF is not titled Orin Media 5.1"
pdftotext -layout "$PDF" "$WORK/text"
chapters=0
while IFS= read -r title; do
  chapters=$((chapters + 1))
  grep -qF -- "$title" "$WORK/text" || fail "the help document lacks the chapter \"$title\""
done < <(awk '/^```/ { code = !code } !code && /^# / { sub(/^# /, ""); print }' "$SOURCE")
[ "$chapters" -ge 10 ] || fail "only $chapters chapters in $SOURCE"

pictures=$(grep -o '](\([^)]*\.png\))' "$SOURCE" | sort -u | wc -l)
shown=$(pdfimages -list "$PDF" | awk 'NR > 2 { print $11 }' | sort -u | wc -l)
[ "$shown" -ge "$pictures" ] || fail "the help document shows $shown pictures, its source $pictures"
echo "manual: $chapters chapters, $pictures pictures"
