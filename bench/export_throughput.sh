#!/usr/bin/env bash
# Export throughput at 800x600 and 60 fps: first the drawing alone (offscreen,
# nothing written, console hidden as in an export), then drawing, read-back and
# encoding into an H.264/AAC video. Prints frames per second of each stage (as
# the exporter measures them) and the export's time as a multiple of the
# video's length: below 1.0 is faster than real time.
# The whole show takes several minutes; VELMORA_BENCH_UNTIL=T stops at demo
# time T instead; VELMORA_BENCH_SIZE=WxH measures another size (e.g.
# 1920x1080). Figures on a shared machine are noisy: compare runs made side
# by side.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$root/build}"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export SDL_VIDEODRIVER=offscreen
until=()
if [ -n "${VELMORA_BENCH_UNTIL:-}" ]; then until=(--until "$VELMORA_BENCH_UNTIL"); fi
until+=(--size "${VELMORA_BENCH_SIZE:-800x600}")

start=$(date +%s.%N)
"$build/velmora" --data "$build" --offscreen --fps 60 --key 0:F1 "${until[@]}" >/dev/null 2>&1
mid=$(date +%s.%N)
"$build/velmora" --data "$build" --export "$out/velmora.mp4" --fps 60 "${until[@]}" \
  2>"$out/log"
end=$(date +%s.%N)

frames=$(tr '\r' '\n' <"$out/log" | sed -n 's/^export: 100%  \([0-9]*\)\/.*/\1/p')
awk -v f="$frames" -v a="$start" -v b="$mid" -v c="$end" 'BEGIN {
  printf "drawing alone:       %6.1f fps (%d frames in %.1f s, with loading)\n", f / (b - a), f, b - a;
  printf "export, whole run:   %6.1f fps (%.1f s, %.2f x the video length)\n", f / (c - b), c - b, (c - b) / (f / 60);
}'
grep '^export: .* stages:' "$out/log" | sed 's/^export: .*stages: /export stages:       /'
ls -l "$out/velmora.mp4" | awk '{ printf "video size:          %.1f MB\n", $5 / 1e6 }'
