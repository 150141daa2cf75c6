// The program's one window with its OpenGL context, its events and its keys.
//
// The steps mirror what the shell's window object does one after another, so
// that it can report which one failed: open the window, create the context,
// make it current, then (full screen) change the display mode.
#pragma once
#include <string>

namespace platform {

// The exit status of a run whose window's display went away (the X server
// ended or its connection broke): the message says so on stderr.
constexpr int kDisplayLostStatus = 4;

enum class DisplayKind {
  Screen,     // a real window on a display; fails when there is no display
  Offscreen,  // an invisible surface on the same GL path, for unattended runs
};

// Opens the window of the given client size with a compatibility-profile GL
// configuration (double buffered, depthBits of depth). A window on a screen
// can be resized by the user (not below 640 x 480) and has a drawable of the
// display's real pixel size on high-density screens. On failure returns false
// and says why in `reason`.
bool OpenWindow(const std::string& caption, int width, int height, int colorBits, int depthBits,
                bool fullscreen, DisplayKind kind, std::string* reason);
bool CreateGLContext(std::string* reason);
bool MakeContextCurrent(std::string* reason);

// Where the next OpenWindow puts a window on a screen: centred on display
// `display` (counted from 0; the first when it does not exist, after a line
// on stderr), or at a remembered place when that lies on a display, and
// maximised when asked.
struct WindowPlacement {
  int display = 0;
  bool hasPlace = false;
  int x = 0;
  int y = 0;
  bool maximised = false;
};
void SetWindowPlacement(const WindowPlacement& placement);

// The window as a viewer would find it again: its place on the desktop and
// client size as a window (when full screen: as it was before), and whether
// it is maximised. False when there is no window on a screen.
bool WindowState(int* x, int* y, int* width, int* height, bool* maximised);

// Full screen: asks for width x height at `hz`; true when the display accepted it.
bool SetDisplayMode(int width, int height, int colorBits, int hz);
// Full screen at the desktop's own mode (when no mode change was accepted).
void EnterDesktopFullscreen();
// Back to the desktop's own mode (harmless when it never changed).
void RestoreDisplayMode();

// Switches between a window and full screen at the desktop's own mode.
// Leaving full screen brings back the window's size, place and maximised
// state from before. False when the switch was refused.
bool SetFullscreen(bool fullscreen);
bool IsFullscreen();
// The size of the display the window is on (0 x 0 without one).
void DisplaySize(int* width, int* height);
// Paces presentation to the display: adaptive synchronisation where the
// driver offers it, otherwise plain; `vsync` false presents at once. False
// when the driver refused.
bool SetVSync(bool vsync);

void ShowAndFocusWindow();
void ShowCursor(bool visible);
bool SwapWindow();

void DestroyGLContext();
void CloseWindow();
bool HasWindow();
bool HasGLContext();
// Opaque handles of the window and the context (null when there is none).
void* WindowHandle();
void* ContextHandle();

// The size of the drawable surface in pixels (0 x 0 without a window).
void DrawableSize(int* width, int* height);

void* GetGLProcAddress(const char* name);

// True when a display exists on which windows and message boxes can be shown.
bool HasDisplay();

// --- events ---------------------------------------------------------------

enum class Key {
  None,
  Escape,
  F1,
  F2,
  Other,
  // The player's transport keys.
  Space,
  Left,
  Right,
  PageUp,
  PageDown,
  Home,
  M,
  Up,
  Down,
  F11,
  AltEnter,  // Enter with Alt held
  Count      // not a key: the number of the above
};

enum class EventType {
  Quit,          // the queue's quit message: ends the loop, never dispatched
  CloseRequest,  // the user closed the window
  KeyDown,
  MouseMove,
  MouseDown,   // the left button
  MouseUp,     // the left button
  MouseWheel,  // wheel > 0 away from the user
  Other,
};

struct Event {
  EventType type = EventType::Other;
  Key key = Key::None;
  // Mouse events: the pointer in drawable pixels from the top-left corner.
  int x = 0;
  int y = 0;
  int clicks = 0;  // MouseDown: 2 for the second press of a double click
  int wheel = 0;   // MouseWheel: steps, positive away from the user
};

// Takes one event from the queue without waiting; false when the queue is empty.
bool PollEvent(Event* event);
// Waits until an event is waiting or `seconds` have passed, whichever comes
// first; the event stays queued for PollEvent.
void WaitForEvent(double seconds);
// The refresh rate of the display the window is on, in Hz; 0 when unknown.
int DisplayRefreshRate();
// Puts a quit message at the end of the queue.
void PostQuit();
// Puts a key press at the end of the queue, exactly as the keyboard would.
void PostKeyDown(Key key);

// True when `key` went down since the previous call for the same key.
bool KeyWentDown(Key key);

}  // namespace platform
