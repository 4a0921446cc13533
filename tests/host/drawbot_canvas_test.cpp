// The simulated host's Drawbot canvas on its own: what it refuses, and
// images of both BGRA layouts landing with the same colour (the wheel draws
// premultiplied ones, the info panel straight ones).

#include "host/suites/drawbot_canvas.h"

#include <gtest/gtest.h>

#include <cstring>

#include "host/sim_host.h"
#include "host_support/aegp_suite_handler.h"

namespace {

TEST(DrawbotCanvas, WhatTheHostCannotDrawIsRefused) {
  simhost::SimHost host;
  simhost::DrawbotCanvas canvas{host, 8, 8, {0, 0, 0}};
  {
    AEGP_SuiteHandler suites(host.basic_suite());
    const auto* supplier = suites.acquire<DRAWBOT_SupplierSuite1>(kDRAWBOT_SupplierSuite, 1);
    const auto* surface = suites.acquire<DRAWBOT_SurfaceSuite2>(kDRAWBOT_SurfaceSuite, 2);
    const unsigned char pixel[4] = {};
    DRAWBOT_ImageRef image = nullptr;
    EXPECT_EQ(supplier->NewImageFromBuffer(canvas.supplier_ref(), 1, 1, 4,
                                           kDRAWBOT_PixelLayout_24RGB, pixel, &image),
              PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_EQ(supplier->NewImageFromBuffer(canvas.supplier_ref(), 2, 1, 4,
                                           kDRAWBOT_PixelLayout_32BGRA_Premul, pixel, &image),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(image, nullptr);
    const DRAWBOT_MatrixF32 flat{{{1, 0, 0}, {2, 0, 0}, {0, 0, 1}}};
    EXPECT_EQ(surface->Transform(canvas.surface_ref(), &flat), PF_Err_BAD_CALLBACK_PARAM);
    // A state pushed is owed until popped; a pop without a push is a misuse.
    ASSERT_EQ(surface->PushStateStack(canvas.surface_ref()), PF_Err_NONE);
    EXPECT_EQ(host.outstanding()["drawbot surface state"], 1);
    ASSERT_EQ(surface->PopStateStack(canvas.surface_ref()), PF_Err_NONE);
    EXPECT_EQ(surface->PopStateStack(canvas.surface_ref()), PF_Err_BAD_CALLBACK_PARAM);
  }
  EXPECT_EQ(host.misuses().size(), 1u);
  EXPECT_TRUE(host.outstanding().empty());
}

// Blue 200, green 100, red 50 at alpha 128, in memory order B, G, R, A,
// straight and premultiplied, over black.
TEST(DrawbotCanvas, StraightAndPremultipliedPixelsLandAlike) {
  simhost::SimHost host;
  simhost::DrawbotCanvas canvas{host, 8, 8, {0, 0, 0}};
  {
    AEGP_SuiteHandler suites(host.basic_suite());
    const auto* supplier = suites.acquire<DRAWBOT_SupplierSuite1>(kDRAWBOT_SupplierSuite, 1);
    const auto* surface = suites.acquire<DRAWBOT_SurfaceSuite2>(kDRAWBOT_SurfaceSuite, 2);
    const unsigned char straight[4] = {200, 100, 50, 128};
    const unsigned char premultiplied[4] = {100, 50, 25, 128};
    const struct {
      DRAWBOT_PixelLayout layout;
      const unsigned char* bytes;
      int x;
    } cases[] = {{kDRAWBOT_PixelLayout_32BGRA_Straight, straight, 1},
                 {kDRAWBOT_PixelLayout_32BGRA_Premul, premultiplied, 5}};
    for (const auto& c : cases) {
      DRAWBOT_ImageRef image = nullptr;
      ASSERT_EQ(
          supplier->NewImageFromBuffer(canvas.supplier_ref(), 1, 1, 4, c.layout, c.bytes, &image),
          PF_Err_NONE);
      const DRAWBOT_PointF32 origin{static_cast<float>(c.x), 2};
      ASSERT_EQ(surface->DrawImage(canvas.surface_ref(), image, &origin, 1.0f), PF_Err_NONE);
      EXPECT_EQ(host.outstanding()["drawbot image"], 1);
      ASSERT_EQ(supplier->ReleaseObject(image), PF_Err_NONE);
    }
  }
  const PF_Pixel8 a = canvas.pixel(1, 2);
  const PF_Pixel8 b = canvas.pixel(5, 2);
  EXPECT_EQ(a.blue, 100);  // 200 at half coverage over black
  EXPECT_EQ(a.green, 50);
  EXPECT_EQ(a.red, 25);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
  EXPECT_TRUE(host.outstanding().empty());
}

}  // namespace
