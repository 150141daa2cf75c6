#include "platform/png.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "platform/claim.h"

namespace platform {
namespace {

// Writes the picture into `file`; false when libpng or the disk failed.
bool WriteRows(FILE* file, int width, int height, const uint8_t* rgb) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  // Frames are written by the thousand: fast compression is worth more than
  // the last few per cent of size.
  png_set_compression_level(png, 3);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int row = 0; row < height; ++row) {
    png_write_row(png, const_cast<png_bytep>(rgb + static_cast<size_t>(row) * 3 * width));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePNG(const std::string& path, int width, int height, const uint8_t* rgb, bool replace,
              std::string* reason) {
  thread_local std::string partial;
  TemporaryName(path, &partial);
  const int fd = CreateTemporary(partial, path, reason);
  FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
  if (file == nullptr) {
    if (fd >= 0) {
      if (reason) *reason = "cannot write " + path + ": " + std::strerror(errno);
      close(fd);
      unlink(partial.c_str());
    }
    return false;
  }
  errno = 0;
  bool ok = WriteRows(file, width, height, rgb) && std::fflush(file) == 0;
  int error = errno;
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(partial.c_str());
    if (reason) {
      *reason = "cannot write " + path;
      if (error != 0) *reason += std::string(": ") + std::strerror(error);
    }
    return false;
  }
  return ClaimName(partial, path, replace, reason);
}

}  // namespace platform
