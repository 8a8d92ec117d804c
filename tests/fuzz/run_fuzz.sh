#!/bin/sh
# run_fuzz.sh FUZZER CORPUS WORK RUNS
# Replays every input of CORPUS once, then RUNS mutations from a fixed seed
# in a copy of it (WORK/corpus), so the verdict depends on the commit alone.
# With RANKHOLD_FUZZ_SECONDS set, a random session of that many seconds
# follows; what it finds is left in WORK/found/ (crash-*, timeout-*): add it
# to CORPUS, where every later run replays it.
set -eu
fuzzer=$1 corpus=$2 work=$3 runs=$4
common="-timeout=10 -rss_limit_mb=2048 -detect_leaks=0 -max_len=8192"
rm -rf "$work"
mkdir -p "$work/corpus" "$work/found"
cp "$corpus"/* "$work/corpus/"
echo "== replay of $(ls "$corpus" | wc -l) inputs"
"$fuzzer" $common "$corpus"/*
echo "== $runs mutations from seed 1"
# Without the values of comparisons as hints: they hold addresses and file
# times, which differ from run to run, and so would the mutations.
"$fuzzer" $common -seed=1 -runs="$runs" -use_cmp=0 -use_memmem=0 -artifact_prefix="$work/found/" "$work/corpus"
if [ -n "${RANKHOLD_FUZZ_SECONDS:-}" ]; then
    echo "== random session of $RANKHOLD_FUZZ_SECONDS s"
    "$fuzzer" $common -max_total_time="$RANKHOLD_FUZZ_SECONDS" -artifact_prefix="$work/found/" "$work/corpus"
fi
