#!/usr/bin/env bash
# The registry benchmarks, side by side in one run, on a temporary copy of a prefix holding the
# corpus system.reg, then on a synthetic 20 MB hive (bench/make_hive.py: many programs installed):
#   - `varnel --version`: the fixed cost of starting the program;
#   - floor_find_key: a process that reads the hive and finds the key's line by scanning;
#   - the read-only commands `default-browser` and `settings NetPath`;
#   - floor_safe_save: a process that copies the hive with an fsync and renames it over itself;
#   - the 18-value switch `default-browser netscape` after `ie` and back (each timed run switches);
#   - peak memory of `default-browser` above the same command on empty hives.
# Run by hand after a command-line-only build (VARNEL_BUILD_UI=OFF, VARNEL_BUILD_BENCHMARKS=ON):
#   bench/registry.sh BUILD_DIR [RUNS]. Needs hyperfine and /usr/bin/time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: bench/registry.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-11}
work=$(mktemp -d -p "${TMPDIR:-/var/tmp}")
trap 'rm -rf "$work"' EXIT
varnel=$build/varnel
corpus=$top/testdata/wine-prefix

median_ms() {  # the median of hyperfine's runs for command N of its JSON export
  python3 -c "import json,statistics,sys; r=json.load(open(sys.argv[1]))['results'][int(sys.argv[2])]; print(f\"{statistics.median(r['times'])*1000:.1f}\")" "$@"
}
ratio() { python3 -c "import sys; print(f'{float(sys.argv[1])/float(sys.argv[2]):.2f}')" "$1" "$2"; }
peak_kb() {  # the median peak resident size of five runs, in kB
  for _ in 1 2 3 4 5; do /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; done | sort -n | sed -n 3p
}

# A prefix laid out by Varnel itself, with the given system.reg and the corpus user.reg, both
# browsers set up and switched to once, so that both read-only commands find their key.
make_prefix() {
  local prefix=$1 system=$2
  "$varnel" --prefix "$prefix" settings >/dev/null 2>&1
  cp "$system" "$prefix/system.reg"
  cp "$corpus/user.reg" "$prefix/user.reg"
  chmod u+w "$prefix"/*.reg
  mkdir -p "$prefix/drive_c/Program Files/Netscape/Users/default" "$prefix/drive_c/Program Files/Internet Explorer"
  "$varnel" --prefix "$prefix" settings NetPath 'c:\program files\netscape' >/dev/null
  "$varnel" --prefix "$prefix" settings IEPath 'c:\program files\Internet Explorer' >/dev/null
  "$varnel" --prefix "$prefix" default-browser ie >/dev/null
}

empty=$work/empty
"$varnel" --prefix "$empty" settings >/dev/null 2>&1
printf 'WINE REGISTRY Version 2\n;; All keys relative to \\\\Registry\\\\Machine\n' > "$empty/system.reg"
printf 'WINE REGISTRY Version 2\n;; All keys relative to \\\\Registry\\\\User\\\\S-1-5-21-0-0-0-1000\n' > "$empty/user.reg"
empty_kb=$(peak_kb "$varnel" --prefix "$empty" default-browser)

python3 "$top/bench/make_hive.py" "$corpus/system.reg" "$work/synthetic.reg"

for kind in corpus synthetic; do
  prefix=$work/$kind
  if [ "$kind" = corpus ]; then make_prefix "$prefix" "$corpus/system.reg"; else make_prefix "$prefix" "$work/synthetic.reg"; fi
  hive=$prefix/system.reg
  bytes=$(( $(stat -c %s "$hive") + $(stat -c %s "$prefix/user.reg") ))
  hyperfine -N --warmup 2 --runs "$runs" --export-json "$work/$kind.json" \
    "$varnel --version" \
    "$build/floor_find_key $hive [Software\\\\\\\\Classes\\\\\\\\http\\\\\\\\shell\\\\\\\\open\\\\\\\\ddeexec\\\\\\\\application] @=" \
    "$varnel --prefix $prefix default-browser" \
    "$build/floor_find_key $hive [Software\\\\\\\\Varnel\\\\\\\\NetPath] @=" \
    "$varnel --prefix $prefix settings NetPath" \
    "$build/floor_safe_save $hive" >/dev/null
  hyperfine -N --runs "$runs" --export-json "$work/$kind-switch.json" \
    --prepare "$varnel --prefix $prefix default-browser ie" "$varnel --prefix $prefix default-browser netscape" \
    --prepare "$varnel --prefix $prefix default-browser netscape" "$varnel --prefix $prefix default-browser ie" >/dev/null
  version=$(median_ms "$work/$kind.json" 0)
  floor_browser=$(median_ms "$work/$kind.json" 1); browser=$(median_ms "$work/$kind.json" 2)
  floor_setting=$(median_ms "$work/$kind.json" 3); setting=$(median_ms "$work/$kind.json" 4)
  floor_save=$(median_ms "$work/$kind.json" 5)
  to_netscape=$(median_ms "$work/$kind-switch.json" 0); to_ie=$(median_ms "$work/$kind-switch.json" 1)
  kb=$(peak_kb "$varnel" --prefix "$prefix" default-browser)
  echo "== $kind: system.reg $(( $(stat -c %s "$hive") / 1000 )) kB + user.reg, medians of $runs"
  echo "varnel --version:             $version ms"
  echo "default-browser:              $browser ms; find-key floor $floor_browser ms; target 3 x floor + --version = $(python3 -c "print(f'{3*$floor_browser+$version:.1f}')") ms"
  echo "settings NetPath:             $setting ms; find-key floor $floor_setting ms; target 3 x floor + --version = $(python3 -c "print(f'{3*$floor_setting+$version:.1f}')") ms"
  echo "switch to netscape / to ie:   $to_netscape / $to_ie ms; safe-save floor $floor_save ms ($(ratio "$to_netscape" "$floor_save") / $(ratio "$to_ie" "$floor_save") x; target 2 x)"
  echo "peak memory of default-browser: $kb kB, $((kb - empty_kb)) kB above empty hives ($empty_kb kB) = $(python3 -c "print(f'{($kb-$empty_kb)*1024/$bytes:.2f}')") x the hive files' $((bytes / 1000)) kB (target 1.5 x)"
done
