// The textures the scenes' materials name, painted with the picture toolkit
// in the production's palette. Textures that repeat across a surface tile
// seamlessly: their noise has the picture's period.
#include <cmath>
#include <map>

#include "content/picture_kit.h"
#include "content/scenes_internal.h"

namespace content {
namespace scenes {
namespace {

using kit::Image;
using kit::Rgb;
namespace pal = kit::palette;

constexpr float kTau = 6.2831853f;

float Frac(float v) { return v - std::floor(v); }

// Tiling fractal noise in about [-1, 1]: `period` cells across the picture.
float TileNoise(float u, float v, uint32_t seed, int periodU, int periodV, int octaves = 5) {
  kit::FbmOptions options;
  options.octaves = octaves;
  options.periodX = periodU;
  options.periodY = periodV;
  return kit::Fbm(u * float(periodU), v * float(periodV), seed, options);
}

float TileRidges(float u, float v, uint32_t seed, int periodU, int periodV, int octaves = 4) {
  kit::FbmOptions options;
  options.octaves = octaves;
  options.periodX = periodU;
  options.periodY = periodV;
  return kit::RidgedFbm(u * float(periodU), v * float(periodV), seed, options);
}

// A soft-edged line of width w (in the same units as d) at distance d.
float Line(float d, float w) { return kit::SmoothStep(w, w * 0.4f, std::fabs(d)); }

// Distance to the nearest multiple of `step` (lines of a lattice).
float ToLattice(float x, float step) {
  const float f = Frac(x / step);
  return std::fmin(f, 1.0f - f) * step;
}

Image Painted(int w, int h, const std::function<Rgb(float, float)>& fn) {
  Image image(w, h);
  kit::Paint(image, fn);
  return image;
}

// Riveted metal plates: the workhorse of pylons, ribs, buoys and the fish.
Image Plates() {
  return Painted(256, 256, [](float u, float v) {
    const float n = TileNoise(u, v, 11, 6, 6);
    const float fine = TileNoise(u, v, 12, 32, 32, 3);
    Rgb c =
        kit::Mix(kit::Mix(pal::kDeepTeal, pal::kSea, 0.35f), kit::Grey(0.62f), 0.45f + 0.2f * n);
    c = c * (0.92f + 0.08f * fine);
    // Seams between four plates, with a bevel of light above and shade below.
    const float du = ToLattice(u, 0.5f), dv = ToLattice(v, 0.5f);
    const float seam = std::fmax(Line(du, 0.012f), Line(dv, 0.012f));
    c = kit::Mix(c, pal::kInk, 0.8f * seam);
    // Rivets along the seams.
    const float ru = ToLattice(u + 0.03125f, 0.0625f), rv = ToLattice(v, 0.5f) - 0.035f;
    const float rivet = kit::SmoothStep(0.013f, 0.007f, std::hypot(ru, std::fabs(rv)));
    const float ru2 = ToLattice(u, 0.5f) - 0.035f, rv2 = ToLattice(v + 0.03125f, 0.0625f);
    const float rivet2 = kit::SmoothStep(0.013f, 0.007f, std::hypot(std::fabs(ru2), rv2));
    c = kit::Mix(c, pal::kBone, 0.55f * std::fmax(rivet, rivet2));
    // Rust runs down from the seams.
    const float streak = std::fmax(0.0f, TileNoise(u, v, 13, 24, 2, 3));
    const float below = kit::SmoothStep(0.25f, 0.0f, Frac(v * 2.0f));
    c = kit::Mix(c, pal::kRust, 0.55f * streak * below + 0.12f * std::fmax(0.0f, n));
    return c;
  });
}

// A sphere map for polished metal: sky above (lower rows, where reflections
// point up), a warm horizon, dark sea below, and a soft sun.
Image Chrome() {
  return Painted(256, 256, [](float u, float v) {
    const float x = u * 2.0f - 1.0f, y = v * 2.0f - 1.0f;  // y > 0: reflection points up
    const float r = std::hypot(x, y);
    const float horizon = y + 0.12f * x * x;
    const Rgb high = kit::Mix(pal::kSea, pal::kBone, 0.7f);
    const Rgb low = kit::Mix(pal::kAmber, pal::kBone, 0.55f);
    Rgb sky = kit::Mix(low, high, kit::SmoothStep(0.0f, 0.7f, horizon));
    Rgb sea = kit::Mix(kit::Mix(pal::kSea, pal::kBone, 0.2f), pal::kDeepTeal,
                       kit::SmoothStep(-0.1f, -1.0f, horizon));
    Rgb c = kit::Mix(sea, sky, kit::SmoothStep(-0.04f, 0.04f, horizon));
    c = c +
        pal::kAmber * (0.9f * std::exp(-std::pow(std::hypot(x + 0.35f, y - 0.42f) / 0.16f, 2.0f)));
    c = c + kit::Grey(0.3f) * std::exp(-std::pow(horizon / 0.03f, 2.0f));
    // Soft panels of light in the sky help the eye read the curvature.
    const float band = std::sin(x * 9.0f) * std::sin(y * 7.0f);
    c = c * (0.9f + 0.1f * band);
    // Outside the disc the map is never sampled; keep it close to the rim.
    if (r > 1.0f) c = kit::Mix(pal::kSea, pal::kDeepTeal, 0.5f);
    return c;
  });
}

}  // namespace

namespace {

using Painter = Image (*)();

const std::map<std::string, Painter>& Painters() {
  static const std::map<std::string, Painter> painters = {
      // The inside of the logo sphere: sea currents of light under a dark
      // sky, amber filaments; poles fade to one colour.
      {"sc_nebula.jpg",
       [] {
         return Painted(512, 256, [](float u, float v) {
           const float lat = std::fabs(v - 0.5f) * 2.0f;  // 0 at the equator, 1 at the poles
           const float warp = TileNoise(u, v, 21, 4, 2);
           const float flow = TileNoise(u + 0.15f * warp, v * 1.6f + 0.2f * warp, 22, 6, 3);
           const float ridge = TileRidges(u + 0.1f * warp, v + 0.1f * warp, 23, 8, 4);
           Rgb c = kit::Mix(pal::kSea, pal::kDeepTeal, kit::SmoothStep(0.1f, 0.9f, lat));
           c = kit::Mix(c, kit::Mix(pal::kSea, pal::kBone, 0.55f),
                        kit::SmoothStep(0.0f, 0.6f, flow) * (1.0f - lat));
           c = c + pal::kAmber * (0.55f * std::pow(ridge, 6.0f) * (1.0f - lat * lat));
           c = kit::Mix(c, pal::kInk, 0.35f * kit::SmoothStep(0.55f, 1.0f, lat));
           return c;
         });
       }},
      // Nautilus stripes: rust flames across a bone whorl, fading on its
      // inner side; a little teal in the nacre.
      {"sc_pearl.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float wobble =
               0.05f * std::sin(v * kTau * 2.0f) + 0.04f * TileNoise(u, v, 31, 4, 4);
           const float stripe = 0.5f + 0.5f * std::cos((u + wobble) * kTau * 5.0f);
           const float side = 0.5f + 0.5f * std::cos(v * kTau);  // 1 on the outer rim of the whorl
           const float flame =
               kit::SmoothStep(0.55f, 0.85f, stripe) * kit::SmoothStep(0.15f, 0.7f, side);
           Rgb c = kit::Mix(pal::kBone, kit::Mix(pal::kBone, pal::kSea, 0.35f),
                            0.3f + 0.3f * TileNoise(u, v, 32, 8, 8));
           c = kit::Mix(c, kit::Mix(pal::kRust, pal::kAmber, 0.35f), 0.85f * flame);
           const float growth = Line(ToLattice(u, 1.0f / 40.0f), 0.004f);
           return c * (1.0f - 0.12f * growth);
         });
       }},
      {"sc_hollow.jpg",
       [] {
         return Painted(128, 128, [](float u, float v) {
           const float n = TileNoise(u, v, 41, 4, 4);
           return kit::Mix(pal::kInk, kit::Mix(pal::kDeepTeal, pal::kRust, 0.3f), 0.4f + 0.4f * n);
         });
       }},
      {"sc_chrome.jpg", Chrome},
      {"sc_plates.jpg", Plates},
      // The machine fish's skin: overlapping scale plates, silver-bone with a
      // teal back, riveted along the rows.
      {"sc_scales.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float rowV = v * 12.0f + 0.5f, row = std::floor(rowV);  // the wrap falls mid-row
           const float shift = std::fmod(row, 2.0f) * 0.5f;
           const float cellU = Frac(u * 8.0f + shift) - 0.5f, cellV = rowV - row;
           const float arc = std::hypot(cellU * 1.4f, cellV - 0.1f);
           const float edge = Line(arc - 0.55f, 0.08f);
           const float back = 0.5f + 0.5f * std::cos(u * kTau * 2.0f);
           Rgb c = kit::Mix(kit::Mix(pal::kBone, pal::kSea, 0.25f),
                            kit::Mix(pal::kSea, pal::kDeepTeal, 0.4f), 0.6f * back);
           c = c * (0.8f + 0.25f * (1.0f - cellV));
           return kit::Mix(c, kit::Mix(pal::kAmber, pal::kRust, 0.4f), 0.45f * edge);
         });
       }},
      // Fin membrane: rays along the fin over a rust-amber skin.
      {"sc_fin.jpg",
       [] {
         return Painted(128, 128, [](float u, float v) {
           const float rays = 0.5f + 0.5f * std::cos((u + 0.25f * v) * kTau * 8.0f);
           Rgb c = kit::Mix(pal::kRust, pal::kAmber, 0.3f + 0.4f * rays);
           return c * (0.85f + 0.15f * TileNoise(u, v, 51, 4, 4));
         });
       }},
      // Lamp glass: near white in the middle, amber at the rims, with panes.
      {"sc_lamp.jpg",
       [] {
         return Painted(128, 128, [](float u, float v) {
           const float pane =
               std::fmax(Line(ToLattice(u, 0.25f), 0.01f), Line(ToLattice(v, 0.5f), 0.012f));
           Rgb c =
               kit::Mix(kit::Grey(1.0f), pal::kAmber, 0.25f + 0.2f * std::fabs(std::sin(v * kTau)));
           return kit::Mix(c, pal::kRust, 0.6f * pane);
         });
       }},
      // Crab shell: rust and amber mottling, bone speckles, ink pits.
      {"sc_carapace.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float n = TileNoise(u, v, 61, 5, 5);
           const float spots = TileNoise(u, v, 62, 18, 18, 2);
           const float pits = TileRidges(u, v, 63, 10, 10, 3);
           Rgb c = kit::Mix(kit::Mix(pal::kRust, pal::kInk, 0.25f), pal::kAmber, 0.35f + 0.45f * n);
           c = kit::Mix(c, pal::kBone, 0.75f * kit::SmoothStep(0.45f, 0.7f, spots));
           c = kit::Mix(c, pal::kInk, 0.5f * std::pow(pits, 8.0f));
           return c;
         });
       }},
      // Bark: deep vertical furrows, cold grey with amber lichen.
      {"sc_bark.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float warp = 0.06f * TileNoise(u, v, 71, 3, 2);
           const float furrow = TileRidges(u + warp, v, 72, 8, 2, 4);
           const float lichen = TileNoise(u, v, 73, 6, 6);
           Rgb c = kit::Mix(pal::kInk, kit::Mix(pal::kBone, pal::kSea, 0.25f),
                            0.3f + 0.7f * furrow * furrow);
           c = kit::Mix(c, pal::kAmber, 0.6f * kit::SmoothStep(0.35f, 0.65f, lichen) * furrow);
           return c;
         });
       }},
      // The cone's inside: diagonal bands of ink and teal with glowing amber
      // seams, so that the wall spirals towards its apex.
      {"sc_vortex.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float n = TileNoise(u, v, 81, 4, 4);
           const float band = Frac(u + v + 0.05f * n);
           Rgb c = kit::Mix(pal::kInk * 0.5f, pal::kDeepTeal, kit::SmoothStep(0.0f, 0.9f, band));
           c = kit::Mix(c, pal::kInk, 0.2f + 0.3f * n);
           const float seam = Line(ToLattice(u + v + 0.05f * n, 1.0f), 0.03f);
           const float thread = Line(ToLattice(u - v * 0.5f + 0.02f * n, 0.25f), 0.006f);
           c = c + pal::kAmber * (0.9f * seam) + pal::kBone * (0.25f * thread);
           return c;
         });
       }},
      // The cone's base: an iris of rays and rings round its centre.
      {"sc_iris.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float rays = 0.5f + 0.5f * std::cos(u * kTau * 24.0f + 3.0f * v);
           const float rings = 0.5f + 0.5f * std::cos(v * kTau * 5.0f);
           Rgb c = kit::Mix(pal::kAmber, pal::kDeepTeal * 0.6f, kit::SmoothStep(0.0f, 0.4f, v));
           c = kit::Mix(c, pal::kInk * 0.5f, 0.45f * rays + 0.3f * rings * v);
           return c + pal::kBone * (0.5f * kit::SmoothStep(0.12f, 0.0f, v));
         });
       }},
      // Oiled wood: warm grain running along u.
      {"sc_wood.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float warp = TileNoise(u, v, 91, 2, 4);
           const float grain = 0.5f + 0.5f * std::sin((v + 0.08f * warp) * kTau * 9.0f +
                                                      4.0f * TileNoise(u, v, 92, 3, 2));
           Rgb dark = pal::kRust * 0.45f + pal::kInk * 0.3f;
           Rgb light = kit::Mix(pal::kRust, pal::kAmber, 0.5f) * 0.95f;
           Rgb c = kit::Mix(dark, light, 0.35f + 0.5f * grain);
           return c * (0.9f + 0.1f * TileNoise(u, v, 93, 16, 16, 2));
         });
       }},
      // Brass: amber and bone, brushed along u, a little tarnish.
      {"sc_brass.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float brush = TileNoise(u, v, 101, 1, 32, 3);
           const float tarnish = TileNoise(u, v, 102, 4, 4);
           Rgb c = kit::Mix(pal::kAmber, pal::kBone, 0.35f + 0.2f * brush);
           return kit::Mix(c, kit::Mix(pal::kSea, pal::kInk, 0.3f),
                           0.35f * kit::SmoothStep(0.3f, 0.8f, tarnish));
         });
       }},
      // Ivory marble for the game piece: bone with faint teal veins.
      {"sc_ivory.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float warp = TileNoise(u, v, 111, 3, 3);
           const float vein = TileRidges(u + 0.3f * warp, v + 0.2f * warp, 112, 3, 3, 4);
           Rgb c =
               kit::Mix(pal::kBone, kit::Mix(pal::kBone, pal::kAmber, 0.3f), 0.5f + 0.5f * warp);
           return kit::Mix(c, kit::Mix(pal::kSea, pal::kInk, 0.3f), 0.55f * std::pow(vein, 10.0f));
         });
       }},
      // Night sky for the lighthouse: a low amber afterglow under deep ink,
      // so that only the lamps are bright enough for the opening glow. v runs
      // from just under the horizon (top rows) to the zenith (bottom rows).
      {"sc_dusk.jpg",
       [] {
         return Painted(512, 256, [](float u, float v) {
           const float h = (v - 0.12f) / 0.88f;  // 0 at the horizon
           Rgb c = kit::EvalGradient({{-0.2f, pal::kInk},
                                      {0.0f, kit::Mix(pal::kAmber, pal::kRust, 0.5f) * 0.8f},
                                      {0.05f, pal::kRust * 0.6f},
                                      {0.16f, kit::Mix(pal::kDeepTeal, pal::kRust, 0.2f) * 0.7f},
                                      {0.45f, pal::kInk},
                                      {1.0f, pal::kInk * 0.6f}},
                                     h);
           // Long wisps of cloud, darker against the afterglow.
           const float cloud = TileNoise(u, v, 121, 3, 12);
           const float layer = kit::SmoothStep(0.05f, 0.45f, cloud) *
                               kit::SmoothStep(0.02f, 0.1f, h) * kit::SmoothStep(0.5f, 0.2f, h);
           c = kit::Mix(c, pal::kInk * 0.7f, 0.6f * layer);
           // Stars above the clouds.
           const uint32_t cell = kit::Hash(uint32_t(u * 512.0f), uint32_t(v * 256.0f), 123) % 1000;
           const float star = cell < 4 ? 0.5f + 0.5f * float(cell) / 4.0f : 0.0f;
           return c + pal::kBone * (0.9f * star * kit::SmoothStep(0.25f, 0.5f, h));
         });
       }},
      // Evening sea: teal swell catching the amber of the sky in streaks.
      {"sc_sea.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float swell = TileNoise(u, v, 131, 4, 8);
           const float glint = TileRidges(u, v, 132, 3, 12, 3);
           Rgb c =
               kit::Mix(pal::kInk, kit::Mix(pal::kDeepTeal, pal::kRust, 0.2f), 0.3f + 0.4f * swell);
           return c + kit::Mix(pal::kAmber, pal::kBone, 0.3f) * (0.7f * std::pow(glint, 5.0f));
         });
       }},
      // Wet rock: dark with cracks and weed.
      {"sc_rock.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float n = TileNoise(u, v, 141, 4, 4);
           const float cracks = TileRidges(u, v, 142, 6, 6, 4);
           Rgb c = kit::Mix(kit::Mix(pal::kInk, pal::kBone, 0.25f),
                            kit::Mix(pal::kBone, pal::kSea, 0.4f), 0.35f + 0.35f * n);
           c = kit::Mix(c, pal::kDeepTeal,
                        0.5f * kit::SmoothStep(0.2f, 0.6f, TileNoise(u, v, 143, 3, 3)));
           return kit::Mix(c, pal::kInk, 0.7f * std::pow(cracks, 6.0f));
         });
       }},
      // Lighthouse stripes: bone and rust bands with small dark windows;
      // v runs up the tower, u round it.
      {"sc_tower.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float band = Frac(v * 4.0f + 0.25f);  // the wrap falls inside a band
           Rgb c = band < 0.5f ? pal::kBone * 0.8f : pal::kRust * 0.85f;
           c = c * (0.85f + 0.15f * TileNoise(u, v, 151, 4, 8));
           // Weather streaks running down.
           c = c * (1.0f - 0.18f * std::fmax(0.0f, TileNoise(u, v, 152, 16, 2, 3)));
           const float wu = ToLattice(u + 0.125f, 0.25f), wv = ToLattice(v + 0.125f, 0.25f);
           const float window =
               kit::SmoothStep(0.02f, 0.012f, wu) * kit::SmoothStep(0.05f, 0.04f, wv);
           return kit::Mix(c, kit::Mix(pal::kAmber, pal::kInk, 0.4f), window);
         });
       }},
      // Under water, looking up: dark at the horizon, light shafts above.
      {"sc_water.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float h = kit::Clamp((v - 0.1f) / 0.9f, 0.0f, 1.0f);
           Rgb c = kit::EvalGradient({{0.0f, pal::kInk},
                                      {0.25f, pal::kDeepTeal},
                                      {0.7f, pal::kSea},
                                      {1.0f, kit::Mix(pal::kSea, pal::kBone, 0.6f)}},
                                     h);
           const float shafts = 0.5f + 0.5f * TileNoise(u, 0.0f, 161, 16, 1, 3);
           c = c + kit::Mix(pal::kSea, pal::kBone, 0.5f) * (0.35f * std::pow(shafts, 3.0f) * h);
           const float caustic = TileRidges(u, v, 162, 8, 8, 3);
           return c + pal::kBone * (0.25f * std::pow(caustic, 8.0f) * h * h);
         });
       }},
      // Rippled sand, pale under the blue water.
      {"sc_sand.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float warp = TileNoise(u, v, 171, 3, 3);
           const float ripple = 0.5f + 0.5f * std::sin((v + 0.06f * warp) * kTau * 7.0f);
           Rgb c = kit::Mix(kit::Mix(pal::kSea, pal::kBone, 0.45f),
                            kit::Mix(pal::kBone, pal::kAmber, 0.2f), 0.3f + 0.5f * ripple);
           return c * (0.85f + 0.15f * TileNoise(u, v, 172, 24, 24, 2));
         });
       }},
      // Cable: black rubber with an amber marker band.
      {"sc_cable.jpg",
       [] {
         return Painted(128, 128, [](float u, float v) {
           const float sheen = 0.5f + 0.5f * std::cos(u * kTau);
           Rgb c = kit::Mix(pal::kInk, kit::Grey(0.35f), 0.3f * sheen);
           const float marker = Line(ToLattice(v, 1.0f), 0.025f);
           return kit::Mix(c, pal::kAmber, 0.6f * marker);
         });
       }},
      // Tunnel panels: two by two grey-teal panels with seams, a conduit and
      // a hazard stripe along the floor edge.
      {"sc_tunnel.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float n = TileNoise(u, v, 181, 4, 4);
           Rgb c = kit::Mix(kit::Mix(pal::kInk, pal::kDeepTeal, 0.6f),
                            kit::Mix(pal::kSea, kit::Grey(0.4f), 0.3f), 0.2f + 0.25f * n);
           const float seam =
               std::fmax(Line(ToLattice(u, 0.5f), 0.01f), Line(ToLattice(v, 0.5f), 0.012f));
           c = kit::Mix(c, pal::kInk, 0.85f * seam);
           const float inset = std::fmax(Line(ToLattice(u, 0.5f) - 0.06f, 0.006f),
                                         Line(ToLattice(v, 0.5f) - 0.06f, 0.006f));
           c = kit::Mix(c, pal::kBone, 0.25f * inset);
           // Stains and a row of small amber markers on every panel.
           c = kit::Mix(c, pal::kRust, 0.4f * std::fmax(0.0f, TileNoise(u, v, 182, 8, 8)));
           const float marker = kit::SmoothStep(
               0.02f, 0.01f, std::hypot(ToLattice(u + 0.25f, 0.5f), ToLattice(v + 0.1f, 0.5f)));
           return c + pal::kAmber * marker;
         });
       }},
      // Engine hall: tall panels, vertical pipes and a row of amber lights.
      {"sc_hall.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float n = TileNoise(u, v, 191, 4, 4);
           Rgb c = kit::Mix(pal::kInk * 0.6f, pal::kDeepTeal * 0.8f, 0.2f + 0.3f * n);
           const float pipe = ToLattice(u, 0.125f) / 0.125f;
           const float tube = kit::SmoothStep(0.16f, 0.1f, std::fabs(pipe - 0.0f));
           c = kit::Mix(c, pal::kSea * (0.35f + 0.2f * std::cos(pipe * 9.0f)), 0.8f * tube);
           const float seam = Line(ToLattice(v, 0.5f), 0.01f);
           c = kit::Mix(c, pal::kInk, seam);
           const float lamp = kit::SmoothStep(
               0.03f, 0.015f,
               std::hypot(ToLattice(u + 0.0625f, 0.125f), ToLattice(v + 0.2f, 0.5f)));
           return c + pal::kAmber * (1.2f * lamp);
         });
       }},
      // Floor grating.
      {"sc_grate.jpg",
       [] {
         return Painted(128, 128, [](float u, float v) {
           const float bar =
               std::fmax(Line(ToLattice(u, 0.125f), 0.02f), Line(ToLattice(v, 0.125f), 0.02f));
           Rgb c =
               kit::Mix(pal::kInk * 0.4f, kit::Mix(pal::kSea, kit::Grey(0.5f), 0.5f) * 0.7f, bar);
           return c * (0.85f + 0.15f * TileNoise(u, v, 201, 4, 4));
         });
       }},
      // The engine core: hot coils of bone and amber.
      {"sc_core.jpg",
       [] {
         return Painted(256, 256, [](float u, float v) {
           const float coil = 0.5f + 0.5f * std::cos((v * 8.0f + u) * kTau);
           const float flicker = TileNoise(u, v, 211, 6, 12);
           Rgb c = kit::Mix(pal::kAmber, kit::Grey(1.0f), 0.25f + 0.6f * coil);
           return kit::Mix(c, pal::kRust,
                           0.3f * kit::SmoothStep(0.0f, 0.8f, flicker) * (1.0f - coil));
         });
       }},
  };
  return painters;
}

}  // namespace

std::string WriteMaterialTexture(const std::string& name, const std::string& path) {
  const auto found = Painters().find(name);
  if (found == Painters().end()) return "no painter for the texture " + name;
  Image image = found->second();
  kit::FilmGrain(image, 0.018f, kit::Hash(uint32_t(name.size()), uint32_t(name[3])), true);
  std::string error;
  if (!kit::SaveJpeg(image, path, 90, &error)) return "cannot write " + path + ": " + error;
  return "";
}

}  // namespace scenes
}  // namespace content
