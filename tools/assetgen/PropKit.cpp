#include "tools/assetgen/PropKit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat3x3.hpp>
#include <glm/matrix.hpp>

#include "tools/assetgen/Generators.h"

namespace assetgen::props {

namespace {

constexpr int kGutter = 2;

// Rows of a 5x7 glyph, bit 4 is the leftmost column.
struct Glyph {
  char c;
  uint8_t rows[7];
};

constexpr Glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'!', {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
    {'\'', {0x04, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00}},
    {'$', {0x04, 0x0F, 0x14, 0x0E, 0x05, 0x1E, 0x04}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {'>', {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08}},
    {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
};

const Glyph* findGlyph(char c) {
  c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const Glyph& g : kFont)
    if (g.c == c) return &g;
  return nullptr;  // blank
}

uint32_t hash(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
               seed * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return h;
}

float lattice(int x, int y, uint32_t seed) { return (hash(x, y, seed) & 0xffffffu) / 16777215.0f; }

glm::vec3 pickAxisNormal(const glm::vec3& n) {
  glm::vec3 a = glm::abs(n);
  if (a.x >= a.y && a.x >= a.z) return {n.x >= 0 ? 1.0f : -1.0f, 0, 0};
  if (a.y >= a.z) return {0, n.y >= 0 ? 1.0f : -1.0f, 0};
  return {0, 0, n.z >= 0 ? 1.0f : -1.0f};
}

// Texture coordinates for a face seen from outside along `axis`, so pictures read the right way.
glm::vec2 projectOnFace(const glm::vec3& axis, const glm::vec3& r) {
  if (axis.x > 0) return {1.0f - r.z, r.y};
  if (axis.x < 0) return {r.z, r.y};
  if (axis.z > 0) return {r.x, r.y};
  if (axis.z < 0) return {1.0f - r.x, r.y};
  if (axis.y > 0) return {r.x, 1.0f - r.z};
  return {r.x, r.z};
}

}  // namespace

// ---- Canvas ------------------------------------------------------------------------------------

Canvas::Canvas(Image& image, int x0, int y0, int width, int height)
    : image(image), x0(x0), y0(y0), w(width), h(height) {}

void Canvas::set(int x, int y, const glm::vec3& colour) {
  if (x < 0 || y < 0 || x >= w || y >= h) return;
  image.set(x0 + x, y0 + y, glm::clamp(colour, 0.0f, 1.0f));
}

glm::vec3 Canvas::get(int x, int y) const {
  return image.get(x0 + std::clamp(x, 0, w - 1), y0 + std::clamp(y, 0, h - 1));
}

void Canvas::fill(const std::function<glm::vec3(float, float)>& shadeAt) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) set(x, y, shadeAt((x + 0.5f) / w, (y + 0.5f) / h));
}

void Canvas::rect(float u0, float v0, float u1, float v1, const glm::vec3& colour) {
  int xa = static_cast<int>(std::lround(u0 * w)), xb = static_cast<int>(std::lround(u1 * w));
  int ya = static_cast<int>(std::lround(v0 * h)), yb = static_cast<int>(std::lround(v1 * h));
  for (int y = std::max(ya, 0); y < std::min(yb, h); ++y)
    for (int x = std::max(xa, 0); x < std::min(xb, w); ++x) set(x, y, colour);
}

void Canvas::ellipse(float cu, float cv, float ru, float rv, const glm::vec3& colour) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float du = ((x + 0.5f) / w - cu) / ru, dv = ((y + 0.5f) / h - cv) / rv;
      if (du * du + dv * dv <= 1.0f) set(x, y, colour);
    }
}

float Canvas::text(const std::string& s, float u, float v, float glyphHeight,
                   const glm::vec3& colour) {
  int scale = std::max(1, static_cast<int>(std::lround(glyphHeight * h / 7.0f)));
  int left = static_cast<int>(std::lround(u * w)), bottom = static_cast<int>(std::lround(v * h));
  for (size_t i = 0; i < s.size(); ++i) {
    const Glyph* g = findGlyph(s[i]);
    if (!g) continue;
    int gx = left + static_cast<int>(i) * 6 * scale;
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col) {
        if (!(g->rows[row] & (0x10 >> col))) continue;
        for (int dy = 0; dy < scale; ++dy)
          for (int dx = 0; dx < scale; ++dx)
            set(gx + col * scale + dx, bottom + (6 - row) * scale + dy, colour);
      }
  }
  return (static_cast<float>(s.size()) * 6 - 1) * scale / w;
}

void Canvas::textCentred(const std::string& s, float cu, float v, float glyphHeight,
                         const glm::vec3& colour) {
  int scale = std::max(1, static_cast<int>(std::lround(glyphHeight * h / 7.0f)));
  float width = (static_cast<float>(s.size()) * 6 - 1) * scale / w;
  text(s, cu - width / 2, v, glyphHeight, colour);
}

void Canvas::pixelate(int block) {
  block = std::max(1, block);
  for (int by = 0; by < h; by += block)
    for (int bx = 0; bx < w; bx += block) {
      glm::vec3 sum(0.0f);
      int n = 0;
      for (int y = by; y < std::min(by + block, h); ++y)
        for (int x = bx; x < std::min(bx + block, w); ++x, ++n) sum += get(x, y);
      glm::vec3 mean = sum / static_cast<float>(n);
      for (int y = by; y < std::min(by + block, h); ++y)
        for (int x = bx; x < std::min(bx + block, w); ++x) set(x, y, mean);
    }
}

// ---- Atlas -------------------------------------------------------------------------------------

Atlas::Atlas(int size) : image(size, size) {
  // Unused space is neutral grey, so the smallest mipmaps do not darken the model.
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) image.set(x, y, glm::vec3(0.5f));
}

Tile Atlas::add(int width, int height, const Painter& paint) {
  int cellW = width + 2 * kGutter, cellH = height + 2 * kGutter;
  if (cursorX + cellW > image.width) {
    cursorX = 0;
    cursorY += shelfHeight;
    shelfHeight = 0;
  }
  if (cursorX + cellW > image.width || cursorY + cellH > image.height) {
    std::fprintf(stderr, "ERROR: texture atlas of %d pixels is too small for a %dx%d tile\n",
                 image.width, width, height);
    full = true;
    return {};
  }
  int x = cursorX + kGutter, y = cursorY + kGutter;
  Canvas canvas(image, x, y, width, height);
  paint(canvas);
  // Repeat the border pixels into the gutter.
  for (int gy = -kGutter; gy < height + kGutter; ++gy)
    for (int gx = -kGutter; gx < width + kGutter; ++gx)
      if (gx < 0 || gy < 0 || gx >= width || gy >= height)
        image.set(x + gx, y + gy, canvas.get(gx, gy));
  cursorX += cellW;
  shelfHeight = std::max(shelfHeight, cellH);
  float s = static_cast<float>(image.width);
  return {(x + 0.5f) / s, (y + 0.5f) / s, (x + width - 0.5f) / s, (y + height - 0.5f) / s};
}

// ---- Prop --------------------------------------------------------------------------------------

Prop::Prop(const std::string& name, int atlasSize, const Material& look)
    : atlas(atlasSize), look(look) {
  model.addMaterial(look);
  model.beginMesh(name, look.name);
}

void Prop::setTransform(const glm::mat4& m) {
  transform = m;
  inverse = glm::inverse(m);
  model.setTransform(m);
}

size_t Prop::mark() const { return model.meshes.back().vertices.size(); }

void Prop::mapBox(size_t from, const Tile& t, Projection p) {
  std::vector<Vertex>& v = model.meshes.back().vertices;
  if (from >= v.size()) return;
  glm::mat3 toLocalNormal = glm::transpose(glm::mat3(transform));
  std::vector<glm::vec3> local(v.size() - from);
  glm::vec3 lo(1e30f), hi(-1e30f);
  for (size_t i = from; i < v.size(); ++i) {
    local[i - from] = glm::vec3(inverse * glm::vec4(v[i].position, 1.0f));
    lo = glm::min(lo, local[i - from]);
    hi = glm::max(hi, local[i - from]);
  }
  glm::vec3 extent = glm::max(hi - lo, glm::vec3(1e-6f));
  for (size_t i = from; i < v.size(); ++i) {
    glm::vec3 axis;
    switch (p) {
      case Projection::X:
        axis = {1, 0, 0};
        break;
      case Projection::Y:
        axis = {0, 1, 0};
        break;
      case Projection::Z:
        axis = {0, 0, 1};
        break;
      default:
        axis = pickAxisNormal(toLocalNormal * v[i].normal);
        break;
    }
    glm::vec2 uv = projectOnFace(axis, (local[i - from] - lo) / extent);
    v[i].uv = {t.u0 + uv.x * (t.u1 - t.u0), t.v0 + uv.y * (t.v1 - t.v0)};
  }
}

void Prop::mapPlanar(size_t from, const Tile& t, const glm::vec3& origin, const glm::vec3& uEdge,
                     const glm::vec3& vEdge) {
  std::vector<Vertex>& v = model.meshes.back().vertices;
  for (size_t i = from; i < v.size(); ++i) {
    glm::vec3 r = glm::vec3(inverse * glm::vec4(v[i].position, 1.0f)) - origin;
    float u = glm::clamp(glm::dot(r, uEdge) / glm::dot(uEdge, uEdge), 0.0f, 1.0f);
    float w = glm::clamp(glm::dot(r, vEdge) / glm::dot(vEdge, vEdge), 0.0f, 1.0f);
    v[i].uv = {t.u0 + u * (t.u1 - t.u0), t.v0 + w * (t.v1 - t.v0)};
  }
}

void Prop::box(const glm::vec3& min, const glm::vec3& max, const Tile& t, Projection p) {
  size_t from = mark();
  model.addBox(min, max);
  mapBox(from, t, p);
}

void Prop::cylinder(const glm::vec3& base, float radius, float height, const Tile& t,
                    int segments) {
  size_t from = mark();
  model.addCylinder(base, radius, height, segments);
  mapBox(from, t, Projection::Box);
}

void Prop::sphere(const glm::vec3& centre, const glm::vec3& radii, const Tile& t, Projection p,
                  int segments, int rings) {
  size_t from = mark();
  model.addSphere(centre, radii, segments, rings);
  mapBox(from, t, p);
}

void Prop::limb(const glm::vec3& a, const glm::vec3& b, float radius, const Tile& t, int segments) {
  glm::vec3 d = b - a;
  float length = glm::length(d);
  if (length < 1e-5f) return;
  glm::vec3 y = d / length;
  glm::vec3 helper = std::abs(y.z) < 0.9f ? glm::vec3(0, 0, 1) : glm::vec3(1, 0, 0);
  glm::vec3 x = glm::normalize(glm::cross(y, helper));
  glm::vec3 z = glm::cross(x, y);
  glm::mat4 frame(glm::vec4(x, 0), glm::vec4(y, 0), glm::vec4(z, 0), glm::vec4(a, 1));
  glm::mat4 outer = transform;
  setTransform(outer * frame);
  cylinder({0, 0, 0}, radius, length, t, segments);
  setTransform(outer);
}

void Prop::panel(const glm::vec3& origin, const glm::vec3& uEdge, const glm::vec3& vEdge,
                 const Tile& t, bool twoSided) {
  glm::vec3 a = origin, b = origin + uEdge, c = origin + uEdge + vEdge, d = origin + vEdge;
  size_t from = mark();
  model.addQuad(a, b, c, d);
  mapPlanar(from, t, origin, uEdge, vEdge);
  if (!twoSided) return;
  // The back shows the picture mirrored, as a print seen through from behind would.
  from = mark();
  model.addQuad(b, a, d, c);
  mapPlanar(from, t, origin, uEdge, vEdge);
}

bool Prop::write(const std::string& dir, const std::string& stem) {
  if (atlas.overflowed()) {
    std::fprintf(stderr, "ERROR: %s/%s: texture atlas overflow\n", dir.c_str(), stem.c_str());
    return false;
  }
  model.materials.front().diffuseMap = "Textures/" + stem + ".png";
  return writeImage(atlas.image, dir + "/Textures/" + stem + ".png") && model.write(dir, stem) &&
         writeDefaultNormalMap(dir);
}

// ---- Materials and painters -------------------------------------------------------------------

Material matte(const std::string& name, float specular, float shininess) {
  Material m;
  m.name = name;
  m.ambient = glm::vec3(0.4f);
  m.diffuse = glm::vec3(0.8f);
  m.specular = glm::vec3(specular);
  m.shininess = shininess;
  return m;
}

float noise(float x, float y, uint32_t seed) {
  int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
  float fx = x - ix, fy = y - iy;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  float a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
  float c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
  return glm::mix(glm::mix(a, b, fx), glm::mix(c, d, fx), fy);
}

float fbm(float x, float y, uint32_t seed, int octaves) {
  float sum = 0, amplitude = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * noise(x, y, seed + static_cast<uint32_t>(i) * 101u);
    norm += amplitude;
    x *= 2.03f;
    y *= 2.03f;
    amplitude *= 0.5f;
  }
  return sum / norm;
}

glm::vec3 shade(const glm::vec3& c, float f) { return glm::clamp(c * f, 0.0f, 1.0f); }

Painter solid(const glm::vec3& colour, float variation, uint32_t seed) {
  return [=](Canvas& c) {
    c.fill([&](float u, float v) {
      return shade(colour, 1.0f + variation * (fbm(u * 8, v * 8, seed) - 0.5f) * 2);
    });
  };
}

Painter wood(const glm::vec3& light, const glm::vec3& dark, float rings, uint32_t seed) {
  return [=](Canvas& c) {
    c.fill([&](float u, float v) {
      float warp = fbm(u * 3, v * 0.7f, seed) * 3.0f;
      float grain = 0.5f + 0.5f * std::sin((u * rings + warp) * 6.2831853f);
      float fine = noise(u * 90, v * 6, seed + 7);
      return glm::mix(dark, light, 0.25f + 0.55f * grain + 0.2f * fine);
    });
  };
}

Painter fabric(const glm::vec3& colour, float weave, uint32_t seed) {
  return [=](Canvas& c) {
    c.fill([&](float u, float v) {
      float threads = 0.5f + 0.25f * std::sin(u * weave * 6.2831853f) +
                      0.25f * std::sin(v * weave * 6.2831853f);
      return shade(colour, 0.85f + 0.2f * threads + 0.15f * (fbm(u * 6, v * 6, seed) - 0.5f));
    });
  };
}

Painter stripes(const glm::vec3& a, const glm::vec3& b, float count, bool vertical) {
  return [=](Canvas& c) {
    c.fill([&](float u, float v) {
      float t = (vertical ? u : v) * count;
      return (static_cast<int>(std::floor(t)) % 2 == 0) ? a : b;
    });
  };
}

Painter marble(const glm::vec3& base, const glm::vec3& vein, uint32_t seed) {
  return [=](Canvas& c) {
    c.fill([&](float u, float v) {
      float t = std::abs(std::sin((u * 2 + v * 3 + fbm(u * 3, v * 3, seed) * 4) * 3.14159265f));
      float veins = std::pow(1.0f - t, 6.0f);
      return glm::mix(shade(base, 0.95f + 0.1f * noise(u * 40, v * 40, seed + 3)), vein,
                      veins * 0.7f);
    });
  };
}

namespace {

void paintCensorBar(Canvas& c, float v0, float v1) {
  c.rect(0, v0, 1, v1, glm::vec3(0.02f));
  float bandH = v1 - v0;
  // The largest whole-pixel glyph size that fits the band; "CENSORED" is 47 glyph columns wide.
  int byWidth = static_cast<int>(0.9f * c.width() / 47.0f);
  int byHeight = static_cast<int>(0.6f * bandH * c.height() / 7.0f);
  int scale = std::max(1, std::min(byWidth, byHeight));
  float glyphH = 7.0f * scale / c.height();
  c.textCentred("CENSORED", 0.5f, v0 + (bandH - glyphH) / 2, glyphH, glm::vec3(0.95f));
  float line = std::max(1.0f / c.height(), bandH * 0.06f);
  c.rect(0.02f, v0 + line, 0.98f, v0 + 2 * line, glm::vec3(0.9f, 0.1f, 0.1f));
  c.rect(0.02f, v1 - 2 * line, 0.98f, v1 - line, glm::vec3(0.9f, 0.1f, 0.1f));
}

}  // namespace

Painter censorBar() {
  return [](Canvas& c) { paintCensorBar(c, 0.0f, 1.0f); };
}

Painter censored(const Painter& picture) {
  return [picture](Canvas& c) {
    picture(c);
    c.pixelate(std::max(c.width(), c.height()) / 20);
    paintCensorBar(c, 0.36f, 0.64f);
  };
}

}  // namespace assetgen::props
