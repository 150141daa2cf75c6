#include "render/viewport.h"

#include <cstdint>

#include "shell/base/glapi.h"

PictureRect FitPicture(int drawableWidth, int drawableHeight) {
  PictureRect picture;
  if (drawableWidth <= 0 || drawableHeight <= 0) return picture;
  const int64_t w = drawableWidth;
  const int64_t h = drawableHeight;
  if (w * 3 >= h * 4) {
    // Wider than 4:3: full height, bars left and right.
    picture.height = drawableHeight;
    picture.width = static_cast<int>((h * 4 + 1) / 3);  // nearest whole pixel
    if (picture.width > drawableWidth) picture.width = drawableWidth;
  } else {
    // Taller: full width, bars above and below.
    picture.width = drawableWidth;
    picture.height = static_cast<int>((w * 3 + 2) / 4);
    if (picture.height > drawableHeight) picture.height = drawableHeight;
  }
  if (picture.width < 1) picture.width = 1;
  if (picture.height < 1) picture.height = 1;
  picture.x = (drawableWidth - picture.width) / 2;
  picture.y = (drawableHeight - picture.height) / 2;
  return picture;
}

void UsePictureViewport(const PictureRect& picture) {
  glViewport(picture.x, picture.y, picture.width, picture.height);
}

void BlackenOutside(const PictureRect& picture, int drawableWidth, int drawableHeight) {
  const int right = picture.x + picture.width;
  const int top = picture.y + picture.height;
  if (picture.x <= 0 && picture.y <= 0 && right >= drawableWidth && top >= drawableHeight) return;
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glEnable(GL_SCISSOR_TEST);
  // Left and right bars over the full height, then the bars below and above
  // the picture between them.
  const int bars[4][4] = {
      {0, 0, picture.x, drawableHeight},
      {right, 0, drawableWidth - right, drawableHeight},
      {picture.x, 0, picture.width, picture.y},
      {picture.x, top, picture.width, drawableHeight - top},
  };
  for (const auto& bar : bars) {
    if (bar[2] <= 0 || bar[3] <= 0) continue;
    glScissor(bar[0], bar[1], bar[2], bar[3]);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glDisable(GL_SCISSOR_TEST);
}
