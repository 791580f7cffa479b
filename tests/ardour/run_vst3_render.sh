#!/bin/sh
# Vorn as a VST 3 instrument in Ardour 7 itself (Debian's `ardour`), headless:
# a MIDI region played in tune and automation of a stepped and a continuous
# parameter without clicks, measured on what the track produced (see
# vst3_render.lua).
#   tests/ardour/run_vst3_render.sh [path/to/vorn.vst3]   (default build/release/vorn.vst3)
# Everything goes to a temporary folder; the real home is not touched. Exit
# status 0 when every check held.
set -e
here=$(cd "$(dirname "$0")" && pwd)
bundle=${1:-$here/../../build/release/vorn.vst3}
bundle=$(cd "$bundle" && pwd)
[ -d "$bundle/Contents" ] || { echo "no bundle at $bundle" >&2; exit 2; }
. "$here/ardour_home.sh"
ardour_home vorn-ardour-vst3-render "$here/vorn_capture_tap.lua"
mkdir -p "$work/vst3"
ln -s "$bundle" "$work/vst3/vorn.vst3"
export VST3_PATH="$work/vst3"
LD_LIBRARY_PATH="$ardour_lib" "$ardour_lib/ardour-vst3-scanner" -q -f "$work/vst3/vorn.vst3"
VST3_RENDER_DIR="$work/session" timeout 240 ardour7-lua "$here/vst3_render.lua" >"$work/output.txt" 2>&1 || true
grep -v "^\[WARNING\]\|^\[INFO\]\|^lua/\|^Butler\|^DummyMidiBuffer" "$work/output.txt"
grep -q "^RESULT ok" "$work/output.txt"
