// Writing frames to PNG files.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Writes an 8-bit RGB picture; `rgb` holds rows top first, 3 * width bytes each.
// The picture is written under a temporary name of this run beside `path`
// and claimed as `path` only when complete (see platform/claim.h), so `path`
// is either the whole new picture or as it was. Without `replace` a file at
// `path`, also one that appeared meanwhile, is never replaced. False (with
// the reason, naming `path`) when the file cannot be written or claimed.
bool WritePNG(const std::string& path, int width, int height, const uint8_t* rgb, bool replace,
              std::string* reason);

}  // namespace platform
