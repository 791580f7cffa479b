#!/bin/sh
# make fuzz: builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), writes the seed corpora with our own writers,
# and runs every target for FUZZ_SECONDS (default 600) on its growing corpus
# in build/fuzz/corpus/NAME. Prints executions, corpus size and coverage per
# target; fails when a target found a crash, leak or UB (the reproducer is
# left as build/fuzz/crash-*). FUZZ_TARGETS restricts the run ("wave_file_fuzz ...").
set -e
cd "$(dirname "$0")/../.."
seconds=${FUZZ_SECONDS:-600}
jobs=${JOBS:-2}
VORN_EXTRA_PACKAGES="clang" tools/setup/install_deps.sh
[ -f build/fuzz/build.ninja ] || cmake --preset fuzz > /dev/null
all_targets=$(cd fuzz && ls *_fuzz.cpp | sed 's/\.cpp$//')
targets=${FUZZ_TARGETS:-$all_targets}
cmake --build build/fuzz -j "$jobs" --target fuzz_seed_writer $targets
build/fuzz/fuzz/fuzz_seed_writer build/fuzz/seeds
failed=0
for t in $targets; do
  name=${t%_fuzz}
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=build/fuzz/seeds/$name
  [ -d "$seeds" ] || seeds=""
  [ "$name" = midi_file ] && seeds=assets/demo
  log=build/fuzz/$name.log
  echo "== $t: $seconds s"
  if ! build/fuzz/fuzz/$t -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix=build/fuzz/ "$corpus" $seeds > "$log" 2>&1; then
    failed=1
    grep -E "ERROR|SUMMARY|runtime error|deadly" "$log" | head -5
  fi
  grep -E "^#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb" "$log" | tail -3
  echo "corpus: $(ls "$corpus" | wc -l) files, $(du -sk "$corpus" | cut -f1) kB"
done
exit $failed
