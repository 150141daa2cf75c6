#include "app/export/framing.h"

#include <algorithm>
#include <cstdint>

int FilledDrawableHeight(int width, int height) {
  const int64_t pictureWidth = std::min<int64_t>(width, int64_t{2} * height);
  // The 4:3 picture's height, to the nearest pixel, as FitPicture rounds.
  const int64_t pictureHeight = (pictureWidth * 3 + 2) / 4;
  return static_cast<int>(std::max<int64_t>(height, pictureHeight));
}
