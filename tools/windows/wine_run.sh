#!/bin/sh
# Runs a Windows program under Wine: wine_run.sh PREFIX PROGRAM [ARGS...].
# The prefix (a private Windows installation) lives in the build folder and is
# made on first use; one 64-bit prefix runs both the 32- and 64-bit programs.
# Headless and quiet: no display (unless VORN_WINE_DISPLAY names one, for
# programs that open windows), no Wine debug channels, and no prompts to
# install Mono or Gecko, which nothing here needs.
set -e
prefix=$1
shift
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ -n "${VORN_WINE_DISPLAY:-}" ]; then export DISPLAY="$VORN_WINE_DISPLAY"; fi
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  # Two tests starting at once must not both build the prefix.
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      wineboot --init >/dev/null 2>&1 || true
      wineserver --wait
    fi
  ) 9>"$prefix.lock"
fi
exec wine "$@"
