#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz") and runs each for a bounded time,
# starting from the checked-in seeds and corpus. Any finding (a crash, a sanitizer
# report, a broken property, a hang) fails the script and leaves the input
# in build/fuzz/findings/.
#
#   bash fuzz/run.sh [seconds]     # default 60, shared by the three targets
#
# fuzz/campaign.sh runs the targets for a number of inputs instead and
# minimises the checked-in corpora.
set -euo pipefail
cd "$(dirname "$0")/.."
source fuzz/targets.sh

total=${1:-60}
install_time=$(( total / 2 ))
check_time=$(( total / 4 ))
regtext_time=$(( total - install_time - check_time ))

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

findings=build/fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_target() {
  local name=$1 seconds=$2
  mkdir -p "$work/$name" "$(target_corpus "$name")"
  local log="$work/$name.log"
  echo "fuzz: $name for ${seconds}s"
  if ! build/fuzz/fuzz/"$name" -max_total_time="$seconds" \
      "${FUZZ_FLAGS[@]}" -max_len="$(target_max_len "$name")" \
      -dict="$(target_dict "$name")" -artifact_prefix="$findings/$name-" \
      "$work/$name" "$(target_seeds "$name")" "$(target_corpus "$name")" \
      >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $name found a failure; the input is in $findings/" >&2
    return 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' "$log" || true
}

run_target fuzz_install "$install_time"
run_target fuzz_check "$check_time"
run_target fuzz_regtext "$regtext_time"
echo "fuzz: no findings"
