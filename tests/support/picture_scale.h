// Pictures made small and set side by side, for tests that compare what the
// program draws with stored pictures.
#pragma once
#include <string>

#include "support/png_read.h"

namespace testsupport {

// `picture` scaled to width x height by a box filter: every output pixel is
// the mean of the source area it covers, partly covered source pixels
// counting by the part they cover. Pictures of one aspect at any size become
// the same small picture within rounding.
Picture Downscale(const Picture& picture, int width, int height);

// Writes `left` and `right` (one size) next to each other, each enlarged
// twice, with a third panel of their difference (four times brighter) for a
// person to look at. False (with the reason) when it cannot be written.
bool WriteSideBySide(const std::string& path, const Picture& left, const Picture& right,
                     std::string* reason);

// Writes `picture` as a PNG. False (with the reason) when it cannot.
bool WritePicture(const std::string& path, const Picture& picture, std::string* reason);

}  // namespace testsupport
