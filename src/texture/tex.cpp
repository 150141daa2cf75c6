#include "texture/tex.h"

#include <new>
#include <vector>

#include "platform/failure_note.h"
#include "platform/jpeg.h"
#include "shell/base/glapi.h"

namespace {

// No texture is made from a pixel buffer larger than this (about 4700 pixels
// square): a header claiming more is hostile or a mistake.
constexpr uint64_t kMaxPixelBytes = uint64_t(64) << 20;

// The largest side OpenGL accepts; a conservative guess without a context.
int MaxTextureSize() {
  GLint size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  return size > 0 ? size : 2048;
}

}  // namespace

Result CTex::Load(const std::string& name, bool mipmaps) {
  platform::JpegProperties jpeg;
  // Every failure notes the file and the decoder's reason for the shell's
  // last message; the result keeps its fixed text.
  auto fail = [&name, &jpeg](int code, const char* message, const std::string& why) {
    platform::NoteLoadFailure("texture", name, why);
    platform::JpegFree(&jpeg);
    return Result(code, message);
  };
  if (platform::JpegInit(&jpeg) != 0) {
    return fail(1, "CTex::Load() : ijlInit failed!", jpeg.reason);
  }

  jpeg.jpgFile = name;
  if (platform::JpegRead(&jpeg, platform::kJpegReadParams) != 0) {
    return fail(2, ("CTex::Load() : can't read image " + name).c_str(), jpeg.reason);
  }

  const char* readFailed = "CTex::Load() : Read image failed!";
  const int w = jpeg.jpgWidth;
  const int h = jpeg.jpgHeight;
  const int maxSide = MaxTextureSize();
  // Rows padded to a multiple of 4 bytes, OpenGL's unpack alignment.
  const uint64_t rowBytes = (3 * uint64_t(w) + 3) & ~uint64_t(3);
  if (w <= 0 || h <= 0 || w > maxSide || h > maxSide || rowBytes * uint64_t(h) > kMaxPixelBytes) {
    return fail(3, readFailed,
                "the picture is " + std::to_string(w) + "x" + std::to_string(h) +
                    " pixels, more than a texture may hold (" + std::to_string(maxSide) +
                    " pixels a side)");
  }
  // GLU's mipmap builder, scaling to powers of two, reads a little past the
  // pixels it is given (2 bytes for 512x160, for instance). One spare row
  // after the picture keeps that read inside our own buffer.
  std::vector<uint8_t> pixels;
  try {
    pixels.resize(size_t(rowBytes * uint64_t(h + 1)));
  } catch (const std::bad_alloc&) {
    return fail(3, readFailed, "not enough memory for its pixels");
  }
  jpeg.dibWidth = w;
  jpeg.dibHeight = h;
  jpeg.dibChannels = 3;
  jpeg.dibPadBytes = int(rowBytes - 3 * uint64_t(w));
  jpeg.dibBytes = pixels.data();
  jpeg.dibSize = size_t(rowBytes * uint64_t(h));
  if (platform::JpegRead(&jpeg, platform::kJpegReadWholeImage) != 0) {
    return fail(3, readFailed, jpeg.reason);
  }
  if (platform::JpegFree(&jpeg) != 0) {
    platform::NoteLoadFailure("texture", name, jpeg.reason);
    return Result(4, "CTex::Load(): ijlFree failed!");
  }

  width = w;
  height = h;
  fileName = name;
  GLuint texture = 0;
  glGenTextures(1, &texture);
  id = texture;
  glBindTexture(GL_TEXTURE_2D, id);

  // The rows are laid out for the default unpack state; make sure that is
  // what OpenGL reads with, whatever other code has set.
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
  glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  if (mipmaps) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  } else {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  }
  glPopClientAttrib();
  return Result(0, "CTex::Load() : Ok!");
}

Result CTex::Relase() {
  if (id != kNoTexture) {
    GLuint name = id;
    glDeleteTextures(1, &name);
  }
  return Result(0, "CTex::Relase() : ok!");
}
