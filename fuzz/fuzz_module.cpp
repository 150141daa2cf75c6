// Fuzz target: a module file through the completeness check and, for XM
// files, the one way the program opens modules: one that opens must have
// passed the check (an XM file cut short never reaches the player). Other
// formats pass the check untouched and are libopenmpt's own business; probing
// every format it knows would slow the search down a hundredfold.
#include <libopenmpt/libopenmpt.h>

#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/module_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string why;
  const bool complete = platform::ModuleIsComplete(data, size, &why);
  if (!complete && why.empty()) fuzzsupport::Fail("an incomplete module without a reason");
  static const char kMagic[] = "Extended Module: ";
  if (size < sizeof kMagic - 1 || std::memcmp(data, kMagic, sizeof kMagic - 1) != 0) return 0;
  why.clear();
  openmpt_module* module = platform::OpenCheckedModule(data, size, &why, true);
  if (module == nullptr) {
    if (why.empty()) fuzzsupport::Fail("a module refused without a reason");
    return 0;
  }
  if (!complete) fuzzsupport::Fail("a module the check refuses was opened");
  openmpt_module_destroy(module);
  return 0;
}
