#!/usr/bin/env bash
# Times start-up to the shown main window, side by side with a minimal Qt Widgets program that
# shows one label, on a prefix holding the corpus system.reg. Run by hand after a build:
#   bench/startup.sh [BUILD_DIR] [ROUNDS]
# Needs xvfb-run and xev (x11-utils). Prints the median of each, in milliseconds.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
rounds=${2:-15}
[ -z "${DISPLAY:-}" ] && exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$rounds"

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$build/varnel" --prefix "$prefix" settings >/dev/null 2>&1 || true
HOME=$prefix/home XDG_DATA_HOME=$prefix/data "$build/varnel" settings >/dev/null
own=$prefix/data/varnel/prefix
cp "$top/testdata/wine-prefix/system.reg" "$top/testdata/wine-prefix/user.reg" "$own/"
chmod u+w "$own"/*.reg
mkdir -p "$own/drive_c/Program Files/Netscape/Users/default" "$own/drive_c/Program Files/Internet Explorer"
"$build/varnel" --prefix "$own" settings NetPath 'c:\program files\netscape'
"$build/varnel" --prefix "$own" settings IEPath 'c:\program files\Internet Explorer'

# Milliseconds from start until the program's first window is mapped, as the X server reports
# it to a watcher (xev) that listens before the program starts: no polling competes with the
# program for the two cores.
time_to_window() {
  local events start end
  events=$(mktemp -u)
  mkfifo "$events"
  xev -root -event substructure > "$events" &
  local watcher=$!
  exec 3< "$events"
  sleep 0.3  # the watcher is listening
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 &
  local pid=$!
  local line
  while read -r -t 10 line <&3; do
    case $line in MapNotify*) break ;; esac
  done
  end=$(date +%s%N)
  kill "$pid" "$watcher" 2>/dev/null; wait "$pid" "$watcher" 2>/dev/null || true
  exec 3<&-
  rm -f "$events"
  echo $(( (end - start) / 1000000 ))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# The two programs take turns, so that a slower or faster spell of the machine meets both.
for _ in $(seq "$rounds"); do
  time_to_window "$build/bench_minimal_label" >> "$prefix/label.all"
  time_to_window "$build/varnel" --prefix "$own" >> "$prefix/varnel.all"
done
median < "$prefix/label.all" > "$prefix/label"
median < "$prefix/varnel.all" > "$prefix/varnel"
echo "minimal Qt label program: $(cat "$prefix/label") ms (median of $rounds)"
echo "Varnel main window:       $(cat "$prefix/varnel") ms (median of $rounds)"
python3 -c "import sys; print(f'ratio: {int(sys.argv[1]) / int(sys.argv[2]):.2f} (target 1.1)')" "$(cat "$prefix/varnel")" "$(cat "$prefix/label")"
