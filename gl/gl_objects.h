#pragma once

// Owners of OpenGL objects. Each holds one GL name and deletes it in its
// destructor. Every call acts on the context current on the calling thread
// and leaves the object it touched bound; nothing saves or restores bindings.

#include <GL/glew.h>

#include <cstdint>
#include <vector>

class GlTexture;

class GlBuffer {
 public:
  GlBuffer();
  ~GlBuffer();
  GlBuffer(const GlBuffer&) = delete;
  GlBuffer& operator=(const GlBuffer&) = delete;

  void bind(uint32_t target) const;
  uint32_t id() const { return id_; }
  void set_data(uint32_t target, int64_t size_in_bytes, const void* data, uint32_t usage);

 private:
  uint32_t id_ = 0;
};

class GlFramebuffer {
 public:
  GlFramebuffer();
  // Adopts an existing name; 0 stands for the window system's framebuffer.
  explicit GlFramebuffer(uint32_t existing_id);
  ~GlFramebuffer();
  GlFramebuffer(const GlFramebuffer&) = delete;
  GlFramebuffer& operator=(const GlFramebuffer&) = delete;

  // Draw and read binding.
  void bind() const;
  uint32_t id() const { return id_; }
  // Compare with GL_FRAMEBUFFER_COMPLETE.
  uint32_t status() const;
  void attach_texture(uint32_t attachment, const GlTexture& texture, int32_t level);

 private:
  uint32_t target_ = GL_FRAMEBUFFER;
  uint32_t id_ = 0;
};

class GlTexture {
 public:
  explicit GlTexture(uint32_t target);
  GlTexture(uint32_t target, int32_t level, int32_t internal_format, int32_t width, int32_t height,
            uint32_t format, uint32_t type, const void* data);
  ~GlTexture();
  GlTexture(const GlTexture&) = delete;
  GlTexture& operator=(const GlTexture&) = delete;

  // On the active texture unit.
  void bind() const;
  uint32_t id() const { return id_; }
  uint32_t target() const { return target_; }
  void image_2d(int32_t level, int32_t internal_format, int32_t width, int32_t height,
                uint32_t format, uint32_t type, const void* data);
  void parameter_i(uint32_t pname, int32_t value);
  void parameter_f(uint32_t pname, float value);

 private:
  uint32_t id_ = 0;
  uint32_t target_ = 0;
};

struct GlVertexLayoutElement {
  int32_t count;
  uint32_t type;
  uint8_t normalized;
};

// Interleaved layout of one vertex buffer, attributes in push order.
class GlVertexLayout {
 public:
  // Takes 1 to 4 components of GL_FLOAT or GL_INT (4 bytes each); anything
  // else is refused with false and nothing is appended.
  [[nodiscard]] bool push(int32_t count, uint32_t type, bool normalized);
  const std::vector<GlVertexLayoutElement>& elements() const { return elements_; }
  // Bytes per vertex.
  int32_t stride() const;

 private:
  std::vector<GlVertexLayoutElement> elements_;
};

class GlVertexArray {
 public:
  GlVertexArray();
  ~GlVertexArray();
  GlVertexArray(const GlVertexArray&) = delete;
  GlVertexArray& operator=(const GlVertexArray&) = delete;

  void bind() const;
  uint32_t id() const { return id_; }
  // Declares the layout's attributes over `buffer`, numbering on from the
  // previous call.
  void add_buffer(const GlBuffer& buffer, const GlVertexLayout& layout);
  // Records `buffer` as the vertex array's index buffer.
  void bind_with_index_buffer(const GlBuffer& buffer) const;

 private:
  uint32_t id_ = 0;
  uint32_t next_attribute_ = 0;
};

class GlShader {
 public:
  explicit GlShader(uint32_t type);
  ~GlShader();
  GlShader(const GlShader&) = delete;
  GlShader& operator=(const GlShader&) = delete;

  uint32_t id() const { return id_; }
  // A failure is written to the standard error stream with GL's log; the
  // shader stays, uncompiled.
  void compile(const char* source);

 private:
  uint32_t id_ = 0;
  uint32_t type_ = 0;
};

class GlProgram {
 public:
  // Attaches both shaders and links; a failure is written to the standard
  // error stream with GL's log and the program stays, unlinked.
  GlProgram(const GlShader& vertex, const GlShader& fragment);
  ~GlProgram();
  GlProgram(const GlProgram&) = delete;
  GlProgram& operator=(const GlProgram&) = delete;

  void use() const;
  uint32_t id() const { return id_; }

  // Each setter makes the program current and looks the location up anew; a
  // name the program lacks is ignored by GL.
  void set_mat4(const char* name, const float* column_major) const;
  void set_ivec2(const char* name, const int32_t* v) const;
  void set_vec2(const char* name, const float* v) const;
  void set_vec3(const char* name, const float* v) const;
  void set_int(const char* name, int32_t v) const;
  void set_float(const char* name, float v) const;
  void set_bool(const char* name, bool v) const;

 private:
  int32_t location(const char* name) const;

  uint32_t id_ = 0;
};
