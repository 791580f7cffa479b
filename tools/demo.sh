#!/bin/sh
# The main job on built-in defaults, run by `make demo`: shows what a host sees
# of the plug-in, then renders the bundled MIDI demo and the bundled AHX song
# through it.
set -e
BUILD="${1:-build/release}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$(cd "$BUILD" && pwd)"
PLUGIN="$BUILD/vorn.so"
OUT="$BUILD/demo.wav"
SONG="$BUILD/demo_song.ahx"
SONG_OUT="$BUILD/demo_song.wav"

echo "== what a host sees (vorn-render --info; the 128 program names are left out here)"
INFO="$(mktemp)"
trap 'rm -f "$INFO"' EXIT
"$BUILD/vorn-render" --info "$PLUGIN" >"$INFO"
sed '/^programs (/q' "$INFO" | sed '$d'
sed -n '/^parameters (/,$p' "$INFO"

echo
echo "== rendering assets/demo/demo.mid"
"$BUILD/vorn-render" --plugin "$PLUGIN" --midi "$ROOT/assets/demo/demo.mid" -o "$OUT"
echo
echo "== the bundled song: assets/demo/demo_song.txt as an AHX module, played by the plug-in's own sequencer"
"$BUILD/vorn-ahx" "$ROOT/assets/demo/demo_song.txt" -o "$SONG"
# A little room (Reverb) and a limiter making up the level AHX instruments
# play at (their full volume sits 12 dB below the init preset's).
"$BUILD/vorn-render" --plugin "$PLUGIN" --sequence "$SONG" -o "$SONG_OUT" \
  --fx 0=Reverb --fx-param 0:0=0.18 --fx 1=Limiter --fx-param 1:3=0.9 --fx-param 1:5=0.375
echo
echo "== the built-in skin (every strip, icon and font on one sheet)"
"$BUILD/vorn-preview" "$BUILD"
echo
echo "== the widget gallery of the GUI toolkit, drawn off-screen"
"$BUILD/vorn-gui-demo" --headless --shot "$BUILD/gui-gallery.png"
"$BUILD/vorn-gui-demo" --headless --shot "$BUILD/gui-gallery-menu.png" --open "Route source/CC"
echo
echo "vorn.so: $PLUGIN"
echo "demo:    $OUT"
echo "song:    $SONG_OUT"
echo "skin:    $BUILD/skin-preview.png"
echo "gallery: $BUILD/gui-gallery.png (and gui-gallery-menu.png); vorn-gui-demo opens it in an X11 window"
