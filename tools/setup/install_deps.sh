#!/bin/sh
# Installs the Debian 12 packages the build, the tests and the demo need.
# Only missing packages are installed; a machine that has them all is left alone.
#   install_deps.sh           the Linux build, tests and demo
#   install_deps.sh fuzz      the same and clang, for the libFuzzer build (make fuzz)
#   install_deps.sh windows   the Windows builds and Wine to test them: the
#                             MinGW-w64 compilers (posix threads) and Wine, whose
#                             32-bit half needs Debian's i386 architecture
set -e
if [ "${1:-}" = windows ]; then
  PACKAGES="g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest wine wine64 wine32:i386 xvfb"
else
  PACKAGES="cmake ninja-build g++ pkg-config python3 libgtest-dev libgmock-dev libbenchmark-dev
libsndfile1-dev libfftw3-dev amsynth sox libfreetype-dev fonts-dejavu-core libpng-dev libx11-dev libxext-dev
xvfb xdotool imagemagick lv2-dev liblilv-dev lilv-utils sordi
jalv libjack-jackd2-dev libasound2-dev jackd2 ardour"
  if [ "${1:-}" = fuzz ]; then PACKAGES="$PACKAGES clang"; fi
fi
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
case "$missing" in
  *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386 ;;
esac
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends $missing
