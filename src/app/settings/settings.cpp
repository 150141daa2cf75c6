#include "app/settings/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace settings {
namespace {

constexpr char kHeader[] = "velmora settings 1";
// A settings file is a few lines; anything much larger is not ours.
constexpr std::uintmax_t kMaxBytes = 4096;

// A whole decimal number in [low, high], nothing else on the line.
bool ReadInt(const std::string& text, long low, long high, int* value) {
  if (text.empty() || text.size() > 12) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v < low || v > high) return false;
  *value = static_cast<int>(v);
  return true;
}

bool ReadBool(const std::string& text, bool* value) {
  int v = 0;
  if (!ReadInt(text, 0, 1, &v)) return false;
  *value = v != 0;
  return true;
}

}  // namespace

bool Settings::operator==(const Settings& o) const {
  return volumeSteps == o.volumeSteps && muted == o.muted && hasWindow == o.hasWindow && x == o.x &&
         y == o.y && width == o.width && height == o.height && maximised == o.maximised &&
         hasFullscreen == o.hasFullscreen && fullscreen == o.fullscreen;
}

std::string Format(const Settings& s) {
  std::ostringstream out;
  out << kHeader << "\n";
  out << "volume " << s.volumeSteps << "\n";
  out << "muted " << (s.muted ? 1 : 0) << "\n";
  if (s.hasWindow) {
    out << "window " << s.x << " " << s.y << " " << s.width << " " << s.height << "\n";
    out << "maximised " << (s.maximised ? 1 : 0) << "\n";
  }
  if (s.hasFullscreen) out << "fullscreen " << (s.fullscreen ? 1 : 0) << "\n";
  return out.str();
}

bool Parse(const std::string& text, Settings* settings, std::string* why) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) {
    *why = "it is not a velmora settings file (its first line is not \"" + std::string(kHeader) +
           "\")";
    return false;
  }
  Settings s = *settings;
  int number = 1;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty()) continue;
    const std::string where = "line " + std::to_string(number);
    const size_t space = line.find(' ');
    const std::string name = line.substr(0, space);
    const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
    bool ok = false;
    if (name == "volume") {
      ok = ReadInt(value, 0, 10, &s.volumeSteps);
    } else if (name == "muted") {
      ok = ReadBool(value, &s.muted);
    } else if (name == "maximised") {
      ok = ReadBool(value, &s.maximised);
    } else if (name == "fullscreen") {
      ok = ReadBool(value, &s.fullscreen);
      s.hasFullscreen = ok;
    } else if (name == "window") {
      std::istringstream parts(value);
      std::string px, py, pw, ph, rest;
      ok = static_cast<bool>(parts >> px >> py >> pw >> ph) && !(parts >> rest) &&
           ReadInt(px, -65536, 65536, &s.x) && ReadInt(py, -65536, 65536, &s.y) &&
           ReadInt(pw, 640, 16384, &s.width) && ReadInt(ph, 480, 16384, &s.height);
      s.hasWindow = ok;
    } else {
      *why = where + " names nothing velmora remembers";
      return false;
    }
    if (!ok) {
      *why = where + " has a value velmora cannot use";
      return false;
    }
  }
  *settings = s;
  return true;
}

std::string FilePath(const char* xdgConfigHome, const char* home) {
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
    return std::string(xdgConfigHome) + "/velmora/settings";
  }
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/velmora/settings";
  return "";
}

std::string FilePath() { return FilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")); }

bool Load(const std::string& path, Settings* settings, std::string* warning) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) return true;
  const auto fail = [&](const std::string& why) {
    *warning = "velmora: ignoring the settings file " + path + ": " + why;
    return false;
  };
  if (!fs::is_regular_file(status)) return fail("it is not a regular file");
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || size > kMaxBytes) return fail("it is larger than a settings file can be");
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in.good() && !in.eof()) return fail("it cannot be read");
  std::string why;
  if (!Parse(text.str(), settings, &why)) return fail(why);
  return true;
}

bool Save(const std::string& path, const Settings& settings, std::string* why) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path target(path);
  fs::create_directories(target.parent_path(), error);
  if (error) {
    *why = "cannot make the folder " + target.parent_path().string() + ": " + error.message();
    return false;
  }
  std::random_device random;
  const fs::path temporary =
      target.parent_path() / (".settings." + std::to_string(random() % 1000000) + ".new");
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << Format(settings);
    out.flush();
    if (!out) {
      *why = "cannot write " + temporary.string() + ": " + std::strerror(errno);
      out.close();
      fs::remove(temporary, error);
      return false;
    }
  }
  fs::rename(temporary, target, error);
  if (error) {
    *why = "cannot put the new file in place: " + error.message();
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace settings
