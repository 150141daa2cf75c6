#include "platform/soundtrack_render.h"

#include <libopenmpt/libopenmpt.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/claim.h"
#include "platform/files.h"
#include "platform/module_check.h"
#include "platform/signals.h"

namespace platform {
namespace {

void PutLE(std::vector<uint8_t>* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> WavHeader(uint64_t frames, int sampleRate) {
  const uint32_t dataBytes = static_cast<uint32_t>(frames * 4);
  std::vector<uint8_t> h;
  const char* riff = "RIFF";
  h.insert(h.end(), riff, riff + 4);
  PutLE(&h, 36 + dataBytes, 4);
  const char* wavefmt = "WAVEfmt ";
  h.insert(h.end(), wavefmt, wavefmt + 8);
  PutLE(&h, 16, 4);
  PutLE(&h, 1, 2);  // PCM
  PutLE(&h, 2, 2);  // stereo
  PutLE(&h, static_cast<uint32_t>(sampleRate), 4);
  PutLE(&h, static_cast<uint32_t>(sampleRate) * 4, 4);
  PutLE(&h, 4, 2);
  PutLE(&h, 16, 2);
  const char* data = "data";
  h.insert(h.end(), data, data + 4);
  PutLE(&h, dataBytes, 4);
  return h;
}

}  // namespace

bool RenderModuleToWav(const std::string& moduleFile, uint64_t frames, int sampleRate,
                       const std::string& wavPath, bool replace, const std::string& shownName,
                       std::string* reason) {
  const std::string& shown = shownName.empty() ? wavPath : shownName;
  if (frames * 4 > 0xFFFFFFF0ull) {
    *reason = "soundtrack too long for a WAV file";
    return false;
  }
  std::string why;
  // Exact samples, the same on every run.
  openmpt_module* module = OpenCheckedModuleFile(moduleFile, &why, true);
  if (module == nullptr) {
    *reason = "cannot play " + FullPath(moduleFile) + ": " + why;
    return false;
  }
  // Written under a temporary name and claimed when whole.
  std::string partial;
  TemporaryName(wavPath, &partial);
  const int fd = CreateTemporary(partial, shown, reason);
  FILE* file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
  if (file == nullptr) {
    if (fd >= 0) {
      *reason = "cannot write " + shown + ": " + std::strerror(errno);
      close(fd);
      unlink(partial.c_str());
    }
    openmpt_module_destroy(module);
    return false;
  }
  // The first error the system gave, for the message.
  int error = 0;
  auto put = [&](const void* bytes, size_t size, size_t count) {
    if (error != 0) return false;
    errno = 0;
    if (std::fwrite(bytes, size, count, file) == count) return true;
    error = errno != 0 ? errno : EIO;
    return false;
  };
  const std::vector<uint8_t> header = WavHeader(frames, sampleRate);
  bool ok = put(header.data(), 1, header.size());
  std::vector<int16_t> block(4096 * 2);
  uint64_t left = frames;
  bool ended = false;
  bool interrupted = false;
  while (ok && left > 0) {
    if (Interrupted()) {
      interrupted = true;
      break;
    }
    const size_t want = static_cast<size_t>(left < 4096 ? left : 4096);
    size_t got = 0;
    if (!ended) {
      got = openmpt_module_read_interleaved_stereo(module, sampleRate, want, block.data());
      if (got < want) ended = true;
    }
    for (size_t i = got * 2; i < want * 2; ++i) block[i] = 0;
    // WAV data is little-endian, as is every machine this runs on.
    ok = put(block.data(), 4, want);
    left -= want;
  }
  openmpt_module_destroy(module);
  if (ok && std::fflush(file) != 0) {
    ok = false;
    error = errno;
  }
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && !interrupted) return ClaimName(partial, wavPath, replace, reason);
  unlink(partial.c_str());
  if (interrupted) {
    *reason = "interrupted";
  } else {
    *reason = "cannot write " + shown + ": " + std::strerror(error != 0 ? error : EIO);
  }
  return false;
}

}  // namespace platform
