// Requests of the command line that a run could never carry out, refused
// before anything runs rather than silently dropped: --until before
// --start, a shot or key after --until, after the show's end (when no pause
// or backward seek could make the run last longer) or after an Escape key.
#pragma once
#include <string>

#include "app/cli/options.h"

// False, with the reason in `error`, when the options ask for any of these.
bool RefuseUnreachableRequests(const Options& options, std::string* error);
