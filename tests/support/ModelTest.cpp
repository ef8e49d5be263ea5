#include "support/ModelTest.h"

#include <gtest/gtest.h>

namespace vorn::test {

std::string ModelTest::writeImage(const std::string& name, int width, int height, RGBQUAD colour,
                                  FREE_IMAGE_FORMAT format) const {
  const std::string path = write(name, "");
  FIBITMAP* image = FreeImage_Allocate(width, height, 24);
  FreeImage_FillBackground(image, &colour, 0);
  EXPECT_TRUE(FreeImage_Save(format, image, path.c_str(), 0)) << name;
  FreeImage_Unload(image);
  return path;
}

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
