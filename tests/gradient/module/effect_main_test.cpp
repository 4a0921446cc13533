// The "Gradient Wheel" value's callbacks reached as the host reaches them:
// PF_Cmd_ARBITRARY_CALLBACK with arbitrary id 32 through the loaded module.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "host/effect_instance.h"
#include "host/plugin_module.h"
#include "host/sim_host.h"
#include "host_api/ae_effect_suites.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Stop {
  double position;
  float alpha, red, green, blue;
};
static_assert(sizeof(Stop) == 24);

Bytes blob(const std::vector<Stop>& stops, bool trailing_byte) {
  Bytes bytes(4 + 24 * stops.size() + (trailing_byte ? 1 : 0), 0);
  const auto count = static_cast<std::uint32_t>(24 * stops.size());
  std::memcpy(bytes.data(), &count, 4);
  if (!stops.empty()) std::memcpy(bytes.data() + 4, stops.data(), 24 * stops.size());
  return bytes;
}

std::vector<Stop> stops_of(const Bytes& bytes) {
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data(), 4);
  std::vector<Stop> stops(count / 24);
  std::memcpy(stops.data(), bytes.data() + 4, 24 * stops.size());
  return stops;
}

const std::vector<Stop> default_stops = {
    {0.0, 1, 1, 0, 0}, {0.333, 1, 0, 1, 0}, {0.666, 1, 0, 0, 1}};

class GradientThroughEffectMain : public ::testing::Test {
 protected:
  void TearDown() override {
    host.clear_failures();
    EXPECT_EQ(host.balance_report(), "");
  }

  PF_Err run(PF_FunctionSelector which, PF_ArbParamsExtra& extra) {
    extra.which_function = which;
    extra.id = 32;
    return instance.run(module, PF_Cmd_ARBITRARY_CALLBACK, &extra);
  }

  PF_Handle unflatten(const Bytes& bytes) {
    PF_Handle h = nullptr;
    PF_ArbParamsExtra e{};
    e.u.unflatten_func_params.buf_sizeLu = static_cast<A_u_long>(bytes.size());
    e.u.unflatten_func_params.flat_dataPV = bytes.data();
    e.u.unflatten_func_params.arbPH = &h;
    EXPECT_EQ(run(PF_Arbitrary_UNFLATTEN_FUNC, e), PF_Err_NONE);
    return h;
  }

  void dispose(PF_Handle h) {
    PF_ArbParamsExtra e{};
    e.u.dispose_func_params.arbH = h;
    EXPECT_EQ(run(PF_Arbitrary_DISPOSE_FUNC, e), PF_Err_NONE);
  }

  simhost::SimHost host;
  simhost::PluginModule module{TARVOLK_MODULE_PATH};
  simhost::EffectInstance instance{host, 83};
};

}  // namespace

TEST_F(GradientThroughEffectMain, NewValueFlattensToFiveZeroBytes) {
  PF_Handle h = nullptr;
  PF_ArbParamsExtra e{};
  e.u.new_func_params.arbPH = &h;
  ASSERT_EQ(run(PF_Arbitrary_NEW_FUNC, e), PF_Err_NONE);

  A_u_long size = 0;
  PF_ArbParamsExtra s{};
  s.u.flat_size_func_params.arbH = h;
  s.u.flat_size_func_params.flat_data_sizePLu = &size;
  ASSERT_EQ(run(PF_Arbitrary_FLAT_SIZE_FUNC, s), PF_Err_NONE);
  EXPECT_EQ(size, 5u);

  Bytes flat(5, 0xee);
  PF_ArbParamsExtra f{};
  f.u.flatten_func_params.arbH = h;
  f.u.flatten_func_params.buf_sizeLu = 5;
  f.u.flatten_func_params.flat_dataPV = flat.data();
  ASSERT_EQ(run(PF_Arbitrary_FLATTEN_FUNC, f), PF_Err_NONE);
  EXPECT_EQ(flat, Bytes(5, 0));
  dispose(h);
}

TEST_F(GradientThroughEffectMain, SavedValueCopiesComparesAndInterpolates) {
  PF_Handle saved = unflatten(blob(default_stops, true));
  PF_Handle copy = nullptr;
  PF_ArbParamsExtra c{};
  c.u.copy_func_params.src_arbH = saved;
  c.u.copy_func_params.dst_arbPH = &copy;
  ASSERT_EQ(run(PF_Arbitrary_COPY_FUNC, c), PF_Err_NONE);
  EXPECT_EQ(host.handle_bytes(copy), blob(default_stops, true));

  // The same stops saved without the trailing byte are another value.
  PF_Handle short_saved = unflatten(blob(default_stops, false));
  PF_ArbCompareResult equal = PF_ArbCompare_LESS;
  PF_ArbCompareResult not_equal = PF_ArbCompare_LESS;
  PF_ArbParamsExtra k{};
  k.u.compare_func_params.a_arbH = saved;
  k.u.compare_func_params.b_arbH = copy;
  k.u.compare_func_params.compareP = &equal;
  ASSERT_EQ(run(PF_Arbitrary_COMPARE_FUNC, k), PF_Err_NONE);
  k.u.compare_func_params.b_arbH = short_saved;
  k.u.compare_func_params.compareP = &not_equal;
  ASSERT_EQ(run(PF_Arbitrary_COMPARE_FUNC, k), PF_Err_NONE);
  EXPECT_EQ(equal, PF_ArbCompare_EQUAL);
  EXPECT_EQ(not_equal, PF_ArbCompare_NOT_EQUAL);

  // Keyframes from the default to the same stops a little further on, halfway.
  PF_Handle turned =
      unflatten(blob({{0.1, 1, 1, 0, 0}, {0.433, 1, 0, 1, 0}, {0.9, 1, 0, 0, 1}}, true));
  PF_Handle between = nullptr;
  PF_ArbParamsExtra i{};
  i.u.interp_func_params.left_arbH = short_saved;
  i.u.interp_func_params.right_arbH = turned;
  i.u.interp_func_params.tF = 0.5;
  i.u.interp_func_params.interpPH = &between;
  ASSERT_EQ(run(PF_Arbitrary_INTERP_FUNC, i), PF_Err_NONE);
  const Bytes bytes = host.handle_bytes(between);
  ASSERT_EQ(bytes.size(), 77u);
  EXPECT_EQ(bytes.back(), 0);
  const std::vector<Stop> stops = stops_of(bytes);
  ASSERT_EQ(stops.size(), 3u);
  EXPECT_NEAR(stops[0].position, 0.05, 1e-12);
  EXPECT_NEAR(stops[1].position, 0.383, 1e-12);
  EXPECT_NEAR(stops[2].position, 0.783, 1e-12);

  for (PF_Handle h : {saved, copy, short_saved, turned, between}) dispose(h);
}

TEST_F(GradientThroughEffectMain, MissingHandleSuiteIsReported) {
  host.make_suite_missing(kPFHandleSuite, kPFHandleSuiteVersion1);
  PF_Handle h = nullptr;
  PF_ArbParamsExtra e{};
  e.u.new_func_params.arbPH = &h;
  EXPECT_EQ(run(PF_Arbitrary_NEW_FUNC, e), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(h, nullptr);

  PF_ArbParamsExtra i{};
  i.u.interp_func_params.tF = 0.5;
  i.u.interp_func_params.interpPH = &h;
  EXPECT_EQ(run(PF_Arbitrary_INTERP_FUNC, i), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(h, nullptr);
}
