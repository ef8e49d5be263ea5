// The building shell: hallway, staircase, the two apartment types and the apartment door.
//
// The measures of corridor, storeys and stair hall are the building plan's (scene/BuildingPlan.h);
// where the apartments and their doors stand, the level layout's. Storey ceilings are at 5.5 and
// 11.5, slabs up to the next floor surface; the apartment fronts stand on the corridor's sides
// with the door openings at the apartment origins.
// Every solid is a closed box: collision uses the triangles themselves, so walls have thickness.

#include <algorithm>
#include <cmath>
#include <functional>
#include <iostream>
#include <vector>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "scene/BuildingPlan.h"
#include "scene/LevelLayout.h"
#include "tools/assetgen/Generators.h"
#include "tools/assetgen/ModelBuilder.h"

namespace assetgen {

namespace {

constexpr float kPi = 3.14159265358979f;

// ---------------------------------------------------------------------------------------------
// Textures. Each is a function of (u, v) in [0, 1) giving a colour and a height; every pattern
// repeats a whole number of times across the square so the images tile without seams.

struct Texel {
  glm::vec3 colour;
  float height;
};
using TexelFunction = std::function<Texel(float u, float v)>;

float fract(float x) { return x - std::floor(x); }

float smoothstep(float e0, float e1, float x) {
  const float t = glm::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
  return t * t * (3.0f - 2.0f * t);
}

// The diffuse map of a surface that gives off light (a lamp's glass) is a PNG with every texel
// transparent: the lighting program makes transparent texels glow. Others are JPEGs.
std::string diffuseMapFile(const std::string& name, bool glows) {
  return "Textures/" + name + (glows ? ".png" : ".jpg");
}

// Writes the diffuse map and, with a bump strength above 0, Textures/<name>_normal.png.
bool writeTexture(const std::string& dir, const std::string& name, int size, float bumpStrength,
                  const TexelFunction& texel, bool glows) {
  Image colour(size, size);
  HeightField heights(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const Texel t = texel((static_cast<float>(x) + 0.5f) / static_cast<float>(size),
                            (static_cast<float>(y) + 0.5f) / static_cast<float>(size));
      colour.set(x, y, t.colour);
      heights.at(x, y) = t.height;
    }
  }
  colour.alpha = glows ? 0 : 255;
  if (!writeImage(colour, dir + "/" + diffuseMapFile(name, glows))) return false;
  return bumpStrength <= 0.0f || writeImage(normalMapFromHeights(heights, bumpStrength),
                                            dir + "/Textures/" + name + "_normal.png");
}

// Hallway paint, one storey (6 units) per repeat: a dark wainscot up to 1.5 with a rail, light
// plaster above.
Texel hallPlaster(float u, float v) {
  const float grain = tileableFbm(u, v, 16, 4, 3u);
  const float trowel = tileableFbm(u, v * 2.0f, 4, 3, 4u);
  glm::vec3 colour = glm::vec3(0.88f, 0.84f, 0.76f) * (0.93f + 0.08f * grain + 0.04f * trowel);
  float height = 0.3f * grain + 0.2f * trowel;
  const float rail = 0.25f, railHalf = 0.008f;
  if (v < rail - railHalf) {
    colour = glm::vec3(0.22f, 0.36f, 0.36f) * (0.92f + 0.1f * grain);
    // Vertical boards of the wainscot.
    const float board = fract(u * 12.0f);
    if (board < 0.03f) {
      colour *= 0.7f;
      height -= 0.5f;
    }
  } else if (v < rail + railHalf) {
    colour =
        glm::vec3(0.42f, 0.3f, 0.2f) * (0.9f + 0.2f * std::cos((v - rail) / railHalf * kPi * 0.5f));
    height = 1.5f;
  }
  return {colour, height};
}

// Striped wallpaper with small diamonds between the stripes.
Texel wallpaperLow(float u, float v) {
  const float paper = tileableFbm(u, v, 32, 3, 7u);
  const float stripe = fract(u * 8.0f);
  glm::vec3 colour = glm::vec3(0.84f, 0.82f, 0.7f);
  if (stripe > 0.38f && stripe < 0.62f) colour = glm::vec3(0.62f, 0.7f, 0.58f);
  if (std::abs(stripe - 0.38f) < 0.012f || std::abs(stripe - 0.62f) < 0.012f)
    colour = glm::vec3(0.5f, 0.56f, 0.45f);
  // Diamonds centred on the light band between the stripes.
  const float du = std::min(stripe, 1.0f - stripe);
  const float dv = std::abs(fract(v * 16.0f) - 0.5f);
  if (du * 2.0f + dv * 0.5f < 0.09f) colour = glm::vec3(0.72f, 0.52f, 0.42f);
  return {colour * (0.94f + 0.1f * paper), 0.2f * paper};
}

// Damask-like ornament on deep red, for the richer upper flats.
Texel wallpaperHigh(float u, float v) {
  const float paper = tileableFbm(u, v, 32, 3, 9u);
  // A diamond lattice: rotate the unit cells by 45 degrees.
  const float a = fract((u + v) * 3.0f) - 0.5f;
  const float b = fract((u - v) * 3.0f) - 0.5f;
  const float r = std::sqrt(a * a + b * b);
  const float theta = std::atan2(b, a);
  const float petals = 0.22f + 0.09f * std::cos(4.0f * theta) + 0.03f * std::cos(8.0f * theta);
  const float ornament = 1.0f - smoothstep(petals - 0.02f, petals + 0.02f, r);
  const float ring = 1.0f - smoothstep(0.01f, 0.025f, std::abs(r - 0.38f));
  const float mark = std::max(ornament * (r > 0.06f ? 1.0f : 0.0f), ring * 0.8f);
  const glm::vec3 base(0.5f, 0.12f, 0.13f);
  const glm::vec3 gold(0.78f, 0.6f, 0.32f);
  return {glm::mix(base, gold, mark) * (0.92f + 0.12f * paper), 0.4f * mark + 0.1f * paper};
}

// Oak planks running along u: 8 rows across the texture, staggered joints, grain and gaps.
Texel woodPlanks(float u, float v) {
  const int rows = 8;
  const int row = static_cast<int>(v * rows) % rows;
  const float offset = fract(static_cast<float>(row) * 0.375f);  // every row its own joint
  const float along = fract(u + offset) * 2.0f;  // two planks per row across the texture
  const int plank = static_cast<int>(along) + 2 * row;
  const float across = fract(v * rows);
  const float tone = latticeHash(plank, 7, 22u);
  const float grain = tileableFbm(u, v * 8.0f, 4, 4, 23u + static_cast<uint32_t>(plank));
  const float rings = 0.5f + 0.5f * std::sin((across * 6.0f + grain * 5.0f) * kPi * 2.0f);
  glm::vec3 colour = glm::mix(glm::vec3(0.5f, 0.32f, 0.17f), glm::vec3(0.68f, 0.47f, 0.26f),
                              0.35f * tone + 0.35f * rings + 0.3f * grain);
  float height = 0.8f + 0.1f * grain;
  const float edgeAcross = std::min(across, 1.0f - across) * 0.5f;  // in plank-row units / 2
  const float edgeAlong = std::min(fract(along), 1.0f - fract(along)) * 0.25f;
  const float edge = std::min(edgeAcross, edgeAlong);
  if (edge < 0.005f) {
    colour *= 0.55f;
    height = 0.0f;
  } else if (edge < 0.014f) {
    colour *= 0.8f;
    height = 0.5f;
  }
  return {colour, height};
}

// Basket-weave parquet: 8 x 8 squares of three strips, the strip direction alternating.
Texel parquet(float u, float v) {
  const int cells = 8;
  const int cx = static_cast<int>(u * cells) % cells;
  const int cy = static_cast<int>(v * cells) % cells;
  const bool alongU = (cx + cy) % 2 == 0;
  const float lu = fract(u * cells), lv = fract(v * cells);
  const float across = alongU ? lv : lu;
  const int strip = static_cast<int>(across * 3.0f);
  const float stripAcross = fract(across * 3.0f);
  const float tone = latticeHash(cx * 3 + strip, cy, 31u);
  const float grain =
      alongU ? tileableFbm(u, v * 8.0f, 8, 3, 32u) : tileableFbm(u * 8.0f, v, 8, 3, 32u);
  const float streak = 0.5f + 0.5f * std::sin((stripAcross * 3.0f + grain * 4.0f) * kPi * 2.0f);
  glm::vec3 colour = glm::mix(glm::vec3(0.36f, 0.2f, 0.1f), glm::vec3(0.58f, 0.36f, 0.18f),
                              0.4f * tone + 0.3f * streak + 0.3f * grain);
  float height = 0.8f + 0.1f * grain;
  const float edge = std::min(std::min(stripAcross, 1.0f - stripAcross) / 3.0f,
                              std::min(std::min(lu, 1.0f - lu), std::min(lv, 1.0f - lv)));
  if (edge < 0.015f) {
    colour *= 0.45f;
    height = 0.1f;
  }
  return {colour, height};
}

// Chequered stone tiles with grout, four by four, marbled.
Texel hallTiles(float u, float v) {
  const int tiles = 4;
  const int tx = static_cast<int>(u * tiles) % tiles;
  const int ty = static_cast<int>(v * tiles) % tiles;
  const float lu = fract(u * tiles), lv = fract(v * tiles);
  const float marble = tileableFbm(u, v, 8, 5, 41u);
  const float vein =
      1.0f - smoothstep(0.0f, 0.04f, std::abs(std::sin((u * 2.0f + marble * 3.0f) * kPi * 2.0f)));
  const bool dark = (tx + ty) % 2 == 1;
  glm::vec3 colour = dark ? glm::vec3(0.26f, 0.3f, 0.28f) : glm::vec3(0.86f, 0.83f, 0.76f);
  colour *= 0.9f + 0.15f * marble;
  colour = glm::mix(colour, dark ? glm::vec3(0.5f, 0.52f, 0.5f) : glm::vec3(0.62f, 0.6f, 0.56f),
                    0.35f * vein);
  float height = 1.0f;
  const float edge = std::min(std::min(lu, 1.0f - lu), std::min(lv, 1.0f - lv));
  if (edge < 0.02f) {
    colour = glm::vec3(0.55f, 0.53f, 0.5f) * (0.9f + 0.1f * marble);
    height = 0.0f;
  } else if (edge < 0.035f) {
    height = (edge - 0.02f) / 0.015f;
  }
  return {colour, height};
}

Texel ceilingPlaster(float u, float v) {
  const float n = tileableFbm(u, v, 16, 4, 51u);
  return {glm::vec3(0.93f, 0.92f, 0.89f) * (0.95f + 0.06f * n), 0.5f * n};
}

// Painted wood for skirting, frames, casings and rails.
Texel paintedTrim(float u, float v) {
  const float grain = tileableFbm(u, v * 8.0f, 4, 3, 61u);
  return {glm::vec3(0.9f, 0.88f, 0.83f) * (0.95f + 0.06f * grain), 0.3f * grain};
}

// Speckled granite for the stairs.
Texel granite(float u, float v) {
  const float base = tileableFbm(u, v, 16, 5, 71u);
  const float speck = tileableNoise(u, v, 128, 72u);
  glm::vec3 colour = glm::vec3(0.55f, 0.54f, 0.52f) * (0.85f + 0.25f * base);
  if (speck > 0.8f) colour *= 0.55f;
  if (speck < 0.12f) colour = glm::mix(colour, glm::vec3(0.85f, 0.82f, 0.78f), 0.6f);
  return {colour, 0.5f * base + 0.2f * speck};
}

// The view out of a window: sky with clouds over a row of distant roofs.
Texel windowView(float u, float v) {
  const float clouds = smoothstep(0.5f, 0.75f, tileableFbm(u, v * 0.5f + 0.3f, 4, 5, 81u));
  glm::vec3 sky = glm::mix(glm::vec3(0.78f, 0.86f, 0.95f), glm::vec3(0.36f, 0.56f, 0.86f), v);
  sky = glm::mix(sky, glm::vec3(0.97f), clouds * 0.8f);
  const int block = static_cast<int>(u * 7.0f);
  const float roof = 0.12f + 0.16f * latticeHash(block, 3, 82u);
  if (v < roof) {
    glm::vec3 building = glm::vec3(0.42f, 0.4f, 0.44f) * (0.8f + 0.3f * latticeHash(block, 5, 83u));
    const bool lit =
        fract(u * 42.0f) > 0.4f && fract(v * 30.0f) > 0.45f &&
        latticeHash(static_cast<int>(u * 42.0f), static_cast<int>(v * 30.0f), 84u) > 0.55f;
    if (lit) building = glm::vec3(0.9f, 0.8f, 0.5f);
    return {building, 0.0f};
  }
  return {sky, 0.0f};
}

// A door leaf with four recessed panels; mapped once over the whole leaf.
Texel doorLeaf(float u, float v) {
  const float grain = tileableFbm(u * 0.5f, v * 8.0f, 4, 4, 91u);
  const float streak = 0.5f + 0.5f * std::sin((u * 14.0f + grain * 3.0f) * kPi * 2.0f);
  glm::vec3 colour = glm::mix(glm::vec3(0.42f, 0.24f, 0.12f), glm::vec3(0.58f, 0.36f, 0.2f),
                              0.5f * streak + 0.5f * grain);
  // Panels: two columns, two rows, each sunk behind a bevel lit from the upper left.
  float height = 1.0f;
  const float columns[2][2] = {{0.14f, 0.46f}, {0.54f, 0.86f}};
  const float rows[2][2] = {{0.1f, 0.44f}, {0.52f, 0.9f}};
  for (const auto& c : columns) {
    for (const auto& r : rows) {
      const float left = u - c[0], right = c[1] - u;
      const float bottom = (v - r[0]) * 0.6f, top = (r[1] - v) * 0.6f;
      const float inside = std::min(std::min(left, right), std::min(bottom, top));
      if (inside <= 0.0f) continue;
      const float bevel = glm::clamp(inside / 0.035f, 0.0f, 1.0f);
      height = 1.0f - 0.6f * bevel;
      if (bevel < 1.0f) {
        const bool lit = std::min(left, top) <= std::min(right, bottom);
        colour *= lit ? 1.18f : 0.62f;
      } else {
        colour *= 0.85f;
      }
    }
  }
  return {colour, height};
}

Texel brass(float u, float v) {
  const float n = tileableFbm(u, v, 8, 3, 101u);
  return {glm::vec3(0.78f, 0.62f, 0.3f) * (0.85f + 0.3f * n), 0.0f};
}

Texel lampGlass(float u, float v) {
  const float n = tileableFbm(u, v, 8, 2, 111u);
  return {glm::vec3(1.0f, 0.97f, 0.88f) * (0.96f + 0.04f * n), 0.0f};
}

bool writeBuildingTextures(const std::string& dir) {
  struct Entry {
    const char* name;
    int size;
    float bump;
    TexelFunction texel;
    bool glows = false;
  };
  const Entry entries[] = {
      {"hall_plaster", 512, 3.0f, hallPlaster},
      {"wallpaper_low", 512, 2.0f, wallpaperLow},
      {"wallpaper_high", 512, 2.0f, wallpaperHigh},
      {"wood_planks", 512, 4.0f, woodPlanks},
      {"parquet", 512, 4.0f, parquet},
      {"hall_tiles", 512, 4.0f, hallTiles},
      {"ceiling", 256, 2.0f, ceilingPlaster},
      {"trim", 256, 1.5f, paintedTrim},
      {"granite", 256, 2.0f, granite},
      {"window_view", 256, 0.0f, windowView},
      {"door_leaf", 256, 4.0f, doorLeaf},
      {"brass", 64, 0.0f, brass},
      {"lamp", 64, 0.0f, lampGlass, true},
  };
  for (const Entry& e : entries)
    if (!writeTexture(dir, e.name, e.size, e.bump, e.texel, e.glows)) return false;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Materials. The first material of each model gives the whole object its lighting coefficients.

Material surface(const std::string& name, bool bump, float specular, float shininess,
                 bool glows = false) {
  return Material{name,
                  glm::vec3(0.35f),
                  glm::vec3(0.85f),
                  glm::vec3(specular),
                  shininess,
                  1.0f,
                  diffuseMapFile(name, glows),
                  bump ? "Textures/" + name + "_normal.png" : ""};
}

const Material kHallPlaster = surface("hall_plaster", true, 0.15f, 20.0f);
const Material kWallpaperLow = surface("wallpaper_low", true, 0.12f, 16.0f);
const Material kWallpaperHigh = surface("wallpaper_high", true, 0.2f, 24.0f);
const Material kWoodPlanks = surface("wood_planks", true, 0.35f, 48.0f);
const Material kParquet = surface("parquet", true, 0.4f, 56.0f);
const Material kHallTiles = surface("hall_tiles", true, 0.5f, 64.0f);
const Material kCeiling = surface("ceiling", true, 0.05f, 8.0f);
const Material kTrim = surface("trim", true, 0.3f, 40.0f);
const Material kGranite = surface("granite", true, 0.3f, 40.0f);
const Material kWindowView = surface("window_view", false, 0.6f, 96.0f);
const Material kDoorLeaf = surface("door_leaf", true, 0.3f, 40.0f);
const Material kBrass = surface("brass", false, 0.9f, 128.0f);
const Material kLamp = surface("lamp", false, 0.5f, 64.0f, true);

// ---------------------------------------------------------------------------------------------
// Geometry. Solids are collected per material and written as one mesh per material, so each
// model has few meshes (each mesh becomes one collision body).

using Span = vorn::scene::Range;
using vorn::scene::kCorridorX;
using vorn::scene::kCorridorZ;
using vorn::scene::kLandingHeight;
using vorn::scene::kLandingStart;
using vorn::scene::kRiser;
using vorn::scene::kStepsPerFlight;
using vorn::scene::kTread;
using vorn::scene::kUpperFloor;

// Walls run along x or along z; "across" is the other horizontal axis.
enum class Run { X, Z };

glm::vec3 at(Run run, float along, float y, float across) {
  return run == Run::X ? glm::vec3(along, y, across) : glm::vec3(across, y, along);
}

struct Solid {
  const Material* material;
  glm::vec3 min, max;
  float uvScale;
  bool mapped;
};

class Solids {
 public:
  void box(const Material& m, const glm::vec3& a, const glm::vec3& b, float uvScale = 0.25f) {
    solids.push_back({&m, glm::min(a, b), glm::max(a, b), uvScale, false});
  }
  void mappedBox(const Material& m, const glm::vec3& a, const glm::vec3& b) {
    solids.push_back({&m, glm::min(a, b), glm::max(a, b), 1.0f, true});
  }
  void box(const Material& m, Run run, Span along, Span y, Span across, float uvScale = 0.25f) {
    box(m, at(run, along.lo, y.lo, across.lo), at(run, along.hi, y.hi, across.hi), uvScale);
  }

  // Adds the materials in first-use order (the first solid's material leads) and one mesh each.
  void emit(Model& model, const std::string& prefix) const {
    std::vector<const Material*> order;
    for (const Solid& s : solids)
      if (std::find(order.begin(), order.end(), s.material) == order.end())
        order.push_back(s.material);
    for (const Material* m : order) {
      model.addMaterial(*m);
      model.beginMesh(prefix + "_" + m->name, m->name);
      for (const Solid& s : solids) {
        if (s.material != m) continue;
        if (s.mapped) model.addMappedBox(s.min, s.max);
        else model.addBox(s.min, s.max, s.uvScale);
      }
    }
  }

 private:
  std::vector<Solid> solids;
};

struct Opening {
  float from, to;  // along the wall
  Span y;
};

// A straight wall with rectangular openings (doors, windows), split into solid pieces.
void addWall(Solids& s, const Material& m, Run run, Span along, Span across, Span y,
             std::vector<Opening> openings, float uvScale = 0.25f) {
  std::sort(openings.begin(), openings.end(),
            [](const Opening& a, const Opening& b) { return a.from < b.from; });
  float cursor = along.lo;
  for (const Opening& o : openings) {
    if (o.from > cursor) s.box(m, run, {cursor, o.from}, y, across, uvScale);
    if (o.y.lo > y.lo) s.box(m, run, {o.from, o.to}, {y.lo, o.y.lo}, across, uvScale);
    if (o.y.hi < y.hi) s.box(m, run, {o.from, o.to}, {o.y.hi, y.hi}, across, uvScale);
    cursor = o.to;
  }
  if (cursor < along.hi) s.box(m, run, {cursor, along.hi}, y, across, uvScale);
}

// Window furniture inside an opening of a wall: lining, a pane showing the view, a mullion
// cross and a sill that juts into the room. inside is +1 when the room lies towards larger
// "across" values.
void addWindow(Solids& s, Run run, const Opening& o, Span wall, float inside) {
  const float interior = inside > 0 ? wall.hi : wall.lo;
  const float mid = 0.5f * (wall.lo + wall.hi);
  const float lining = 0.1f;
  s.mappedBox(kWindowView, at(run, o.from, o.y.lo, mid - 0.02f),
              at(run, o.to, o.y.hi, mid + 0.02f));
  s.box(kTrim, run, {o.from, o.from + lining}, o.y, wall, 1.0f);
  s.box(kTrim, run, {o.to - lining, o.to}, o.y, wall, 1.0f);
  s.box(kTrim, run, {o.from, o.to}, {o.y.hi - lining, o.y.hi}, wall, 1.0f);
  s.box(
      kTrim, run, {o.from - 0.15f, o.to + 0.15f}, {o.y.lo - 0.1f, o.y.lo + 0.04f},
      {std::min(wall.lo, interior + 0.18f * inside), std::max(wall.hi, interior + 0.18f * inside)},
      1.0f);
  const Span bar{mid + 0.02f * inside, mid + 0.1f * inside};
  const Span barAcross{std::min(bar.lo, bar.hi), std::max(bar.lo, bar.hi)};
  const float centre = 0.5f * (o.from + o.to);
  const float cross = o.y.lo + 0.62f * (o.y.hi - o.y.lo);
  s.box(kTrim, run, {centre - 0.05f, centre + 0.05f}, o.y, barAcross, 1.0f);
  s.box(kTrim, run, {o.from, o.to}, {cross - 0.05f, cross + 0.05f}, barAcross, 1.0f);
}

// Skirting board along a wall face, interrupted by the given gaps (door openings).
void addSkirting(Solids& s, Run run, Span along, float face, float inside, float floorY,
                 std::vector<Span> gaps = {}) {
  const Span across{std::min(face, face + 0.05f * inside), std::max(face, face + 0.05f * inside)};
  const Span y{floorY, floorY + 0.3f};
  std::sort(gaps.begin(), gaps.end(), [](const Span& a, const Span& b) { return a.lo < b.lo; });
  float cursor = along.lo;
  for (const Span& g : gaps) {
    if (g.lo > cursor) s.box(kTrim, run, {cursor, g.lo}, y, across, 1.0f);
    cursor = std::max(cursor, g.hi);
  }
  if (cursor < along.hi) s.box(kTrim, run, {cursor, along.hi}, y, across, 1.0f);
}

// A flat ceiling lamp hanging below a ceiling at height top.
void addLamp(Solids& s, float x, float z, float top) {
  s.box(kTrim, {x - 0.45f, top - 0.08f, z - 0.45f}, {x + 0.45f, top, z + 0.45f}, 1.0f);
  s.mappedBox(kLamp, {x - 0.38f, top - 0.2f, z - 0.38f}, {x + 0.38f, top - 0.08f, z + 0.38f});
}

// ---------------------------------------------------------------------------------------------
// Shared measures.

constexpr float kFrontWall = 0.3f;    // apartment front wall, behind the plane z = 0
constexpr float kVeneer = 0.02f;      // hallway paint on the corridor side of a front wall
constexpr float kSideWall = 0.15f;    // half of a wall shared by two neighbouring flats
constexpr float kBackInner = -16.1f;  // inner face of an apartment's back (outer) wall
constexpr float kBackOuter = -16.4f;
constexpr float kStorey = vorn::scene::kStoreyHeight;
constexpr float kCeilingSlab = 0.3f;  // ceiling of a flat, above kStorey
constexpr Span kDoorOpening{-1.3f, 1.3f};
constexpr float kDoorTop = 4.0f;
constexpr float kWindowSill = 2.2f, kWindowTop = 4.6f, kWindowWidth = 2.4f;
constexpr float kHallPlasterScale = 1.0f / 6.0f;  // one storey per repeat of the wainscot

// An apartment in its own frame: front wall on z = 0 with the door at x = 0, flat behind it
// towards -z, floor surface y = 0.
struct ApartmentPlan {
  Span x;  // outer extent of the side walls
  const Material* wallpaper;
  float wallpaperScale;  // texture repeats per unit
  const Material* floor;
  float floorScale;
  float floorThickness;
  std::vector<float> windows;  // centres along the back wall
  // Interior walls as (run, along, across) with their openings, full storey height.
  struct Partition {
    Run run;
    Span along, across;
    std::vector<Opening> openings;
  };
  std::vector<Partition> partitions;
  std::vector<glm::vec2> lamps;
};

void addApartment(Solids& s, const ApartmentPlan& plan) {
  const Span storey{0.0f, kStorey};
  const Span inner{plan.x.lo + kSideWall, plan.x.hi - kSideWall};
  const Material& paper = *plan.wallpaper;
  // Wallpaper first: it leads the material list and so gives the object its coefficients.
  const Opening door{kDoorOpening.lo, kDoorOpening.hi, {0.0f, kDoorTop}};
  const float scale = plan.wallpaperScale;
  addWall(s, paper, Run::X, plan.x, {-kFrontWall, -kVeneer}, storey, {door}, scale);
  addWall(s, kHallPlaster, Run::X, plan.x, {-kVeneer, 0.0f}, storey, {door}, kHallPlasterScale);
  std::vector<Opening> windows;
  for (float c : plan.windows)
    windows.push_back({c - kWindowWidth / 2, c + kWindowWidth / 2, {kWindowSill, kWindowTop}});
  addWall(s, paper, Run::X, plan.x, {kBackOuter, kBackInner}, storey, windows, scale);
  addWall(s, paper, Run::Z, {kBackInner, -kFrontWall}, {plan.x.lo, inner.lo}, storey, {}, scale);
  addWall(s, paper, Run::Z, {kBackInner, -kFrontWall}, {inner.hi, plan.x.hi}, storey, {}, scale);
  for (const auto& p : plan.partitions)
    addWall(s, paper, p.run, p.along, p.across, storey, p.openings, scale);

  s.box(*plan.floor, {plan.x.lo, -plan.floorThickness, kBackOuter}, {plan.x.hi, 0.0f, 0.0f},
        plan.floorScale);
  s.box(kCeiling, {plan.x.lo, kStorey, kBackOuter}, {plan.x.hi, kStorey + kCeilingSlab, 0.0f});

  for (const Opening& w : windows) addWindow(s, Run::X, w, {kBackOuter, kBackInner}, +1.0f);
  addSkirting(s, Run::X, inner, kBackInner, +1.0f, 0.0f);
  addSkirting(s, Run::X, inner, -kFrontWall, -1.0f, 0.0f, {{-1.5f, 1.5f}});
  addSkirting(s, Run::Z, {kBackInner + 0.05f, -kFrontWall - 0.05f}, inner.lo, +1.0f, 0.0f);
  addSkirting(s, Run::Z, {kBackInner + 0.05f, -kFrontWall - 0.05f}, inner.hi, -1.0f, 0.0f);
  for (const auto& p : plan.partitions) {
    std::vector<Span> gaps;
    for (const Opening& o : p.openings)
      if (o.y.lo <= 0.0f) gaps.push_back({o.from, o.to});
    addSkirting(s, p.run, p.along, p.across.lo, -1.0f, 0.0f, gaps);
    addSkirting(s, p.run, p.along, p.across.hi, +1.0f, 0.0f, gaps);
  }
  for (const glm::vec2& l : plan.lamps) addLamp(s, l.x, l.y, kStorey);
}

bool writeApartment(const std::string& dir, const std::string& stem, const ApartmentPlan& plan) {
  Solids s;
  addApartment(s, plan);
  Model model;
  s.emit(model, "apartment");
  return model.write(dir, stem);
}

bool writeApartmentLow(const std::string& dir) {
  // Local x -10.5..6.5; neighbours share the side walls at world x = +-5.5. An entrance hall
  // behind the front wall opens into the living space through a wide gap in a partition.
  ApartmentPlan plan;
  plan.x = {-10.5f, 6.5f};
  plan.wallpaper = &kWallpaperLow;
  plan.wallpaperScale = 0.3f;
  plan.floor = &kWoodPlanks;
  plan.floorScale = 0.4f;
  plan.floorThickness = 0.3f;
  plan.windows = {-8.0f, 4.5f};
  const Span inner{plan.x.lo + kSideWall, plan.x.hi - kSideWall};
  plan.partitions = {{Run::X, inner, {-5.3f, -5.0f}, {{-3.5f, 3.0f, {0.0f, 4.4f}}}}};
  plan.lamps = {{0.0f, -2.6f}, {-2.0f, -10.5f}};
  return writeApartment(dir, "apartment_low", plan);
}

bool writeApartmentHigh(const std::string& dir) {
  // Local x -2.5..22.5, standing on its own thin floor slab (top y = 0). The west face of a wall
  // at x = 12.15 carries the television above the fireplace; with a short wall whose far face
  // (z = -8) backs the kitchen it closes a small room between the front wall and the x = 22.5
  // side, entered through a wide gap at 18.6 < x < 22.35. The back part beyond x = 12.15,
  // z < -8 (the win room in apartment 6) stays open to the living room.
  ApartmentPlan plan;
  plan.x = {-2.5f, 22.5f};
  plan.wallpaper = &kWallpaperHigh;
  plan.wallpaperScale = 0.5f;
  plan.floor = &kParquet;
  plan.floorScale = 0.3f;
  plan.floorThickness = 0.2f;
  plan.windows = {3.0f, 17.0f};
  plan.partitions = {{Run::Z, {-8.0f, -kFrontWall}, {12.15f, 12.45f}, {}},
                     {Run::X, {12.45f, 18.6f}, {-8.0f, -7.7f}, {}}};
  plan.lamps = {{0.0f, -2.6f}, {6.0f, -6.0f}, {17.0f, -12.0f}, {5.0f, -13.0f}};
  return writeApartment(dir, "apartment_high", plan);
}

// The door model stands at the apartment's pose: a frame in the opening of the front wall and a
// leaf swung 90 degrees into the flat, clear of the opening.
bool writeDoor(const std::string& dir) {
  Solids s;
  const float lining = 0.1f, casing = 0.2f, casingDepth = 0.04f;
  const Span wall{-kFrontWall, 0.0f};
  const Span clear{kDoorOpening.lo + lining, kDoorOpening.hi - lining};
  const float clearTop = kDoorTop - lining;
  // Lining inside the opening.
  s.box(kTrim, Run::X, {kDoorOpening.lo, clear.lo}, {0.0f, kDoorTop}, wall, 1.0f);
  s.box(kTrim, Run::X, {clear.hi, kDoorOpening.hi}, {0.0f, kDoorTop}, wall, 1.0f);
  s.box(kTrim, Run::X, clear, {clearTop, kDoorTop}, wall, 1.0f);
  // Casings on both faces of the wall.
  for (const Span face : {Span{0.0f, casingDepth}, Span{-kFrontWall - casingDepth, -kFrontWall}}) {
    s.box(kTrim, Run::X, {clear.lo - casing, clear.lo}, {0.0f, clearTop + casing}, face, 1.0f);
    s.box(kTrim, Run::X, {clear.hi, clear.hi + casing}, {0.0f, clearTop + casing}, face, 1.0f);
    s.box(kTrim, Run::X, {clear.lo - casing, clear.hi + casing}, {clearTop, clearTop + casing},
          face, 1.0f);
  }
  // The leaf, hinged at the inner corner of the lining and opened against the flat's side.
  const float leafThickness = 0.1f;
  const Span leafX{clear.lo - leafThickness, clear.lo};
  const Span leafZ{-kFrontWall - casingDepth - (clear.hi - clear.lo),
                   -kFrontWall - casingDepth - 0.01f};
  s.mappedBox(kDoorLeaf, {leafX.lo, 0.02f, leafZ.lo}, {leafX.hi, clearTop - 0.02f, leafZ.hi});
  // Handles on both faces near the free edge.
  for (const Span hx : {Span{leafX.hi, leafX.hi + 0.08f}, Span{leafX.lo - 0.08f, leafX.lo}})
    s.box(kBrass, {hx.lo, 1.65f, leafZ.lo + 0.15f}, {hx.hi, 1.75f, leafZ.lo + 0.45f}, 1.0f);
  Model model;
  s.emit(model, "door");
  return model.write(dir, "door");
}

// ---------------------------------------------------------------------------------------------
// Hallway and stairs are laid out in world coordinates; the model transform undoes the level's
// placement so that the file holds them in the model's own frame.

constexpr float kRoofTop = 11.8f;
constexpr float kWallThickness = 0.3f;
constexpr float kStairEnd = vorn::scene::kStairHallX.hi;  // inner face of the hall's east wall
constexpr Span kApartmentLowX{-10.5f, 6.5f};              // the apartments' own x extents
constexpr Span kApartmentHighX{-2.5f, 22.5f};

const vorn::scene::LevelEntry& placement(const std::string& name) {
  for (const vorn::scene::LevelEntry& entry : vorn::scene::levelLayout())
    if (name == entry.name) return entry;
  std::cerr << "the level places no " << name << std::endl;
  std::abort();
}

// The model transform that undoes the level's placement of the named object, so that a file
// laid out in world coordinates holds its model in the model's own frame.
glm::mat4 undoPlacement(const std::string& name) {
  const vorn::scene::LevelEntry& entry = placement(name);
  const glm::mat4 placed = glm::rotate(glm::translate(glm::mat4(1.0f), entry.position),
                                       glm::radians(entry.angle), glm::vec3(0.0f, 1.0f, 0.0f));
  return glm::inverse(placed);
}

// The world x that the front of a placed apartment spans (apartments stand turned by 0 or 180).
Span frontOf(const std::string& name) {
  const vorn::scene::LevelEntry& entry = placement(name);
  const bool high = std::string(entry.modelFile).find("apartment_high") != std::string::npos;
  const Span local = high ? kApartmentHighX : kApartmentLowX;
  if (std::abs(entry.angle - 180.0f) < 1.0f)
    return {entry.position.x - local.hi, entry.position.x - local.lo};
  return {entry.position.x + local.lo, entry.position.x + local.hi};
}

// Door centres along one side of the corridor on one storey, from the level's doors.
std::vector<float> doorsOn(float side, float floorY) {
  std::vector<float> centres;
  for (const vorn::scene::LevelEntry& entry : vorn::scene::levelLayout()) {
    if (std::string(entry.modelFile) != "Resources/Building/door.obj") continue;
    if (entry.position.z * side > 0.0f && std::abs(entry.position.y - floorY) < 0.5f)
      centres.push_back(entry.position.x);
  }
  return centres;
}

// Corridor ceiling and floor slab of the upper storey, between the two storey heights.
void addStoreySlab(Solids& s, Span x, Span z, float floorY, const Material& floor) {
  s.box(kCeiling, {x.lo, floorY - 0.5f, z.lo}, {x.hi, floorY - 0.2f, z.hi});
  s.box(floor, {x.lo, floorY - 0.2f, z.lo}, {x.hi, floorY, z.hi});
}

bool writeHallway(const std::string& dir) {
  Solids s;
  const Span north{kCorridorZ.hi, kCorridorZ.hi + kWallThickness};
  const Span south{kCorridorZ.lo - kWallThickness, kCorridorZ.lo};
  const Span ground{0.0f, kUpperFloor - 0.2f}, upper{kUpperFloor - 0.2f, kRoofTop};
  const Span whole{0.0f, kRoofTop};
  auto window = [](float c, float floorY) {
    return Opening{
        c - kWindowWidth / 2, c + kWindowWidth / 2, {floorY + kWindowSill, floorY + kWindowTop}};
  };
  // Walls where no apartment front closes the corridor; the west end is the building's edge.
  const std::vector<Opening> northWest{window(-17.0f, 0.0f), window(-17.0f, kUpperFloor)};
  const std::vector<Opening> southWestUpper{window(-18.5f, kUpperFloor)};
  const std::vector<Opening> westEnd{window(0.0f, 0.0f), window(0.0f, kUpperFloor)};
  // West of apartments 3 and 5 the north wall runs through both storeys.
  const float northWestEnd = std::min(frontOf("apartment3").lo, frontOf("apartment5").lo);
  addWall(s, kHallPlaster, Run::X, {kCorridorX.lo, northWestEnd}, north, whole, northWest,
          kHallPlasterScale);
  addWall(s, kHallPlaster, Run::X, {frontOf("apartment5").hi, kCorridorX.hi}, north, upper, {},
          kHallPlasterScale);
  addWall(s, kHallPlaster, Run::X, {frontOf("apartment2").hi, kCorridorX.hi}, south, ground, {},
          kHallPlasterScale);
  addWall(s, kHallPlaster, Run::X, {frontOf("apartment6").hi, kCorridorX.hi}, south, upper, {},
          kHallPlasterScale);
  addWall(s, kHallPlaster, Run::X, {kCorridorX.lo, frontOf("apartment6").lo}, south, upper,
          southWestUpper, kHallPlasterScale);
  addWall(s, kHallPlaster, Run::Z, {kCorridorZ.lo - kWallThickness, kCorridorZ.hi + kWallThickness},
          {kCorridorX.lo - kWallThickness, kCorridorX.lo}, {-0.3f, kRoofTop}, westEnd,
          kHallPlasterScale);
  for (const Opening& w : northWest) addWindow(s, Run::X, w, north, -1.0f);
  for (const Opening& w : southWestUpper) addWindow(s, Run::X, w, south, +1.0f);
  for (const Opening& w : westEnd)
    addWindow(s, Run::Z, w, {kCorridorX.lo - kWallThickness, kCorridorX.lo}, +1.0f);

  // Ground floor, upper floor with the ceiling below it, roof.
  s.box(kHallTiles, {kCorridorX.lo, -0.3f, kCorridorZ.lo}, {kCorridorX.hi, 0.0f, kCorridorZ.hi});
  addStoreySlab(s, kCorridorX, kCorridorZ, kUpperFloor, kHallTiles);
  s.box(kCeiling, {kCorridorX.lo, kRoofTop - 0.3f, kCorridorZ.lo},
        {kCorridorX.hi, kRoofTop, kCorridorZ.hi});

  // Skirting along both corridor sides, open at the door casings (door centres per storey).
  auto gaps = [](float side, float floorY) {
    std::vector<Span> g;
    for (float c : doorsOn(side, floorY)) g.push_back({c - 1.5f, c + 1.5f});
    return g;
  };
  const Span run{kCorridorX.lo, kCorridorX.hi};
  for (float floorY : {0.0f, kUpperFloor}) {
    addSkirting(s, Run::X, run, kCorridorZ.hi, -1.0f, floorY, gaps(+1.0f, floorY));
    addSkirting(s, Run::X, run, kCorridorZ.lo, +1.0f, floorY, gaps(-1.0f, floorY));
  }
  for (float floorY : {0.0f, kUpperFloor})
    addSkirting(s, Run::Z, {kCorridorZ.lo + 0.05f, kCorridorZ.hi - 0.05f}, kCorridorX.lo, +1.0f,
                floorY);
  // Fittings where the corridor's down-lights shine from, at x = -6 and 6 on both floors.
  for (float x : {-6.0f, 6.0f}) {
    addLamp(s, x, 0.0f, kStorey);
    addLamp(s, x, 0.0f, kUpperFloor + kStorey);
  }

  Model model;
  model.setTransform(undoPlacement("hallway"));
  s.emit(model, "hallway");
  return model.write(dir, "hallway");
}

constexpr float kStairStart = vorn::scene::kStairHallX.lo;
constexpr Span kNorthFlight{0.1f, 3.1f}, kSouthFlight{-3.1f, -0.1f}, kNewel{-0.1f, 0.1f};
constexpr float kRailTop = kUpperFloor + 1.3f;

// One step: a granite tread on a plastered support down to the floor.
void addStep(Solids& s, Span x, Span z, float top) {
  const float tread = std::min(0.25f, top);
  if (top > tread)
    s.box(kHallPlaster, {x.lo, 0.0f, z.lo}, {x.hi, top - tread, z.hi}, kHallPlasterScale);
  s.box(kGranite, {x.lo, top - tread, z.lo}, {x.hi, top, z.hi}, 0.5f);
}

bool writeStairs(const std::string& dir) {
  Solids s;
  const Span hallX{kStairStart, kStairEnd};
  const Span north{kCorridorZ.hi, kCorridorZ.hi + kWallThickness};
  const Span south{kCorridorZ.lo - kWallThickness, kCorridorZ.lo};
  const Span east{kStairEnd, kStairEnd + kWallThickness};
  // Walls of the stair hall. Below y = 5.8 on the north side apartment 1's front closes it.
  const Opening southWindow{19.6f, 22.0f, {kUpperFloor + 1.0f, kUpperFloor + 4.0f}};
  const Opening eastWindow{-1.2f, 1.2f, {kUpperFloor + 1.0f, kUpperFloor + 4.0f}};
  addWall(s, kHallPlaster, Run::X, hallX, south, {-0.3f, kRoofTop}, {southWindow},
          kHallPlasterScale);
  addWall(s, kHallPlaster, Run::X, hallX, north, {kUpperFloor - 0.2f, kRoofTop}, {},
          kHallPlasterScale);
  addWall(s, kHallPlaster, Run::Z, {kCorridorZ.lo - kWallThickness, kCorridorZ.hi + kWallThickness},
          east, {-0.3f, kRoofTop}, {eastWindow}, kHallPlasterScale);
  addWindow(s, Run::X, southWindow, south, +1.0f);
  addWindow(s, Run::Z, eastWindow, east, -1.0f);

  // Floor, roof.
  s.box(kHallTiles, {hallX.lo, -0.3f, kCorridorZ.lo}, {hallX.hi, 0.0f, kCorridorZ.hi});
  s.box(kCeiling, {hallX.lo, kRoofTop - 0.3f, kCorridorZ.lo}, {hallX.hi, kRoofTop, kCorridorZ.hi});

  // Flight one climbs east on the north half, the landing spans the hall, flight two climbs west
  // on the south half and ends level with the upper corridor at x = 16.
  for (int k = 1; k <= kStepsPerFlight; ++k) {
    const float x0 = kStairStart + (k - 1) * kTread;
    addStep(s, {x0, x0 + kTread}, kNorthFlight, k * kRiser);
    const float x1 = kLandingStart - k * kTread;
    addStep(s, {x1, x1 + kTread}, kSouthFlight, kLandingHeight + k * kRiser);
  }
  addStep(s, {kLandingStart, kStairEnd}, kCorridorZ, kLandingHeight);

  // A wall between the flights and a balustrade along the stairwell's edge on the upper floor,
  // both capped with a rail, keep the player from falling into the well.
  s.box(kHallPlaster, {kStairStart, 0.0f, kNewel.lo}, {kLandingStart, kRailTop, kNewel.hi},
        kHallPlasterScale);
  s.box(kHallPlaster, {kStairStart - 0.15f, kUpperFloor, kNewel.lo},
        {kStairStart, kRailTop, kCorridorZ.hi}, kHallPlasterScale);
  s.box(kTrim, {kStairStart - 0.05f, kRailTop, kNewel.lo - 0.05f},
        {kLandingStart, kRailTop + 0.1f, kNewel.hi + 0.05f}, 1.0f);
  s.box(kTrim, {kStairStart - 0.2f, kRailTop, kNewel.lo - 0.05f},
        {kStairStart + 0.05f, kRailTop + 0.1f, kCorridorZ.hi}, 1.0f);
  addSkirting(s, Run::Z, {kCorridorZ.lo + 0.05f, kCorridorZ.hi - 0.05f}, kStairEnd, -1.0f,
              kLandingHeight);
  addLamp(s, 19.5f, 0.0f, kRoofTop - 0.3f);

  Model model;
  model.setTransform(undoPlacement("stairs"));
  s.emit(model, "stairs");
  return model.write(dir, "stairs");
}

}  // namespace

bool writeBuilding(const std::string& resourcesDir) {
  const std::string dir = resourcesDir + "/Building";
  return writeDefaultNormalMap(dir) && writeBuildingTextures(dir) && writeHallway(dir) &&
         writeStairs(dir) && writeApartmentLow(dir) && writeApartmentHigh(dir) && writeDoor(dir);
}

}  // namespace assetgen
