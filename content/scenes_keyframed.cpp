// The keyframed scenes: played through their first camera by the glow, flight,
// tunnel and engine layers, in loops. 3DS space: +Z up. Each loop closes on
// itself (the last keys repeat the first pose, or the world repeats along
// the way the camera travels), so the restart of a layer's clock is not seen.
//
// Lights of a keyframed scene are fixed to the viewer: the program takes
// their positions in eye space (x right, y up, z towards the viewer).
#include <cmath>

#include "content/scenes_internal.h"

namespace content {
namespace scenes {
namespace {

constexpr V3 kHeadLight{0.95f, 0.93f, 0.88f};
constexpr V3 kAmberLight{0.85f, 0.55f, 0.25f};
constexpr V3 kSeaLight{0.30f, 0.55f, 0.60f};

struct Pose {
  V3 eye;
  V3 target;
};

// A camera whose position and target follow pose(frame), keyed every `step`
// frames from 0 to `frames` (a multiple of the step). Cameras stay level: the
// player hands the roll track's value (degrees) to lib3ds's camera matrix,
// which reads radians, so any roll would spin the picture.
void KeyCamera(SceneOut& out, const std::string& name, int frames, int step, float fov,
               float farRange, const std::function<Pose(float)>& pose) {
  const Pose first = pose(0.0f);
  SceneCamera camera;
  camera.name = name;
  camera.position = first.eye;
  camera.target = first.target;
  camera.fov = fov;
  camera.nearRange = 0.5f;
  camera.farRange = farRange;
  out.builder.AddCamera(camera);
  const SceneNodeId eye = out.builder.AddCameraNode(name);
  const SceneNodeId target = out.builder.AddTargetNode(name);
  for (int f = 0; f <= frames; f += step) {
    const Pose p = pose(float(f));
    out.builder.AddPositionKey(eye, f, p.eye);
    out.builder.AddPositionKey(target, f, p.target);
  }
}

// Rotations composed as quaternions and handed to the builder as one axis
// and angle per key.
struct Quat {
  float w = 1.0f, x = 0.0f, y = 0.0f, z = 0.0f;
};

Quat AxisAngle(V3 axis, float degrees) {
  const V3 n = Normalized(axis);
  const float half = Radians(degrees) * 0.5f, s = std::sin(half);
  return {std::cos(half), n.x * s, n.y * s, n.z * s};
}

Quat operator*(const Quat& a, const Quat& b) {
  return {
      a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
      a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

void AddRotation(SceneOut& out, SceneNodeId node, int frame, const Quat& q) {
  const float sine = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
  if (sine < 1e-7f) {
    out.builder.AddRotationKey(node, frame, {0, 0, 1}, 0.0f);
    return;
  }
  const float degrees = 2.0f * std::atan2(sine, q.w) * (180.0f / kPi);
  out.builder.AddRotationKey(node, frame, {q.x / sine, q.y / sine, q.z / sine}, degrees);
}

// Phase 0..1 of frame f in a loop of `frames`.
float Phase(float f, int frames) { return f / float(frames); }

// A sky or water dome: the inside of a half sphere (and a little below the
// horizon) round `centre`; v runs from the rim (0) to the zenith (1).
void Dome(MeshMaker& mesh, V3 centre, float radius, int nu, int nv, float uRepeat) {
  mesh.Grid(
      nu, nv,
      [=](float s, float t) {
        const float theta = s * kTwoPi, phi = Radians(-12.0f) + t * Radians(101.0f);
        return centre +
               V3{std::cos(phi) * std::cos(theta), std::cos(phi) * std::sin(theta), std::sin(phi)} *
                   radius;
      },
      uRepeat, 1.0f, /*inward=*/true);
}

// Rolling ground: a grid over [x0, x1] by [y0, y1] at height(x, y), texture
// repeating every `tile` units.
void Ground(MeshMaker& mesh, float x0, float x1, float y0, float y1, int nx, int ny, float tile,
            const std::function<float(float, float)>& height) {
  mesh.Grid(
      nx, ny,
      [=](float s, float t) {
        const float x = x0 + (x1 - x0) * s, y = y0 + (y1 - y0) * t;
        return V3{x, y, height(x, y)};
      },
      (x1 - x0) / tile, (y1 - y0) / tile);
}

// Smooth hills from a few sines, repeating every `period` units along y so
// that a camera travelling that far sees the same ground again.
float Hills(float x, float y, float amplitude, float period) {
  const float k = kTwoPi / period;
  return amplitude * (0.5f * std::sin(x * 0.0061f + 1.3f) * std::cos(y * k) +
                      0.3f * std::sin(x * 0.013f - y * 2.0f * k + 0.7f) +
                      0.2f * std::cos(x * 0.027f + y * 4.0f * k));
}

}  // namespace

// anim_02.3ds: a lighthouse on a rock in a dusk sea, with beacon buoys
// bobbing round it. The camera swings to and fro round the tower and back to
// where it began; the lamp room and the buoys' lamps are the bright parts the
// opening glow spreads. 60 frames at 5 fps.
void BuildLighthouse(SceneOut& out) {
  out.builder.SetFrames(kLighthouseFrames);
  out.AddTexturedMaterial("sky", "sc_dusk.jpg");
  out.AddTexturedMaterial("sea", "sc_sea.jpg");
  out.AddTexturedMaterial("rock", "sc_rock.jpg");
  out.AddTexturedMaterial("tower", "sc_tower.jpg");
  out.AddTexturedMaterial("lamp", "sc_lamp.jpg");
  out.AddTexturedMaterial("iron", "sc_plates.jpg");

  MeshMaker sky("sky", "sky");
  Dome(sky, {0, 0, 0}, 2600.0f, 32, 10, 3.0f);
  MeshMaker sea("sea", "sea");
  Ground(sea, -2700.0f, 2700.0f, -2700.0f, 2700.0f, 18, 18, 180.0f,
         [](float x, float y) { return 2.0f * std::sin(x * 0.01f) * std::cos(y * 0.013f); });
  MeshMaker rock("rock", "rock");
  rock.Grid(
      28, 9,
      [](float s, float t) {
        const float theta = s * kTwoPi;
        const float lumps = 1.0f + 0.16f * std::sin(theta * 5.0f + 0.4f) +
                            0.09f * std::sin(theta * 11.0f + 2.0f) * (1.0f - t);
        const float r = (60.0f + 190.0f * (1.0f - t * t)) * lumps;
        const float z =
            -20.0f + 75.0f * std::sin(t * kPi * 0.5f) + 6.0f * std::sin(theta * 7.0f) * t;
        return V3{r * std::cos(theta), r * std::sin(theta), z};
      },
      5.0f, 1.5f);

  MeshMaker tower("tower", "tower");
  Lathe(tower,
        {{46.0f, 48.0f},
         {44.0f, 60.0f},
         {38.0f, 150.0f},
         {31.0f, 255.0f},
         {40.0f, 258.0f},
         {40.0f, 264.0f},
         {25.0f, 266.0f}},
        20, Xform{}, 4.0f, 1.0f);
  // Gallery rail round the lamp room.
  Torus(tower, 39.0f, 1.6f, 28, 4, Xform::Translate({0, 0, 278.0f}), 6.0f, 1.0f);
  MeshMaker lampRoom("lamproom", "lamp");
  Lathe(lampRoom, {{24.0f, 264.0f}, {24.0f, 300.0f}}, 16, Xform{}, 2.0f, 1.0f);
  MeshMaker roof("roof", "iron");
  Lathe(roof,
        {{24.0f, 300.0f},
         {30.0f, 300.0f},
         {27.0f, 306.0f},
         {12.0f, 326.0f},
         {3.0f, 334.0f},
         {4.0f, 342.0f},
         {0.0f, 346.0f}},
        16, Xform{}, 2.0f, 1.0f);
  // Posts of the gallery rail.
  for (int k = 0; k < 12; ++k) {
    const float a = float(k) * kTwoPi / 12.0f;
    const V3 at{39.0f * std::cos(a), 39.0f * std::sin(a), 264.0f};
    Tube(
        roof, {at, at + V3{0, 0, 14.0f}}, [](float) { return 1.3f; }, 4, 0.1f, Caps::kNone);
  }
  out.AddObject(sky);
  out.AddObject(sea);
  out.AddObject(rock);
  out.AddObject(tower);
  out.AddObject(lampRoom);
  out.AddObject(roof);

  // Buoys: a float, a lattice mast and a lamp, each bobbing and leaning on
  // its own beat, twice or three times a loop so that the loop closes.
  const V3 places[5] = {{-520.0f, 260.0f, 0},
                        {380.0f, 460.0f, 0},
                        {640.0f, -300.0f, 0},
                        {-300.0f, -620.0f, 0},
                        {60.0f, 900.0f, 0}};
  for (int b = 0; b < 5; ++b) {
    const V3 c = places[b];
    MeshMaker buoy("buoy" + std::to_string(b), "iron");
    Lathe(buoy,
          {{0.0f, -6.0f},
           {16.0f, -4.0f},
           {18.0f, 4.0f},
           {12.0f, 10.0f},
           {4.0f, 12.0f},
           {3.0f, 40.0f},
           {6.0f, 42.0f},
           {0.0f, 44.0f}},
          10, Xform::Translate(c), 2.0f, 1.0f);
    MeshMaker light("buoylamp" + std::to_string(b), "lamp");
    Ellipsoid(light, c + V3{0, 0, 50.0f}, {6.0f, 6.0f, 7.0f}, 8, 6, Xform{});
    const SceneNodeId floatNode = out.AddMovingObject(buoy, c);
    const SceneNodeId lampNode = out.AddMovingObject(light, c);
    const float beat = float(2 + b % 2), shift = float(b) * 1.7f;
    for (int f = 0; f <= kLighthouseFrames; f += 5) {
      const float a = Phase(float(f), kLighthouseFrames) * kTwoPi * beat + shift;
      const V3 at = c + V3{0, 0, 5.0f * std::sin(a)};
      const Quat lean = AxisAngle({std::cos(shift), std::sin(shift), 0.0f}, 7.0f * std::cos(a));
      for (SceneNodeId node : {floatNode, lampNode}) {
        out.builder.AddPositionKey(node, f, at);
        AddRotation(out, node, f, lean);
      }
    }
  }

  KeyCamera(out, "cam", kLighthouseFrames, 5, 46.0f, 6000.0f, [](float f) {
    const float a = Phase(f, kLighthouseFrames) * kTwoPi;
    const float angle = Radians(-100.0f + 50.0f * std::sin(a));
    const float distance = 800.0f - 160.0f * std::cos(a);
    Pose p;
    p.eye = {distance * std::cos(angle), distance * std::sin(angle),
             110.0f + 45.0f * std::sin(2.0f * a)};
    p.target = {30.0f * std::sin(a), 0.0f, 190.0f + 25.0f * std::cos(a)};
    return p;
  });
  out.AddLight("head", {0.0f, 0.0f, 0.0f}, kHeadLight);
  out.AddLight("dusk", {-900.0f, 500.0f, -300.0f}, kAmberLight);
}

// anim_03.3ds: a cable yard on the sea floor: two lines of pylons carrying
// sagging cables over dunes, under a water dome that travels with the camera.
// The camera glides between the lines for exactly two pylon spans, so the
// loop closes where it began. 160 frames at 10 fps.
void BuildCableYard(SceneOut& out) {
  out.builder.SetFrames(kCableYardFrames);
  out.AddTexturedMaterial("water", "sc_water.jpg");
  out.AddTexturedMaterial("sand", "sc_sand.jpg");
  out.AddTexturedMaterial("pylon", "sc_plates.jpg");
  out.AddTexturedMaterial("cable", "sc_cable.jpg");
  out.AddTexturedMaterial("beacon", "sc_lamp.jpg");

  const float span = 320.0f, travel = 2.0f * span;
  const float lines[2] = {140.0f, -180.0f};
  auto ground = [=](float x, float y) { return Hills(x, y, 24.0f, travel) - 8.0f; };

  // Rows a sixth of the travel apart, so that the sampled dunes repeat with it.
  MeshMaker sand("seabed", "sand");
  Ground(sand, -1500.0f, 1500.0f, -400.0f, -400.0f + 36.0f * travel / 6.0f, 20, 36, 160.0f, ground);
  out.AddObject(sand);

  MeshMaker pylons("pylons", "pylon");
  MeshMaker cables("cables", "cable");
  MeshMaker beacons("beacons", "beacon");
  // The camera looks ahead along +y from y 0 to 640 and sees 2200 units:
  // pylons from just behind its start to past its farthest view.
  const int first = -1, last = 9;
  for (int line = 0; line < 2; ++line) {
    const float x = lines[line];
    for (int k = first; k <= last; ++k) {
      const float y = float(k) * span;
      const float base = ground(x, y) - 10.0f;
      // A square mast narrowing upwards, a cross arm and insulators.
      Lathe(pylons,
            {{16.0f, base}, {13.0f, base + 40.0f}, {7.0f, 150.0f}, {6.0f, 176.0f}, {0.0f, 178.0f}},
            4, Xform::Translate({x, y, 0}) * Xform::Rotate({0, 0, 1}, 45.0f), 1.0f, 3.0f, false,
            true);
      Box(pylons, {x - 46.0f, y - 3.5f, 160.0f}, {x + 46.0f, y + 3.5f, 168.0f}, Xform{}, 0.02f);
      for (int side = -1; side <= 1; side += 2) {
        const V3 hang{x + float(side) * 38.0f, y, 160.0f};
        Lathe(pylons,
              {{0.0f, 140.0f},
               {5.0f, 142.0f},
               {3.0f, 147.0f},
               {5.0f, 150.0f},
               {3.0f, 155.0f},
               {2.0f, 160.0f}},
              4, Xform::Translate({hang.x, hang.y, 0}), 1.0f, 1.0f);
      }
      Ellipsoid(beacons, {x, y, 182.0f}, {4.0f, 4.0f, 5.0f}, 6, 4, Xform{});
      if (k == last) continue;
      for (int side = -1; side <= 1; side += 2) {
        std::vector<V3> cable;
        const float cx = x + float(side) * 38.0f;
        for (int i = 0; i <= 8; ++i) {
          const float s = float(i) / 8.0f;
          const float sag = 46.0f * 4.0f * s * (1.0f - s);
          cable.push_back({cx, y + span * s, 140.0f - sag});
        }
        Tube(
            cables, cable, [](float) { return 2.2f; }, 4, 0.02f, Caps::kNone);
      }
    }
  }
  out.AddObject(pylons);
  out.AddObject(cables);
  out.AddObject(beacons);

  auto eyeAt = [=](float f) {
    const float a = Phase(f, kCableYardFrames) * kTwoPi;
    return V3{-25.0f + 40.0f * std::sin(a), travel * Phase(f, kCableYardFrames),
              92.0f + 22.0f * std::sin(2.0f * a)};
  };
  // The water dome rides along with the camera.
  MeshMaker water("water", "water");
  Dome(water, {0, 0, -60.0f}, 1500.0f, 24, 8, 2.0f);
  const SceneNodeId dome = out.AddMovingObject(water, {0, 0, 0});
  for (int f = 0; f <= kCableYardFrames; f += 10) {
    out.builder.AddPositionKey(dome, f, {0.0f, eyeAt(float(f)).y, 0.0f});
  }

  KeyCamera(out, "cam", kCableYardFrames, 5, 55.0f, 2200.0f, [=](float f) {
    const float a = Phase(f, kCableYardFrames) * kTwoPi;
    Pose p;
    p.eye = eyeAt(f);
    p.target = p.eye + V3{40.0f * std::sin(a + 1.0f), 420.0f, 10.0f - 30.0f * std::cos(a)};
    return p;
  });
  out.AddLight("head", {0.0f, 40.0f, 0.0f}, kHeadLight);
  out.AddLight("surface", {300.0f, 900.0f, 200.0f}, kSeaLight);
}

// tunel_0.3ds: a winding service tunnel with ribs, wall cables and a line of
// lamps in its roof. The course repeats every 800 units and the camera flies
// two of those in a loop, so the loop closes. 120 frames at 3 fps.
void BuildTunnel(SceneOut& out) {
  out.builder.SetFrames(kTunnelFrames);
  out.AddTexturedMaterial("tunnelwall", "sc_tunnel.jpg");
  out.AddTexturedMaterial("rib", "sc_plates.jpg");
  out.AddTexturedMaterial("wirecable", "sc_cable.jpg");
  out.AddTexturedMaterial("roofLamp", "sc_lamp.jpg");

  const float period = 800.0f, radius = 46.0f;
  const float y0 = -300.0f, y1 = 2 * period + 1000.0f;
  auto course = [=](float y) {
    const float a = y / period * kTwoPi;
    return V3{70.0f * std::sin(a), y, 34.0f * std::sin(2.0f * a + 0.6f)};
  };
  // Frame along the course: forward, right and up, with up kept near +z.
  auto frame = [=](float y, V3* forward, V3* right, V3* up) {
    *forward = Normalized(course(y + 1.0f) - course(y - 1.0f));
    *right = Normalized(Cross(*forward, {0, 0, 1}));
    *up = Cross(*right, *forward);
  };
  // The cross-section: a rounded square, a little wider than high.
  auto section = [=](float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    const float k = std::pow(std::pow(std::fabs(c), 4.0f) + std::pow(std::fabs(s), 4.0f), -0.25f);
    return Flat{1.08f * radius * c * k, 0.92f * radius * s * k};
  };
  auto wallAt = [=](float y, float angle, float inset) {
    V3 f, r, u;
    frame(y, &f, &r, &u);
    const Flat p = section(angle);
    return course(y) + r * (p.x * inset) + u * (p.y * inset);
  };

  const int rings = int((y1 - y0) / 25.0f);
  MeshMaker wall("tunnel", "tunnelwall");
  wall.Grid(
      16, rings, [=](float s, float t) { return wallAt(y0 + (y1 - y0) * t, s * kTwoPi, 1.0f); },
      3.0f, (y1 - y0) / 100.0f);
  out.AddObject(wall);

  // Ribs: flat-faced hoops every 100 units.
  MeshMaker ribs("ribs", "rib");
  for (float y = y0 + 50.0f; y < y1; y += 100.0f) {
    auto hoop = [&](float s, float t, float depth, float along) {
      return wallAt(y + along, s * kTwoPi, 1.0f - depth * t);
    };
    // The face the camera meets (towards -y) and the inner face; the back
    // is never seen.
    ribs.Grid(
        16, 1, [&](float s, float t) { return hoop(s, t, 0.09f, -5.0f); }, 2.0f, 0.1f);
    ribs.Grid(
        16, 1, [&](float s, float t) { return wallAt(y - 5.0f + 10.0f * t, s * kTwoPi, 0.91f); },
        2.0f, 0.1f);
  }
  out.AddObject(ribs);

  // Cables along both lower walls and a lamp every 100 units in the roof.
  MeshMaker cables("wallcables", "wirecable");
  for (float angle : {Radians(-28.0f), Radians(-152.0f), Radians(-40.0f)}) {
    std::vector<V3> path;
    for (float y = y0; y <= y1; y += 40.0f) path.push_back(wallAt(y, angle, 0.93f));
    Tube(
        cables, path, [](float) { return 2.4f; }, 4, 0.01f, Caps::kNone);
  }
  out.AddObject(cables);
  MeshMaker lamps("rooflamps", "roofLamp");
  for (float y = y0 + 100.0f; y < y1; y += 100.0f) {
    V3 f, r, u;
    frame(y, &f, &r, &u);
    const V3 c = wallAt(y, Radians(90.0f), 0.97f);
    // A lamp box laid along the tunnel, built in the tunnel's frame.
    MeshMaker box("box", "roofLamp");
    Box(box, {-7.0f, -30.0f, -1.5f}, {7.0f, 30.0f, 3.0f}, Xform{}, 0.05f);
    Xform place;
    place.m[0] = r.x;
    place.m[1] = f.x;
    place.m[2] = u.x;
    place.m[3] = r.y;
    place.m[4] = f.y;
    place.m[5] = u.y;
    place.m[6] = r.z;
    place.m[7] = f.z;
    place.m[8] = u.z;
    place.t = c;
    lamps.Append(box, place);
  }
  out.AddObject(lamps);

  KeyCamera(out, "cam", kTunnelFrames, 3, 62.0f, 900.0f, [=](float f) {
    const float y = 2.0f * period * Phase(f, kTunnelFrames);
    const float a = Phase(f, kTunnelFrames) * kTwoPi;
    V3 fw, r, u;
    frame(y, &fw, &r, &u);
    Pose p;
    p.eye = course(y) + r * (8.0f * std::sin(2.0f * a)) + u * (6.0f + 5.0f * std::cos(2.0f * a));
    p.target = course(y + 150.0f) + V3{0, 0, 4.0f};
    return p;
  });
  out.AddLight("head", {0.0f, 0.0f, 0.0f}, kHeadLight);
  out.AddLight("warm", {30.0f, 40.0f, -30.0f}, kAmberLight);
}

// anim_05.3ds: the engine hall: a round chamber with pillars, a glowing core
// column and three tilted rings spinning round it. The camera spirals once
// round the core while rising and sinking, ending where it began. 225 frames
// at 10 fps.
void BuildEngine(SceneOut& out) {
  out.builder.SetFrames(kEngineFrames);
  out.AddTexturedMaterial("hall", "sc_hall.jpg");
  out.AddTexturedMaterial("floor", "sc_grate.jpg");
  out.AddTexturedMaterial("core", "sc_core.jpg");
  out.AddTexturedMaterial("ring", "sc_brass.jpg", "sc_chrome.jpg");
  out.AddTexturedMaterial("pillar", "sc_plates.jpg");

  const float hallRadius = 430.0f, hallHeight = 380.0f;
  MeshMaker hall("hall", "hall");
  Lathe(hall, {{hallRadius, -10.0f}, {hallRadius, hallHeight}}, 36, Xform{}, 6.0f, 2.0f, true);
  // Ceiling: a shallow inward dome.
  hall.Grid(
      36, 6,
      [=](float s, float t) {
        const float theta = s * kTwoPi, r = hallRadius * (1.0f - t);
        return V3{r * std::cos(theta), r * std::sin(theta),
                  hallHeight + 60.0f * std::sin(t * kPi * 0.5f)};
      },
      6.0f, 1.0f, /*inward=*/true);
  out.AddObject(hall);
  MeshMaker floor("floor", "floor");
  floor.Grid(
      36, 6,
      [=](float s, float t) {
        const float theta = s * kTwoPi, r = hallRadius * t;
        return V3{r * std::cos(theta), r * std::sin(theta), 0.0f};
      },
      12.0f, 4.0f, /*inward=*/true);
  out.AddObject(floor);

  MeshMaker core("core", "core");
  Lathe(core,
        {{0.0f, 0.0f},
         {70.0f, 0.0f},
         {62.0f, 24.0f},
         {40.0f, 34.0f},
         {36.0f, 200.0f},
         {40.0f, 340.0f},
         {64.0f, 352.0f},
         {70.0f, hallHeight + 70.0f}},
        24, Xform{}, 2.0f, 3.0f);
  out.AddObject(core);

  MeshMaker pillars("pillars", "pillar");
  for (int k = 0; k < 8; ++k) {
    const float a = float(k) * kTwoPi / 8.0f;
    Lathe(pillars,
          {{22.0f, 0.0f},
           {22.0f, 16.0f},
           {15.0f, 24.0f},
           {15.0f, hallHeight - 30.0f},
           {24.0f, hallHeight - 12.0f},
           {30.0f, hallHeight + 20.0f}},
          8, Xform::Translate({340.0f * std::cos(a), 340.0f * std::sin(a), 0.0f}), 1.0f, 3.0f);
  }
  out.AddObject(pillars);

  // Rings spin a whole number of turns a loop about their own tilted axes.
  struct RingShape {
    float major, minor, height, tiltDegrees, tiltAzimuth;
    int turns;
  };
  const RingShape rings[3] = {{112.0f, 7.0f, 120.0f, 18.0f, 0.0f, 1},
                              {155.0f, 8.0f, 190.0f, -14.0f, 60.0f, -1},
                              {200.0f, 6.0f, 260.0f, 10.0f, 130.0f, 2}};
  for (int i = 0; i < 3; ++i) {
    const RingShape& shape = rings[i];
    const V3 centre{0, 0, shape.height};
    MeshMaker ring("ring" + std::to_string(i), "ring");
    Torus(ring, shape.major, shape.minor, 48, 6, Xform::Translate(centre), 8.0f, 1.0f);
    // Four fins on each ring catch the eye as it turns.
    for (int fin = 0; fin < 4; ++fin) {
      const Xform at = Xform::Translate(centre) * Xform::Rotate({0, 0, 1}, 90.0f * float(fin));
      Box(ring, {shape.major - 14.0f, -3.0f, -14.0f}, {shape.major + 14.0f, 3.0f, 14.0f}, at,
          0.04f);
    }
    const SceneNodeId node = out.AddMovingObject(ring, centre);
    const float az = Radians(shape.tiltAzimuth);
    const Quat tilt = AxisAngle({std::cos(az), std::sin(az), 0.0f}, shape.tiltDegrees);
    for (int f = 0; f <= kEngineFrames; f += 9) {
      const float spin = 360.0f * float(shape.turns) * Phase(float(f), kEngineFrames);
      AddRotation(out, node, f, tilt * AxisAngle({0, 0, 1}, spin));
    }
  }

  KeyCamera(out, "cam", kEngineFrames, 9, 58.0f, 1600.0f, [](float f) {
    const float a = Phase(f, kEngineFrames) * kTwoPi;
    const float distance = 290.0f + 30.0f * std::cos(2.0f * a);
    Pose p;
    p.eye = {distance * std::cos(a + 0.3f), distance * std::sin(a + 0.3f),
             190.0f + 120.0f * std::sin(a)};
    p.target = {0.0f, 0.0f, 190.0f + 70.0f * std::sin(a - 0.6f)};
    return p;
  });
  out.AddLight("head", {0.0f, 0.0f, 0.0f}, kHeadLight);
  out.AddLight("glow", {-200.0f, -100.0f, -260.0f}, kAmberLight);
}

}  // namespace scenes
}  // namespace content
