// The simulated host's Drawbot canvas on its own: what it refuses. (Images
// of both BGRA layouts: the golden pictures of the wheel, premultiplied, and
// of the info panel, straight.)

#include "host/suites/drawbot_canvas.h"

#include <gtest/gtest.h>

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

}  // namespace
