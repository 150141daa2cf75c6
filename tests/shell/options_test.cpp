#include "shell/options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool Parse(std::vector<const char*> args, Options* options, std::string* error) {
  args.insert(args.begin(), "velmora");
  return ParseOptions(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(OptionsTest, BareRunAsksAndPlaysFromTheProgramFolder) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({}, &options, &error));
  EXPECT_EQ(options.screen, Options::Screen::Ask);
  EXPECT_TRUE(options.dataDir.empty());
  EXPECT_FALSE(options.offscreen);
  EXPECT_EQ(options.fps, 60);
  EXPECT_LT(options.until, 0.0);
}

TEST(OptionsTest, UnattendedRunOptionsAreRead) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({"--offscreen", "--fps", "10", "--until=3.5", "--shot", "1.25:a.png", "--shot",
                     "2:b:c.png", "--key", "0.5:F2", "--key=1:escape", "--data", "d", "--window"},
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
}

TEST(OptionsTest, MalformedOptionsAreRefusedWithAReason) {
  const std::vector<std::vector<const char*>> bad = {
      {"--bogus"},
      {"--fps", "0", "--offscreen"},
      {"--fps", "x", "--offscreen"},
      {"--fps", "30"},
      {"--until", "-1"},
      {"--until", "soon"},
      {"--shot", "1.png"},
      {"--shot", "1:"},
      {"--key", "1:F3"},
      {"--key", "F1"},
      {"--data"},
      {"--window=yes"},
      {"--until", "nan"},
      {"--shot", "inf:a.png"},
      {"--export", "v.mp4", "--supersample", "5"},
      {"--export", "v.mp4", "--motion-blur", "0"},
      {"--export", "v.mp4", "--motion-blur", "17"},
      {"--supersample", "2"},
      {"--offscreen", "--console"},
      {"--offscreen", "--overwrite"},
      {"--export", "v.mp4", "--overwrite=yes"},
      {"--export", "v.mp4", "--size", "3840x2160", "--supersample", "3"},
  };
  for (const auto& args : bad) {
    Options options;
    std::string error;
    EXPECT_FALSE(Parse(args, &options, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

TEST(OptionsTest, ExportOptionsAreRead) {
  Options options;
  std::string error;
  ASSERT_TRUE(Parse({"--export", "v.mp4", "--overwrite", "--console", "--supersample=4",
                     "--motion-blur", "16", "--size", "1920x1080"},
                    &options, &error))
      << error;
  EXPECT_TRUE(options.overwrite);
  EXPECT_TRUE(options.console);
  EXPECT_EQ(options.supersample, 4);
  EXPECT_EQ(options.motionBlur, 16);
  // A shot may replace its file too.
  ASSERT_TRUE(Parse({"--offscreen", "--shot", "1:a.png", "--overwrite"}, &options, &error));
  EXPECT_FALSE(options.console);
  EXPECT_EQ(options.supersample, 1);
}

}  // namespace
