// The show in one table: the scenes in play order with the layer each plays
// and the demo time at which it ends, the end of the run, the files each
// layer loads and the folders they are in, and the band of the picture
// between the letterbox bars. The player, the layers, the frame driver, the
// content generator (which makes these files and the soundtrack whose
// sections end with the scenes) and the tests all read it from here.
#pragma once
#include <array>
#include <cstddef>

namespace show {

// The run ends with the first frame whose demo time is past this.
constexpr float kEnd = 193.9f;

// The music module, in the working folder.
inline constexpr char kMusicFile[] = "demomusic.xm";

// The folders of the pictures and the 3DS scenes, as the production writes
// them (the file layer reads the backslash as a folder separator).
inline constexpr char kTextureFolder[] = "textures\\";
inline constexpr char kSceneFolder[] = "scenes\\";

// The seen picture: the band between the two black letterbox bars, in the
// 640x480 overlay (y downwards). The bars cover everything above and below.
constexpr float kBandTop = 80.0f;
constexpr float kBandBottom = 400.0f;
constexpr float kBandHeight = kBandBottom - kBandTop;

// 3DS scenes, under "scenes\\".
namespace models {
inline constexpr char kNsphere[] = "nsphere.3ds";
inline constexpr char kObject03[] = "object_03.3ds";
inline constexpr char kAnim02[] = "anim_02.3ds";
inline constexpr char kAnim03[] = "anim_03.3ds";
inline constexpr char kObject01[] = "object_01.3ds";
inline constexpr char kKrab[] = "krab.3ds";
inline constexpr char kTunel0[] = "tunel_0.3ds";
inline constexpr char kStrom[] = "strom.3ds";
inline constexpr char kCone[] = "cone.3ds";
inline constexpr char kObject04[] = "object_04.3ds";
inline constexpr char kAnim05[] = "anim_05.3ds";
inline constexpr char kIgra[] = "igra.3ds";
}  // namespace models

// JPEG pictures, under "textures\\".
namespace pictures {
inline constexpr char kVtLogo[] = "vt_logo.jpg";
inline constexpr char kKable[] = "kable.jpg";
inline constexpr char kTreetex[] = "treetex.jpg";
inline constexpr char kBw06[] = "bw06.jpg";
inline constexpr char kVtt[] = "vtt.jpg";
inline constexpr char kEnvmap0[] = "envmap_0.jpg";
inline constexpr char kPoz2[] = "poz2.jpg";
inline constexpr char kPoz3[] = "poz3.jpg";
inline constexpr char kPoz5[] = "poz5.jpg";
inline constexpr char kEndJpg[] = "end.jpg";
}  // namespace pictures

// What one layer loads in its Init, in the order it loads them: its 3DS
// scenes first, then its pictures (unused places are null). The scenes name
// further pictures in their materials.
struct LayerFiles {
  const char* name;
  std::array<const char*, 2> models;
  std::array<const char*, 3> pictures;
};

constexpr int kLayerCount = 11;

// clang-format off
constexpr std::array<LayerFiles, kLayerCount> kLayers = {{
    {"CLayer00", {models::kObject03, models::kNsphere}, {pictures::kVtLogo}},
    {"CLayer01", {models::kAnim02}, {}},
    {"CLayer02", {models::kAnim03, models::kObject01}, {}},
    {"CLayer03", {models::kKrab}, {pictures::kKable}},
    {"CLayer04", {models::kTunel0, models::kStrom},
                 {pictures::kTreetex, pictures::kBw06, pictures::kVtt}},
    {"CLayer05", {}, {pictures::kEnvmap0, pictures::kPoz2}},
    {"CLayer06", {models::kObject04, models::kCone}, {}},
    {"CLayer07", {models::kObject04}, {pictures::kPoz3}},
    {"CLayer08", {models::kAnim05}, {}},
    {"CLayer09", {models::kIgra}, {pictures::kPoz5}},
    {"CLayer10", {}, {pictures::kEndJpg}},
}};
// clang-format on

// One scene: the layer it plays (an index into kLayers), the demo time at
// which the player leaves it, and the name a viewer sees for it (the
// on-screen display, the chapters of an export).
struct SceneRow {
  int layer;
  float endTime;
  const char* name;
};

// The scenes in play order. Each begins where the one before ends, the first
// at 0. The last end time is never reached: it keeps the player on the
// closing picture until the run ends at kEnd.
// clang-format off
constexpr std::array<SceneRow, 12> kScenes = {{
    {1, 12.3f, "Opening glow"},      // glowing keyframed opening
    {0, 24.0f, "Logo"},
    {2, 41.0f, "Flying object"},     // keyframed scene with the flying object
    {4, 82.0f, "Tunnel"},
    {3, 94.12f, "Crabs"},            // nested crab copies
    {5, 105.64f, "Particle stream"},
    {6, 117.0f, "Wide-angle echo"},
    {7, 134.74f, "Tumbling object"}, // tumbling object over a picture
    {6, 140.49f, "Echo again"},      // wide-angle echo again
    {9, 157.97f, "Game piece"},      // game piece turning over a picture
    {8, 181.25f, "Stepped glow"},    // keyframed scene with stepped glow
    {10, 600.0f, "Closing picture"},
}};
// clang-format on

// The demo time at which scene `i` begins.
constexpr float SceneStart(size_t i) { return i == 0 ? 0.0f : kScenes[i - 1].endTime; }
// The time scene `i` is on screen in a run to the end: the last scene is cut
// at kEnd.
constexpr float SceneShownUntil(size_t i) {
  return i + 1 == kScenes.size() ? kEnd : kScenes[i].endTime;
}

}  // namespace show
