#!/bin/sh
# Runs every libFuzzer target of a fuzz build for a set time each, one after
# the other. A target <name>_fuzz starts from the seeds in fuzz/seeds/<name>/
# when that folder exists and keeps what it finds in <build>/corpus/<name>/,
# so a later run goes on from there; crashing inputs land in <build>/crashes/.
#
#   fuzz/run_all.sh <fuzz build folder> <seconds per target>
#
# Exits non-zero when any target found a crash, a leak or a timeout.
set -u
build=$1
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build/crashes"
failed=""
ran=0
for target in "$build"/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target" _fuzz)
  corpus="$build/corpus/$name"
  seeds=""
  for dir in "$source_dir/fuzz/seeds/$name" "$build/seeds/$name"; do
    [ -d "$dir" ] && seeds="$seeds $dir"
  done
  mkdir -p "$corpus"
  echo "== $name: $seconds s"
  # shellcheck disable=SC2086 # seeds is a list of folders without blanks
  if ! "$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/crashes/$name-" "$corpus" $seeds; then
    failed="$failed $name"
  fi
  ran=$((ran + 1))
done
if [ "$ran" -eq 0 ]; then
  echo "no fuzz targets in $build/fuzz"
  exit 1
fi
if [ -n "$failed" ]; then
  echo "fuzzing found faults in:$failed (inputs in $build/crashes)"
  exit 1
fi
echo "$ran fuzz targets ran $seconds s each without a fault"
