// The live show's picture drawn smaller than its place and stretched over it:
// where a machine cannot draw the screen's full size in time, the frame is
// drawn as if the drawable were the smaller size (in its lower-left corner,
// where a drawable of that size would have it, so that the effects' corner
// captures see what they always see), then copied into a texture and laid
// over the picture's place with linear filtering. The on-screen display and
// the console are drawn afterwards, at full size.
#pragma once
#include <cstdint>

#include "render/viewport.h"

class CScaledPicture {
 public:
  CScaledPicture() = default;
  ~CScaledPicture();
  CScaledPicture(const CScaledPicture&) = delete;
  CScaledPicture& operator=(const CScaledPicture&) = delete;

  // Makes the texture for pictures drawn at up to width x height; nothing
  // happens when it already has that size. Call it when the picture's place
  // changes size (never per frame): the texture is made anew then.
  void Reserve(int width, int height);

  // Where a picture drawn at width x height goes: the drawable's lower-left
  // corner (limited to what Reserve made room for).
  PictureRect DrawnRect(int width, int height) const;

  // Copies the frame drawn into `drawn` into the texture and draws it
  // stretched over `picture`, pixel centres at the edges on the edges' texel
  // centres (nothing from beyond the drawn part is sampled). Every GL state
  // it changes is restored except the viewport, which becomes `picture`'s.
  void Stretch(const PictureRect& drawn, const PictureRect& picture);

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  uint32_t id_ = 0;
  int width_ = 0;  // the part of the texture that pictures may use
  int height_ = 0;
  int textureWidth_ = 0;   // the texture's own size (a power of two without
  int textureHeight_ = 0;  // textures of any size)
};
