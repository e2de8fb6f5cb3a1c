#!/usr/bin/env bash
# The report's HTML page in a real browser: headless Chromium loads the page of a sample server
# (offline: the page must need nothing from outside) and takes a screenshot.
#
#   report_page_test.sh RQTRACE RQSAMPLE [OUTDIR]
#
# Keeps report.html and report.png in OUTDIR when given. Exits 77 (skipped) without Chromium;
# scripts/setup installs it.
set -euo pipefail

rqtrace=$1
rqsample=$2
out=${3:-}
chromium=$(command -v chromium || true)
if [[ -z $chromium ]]; then
  echo "chromium is not installed: skipped" >&2
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/rqreport.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$rqsample" "$work/server" --days 3 > /dev/null
today=$(date +%y%m%d)
first=$(date -d '2 days ago' +%y%m%d)
"$rqtrace" --settings "$work/server/settings.reg" \
  --map "C:\\Program Files (x86)\\Raven Quill=$work/server" \
  report --date "$first..$today" --html > "$work/report.html"

browse() {
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile-$1" "${@:2}" "file://$work/report.html"
}
browse shot --hide-scrollbars --window-size=1100,3600 --screenshot="$work/report.png" \
  2> "$work/chromium.log" || { cat "$work/chromium.log" >&2; exit 1; }
# The page as the browser built it: its charts and tables are there.
dom=$(browse dom --dump-dom 2> /dev/null)
for part in "<svg" "Traffic per hour" "Slowest messages" "tarn.example" "5D7E0E2C"; do
  grep -qF "$part" <<< "$dom" || { echo "the page lacks: $part" >&2; exit 1; }
done
size=$(stat -c %s "$work/report.png")
(( size > 20000 )) || { echo "screenshot of $size bytes: a blank page?" >&2; exit 1; }
if [[ -n $out ]]; then
  mkdir -p "$out"
  cp "$work/report.html" "$work/report.png" "$out/"
fi
echo "screenshot: $size bytes"
