#include "gl/gl_objects.h"

#include <iostream>

GlBuffer::GlBuffer() {
  glGenBuffers(1, &id_);
}

GlBuffer::~GlBuffer() {
  glDeleteBuffers(1, &id_);
}

void GlBuffer::bind(uint32_t target) const {
  glBindBuffer(target, id_);
}

void GlBuffer::set_data(uint32_t target, int64_t size_in_bytes, const void* data, uint32_t usage) {
  glBindBuffer(target, id_);
  glBufferData(target, static_cast<GLsizeiptr>(size_in_bytes), data, usage);
}

GlFramebuffer::GlFramebuffer() {
  glGenFramebuffers(1, &id_);
}

GlFramebuffer::GlFramebuffer(uint32_t existing_id) : id_(existing_id) {}

GlFramebuffer::~GlFramebuffer() {
  if (id_ != 0) glDeleteFramebuffers(1, &id_);
}

void GlFramebuffer::bind() const {
  glBindFramebuffer(target_, id_);
}

uint32_t GlFramebuffer::status() const {
  bind();
  return glCheckFramebufferStatus(target_);
}

void GlFramebuffer::attach_texture(uint32_t attachment, const GlTexture& texture, int32_t level) {
  bind();
  glFramebufferTexture(target_, attachment, texture.id(), level);
}

GlTexture::GlTexture(uint32_t target) : target_(target) {
  glGenTextures(1, &id_);
}

GlTexture::GlTexture(uint32_t target, int32_t level, int32_t internal_format, int32_t width,
                     int32_t height, uint32_t format, uint32_t type, const void* data)
    : target_(target) {
  glGenTextures(1, &id_);
  bind();
  glTexImage2D(target_, level, internal_format, width, height, 0, format, type, data);
}

GlTexture::~GlTexture() {
  glDeleteTextures(1, &id_);
}

void GlTexture::bind() const {
  glBindTexture(target_, id_);
}

void GlTexture::image_2d(int32_t level, int32_t internal_format, int32_t width, int32_t height,
                         uint32_t format, uint32_t type, const void* data) {
  bind();
  glTexImage2D(target_, level, internal_format, width, height, 0, format, type, data);
}

void GlTexture::parameter_i(uint32_t pname, int32_t value) {
  bind();
  glTexParameteri(target_, pname, value);
}

void GlTexture::parameter_f(uint32_t pname, float value) {
  bind();
  glTexParameterf(target_, pname, value);
}

bool GlVertexLayout::push(int32_t count, uint32_t type, bool normalized) {
  if ((type != GL_FLOAT && type != GL_INT) || count < 1 || count > 4) return false;
  elements_.push_back({count, type, static_cast<uint8_t>(normalized ? GL_TRUE : GL_FALSE)});
  return true;
}

int32_t GlVertexLayout::stride() const {
  int32_t stride = 0;
  for (const auto& element : elements_) stride += element.count * 4;
  return stride;
}

GlVertexArray::GlVertexArray() {
  glGenVertexArrays(1, &id_);
}

GlVertexArray::~GlVertexArray() {
  glDeleteVertexArrays(1, &id_);
}

void GlVertexArray::bind() const {
  glBindVertexArray(id_);
}

void GlVertexArray::add_buffer(const GlBuffer& buffer, const GlVertexLayout& layout) {
  bind();
  buffer.bind(GL_ARRAY_BUFFER);
  const int32_t stride = layout.stride();
  uintptr_t offset = 0;
  for (const auto& element : layout.elements()) {
    const uint32_t index = next_attribute_++;
    // Integer elements too are read as floating-point attributes.
    glVertexAttribPointer(index, element.count, element.type, element.normalized, stride,
                          reinterpret_cast<const void*>(offset));
    glEnableVertexAttribArray(index);
    offset += static_cast<uintptr_t>(element.count) * 4;
  }
}

void GlVertexArray::bind_with_index_buffer(const GlBuffer& buffer) const {
  bind();
  buffer.bind(GL_ELEMENT_ARRAY_BUFFER);
}

GlShader::GlShader(uint32_t type) : id_(glCreateShader(type)), type_(type) {}

GlShader::~GlShader() {
  glDeleteShader(id_);
}

void GlShader::compile(const char* source) {
  glShaderSource(id_, 1, &source, nullptr);
  glCompileShader(id_);
  GLint status = 0;
  glGetShaderiv(id_, GL_COMPILE_STATUS, &status);
  if (status != 0) return;

  char log[512] = {};
  glGetShaderInfoLog(id_, sizeof log, nullptr, log);
  std::cerr << "Failed to compile ";
  if (type_ == GL_FRAGMENT_SHADER) {
    std::cerr << "fragment";
  } else if (type_ == GL_VERTEX_SHADER) {
    std::cerr << "vertex";
  } else {
    std::cerr << "unkown type (" << type_ << ")";
  }
  std::cerr << " shader";
  if (log[0] != '\0') std::cerr << ":\n" << log;
  std::cerr << std::endl;
}

GlProgram::GlProgram(const GlShader& vertex, const GlShader& fragment) : id_(glCreateProgram()) {
  glAttachShader(id_, vertex.id());
  glAttachShader(id_, fragment.id());
  glLinkProgram(id_);
  GLint status = 0;
  glGetProgramiv(id_, GL_LINK_STATUS, &status);
  if (status != 0) return;

  char log[512] = {};
  glGetProgramInfoLog(id_, sizeof log, nullptr, log);
  std::cerr << "Failed to link program";
  if (log[0] != '\0') std::cerr << ":\n" << log;
  std::cerr << std::endl;
}

GlProgram::~GlProgram() {
  glDeleteProgram(id_);
}

void GlProgram::use() const {
  glUseProgram(id_);
}

int32_t GlProgram::location(const char* name) const {
  glUseProgram(id_);
  return glGetUniformLocation(id_, name);
}

void GlProgram::set_mat4(const char* name, const float* column_major) const {
  glUniformMatrix4fv(location(name), 1, GL_FALSE, column_major);
}

void GlProgram::set_ivec2(const char* name, const int32_t* v) const {
  glUniform2iv(location(name), 1, v);
}

void GlProgram::set_vec2(const char* name, const float* v) const {
  glUniform2fv(location(name), 1, v);
}

void GlProgram::set_vec3(const char* name, const float* v) const {
  glUniform3fv(location(name), 1, v);
}

void GlProgram::set_int(const char* name, int32_t v) const {
  glUniform1i(location(name), v);
}

void GlProgram::set_float(const char* name, float v) const {
  glUniform1f(location(name), v);
}

void GlProgram::set_bool(const char* name, bool v) const {
  glUniform1i(location(name), v ? 1 : 0);
}
