// Writes the soundtrack, "demomusic.xm", beside the program.
#include "content/soundtrack.h"

#include "content/generate.h"

namespace content {

std::string WriteSoundtrack(const std::string& outDir) {
  xm::XmModule module;
  const std::string fault = music::Compose(&module);
  if (!fault.empty()) return "demomusic.xm: " + fault;
  std::string error;
  if (!xm::SaveXm(outDir + "/demomusic.xm", module, &error)) return "demomusic.xm: " + error;
  return {};
}

}  // namespace content
