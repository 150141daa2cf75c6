#include "app/transport/transport.h"

#include <algorithm>
#include <cmath>

#include "platform/clock.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "shell/base/glapi.h"
#include "shell/objects/globals.h"
#include "timeline/seek.h"

namespace {

// The GL state as the set-up leaves it for the first frame, kept on the
// attribute stacks so that a seek can start again from it.
void SaveSetupState() {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
}

// The window's clear colour after the set-up. The first frame starts from
// buffers cleared with it (a layer's capture pass draws over them), so a seek
// clears with it again rather than start from the last frame's buffers.
float setupClearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};

void RestoreSetupState() {
  glPopClientAttrib();
  glPopAttrib();
  SaveSetupState();
  std::copy(setupClearColor, setupClearColor + 4, glWindow.clearColor);
  glWindow.Clear();
}

}  // namespace

void Transport::Begin(int framesPerSecond) {
  fps = framesPerSecond;
  std::copy(glWindow.clearColor, glWindow.clearColor + 4, setupClearColor);
  glWindow.Clear();
  SaveSetupState();
}

void Transport::PollKeys(float t, const CScenePlayer& player) {
  const int scenes = static_cast<int>(player.sceneData.size());
  if (platform::KeyWentDown(platform::Key::Space)) {
    paused = !paused;
    platform::SetClockPaused(paused);
    platform::SoundSetPaused(paused);
  }
  // Five seconds from the frame nearest to now, counted in whole frames so
  // that a seek from a frame lands exactly on a frame.
  const int64_t now = std::llround(static_cast<double>(t) * fps);
  if (platform::KeyWentDown(platform::Key::Left)) {
    RequestSeek(std::max<int64_t>(0, now - 5 * fps));
  }
  if (platform::KeyWentDown(platform::Key::Right)) RequestSeek(now + 5 * fps);
  if (platform::KeyWentDown(platform::Key::PageUp)) {
    RequestSeek(SceneFirstFrame(player.sceneData, std::max(0, player.index - 1), fps));
  }
  if (platform::KeyWentDown(platform::Key::PageDown) && player.index + 1 < scenes) {
    RequestSeek(SceneFirstFrame(player.sceneData, player.index + 1, fps));
  }
  if (platform::KeyWentDown(platform::Key::Home)) RequestSeek(0);
  if (platform::KeyWentDown(platform::Key::M)) {
    muted = !muted;
    platform::SoundSetMuted(muted);
  }
  const bool up = platform::KeyWentDown(platform::Key::Up);
  const bool down = platform::KeyWentDown(platform::Key::Down);
  if (up || down) {
    volumeSteps = std::clamp(volumeSteps + (up ? 1 : 0) - (down ? 1 : 0), 0, 10);
    platform::SoundSetVolume(static_cast<float>(volumeSteps) / 10.0f);
  }
}

void Transport::CarryOutSeek(CScenePlayer* player, int64_t demoStart, void (*drawUnseen)()) {
  const int64_t target = std::min(pendingFrame, ShowEndFrame(fps));
  pendingFrame = -1;
  RestoreSetupState();
  const auto drawFrameUnseen = [&](int64_t frame) {
    player->SeekToFrame(frame, fps, demoStart);
    drawUnseen();
  };
  if (target > 0) {
    const int before = LocateFrame(player->sceneData, target - 1, fps).index;
    for (int scene = 0; scene < before; ++scene) {
      drawFrameUnseen(SceneFirstFrame(player->sceneData, scene + 1, fps) - 1);
    }
    drawFrameUnseen(target - 1);
  }
  player->SeekToFrame(target, fps, demoStart);
}
