// Pixels between the simulated host's worlds and GL textures and
// framebuffers, through its handle and iterate suites.

#include "gl/pixel_transfer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "gl_test_support.h"
#include "host/sim_host.h"

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

  simhost::SimHost host_;
  PF_InData in_data_{};
};

TEST_F(PixelTransfer, ChannelTo8BitsRoundsHalfAwayAndClamps) {
  EXPECT_EQ(float_to_channel8(0.5f), 128);
  EXPECT_EQ(float_to_channel8(0.998f), 254);
  EXPECT_EQ(float_to_channel8(1.5f), 255);
  EXPECT_EQ(float_to_channel8(-0.25f), 0);
  EXPECT_EQ(float_to_channel8(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(float_to_channel8(std::numeric_limits<float>::infinity()), 255);
}

TEST_F(PixelTransfer, NoInputGivesOneTransparentTexel) {
  GlTexture texture(GL_TEXTURE_2D);
  EXPECT_EQ(upload_input_pixels(&in_data_, 8, nullptr, texture), PF_Err_NONE);
  int width = 0, height = 0;
  const auto data = texels(texture, &width, &height);
  EXPECT_EQ(width, 1);
  EXPECT_EQ(height, 1);
  EXPECT_EQ(data, std::vector<float>(4, 0.0f));
  GLint format = 0, min_filter = 0, mag_filter = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag_filter);
  EXPECT_EQ(format, GL_RGBA32F);
  EXPECT_EQ(min_filter, GL_LINEAR);
  EXPECT_EQ(mag_filter, GL_LINEAR);
}

TEST_F(PixelTransfer, UploadFlipsRowsAndReordersChannels) {
  World input(3, 2, PixelFormat::Argb8);
  input.pixel8(0, 0) = {255, 255, 0, 0};   // top left, opaque red
  input.pixel8(2, 1) = {51, 0, 102, 255};  // bottom right
  GlTexture texture(GL_TEXTURE_2D);
  ASSERT_EQ(upload_input_pixels(&in_data_, 8, input.get(), texture), PF_Err_NONE);
  int width = 0, height = 0;
  const auto data = texels(texture, &width, &height);
  ASSERT_EQ(width, 3);
  ASSERT_EQ(height, 2);
  auto texel = [&](int x, int row) { return &data[(row * 3 + x) * 4]; };
  EXPECT_EQ(std::vector<float>(texel(0, 1), texel(0, 1) + 4), (std::vector<float>{1, 0, 0, 1}));
  EXPECT_FLOAT_EQ(texel(2, 0)[1], 0.4f);
  EXPECT_FLOAT_EQ(texel(2, 0)[2], 1.0f);
  EXPECT_FLOAT_EQ(texel(2, 0)[3], 0.2f);
  EXPECT_EQ(texel(0, 0)[3], 0.0f);
}

TEST_F(PixelTransfer, FloatValuesOutsideZeroToOneSurviveUntil8BitReadBack) {
  World input(2, 1, PixelFormat::ArgbFloat);
  input.pixel_float(0, 0) = {1.0f, 2.5f, -0.5f, 0.25f};
  input.pixel_float(1, 0) = {-1.0f, 0.0f, 1.0f, 7.0f};
  GlTexture texture(GL_TEXTURE_2D);
  ASSERT_EQ(upload_input_pixels(&in_data_, 32, input.get(), texture), PF_Err_NONE);
  GlFramebuffer framebuffer;
  framebuffer.attach_texture(GL_COLOR_ATTACHMENT0, texture, 0);
  ASSERT_EQ(framebuffer.status(), static_cast<uint32_t>(GL_FRAMEBUFFER_COMPLETE));

  World float_out(2, 1, PixelFormat::ArgbFloat);
  ASSERT_EQ(read_back_pixels(framebuffer, 0, 0, &in_data_, 32, float_out.get()), PF_Err_NONE);
  const PF_PixelFloat a = float_out.pixel_float(0, 0), b = float_out.pixel_float(1, 0);
  EXPECT_EQ(a.red, 2.5f);
  EXPECT_EQ(a.green, -0.5f);
  EXPECT_EQ(b.alpha, -1.0f);
  EXPECT_EQ(b.blue, 7.0f);

  World byte_out(2, 1, PixelFormat::Argb8);
  ASSERT_EQ(read_back_pixels(framebuffer, 0, 0, &in_data_, 8, byte_out.get()), PF_Err_NONE);
  const PF_Pixel8 c = byte_out.pixel8(0, 0), d = byte_out.pixel8(1, 0);
  EXPECT_EQ(c.alpha, 255);
  EXPECT_EQ(c.red, 255);
  EXPECT_EQ(c.green, 0);
  EXPECT_EQ(c.blue, 64);
  EXPECT_EQ(d.alpha, 0);
  EXPECT_EQ(d.blue, 255);
  gl_test::expect_no_gl_error();
}

TEST_F(PixelTransfer, EightBitRoundTripKeepsEveryValue) {
  World input(16, 16, PixelFormat::Argb8);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const auto v = static_cast<A_u_char>(y * 16 + x);
      input.pixel8(x, y) = {v, static_cast<A_u_char>(255 - v), static_cast<A_u_char>(v ^ 0x5A),
                            static_cast<A_u_char>((v * 7) & 255)};
    }
  }
  GlTexture texture(GL_TEXTURE_2D);
  ASSERT_EQ(upload_input_pixels(&in_data_, 8, input.get(), texture), PF_Err_NONE);
  GlFramebuffer framebuffer;
  framebuffer.attach_texture(GL_COLOR_ATTACHMENT0, texture, 0);
  World output(16, 16, PixelFormat::Argb8);
  ASSERT_EQ(read_back_pixels(framebuffer, 0, 0, &in_data_, 8, output.get()), PF_Err_NONE);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const PF_Pixel8 a = input.pixel8(x, y), b = output.pixel8(x, y);
      EXPECT_TRUE(a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue)
          << x << "," << y;
    }
  }
}

TEST_F(PixelTransfer, ReadBackOfALargerFramebufferTakesItsLowerLeftPart) {
  // 4 x 4 framebuffer; texel (x, row) has red x and green row.
  std::vector<float> data;
  for (int row = 0; row < 4; ++row)
    for (int x = 0; x < 4; ++x) data.insert(data.end(), {x / 4.0f, row / 4.0f, 0, 1});
  auto texture = gl_test::rgba_texture(4, 4, data);
  GlFramebuffer framebuffer;
  framebuffer.attach_texture(GL_COLOR_ATTACHMENT0, *texture, 0);
  World output(2, 2, PixelFormat::ArgbFloat);
  ASSERT_EQ(read_back_pixels(framebuffer, 0, 0, &in_data_, 32, output.get()), PF_Err_NONE);
  // The output's top row is the framebuffer's row 1.
  EXPECT_EQ(output.pixel_float(1, 0).red, 0.25f);
  EXPECT_EQ(output.pixel_float(1, 0).green, 0.25f);
  EXPECT_EQ(output.pixel_float(0, 1).green, 0.0f);
}

TEST_F(PixelTransfer, UnlockableHandleIsOutOfMemoryAndWritesNothing) {
  World output(2, 2, PixelFormat::Argb8);
  output.pixel8(0, 0) = {1, 2, 3, 4};
  gl_test::Target target(2, 2);
  host_.fail(Fail::LockHandle);
  EXPECT_EQ(read_back_pixels(target.framebuffer(), 0, 0, &in_data_, 8, output.get()),
            PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(output.pixel8(0, 0).red, 2);

  World input(2, 2, PixelFormat::Argb8);
  GlTexture texture(GL_TEXTURE_2D);
  host_.fail(Fail::LockHandle);
  EXPECT_EQ(upload_input_pixels(&in_data_, 8, input.get(), texture), PF_Err_OUT_OF_MEMORY);
  host_.fail(Fail::NewHandle);
  EXPECT_EQ(upload_input_pixels(&in_data_, 8, input.get(), texture), PF_Err_OUT_OF_MEMORY);
}

TEST_F(PixelTransfer, CancelledIterateReturnsItsCodeAndStillDefinesTheTexture) {
  World input(4, 8, PixelFormat::ArgbFloat);
  GlTexture texture(GL_TEXTURE_2D);
  host_.fail(Fail::Iterate);
  EXPECT_EQ(upload_input_pixels(&in_data_, 32, input.get(), texture), PF_Interrupt_CANCEL);
  int width = 0, height = 0;
  texels(texture, &width, &height);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 8);

  gl_test::Target target(4, 8);
  host_.fail(Fail::Iterate);
  EXPECT_EQ(read_back_pixels(target.framebuffer(), 0, 0, &in_data_, 32, input.get()),
            PF_Interrupt_CANCEL);
}

TEST_F(PixelTransfer, MissingSuiteThrowsAndGivesTheHandleBack) {
  World input(2, 2, PixelFormat::Argb8);
  GlTexture texture(GL_TEXTURE_2D);
  host_.make_suite_missing(kPFIterate8Suite, kPFIterate8SuiteVersion1);
  try {
    upload_input_pixels(&in_data_, 8, input.get(), texture);
    ADD_FAILURE() << "no exception";
  } catch (PF_Err err) {
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  }
  // TearDown checks that the handle and the suites went back.
}

TEST_F(PixelTransfer, OtherBitDepthsCopyNothing) {
  World input(2, 2, PixelFormat::Argb8);
  input.pixel8(0, 0) = {255, 255, 255, 255};
  GlTexture texture(GL_TEXTURE_2D);
  EXPECT_EQ(upload_input_pixels(&in_data_, 16, input.get(), texture), PF_Err_NONE);
  int width = 0, height = 0;
  EXPECT_EQ(texels(texture, &width, &height), std::vector<float>(16, 0.0f));

  World output(2, 2, PixelFormat::Argb8);
  output.pixel8(1, 1) = {9, 9, 9, 9};
  auto white = gl_test::rgba_texture(2, 2, std::vector<float>(16, 1.0f));
  GlFramebuffer framebuffer;
  framebuffer.attach_texture(GL_COLOR_ATTACHMENT0, *white, 0);
  EXPECT_EQ(read_back_pixels(framebuffer, 0, 0, &in_data_, 16, output.get()), PF_Err_NONE);
  EXPECT_EQ(output.pixel8(1, 1).red, 9);
}

TEST_F(PixelTransfer, ReadBackNeedsAnOutputAndSkipsAnEmptyOne) {
  gl_test::Target target(2, 2);
  EXPECT_EQ(read_back_pixels(target.framebuffer(), 0, 0, &in_data_, 8, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
  World empty(0, 0, PixelFormat::Argb8);
  EXPECT_EQ(read_back_pixels(target.framebuffer(), 0, 0, &in_data_, 8, empty.get()), PF_Err_NONE);
}

TEST_F(PixelTransfer, EmptyInputIsTreatedAsNone) {
  World input(0, 3, PixelFormat::Argb8);
  GlTexture texture(GL_TEXTURE_2D);
  EXPECT_EQ(upload_input_pixels(&in_data_, 8, input.get(), texture), PF_Err_NONE);
  int width = 0, height = 0;
  EXPECT_EQ(texels(texture, &width, &height), std::vector<float>(4, 0.0f));
  EXPECT_EQ(width, 1);
}

}  // namespace
