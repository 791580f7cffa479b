#!/bin/sh
# Vorn's editor in Ardour 7's own plug-in window (Debian's `ardour`), the
# VST 3 build, under a private Xvfb display with the Dummy backend:
#   tests/ardour/run_vst3_window.sh [path/to/vorn.vst3]     (default build/release/vorn.vst3)
# As a musician would, with the mouse through xdotool: open the mixer,
# double-click Vorn in the track's strip, and in the plug-in window Ardour
# opens choose View > Size > 1.25X in Vorn's editor, then View > Size >
# Original. Checked (xwininfo): our editor (762x516) sits inside Ardour's
# window under its toolbar; after 1.25X it is 952x645 and Ardour's window
# has grown by as much; after Original both are back at their first size.
# A screenshot of each step is kept.
#
# Environment:
#   VST3_WINDOW_SHOTS    the folder for the screenshots (default: the temporary folder)
#   VST3_WINDOW_DISPLAY  the X display number to use (default: a free one)
# Not part of `make test` (a minute or two). Exit status 0 when every check held.
set -e
here=$(cd "$(dirname "$0")" && pwd)
bundle=${1:-$here/../../build/release/vorn.vst3}
bundle=$(cd "$bundle" && pwd)
[ -d "$bundle/Contents" ] || { echo "no bundle at $bundle" >&2; exit 2; }
. "$here/ardour_home.sh"
ardour_home vorn-vst3-window
shots=${VST3_WINDOW_SHOTS:-}
. "$here/ardour_gui.sh"
gui_tools
trap gui_cleanup EXIT
mkdir -p "$work/vst3"
ln -s "$bundle" "$work/vst3/vorn.vst3"
export VST3_PATH="$work/vst3"
LD_LIBRARY_PATH="$ardour_lib" "$ardour_lib/ardour-vst3-scanner" -q -f "$work/vst3/vorn.vst3"
VST3_WINDOW_DIR="$work/session" ardour7-lua "$here/vst3_window_session.lua" > "$work/session.txt" 2>&1 || true
grep -q "^SESSION ok" "$work/session.txt" || { cat "$work/session.txt"; exit 1; }

gui_display ${VST3_WINDOW_DISPLAY:-}
gui_start_ardour "$work/session/vst3_window.ardour"
gui_main_window
sleep 5
shot session-open
log "session open"

# Vorn's editor from the mixer strip, moved clear of it with room to grow.
gui_open_editor 187 620 300
shot editor-open
before=$(geometry "$plugwin")
log "Ardour's plug-in window $plugwin (x y w h): $before; Vorn's editor $editor: $(geometry "$editor")"

# View > Size > 1.25X: the View button at (628, 17) in the editor, the menu
# below it with Size second, the sizes to the left of it with 1.25X third.
set -- $(geometry "$editor")
click $(($1 + 628)) $(($2 + 17)); sleep 1.5
shot view-menu
click $(($1 + 640)) $(($2 + 50)); sleep 1.5
shot size-menu
click $(($1 + 560)) $(($2 + 78)); sleep 3
alive || fail "Ardour died when the editor asked for 1.25X"
shot resized
after=$(geometry "$plugwin") editor_after=$(geometry "$editor")
log "after View > Size > 1.25X: Ardour's plug-in window $after; Vorn's editor $editor_after"

# And back: View > Size > Original, everything at 1.25 times the place.
set -- $(geometry "$editor")
click $(($1 + 785)) $(($2 + 21)); sleep 1.5
click $(($1 + 800)) $(($2 + 62)); sleep 1.5
shot size-menu-large
click $(($1 + 700)) $(($2 + 80)); sleep 3
alive || fail "Ardour died when the editor asked for its original size"
shot back
back=$(geometry "$plugwin")
log "after View > Size > Original: Ardour's plug-in window $back; Vorn's editor $(geometry "$editor")"

failures=0
check() {
  if [ "$1" = "$2" ]; then echo "  ok: $3 ($1)"; else echo "  FAILED: $3 (is $1, not $2)"; failures=$((failures + 1)); fi
}
size() { echo "$3x$4"; }
set -- $before
w0=$3 h0=$4
check "$(size $editor_after)" 952x645 "Vorn's editor at 1.25X"
check "$(size $(geometry "$editor"))" 762x516 "Vorn's editor back at its original size"
check "$(size $after)" "$((w0 + 952 - 762))x$((h0 + 645 - 516))" "Ardour's plug-in window grew with the editor to 1.25X"
check "$(size $back)" "${w0}x$h0" "Ardour's plug-in window shrank with it back to the original"
echo "screenshots: $shots"
if [ $failures = 0 ]; then echo "RESULT ok"; else echo "RESULT FAILED $failures"; exit 1; fi
