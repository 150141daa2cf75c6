// The production's pictures: logo, backdrops, overlays, particle sprite and
// closing card, each made for the way its layer draws it.
//
// Blending decides the ground of each picture:
// - vt_logo.jpg multiplies the frame: white leaves it unchanged, so the
//   ground is pure white and the logo dark.
// - treetex.jpg and vtt.jpg are added (one, one minus source colour), and
//   envmap_0.jpg is added as the particle sprite: black adds nothing, so
//   they are light on pure black and black at their borders.
// - kable.jpg, bw06.jpg, poz2/3/5.jpg and end.jpg are drawn opaque and fill
//   their frames.
// The 640x400 backdrops lie partly under the lower letterbox band: only
// their upper 80% shows, so their subjects sit there.
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "content/generate.h"
#include "content/picture_kit.h"
#include "timeline/show/show.h"

namespace content {
namespace {

using namespace kit;
namespace pal = kit::palette;

constexpr int kQuality = 92;
constexpr float kPi = 3.14159265f;

// The title as the window caption spells it, in spaced lowercase.
const char* const kTitle = "velmora . tarsk";

Vec2 Normalised(Vec2 v) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y);
  return length > 0 ? Vec2{v.x / length, v.y / length} : Vec2{0, 0};
}

struct Light {
  float x, y, z;
};

Light Unit(Light l) {
  const float length = std::sqrt(l.x * l.x + l.y * l.y + l.z * l.z);
  return {l.x / length, l.y / length, l.z / length};
}

// Fades the picture to black over `band` pixels at each border: added
// pictures must not show the edges of the quad they are drawn on.
void FadeEdgesToBlack(Image& image, float band) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const float fromEdge = std::min(std::min(float(x), float(image.width() - 1 - x)),
                                      std::min(float(y), float(image.height() - 1 - y)));
      image.At(x, y) = image.At(x, y) * SmoothStep(0, band, fromEdge);
    }
  }
}

// A shaded tube (a cable or a branch seen from the side) along a polyline:
// Lambert light with a soft highlight, optional ribs across its length, and
// its colour pulled towards `fog` by `fogAmount`.
struct TubeStyle {
  float radius = 4;
  Rgb colour = pal::kSea;
  Rgb fog = pal::kInk;
  float fogAmount = 0;
  float ribPeriod = 0;  // pixels between ribs; 0 for a smooth sheath
  float shine = 0.5f;
  float bandPeriod = 0;  // pixels between collars around the tube; 0 for none
  float bandLength = 6;
  Rgb bandColour = pal::kBone;
};

void DrawTube(Image& image, const std::vector<Vec2>& path, const TubeStyle& style, Light light) {
  const int w = image.width(), h = image.height();
  // Nearest distance to the centre line, the side it lies on and the length
  // along the line, per pixel, gathered segment by segment.
  std::vector<float> best(size_t(w) * size_t(h), 1e9f);
  std::vector<float> side(best.size(), 0), along(best.size(), 0);
  std::vector<Vec2> normal(best.size());
  const float reach = style.radius + 2.5f;
  float travelled = 0;
  for (size_t i = 1; i < path.size(); ++i) {
    const Vec2 a = path[i - 1], b = path[i];
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float length2 = dx * dx + dy * dy;
    const float length = std::sqrt(length2);
    const Vec2 perp = Normalised({-dy, dx});
    const int x0 = std::max(0, int(std::floor(std::min(a.x, b.x) - reach)));
    const int x1 = std::min(w - 1, int(std::ceil(std::max(a.x, b.x) + reach)));
    const int y0 = std::max(0, int(std::floor(std::min(a.y, b.y) - reach)));
    const int y1 = std::min(h - 1, int(std::ceil(std::max(a.y, b.y) + reach)));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const float px = float(x) + 0.5f - a.x, py = float(y) + 0.5f - a.y;
        const float t = length2 > 0 ? Clamp((px * dx + py * dy) / length2, 0, 1) : 0.0f;
        const float ex = px - t * dx, ey = py - t * dy;
        const float d = std::sqrt(ex * ex + ey * ey);
        const size_t k = size_t(y) * size_t(w) + size_t(x);
        if (d < best[k]) {
          best[k] = d;
          side[k] = ex * perp.x + ey * perp.y;
          along[k] = travelled + t * length;
          normal[k] = perp;
        }
      }
    }
    travelled += length;
  }
  const Light l = Unit(light);
  // Half vector between the light and a viewer straight in front.
  const Light half = Unit(Light{l.x, l.y, l.z + 1});
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const size_t k = size_t(y) * size_t(w) + size_t(x);
      bool band = false;
      if (style.bandPeriod > 0) {
        const float phase = std::fmod(along[k] + style.bandPeriod * 0.5f, style.bandPeriod);
        band = phase < style.bandLength;
      }
      const float radius = band ? style.radius + 1.5f : style.radius;
      const float coverage = Clamp(radius - best[k] + 0.5f, 0, 1);
      if (coverage <= 0) continue;
      const float s = Clamp(side[k] / radius, -1, 1);
      const float nz = std::sqrt(std::max(0.0f, 1 - s * s));
      const float nx = normal[k].x * s, ny = normal[k].y * s;
      const float diffuse = std::max(0.0f, nx * l.x + ny * l.y + nz * l.z);
      const float specular =
          std::pow(std::max(0.0f, nx * half.x + ny * half.y + nz * half.z), 24.0f);
      float rib = 1;
      if (style.ribPeriod > 0) {
        const float phase = along[k] / style.ribPeriod;
        rib = 0.78f + 0.22f * SmoothStep(0.0f, 0.25f, std::fabs(phase - std::floor(phase) - 0.5f));
      }
      const Rgb base = band ? style.bandColour : style.colour;
      if (band) rib = 1;
      Rgb c = base * (0.18f + 0.95f * diffuse) * rib +
              Mix(base, pal::kBone, 0.6f) * (specular * (band ? 0.9f : style.shine) * rib);
      c = Mix(c, style.fog, style.fogAmount);
      image.At(x, y) = Mix(image.At(x, y), c, coverage);
    }
  }
}

// A soft dark shadow of a tube path cast onto the ground behind it.
void TubeShadow(Image& image, const std::vector<Vec2>& path, float radius, Vec2 offset, float sigma,
                float opacity) {
  Mask shape(image.width(), image.height());
  std::vector<Vec2> moved;
  moved.reserve(path.size());
  for (Vec2 p : path) moved.push_back({p.x + offset.x, p.y + offset.y});
  StrokePath(shape, moved, radius);
  Blur(shape, sigma);
  Composite(image, shape, pal::kBlack, opacity);
}

// A hanging cable from beyond the left edge to beyond the right edge.
std::vector<Vec2> HangingCable(Random& random, int width, float top, float droop) {
  const float y0 = top + random.Range(-0.5f, 0.5f) * droop;
  const float y3 = top + random.Range(-0.5f, 0.5f) * droop;
  const float w = float(width);
  return Bezier({-20, y0}, {w * random.Range(0.2f, 0.4f), top + droop * random.Range(1.1f, 1.6f)},
                {w * random.Range(0.6f, 0.8f), top + droop * random.Range(1.1f, 1.6f)},
                {w + 20, y3}, 96);
}

// --------------------------------------------------------------- vt_logo --

// 320x100 on the overlay, multiplied onto the logo scene: dark ink on pure
// white. An emblem (a sun over three waves in a ring), the spaced title and
// a line beneath it.
std::string MakeLogo(Image* out) {
  const int w = 512, h = 160;
  Image image(w, h, pal::kWhite);
  std::string error;

  // Ink strength of everything drawn, 1 = full ink.
  Mask ink(w, h), amber(w, h);
  const Vec2 centre{78, 80};
  // Ring: a disc minus a smaller disc.
  Mask outer(w, h), inner(w, h);
  FillDisc(outer, centre, 56);
  FillDisc(inner, centre, 51);
  for (size_t i = 0; i < ink.values().size(); ++i) {
    ink.values()[i] = std::max(0.0f, outer.values()[i] - inner.values()[i]);
  }
  // Three waves inside the ring, clipped to its inside.
  Mask waves(w, h);
  for (int k = 0; k < 3; ++k) {
    std::vector<Vec2> wave;
    const float y = 88.0f + 13.0f * float(k);
    for (int i = 0; i <= 60; ++i) {
      const float x = centre.x - 60 + 2.0f * float(i);
      wave.push_back({x, y + 4.0f * std::sin((x - centre.x) * 0.11f + float(k) * 1.3f)});
    }
    StrokePath(waves, wave, 2.6f - 0.5f * float(k));
  }
  // The low sun above the waves.
  Mask sun(w, h);
  FillDisc(sun, {centre.x + 4, 68}, 17);
  for (size_t i = 0; i < ink.values().size(); ++i) {
    const float inside = inner.values()[i];
    ink.values()[i] = std::max(ink.values()[i], waves.values()[i] * inside);
    amber.values()[i] = sun.values()[i] * inside * (1 - waves.values()[i]);
  }

  // Title and line.
  // The title fills the room right of the emblem; the line beneath it is
  // spaced out to the same width.
  const float left = 158, room = float(w) - 14 - left;
  TextStyle title;
  title.style = "Book";
  title.size = 44;
  title.letterSpacing = 6;
  TextMetrics metrics;
  if (!MeasureText(title, kTitle, &metrics, &error)) return "vt_logo: " + error;
  const float fit = room / metrics.width;
  title.size *= fit;
  title.letterSpacing *= fit;
  if (!MeasureText(title, kTitle, &metrics, &error)) return "vt_logo: " + error;
  if (!RenderText(ink, title, kTitle, left, 86, Align::kLeft, &error)) return "vt_logo: " + error;
  FillRect(ink, left + 1, 100, left + metrics.width, 101.6f);
  const char* const subtitle = "a machine sea in twelve scenes";
  TextStyle line;
  line.style = "ExtraLight";
  line.size = 15;
  TextMetrics lineMetrics;
  if (!MeasureText(line, subtitle, &lineMetrics, &error)) return "vt_logo: " + error;
  const float gaps = float(std::string(subtitle).size() - 1);
  line.letterSpacing = (metrics.width - lineMetrics.width) / gaps;
  Mask small(w, h);
  if (!RenderText(small, line, subtitle, left + 1, 124, Align::kLeft, &error)) {
    return "vt_logo: " + error;
  }

  // The ink is not flat: fine fibres darken and lighten it a little, like
  // print on rough paper.
  Image inkColour(w, h);
  Paint(inkColour, [](float u, float v) {
    const float n = Fbm(u * 40, v * 12.5f, 11, {4, 2.0f, 0.55f});
    return Mix(pal::kInk, pal::kDeepTeal, 0.35f + 0.35f * n);
  });
  // A faint soft shadow lifts the marks off the page.
  Mask all(w, h);
  for (size_t i = 0; i < all.values().size(); ++i) {
    all.values()[i] = std::max({ink.values()[i], amber.values()[i], small.values()[i]});
  }
  DropShadow(image, all, 2, 3, 2.5f, pal::kSea, 0.18f);
  Composite(image, inkColour, 0, 0, 1.0f, Blend::kNormal, &ink);
  Composite(image, small, pal::kDeepTeal, 1.0f);
  // The sun glows from amber to rust.
  Image sunColour(w, h);
  Paint(sunColour,
        [](float, float v) { return Mix(pal::kAmber, pal::kRust, SmoothStep(0.3f, 0.55f, v)); });
  Composite(image, sunColour, 0, 0, 1.0f, Blend::kNormal, &amber);
  FilmGrain(image, 0.05f, 12);
  // The border must stay pure white whatever the blur and grain did.
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (x < 8 || y < 8 || x >= w - 8 || y >= h - 8) image.At(x, y) = pal::kWhite;
    }
  }
  *out = image;
  return "";
}

// ----------------------------------------------------------------- kable --

// 640x400 backdrop of the crab scene: bundles of ribbed cables hanging in a
// dark sea, far ones fogged and soft, near ones sharp, lit from the upper
// right by warm light.
std::string MakeCables(Image* out) {
  const int w = 512, h = 320;
  Image image(w, h);
  Paint(image, [](float u, float v) {
    const float murk = Fbm(u * 5, v * 3.2f, 21) * 0.5f + 0.5f;
    Rgb c = EvalGradient(
        {{0, pal::kInk}, {0.55f, Mix(pal::kInk, pal::kDeepTeal, 0.8f)}, {1, pal::kInk}}, v);
    c = Mix(c, pal::kSea, 0.25f * murk * (1 - v));
    // Warm light falls in from the upper right in soft shafts.
    const float shaft = std::pow(
        std::max(0.0f, std::sin((u * 1.3f + v * 0.55f) * 14.0f + Fbm(u * 3, v, 22) * 2)), 6.0f);
    const float fromCorner = SmoothStep(1.25f, 0.2f, std::sqrt((1 - u) * (1 - u) + v * v));
    return c + pal::kAmber * (0.10f * shaft * fromCorner + 0.12f * fromCorner * fromCorner);
  });

  const Light light{0.55f, -0.7f, 0.6f};
  Random random(0x6b61626cu);

  // Far layer: thin, fogged, softened by depth of field.
  Image far(image);
  for (int i = 0; i < 12; ++i) {
    TubeStyle style;
    style.radius = random.Range(1.6f, 3.0f);
    style.colour = i % 4 == 0 ? pal::kRust : pal::kSea;
    style.fog = Mix(pal::kInk, pal::kDeepTeal, 0.6f);
    style.fogAmount = 0.62f;
    style.shine = 0.3f;
    DrawTube(far, HangingCable(random, w, random.Range(-20.0f, 200.0f), random.Range(20.0f, 80.0f)),
             style, light);
  }
  Blur(far, 1.2f);
  image = far;

  // Middle layer, then the near cables, each over its own soft shadow.
  const Rgb middleColours[] = {pal::kSea,  pal::kDeepTeal, pal::kBone, pal::kSea,
                               pal::kRust, pal::kDeepTeal, pal::kSea};
  for (int i = 0; i < 7; ++i) {
    const auto path =
        HangingCable(random, w, random.Range(-10.0f, 190.0f), random.Range(30.0f, 90.0f));
    TubeStyle style;
    style.radius = random.Range(4.0f, 6.5f);
    style.colour = middleColours[i];
    style.fog = pal::kInk;
    style.fogAmount = 0.3f;
    style.ribPeriod = style.radius * 1.4f;
    TubeShadow(image, path, style.radius, {-5, 7}, 5, 0.45f);
    DrawTube(image, path, style, light);
  }
  // Near: two heavy conduits and an amber signal cable, looping low.
  const Rgb nearColours[] = {pal::kDeepTeal, pal::kAmber, pal::kRust};
  const float nearRadius[] = {13, 6, 10};
  for (int i = 0; i < 3; ++i) {
    const float top = i == 1 ? 10.0f : random.Range(-40.0f, 40.0f);
    const auto path = HangingCable(random, w, top, random.Range(90.0f, 140.0f));
    TubeStyle style;
    style.radius = nearRadius[i];
    style.colour = nearColours[i];
    style.fogAmount = 0;
    style.ribPeriod = i == 1 ? 0.0f : style.radius * 1.1f;
    style.shine = 0.7f;
    // Metal collars clamp the conduits at intervals.
    style.bandPeriod = 150 + 23 * float(i);
    style.bandColour = Mix(pal::kBone, pal::kInk, 0.45f);
    TubeShadow(image, path, style.radius, {-9, 12}, 8, 0.55f);
    DrawTube(image, path, style, light);
  }
  Vignette(image, 0.65f, 0.35f, 1.05f, pal::kBlack);
  FilmGrain(image, 0.035f, 23);
  *out = image;
  return "";
}

// ------------------------------------------------------------------ bw06 --

// 640x400 backdrop of the tunnel scene: a grainy black-and-white photograph
// of a storm sea, a break in the clouds over the horizon and light on the
// water below it.
std::string MakeStormSea(Image* out) {
  const int w = 512, h = 320;
  Image image(w, h);
  const float horizon = 0.47f;
  const Vec2 sun{0.64f, 0.3f};
  const float aspect = float(w) / float(h);
  Paint(image, [&](float u, float v) {
    const float dx = (u - sun.x) * aspect;
    if (v < horizon) {
      // Clouds: fBm stretched sideways, thinned around the sun into a break.
      const float n = Fbm(u * 3.0f * aspect, v * 8.0f, 31, {6, 2.0f, 0.52f});
      const float dy = (v - sun.y) * 1.6f;
      const float d = std::sqrt(dx * dx + dy * dy);
      const float glow = std::exp(-d * 3.0f);
      const float cloud = SmoothStep(-0.5f, 0.2f, n - 0.6f * glow);
      float sky = Lerp(0.62f + 0.35f * glow, 0.10f + 0.2f * (n * 0.5f + 0.5f), cloud);
      // Silver edges where the clouds thin out near the light.
      sky += 0.35f * glow * SmoothStep(0.15f, 0.0f, std::fabs(cloud - 0.35f));
      // Beams fall from the break down to the sea.
      if (v > sun.y) {
        const float angle = std::atan2(dx, v - sun.y);
        const float beams =
            SmoothStep(0.55f, 1.0f, GradientNoise(angle * 9.0f, 0.5f, 32) * 0.5f + 0.5f);
        sky += 0.16f * beams * std::exp(-std::fabs(angle) * 1.6f) * cloud;
      }
      sky *= 1 - 0.4f * SmoothStep(0.3f, 0.0f, v);  // heavier cloud at the top
      return Grey(sky + 0.1f * SmoothStep(horizon - 0.05f, horizon, v));
    }
    // Sea: a plane in perspective. z is the distance, x across; swells are
    // long across and short in depth.
    const float depth = (v - horizon) / (1 - horizon);
    const float z = 1.0f / (depth + 0.015f);
    const float worldX = (u - 0.5f) * aspect * z;
    const int octaves = depth < 0.08f ? 3 : 5;
    const float swell = Fbm(worldX * 0.9f, z * 2.2f, 33, {octaves, 2.0f, 0.55f});
    const float chop = GradientNoise(worldX * 4.0f, z * 9.0f, 34);
    float sea =
        0.30f - 0.2f * depth + 0.2f * swell * SmoothStep(0.0f, 0.2f, depth) + 0.05f * chop * depth;
    // Glitter on the water below the break.
    const float path = std::exp(-std::pow(dx / (0.06f + 0.3f * depth), 2.0f));
    const float glints = SmoothStep(0.2f, 0.65f, swell + 0.35f * chop);
    sea += path * (0.12f + 0.65f * glints) * (1 - 0.55f * depth);
    sea += 0.2f * SmoothStep(0.04f, 0.0f, v - horizon);  // haze on the horizon
    return Grey(sea);
  });
  Vignette(image, 0.75f, 0.3f, 1.0f, pal::kBlack);
  Levels(image, 0.02f, 0.95f, 1.1f);
  FilmGrain(image, 0.09f, 35, false);
  Blur(image, 0.4f);
  FilmGrain(image, 0.05f, 36, false);
  *out = image;
  return "";
}

// --------------------------------------------------------------- treetex --

struct Branch {
  Vec2 from;
  float angle;  // radians, 0 up, positive to the right
  float length;
  float radius;
  int depth;
};

// 220x340 and 340x100 on the tunnel, added: a tree of light on black, its
// trunk warm, its twigs cold, with a glow around it.
std::string MakeLightTree(Image* out) {
  const int w = 512, h = 512;
  Image lines(w, h);
  Random random(0x74726565u);
  std::vector<Branch> stack{{{256, 492}, 0, 112, 9, 0}};
  const int maxDepth = 9;
  // One coverage mask per generation: trunk warm, twigs cold.
  std::vector<Mask> levels(maxDepth + 1, Mask(w, h));
  Mask buds(w, h);
  while (!stack.empty()) {
    const Branch b = stack.back();
    stack.pop_back();
    // Each branch bends a little along its way.
    std::vector<Vec2> path{b.from};
    float angle = b.angle;
    Vec2 p = b.from;
    for (int s = 0; s < 6; ++s) {
      angle += random.Range(-0.09f, 0.09f);
      p = {p.x + std::sin(angle) * b.length / 6, p.y - std::cos(angle) * b.length / 6};
      path.push_back(p);
    }
    StrokePath(levels[size_t(b.depth)], path, b.radius);
    if (b.depth >= maxDepth) {
      FillDisc(buds, p, 1.6f);  // a bud of light on every tip
      continue;
    }
    const int children = b.depth < 2 ? 3 : 2;
    for (int c = 0; c < children; ++c) {
      const float spread = children == 3 ? (float(c) - 1) * 0.55f : (c == 0 ? -0.42f : 0.42f);
      // Branches lean back towards the light a little, so the crown stays upright.
      stack.push_back({p, angle * 0.82f + spread + random.Range(-0.15f, 0.15f),
                       b.length * random.Range(0.66f, 0.8f), std::max(0.7f, b.radius * 0.68f),
                       b.depth + 1});
    }
  }
  for (int depth = 0; depth <= maxDepth; ++depth) {
    const float t = float(depth) / float(maxDepth);
    const Rgb colour = EvalGradient({{0, pal::kAmber}, {0.45f, pal::kBone}, {1, pal::kSea}}, t);
    Composite(lines, levels[size_t(depth)], colour * (1.0f - 0.35f * t), 1.0f);
  }
  Composite(lines, buds, pal::kBone, 0.6f);
  // Glow: a wide and a narrow blur of the lines, added under them.
  Image glow(lines), halo(lines);
  Blur(glow, 3);
  Blur(halo, 14);
  Image image(w, h);
  Composite(image, halo, 0, 0, 0.9f, Blend::kAdd);
  Composite(image, glow, 0, 0, 0.7f, Blend::kAdd);
  Composite(image, lines, 0, 0, 1.0f, Blend::kScreen);
  // Faint drifting motes of light around the crown.
  Mask motes(w, h);
  for (int i = 0; i < 90; ++i) {
    FillDisc(motes, {random.Range(40, 472), random.Range(20, 380)}, random.Range(0.6f, 1.6f));
  }
  Blur(motes, 0.8f);
  Composite(image, motes, pal::kBone, 0.5f, Blend::kAdd);
  // Black at the border, so the quad's edges never show; the trunk's foot
  // sinks into the dark.
  Vignette(image, 1.0f, 0.62f, 0.95f, pal::kBlack);
  FadeEdgesToBlack(image, 56);
  *out = image;
  return "";
}

// ------------------------------------------------------------------- vtt --

// 200x200 in the lower right of the tunnel scene, added: the title, light on
// black, inside a thin ring. Its lowest fifth lies under the letterbox band,
// so the title sits above the middle.
std::string MakeTitleCard(Image* out) {
  const int w = 256, h = 256;
  std::string error;
  Mask marks(w, h);
  const Vec2 centre{128, 108};
  Mask outer(w, h), inner(w, h);
  FillDisc(outer, centre, 92);
  FillDisc(inner, centre, 89.5f);
  Mask ring(w, h);
  for (size_t i = 0; i < ring.values().size(); ++i) {
    // The ring fades out towards its lower part.
    const int y = int(i) / w;
    ring.values()[i] =
        std::max(0.0f, outer.values()[i] - inner.values()[i]) * SmoothStep(206, 120, float(y));
  }
  TextStyle big;
  big.style = "ExtraLight";
  big.size = 32;
  big.letterSpacing = 4;
  if (!RenderText(marks, big, "velmora", centre.x, 104, Align::kCentre, &error)) {
    return "vtt: " + error;
  }
  TextStyle second = big;
  second.style = "Book";
  second.size = 22;
  second.letterSpacing = 7;
  if (!RenderText(marks, second, "tarsk", centre.x + 3, 142, Align::kCentre, &error)) {
    return "vtt: " + error;
  }
  Mask dot(w, h);
  FillDisc(dot, {centre.x, 117}, 2.8f);

  Image image(w, h);
  Image glow(w, h);
  Composite(glow, marks, pal::kSea, 1.0f);
  Composite(glow, dot, pal::kAmber, 1.0f);
  Blur(glow, 5);
  Composite(image, glow, 0, 0, 1.2f, Blend::kAdd);
  Composite(image, ring, pal::kSea, 0.85f, Blend::kAdd);
  Composite(image, marks, pal::kBone, 1.0f, Blend::kScreen);
  Composite(image, dot, pal::kAmber, 1.0f, Blend::kScreen);
  // Scan lines across the letters, like a signal on a screen.
  for (int y = 0; y < h; y += 3) {
    for (int x = 0; x < w; ++x) image.At(x, y) = image.At(x, y) * 0.82f;
  }
  Vignette(image, 1.0f, 0.75f, 0.98f, pal::kBlack);
  FadeEdgesToBlack(image, 6);
  *out = image;
  return "";
}

// ------------------------------------------------------------------ poz2 --

// 640x320 under the particle swarm, which streams from about 17% to 83% of
// the width at mid height: a deep current, faint stream lines drawn through a
// noise field from a cold source on the left to a warm glow on the right.
std::string MakeCurrent(Image* out) {
  const int w = 512, h = 256;
  Image image(w, h);
  const Vec2 source{0.17f * w, 0.5f * h}, sink{0.83f * w, 0.5f * h};
  Paint(image, [&](float u, float v) {
    Rgb c = EvalGradient(
        {{0, pal::kInk}, {0.5f, Mix(pal::kInk, pal::kDeepTeal, 0.7f)}, {1, pal::kInk}}, v);
    const float haze = Fbm(u * 6, v * 3, 41) * 0.5f + 0.5f;
    c = Mix(c, pal::kDeepTeal, 0.35f * haze);
    const float ds = std::hypot((u - 0.17f) * 2, v - 0.5f),
                dk = std::hypot((u - 0.83f) * 2, v - 0.5f);
    c = c + pal::kSea * (0.28f * std::exp(-ds * ds * 9));
    c = c + pal::kAmber * (0.32f * std::exp(-dk * dk * 7)) +
        pal::kRust * (0.12f * std::exp(-dk * 2.5f));
    return c;
  });
  // Stream lines: each starts at the left edge and follows a field that
  // pulls it through the source, past a swirl, into the sink.
  Mask lines(w, h), bright(w, h);
  for (int i = 0; i < 46; ++i) {
    Vec2 p{-4, float(h) * (float(i) + 0.5f) / 46.0f};
    std::vector<Vec2> path{p};
    for (int step = 0; step < 400 && p.x < float(w) + 4; ++step) {
      const float pinch = std::exp(-std::pow((p.x - source.x) / 60.0f, 2.0f)) +
                          std::exp(-std::pow((p.x - sink.x) / 70.0f, 2.0f));
      const float wander = Fbm(p.x / 90.0f, p.y / 60.0f, 42, {3, 2.0f, 0.5f});
      Vec2 dir{1.0f, wander * 0.9f + (source.y - p.y) / float(h) * 1.6f * pinch};
      dir = Normalised(dir);
      p = {p.x + dir.x * 2.5f, p.y + dir.y * 2.5f};
      path.push_back(p);
    }
    StrokePath(i % 5 == 2 ? bright : lines, path, i % 5 == 2 ? 0.9f : 0.55f);
  }
  Mask glowLines(bright);
  Blur(glowLines, 2.5f);
  Composite(image, lines, pal::kSea, 0.28f, Blend::kAdd);
  Composite(image, glowLines, pal::kSea, 0.5f, Blend::kAdd);
  Composite(image, bright, Mix(pal::kSea, pal::kBone, 0.4f), 0.45f, Blend::kAdd);
  // Fine drifting particles of silt.
  Mask silt(w, h);
  Random random(0x706f7a32u);
  for (int i = 0; i < 260; ++i) {
    FillDisc(silt, {random.Range(0, float(w)), random.Range(0, float(h))},
             random.Range(0.4f, 1.1f));
  }
  Composite(image, silt, pal::kBone, 0.25f, Blend::kAdd);
  Vignette(image, 0.8f, 0.4f, 1.05f, pal::kBlack);
  FilmGrain(image, 0.03f, 43);
  *out = image;
  return "";
}

// ------------------------------------------------------------------ poz3 --

// 640x320 behind the tumbling object, which fills the left half: a low
// amber sun over a cold sea on the right, its light laid on the water, the
// left half left in dusk.
std::string MakeSunset(Image* out) {
  const int w = 512, h = 256;
  Image image(w, h);
  const float horizon = 0.62f;
  const Vec2 sun{0.72f, 0.5f};
  const float aspect = float(w) / float(h);
  Paint(image, [&](float u, float v) {
    const float dx = (u - sun.x) * aspect;
    if (v < horizon) {
      const float dy = v - sun.y;
      const float d = std::sqrt(dx * dx + dy * dy);
      Rgb c = EvalGradient({{0, pal::kInk},
                            {0.35f, Mix(pal::kInk, pal::kRust, 0.45f)},
                            {0.55f, pal::kRust},
                            {0.62f, pal::kAmber}},
                           v);
      c = Mix(c, Mix(pal::kInk, pal::kDeepTeal, 0.5f), 0.6f * SmoothStep(0.6f, 0.0f, u) * (1 - v));
      // Thin bands of cloud across the sun.
      const float band = Fbm(u * 2.5f, v * 28.0f, 51, {4, 2.0f, 0.5f});
      c = c * (1 - 0.35f * SmoothStep(0.1f, 0.5f, band) * SmoothStep(0.2f, 0.5f, v));
      const float disc = SmoothStep(0.105f, 0.095f, d);
      const float glow = std::exp(-d * 5.0f);
      c = Mix(c, Mix(pal::kBone, pal::kAmber, 0.35f),
              disc * (1 - 0.45f * SmoothStep(0.1f, 0.5f, band)));
      return c + pal::kAmber * (0.45f * glow);
    }
    // Sea: horizontal ripples, the sun's path broken on them.
    const float depth = (v - horizon) / (1 - horizon);
    const float ripple = Fbm(u * 3.0f * aspect, v * 70.0f / (0.2f + depth), 52, {4, 2.0f, 0.5f});
    Rgb c = Mix(Mix(pal::kDeepTeal, pal::kRust, 0.25f), pal::kInk, SmoothStep(0.0f, 1.0f, depth));
    c = c * (0.85f + 0.3f * ripple);
    const float path = std::exp(-dx * dx / std::pow(0.05f + 0.25f * depth, 2.0f));
    const float glints = SmoothStep(0.0f, 0.45f, ripple);
    c = c + pal::kAmber * (path * (0.25f + 0.9f * glints) * (1 - 0.4f * depth));
    c = c + pal::kAmber * (0.35f * std::exp(-(v - horizon) * 60.0f) * std::exp(-dx * dx * 2));
    return c;
  });
  // Dusk on the left, where the object tumbles.
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      image.At(x, y) =
          image.At(x, y) * (0.6f + 0.4f * SmoothStep(0.05f, 0.6f, (float(x) + 0.5f) / float(w)));
    }
  }
  // Faint scan lines: the picture is a machine's memory of a sunset.
  for (int y = 0; y < h; y += 2) {
    for (int x = 0; x < w; ++x) image.At(x, y) = image.At(x, y) * 0.93f;
  }
  Vignette(image, 0.7f, 0.35f, 1.05f, pal::kBlack);
  FilmGrain(image, 0.035f, 53);
  *out = image;
  return "";
}

// ------------------------------------------------------------------ poz5 --

// 640x320 behind the turning game piece, which stands on the left: a game
// board seen low in perspective, its grid running into the dark, stones of
// ink and bone resting on the right, far squares soft with depth of field.
std::string MakeBoard(Image* out) {
  const int w = 512, h = 256;
  const float f = 300, horizonY = 54, camH = 2.2f, cx = 200;
  Image sharp(w, h);
  std::vector<float> distance(size_t(w) * size_t(h), 60.0f);
  const Rgb farColour = Mix(pal::kInk, pal::kDeepTeal, 0.55f);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float sx = float(x) + 0.5f, sy = float(y) + 0.5f;
      Rgb c = Mix(farColour, pal::kInk, SmoothStep(horizonY, 0, sy));
      const float dy = sy - horizonY;
      if (dy > 0.5f) {
        const float z = camH * f / dy;
        const float bx = (sx - cx) * z / f;
        distance[size_t(y) * size_t(w) + size_t(x)] = z;
        if (std::fabs(bx) < 9.5f + 0.4f && z < 24.4f) {
          // Wood: grain along the board's depth, warped by noise.
          const float grain =
              Fbm(bx * 1.4f, z * 0.18f + Fbm(bx * 0.5f, z * 0.5f, 61) * 0.5f, 62, {4, 2.0f, 0.5f});
          const float rings = 0.5f + 0.5f * std::sin((bx + grain * 2.5f) * 9.0f);
          Rgb wood = Mix(Mix(pal::kAmber, pal::kRust, 0.55f), pal::kAmber, 0.3f + 0.4f * rings);
          wood = wood * (0.7f + 0.2f * grain);
          // Grid lines 1 unit apart, anti-aliased by their size on screen.
          const float pxPerX = f / z, pxPerZ = camH * f / (z * z);
          const float lx = std::fabs(bx - std::round(bx)) * pxPerX;
          const float lz = std::fabs(z - std::round(z)) * pxPerZ;
          const float width = 0.55f;
          const float lineX = Clamp(width + 0.5f - lx, 0, 1) * Clamp(pxPerX / 6.0f, 0, 1);
          const float lineZ = Clamp(width + 0.5f - lz, 0, 1) * Clamp(pxPerZ / 3.0f, 0, 1);
          const bool onBoard = std::fabs(bx) <= 9.0f + 0.02f && z >= 3.0f && z <= 24.0f;
          const float line = onBoard ? std::max(lineX, lineZ) : 0.0f;
          wood = Mix(wood, pal::kInk, 0.75f * line);
          // The board's edge drops off outside the grid.
          const float edge =
              SmoothStep(9.5f + 0.4f, 9.5f, std::fabs(bx)) * SmoothStep(24.4f, 24.0f, z);
          c = Mix(c, wood, edge);
        }
        // Light falls on the right and fades into the distance.
        const float light = 0.55f + 0.6f * std::exp(-std::pow((sx - 360.0f) / 180.0f, 2.0f));
        c = c * light;
        c = Mix(c, farColour, SmoothStep(8.0f, 26.0f, z));
      }
      sharp.At(x, y) = c;
    }
  }
  // Stones on grid points, mostly on the right of the board; far to near so
  // nearer stones cover farther ones.
  Random random(0x706f7a35u);
  struct Stone {
    int gx, gz;
    bool dark;
  };
  std::vector<Stone> stones;
  for (int gz = 22; gz >= 3; --gz) {
    for (int gx = -9; gx <= 9; ++gx) {
      const float chance =
          0.05f + 0.5f * SmoothStep(-1.0f, 6.0f, float(gx)) * SmoothStep(18.0f, 5.0f, float(gz));
      if (random.Uniform() < chance) stones.push_back({gx, gz, random.Uniform() < 0.5f});
    }
  }
  const Light light = Unit(Light{0.5f, -0.8f, 0.45f});
  const Light half = Unit(Light{light.x, light.y, light.z + 1});
  for (const Stone& s : stones) {
    const float z = float(s.gz), bx = float(s.gx);
    const float px = cx + bx * f / z, py = horizonY + camH * f / z;
    const float r = 0.44f * f / z;
    const float ry = r * 0.62f;  // a lens-shaped stone seen from above at a low angle
    // Soft shadow beside the stone, away from the light.
    // (Drawn in a small mask around the stone: blurring the whole picture
    // for every stone would be slow.)
    const float sigma = std::max(1.0f, r * 0.25f);
    const int margin = int(r + 3 * sigma + 4);
    const int ox = int(px) - margin, oy = int(py) - margin;
    Mask shadow(2 * margin, 2 * margin);
    FillDisc(shadow, {px - r * 0.3f - float(ox), py + ry * 0.25f - float(oy)}, r * 0.95f);
    Blur(shadow, sigma);
    Composite(sharp, Image(2 * margin, 2 * margin, pal::kBlack), ox, oy, 0.55f, Blend::kNormal,
              &shadow);
    const Rgb base = s.dark ? Mix(pal::kInk, pal::kDeepTeal, 0.3f) : pal::kBone;
    const int x0 = std::max(0, int(px - r - 2)), x1 = std::min(w - 1, int(px + r + 2));
    const int y0 = std::max(0, int(py - ry * 1.6f - 2)), y1 = std::min(h - 1, int(py + ry + 2));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        const float ux = (float(x) + 0.5f - px) / r;
        const float uy = (float(y) + 0.5f - (py - ry * 0.6f)) / ry;
        const float d = std::sqrt(ux * ux + uy * uy);
        const float coverage = Clamp((1 - d) * r * 0.7f + 0.5f, 0, 1);
        if (coverage <= 0) continue;
        const float nz = std::sqrt(std::max(0.0f, 1 - d * d));
        const float diffuse = std::max(0.0f, ux * light.x + uy * light.y + nz * light.z);
        const float specular =
            std::pow(std::max(0.0f, ux * half.x + uy * half.y + nz * half.z), 30.0f);
        Rgb c =
            base * (0.25f + 0.85f * diffuse) + pal::kBone * (specular * (s.dark ? 0.55f : 0.3f));
        c = Mix(c, farColour, SmoothStep(8.0f, 26.0f, z));
        sharp.At(x, y) = Mix(sharp.At(x, y), c, coverage);
      }
    }
  }
  // Depth of field: far parts of the board come from a blurred copy.
  Image soft(sharp);
  Blur(soft, 2.2f);
  Image image(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float z = distance[size_t(y) * size_t(w) + size_t(x)];
      image.At(x, y) = Mix(sharp.At(x, y), soft.At(x, y), SmoothStep(6.0f, 16.0f, z));
    }
  }
  Vignette(image, 0.7f, 0.4f, 1.05f, pal::kBlack);
  FilmGrain(image, 0.03f, 63);
  *out = image;
  return "";
}

// -------------------------------------------------------------- envmap_0 --

// The particle sprite (a 10x10 square added by its alpha) and a reflection
// map: a soft warm glow with a white core and four faint rays, black well
// before its edges.
std::string MakeGlow(Image* out) {
  const int w = 256, h = 256;
  Image image(w, h);
  Paint(image, [](float u, float v) {
    const float x = u - 0.5f, y = v - 0.5f;
    const float d = std::sqrt(x * x + y * y);
    const float angle = std::atan2(y, x);
    // The halo breathes a little around its rim.
    const float wobble =
        1 + 0.18f * Fbm(std::cos(angle) * 2 + 3, std::sin(angle) * 2 + 3, 71, {3, 2.0f, 0.5f});
    const float core = std::exp(-std::pow(d / 0.045f, 2.0f));
    const float inner = std::exp(-std::pow(d / (0.12f * wobble), 2.0f));
    const float outer = std::exp(-std::pow(d / (0.26f * wobble), 2.0f));
    const float rays =
        (std::exp(-std::pow(y / 0.006f, 2.0f)) + std::exp(-std::pow(x / 0.006f, 2.0f))) *
        std::exp(-d * 9.0f);
    // Kept moderate: a hundred and fifty of these overlap near the swarm's
    // origin and must not melt into one white blot.
    Rgb c = pal::kWhite * core + pal::kAmber * (0.5f * inner) +
            Mix(pal::kRust, pal::kSea, 0.5f) * (0.22f * outer) + pal::kBone * (0.4f * rays);
    // Nothing at all beyond the rim: the square's edges must not show.
    return c * SmoothStep(0.47f, 0.36f, d);
  });
  *out = image;
  return "";
}

// ------------------------------------------------------------------- end --

// 512x320 on black at the close: the title, a thank-you, and the sea at
// rest beneath them.
std::string MakeEndCard(Image* out) {
  const int w = 512, h = 320;
  std::string error;
  Image image(w, h);
  Paint(image, [](float u, float v) {
    Rgb c = Mix(pal::kInk, Mix(pal::kInk, pal::kDeepTeal, 0.7f),
                std::exp(-std::pow((u - 0.5f) * 1.6f, 2.0f) - std::pow((v - 0.42f) * 2.6f, 2.0f)));
    const float mist = Fbm(u * 4, v * 2.5f, 81) * 0.5f + 0.5f;
    return c + pal::kSea * (0.06f * mist);
  });
  // Calm swells along the bottom: thin lines drawn closer as they recede.
  for (int k = 0; k < 9; ++k) {
    const float t = float(k) / 8.0f;
    const float y0 = 236 + 80 * t * t;
    std::vector<Vec2> line;
    for (int i = 0; i <= 128; ++i) {
      const float x = float(i) * 4.0f;
      line.push_back({x, y0 + (2 + 5 * t) * std::sin(x * (0.02f - 0.008f * t) + float(k) * 1.7f) +
                             3 * Fbm(x / 60.0f, float(k), 82)});
    }
    Mask one(w, h);
    StrokePath(one, line, 0.5f + 0.6f * t);
    Composite(image, one, Mix(pal::kSea, pal::kBone, 0.15f), 0.18f + 0.35f * t, Blend::kAdd);
  }
  // A low amber moon where the lines meet the dark, reflected on them.
  Mask moon(w, h);
  FillDisc(moon, {256, 222}, 7);
  Mask moonGlow(moon);
  Blur(moonGlow, 10);
  Composite(image, moonGlow, pal::kAmber, 0.9f, Blend::kAdd);
  Composite(image, moon, Mix(pal::kAmber, pal::kBone, 0.4f), 1.0f);
  Mask reflection(w, h);
  for (int y = 232; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float dx = (float(x) + 0.5f - 256) / (6 + 0.25f * float(y - 232));
      const float ripple =
          SmoothStep(0.1f, 0.6f, GradientNoise(float(x) / 9.0f, float(y) / 1.5f, 84));
      reflection.At(x, y) = std::exp(-dx * dx) * ripple * SmoothStep(float(h), 232, float(y));
    }
  }
  Composite(image, reflection, pal::kAmber, 0.7f, Blend::kAdd);

  TextStyle title;
  title.style = "ExtraLight";
  title.size = 40;
  title.letterSpacing = 9;
  Mask titleMask(w, h);
  if (!RenderText(titleMask, title, kTitle, 256, 118, Align::kCentre, &error))
    return "end: " + error;
  Mask titleGlow(titleMask);
  Blur(titleGlow, 4);
  Composite(image, titleGlow, pal::kSea, 0.7f, Blend::kAdd);
  Composite(image, titleMask, pal::kBone, 1.0f);

  Mask rule(w, h);
  FillRect(rule, 206, 138, 306, 139.2f);
  Composite(image, rule, pal::kAmber, 0.9f);

  TextStyle thanks;
  thanks.style = "Book";
  thanks.size = 17;
  thanks.letterSpacing = 4;
  if (!DrawText(image, thanks, "thank you for watching", 256, 170, Align::kCentre, pal::kBone,
                0.92f, &error)) {
    return "end: " + error;
  }
  TextStyle small;
  small.style = "ExtraLight";
  small.size = 12;
  small.letterSpacing = 3;
  if (!DrawText(image, small, "made of noise, light and code", 256, 194, Align::kCentre,
                Mix(pal::kSea, pal::kBone, 0.35f), 1.0f, &error)) {
    return "end: " + error;
  }
  Vignette(image, 0.8f, 0.4f, 1.0f, pal::kBlack);
  FilmGrain(image, 0.03f, 83);
  *out = image;
  return "";
}

}  // namespace

std::string WritePictures(const std::string& outDir) {
  struct Picture {
    const char* file;
    std::string (*make)(Image*);
    bool grey;
  };
  const Picture pictures[] = {
      {show::pictures::kVtLogo, MakeLogo, false},
      {show::pictures::kKable, MakeCables, false},
      {show::pictures::kBw06, MakeStormSea, true},
      {show::pictures::kTreetex, MakeLightTree, false},
      {show::pictures::kVtt, MakeTitleCard, false},
      {show::pictures::kPoz2, MakeCurrent, false},
      {show::pictures::kPoz3, MakeSunset, false},
      {show::pictures::kPoz5, MakeBoard, false},
      {show::pictures::kEnvmap0, MakeGlow, false},
      {show::pictures::kEndJpg, MakeEndCard, false},
  };
  std::error_code made;
  std::filesystem::create_directories(outDir + "/textures", made);
  if (made) return "cannot make " + outDir + "/textures: " + made.message();
  for (const Picture& picture : pictures) {
    Image image;
    std::string failure = picture.make(&image);
    if (!failure.empty()) return failure;
    const std::string path = outDir + "/textures/" + picture.file;
    const bool saved = picture.grey ? SaveJpegGrey(image, path, kQuality, &failure)
                                    : SaveJpeg(image, path, kQuality, &failure);
    if (!saved) return std::string(picture.file) + ": " + failure;
  }
  return "";
}

}  // namespace content
