// A check that a tracker module file is complete. libopenmpt accepts a file
// cut short after its header and plays the missing part as silence; the sound
// layer uses this to refuse such a file instead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// For an XM file ("Extended Module: "): true when every pattern, instrument
// and sample its headers announce lies inside the data. Other formats are
// left to the decoder and pass. On false, `why` says what is missing.
bool ModuleIsComplete(const uint8_t* data, size_t size, std::string* why);

}  // namespace platform
