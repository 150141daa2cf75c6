// Fuzz target: the command line. The input is split at zero bytes into the
// words after the program's name. Whatever the words, ParseOptions either
// refuses them with a message or fills in options the program can carry out.
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "app/cli/options.h"
#include "fuzz/fuzz_support.h"

namespace {

void Require(bool holds, const char* promise) {
  if (!holds) fuzzsupport::Fail(promise);
}

bool IsTime(double t) { return std::isfinite(t) && t >= 0.0; }

bool EndsWithPng(const std::string& file) {
  if (file.size() < 4) return false;
  std::string tail = file.substr(file.size() - 4);
  for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".png";
}

bool MovesTime(platform::Key key) {
  using platform::Key;
  return key == Key::Space || key == Key::Left || key == Key::Right || key == Key::PageUp ||
         key == Key::PageDown || key == Key::Home;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words{"velmora"};
  std::string word;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word += char(data[i]);
    }
  }
  if (!word.empty()) words.push_back(word);
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  argv.push_back(nullptr);

  Options options;
  std::string error;
  if (!ParseOptions(int(words.size()), argv.data(), &options, &error)) {
    Require(!error.empty(), "a refused command line without a message");
    return 0;
  }
  Require(options.fps >= 1 && options.fps <= 1000, "--fps out of 1 to 1000");
  Require(options.offscreen || options.fps == 60, "--fps on a run that is not offscreen");
  Require(!options.overwrite || !options.exportPath.empty() || !options.shots.empty(),
          "--overwrite with nothing to overwrite");
  Require(options.width >= 640 && options.height >= 480 && options.width % 2 == 0 &&
              options.height % 2 == 0,
          "a size below 640x480 or odd");
  Require(options.supersample >= 1 && options.supersample <= 4, "--supersample out of 1 to 4");
  Require(options.motionBlur >= 1 && options.motionBlur <= 16, "--motion-blur out of 1 to 16");
  Require(
      options.width * options.supersample <= 7680 && options.height * options.supersample <= 4320,
      "a drawing larger than 7680x4320");
  Require(IsTime(options.start), "--start not a time");
  Require(options.until == -1.0 || IsTime(options.until), "--until not a time");
  for (const ShotRequest& shot : options.shots) {
    Require(IsTime(shot.time), "a shot time that is not a time");
    Require(options.until < 0.0 || shot.time <= options.until, "a shot after --until");
    Require(EndsWithPng(shot.file), "a shot file not ending in .png");
  }
  for (const KeyRequest& key : options.keys) {
    Require(IsTime(key.time), "a key time that is not a time");
    Require(key.key != platform::Key::None, "a key without a name");
  }
  if (!options.exportPath.empty()) {
    Require(options.offscreen, "an export that is not offscreen");
    Require(options.start == 0.0, "an export with --start");
    for (const KeyRequest& key : options.keys)
      Require(!MovesTime(key.key), "an export with a key that moves time");
  } else {
    Require(!options.console && options.supersample == 1 && options.motionBlur == 1,
            "an export-only option without --export");
  }
  return 0;
}
