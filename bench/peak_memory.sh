#!/usr/bin/env bash
# Peak resident memory of whole offscreen runs of the production, against its
# start-up size (a run that ends on its first frame). Usage:
#   bench/peak_memory.sh [FPS...]        (default: 10)
# Prints one line per run: the peak, and how far it lies above start-up.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$root/build}"
export SDL_VIDEODRIVER=offscreen
[ $# -gt 0 ] || set -- 10

peak_kb() {  # peak resident set of one run, in kB
  local log
  log="$(mktemp)"
  if ! /usr/bin/time -f '%M' -o "$log" "$build/velmora" --data "$build" --offscreen "$@" \
    >/dev/null 2>&1; then
    echo "peak_memory: velmora $* failed" >&2
    rm -f "$log"
    return 1
  fi
  tail -n 1 "$log"
  rm -f "$log"
}

start=$(peak_kb --until 0)
printf 'start-up (first frame):  %6.1f MB\n' "$(echo "$start / 1024" | bc -l)"
for fps in "$@"; do
  peak=$(peak_kb --fps "$fps")
  printf 'whole run at --fps %-4s %6.1f MB peak, %+6.1f MB over start-up\n' "$fps" \
    "$(echo "$peak / 1024" | bc -l)" "$(echo "($peak - $start) / 1024" | bc -l)"
done
