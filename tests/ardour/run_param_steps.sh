#!/bin/sh
# Checks the stepped parameters in Ardour 7 itself (Debian's `ardour`), headless:
#   tests/ardour/run_param_steps.sh [path/to/vorn.so]     (default build/release/vorn.so)
# Everything Ardour and the plug-in write goes to a temporary folder (its own
# HOME, config, plug-in cache and session); the real home is not touched.
# Not part of `make test`: Ardour is a large install. Exit status 0 when
# every read was valid. See param_steps.lua for what is stepped and checked.
set -e
here=$(cd "$(dirname "$0")" && pwd)
plugin=${1:-$here/../../build/release/vorn.so}
plugin=$(cd "$(dirname "$plugin")" && pwd)/$(basename "$plugin")
[ -f "$plugin" ] || { echo "no plug-in at $plugin" >&2; exit 2; }
. "$here/ardour_home.sh"
ardour_home vorn-ardour
ardour_vst2 "$plugin"
PARAM_STEPS_DIR="$work/session" ardour7-lua "$here/param_steps.lua" 2>&1 | tee "$work/output.txt"
grep -q "^RESULT ok" "$work/output.txt"
