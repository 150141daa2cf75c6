// Writes the fuzz targets' seed inputs: small valid files of each kind, made
// with the content writers, and a few command lines. The committed seeds in
// fuzz/corpus/ were made by this program, after a first scripts/fuzz run:
//   cmake --build build-fuzz --target velmora_fuzz_seeds
//   build-fuzz/fuzz/velmora_fuzz_seeds fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "content/jpeg_writer.h"
#include "content/scene_builder.h"
#include "content/xm_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool Write(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool Scenes(const std::string& dir, std::string* error) {
  using namespace content;
  // Materials with a map, a reflection, both and none; meshes with and
  // without texels; a child node with keys; a camera with its target; a light.
  SceneBuilder scene;
  scene.SetFrames(30);
  scene.AddMaterial({"MAPPED", {}, {1, 1, 1}, {}, "a.jpg", "", false});
  scene.AddMaterial({"SHINY", {}, {1, 1, 1}, {}, "", "b.jpg", false});
  scene.AddMaterial({"BOTH", {}, {1, 1, 1}, {}, "a.jpg", "b.jpg", false});
  scene.AddMaterial({"PLAIN", {}, {0, 0, 1}, {}, "", "", false});
  float x = -2;
  for (const char* material : {"MAPPED", "SHINY", "BOTH", "PLAIN"}) {
    SceneMesh mesh = MakeQuad(std::string("q_") + material, x, 0, x + 1, 1, 0, material);
    if (material[0] == 'P') mesh.texels.clear();
    scene.AddMesh(mesh);
    x += 1;
  }
  const SceneNodeId dummy = scene.AddObjectNode("$$$DUMMY");
  scene.AddObjectNode("q_MAPPED");
  scene.AddObjectNode("q_SHINY", dummy, {0.5f, 0, 0});
  const SceneNodeId both = scene.AddObjectNode("q_BOTH", dummy);
  scene.AddObjectNode("q_PLAIN");
  scene.AddPositionKey(both, 0, {0, 0, 0});
  scene.AddPositionKey(both, 10, {1, 0, 0});
  scene.AddPositionKey(both, 20, {1, 1, 0});
  scene.AddRotationKey(both, 15, {0, 0, 1}, 90);
  scene.AddScaleKey(dummy, 10, {2, 2, 2});
  scene.AddCamera({"cam", {0, -10, 0}, {0, 0, 0}, 45, 0, 1, 300});
  const SceneNodeId camera = scene.AddCameraNode("cam");
  scene.AddFovKey(camera, 20, 50);
  scene.AddRollKey(camera, 10, 5);
  scene.AddTargetNode("cam");
  scene.AddLight({"lamp", {1, -5, 5}, {1, 0.5f, 0.25f}, 1});
  scene.AddLightNode("lamp");
  if (!scene.Save(dir + "/rich.3ds", error)) return false;

  SceneBuilder box;
  box.AddMesh(MakeBox("box", {0, 0, 0}, {1, 1, 1}, "NOSUCH"));
  box.AddObjectNode("box");
  return box.Save(dir + "/box.3ds", error);
}

bool Pictures(const std::string& dir, std::string* error) {
  struct Picture {
    const char* name;
    int w, h, channels;
    content::JpegWriteOptions options;
  };
  const Picture pictures[] = {{"baseline.jpg", 13, 11, 3, {false, 2}},
                              {"progressive.jpg", 17, 9, 3, {true}},
                              {"grey.jpg", 9, 7, 1, {true}},
                              {"full_chroma.jpg", 8, 8, 3, {false, 0, true}},
                              {"cmyk.jpg", 7, 5, 4, {}},
                              {"ycck.jpg", 6, 6, 4, {false, 0, false, true}}};
  for (const Picture& p : pictures) {
    Bytes pixels(size_t(p.w * p.h * p.channels));
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 37 % 251);
    Bytes bytes;
    if (!content::EncodeJpeg(p.w, p.h, p.channels, pixels.data(), 75, p.options, &bytes, error) ||
        !Write(dir + "/" + p.name, bytes)) {
      return false;
    }
  }
  return true;
}

bool Modules(const std::string& dir, std::string* error) {
  xm::XmSample sine;
  for (int i = 0; i < 32; ++i) sine.pcm16.push_back(int16_t((i - 16) * 1500));
  sine.loop = xm::XmLoop::kForward;
  sine.loopLength = 32;
  xm::XmSample blip;
  for (int i = 0; i < 16; ++i) blip.pcm8.push_back(int8_t(i * 8 - 64));
  xm::XmModule m;
  m.channels = 2;
  m.orders = {0, 1};
  m.patterns = {xm::XmPattern(4, 2), xm::XmPattern(2, 2)};
  m.patterns[0].At(0, 0) = {xm::Note(4, 0), 1, xm::Volume(40), 0, 0};
  m.patterns[0].At(2, 1) = {xm::Note(3, 7), 2, 0, xm::kVolumeSlide, 0x0F};
  m.patterns[1].At(1, 0) = {xm::kKeyOff, 0, 0, 0, 0};
  m.instruments.push_back({"sine", {sine}, {}, {}, {}, 100, 0, 0, 0, 0});
  m.instruments.push_back({"blip", {blip}, {}, {}, {}, 0, 0, 0, 0, 0});
  const Bytes bytes = xm::WriteXm(m, error);
  if (bytes.empty() || !Write(dir + "/two_patterns.xm", bytes)) return false;
  // Not an XM file: passed on to the player, which refuses it.
  return Write(dir + "/not_a_module.bin", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6});
}

bool CommandLines(const std::string& dir) {
  const std::vector<std::vector<std::string>> lines = {
      {"--offscreen", "--fps", "10", "--until", "2", "--shot", "1.5:a.png", "--key", "0.5:Home"},
      {"--window", "--size=1024x768", "--start", "50.2", "--no-vsync", "--data", "/nonexistent"},
      {"--export", "out.mkv", "--supersample", "2", "--motion-blur=4", "--console", "--overwrite"},
      {"--export", "frames", "--key", "3:F2", "--key=4:M"},
      {"--fullscreen", "--version", "--help"},
      {"--window", "--display", "1", "--scale", "0.6", "--no-config"},
      {"--offscreen", "--scale=auto", "--osd", "--fill", "--until", "1"}};
  int n = 0;
  for (const auto& words : lines) {
    Bytes bytes;  // the words separated by zero bytes
    for (const std::string& word : words) {
      if (!bytes.empty()) bytes.push_back(0);
      bytes.insert(bytes.end(), word.begin(), word.end());
    }
    if (!Write(dir + "/line" + std::to_string(++n), bytes)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmora_fuzz_seeds CORPUS_FOLDER\n");
    return 2;
  }
  const std::string root = argv[1];
  for (const char* target : {"3ds", "jpeg", "module", "options"})
    std::filesystem::create_directories(root + "/" + target);
  std::string error = "cannot write a seed";
  if (!Scenes(root + "/3ds", &error) || !Pictures(root + "/jpeg", &error) ||
      !Modules(root + "/module", &error) || !CommandLines(root + "/options")) {
    std::fprintf(stderr, "velmora_fuzz_seeds: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
