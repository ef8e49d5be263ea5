#pragma once

#include <deque>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <GL/glew.h>
#include <gtest/gtest.h>

#include "assets/Texture.h"
#include "physics/Physics.h"
#include "scene/AssetCache.h"
#include "scene/MeshObject.h"
#include "support/GlContext.h"
#include "support/ScratchDirectory.h"

namespace vorn::test {

// Fixture for tests that load model and image files written into a scratch directory: a GL
// context, a physics world for the collision actors, and ways to read back what reached the GPU.
class ModelTest : public GlTest {
 protected:
  explicit ModelTest(const std::string& prefix = "model") : scratch(prefix) {}

  // A solid-colour 24-bit image (its size tells which file a texture came from).
  std::string writeImage(const std::string& name, int width, int height,
                         RGBQUAD colour = {0, 0, 0, 255},
                         FREE_IMAGE_FORMAT format = FIF_PNG) const {
    const std::string path = scratch.write(name, "");
    FIBITMAP* image = FreeImage_Allocate(width, height, 24);
    FreeImage_FillBackground(image, &colour, 0);
    EXPECT_TRUE(FreeImage_Save(format, image, path.c_str(), 0)) << name;
    FreeImage_Unload(image);
    return path;
  }

  // Loads the model at a uniform scale with the fixture's material into its world. Each load
  // reads its files afresh (tests write new content under old names) unless given a cache to share.
  bool load(scene::MeshObject& object, scene::AssetCache* assets = nullptr, float scale = 1.0f) {
    return object.loadModel(assets ? *assets : caches.emplace_back(), material,
                            physics.getCooking(), physics.getScene(), scale, scale, scale);
  }

  // What the load put into one of the object's buffers, as elements of T.
  template <typename T>
  static std::vector<T> readStream(const scene::MeshObject& object,
                                   scene::MeshObject::BufferSlot slot) {
    glBindBuffer(GL_COPY_READ_BUFFER, object.buffers[slot]);
    GLint64 size = 0;
    glGetBufferParameteri64v(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &size);
    std::vector<T> data(static_cast<std::size_t>(size) / sizeof(T));
    if (size > 0) glGetBufferSubData(GL_COPY_READ_BUFFER, 0, size, data.data());
    return data;
  }

  // The width of the texture's level 0 (0 for an empty texture), or -1 for no texture at all.
  static GLint textureWidth(const Texture* texture) {
    GLint width = -1;
    if (texture == nullptr) return width;
    glBindTexture(GL_TEXTURE_2D, texture->name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    return width;
  }

  ScratchDirectory scratch;
  Physics physics;
  PhysicsMaterial material = physics.createMaterial(0.5f, 0.5f, 0.5f);
  std::deque<scene::AssetCache> caches;  // outlive the objects of a test, whose bodies use them
};

}  // namespace vorn::test
