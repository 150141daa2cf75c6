// The sound layer on the silent output, SDL's dummy driver and its disk writer,
// and the one function through which playing and rendering open modules.
#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/failure_note.h"
#include "platform/module_check.h"
#include "platform/sound.h"
#include "platform/soundtrack_render.h"
#include "sound/xm_fixtures.h"
#include "support/temp_dir.h"

using namespace platform;
using namespace soundtest;

namespace {

// Pulls `seconds` of interleaved stereo output the way a device would.
std::vector<int16_t> Pull(double seconds) {
  std::vector<int16_t> pcm(2 * size_t(seconds * 44100));
  SoundPull(pcm.data(), int(pcm.size() / 2));
  return pcm;
}

// The peak of one side (0 left, 1 right) or of both (2).
int Peak(const std::vector<int16_t>& pcm, int side = 2) {
  int peak = 0;
  for (size_t i = 0; i < pcm.size(); ++i)
    if (side == 2 || int(i % 2) == side) peak = std::max(peak, std::abs(int(pcm[i])));
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

TEST_F(SoundLayer, LoadRefusesMissingAndCutModulesAndFindsTheProgramsNames) {
  UseSilentSoundOutput(true);
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr) && SoundStart());
  const std::vector<uint8_t> tone = ToneBytes(8);
  testsupport::TempDir dir;
  dir.Write("Music/DemoMusic.XM", std::string(tone.begin(), tone.end()));
  dir.Write("prefixed.bin", "0123456789abcdef" + std::string(tone.begin(), tone.end()));
  testsupport::ScopedChdir cd(dir.path());
  // Found as the program names it.
  const MusicHandle music = SoundMusicLoad(false, "music\\demomusic.xm", 0, 0, 1);
  // Refused: a module behind bytes of something else (a missing file and the
  // other ways a file can be unfit are PlayerAndRendererRefuseTheSameFiles...).
  EXPECT_EQ(SoundMusicLoad(false, "prefixed.bin", 0, 0, 1), 0u);
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

// With no device to be had, the dummy driver stands in (and counts as no
// device); a real driver (SDL's disk writer) counts as a device. Freeing the
// layer closes whatever driver it opened.
TEST_F(SoundLayer, DummyAndFallbackOutputsAreNoDeviceAndAreClosedAtTheEnd) {
  for (const char* driver : {"dummy", "velmora-no-such-driver", "disk"}) {
    const bool real = std::strcmp(driver, "disk") == 0;
    if (real && SDL_AudioInit("disk") != 0) continue;  // SDL built without its disk writer
    SDL_AudioQuit();
    testsupport::TempDir dir;
    setenv("SDL_AUDIODRIVER", driver, 1);
    setenv("SDL_DISKAUDIOFILE", dir.File("out.raw").c_str(), 1);
    ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr)) << driver;
    EXPECT_STREQ(SDL_GetCurrentAudioDriver(), real ? "disk" : "dummy");
    EXPECT_EQ(SoundHasDevice(), real) << driver;
    EXPECT_TRUE(SoundFree());
    EXPECT_EQ(SDL_GetCurrentAudioDriver(), nullptr) << driver;
  }
}

// The player's transport: a seek moves the module (also back from its end),
// a pause holds its position while the output keeps pulling silence; the
// volume scales what reaches the output and muting silences it while the
// module plays on. The tone reaches the output at its pitch on both sides.
TEST_F(SoundLayer, TransportMovesHoldsScalesAndSilencesTheModule) {
  UseSilentSoundOutput(true);
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));
  ASSERT_TRUE(SoundStart() && SoundMusicPlay(Load(ToneBytes(64))));  // 7.68 s
  // From the start, where the tone's one note is struck: over 0.2 s, rising
  // zero crossings on the left and each side's peak.
  const std::vector<int16_t> full = Pull(0.3);
  int rising = 0;
  for (size_t i = 2; i < 2 * kRate / 5; i += 2) rising += full[i - 2] < 0 && full[i] >= 0;
  EXPECT_NEAR(rising, 8363.0 / 32 / 5, 1.5);
  ASSERT_GT(Peak(full, 0), 2000);
  EXPECT_NEAR(double(Peak(full, 1)) / Peak(full, 0), 1.0, 0.02);
  SoundSetPosition(0.0);
  SoundSetVolume(0.5f);
  EXPECT_NEAR(double(Peak(Pull(0.3))) / Peak(full), 0.5, 0.02);
  SoundSetVolume(1.0f);
  SoundSetMuted(true);
  const double beforeMuted = SoundPositionSeconds();
  EXPECT_EQ(Peak(Pull(0.3)), 0);
  EXPECT_NEAR(SoundPositionSeconds(), beforeMuted + 0.3, 0.01) << "muted, the module plays on";
  SoundSetMuted(false);

  SoundSetPosition(5.0);
  EXPECT_GE(SoundPositionSeconds(), 5.0);
  EXPECT_LT(SoundPositionSeconds(), 5.1);
  SoundSetPaused(true);
  const double held = SoundPositionSeconds();
  EXPECT_EQ(Peak(Pull(0.3)), 0);
  EXPECT_EQ(SoundPositionSeconds(), held);
  SoundSetPaused(false);
  Pull(0.3);
  EXPECT_NEAR(SoundPositionSeconds(), held + 0.3, 0.01);

  SoundSetPosition(7.6);
  Pull(0.4);
  EXPECT_FALSE(SoundIsPlaying()) << "played to its end";
  SoundSetPosition(1.0);
  EXPECT_TRUE(SoundIsPlaying());
  EXPECT_LT(SoundPositionSeconds(), 1.1);
}

// Playing and rendering open modules through one function: both refuse the
// same damaged files for the same reason, and the player notes the file's
// full path with it for the shell's last message.
TEST_F(SoundLayer, PlayerAndRendererRefuseTheSameFilesForTheSameReasons) {
  const std::vector<uint8_t> tone = soundtest::ToneBytes(8);
  testsupport::TempDir dir;
  dir.Write("empty.xm", "");
  dir.Write("folder.xm/x", "");
  dir.Write("text.xm", std::string(3000, 'x'));
  dir.Write("cut.xm", std::string(tone.begin(), tone.begin() + long(tone.size()) - 100));
  testsupport::ScopedChdir cd(dir.path());

  UseSilentSoundOutput(true);
  ASSERT_TRUE(SoundInit(-1, 44100, 0, nullptr));
  const std::pair<const char*, const char*> cases[] = {
      {"missing.xm", "the file does not exist"},
      {"empty.xm", "the file is empty"},
      {"folder.xm", "it is a folder, not a file"},
      {"text.xm", "it is not a tracker module that can be played"},
      {"cut.xm", "the module is cut short: the samples of instrument 1 are cut short"},
  };
  for (const auto& [file, reason] : cases) {
    std::string why;
    EXPECT_EQ(OpenCheckedModuleFile(file, &why), nullptr) << file;
    EXPECT_EQ(why.rfind(reason, 0), 0u) << file << ": " << why;

    ClearFailureNote();
    EXPECT_EQ(SoundMusicLoad(false, file, 0, 0, 1), 0u) << file;
    EXPECT_EQ(FailureNote(), "could not load the music " + dir.File(file) + ": " + why);

    std::string failure;
    EXPECT_FALSE(RenderModuleToWav(file, 1000, 44100, dir.File("out.wav"), false, "", &failure))
        << file;
    EXPECT_EQ(failure, "cannot play " + dir.File(file) + ": " + why);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.wav"))) << file;
  }

  // The whole module opens, and ends with its song instead of fading on.
  dir.Write("tone.xm", std::string(tone.begin(), tone.end()));
  std::string why;
  openmpt_module* module = OpenCheckedModuleFile("tone.xm", &why);
  ASSERT_NE(module, nullptr) << why;
  std::vector<int16_t> samples(2 * 44100);
  size_t total = 0;
  for (size_t got = 1; got > 0; total += got) {
    got = openmpt_module_read_interleaved_stereo(module, 44100, 44100, samples.data());
  }
  openmpt_module_destroy(module);
  // 8 rows of 120 ms.
  EXPECT_NEAR(double(total) / 44100.0, 0.96, 0.01);
  // (A whole render's length is the export test's FolderHoldsEveryFrame...)
}
