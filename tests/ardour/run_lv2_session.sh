#!/bin/sh
# The LV2 build in Ardour 7 (Debian's `ardour`), headless: A4 played through
# it measures 440 Hz, and a session saved with a factory sound that has two
# insert effects and a moved port reopens with the same state bytes (see
# lv2_session.lua).
#   tests/ardour/run_lv2_session.sh [path/to/vorn.lv2 [path/to/vorn-presets.lv2]]
# Everything Ardour and the plug-in write goes to a temporary folder (its own
# HOME, config, caches and session). Exit status 0 when the plug-in's state
# after the reopening is byte for byte the one first saved.
set -e
here=$(cd "$(dirname "$0")" && pwd)
bundle=$(cd "${1:-$here/../../build/release/vorn.lv2}" && pwd)
presets=$(cd "${2:-$(dirname "$bundle")/vorn-presets.lv2}" && pwd)
[ -f "$bundle/vorn_lv2.so" ] || { echo "no plug-in in $bundle" >&2; exit 2; }
. "$here/ardour_home.sh"
ardour_home vorn-ardour-lv2 "$here/pitch_probe.lua"
mkdir -p "$work/lv2"
ln -s "$bundle" "$work/lv2/vorn.lv2"
ln -s "$presets" "$work/lv2/vorn-presets.lv2"
export LV2_PATH="$work/lv2"
LV2_SESSION_DIR="$work/session" timeout 300 ardour7-lua "$here/lv2_session.lua" >"$work/output.txt" 2>&1 || true
grep -v "^\[WARNING\]\|^\[INFO\]" "$work/output.txt"
grep -q "^RESULT ok" "$work/output.txt"

# Ardour keeps each distinct plug-in state in plugins/<id>/state<N>/state.ttl
# and writes a new one only when the state changed: after the second save
# each plug-in (the Tone and the Synth track's) must have one, or, if more,
# the same bytes in all.
python3 - "$work/session" <<'PY'
import base64, collections, glob, os, re, sys
states = collections.defaultdict(list)
for f in sorted(glob.glob(sys.argv[1] + "/plugins/*/state*/state.ttl")):
    m = re.search(r'"+([A-Za-z0-9+/=\s]+)"+\^\^(?:xsd:|<http://www\.w3\.org/2001/XMLSchema#)base64Binary',
                  open(f).read())
    if m:
        plugin = os.path.basename(os.path.dirname(os.path.dirname(f)))
        states[plugin].append(base64.b64decode("".join(m.group(1).split())))
if not states:
    for f in glob.glob(sys.argv[1] + "/plugins/*/state*/state.ttl")[:1]:
        print(open(f).read()[:600])
    sys.exit("no saved state holds the plug-in's bytes")
for plugin, saved in sorted(states.items()):
    print("plug-in %s: %d saved state(s) of %s bytes" % (plugin, len(saved), [len(s) for s in saved]))
    if any(s != saved[0] for s in saved[1:]):
        sys.exit("plug-in %s: the state saved after the reopening differs from the first" % plugin)
print("the reopened session saved the same state bytes")
PY
