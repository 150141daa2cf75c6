// The generator of the production's data: everything the program loads,
// written into one folder (the folder that holds the program).
#pragma once
#include <string>

namespace content {

// Each writes its files below `outDir` and returns "" on success, else what
// failed. The output is the same, byte for byte, on every run.
std::string WritePictures(const std::string& outDir);    // textures/*.jpg named by the layers
std::string WriteScenes(const std::string& outDir);      // scenes/*.3ds and the textures they name
std::string WriteSoundtrack(const std::string& outDir);  // demomusic.xm
// icons/velmora-<size>.png: the program's desktop icon at each installed size.
std::string WriteIcons(const std::string& outDir);
inline constexpr int kIconSizes[] = {48, 128, 256};

}  // namespace content
