// A check that a tracker module file is complete. libopenmpt accepts a file
// cut short after its header and plays the missing part as silence; the sound
// layer uses this to refuse such a file instead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

typedef struct openmpt_module openmpt_module;

namespace platform {

// For an XM file ("Extended Module: "): true when every pattern, instrument
// and sample its headers announce lies inside the data. Other formats are
// left to the decoder and pass. On false, `why` says what is missing.
bool ModuleIsComplete(const uint8_t* data, size_t size, std::string* why);

// Largest module file that is read.
constexpr size_t kMaxModuleBytes = size_t(256) << 20;

// The one way modules are opened, for playing and for rendering alike: the
// data must be complete (ModuleIsComplete) and readable by libopenmpt; the
// module stops at the song's end instead of fading on. Null on failure, with
// the reason in plain words in `why`. The data may be freed afterwards.
// `exact`: no dither, so that the same module renders the same samples on
// every run (libopenmpt takes this only when the module is opened).
openmpt_module* OpenCheckedModule(const uint8_t* data, size_t size, std::string* why,
                                  bool exact = false);

// Reads the module file `name` names (as the program names it). False, with
// the reason, when it is missing, unreadable, empty or too large.
bool ReadModuleFile(const std::string& name, std::vector<uint8_t>* bytes, std::string* why);

// ReadModuleFile, then OpenCheckedModule.
openmpt_module* OpenCheckedModuleFile(const std::string& name, std::string* why,
                                      bool exact = false);

}  // namespace platform
