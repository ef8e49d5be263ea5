#include "tools/assetgen/ModelBuilder.h"

#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <system_error>

#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/mat3x3.hpp>
#include <glm/matrix.hpp>

namespace assetgen {

namespace {

constexpr float kPi = 3.14159265358979f;

// Fixed-point text keeps the files byte-identical across runs and readable; "-0" is folded
// into "0" so mirrored geometry does not produce spurious differences.
std::string formatNumber(float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.5f", static_cast<double>(value));
  std::string text = buffer;
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";
  return text;
}

std::string formatVector(const glm::vec3& v) {
  return formatNumber(v.x) + " " + formatNumber(v.y) + " " + formatNumber(v.z);
}

// Two texture axes for a face normal, chosen so that walls take u along the wall and v upwards,
// floors and ceilings u along x and v along z; textures then line up across neighbouring solids.
void planarAxes(const glm::vec3& n, glm::vec3& uAxis, glm::vec3& vAxis) {
  const glm::vec3 a = glm::abs(n);
  if (a.y >= a.x && a.y >= a.z) {
    uAxis = {1, 0, 0};
    vAxis = {0, 0, n.y > 0 ? -1.0f : 1.0f};
  } else if (a.x >= a.z) {
    uAxis = {0, 0, n.x > 0 ? -1.0f : 1.0f};
    vAxis = {0, 1, 0};
  } else {
    uAxis = {n.z > 0 ? 1.0f : -1.0f, 0, 0};
    vAxis = {0, 1, 0};
  }
}

}  // namespace

void Model::addMaterial(const Material& material) { materials.push_back(material); }

void Model::beginMesh(const std::string& name, const std::string& material) {
  meshes.push_back(Mesh{name, material, {}, {}});
}

void Model::setTransform(const glm::mat4& m) { transform = m; }

void Model::addTriangle(const Vertex& a, const Vertex& b, const Vertex& c) {
  if (meshes.empty()) beginMesh("mesh", materials.empty() ? std::string() : materials.front().name);
  Mesh& mesh = meshes.back();
  const glm::mat3 normalMatrix = glm::transpose(glm::inverse(glm::mat3(transform)));
  const bool mirrored = glm::determinant(glm::mat3(transform)) < 0.0f;
  const Vertex* corners[3] = {&a, mirrored ? &c : &b, mirrored ? &b : &c};
  for (const Vertex* v : corners) {
    Vertex out;
    out.position = glm::vec3(transform * glm::vec4(v->position, 1.0f));
    out.normal = glm::normalize(normalMatrix * v->normal);
    out.uv = v->uv;
    mesh.indices.push_back(static_cast<uint32_t>(mesh.vertices.size()));
    mesh.vertices.push_back(out);
  }
}

void Model::addQuad(const glm::vec3& a, const glm::vec3& b, const glm::vec3& c, const glm::vec3& d,
                    const glm::vec2& uvMin, const glm::vec2& uvMax) {
  const glm::vec3 n = glm::normalize(glm::cross(b - a, c - a));
  const Vertex va{a, n, {uvMin.x, uvMin.y}};
  const Vertex vb{b, n, {uvMax.x, uvMin.y}};
  const Vertex vc{c, n, {uvMax.x, uvMax.y}};
  const Vertex vd{d, n, {uvMin.x, uvMax.y}};
  addTriangle(va, vb, vc);
  addTriangle(va, vc, vd);
}

void Model::addBox(const glm::vec3& min, const glm::vec3& max, float uvScale, bool inward) {
  addBoxFaces(min, max, uvScale, inward, BoxMapping::World);
}

void Model::addMappedBox(const glm::vec3& min, const glm::vec3& max) {
  addBoxFaces(min, max, 1.0f, false, BoxMapping::PerFace);
}

void Model::addBoxFaces(const glm::vec3& min, const glm::vec3& max, float uvScale, bool inward,
                        BoxMapping mapping) {
  // Each face as its four corners counter-clockwise seen from outside, starting at the corner
  // that is bottom left for a viewer who sees the face upright (planarAxes' orientation).
  struct Face {
    glm::vec3 normal;
    glm::vec3 corner[4];
  };
  const glm::vec3 p[8] = {{min.x, min.y, min.z}, {max.x, min.y, min.z}, {max.x, max.y, min.z},
                          {min.x, max.y, min.z}, {min.x, min.y, max.z}, {max.x, min.y, max.z},
                          {max.x, max.y, max.z}, {min.x, max.y, max.z}};
  const Face faces[6] = {
      {{0, 0, 1}, {p[4], p[5], p[6], p[7]}}, {{0, 0, -1}, {p[1], p[0], p[3], p[2]}},
      {{1, 0, 0}, {p[5], p[1], p[2], p[6]}}, {{-1, 0, 0}, {p[0], p[4], p[7], p[3]}},
      {{0, 1, 0}, {p[7], p[6], p[2], p[3]}}, {{0, -1, 0}, {p[0], p[1], p[5], p[4]}},
  };
  const glm::vec2 faceUv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (const Face& face : faces) {
    const glm::vec3 normal = inward ? -face.normal : face.normal;
    // World mapping takes texture coordinates from the transformed position, so neighbouring
    // solids continue one pattern instead of restarting it at every seam.
    glm::vec3 uAxis, vAxis;
    planarAxes(glm::normalize(glm::mat3(transform) * normal), uAxis, vAxis);
    Vertex v[4];
    for (int i = 0; i < 4; ++i) {
      const glm::vec3 world(transform * glm::vec4(face.corner[i], 1.0f));
      v[i].position = face.corner[i];
      v[i].normal = normal;
      v[i].uv = mapping == BoxMapping::PerFace
                    ? faceUv[i]
                    : glm::vec2(glm::dot(world, uAxis), glm::dot(world, vAxis)) * uvScale;
    }
    if (inward) {
      addTriangle(v[0], v[2], v[1]);
      addTriangle(v[0], v[3], v[2]);
    } else {
      addTriangle(v[0], v[1], v[2]);
      addTriangle(v[0], v[2], v[3]);
    }
  }
}

void Model::addCylinder(const glm::vec3& baseCentre, float radius, float height, int segments) {
  segments = std::max(segments, 3);
  const glm::vec3 top = baseCentre + glm::vec3(0, height, 0);
  for (int i = 0; i < segments; ++i) {
    const float a0 = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(segments);
    const float a1 = 2.0f * kPi * static_cast<float>(i + 1) / static_cast<float>(segments);
    // Counter-clockwise seen from above goes from +x towards -z.
    const glm::vec3 d0(std::cos(a0), 0, -std::sin(a0));
    const glm::vec3 d1(std::cos(a1), 0, -std::sin(a1));
    const float u0 = static_cast<float>(i) / static_cast<float>(segments);
    const float u1 = static_cast<float>(i + 1) / static_cast<float>(segments);
    const Vertex b0{baseCentre + d0 * radius, d0, {u0, 0}};
    const Vertex b1{baseCentre + d1 * radius, d1, {u1, 0}};
    const Vertex t0{top + d0 * radius, d0, {u0, 1}};
    const Vertex t1{top + d1 * radius, d1, {u1, 1}};
    // Seen from outside, b1 lies to the right of b0.
    addTriangle(b0, b1, t1);
    addTriangle(b0, t1, t0);
    const glm::vec2 c(0.5f);
    const glm::vec2 e0 = c + 0.5f * glm::vec2(d0.x, d0.z);
    const glm::vec2 e1 = c + 0.5f * glm::vec2(d1.x, d1.z);
    addTriangle(Vertex{top, {0, 1, 0}, c}, Vertex{t0.position, {0, 1, 0}, e0},
                Vertex{t1.position, {0, 1, 0}, e1});
    addTriangle(Vertex{baseCentre, {0, -1, 0}, c}, Vertex{b1.position, {0, -1, 0}, e1},
                Vertex{b0.position, {0, -1, 0}, e0});
  }
}

void Model::addSphere(const glm::vec3& centre, const glm::vec3& radii, int segments, int rings) {
  segments = std::max(segments, 3);
  rings = std::max(rings, 2);
  auto point = [&](int s, int r) {
    const float theta = kPi * static_cast<float>(r) / static_cast<float>(rings);  // from the top
    const float phi = 2.0f * kPi * static_cast<float>(s) / static_cast<float>(segments);
    const glm::vec3 unit(std::sin(theta) * std::cos(phi), std::cos(theta),
                         -std::sin(theta) * std::sin(phi));
    Vertex v;
    v.position = centre + unit * radii;
    v.normal = glm::normalize(unit / radii);
    v.uv = {static_cast<float>(s) / static_cast<float>(segments),
            1.0f - static_cast<float>(r) / static_cast<float>(rings)};
    return v;
  };
  for (int r = 0; r < rings; ++r) {
    for (int s = 0; s < segments; ++s) {
      const Vertex a = point(s, r), b = point(s, r + 1), c = point(s + 1, r + 1),
                   d = point(s + 1, r);
      if (r != 0) addTriangle(a, b, d);
      if (r != rings - 1) addTriangle(d, b, c);
    }
  }
}

bool Model::write(const std::string& dir, const std::string& stem) const {
  if (!makeDirectories(dir)) return false;
  std::ostringstream obj;
  obj << "# Blotwise asset generator\nmtllib " << stem << ".mtl\n";
  // Identical positions, texture coordinates and normals are written once; OBJ indices are
  // global and 1-based, so the three tables keep counting across meshes.
  struct Table {
    std::map<std::string, size_t> index;
    size_t lookup(const std::string& text, const char* tag, std::ostringstream& out) {
      const auto [it, added] = index.emplace(text, index.size() + 1);
      if (added) out << tag << " " << text << "\n";
      return it->second;
    }
  } positions, uvs, normals;
  for (const Mesh& mesh : meshes) {
    if (mesh.indices.empty()) continue;
    std::ostringstream vertexLines, faceLines;
    for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
      faceLines << "f";
      for (size_t k = 0; k < 3; ++k) {
        const Vertex& v = mesh.vertices[mesh.indices[i + k]];
        faceLines << " " << positions.lookup(formatVector(v.position), "v", vertexLines) << "/"
                  << uvs.lookup(formatNumber(v.uv.x) + " " + formatNumber(v.uv.y), "vt",
                                vertexLines)
                  << "/" << normals.lookup(formatVector(v.normal), "vn", vertexLines);
      }
      faceLines << "\n";
    }
    obj << "o " << mesh.name << "\n"
        << vertexLines.str() << "usemtl " << mesh.material << "\n"
        << faceLines.str();
  }

  std::ostringstream mtl;
  mtl << "# Blotwise asset generator\n";
  for (const Material& m : materials) {
    mtl << "newmtl " << m.name << "\n"
        << "Ka " << formatVector(m.ambient) << "\n"
        << "Kd " << formatVector(m.diffuse) << "\n"
        << "Ks " << formatVector(m.specular) << "\n"
        << "Ns " << formatNumber(m.shininess) << "\n"
        << "d " << formatNumber(m.opacity) << "\n"
        << "illum 2\n";
    if (!m.diffuseMap.empty()) mtl << "map_Kd " << m.diffuseMap << "\n";
    if (!m.bumpMap.empty()) mtl << "map_bump " << m.bumpMap << "\n";
    mtl << "\n";
  }

  for (const auto& [path, text] : {std::pair{dir + "/" + stem + ".obj", obj.str()},
                                   std::pair{dir + "/" + stem + ".mtl", mtl.str()}}) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      std::cerr << "ERROR: cannot write " << path << std::endl;
      return false;
    }
  }
  return true;
}

Image::Image(int w, int h)
    : width(std::max(w, 0)), height(std::max(h, 0)),
      rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0) {}

void Image::set(int x, int y, glm::vec3 colour) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const size_t i =
      (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  for (int c = 0; c < 3; ++c)
    rgb[i + c] = static_cast<uint8_t>(std::lround(std::clamp(colour[c], 0.0f, 1.0f) * 255.0f));
}

glm::vec3 Image::get(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return glm::vec3(0.0f);
  const size_t i =
      (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  return glm::vec3(rgb[i], rgb[i + 1], rgb[i + 2]) / 255.0f;
}

HeightField::HeightField(int w, int h)
    : width(std::max(w, 1)), height(std::max(h, 1)),
      values(static_cast<size_t>(width) * static_cast<size_t>(height), 0.0f) {}

float& HeightField::at(int x, int y) {
  x = ((x % width) + width) % width;
  y = ((y % height) + height) % height;
  return values[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
}

float HeightField::at(int x, int y) const { return const_cast<HeightField&>(*this).at(x, y); }

float latticeHash(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return static_cast<float>(h & 0xffffffu) / 16777215.0f;
}

namespace {

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

}  // namespace

float tileableNoise(float u, float v, int period, uint32_t seed) {
  period = std::max(period, 1);
  const float x = (u - std::floor(u)) * static_cast<float>(period);
  const float y = (v - std::floor(v)) * static_cast<float>(period);
  const int x0 = static_cast<int>(std::floor(x)) % period;
  const int y0 = static_cast<int>(std::floor(y)) % period;
  const int x1 = (x0 + 1) % period;
  const int y1 = (y0 + 1) % period;
  const float fx = smooth(x - std::floor(x));
  const float fy = smooth(y - std::floor(y));
  const float bottom = glm::mix(latticeHash(x0, y0, seed), latticeHash(x1, y0, seed), fx);
  const float top = glm::mix(latticeHash(x0, y1, seed), latticeHash(x1, y1, seed), fx);
  return glm::mix(bottom, top, fy);
}

float tileableFbm(float u, float v, int period, int octaves, uint32_t seed) {
  float sum = 0.0f, weight = 0.5f, total = 0.0f;
  for (int i = 0; i < std::max(octaves, 1); ++i) {
    sum += weight * tileableNoise(u, v, period << i, seed + static_cast<uint32_t>(i) * 101u);
    total += weight;
    weight *= 0.5f;
  }
  return sum / total;
}

Image normalMapFromHeights(const HeightField& heights, float strength) {
  Image image(heights.width, heights.height);
  for (int y = 0; y < heights.height; ++y) {
    for (int x = 0; x < heights.width; ++x) {
      const float dx = (heights.at(x + 1, y) - heights.at(x - 1, y)) * 0.5f;
      const float dy = (heights.at(x, y + 1) - heights.at(x, y - 1)) * 0.5f;
      const glm::vec3 n = glm::normalize(glm::vec3(-dx * strength, -dy * strength, 1.0f));
      image.set(x, y, n * 0.5f + 0.5f);
    }
  }
  return image;
}

bool writeImage(const Image& image, const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  FREE_IMAGE_FORMAT format = FIF_UNKNOWN;
  int flags = 0;
  if (extension == ".png") {
    format = FIF_PNG;
    flags = PNG_Z_DEFAULT_COMPRESSION;
  } else if (extension == ".jpg" || extension == ".jpeg") {
    format = FIF_JPEG;
    flags = JPEG_QUALITYSUPERB;
  } else {
    std::cerr << "ERROR: unsupported image type for " << path << std::endl;
    return false;
  }
  if (image.width <= 0 || image.height <= 0) {
    std::cerr << "ERROR: empty image for " << path << std::endl;
    return false;
  }
  const std::string parent = std::filesystem::path(path).parent_path().string();
  if (!parent.empty() && !makeDirectories(parent)) return false;

  const bool withAlpha = image.alpha < 255;
  if (withAlpha && format != FIF_PNG) {
    std::cerr << "ERROR: only PNG keeps the alpha channel of " << path << std::endl;
    return false;
  }
  const int bytesPerPixel = withAlpha ? 4 : 3;
  FIBITMAP* bitmap = FreeImage_Allocate(image.width, image.height, 8 * bytesPerPixel);
  if (!bitmap) {
    std::cerr << "ERROR: cannot allocate image for " << path << std::endl;
    return false;
  }
  // FreeImage stores scan line 0 at the bottom, as Image does, so rows copy straight across.
  for (int y = 0; y < image.height; ++y) {
    BYTE* line = FreeImage_GetScanLine(bitmap, y);
    const uint8_t* source =
        &image.rgb[static_cast<size_t>(y) * static_cast<size_t>(image.width) * 3];
    for (int x = 0; x < image.width; ++x) {
      BYTE* pixel = line + x * bytesPerPixel;
      pixel[FI_RGBA_RED] = source[x * 3];
      pixel[FI_RGBA_GREEN] = source[x * 3 + 1];
      pixel[FI_RGBA_BLUE] = source[x * 3 + 2];
      if (withAlpha) pixel[FI_RGBA_ALPHA] = image.alpha;
    }
  }
  const bool saved = FreeImage_Save(format, bitmap, path.c_str(), flags) != 0;
  FreeImage_Unload(bitmap);
  if (!saved) std::cerr << "ERROR: cannot write " << path << std::endl;
  return saved;
}

bool makeDirectories(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error || !std::filesystem::is_directory(path)) {
    std::cerr << "ERROR: cannot create directory " << path << ": " << error.message() << std::endl;
    return false;
  }
  return true;
}

float Random::next() {
  // xorshift32: tiny, fast and identical on every platform, unlike the standard distributions.
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return static_cast<float>(state >> 8) * (1.0f / 16777216.0f);
}

}  // namespace assetgen
