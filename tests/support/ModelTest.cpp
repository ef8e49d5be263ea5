#include "support/ModelTest.h"

namespace vorn::test {

bool ModelTest::load(scene::MeshObject& object, float scale) {
  return load(object, caches.emplace_back(), scale);
}

bool ModelTest::load(scene::MeshObject& object, scene::AssetCache& assets, float scale) {
  return object.loadModel(assets, material, physics.getCooking(), physics.getScene(), scale, scale,
                          scale);
}

GLint ModelTest::textureWidth(const Texture* texture) {
  if (texture == nullptr) return -1;
  glBindTexture(GL_TEXTURE_2D, texture->name);
  GLint width = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  return width;
}

}  // namespace vorn::test
