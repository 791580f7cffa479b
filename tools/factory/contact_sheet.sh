#!/bin/sh
# The factory bank's contact sheet: every sound played with the audition
# phrase (assets/factory/phrase.mid) through vorn-render, its spectrogram drawn
# by sox, all of them tiled by ImageMagick's montage into one picture. Drums
# play in the drum kit's drum mode, the phrase's rhythm on their own key.
#   tools/factory/contact_sheet.sh [BUILD] [SLOT...]
# writes BUILD/factory-sheet.png, and BUILD/factory-sheet/NNN.wav and .png
# per sound; with slots given, only those sounds (and no tiled sheet).
set -e
BUILD="${1:-build/release}"
[ $# -gt 0 ] && shift
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
BUILD="$(cd "$BUILD" && pwd)"
FACTORY="$BUILD/assets/factory"
OUT="$BUILD/factory-sheet"
PHRASE="$ROOT/assets/factory/phrase.mid"
mkdir -p "$OUT"

wanted() {
  [ -z "$ONLY" ] && return 0
  for s in $ONLY; do [ "$s" -eq "$1" ] && return 0; done
  return 1
}
ONLY="$*"

tail -n +2 "$FACTORY/sounds.tsv" | while IFS="$(printf '\t')" read -r slot name category state; do
  wanted "$slot" || continue
  n="$(printf '%03d' "$slot")"
  if [ -n "$state" ]; then source="--state"; file="$FACTORY/$state"
  else source="--bank"; file="$FACTORY/Vorn Factory.vornbank"; fi
  midi="$PHRASE"
  if [ "$category" = Drums ]; then
    midi="$OUT/$n.mid"
    python3 "$ROOT/assets/factory/make_phrase_mid.py" --key "$((slot + 24))" "$midi"
  fi
  "$BUILD/vorn-render" --midi "$midi" --tail 2.5 "$source" "$file" --program "$slot" -o "$OUT/$n.wav" >/dev/null
  sox "$OUT/$n.wav" -n remix - rate 22050 spectrogram -x 480 -y 180 -z 100 -t "$n $name ($category)" -c "" -o "$OUT/$n.png"
done

if [ -z "$ONLY" ]; then
  montage "$OUT"/[0-9][0-9][0-9].png -tile 5x -geometry +4+4 -background '#202020' "$BUILD/factory-sheet.png"
  echo "contact sheet: $BUILD/factory-sheet.png"
fi
