#include "platform/dialogs.h"

#include <SDL.h>

#include <cstdio>

#include "platform/window.h"

namespace platform {
namespace {
bool g_boxesEnabled = true;
}

void EnableMessageBoxes(bool enabled) { g_boxesEnabled = enabled; }

bool AskYesNo(const std::string& text, const std::string& caption, bool* yes) {
  if (!g_boxesEnabled || !HasDisplay()) return false;
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
  };
  SDL_MessageBoxData data;
  SDL_zero(data);
  data.flags = SDL_MESSAGEBOX_INFORMATION;
  data.title = caption.c_str();
  data.message = text.c_str();
  data.numbuttons = 2;
  data.buttons = buttons;
  int answer = -1;
  if (SDL_ShowMessageBox(&data, &answer) != 0 || answer < 0) return false;
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
