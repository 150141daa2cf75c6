// What the viewer set in one run and finds again in the next: the volume,
// mute, and the window's size, place and full-screen state. They live in one
// small text file, $XDG_CONFIG_HOME/velmora/settings (~/.config/velmora/
// settings without it), written whole under another name and renamed over
// the old one, so that it is never seen half written.
//
// Full screen is remembered only as the viewer chose it with F11 or
// Alt+Enter; the answer to the "Fullscreen?" question is not, and the
// question is asked as always (the remembered choice is its default button).
#pragma once
#include <string>

namespace settings {

struct Settings {
  int volumeSteps = 8;  // tenths of full volume, 0 to 10
  bool muted = false;
  // The window as the viewer left it (not full screen): its client size and
  // its place on the desktop, and whether it was maximised.
  bool hasWindow = false;
  int x = 0;
  int y = 0;
  int width = 800;
  int height = 600;
  bool maximised = false;
  // Set only by F11 or Alt+Enter.
  bool hasFullscreen = false;
  bool fullscreen = false;

  bool operator==(const Settings& other) const;
  bool operator!=(const Settings& other) const { return !(*this == other); }
};

// The file's text: a first line naming it, then one "name value" line each.
std::string Format(const Settings& settings);
// Reads what Format wrote. A missing line keeps its default; anything else
// (another first line, an unknown name, a value that is no number or out of
// range, a line too long) makes the whole text unusable: false, with the
// reason in `why` and `settings` untouched.
bool Parse(const std::string& text, Settings* settings, std::string* why);

// The file's path from the environment: $XDG_CONFIG_HOME/velmora/settings
// when that is an absolute path, else $HOME/.config/velmora/settings; empty
// when neither can be told.
std::string FilePath(const char* xdgConfigHome, const char* home);
std::string FilePath();

// Reads the file at `path` into `settings`. A missing file is no error (the
// defaults stay). A file that cannot be read or parsed leaves the defaults
// and returns false with one line in `warning` naming the file and why.
bool Load(const std::string& path, Settings* settings, std::string* warning);
// Writes the file whole: into a new file beside it, then renamed over it
// (the folder is made when missing). False, with the reason, on failure;
// the old file is then untouched.
bool Save(const std::string& path, const Settings& settings, std::string* why);

}  // namespace settings
