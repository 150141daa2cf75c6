#include "render/scaledpicture.h"

#include <algorithm>
#include <cstring>

#include "render/glhelpers.h"
#include "shell/base/glapi.h"

namespace {

// Textures of any size: GL 2.0 and later, or the extension before it.
bool AnySizeTextures() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (version != nullptr && version[0] >= '2' && version[0] <= '9') return true;
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return extensions != nullptr && std::strstr(extensions, "GL_ARB_texture_non_power_of_two");
}

int PowerOfTwoAtLeast(int n) {
  int p = 1;
  while (p < n) p *= 2;
  return p;
}

}  // namespace

CScaledPicture::~CScaledPicture() {
  if (id_ != 0) glDeleteTextures(1, &id_);
}

void CScaledPicture::Reserve(int width, int height) {
  if (width <= 0 || height <= 0 || (id_ != 0 && width == width_ && height == height_)) return;
  if (id_ != 0) glDeleteTextures(1, &id_);
  id_ = 0;
  GLint most = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
  width_ = std::min(width, static_cast<int>(most));
  height_ = std::min(height, static_cast<int>(most));
  const bool anySize = AnySizeTextures();
  textureWidth_ = anySize ? width_ : PowerOfTwoAtLeast(width_);
  textureHeight_ = anySize ? height_ : PowerOfTwoAtLeast(height_);
  if (textureWidth_ > most || textureHeight_ > most) {
    width_ = height_ = textureWidth_ = textureHeight_ = 0;
    return;
  }
  glPushAttrib(GL_TEXTURE_BIT);
  SelectTextureUnit(GL_TEXTURE0_ARB);
  BindTextureSampling(&id_, GL_LINEAR, GL_CLAMP_TO_EDGE);
  // Storage only: every use copies the frame in first.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, textureWidth_, textureHeight_, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, nullptr);
  glPopAttrib();
}

PictureRect CScaledPicture::DrawnRect(int width, int height) const {
  PictureRect drawn;
  drawn.width = std::max(1, std::min(width, width_));
  drawn.height = std::max(1, std::min(height, height_));
  return drawn;
}

void CScaledPicture::Stretch(const PictureRect& drawn, const PictureRect& picture) {
  UsePictureViewport(picture);
  if (id_ == 0 || drawn.width > width_ || drawn.height > height_) return;
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();

  SelectTextureUnit(GL_TEXTURE0_ARB);
  glBindTexture(GL_TEXTURE_2D, id_);
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, drawn.x, drawn.y, drawn.width, drawn.height);

  SetOrtho2D(false);  // leaves unit 1 active, texturing off on both
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  PlainFragmentState();
  SelectTextureUnit(GL_TEXTURE0_ARB);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, id_);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

  // The picture's first and last pixel centres fall on the drawn part's first
  // and last texel centres: the quad's edges lie half a pixel beyond them.
  auto span = [](int drawnSide, int pictureSide, int textureSide, float* low, float* high) {
    const double k = pictureSide > 1 ? double(drawnSide - 1) / double(pictureSide - 1) : 0.0;
    *low = static_cast<float>((0.5 - 0.5 * k) / textureSide);
    *high = static_cast<float>((0.5 + (pictureSide - 0.5) * k) / textureSide);
  };
  float u0 = 0, u1 = 0, v0 = 0, v1 = 0;
  span(drawn.width, picture.width, textureWidth_, &u0, &u1);
  span(drawn.height, picture.height, textureHeight_, &v0, &v1);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  glBegin(GL_QUADS);
  glTexCoord2f(u0, v0);
  glVertex2f(0.0f, 0.0f);
  glTexCoord2f(u1, v0);
  glVertex2f(1.0f, 0.0f);
  glTexCoord2f(u1, v1);
  glVertex2f(1.0f, 1.0f);
  glTexCoord2f(u0, v1);
  glVertex2f(0.0f, 1.0f);
  glEnd();

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  UsePictureViewport(picture);
}
