#include "scene/MeshObject.h"

#include <utility>

#include <GL/glew.h>

namespace vorn {
namespace scene {

namespace {

void drawElements(const SubMesh& sub) {
  glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(sub.numIndices), GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(sizeof(uint32_t) * sub.baseIndex),
                           static_cast<GLint>(sub.baseVertex));
}

}  // namespace

MeshObject::MeshObject(std::string name, std::string path, int32_t kind)
    : SceneObject(std::move(name), kind), path(std::move(path)) {}

MeshObject::~MeshObject() { releaseResources(); }

void MeshObject::draw(bool linearFiltering, int mipmapMode) {
  glBindVertexArray(vao);
  for (const SubMesh& sub : subMeshes) {
    // A material without a diffuse map draws with whatever unit 0 holds from the previous draw.
    if (const Texture* diffuseMap = diffuseTextures[sub.materialIndex].get())
      diffuseMap->bind(GL_TEXTURE0, linearFiltering, mipmapMode);
    normalTextures[sub.materialIndex]->bind(GL_TEXTURE3, linearFiltering, mipmapMode);
    drawElements(sub);
  }
  glBindVertexArray(0);
}

void MeshObject::drawGeometry() {
  glBindVertexArray(vao);
  for (const SubMesh& sub : subMeshes) drawElements(sub);
  glBindVertexArray(0);
}

}  // namespace scene
}  // namespace vorn
