// "AEGP Text Layer Suite" as the effect calls it: what it hands out when
// its own work fails.

#include <gtest/gtest.h>

#include "host/scene/composition.h"
#include "host/sim_host.h"
#include "host_support/aegp_suite_handler.h"

namespace simhost::scene {
namespace {

// Running out of memory while the outlines are made fails the call with
// its out-of-memory code and nothing handed out, wherever it happens; the
// host never reports it as outlines the effect kept.
TEST(TextLayerSuite, OutOfMemoryWhileMakingOutlinesHandsNothingOut) {
  SimHost host;
  Composition comp(300, 100, 24);
  Layer& layer = comp.add_layer(LayerKind::text, "Title");
  layer.set_text({.text = "AB", .size = 50, .origin = {10, 60}});
  const size_t paths = layer.text_outlines().size();
  ASSERT_GE(paths, 3u);  // A's two contours and B's three
  const A_Time time{0, 24};
  for (int skip : {0, 1, static_cast<int>(paths) - 1}) {
    host.run_out_of_memory_in("making a text outline path", 1, skip);
    AEGP_TextOutlinesH outlines = nullptr;
    {
      AEGP_SuiteHandler suites(host.basic_suite());
      EXPECT_EQ(suites.TextLayerSuite1()->AEGP_GetNewTextOutlines(layer.handle(), &time, &outlines),
                A_Err_ALLOC)
          << "path " << skip;
    }
    EXPECT_EQ(outlines, nullptr);
    EXPECT_EQ(host.balance_report(), "") << "path " << skip;
  }
  host.clear_failures();
  {
    AEGP_SuiteHandler suites(host.basic_suite());
    const AEGP_TextLayerSuite1* text = suites.TextLayerSuite1();
    AEGP_TextOutlinesH outlines = nullptr;
    ASSERT_EQ(text->AEGP_GetNewTextOutlines(layer.handle(), &time, &outlines), A_Err_NONE);
    A_long count = 0;
    EXPECT_EQ(text->AEGP_GetNumTextOutlines(outlines, &count), A_Err_NONE);
    EXPECT_EQ(count, static_cast<A_long>(paths));
    EXPECT_EQ(text->AEGP_DisposeTextOutlines(outlines), A_Err_NONE);
  }
  EXPECT_EQ(host.balance_report(), "");
}

}  // namespace
}  // namespace simhost::scene
