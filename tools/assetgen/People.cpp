// People: dynamic props (a convex hull each) and the college student's separate waving arm.
//
// Every person faces local +X (their right hand on +Z) with the origin where the level places them:
// seated people on the seat surface under their hips, the standing one on the floor between the
// feet. Seated people sit cross-legged on the seat: their convex hull must rest ON the seat, and
// legs hanging down in front of it would fold the seat's edge into the hull. The hips are a flat
// disc so the hull has a broad base under its centre of mass.
//
// The arm is drawn in the standing person's frame hanging from the right shoulder joint at
// (0, 3, 0.6); the level turns it 195 degrees about the Z axis through (0, 3, 0), which lifts the
// arm overhead with the palm forward, and game play swings it from there by up to 30 degrees.

#include <cmath>
#include <string>
#include <vector>

#include "tools/assetgen/Generators.h"
#include "tools/assetgen/PropKit.h"

namespace assetgen {

namespace {

struct FaceStyle {
  vec3 skin;
  vec3 eyes{0.25f, 0.18f, 0.1f};
  vec3 lips{0.7f, 0.35f, 0.3f};
  bool glasses = false;
  bool monocle = false;
  bool moustache = false;
  bool wrinkles = false;
  bool makeUp = false;
};

void paintFace(Canvas& c, const FaceStyle& f) {
  props::solid(f.skin, 0.04f, 201)(c);
  for (float u : {0.37f, 0.63f}) {
    c.ellipse(u, 0.55f, 0.075f, 0.045f, vec3(0.97f));
    c.ellipse(u, 0.55f, 0.04f, 0.04f, f.eyes);
    c.ellipse(u, 0.55f, 0.018f, 0.018f, vec3(0.02f));
    c.rect(u - 0.08f, 0.63f, u + 0.08f, 0.66f, props::shade(f.skin, 0.45f));  // brows
    if (f.makeUp) c.rect(u - 0.08f, 0.595f, u + 0.08f, 0.61f, vec3(0.1f, 0.05f, 0.1f));
  }
  c.rect(0.47f, 0.41f, 0.53f, 0.52f, props::shade(f.skin, 0.85f));  // nose
  c.ellipse(0.5f, 0.31f, 0.11f, f.makeUp ? 0.035f : 0.022f, f.lips);
  if (f.makeUp) {
    c.ellipse(0.3f, 0.42f, 0.05f, 0.03f, glm::mix(f.skin, vec3(0.95f, 0.4f, 0.45f), 0.5f));
    c.ellipse(0.7f, 0.42f, 0.05f, 0.03f, glm::mix(f.skin, vec3(0.95f, 0.4f, 0.45f), 0.5f));
  }
  if (f.wrinkles)
    for (float v : {0.7f, 0.73f}) c.rect(0.38f, v, 0.62f, v + 0.008f, props::shade(f.skin, 0.75f));
  if (f.moustache) c.rect(0.4f, 0.36f, 0.6f, 0.4f, vec3(0.25f, 0.15f, 0.08f));
  vec3 frame(0.05f);
  if (f.glasses)
    for (float u : {0.37f, 0.63f}) {
      c.rect(u - 0.11f, 0.48f, u + 0.11f, 0.5f, frame);
      c.rect(u - 0.11f, 0.6f, u + 0.11f, 0.62f, frame);
      c.rect(u - 0.11f, 0.48f, u - 0.09f, 0.62f, frame);
      c.rect(u + 0.09f, 0.48f, u + 0.11f, 0.62f, frame);
    }
  if (f.glasses) c.rect(0.46f, 0.57f, 0.54f, 0.59f, frame);
  if (f.monocle) {
    c.ellipse(0.63f, 0.55f, 0.11f, 0.085f, vec3(0.85f, 0.7f, 0.2f));
    c.ellipse(0.63f, 0.55f, 0.09f, 0.068f, vec3(0.97f));
    c.ellipse(0.63f, 0.55f, 0.04f, 0.04f, f.eyes);
  }
}

Painter hairPainter(const vec3& colour) {
  return [colour](Canvas& c) {
    c.fill([&](float u, float v) {
      float strands =
          props::noise(u * 70, v * 6, 211) * 0.5f + props::noise(u * 140, v * 10, 212) * 0.5f;
      return props::shade(colour, 0.7f + 0.5f * strands);
    });
  };
}

Painter denim(const vec3& colour) {
  return [colour](Canvas& c) {
    c.fill([&](float u, float v) {
      float twill = std::sin((u + v) * 180.0f) * 0.5f + 0.5f;
      return props::shade(
          colour, 0.85f + 0.15f * twill + 0.15f * (props::noise(u * 30, v * 30, 221) - 0.5f));
    });
  };
}

// The tiles every body needs; the clothing painters differ per person.
struct Outfit {
  FaceStyle face;
  vec3 hair;
  Painter top;
  Painter bottom;
  vec3 shoes;
};

struct BodyTiles {
  Tile skin, face, hair, top, bottom, shoes;
};

BodyTiles paintOutfit(Prop& p, const Outfit& o) {
  BodyTiles t;
  t.skin = p.tile(32, 32, props::solid(o.face.skin, 0.04f, 231));
  t.face = p.tile(128, 128, [&](Canvas& c) { paintFace(c, o.face); });
  t.hair = p.tile(64, 64, hairPainter(o.hair));
  t.top = p.tile(96, 96, o.top);
  t.bottom = p.tile(96, 96, o.bottom);
  t.shoes = p.tile(32, 32, props::solid(o.shoes, 0.05f, 232));
  return t;
}

// A head with hair covering the back and top; returns nothing, the centre is the neck's top end.
void head(Prop& p, const BodyTiles& t, const vec3& centre, bool shortHair) {
  p.sphere(centre, {0.25f, 0.3f, 0.24f}, t.face, props::Projection::X, 12, 8);
  // Shifted back and up: the hair covers the crown and the back and leaves the face free.
  vec3 hairCentre = centre + vec3(-0.07f, 0.08f, 0.0f);
  p.sphere(hairCentre, shortHair ? vec3(0.26f, 0.3f, 0.27f) : vec3(0.28f, 0.34f, 0.28f), t.hair,
           props::Projection::Box, 12, 6);
  for (float z : {-0.24f, 0.24f})
    p.sphere(centre + vec3(0.0f, -0.02f, z), {0.04f, 0.07f, 0.03f}, t.skin, props::Projection::Box,
             6, 3);  // ears
}

enum class Hands { OnLap, Typing };

// Seated cross-legged with the hips on y = 0; the torso leans on a chair back at x = -0.5.
void seatedBody(Prop& p, const BodyTiles& t, bool longSkirt, Hands hands) {
  const float hipX = -0.12f;
  if (longSkirt) {
    // The skirt spreads over the crossed legs: a wide flat base set forward so the back stays
    // clear.
    p.cylinder({0.18f, 0.0f, 0.0f}, 0.6f, 0.28f, t.bottom, 14);
    p.sphere({0.18f, 0.28f, 0.0f}, {0.6f, 0.14f, 0.6f}, t.bottom, props::Projection::Box, 14, 4);
    for (float z : {-0.32f, 0.32f})
      p.sphere({0.72f, 0.1f, z}, {0.1f, 0.07f, 0.08f}, t.shoes, props::Projection::Box, 8, 4);
  } else {
    p.cylinder({hipX, 0.0f, 0.0f}, 0.34f, 0.42f, t.bottom, 12);
    for (float side : {-1.0f, 1.0f}) {
      vec3 hip(0.0f, 0.2f, 0.22f * side), knee(0.45f, 0.17f, 0.68f * side);
      vec3 ankle(0.3f, 0.13f + (side > 0 ? 0.07f : 0.0f), -0.3f * side);
      p.limb(hip, knee, 0.17f, t.bottom);
      p.sphere(knee, vec3(0.16f), t.bottom, props::Projection::Box, 8, 4);
      p.limb(knee, ankle, 0.13f, t.bottom);
      p.box(ankle + vec3(-0.12f, -0.1f, -0.1f), ankle + vec3(0.14f, 0.08f, 0.1f), t.shoes);
    }
  }
  p.sphere({hipX, 0.95f, 0.0f}, {0.27f, 0.62f, 0.44f}, t.top);
  p.limb({-0.1f, 1.5f, 0.0f}, {-0.09f, 1.72f, 0.0f}, 0.1f, t.skin, 8);
  head(p, t, {-0.08f, 1.95f, 0.0f}, true);
  for (float side : {-1.0f, 1.0f}) {
    vec3 shoulder(hipX, 1.4f, 0.44f * side);
    vec3 elbow =
        hands == Hands::Typing ? vec3(0.2f, 0.85f, 0.52f * side) : vec3(0.0f, 0.75f, 0.52f * side);
    vec3 wrist =
        hands == Hands::Typing ? vec3(0.62f, 0.8f, 0.26f * side) : vec3(0.32f, 0.5f, 0.32f * side);
    p.sphere(shoulder, vec3(0.15f), t.top, props::Projection::Box, 8, 4);
    p.limb(shoulder, elbow, 0.12f, t.top);
    p.limb(elbow, wrist, 0.1f, t.top);
    p.sphere(wrist + vec3(0.06f, 0.0f, 0.0f), {0.1f, 0.06f, 0.08f}, t.skin, props::Projection::Box,
             8, 4);
  }
}

// Standing on the floor, feet apart under the body; the right arm is a separate model.
void standingBody(Prop& p, const BodyTiles& t) {
  for (float side : {-1.0f, 1.0f}) {
    // Long, wide-set shoes: a tall body needs a broad base.
    p.box({-0.3f, 0.0f, 0.27f * side - 0.13f}, {0.45f, 0.16f, 0.27f * side + 0.13f}, t.shoes);
    vec3 ankle(0.0f, 0.14f, 0.25f * side), knee(0.03f, 1.0f, 0.24f * side),
        hip(0.0f, 1.8f, 0.22f * side);
    p.limb(ankle, knee, 0.13f, t.bottom);
    p.limb(knee, hip, 0.17f, t.bottom);
  }
  p.sphere({0.0f, 1.85f, 0.0f}, {0.27f, 0.3f, 0.42f}, t.bottom);
  p.sphere({0.0f, 2.45f, 0.0f}, {0.28f, 0.68f, 0.46f}, t.top);
  p.limb({0.0f, 3.0f, 0.0f}, {0.01f, 3.25f, 0.0f}, 0.1f, t.skin, 8);
  head(p, t, {0.02f, 3.5f, 0.0f}, true);
  // Left arm hanging, a beer bottle in the hand.
  vec3 shoulder(0.0f, 3.0f, -0.55f), elbow(0.03f, 2.25f, -0.63f), wrist(0.15f, 1.62f, -0.6f);
  p.sphere(shoulder, vec3(0.17f), t.top, props::Projection::Box, 8, 4);
  p.limb(shoulder, shoulder + 0.45f * (elbow - shoulder), 0.15f, t.top);
  p.limb(shoulder + 0.4f * (elbow - shoulder), elbow, 0.12f, t.skin);
  p.limb(elbow, wrist, 0.1f, t.skin);
  p.sphere(wrist + vec3(0.02f, -0.1f, 0.0f), {0.08f, 0.11f, 0.07f}, t.skin, props::Projection::Box,
           8, 4);
}

// A flattened patch on the chest for a print or a shirt front, in front of the torso's surface.
void chestPatch(Prop& p, const vec3& centre, const vec3& radii, const Tile& t) {
  p.sphere(centre, radii, t, props::Projection::X, 10, 5);
}

Painter knit(const vec3& colour) {
  return [colour](Canvas& c) {
    c.fill([&](float u, float v) {
      float rib =
          std::abs(std::sin(u * 40.0f)) * 0.6f + 0.4f * std::abs(std::sin(v * 60.0f + u * 10.0f));
      return props::shade(colour, 0.75f + 0.35f * rib);
    });
  };
}

bool writeComputerFreak(const std::string& dir) {
  Prop p("computerfreak", 512, props::matte("computerfreak", 0.1f, 16));
  Outfit o{{vec3(0.92f, 0.8f, 0.72f)},
           vec3(0.12f, 0.1f, 0.08f),
           props::fabric(vec3(0.22f, 0.3f, 0.22f), 30, 241),
           denim(vec3(0.2f, 0.3f, 0.55f)),
           vec3(0.85f)};
  o.face.glasses = true;
  BodyTiles t = paintOutfit(p, o);
  Tile print = p.tile(64, 64, [](Canvas& c) {
    props::fabric(vec3(0.22f, 0.3f, 0.22f), 30, 241)(c);
    // A symmetric pixel invader, readable from either side of the hoodie.
    const char* rows[] = {"..#.....#..", "...#...#...", "..#######..", ".##.###.##.",
                          "###########", "#.#######.#", "#.#.....#.#", "...##.##..."};
    for (int r = 0; r < 8; ++r)
      for (int col = 0; col < 11; ++col)
        if (rows[r][col] == '#')
          c.rect(0.12f + col * 0.07f, 0.75f - r * 0.07f, 0.19f + col * 0.07f, 0.82f - r * 0.07f,
                 vec3(0.3f, 0.95f, 0.35f));
  });
  seatedBody(p, t, false, Hands::Typing);
  chestPatch(p, {0.1f, 1.05f, 0.0f}, {0.06f, 0.26f, 0.24f}, print);
  // Hood bunched behind the neck.
  p.sphere({-0.32f, 1.55f, 0.0f}, {0.14f, 0.12f, 0.3f}, t.top, props::Projection::Box, 10, 5);
  return p.write(dir, "computerfreak");
}

bool writeGranny(const std::string& dir) {
  Prop p("granny", 512, props::matte("granny", 0.08f, 12));
  Outfit o{{vec3(0.93f, 0.8f, 0.74f)},
           vec3(0.82f, 0.82f, 0.85f),
           knit(vec3(0.5f, 0.3f, 0.55f)),
           props::fabric(vec3(0.35f, 0.35f, 0.4f), 18, 251),
           vec3(0.3f, 0.2f, 0.15f)};
  o.face.glasses = true;
  o.face.wrinkles = true;
  BodyTiles t = paintOutfit(p, o);
  Tile yarn = p.tile(32, 32, knit(vec3(0.95f, 0.5f, 0.65f)));
  Tile needle = p.tile(16, 16, props::solid(vec3(0.75f), 0.02f));
  seatedBody(p, t, true, Hands::OnLap);
  p.sphere({-0.25f, 2.25f, 0.0f}, vec3(0.15f), t.hair, props::Projection::Box, 8, 4);  // bun
  p.sphere({0.55f, 0.45f, 0.0f}, vec3(0.13f), yarn, props::Projection::Box, 10, 5);
  p.limb({0.3f, 0.5f, 0.3f}, {0.65f, 0.75f, -0.05f}, 0.015f, needle, 4);
  p.limb({0.3f, 0.5f, -0.3f}, {0.65f, 0.75f, 0.05f}, 0.015f, needle, 4);
  return p.write(dir, "granny");
}

bool writeRichMan(const std::string& dir) {
  Prop p("rich_man", 512, props::matte("rich_man", 0.2f, 40));
  vec3 navy(0.1f, 0.12f, 0.22f);
  Outfit o{{vec3(0.9f, 0.75f, 0.65f)},
           vec3(0.35f, 0.25f, 0.15f),
           props::stripes(navy, props::shade(navy, 1.6f), 24, true),
           props::stripes(navy, props::shade(navy, 1.6f), 24, true),
           vec3(0.05f)};
  o.face.monocle = true;
  o.face.moustache = true;
  BodyTiles t = paintOutfit(p, o);
  Tile shirt = p.tile(64, 96, [](Canvas& c) {
    c.fill([](float, float) { return vec3(0.95f); });
    c.rect(0.42f, 0.15f, 0.58f, 0.85f, vec3(0.7f, 0.05f, 0.08f));  // tie
    c.rect(0.38f, 0.8f, 0.62f, 0.92f, vec3(0.6f, 0.03f, 0.05f));
  });
  Tile hat = p.tile(32, 64, props::solid(vec3(0.06f), 0.05f, 261));
  Tile band = p.tile(32, 16, props::solid(vec3(0.5f, 0.05f, 0.05f), 0.03f, 262));
  seatedBody(p, t, false, Hands::OnLap);
  chestPatch(p, {0.1f, 1.15f, 0.0f}, {0.06f, 0.32f, 0.14f}, shirt);
  vec3 top(-0.08f, 2.18f, 0.0f);
  p.cylinder(top, 0.38f, 0.04f, hat, 14);
  p.cylinder(top + vec3(0, 0.04f, 0), 0.25f, 0.08f, band, 12);
  p.cylinder(top + vec3(0, 0.12f, 0), 0.25f, 0.42f, hat, 12);
  return p.write(dir, "rich_man");
}

bool writeRichWoman(const std::string& dir) {
  Prop p("rich_woman", 512, props::matte("rich_woman", 0.3f, 64));
  vec3 red(0.75f, 0.05f, 0.12f);
  Painter silk = [red](Canvas& c) {
    c.fill([&](float u, float v) {
      return props::shade(red, 0.8f + 0.35f * props::fbm(u * 3, v * 8, 271));
    });
  };
  Outfit o{
      {vec3(0.95f, 0.82f, 0.75f)}, vec3(0.95f, 0.8f, 0.4f), silk, silk, vec3(0.7f, 0.05f, 0.1f)};
  o.face.makeUp = true;
  o.face.lips = vec3(0.85f, 0.05f, 0.15f);
  o.face.eyes = vec3(0.2f, 0.45f, 0.7f);
  BodyTiles t = paintOutfit(p, o);
  Tile pearl = p.tile(16, 16, props::solid(vec3(0.97f, 0.95f, 0.9f), 0.03f, 272));
  Tile gold = p.tile(16, 16, props::solid(vec3(0.95f, 0.75f, 0.2f), 0.05f, 273));
  seatedBody(p, t, true, Hands::OnLap);
  p.sphere({-0.18f, 2.3f, 0.0f}, {0.2f, 0.17f, 0.2f}, t.hair, props::Projection::Box, 10,
           5);  // updo
  for (float z : {-0.25f, 0.25f})
    p.sphere({-0.08f, 1.8f, z}, vec3(0.045f), gold, props::Projection::Box, 6, 3);
  const int pearls = 12;
  for (int i = 0; i < pearls; ++i) {
    float a = 6.2831853f * i / pearls;
    p.sphere({-0.1f + 0.17f * std::cos(a), 1.52f - 0.05f * std::cos(a), 0.19f * std::sin(a)},
             vec3(0.04f), pearl, props::Projection::Box, 6, 3);
  }
  // A clutch bag beside her on the seat.
  p.box({-0.1f, 0.3f, -0.72f}, {0.3f, 0.55f, -0.6f}, gold);
  return p.write(dir, "rich_woman");
}

Painter collegeShirt() {
  return [](Canvas& c) {
    c.fill([](float u, float v) {
      return props::shade(vec3(0.85f, 0.55f, 0.1f),
                          0.9f + 0.15f * props::noise(u * 20, v * 20, 281));
    });
  };
}

bool writeCollegeDude(const std::string& dir) {
  Prop p("collegedude", 512, props::matte("collegedude", 0.1f, 16));
  Outfit o{{vec3(0.8f, 0.62f, 0.48f)},
           vec3(0.3f, 0.2f, 0.1f),
           collegeShirt(),
           denim(vec3(0.3f, 0.4f, 0.6f)),
           vec3(0.9f, 0.2f, 0.2f)};
  BodyTiles t = paintOutfit(p, o);
  Tile letter = p.tile(64, 64, [](Canvas& c) {
    collegeShirt()(c);
    c.textCentred("U", 0.5f, 0.12f, 0.75f, vec3(0.15f, 0.1f, 0.45f));
  });
  Tile cap = p.tile(32, 32, props::solid(vec3(0.15f, 0.1f, 0.45f), 0.05f, 282));
  Tile glass = p.tile(16, 16, props::solid(vec3(0.35f, 0.22f, 0.05f), 0.05f, 283));
  standingBody(p, t);
  chestPatch(p, {0.25f, 2.6f, 0.0f}, {0.04f, 0.25f, 0.22f}, letter);
  // Cap worn backwards.
  p.sphere({0.0f, 3.62f, 0.0f}, {0.27f, 0.2f, 0.27f}, cap, props::Projection::Box, 12, 4);
  p.box({-0.5f, 3.6f, -0.16f}, {-0.2f, 3.64f, 0.16f}, cap);
  // The bottle in the left hand.
  p.cylinder({0.2f, 1.25f, -0.6f}, 0.07f, 0.3f, glass, 8);
  p.cylinder({0.2f, 1.55f, -0.6f}, 0.03f, 0.15f, glass, 6);
  return p.write(dir, "collegedude");
}

bool writeCollegeDudeArm(const std::string& dir) {
  Prop p("collegedude_arm", 128, props::matte("collegedude_arm", 0.1f, 16));
  Tile skin = p.tile(32, 32, props::solid(vec3(0.8f, 0.62f, 0.48f), 0.04f, 231));
  Tile sleeve = p.tile(32, 32, collegeShirt());
  // Hanging from the shoulder joint, palm facing back so it faces forward once the arm is raised.
  vec3 shoulder(0.0f, 3.0f, 0.55f), elbow(0.0f, 2.25f, 0.62f), wrist(0.0f, 1.6f, 0.6f);
  p.sphere(shoulder, vec3(0.17f), sleeve, props::Projection::Box, 8, 4);
  p.limb(shoulder, shoulder + 0.45f * (elbow - shoulder), 0.15f, sleeve);
  p.limb(shoulder + 0.4f * (elbow - shoulder), elbow, 0.12f, skin);
  p.limb(elbow, wrist, 0.1f, skin);
  p.box({-0.04f, 1.3f, 0.5f}, {0.04f, 1.6f, 0.7f}, skin);  // palm
  for (int i = 0; i < 4; ++i) {
    float z = 0.52f + 0.053f * i;
    p.limb({0.0f, 1.31f, z}, {0.0f, 1.05f, z + (z - 0.6f) * 0.6f}, 0.022f, skin, 5);
  }
  p.limb({0.0f, 1.45f, 0.5f}, {0.0f, 1.28f, 0.38f}, 0.025f, skin, 5);  // thumb
  return p.write(dir, "collegedude_arm");
}

}  // namespace

bool writePeople(const std::string& resourcesDir) {
  const std::string dir = resourcesDir + "/Human";
  return writeComputerFreak(dir) && writeGranny(dir) && writeRichMan(dir) && writeRichWoman(dir) &&
         writeCollegeDude(dir) && writeCollegeDudeArm(dir);
}

}  // namespace assetgen
