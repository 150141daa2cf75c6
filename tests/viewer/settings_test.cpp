#include "app/settings/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace {

// Volume 3 and muted; a maximised 1280x720 window at (-120, 45); full screen
// switched off by F11.
const settings::Settings kSample{3, true, true, -120, 45, 1280, 720, true, true, false};

// What is written reads back the same, with and without the optional lines;
// a file with only some lines keeps the defaults of the others.
TEST(SettingsTest, WhatIsWrittenReadsBack) {
  for (const settings::Settings& written : {kSample, settings::Settings()}) {
    settings::Settings read;
    read.volumeSteps = 10;
    std::string why;
    ASSERT_TRUE(settings::Parse(settings::Format(written), &read, &why)) << why;
    EXPECT_TRUE(read == written) << settings::Format(read);
  }
  settings::Settings partial;
  std::string why;
  ASSERT_TRUE(settings::Parse("velmora settings 1\nvolume 4\n\n", &partial, &why)) << why;
  EXPECT_EQ(partial.volumeSteps, 4);
  EXPECT_FALSE(partial.muted);
  EXPECT_FALSE(partial.hasWindow);
  EXPECT_FALSE(partial.hasFullscreen);
}

// Anything but a file of ours with usable values is refused whole: the
// settings stay as they were and the reason says what is wrong.
TEST(SettingsTest, DamagedOrForeignTextIsRefusedWhole) {
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {"", "not a velmora settings file"},
      {"[General]\nvolume=3\n", "not a velmora settings file"},
      {"velmora settings 2\nvolume 3\n", "not a velmora settings file"},
      {"velmora settings 1\nvolume 3\ncolour 7\n", "line 3 names nothing"},
      {"velmora settings 1\nvolume 11\n", "line 2 has a value"},
      {"velmora settings 1\nvolume -1\n", "line 2 has a value"},
      {"velmora settings 1\nvolume 3x\n", "line 2 has a value"},
      {"velmora settings 1\nvolume\n", "line 2 has a value"},
      {"velmora settings 1\nmuted 2\n", "line 2 has a value"},
      {"velmora settings 1\nwindow 0 0 320 200\n", "line 2 has a value"},
      {"velmora settings 1\nwindow 0 0 800\n", "line 2 has a value"},
      {"velmora settings 1\nwindow 0 0 800 600 7\n", "line 2 has a value"},
      {"velmora settings 1\nvolume 99999999999999999999\n", "line 2 has a value"},
      {"velmora settings 1\nmuted 1\nfullscreen yes\n", "line 3 has a value"},
      {"velmora settings 1\n\x01\x02\xff\n", "line 2 names nothing"},
  };
  for (const auto& c : cases) {
    settings::Settings s = kSample;
    std::string why;
    EXPECT_FALSE(settings::Parse(c.text, &s, &why)) << c.text;
    EXPECT_NE(why.find(c.reason), std::string::npos) << c.text << " -> " << why;
    EXPECT_TRUE(s == kSample) << c.text;
  }
}

// The file's place: XDG_CONFIG_HOME when absolute, else ~/.config, else none.
TEST(SettingsTest, FileLivesInTheUsersConfigFolder) {
  EXPECT_EQ(settings::FilePath("/cfg", "/home/a"), "/cfg/velmora/settings");
  EXPECT_EQ(settings::FilePath("", "/home/a"), "/home/a/.config/velmora/settings");
  EXPECT_EQ(settings::FilePath("relative", "/home/a"), "/home/a/.config/velmora/settings");
  EXPECT_EQ(settings::FilePath(nullptr, "/home/a"), "/home/a/.config/velmora/settings");
  EXPECT_EQ(settings::FilePath(nullptr, nullptr), "");
}

// Saving makes the folder, writes the file whole and leaves nothing else
// beside it; saving again replaces it; loading reads it back. A missing file
// is no error; a damaged, foreign, huge or folder-shaped one gives one line
// naming it and keeps the defaults.
TEST(SettingsTest, SavedWholeLoadedBackAndBadFilesIgnoredWithOneLine) {
  testsupport::TempDir dir;
  const std::string path = dir.File("config/velmora/settings");
  std::string why;
  settings::Settings loaded;
  ASSERT_TRUE(settings::Load(path, &loaded, &why));
  EXPECT_TRUE(loaded == settings::Settings());

  ASSERT_TRUE(settings::Save(path, settings::Settings(), &why)) << why;
  ASSERT_TRUE(settings::Save(path, kSample, &why)) << why;
  EXPECT_EQ(testsupport::Names(dir.File("config/velmora")), std::set<std::string>{"settings"});
  ASSERT_TRUE(settings::Load(path, &loaded, &why)) << why;
  EXPECT_TRUE(loaded == kSample);

  const std::string bad[] = {"velmora settings 1\nvolume 12\n",
                             "\x7f"
                             "ELF\x02\x01\x01",
                             std::string(10000, 'x')};
  for (const std::string& bytes : bad) {
    dir.Write("config/velmora/settings", bytes);
    settings::Settings s;
    std::string warning;
    EXPECT_FALSE(settings::Load(path, &s, &warning));
    EXPECT_TRUE(s == settings::Settings());
    EXPECT_EQ(warning.find("velmora: ignoring the settings file " + path + ": "), 0u) << warning;
    EXPECT_EQ(warning.find('\n'), std::string::npos) << warning;
  }
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  std::string warning;
  settings::Settings s;
  EXPECT_FALSE(settings::Load(path, &s, &warning));
  EXPECT_NE(warning.find("not a regular file"), std::string::npos) << warning;
  // A folder in the file's place cannot be replaced: the save says so.
  EXPECT_FALSE(settings::Save(path, kSample, &why));
  EXPECT_FALSE(why.empty());
}

}  // namespace
