#include "shell/options.h"

#include <strings.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "shell/exporter.h"

namespace {

bool ParseTime(const std::string& text, double* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  if (errno != 0 || end == nullptr || *end != '\0' || !std::isfinite(parsed) || parsed < 0.0) {
    return false;
  }
  *value = parsed;
  return true;
}

struct KeyWord {
  const char* name;
  platform::Key key;
  bool transport;  // moves the show's time: not for exports
};

const KeyWord kKeyWords[] = {
    {"F1", platform::Key::F1, false},         {"F2", platform::Key::F2, false},
    {"Escape", platform::Key::Escape, false}, {"Space", platform::Key::Space, true},
    {"Left", platform::Key::Left, true},      {"Right", platform::Key::Right, true},
    {"PageUp", platform::Key::PageUp, true},  {"PageDown", platform::Key::PageDown, true},
    {"Home", platform::Key::Home, true},      {"M", platform::Key::M, false},
    {"Up", platform::Key::Up, false},         {"Down", platform::Key::Down, false},
    {"F11", platform::Key::F11, false},
};

bool ParseKey(const std::string& name, platform::Key* key) {
  for (const KeyWord& word : kKeyWords) {
    if (strcasecmp(name.c_str(), word.name) == 0) {
      *key = word.key;
      return true;
    }
  }
  return false;
}

bool IsTransportKey(platform::Key key) {
  for (const KeyWord& word : kKeyWords) {
    if (word.key == key) return word.transport;
  }
  return false;
}

// "T:REST" into its two parts.
bool SplitTimed(const std::string& text, double* time, std::string* rest) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  *rest = text.substr(colon + 1);
  return ParseTime(text.substr(0, colon), time) && !rest->empty();
}

bool EndsWithIgnoringCase(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         strcasecmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

// Shots and exports that could never be written as asked are refused before
// anything runs, rather than silently not written.
bool RefuseUnreachableOutputs(const Options& options, std::string* error) {
  for (const ShotRequest& shot : options.shots) {
    if (options.until >= 0.0 && shot.time > options.until) {
      char text[160];
      std::snprintf(text, sizeof text,
                    "the shot at %g s comes after --until %g s, where the run ends", shot.time,
                    options.until);
      *error = text;
      return false;
    }
    if (!EndsWithIgnoringCase(shot.file, ".png")) {
      *error = "--shot writes PNG pictures: name the file FILE.png, not '" + shot.file + "'";
      return false;
    }
  }
  if (!options.exportPath.empty() && !Exporter::IsVideoPath(options.exportPath)) {
    // Any other name is a folder of frames: a new one must have no extension.
    const std::filesystem::path path(options.exportPath);
    std::error_code ignored;
    if (!path.extension().empty() && !std::filesystem::is_directory(path, ignored)) {
      *error =
          "--export makes a video from FILE.mp4 or FILE.mkv, or a folder of PNG frames from "
          "a name without an extension (or an existing folder), not '" +
          options.exportPath + "'";
      return false;
    }
  }
  return true;
}

}  // namespace

std::string UsageText() {
  return "usage: velmora [options]\n"
         "\n"
         "Plays the production. Without options it asks whether to run full screen.\n"
         "Keys: Escape ends, F1 shows or hides the debug console, F2 logs a line to\n"
         "error_log.txt and skips to the next scene; Space pauses and resumes, Left and\n"
         "Right seek 5 s, Page Up and Page Down go one scene back or on, Home starts\n"
         "again, M mutes, Up and Down change the volume, F11 or Alt+Enter switch\n"
         "between window and full screen.\n"
         "\n"
         "  --window            run in a window without asking (resizable; 800x600 or --size)\n"
         "  --fullscreen        run full screen without asking\n"
         "  --size WxH          size of the window, the offscreen picture or the export\n"
         "                      (default 800x600, at least 640x480); the 4:3 picture is drawn\n"
         "                      as large as fits, centred on black\n"
         "  --no-vsync          do not pace frames to the display (for measuring)\n"
         "  --start T           begin at demo time T, as if the show had played until there\n"
         "  --data DIR          folder with scenes/, textures/ and demomusic.xm, where\n"
         "                      error_log.txt is written (default: the program's folder\n"
         "                      if it holds them, else the installed share/velmora)\n"
         "  --offscreen         render without a visible window or sound device, on a\n"
         "                      virtual clock: frame k shows demo time k/N\n"
         "  --fps N             frames per second of the virtual clock (default 60)\n"
         "  --until T           end after the first frame at or after run time T\n"
         "  --shot T:FILE.png   save the first frame at or after run time T (repeatable)\n"
         "  --key T:NAME        press a key at run time T (repeatable): F1, F2, Escape, Space,\n"
         "                      Left, Right, PageUp, PageDown, Home, M, Up, Down, F11\n"
         "  --export FILE       render the whole show offscreen into FILE.mp4 or FILE.mkv\n"
         "                      (H.264 and AAC through ffmpeg), or into a folder of\n"
         "                      numbered PNG frames and soundtrack.wav\n"
         "  --overwrite         replace an existing export or shot file (written beside\n"
         "                      it and renamed when complete; a failure keeps the old one)\n"
         "  --console           show the debug console in an export (hidden by default)\n"
         "  --supersample N     draw each exported frame at N times the size (1 to 4) and\n"
         "                      filter it down: smoother edges\n"
         "  --motion-blur N     blend N sub-frames (1 to 16) spread over each exported\n"
         "                      frame's time\n"
         "  --version           show the versions of the program and its libraries\n"
         "  --help              show this text\n"
         "\n"
         "Run time starts at --start (0 by default) and moves on with every frame, also\n"
         "while the show is paused; as long as nothing pauses or seeks it is the demo time.\n"
         "\n"
         "Exit status: 0 done; 1 loading the production failed; 2 bad command line, no\n"
         "window, or an existing file or folder refused; 3 an output (shot, export) could\n"
         "not be written; 4 the display was lost (X server gone); 130 interrupted\n"
         "(SIGINT or SIGTERM), nothing partial left.\n";
}

bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error) {
  *options = Options();
  bool fpsGiven = false;
  bool windowGiven = false;
  bool fullscreenGiven = false;
  std::string exportOnly;  // the first option given that needs --export
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    // Options that take a value accept it as the next word or after '='.
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    const size_t equals = arg.find('=');
    if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      hasValue = true;
    }
    auto takeValue = [&](std::string* out) {
      if (hasValue) {
        *out = value;
        return true;
      }
      if (i + 1 >= argc) {
        *error = "option " + name + " needs a value";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    // A value that is a time: seconds, not negative.
    auto takeTime = [&](double* out, const char* what) {
      std::string text;
      if (!takeValue(&text)) return false;
      if (ParseTime(text, out)) return true;
      *error = name + " needs " + what + ", not '" + text + "'";
      return false;
    };
    auto noValue = [&]() {
      if (hasValue) *error = "option " + name + " takes no value";
      return !hasValue;
    };

    if (name == "--help" || name == "-h") {
      if (!noValue()) return false;
      options->help = true;
    } else if (name == "--window") {
      if (!noValue()) return false;
      options->screen = Options::Screen::Window;
      windowGiven = true;
    } else if (name == "--fullscreen") {
      if (!noValue()) return false;
      options->screen = Options::Screen::Fullscreen;
      fullscreenGiven = true;
    } else if (name == "--offscreen") {
      if (!noValue()) return false;
      options->offscreen = true;
    } else if (name == "--data") {
      if (!takeValue(&options->dataDir)) return false;
      if (options->dataDir.empty()) {
        *error = "--data needs a folder";
        return false;
      }
    } else if (name == "--fps") {
      std::string text;
      if (!takeValue(&text)) return false;
      char* end = nullptr;
      errno = 0;
      const long fps = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || errno != 0 || *end != '\0' || fps < 1 || fps > 1000) {
        *error = "--fps needs a whole number from 1 to 1000, not '" + text + "'";
        return false;
      }
      options->fps = static_cast<int>(fps);
      fpsGiven = true;
    } else if (name == "--until") {
      if (!takeTime(&options->until, "a time in seconds")) return false;
    } else if (name == "--shot") {
      std::string text;
      if (!takeValue(&text)) return false;
      ShotRequest shot;
      if (!SplitTimed(text, &shot.time, &shot.file)) {
        *error = "--shot needs TIME:FILE.png, not '" + text + "'";
        return false;
      }
      options->shots.push_back(shot);
    } else if (name == "--key") {
      std::string text;
      if (!takeValue(&text)) return false;
      KeyRequest key;
      std::string keyName;
      if (!SplitTimed(text, &key.time, &keyName) || !ParseKey(keyName, &key.key)) {
        *error =
            "--key needs TIME:NAME with NAME one of F1, F2, Escape, Space, Left, Right, "
            "PageUp, PageDown, Home, M, Up, Down, F11, not '" +
            text + "'";
        return false;
      }
      options->keys.push_back(key);
    } else if (name == "--export") {
      if (!takeValue(&options->exportPath)) return false;
      if (options->exportPath.empty()) {
        *error = "--export needs a file or folder name";
        return false;
      }
    } else if (name == "--size") {
      std::string text;
      if (!takeValue(&text)) return false;
      int w = 0, h = 0;
      char tail = 0;
      if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &tail) != 2 || w < 640 || h < 480 ||
          w > 7680 || h > 4320 || w % 2 != 0 || h % 2 != 0) {
        *error =
            "--size needs WIDTHxHEIGHT, even numbers from 640x480 to 7680x4320 "
            "(the effects capture a 512x256 corner of the frame), not '" +
            text + "'";
        return false;
      }
      options->width = w;
      options->height = h;
    } else if (name == "--start") {
      if (!takeTime(&options->start, "a demo time in seconds")) return false;
    } else if (name == "--no-vsync") {
      if (!noValue()) return false;
      options->vsync = false;
    } else if (name == "--version") {
      if (!noValue()) return false;
      options->version = true;
    } else if (name == "--overwrite") {
      if (!noValue()) return false;
      options->overwrite = true;
    } else if (name == "--console") {
      if (!noValue()) return false;
      options->console = true;
    } else if (name == "--supersample" || name == "--motion-blur") {
      std::string text;
      if (!takeValue(&text)) return false;
      const long most = name == "--supersample" ? 4 : 16;
      char* end = nullptr;
      errno = 0;
      const long n = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || errno != 0 || *end != '\0' || n < 1 || n > most) {
        *error = name + " needs a whole number from 1 to " + std::to_string(most) + ", not '" +
                 text + "'";
        return false;
      }
      (name == "--supersample" ? options->supersample : options->motionBlur) = static_cast<int>(n);
      exportOnly = exportOnly.empty() ? name : exportOnly;
    } else {
      *error = "unknown option '" + arg + "'";
      return false;
    }
  }
  // An export is an unattended run.
  if (!options->exportPath.empty()) options->offscreen = true;
  if (fpsGiven && !options->offscreen) {
    *error = "--fps applies to --offscreen and --export runs only";
    return false;
  }
  if (!options->exportPath.empty()) {
    // The export's soundtrack is rendered in one piece from the start of the
    // module, as long as the frames last: the show's time must run straight.
    if (options->start > 0.0) {
      *error = "--start does not apply to --export (the export always covers the whole show)";
      return false;
    }
    for (const KeyRequest& key : options->keys) {
      if (IsTransportKey(key.key)) {
        *error =
            "--key with Space, Left, Right, PageUp, PageDown or Home does not apply to "
            "--export (the soundtrack plays straight through)";
        return false;
      }
    }
  }
  if (windowGiven && fullscreenGiven) {
    *error = "--window and --fullscreen contradict each other; give one of them";
    return false;
  }
  if (options->console && options->exportPath.empty()) exportOnly = "--console";
  if (!exportOnly.empty() && options->exportPath.empty()) {
    *error = exportOnly + " applies to --export only";
    return false;
  }
  if (options->overwrite && options->exportPath.empty() && options->shots.empty()) {
    *error = "--overwrite applies to --export and --shot only";
    return false;
  }
  if (options->width * options->supersample > 7680 ||
      options->height * options->supersample > 4320) {
    *error = "--supersample " + std::to_string(options->supersample) + " at " +
             std::to_string(options->width) + "x" + std::to_string(options->height) +
             " would draw beyond 7680x4320";
    return false;
  }
  return RefuseUnreachableOutputs(*options, error);
}
