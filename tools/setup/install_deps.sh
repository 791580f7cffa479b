#!/bin/sh
# Installs the Debian 12 packages the build, the tests and the demo need.
# Only missing packages are installed; a machine that has them all is left alone.
# VORN_EXTRA_PACKAGES adds packages a single target needs (clang for make fuzz).
set -e
PACKAGES="cmake ninja-build g++ pkg-config python3 libgtest-dev libgmock-dev libbenchmark-dev
libsndfile1-dev libfftw3-dev amsynth sox $VORN_EXTRA_PACKAGES"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends $missing
