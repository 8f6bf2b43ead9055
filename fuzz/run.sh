#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz") and runs each for a bounded time,
# starting from the checked-in seeds. Any finding (a crash, a sanitizer
# report, a broken property, a hang) fails the script and leaves the input
# in build/fuzz/findings/.
#
#   bash fuzz/run.sh [seconds]     # default 60, shared by the two targets
set -euo pipefail
cd "$(dirname "$0")/.."

total=${1:-60}
install_time=$(( total * 3 / 4 ))
regtext_time=$(( total - install_time ))

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

findings=build/fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_target() {
  local name=$1 seconds=$2 seeds=$3 dict=$4
  mkdir -p "$work/$name"
  local log="$work/$name.log"
  echo "fuzz: $name for ${seconds}s"
  if ! build/fuzz/fuzz/"$name" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 \
      -dict="$dict" -artifact_prefix="$findings/$name-" \
      "$work/$name" "$seeds" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $name found a failure; the input is in $findings/" >&2
    return 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
}

run_target fuzz_install "$install_time" fuzz/corpus fuzz/usbcdc.dict
run_target fuzz_regtext "$regtext_time" fuzz/regtext-corpus fuzz/regtext.dict
echo "fuzz: no findings"
