#include "renderer/render_layer.h"

#include <GL/glew.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "host_support/frame_abort.h"
#include "renderer/frame_steps.h"
#include "renderer/kept_storage.h"
#include "renderer/mesh_upload.h"
#include "renderer/pixel_transfer.h"
#include "renderer/render_state.h"
#include "renderer/renderer_hooks.h"

namespace {

// This file's path from the repository root, as the build records it; error lines name it.
constexpr std::string_view source_path() {
  constexpr std::string_view file = __FILE__;
  constexpr std::string_view tail = "renderer/render_layer";
  const size_t pos = file.rfind(tail);
  return pos == std::string_view::npos ? file : file.substr(pos);
}

// Far above any GL's texture size limit, so GL refuses such a size, yet small enough that no GL
// overflows computing an image's size from it (Mesa crashes on sizes near the i32 limit).
constexpr int32_t largest_texture_request = 1 << 20;

std::atomic<RendererHooks::RenderCheckHook> check_hook{nullptr};

void report(int line, const std::string& message) {
  const std::string_view path = source_path();
  std::fprintf(stderr, "[ERROR:%.*s:%d]: %s\n", static_cast<int>(path.size()), path.data(), line,
               message.c_str());
  std::fflush(stderr);
}

// Joins message pieces by appending. GCC 12 at -O3 reports a false -Wrestrict overlap for
// "literal" + std::string&&, so messages are not built with operator+.
std::string concat(std::initializer_list<std::string_view> pieces) {
  std::string text;
  for (const std::string_view piece : pieces) text.append(piece);
  return text;
}

std::string size_text(int64_t width, int64_t height) {
  return concat({"(", std::to_string(width), "x", std::to_string(height), ")"});
}

// The closing report line of a failed step; `error_text` is already set.
PF_Err report_failure(int line, PF_Err err, const std::string& error_text) {
  report(line, concat({"PF_Err: ", std::to_string(err), ", ", error_text}));
  return err;
}

// Polls GL until no error is pending. Each code gets a report line; when any was seen the error
// text becomes `prefix` "GL error:" and the codes, and the frame fails with 512.
PF_Err check_gl(int line, RenderCheck check, const std::string& prefix, std::string& error_text) {
  std::vector<uint32_t> pending;
  if (const RendererHooks::RenderCheckHook hook = check_hook.load()) hook(check, pending);
  std::string codes;
  size_t injected = 0;
  for (;;) {
    const uint32_t code = injected < pending.size() ? pending[injected++] : glGetError();
    if (code == GL_NO_ERROR) break;
    const std::string digits = std::to_string(code);
    report(line, concat({"OpenGL Error: ", digits}));
    codes.append(" ").append(digits);
  }
  if (codes.empty()) return PF_Err_NONE;
  error_text = concat({prefix, "GL error:", codes});
  return report_failure(line, PF_Err_INTERNAL_STRUCT_DAMAGED, error_text);
}

PF_Err check_framebuffer(int line, const GlFramebuffer& framebuffer, const char* name,
                         std::string& error_text) {
  const uint32_t status = framebuffer.status();
  if (status == GL_FRAMEBUFFER_COMPLETE) return PF_Err_NONE;
  const std::string digits = std::to_string(status);
  report(line, concat({"Framebuffer Incomplete: ", digits}));
  error_text = concat({name, " framebuffer incomplete: ", digits});
  return report_failure(line, PF_Err_INTERNAL_STRUCT_DAMAGED, error_text);
}

PF_Err check_transfer(int line, PF_Err err, std::string text, std::string& error_text) {
  if (err == PF_Err_NONE) return PF_Err_NONE;
  error_text = std::move(text);
  return report_failure(line, err, error_text);
}

#define RETURN_ON_ERROR(expr)         \
  do {                                \
    if (const PF_Err err_ = (expr)) { \
      return err_;                    \
    }                                 \
  } while (false)

}  // namespace

void RendererHooks::set_render_check_hook(RenderCheckHook hook) {
  check_hook = hook;
}

FrameGeometryInput frame_geometry_input(const RenderInput& input, const PF_EffectWorld& output) {
  const bool colors_finite = std::isfinite(input.fill_opacity) &&
                             std::isfinite(input.stroke_opacity) &&
                             std::all_of(input.stroke_color.begin(), input.stroke_color.end(),
                                         [](float c) { return std::isfinite(c); });
  return {.plan = input.plan,
          .output = output,
          .layer = input.input,
          .ssaa = input.ssaa,
          .side_fill = input.side_fill,
          .colors_finite = colors_finite};
}

int32_t fitting_supersampling(const RenderInput& input, const PF_EffectWorld& output,
                              int32_t largest_size, size_t budget) {
  if (non_finite_plan_field(input.plan) != nullptr) return input.ssaa;
  const ChainSetup setup = compute_chain_setup(input.plan);
  const RectD face = compute_frame_regions(frame_geometry_input(input, output), setup.params.mode,
                                           setup.screen_vanishing_point)
                         .face_region;
  const int32_t composite_format = input.bitdepth == 8 ? GL_RGBA8 : GL_RGBA32F;
  int32_t ssaa = std::max(input.ssaa, 1);
  for (; ssaa > 1; --ssaa) {
    const TargetSizes sizes{texture_extent(ssaa * (face.right - face.left)),
                            texture_extent(ssaa * (face.bottom - face.top)), output.width,
                            output.height, composite_format};
    if (sizes.face_width <= largest_size && sizes.face_height <= largest_size &&
        sizes.bytes() <= budget) {
      break;
    }
  }
  return ssaa;
}

const char* gl_renderer_name() {
  if (ensure_thread_gl_state() == nullptr) return nullptr;
  return reinterpret_cast<const char*>(glGetString(GL_RENDERER));
}

int32_t supersampling_for_this_thread(const RenderInput& input, const PF_EffectWorld& output) {
  if (input.ssaa <= 1) return input.ssaa;
  const LocalRenderData* render_data = ensure_local_render_data();
  make_gl_context_current(nullptr);
  if (render_data == nullptr || render_data->largest_target_size <= 0) return input.ssaa;
  return fitting_supersampling(input, output, render_data->largest_target_size,
                               kept_storage_budget());
}

namespace {

GlVertexLayout float_layout(std::initializer_list<int32_t> counts) {
  GlVertexLayout layout;
  for (const int32_t count : counts) (void)layout.push(count, GL_FLOAT, false);
  return layout;
}

// Storage without data for a render target, filtered alike in both directions, attached to
// `framebuffer` at `attachment`.
void make_target(GlFramebuffer& framebuffer, uint32_t attachment, GlTexture& texture,
                 int32_t internal_format, int32_t width, int32_t height, uint32_t format,
                 int32_t filter) {
  texture.image_2d(0, internal_format, width, height, format, GL_UNSIGNED_BYTE, nullptr);
  texture.parameter_i(GL_TEXTURE_MIN_FILTER, filter);
  texture.parameter_i(GL_TEXTURE_MAG_FILTER, filter);
  framebuffer.attach_texture(attachment, texture, 0);
}

// The start of the error text when GL fails on a target's storage.
std::string failed_to_create(std::string_view target, int64_t width, int64_t height) {
  return concat({"failed to create ", target, " ", size_text(width, height), ", "});
}

// Runs `draw` once per rectangle with the scissor box set to it (output pixels scaled by
// `scale` after moving them by `offset`, cut to the target's `width` x `height`); rectangles
// left empty by the cut are skipped. The scissor test is off again afterwards.
template <typename Draw>
void for_each_scissor(const std::vector<PixelRect>& rects, ivec2 offset, int32_t scale,
                      int32_t width, int32_t height, Draw draw) {
  glEnable(GL_SCISSOR_TEST);
  for (const PixelRect& r : rects) {
    const auto at = [&](int32_t v, int32_t shift, int32_t limit) {
      return static_cast<int32_t>(
          std::clamp<int64_t>((int64_t{v} + shift) * scale, 0, int64_t{limit}));
    };
    const int32_t x0 = at(r.x0, offset.x, width);
    const int32_t x1 = at(r.x1, offset.x, width);
    const int32_t y0 = at(r.y0, offset.y, height);
    const int32_t y1 = at(r.y1, offset.y, height);
    if (x0 >= x1 || y0 >= y1) continue;
    glScissor(x0, y0, x1 - x0, y1 - y0);
    draw();
  }
  glDisable(GL_SCISSOR_TEST);
}

// Runs `clear` on the lower left `width` x `height` of a framebuffer whose attachments are
// `stored_width` x `stored_height`.
template <typename Clear>
void clear_lower_left(int32_t width, int32_t height, int32_t stored_width, int32_t stored_height,
                      Clear clear) {
  if (width == stored_width && height == stored_height) {
    clear();
    return;
  }
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, width, height);
  clear();
  glDisable(GL_SCISSOR_TEST);
}

// Transparent black into the bound framebuffer's colour over the viewport (within the scissor
// box when it is on), drawn: llvmpipe clears a 16-byte texel (RGBA32F) one memcpy per texel,
// many times slower than a shader writes it. Leaves the depth test and blending off.
void draw_transparent_black(const LocalRenderData& render_data, const FrameGlObjects& gl) {
  render_data.programs[clear_program]->use();
  gl.empty_vertex_array.bind();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

// The composite reads the stroke coverage with a bilinear filter, which reaches a pixel past
// the drawn cells (and, around the texture's edges, the cells the cover marked for that).
std::vector<PixelRect> grown_by_a_pixel(const std::vector<PixelRect>& rects) {
  std::vector<PixelRect> grown;
  grown.reserve(rects.size());
  for (const PixelRect& r : rects) grown.push_back({r.x0 - 1, r.y0 - 1, r.x1 + 1, r.y1 + 1});
  return grown;
}

// The plan's sweep settings, shared by the three geometry programs; the vanishing point moved by
// -origin, as the meshes are.
void set_extrusion_uniforms(const GlProgram& program, const PreRenderPlan& plan,
                            const dvec2& origin) {
  const vec2 direction = vec2_from_dvec2(plan.extrusion_direction);
  const vec2 vanishing_point = vec2_from_dvec2(dvec2_subtract(plan.vanishing_point, origin));
  program.set_int("extrusion_mode", static_cast<int32_t>(plan.extrusion_mode));
  program.set_vec2("extrusion_direction", &direction.x);
  program.set_vec2("extrusion_vanishing_point", &vanishing_point.x);
  program.set_float("back_extrusion_amount", static_cast<float>(plan.back_extrusion_amount));
  program.set_float("front_extrusion_amount", static_cast<float>(plan.front_extrusion_amount));
}

}  // namespace

PF_Err prepare_frame_targets(const RenderInput& input, const PF_EffectWorld& output,
                             const FrameGeometry& geometry, LocalRenderData& render_data,
                             FrameGlObjects& gl, std::string& error_text) {
  const PreRenderPlan& plan = input.plan;
  const FrameRegions& regions = geometry.regions;
  const int32_t w = output.width;
  const int32_t h = output.height;
  const int32_t fw = regions.face_width;
  const int32_t fh = regions.face_height;
  const int32_t gl_fw = std::min(fw, largest_texture_request);
  const int32_t gl_fh = std::min(fh, largest_texture_request);
  const bool inherit = plan.inherit_layer_color != 0;

  // Input layer, only where the face samples it: mipmapped and, where the context can,
  // anisotropically filtered. The thread keeps the texture for its next frame, with the pixels
  // it was filled from, so that a layer that has not changed is not given to GL again; an input
  // of another size needs another texture, and the kept one goes before it is made.
  if (inherit) {
    const TexelExtent extent = input_pixels_extent(input.input);
    std::unique_ptr<InputTexture>& kept = render_data.input_texture;
    if (kept != nullptr && (kept->width() != extent.width || kept->height() != extent.height)) {
      kept.reset();
    }
    if (kept == nullptr) {
      (void)make_room_for_kept_storage(
          render_data, kept_storage_bytes(render_data) +
                           mip_chain_bytes(extent.width, extent.height) +
                           uploaded_pixels_bytes(extent.width, extent.height, input.bitdepth));
      float max_anisotropy = 0.0f;
      if (render_data.has_anisotropic) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &max_anisotropy);
      }
      kept = std::make_unique<InputTexture>(extent.width, extent.height, max_anisotropy);
    }
    gl.in_tex = &kept->texture();
    const PF_Err err = upload_input_pixels(input.in_data, input.bitdepth, input.input, *kept);
    RETURN_ON_ERROR(check_transfer(
        __LINE__, err,
        concat({"failed to upload input texture ", size_text(extent.width, extent.height)}),
        error_text));
  }
  // A texture GL could not make is not kept.
  struct ForgetTextureOnError {
    LocalRenderData& render_data;
    bool failed = true;
    ~ForgetTextureOnError() {
      if (failed) render_data.input_texture.reset();
    }
  } forget_texture{render_data};
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::input_texture, "", error_text));
  forget_texture.failed = false;

  gl.face_vertex_array.add_buffer(gl.face_vertex_buffer, float_layout({2}));
  gl.face_vertex_array.bind_with_index_buffer(gl.face_index_buffer);
  gl.side_vertex_array.add_buffer(gl.side_vertex_buffer, float_layout({3, 2, 1}));
  gl.side_vertex_array.bind_with_index_buffer(gl.side_index_buffer);

  // The targets the thread kept serve every frame they are large enough for, drawn into their
  // lower left part. Otherwise storage is made for this frame, grown beyond it where kept
  // storage was too small, so that a frame a little larger again finds it large enough; the
  // kept targets go first, so that both are never held at once. A frame with an empty side
  // makes its own, which GL refuses.
  const int32_t composite_format = input.bitdepth == 8 ? GL_RGBA8 : GL_RGBA32F;
  const TargetSizes needed{gl_fw, gl_fh, w, h, composite_format};
  const bool drawable = gl_fw > 0 && gl_fh > 0 && w > 0 && h > 0;
  const bool kept = drawable && render_data.targets != nullptr &&
                    render_data.targets->fits(gl_fw, gl_fh, w, h, composite_format);
  TargetSizes made = needed;
  if (!kept) {
    if (drawable && render_data.targets != nullptr) {
      made = grown_target_sizes(render_data.targets->sizes(), needed,
                                render_data.largest_target_size, kept_storage_budget());
    }
    render_data.targets.reset();
    (void)make_room_for_kept_storage(render_data, kept_storage_bytes(render_data) + made.bytes());
    render_data.targets = std::make_unique<FrameTargets>();
  }
  FrameTargets& targets = *render_data.targets;
  gl.targets = &targets;
  // The composite samples the stroke coverage relative to its size: it is made for each size.
  const bool outline_kept = kept && targets.outline_width == w && targets.outline_height == h;
  // Targets are kept only once complete: a frame that fails on them leaves none behind.
  struct ForgetUnlessComplete {
    LocalRenderData& render_data;
    bool complete = false;
    ~ForgetUnlessComplete() {
      if (!complete) render_data.targets.reset();
    }
  } forget_unless_complete{render_data};

  // Face targets at the supersampled size.
  targets.face_fb.bind();
  if (!kept) {
    make_target(targets.face_fb, GL_DEPTH_ATTACHMENT, targets.depth_tex, GL_DEPTH_COMPONENT32F,
                made.face_width, made.face_height, GL_DEPTH_COMPONENT, GL_NEAREST);
  }
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::depth_texture,
                           failed_to_create("depth_tex", fw, fh), error_text));
  if (!kept) {
    make_target(targets.face_fb, GL_COLOR_ATTACHMENT0, targets.fill_tex, GL_RGBA32F,
                made.face_width, made.face_height, GL_RGBA, GL_LINEAR);
  }
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::fill_texture,
                           failed_to_create("fill_tex", fw, fh), error_text));
  RETURN_ON_ERROR(check_framebuffer(__LINE__, targets.face_fb, "face_fb", error_text));

  gl.outline_vertex_array.add_buffer(gl.outline_vertex_buffer, float_layout({3, 3, 1}));
  gl.outline_vertex_array.bind_with_index_buffer(gl.outline_index_buffer);
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::outline_vertex_array, "", error_text));

  // Stroke coverage at the output's size.
  targets.outline_fb.bind();
  if (!outline_kept) {
    make_target(targets.outline_fb, GL_COLOR_ATTACHMENT0, targets.outline_tex, GL_R32F, w, h,
                GL_RGBA, GL_LINEAR);
  }
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::outline_texture,
                           failed_to_create("outline_tex", w, h), error_text));
  RETURN_ON_ERROR(check_framebuffer(__LINE__, targets.outline_fb, "outline_fb", error_text));

  // Side-fill stops as a buffer texture. The side walls take their colours in linear light from
  // one texel each, which a pass over an n x 1 target decodes once a frame (rather than each
  // wall fragment decoding two).
  glActiveTexture(GL_TEXTURE0);
  gl.side_fill_color_buffer.bind(GL_TEXTURE_BUFFER);
  gl.side_fill_tex.bind();
  glTexBuffer(GL_TEXTURE_BUFFER, GL_RGBA32F, gl.side_fill_color_buffer.id());
  upload_vector_to_buffer(gl.side_fill_color_buffer, GL_TEXTURE_BUFFER, geometry.side_fill,
                          GL_DYNAMIC_DRAW);
  const auto stops = static_cast<int64_t>(geometry.side_fill.size());
  gl.side_fill_decoded = stops > 0 && stops <= render_data.largest_target_size;
  if (gl.side_fill_decoded) {
    const auto n = static_cast<int32_t>(stops);
    gl.decoded_side_fill.image_2d(0, GL_RGBA32F, n, 1, GL_RGBA, GL_FLOAT, nullptr);
    gl.decoded_side_fill.parameter_i(GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.decoded_side_fill.parameter_i(GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.decoded_side_fill_fb.attach_texture(GL_COLOR_ATTACHMENT0, gl.decoded_side_fill, 0);
    gl.decoded_side_fill_fb.bind();
    glViewport(0, 0, n, 1);
    const GlProgram& decode = *render_data.programs[side_fill_decode_program];
    decode.use();
    decode.set_int("side_fill_color_buffer", 0);
    gl.side_fill_tex.bind();
    gl.empty_vertex_array.bind();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  }

  gl.empty_vertex_array.bind();
  targets.composite_fb.bind();
  if (!kept) {
    targets.composite_tex.image_2d(0, composite_format, made.width, made.height, GL_RGBA,
                                   GL_UNSIGNED_BYTE, nullptr);
    targets.composite_fb.attach_texture(GL_COLOR_ATTACHMENT0, targets.composite_tex, 0);
  }
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::composite_texture,
                           failed_to_create("composite_tex", w, h), error_text));
  RETURN_ON_ERROR(check_framebuffer(__LINE__, targets.composite_fb, "composite_fb", error_text));
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::all_objects, "", error_text));
  if (!kept) {
    targets.face_width = made.face_width;
    targets.face_height = made.face_height;
    targets.width = made.width;
    targets.height = made.height;
    targets.composite_format = composite_format;
  }
  targets.outline_width = w;
  targets.outline_height = h;
  forget_unless_complete.complete = true;

  // Face targets cleared for the face pass. With inner extrusion and a visible cap, depth starts
  // at the near plane so that the cap first marks the opening and the far cap then fills it.
  // Nothing flushes the clears: they go to GL with the face and side-wall passes, so that
  // llvmpipe clears each tile just before it draws into it, while the tile is in the cache.
  const bool inner = plan.inner_extrusion != 0;
  targets.face_fb.bind();
  glViewport(0, 0, gl_fw, gl_fh);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(inner && plan.face_to_draw != face_none ? 0.0 : 1.0);
  const auto clear_face = [&] {
    glClear(GL_DEPTH_BUFFER_BIT);
    draw_transparent_black(render_data, gl);
  };
  const FrameCoverage& coverage = geometry.coverage;
  if (coverage.whole) {
    clear_lower_left(gl_fw, gl_fh, targets.face_width, targets.face_height, clear_face);
  } else {
    for_each_scissor(coverage.drawn, regions.face_offset, input.ssaa, gl_fw, gl_fh, clear_face);
  }
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::face_clear, "", error_text));
  return PF_Err_NONE;
}

PF_Err draw_frame_passes(const RenderInput& input, const PF_EffectWorld& output,
                         const FrameGeometry& geometry, LocalRenderData& render_data,
                         FrameGlObjects& gl, std::string& error_text) {
  const PreRenderPlan& plan = input.plan;
  const FrameRegions& regions = geometry.regions;
  const int32_t w = output.width;
  const int32_t h = output.height;
  const int32_t gl_fw = std::min(regions.face_width, largest_texture_request);
  const int32_t gl_fh = std::min(regions.face_height, largest_texture_request);
  const mat4 path_to_screen =
      mat4_to_float(path_to_screen_about(plan.path_to_screen, regions.origin));
  const bool inherit = plan.inherit_layer_color != 0;
  const bool inner = plan.inner_extrusion != 0;
  const FrameCoverage& coverage = geometry.coverage;
  FrameTargets& targets = *gl.targets;

  // Face pass.
  const GlProgram& face = *render_data.programs[inherit ? face_program : face_flat_program];
  face.use();
  face.set_mat4("mvp", regions.face_matrix.data());
  face.set_mat4("path_to_screen", path_to_screen.data());
  face.set_int("face_to_draw", plan.face_to_draw);
  face.set_bool("inner_extrusion", inner);
  set_extrusion_uniforms(face, plan, regions.origin);
  if (inherit) {
    face.set_bool("inherit_layer_color", true);
    face.set_int("in_tex", 0);
    glActiveTexture(GL_TEXTURE0);
    gl.in_tex->bind();
    face.set_vec2("in_tex_offset", &regions.in_tex_offset.x);
  }
  face.set_vec3("front_fill_color", input.front_fill_color.data());

  targets.face_fb.bind();
  glViewport(0, 0, gl_fw, gl_fh);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(inner ? GL_ALWAYS : GL_LESS);
  if (!inner) {
    if (plan.face_to_draw != face_none) {
      draw_face_mesh(geometry.face_mesh, gl.face_vertex_array, gl.face_vertex_buffer,
                     gl.face_index_buffer);
    }
  } else {
    upload_mesh(geometry.face_mesh, gl.face_vertex_array, gl.face_vertex_buffer,
                gl.face_index_buffer);
    if (plan.face_to_draw == face_front) draw_mesh(geometry.face_mesh);
    glDepthFunc(GL_LEQUAL);
    face.set_int("face_to_draw", face_back);
    draw_mesh(geometry.face_mesh);
  }
  glDepthFunc(GL_LESS);
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::face_pass, "", error_text));
  RETURN_ON_ERROR(poll_frame_abort());

  // Side-wall pass, into the same targets.
  const GlProgram& side =
      *render_data.programs[gl.side_fill_decoded ? side_walls_decoded_program : side_walls_program];
  side.use();
  set_extrusion_uniforms(side, plan, regions.origin);
  side.set_mat4("path_to_screen", path_to_screen.data());
  side.set_mat4("mvp", regions.face_matrix.data());
  side.set_int("side_fill_color_buffer", 0);
  glActiveTexture(GL_TEXTURE0);
  gl.side_fill_tex.bind();
  if (gl.side_fill_decoded) {
    side.set_int("decoded_side_fill", 1);
    glActiveTexture(GL_TEXTURE1);
    gl.decoded_side_fill.bind();
    glActiveTexture(GL_TEXTURE0);
  }
  side.set_bool("interpolate_gradient", input.interpolate_gradient != 0);

  targets.face_fb.bind();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_PRIMITIVE_RESTART);
  glPrimitiveRestartIndex(mesh_restart_index);
  draw_side_mesh(geometry.side_mesh, gl.side_vertex_array, gl.side_vertex_buffer,
                 gl.side_index_buffer);
  glDisable(GL_PRIMITIVE_RESTART);
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::side_pass, "", error_text));
  RETURN_ON_ERROR(poll_frame_abort());

  // Outline pass at the output's size, tested against the supersampled depth; the stroke
  // coverage is cleared first (a 4-byte texel, which glClear fills quickly).
  glViewport(0, 0, w, h);
  targets.outline_fb.bind();
  glDisable(GL_DEPTH_TEST);
  if (coverage.whole) {
    glClear(GL_COLOR_BUFFER_BIT);
  } else {
    for_each_scissor(grown_by_a_pixel(coverage.drawn), ivec2{}, 1, w, h,
                     [] { glClear(GL_COLOR_BUFFER_BIT); });
  }

  const bool vanishing = sweeps_towards_point(geometry.chain_setup.params.mode);
  const vec2 resolution = vec2_from_ints(w, h);
  // Output pixels are the plane moved by -origin.
  const vec2 output_vanishing_point =
      vec2_from_dvec2(dvec2_subtract(geometry.chain_setup.screen_vanishing_point, regions.origin));

  const GlProgram& outline = *render_data.programs[outline_program];
  outline.use();
  outline.set_float("stroke_width", static_cast<float>(plan.stroke_width));
  outline.set_vec2("resolution", &resolution.x);
  outline.set_bool("is_vanishing_mode", vanishing);
  outline.set_vec2("output_vanishing_point", &output_vanishing_point.x);
  outline.set_int("ssaa", input.ssaa);
  outline.set_ivec2("face_offset", &regions.face_offset.x);
  set_extrusion_uniforms(outline, plan, regions.origin);
  outline.set_mat4("path_to_screen", path_to_screen.data());
  outline.set_int("depth_tex", 0);
  glActiveTexture(GL_TEXTURE0);
  targets.depth_tex.bind();

  glEnable(GL_BLEND);
  glBlendEquation(GL_MAX);
  draw_outline_mesh(geometry.outline_mesh, gl.outline_vertex_array, gl.outline_vertex_buffer,
                    gl.outline_index_buffer);
  glDisable(GL_BLEND);
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::outline_pass, "", error_text));
  RETURN_ON_ERROR(poll_frame_abort());

  // Composite pass: resolves the supersampled fill and lays the stroke over it.
  const GlProgram& composite =
      *render_data.programs[input.ssaa == 1 ? composite_single_sample_program : composite_program];
  composite.use();
  composite.set_int("ssaa", input.ssaa);
  composite.set_ivec2("face_offset", &regions.face_offset.x);
  composite.set_int("fill_tex", 0);
  glActiveTexture(GL_TEXTURE0);
  targets.fill_tex.bind();
  composite.set_float("fill_opacity", input.fill_opacity);
  composite.set_int("outline_tex", 1);
  glActiveTexture(GL_TEXTURE1);
  targets.outline_tex.bind();
  composite.set_vec3("stroke_color", input.stroke_color.data());
  composite.set_float("stroke_opacity", input.stroke_opacity);

  gl.empty_vertex_array.bind();
  targets.composite_fb.bind();
  glViewport(0, 0, w, h);
  glDisable(GL_DEPTH_TEST);
  if (coverage.whole) {
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  } else {
    for_each_scissor(coverage.drawn, ivec2{}, 1, w, h,
                     [] { glDrawArrays(GL_TRIANGLE_STRIP, 0, 4); });
    // Where nothing is drawn the composite is transparent black.
    if (targets.composite_format == GL_RGBA8) {
      glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
      for_each_scissor(coverage.empty, ivec2{}, 1, w, h, [] { glClear(GL_COLOR_BUFFER_BIT); });
    } else {
      for_each_scissor(coverage.empty, ivec2{}, 1, w, h,
                       [&] { draw_transparent_black(render_data, gl); });
    }
  }
  RETURN_ON_ERROR(check_gl(__LINE__, RenderCheck::composite_pass, "", error_text));
  return PF_Err_NONE;
}

PF_Err run_frame_passes(const RenderInput& input, const PF_EffectWorld& output,
                        const FrameGeometry& geometry, LocalRenderData& render_data,
                        FrameGlObjects& gl, std::string& error_text) {
  RETURN_ON_ERROR(prepare_frame_targets(input, output, geometry, render_data, gl, error_text));
  return draw_frame_passes(input, output, geometry, render_data, gl, error_text);
}

PF_Err read_back_frame(const RenderInput& input, const FrameGlObjects& gl, PF_EffectWorld* output,
                       std::string& error_text) {
  if (input.output_selector != output_selector_composite) {
    error_text =
        concat({"output_selector ", std::to_string(input.output_selector), " is not supported"});
    return report_failure(__LINE__, PF_Err_BAD_CALLBACK_PARAM, error_text);
  }
  const FrameTargets& targets = *gl.targets;
  const PF_Err err = targets.composite_format == GL_RGBA8
                         ? read_back_pixels8(targets.composite_fb, input.read_x, input.read_y,
                                             input.in_data, output)
                         : read_back_pixels(targets.composite_fb, input.read_x, input.read_y,
                                            input.in_data, input.bitdepth, output);
  RETURN_ON_ERROR(check_transfer(__LINE__, err,
                                 concat({"failed to download composite_fb into output texture ",
                                         size_text(output->width, output->height)}),
                                 error_text));
  return check_gl(__LINE__, RenderCheck::read_back, "", error_text);
}

namespace {

// Fails with 512 and a text that names the sizes when a target or the input texture of the
// frame would be larger than the context's largest texture even at ssaa 1: GL would refuse it
// with only an error number.
PF_Err check_within_largest_texture(const RenderInput& input, const PF_EffectWorld& output,
                                    const FrameRegions& regions, int32_t largest,
                                    std::string& error_text) {
  const auto larger = [&](int64_t width, int64_t height) {
    return width > largest || height > largest;
  };
  const std::string limit =
      concat({", larger than this GPU's largest texture, ", std::to_string(largest)});
  const int64_t face_width = texture_extent(regions.face_region.right - regions.face_region.left);
  const int64_t face_height = texture_extent(regions.face_region.bottom - regions.face_region.top);
  const TexelExtent layer = input_pixels_extent(input.input);
  if (larger(output.width, output.height)) {
    error_text = concat({"the frame is ", std::to_string(output.width), "x",
                         std::to_string(output.height), " pixels", limit});
  } else if (larger(face_width, face_height)) {
    // The face targets reach beyond the output towards the vanishing point.
    error_text =
        concat({"the frame reaches over ", std::to_string(face_width), "x",
                std::to_string(face_height), " pixels towards its vanishing point", limit});
  } else if (input.plan.inherit_layer_color != 0 && larger(layer.width, layer.height)) {
    error_text = concat({"the layer is ", std::to_string(layer.width), "x",
                         std::to_string(layer.height), " pixels", limit});
  } else {
    return PF_Err_NONE;
  }
  return report_failure(__LINE__, PF_Err_INTERNAL_STRUCT_DAMAGED, error_text);
}

// Brackets a frame's use of the thread's kept storage. At the start, storage another thread
// asked this one to release goes. At the end (after the frame's own GL objects, while the
// context is current), the storage is accounted and held to the budget, and the context is let
// go, so that another thread can release this one's storage when it needs the room.
struct KeptStorageFrame {
  LocalRenderData& render_data;
  explicit KeptStorageFrame(LocalRenderData& data) : render_data(data) {
    if (render_data.release_requested.exchange(false)) release_kept_storage(render_data);
    if (render_data.geometry == nullptr) render_data.geometry = std::make_unique<FrameGeometry>();
  }
  ~KeptStorageFrame() {
    settle_kept_storage(render_data);
    make_gl_context_current(nullptr);
  }
  KeptStorageFrame(const KeptStorageFrame&) = delete;
  KeptStorageFrame& operator=(const KeptStorageFrame&) = delete;
};

}  // namespace

PF_Err render_layer(const RenderInput* input, PF_EffectWorld* output, std::string* error_text) {
  std::string ignored_text;
  std::string& text = error_text != nullptr ? *error_text : ignored_text;
  if (input == nullptr || output == nullptr || input->in_data == nullptr) {
    text = "render_layer needs a render input with host data and an output world";
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  const PreRenderPlan& plan = input->plan;

  // Inner extrusion seen from behind: nothing of the solid shows, so the host clears the world.
  if (plan.inner_extrusion && plan.face_to_draw == face_back) {
    PF_InData* in_data = input->in_data;
    if (in_data->utils == nullptr || in_data->utils->fill == nullptr) {
      text = "the host gave no fill callback to clear the output";
      return PF_Err_BAD_CALLBACK_PARAM;
    }
    (void)in_data->utils->fill(in_data->effect_ref, nullptr, nullptr, output);
    return PF_Err_NONE;
  }

  // The host is asked between the stages whether it still wants the frame.
  FrameAbort abort(input->in_data);
  const FrameAbortScope abort_scope(abort);

  LocalRenderData* render_data = ensure_local_render_data();
  if (render_data == nullptr || render_data->context == nullptr ||
      render_data->programs.size() < shader_program_count) {
    text = "local_render_data was nullptr";
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }

  // The thread keeps its frame storage for the next frame, which mostly needs as much again.
  const KeptStorageFrame kept(*render_data);
  FrameGeometry& geometry = *render_data->geometry;
  if (const PF_Err err =
          build_frame_layout(frame_geometry_input(*input, *output), geometry, text)) {
    return report_failure(__LINE__, err, text);
  }
  RETURN_ON_ERROR(check_within_largest_texture(*input, *output, geometry.regions,
                                               render_data->largest_target_size, text));
  RETURN_ON_ERROR(abort.poll());

  // The targets are made and cleared first, so that GL clears them while the meshes are built.
  FrameGlObjects gl;
  RETURN_ON_ERROR(prepare_frame_targets(*input, *output, geometry, *render_data, gl, text));
  RETURN_ON_ERROR(abort.poll());
  // A cancelled frame lets go of what it built.
  if (const PF_Err err = run_until_cancelled([&] { build_frame_meshes(input->plan, geometry); })) {
    geometry = FrameGeometry();
    return err;
  }
  RETURN_ON_ERROR(abort.poll());
  RETURN_ON_ERROR(draw_frame_passes(*input, *output, geometry, *render_data, gl, text));
  RETURN_ON_ERROR(abort.poll());
  return read_back_frame(*input, gl, output, text);
}
