// Scene objects and geometry for the render tests: objects posed by a standalone physics actor,
// GPU meshes with the four vertex streams, and a log of what the passes drew.
#pragma once

#include <GL/glew.h>

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <memory>
#include <string>
#include <vector>

#include "assets/Image.h"
#include "physics/Physics.h"
#include "scene/SceneObject.h"
#include "test_physics_helpers.h"

namespace vorn::test {

// Vertex streams at locations 0 position, 1 texture coordinate, 2 normal, 3 tangent.
class GpuMesh {
 public:
  GpuMesh(const std::vector<glm::vec3>& positions, const std::vector<glm::vec2>& uvs,
          const std::vector<glm::vec3>& normals, const std::vector<glm::vec3>& tangents,
          const std::vector<uint32_t>& indices)
      : indexCount(static_cast<GLsizei>(indices.size())) {
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(5, buffers);
    stream(buffers[0], 0, 3, positions.data(), positions.size() * sizeof(glm::vec3));
    stream(buffers[1], 1, 2, uvs.data(), uvs.size() * sizeof(glm::vec2));
    stream(buffers[2], 2, 3, normals.data(), normals.size() * sizeof(glm::vec3));
    stream(buffers[3], 3, 3, tangents.data(), tangents.size() * sizeof(glm::vec3));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[4]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, indices.size() * sizeof(uint32_t), indices.data(),
                 GL_STATIC_DRAW);
    glBindVertexArray(0);
  }
  ~GpuMesh() {
    glDeleteBuffers(5, buffers);
    glDeleteVertexArrays(1, &vao);
  }
  GpuMesh(const GpuMesh&) = delete;
  GpuMesh& operator=(const GpuMesh&) = delete;

  void draw() const {
    glBindVertexArray(vao);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
  }

 private:
  static void stream(GLuint buffer, GLuint location, GLint size, const void* data, size_t bytes) {
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    glEnableVertexAttribArray(location);
    glVertexAttribPointer(location, size, GL_FLOAT, GL_FALSE, 0, nullptr);
  }

  GLuint vao = 0;
  GLuint buffers[5] = {0, 0, 0, 0, 0};
  GLsizei indexCount;
};

// The box between two corners with outward faces, each counter-clockwise seen from outside.
inline std::unique_ptr<GpuMesh> outwardBox(const glm::vec3& lo, const glm::vec3& hi) {
  const glm::vec3 x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
  // Normal n and in-face axes u, v with cross(u, v) == n.
  const glm::vec3 faces[6][3] = {{x, y, z},  {-x, z, y}, {y, z, x},
                                 {-y, x, z}, {z, x, y},  {-z, y, x}};
  const glm::vec3 centre = (lo + hi) * 0.5f, half = (hi - lo) * 0.5f;
  std::vector<glm::vec3> positions, normals, tangents;
  std::vector<glm::vec2> uvs;
  std::vector<uint32_t> indices;
  for (const auto& face : faces) {
    const glm::vec3 n = face[0], u = face[1], v = face[2];
    const auto base = static_cast<uint32_t>(positions.size());
    for (const glm::vec2& corner :
         {glm::vec2(-1, -1), glm::vec2(1, -1), glm::vec2(1, 1), glm::vec2(-1, 1)}) {
      positions.push_back(centre + half * (n + corner.x * u + corner.y * v));
      uvs.push_back(corner * 0.5f + 0.5f);
      normals.push_back(n);
      tangents.push_back(u);
    }
    for (uint32_t i : {0u, 1u, 2u, 0u, 2u, 3u}) indices.push_back(base + i);
  }
  return std::make_unique<GpuMesh>(positions, uvs, normals, tangents, indices);
}

// What the passes drew, in order, with the "f_alpha" in force at each draw (NaN when the current
// program has no such uniform) and the samples that passed the depth test.
struct DrawRecord {
  std::string name;
  float alpha;
  GLuint samples;
};

// A scene object with a real (static, unsimulated) physics actor holding its pose, a model-space
// bounding box and an optional mesh to draw; it records its draws in a log.
class TestObject : public scene::SceneObject {
 public:
  TestObject(std::string name, float objectOpacity, std::vector<DrawRecord>* log,
             std::shared_ptr<GpuMesh> mesh = nullptr)
      : SceneObject(std::move(name), 0), log(log), mesh(std::move(mesh)) {
    opacity = objectOpacity;
    ambient = 1.0f;
    diffuse = 1.0f;
    specular = 0.0f;
    shininess = 8.0f;
    actors.push_back(body.get());
  }

  // A model-space box of the given half size around the origin.
  TestObject& withBox(float half) {
    corners.clear();
    for (int i = 0; i < 8; ++i)
      corners.emplace_back(i & 1 ? half : -half, i & 2 ? half : -half, i & 4 ? half : -half, 1.0f);
    return *this;
  }
  TestObject& at(const glm::vec3& position, const glm::quat& rotation = glm::quat(1, 0, 0, 0)) {
    body->setGlobalPose(Pose(rotation, position));
    return *this;
  }

  void draw(bool, int) override {
    if (diffuseMap != 0) {  // as a mesh with a diffuse map binds it
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_2D, diffuseMap);
    }
    GLuint query = 0, samples = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_SAMPLES_PASSED, query);
    if (mesh) mesh->draw();
    glEndQuery(GL_SAMPLES_PASSED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    glDeleteQueries(1, &query);
    if (log) log->push_back({name, currentAlpha(), samples});
  }

  GLuint diffuseMap = 0;

 private:
  static float currentAlpha() {
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    const GLint location = glGetUniformLocation(static_cast<GLuint>(program), "f_alpha");
    if (location < 0) return std::nanf("");
    float alpha = 0.0f;
    glGetUniformfv(static_cast<GLuint>(program), location, &alpha);
    return alpha;
  }

  std::unique_ptr<Actor> body = cookActor(cubeMesh(1.0f).data(), false);
  std::vector<DrawRecord>* log;
  std::shared_ptr<GpuMesh> mesh;
};

// A 1 x 1 image of one colour, for a texture.
inline Image onePixel(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return Image{{Image::Level{1, 1, {r, g, b, a}}}};
}

}  // namespace vorn::test
