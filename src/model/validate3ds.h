// Safe loading of 3DS files with lib3ds 1.3.
//
// lib3ds trusts what it reads: a chunk of size 0 makes it loop for ever, a
// chunk reaching past its parent or past the end of the file makes it read
// beyond the data, a face or material-group index out of range makes it read
// or write outside its arrays, and a node that is its own ancestor makes it
// recurse until the stack runs out. So before lib3ds sees a file, its chunk
// tree is walked here the way lib3ds will walk it, and any file that would
// lead lib3ds astray is refused.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

typedef struct Lib3dsFile Lib3dsFile;

namespace model {

// Limits of what a scene may hold. They are far above anything a modeller
// writes and keep lib3ds's quadratic list insertions short.
constexpr size_t kMaxSceneBytes = size_t(64) << 20;
constexpr int kMaxChunkDepth = 16;          // nesting of chunks
constexpr size_t kMaxNodes = 4096;          // keyframer nodes
constexpr size_t kMaxHierarchyDepth = 256;  // ancestors of one node
constexpr size_t kMaxNamedObjects = 8192;   // meshes, cameras and lights
constexpr size_t kMaxMaterials = 8192;
constexpr uint64_t kMaxKeyWork = uint64_t(1) << 27;  // sum over tracks of keys squared
constexpr int32_t kMaxKeyFrame = int32_t(1) << 22;

// Checks the bytes of a 3DS file. Returns "" when lib3ds can read them
// safely, else what is wrong and at which offset.
std::string Check3DS(const uint8_t* data, size_t size);

// Loads the file `path` names (as the program names it, "scenes\\x.3ds";
// resolved with platform::ResolvePath) after checking it. Null when it is
// missing, unreadable, larger than kMaxSceneBytes, refused by Check3DS or
// refused by lib3ds; `reason` (optional) then says why, and the failure is
// noted with the file's full path for the shell's last message
// (platform::NoteLoadFailure).
Lib3dsFile* Load3DSChecked(const std::string& path, std::string* reason = nullptr);

}  // namespace model
