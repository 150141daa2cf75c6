#include "platform/sound.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/failure_note.h"
#include "platform/files.h"
#include "platform/module_check.h"

namespace platform {
namespace {

constexpr int kDefaultFrequency = 44100;
constexpr Uint16 kBufferFrames = 1024;  // about 23 ms at 44.1 kHz

// Everything the layer holds. The audio callback runs on SDL's audio thread
// and reads `module` and `playing`; the other threads change them only while
// the device is locked.
struct SoundState {
  bool silent = false;  // never open a device
  bool initialised = false;
  bool started = false;  // output running (SoundStart .. SoundStop)
  SDL_AudioDeviceID device = 0;
  bool ownsSubsystem = false;    // audio opened through SDL_InitSubSystem
  bool ownsDummyDriver = false;  // audio opened through SDL_AudioInit("dummy")
  bool realDevice = false;
  int frequency = kDefaultFrequency;
  openmpt_module* module = nullptr;
  MusicHandle handle = 0;
  MusicHandle lastHandle = 0;
  bool playing = false;  // SoundMusicPlay ran and the module has not ended
  bool paused = false;   // the transport's pause: silence, position kept
  bool muted = false;    // the module plays on, unheard
  float volume = 1.0f;   // 0..1
};

SoundState state;

class DeviceLock {
 public:
  DeviceLock() : device_(state.device) {
    if (device_ != 0) SDL_LockAudioDevice(device_);
  }
  ~DeviceLock() {
    if (device_ != 0) SDL_UnlockAudioDevice(device_);
  }
  DeviceLock(const DeviceLock&) = delete;
  DeviceLock& operator=(const DeviceLock&) = delete;

 private:
  SDL_AudioDeviceID device_;
};

// SDL's audio thread: fills `stream` with interleaved stereo int16 frames.
// Nothing is allocated here; silence is written where no module plays.
void Mix(void* /*user*/, Uint8* stream, int len) {
  const size_t frames = size_t(len) / (2 * sizeof(int16_t));
  int16_t* out = reinterpret_cast<int16_t*>(stream);
  size_t done = 0;
  if (state.module != nullptr && state.playing && !state.paused) {
    done = openmpt_module_read_interleaved_stereo(state.module, state.frequency, frames, out);
    if (done < frames) state.playing = false;  // the song has ended
    if (state.muted) {
      done = 0;
    } else if (state.volume < 1.0f) {
      // A fixed-point gain: no clipping can come from scaling down.
      const int32_t gain = static_cast<int32_t>(state.volume * 32768.0f);
      for (size_t i = 0; i < done * 2; ++i) out[i] = static_cast<int16_t>((out[i] * gain) >> 15);
    }
  }
  std::memset(out + done * 2, 0, (frames - done) * 2 * sizeof(int16_t));
}

bool OpenDevice(int device, int frequency) {
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = frequency;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kBufferFrames;
  want.callback = Mix;
  SDL_AudioSpec have;
  SDL_zero(have);

  const char* name = nullptr;
  if (device >= 0 && device < SDL_GetNumAudioDevices(0)) name = SDL_GetAudioDeviceName(device, 0);
  const SDL_AudioDeviceID id =
      SDL_OpenAudioDevice(name, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (id == 0) return false;
  state.device = id;
  state.frequency = have.freq;
  return true;
}

void DestroyModule() {
  if (state.module != nullptr) openmpt_module_destroy(state.module);
  state.module = nullptr;
  state.handle = 0;
  state.playing = false;
}

// True when nothing could play sound here: no sound card and no sound server.
// SDL's device drivers are then skipped, which also keeps the ALSA library
// from printing its complaints about the missing card.
bool NoSoundHardware() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  if (driver != nullptr && *driver) return false;  // the user chose
  if (std::getenv("PULSE_SERVER") != nullptr) return false;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
    struct stat st;
    const std::string folder = runtime;
    if (stat((folder + "/pulse/native").c_str(), &st) == 0) return false;
    if (stat((folder + "/pipewire-0").c_str(), &st) == 0) return false;
  }
  FILE* cards = std::fopen("/proc/asound/cards", "r");
  if (cards == nullptr) return true;
  char line[256];
  bool any = false;
  while (std::fgets(line, sizeof(line), cards) != nullptr) {
    if (std::strstr(line, "no soundcards") == nullptr && line[0] != '\n') any = true;
  }
  std::fclose(cards);
  return !any;
}

}  // namespace

void UseSilentSoundOutput(bool silent) { state.silent = silent; }

bool SoundInit(int device, uint32_t frequency, uint32_t /*flags*/, void* /*window*/) {
  if (state.initialised) return true;
  const int rate =
      frequency == 0 ? kDefaultFrequency : int(std::clamp<uint32_t>(frequency, 8000, 192000));
  state.frequency = rate;
  state.started = false;
  state.realDevice = false;
  if (state.silent) {
    state.initialised = true;
    return true;
  }

  // The configured driver first (SDL_AUDIODRIVER or SDL's own choice).
  if (!NoSoundHardware() && SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    if (OpenDevice(device, rate)) {
      state.ownsSubsystem = true;
      const char* driver = SDL_GetCurrentAudioDriver();
      state.realDevice = driver == nullptr || std::strcmp(driver, "dummy") != 0;
      state.initialised = true;
      return true;
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  // No usable sound card: play to SDL's silent dummy output, which still pulls
  // samples in real time, so the music runs as it would on a device.
  SDL_AudioQuit();
  if (SDL_AudioInit("dummy") != 0 || !OpenDevice(-1, rate)) {
    NoteLoadFailure("sound output", "",
                    std::string("not even a silent output could be opened: ") + SDL_GetError());
    SDL_AudioQuit();
    return false;
  }
  state.ownsDummyDriver = true;
  state.initialised = true;
  return true;
}

bool SoundStart() {
  if (!state.initialised) return false;
  state.started = true;
  if (state.device != 0) SDL_PauseAudioDevice(state.device, 0);
  return true;
}

MusicHandle SoundMusicLoad(bool mem, const void* file, uint64_t offset, uint32_t length,
                           uint32_t /*flags*/) {
  if (!state.initialised || file == nullptr) return 0;

  // A file that cannot be played is noted with its full path and the reason,
  // for the shell's last message.
  const std::string name = mem ? std::string() : static_cast<const char*>(file);
  auto fail = [&name](const std::string& why) {
    NoteLoadFailure("music", name, why);
    return MusicHandle(0);
  };
  std::vector<uint8_t> bytes;
  const uint8_t* data = nullptr;
  size_t size = 0;
  std::string why;
  if (mem) {
    // In memory the bytes start at `file`; the offset applies to files only.
    data = static_cast<const uint8_t*>(file);
    size = length;
  } else {
    if (!ReadModuleFile(name, &bytes, &why)) return fail(why);
    if (offset > bytes.size()) return fail("the offset lies past the end of the file");
    const size_t available = bytes.size() - size_t(offset);
    if (length > available) return fail("the length reaches past the end of the file");
    data = bytes.data() + offset;
    size = length == 0 ? available : length;
  }
  openmpt_module* module = OpenCheckedModule(data, size, &why);
  if (module == nullptr) return fail(why);

  DeviceLock lock;
  DestroyModule();  // one module at a time: a new one replaces the old
  state.module = module;
  if (++state.lastHandle == 0) ++state.lastHandle;
  state.handle = state.lastHandle;
  return state.handle;
}

bool SoundMusicPlay(MusicHandle music) {
  if (!state.initialised || music == 0 || music != state.handle) return false;
  DeviceLock lock;
  openmpt_module_set_position_seconds(state.module, 0.0);
  state.playing = true;
  return true;
}

bool SoundStop() {
  if (!state.initialised) return false;
  state.started = false;
  if (state.device != 0) SDL_PauseAudioDevice(state.device, 1);
  return true;
}

bool SoundMusicFree(MusicHandle music) {
  if (!state.initialised || music == 0 || music != state.handle) return false;
  DeviceLock lock;
  DestroyModule();
  return true;
}

bool SoundFree() {
  if (!state.initialised) return false;
  if (state.device != 0) SDL_CloseAudioDevice(state.device);  // waits for the callback
  state.device = 0;
  DestroyModule();
  if (state.ownsSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  if (state.ownsDummyDriver) SDL_AudioQuit();
  state.ownsSubsystem = false;
  state.ownsDummyDriver = false;
  state.realDevice = false;
  state.started = false;
  state.initialised = false;
  return true;
}

void SoundSetPaused(bool paused) {
  DeviceLock lock;
  state.paused = paused;
}

void SoundSetPosition(double seconds) {
  DeviceLock lock;
  if (state.module == nullptr || state.handle == 0) return;
  openmpt_module_set_position_seconds(state.module, seconds < 0.0 ? 0.0 : seconds);
  // Back from the end: the module plays again if the show had started it.
  if (state.started) state.playing = true;
}

void SoundSetVolume(float volume) {
  DeviceLock lock;
  state.volume = volume < 0.0f ? 0.0f : (volume > 1.0f ? 1.0f : volume);
}

void SoundSetMuted(bool muted) {
  DeviceLock lock;
  state.muted = muted;
}

bool SoundIsPlaying() {
  DeviceLock lock;
  return state.initialised && state.started && state.module != nullptr && state.playing;
}

bool SoundHasDevice() { return state.initialised && state.device != 0 && state.realDevice; }

double SoundPositionSeconds() {
  DeviceLock lock;
  if (!state.initialised || state.module == nullptr) return 0.0;
  return openmpt_module_get_position_seconds(state.module);
}

void SoundPull(int16_t* out, int frames) {
  DeviceLock lock;
  Mix(nullptr, reinterpret_cast<Uint8*>(out), frames * 2 * static_cast<int>(sizeof(int16_t)));
}

}  // namespace platform
