#!/usr/bin/env bash
# The scale the live show settles at in a large window (Xvfb, software
# rendering): each listed scene is played for 12 s in a window of the given
# size with the scale on auto, and every change of scale is printed, then the
# frames per second and the scale the scene ended at; then the same with
# --scale off, for comparison. A machine that keeps up stays at 1.
#   bench/live_scale.sh [PROGRAM]
# VELMORA_BENCH_SIZE=WxH sets the window (default 2880x2160, the picture of a
# 3840x2160 screen); VELMORA_BENCH_STARTS="T ..." the demo times played from
# (default: the opening glow, the particles, the tumbling scene).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
size="${VELMORA_BENCH_SIZE:-2880x2160}"
if [ -z "${DISPLAY:-}" ]; then exec "$root/scripts/with-xvfb" --size "$size" "$0" "$@"; fi
program="${1:-$root/build/velmora}"
data="$(dirname "$program")"
starts="${VELMORA_BENCH_STARTS:-0 94 125}"
work="$(mktemp -d)"
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy

for start in $starts; do
  until=$(awk -v s="$start" 'BEGIN { print s + 12 }')
  VELMORA_SCALE_REPORT=1 "$program" --window --no-config --size "$size" --data "$data" \
    --start "$start" --until "$until" >/dev/null 2>"$work/err" || true
  echo "from $start s at $size, --scale auto:"
  grep -e 'the picture is drawn at' -e ' fps, ' "$work/err" | sed 's/^velmora: /  /' || true
  VELMORA_SCALE_REPORT=1 "$program" --window --no-config --size "$size" --data "$data" \
    --start "$start" --until "$until" --scale off >/dev/null 2>"$work/err" || true
  echo "  --scale off: $(grep ' fps, ' "$work/err" | sed 's/^velmora: //')"
done
