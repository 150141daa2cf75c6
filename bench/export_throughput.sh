#!/usr/bin/env bash
# Export throughput for the full production at 800x600 and 60 fps: first the
# rendering alone (offscreen, nothing written), then render and encode into an
# H.264/AAC video. Prints frames per second of each. Takes several minutes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$root/build}"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export SDL_VIDEODRIVER=offscreen
frames=11636  # 60 fps: frames 0 to 11635, the first one past 193.9 s

start=$(date +%s.%N)
"$build/velmora" --data "$build" --offscreen --fps 60 --key 0:F1 >/dev/null 2>&1
mid=$(date +%s.%N)
"$build/velmora" --data "$build" --export "$out/velmora.mp4" --fps 60 --key 0:F1 2>/dev/null
end=$(date +%s.%N)

awk -v f="$frames" -v a="$start" -v b="$mid" -v c="$end" 'BEGIN {
  printf "render only:      %6.1f fps (%d frames in %.1f s)\n", f / (b - a), f, b - a;
  printf "render + encode:  %6.1f fps (%d frames in %.1f s)\n", f / (c - b), f, c - b;
}'
ls -l "$out/velmora.mp4" | awk '{ printf "video size:       %.1f MB\n", $5 / 1e6 }'
