#include "platform/window.h"

#include <GL/gl.h>
#include <SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

SDL_Window* g_window = nullptr;
SDL_GLContext g_context = nullptr;
bool g_videoStarted = false;
bool g_modeChanged = false;
bool g_offscreen = false;
bool g_keyWentDown[static_cast<int>(Key::Count)] = {};
WindowPlacement g_placement;
// The window as it was before it went full screen, brought back on leaving.
struct WindowedState {
  bool valid = false;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool maximised = false;
};
WindowedState g_windowed;

std::string SdlError(const char* what) {
  const char* detail = SDL_GetError();
  return std::string(what) + (detail != nullptr && *detail ? std::string(": ") + detail : "");
}

struct KeyName {
  Key key;
  SDL_Keycode code;
};

const KeyName kKeys[] = {
    {Key::Escape, SDLK_ESCAPE}, {Key::F1, SDLK_F1},
    {Key::F2, SDLK_F2},         {Key::Space, SDLK_SPACE},
    {Key::Left, SDLK_LEFT},     {Key::Right, SDLK_RIGHT},
    {Key::PageUp, SDLK_PAGEUP}, {Key::PageDown, SDLK_PAGEDOWN},
    {Key::Home, SDLK_HOME},     {Key::M, SDLK_m},
    {Key::Up, SDLK_UP},         {Key::Down, SDLK_DOWN},
    {Key::F11, SDLK_F11},       {Key::AltEnter, SDLK_RETURN},
};

Key KeyFromSdl(SDL_Keycode code, Uint16 modifiers) {
  if (code == SDLK_RETURN || code == SDLK_KP_ENTER) {
    return (modifiers & KMOD_ALT) != 0 ? Key::AltEnter : Key::Other;
  }
  for (const KeyName& name : kKeys) {
    if (name.code == code) return name.key;
  }
  return Key::Other;
}

void SdlFromKey(Key key, SDL_Keycode* code, Uint16* modifiers) {
  *code = SDLK_UNKNOWN;
  *modifiers = key == Key::AltEnter ? KMOD_LALT : KMOD_NONE;
  for (const KeyName& name : kKeys) {
    if (name.key == key) *code = name.code;
  }
}

// The displays a window is tried on, for messages: "the X display ':0'
// (DISPLAY)", the Wayland one, or both.
std::string DisplaysTried() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  std::string tried;
  if (x11 != nullptr && *x11) tried = std::string("the X display '") + x11 + "' (DISPLAY)";
  if (wayland != nullptr && *wayland) {
    if (!tried.empty()) tried += " and ";
    tried += std::string("the Wayland display '") + wayland + "' (WAYLAND_DISPLAY)";
  }
  return tried;
}

// What a failure to get OpenGL on a screen means for the viewer.
constexpr char kNoGLHint[] =
    "; this display offers no OpenGL: velmora needs GLX with Mesa's drivers (Debian packages "
    "libgl1-mesa-dri and libglx-mesa0, or your graphics card's driver); without a screen, "
    "run with --offscreen";

bool MentionsGL(const std::string& text) { return text.find("GL") != std::string::npos; }

// The display to open on: the one asked for when it exists, else the first.
int ChooseDisplay(int wanted) {
  const int count = SDL_GetNumVideoDisplays();
  if (wanted >= 0 && wanted < count) return wanted;
  std::fprintf(stderr, "velmora: there is no display %d (displays 0 to %d); using display 0\n",
               wanted, count - 1);
  return 0;
}

// True when the centre of a width x height window at (x, y) lies on a display.
bool PlaceOnSomeDisplay(int x, int y, int width, int height) {
  const SDL_Point centre = {x + width / 2, y + height / 2};
  for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_PointInRect(&centre, &bounds)) return true;
  }
  return false;
}

// Xlib's last word when the connection to the X server is lost (the server
// ended or the connection broke). Its own handler would end the program with
// status 1, which is kept for a production that failed to load; this one
// says what happened and ends with the status of its own.
int OnDisplayLost(void*) {
  const char text[] = "velmora: the connection to the X display was lost; the show ends\n";
  const ssize_t ignored = write(2, text, sizeof(text) - 1);
  (void)ignored;
  _exit(kDisplayLostStatus);
}

// SDL loads Xlib itself when it starts its X11 driver: the handler is set
// through the library SDL loaded, so that nothing links against Xlib.
void WatchForLostDisplay() {
  using IOErrorHandler = int (*)(void*);
  using SetHandler = IOErrorHandler (*)(IOErrorHandler);
  void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  void* symbol = dlsym(xlib != nullptr ? xlib : RTLD_DEFAULT, "XSetIOErrorHandler");
  if (symbol != nullptr) reinterpret_cast<SetHandler>(symbol)(OnDisplayLost);
  if (xlib != nullptr) dlclose(xlib);
}

}  // namespace

void SetWindowPlacement(const WindowPlacement& placement) { g_placement = placement; }

bool WindowState(int* x, int* y, int* width, int* height, bool* maximised) {
  if (g_window == nullptr || g_offscreen) return false;
  if (IsFullscreen()) {
    if (!g_windowed.valid) return false;
    *x = g_windowed.x;
    *y = g_windowed.y;
    *width = g_windowed.width;
    *height = g_windowed.height;
    *maximised = g_windowed.maximised;
    return true;
  }
  SDL_GetWindowPosition(g_window, x, y);
  SDL_GetWindowSize(g_window, width, height);
  *maximised = (SDL_GetWindowFlags(g_window) & SDL_WINDOW_MAXIMIZED) != 0;
  return true;
}

bool HasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11) || (wayland != nullptr && *wayland);
}

bool OpenWindow(const std::string& caption, int width, int height, int colorBits, int depthBits,
                bool fullscreen, DisplayKind kind, std::string* reason) {
  g_offscreen = kind == DisplayKind::Offscreen;
  if (kind == DisplayKind::Offscreen) {
    // The invisible offscreen driver renders through EGL on the same GL code.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
  } else if (!HasDisplay()) {
    *reason =
        "no display to open a window on (DISPLAY and WAYLAND_DISPLAY are not set); "
        "run with --offscreen to render without a screen";
    return false;
  }
  if (!g_videoStarted) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
      *reason = SdlError("cannot start SDL video");
      if (kind == DisplayKind::Screen) *reason += " on " + DisplaysTried();
      return false;
    }
    g_videoStarted = true;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  if (kind == DisplayKind::Screen && driver != nullptr &&
      (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
    // Without a display SDL quietly falls back to an invisible surface; a
    // window nobody can see is no window.
    *reason = "cannot open " + DisplaysTried() +
              ": no display server answered there (SDL fell back to its '" + driver +
              "' driver); run with --offscreen to render without a screen";
    return false;
  }

  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
  const int channelBits = colorBits >= 24 ? 8 : 5;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);

  Uint32 flags = SDL_WINDOW_OPENGL;
  flags |= kind == DisplayKind::Offscreen ? SDL_WINDOW_HIDDEN
                                          : SDL_WINDOW_SHOWN | SDL_WINDOW_ALLOW_HIGHDPI;
  if (kind == DisplayKind::Screen) {
    flags |= fullscreen ? SDL_WINDOW_BORDERLESS : SDL_WINDOW_RESIZABLE;
  }
  // A window on a screen opens centred on the display asked for, or where
  // the viewer left it.
  int x = 0;
  int y = 0;
  g_windowed = WindowedState();
  if (kind == DisplayKind::Screen) {
    const int display = ChooseDisplay(g_placement.display);
    x = y = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    if (g_placement.hasPlace && !fullscreen &&
        PlaceOnSomeDisplay(g_placement.x, g_placement.y, width, height)) {
      x = g_placement.x;
      y = g_placement.y;
    }
  }
  g_window = SDL_CreateWindow(caption.c_str(), x, y, width, height, flags);
  if (g_window == nullptr) {
    *reason = SdlError("SDL_CreateWindow failed");
    if (kind == DisplayKind::Screen) {
      *reason += " on " + DisplaysTried();
      if (MentionsGL(*reason)) *reason += kNoGLHint;
    }
    return false;
  }
  if (kind == DisplayKind::Screen) {
    // The effects copy a 512 x 256 corner of the frame: never smaller than that
    // with room to spare. A window opened full screen becomes resizable when
    // the user leaves full screen.
    SDL_SetWindowMinimumSize(g_window, 640, 480);
    SDL_SetWindowResizable(g_window, SDL_TRUE);
    if (g_placement.maximised && !fullscreen) SDL_MaximizeWindow(g_window);
    if (driver != nullptr && std::strcmp(driver, "x11") == 0) WatchForLostDisplay();
  }
  return true;
}

bool CreateGLContext(std::string* reason) {
  g_context = SDL_GL_CreateContext(g_window);
  if (g_context == nullptr) {
    *reason = SdlError("SDL_GL_CreateContext failed");
    if (!g_offscreen) *reason += kNoGLHint;
    return false;
  }
  return true;
}

bool MakeContextCurrent(std::string* reason) {
  if (SDL_GL_MakeCurrent(g_window, g_context) != 0) {
    *reason = SdlError("SDL_GL_MakeCurrent failed");
    return false;
  }
  return true;
}

bool SetDisplayMode(int width, int height, int colorBits, int hz) {
  if (g_window == nullptr) return false;
  const int display = SDL_GetWindowDisplayIndex(g_window);
  const int count = SDL_GetNumDisplayModes(display < 0 ? 0 : display);
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(display < 0 ? 0 : display, i, &mode) != 0) continue;
    if (mode.w != width || mode.h != height || mode.refresh_rate != hz) continue;
    if (static_cast<int>(SDL_BITSPERPIXEL(mode.format)) < (colorBits >= 24 ? 24 : 15)) continue;
    if (SDL_SetWindowDisplayMode(g_window, &mode) != 0) return false;
    if (SDL_SetWindowFullscreen(g_window, SDL_WINDOW_FULLSCREEN) != 0) return false;
    g_modeChanged = true;
    return true;
  }
  return false;
}

void EnterDesktopFullscreen() {
  if (g_window != nullptr &&
      SDL_SetWindowFullscreen(g_window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0) {
    g_modeChanged = true;
  }
}

void RestoreDisplayMode() {
  if (g_window != nullptr && g_modeChanged) SDL_SetWindowFullscreen(g_window, 0);
  g_modeChanged = false;
}

bool SetFullscreen(bool fullscreen) {
  if (g_window == nullptr) return false;
  if (fullscreen == IsFullscreen()) return true;
  if (!fullscreen) {
    // Leaving also undoes a display-mode change made at start; the window
    // comes back as it was (a window opened full screen: centred).
    if (SDL_SetWindowFullscreen(g_window, 0) != 0) return false;
    SDL_SetWindowBordered(g_window, SDL_TRUE);
    g_modeChanged = false;
    if (g_windowed.valid) {
      SDL_SetWindowSize(g_window, g_windowed.width, g_windowed.height);
      SDL_SetWindowPosition(g_window, g_windowed.x, g_windowed.y);
      if (g_windowed.maximised) SDL_MaximizeWindow(g_window);
    } else {
      const int display = SDL_GetWindowDisplayIndex(g_window);
      const int centred =
          static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display < 0 ? 0 : display));
      SDL_SetWindowPosition(g_window, centred, centred);
    }
    return true;
  }
  WindowedState before;
  SDL_GetWindowPosition(g_window, &before.x, &before.y);
  SDL_GetWindowSize(g_window, &before.width, &before.height);
  before.maximised = (SDL_GetWindowFlags(g_window) & SDL_WINDOW_MAXIMIZED) != 0;
  if (SDL_SetWindowFullscreen(g_window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
  before.valid = true;
  g_windowed = before;
  g_modeChanged = true;
  return true;
}

bool IsFullscreen() {
  return g_window != nullptr && (SDL_GetWindowFlags(g_window) & SDL_WINDOW_FULLSCREEN) != 0;
}

void DisplaySize(int* width, int* height) {
  *width = 0;
  *height = 0;
  if (g_window == nullptr) return;
  SDL_DisplayMode mode;
  const int display = SDL_GetWindowDisplayIndex(g_window);
  if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &mode) != 0) return;
  *width = mode.w;
  *height = mode.h;
}

bool SetVSync(bool vsync) {
  if (g_context == nullptr) return false;
  if (!vsync) return SDL_GL_SetSwapInterval(0) == 0;
  return SDL_GL_SetSwapInterval(-1) == 0 || SDL_GL_SetSwapInterval(1) == 0;
}

void ShowAndFocusWindow() {
  if (g_window == nullptr) return;
  if (!(SDL_GetWindowFlags(g_window) & SDL_WINDOW_HIDDEN)) {
    SDL_ShowWindow(g_window);
    SDL_RaiseWindow(g_window);
  }
}

void ShowCursor(bool visible) {
  if (g_videoStarted) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool SwapWindow() {
  if (g_window == nullptr) return false;
  // Presenting the offscreen surface never makes the driver finish its work:
  // without this, every frame's queued commands and their memory pile up
  // (about 1 MB a frame) until something reads the frame buffer back.
  if (g_offscreen) glFinish();
  SDL_GL_SwapWindow(g_window);
  return true;
}

void DestroyGLContext() {
  if (g_context != nullptr) {
    SDL_GL_MakeCurrent(g_window, nullptr);
    SDL_GL_DeleteContext(g_context);
    g_context = nullptr;
  }
}

void CloseWindow() {
  if (g_window != nullptr) {
    SDL_DestroyWindow(g_window);
    g_window = nullptr;
  }
  if (g_videoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    g_videoStarted = false;
  }
}

bool HasWindow() { return g_window != nullptr; }
bool HasGLContext() { return g_context != nullptr; }
void* WindowHandle() { return g_window; }
void* ContextHandle() { return g_context; }

void DrawableSize(int* width, int* height) {
  *width = 0;
  *height = 0;
  if (g_window != nullptr) SDL_GL_GetDrawableSize(g_window, width, height);
}

void* GetGLProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }

namespace {
// Window coordinates (points) to drawable pixels (more on high-density screens).
void ToDrawablePixels(int x, int y, int* px, int* py) {
  int w = 0;
  int h = 0;
  int dw = 0;
  int dh = 0;
  SDL_GetWindowSize(g_window, &w, &h);
  SDL_GL_GetDrawableSize(g_window, &dw, &dh);
  *px = w > 0 ? static_cast<int>(static_cast<int64_t>(x) * dw / w) : x;
  *py = h > 0 ? static_cast<int>(static_cast<int64_t>(y) * dh / h) : y;
}
}  // namespace

bool PollEvent(Event* event) {
  if (!g_videoStarted) return false;
  SDL_Event e;
  if (SDL_PollEvent(&e) == 0) return false;
  *event = Event();
  switch (e.type) {
    case SDL_QUIT:
      event->type = EventType::Quit;
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) event->type = EventType::CloseRequest;
      break;
    case SDL_MOUSEMOTION:
      event->type = EventType::MouseMove;
      ToDrawablePixels(e.motion.x, e.motion.y, &event->x, &event->y);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (e.button.button != SDL_BUTTON_LEFT) break;
      event->type = e.type == SDL_MOUSEBUTTONDOWN ? EventType::MouseDown : EventType::MouseUp;
      ToDrawablePixels(e.button.x, e.button.y, &event->x, &event->y);
      event->clicks = e.button.clicks;
      break;
    case SDL_MOUSEWHEEL:
      event->type = EventType::MouseWheel;
      event->wheel = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      break;
    case SDL_KEYDOWN:
      event->type = EventType::KeyDown;
      event->key = KeyFromSdl(e.key.keysym.sym, e.key.keysym.mod);
      // A held key repeats; only a fresh press counts as "went down".
      if (!e.key.repeat) g_keyWentDown[static_cast<int>(event->key)] = true;
      break;
    default:
      break;
  }
  return true;
}

void PostQuit() {
  if (!g_videoStarted) return;
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
}

void PostKeyDown(Key key) {
  if (!g_videoStarted) return;
  SDL_Event e;
  SDL_zero(e);
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  SdlFromKey(key, &e.key.keysym.sym, &e.key.keysym.mod);
  e.key.windowID = g_window != nullptr ? SDL_GetWindowID(g_window) : 0;
  SDL_PushEvent(&e);
}

bool KeyWentDown(Key key) {
  bool& flag = g_keyWentDown[static_cast<int>(key)];
  const bool wentDown = flag;
  flag = false;
  return wentDown;
}

void WaitForEvent(double seconds) {
  if (!g_videoStarted || seconds <= 0.0) return;
  SDL_WaitEventTimeout(nullptr, static_cast<int>(seconds * 1000.0 + 0.5));
}

int DisplayRefreshRate() {
  if (g_window == nullptr) return 0;
  SDL_DisplayMode mode;
  const int display = SDL_GetWindowDisplayIndex(g_window);
  if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
  return mode.refresh_rate;
}

}  // namespace platform
