// Censorable objects and their censored variants ("<name>_censored.obj").
//
// A censored variant has the same shape and size: flat pictures (screen, newspaper, poster,
// television, date-night board) turn into a pixelated mosaic under a black CENSORED bar; the
// plant and the statues keep their geometry and get black CENSORED bars across the offending parts.
// Every model, censored or not, is a single mesh: the game loads the censored replacements as
// dynamic bodies, and a dynamic body is one convex hull per mesh.
//
// Facing: pictures face local -Z (screens, poster, television: the level turns -Z towards the
// viewer); the date-night board shows its picture on both sides; statues face local +X like the
// people. Origins are on the surface the object stands on, except the poster, whose origin is the
// centre of its back on the wall.

#include <cmath>
#include <string>

#include <glm/gtc/matrix_transform.hpp>

#include "tools/assetgen/Generators.h"
#include "tools/assetgen/PropKit.h"

namespace assetgen {

namespace {

// A stylised person in a picture: head, hair, torso and legs as ellipses; `lean` tilts the head
// sideways (towards +u for a positive value) so two figures can lean together.
struct FigureStyle {
  vec3 skin{0.95f, 0.75f, 0.62f};
  vec3 hair{0.35f, 0.2f, 0.1f};
  vec3 clothes{0.85f, 0.1f, 0.15f};
  bool swimwear = false;
  bool longHair = false;
};

void figure(Canvas& c, float cu, float v0, float h, const FigureStyle& s, float lean = 0.0f) {
  float aspect = static_cast<float>(c.height()) / c.width();
  float w = h * aspect;  // one unit of figure width in u
  float headV = v0 + h * 0.88f, headU = cu + lean * w * 0.12f;
  if (s.longHair) c.ellipse(headU, headV - h * 0.05f, w * 0.1f, h * 0.11f, s.hair);
  // Legs, then body over them.
  c.ellipse(cu - w * 0.05f, v0 + h * 0.22f, w * 0.05f, h * 0.23f, s.skin);
  c.ellipse(cu + w * 0.05f, v0 + h * 0.22f, w * 0.05f, h * 0.23f, s.skin);
  c.ellipse(cu, v0 + h * 0.45f, w * 0.1f, h * 0.08f, s.skin);    // hips
  c.ellipse(cu, v0 + h * 0.62f, w * 0.085f, h * 0.14f, s.skin);  // torso
  if (s.swimwear) {
    c.rect(cu - w * 0.1f, v0 + h * 0.42f, cu + w * 0.1f, v0 + h * 0.48f, s.clothes);
    c.ellipse(cu - w * 0.04f, v0 + h * 0.66f, w * 0.04f, h * 0.03f, s.clothes);
    c.ellipse(cu + w * 0.04f, v0 + h * 0.66f, w * 0.04f, h * 0.03f, s.clothes);
  } else {
    c.ellipse(cu, v0 + h * 0.6f, w * 0.1f, h * 0.17f, s.clothes);
  }
  c.ellipse(cu - w * 0.11f, v0 + h * 0.6f, w * 0.025f, h * 0.13f, s.skin);  // arms
  c.ellipse(cu + w * 0.11f, v0 + h * 0.6f, w * 0.025f, h * 0.13f, s.skin);
  c.rect(cu - w * 0.02f, v0 + h * 0.74f, cu + w * 0.02f, v0 + h * 0.8f, s.skin);  // neck
  c.ellipse(headU, headV, w * 0.07f, h * 0.08f, s.skin);
  c.ellipse(headU, headV + h * 0.05f, w * 0.075f, h * 0.045f, s.hair);
}

void heart(Canvas& c, float cu, float cv, float size, const vec3& colour) {
  float aspect = static_cast<float>(c.height()) / c.width();
  float su = size * aspect;
  c.ellipse(cu - su * 0.5f, cv + size * 0.2f, su * 0.55f, size * 0.5f, colour);
  c.ellipse(cu + su * 0.5f, cv + size * 0.2f, su * 0.55f, size * 0.5f, colour);
  for (int i = 0; i < 12; ++i) {
    float t = i / 12.0f;
    c.rect(cu - su * (1.0f - t), cv - size * (1.0f - t) * 0.8f + size * 0.0f, cu + su * (1.0f - t),
           cv - size * (1.0f - t) * 0.8f + size * 0.12f, colour);
  }
}

void screenPicture(Canvas& c) {
  c.fill([](float, float v) { return glm::mix(vec3(0.95f, 0.9f, 0.95f), vec3(1.0f), v); });
  c.rect(0, 0.84f, 1, 1, vec3(0.9f, 0.15f, 0.5f));
  c.text("HOT CHAT", 0.03f, 0.87f, 0.1f, vec3(1.0f));
  c.rect(0.8f, 0.87f, 0.97f, 0.97f, vec3(0.75f, 0.05f, 0.1f));
  c.textCentred("XXX", 0.885f, 0.885f, 0.07f, vec3(1.0f));
  FigureStyle styles[4];
  styles[1].hair = vec3(0.95f, 0.8f, 0.35f);
  styles[1].clothes = vec3(0.1f, 0.3f, 0.9f);
  styles[2].skin = vec3(0.6f, 0.4f, 0.28f);
  styles[2].hair = vec3(0.05f);
  styles[3].hair = vec3(0.7f, 0.2f, 0.05f);
  styles[3].clothes = vec3(0.1f, 0.7f, 0.3f);
  for (int i = 0; i < 4; ++i) {
    float u0 = 0.03f + 0.24f * i;
    c.rect(u0, 0.3f, u0 + 0.22f, 0.8f,
           glm::mix(vec3(0.4f, 0.7f, 0.95f), vec3(0.95f, 0.8f, 0.5f), i / 3.0f));
    styles[i].swimwear = true;
    styles[i].longHair = (i % 2) == 1;
    figure(c, u0 + 0.11f, 0.3f, 0.48f, styles[i]);
  }
  for (int i = 0; i < 4; ++i)
    c.rect(0.03f, 0.22f - i * 0.05f, 0.95f - 0.15f * (i % 3), 0.245f - i * 0.05f, vec3(0.6f));
}

void newspaperPage(Canvas& c) {
  c.fill([](float u, float v) {
    return vec3(0.93f, 0.92f, 0.87f) * (0.97f + 0.03f * props::noise(u * 40, v * 40, 301));
  });
  c.textCentred("DAILY GOSSIP", 0.5f, 0.88f, 0.08f, vec3(0.05f));
  c.rect(0.04f, 0.85f, 0.96f, 0.86f, vec3(0.1f));
  c.text("SCANDAL!", 0.05f, 0.7f, 0.11f, vec3(0.7f, 0.05f, 0.05f));
  // Photo: two figures caught together.
  c.rect(0.05f, 0.2f, 0.55f, 0.66f, vec3(0.55f, 0.55f, 0.58f));
  FigureStyle a, b;
  a.clothes = vec3(0.2f);
  b.clothes = vec3(0.35f);
  b.longHair = true;
  b.skin = a.skin = vec3(0.78f);
  a.hair = b.hair = vec3(0.15f);
  figure(c, 0.24f, 0.2f, 0.44f, a, 1.0f);
  figure(c, 0.36f, 0.2f, 0.42f, b, -1.0f);
  for (int col = 0; col < 2; ++col)
    for (int i = 0; i < 11; ++i)
      c.rect(0.6f + col * 0.19f, 0.64f - i * 0.045f, 0.76f + col * 0.19f - 0.04f * (i % 3 == 2),
             0.66f - i * 0.045f, vec3(0.35f));
  for (int i = 0; i < 3; ++i)
    c.rect(0.05f, 0.14f - i * 0.045f, 0.95f, 0.16f - i * 0.045f, vec3(0.35f));
}

void posterPicture(Canvas& c) {
  c.fill([](float u, float v) {
    vec3 sky = glm::mix(vec3(1.0f, 0.55f, 0.2f), vec3(0.45f, 0.15f, 0.5f), v);
    return v < 0.18f ? vec3(0.95f, 0.8f, 0.5f) * (0.9f + 0.1f * props::noise(u * 50, v * 50, 311))
                     : sky;
  });
  c.ellipse(0.5f, 0.45f, 0.3f, 0.21f, vec3(1.0f, 0.85f, 0.3f));  // sun
  FigureStyle s;
  s.swimwear = true;
  s.longHair = true;
  s.hair = vec3(0.95f, 0.8f, 0.35f);
  figure(c, 0.5f, 0.12f, 0.7f, s);
  c.textCentred("HOT", 0.5f, 0.87f, 0.08f, vec3(1.0f, 0.95f, 0.3f));
  c.textCentred("SUMMER", 0.5f, 0.8f, 0.05f, vec3(1.0f));
}

void tvPicture(Canvas& c) {
  c.fill([](float u, float v) {
    if (v > 0.45f)
      return glm::mix(vec3(0.6f, 0.85f, 1.0f), vec3(0.2f, 0.45f, 0.9f), (v - 0.45f) / 0.55f);
    if (v > 0.3f)
      return vec3(0.1f, 0.45f, 0.7f) * (0.9f + 0.2f * props::noise(u * 30, v * 60, 321));
    return vec3(0.95f, 0.85f, 0.6f);
  });
  FigureStyle a, b;
  a.clothes = vec3(0.1f, 0.3f, 0.8f);
  a.swimwear = b.swimwear = true;
  b.longHair = true;
  b.hair = vec3(0.15f, 0.08f, 0.04f);
  figure(c, 0.44f, 0.1f, 0.75f, a, 1.0f);
  figure(c, 0.56f, 0.1f, 0.7f, b, -1.0f);
  heart(c, 0.5f, 0.9f, 0.06f, vec3(0.95f, 0.1f, 0.3f));
  c.rect(0.03f, 0.88f, 0.17f, 0.97f, vec3(0.85f, 0.05f, 0.05f));
  c.text("LIVE", 0.04f, 0.895f, 0.06f, vec3(1.0f));
  c.rect(0, 0, 1, 0.1f, vec3(0.05f, 0.05f, 0.2f));
  c.text("LOVE VILLA - NIGHT 12", 0.04f, 0.025f, 0.05f, vec3(1.0f));
}

void dateNightPicture(Canvas& c) {
  c.fill([](float u, float v) {
    return vec3(0.25f, 0.1f, 0.12f) * (0.8f + 0.4f * props::fbm(u * 3, v * 3, 331));
  });
  c.rect(0, 0, 1, 0.04f, vec3(0.85f, 0.7f, 0.25f));
  c.rect(0, 0.96f, 1, 1, vec3(0.85f, 0.7f, 0.25f));
  c.rect(0, 0, 0.04f, 1, vec3(0.85f, 0.7f, 0.25f));
  c.rect(0.96f, 0, 1, 1, vec3(0.85f, 0.7f, 0.25f));
  c.textCentred("DATE NIGHT", 0.5f, 0.83f, 0.07f, vec3(1.0f, 0.85f, 0.4f));
  c.rect(0.1f, 0.08f, 0.9f, 0.2f, vec3(0.9f));                   // table cloth
  c.rect(0.48f, 0.2f, 0.52f, 0.34f, vec3(0.95f, 0.95f, 0.85f));  // candle
  c.ellipse(0.5f, 0.37f, 0.02f, 0.03f, vec3(1.0f, 0.8f, 0.2f));
  FigureStyle a, b;
  a.clothes = vec3(0.1f);
  b.clothes = vec3(0.8f, 0.05f, 0.15f);
  b.longHair = true;
  b.hair = vec3(0.95f, 0.8f, 0.4f);
  figure(c, 0.38f, 0.05f, 0.72f, a, 1.0f);
  figure(c, 0.62f, 0.05f, 0.68f, b, -1.0f);
  heart(c, 0.5f, 0.7f, 0.05f, vec3(0.95f, 0.2f, 0.35f));
}

// A black block with the CENSORED bar on its four sides.
void censorBlock(Prop& p, const vec3& lo, const vec3& hi, const Tile& black, const Tile& bar) {
  p.box(lo, hi, black);
  const float e = 0.004f;
  vec3 d = hi - lo;
  p.panel({hi.x, lo.y, lo.z - e}, {-d.x, 0, 0}, {0, d.y, 0}, bar);
  p.panel({lo.x, lo.y, hi.z + e}, {d.x, 0, 0}, {0, d.y, 0}, bar);
  p.panel({hi.x + e, lo.y, hi.z}, {0, 0, -d.z}, {0, d.y, 0}, bar);
  p.panel({lo.x - e, lo.y, lo.z}, {0, 0, d.z}, {0, d.y, 0}, bar);
}

struct CensorTiles {
  Tile black, bar;
};

CensorTiles paintCensorTiles(Prop& p) {
  return {p.tile(16, 16, props::solid(vec3(0.02f), 0.0f)), p.tile(192, 48, props::censorBar())};
}

Painter picture(const Painter& p, bool censor) { return censor ? props::censored(p) : p; }

std::string stemOf(const std::string& name, bool censor) {
  return censor ? name + "_censored" : name;
}

bool writeScreen(const std::string& dir, bool censor) {
  Prop p("screen", 512, props::matte("screen", 0.4f, 96));
  Tile plastic = p.tile(32, 32, props::solid(vec3(0.1f), 0.05f, 341));
  Tile image = p.tile(320, 208, picture(screenPicture, censor));
  p.box({-0.3f, 0.0f, -0.25f}, {0.3f, 0.05f, 0.25f}, plastic);  // foot
  p.box({-0.05f, 0.05f, 0.04f}, {0.05f, 0.45f, 0.12f}, plastic);
  p.box({-0.55f, 0.35f, -0.04f}, {0.55f, 1.05f, 0.04f}, plastic);
  p.panel({0.52f, 0.38f, -0.045f}, {-1.04f, 0, 0}, {0, 0.64f, 0}, image);
  return p.write(dir, stemOf("screen", censor));
}

bool writeNewspaper(const std::string& dir, bool censor) {
  Prop p("newspaper", 256, props::matte("newspaper", 0.05f, 8));
  Tile edge = p.tile(32, 32, props::stripes(vec3(0.9f, 0.89f, 0.85f), vec3(0.75f), 12, false));
  Tile page = p.tile(192, 144, picture(newspaperPage, censor));
  p.box({-0.42f, 0.0f, -0.3f}, {0.42f, 0.1f, 0.3f}, edge);
  p.panel({-0.41f, 0.102f, 0.29f}, {0.82f, 0, 0}, {0, 0, -0.58f}, page);
  return p.write(dir, stemOf("newspaper", censor));
}

// Seven-fingered leaf in the plane spanned by `out` and `side`, starting at `base`.
void leaf(Prop& p, const vec3& base, const vec3& out, const vec3& side, float length,
          const Tile& t) {
  const float spread[] = {-1.25f, -0.8f, -0.4f, 0.0f, 0.4f, 0.8f, 1.25f};
  const float scale[] = {0.4f, 0.65f, 0.85f, 1.0f, 0.85f, 0.65f, 0.4f};
  for (int i = 0; i < 7; ++i) {
    vec3 dir = std::cos(spread[i]) * out + std::sin(spread[i]) * side;
    dir.y -= 0.15f * std::abs(spread[i]);  // outer fingers droop
    vec3 tip = base + length * scale[i] * dir;
    vec3 perp = glm::normalize(glm::cross(dir, vec3(0, 1, 0))) * (0.13f * length * scale[i]);
    vec3 mid = base + 0.5f * (tip - base);
    p.panel(base, mid + perp - base, mid - perp - base, t, true);
  }
}

bool writePothead(const std::string& dir, bool censor) {
  Prop p("pothead", 512, props::matte("pothead", 0.15f, 24));
  Tile pot = p.tile(96, 96, props::solid(vec3(0.72f, 0.36f, 0.2f), 0.1f, 351));
  Tile soil = p.tile(32, 32, props::solid(vec3(0.22f, 0.15f, 0.1f), 0.3f, 352));
  Tile stem = p.tile(16, 32, props::solid(vec3(0.3f, 0.45f, 0.15f), 0.1f, 353));
  Painter leafPaint = [](Canvas& c) {
    c.fill([](float u, float v) {
      float rib = std::abs(u - v) < 0.06f ? 0.75f : 1.0f;  // the midrib runs along the diagonal
      return props::shade(vec3(0.2f, 0.55f, 0.15f),
                          rib * (0.85f + 0.3f * props::noise(u * 12, v * 12, 354)));
    });
  };
  Tile leafTile =
      p.tile(64, 64,
             censor ? Painter([](Canvas& c) {
               c.fill([](float u, float v) {
                 float cell = props::noise(std::floor(u * 6) * 3.3f, std::floor(v * 6) * 3.3f, 355);
                 return glm::mix(vec3(0.02f), vec3(0.2f, 0.5f, 0.15f), cell);
               });
             })
                    : leafPaint);

  p.cylinder({0, 0, 0}, 0.42f, 0.72f, pot, 14);
  p.cylinder({0, 0.68f, 0}, 0.5f, 0.16f, pot, 14);
  p.cylinder({0, 0.84f, 0}, 0.44f, 0.01f, soil, 14);
  p.limb({0, 0.8f, 0}, {0, 2.7f, 0}, 0.035f, stem, 6);
  // Leaves in a spiral; longer near the bottom, so the plant is the usual narrow cone.
  const int leaves = 26;
  for (int i = 0; i < leaves; ++i) {
    float t = static_cast<float>(i) / (leaves - 1);
    float y = 0.95f + 1.7f * t;
    float angle = 2.3999632f * i;  // golden angle
    vec3 out(std::cos(angle), 0.25f, -std::sin(angle));
    out = glm::normalize(out);
    vec3 side = glm::normalize(glm::cross(vec3(0, 1, 0), out));
    float length = 0.85f - 0.55f * t;
    vec3 base = vec3(0, y, 0) + out * 0.08f;
    p.limb(vec3(0, y, 0), base, 0.015f, stem, 3);
    leaf(p, base, out, side, length, leafTile);
  }
  p.sphere({0, 2.7f, 0}, {0.06f, 0.1f, 0.06f}, stem, props::Projection::Box, 6, 4);  // bud
  if (censor) {
    CensorTiles ct = paintCensorTiles(p);
    censorBlock(p, {-0.58f, 1.25f, -0.58f}, {0.58f, 1.75f, 0.58f}, ct.black, ct.bar);
  }
  return p.write(dir, stemOf("pothead", censor));
}

bool writePoster(const std::string& dir, bool censor) {
  Prop p("poster", 512, props::matte("poster", 0.1f, 16));
  Tile frame = p.tile(32, 32, props::solid(vec3(0.08f), 0.05f, 361));
  Tile image = p.tile(256, 352, picture(posterPicture, censor));
  // The back lies on local z = 0 (the wall) and the picture looks along -Z into the room.
  p.box({-1.0f, -1.4f, -0.08f}, {1.0f, 1.4f, 0.0f}, frame);
  p.panel({0.93f, -1.33f, -0.085f}, {-1.86f, 0, 0}, {0, 2.66f, 0}, image);
  return p.write(dir, stemOf("poster", censor));
}

bool writeTv(const std::string& dir, bool censor) {
  Prop p("tv", 512, props::matte("tv", 0.5f, 120));
  Tile plastic = p.tile(32, 32, props::solid(vec3(0.06f), 0.05f, 371));
  Tile image = p.tile(448, 256, picture(tvPicture, censor));
  // A flat panel with its back on local z = 0.12: one stands on the mantel against the wall, the
  // other hangs on a wall. The panel's edge and a foot reaching forward make a broad base, so a
  // censored, loose set still stands.
  p.box({-0.45f, 0.0f, -0.35f}, {0.45f, 0.06f, 0.12f}, plastic);
  p.box({-1.05f, 0.0f, -0.04f}, {1.05f, 1.25f, 0.12f}, plastic);
  p.panel({1.0f, 0.1f, -0.045f}, {-2.0f, 0, 0}, {0, 1.1f, 0}, image);
  return p.write(dir, stemOf("tv", censor));
}

bool writeDateNight(const std::string& dir, bool censor) {
  Prop p("datenight", 512, props::matte("datenight", 0.2f, 32));
  Tile wood =
      p.tile(64, 64, props::wood(vec3(0.5f, 0.32f, 0.18f), vec3(0.32f, 0.2f, 0.1f), 5, 381));
  Tile image = p.tile(256, 320, picture(dateNightPicture, censor));
  // Sandwich board: two boards leaning together, feet 0.9 apart, so it stands wherever it lands.
  const float height = 1.3f, foot = 0.45f;
  const float length = std::sqrt(height * height + foot * foot);
  const float tilt = std::atan2(foot, height);
  for (float turn : {0.0f, 3.14159265f}) {
    glm::mat4 m = glm::rotate(glm::mat4(1.0f), turn, vec3(0, 1, 0));
    m = glm::translate(m, {0, 0, foot});
    m = glm::rotate(m, -tilt, vec3(1, 0, 0));
    p.setTransform(m);
    // The board lies on the outer side of its foot line, so no corner dips below the floor.
    p.box({-0.55f, 0.0f, 0.0f}, {0.55f, length, 0.05f}, wood);
    p.panel({-0.5f, 0.06f, 0.054f}, {1.0f, 0, 0}, {0, length - 0.12f, 0}, image);
  }
  p.resetTransform();
  p.limb({-0.5f, height - 0.03f, 0}, {0.5f, height - 0.03f, 0}, 0.04f, wood, 6);  // hinge
  return p.write(dir, stemOf("datenight", censor));
}

// A marble figure on a plinth, facing +X; female adds the curves, the censored variant the bars.
bool writeStatue(const std::string& dir, const std::string& name, bool female, bool censor) {
  Prop p(name, 256, props::matte(name, 0.45f, 80));
  Tile stone = p.tile(
      128, 128,
      props::marble(vec3(0.92f, 0.91f, 0.88f), vec3(0.55f, 0.55f, 0.58f), female ? 391 : 392));
  Tile plinth = p.tile(96, 96, props::marble(vec3(0.55f, 0.56f, 0.58f), vec3(0.25f), 393));
  Tile face = p.tile(64, 64, [](Canvas& c) {
    props::marble(vec3(0.92f, 0.91f, 0.88f), vec3(0.55f, 0.55f, 0.58f), 394)(c);
    for (float u : {0.37f, 0.63f}) c.ellipse(u, 0.55f, 0.06f, 0.03f, vec3(0.7f));
    c.rect(0.47f, 0.42f, 0.53f, 0.52f, vec3(0.8f));
    c.rect(0.42f, 0.3f, 0.58f, 0.33f, vec3(0.65f));
  });

  p.box({-0.55f, 0.0f, -0.55f}, {0.55f, 0.6f, 0.55f}, plinth);
  p.box({-0.5f, 0.6f, -0.5f}, {0.5f, 0.72f, 0.5f}, plinth);
  const float base = 0.72f;
  // Contrapposto: weight on the left leg, right knee bent forward.
  vec3 hipL(0, base + 1.25f, -0.16f), hipR(0, base + 1.25f, 0.16f);
  vec3 footL(0.02f, base + 0.05f, -0.2f), footR(0.12f, base + 0.05f, 0.26f);
  vec3 kneeL(0.02f, base + 0.65f, -0.18f), kneeR(0.14f, base + 0.68f, 0.22f);
  p.limb(footL, kneeL, 0.1f, stone);
  p.limb(kneeL, hipL, female ? 0.14f : 0.13f, stone);
  p.limb(footR, kneeR, 0.1f, stone);
  p.limb(kneeR, hipR, female ? 0.14f : 0.13f, stone);
  for (const vec3& f : {footL, footR})
    p.box(f + vec3(-0.1f, -0.05f, -0.08f), f + vec3(0.2f, 0.04f, 0.08f), stone);
  p.sphere({0, base + 1.32f, 0}, female ? vec3(0.22f, 0.24f, 0.36f) : vec3(0.2f, 0.22f, 0.3f),
           stone);  // hips
  p.sphere({0, base + 1.8f, 0}, female ? vec3(0.2f, 0.45f, 0.28f) : vec3(0.22f, 0.5f, 0.36f),
           stone);
  if (female) {
    for (float z : {-0.12f, 0.12f})
      p.sphere({0.16f, base + 1.95f, z}, vec3(0.1f), stone, props::Projection::Box, 8, 4);
  }
  p.limb({0, base + 2.2f, 0}, {0, base + 2.4f, 0}, 0.07f, stone, 6);
  vec3 head(0.02f, base + 2.55f, 0);
  p.sphere(head, {0.17f, 0.2f, 0.16f}, face, props::Projection::X, 10, 6);
  p.sphere(head + vec3(-0.06f, 0.04f, 0), {0.17f, 0.2f, 0.17f}, stone, props::Projection::Box, 10,
           5);  // hair
  if (female)
    p.sphere(head + vec3(-0.18f, 0.1f, 0), vec3(0.09f), stone, props::Projection::Box, 8,
             4);  // bun
  float shoulderZ = female ? 0.26f : 0.34f;
  vec3 shoulderL(0, base + 2.15f, -shoulderZ), shoulderR(0, base + 2.15f, shoulderZ);
  if (female) {
    // One hand at the chest, the other hanging.
    p.limb(shoulderR, {0.1f, base + 1.7f, 0.32f}, 0.07f, stone);
    p.limb({0.1f, base + 1.7f, 0.32f}, {0.22f, base + 1.95f, 0.05f}, 0.06f, stone);
    p.limb(shoulderL, {0.0f, base + 1.7f, -0.34f}, 0.07f, stone);
    p.limb({0.0f, base + 1.7f, -0.34f}, {0.06f, base + 1.3f, -0.3f}, 0.06f, stone);
  } else {
    // Left hand raised to the shoulder, the right hanging at the side.
    p.limb(shoulderL, {0.08f, base + 1.75f, -0.48f}, 0.09f, stone);
    p.limb({0.08f, base + 1.75f, -0.48f}, {0.15f, base + 2.2f, -0.3f}, 0.075f, stone);
    p.limb(shoulderR, {0.0f, base + 1.65f, 0.42f}, 0.09f, stone);
    p.limb({0.0f, base + 1.65f, 0.42f}, {0.04f, base + 1.2f, 0.4f}, 0.075f, stone);
  }
  if (censor) {
    // Bars round the hips (and the chest), visible from every side.
    CensorTiles ct = paintCensorTiles(p);
    censorBlock(p, {-0.3f, base + 1.18f, -0.4f}, {0.3f, base + 1.45f, 0.4f}, ct.black, ct.bar);
    if (female)
      censorBlock(p, {-0.26f, base + 1.86f, -0.34f}, {0.3f, base + 2.06f, 0.34f}, ct.black, ct.bar);
  }
  return p.write(dir, stemOf(name, censor));
}

}  // namespace

bool writeCensorables(const std::string& resourcesDir) {
  const std::string dir = resourcesDir + "/Censorable";
  for (bool censor : {false, true}) {
    bool ok = writeScreen(dir, censor) && writeNewspaper(dir, censor) &&
              writePothead(dir, censor) && writePoster(dir, censor) && writeTv(dir, censor) &&
              writeDateNight(dir, censor) && writeStatue(dir, "statuemale", false, censor) &&
              writeStatue(dir, "statuefemale", true, censor);
    if (!ok) return false;
  }
  return true;
}

}  // namespace assetgen
