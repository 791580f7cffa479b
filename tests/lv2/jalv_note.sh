#!/bin/sh
# Debian's jalv runs the LV2 build with its UI under Xvfb on a private dummy
# JACK server, and a MIDI note sent through JACK is heard at its output:
#   jalv_note.sh PLUGIN_BUNDLE [SHOT.png]
# The JACK server (a unique name), the X server (a free display) and every
# client are this script's own and stopped by it; each runs under timeout,
# so a hang cannot outlive the test. Prints what it measured; exit 0 when the
# editor came up and the note sounded at its pitch.
set -u
bundle=$(cd "$1" && pwd)
shot=${2:-}
uri="urn:zelkarn:vorn"
work=$(mktemp -d "${TMPDIR:-/tmp}/vorn-jalv.XXXXXX")
pids=""
cleanup() {
  for p in $pids; do kill "$p" 2>/dev/null; done
  for p in $pids; do wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "jalv: $*"; for f in "$work"/*.log; do echo "--- $f"; tail -n 20 "$f"; done; exit 1; }

mkdir -p "$work/path" "$work/home" "$work/data" "$work/cache"
ln -s "$bundle" "$work/path/vorn.lv2"
export LV2_PATH="$work/path" HOME="$work/home" VORN_DATA_DIR="$work/data/" VORN_CACHE_DIR="$work/cache/"
export JACK_DEFAULT_SERVER="vorn-lv2-test-$$" JACK_NO_AUDIO_RESERVATION=1

timeout 90 jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
pids="$! $pids"
jack_wait -w -t 15 >/dev/null 2>&1 || fail "the dummy JACK server did not start"

# A free display: Xvfb picks it and writes its number to the pipe.
mkfifo "$work/display"
timeout 90 Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids="$! $pids"
display=$(timeout 15 head -n 1 "$work/display") || fail "Xvfb did not start"
export DISPLAY=":$display"

# A sine voice with a gate envelope, so the pitch can be read off the output.
timeout 60 stdbuf -oL jalv.gtk3 -n vorn-jalv -c osc_a_waveform=0.8 -c osc_b_level=0 -c volume_env=0 "$uri" \
  >"$work/jalv.log" 2>&1 &
pids="$! $pids"
ready=""
for i in $(seq 1 100); do
  if jack_lsp 2>/dev/null | grep -q "^vorn-jalv:out_right$"; then ready=1; break; fi
  sleep 0.2
done
[ -n "$ready" ] || fail "jalv showed no ports"
grep -q "UI: *$uri#ui" "$work/jalv.log" || fail "jalv did not take the plug-in's UI"

# A4 held for 23000 of every 24000 frames, looped, into the event input.
timeout 30 jack_midiseq vorn-seq 24000 0 69 23000 >"$work/seq.log" 2>&1 &
pids="$! $pids"
for i in $(seq 1 50); do jack_lsp 2>/dev/null | grep -q "^vorn-seq:out$" && break; sleep 0.1; done
jack_connect vorn-seq:out vorn-jalv:events || fail "cannot connect the MIDI source"
timeout 20 jack_rec -f "$work/out.wav" -d 3 vorn-jalv:out_left vorn-jalv:out_right >"$work/rec.log" 2>&1 ||
  fail "jack_rec did not record"
if [ -n "$shot" ]; then import -window root "$shot" 2>/dev/null || true; fi
windows=$(xdotool search --onlyvisible --name "Vorn" 2>/dev/null | wc -l)
[ "$windows" -ge 1 ] || fail "no window named Vorn on the display"

stats=$(sox "$work/out.wav" -n remix 1 stat 2>&1)
rms=$(echo "$stats" | sed -n 's/^RMS *amplitude: *//p')
freq=$(echo "$stats" | sed -n 's/^Rough *frequency: *//p')
echo "jalv: editor window up, output RMS $rms, rough frequency $freq Hz over 3 s of a looped A4 (440 Hz)"
awk -v r="$rms" 'BEGIN { exit !(r > 0.005) }' || fail "the note was not heard"
# Zero crossings over the gaps between the notes read a little low.
awk -v f="$freq" 'BEGIN { exit !(f > 380 && f < 460) }' || fail "the note is not at its pitch"
exit 0
