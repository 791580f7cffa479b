#!/bin/sh
# Runs a Windows program that opens windows under Wine, with a private Xvfb
# as Wine's display: wine_gui_run.sh PREFIX PROGRAM [ARGS...].
# Exits 77 (a skip for ctest) with the reason when no X server can start.
# The Xvfb started here is stopped here, by its process id.
set -u
prefix=$1
shift
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "windows.gui skipped: Xvfb is not installed (Debian package xvfb)"
  exit 77
fi
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb=$!
display=$(timeout 10 head -n 1 "$fifo")
rm -f "$fifo"
if [ -z "$display" ]; then
  kill "$xvfb" 2>/dev/null
  echo "windows.gui skipped: Xvfb did not start"
  exit 77
fi
# Wine's desktop belongs to the prefix's server and keeps the display it was
# started with: the programs here need a server of their own, started with
# this display (after any other's has ended), and gone before the display is.
[ -f "$prefix/system.reg" ] && WINEPREFIX="$prefix" wineserver -w 2>/dev/null
VORN_WINE_DISPLAY=":$display" "$(dirname "$0")/wine_run.sh" "$prefix" "$@"
status=$?
WINEPREFIX="$prefix" wineserver -w 2>/dev/null
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $status
