// The bench defines a few library entry points itself. The game's calls land here (the
// executable's definitions take precedence), are timed or muted, and go on to the library's own
// definition. GLEW's entry points are variables, swapped right after glewInit has filled them.
#include "bench/Hooks.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <GL/glew.h>

#include "bench/Stats.h"

namespace bench {

namespace {

StartupParts parts;
bool muted = false;
GlCallCounts calls;

template <typename Fn>
Fn nextDefinition(const char* symbol) {
  void* found = dlsym(RTLD_NEXT, symbol);
  if (found == nullptr) {
    std::fprintf(stderr, "ERROR: the bench finds no definition of %s\n", symbol);
    std::exit(1);
  }
  return reinterpret_cast<Fn>(found);
}

class Timed {
 public:
  explicit Timed(PartTime& total) : total(total), start(nowMs()), startCpu(threadCpuMs()) {}
  // The files are read on two threads at once.
  ~Timed() {
    const double wall = nowMs() - start, cpu = threadCpuMs() - startCpu;
    std::lock_guard<std::mutex> lock(mutex);
    total.wall += wall;
    total.cpu += cpu;
  }

 private:
  static inline std::mutex mutex;
  PartTime& total;
  double start;
  double startCpu;
};

template <auto* Entry, PartTime StartupParts::*Part,
          typename Fn = std::remove_pointer_t<decltype(Entry)>>
struct TimedEntry;

// Timed for start-up; a frame can call one too (a buffer upload), so it is counted and muted as
// the frame's other calls are.
template <auto* Entry, PartTime StartupParts::*Part, typename R, typename... A>
struct TimedEntry<Entry, Part, R (*)(A...)> {
  static inline R (*real)(A...) = nullptr;
  static R call(A... args) {
    ++calls.others;
    if (muted) return R();
    Timed timed(parts.*Part);
    return real(args...);
  }
  static void install() {
    real = *Entry;
    *Entry = &call;
  }
};

template <auto* Entry, uint64_t GlCallCounts::*Count,
          typename Fn = std::remove_pointer_t<decltype(Entry)>>
struct MutableEntry;

template <auto* Entry, uint64_t GlCallCounts::*Count, typename... A>
struct MutableEntry<Entry, Count, void (*)(A...)> {
  static inline void (*real)(A...) = nullptr;
  static void call(A... args) {
    ++(calls.*Count);
    if (!muted) real(args...);
  }
  static void install() {
    real = *Entry;
    *Entry = &call;
  }
};

void installEntryHooks() {
  TimedEntry<&__glewCompileShader, &StartupParts::shaders>::install();
  TimedEntry<&__glewLinkProgram, &StartupParts::shaders>::install();
  TimedEntry<&__glewBufferData, &StartupParts::uploads>::install();
  TimedEntry<&__glewTexStorage2D, &StartupParts::uploads>::install();

  MutableEntry<&__glewBindFramebuffer, &GlCallCounts::others>::install();
  MutableEntry<&__glewUseProgram, &GlCallCounts::others>::install();
  MutableEntry<&__glewUniformMatrix4fv, &GlCallCounts::others>::install();
  MutableEntry<&__glewUniform1f, &GlCallCounts::others>::install();
  MutableEntry<&__glewUniform1i, &GlCallCounts::others>::install();
  MutableEntry<&__glewUniform2fv, &GlCallCounts::others>::install();
  MutableEntry<&__glewUniform3fv, &GlCallCounts::others>::install();
  MutableEntry<&__glewUniform4fv, &GlCallCounts::others>::install();
  MutableEntry<&__glewBindVertexArray, &GlCallCounts::others>::install();
  MutableEntry<&__glewActiveTexture, &GlCallCounts::others>::install();
  MutableEntry<&__glewBindSampler, &GlCallCounts::others>::install();
  MutableEntry<&__glewDrawElementsBaseVertex, &GlCallCounts::draws>::install();
}

}  // namespace

StartupParts& startupParts() { return parts; }

void muteFrameGl(bool on) { muted = on; }

GlCallCounts glCallCounts() { return calls; }

}  // namespace bench

using bench::nextDefinition;
using bench::parts;

// A definition of the exported symbol that forwards to the library's one while a part's clock runs.
#define TIMED_HOOK(part, symbol, R, name, params, args)           \
  R name params __asm__(symbol);                                  \
  R name params {                                                 \
    static const auto real = nextDefinition<R(*) params>(symbol); \
    bench::Timed timed(parts.part);                               \
    return real args;                                             \
  }

// GL 1.1 entry points are libGL's own exports, with no GLEW variable to swap: a definition that
// counts the call and forwards it unless muted.
#define MUTABLE_HOOK(symbol, name, params, args)                     \
  void name params __asm__(symbol);                                  \
  void name params {                                                 \
    static const auto real = nextDefinition<void(*) params>(symbol); \
    ++bench::calls.others;                                           \
    if (!bench::muted) real args;                                    \
  }

GLenum hookGlewInit() __asm__("glewInit");
GLenum hookGlewInit() {
  static const auto real = nextDefinition<GLenum (*)()>("glewInit");
  const GLenum result = real();
  if (result == GLEW_OK) bench::installEntryHooks();
  return result;
}

TIMED_HOOK(import, "_ZN6Assimp8Importer8ReadFileEPKcj", const void*, hookReadFile,
           (void* importer, const char* file, unsigned flags), (importer, file, flags))
TIMED_HOOK(decoding, "FreeImage_GetFileType", int, hookGetFileType, (const char* file, int size),
           (file, size))
TIMED_HOOK(decoding, "FreeImage_Load", void*, hookLoad, (int format, const char* file, int flags),
           (format, file, flags))
TIMED_HOOK(decoding, "FreeImage_ConvertTo32Bits", void*, hookConvert, (void* image), (image))
TIMED_HOOK(cooking, "_ZN22btBvhTriangleMeshShapeC1EP23btStridingMeshInterfacebb", void,
           hookBuildTree, (void* shape, void* mesh, bool quantized, bool build),
           (shape, mesh, quantized, build))
TIMED_HOOK(cooking, "_ZN11HullLibrary16CreateConvexHullERK8HullDescR10HullResult", int,
           hookBuildHull, (void* library, const void* desc, void* result), (library, desc, result))
TIMED_HOOK(uploads, "glTexImage2D", void, hookTexImage2D,
           (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
            GLint border, GLenum format, GLenum type, const void* pixels),
           (target, level, internalFormat, width, height, border, format, type, pixels))
TIMED_HOOK(uploads, "glTexSubImage2D", void, hookTexSubImage2D,
           (GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height,
            GLenum format, GLenum type, const void* pixels),
           (target, level, x, y, width, height, format, type, pixels))

MUTABLE_HOOK("glBindTexture", hookBindTexture, (GLenum target, GLuint texture), (target, texture))
MUTABLE_HOOK("glTexParameteri", hookTexParameteri, (GLenum target, GLenum name, GLint value),
             (target, name, value))
MUTABLE_HOOK("glViewport", hookViewport, (GLint x, GLint y, GLsizei width, GLsizei height),
             (x, y, width, height))
MUTABLE_HOOK("glClear", hookClear, (GLbitfield mask), (mask))
MUTABLE_HOOK("glClearColor", hookClearColor, (GLfloat r, GLfloat g, GLfloat b, GLfloat a),
             (r, g, b, a))
MUTABLE_HOOK("glDisable", hookDisable, (GLenum capability), (capability))
MUTABLE_HOOK("glDepthFunc", hookDepthFunc, (GLenum function), (function))
MUTABLE_HOOK("glDepthMask", hookDepthMask, (GLboolean write), (write))
MUTABLE_HOOK("glColorMask", hookColorMask, (GLboolean r, GLboolean g, GLboolean b, GLboolean a),
             (r, g, b, a))
