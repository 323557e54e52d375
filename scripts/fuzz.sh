#!/usr/bin/env bash
# A long fuzzing campaign: builds the fuzz preset (clang, libFuzzer, ASan+UBSan)
# and runs every target for SECONDS (default 600) in turn, keeping each target's
# corpus in build/fuzz/campaign/<target> so a later campaign goes on from it.
# Findings (crash-*, leak-*, timeout-* files) land in the same folder.
#   bash scripts/fuzz.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-600}
bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
status=0
for target in build/fuzz/bin/fuzz/fuzz_*; do
  name=$(basename "$target")
  dir=build/fuzz/campaign/$name
  mkdir -p "$dir/corpus"
  echo "==== $name for $seconds s (corpus $dir/corpus)"
  (cd "$dir" && "$OLDPWD/$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
      -rss_limit_mb=2048 corpus 2>&1 | tee run.log | grep -E '^(#[0-9]+ +DONE|stat::|==[0-9]+==ERROR|SUMMARY)') ||
    status=1
  if ls "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* >/dev/null 2>&1; then
    echo "FINDINGS in $dir"; status=1
  fi
done
exit $status
