// velmora-content OUTDIR: writes the production's scenes, pictures and
// soundtrack into OUTDIR/scenes, OUTDIR/textures and OUTDIR/demomusic.xm, and
// the program's icon into OUTDIR/icons.
#include <cstdio>
#include <filesystem>
#include <string>

#include "content/generate.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmora-content OUTDIR\n");
    return 2;
  }
  const std::string out = argv[1];
  std::error_code error;
  std::filesystem::create_directories(out + "/scenes", error);
  std::filesystem::create_directories(out + "/textures", error);
  if (error) {
    std::fprintf(stderr, "velmora-content: cannot make folders in %s: %s\n", out.c_str(),
                 error.message().c_str());
    return 1;
  }
  struct Step {
    const char* what;
    std::string (*write)(const std::string&);
  };
  const Step steps[] = {{"pictures", content::WritePictures},
                        {"scenes", content::WriteScenes},
                        {"soundtrack", content::WriteSoundtrack},
                        {"icons", content::WriteIcons}};
  for (const Step& step : steps) {
    const std::string failure = step.write(out);
    if (!failure.empty()) {
      std::fprintf(stderr, "velmora-content: %s: %s\n", step.what, failure.c_str());
      return 1;
    }
  }
  return 0;
}
