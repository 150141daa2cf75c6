// The scene player: owns the music and the timeline of scenes, initialises
// and releases every layer, renders the current scene each frame and moves on
// when the demo time reaches the scene's end.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "shell/base/result.h"
#include "shell/base/timer.h"
#include "timeline/layer.h"

struct Scene {
  float endTime = 0.0f;            // demo time at which the player leaves the scene
  std::vector<CLayer*> layerData;  // rendered in this order; not owned
};

class CScenePlayer {
 public:
  CScenePlayer() = default;

  Result Init(const std::string& musicFile, void* window);
  void Start();
  // Renders the current scene and returns the scene time. Needs at least one scene.
  float Update(float t);
  Result Done();
  // The F2 key: the next scene becomes current at once, without a restart of
  // its layers or of the scene clock. The last scene stays.
  void SkipScene();

  // Seeking: sets the player, the layers, every clock and the music as a
  // straight run at `fps` frames per second stands just before drawing frame
  // `frame` (demo time frame / fps), the demo clock having been reset at the
  // counter reading `demoStart`. The layers of the scene it lands in are
  // rewound to the scene's start and advanced frame by frame to the target
  // without drawing. Returns the scene index it landed in.
  int SeekToFrame(int64_t frame, int fps, int64_t demoStart);

  platform::MusicHandle music = 0;
  CTimer timer;
  std::vector<Scene> sceneData;
  int index = 0;

 private:
  // True between a successful sound start-up and its release, so that a second
  // shutdown does not repeat the sound calls on freed state.
  bool soundStarted_ = false;
};
