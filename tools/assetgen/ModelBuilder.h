#pragma once

// Geometry and file output for the asset generator: models are built from simple solids, written
// as Wavefront OBJ with a material library; images are written with FreeImage.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

namespace assetgen {

struct Material {
  std::string name;
  glm::vec3 ambient{0.3f};   // Ka
  glm::vec3 diffuse{0.8f};   // Kd
  glm::vec3 specular{0.2f};  // Ks
  float shininess = 32.0f;   // Ns
  float opacity = 1.0f;      // d
  std::string diffuseMap;    // map_Kd, relative to the model's directory ("" for none)
  std::string bumpMap;       // map_bump, relative to the model's directory ("" for none)
};

struct Vertex {
  glm::vec3 position;
  glm::vec3 normal;
  glm::vec2 uv;
};

// One OBJ object ("o" line) with one material; each becomes one mesh when imported.
struct Mesh {
  std::string name;
  std::string material;
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;  // counter-clockwise triangles seen from outside
};

class Model {
 public:
  // Materials are written in the order added. The importer puts its own default material first,
  // so the first material added here becomes material index 1, the one that gives the object its
  // lighting coefficients and opacity.
  void addMaterial(const Material& material);

  // Starts a new mesh; the solids below go into the current mesh.
  void beginMesh(const std::string& name, const std::string& material);

  // Transform applied to every solid added after it (identity by default).
  void setTransform(const glm::mat4& m);

  // Axis-aligned box; uvScale is texture repeats per unit of length. Faces point outwards,
  // or inwards (for a room seen from inside) when inward is true.
  void addBox(const glm::vec3& min, const glm::vec3& max, float uvScale = 1.0f,
              bool inward = false);
  // Axis-aligned box whose every face shows the whole texture (0..1), upright on the side faces:
  // crates, screens, door leaves.
  void addMappedBox(const glm::vec3& min, const glm::vec3& max);
  // A single quad a-b-c-d (counter-clockwise seen from the side it faces).
  void addQuad(const glm::vec3& a, const glm::vec3& b, const glm::vec3& c, const glm::vec3& d,
               const glm::vec2& uvMin = {0, 0}, const glm::vec2& uvMax = {1, 1});
  // Cylinder along +Y from base centre, with caps.
  void addCylinder(const glm::vec3& baseCentre, float radius, float height, int segments = 16);
  // UV sphere (or ellipsoid, by radii).
  void addSphere(const glm::vec3& centre, const glm::vec3& radii, int segments = 16, int rings = 8);

  // Writes "<dir>/<stem>.obj" and "<dir>/<stem>.mtl"; returns false with a message on failure.
  bool write(const std::string& dir, const std::string& stem) const;

  std::vector<Material> materials;
  std::vector<Mesh> meshes;

 private:
  enum class BoxMapping { World, PerFace };
  void addBoxFaces(const glm::vec3& min, const glm::vec3& max, float uvScale, bool inward,
                   BoxMapping mapping);
  void addTriangle(const Vertex& a, const Vertex& b, const Vertex& c);
  glm::mat4 transform{1.0f};
};

// An 8-bit RGB image, row 0 at the bottom (the order textures use), with one alpha for every
// pixel: below 255 the image is written with an alpha channel, which only PNG keeps.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  uint8_t alpha = 255;

  Image(int w, int h);
  void set(int x, int y, glm::vec3 colour);  // colour components 0..1
  glm::vec3 get(int x, int y) const;
};

// A grey-scale field of floats, row 0 at the bottom like Image; used as a height map.
struct HeightField {
  int width = 0;
  int height = 0;
  std::vector<float> values;

  HeightField(int w, int h);
  float& at(int x, int y);  // wraps around at the edges, as a repeating texture does
  float at(int x, int y) const;
};

// A deterministic pseudo-random value in [0, 1] for an integer lattice point.
float latticeHash(int x, int y, uint32_t seed);

// Value noise that repeats every `period` lattice cells across u, v in [0, 1): textures built from
// it tile without seams. Results lie in [0, 1].
float tileableNoise(float u, float v, int period, uint32_t seed);
// Octaves of tileableNoise, each with twice the period and half the weight; result in [0, 1].
float tileableFbm(float u, float v, int period, int octaves, uint32_t seed);

// A tangent-space normal map (x right, y up along the texture's v, z out of the surface) from a
// height field that wraps at its edges; strength scales the slopes.
Image normalMapFromHeights(const HeightField& heights, float strength);

// Writes PNG or JPEG by the file extension; creates missing directories.
bool writeImage(const Image& image, const std::string& path);

// Creates a directory and its parents.
bool makeDirectories(const std::string& path);

// A small deterministic random generator (the generator's output must be byte-identical
// from run to run).
class Random {
 public:
  explicit Random(uint32_t seed) : state(seed ? seed : 1u) {}
  float next();  // uniform in [0, 1)
 private:
  uint32_t state;
};

// Everything the generator writes is registered here: path of the output below Resources/.
using Generator = std::function<bool(const std::string& resourcesDir)>;

}  // namespace assetgen
