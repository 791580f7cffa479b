# Sourced by the Ardour checks: a temporary home in which Ardour 7 and the
# plug-in write everything (config, caches, session, Vorn's data folders),
# with the Dummy backend offered, so the real home is never touched.
#   ardour_home <prefix> [lua script to install in Ardour's scripts folder ...]
# Sets `work` (removed on exit) and `ardour_lib`, exports HOME, XDG_*, and
# VORN_DATA_DIR / VORN_CACHE_DIR.
ardour_lib=/usr/lib/ardour7

ardour_home() {
  command -v ardour7-lua >/dev/null || { echo "ardour7-lua missing: apt-get install ardour" >&2; exit 2; }
  work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  shift
  mkdir -p "$work/home/config/ardour7/scripts" "$work/home/cache" "$work/data" "$work/cache"
  for script in "$@"; do cp "$script" "$work/home/config/ardour7/scripts/"; done
  # The Dummy backend is hidden from Ardour's backend list by default.
  cat > "$work/home/config/ardour7/config" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
  </Config>
</Ardour>
XML
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_CACHE_HOME="$work/home/cache"
  export VORN_DATA_DIR="$work/data/" VORN_CACHE_DIR="$work/cache/"
}

# A VST 2 plug-in on the path ardour7-lua reads, copied with its time (a
# link was now and then missing from ardour7-lua's list after the scan).
# ardour7-lua reads VST 2
# plug-ins from Ardour's scan cache only and does not scan: Ardour's own
# scanner indexes the plug-in first, as the GUI would.
ardour_vst2() {
  mkdir -p "$work/vst"
  cp -p "$1" "$work/vst/vorn.so"
  export LXVST_PATH="$work/vst" VST_PATH="$work/vst"
  LD_LIBRARY_PATH="$ardour_lib" "$ardour_lib/ardour-vst-scanner" -f "$work/vst/vorn.so" >"$work/scan.txt" 2>&1 ||
    { cat "$work/scan.txt"; exit 1; }
}
