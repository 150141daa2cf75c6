#include "platform/claim.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

// Field 22 of /proc/PID/stat: when the process started, in clock ticks after
// boot; 0 when it cannot be read. The command name (field 2) is in brackets
// and may itself hold spaces and brackets, so fields are counted from the
// last ')'.
uint64_t StartTime(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  for (int index = 3; index <= 22; ++index) {
    if (!(fields >> field)) return 0;
  }
  return std::strtoull(field.c_str(), nullptr, 10);
}

bool AllDigits(const std::string& text, size_t from, size_t to) {
  if (from >= to) return false;
  for (size_t i = from; i < to; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

void SplitPath(const std::string& path, std::string* folder, std::string* name) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  folder->assign(path, 0, nameStart);
  name->assign(path, nameStart, std::string::npos);
}

std::string Plain(int error) { return std::strerror(error); }

}  // namespace

const std::string& RunTag() {
  // Per thread, so that no lock is needed; made again in a forked child,
  // which is another process.
  thread_local pid_t owner = 0;
  thread_local std::string tag;
  if (owner != getpid()) {
    owner = getpid();
    tag = std::to_string(owner) + "-" + std::to_string(StartTime(owner));
  }
  return tag;
}

void TemporaryName(const std::string& path, std::string* out) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  out->assign(path, 0, nameStart).append(".").append(path, nameStart, std::string::npos);
  out->append(".").append(RunTag()).append(".partial");
}

std::string CompanionName(const std::string& path, const std::string& what) {
  std::string folder, name;
  SplitPath(path, &folder, &name);
  return folder + "." + name + "." + RunTag() + "." + what;
}

int CreateTemporary(const std::string& temporary, const std::string& shownName,
                    std::string* reason) {
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0 && reason != nullptr) *reason = "cannot write " + shownName + ": " + Plain(errno);
  return fd;
}

bool ClaimName(const std::string& temporary, const std::string& path, bool replace,
               std::string* reason) {
  int error = 0;
  if (replace) {
    if (std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  } else if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) !=
             0) {
    error = errno;
    if (error == EINVAL || error == ENOSYS) {
      // The file system cannot rename without replacing: a second name that
      // fails when taken, then the temporary one removed.
      error = link(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
      if (error == 0) {
        unlink(temporary.c_str());
      } else if (error == EPERM || error == EOPNOTSUPP) {
        // No hard links either (FAT): the name is taken by a new empty file,
        // which only this run can have made, and then replaced.
        const int placeholder = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        error = placeholder >= 0 ? 0 : errno;
        if (placeholder >= 0) {
          close(placeholder);
          if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            error = errno;
            unlink(path.c_str());
          }
        }
      }
    }
  }
  if (error == 0) return true;
  unlink(temporary.c_str());
  if (reason != nullptr) {
    if (error == EEXIST) {
      *reason = path + " appeared meanwhile; it is left as it is";
    } else {
      *reason = "cannot put the finished file in place as " + path + ": " + Plain(error);
    }
  }
  return false;
}

bool ParseTemporaryName(const std::string& entry, TemporaryParts* parts) {
  if (entry.size() < 2 || entry[0] != '.') return false;
  const std::string rest = entry.substr(1);
  // The rightmost ".PID-START." splits NAME from WHAT.
  for (size_t end = rest.rfind('.'); end != std::string::npos && end > 0;
       end = rest.rfind('.', end - 1)) {
    const size_t begin = rest.rfind('.', end - 1);
    if (begin == std::string::npos) return false;
    const size_t dash = rest.find('-', begin + 1);
    if (dash == std::string::npos || dash > end) continue;
    if (!AllDigits(rest, begin + 1, dash) || !AllDigits(rest, dash + 1, end)) continue;
    if (end + 1 >= rest.size() || begin == 0) return false;
    parts->pid = static_cast<pid_t>(std::strtol(rest.c_str() + begin + 1, nullptr, 10));
    parts->start = std::strtoull(rest.c_str() + dash + 1, nullptr, 10);
    parts->name = rest.substr(0, begin);
    // A companion's temporary name stands for the companion's output.
    TemporaryParts inner;
    if (ParseTemporaryName(parts->name, &inner)) parts->name = inner.name;
    return parts->pid > 0;
  }
  return false;
}

bool OwnerIsGone(pid_t pid, uint64_t start) {
  if (kill(pid, 0) != 0 && errno == ESRCH) return true;
  const uint64_t now = StartTime(pid);
  // The pid is in use: by the owner, or by a later process that was given it.
  return now != 0 && start != 0 && now != start;
}

int RemoveStaleTemporaries(const std::string& folder,
                           const std::function<bool(const std::string& name)>& wanted) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (dirent* entry = readdir(dir)) {
    TemporaryParts parts;
    if (!ParseTemporaryName(entry->d_name, &parts) || !wanted(parts.name)) continue;
    struct stat st;
    if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode))
      continue;
    if (!OwnerIsGone(parts.pid, parts.start)) continue;
    if (unlinkat(dirfd(dir), entry->d_name, 0) == 0) ++removed;
  }
  closedir(dir);
  return removed;
}

int RemoveStaleTemporariesOf(const std::string& path) {
  std::string folder, name;
  SplitPath(path, &folder, &name);
  return RemoveStaleTemporaries(folder, [&name](const std::string& of) { return of == name; });
}

}  // namespace platform
