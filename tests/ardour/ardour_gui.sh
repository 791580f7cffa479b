# Sourced by the checks that drive Ardour 7's GUI under Xvfb with xdotool
# (after ardour_home.sh, which sets `work`):
#   gui_tools                       exit 2 unless every tool the checks use is installed
#   gui_display [number]            a private 1600x1000 Xvfb display (a free number
#                                   if none given); exports DISPLAY
#   gui_start_ardour <session.ardour> [log]   Ardour on it; sets ardour_pid
#   gui_first_run_done              what gui_start_ardour does first, for a
#                                   script that starts Ardour its own way
#   gui_main_window                 waits up to two minutes for Ardour's editor
#                                   window, answering Audio/MIDI Setup with
#                                   "None (Dummy)" on the way; sets main to its id
#   gui_open_editor <strip y> <x> <y>  the mixer, a double-click on Vorn in the
#                                   strip's processor box at that height, the plug-in
#                                   window moved to x,y; sets plugwin and editor (our
#                                   762x516 window inside it)
#   gui_cleanup                     ends Ardour and the display (the EXIT trap)
# and the small helpers shot, alive, window_named, geometry, click, log, and
# fail (takes a screenshot and the backtrace from Ardour's log, exits 1).
# The click positions are Ardour's layout on a 1600x1000 screen, read from
# the screenshots.
xvfb_pid= ardour_pid=
shots=${shots:-$work/shots}
step=0

gui_tools() {
  for tool in ardour ardour7-lua Xvfb xdotool xwininfo import python3; do
    command -v $tool >/dev/null || { echo "$tool missing" >&2; exit 2; }
  done
}

gui_cleanup() {
  if [ -n "$ardour_pid" ]; then kill "$ardour_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}

gui_display() {
  mkdir -p "$shots"
  if [ -n "$1" ]; then
    Xvfb ":$1" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$1"
    for i in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && return; sleep 0.1; done
    echo "no X display :$1" >&2
    exit 2
  fi
  Xvfb -displayfd 9 -screen 0 1600x1000x24 -nolisten tcp 9>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for i in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
}

shot() {
  step=$((step + 1))
  import -window root "$shots/$(printf %02d $step)-$1.png" 2>/dev/null || true
}
alive() { kill -0 "$ardour_pid" 2>/dev/null; }
# The first top-level window whose name matches, or nothing.
window_named() { xdotool search --name "$1" 2>/dev/null | head -1; }
# x y w h of a window on the screen.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
                          /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}
click() { xdotool mousemove "$1" "$2" click 1; }
log() { echo "$(date -u +%T) $*"; }
fail() {
  log "STOPPED: $*"
  shot failure
  [ -f "$work/ardour.log" ] && grep -A40 "SIGSEGV\|SIGABRT" "$work/ardour.log" | grep -E "^#|received signal" | head -16
  echo "screenshots: $shots"
  echo "RESULT FAILED"
  exit 1
}

# ".a7", made once the session is, tells Ardour's GUI it has run before, so
# no first-run wizard opens; made earlier, ardour7-lua does not read the
# scanner's cache.
gui_first_run_done() { touch "$work/home/config/ardour7/.a7"; }

gui_start_ardour() {
  gui_first_run_done
  ardour "$1" > "${2:-$work/ardour.log}" 2>&1 &
  ardour_pid=$!
  log "Ardour started on $DISPLAY"
}

# On the way to the editor window Ardour says the I/O device changed (a
# message centred on the screen, OK at its right) and asks for the audio
# system in Audio/MIDI Setup: "None (Dummy)" and Start. The message opens
# centred on the mouse pointer: kept at the screen's centre, its OK is where
# the click below goes.
gui_main_window() {
  main=
  xdotool mousemove 800 500
  for i in $(seq 120); do
    sleep 1
    alive || fail "Ardour exited while starting"
    main=$(window_named " - Ardour$")
    [ -n "$main" ] && break
    setup=$(xdotool search --onlyvisible --name "^Audio/MIDI Setup$" 2>/dev/null | head -1)
    if [ -n "$setup" ]; then
      shot audio-setup
      set -- $(geometry "$setup")
      click $(($1 + 285)) $(($2 + 49)); sleep 1.5      # the Audio System list
      click $(($1 + 269)) $(($2 + 93)); sleep 1.5      # "None (Dummy)"
      shot dummy-chosen
      set -- $(geometry "$setup")
      click $(($1 + $3 - 58)) $(($2 + $4 - 30))          # Start
      sleep 5
    elif [ $((i % 10)) = 9 ]; then
      shot waiting
      click 971 539                                      # OK of the centred message
      xdotool mousemove 800 500
    fi
  done
  [ -n "$main" ] || fail "no Ardour editor window after two minutes"
}

gui_open_editor() {
  click 1326 71; sleep 4
  shot mixer
  xdotool mousemove 331 "$1" click --repeat 2 --delay 80 1
  plugwin=
  for i in $(seq 20); do
    sleep 1
    plugwin=$(window_named "^Vorn: ")
    [ -n "$plugwin" ] && break
  done
  [ -n "$plugwin" ] || fail "the double-click on Vorn opened no plug-in window"
  xdotool windowmove "$plugwin" "$2" "$3"; sleep 2
  editor=$(xwininfo -tree -id "$plugwin" | awk '/762x516\+0\+0/{print $1; exit}')
  [ -n "$editor" ] || fail "no 762x516 editor window inside Ardour's plug-in window"
}
