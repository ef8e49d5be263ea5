#pragma once

// Shared tools of the prop generators (furniture, people, censorable objects).
//
// Every prop is ONE mesh with ONE material whose diffuse map is an atlas of painted tiles: a
// dynamic prop becomes one physics body only when it is a single mesh, and one draw call per prop
// keeps the level cheap to render. Parts are added as simple solids; each solid takes its texture
// coordinates from one tile, so the builder's own coordinates are replaced.

#include <functional>
#include <string>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "tools/assetgen/ModelBuilder.h"

namespace assetgen::props {

// A region of the atlas in texture coordinates, already inset by the gutter.
struct Tile {
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

// A painting surface over one tile; coordinates are normalised (u right, v up, both 0..1), so
// painters do not depend on the tile's pixel size.
class Canvas {
 public:
  Canvas(Image& image, int x0, int y0, int width, int height);

  int width() const { return w; }
  int height() const { return h; }
  void set(int x, int y, const glm::vec3& colour);  // tile pixels, clipped
  glm::vec3 get(int x, int y) const;

  // Colours every pixel by a function of its centre (u, v).
  void fill(const std::function<glm::vec3(float u, float v)>& shade);
  void rect(float u0, float v0, float u1, float v1, const glm::vec3& colour);
  void ellipse(float cu, float cv, float ru, float rv, const glm::vec3& colour);
  // Blocky 5x7 text, bottom-left at (u, v), glyph height in v units; returns the text width in u.
  float text(const std::string& s, float u, float v, float glyphHeight, const glm::vec3& colour);
  void textCentred(const std::string& s, float cu, float v, float glyphHeight,
                   const glm::vec3& colour);
  // Averages square blocks of about `block` pixels: the mosaic look of a censored picture.
  void pixelate(int block);

 private:
  Image& image;
  int x0, y0, w, h;
};

using Painter = std::function<void(Canvas&)>;

// Square texture atlas filled shelf by shelf; each tile gets a gutter of repeated border pixels so
// mipmaps do not bleed the neighbours in.
class Atlas {
 public:
  explicit Atlas(int size);

  Tile add(int width, int height, const Painter& paint);
  bool overflowed() const { return full; }

  Image image;

 private:
  int cursorX = 0, cursorY = 0, shelfHeight = 0;
  bool full = false;
};

enum class Projection { Box, X, Y, Z };

// One single-mesh model being built, with its atlas.
class Prop {
 public:
  Prop(const std::string& name, int atlasSize, const Material& look);

  Tile tile(int width, int height, const Painter& paint) { return atlas.add(width, height, paint); }

  // Later solids are placed by m (their texture coordinates still follow their own frame).
  void setTransform(const glm::mat4& m);
  void resetTransform() { setTransform(glm::mat4(1.0f)); }

  void box(const glm::vec3& min, const glm::vec3& max, const Tile& t,
           Projection p = Projection::Box);
  void cylinder(const glm::vec3& base, float radius, float height, const Tile& t,
                int segments = 12);
  void sphere(const glm::vec3& centre, const glm::vec3& radii, const Tile& t,
              Projection p = Projection::Box, int segments = 12, int rings = 6);
  // A round rod from a to b (no joint spheres; add them where a joint shows).
  void limb(const glm::vec3& a, const glm::vec3& b, float radius, const Tile& t, int segments = 8);
  // A flat picture: the whole tile on the quad origin, +uEdge, +uEdge+vEdge, +vEdge, seen from the
  // side that cross(uEdge, vEdge) points to; twoSided adds the mirrored back face.
  void panel(const glm::vec3& origin, const glm::vec3& uEdge, const glm::vec3& vEdge, const Tile& t,
             bool twoSided = false);

  // Writes "<dir>/<stem>.obj", its .mtl, "<dir>/Textures/<stem>.png" and the default normal map.
  bool write(const std::string& dir, const std::string& stem);

  Model model;
  Atlas atlas;

 private:
  size_t mark() const;
  void mapBox(size_t from, const Tile& t, Projection p);
  void mapPlanar(size_t from, const Tile& t, const glm::vec3& origin, const glm::vec3& uEdge,
                 const glm::vec3& vEdge);

  Material look;
  glm::mat4 transform{1.0f};
  glm::mat4 inverse{1.0f};
};

// Lighting coefficients shared by most props: matte, lit, a modest highlight.
Material matte(const std::string& name, float specular = 0.15f, float shininess = 40.0f);

// Value noise in 0..1, smooth, deterministic; fbm sums octaves.
float noise(float x, float y, uint32_t seed);
float fbm(float x, float y, uint32_t seed, int octaves = 4);

// Painters for common surfaces.
Painter solid(const glm::vec3& colour, float variation = 0.06f, uint32_t seed = 1);
Painter wood(const glm::vec3& light, const glm::vec3& dark, float rings = 10.0f, uint32_t seed = 2);
Painter fabric(const glm::vec3& colour, float weave = 24.0f, uint32_t seed = 3);
Painter stripes(const glm::vec3& a, const glm::vec3& b, float count, bool vertical);
Painter marble(const glm::vec3& base, const glm::vec3& vein, uint32_t seed = 4);
// A black bar with the word CENSORED, the mark every censored model carries.
Painter censorBar();
// Wraps a picture painter: the censored version is the picture pixelated under a censor bar.
Painter censored(const Painter& picture);

// Multiplies a colour with a factor and clamps it (painters use it for shading).
glm::vec3 shade(const glm::vec3& c, float f);

}  // namespace assetgen::props

namespace assetgen {

// The prop generators speak in these names throughout.
using glm::vec3;
using props::Canvas;
using props::Painter;
using props::Prop;
using props::Tile;

}  // namespace assetgen
