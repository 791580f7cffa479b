#!/bin/sh
# The LV2 bundles as Debian's LV2 tools read them:
#   check_bundles.sh PLUGIN_BUNDLE PRESET_BUNDLE
# lv2ls lists the plug-in, lv2info describes it, both without a warning;
# sord_validate finds the bundles' Turtle valid against the LV2 schemas in
# /usr/lib/lv2 (lv2-dev). Only the two bundles are on LV2_PATH.
set -e
plugin=$(cd "$1" && pwd)
presets=$(cd "$2" && pwd)
uri="urn:zelkarn:vorn"
work=$(mktemp -d "${TMPDIR:-/tmp}/vorn-lv2-check.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/path"
ln -s "$plugin" "$work/path/vorn.lv2"
ln -s "$presets" "$work/path/vorn-presets.lv2"
export LV2_PATH="$work/path:/usr/lib/lv2"
status=0

LV2_PATH="$work/path" lv2ls >"$work/ls.txt" 2>"$work/ls.err"
grep -qx "$uri" "$work/ls.txt" || { echo "lv2ls does not list $uri"; status=1; }
lv2info "$uri" >"$work/info.txt" 2>"$work/info.err"
for f in ls info; do
  if [ -s "$work/$f.err" ]; then echo "lv2$f wrote to stderr:"; cat "$work/$f.err"; status=1; fi
done
grep -q "Parameter: *Filter Frequency" "$work/info.txt" || grep -q "Filter Frequency" "$work/info.txt" ||
  { echo "lv2info names no Filter Frequency port"; status=1; }
ports=$(grep -c "^	Port [0-9]*:" "$work/info.txt" || true)
[ "$ports" -eq 93 ] || { echo "lv2info shows $ports ports, not 93"; status=1; }
presets_seen=$(sed -n '/Presets:/,$p' "$work/info.txt" | grep -c "^	 *[A-Za-z]" || true)
echo "lv2info: $ports ports, preset section lines: $presets_seen"

# The schemas: every Turtle file lv2-dev installs (its vocabularies and the
# RDF ones they build on).
schemas=$(dpkg -L lv2-dev | grep '^/usr/lib/lv2/.*\.ttl$')
if ! sord_validate $schemas "$plugin"/*.ttl "$presets"/*.ttl >"$work/validate.txt" 2>&1; then
  echo "sord_validate failed:"; cut -c1-300 "$work/validate.txt"; status=1
elif ! grep -q "Found 0 errors" "$work/validate.txt"; then
  echo "sord_validate reported:"; cut -c1-300 "$work/validate.txt"; status=1
fi
[ "$status" -eq 0 ] && echo "lv2ls, lv2info and sord_validate: clean"
exit $status
