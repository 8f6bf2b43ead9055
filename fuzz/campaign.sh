#!/usr/bin/env bash
# A recorded fuzzing campaign: runs every target for its share of a total
# number of inputs, in parallel jobs, then minimises what it found
# (-merge=1) into the target's checked-in corpus and prints, per target,
# the inputs run, the edges that seeds and corpus cover, and the time.
#
#   bash fuzz/campaign.sh TOTAL_INPUTS [JOBS]
#
# JOBS (default 2, one per core) processes run each target side by side,
# each for its part of the target's inputs, sharing their finds. The shares
# of the total are set by CAMPAIGN_SHARES, "target:percent ..."; the
# default goes by speed: the store's target slows down as its corpus grows,
# and the checker runs about a twentieth as fast as the installer's target.
# CAMPAIGN_MAX_LEN bounds an input's length, except for the store's
# target, which takes up to 1 MiB as in run.sh. Any finding stops the
# campaign, leaves the input in build/fuzz/findings/ and fails the script;
# the corpora then stay as they were.
set -euo pipefail
cd "$(dirname "$0")/.."
source fuzz/targets.sh

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: bash fuzz/campaign.sh TOTAL_INPUTS [JOBS]" >&2
  exit 2
fi
total=$1
jobs=${2:-2}
shares=${CAMPAIGN_SHARES:-"fuzz_install:81 fuzz_regtext:18 fuzz_check:1"}
# A campaign wants many inputs more than long ones: inputs of up to 4 KiB
# hold several sections or dozens of values and run about twice as fast
# as those of run.sh's 16 KiB, which CI's bounded runs keep trying. The
# store's target alone needs long ones to cross the tree's block bounds.
max_len() {
  if [ "$1" = fuzz_regtext ]; then target_max_len "$1"
  else echo "${CAMPAIGN_MAX_LEN:-4096}"; fi
}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

root=$PWD
findings=$root/build/fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed() {
  tail -n 40 "$@"
  echo "campaign: $name found a failure; the input is in $findings/" >&2
  exit 1
}

summary=()
for share in $shares; do
  name=${share%%:*}
  percent=${share##*:}
  exe=$root/build/fuzz/fuzz/$name
  flags=("${FUZZ_FLAGS[@]}" -max_len="$(max_len "$name")")
  seeds=$root/$(target_seeds "$name")
  corpus=$root/$(target_corpus "$name")
  runs=$(( total * percent / 100 / jobs ))
  [ "$runs" -gt 0 ] || continue
  echo "campaign: $name, $jobs jobs of $runs inputs"
  mkdir -p "$corpus" "$work/$name/new" "$work/$name/min"
  start=$(date +%s)
  # Each job is a process of its own, writing fuzz-N.log where it runs;
  # all of them add what they find to new/ and pick up each other's finds.
  (cd "$work/$name" &&
   nice -n 10 "$exe" -jobs="$jobs" -workers="$jobs" -runs="$runs" \
     "${flags[@]}" -dict="$root/$(target_dict "$name")" \
     -artifact_prefix="$findings/$name-" \
     new "$seeds" "$corpus" >/dev/null 2>&1) || failed "$work/$name"/fuzz-*.log
  for log in "$work/$name"/fuzz-*.log; do
    grep -qE '^==[0-9]+== ?ERROR|^property violated' "$log" && failed "$log"
  done
  seconds=$(( $(date +%s) - start ))
  inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' \
             "$work/$name"/fuzz-*.log | awk '{ n += $1 } END { print n + 0 }')

  # The seeds first, so that the corpus keeps only what they do not cover;
  # then the old corpus and the new finds.
  cp "$seeds"/* "$work/$name/min"/
  "$exe" -merge=1 "${flags[@]}" "$work/$name/min" "$corpus" \
    "$work/$name/new" >"$work/$name/merge.log" 2>&1 ||
    failed "$work/$name/merge.log"
  for seed in "$seeds"/*; do rm -f "$work/$name/min/$(basename "$seed")"; done
  find "$corpus" -maxdepth 1 -type f -delete
  find "$work/$name/min" -maxdepth 1 -type f -exec cp {} "$corpus"/ \;

  edges=$("$exe" -runs=0 "${flags[@]}" "$seeds" "$corpus" 2>&1 |
          sed -n 's/.*INITED cov: \([0-9]*\) .*/\1/p')
  files=$(find "$corpus" -maxdepth 1 -type f | wc -l)
  summary+=("$(printf '%-13s %11s inputs %6s edges %5s corpus files %6ss %7s/s' \
    "$name" "$inputs" "$edges" "$files" "$seconds" \
    "$(( inputs / (seconds > 0 ? seconds : 1) ))")")
done

echo "campaign: $total inputs asked for, $jobs jobs per target, no findings"
printf '%s\n' "${summary[@]}"
