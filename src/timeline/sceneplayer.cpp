#include "timeline/sceneplayer.h"

#include "platform/clock.h"
#include "timeline/seek.h"

Result CScenePlayer::Init(const std::string& musicFile, void* window) {
  if (!platform::SoundInit(-1, 44100, 0, window)) {
    return Result(1, "CScenePlayer::Init() : BASS_Init error!");
  }
  soundStarted_ = true;
  platform::SoundStart();
  music = platform::SoundMusicLoad(false, musicFile.c_str(), 0, 0, 1);
  if (music == 0) {
    return Result(2, "CScenePlayer::Init() : BASS_MusicLoad error!");
  }
  index = 0;
  if (sceneData.empty()) {
    return Result(3, "CScenePlayer::Init() : sceneData.empty()");
  }
  for (Scene& scene : sceneData) {
    if (scene.layerData.empty()) {
      return Result(4, "CScenePlayer::Init() : layerData.empty()");
    }
    for (CLayer* layer : scene.layerData) {
      Result result = layer->Init();
      if (result.code != 0) return result;
    }
  }
  return Result(0, "CScenePlayer::Init() : ok!");
}

void CScenePlayer::Start() {
  timer.Reset();
  platform::SoundMusicPlay(music);
}

float CScenePlayer::Update(float t) {
  if (sceneData.empty()) return static_cast<float>(timer.GetTime());
  Scene& scene = sceneData[static_cast<size_t>(index)];
  for (CLayer* layer : scene.layerData) {
    layer->Render(static_cast<float>(timer.GetTime()));
  }
  const bool last = static_cast<size_t>(index) + 1 >= sceneData.size();
  if (t >= scene.endTime && !last) {
    ++index;
    for (CLayer* layer : sceneData[static_cast<size_t>(index)].layerData) {
      layer->Restart();
    }
    timer.Reset();
  }
  return static_cast<float>(timer.GetTime());
}

Result CScenePlayer::Done() {
  if (soundStarted_) {
    platform::SoundStop();
    platform::SoundMusicFree(music);
    platform::SoundFree();
    music = 0;
    soundStarted_ = false;
  }
  for (Scene& scene : sceneData) {
    for (CLayer* layer : scene.layerData) {
      layer->Done();
    }
  }
  return Result(0, "CScenePlayer::Done() : ok!");
}

void CScenePlayer::SkipScene() {
  if (static_cast<size_t>(index) + 1 < sceneData.size()) ++index;
}

int CScenePlayer::SeekToFrame(int64_t frame, int fps, int64_t demoStart) {
  if (sceneData.empty()) return 0;
  if (frame < 0) frame = 0;
  const ScenePosition position = LocateFrame(sceneData, frame, fps);
  index = position.index;
  Scene& scene = sceneData[static_cast<size_t>(index)];

  // The one place a seek sets the process-wide counter: to the reading it has
  // when frame k of the show is drawn, or for k < 0 to program start, where
  // the first scene's layer clocks count from.
  const auto clockAtFrame = [&](int64_t k) {
    platform::SetPerfCounter(k < 0 ? 0 : demoStart + platform::TicksAtFrame(k, fps));
  };

  // The instant the scene began: the end of its switch frame, or for the first
  // scene program start (its layers' clocks) and the demo start (scene clock).
  clockAtFrame(position.startFrame);
  for (CLayer* layer : scene.layerData) layer->Rewind();
  if (position.startFrame < 0) clockAtFrame(0);
  timer.Reset();

  // The frames drawn since then, replayed without drawing.
  for (int64_t k = position.startFrame + 1; k < frame; ++k) {
    clockAtFrame(k);
    const float t = static_cast<float>(timer.GetTime());
    for (CLayer* layer : scene.layerData) layer->Advance(t);
  }
  clockAtFrame(frame);
  // The music started with the demo clock.
  platform::SoundSetPosition(static_cast<double>(platform::TicksAtFrame(frame, fps)) /
                             static_cast<double>(platform::PerfFrequency()));
  return index;
}
