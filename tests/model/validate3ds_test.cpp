// The chunk walker that stands between hostile files and lib3ds.
#include <gtest/gtest.h>

#include <lib3ds/file.h>

#include "model/fixtures.h"
#include "model/validate3ds.h"
#include "support/temp_dir.h"

using namespace modeltest;

namespace {

std::string Check(const std::string& bytes) {
  return model::Check3DS(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

const std::string kTriangle = TriMesh("a", 3, {0, 1, 2});
const std::string kRootNode = ObjectNode("a", 0, 65535);

// A mesh with one face and a material group naming face `groupIndex`.
std::string GroupedMesh(uint16_t groupIndex) {
  const std::string faces = U16(1) + U16(0) + U16(1) + U16(2) + U16(7) +
                            Chunk(0x4130, Name("m") + U16(1) + U16(groupIndex));
  const std::string points = U16(3) + Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
  return Chunk(0x4000, Name("a") + Chunk(0x4100, Chunk(0x4110, points) + Chunk(0x4120, faces)));
}

std::string Track(uint16_t tag, int32_t keys, std::initializer_list<int32_t> frames) {
  std::string body = U16(0) + U32(0) + U32(0) + U32(uint32_t(keys));
  for (int32_t frame : frames) body += U32(uint32_t(frame)) + U16(0) + Floats({0, 0, 0});
  return Chunk(tag, body);
}

std::string NodeWithTrack(const std::string& track) {
  return Chunk(0xB002, Chunk(0xB030, U16(0)) +
                           Chunk(0xB010, Name("a") + U16(0) + U16(0) + U16(65535)) + track);
}

}  // namespace

TEST(Check3DS, AcceptsWellFormedFilesAtTheirLimits) {
  const std::string valid[] = {
      File(kTriangle, kRootNode),
      File(GroupedMesh(0)),
      // Nodes without an id are numbered in file order; without a header
      // their parent is node 0.
      File(kTriangle, ObjectNode("a", -1, 65535) + ObjectNode("b", -1, -1)),
      File(Chunk(0x1300, Floats({0.5f}) + Chunk(0x10, Floats({1, 1, 1})) +
                             Chunk(0x10, Floats({1, 1, 1})) + Chunk(0x10, Floats({1, 1, 1})))),
      File(kTriangle, NodeWithTrack(Track(0xB020, 2, {0, 4194304}))),
      File(Chunk(0x4000, Name(std::string(63, 'x')))),
  };
  for (const std::string& bytes : valid) EXPECT_EQ(Check(bytes), "");
}

TEST(Check3DS, RefusesWhatLeadsLib3dsAstray) {
  std::string zeroSize = File(kTriangle);
  zeroSize.replace(zeroSize.find(U16(0x4110)) + 2, 4, U32(0));
  std::string tiny = File(kTriangle);
  tiny.replace(tiny.find(U16(0x4110)) + 2, 4, U32(5));
  std::string pastParent = File(kTriangle);
  pastParent.replace(pastParent.find(U16(0x4110)) + 2, 4, U32(200));
  // A point array hidden in a chunk lib3ds skips gives the mesh no points.
  const std::string hiddenPoints = Chunk(
      0x4000, Name("a") + Chunk(0x4100, Chunk(0x4120, U16(1) + U16(0) + U16(1) + U16(2) + U16(7)) +
                                            Chunk(0xAFFF, Chunk(0x4110, U16(3) + Floats({0, 0, 0, 1, 0, 0, 0, 1, 0})))));
  std::string chain = ObjectNode("n0", 0, 65535);
  for (int i = 1; i <= 300; ++i) chain += ObjectNode("n", i, i - 1);
  std::string nested = kTriangle;
  for (int i = 0; i < 20; ++i) nested = Chunk(0xAFFF, nested);

  const struct {
    const char* what;
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"zero-size chunk", zeroSize, "chunk smaller than its header"},
      {"five-byte chunk", tiny, "chunk smaller than its header"},
      {"chunk past its parent", pastParent, "chunk reaches past its parent"},
      {"truncated root", File(kTriangle).substr(0, 40), "chunk reaches past its parent"},
      {"not a 3DS file", Chunk(0x1234, ""), "not a 3DS file"},
      {"face index = points", File(TriMesh("a", 3, {0, 1, 3})), "face index past"},
      {"faces without points", File(TriMesh("a", 0, {0, 0, 0})), "face index past"},
      {"points hidden from lib3ds", File(hiddenPoints), "face index past"},
      {"point count past chunk", File(Chunk(0x4000, Name("a") + Chunk(0x4100, Chunk(0x4110, U16(9))))),
       "chunk data cut short"},
      {"material group index = faces", File(GroupedMesh(1)), "material group index past"},
      {"self parent", File(kTriangle, ObjectNode("a", 0, 0)), "own ancestor"},
      {"default self parent", File(kTriangle, ObjectNode("a", -1, -1)), "own ancestor"},
      {"cycle of three", File(kTriangle, ObjectNode("a", 0, 2) + ObjectNode("b", 1, 0) + ObjectNode("c", 2, 1)),
       "own ancestor"},
      {"tail into a cycle", File(kTriangle, ObjectNode("d", 3, 0) + ObjectNode("a", 0, 2) + ObjectNode("b", 1, 0) +
                                                ObjectNode("c", 2, 1)),
       "own ancestor"},
      {"hierarchy too deep", File(kTriangle, chain), "nested too deep"},
      {"id used twice", File(kTriangle, ObjectNode("a", 4, 65535) + ObjectNode("b", 4, 65535)), "used twice"},
      // The second node is numbered 1 although the first carries its own id.
      {"numbering collides", File(kTriangle, ObjectNode("a", 1, 65535) + ObjectNode("b", -1, 65535)),
       "used twice"},
      {"missing parent", File(kTriangle, ObjectNode("a", 0, 9)), "parent does not exist"},
      {"name without end", File(Chunk(0x4000, std::string(64, 'x'))), "name without end"},
      {"keyframer name too long", File("", Chunk(0xB00A, U16(5) + Name(std::string(13, 'k')) + U32(9))),
       "name without end"},
      {"four gradient colours", File(Chunk(0x1300, Floats({0.5f}) + Chunk(0x10, Floats({1, 1, 1})) +
                                                       Chunk(0x10, Floats({1, 1, 1})) + Chunk(0x10, Floats({1, 1, 1})) +
                                                       Chunk(0x10, Floats({1, 1, 1})))),
       "too many gradient colours"},
      {"key count past chunk", File(kTriangle, NodeWithTrack(Track(0xB020, 0x7FFFFFFF, {0}))), "more keys than fit"},
      {"keys on one frame", File(kTriangle, NodeWithTrack(Track(0xB020, 2, {3, 3}))), "key frames"},
      {"negative frame", File(kTriangle, NodeWithTrack(Track(0xB020, 1, {-1}))), "key frames"},
      {"chunks too deep", File(nested), "nested too deep"},
      {"stray bytes in a parent", File(kTriangle + "\x01\x02\x03"), "chunk header cut short"},
      {"matrix cut short", File(Chunk(0x4000, Name("a") + Chunk(0x4100, Chunk(0x4160, Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0}))))),
       "chunk data cut short"},
  };
  for (const auto& c : cases) {
    EXPECT_NE(Check(c.bytes).find(c.reason), std::string::npos) << c.what << ": " << Check(c.bytes);
  }
}

TEST(Check3DS, RefusesEveryTruncationOfAScene) {
  testsupport::TempDir dir;
  Save(RichScene(), dir.File("rich.3ds"));
  const std::string bytes = ReadBytes(dir.File("rich.3ds"));
  ASSERT_EQ(Check(bytes), "");
  for (size_t length = 0; length < bytes.size(); ++length)
    ASSERT_NE(Check(bytes.substr(0, length)), "") << "length " << length;
  // Garbage behind a valid header is not an empty scene.
  EXPECT_NE(Check(bytes.substr(0, 6) + std::string(bytes.size() - 6, '\x5A')), "");
}

TEST(Load3DSChecked, ResolvesNamesAndRefusesBadFiles) {
  testsupport::TempDir dir;
  testsupport::ScopedChdir inside(dir.path());
  dir.Write("Scenes/self.3ds", File(kTriangle, ObjectNode("a", 0, 0)));
  Save(RichScene(), dir.File("Scenes/Rich.3DS"));

  Lib3dsFile* file = model::Load3DSChecked("scenes\\rich.3ds");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->frames, 40);
  lib3ds_file_free(file);

  std::string reason;
  EXPECT_EQ(model::Load3DSChecked("scenes\\self.3ds", &reason), nullptr);
  EXPECT_NE(reason.find("own ancestor"), std::string::npos) << reason;
  EXPECT_EQ(model::Load3DSChecked("scenes\\missing.3ds", &reason), nullptr);
  EXPECT_EQ(reason, "cannot read scenes\\missing.3ds");
}
