// Writing frames to PNG files.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Writes an 8-bit RGB picture; `rgb` holds rows top first, 3 * width bytes each.
// False (with the reason) when the file cannot be written.
bool WritePNG(const std::string& path, int width, int height, const uint8_t* rgb,
              std::string* reason);

}  // namespace platform
