#include "app/cli/options.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/cli/reachable.h"
#include "app/export/exporter.h"

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

// The keys --key can press, in the order the help lists them.
const KeyWord kKeyWords[] = {
    {"F1", platform::Key::F1, false},         {"F2", platform::Key::F2, false},
    {"Escape", platform::Key::Escape, false}, {"Space", platform::Key::Space, true},
    {"Left", platform::Key::Left, true},      {"Right", platform::Key::Right, true},
    {"PageUp", platform::Key::PageUp, true},  {"PageDown", platform::Key::PageDown, true},
    {"Home", platform::Key::Home, true},      {"M", platform::Key::M, false},
    {"Up", platform::Key::Up, false},         {"Down", platform::Key::Down, false},
    {"F11", platform::Key::F11, false},
};

// "F1, F2, ..., F11", or the transport keys alone joined with " or ".
std::string KeyNames(bool transportOnly) {
  std::vector<const char*> names;
  for (const KeyWord& word : kKeyWords) {
    if (!transportOnly || word.transport) names.push_back(word.name);
  }
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    const bool last = i + 1 == names.size();
    text += (i == 0 ? "" : last && transportOnly ? " or " : ", ") + std::string(names[i]);
  }
  return text;
}

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

// Whole numbers from `least` to `most`, nothing else.
bool ParseCount(const std::string& text, long least, long most, int* value) {
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || errno != 0 || *end != '\0' || n < least || n > most) return false;
  *value = static_cast<int>(n);
  return true;
}

// What the command line has said so far, beyond the options themselves.
struct ParseState {
  Options* options = nullptr;
  std::string name;  // the option being read, as given
  bool fpsGiven = false;
  bool windowGiven = false;
  bool fullscreenGiven = false;
  std::string exportOnly;  // the first option given that needs --export
};

// One option: its name, the word its value is shown as in the help (none
// for a switch), its help text (lines after the first are continued under
// it) and what it does with its value. `apply` returns false with a message.
struct OptionRow {
  const char* name;
  const char* value;
  const char* help;
  bool (*apply)(ParseState& state, const std::string& value, std::string* error);
};

bool NeedTime(ParseState& state, const std::string& text, const char* what, double* out,
              std::string* error) {
  if (ParseTime(text, out)) return true;
  *error = state.name + " needs " + what + ", not '" + text + "'";
  return false;
}

bool ApplyBlurOrSupersample(ParseState& state, const std::string& text, long most, int* out,
                            std::string* error) {
  if (!ParseCount(text, 1, most, out)) {
    *error = state.name + " needs a whole number from 1 to " + std::to_string(most) + ", not '" +
             text + "'";
    return false;
  }
  if (state.exportOnly.empty()) state.exportOnly = state.name;
  return true;
}

// The help for --key names the keys from the key table, broken into lines
// that fit the help's column.
std::string KeyHelp() {
  const std::string words = "press a key at run time T (repeatable): " + KeyNames(false);
  std::string text;
  size_t lineStart = 0;
  size_t from = 0;
  while (from < words.size()) {
    size_t end = words.find(' ', from);
    if (end == std::string::npos) end = words.size();
    if (end - lineStart > 64 && from > lineStart) {
      text.back() = '\n';
      lineStart = from;
    }
    text += words.substr(from, end - from + 1);
    from = end + 1;
  }
  return text;
}

const OptionRow kOptionRows[] = {
    {"--window", nullptr, "run in a window without asking (resizable; 800x600 or --size)",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->screen = Options::Screen::Window;
       s.windowGiven = true;
       return true;
     }},
    {"--fullscreen", nullptr, "run full screen without asking",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->screen = Options::Screen::Fullscreen;
       s.fullscreenGiven = true;
       return true;
     }},
    {"--size", "WxH",
     "size of the window, the offscreen picture or the export\n"
     "(default 800x600, at least 640x480); the 4:3 picture is drawn\n"
     "as large as fits, centred on black",
     [](ParseState& s, const std::string& text, std::string* error) {
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
       s.options->width = w;
       s.options->height = h;
       s.options->sizeGiven = true;
       return true;
     }},
    {"--no-vsync", nullptr, "do not pace frames to the display (for measuring)",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->vsync = false;
       return true;
     }},
    {"--scale", "auto|off|F",
     "draw the live show's picture smaller and stretch it while\n"
     "frames miss the display's refresh (auto, the default), never\n"
     "(off), or always at the fraction F (0.1 to 1); never below\n"
     "800x600, never in offscreen runs or exports; auto keeps full\n"
     "size in a run with --shot, and with --no-vsync unless given",
     [](ParseState& s, const std::string& text, std::string* error) {
       Options* o = s.options;
       o->scaleGiven = text == "auto";
       if (text == "auto" || text == "off") {
         o->scale = text == "auto" ? Options::Scale::Auto : Options::Scale::Off;
         return true;
       }
       char* end = nullptr;
       errno = 0;
       const double f = std::strtod(text.c_str(), &end);
       if (text.empty() || errno != 0 || *end != '\0' || !(f >= 0.1 && f <= 1.0)) {
         *error = "--scale needs auto, off or a fraction from 0.1 to 1, not '" + text + "'";
         return false;
       }
       // A fraction of 1 is full size: off.
       o->scale = f < 1.0 ? Options::Scale::Fixed : Options::Scale::Off;
       o->scaleFraction = f;
       o->scaleGiven = f < 1.0;
       return true;
     }},
    {"--start", "T", "begin at demo time T, as if the show had played until there",
     [](ParseState& s, const std::string& text, std::string* error) {
       return NeedTime(s, text, "a demo time in seconds", &s.options->start, error);
     }},
    {"--data", "DIR",
     "folder with scenes/, textures/ and demomusic.xm, where\n"
     "error_log.txt is written (default: the program's folder\n"
     "if it holds them, else the installed share/velmora)",
     [](ParseState& s, const std::string& text, std::string* error) {
       s.options->dataDir = text;
       if (!text.empty()) return true;
       *error = "--data needs a folder";
       return false;
     }},
    {"--offscreen", nullptr,
     "render without a visible window or sound device, on a\n"
     "virtual clock: frame k shows demo time k/N",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->offscreen = true;
       return true;
     }},
    {"--fps", "N", "frames per second of the virtual clock (default 60)",
     [](ParseState& s, const std::string& text, std::string* error) {
       if (!ParseCount(text, 1, 1000, &s.options->fps)) {
         *error = "--fps needs a whole number from 1 to 1000, not '" + text + "'";
         return false;
       }
       s.fpsGiven = true;
       return true;
     }},
    {"--until", "T", "end after the first frame at or after run time T",
     [](ParseState& s, const std::string& text, std::string* error) {
       return NeedTime(s, text, "a time in seconds", &s.options->until, error);
     }},
    {"--shot", "T:FILE.png", "save the first frame at or after run time T (repeatable)",
     [](ParseState& s, const std::string& text, std::string* error) {
       ShotRequest shot;
       if (!SplitTimed(text, &shot.time, &shot.file)) {
         *error = "--shot needs TIME:FILE.png, not '" + text + "'";
         return false;
       }
       s.options->shots.push_back(shot);
       return true;
     }},
    {"--key", "T:NAME", nullptr,
     [](ParseState& s, const std::string& text, std::string* error) {
       KeyRequest key;
       std::string keyName;
       if (!SplitTimed(text, &key.time, &keyName) || !ParseKey(keyName, &key.key)) {
         *error =
             "--key needs TIME:NAME with NAME one of " + KeyNames(false) + ", not '" + text + "'";
         return false;
       }
       s.options->keys.push_back(key);
       return true;
     }},
    {"--export", "FILE",
     "render the whole show offscreen into FILE.mp4 or FILE.mkv\n"
     "(H.264 and AAC through ffmpeg), or into a folder of\n"
     "numbered PNG frames and soundtrack.wav",
     [](ParseState& s, const std::string& text, std::string* error) {
       s.options->exportPath = text;
       if (!text.empty()) return true;
       *error = "--export needs a file or folder name";
       return false;
     }},
    {"--overwrite", nullptr,
     "replace an existing export or shot file (written beside\n"
     "it and renamed when complete; a failure keeps the old one)",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->overwrite = true;
       return true;
     }},
    {"--console", nullptr, "show the debug console in an export (hidden by default)",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->console = true;
       return true;
     }},
    {"--supersample", "N",
     "draw each exported frame at N times the size (1 to 4) and\n"
     "filter it down: smoother edges",
     [](ParseState& s, const std::string& text, std::string* error) {
       return ApplyBlurOrSupersample(s, text, 4, &s.options->supersample, error);
     }},
    {"--motion-blur", "N",
     "blend N sub-frames (1 to 16) spread over each exported\n"
     "frame's time",
     [](ParseState& s, const std::string& text, std::string* error) {
       return ApplyBlurOrSupersample(s, text, 16, &s.options->motionBlur, error);
     }},
    {"--osd", nullptr, "show the on-screen display in an export (hidden by default)",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->osd = true;
       if (s.exportOnly.empty()) s.exportOnly = s.name;
       return true;
     }},
    {"--fill", nullptr,
     "crop the 4:3 picture to fill a wider export's frame (for\n"
     "16:9) instead of boxing it",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->fill = true;
       if (s.exportOnly.empty()) s.exportOnly = s.name;
       return true;
     }},
    {"--display", "N", "open the window centred on screen N (0 is the first)",
     [](ParseState& s, const std::string& text, std::string* error) {
       if (!ParseCount(text, 0, 63, &s.options->display)) {
         *error = "--display needs a screen number from 0 to 63, not '" + text + "'";
         return false;
       }
       return true;
     }},
    {"--no-config", nullptr,
     "neither read nor remember volume, mute and the window's\n"
     "size, place and full-screen state",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->noConfig = true;
       return true;
     }},
    {"--version", nullptr, "show the versions of the program and its libraries",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->version = true;
       return true;
     }},
    {"--help", nullptr, "show this text",
     [](ParseState& s, const std::string&, std::string*) {
       s.options->help = true;
       return true;
     }},
};

const OptionRow* FindOption(const std::string& name) {
  // -h is the one short spelling.
  const std::string wanted = name == "-h" ? "--help" : name;
  for (const OptionRow& row : kOptionRows) {
    if (wanted == row.name) return &row;
  }
  return nullptr;
}

// Requests that combine into something that cannot be done, or that only
// make sense with another option.
bool CheckCombinations(ParseState& state, std::string* error) {
  Options* options = state.options;
  // An export is an unattended run.
  if (!options->exportPath.empty()) options->offscreen = true;
  if (state.fpsGiven && !options->offscreen) {
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
        *error = "--key with " + KeyNames(true) +
                 " does not apply to --export (the soundtrack plays straight through)";
        return false;
      }
    }
  }
  if (state.windowGiven && state.fullscreenGiven) {
    *error = "--window and --fullscreen contradict each other; give one of them";
    return false;
  }
  if (options->console && options->exportPath.empty()) state.exportOnly = "--console";
  if (!state.exportOnly.empty() && options->exportPath.empty()) {
    *error = state.exportOnly + " applies to --export only";
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
  if (options->scaleGiven && options->offscreen) {
    *error =
        "--scale applies to the live show; offscreen runs and exports always draw at full size "
        "(--scale off is their only setting)";
    return false;
  }
  if (options->display >= 0 && options->offscreen) {
    *error = "--display applies to a window on a screen, not to --offscreen or --export runs";
    return false;
  }
  return RefuseUnreachableOutputs(*options, error) && RefuseUnreachableRequests(*options, error);
}

}  // namespace

std::string UsageText() {
  std::string text =
      "usage: velmora [options]\n"
      "\n"
      "Plays the production. Without options it asks whether to run full screen.\n"
      "Keys: Escape ends, F1 shows or hides the debug console, F2 logs a line to\n"
      "error_log.txt and skips to the next scene; Space pauses and resumes, Left and\n"
      "Right seek 5 s, Page Up and Page Down go one scene back or on, Home starts\n"
      "again, M mutes, Up and Down change the volume, F11 or Alt+Enter switch\n"
      "between window and full screen.\n"
      "\n";
  // Each option's name and value word in a column of 18, its help beside it.
  for (const OptionRow& row : kOptionRows) {
    std::string left = row.name;
    if (row.value != nullptr) left += std::string(" ") + row.value;
    left.resize(std::max<size_t>(left.size() + 2, 20), ' ');
    std::string help = row.help != nullptr ? row.help : KeyHelp();
    for (size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1)) {
      help.insert(at + 1, std::string(22, ' '));
    }
    text += "  " + left + help + "\n";
  }
  text +=
      "\n"
      "Run time starts at --start (0 by default) and moves on with every frame, also\n"
      "while the show is paused; as long as nothing pauses or seeks it is the demo time.\n"
      "\n"
      "Exit status: 0 done; 1 loading the production failed; 2 bad command line, no\n"
      "window, or an existing file or folder refused; 3 an output (shot, export) could\n"
      "not be written; 4 the display was lost (X server gone); 130 interrupted\n"
      "(SIGINT or SIGTERM), nothing partial left.\n";
  return text;
}

bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error) {
  *options = Options();
  ParseState state;
  state.options = options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    // Options that take a value accept it as the next word or after '='.
    const size_t equals = arg.find('=');
    const bool inline_value = arg.rfind("--", 0) == 0 && equals != std::string::npos;
    state.name = inline_value ? arg.substr(0, equals) : arg;
    const OptionRow* row = FindOption(state.name);
    if (row == nullptr) {
      *error = "unknown option '" + arg + "'";
      return false;
    }
    std::string value;
    if (row->value == nullptr && inline_value) {
      *error = "option " + state.name + " takes no value";
      return false;
    }
    if (row->value != nullptr) {
      if (inline_value) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        *error = "option " + state.name + " needs a value";
        return false;
      }
    }
    if (!row->apply(state, value, error)) return false;
  }
  return CheckCombinations(state, error);
}
