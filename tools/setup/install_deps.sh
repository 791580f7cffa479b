#!/bin/sh
# Installs the Debian 12 packages the build, the tests and the demo need;
# with the argument "fuzz" also clang for the libFuzzer build (make fuzz).
# Only missing packages are installed; a machine that has them all is left alone.
set -e
PACKAGES="cmake ninja-build g++ pkg-config python3 libgtest-dev libgmock-dev libbenchmark-dev
libsndfile1-dev libfftw3-dev amsynth sox libfreetype-dev fonts-dejavu-core libpng-dev"
if [ "${1:-}" = fuzz ]; then PACKAGES="$PACKAGES clang"; fi
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
