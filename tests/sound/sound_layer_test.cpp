// The sound layer on the silent output, SDL's dummy driver and its disk writer.
#include <SDL.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/sound.h"
#include "sound/xm_fixtures.h"
#include "support/temp_dir.h"

using namespace platform;
using namespace soundtest;

namespace {

// Waits until `done` holds, for at most ten seconds (an output device runs on
// its own thread and clock).
template <class Condition>
bool WaitFor(Condition done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Pulls `seconds` of output the way a device would and returns its peak on
// either side.
int PullPeak(double seconds) {
  std::vector<int16_t> pcm(2 * size_t(seconds * 44100));
  SoundPull(pcm.data(), int(pcm.size() / 2));
  int peak = 0;
  for (int16_t sample : pcm) peak = std::max(peak, std::abs(int(sample)));
  return peak;
}

MusicHandle Load(const std::vector<uint8_t>& bytes, size_t cut = SIZE_MAX) {
  return SoundMusicLoad(true, bytes.data(), 0, uint32_t(std::min(cut, bytes.size())), 1);
}

class SoundLayer : public ::testing::Test {
 protected:
  // Back to nothing, on the test run's own driver.
  void TearDown() override {
    SoundFree();
    UseSilentSoundOutput(false);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
};

}  // namespace

TEST_F(SoundLayer, SilentOutputOpensNoDeviceAndShutdownMayRunTwice) {
  EXPECT_FALSE(SoundStart());
  EXPECT_EQ(Load(ToneBytes(8)), 0u) << "nothing before SoundInit";
  UseSilentSoundOutput(true);
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));
  EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
  EXPECT_FALSE(SoundHasDevice());
  EXPECT_TRUE(SoundStart());
  const MusicHandle music = Load(ToneBytes(64));
  EXPECT_FALSE(SoundMusicPlay(music + 1));
  ASSERT_TRUE(SoundMusicPlay(music));
  EXPECT_TRUE(SoundIsPlaying());
  // Stop, free the music, free the layer, is it playing? Again: nothing to do.
  for (bool first : {true, false}) {
    const std::vector<bool> done = {SoundStop(), SoundMusicFree(music), SoundFree(),
                                    SoundIsPlaying()};
    EXPECT_EQ(done, std::vector<bool>({first, first, first, false}));
  }
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));  // and it can start over
  EXPECT_FALSE(SoundMusicPlay(music));
  EXPECT_NE(Load(ToneBytes(8)), music);
}

TEST_F(SoundLayer, LoadRefusesMissingGarbageAndCutModulesAndFindsTheProgramsNames) {
  UseSilentSoundOutput(true);
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr) && SoundStart());
  const std::vector<uint8_t> tone = ToneBytes(8);
  std::string junk(4096, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = char((i * 2654435761u) >> 13);
  testsupport::TempDir dir;
  dir.Write("Music/DemoMusic.XM", std::string(tone.begin(), tone.end()));
  dir.Write("prefixed.bin", "0123456789abcdef" + std::string(tone.begin(), tone.end()));
  dir.Write("garbage.xm", junk);
  testsupport::ScopedChdir cd(dir.path());
  // Found as the program names it.
  const MusicHandle music = SoundMusicLoad(false, "music\\demomusic.xm", 0, 0, 1);
  for (const char* name : {"missing.xm", "garbage.xm", "Music", "prefixed.bin"})
    EXPECT_EQ(SoundMusicLoad(false, name, 0, 0, 1), 0u) << name;
  // Past the end.
  EXPECT_EQ(SoundMusicLoad(false, "prefixed.bin", 16, uint32_t(tone.size() + 1), 1), 0u);
  EXPECT_EQ(SoundMusicLoad(false, "prefixed.bin", 1u << 20, 0, 1), 0u);
  // A module cut short anywhere is refused, although the decoder itself would
  // open any cut past the fixed header and play the missing part as silence.
  for (size_t cut = 0; cut < tone.size(); ++cut) ASSERT_EQ(Load(tone, cut), 0u) << "cut at " << cut;
  EXPECT_TRUE(SoundMusicPlay(music)) << "the failed loads left the module alone";
  EXPECT_NE(SoundMusicLoad(false, "prefixed.bin", 16, uint32_t(tone.size()), 1), 0u);
  EXPECT_FALSE(SoundMusicFree(music)) << "a load replaces the module before it";
}

TEST_F(SoundLayer, DummyAndFallbackOutputsPullTheMusic) {
  for (const char* driver : {"dummy", "velmora-no-such-driver"}) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr)) << driver;
    EXPECT_STREQ(SDL_GetCurrentAudioDriver(), "dummy");
    EXPECT_FALSE(SoundHasDevice());
    ASSERT_TRUE(SoundStart() && SoundMusicPlay(Load(ToneBytes(64))));  // 7.68 s
    EXPECT_TRUE(WaitFor([] { return SoundPositionSeconds() > 0.1; })) << driver;
    EXPECT_TRUE(SoundFree());
    EXPECT_EQ(SDL_GetCurrentAudioDriver(), nullptr) << driver;
  }
}

TEST_F(SoundLayer, DiskDriverReceivesTheToneAtItsPitchOnBothSides) {
  if (SDL_AudioInit("disk") != 0) GTEST_SKIP() << "SDL has no disk audio driver here";
  SDL_AudioQuit();
  testsupport::TempDir dir;
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", dir.File("out.raw").c_str(), 1);
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));
  EXPECT_TRUE(SoundHasDevice());
  ASSERT_TRUE(SoundStart() && SoundMusicPlay(Load(ToneBytes(64))));
  // A quarter of a second past the start reaches the file (the first buffers may be silent).
  EXPECT_TRUE(WaitFor([] { return SoundPositionSeconds() > 0.5; }));
  EXPECT_TRUE(SoundFree());

  // Interleaved S16 stereo: over 0.2 s from the first sound, rising zero crossings (left) and
  // each side's peak.
  const std::string raw = testsupport::ReadText(dir.File("out.raw"));
  std::vector<int16_t> pcm(raw.size() / 2);
  std::memcpy(pcm.data(), raw.data(), 2 * pcm.size());
  size_t first = 0;
  while (first < pcm.size() && pcm[first] == 0) first += 2;
  const size_t end = first + 2 * kRate / 5;
  ASSERT_GT(pcm.size(), end) << "the output stayed silent";
  int rising = 0, peak[2] = {0, 0};
  for (size_t i = first + 2; i < end; ++i) {
    rising += i % 2 == 0 && pcm[i - 2] < 0 && pcm[i] >= 0;
    peak[i % 2] = std::max(peak[i % 2], std::abs(pcm[i]));
  }
  EXPECT_NEAR(rising, 8363.0 / 32 / 5, 1.5);
  EXPECT_GT(peak[0], 2000);
  EXPECT_NEAR(double(peak[1]) / peak[0], 1.0, 0.02);
}

// The player's transport: a seek moves the module (also back from its end),
// a pause holds its position while the output keeps pulling silence; the
// volume scales what reaches the output and muting silences it while the
// module plays on.
TEST_F(SoundLayer, TransportMovesHoldsScalesAndSilencesTheModule) {
  UseSilentSoundOutput(true);
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));
  ASSERT_TRUE(SoundStart() && SoundMusicPlay(Load(ToneBytes(64))));  // 7.68 s
  SoundSetPosition(5.0);
  EXPECT_GE(SoundPositionSeconds(), 5.0);
  EXPECT_LT(SoundPositionSeconds(), 5.1);
  SoundSetPaused(true);
  const double held = SoundPositionSeconds();
  EXPECT_EQ(PullPeak(0.3), 0);
  EXPECT_EQ(SoundPositionSeconds(), held);
  SoundSetPaused(false);
  PullPeak(0.3);
  EXPECT_NEAR(SoundPositionSeconds(), held + 0.3, 0.01);

  // From the start, where the tone's one note is struck.
  SoundSetPosition(0.0);
  const int full = PullPeak(0.3);
  SoundSetPosition(0.0);
  SoundSetVolume(0.5f);
  const int half = PullPeak(0.3);
  SoundSetVolume(1.0f);
  SoundSetMuted(true);
  const double beforeMuted = SoundPositionSeconds();
  EXPECT_EQ(PullPeak(0.3), 0);
  EXPECT_NEAR(SoundPositionSeconds(), beforeMuted + 0.3, 0.01) << "muted, the module plays on";
  SoundSetMuted(false);
  ASSERT_GT(full, 2000);
  EXPECT_NEAR(double(half) / full, 0.5, 0.02);

  SoundSetPosition(7.6);
  PullPeak(0.4);
  EXPECT_FALSE(SoundIsPlaying()) << "played to its end";
  SoundSetPosition(1.0);
  EXPECT_TRUE(SoundIsPlaying());
  EXPECT_LT(SoundPositionSeconds(), 1.1);
}
