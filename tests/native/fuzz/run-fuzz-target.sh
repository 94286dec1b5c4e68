#!/usr/bin/env bash
# One short fuzz run: target, committed corpus, work folder, seconds. New inputs go to the
# work folder, so the committed corpus only changes by hand. A crash, a leak, a sanitizer
# report or a timeout ends the run with a failure and leaves the input in the work folder.
set -euo pipefail
target=$1 corpus=$2 work=$3 seconds=$4
mkdir -p "$work/new"
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$work/" "$work/new" "$corpus"
