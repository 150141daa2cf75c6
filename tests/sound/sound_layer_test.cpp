// The sound layer on the silent output, SDL's dummy driver and its disk writer.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/sound.h"
#include "sound/xm_fixtures.h"
#include "support/temp_dir.h"

using namespace platform;
using namespace soundtest;

namespace {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name), had_(std::getenv(name) != nullptr) {
    if (had_) old_ = std::getenv(name);
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { had_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  bool had_;
  std::string old_;
};

MusicHandle Load(const std::vector<uint8_t>& bytes, size_t length = 0) {
  return SoundMusicLoad(true, bytes.data(), 0, uint32_t(length ? length : bytes.size()), 1);
}

class SoundLayer : public ::testing::Test {
 protected:
  void TearDown() override {
    SoundFree();
    UseSilentSoundOutput(false);
  }
};

}  // namespace

TEST_F(SoundLayer, SilentOutputOpensNoDeviceAndShutdownMayRunTwice) {
  EXPECT_FALSE(SoundStart());
  EXPECT_EQ(Load(ToneBytes(8)), 0u) << "nothing before SoundInit";
  UseSilentSoundOutput(true);
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  EXPECT_EQ(SDL_GetCurrentAudioDriver(), nullptr);
  EXPECT_FALSE(SoundHasDevice());
  EXPECT_TRUE(SoundStart());
  const MusicHandle music = Load(ToneBytes(64));
  ASSERT_NE(music, 0u);
  EXPECT_FALSE(SoundMusicPlay(music + 1));
  EXPECT_TRUE(SoundMusicPlay(music));
  SleepMs(50);
  EXPECT_TRUE(SoundIsPlaying());
  EXPECT_EQ(SoundPositionSeconds(), 0.0) << "nothing pulls samples";
  for (int pass = 0; pass < 2; ++pass) {  // the second shutdown finds nothing to do
    EXPECT_EQ(SoundStop(), pass == 0);
    EXPECT_EQ(SoundMusicFree(music), pass == 0);
    EXPECT_EQ(SoundFree(), pass == 0);
    EXPECT_FALSE(SoundIsPlaying());
  }
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));  // and it can start over
  EXPECT_FALSE(SoundMusicPlay(music));
  EXPECT_NE(Load(ToneBytes(8)), music);
}

TEST_F(SoundLayer, LoadTakesModulesOnlyFoundByTheProgramsNames) {
  UseSilentSoundOutput(true);
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));
  ASSERT_TRUE(SoundStart());
  const std::vector<uint8_t> tone = ToneBytes(8);
  std::string junk(4096, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = char((i * 2654435761u) >> 13);
  testsupport::TempDir dir;
  dir.Write("Music/DemoMusic.XM", std::string(tone.begin(), tone.end()));
  dir.Write("prefixed.bin", "0123456789abcdef" + std::string(tone.begin(), tone.end()));
  dir.Write("garbage.xm", junk);
  dir.Write("header.xm", "Extended Module: and nothing more");
  testsupport::ScopedChdir cd(dir.path());

  for (const char* name : {"missing.xm", "garbage.xm", "header.xm", "Music", "prefixed.bin"})
    EXPECT_EQ(SoundMusicLoad(false, name, 0, 0, 1), 0u) << name;
  EXPECT_EQ(SoundMusicLoad(false, "prefixed.bin", 16, uint32_t(tone.size() + 1), 1), 0u) << "past the end";
  EXPECT_EQ(SoundMusicLoad(false, "prefixed.bin", 1u << 20, 0, 1), 0u);
  EXPECT_EQ(SoundMusicLoad(true, junk.data(), 0, uint32_t(junk.size()), 1), 0u);
  EXPECT_EQ(SoundMusicLoad(true, tone.data(), 0, 0, 1), 0u);
  // A module cut short anywhere is refused, although the decoder itself would
  // open any cut past the fixed header and play the missing part as silence.
  for (size_t cut = 1; cut < tone.size(); ++cut) ASSERT_EQ(Load(tone, cut), 0u) << "cut at " << cut;

  const MusicHandle a = SoundMusicLoad(false, "music\\demomusic.xm", 0, 0, 1);
  EXPECT_NE(a, 0u);
  const MusicHandle b = SoundMusicLoad(false, "prefixed.bin", 16, uint32_t(tone.size()), 1);
  ASSERT_NE(b, 0u);
  EXPECT_TRUE(SoundMusicPlay(b));
  EXPECT_FALSE(SoundMusicPlay(a)) << "a load replaces the module before it";
  EXPECT_EQ(SoundMusicLoad(false, "garbage.xm", 0, 0, 1), 0u);
  EXPECT_TRUE(SoundIsPlaying()) << "a failed load leaves the module alone";
  const MusicHandle c = Load(tone);
  EXPECT_FALSE(SoundIsPlaying()) << "the replaced module stops";
  EXPECT_FALSE(SoundMusicFree(b));
  EXPECT_TRUE(SoundMusicFree(c));
}

TEST_F(SoundLayer, DummyAndFallbackOutputsPullTheMusicInRealTime) {
  for (const char* driver : {"dummy", "velmora-no-such-driver"}) {
    ScopedEnv env("SDL_AUDIODRIVER", driver);
    ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr)) << driver;
    EXPECT_STREQ(SDL_GetCurrentAudioDriver(), "dummy");
    EXPECT_FALSE(SoundHasDevice());
    ASSERT_TRUE(SoundStart());
    const MusicHandle music = Load(ToneBytes(64));  // 7.68 s
    ASSERT_TRUE(SoundMusicPlay(music));
    SleepMs(250);
    EXPECT_GT(SoundPositionSeconds(), 0.1);
    EXPECT_LT(SoundPositionSeconds(), 1.5);
    EXPECT_TRUE(SoundFree());
    EXPECT_EQ(SDL_GetCurrentAudioDriver(), nullptr) << driver;
  }

  ScopedEnv env("SDL_AUDIODRIVER", "dummy");
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));
  ASSERT_TRUE(SoundStart());
  const MusicHandle music = Load(ToneBytes(2));  // 0.24 s
  ASSERT_TRUE(SoundMusicPlay(music));
  SleepMs(100);
  EXPECT_TRUE(SoundStop());
  EXPECT_FALSE(SoundIsPlaying());
  const double held = SoundPositionSeconds();
  SleepMs(100);
  EXPECT_EQ(SoundPositionSeconds(), held) << "a stopped output holds";
  EXPECT_TRUE(SoundStart());
  for (int i = 0; i < 100 && SoundIsPlaying(); ++i) SleepMs(20);
  EXPECT_FALSE(SoundIsPlaying()) << "the song ended";
  EXPECT_TRUE(SoundMusicPlay(music));
  EXPECT_TRUE(SoundIsPlaying());
  EXPECT_LT(SoundPositionSeconds(), 0.05) << "Play starts from the top";

  // Truncated modules: refused, or they play without harm.
  const std::vector<uint8_t> tone = ToneBytes(16);
  for (size_t cut = 64; cut <= tone.size(); cut += 23) {
    const MusicHandle h = Load(tone, cut);
    if (h == 0) continue;
    EXPECT_TRUE(SoundMusicPlay(h));
    SleepMs(8);
    EXPECT_TRUE(SoundMusicFree(h));
  }
}

TEST_F(SoundLayer, DiskDriverReceivesTheToneAtItsPitch) {
  bool haveDisk = false;
  for (int i = 0; i < SDL_GetNumAudioDrivers(); ++i) haveDisk |= std::strcmp(SDL_GetAudioDriver(i), "disk") == 0;
  if (!haveDisk) GTEST_SKIP() << "SDL has no disk audio driver here";
  testsupport::TempDir dir;
  ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  ScopedEnv file("SDL_DISKAUDIOFILE", dir.File("out.raw"));
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));
  EXPECT_TRUE(SoundHasDevice());
  ASSERT_TRUE(SoundStart());
  ASSERT_TRUE(SoundMusicPlay(Load(ToneBytes(64))));
  SleepMs(400);
  EXPECT_TRUE(SoundFree());

  // Interleaved S16 stereo, the tone centred on both sides.
  std::vector<int16_t> left, right;
  FILE* f = std::fopen(dir.File("out.raw").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  for (int16_t frame[2]; std::fread(frame, sizeof frame, 1, f) == 1;) {
    left.push_back(frame[0]);
    right.push_back(frame[1]);
  }
  std::fclose(f);
  size_t first = 0;
  while (first < left.size() && left[first] == 0) ++first;
  ASSERT_GT(left.size(), first + At(0.2)) << "the output stayed silent";
  EXPECT_GT(Rms(left, first, first + At(0.2)), 1000);
  EXPECT_NEAR(Frequency(left, first, first + At(0.2)), 8363.0 / 32, 1.0);
  EXPECT_NEAR(Rms(right, first, first + At(0.2)) / Rms(left, first, first + At(0.2)), 1.0, 0.02);
}
