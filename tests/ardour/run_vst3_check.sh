#!/bin/sh
# Checks the VST 3 bundle in Ardour 7 itself (Debian's `ardour`), headless:
#   tests/ardour/run_vst3_check.sh [path/to/vorn.vst3]   (default build/release/vorn.vst3)
# Ardour's own scanner indexes the bundle, then ardour7-lua runs
# vst3_check.lua with the Dummy backend: the class found, parameters listed,
# a note measured in tune through vorn_pitch_tap.lua, a stepped parameter and
# the plug-in's state kept across saving and reloading the session.
# Everything goes to a temporary folder; the real home is not touched. In
# `make test` as vst3_ardour_scan_tune_and_session_state. Exit status 0 when
# all held.
set -e
here=$(cd "$(dirname "$0")" && pwd)
bundle=${1:-$here/../../build/release/vorn.vst3}
bundle=$(cd "$bundle" && pwd)
[ -d "$bundle/Contents" ] || { echo "no bundle at $bundle" >&2; exit 2; }
. "$here/ardour_home.sh"
ardour_home vorn-ardour-vst3 "$here/vorn_pitch_tap.lua"
mkdir -p "$work/vst3"
ln -s "$bundle" "$work/vst3/vorn.vst3"
export VST3_PATH="$work/vst3"
LD_LIBRARY_PATH="$ardour_lib" "$ardour_lib/ardour-vst3-scanner" -q -f "$work/vst3/vorn.vst3"
VST3_CHECK_DIR="$work/session" ardour7-lua "$here/vst3_check.lua" 2>&1 | tee "$work/output.txt"
grep -q "^RESULT ok" "$work/output.txt"
