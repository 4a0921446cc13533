// Pixels between the simulated host's worlds and GL textures and
// framebuffers, through its handle and iterate suites: rows flipped and
// channels reordered on the way up, values rounded, clamped or kept on the
// way back, and what failures and unusable worlds leave.

#include "renderer/pixel_transfer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

#include "host/sim_host.h"
#include "tests/renderer/gl_test_support.h"

namespace {

using simhost::Fail;
using simhost::PixelFormat;
using simhost::World;

class PixelTransfer : public gl_test::DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    in_data_ = host_.make_in_data();
  }
  // Every handle and suite went back, on failures too.
  void TearDown() override { EXPECT_EQ(host_.balance_report(), ""); }

  // The texture's level 0 as RGBA floats, bottom row first.
  static std::vector<float> texels(const GlTexture& texture, int* width, int* height) {
    texture.bind();
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
    std::vector<float> data(static_cast<size_t>(*width) * *height * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, data.data());
    return data;
  }

  // Reads `texture` at (0, 0) into `output` through a framebuffer.
  PF_Err read_back(const GlTexture& texture, int16_t bitdepth, World& output) {
    GlFramebuffer framebuffer;
    framebuffer.attach_texture(GL_COLOR_ATTACHMENT0, texture, 0);
    return read_back_pixels(framebuffer, 0, 0, &in_data_, bitdepth, output.get());
  }

  // Uploads `input`, then reads it back into `output`.
  PF_Err round_trip(World& input, int16_t bitdepth, World& output) {
    GlTexture texture(GL_TEXTURE_2D);
    const PF_Err err = upload_input_pixels(&in_data_, bitdepth, input.get(), texture);
    return err != PF_Err_NONE ? err : read_back(texture, bitdepth, output);
  }

  simhost::SimHost host_;
  PF_InData in_data_{};
};

TEST_F(PixelTransfer, ReadBackTo8BitsRoundsHalfAwayAndClamps) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // Bottom row first: the output's top row is the second row here.
  const std::vector<float> rgba = {0.5f,  0.998f, 1.5f,   -0.25f,  // read into (0, 1)
                                   nan,   1.0f,   0.002f, 0.0f,    // read into (0, 0)
                                   0.25f, 0.75f,  1.0f,   0.0f};   // unused third row
  World output(1, 2, PixelFormat::argb8);
  ASSERT_EQ(read_back(*gl_test::rgba_texture(1, 3, rgba), 8, output), PF_Err_NONE);
  const PF_Pixel8 top = output.pixel8(0, 0), bottom = output.pixel8(0, 1);
  EXPECT_EQ(bottom.red, 128);
  EXPECT_EQ(bottom.green, 254);
  EXPECT_EQ(bottom.blue, 255);
  EXPECT_EQ(bottom.alpha, 0);
  EXPECT_EQ(top.red, 0);
  EXPECT_EQ(top.green, 255);
  EXPECT_EQ(top.blue, 1);
}

TEST_F(PixelTransfer, FloatValuesOutsideZeroToOneSurviveAFloatRoundTrip) {
  World input(2, 1, PixelFormat::argb_float);
  input.pixel_float(0, 0) = {1.0f, 2.5f, -0.5f, 0.25f};
  input.pixel_float(1, 0) = {-1.0f, 0.0f, 1.0f, 7.0f};
  World output(2, 1, PixelFormat::argb_float);
  ASSERT_EQ(round_trip(input, 32, output), PF_Err_NONE);
  EXPECT_EQ(output.pixel_float(0, 0).red, 2.5f);
  EXPECT_EQ(output.pixel_float(0, 0).green, -0.5f);
  EXPECT_EQ(output.pixel_float(1, 0).alpha, -1.0f);
  EXPECT_EQ(output.pixel_float(1, 0).blue, 7.0f);
}

TEST_F(PixelTransfer, EightBitRoundTripKeepsEveryValue) {
  // Every value in every channel, the alpha varying with it.
  World input(16, 16, PixelFormat::argb8);
  for (int v = 0; v < 256; ++v) {
    const auto c = static_cast<A_u_char>(v);
    input.pixel8(v % 16, v / 16) = {c, static_cast<A_u_char>(255 - v),
                                    static_cast<A_u_char>(v ^ 0x5A), c};
  }
  World output(16, 16, PixelFormat::argb8);
  ASSERT_EQ(round_trip(input, 8, output), PF_Err_NONE);
  for (int v = 0; v < 256; ++v) {
    const PF_Pixel8 a = input.pixel8(v % 16, v / 16), b = output.pixel8(v % 16, v / 16);
    EXPECT_TRUE(a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue)
        << v;
  }
}

TEST(PixelCallbacks, EightBitChannelsBecomeTheirValueOverTwoFiftyFive) {
  // Each value in each channel, compared bit for bit with the division. The world's bottom row
  // (y 1 of 2) is the buffer's first row.
  World world(1, 2, PixelFormat::argb8);
  std::array<float, 8> buffer{};
  PixelTransferRef ref{buffer.data(), world.get()};
  for (int v = 0; v < 256; ++v) {
    const auto c = static_cast<A_u_char>(v);
    PF_Pixel8 pixel{static_cast<A_u_char>(255 - v), c, static_cast<A_u_char>(v ^ 0x5A), c};
    ASSERT_EQ(pixel8_to_buffer(&ref, 0, 1, nullptr, &pixel), PF_Err_NONE);
    const std::array<float, 4> expected = {
        static_cast<float>(pixel.red / 255.0), static_cast<float>(pixel.green / 255.0),
        static_cast<float>(pixel.blue / 255.0), static_cast<float>(pixel.alpha / 255.0)};
    EXPECT_EQ(std::memcmp(buffer.data(), expected.data(), sizeof(expected)), 0) << v;
  }
}

// A kept texture's pixels, every mip level after another, as RGBA floats.
std::vector<float> mip_levels(const InputTexture& texture) {
  std::vector<float> all;
  texture.texture().bind();
  for (int level = 0; level < mip_level_count(texture.width(), texture.height()); ++level) {
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    std::vector<float> data(static_cast<size_t>(width) * height * 4);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_FLOAT, data.data());
    all.insert(all.end(), data.begin(), data.end());
  }
  return all;
}

TEST_F(PixelTransfer, KeptTextureIsFilledAgainOnlyWhenTheLayerChanged) {
  // A 5 x 3 layer uploaded, then (after a cancelled upload, where asked) uploaded again as it is
  // or changed, with the texture's level 0 spoiled in between: filled again, every level equals
  // a texture filled once from the second layer; not filled, the spoiled level stays.
  World eight(5, 3, PixelFormat::argb8), eight_changed(5, 3, PixelFormat::argb8);
  World floats(5, 3, PixelFormat::argb_float), floats_signed_zero(5, 3, PixelFormat::argb_float);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const auto v = static_cast<A_u_char>(40 * y + 7 * x);
      eight.pixel8(x, y) = eight_changed.pixel8(x, y) = {255, v, static_cast<A_u_char>(v ^ 0x33),
                                                         static_cast<A_u_char>(200 - v)};
      floats.pixel_float(x, y) =
          floats_signed_zero.pixel_float(x, y) = {1.0f, v / 100.0f, 0.0f, -v / 50.0f};
    }
  }
  eight_changed.pixel8(4, 2).blue ^= 1;  // the last pixel the iterate reads
  floats_signed_zero.pixel_float(2, 1).green = -0.0f;
  struct Case {
    const char* what;
    World* first;
    World* second;
    bool cancelled_between;
    bool filled_again;
  };
  const Case cases[] = {
      {"the same 8-bit pixels", &eight, &eight, false, false},
      {"the same float pixels", &floats, &floats, false, false},
      {"one channel of the last pixel changed", &eight, &eight_changed, false, true},
      {"a float 0 become -0", &floats, &floats_signed_zero, false, true},
      {"the same values at another depth", &eight, &floats, false, true},
      {"the same pixels after a cancelled upload", &eight, &eight, true, true},
  };
  const auto depth = [](const World* w) -> int16_t {
    return w->format() == PixelFormat::argb8 ? 8 : 32;
  };
  for (const Case& c : cases) {
    InputTexture texture(5, 3, 0.0f);
    ASSERT_EQ(upload_input_pixels(&in_data_, depth(c.first), c.first->get(), texture), PF_Err_NONE)
        << c.what;
    if (c.cancelled_between) {
      host_.fail(Fail::iterate);
      EXPECT_EQ(upload_input_pixels(&in_data_, depth(c.second), c.second->get(), texture),
                PF_Interrupt_CANCEL)
          << c.what;
    }
    const std::vector<float> spoiled(5 * 3 * 4, 9.0f);
    texture.texture().bind();
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 5, 3, GL_RGBA, GL_FLOAT, spoiled.data());
    ASSERT_EQ(upload_input_pixels(&in_data_, depth(c.second), c.second->get(), texture),
              PF_Err_NONE)
        << c.what;

    const std::vector<float> levels = mip_levels(texture);
    if (c.filled_again) {
      InputTexture fresh(5, 3, 0.0f);
      ASSERT_EQ(upload_input_pixels(&in_data_, depth(c.second), c.second->get(), fresh),
                PF_Err_NONE);
      const std::vector<float> expected = mip_levels(fresh);
      ASSERT_EQ(levels.size(), expected.size());
      EXPECT_EQ(std::memcmp(levels.data(), expected.data(), levels.size() * sizeof(float)), 0)
          << c.what;
    } else {
      EXPECT_TRUE(std::equal(spoiled.begin(), spoiled.end(), levels.begin())) << c.what;
    }
  }
}

TEST_F(PixelTransfer, FailuresReturnTheirCodes) {
  World output(2, 2, PixelFormat::argb8);
  output.pixel8(0, 0) = {1, 2, 3, 4};
  gl_test::Target target(2, 2);
  host_.fail(Fail::lock_handle);
  EXPECT_EQ(read_back_pixels(target.framebuffer(), 0, 0, &in_data_, 8, output.get()),
            PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(output.pixel8(0, 0).red, 2);

  World input(4, 8, PixelFormat::argb_float);
  GlTexture texture(GL_TEXTURE_2D);
  host_.fail(Fail::new_handle);
  EXPECT_EQ(upload_input_pixels(&in_data_, 32, input.get(), texture), PF_Err_OUT_OF_MEMORY);
  // A cancelled iterate still defines the texture, from what it filled.
  host_.fail(Fail::iterate);
  EXPECT_EQ(upload_input_pixels(&in_data_, 32, input.get(), texture), PF_Interrupt_CANCEL);
  int width = 0, height = 0;
  texels(texture, &width, &height);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 8);

  host_.make_suite_missing(kPFIterate8Suite, kPFIterate8SuiteVersion1);
  try {
    upload_input_pixels(&in_data_, 8, input.get(), texture);
    ADD_FAILURE() << "no exception";
  } catch (PF_Err err) {
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  }
}

TEST_F(PixelTransfer, MissingOrEmptyWorldsCopyNothing) {
  // No input, or an empty one: one transparent black texel, filtered.
  World empty(0, 3, PixelFormat::argb8);
  for (PF_EffectWorld* none : {static_cast<PF_EffectWorld*>(nullptr), empty.get()}) {
    GlTexture texture(GL_TEXTURE_2D);
    EXPECT_EQ(upload_input_pixels(&in_data_, 8, none, texture), PF_Err_NONE);
    int width = 0, height = 0;
    EXPECT_EQ(texels(texture, &width, &height), std::vector<float>(4, 0.0f));
    GLint format = 0, filter = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(format, GL_RGBA32F);
    EXPECT_EQ(filter, GL_LINEAR);
  }

  // A depth other than 8 or 32 bits (the effect declares none, but a host
  // may ask): a transparent texture, whatever the handle held, and an
  // untouched output.
  World input(2, 2, PixelFormat::argb8);
  input.pixel8(0, 0) = {255, 255, 255, 255};
  GlTexture texture(GL_TEXTURE_2D);
  EXPECT_EQ(upload_input_pixels(&in_data_, 16, input.get(), texture), PF_Err_NONE);
  int width = 0, height = 0;
  EXPECT_EQ(texels(texture, &width, &height), std::vector<float>(16, 0.0f));

  World output(2, 2, PixelFormat::argb8);
  output.pixel8(1, 1) = {9, 9, 9, 9};
  EXPECT_EQ(read_back(*gl_test::rgba_texture(2, 2, std::vector<float>(16, 1.0f)), 16, output),
            PF_Err_NONE);
  EXPECT_EQ(output.pixel8(1, 1).red, 9);

  // No output world, or an empty one.
  gl_test::Target target(2, 2);
  EXPECT_EQ(read_back_pixels(target.framebuffer(), 0, 0, &in_data_, 8, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(read_back_pixels(target.framebuffer(), 0, 0, &in_data_, 8, empty.get()), PF_Err_NONE);
}

// The host's top row is the texture's last, ARGB bytes become RGBA floats.
TEST_F(PixelTransfer, UploadFlipsRowsAndReordersChannels) {
  World input(3, 2, PixelFormat::argb8);
  input.pixel8(0, 0) = {255, 255, 0, 0};   // top left, opaque red
  input.pixel8(2, 1) = {51, 0, 102, 255};  // bottom right
  GlTexture texture(GL_TEXTURE_2D);
  ASSERT_EQ(upload_input_pixels(&in_data_, 8, input.get(), texture), PF_Err_NONE);
  int width = 0, height = 0;
  const auto data = texels(texture, &width, &height);
  ASSERT_EQ(width, 3);
  ASSERT_EQ(height, 2);
  auto texel = [&](int x, int row) {
    return std::vector<float>(&data[(row * 3 + x) * 4], &data[(row * 3 + x) * 4 + 4]);
  };
  EXPECT_EQ(texel(0, 1), (std::vector<float>{1, 0, 0, 1}));
  EXPECT_EQ(texel(2, 0), (std::vector<float>{0, 0.4f, 1, 0.2f}));
  EXPECT_EQ(texel(0, 0)[3], 0.0f);
}

}  // namespace
