// The program's single window with its OpenGL context: created once before
// the set-up, presents and clears each frame, torn down at the end.
#pragma once
#include <string>

#include "platform/window.h"

// The window procedure: receives every event taken from the queue except
// the quit message.
using WindowProc = void (*)(const platform::Event& event);

class CGLWindow {
 public:
  CGLWindow() = default;
  ~CGLWindow();
  CGLWindow(const CGLWindow&) = delete;
  CGLWindow& operator=(const CGLWindow&) = delete;

  // 0 on success; otherwise the failed step: 2 window, 6 context, 7 make
  // current (after a message naming it).
  int Create(const std::string& caption, int newWidth, int newHeight, int colorBits, int depthBits,
             WindowProc proc, bool newFullscreen);
  // Restores the display mode and releases whatever was created. Always 0.
  int Destroy();
  // Presents the frame, then clears for the next one with clearColor.
  // 1 when presenting failed (nothing is cleared then).
  int Swap();
  // The clear that Swap makes after presenting, alone: colour and depth as
  // the flags say, with clearColor.
  void Clear();

  void* drawable = nullptr;  // the drawable the font renders into
  void* context = nullptr;   // the OpenGL context
  void* window = nullptr;    // the window
  WindowProc wndProc = nullptr;
  int height = 0;
  int width = 0;
  int refreshRate = 60;
  bool fullscreen = false;
  // Unattended runs: an invisible surface on the same GL path, set before Create.
  bool offscreen = false;
  float clearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  bool clearColorBuffer = true;
  bool clearDepthBuffer = true;

 private:
  int Fail(int code, const char* message, const std::string& reason);
};
