#!/usr/bin/env bash
# The default-browser switch while Wine runs in the prefix, beside its floor: one
# `wine regedit /S` of the same 18-value file the switch imports. The switch imports that file
# and reads every value back in one more Wine program, so its target is 2 x the floor.
# Run by hand after a build with the benchmarks (VARNEL_BUILD_BENCHMARKS=ON):
#   bench/wine_switch.sh BUILD_DIR [RUNS]. Needs wine and hyperfine.
set -euo pipefail
build=$(cd "${1:?usage: bench/wine_switch.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-7}
work=$(mktemp -d -p "${TMPDIR:-/var/tmp}")
export WINEPREFIX=$work/prefix WINEDEBUG=-all DISPLAY=
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
varnel=$build/varnel

median_ms() {
  python3 -c "import json,statistics,sys; r=json.load(open(sys.argv[1]))['results'][int(sys.argv[2])]; print(f\"{statistics.median(r['times'])*1000:.0f}\")" "$@"
}

wineboot -i >/dev/null 2>&1
wineserver -w
mkdir -p "$WINEPREFIX/drive_c/Program Files/Netscape" "$WINEPREFIX/drive_c/Program Files/Internet Explorer"
# The directories are set while Wine is stopped: a value written through a running Wine reaches
# the hive files, which a new varnel reads, only when Wine saves them.
"$varnel" --prefix "$WINEPREFIX" settings NetPath 'c:\program files\netscape' >/dev/null
"$varnel" --prefix "$WINEPREFIX" settings IEPath 'c:\program files\Internet Explorer' >/dev/null
(wineserver -p &)
until "$varnel" --prefix "$WINEPREFIX" default-browser ie 2>&1 | grep -q 'through Wine'; do sleep 0.2; done
"$build/switch_regedit_file" ie 'c:\program files\Internet Explorer' "$WINEPREFIX/drive_c/windows/temp/switch.reg"

hyperfine -N --warmup 1 --runs "$runs" --export-json "$work/switch.json" \
  "wine regedit /S C:\\windows\\temp\\switch.reg" \
  --prepare "$varnel --prefix $WINEPREFIX default-browser netscape" "$varnel --prefix $WINEPREFIX default-browser ie" \
  >/dev/null
floor=$(median_ms "$work/switch.json" 0)
switch=$(median_ms "$work/switch.json" 1)
echo "== the 18-value switch with a wineserver running, medians of $runs"
echo "wine regedit /S of the switch's file: $floor ms"
echo "varnel default-browser ie:            $switch ms ($(python3 -c "print(f'{$switch/$floor:.2f}')") x; target 2 x)"
