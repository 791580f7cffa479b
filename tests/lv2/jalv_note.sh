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
# Clients first, the servers last (pids lists the newest first); a client
# cut off from its server may ignore SIGTERM, so timeout -k kills it.
cleanup() {
  for p in $pids; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "jalv: $*"; for f in "$work"/*.log; do echo "--- $f"; tail -n 20 "$f"; done; exit 1; }

mkdir -p "$work/path" "$work/home" "$work/data" "$work/cache"
ln -s "$bundle" "$work/path/vorn.lv2"
export LV2_PATH="$work/path" HOME="$work/home" VORN_DATA_DIR="$work/data/" VORN_CACHE_DIR="$work/cache/"
export JACK_DEFAULT_SERVER="vorn-lv2-test-$$" JACK_NO_AUDIO_RESERVATION=1

timeout -k 5 90 jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
pids="$! $pids"
jack_wait -w -t 15 >/dev/null 2>&1 || fail "the dummy JACK server did not start"

# A free display: Xvfb picks it and writes its number to the pipe.
mkfifo "$work/display"
timeout -k 5 90 Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids="$! $pids"
display=$(timeout 15 head -n 1 "$work/display") || fail "Xvfb did not start"
export DISPLAY=":$display"

# A sine voice with a gate envelope, so the pitch can be read off the output.
timeout -k 5 60 stdbuf -oL jalv.gtk3 -n vorn-jalv -c osc_a_waveform=0.8 -c osc_b_level=0 -c volume_env=0 "$uri" \
  >"$work/jalv.log" 2>&1 &
pids="$! $pids"
ready=""
for i in $(seq 1 100); do
  if jack_lsp 2>/dev/null | grep -q "^vorn-jalv:out_right$"; then ready=1; break; fi
  sleep 0.2
done
[ -n "$ready" ] || fail "jalv showed no ports"
grep -q "UI: *$uri#ui" "$work/jalv.log" || fail "jalv did not take the plug-in's UI"

# A4 held for 90000 of every 96000 frames (2 s), looped, into the event input.
timeout -k 5 30 jack_midiseq vorn-seq 96000 0 69 90000 >"$work/seq.log" 2>&1 &
pids="$! $pids"
for i in $(seq 1 50); do jack_lsp 2>/dev/null | grep -q "^vorn-seq:out$" && break; sleep 0.1; done
jack_connect vorn-seq:out vorn-jalv:events || fail "cannot connect the MIDI source"
timeout -k 5 20 jack_rec -f "$work/out.wav" -d 4 vorn-jalv:out_left vorn-jalv:out_right >"$work/rec.log" 2>&1 ||
  fail "jack_rec did not record"
if [ -n "$shot" ]; then import -window root "$shot" 2>/dev/null || true; fi
windows=$(xdotool search --onlyvisible --name "Vorn" 2>/dev/null | wc -l)
[ "$windows" -ge 1 ] || fail "no window named Vorn on the display"

# The pitch: upward zero crossings, interpolated, inside the longest
# stretch where the note sounds (the recording starts anywhere in the loop).
measure=$(python3 - "$work/out.wav" <<'PY'
import array, math, sys, wave
w = wave.open(sys.argv[1])
width, channels, rate = w.getsampwidth(), w.getnchannels(), w.getframerate()
raw = w.readframes(w.getnframes())
if width == 2:
    x = array.array("h", raw)[::channels]; scale = 32768.0
elif width == 4:
    x = array.array("i", raw)[::channels]; scale = 2147483648.0
else:
    x = [int.from_bytes(raw[i:i + 3], "little", signed=True) for i in range(0, len(raw), 3 * channels)]; scale = 8388608.0
x = [v / scale for v in x]
rms = math.sqrt(sum(v * v for v in x) / max(1, len(x)))
# 10 ms windows that sound; the longest run of them.
win = rate // 100
loud = [max(abs(v) for v in x[i:i + win]) > 0.01 for i in range(0, len(x) - win, win)]
best, start, run_start = (0, 0), 0, None
for i, on in enumerate(loud + [False]):
    if on and run_start is None: run_start = i
    if not on and run_start is not None:
        if i - run_start > best[0]: best = (i - run_start, run_start)
        run_start = None
n, first = best
lo, hi = (first + 5) * win, (first + n - 5) * win  # clear of the note's start and end
cross = [i - 1 + x[i - 1] / (x[i - 1] - x[i]) for i in range(lo + 1, hi) if x[i - 1] < 0 <= x[i]]
hz = (len(cross) - 1) * rate / (cross[-1] - cross[0]) if len(cross) > 2 else 0.0
print("%.6f %.3f %.3f" % (rms, hz, (hi - lo) / rate))
PY
) || fail "cannot read the recording"
set -- $measure
echo "jalv: editor window up, output RMS $1, A4 measures $2 Hz over $3 s of one held note"
awk -v r="$1" 'BEGIN { exit !(r > 0.005) }' || fail "the note was not heard"
awk -v f="$2" 'BEGIN { c = 1200 * log(f / 440) / log(2); exit !(c > -5 && c < 5) }' || fail "the note is not at its pitch"
exit 0
