// Writes the production's 3DS scenes into outDir/scenes and the textures
// their materials name into outDir/textures.
#include <filesystem>
#include <set>

#include "content/generate.h"
#include "content/scenes_internal.h"
#include "timeline/show/show.h"

namespace content {

std::string WriteScenes(const std::string& outDir) {
  struct Entry {
    const char* file;
    void (*build)(scenes::SceneOut&);
  };
  const Entry entries[] = {
      {show::models::kNsphere, scenes::BuildSphere},
      {show::models::kObject03, scenes::BuildShell},
      {show::models::kAnim02, scenes::BuildLighthouse},
      {show::models::kAnim03, scenes::BuildCableYard},
      {show::models::kObject01, scenes::BuildDrone},
      {show::models::kKrab, scenes::BuildCrab},
      {show::models::kTunel0, scenes::BuildTunnel},
      {show::models::kStrom, scenes::BuildTree},
      {show::models::kCone, scenes::BuildCone},
      {show::models::kObject04, scenes::BuildWheel},
      {show::models::kAnim05, scenes::BuildEngine},
      {show::models::kIgra, scenes::BuildKnight},
  };
  std::error_code made;
  std::filesystem::create_directories(outDir + "/scenes", made);
  std::filesystem::create_directories(outDir + "/textures", made);
  if (made) return "cannot make the folders in " + outDir + ": " + made.message();
  std::set<std::string> textures;
  for (const Entry& entry : entries) {
    scenes::SceneOut out;
    entry.build(out);
    if (!out.error.empty()) return std::string(entry.file) + ": " + out.error;
    std::string error;
    if (!out.builder.Save(outDir + "/scenes/" + entry.file, &error))
      return std::string(entry.file) + ": " + error;
    textures.insert(out.textures.begin(), out.textures.end());
  }
  for (const std::string& texture : textures) {
    const std::string failure =
        scenes::WriteMaterialTexture(texture, outDir + "/textures/" + texture);
    if (!failure.empty()) return failure;
  }
  return "";
}

}  // namespace content
