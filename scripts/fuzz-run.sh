#!/bin/sh
# fuzz-run.sh TARGET SEEDS SCRATCH SECONDS: fuzzes TARGET for SECONDS from the seeds, in a
# scratch corpus so the checked-in seeds stay as they are, and prints libFuzzer's figures.
set -eu
target=$1 seeds=$2 scratch=$3 seconds=$4
mkdir -p "$scratch" "$scratch/../artifacts"
# Absolute: the run target works in a folder of its own.
seeds=$(realpath "$seeds") scratch=$(realpath "$scratch")
log=$scratch/../$(basename "$target").log
status=0
"$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$scratch/../artifacts/" "$scratch" "$seeds" >"$log" 2>&1 || status=$?
grep -E '^#[0-9]+.*(INITED|DONE)|stat::number_of_executed_units|stat::average_exec_per_sec|==ERROR|SUMMARY|deadly|crash-' "$log" || true
[ "$status" -eq 0 ] || { tail -40 "$log"; exit "$status"; }
