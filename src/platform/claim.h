// Writing a file so that it is whole or absent, and never replaces what the
// user has unless asked: every output (shot, PNG frame, WAV, video) is
// written under a temporary name of this run beside its final name, then
// claimed under the final name in one step.
//
// Temporary names are ".NAME.TAG.WHAT", where TAG is "PID-START": the
// process id and the process's start time in clock ticks after boot (field 22
// of /proc/PID/stat). The pair names one process for as long as the machine
// runs, so a later run can tell that the owner of a temporary file is gone
// even when its pid has been given to another process since; no lock has to
// be held and no name is ever shared by two runs.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// This process's TAG, "PID-START".
const std::string& RunTag();

// ".NAME.TAG.partial" beside `path`. `out` keeps its capacity, so naming
// allocates nothing after the first call.
void TemporaryName(const std::string& path, std::string* out);
// ".NAME.TAG.WHAT" beside `path`: a companion of the output that lives only
// during the run (the video's soundtrack).
std::string CompanionName(const std::string& path, const std::string& what);

// Creates `temporary` for writing; it must not exist (O_EXCL). Returns the
// descriptor, or -1 with the reason (naming `shownName`, the user's file).
int CreateTemporary(const std::string& temporary, const std::string& shownName,
                    std::string* reason);

// Puts the complete file `temporary` under `path`. Without `replace`, a file
// already at `path` (also one that appeared during the run) is left as it is
// and the claim fails; with it, the old file is replaced in one step. On
// failure `temporary` is removed and `reason` names `path` and says why.
bool ClaimName(const std::string& temporary, const std::string& path, bool replace,
               std::string* reason);

// The parts of a temporary name ".NAME.TAG.WHAT" (a companion's own
// temporary name, "..NAME.TAG.WHAT.TAG.partial", gives NAME too). False for
// any other name.
struct TemporaryParts {
  std::string name;  // the final name it stands for
  pid_t pid = 0;
  uint64_t start = 0;
};
bool ParseTemporaryName(const std::string& entry, TemporaryParts* parts);

// True when the process `pid` that started at `start` has ended: no process
// has that pid, or the one that has it started at another time. When it
// cannot be told (no /proc), the owner is taken to be alive.
bool OwnerIsGone(pid_t pid, uint64_t start);

// Removes from `folder` the temporary files of runs that have ended whose
// final name `wanted` accepts; never those of a live run. Returns how many.
int RemoveStaleTemporaries(const std::string& folder,
                           const std::function<bool(const std::string& name)>& wanted);
// The same for the temporary files of the one output `path`.
int RemoveStaleTemporariesOf(const std::string& path);

}  // namespace platform
