// Playing and rendering open modules through one function: both refuse the
// same damaged files for the same reason, and the player notes the file's
// full path with it for the shell's last message.
#include <libopenmpt/libopenmpt.h>

#include <filesystem>

#include "platform/failure_note.h"
#include "platform/module_check.h"
#include "platform/sound.h"
#include "platform/soundtrack_render.h"
#include "sound/xm_fixtures.h"
#include "support/temp_dir.h"

namespace {

using namespace platform;

TEST(ModuleOpening, PlayerAndRendererRefuseTheSameFilesForTheSameReasons) {
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
  SoundFree();
  UseSilentSoundOutput(false);

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

}  // namespace
