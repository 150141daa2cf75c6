#include "app/cli/reachable.h"

#include <cstdio>
#include <limits>

#include "timeline/show/show.h"

namespace {

// Keys after which the run may last longer than the show: a pause (run time
// goes on while the show stands still) and the seeks backwards.
bool MakesTheRunLonger(platform::Key key) {
  return key == platform::Key::Space || key == platform::Key::Left || key == platform::Key::Home ||
         key == platform::Key::PageUp;
}

bool Refuse(std::string* error, const char* format, double a, double b) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, b);
  *error = text;
  return false;
}

}  // namespace

bool RefuseUnreachableRequests(const Options& options, std::string* error) {
  if (options.until >= 0.0 && options.until < options.start) {
    return Refuse(error, "--until %g s comes before --start %g s: the run would end at once",
                  options.until, options.start);
  }
  double escape = std::numeric_limits<double>::infinity();
  double longer = std::numeric_limits<double>::infinity();
  for (const KeyRequest& key : options.keys) {
    if (key.key == platform::Key::Escape && key.time < escape) escape = key.time;
    if (MakesTheRunLonger(key.key) && key.time < longer) longer = key.time;
  }
  // The run ends with the first frame past the show's end: one frame of the
  // virtual clock after it at the latest.
  const double end = show::kEnd + 1.0 / options.fps;
  for (const KeyRequest& key : options.keys) {
    if (options.until >= 0.0 && key.time > options.until) {
      return Refuse(error, "the key at %g s comes after --until %g s, where the run ends", key.time,
                    options.until);
    }
    if (key.time > escape) {
      return Refuse(error, "the key at %g s comes after the Escape key at %g s, which ends the run",
                    key.time, escape);
    }
    if (key.time > end && !(key.time > longer)) {
      return Refuse(error, "the key at %g s comes after the show's end at %g s", key.time,
                    show::kEnd);
    }
  }
  for (const ShotRequest& shot : options.shots) {
    if (shot.time >= escape) {
      return Refuse(error,
                    "the shot at %g s comes at or after the Escape key at %g s, which ends the run",
                    shot.time, escape);
    }
    if (shot.time > end && !(shot.time > longer)) {
      return Refuse(error, "the shot at %g s comes after the show's end at %g s", shot.time,
                    show::kEnd);
    }
  }
  return true;
}
