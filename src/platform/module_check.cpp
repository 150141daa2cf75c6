#include "platform/module_check.h"

#include <libopenmpt/libopenmpt.h>

#include <cstring>

#include "platform/files.h"

namespace platform {
namespace {

uint32_t U16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

}  // namespace

bool ModuleIsComplete(const uint8_t* data, size_t size, std::string* why) {
  static const char kMagic[] = "Extended Module: ";
  const size_t magicLength = sizeof(kMagic) - 1;
  if (size < magicLength || std::memcmp(data, kMagic, magicLength) != 0) return true;

  // The song header: its size is counted from offset 60.
  if (size < 80) {
    *why = "the module header is cut short";
    return false;
  }
  const uint64_t headerSize = U32(data + 60);
  const uint32_t patterns = U16(data + 70);
  const uint32_t instruments = U16(data + 72);
  uint64_t at = 60 + headerSize;
  if (headerSize < 20 || at > size) {
    *why = "the module header is cut short";
    return false;
  }

  for (uint32_t i = 0; i < patterns; ++i) {
    if (at + 9 > size) {
      *why = "pattern " + std::to_string(i) + " is missing";
      return false;
    }
    const uint64_t length = U32(data + at);
    const uint64_t packed = U16(data + at + 7);
    at += length + packed;
    if (length < 9 || at > size) {
      *why = "pattern " + std::to_string(i) + " is cut short";
      return false;
    }
  }

  for (uint32_t i = 0; i < instruments; ++i) {
    if (at + 29 > size) {
      *why = "instrument " + std::to_string(i + 1) + " is missing";
      return false;
    }
    const uint64_t length = U32(data + at);
    const uint32_t samples = U16(data + at + 27);
    if (length < 29) {
      *why = "instrument " + std::to_string(i + 1) + " has a broken header";
      return false;
    }
    uint64_t sampleHeaderSize = 40;
    if (samples > 0) {
      if (at + 33 > size) {
        *why = "instrument " + std::to_string(i + 1) + " is cut short";
        return false;
      }
      sampleHeaderSize = U32(data + at + 29);
      if (sampleHeaderSize < 4) sampleHeaderSize = 40;
    }
    const uint64_t headers = at + length;
    uint64_t sampleData = 0;
    for (uint32_t s = 0; s < samples; ++s) {
      const uint64_t header = headers + s * sampleHeaderSize;
      if (header + 4 > size) {
        *why = "instrument " + std::to_string(i + 1) + " is cut short";
        return false;
      }
      sampleData += U32(data + header);
    }
    at = headers + uint64_t(samples) * sampleHeaderSize + sampleData;
    if (at > size) {
      *why = "the samples of instrument " + std::to_string(i + 1) + " are cut short";
      return false;
    }
  }
  return true;
}

openmpt_module* OpenCheckedModule(const uint8_t* data, size_t size, std::string* why, bool exact) {
  if (data == nullptr || size == 0) {
    *why = "the file is empty";
    return nullptr;
  }
  // libopenmpt would play a file cut short as silence where data is missing.
  std::string missing;
  if (!ModuleIsComplete(data, size, &missing)) {
    *why = "the module is cut short: " + missing;
    return nullptr;
  }
  // Without `exact` the second entry ends the list.
  const openmpt_module_initial_ctl ctls[] = {
      {"play.at_end", "stop"}, {exact ? "dither" : nullptr, "0"}, {nullptr, nullptr}};
  int error = 0;
  const char* message = nullptr;
  openmpt_module* module = openmpt_module_create_from_memory2(
      data, size, openmpt_log_func_silent, nullptr, nullptr, nullptr, &error, &message, ctls);
  if (module == nullptr) {
    *why = "it is not a tracker module that can be played";
    if (message != nullptr && *message != '\0') *why += std::string(" (") + message + ")";
  }
  if (message != nullptr) openmpt_free_string(message);
  return module;
}

bool ReadModuleFile(const std::string& name, std::vector<uint8_t>* bytes, std::string* why) {
  if (!ReadWholeFile(name, bytes, kMaxModuleBytes, why)) return false;
  if (bytes->empty()) {
    *why = "the file is empty";
    return false;
  }
  return true;
}

openmpt_module* OpenCheckedModuleFile(const std::string& name, std::string* why, bool exact) {
  std::vector<uint8_t> bytes;
  if (!ReadModuleFile(name, &bytes, why)) return nullptr;
  return OpenCheckedModule(bytes.data(), bytes.size(), why, exact);
}

}  // namespace platform
