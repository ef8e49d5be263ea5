// Furniture: static props of the flats. Every model is one mesh with a painted atlas (PropKit.h).
//
// Orientation conventions, chosen so the level's placement angles put each piece where it belongs:
// - Wall-standing pieces (kitchen unit, desk, speaker, chimney) have their back on local z = 0 (or
//   just behind it) and face local -Z; the level turns +Z towards the wall they stand against.
// - Seats (chair, couch) face local +Z with the seat centred on the origin, so a person placed at
//   the seat's position and height sits on it.
// - Everything stands on local y = 0; surfaces things are put on sit at the heights the level uses:
//   counter 2.2, desk 2.2, chair seat 1.3, couch seat 1.2, small table 1.2, dining table 2.0,
//   chimney 4.0, basket floor 0.1.

#include <cmath>
#include <string>

#include <glm/gtc/matrix_transform.hpp>

#include "tools/assetgen/Generators.h"
#include "tools/assetgen/PropKit.h"

namespace assetgen {

namespace {

// Quad on a face that looks along -Z (the front of wall-standing pieces), spanning x0..x1, y0..y1.
void frontPanel(Prop& p, float x0, float x1, float y0, float y1, float z, const Tile& t) {
  p.panel({x1, y0, z}, {x0 - x1, 0, 0}, {0, y1 - y0, 0}, t);
}

// Quad on a face that looks up, spanning x0..x1, z0..z1; the picture's top is towards -Z.
void faceUp(Prop& p, float x0, float x1, float z0, float z1, float y, const Tile& t) {
  p.panel({x0, y, z1}, {x1 - x0, 0, 0}, {0, 0, z0 - z1}, t);
}

void cabinetDoor(Canvas& c, const vec3& wood, bool handleLeft) {
  props::wood(props::shade(wood, 1.1f), props::shade(wood, 0.75f), 6, 11)(c);
  vec3 edge = props::shade(wood, 0.6f);
  c.rect(0, 0, 1, 0.03f, edge);
  c.rect(0, 0.97f, 1, 1, edge);
  c.rect(0, 0, 0.03f, 1, edge);
  c.rect(0.97f, 0, 1, 1, edge);
  c.rect(0.12f, 0.1f, 0.88f, 0.12f, props::shade(wood, 0.8f));
  c.rect(0.12f, 0.88f, 0.88f, 0.9f, props::shade(wood, 0.8f));
  float hx = handleLeft ? 0.1f : 0.86f;
  c.rect(hx, 0.55f, hx + 0.04f, 0.8f, vec3(0.75f, 0.75f, 0.78f));
}

void ovenDoor(Canvas& c) {
  c.fill([](float, float v) { return vec3(0.2f + 0.05f * v); });
  c.rect(0.1f, 0.2f, 0.9f, 0.7f, vec3(0.05f, 0.05f, 0.07f));
  c.rect(0.14f, 0.25f, 0.86f, 0.65f, vec3(0.12f, 0.1f, 0.08f));
  c.rect(0.1f, 0.8f, 0.9f, 0.85f, vec3(0.8f));
  for (int i = 0; i < 4; ++i) c.ellipse(0.2f + 0.2f * i, 0.93f, 0.04f, 0.03f, vec3(0.85f));
}

void sink(Canvas& c) {
  c.fill([](float u, float v) { return vec3(0.72f + 0.08f * props::noise(u * 60, v * 2, 5)); });
  c.rect(0.08f, 0.1f, 0.92f, 0.9f, vec3(0.45f, 0.47f, 0.5f));
  c.rect(0.12f, 0.14f, 0.88f, 0.86f, vec3(0.6f, 0.62f, 0.66f));
  c.ellipse(0.5f, 0.5f, 0.06f, 0.08f, vec3(0.15f));
  c.rect(0.46f, 0.9f, 0.54f, 1.0f, vec3(0.85f));
}

void hob(Canvas& c) {
  c.fill([](float, float) { return vec3(0.06f); });
  for (int i = 0; i < 4; ++i) {
    float cu = (i % 2) ? 0.72f : 0.28f, cv = (i / 2) ? 0.72f : 0.28f;
    c.ellipse(cu, cv, 0.2f, 0.2f, vec3(0.3f, 0.3f, 0.32f));
    c.ellipse(cu, cv, 0.15f, 0.15f, vec3(0.08f));
    c.ellipse(cu, cv, 0.05f, 0.05f, vec3(0.35f, 0.05f, 0.03f));
  }
}

void bricks(Canvas& c) {
  c.fill([](float u, float v) {
    float rows = 14, cols = 6;
    int row = static_cast<int>(std::floor(v * rows));
    float x = u * cols + ((row % 2) ? 0.5f : 0.0f);
    float fx = x - std::floor(x), fy = v * rows - row;
    if (fx < 0.05f || fy < 0.1f) return vec3(0.75f, 0.72f, 0.65f);
    float tint = props::noise(std::floor(x) * 3.1f, static_cast<float>(row) * 1.7f, 9);
    return props::shade(vec3(0.62f, 0.28f, 0.2f), 0.8f + 0.4f * tint) *
           (0.9f + 0.1f * props::noise(u * 80, v * 80, 10));
  });
}

void fireplace(Canvas& c) {
  c.fill([](float u, float v) {
    float flame = props::fbm(u * 6, v * 3 - 1.0f, 12) * (1.4f - v) - std::abs(u - 0.5f) * 0.7f;
    if (v < 0.18f)
      return vec3(0.25f, 0.15f, 0.1f) * (0.6f + 0.6f * props::noise(u * 30, v * 30, 13));
    if (flame > 0.3f)
      return glm::mix(vec3(0.9f, 0.3f, 0.05f), vec3(1.0f, 0.9f, 0.4f), (flame - 0.3f) * 2.5f);
    return vec3(0.05f, 0.04f, 0.04f);
  });
  c.rect(0.15f, 0.12f, 0.85f, 0.18f, vec3(0.3f, 0.18f, 0.1f));
}

void speakerFront(Canvas& c) {
  c.fill([](float u, float v) { return vec3(0.07f + 0.03f * props::noise(u * 120, v * 300, 14)); });
  auto cone = [&](float cv, float r) {
    float ru = r, rv = r / 3.0f;  // the front is three times as high as wide
    c.ellipse(0.5f, cv, ru, rv, vec3(0.35f));
    c.ellipse(0.5f, cv, ru * 0.88f, rv * 0.88f, vec3(0.12f));
    c.ellipse(0.5f, cv, ru * 0.35f, rv * 0.35f, vec3(0.22f));
  };
  cone(0.22f, 0.4f);
  cone(0.52f, 0.4f);
  cone(0.8f, 0.18f);
  c.textCentred("BASS", 0.5f, 0.03f, 0.012f, vec3(0.7f));
}

void keyboard(Canvas& c) {
  c.fill([](float, float) { return vec3(0.1f); });
  for (int row = 0; row < 5; ++row)
    for (int k = 0; k < 15; ++k)
      c.rect(0.02f + k * 0.064f, 0.06f + row * 0.18f, 0.075f + k * 0.064f, 0.2f + row * 0.18f,
             vec3(0.25f));
  c.rect(0.25f, 0.06f, 0.7f, 0.2f, vec3(0.3f));
}

void towerFront(Canvas& c) {
  c.fill([](float, float v) { return vec3(0.12f + 0.04f * v); });
  c.rect(0.1f, 0.75f, 0.9f, 0.85f, vec3(0.05f));
  c.ellipse(0.5f, 0.6f, 0.08f, 0.05f, vec3(0.1f, 0.8f, 1.0f));
  for (int i = 0; i < 8; ++i) c.rect(0.2f, 0.1f + i * 0.05f, 0.8f, 0.12f + i * 0.05f, vec3(0.04f));
}

void papers(Canvas& c) {
  c.fill([](float, float) { return vec3(0.95f, 0.95f, 0.92f); });
  for (int i = 0; i < 12; ++i)
    c.rect(0.1f, 0.1f + i * 0.065f, 0.2f + 0.7f * ((i * 37) % 10) / 10.0f, 0.12f + i * 0.065f,
           vec3(0.3f));
}

bool writeKitchenUnit(const std::string& dir) {
  Prop p("kitchenunit", 512, props::matte("kitchen", 0.25f, 64));
  vec3 oak(0.72f, 0.55f, 0.35f);
  Tile carcass = p.tile(64, 64, props::wood(vec3(0.78f, 0.62f, 0.42f), vec3(0.6f, 0.45f, 0.3f), 5));
  Tile plinth = p.tile(16, 16, props::solid(vec3(0.15f)));
  Tile counter = p.tile(128, 64, [](Canvas& c) {
    c.fill([](float u, float v) {
      float speck = props::noise(u * 200, v * 100, 21);
      return speck > 0.8f
                 ? vec3(0.85f)
                 : vec3(0.25f, 0.25f, 0.27f) * (0.8f + 0.4f * props::fbm(u * 10, v * 5, 22));
    });
  });
  Tile doorL = p.tile(80, 144, [&](Canvas& c) { cabinetDoor(c, oak, true); });
  Tile doorR = p.tile(80, 144, [&](Canvas& c) { cabinetDoor(c, oak, false); });
  Tile oven = p.tile(80, 144, ovenDoor);
  Tile sinkTile = p.tile(128, 128, sink);
  Tile hobTile = p.tile(128, 128, hob);
  Tile splash = p.tile(128, 32, [](Canvas& c) {
    c.fill([](float u, float v) {
      float fx = u * 16 - std::floor(u * 16), fy = v * 4 - std::floor(v * 4);
      return (fx < 0.06f || fy < 0.12f) ? vec3(0.7f) : vec3(0.85f, 0.9f, 0.88f);
    });
  });
  Tile steel = p.tile(32, 32, props::solid(vec3(0.7f, 0.71f, 0.74f), 0.05f, 24));

  p.box({-1.0f, 0.15f, -1.7f}, {2.6f, 2.05f, 0.0f}, carcass);
  p.box({-1.0f, 0.0f, -1.6f}, {2.6f, 0.15f, 0.0f}, plinth);
  p.box({-1.05f, 2.05f, -1.8f}, {2.65f, 2.2f, 0.15f}, counter);
  p.box({-1.05f, 2.2f, 0.07f}, {2.65f, 2.9f, 0.15f}, splash);
  const float front = -1.705f;
  frontPanel(p, -0.98f, -0.02f, 0.2f, 2.0f, front, doorL);
  frontPanel(p, 0.02f, 0.98f, 0.2f, 2.0f, front, doorR);
  frontPanel(p, 1.02f, 1.98f, 0.2f, 2.0f, front, oven);
  frontPanel(p, 2.02f, 2.58f, 0.2f, 2.0f, front, doorR);
  faceUp(p, -0.85f, 0.25f, -1.55f, -0.35f, 2.205f, sinkTile);
  faceUp(p, 1.15f, 1.85f, -1.5f, -0.6f, 2.205f, hobTile);
  // Tap behind the sink.
  p.limb({-0.3f, 2.2f, -0.2f}, {-0.3f, 2.65f, -0.2f}, 0.04f, plinth);
  p.limb({-0.3f, 2.65f, -0.2f}, {-0.3f, 2.6f, -0.7f}, 0.035f, plinth);
  // Wall cupboards and a hood over the hob, high enough above the counter for what stands on it.
  p.box({-1.0f, 3.4f, -0.9f}, {1.0f, 4.8f, 0.0f}, carcass);
  p.box({2.0f, 3.4f, -0.9f}, {2.6f, 4.8f, 0.0f}, carcass);
  frontPanel(p, -0.98f, -0.02f, 3.45f, 4.75f, -0.905f, doorR);
  frontPanel(p, 0.02f, 0.98f, 3.45f, 4.75f, -0.905f, doorL);
  frontPanel(p, 2.02f, 2.58f, 3.45f, 4.75f, -0.905f, doorL);
  p.box({1.05f, 3.7f, -1.1f}, {1.95f, 4.0f, 0.0f}, steel);
  p.box({1.3f, 4.0f, -0.5f}, {1.7f, 4.8f, 0.0f}, steel);
  return p.write(dir, "kitchenunit_low");
}

bool writeDesk(const std::string& dir) {
  Prop p("desk", 512, props::matte("desk", 0.2f, 48));
  Tile top =
      p.tile(192, 96, props::wood(vec3(0.85f, 0.8f, 0.72f), vec3(0.7f, 0.64f, 0.55f), 4, 31));
  Tile body = p.tile(64, 64, props::solid(vec3(0.82f, 0.8f, 0.76f), 0.04f));
  Tile drawers = p.tile(64, 128, [](Canvas& c) {
    props::solid(vec3(0.82f, 0.8f, 0.76f), 0.04f)(c);
    for (int i = 0; i < 3; ++i) {
      c.rect(0.05f, 0.33f * i + 0.02f, 0.95f, 0.33f * i + 0.03f, vec3(0.4f));
      c.rect(0.35f, 0.33f * i + 0.22f, 0.65f, 0.33f * i + 0.25f, vec3(0.3f));
    }
  });
  Tile metal = p.tile(16, 16, props::solid(vec3(0.3f), 0.02f));
  Tile keys = p.tile(192, 64, keyboard);
  Tile tower = p.tile(64, 128, towerFront);
  Tile paper = p.tile(64, 64, papers);

  // The top reaches 0.3 behind the origin, up to the wall the desk stands against.
  p.box({-2.0f, 2.05f, -2.0f}, {2.0f, 2.2f, 0.3f}, top);
  p.box({-1.95f, 0.0f, -1.9f}, {-1.15f, 2.05f, -0.05f}, body);  // drawer pedestal
  frontPanel(p, -1.9f, -1.2f, 0.1f, 1.95f, -1.905f, drawers);
  p.box({1.8f, 0.0f, -1.9f}, {1.95f, 2.05f, -1.75f}, metal);
  p.box({1.8f, 0.0f, -0.25f}, {1.95f, 2.05f, -0.1f}, metal);
  p.box({-1.15f, 0.9f, -0.2f}, {1.8f, 2.05f, -0.1f}, body);  // modesty panel
  p.box({-0.75f, 2.2f, -1.8f}, {0.55f, 2.26f, -1.45f}, keys, props::Projection::Y);
  p.box({0.8f, 2.2f, -1.7f}, {0.95f, 2.25f, -1.5f}, metal);  // mouse
  p.box({1.65f, 2.2f, -1.4f}, {1.95f, 2.24f, -0.2f}, paper, props::Projection::Y);
  p.box({0.9f, 0.0f, -1.3f}, {1.55f, 1.5f, -0.3f}, metal);  // computer tower under the desk
  frontPanel(p, 0.9f, 1.55f, 0.05f, 1.45f, -1.305f, tower);
  return p.write(dir, "desk_low");
}

bool writeChair(const std::string& dir) {
  Prop p("chair", 256, props::matte("chair", 0.2f, 48));
  Tile frame =
      p.tile(64, 128, props::wood(vec3(0.45f, 0.28f, 0.16f), vec3(0.3f, 0.17f, 0.09f), 6, 41));
  Tile cushion = p.tile(64, 64, props::fabric(vec3(0.55f, 0.12f, 0.14f), 16));
  Tile back = p.tile(96, 128, [](Canvas& c) {
    props::fabric(vec3(0.55f, 0.12f, 0.14f), 16)(c);
    c.rect(0.0f, 0.0f, 1.0f, 0.05f, vec3(0.35f, 0.22f, 0.12f));
    c.rect(0.0f, 0.95f, 1.0f, 1.0f, vec3(0.35f, 0.22f, 0.12f));
  });

  for (float x : {-0.55f, 0.45f})
    for (float z : {-0.6f, 0.5f}) p.box({x, 0.0f, z}, {x + 0.1f, 1.15f, z + 0.1f}, frame);
  p.box({-0.6f, 1.05f, -0.6f}, {0.6f, 1.15f, 0.6f}, frame);
  p.box({-0.58f, 1.15f, -0.58f}, {0.58f, 1.3f, 0.58f}, cushion);
  // High back: two posts and an upholstered panel, behind the seated person's back.
  p.box({-0.6f, 1.15f, -0.62f}, {-0.48f, 3.25f, -0.5f}, frame);
  p.box({0.48f, 1.15f, -0.62f}, {0.6f, 3.25f, -0.5f}, frame);
  p.box({-0.48f, 1.6f, -0.6f}, {0.48f, 3.15f, -0.52f}, back);
  p.box({-0.62f, 3.15f, -0.64f}, {0.62f, 3.3f, -0.48f}, frame);
  return p.write(dir, "chair_high");
}

bool writeCouch(const std::string& dir) {
  Prop p("couch", 256, props::matte("couch", 0.1f, 16));
  vec3 cloth(0.22f, 0.35f, 0.55f);
  Tile body = p.tile(96, 96, props::fabric(cloth, 20, 51));
  Tile seat = p.tile(96, 96, [&](Canvas& c) {
    props::fabric(props::shade(cloth, 1.15f), 20, 52)(c);
    c.rect(0, 0, 1, 0.04f, props::shade(cloth, 0.7f));
    c.rect(0, 0.96f, 1, 1, props::shade(cloth, 0.7f));
    c.rect(0, 0, 0.03f, 1, props::shade(cloth, 0.7f));
    c.rect(0.97f, 0, 1, 1, props::shade(cloth, 0.7f));
  });
  Tile feet = p.tile(16, 16, props::solid(vec3(0.2f, 0.12f, 0.07f)));

  for (float x : {-2.4f, 2.4f})
    for (float z : {-0.9f, 0.7f}) p.cylinder({x, 0.0f, z}, 0.08f, 0.2f, feet, 6);
  p.box({-2.2f, 0.2f, -0.7f}, {2.2f, 0.9f, 0.9f}, body);
  p.box({-2.6f, 0.2f, -1.1f}, {2.6f, 2.6f, -0.7f}, body);  // backrest
  p.box({-2.6f, 0.2f, -0.7f}, {-2.2f, 1.8f, 0.9f}, body);  // armrests
  p.box({2.2f, 0.2f, -0.7f}, {2.6f, 1.8f, 0.9f}, body);
  const float cushionX[] = {-2.2f, -0.74f, 0.74f, 2.2f};
  for (int i = 0; i < 3; ++i)
    p.box({cushionX[i] + 0.01f, 0.9f, -0.7f}, {cushionX[i + 1] - 0.01f, 1.2f, 0.9f}, seat);
  return p.write(dir, "couch_low");
}

bool writeSmallTable(const std::string& dir) {
  Prop p("smalltable", 256, props::matte("smalltable", 0.3f, 64));
  Tile top =
      p.tile(128, 96, props::wood(vec3(0.55f, 0.36f, 0.2f), vec3(0.38f, 0.23f, 0.12f), 7, 61));
  Tile legs = p.tile(32, 64, props::wood(vec3(0.4f, 0.25f, 0.14f), vec3(0.3f, 0.18f, 0.1f), 3, 62));

  p.box({-1.2f, 1.08f, -0.8f}, {1.2f, 1.2f, 0.8f}, top);
  for (float x : {-1.1f, 0.98f})
    for (float z : {-0.7f, 0.58f}) p.box({x, 0.0f, z}, {x + 0.12f, 1.08f, z + 0.12f}, legs);
  p.box({-1.05f, 0.3f, -0.65f}, {1.05f, 0.36f, 0.65f}, top);  // lower shelf
  return p.write(dir, "smalltable_low");
}

bool writeCatBasket(const std::string& dir) {
  Prop p("catbasket", 256, props::matte("catbasket", 0.05f, 8));
  Tile wicker = p.tile(128, 64, [](Canvas& c) {
    c.fill([](float u, float v) {
      float a = std::sin(u * 40 * 6.2831853f + std::sin(v * 8 * 6.2831853f) * 2);
      float b = std::sin(v * 8 * 6.2831853f);
      return props::shade(vec3(0.75f, 0.58f, 0.32f),
                          0.75f + 0.2f * a * b + 0.1f * props::noise(u * 50, v * 50, 71));
    });
  });
  Tile cushion = p.tile(64, 64, props::fabric(vec3(0.75f, 0.25f, 0.3f), 12, 72));

  const float radius = 0.75f;
  const int segments = 14;
  p.cylinder({0, 0, 0}, radius, 0.1f, cushion, 20);
  for (int i = 0; i < segments; ++i) {
    float a = 6.2831853f * i / segments, b = 6.2831853f * (i + 1) / segments;
    p.setTransform(glm::rotate(glm::mat4(1.0f), a + 0.5f * (b - a), vec3(0, 1, 0)));
    float half = radius * std::tan(3.14159265f / segments) + 0.02f;
    p.box({radius - 0.05f, 0.0f, -half}, {radius + 0.05f, 0.45f, half}, wicker);
    p.resetTransform();
    vec3 ra(radius * std::cos(a), 0.47f, -radius * std::sin(a)),
        rb(radius * std::cos(b), 0.47f, -radius * std::sin(b));
    p.limb(ra, rb, 0.07f, wicker, 6);
  }
  return p.write(dir, "catbasket_low");
}

bool writeSleepingCat(const std::string& dir) {
  Prop p("sleepingcat", 256, props::matte("sleepingcat", 0.05f, 8));
  vec3 ginger(0.85f, 0.5f, 0.2f);
  Tile fur = p.tile(128, 128, [&](Canvas& c) {
    c.fill([&](float u, float v) {
      float stripe =
          0.5f + 0.5f * std::sin((u * 7 + props::fbm(u * 3, v * 3, 81) * 1.2f) * 6.2831853f);
      return props::shade(ginger,
                          0.8f + 0.2f * stripe + 0.08f * (props::noise(u * 60, v * 60, 82) - 0.5f));
    });
  });
  Tile face = p.tile(96, 96, [&](Canvas& c) {
    props::solid(ginger, 0.08f, 83)(c);
    c.rect(0.22f, 0.55f, 0.42f, 0.59f, vec3(0.1f));  // closed eyes
    c.rect(0.58f, 0.55f, 0.78f, 0.59f, vec3(0.1f));
    c.ellipse(0.5f, 0.42f, 0.05f, 0.04f, vec3(0.9f, 0.55f, 0.6f));
    c.ellipse(0.5f, 0.3f, 0.2f, 0.1f, vec3(0.95f, 0.9f, 0.85f));
  });
  Tile innerEar = p.tile(16, 16, props::solid(props::shade(ginger, 0.8f), 0.05f, 84));

  // Curled up: body ring, head resting on the front paws, tail wrapped round.
  p.sphere({0.0f, 0.2f, 0.0f}, {0.45f, 0.2f, 0.33f}, fur);
  p.sphere({0.32f, 0.2f, 0.17f}, {0.15f, 0.14f, 0.15f}, face, props::Projection::X, 10, 6);
  for (float z : {0.08f, 0.26f}) {
    p.setTransform(glm::rotate(glm::translate(glm::mat4(1.0f), {0.33f, 0.36f, z}),
                               (z - 0.17f) * -3.0f, vec3(1, 0, 0)));
    p.sphere({0, 0, 0}, {0.025f, 0.08f, 0.05f}, innerEar, props::Projection::Box, 6, 4);
    p.resetTransform();
  }
  p.sphere({0.38f, 0.06f, 0.05f}, {0.1f, 0.06f, 0.07f}, fur, props::Projection::Box, 8, 4);  // paws
  const int tailPoints = 7;
  vec3 previous;
  for (int i = 0; i < tailPoints; ++i) {
    float a = 3.5f - 2.4f * i / (tailPoints - 1);  // around the back towards the nose
    vec3 point(0.44f * std::cos(a), 0.06f, -0.34f * std::sin(a));
    if (i > 0) p.limb(previous, point, 0.05f - 0.003f * i, fur, 6);
    previous = point;
  }
  return p.write(dir, "sleepingcat_low");
}

bool writeBottle(const std::string& dir) {
  Material glass = props::matte("bottleglass", 0.7f, 128);
  glass.opacity = 0.75f;
  Prop p("bottle", 128, glass);
  Tile body = p.tile(64, 96, [](Canvas& c) {
    c.fill([](float u, float) {
      return vec3(0.12f, 0.45f, 0.18f) * (0.8f + 0.4f * std::abs(std::sin(u * 3.1f)));
    });
    c.rect(0, 0.35f, 1, 0.75f, vec3(0.92f, 0.88f, 0.7f));
    c.rect(0, 0.48f, 1, 0.62f, vec3(0.75f, 0.1f, 0.1f));
  });
  Tile neck = p.tile(16, 16, props::solid(vec3(0.12f, 0.45f, 0.18f), 0.05f));
  Tile cap = p.tile(16, 16, props::solid(vec3(0.8f, 0.7f, 0.2f), 0.05f));

  p.cylinder({0, 0, 0}, 0.11f, 0.42f, body, 12);
  p.sphere({0, 0.42f, 0}, {0.11f, 0.11f, 0.11f}, neck, props::Projection::Box, 12, 6);
  p.cylinder({0, 0.48f, 0}, 0.045f, 0.24f, neck, 8);
  p.cylinder({0, 0.72f, 0}, 0.05f, 0.04f, cap, 8);
  return p.write(dir, "bottle");
}

bool writeSpeaker(const std::string& dir) {
  Prop p("speaker", 256, props::matte("speaker", 0.35f, 64));
  Tile cabinet =
      p.tile(64, 64, props::wood(vec3(0.2f, 0.14f, 0.1f), vec3(0.1f, 0.07f, 0.05f), 5, 91));
  Tile front = p.tile(96, 224, speakerFront);
  Tile rim = p.tile(16, 16, props::solid(vec3(0.3f), 0.02f));

  p.box({-0.5f, 0.1f, -0.45f}, {0.5f, 3.0f, 0.45f}, cabinet);
  frontPanel(p, -0.48f, 0.48f, 0.12f, 2.98f, -0.455f, front);
  // Raised rims round the two woofers so the cones read from the side as well.
  for (float y : {0.12f + 0.22f * 2.86f, 0.12f + 0.52f * 2.86f}) {
    const int n = 12;
    for (int i = 0; i < n; ++i) {
      float a = 6.2831853f * i / n, b = 6.2831853f * (i + 1) / n;
      p.limb({0.38f * std::cos(a), y + 0.38f * std::sin(a), -0.47f},
             {0.38f * std::cos(b), y + 0.38f * std::sin(b), -0.47f}, 0.03f, rim, 4);
    }
  }
  for (float x : {-0.4f, 0.3f})
    for (float z : {-0.35f, 0.25f}) p.box({x, 0.0f, z}, {x + 0.1f, 0.1f, z + 0.1f}, rim);
  return p.write(dir, "speaker_low");
}

bool writeChimney(const std::string& dir) {
  Prop p("chimney", 512, props::matte("chimney", 0.1f, 16));
  Tile brick = p.tile(160, 192, bricks);
  Tile stone = p.tile(64, 64, props::marble(vec3(0.75f, 0.73f, 0.7f), vec3(0.45f), 101));
  Tile fire = p.tile(128, 96, fireplace);

  // The back is on local z = 0.15, against the wall that carries the television. The mantel is
  // shallow, so the television standing at its back still faces the room over the front edge: a
  // box thrown at the screen from the floor clears the edge instead of landing in front of it.
  p.box({-1.8f, 0.0f, -1.1f}, {1.8f, 0.15f, 0.15f}, stone);  // hearth
  p.box({-1.5f, 0.15f, -0.5f}, {1.5f, 3.85f, 0.15f}, brick);
  p.box({-1.7f, 3.85f, -0.6f}, {1.7f, 4.0f, 0.15f}, stone);  // mantel: the television stands on it
  frontPanel(p, -0.85f, 0.85f, 0.15f, 1.6f, -0.505f, fire);
  return p.write(dir, "chimney_high");
}

bool writeDiningTable(const std::string& dir) {
  Prop p("diningtable", 512, props::matte("diningtable", 0.35f, 80));
  Tile top =
      p.tile(256, 96, props::wood(vec3(0.45f, 0.22f, 0.12f), vec3(0.3f, 0.13f, 0.07f), 9, 111));
  Tile legs =
      p.tile(32, 96, props::wood(vec3(0.38f, 0.19f, 0.1f), vec3(0.26f, 0.11f, 0.06f), 3, 112));
  Tile runner = p.tile(192, 48, [](Canvas& c) {
    c.fill([](float u, float v) {
      bool border = v < 0.15f || v > 0.85f;
      float pattern = std::sin(u * 60) * std::sin(v * 20);
      return border ? vec3(0.8f, 0.65f, 0.2f)
                    : vec3(0.92f, 0.9f, 0.85f) * (0.95f + 0.05f * pattern);
    });
  });

  p.box({-3.5f, 1.88f, -1.2f}, {3.5f, 2.0f, 1.2f}, top);
  for (float x : {-3.3f, 3.1f})
    for (float z : {-1.0f, 0.8f}) p.box({x, 0.0f, z}, {x + 0.2f, 1.88f, z + 0.2f}, legs);
  // Aprons high enough for the chairs' seats (1.3) to slide beneath.
  p.box({-3.1f, 1.65f, -1.0f}, {3.1f, 1.88f, -0.94f}, legs);
  p.box({-3.1f, 1.65f, 0.94f}, {3.1f, 1.88f, 1.0f}, legs);
  faceUp(p, -2.8f, 2.8f, -0.45f, 0.45f, 2.003f, runner);
  return p.write(dir, "diningtable_high");
}

}  // namespace

bool writeFurniture(const std::string& resourcesDir) {
  const std::string dir = resourcesDir + "/Furniture";
  return writeKitchenUnit(dir) && writeDesk(dir) && writeChair(dir) && writeCouch(dir) &&
         writeSmallTable(dir) && writeCatBasket(dir) && writeSleepingCat(dir) && writeBottle(dir) &&
         writeSpeaker(dir) && writeChimney(dir) && writeDiningTable(dir);
}

}  // namespace assetgen
