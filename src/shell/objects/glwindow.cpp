#include "shell/objects/glwindow.h"

#include <cstdio>

#include "platform/dialogs.h"
#include "shell/base/glapi.h"

CGLWindow::~CGLWindow() {
  drawable = nullptr;
  context = nullptr;
  window = nullptr;
  wndProc = nullptr;
}

int CGLWindow::Fail(int code, const char* message, const std::string& reason) {
  // One box: the fixed message, then why and what to do about it (the same
  // text goes to stderr as one line).
  platform::ShowErrorBox(reason.empty() ? std::string(message) : message + ("\n\n" + reason),
                         "Error");
  Destroy();
  return code;
}

int CGLWindow::Create(const std::string& caption, int newWidth, int newHeight, int colorBits,
                      int depthBits, WindowProc proc, bool newFullscreen) {
  fullscreen = newFullscreen && !offscreen;
  width = newWidth;
  height = newHeight;
  wndProc = proc;

  std::string reason;
  if (!platform::OpenWindow(
          caption, width, height, colorBits, depthBits, fullscreen,
          offscreen ? platform::DisplayKind::Offscreen : platform::DisplayKind::Screen, &reason)) {
    return Fail(2, "Create window failed!", reason);
  }
  window = platform::WindowHandle();
  if (fullscreen) platform::ShowCursor(false);
  drawable = window;
  if (!platform::CreateGLContext(&reason)) return Fail(6, "wglCreatContext failed!", reason);
  context = platform::ContextHandle();
  if (!platform::MakeContextCurrent(&reason)) return Fail(7, "wglMakeCurrent failed!", reason);

  if (fullscreen) {
    // The first refresh rate the display accepts, from 120 Hz down to 65 Hz;
    // otherwise full screen at the desktop's own mode.
    refreshRate = 60;
    bool changed = false;
    for (int hz = 120; hz >= 65; hz -= 5) {
      if (platform::SetDisplayMode(width, height, colorBits, hz)) {
        refreshRate = hz;
        changed = true;
        break;
      }
    }
    if (!changed) platform::EnterDesktopFullscreen();
    platform::ShowCursor(false);
  }
  platform::ShowAndFocusWindow();
  return 0;
}

int CGLWindow::Destroy() {
  platform::RestoreDisplayMode();
  platform::ShowCursor(true);
  if (context != nullptr) {
    platform::DestroyGLContext();
    context = nullptr;
  }
  drawable = nullptr;
  platform::CloseWindow();
  window = nullptr;
  return 0;
}

int CGLWindow::Swap() {
  if (!platform::SwapWindow()) return 1;
  Clear();
  return 0;
}

void CGLWindow::Clear() {
  glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
  if (clearColorBuffer && clearDepthBuffer) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  } else if (clearColorBuffer) {
    glClear(GL_COLOR_BUFFER_BIT);
  } else if (clearDepthBuffer) {
    glClear(GL_DEPTH_BUFFER_BIT);
  }
}
