// Opening the production's files by the names the program uses.
//
// Names are written with a backslash after the folder ("textures\\bw06.jpg");
// here the backslash becomes '/', and a path component that does not exist as
// written is matched case-insensitively against its folder's entries (3DS
// materials often store names in capitals).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The path to open for `name`: the exact file when it exists, else the first
// case-insensitive match, else the mapped name unchanged.
std::string ResolvePath(const std::string& name);

// Appends `text` to the file `name`, creating it when absent. Only a regular
// file is written: a pipe, a device or a folder of that name is refused
// without blocking (a pipe nobody reads would otherwise hold the program
// forever). False, with why in plain words, when it is refused or the write
// fails (a full disk).
bool AppendToRegularFile(const std::string& name, const std::string& text, std::string* why);

// Reads the whole file. False when it cannot be opened or read, or is larger
// than maxBytes.
bool ReadWholeFile(const std::string& name, std::vector<uint8_t>* bytes,
                   size_t maxBytes = size_t(1) << 30);
// The same, saying why in plain words when it fails ("the file does not
// exist", "it is a folder, not a file", "it is larger than 64 MB", ...).
bool ReadWholeFile(const std::string& name, std::vector<uint8_t>* bytes, size_t maxBytes,
                   std::string* why);

// The absolute path, with '/' separators, of the file `name` opens (from the
// working directory); for messages that must say exactly which file it was.
std::string FullPath(const std::string& name);

// The folder that holds the running program ("." when it cannot be told).
std::string ProgramFolder();
// Makes `folder` the working directory; false (with the reason) on failure.
bool ChangeDirectory(const std::string& folder, std::string* reason);

// The folders where the production's data may lie, in the order they are
// tried: the program's own folder, then the installed share folder reached
// from it (`shareFromProgram`, relative, e.g. "../share/velmora", so that a
// relocated install finds its data too), then `installedShare` (absolute).
// Each appears once.
std::vector<std::string> DataFolderCandidates(const std::string& programFolder,
                                              const std::string& shareFromProgram,
                                              const std::string& installedShare);
// The first of `folders` that holds the file `marker`; empty when none does.
std::string FirstFolderHolding(const std::vector<std::string>& folders, const std::string& marker);

}  // namespace platform
