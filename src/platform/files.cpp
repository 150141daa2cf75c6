#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace platform {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `component` ignoring case, if any.
std::string SizeInWords(size_t bytes) {
  if (bytes >= (size_t(1) << 20) && bytes % (size_t(1) << 20) == 0) {
    return std::to_string(bytes >> 20) + " MB";
  }
  return std::to_string(bytes) + " bytes";
}

bool FindIgnoringCase(const std::string& folder, const std::string& component, std::string* found) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return false;
  bool ok = false;
  while (dirent* entry = readdir(dir)) {
    if (strcasecmp(entry->d_name, component.c_str()) == 0) {
      *found = entry->d_name;
      ok = true;
      break;
    }
  }
  closedir(dir);
  return ok;
}

}  // namespace

std::string ResolvePath(const std::string& name) {
  std::string mapped = name;
  for (char& c : mapped) {
    if (c == '\\') c = '/';
  }
  if (mapped.empty() || Exists(mapped)) return mapped;

  // Walk the components, keeping each one that exists as written and looking
  // up the others ignoring case.
  std::string resolved;
  size_t pos = 0;
  if (mapped[0] == '/') {
    resolved = "/";
    pos = 1;
  }
  while (pos <= mapped.size()) {
    size_t slash = mapped.find('/', pos);
    if (slash == std::string::npos) slash = mapped.size();
    const std::string component = mapped.substr(pos, slash - pos);
    pos = slash + 1;
    if (component.empty()) continue;
    const std::string folder = resolved;
    std::string candidate =
        folder.empty() || folder == "/" ? folder + component : folder + "/" + component;
    std::string match;
    if (!Exists(candidate) && component != "." && component != ".." &&
        FindIgnoringCase(folder.empty() ? "." : folder, component, &match)) {
      candidate = folder.empty() || folder == "/" ? folder + match : folder + "/" + match;
    }
    resolved = candidate;
  }
  return Exists(resolved) ? resolved : mapped;
}

bool AppendToRegularFile(const std::string& name, const std::string& text, std::string* why) {
  const std::string path = ResolvePath(name);
  const char* notRegular = "it is not a regular file (a pipe, a device or a folder)";
  const int fd =
      open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
  if (fd < 0) {
    // A pipe without a reader, or a folder.
    *why = errno == ENXIO || errno == EISDIR ? notRegular : std::strerror(errno);
    return false;
  }
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) *why = notRegular;
  size_t done = 0;
  while (ok && done < text.size()) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      *why = wrote < 0 ? std::strerror(errno) : "nothing could be written";
      ok = false;
      break;
    }
    done += static_cast<size_t>(wrote);
  }
  if (close(fd) != 0 && ok) {
    *why = std::strerror(errno);
    ok = false;
  }
  return ok;
}

bool ReadWholeFile(const std::string& name, std::vector<uint8_t>* bytes, size_t maxBytes) {
  std::string ignored;
  return ReadWholeFile(name, bytes, maxBytes, &ignored);
}

bool ReadWholeFile(const std::string& name, std::vector<uint8_t>* bytes, size_t maxBytes,
                   std::string* why) {
  bytes->clear();
  const std::string path = ResolvePath(name);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    *why = errno == ENOENT ? "the file does not exist" : std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *why = "it is a folder, not a file";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *why = "it is not a regular file";
    return false;
  }
  if (static_cast<uint64_t>(st.st_size) > maxBytes) {
    *why = "it is larger than " + SizeInWords(maxBytes);
    return false;
  }
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *why = std::string("it cannot be opened: ") + std::strerror(errno);
    return false;
  }
  bytes->resize(static_cast<size_t>(st.st_size));
  const size_t got = bytes->empty() ? 0 : std::fread(bytes->data(), 1, bytes->size(), file);
  std::fclose(file);
  if (got != bytes->size()) {
    bytes->clear();
    *why = "it could not be read to its end";
    return false;
  }
  return true;
}

std::string FullPath(const std::string& name) {
  if (name.empty()) return "";
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(ResolvePath(name), error);
  if (error) path = ResolvePath(name);
  return path.lexically_normal().generic_string();
}

std::string ProgramFolder() {
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0) return ".";
  std::string path(buffer, static_cast<size_t>(length));
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool ChangeDirectory(const std::string& folder, std::string* reason) {
  if (chdir(folder.c_str()) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  return true;
}

std::vector<std::string> DataFolderCandidates(const std::string& programFolder,
                                              const std::string& shareFromProgram,
                                              const std::string& installedShare) {
  namespace fs = std::filesystem;
  std::vector<std::string> folders;
  auto add = [&folders](const fs::path& folder) {
    std::string text = folder.lexically_normal().generic_string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    if (text.empty()) return;
    for (const std::string& known : folders) {
      if (known == text) return;
    }
    folders.push_back(text);
  };
  add(programFolder);
  if (!shareFromProgram.empty()) add(fs::path(programFolder) / shareFromProgram);
  if (!installedShare.empty()) add(installedShare);
  return folders;
}

std::string FirstFolderHolding(const std::vector<std::string>& folders, const std::string& marker) {
  for (const std::string& folder : folders) {
    struct stat st;
    if (stat((folder + "/" + marker).c_str(), &st) == 0 && S_ISREG(st.st_mode)) return folder;
  }
  return "";
}

}  // namespace platform
