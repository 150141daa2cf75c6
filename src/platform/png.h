// Writing frames to PNG files.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Writes an 8-bit RGB picture; `rgb` holds rows top first, 3 * width bytes each.
// The picture is written under a temporary name beside `path` and renamed to
// it only when complete, so `path` is either the whole new picture or as it
// was. False (with the reason) when the file cannot be written.
bool WritePNG(const std::string& path, int width, int height, const uint8_t* rgb,
              std::string* reason);

// The temporary name under which `path` is written: ".NAME.partial" beside it.
// `out` keeps its capacity, so naming allocates nothing after the first call.
void PartialName(const std::string& path, std::string* out);

}  // namespace platform
