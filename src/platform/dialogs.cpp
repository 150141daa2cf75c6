#include "platform/dialogs.h"

#include <SDL.h>

#include <cstdio>

#include "platform/window.h"

namespace platform {
namespace {
bool g_boxesEnabled = true;
}

void EnableMessageBoxes(bool enabled) { g_boxesEnabled = enabled; }

bool AskYesNo(const std::string& text, const std::string& caption, bool* yes, bool enterSaysNo) {
  if (!g_boxesEnabled || !HasDisplay()) return false;
  const Uint32 yesFlags = enterSaysNo ? SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT
                                      : SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
  const Uint32 noFlags = enterSaysNo ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT
                                     : SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
  const SDL_MessageBoxButtonData buttons[] = {
      {yesFlags, 1, "Yes"},
      {noFlags, 0, "No"},
  };
  SDL_MessageBoxData data;
  SDL_zero(data);
  data.flags = SDL_MESSAGEBOX_INFORMATION;
  data.title = caption.c_str();
  data.message = text.c_str();
  data.numbuttons = 2;
  data.buttons = buttons;
  int answer = -1;
  if (SDL_ShowMessageBox(&data, &answer) != 0) return false;
  // Closed with the title bar's button (answer -1): the viewer declined.
  *yes = answer == 1;
  return true;
}

void ShowErrorBox(const std::string& text, const std::string& caption) {
  std::string line = text;
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  if (g_boxesEnabled && HasDisplay()) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr);
  }
}

}  // namespace platform
