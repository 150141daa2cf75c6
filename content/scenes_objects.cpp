// The static models: drawn by the layers under their own transforms, so the
// points are where the layers expect them (see each builder's comment), and
// the lights ride with the model.
#include <cmath>

#include "content/scenes_internal.h"

namespace content {
namespace scenes {
namespace {

// True when the surface at(s, t) has its front (ds x dt) turned away from
// inner(s, t), judged at one sample: decides the winding of surfaces whose
// parameters are easier to state than to orient.
bool FrontFaces(const std::function<V3(float, float)>& at,
                const std::function<V3(float, float)>& inner) {
  const float s = 0.37f, t = 0.41f, e = 1e-3f;
  const V3 p = at(s, t);
  const V3 n = Cross(at(s + e, t) - p, at(s, t + e) - p);
  return Dot(n, p - inner(s, t)) > 0.0f;
}

// Colours of the lights (the palette's amber, bone and sea).
constexpr V3 kAmberLight{0.95f, 0.70f, 0.38f};
constexpr V3 kBoneLight{0.92f, 0.90f, 0.85f};
constexpr V3 kSeaLight{0.35f, 0.62f, 0.66f};

}  // namespace

// nsphere.3ds: the inside of a sphere of radius 200 round the camera of the
// logo scene (fov 100, far 400). Its poles start on the view's up axis, under
// the haze, and the texture fades to one colour towards them, so they stay
// unseen as the sphere tumbles; no lights, so the texture shows at full
// strength.
void BuildSphere(SceneOut& out) {
  out.AddTexturedMaterial("sphere", "sc_nebula.jpg");
  MeshMaker sphere("sphere", "sphere");
  const float radius = 200.0f;
  sphere.Grid(
      48, 28,
      [radius](float s, float t) {
        const float theta = s * kTwoPi, phi = (t - 0.5f) * kPi;
        return V3{std::cos(phi) * std::cos(theta), std::cos(phi) * std::sin(theta), std::sin(phi)} *
               radius;
      },
      2.0f, 1.0f, /*inward=*/true);
  sphere.Transform(Xform::Rotate({1, 0, 0}, -90.0f));
  out.AddObject(sphere);
}

// object_03.3ds: an ammonite shell of polished metal, about 150 units across.
// The logo scene turns the model upright (model z is the view's up axis),
// rocks it about 45 degrees round that axis and pushes it by (-15, 0, -140),
// so the shell is modelled near (15, 0, 140), moved up and left of the view's
// centre to leave the logo's corner free, with its spiral facing the camera at
// the middle of the rocking.
void BuildShell(SceneOut& out) {
  out.AddTexturedMaterial("nacre", "sc_pearl.jpg", "sc_chrome.jpg");
  out.AddTexturedMaterial("hollow", "sc_hollow.jpg");
  MeshMaker outer("shell", "nacre");
  MeshMaker inner("hollow", "hollow");

  const float turns = 3.2f, growth = std::log(2.25f) / kTwoPi, rEnd = 64.0f, thickness = 0.37f;
  const float theta1 = turns * kTwoPi;
  auto radiusAt = [=](float theta) { return rEnd * std::exp(growth * (theta - theta1)); };
  // Ribs across the whorl, fading towards the aperture's smooth last half turn.
  auto rib = [=](float theta) {
    const float wave = 0.5f + 0.5f * std::cos(theta * 11.0f);
    const float fade = std::fmin(1.0f, (theta1 - theta) / kPi);
    return 1.0f + 0.055f * wave * wave * wave * fade;
  };
  // The whorl's centre line lies in the x-z plane; sections are a little
  // narrower sideways (y) than across the spiral.
  auto centre = [=](float theta) {
    const float r = radiusAt(theta);
    return V3{r * std::cos(theta), 0.0f, r * std::sin(theta)};
  };
  auto surface = [=](float theta, float phi, float scale) {
    const float r = radiusAt(theta), rho = thickness * r * rib(theta) * scale;
    const V3 radial{std::cos(theta), 0.0f, std::sin(theta)};
    return centre(theta) + radial * (rho * std::cos(phi)) +
           V3{0, 1, 0} * (0.82f * rho * std::sin(phi));
  };
  const float theta0 = 0.35f * kTwoPi;
  auto outerAt = [=](float s, float t) {
    return surface(theta0 + s * (theta1 - theta0), t * kTwoPi, 1.0f);
  };
  auto axis = [=](float s, float) { return centre(theta0 + s * (theta1 - theta0)); };
  outer.Grid(96, 12, outerAt, turns - 0.35f, 1.0f, !FrontFaces(outerAt, axis));
  // The hollow inside shows through the aperture; only the last turn can be seen.
  auto hollowAt = [=](float s, float t) {
    return surface(theta1 - kTwoPi + s * kTwoPi, t * kTwoPi, 0.86f);
  };
  auto hollowAxis = [=](float s, float) { return centre(theta1 - kTwoPi + s * kTwoPi); };
  inner.Grid(28, 12, hollowAt, 1.0f, 1.0f, FrontFaces(hollowAt, hollowAxis));
  // A rounded lip joins the two surfaces round the aperture.
  std::vector<V3> lip;
  for (int k = 0; k <= 24; ++k) {
    const float phi = float(k) / 24.0f * kTwoPi;
    lip.push_back((surface(theta1, phi, 1.0f) + surface(theta1, phi, 0.86f)) * 0.5f);
  }
  const float lipRadius = 0.08f * thickness * rEnd + 0.6f;
  Tube(
      outer, lip, [lipRadius](float) { return lipRadius; }, 6, 0.05f, Caps::kNone);

  // Face the camera three quarters on, then move to the view's fixed point.
  const Xform place = Xform::Translate({-17.0f, 32.0f, 156.0f}) * Xform::Rotate({0, 0, 1}, -30.0f) *
                      Xform::Rotate({0, 1, 0}, 20.0f) * Xform::Translate({-8.0f, 0.0f, -4.0f});
  outer.Transform(place);
  inner.Transform(place);
  out.AddObject(outer);
  out.AddObject(inner);
  // Lights in the model's frame: a warm key from the camera's side and above,
  // a cool fill from below.
  out.AddLight("key", {-160.0f, -220.0f, 300.0f}, kAmberLight);
  out.AddLight("fill", {200.0f, -120.0f, -40.0f}, kSeaLight);
  out.AddLight("rim", {120.0f, 200.0f, 260.0f}, kBoneLight, 0.8f);
}

// object_01.3ds: a small machine fish, 56 units from nose to tail fin, that
// flies through the cable yard (the layer turns and moves it freely).
void BuildDrone(SceneOut& out) {
  out.AddTexturedMaterial("hull", "sc_scales.jpg", "sc_chrome.jpg");
  out.AddTexturedMaterial("fin", "sc_fin.jpg");
  out.AddTexturedMaterial("lamp", "sc_lamp.jpg");
  MeshMaker body("fishbody", "hull");
  MeshMaker fins("fishfins", "fin");
  MeshMaker eyes("fisheyes", "lamp");

  // Body: turned along +x (nose forward), narrower sideways than tall.
  const std::vector<ProfilePoint> profile = {
      {0.0f, -22.0f}, {2.2f, -21.0f}, {3.0f, -17.0f}, {4.6f, -11.0f}, {6.8f, -4.0f},
      {8.6f, 3.0f},   {9.4f, 9.0f},   {9.2f, 14.0f},  {8.0f, 19.0f},  {6.0f, 23.5f},
      {3.4f, 27.0f},  {1.2f, 28.8f},  {0.0f, 29.2f}};
  const Xform alongX = Xform::Scale({1.0f, 0.68f, 1.0f}) * Xform::Rotate({0, 1, 0}, 90.0f);
  Lathe(body, profile, 18, alongX, 2.0f, 3.0f);

  // Fins: thin bevelled plates. The prism's thickness runs along y after
  // standing it up (model z of the outline becomes -y).
  const Xform upright = Xform::Rotate({1, 0, 0}, 90.0f);
  const std::vector<Flat> tail = {{-18.0f, 0.0f},   {-26.0f, 9.0f}, {-31.0f, 14.0f},
                                  {-28.5f, 5.0f},   {-27.0f, 0.0f}, {-28.5f, -5.0f},
                                  {-31.0f, -14.0f}, {-26.0f, -9.0f}};
  Prism(fins, tail, -0.8f, 0.8f, 0.4f, upright, 0.05f);
  const std::vector<Flat> dorsal = {{-4.0f, 7.5f}, {8.0f, 9.0f}, {2.0f, 15.5f}, {-6.0f, 13.0f}};
  Prism(fins, dorsal, -0.7f, 0.7f, 0.3f, upright, 0.05f);
  const std::vector<Flat> belly = {{-8.0f, -5.0f}, {2.0f, -7.5f}, {-4.0f, -11.0f}, {-9.0f, -9.0f}};
  Prism(fins, belly, -0.6f, 0.6f, 0.3f, upright, 0.05f);
  // Pectoral fins swept back and down on both sides.
  const std::vector<Flat> pectoral = {{0.0f, 0.0f}, {-3.0f, 11.0f}, {-9.0f, 13.0f}, {-6.0f, 3.0f}};
  for (int side = -1; side <= 1; side += 2) {
    const Xform fin = Xform::Translate({13.0f, float(side) * 5.6f, -2.5f}) *
                      Xform::Rotate({1, 0, 0}, float(side) * 35.0f) *
                      Xform::Scale({1.0f, float(side), 1.0f});
    Prism(fins, pectoral, -0.5f, 0.5f, 0.25f, fin, 0.05f);
  }
  // Two lamp eyes.
  for (int side = -1; side <= 1; side += 2) {
    Ellipsoid(eyes, {21.5f, float(side) * 4.3f, 3.2f}, {2.0f, 1.6f, 2.0f}, 10, 6, Xform{});
  }
  out.AddObject(body);
  out.AddObject(fins);
  out.AddObject(eyes);
  // The fish tumbles freely, so light comes from all round it: bone from
  // above, amber from one flank, sea from below and the other flank.
  out.AddLight("sun", {60.0f, -80.0f, 160.0f}, kBoneLight);
  out.AddLight("glow", {-40.0f, 160.0f, -20.0f}, kAmberLight);
  out.AddLight("deep", {30.0f, -150.0f, -120.0f}, kSeaLight);
  out.AddLight("ahead", {200.0f, 20.0f, 0.0f}, kBoneLight, 0.7f);
}

// krab.3ds: a crab of about 180 units across its legs: carapace, eyes on
// stalks, four walking legs a side and two claws. Its back faces +z; the crab
// layer draws five nested copies round the origin.
void BuildCrab(SceneOut& out) {
  out.AddTexturedMaterial("carapace", "sc_carapace.jpg");
  out.AddTexturedMaterial("crabeye", "sc_lamp.jpg");
  MeshMaker shell("carapace", "carapace");
  MeshMaker limbs("limbs", "carapace");
  MeshMaker eyes("crabeyes", "crabeye");

  // Carapace: a wide dome, flat below, with a toothed front edge, a bumpy back
  // and a ridge down the middle.
  const V3 radii{44.0f, 33.0f, 17.0f};
  shell.Grid(
      22, 12,
      [=](float s, float t) {
        const float theta = s * kTwoPi, phi = (t - 0.5f) * kPi;
        const float front = std::fmax(0.0f, std::sin(theta));  // +y is the front
        const float teeth = 0.06f * front * std::pow(std::fabs(std::cos(theta * 9.0f)), 4.0f);
        const float bumps = 0.035f * std::sin(theta * 5.0f) * std::cos(phi * 3.0f);
        float k = 1.0f + (teeth + bumps) * std::cos(phi);
        const float ridge = 0.12f * std::exp(-std::pow(std::cos(theta) * 4.0f, 2.0f));
        float z = std::sin(phi) * radii.z;
        if (phi > 0.0f) z *= 1.0f + ridge * std::cos(phi);
        if (phi < 0.0f) z *= 0.45f;  // flat belly
        // The front edge is straighter than an ellipse.
        const float y = std::cos(phi) * std::sin(theta) * radii.y * (1.0f - 0.12f * front);
        return V3{std::cos(phi) * std::cos(theta) * radii.x * k, y * k, z};
      },
      3.0f, 1.0f);

  // The carapace's own parameters pinch at its top: project the texture
  // from above instead.
  shell.Retexture(0, [](V3 p) { return SceneTexel{p.x / 70.0f, p.y / 70.0f}; });

  // Limbs: tapered tubes through their joints, swelling a little at each,
  // built on the right side and mirrored to the left.
  MeshMaker right("right", "carapace");
  auto jointed = [](float r0, float r1, int joints) {
    return [=](float s) {
      const float bulge = 0.5f + 0.5f * std::cos(s * kTwoPi * float(joints));
      return (r0 + (r1 - r0) * s) * (1.0f + 0.18f * bulge * bulge);
    };
  };
  const float legAngles[4] = {-74.0f, -47.0f, -21.0f, 4.0f};
  for (int leg = 0; leg < 4; ++leg) {
    const float a = Radians(legAngles[leg]);
    const V3 out1{std::cos(a), std::sin(a), 0.0f};
    const V3 root{radii.x * 0.86f * std::cos(a), radii.y * 0.86f * std::sin(a), -2.0f};
    const float reach = 1.0f + 0.07f * float(leg == 1 || leg == 2);  // middle legs are longest
    const V3 back{0.0f, -0.18f * float(3 - leg) - 0.1f, 0.0f};
    const std::vector<V3> knots = {
        root, root + out1 * (15.0f * reach) + V3{0, 0, 9.0f},
        root + (out1 + back * 0.4f) * (30.0f * reach) + V3{0, 0, 13.0f},
        root + (out1 + back) * (42.0f * reach) + V3{0, 0, 0.0f},
        root + (out1 + back * 1.3f) * (47.0f * reach) + V3{0, 0, -14.0f}};
    Tube(right, Spline(knots, 3), jointed(5.2f, 1.0f, 3), 5, 0.06f);
  }
  // Claw arm: from the front corner forward and out, thick and knobbly.
  const float clawAngle = Radians(40.0f);
  const V3 shoulder{radii.x * 0.8f * std::cos(clawAngle), radii.y * 0.8f * std::sin(clawAngle),
                    0.0f};
  const std::vector<V3> arm = {shoulder, shoulder + V3{16.0f, 8.0f, 8.0f},
                               shoulder + V3{24.0f, 24.0f, 11.0f},
                               shoulder + V3{18.0f, 36.0f, 9.0f}};
  Tube(right, Spline(arm, 3), jointed(7.5f, 6.0f, 2), 7, 0.06f);
  // Palm and two fingers, the pincer opening a little.
  const V3 palm = shoulder + V3{16.0f, 50.0f, 8.0f};
  Ellipsoid(
      right, palm, {14.0f, 20.0f, 11.0f}, 12, 8,
      Xform::Translate(palm) * Xform::Rotate({0, 0, 1}, 14.0f) * Xform::Translate(-palm),
      [](float s, float t) { return 0.05f * std::sin(s * kTwoPi * 3.0f) * std::sin(t * kPi); });
  const V3 fingerRoot = palm + V3{-4.0f, 17.0f, 0.0f};
  Tube(
      right,
      Spline({fingerRoot + V3{4.0f, 0, -2.0f}, fingerRoot + V3{6.0f, 14.0f, -3.0f},
              fingerRoot + V3{-1.0f, 29.0f, -2.0f}},
             4),
      [](float s) { return 6.5f - 5.6f * s; }, 7, 0.08f);
  Tube(
      right,
      Spline({fingerRoot + V3{-6.0f, 0, 4.0f}, fingerRoot + V3{-11.0f, 13.0f, 7.0f},
              fingerRoot + V3{-7.0f, 25.0f, 5.0f}},
             4),
      [](float s) { return 5.0f - 4.3f * s; }, 7, 0.08f);
  limbs.Append(right);
  limbs.Append(right, Xform::Scale({-1.0f, 1.0f, 1.0f}));

  // Eyes on short stalks at the front.
  for (int side = -1; side <= 1; side += 2) {
    const V3 base{float(side) * 9.0f, radii.y * 0.78f, 8.0f};
    const V3 tip = base + V3{float(side) * 3.0f, 7.0f, 11.0f};
    Tube(
        limbs, {base, Lerp3(base, tip, 0.5f), tip}, [](float) { return 1.8f; }, 5, 0.1f);
    Ellipsoid(eyes, tip + V3{0, 0.5f, 1.5f}, {3.0f, 3.0f, 3.4f}, 8, 6, Xform{});
  }
  out.AddObject(shell);
  out.AddObject(limbs);
  out.AddObject(eyes);
  out.AddLight("above", {-80.0f, 120.0f, 260.0f}, kAmberLight);
  out.AddLight("side", {220.0f, -60.0f, 90.0f}, kBoneLight, 0.9f);
  out.AddLight("below", {-60.0f, -200.0f, -160.0f}, kSeaLight);
}

// strom.3ds: a bare tree about 150 units tall standing on the origin, trunk
// along +z (the tunnel layer tilts it towards the camera and spins it round
// its trunk).
void BuildTree(SceneOut& out) {
  out.AddTexturedMaterial("bark", "sc_bark.jpg");
  MeshMaker tree("tree", "bark");
  Dice dice(1907);

  struct Branch {
    V3 start;
    V3 direction;
    float length;
    float radius;
    int depth;
  };
  std::vector<Branch> todo = {{{0, 0, -4.0f}, {0, 0, 1}, 72.0f, 8.5f, 0}};
  // Root flare: a short turned foot under the trunk.
  Lathe(tree, {{0.0f, -6.0f}, {16.0f, -6.0f}, {12.5f, -2.0f}, {9.6f, 3.0f}, {8.4f, 10.0f}}, 8,
        Xform{}, 1.0f, 0.3f);
  float azimuth = dice.Range(0.0f, kTwoPi);
  for (size_t next = 0; next < todo.size(); ++next) {
    const Branch b = todo[next];
    // A slightly bent limb: its middle knot leans away at random.
    const V3 side =
        Normalized(Cross(b.direction, std::fabs(b.direction.z) < 0.9f ? V3{0, 0, 1} : V3{1, 0, 0}));
    const V3 bend = side * dice.Range(-0.12f, 0.12f) * b.length;
    const V3 end = b.start + b.direction * b.length;
    const std::vector<V3> path = Spline({b.start, Lerp3(b.start, end, 0.5f) + bend, end}, 2);
    const float r0 = b.radius, r1 = b.radius * 0.62f;
    Tube(
        tree, path, [r0, r1](float s) { return r0 + (r1 - r0) * s; },
        b.depth < 2 ? 7 : (b.depth < 4 ? 5 : 4), 0.04f, b.depth > 0 ? Caps::kEnd : Caps::kNone);
    if (b.depth >= 4) continue;
    const int children = b.depth == 0 ? 3 : (dice.Uniform() < 0.55f ? 3 : 2);
    for (int c = 0; c < children; ++c) {
      azimuth += 2.39996f;  // golden angle, so the limbs spread evenly
      const float spread = Radians(b.depth == 0 ? 38.0f : dice.Range(24.0f, 42.0f));
      // A direction tilted from the parent's by `spread`, round it by `azimuth`.
      const V3 u = Normalized(
          Cross(b.direction, std::fabs(b.direction.x) < 0.9f ? V3{1, 0, 0} : V3{0, 1, 0}));
      const V3 w = Cross(b.direction, u);
      V3 d = b.direction * std::cos(spread) +
             (u * std::cos(azimuth) + w * std::sin(azimuth)) * std::sin(spread);
      d = Normalized(d + V3{0, 0, 0.18f});  // limbs reach for the light
      const float at = c == 0 ? 1.0f : dice.Range(0.6f, 0.9f);
      Branch child;
      child.start = b.start + (end - b.start) * at + bend * (at < 1.0f ? 0.8f : 0.0f);
      child.direction = d;
      child.length = b.length * dice.Range(0.62f, 0.78f) * (b.depth == 0 ? 0.8f : 1.0f);
      child.radius = b.radius * (c == 0 ? 0.66f : 0.55f);
      child.depth = b.depth + 1;
      todo.push_back(child);
    }
  }
  out.AddObject(tree);
  out.AddLight("sky", {-90.0f, -160.0f, 260.0f}, kBoneLight);
  out.AddLight("warm", {180.0f, 60.0f, 60.0f}, kAmberLight, 0.9f);
}

// cone.3ds: a closed cone seen from inside. The echo layer looks out from
// the model's origin with a 160 degree lens (far 500, the model scaled by
// half): the apex lies 480 units along +z, the base 130 units behind the
// origin; every face turns inwards. No lights: the spiral texture glows.
void BuildCone(SceneOut& out) {
  out.AddTexturedMaterial("vortex", "sc_vortex.jpg");
  out.AddTexturedMaterial("vortexbase", "sc_iris.jpg");
  MeshMaker wall("conewall", "vortex");
  MeshMaker base("conebase", "vortexbase");
  const float apex = 480.0f, bottom = -130.0f, baseRadius = 330.0f;
  // Rings closer together towards the apex, where the view converges.
  wall.Grid(
      48, 14,
      [=](float s, float t) {
        const float k = 1.0f - (1.0f - t) * (1.0f - t);  // 0 at the base, 1 at the apex
        const float r = baseRadius * (1.0f - k), theta = s * kTwoPi;
        return V3{r * std::cos(theta), r * std::sin(theta), bottom + (apex - bottom) * k};
      },
      3.0f, 5.0f, /*inward=*/true);
  // The base disc faces +z, towards the origin.
  base.Grid(
      48, 5,
      [=](float s, float t) {
        const float theta = s * kTwoPi, r = baseRadius * t;
        return V3{r * std::cos(theta), r * std::sin(theta), bottom};
      },
      1.0f, 1.0f, /*inward=*/true);
  out.AddObject(wall);
  out.AddObject(base);
}

// object_04.3ds: a ship's wheel 250 units across: a wooden rim bound in
// brass, eight turned spokes that end in handles, and a brass hub. Its axle
// is the model's z axis; two layers tumble it freely.
void BuildWheel(SceneOut& out) {
  out.AddTexturedMaterial("wood", "sc_wood.jpg");
  out.AddTexturedMaterial("brass", "sc_brass.jpg", "sc_chrome.jpg");
  MeshMaker wood("wheelwood", "wood");
  MeshMaker brass("wheelbrass", "brass");

  // Rim: a rounded rectangle in section, turned round the axle.
  Lathe(wood,
        {{78.0f, -6.0f},
         {82.0f, -9.0f},
         {92.0f, -9.0f},
         {96.0f, -6.0f},
         {97.0f, 0.0f},
         {96.0f, 6.0f},
         {92.0f, 9.0f},
         {82.0f, 9.0f},
         {78.0f, 6.0f},
         {77.0f, 0.0f},
         {78.0f, -6.0f}},
        40, Xform{}, 8.0f, 1.0f);
  // Brass bands on the rim's faces.
  for (int face = -1; face <= 1; face += 2) {
    const float z = float(face) * 9.4f;
    std::vector<ProfilePoint> band = {{83.0f, z}, {91.0f, z}};
    if (face < 0) band = {{91.0f, z}, {83.0f, z}};
    Lathe(brass, band, 40, Xform{}, 6.0f, 1.0f);
  }
  // Spokes with handles, turned along their own length.
  const std::vector<ProfilePoint> spoke = {
      {0.0f, 20.0f},  {4.5f, 20.0f},  {4.0f, 40.0f},  {5.2f, 55.0f},  {3.8f, 70.0f},
      {4.0f, 96.0f},  {6.2f, 100.0f}, {4.2f, 104.0f}, {5.8f, 112.0f}, {7.4f, 118.0f},
      {6.0f, 124.0f}, {3.0f, 127.0f}, {0.0f, 128.0f}};
  for (int k = 0; k < 8; ++k) {
    const Xform place = Xform::Rotate({0, 0, 1}, 45.0f * float(k) + 22.5f) *
                        Xform::Rotate({0, 1, 0}, 90.0f);  // lathe axis along +x
    Lathe(wood, spoke, 8, place, 1.0f, 4.0f);
  }
  // Hub: a brass drum with domed caps.
  Lathe(brass,
        {{0.0f, -17.0f},
         {8.0f, -16.5f},
         {14.0f, -14.0f},
         {16.0f, -12.0f},
         {24.0f, -11.0f},
         {26.0f, -8.0f},
         {26.0f, 8.0f},
         {24.0f, 11.0f},
         {16.0f, 12.0f},
         {14.0f, 14.0f},
         {8.0f, 16.5f},
         {0.0f, 17.0f}},
        20, Xform{}, 2.0f, 1.0f);
  out.AddObject(wood);
  out.AddObject(brass);
  out.AddLight("key", {-150.0f, 200.0f, 300.0f}, kAmberLight);
  out.AddLight("fill", {240.0f, -120.0f, -200.0f}, kSeaLight);
  out.AddLight("top", {60.0f, 260.0f, -120.0f}, kBoneLight, 0.7f);
}

// igra.3ds: a chess knight 380 units tall, y up and centred on the origin,
// which the game-piece layer turns about (0, 1, 0.3) in front of its picture.
void BuildKnight(SceneOut& out) {
  out.AddTexturedMaterial("ivory", "sc_ivory.jpg");
  MeshMaker knight("knight", "ivory");
  const Xform upright = Xform::Rotate({1, 0, 0}, -90.0f);  // lathe axis z becomes y
  Lathe(knight,
        {{0.0f, -190.0f},
         {82.0f, -190.0f},
         {85.0f, -184.0f},
         {85.0f, -172.0f},
         {77.0f, -164.0f},
         {66.0f, -157.0f},
         {71.0f, -149.0f},
         {71.0f, -141.0f},
         {62.0f, -132.0f},
         {55.0f, -120.0f},
         {57.0f, -105.0f},
         {66.0f, -97.0f},
         {69.0f, -89.0f},
         {62.0f, -84.0f},
         {0.0f, -84.0f}},
        28, upright, 2.0f, 1.0f);
  // The head: a horse's profile facing +x, cut as a bevelled slab.
  const std::vector<Flat> head = {
      {-55.0f, -86.0f}, {55.0f, -86.0f},  {62.0f, -55.0f}, {55.0f, -25.0f}, {42.0f, 5.0f},
      {36.0f, 30.0f},   {55.0f, 48.0f},   {80.0f, 57.0f},  {98.0f, 67.0f},  {92.0f, 82.0f},
      {104.0f, 91.0f},  {103.0f, 106.0f}, {89.0f, 121.0f}, {62.0f, 145.0f}, {36.0f, 164.0f},
      {24.0f, 192.0f},  {12.0f, 172.0f},  {2.0f, 186.0f},  {-9.0f, 165.0f}, {-30.0f, 150.0f},
      {-50.0f, 121.0f}, {-62.0f, 82.0f},  {-67.0f, 40.0f}, {-69.0f, 0.0f},  {-66.0f, -40.0f},
      {-60.0f, -66.0f}};
  // Rounded through a closed Catmull-Rom curve, so the carved sides read as
  // curves rather than a few broad planks.
  std::vector<Flat> smooth;
  const size_t n = head.size();
  for (size_t i = 0; i < n; ++i) {
    const Flat& p0 = head[(i + n - 1) % n];
    const Flat& p1 = head[i];
    const Flat& p2 = head[(i + 1) % n];
    const Flat& p3 = head[(i + 2) % n];
    for (int k = 0; k < 3; ++k) {
      const float t = float(k) / 3.0f, t2 = t * t, t3 = t2 * t;
      auto cr = [&](float a, float b, float c, float d) {
        return 0.5f * (2.0f * b + (c - a) * t + (2.0f * a - 5.0f * b + 4.0f * c - d) * t2 +
                       (3.0f * b - a - 3.0f * c + d) * t3);
      };
      smooth.push_back({cr(p0.x, p1.x, p2.x, p3.x), cr(p0.y, p1.y, p2.y, p3.y)});
    }
  }
  Prism(knight, smooth, -36.0f, 36.0f, 9.0f, Xform{}, 0.006f);
  // Eyes: small bosses on both cheeks.
  for (int side = -1; side <= 1; side += 2) {
    Ellipsoid(knight, {46.0f, 136.0f, float(side) * 36.5f}, {9.0f, 6.5f, 4.0f}, 10, 6, Xform{});
  }
  out.AddObject(knight);
  out.AddLight("warm", {220.0f, 160.0f, 260.0f}, kAmberLight);
  out.AddLight("cool", {-160.0f, 40.0f, -300.0f}, kSeaLight);
  out.AddLight("top", {0.0f, 420.0f, 40.0f}, kBoneLight, 0.8f);
}

}  // namespace scenes
}  // namespace content
