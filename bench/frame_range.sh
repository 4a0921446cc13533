#!/usr/bin/env bash
# The host's frame range in frames per second: `tarvolk-host render --frames
# 0..47` of the default scene (1280 x 720), in the processes the tool chooses
# (one a core) and in one (--jobs 1), RUNS times each; prints the slowest and
# the median run of each and the ratio of the medians. Other work on the
# machine lowers the figures: say how loaded it was.
#   bash bench/frame_range.sh [TOOL] [RUNS]     (defaults: build/tarvolk-host, 5)
set -euo pipefail
tool=${1:-build/tarvolk-host}
runs=${2:-5}
frames=48
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Frames per second of each run, one a line, slowest first.
rates() {
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$tool" render --frames 0..$((frames - 1)) -o "$out/frame.png" "$@" >/dev/null
    end=$(date +%s.%N)
    awk -v n="$frames" -v s="$start" -v e="$end" 'BEGIN { printf "%.2f\n", n / (e - s) }'
  done | sort -n
}

median() { awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

all=$(rates)
one=$(rates --jobs 1)
printf 'default --jobs (%s cores): slowest %s, median %s frames/s\n' "$(nproc)" \
  "$(head -1 <<<"$all")" "$(median <<<"$all")"
printf -- '--jobs 1:                  slowest %s, median %s frames/s\n' \
  "$(head -1 <<<"$one")" "$(median <<<"$one")"
awk -v a="$(median <<<"$all")" -v b="$(median <<<"$one")" \
  'BEGIN { printf "ratio of the medians: %.2f\n", a / b }'
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
