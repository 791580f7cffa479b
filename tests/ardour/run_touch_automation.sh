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
. "$here/ardour_home.sh"
ardour_home vorn-ardour
ardour_vst2 "$plugin"
TOUCH_DIR="$work/session" ardour7-lua "$here/touch_automation.lua" 2>&1 | tee "$work/output.txt"
grep -q "^RESULT ok" "$work/output.txt"
