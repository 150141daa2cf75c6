#include "model/validate3ds.h"

#include <lib3ds/chunk.h>
#include <lib3ds/file.h>

#include <unordered_map>
#include <vector>

#include "platform/failure_note.h"
#include "platform/files.h"

namespace model {
namespace {

// Sizes of fixed data that lib3ds reads from the start of a chunk. Reading
// them past the chunk would take bytes of the next chunk or past the file.
struct FixedLeaf {
  uint16_t id;
  uint32_t bytes;
};

constexpr FixedLeaf kFixedLeaves[] = {
    {LIB3DS_M3D_VERSION, 4},      {LIB3DS_MESH_VERSION, 4},     {LIB3DS_MASTER_SCALE, 4},
    {LIB3DS_LO_SHADOW_BIAS, 4},   {LIB3DS_HI_SHADOW_BIAS, 4},   {LIB3DS_SHADOW_MAP_SIZE, 2},
    {LIB3DS_SHADOW_SAMPLES, 2},   {LIB3DS_SHADOW_RANGE, 4},     {LIB3DS_SHADOW_FILTER, 4},
    {LIB3DS_RAY_BIAS, 4},         {LIB3DS_O_CONSTS, 12},        {LIB3DS_COLOR_F, 12},
    {LIB3DS_LIN_COLOR_F, 12},     {LIB3DS_COLOR_24, 3},         {LIB3DS_LIN_COLOR_24, 3},
    {LIB3DS_INT_PERCENTAGE, 2},   {LIB3DS_FLOAT_PERCENTAGE, 4}, {LIB3DS_VIEWPORT_SIZE, 8},
    {LIB3DS_VIEWPORT_DATA_3, 49}, {LIB3DS_VIEW_TOP, 16},        {LIB3DS_VIEW_BOTTOM, 16},
    {LIB3DS_VIEW_LEFT, 16},       {LIB3DS_VIEW_RIGHT, 16},      {LIB3DS_VIEW_FRONT, 16},
    {LIB3DS_VIEW_BACK, 16},       {LIB3DS_VIEW_USER, 28},       {LIB3DS_VIEW_CAMERA, 11},
    {LIB3DS_MAT_SHADING, 2},      {LIB3DS_MAT_WIRE_SIZE, 4},    {LIB3DS_MAT_ACUBIC, 12},
    {LIB3DS_MAT_MAP_TILING, 2},   {LIB3DS_MAT_MAP_TEXBLUR, 4},  {LIB3DS_MAT_MAP_USCALE, 4},
    {LIB3DS_MAT_MAP_VSCALE, 4},   {LIB3DS_MAT_MAP_UOFFSET, 4},  {LIB3DS_MAT_MAP_VOFFSET, 4},
    {LIB3DS_MAT_MAP_ANG, 4},      {LIB3DS_MAT_MAP_COL1, 3},     {LIB3DS_MAT_MAP_COL2, 3},
    {LIB3DS_MAT_MAP_RCOL, 3},     {LIB3DS_MAT_MAP_GCOL, 3},     {LIB3DS_MAT_MAP_BCOL, 3},
    {LIB3DS_MESH_MATRIX, 48},     {LIB3DS_MESH_COLOR, 1},       {LIB3DS_MESH_TEXTURE_INFO, 86},
    {LIB3DS_CAM_RANGES, 8},       {LIB3DS_DL_OUTER_RANGE, 4},   {LIB3DS_DL_INNER_RANGE, 4},
    {LIB3DS_DL_MULTIPLIER, 4},    {LIB3DS_DL_SPOT_ROLL, 4},     {LIB3DS_DL_LOCAL_SHADOW2, 10},
    {LIB3DS_DL_SPOT_ASPECT, 4},   {LIB3DS_DL_RAY_BIAS, 4},      {LIB3DS_KFSEG, 8},
    {LIB3DS_KFCURTIME, 4},        {LIB3DS_PIVOT, 12},           {LIB3DS_BOUNDBOX, 24},
    {LIB3DS_MORPH_SMOOTH, 4},
};

// Chunks holding nothing but one name, read into a buffer of 64 bytes.
constexpr uint16_t kNameLeaves[] = {
    LIB3DS_BIT_MAP,       LIB3DS_MAT_NAME,          LIB3DS_MAT_MAPNAME,
    LIB3DS_INSTANCE_NAME, LIB3DS_DL_SPOT_PROJECTOR, LIB3DS_DL_EXCLUDE,
};

// Chunks whose reader reads sub-chunks right after its header.
constexpr uint16_t kPlainContainers[] = {
    LIB3DS_M3DMAGIC,       LIB3DS_MLIBMAGIC,        LIB3DS_CMAGIC,        LIB3DS_MDATA,
    LIB3DS_AMBIENT_LIGHT,  LIB3DS_SOLID_BGND,       LIB3DS_DEFAULT_VIEW,  LIB3DS_MAT_ENTRY,
    LIB3DS_MAT_AMBIENT,    LIB3DS_MAT_DIFFUSE,      LIB3DS_MAT_SPECULAR,  LIB3DS_MAT_SHININESS,
    LIB3DS_MAT_SHIN2PCT,   LIB3DS_MAT_TRANSPARENCY, LIB3DS_MAT_XPFALL,    LIB3DS_MAT_REFBLUR,
    LIB3DS_MAT_SELF_ILPCT, LIB3DS_MAT_TEXMAP,       LIB3DS_MAT_TEXMASK,   LIB3DS_MAT_TEX2MAP,
    LIB3DS_MAT_TEX2MASK,   LIB3DS_MAT_OPACMAP,      LIB3DS_MAT_OPACMASK,  LIB3DS_MAT_BUMPMAP,
    LIB3DS_MAT_BUMPMASK,   LIB3DS_MAT_SPECMAP,      LIB3DS_MAT_SPECMASK,  LIB3DS_MAT_SHINMAP,
    LIB3DS_MAT_SHINMASK,   LIB3DS_MAT_SELFIMAP,     LIB3DS_MAT_SELFIMASK, LIB3DS_MAT_REFLMAP,
    LIB3DS_MAT_REFLMASK,
};

// Chunks whose reader reads fixed data and then sub-chunks.
struct PrefixedContainer {
  uint16_t id;
  uint32_t prefix;
};

constexpr PrefixedContainer kPrefixedContainers[] = {
    {LIB3DS_V_GRADIENT, 4},       {LIB3DS_FOG, 16},
    {LIB3DS_LAYER_FOG, 16},       {LIB3DS_DISTANCE_CUE, 16},
    {LIB3DS_VIEWPORT_LAYOUT, 14}, {LIB3DS_N_CAMERA, 32},
    {LIB3DS_N_DIRECT_LIGHT, 12},  {LIB3DS_DL_SPOTLIGHT, 20},
};

// Keyframe tracks and the size of one key's value.
struct TrackKind {
  uint16_t id;
  uint32_t valueBytes;  // 0 with `named`: a name instead
  bool named;
};

constexpr TrackKind kTracks[] = {
    {LIB3DS_POS_TRACK_TAG, 12, false}, {LIB3DS_ROT_TRACK_TAG, 16, false},
    {LIB3DS_SCL_TRACK_TAG, 12, false}, {LIB3DS_FOV_TRACK_TAG, 4, false},
    {LIB3DS_ROLL_TRACK_TAG, 4, false}, {LIB3DS_COL_TRACK_TAG, 12, false},
    {LIB3DS_MORPH_TRACK_TAG, 0, true}, {LIB3DS_HOT_TRACK_TAG, 4, false},
    {LIB3DS_FALL_TRACK_TAG, 4, false}, {LIB3DS_HIDE_TRACK_TAG, 0, false},
};

bool IsNodeTag(uint16_t id) {
  return id >= LIB3DS_AMBIENT_NODE_TAG && id <= LIB3DS_SPOTLIGHT_NODE_TAG;
}

constexpr uint16_t kNoParent = 65535;

struct Span {
  uint16_t id = 0;
  size_t begin = 0;  // first byte of the header
  size_t end = 0;    // one past the last byte
  size_t Data() const { return begin + 6; }
};

// What the face arrays of one mesh refer to.
struct MeshState {
  uint32_t points = 0;  // the count of the last point array
  bool anyFace = false;
  uint32_t maxFaceIndex = 0;  // over every face of every face array
};

// What a chunk's reader knows of its parent's reader: lib3ds gives the mesh
// to the direct children of a mesh chunk only, the face count to those of a
// face array, the node numbering to those of a keyframer section.
struct Context {
  MeshState* mesh = nullptr;
  const uint32_t* faces = nullptr;
  uint32_t* nodeCounter = nullptr;
};

struct NodeInfo {
  uint32_t id = 0;
  uint32_t parent = 0;
  size_t offset = 0;
};

class Checker {
 public:
  Checker(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  std::string Run() {
    Span root;
    if (!Header(0, size_, &root)) return reason_;
    if (root.id != LIB3DS_M3DMAGIC && root.id != LIB3DS_MLIBMAGIC && root.id != LIB3DS_CMAGIC &&
        root.id != LIB3DS_MDATA) {
      Fail("not a 3DS file", 0);
      return reason_;
    }
    if (!Chunk(root, 0, Context{})) return reason_;
    CheckNodes();
    return reason_;
  }

 private:
  bool Fail(const std::string& what, size_t at) {
    if (reason_.empty()) reason_ = what + " at offset " + std::to_string(at);
    return false;
  }

  uint16_t U16(size_t at) const { return uint16_t(data_[at] | (data_[at + 1] << 8)); }
  uint32_t U32(size_t at) const {
    return uint32_t(data_[at]) | (uint32_t(data_[at + 1]) << 8) | (uint32_t(data_[at + 2]) << 16) |
           (uint32_t(data_[at + 3]) << 24);
  }

  // The chunk header at `pos`, which with its whole body must lie before
  // `limit`, the end of the parent.
  bool Header(size_t pos, size_t limit, Span* out) {
    if (limit - pos < 6) return Fail("chunk header cut short", pos);
    out->id = U16(pos);
    const uint32_t size = U32(pos + 2);
    if (size < 6) return Fail("chunk smaller than its header", pos);
    if (size > limit - pos) return Fail("chunk reaches past its parent", pos);
    out->begin = pos;
    out->end = pos + size;
    return true;
  }

  // A name read into a buffer of `buffer` bytes: its terminating zero must
  // lie inside the chunk and inside the buffer. Sets *after past the zero.
  bool Name(size_t at, size_t end, size_t buffer, size_t* after) {
    for (size_t i = 0; i < buffer && at + i < end; ++i) {
      if (data_[at + i] == 0) {
        *after = at + i + 1;
        return true;
      }
    }
    return Fail("name without end", at);
  }

  bool Need(const Span& c, size_t at, uint64_t bytes) {
    if (at > c.end || uint64_t(c.end - at) < bytes) return Fail("chunk data cut short", c.begin);
    return true;
  }

  // The sub-chunks from `first` to the end of `c`; `inner` is what their
  // readers learn from the reader of `c`.
  bool Children(const Span& c, size_t first, int depth, const Context& inner = Context{}) {
    if (first > c.end) return Fail("chunk data cut short", c.begin);
    int colours = 0, linearColours = 0;
    for (size_t pos = first; pos < c.end;) {
      Span child;
      if (!Header(pos, c.end, &child)) return false;
      if (c.id == LIB3DS_V_GRADIENT) {
        // The gradient reader keeps at most three colours of each kind.
        if (child.id == LIB3DS_COLOR_F && ++colours > 3)
          return Fail("too many gradient colours", pos);
        if (child.id == LIB3DS_LIN_COLOR_F && ++linearColours > 3)
          return Fail("too many gradient colours", pos);
      }
      if (!Chunk(child, depth + 1, inner)) return false;
      pos = child.end;
    }
    return true;
  }

  // The chunks the tables above describe: true when `c` is one of them, with
  // its verdict in *ok.
  bool TableChunk(const Span& c, int depth, bool* ok) {
    const uint16_t id = c.id;
    const size_t data = c.Data();
    for (uint16_t plain : kPlainContainers) {
      if (id == plain) {
        if (id == LIB3DS_MAT_ENTRY && ++materials_ > kMaxMaterials) {
          *ok = Fail("too many materials", c.begin);
        } else {
          *ok = Children(c, data, depth);
        }
        return true;
      }
    }
    for (const PrefixedContainer& p : kPrefixedContainers) {
      if (id == p.id) {
        *ok = Need(c, data, p.prefix) && Children(c, data + p.prefix, depth);
        return true;
      }
    }
    for (const FixedLeaf& leaf : kFixedLeaves) {
      if (id == leaf.id) {
        *ok = Need(c, data, leaf.bytes);
        return true;
      }
    }
    for (uint16_t name : kNameLeaves) {
      size_t after = 0;
      if (id == name) {
        *ok = Name(data, c.end, 64, &after);
        return true;
      }
    }
    for (const TrackKind& track : kTracks) {
      if (id == track.id) {
        *ok = Track(c, track);
        return true;
      }
    }
    return false;
  }

  bool Chunk(const Span& c, int depth, const Context& context) {
    if (depth > kMaxChunkDepth) return Fail("chunks nested too deep", c.begin);
    const uint16_t id = c.id;
    const size_t data = c.Data();
    bool ok = false;
    if (TableChunk(c, depth, &ok)) return ok;
    if (IsNodeTag(id)) return Node(c, depth, context.nodeCounter);

    switch (id) {
      case LIB3DS_KFDATA: {
        // Nodes without an id chunk are numbered in order within each
        // keyframer section.
        uint32_t counter = 0;
        Context inner;
        inner.nodeCounter = &counter;
        return Children(c, data, depth, inner);
      }
      case LIB3DS_KFHDR: {
        size_t after = 0;
        return Need(c, data, 2) && Name(data + 2, c.end, 13, &after) && Need(c, after, 4);
      }
      case LIB3DS_NAMED_OBJECT: {
        if (++namedObjects_ > kMaxNamedObjects) return Fail("too many objects", c.begin);
        size_t after = 0;
        if (!Name(data, c.end, 64, &after)) return false;
        return Children(c, after, depth);
      }
      case LIB3DS_N_TRI_OBJECT: {
        MeshState own;
        Context inner;
        inner.mesh = &own;
        if (!Children(c, data, depth, inner)) return false;
        if (own.anyFace && own.maxFaceIndex >= own.points)
          return Fail("face index past the mesh's points", c.begin);
        return true;
      }
      case LIB3DS_POINT_ARRAY:
      case LIB3DS_POINT_FLAG_ARRAY:
      case LIB3DS_TEX_VERTS: {
        if (!Need(c, data, 2)) return false;
        const uint32_t count = U16(data);
        const uint32_t each = id == LIB3DS_POINT_ARRAY ? 12 : id == LIB3DS_TEX_VERTS ? 8 : 2;
        if (!Need(c, data + 2, uint64_t(count) * each)) return false;
        if (id == LIB3DS_POINT_ARRAY && context.mesh != nullptr) context.mesh->points = count;
        return true;
      }
      case LIB3DS_FACE_ARRAY: {
        if (!Need(c, data, 2)) return false;
        const uint32_t count = U16(data);
        if (!Need(c, data + 2, uint64_t(count) * 8)) return false;
        if (count > 0) {
          // Outside a mesh nothing gives the indices a meaning: no points.
          if (context.mesh == nullptr) return Fail("face index past the mesh's points", c.begin);
          for (uint32_t f = 0; f < count; ++f) {
            const size_t at = data + 2 + size_t(f) * 8;
            for (size_t k = 0; k < 3; ++k) {
              const uint32_t index = U16(at + 2 * k);
              if (index > context.mesh->maxFaceIndex) context.mesh->maxFaceIndex = index;
            }
          }
          context.mesh->anyFace = true;
        }
        Context inner;
        inner.faces = &count;
        return Children(c, data + 2 + size_t(count) * 8, depth, inner);
      }
      case LIB3DS_MSH_MAT_GROUP: {
        size_t after = 0;
        if (!Name(data, c.end, 64, &after) || !Need(c, after, 2)) return false;
        const uint32_t count = U16(after);
        if (!Need(c, after + 2, uint64_t(count) * 2)) return false;
        const uint32_t limit = context.faces != nullptr ? *context.faces : 0;
        for (uint32_t i = 0; i < count; ++i) {
          if (U16(after + 2 + size_t(i) * 2) >= limit)
            return Fail("material group index past the faces", c.begin);
        }
        return true;
      }
      case LIB3DS_SMOOTH_GROUP:
        return Need(c, data, uint64_t(context.faces != nullptr ? *context.faces : 0) * 4);
      case LIB3DS_MSH_BOXMAP: {
        size_t at = data;
        for (int side = 0; side < 6; ++side) {
          if (!Name(at, c.end, 64, &at)) return false;
        }
        return true;
      }
      case LIB3DS_NODE_ID:
        return Need(c, data, 2);
      case LIB3DS_NODE_HDR: {
        size_t after = 0;
        return Name(data, c.end, 64, &after) && Need(c, after, 6);
      }
      default:
        // Anything else lib3ds skips by its size, which has been checked.
        return true;
    }
  }

  bool Track(const Span& c, const TrackKind& kind) {
    size_t at = c.Data();
    if (!Need(c, at, 14)) return false;
    const int32_t keys = int32_t(U32(at + 10));
    at += 14;
    if (keys < 0 || uint64_t(keys) > (c.end - at) / 6) return Fail("more keys than fit", c.begin);
    keyWork_ += uint64_t(keys) * uint64_t(keys);
    if (keyWork_ > kMaxKeyWork) return Fail("too many keys", c.begin);
    int64_t previous = -1;
    for (int32_t k = 0; k < keys; ++k) {
      if (!Need(c, at, 6)) return false;
      const int32_t frame = int32_t(U32(at));
      const uint16_t flags = U16(at + 4);
      // The spline parameters present: tension, continuity, bias, ease to, ease from.
      const unsigned extra = __builtin_popcount(flags & 0x1Fu);
      at += 6;
      if (!Need(c, at, uint64_t(extra) * 4)) return false;
      at += extra * 4;
      if (kind.named) {
        if (!Name(at, c.end, 64, &at)) return false;
      } else {
        if (!Need(c, at, kind.valueBytes)) return false;
        at += kind.valueBytes;
      }
      // Keys must rise: equal frames make a looping track divide by zero
      // and step past its last key.
      if (frame < 0 || frame > kMaxKeyFrame || frame <= previous)
        return Fail("key frames out of order or range", c.begin);
      previous = frame;
    }
    return true;
  }

  bool Node(const Span& c, int depth, uint32_t* counter) {
    NodeInfo node;
    node.offset = c.begin;
    // Without an id chunk the node is numbered in order; without a header
    // its parent field stays 0.
    node.id = counter != nullptr ? (*counter)++ : 0;
    node.parent = 0;
    for (size_t pos = c.Data(); pos < c.end;) {
      Span child;
      if (!Header(pos, c.end, &child)) return false;
      if (!Chunk(child, depth + 1, Context{})) return false;
      if (child.id == LIB3DS_NODE_ID) node.id = U16(child.Data());
      if (child.id == LIB3DS_NODE_HDR) {
        size_t after = 0;
        Name(child.Data(), child.end, 64, &after);
        node.parent = U16(after + 4);
      }
      pos = child.end;
    }
    // Nodes are only read inside a keyframer section.
    if (counter != nullptr) {
      if (nodes_.size() >= kMaxNodes) return Fail("too many nodes", c.begin);
      nodes_.push_back(node);
    }
    return true;
  }

  // Ids unique, parents present, no node its own ancestor.
  void CheckNodes() {
    if (!reason_.empty()) return;
    std::unordered_map<uint32_t, size_t> byId;
    for (size_t i = 0; i < nodes_.size(); ++i) {
      const NodeInfo& node = nodes_[i];
      if (node.id == kNoParent) {
        Fail("node id 65535", node.offset);
        return;
      }
      if (!byId.emplace(node.id, i).second) {
        Fail("node id used twice", node.offset);
        return;
      }
    }
    for (const NodeInfo& node : nodes_) {
      uint32_t parent = node.parent;
      size_t steps = 0;
      while (parent != kNoParent) {
        auto found = byId.find(parent);
        if (found == byId.end()) {
          Fail("node parent does not exist", node.offset);
          return;
        }
        if (++steps > kMaxHierarchyDepth) {
          Fail("node is its own ancestor or nested too deep", node.offset);
          return;
        }
        parent = nodes_[found->second].parent;
      }
    }
  }

  const uint8_t* data_;
  size_t size_;
  std::string reason_;
  std::vector<NodeInfo> nodes_;
  size_t materials_ = 0;
  size_t namedObjects_ = 0;
  uint64_t keyWork_ = 0;
};

}  // namespace

std::string Check3DS(const uint8_t* data, size_t size) {
  if (data == nullptr && size != 0) return "no data";
  return Checker(data, size).Run();
}

Lib3dsFile* Load3DSChecked(const std::string& path, std::string* reason) {
  std::string ignored;
  if (reason == nullptr) reason = &ignored;
  std::vector<uint8_t> bytes;
  if (!platform::ReadWholeFile(path, &bytes, kMaxSceneBytes, reason)) {
    platform::NoteLoadFailure("scene", path, *reason);
    return nullptr;
  }
  const std::string problem = Check3DS(bytes.data(), bytes.size());
  if (!problem.empty()) {
    *reason = "it is not a 3DS scene that can be read safely: " + problem;
    platform::NoteLoadFailure("scene", path, *reason);
    return nullptr;
  }
  reason->clear();
  Lib3dsFile* file = lib3ds_file_load(platform::ResolvePath(path).c_str());
  if (file == nullptr) {
    *reason = "lib3ds could not read it";
    platform::NoteLoadFailure("scene", path, *reason);
  }
  return file;
}

}  // namespace model
