// Renders a tracker module offline, faster than real time, for exports.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Renders the first `frames` sample frames of module file `moduleFile` as
// 16-bit stereo at `sampleRate` into the WAV file `wavPath`; past the end of
// the song it writes silence, so the file always holds exactly `frames`.
// The file is written under a temporary name and renamed when whole. False,
// with the reason, when the module cannot be loaded, the file cannot be
// written or the run is interrupted (SIGINT or SIGTERM) meanwhile.
bool RenderModuleToWav(const std::string& moduleFile, uint64_t frames, int sampleRate,
                       const std::string& wavPath, std::string* reason);

}  // namespace platform
