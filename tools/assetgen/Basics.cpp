// The models every other part of the game leans on: the full-screen geometry of the
// post-processing passes, the thrown crate, the player's own (never drawn) body, and the flat
// default normal map that every model directory carries.

#include <cmath>
#include <filesystem>

#include <glm/common.hpp>

#include "tools/assetgen/Generators.h"
#include "tools/assetgen/ModelBuilder.h"

namespace assetgen {

namespace {

bool writeScreenCube(const std::string& resourcesDir) {
  // No texture on purpose: the post-processing passes bind their own render targets to unit 0,
  // and a diffuse map here would replace them when the cube is drawn.
  Model model;
  model.addMaterial(
      Material{"screen", glm::vec3(1.0f), glm::vec3(1.0f), glm::vec3(0.0f), 1.0f, 1.0f, "", ""});
  model.beginMesh("screen", "screen");
  model.addMappedBox(glm::vec3(-1.0f), glm::vec3(1.0f));
  return model.write(resourcesDir, "cube");
}

// Planks with a frame and a diagonal brace, the look of a shipping crate.
bool writeCrateTextures(const std::string& dir) {
  const int size = 256;
  Image colour(size, size);
  HeightField heights(size, size);
  const float border = 0.12f;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float u = (static_cast<float>(x) + 0.5f) / size;
      const float v = (static_cast<float>(y) + 0.5f) / size;
      const bool frame = u < border || u > 1.0f - border || v < border || v > 1.0f - border;
      const float braceDistance = std::abs(u - v) / std::sqrt(2.0f);
      const bool brace = !frame && braceDistance < border * 0.6f;
      const int plank = static_cast<int>(v * 5.0f);
      const float grainAlong = frame && (u < border || u > 1.0f - border) ? v : u;
      const float grainAcross = frame && (u < border || u > 1.0f - border) ? u : v;
      const float grain = tileableFbm(grainAlong * 0.5f, grainAcross * 8.0f + plank * 0.37f, 4, 4,
                                      17u + static_cast<uint32_t>(plank));
      const float streak = 0.5f + 0.5f * std::sin(grainAcross * 180.0f + grain * 9.0f);
      glm::vec3 wood = glm::mix(glm::vec3(0.55f, 0.38f, 0.2f), glm::vec3(0.72f, 0.53f, 0.3f),
                                0.6f * streak + 0.4f * grain);
      float height = 0.6f + 0.1f * grain;
      if (frame || brace) {
        wood *= 0.85f;
        height = 1.0f;
      }
      // Dark gaps between planks and around the frame.
      const float seam = std::abs(v * 5.0f - std::round(v * 5.0f));
      if (!frame && !brace && seam < 0.04f) {
        wood *= 0.45f;
        height = 0.2f;
      }
      const float edge = std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v));
      if (edge < 0.012f) wood *= 0.5f;
      // Nail heads in the frame corners.
      for (float cu : {border * 0.5f, 1.0f - border * 0.5f})
        for (float cv : {border * 0.5f, 1.0f - border * 0.5f})
          if (glm::length(glm::vec2(u - cu, v - cv)) < 0.018f) wood = glm::vec3(0.3f);
      colour.set(x, y, wood);
      heights.at(x, y) = height;
    }
  }
  return writeImage(colour, dir + "/Textures/crate.jpg") &&
         writeImage(normalMapFromHeights(heights, 6.0f), dir + "/Textures/crate_normal.png");
}

bool writeCrate(const std::string& resourcesDir) {
  const std::string dir = resourcesDir + "/Censorable";
  if (!writeCrateTextures(dir) || !writeDefaultNormalMap(dir)) return false;
  Model model;
  model.addMaterial(Material{"crate", glm::vec3(0.4f), glm::vec3(0.85f), glm::vec3(0.2f), 24.0f,
                             1.0f, "Textures/crate.jpg", "Textures/crate_normal.png"});
  // One mesh: a thrown box is a dynamic body and every mesh would become a body of its own.
  model.beginMesh("box", "crate");
  model.addMappedBox(glm::vec3(-0.25f), glm::vec3(0.25f));
  return model.write(dir, "box");
}

bool writeBodyTexture(const std::string& dir) {
  // Three bands: trousers, shirt, skin; the body model maps its parts onto them by height.
  Image colour(64, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const float shade = 0.92f + 0.08f * tileableNoise(x / 64.0f, y / 64.0f, 8, 5u);
      const glm::vec3 band = y < 24   ? glm::vec3(0.2f, 0.24f, 0.36f)
                             : y < 48 ? glm::vec3(0.62f, 0.2f, 0.18f)
                                      : glm::vec3(0.86f, 0.68f, 0.55f);
      colour.set(x, y, band * shade);
    }
  }
  return writeImage(colour, dir + "/Textures/basic_male.jpg");
}

// The player's body: loaded by the camera actor but never drawn, so a plain figure will do.
bool writeBasicMale(const std::string& resourcesDir) {
  const std::string dir = resourcesDir + "/Human";
  if (!writeBodyTexture(dir) || !writeDefaultNormalMap(dir)) return false;
  Model model;
  model.addMaterial(Material{"body", glm::vec3(0.4f), glm::vec3(0.8f), glm::vec3(0.1f), 16.0f, 1.0f,
                             "Textures/basic_male.jpg", ""});
  model.beginMesh("basic_male", "body");
  model.addCylinder({-0.25f, 0.0f, 0.0f}, 0.18f, 1.4f, 10);  // legs
  model.addCylinder({0.25f, 0.0f, 0.0f}, 0.18f, 1.4f, 10);
  model.addBox({-0.5f, 1.4f, -0.25f}, {0.5f, 2.4f, 0.25f}, 0.5f);  // torso
  model.addCylinder({-0.65f, 1.3f, 0.0f}, 0.13f, 1.1f, 8);         // arms
  model.addCylinder({0.65f, 1.3f, 0.0f}, 0.13f, 1.1f, 8);
  model.addSphere({0.0f, 2.75f, 0.0f}, glm::vec3(0.3f, 0.35f, 0.3f), 12, 8);  // head
  return model.write(dir, "basic_male");
}

}  // namespace

bool writeDefaultNormalMap(const std::string& modelDir) {
  Image flat(16, 16);
  for (int y = 0; y < flat.height; ++y)
    for (int x = 0; x < flat.width; ++x) flat.set(x, y, glm::vec3(128, 128, 255) / 255.0f);
  return writeImage(flat, modelDir + "/Textures/normal.jpg");
}

bool writeBasics(const std::string& resourcesDir) {
  return writeDefaultNormalMap(resourcesDir) && writeScreenCube(resourcesDir) &&
         writeCrate(resourcesDir) && writeBasicMale(resourcesDir);
}

}  // namespace assetgen
