#include "app/cli/options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "support/temp_dir.h"

namespace {

bool Parse(std::vector<const char*> args, Options* options, std::string* error) {
  args.insert(args.begin(), "velmora");
  return ParseOptions(static_cast<int>(args.size()), args.data(), options, error);
}

// A command line written as one text, its arguments split at spaces.
bool Parse(const std::string& line, Options* options, std::string* error) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string word; in >> word;) words.push_back(word);
  std::vector<const char*> args;
  for (const std::string& word : words) args.push_back(word.c_str());
  return Parse(args, options, error);
}

// Parses `line` from the defaults: accepted when `refusal` is null, else
// refused with a message that holds it.
void ExpectParse(const std::string& line, const char* refusal) {
  Options options;
  std::string error;
  const bool parsed = Parse(line, &options, &error);
  if (refusal == nullptr) {
    EXPECT_TRUE(parsed) << line << ": " << error;
  } else {
    EXPECT_FALSE(parsed) << line;
    EXPECT_FALSE(error.empty()) << line;
    EXPECT_NE(error.find(refusal), std::string::npos) << line << ": " << error;
  }
}

// Each parse starts from the defaults: the options of one are never left
// over in the next.
TEST(OptionsTest, OptionsAreRead) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({"--offscreen", "--fps", "10", "--until=3.5", "--shot", "1.25:a.png", "--shot",
                     "2:b:c.png", "--key", "0.5:F2", "--key=3:escape", "--data", "d", "--window"},
                    &options, &error))
      << error;
  EXPECT_TRUE(options.offscreen);
  EXPECT_EQ(options.fps, 10);
  EXPECT_DOUBLE_EQ(options.until, 3.5);
  ASSERT_EQ(options.shots.size(), 2u);
  EXPECT_DOUBLE_EQ(options.shots[0].time, 1.25);
  EXPECT_EQ(options.shots[0].file, "a.png");
  EXPECT_EQ(options.shots[1].file, "b:c.png");  // only the first colon separates
  ASSERT_EQ(options.keys.size(), 2u);
  EXPECT_EQ(options.keys[0].key, platform::Key::F2);
  EXPECT_EQ(options.keys[1].key, platform::Key::Escape);
  EXPECT_EQ(options.dataDir, "d");
  EXPECT_EQ(options.screen, Options::Screen::Window);

  // The player's options: start, vsync, the live window's size and the
  // transport keys by name (any case).
  ASSERT_TRUE(
      Parse("--window --size 1024x768 --start 94.5 --no-vsync --key 1:space --key "
            "2:PageDown --key 3:F11",
            &options, &error))
      << error;
  EXPECT_EQ(options.width, 1024);
  EXPECT_DOUBLE_EQ(options.start, 94.5);
  EXPECT_FALSE(options.vsync);
  ASSERT_EQ(options.keys.size(), 3u);
  EXPECT_EQ(options.keys[0].key, platform::Key::Space);
  EXPECT_EQ(options.keys[1].key, platform::Key::PageDown);
  EXPECT_EQ(options.keys[2].key, platform::Key::F11);
  EXPECT_EQ(options.scale, Options::Scale::Auto);
  ASSERT_TRUE(Parse("--version", &options, &error));
  EXPECT_TRUE(options.version);

  // An export's options; keys that do not move time work in an export.
  ASSERT_TRUE(
      Parse("--export v.mp4 --overwrite --console --supersample=4 --motion-blur 16 --size "
            "1920x1080 --key 0:F1 --key 3:M",
            &options, &error))
      << error;
  EXPECT_FALSE(options.version);
  EXPECT_TRUE(options.overwrite);
  EXPECT_TRUE(options.console);
  EXPECT_EQ(options.supersample, 4);
  EXPECT_EQ(options.motionBlur, 16);
  // A shot may replace its file too.
  ASSERT_TRUE(Parse({"--offscreen", "--shot", "1:a.png", "--overwrite"}, &options, &error));
  EXPECT_TRUE(options.overwrite);
  EXPECT_FALSE(options.console);
  EXPECT_EQ(options.supersample, 1);

  // The live show's internal scale: a fraction below 1 is fixed, 1 is off;
  // the last one given counts.
  const struct {
    const char* args;
    Options::Scale scale;
  } scales[] = {{"--scale=0.75", Options::Scale::Fixed},
                {"--scale 0.1", Options::Scale::Fixed},
                {"--scale 1", Options::Scale::Off},
                {"--scale 0.5 --scale off", Options::Scale::Off},
                {"--scale off --scale auto", Options::Scale::Auto}};
  for (const auto& c : scales) {
    ASSERT_TRUE(Parse(c.args, &options, &error)) << c.args << ": " << error;
    EXPECT_EQ(options.scale, c.scale) << c.args;
  }
  ASSERT_TRUE(Parse("--scale 0.75", &options, &error));
  EXPECT_DOUBLE_EQ(options.scaleFraction, 0.75);
}

TEST(OptionsTest, MalformedOptionsAreRefusedWithAReason) {
  const std::vector<std::string> bad = {
      "--fps 0 --offscreen", "--fps x --offscreen", "--fps 30", "--until -1", "--until soon",
      "--shot 1.png", "--shot 1:", "--key 1:F3", "--key F1", "--data", "--window=yes",
      "--until nan", "--shot inf:a.png", "--start -2", "--no-vsync=1", "--version=2",
      // An export's soundtrack runs straight: no start, no key that moves time.
      "--export x.mp4 --start 10", "--export x.mp4 --key 5:Space", "--export x.mp4 --key 5:left",
      "--export v.mp4 --supersample 5", "--export v.mp4 --motion-blur 0",
      "--export v.mp4 --motion-blur 17", "--supersample 2", "--offscreen --console",
      "--offscreen --overwrite", "--export v.mp4 --overwrite=yes",
      "--export v.mp4 --size 3840x2160 --supersample 3", "--scale 0.05", "--scale 1.01",
      "--scale half", "--scale nan", "--scale=", "--scale 0.5x"};
  for (const std::string& args : bad) ExpectParse(args, "");
}

// A picture size (window, offscreen run or export): even sides from 640x480
// to 7680x4320. A refusal quotes what was given.
TEST(OptionsTest, SizeIsReadAtItsLimitsAndRefusedPastThem) {
  const struct {
    const char* size;
    bool ok;
  } cases[] = {
      {"640x480", true},    {"7680x4320", true},  {"1920x1080", true},  {"638x480", false},
      {"640x478", false},   {"7682x4320", false}, {"7680x4322", false}, {"641x480", false},
      {"640x481", false},   {"800", false},       {"800x600x2", false}, {"x600", false},
      {"-800x-600", false}, {"", false},
  };
  for (const auto& c : cases) {
    Options options;
    std::string error;
    EXPECT_EQ(Parse({"--export", "show.mp4", "--size", c.size}, &options, &error), c.ok) << c.size;
    if (c.ok) {
      EXPECT_EQ(std::to_string(options.width) + "x" + std::to_string(options.height), c.size);
    } else {
      EXPECT_NE(error.find(std::string("not '") + c.size + "'"), std::string::npos) << error;
    }
  }
}

// Requests that could never be carried out are refused before anything runs
// (the shell exits with status 2); their neighbours that can be are accepted.
TEST(OptionsTest, ContradictionsAndUnwritableOutputsAreRefusedNamingTheProblem) {
  testsupport::TempDir dir;
  std::filesystem::create_directories(dir.File("frames.d"));
  const std::string existingFolder = dir.File("frames.d");
  const struct {
    std::string args;
    const char* refusal;  // a part of the message; nullptr: accepted
  } cases[] = {
      {"--frobnicate", "unknown option '--frobnicate'"},
      {"--window --fullscreen", "--window and --fullscreen"},
      {"--fullscreen --window", "--window and --fullscreen"},
      {"--window --window", nullptr},
      {"--offscreen --until 3 --shot 10:late.png", "after --until 3"},
      {"--offscreen --shot 10:late.png --until 3", "after --until 3"},
      {"--offscreen --until 3 --shot 3:edge.png", nullptr},
      {"--offscreen --shot 5:foo.jpg", "foo.jpg"},
      {"--offscreen --shot 5:png", "PNG"},
      {"--offscreen --shot 5:foo.PNG", nullptr},
      {"--export foo.avi", "foo.avi"},
      {"--export foo.mp3", "foo.mp3"},
      {"--export show.MKV", nullptr},
      {"--export show.mp4", nullptr},
      {"--export show.mkv", nullptr},
      {"--export frames", nullptr},
      {"--export " + existingFolder, nullptr},
      {"--start 30 --until 29.5", "--until 29.5 s comes before --start 30 s"},
      {"--start 30 --until 30", nullptr},
      {"--until 20 --key 21:Space", "the key at 21 s comes after --until 20 s"},
      {"--until 20 --key 20:Space", nullptr},
      {"--start 190 --shot 500:x.png", "the shot at 500 s comes after the show's end"},
      {"--shot 193.91:x.png", nullptr},
      {"--key 194:M", "the key at 194 s comes after the show's end"},
      {"--key 191:Escape --shot 195:x.png", "at or after the Escape key at 191 s"},
      {"--key 5:Escape --shot 5:x.png", "at or after the Escape key at 5 s"},
      {"--key 5:Escape --shot 4.9:x.png", nullptr},
      {"--key 5:Escape --key 6:F1", "the key at 6 s comes after the Escape key at 5 s"},
      // A pause or a seek back lets the run go on past the show's end.
      {"--key 100:Space --key 103:Space --shot 195:x.png", nullptr},
      {"--key 190:Home --key 200:M", nullptr},
      {"--key 100:M --shot 195:x.png", "the shot at 195 s comes after the show's"},
      {"--key 190:Right --shot 195:x.png", "the shot at 195 s comes after the show's"},
      {"--osd", "--osd applies to --export only"},
      {"--offscreen --fill", "--fill applies to --export only"},
      {"--export a.mp4 --fill", nullptr},
      {"--offscreen --display 1", "--display applies to a window"},
      {"--window --display 1", nullptr},
      {"--window --display x", "--display needs a screen number"},
      // Offscreen runs and exports draw at full size, always.
      {"--offscreen --scale 0.5", "--scale applies to the live show"},
      {"--export a.mp4 --scale auto", "--scale applies to the live show"},
      {"--offscreen --scale off", nullptr},
      {"--offscreen --scale 1", nullptr},
      {"--window --scale 0.5 --shot 3:a.png", nullptr},
  };
  for (const auto& c : cases) ExpectParse(c.args, c.refusal);
}

}  // namespace
