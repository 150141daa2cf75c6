// The command line. A bare run asks "Fullscreen?" and plays as designed; the
// options skip the question, move the data folder, or render unattended.
#pragma once
#include <string>
#include <vector>

#include "platform/window.h"

struct ShotRequest {
  double time = 0.0;  // the first frame whose demo time is at least this
  std::string file;   // PNG file to write
};

struct KeyRequest {
  double time = 0.0;
  platform::Key key = platform::Key::None;
};

struct Options {
  enum class Screen { Ask, Window, Fullscreen };
  // How large the live show draws its picture before stretching it over its
  // place: smaller while frames miss the display (Auto), always full size
  // (Off), or always at a fixed fraction of the picture's size.
  enum class Scale { Auto, Off, Fixed };
  Screen screen = Screen::Ask;
  std::string dataDir;     // empty: the folder that holds the program
  bool offscreen = false;  // invisible surface, silent sound, virtual clock
  int fps = 60;            // frames per second of the virtual clock
  double until = -1.0;     // end after the first frame at or past this demo time
  std::vector<ShotRequest> shots;
  std::vector<KeyRequest> keys;
  std::string exportPath;  // non-empty: render the whole run into this video or folder
  int width = 800;         // size of the window, the offscreen surface or the export
  int height = 600;
  bool sizeGiven = false;  // --size was given (it wins over a remembered window size)
  double start = 0.0;      // demo time at which the run begins (a seek before the first frame)
  bool vsync = true;       // pace the live show's frames to the display
  bool help = false;
  bool version = false;    // print the versions of the program and its libraries
  bool overwrite = false;  // an existing export or shot file may be replaced
  bool console = false;    // an export shows the debug console
  int supersample = 1;     // an export draws at N times its size and filters down
  int motionBlur = 1;      // an export averages N sub-frames into each frame
  bool osd = false;        // an export shows the on-screen display (hidden by default)
  bool fill = false;       // a wide export crops the 4:3 picture to fill its frame
  int display = -1;        // the screen a window opens on (-1: the first, or where it was)
  bool noConfig = false;   // neither read nor write the remembered settings
  Scale scale = Scale::Auto;
  double scaleFraction = 1.0;  // with Scale::Fixed: 0.1 to 1
  bool scaleGiven = false;     // --scale asked for auto or a fraction below 1
};

// Fills `options` from argv. False with a message in `error` on an unknown
// option, a malformed value or a request that could never be carried out
// (both --window and --fullscreen, a shot after --until or not a .png, an
// export name that is neither .mp4/.mkv nor a folder).
bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error);

std::string UsageText();
