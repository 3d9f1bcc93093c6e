#!/usr/bin/env bash
# Times start-up to the shown main window, side by side with a minimal Qt Widgets program that
# shows one label, on a prefix holding the corpus system.reg. Run by hand after a build:
#   bench/startup.sh [BUILD_DIR] [ROUNDS]
# Needs xvfb-run and xdotool. Prints the median of each, in milliseconds.
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

# Milliseconds from start until a visible window with the title appears.
time_to_window() {
  local title=$1; shift
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 &
  local pid=$!
  until xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; do
    # A program that could not reach the X server (Xvfb refuses a connection now and then
    # under this polling) is left out of the round instead of being waited for forever.
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid" 2>/dev/null || true; return 0; fi
    sleep 0.005
  done
  end=$(date +%s%N)
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
  echo $(( (end - start) / 1000000 ))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# The two programs take turns, so that a slower or faster spell of the machine meets both.
for _ in $(seq "$rounds"); do
  time_to_window "Minimal Qt label" "$build/bench_minimal_label" >> "$prefix/label.all"
  time_to_window "Browser Information and Clear MRU" "$build/varnel" --prefix "$own" >> "$prefix/varnel.all"
done
median < "$prefix/label.all" > "$prefix/label"
median < "$prefix/varnel.all" > "$prefix/varnel"
echo "minimal Qt label program: $(cat "$prefix/label") ms (median of $rounds)"
echo "Varnel main window:       $(cat "$prefix/varnel") ms (median of $rounds)"
