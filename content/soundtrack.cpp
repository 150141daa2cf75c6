// Writes the soundtrack, "demomusic.xm", beside the program.
#include "content/soundtrack.h"

#include "content/generate.h"
#include "timeline/show/show.h"

namespace content {

std::string WriteSoundtrack(const std::string& outDir) {
  xm::XmModule module;
  const std::string fault = music::Compose(&module);
  const std::string name = show::kMusicFile;
  if (!fault.empty()) return name + ": " + fault;
  std::string error;
  if (!xm::SaveXm(outDir + "/" + name, module, &error)) return name + ": " + error;
  return {};
}

}  // namespace content
