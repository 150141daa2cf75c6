// Writes the production's 3DS scenes into outDir/scenes and the textures
// their materials name into outDir/textures.
#include <filesystem>
#include <set>

#include "content/generate.h"
#include "content/scenes_internal.h"

namespace content {

std::string WriteScenes(const std::string& outDir) {
  struct Entry {
    const char* file;
    void (*build)(scenes::SceneOut&);
  };
  const Entry entries[] = {
      {"nsphere.3ds", scenes::BuildSphere},     {"object_03.3ds", scenes::BuildShell},
      {"anim_02.3ds", scenes::BuildLighthouse}, {"anim_03.3ds", scenes::BuildCableYard},
      {"object_01.3ds", scenes::BuildDrone},    {"krab.3ds", scenes::BuildCrab},
      {"tunel_0.3ds", scenes::BuildTunnel},     {"strom.3ds", scenes::BuildTree},
      {"cone.3ds", scenes::BuildCone},          {"object_04.3ds", scenes::BuildWheel},
      {"anim_05.3ds", scenes::BuildEngine},     {"igra.3ds", scenes::BuildKnight},
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
