#!/usr/bin/env bash
# The collection commands beside their floors, side by side in one run:
#   - import-favorites of 10,000 favorites in 200 folders (bench/make_favorites.py) into a
#     bookmark.htm holding only its heading, beside `cp -r` of those favorites plus one safe save
#     of the resulting bookmark.htm (floor_safe_save: written, flushed, renamed);
#   - export-bookmarks of 100,000 bookmarks in 1,000 folders (bench/make_bookmarks.py) into an
#     empty favorites directory, beside `cp -r` of the favorites it writes;
#   - export-bookmarks --dry-run of 20,000 bookmarks of one title (named " (2)" ... " (20000)"),
#     beside that of 20,000 distinct titles: naming the copies costs no more than the plan.
# Each timed run starts from the same files. Run by hand after a command-line-only Release build
# (VARNEL_BUILD_UI=OFF, VARNEL_BUILD_BENCHMARKS=ON): bench/collections.sh BUILD_DIR [RUNS].
# Needs hyperfine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: bench/collections.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-7}
work=$(mktemp -d -p "${TMPDIR:-/var/tmp}")
trap 'rm -rf "$work"' EXIT
varnel=$build/varnel

median_ms() {
  python3 -c "import json,statistics,sys; r=json.load(open(sys.argv[1]))['results'][int(sys.argv[2])]; print(f\"{statistics.median(r['times'])*1000:.1f}\")" "$@"
}
ratio() { python3 -c "import sys; print(f'{float(sys.argv[1])/float(sys.argv[2]):.2f}')" "$1" "$2"; }

prefix=$work/prefix
"$varnel" --prefix "$prefix" settings >/dev/null 2>&1
profile=$prefix/drive_c/netscape/default
mkdir -p "$profile" "$prefix/drive_c/export"
printf '<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n\r\n<DL><p>\r\n</DL><p>\r\n' >"$work/empty.htm"
python3 "$top/bench/make_favorites.py" "$prefix/drive_c/favorites"
python3 "$top/bench/make_bookmarks.py" "$work/100k.htm"
python3 "$top/bench/make_bookmarks.py" "$work/same.htm" --one-title --bookmarks 20000 --folders 1
python3 "$top/bench/make_bookmarks.py" "$work/distinct.htm" --bookmarks 20000 --folders 1
args_import=(--prefix "$prefix" import-favorites --dir 'c:\favorites' --profile 'c:\netscape\default')
args_export=(--prefix "$prefix" export-bookmarks --dir 'c:\export' --profile 'c:\netscape\default')

# The bookmark.htm an import makes, for the floor's save; the favorites an export makes, for its copy.
cp "$work/empty.htm" "$profile/bookmark.htm"
"$varnel" "${args_import[@]}" >/dev/null
cp "$profile/bookmark.htm" "$work/imported.htm"
cp "$work/100k.htm" "$profile/bookmark.htm"
"$varnel" "${args_export[@]}" >/dev/null
mv "$prefix/drive_c/export" "$work/exported"
mkdir "$prefix/drive_c/export"

hyperfine -N --runs "$runs" --export-json "$work/import.json" \
  --prepare "cp $work/empty.htm $profile/bookmark.htm" \
  "$varnel ${args_import[*]@Q}" \
  --prepare "rm -rf $work/copy" \
  "sh -c 'cp -r $prefix/drive_c/favorites $work/copy && $build/floor_safe_save $work/imported.htm'"
import_ms=$(median_ms "$work/import.json" 0); import_floor=$(median_ms "$work/import.json" 1)

hyperfine -N --runs "$runs" --export-json "$work/export.json" \
  --prepare "sh -c 'rm -rf $prefix/drive_c/export && mkdir $prefix/drive_c/export && cp $work/100k.htm $profile/bookmark.htm'" \
  "$varnel ${args_export[*]@Q}" \
  --prepare "rm -rf $work/copy" \
  "cp -r $work/exported $work/copy"
export_ms=$(median_ms "$work/export.json" 0); export_floor=$(median_ms "$work/export.json" 1)

hyperfine -N --runs "$runs" --export-json "$work/copies.json" \
  --prepare "cp $work/same.htm $profile/bookmark.htm" "$varnel ${args_export[*]@Q} --dry-run" \
  --prepare "cp $work/distinct.htm $profile/bookmark.htm" "$varnel ${args_export[*]@Q} --dry-run"
same_ms=$(median_ms "$work/copies.json" 0); distinct_ms=$(median_ms "$work/copies.json" 1)

echo
echo "import-favorites, 10,000 favorites in 200 folders: ${import_ms} ms; cp -r + one save: ${import_floor} ms; ratio $(ratio "$import_ms" "$import_floor") (target <= 3)"
echo "export-bookmarks, 100,000 bookmarks: ${export_ms} ms; cp -r of the result: ${export_floor} ms; ratio $(ratio "$export_ms" "$export_floor") (target <= 2)"
echo "export-bookmarks --dry-run, 20,000 of one title: ${same_ms} ms; of distinct titles: ${distinct_ms} ms; ratio $(ratio "$same_ms" "$distinct_ms") (target <= 2)"
