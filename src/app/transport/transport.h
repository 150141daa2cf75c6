// The player's transport: pause, the seek keys (Left, Right, Page Up, Page
// Down, Home), mute and volume. The keys are polled once a frame; a seek
// asked for during a frame is carried out at the start of the next one and
// lands on exactly the picture a straight run draws at its target.
#pragma once
#include <cstdint>

#include "timeline/sceneplayer.h"

class Transport {
 public:
  // Seeks count in frames of this rate: the virtual clock's, or a display's
  // usual rate in the live show. Clears the buffers for the first frame and
  // remembers the GL state and clear colour the set-up left for it, which
  // every seek starts again from.
  void Begin(int framesPerSecond);

  // Acts on the transport keys that went down since the last poll; `t` is
  // the demo time of the frame just drawn.
  void PollKeys(float t, const CScenePlayer& player);

  // Asks for a seek to frame `frame` of a straight run.
  void RequestSeek(int64_t frame) { pendingFrame = frame; }
  bool SeekPending() const { return pendingFrame >= 0; }

  // Carries out the pending seek, so that the next frame drawn is the one a
  // straight run draws at the target (a seek past the end lands on the frame
  // that ends the show). The layers draw with whatever GL state the frames
  // before left them, and the show's scenes leave state to each other
  // (lights, texture units): so the set-up's state comes back, the last frame
  // of every earlier scene is drawn unseen, in order, and then the frame
  // before the target, which also leaves the clear colour and the buffers
  // the target starts from. `drawUnseen` draws the player's current frame and
  // presents nothing.
  void CarryOutSeek(CScenePlayer* player, int64_t demoStart, void (*drawUnseen)());

  bool paused = false;
  bool muted = false;
  int volumeSteps = 10;  // tenths of full volume
  int fps = 60;
  int64_t pendingFrame = -1;  // the frame a seek goes to, -1 for none
};
