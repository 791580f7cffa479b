#!/bin/bash
# The long fuzz campaign: every libFuzzer target of a fuzz build (the fuzz
# preset: AddressSanitizer and UndefinedBehaviorSanitizer, every report fatal)
# for FUZZ_LONG_SHORT seconds (default 300), and the readers of what strangers
# send (songs, host and state chunks, preset and bank files, WAVE, archives,
# the event router) for FUZZ_LONG_LONG seconds (default 1200); two targets at
# a time. Corpora stay in <build>/corpus/<name>/ between runs; at the end each
# is minimised (-merge=1, together with the kept one) into
# fuzz/seeds/<name>/corpus/, at most FUZZ_LONG_SEED_KB kilobytes (default 300)
# a target, the largest files dropped first. Crashing inputs land in
# <build>/crashes/. A table closes the run: target, seconds, executions,
# coverage (cov), features (ft) and findings.
#
#   fuzz/run_long.sh <fuzz build folder> [target ...]     (default: all)
#
# Exits non-zero when any target found a crash, a leak or a timeout.
set -u
build=$(cd "$1" && pwd)
shift
short=${FUZZ_LONG_SHORT:-300}
long=${FUZZ_LONG_LONG:-1200}
jobs=${FUZZ_LONG_JOBS:-2}
seed_kb=${FUZZ_LONG_SEED_KB:-300}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
# One line: a name at a line end would be followed by a newline, not the
# blank the match below looks for.
strangers=" ahx_module kvx1_song kvx2_song midi_file host_chunk state_chunk preset_file bank_file cc_map_file "
strangers+="wave_file archive_mount event_router "
logs="$build/fuzz_long"
mkdir -p "$build/crashes" "$logs"

targets=()
if [ $# -gt 0 ]; then
  for name in "$@"; do targets+=("$name"); done
else
  for bin in "$build"/fuzz/*_fuzz; do [ -x "$bin" ] && targets+=("$(basename "$bin" _fuzz)"); done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $build/fuzz"
  exit 1
fi

seconds_for() { case "$strangers" in *" $1 "*) echo "$long" ;; *) echo "$short" ;; esac; }

findings_of() { find "$build/crashes" -maxdepth 1 -name "$1-*" -newer "$logs/$1.start" 2>/dev/null | wc -l; }

# One target's run: its corpus, the checked-in seeds and those the build wrote.
run_one() {
  local name=$1 seconds
  seconds=$(seconds_for "$name")
  local corpus="$build/corpus/$name" seeds=()
  mkdir -p "$corpus"
  for dir in "$source_dir/fuzz/seeds/$name" "$build/seeds/$name"; do [ -d "$dir" ] && seeds+=("$dir"); done
  touch "$logs/$name.start"
  echo "== $name: $seconds s"
  "$build/fuzz/${name}_fuzz" -max_total_time="$seconds" -print_final_stats=1 -close_fd_mask=1 \
    -artifact_prefix="$build/crashes/$name-" "$corpus" "${seeds[@]}" >"$logs/$name.log" 2>&1
  echo "$?" >"$logs/$name.rc"
}

# The corpus and the kept seeds merged into a fresh folder that then replaces
# fuzz/seeds/<name>/corpus/, held under the size bound.
minimise() {
  local name=$1
  local kept="$source_dir/fuzz/seeds/$name/corpus" fresh="$build/merge/$name"
  rm -rf "$fresh"
  mkdir -p "$fresh" "$kept"
  if ! "$build/fuzz/${name}_fuzz" -merge=1 -close_fd_mask=1 "$fresh" "$build/corpus/$name" "$kept" \
      >"$logs/$name.merge.log" 2>&1; then
    echo "$name: merge failed, kept corpus left as it was (see $logs/$name.merge.log)"
    return
  fi
  local total
  total=$(du -sb "$fresh" | cut -f1)
  while [ "$total" -gt $((seed_kb * 1024)) ]; do
    local largest
    largest=$(find "$fresh" -type f -printf '%s %p\n' | sort -n | tail -1 | cut -d' ' -f2-)
    [ -n "$largest" ] || break
    rm -f "$largest"
    total=$(du -sb "$fresh" | cut -f1)
  done
  rm -rf "$kept"
  mv "$fresh" "$kept"
}

# Two (FUZZ_LONG_JOBS) at a time, the long ones first so the pairs even out.
ordered=()
for name in "${targets[@]}"; do [ "$(seconds_for "$name")" = "$long" ] && ordered+=("$name"); done
for name in "${targets[@]}"; do [ "$(seconds_for "$name")" != "$long" ] && ordered+=("$name"); done
for name in "${ordered[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  run_one "$name" &
done
wait

for name in "${targets[@]}"; do minimise "$name"; done

failed=""
printf '\n%-16s %8s %12s %8s %8s %9s\n' target seconds executions cov ft findings
for name in "${targets[@]}"; do
  log="$logs/$name.log"
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | grep ' cov: ' | tail -1)
  cov=$(echo "$last" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
  ft=$(echo "$last" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
  found=$(findings_of "$name")
  [ "$(cat "$logs/$name.rc")" = 0 ] || { [ "$found" -gt 0 ] || found=1; failed="$failed $name"; }
  printf '%-16s %8s %12s %8s %8s %9s\n' "$name" "$(seconds_for "$name")" "${execs:--}" "${cov:--}" "${ft:--}" "$found"
done
if [ -n "$failed" ]; then
  echo "fuzzing found faults in:$failed (inputs in $build/crashes, logs in $logs)"
  exit 1
fi
echo "${#targets[@]} fuzz targets ran without a fault"
