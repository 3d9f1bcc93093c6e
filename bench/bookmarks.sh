#!/usr/bin/env bash
# The bookmark benchmarks, side by side in one run, on generated files of 100,000 bookmarks in
# 1,000 folders (plain, and with an 800-character ICON attribute on every bookmark):
#   - reading into the tree (bench_bookmarks), and the whole `varnel bookmarks --json` and
#     `varnel bookmarks` (text), beside `wc -l` and Python's html.parser building the same tree;
#   - the bookmarks window offscreen: click on "Refresh" to the painted tree, beside the read
#     (when the build has the windows);
#   - peak memory of `varnel bookmarks --json` above the same command on an empty file.
# The targets: --json at most 15 x `wc -l` and at least 25 x faster than html.parser, the text
# at most 10 x `wc -l`, peak memory at most 2 x the file above the empty run.
# Run by hand after a Release build (-DVARNEL_BUILD_UI=OFF -DVARNEL_BUILD_BENCHMARKS=ON will do):
# bench/bookmarks.sh [BUILD_DIR] [RUNS]. Needs hyperfine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-9}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A prefix of Varnel's own layout, with one profile directory whose bookmark.htm is swapped.
HOME=$work/home XDG_DATA_HOME=$work/data "$build/varnel" settings >/dev/null
prefix=$work/data/varnel/prefix
profile="$prefix/drive_c/Program Files/Netscape/Users/default"
mkdir -p "$profile" "$work/plain" "$work/icons"
python3 "$top/bench/make_bookmarks.py" "$work/plain/bookmark.htm"
python3 "$top/bench/make_bookmarks.py" "$work/icons/bookmark.htm" --icons

median_ms() {  # the median of hyperfine's runs for command N of its JSON export
  python3 -c "import json,statistics,sys; r=json.load(open(sys.argv[1]))['results'][int(sys.argv[2])]; print(round(statistics.median(r['times'])*1000,1))" "$@"
}
peak_kb() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

: > "$profile/bookmark.htm"
empty_kb=$(peak_kb "$build/varnel" --prefix "$prefix" bookmarks --json --profile 'c:\program files\netscape\users\default')
ratio() { python3 -c "import sys; print(round(float(sys.argv[1])/float(sys.argv[2]),1))" "$1" "$2"; }
# One command line for hyperfine, which splits it as a shell would: the profile in single quotes.
varnel_bookmarks="$build/varnel --prefix $prefix bookmarks --profile 'c:\\program files\\netscape\\users\\default'"
for kind in plain icons; do
  file=$work/$kind/bookmark.htm
  size=$(stat -c %s "$file")
  cp "$file" "$profile/bookmark.htm"
  hyperfine -N --warmup 2 --runs "$runs" --export-json "$work/$kind.json" \
    "wc -l $file" "$build/bench_bookmarks $file" "python3 $top/bench/html_parser_tree.py $file" \
    "$varnel_bookmarks --json" "$varnel_bookmarks" >/dev/null
  wc=$(median_ms "$work/$kind.json" 0); ours=$(median_ms "$work/$kind.json" 1); py=$(median_ms "$work/$kind.json" 2)
  json=$(median_ms "$work/$kind.json" 3); text=$(median_ms "$work/$kind.json" 4)
  kb=$(peak_kb "$build/varnel" --prefix "$prefix" bookmarks --json --profile 'c:\program files\netscape\users\default')
  echo "== $kind: $((size / 1000)) kB, medians of $runs"
  echo "wc -l: $wc ms; read into the tree: $ours ms ($(ratio "$ours" "$wc") x wc -l); html.parser: $py ms; read per MB: $(python3 -c "print(round($ours/($size/1e6),2))") ms"
  echo "varnel bookmarks --json: $json ms ($(ratio "$json" "$wc") x wc -l, target <= 15; html.parser $(ratio "$py" "$json") x slower, target >= 25)"
  echo "varnel bookmarks (text): $text ms ($(ratio "$text" "$wc") x wc -l, target <= 10)"
  echo "peak memory of bookmarks --json: $((kb - empty_kb)) kB above an empty file ($(python3 -c "print(round(($kb-$empty_kb)*1024/$size,2))") x the file, target <= 2)"
  if [ -x "$build/bench_bookmarks_window" ]; then "$build/bench_bookmarks_window" "$file" "$runs" 2>/dev/null | tail -2; fi
done
