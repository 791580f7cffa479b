#!/bin/sh
# Touch automation of Vorn's filter cutoff in Ardour 7 itself (Debian's `ardour`), headless:
#   tests/ardour/run_touch_automation.sh [path/to/vorn.so]     (default build/release/vorn.so)
# Everything Ardour and the plug-in write goes to a temporary folder (its own
# HOME, config, plug-in cache and session); the real home is not touched.
# Not part of `make test`: Ardour is a large install. Exit status 0 when the
# automation list held the gesture. See touch_automation.lua for what it does
# and what it cannot do without Ardour's GUI.
set -e
here=$(cd "$(dirname "$0")" && pwd)
plugin=${1:-$here/../../build/release/vorn.so}
plugin=$(cd "$(dirname "$plugin")" && pwd)/$(basename "$plugin")
[ -f "$plugin" ] || { echo "no plug-in at $plugin" >&2; exit 2; }
command -v ardour7-lua >/dev/null || { echo "ardour7-lua missing: apt-get install ardour" >&2; exit 2; }
ardour_lib=/usr/lib/ardour7

work=$(mktemp -d "${TMPDIR:-/tmp}/vorn-ardour.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/config/ardour7" "$work/home/cache" "$work/vst" "$work/data" "$work/cache"
ln -s "$plugin" "$work/vst/vorn.so"
# The Dummy backend is hidden from Ardour's backend list by default.
cat > "$work/home/config/ardour7/config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
  </Config>
</Ardour>
XML
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_CACHE_HOME="$work/home/cache"
export LXVST_PATH="$work/vst" VST_PATH="$work/vst"
export VORN_DATA_DIR="$work/data" VORN_CACHE_DIR="$work/cache"
# ardour7-lua reads VST 2 plug-ins from Ardour's scan cache only and does not
# scan: Ardour's own scanner indexes the plug-in first, as the GUI would.
LD_LIBRARY_PATH="$ardour_lib" "$ardour_lib/ardour-vst-scanner" -f "$work/vst/vorn.so"
TOUCH_DIR="$work/session" ardour7-lua "$here/touch_automation.lua" 2>&1 | tee "$work/output.txt"
grep -q "^RESULT ok" "$work/output.txt"
