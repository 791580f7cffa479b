#!/bin/sh
# The main job, run by `make demo`: shows what a host sees of the plug-in,
# renders the factory demo song through it with factory sounds, plays the
# bundled AHX song through its own sequencer, and draws the factory bank's
# contact sheet, the built-in skin, the GUI toolkit's gallery and the editor.
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
echo "== the factory demo song (assets/factory/make_demo_song.py)"
# Two instances, mixed: the band (bass, pad, lead, arpeggio) in one instance
# that follows the program change before each note, so every part shares its
# insert chain, the song's master mDelay and Reverb; the drums in a second
# instance in drum mode, where each key plays its own factory sound.
FACTORY="$BUILD/assets/factory"
STEMS="$BUILD/demo-stems"
mkdir -p "$STEMS"
echo "band, in \"Vorn Demo Band.vornstate\" (program changes pick each part's sound):"
python3 "$ROOT/assets/factory/make_demo_song.py" --parts | while read -r part program; do
  printf '  %-9s program %3d  %s\n' "$part" "$program" "$(awk -F '\t' -v p="$program" '$1 == p { print $2 }' "$FACTORY/sounds.tsv")"
done
echo "drums, in \"Vorn Drum Kit.vornstate\" (drum mode: key k plays program k - 24):"
for key in 36 38 39 42 46 45 47 50 49; do
  printf '  key %2d    program %3d  %s\n' "$key" "$((key - 24))" "$(awk -F '\t' -v p="$((key - 24))" '$1 == p { print $2 }' "$FACTORY/sounds.tsv")"
done
"$BUILD/vorn-render" --plugin "$PLUGIN" --midi "$ROOT/assets/factory/demo_band.mid" --tail 4 \
  --state "$FACTORY/Vorn Demo Band.vornstate" -o "$STEMS/band.wav" | sed -n 's/^realtime/band:  realtime/p'
"$BUILD/vorn-render" --plugin "$PLUGIN" --midi "$ROOT/assets/factory/demo_drums.mid" --tail 4 \
  --state "$FACTORY/Vorn Drum Kit.vornstate" -o "$STEMS/drums.wav" | sed -n 's/^realtime/drums: realtime/p'
sox -m -v 1 "$STEMS/band.wav" -v 0.7 "$STEMS/drums.wav" "$OUT"
sox "$OUT" -n stats 2>&1 | awk '/^Pk lev dB/ { peak = $4 } /^RMS lev dB/ { rms = $4 } /^Length s/ { len = $3 }
  END { printf "mix (band + drums at -3 dB): %.1f s, peak %s dBFS, RMS %s dBFS\n", len, peak, rms }'
echo
echo "== the factory bank's contact sheet (a spectrogram per sound)"
"$ROOT/tools/factory/contact_sheet.sh" "$BUILD" 2>/dev/null
echo
echo "== the bundled song: assets/demo/demo_song.txt as an AHX module, played by the plug-in's own sequencer"
"$BUILD/vorn-ahx" "$ROOT/assets/demo/demo_song.txt" -o "$SONG"
# A little room (Reverb); the song plays at the AHX replayer's own level, its
# rare overs caught by the player's peak guard.
"$BUILD/vorn-render" --plugin "$PLUGIN" --sequence "$SONG" -o "$SONG_OUT" \
  --fx 0=Reverb --fx-param 0:0=0.18
echo
echo "== the built-in skin (every strip, icon and font on one sheet)"
"$BUILD/vorn-preview" "$BUILD"
echo
echo "== the widget gallery of the GUI toolkit, drawn off-screen"
"$BUILD/vorn-gui-demo" --headless --shot "$BUILD/gui-gallery.png"
"$BUILD/vorn-gui-demo" --headless --shot "$BUILD/gui-gallery-menu.png" --open "Route source/CC"
echo
echo "== the plug-in's editor, drawn by vorn.so off-screen while the demo's lead sound plays"
LEAD="$(python3 "$ROOT/assets/factory/make_demo_song.py" --parts | awk '$1 == "lead" { print $2 }')"
for shot in "editor.png 1 global" "editor-2x.png 2 global" "editor-0.75x.png 0.75 global" "editor-route.png 1 route"; do
  set -- $shot
  "$BUILD/vorn-render" --plugin "$PLUGIN" --editor-shot "$BUILD/$1" --scale "$2" --page "$3" \
    --state "$FACTORY/Vorn Demo Band.vornstate" --program "$LEAD" --note 57 --length 0.6
done
echo
echo "== the editor in use, drawn headless by its screenshot checks: a right-click menu open at 0.75, 1 and 2,"
echo "   the Reverb's parameters, the filter mode menu, CC Map > Remove, the Load State confirmation, the"
echo "   display's whole message under the pointer, a colour scheme"
SHOTS="$BUILD/editor-shots"
mkdir -p "$SHOTS"
if "$BUILD/tests/vorn_editor_tests" --gtest_filter='editor_shots.*' --gtest_brief=1 >"$SHOTS/run.log" 2>&1; then
  for f in control-menu-75 control-menu-100 control-menu-200 reverb-100 reverb-200 filter-mode-menu cc-map-remove \
           load-state-confirm display-note colour-blue; do
    echo "  $SHOTS/$f.png"
  done
else
  echo "  the screenshot checks failed: $SHOTS/run.log"
fi

echo
echo "vorn.so: $PLUGIN"
echo "demo:    $OUT"
echo "song:    $SONG_OUT"
echo "bank:    $BUILD/assets/factory/Vorn Factory.vornbank"
echo "sheet:   $BUILD/factory-sheet.png"
echo "skin:    $BUILD/skin-preview.png"
echo "gallery: $BUILD/gui-gallery.png (and gui-gallery-menu.png); vorn-gui-demo opens it in an X11 window"
echo "editor:  $BUILD/editor.png (and editor-2x.png, editor-0.75x.png, editor-route.png)"
echo "in use:  $SHOTS (menus at 0.75, 1 and 2, the Reverb page, a confirmation, the display's note)"
