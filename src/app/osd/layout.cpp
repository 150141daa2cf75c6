#include "app/osd/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace osd {
namespace {

// Units of the show's 2D set-up (480 to the picture's height) to pixels,
// never less than `floor` pixels.
int Px(double units, double scale, int floor = 0) {
  return std::max(floor, static_cast<int>(std::lround(units * scale)));
}

}  // namespace

BarLayout LayoutBar(int pictureWidth, int pictureHeight) {
  BarLayout bar;
  bar.pictureWidth = pictureWidth;
  bar.pictureHeight = pictureHeight;
  const double s = pictureHeight / 480.0;
  bar.textHeight = Px(15, s, 12);
  bar.textBaseline = Px(430, s);
  bar.trackLeft = Px(24, s, 8);
  bar.trackRight = pictureWidth - bar.trackLeft;
  bar.trackHeight = Px(4, s, 2);
  bar.trackTop = Px(448, s) - bar.trackHeight / 2;
  bar.tickWidth = Px(1.5, s, 1);
  bar.tickHeight = Px(14, s, bar.trackHeight + 4);
  bar.tickTop = Px(448, s) - bar.tickHeight / 2;
  bar.knobWidth = Px(6, s, 3);
  bar.knobHeight = Px(16, s, bar.tickHeight + 2);
  bar.knobTop = Px(448, s) - bar.knobHeight / 2;
  bar.hitTop = Px(436, s);
  bar.pauseBarWidth = Px(3, s, 2);
  bar.margin = Px(10, s, 4);
  for (size_t i = 0; i < kSceneCount; ++i) {
    const float start = show::SceneStart(i);
    bar.ticks[i].time = start;
    bar.ticks[i].x = bar.XAt(start) - bar.tickWidth / 2;
    bar.ticks[i].label = show::kScenes[i].name;
  }
  return bar;
}

int BarLayout::XAt(double t) const {
  const double f = std::clamp(t, 0.0, static_cast<double>(show::kEnd)) / show::kEnd;
  return trackLeft + static_cast<int>(std::lround(f * (trackRight - trackLeft)));
}

double BarLayout::TimeAt(double x) const {
  if (trackRight <= trackLeft) return 0.0;
  const double f = std::clamp((x - trackLeft) / (trackRight - trackLeft), 0.0, 1.0);
  return f * show::kEnd;
}

bool BarLayout::Hit(double x, double y) const {
  return y >= hitTop && y < pictureHeight && x >= trackLeft - knobWidth &&
         x < trackRight + knobWidth;
}

int SceneAt(double t) {
  for (size_t i = 0; i + 1 < kSceneCount; ++i) {
    if (t < show::kScenes[i].endTime) return static_cast<int>(i);
  }
  return static_cast<int>(kSceneCount) - 1;
}

void FormatTime(double seconds, char* out, size_t size) {
  // Tenths counted in whole numbers; a hair added so that 12.3 stored as a
  // float (12.2999...) still reads 12.3.
  const long tenths = seconds > 0.0 ? static_cast<long>(seconds * 10.0 + 1e-4) : 0;
  std::snprintf(out, size, "%ld:%02ld.%ld", tenths / 600, tenths / 10 % 60, tenths % 10);
}

void WindowToPicture(double x, double y, int drawableHeight, int pictureX, int pictureY,
                     int pictureHeight, double* px, double* py) {
  // The picture's top edge, counted from the drawable's top.
  const int top = drawableHeight - pictureY - pictureHeight;
  *px = x - pictureX;
  *py = y - top;
}

}  // namespace osd
