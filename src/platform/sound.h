// The sound layer: plays one tracker module at a time.
//
// Seven operations, used by the scene player in this order: SoundInit,
// SoundStart, SoundMusicLoad, SoundMusicPlay while the show runs, and
// SoundStop, SoundMusicFree, SoundFree at the end. Modules are decoded with
// libopenmpt and mixed into an SDL audio device. Where no audio device can be
// opened (no sound card) the layer plays to a silent output instead.
#pragma once
#include <cstdint>

namespace platform {

using MusicHandle = uint32_t;  // 0 means none

// Unattended runs: every operation works, but nothing is ever sent to an audio
// device (no device is opened at all). Call before SoundInit.
void UseSilentSoundOutput(bool silent);

// device -1 is the default device; frequency in Hz; flags and window unused.
// False only when not even the silent output can be set up.
bool SoundInit(int device, uint32_t frequency, uint32_t flags, void* window);
bool SoundStart();
// Loads a module from the file `file` (mem false; offset and length 0 read the
// whole file) or from memory (mem true: `file` points to length bytes).
// Returns 0 when the file is missing, unreadable or not a module.
MusicHandle SoundMusicLoad(bool mem, const void* file, uint64_t offset, uint32_t length,
                           uint32_t flags);
// Plays the module from its start.
bool SoundMusicPlay(MusicHandle music);
bool SoundStop();
// Stop, free and release may each be called again after they ran: a repeated
// call (or an unknown handle) does nothing.
bool SoundMusicFree(MusicHandle music);
bool SoundFree();

// The player's transport. Paused, the output plays silence and the module's
// position stands still. The position moves the loaded module (seconds from
// its start; a module that had played to its end plays again from there).
// The volume scales the output from 0 (silent) to 1 (as mixed); muting keeps
// the module playing, unheard.
void SoundSetPaused(bool paused);
void SoundSetPosition(double seconds);
void SoundSetVolume(float volume);
void SoundSetMuted(bool muted);

// For tests and diagnostics: true while a module is playing (the output pulls
// samples from it).
bool SoundIsPlaying();
// True when the layer runs on a real audio device rather than a silent output.
bool SoundHasDevice();
// For tests and diagnostics: the loaded module's play position in seconds
// (0 when none is loaded). It advances only while an output pulls samples.
double SoundPositionSeconds();
// For tests: pulls the next `frames` stereo frames (interleaved int16) into
// `out` on the calling thread, exactly as an output device would. Meant for
// the silent output, which has no device pulling on its own.
void SoundPull(int16_t* out, int frames);

}  // namespace platform
