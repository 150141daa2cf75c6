#!/usr/bin/env bash
# Processor use of the live show in a real window (Xvfb, software rendering):
#   paused      the show paused on the tumbling scene: it should draw nothing
#               until something happens (target: under 5% of a core)
#   paced       the same scene playing with vsync asked for: where the swap
#               does not wait (Xvfb), frames are paced to the display's rate
#   unpaced     the same with --no-vsync: as fast as it draws
# Prints the processor time per second of run time.
# Uses build/velmora and its data.
#   bench/live_cpu.sh [PROGRAM]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${DISPLAY:-}" ]; then exec "$root/scripts/with-xvfb" --size 1280x1024 "$0" "$@"; fi
program="${1:-$root/build/velmora}"
data="$(dirname "$program")"
work="$(mktemp -d)"
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy

# Processor seconds (user + system) of process $1 from /proc.
cpu_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) / hz}' "/proc/$1/stat"
}

# measure NAME ARGS...: runs 8 s of the tumbling scene in a window, samples
# the processor time from 3 s to 7 s.
measure() {
  local name="$1"
  shift
  "$program" --window --data "$data" --start 125 --until 133 "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep 3
  local before
  before="$(cpu_seconds "$pid")"
  sleep 4
  local after
  after="$(cpu_seconds "$pid")"
  wait "$pid" || true
  awk -v n="$name" -v a="$before" -v b="$after" \
    'BEGIN { printf "%-8s %5.1f%% of a core\n", n, 100 * (b - a) / 4 }'
}

measure paused --key 126:Space
measure paced
measure unpaced --no-vsync
