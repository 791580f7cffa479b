#!/bin/sh
# The main job on built-in defaults, run by `make demo`.
set -e
BUILD="${1:-build/release}"
"$BUILD/vorn-render" --info
