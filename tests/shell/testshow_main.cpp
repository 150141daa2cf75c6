// A small show for the shell's tests. Three scenes, each one layer filling the
// picture with one colour: red until 1 s, green until 2 s, then blue. Every
// Init, Restart and Done is appended to "layer_events.txt" in the working
// folder; a file "fail_init" there makes the green layer's Init fail.
#include <cstdio>
#include <filesystem>
#include <string>

#include "render/glhelpers.h"
#include "shell/demo.h"

namespace {

void Note(const std::string& line) {
  if (FILE* file = std::fopen("layer_events.txt", "a")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

class ColourLayer : public CLayer {
 public:
  ColourLayer(const char* name, float r, float g, float b) : name_(name), colour_{r, g, b, 1.0f} {}

  Result Init() override {
    Note(std::string("init ") + name_);
    if (std::string(name_) == "green" && std::filesystem::exists("fail_init"))
      return Result(1, "CGreen::Init() : asked to fail");
    return Result(0, "ok");
  }
  void Restart() override { Note(std::string("restart ") + name_); }
  void Render(float t) override {
    (void)t;
    SetOrtho2D(false);
    DrawRect2D(0, 0, 640, 480, colour_);
  }
  Result Done() override {
    Note(std::string("done ") + name_);
    return Result(0, "ok");
  }

 private:
  const char* name_;
  float colour_[4];
};

ColourLayer red("red", 1, 0, 0);
ColourLayer green("green", 0, 1, 0);
ColourLayer blue("blue", 0, 0, 1);

void FillTestTimeline(std::vector<Scene>* sceneData) {
  sceneData->push_back({1.0f, {&red}});
  sceneData->push_back({2.0f, {&green}});
  sceneData->push_back({600.0f, {&blue}});
}

}  // namespace

int main(int argc, char** argv) { return RunDemo(argc, argv, FillTestTimeline); }
