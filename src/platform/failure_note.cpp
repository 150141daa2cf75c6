#include "platform/failure_note.h"

#include "platform/files.h"

namespace platform {
namespace {
std::string g_note;
}

void ClearFailureNote() { g_note.clear(); }

void NoteLoadFailure(const std::string& what, const std::string& file, const std::string& why) {
  if (!g_note.empty()) return;
  g_note = "could not load the " + what;
  if (!file.empty()) g_note += " " + FullPath(file);
  if (!why.empty()) g_note += ": " + why;
}

const std::string& FailureNote() { return g_note; }

}  // namespace platform
