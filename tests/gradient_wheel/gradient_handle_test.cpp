// The value in its host handle: the readers and writers, and the
// arbitrary-data callbacks called directly, against a simulated host whose
// balance is checked after every test.

#include "gradient_wheel/gradient_handle.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "gradient_wheel/float_narrow.h"
#include "gradient_wheel/gradient_arb_callbacks.h"
#include "host/sim_host.h"
#include "host_api/ae_effect_suites.h"
#include "tests/support/gradient_bytes.h"

using simhost::Fail;

namespace {

class GradientHandle : public ::testing::Test {
 protected:
  void SetUp() override {
    in_data_ = host_.make_in_data();
    const void* table = nullptr;
    ASSERT_EQ(host_.basic_suite()->AcquireSuite(kPFHandleSuite, kPFHandleSuiteVersion1, &table),
              kSPNoError);
    suite_ = static_cast<const PF_HandleSuite1*>(table);
  }

  void TearDown() override {
    host_.clear_failures();
    host_.basic_suite()->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersion1);
    EXPECT_EQ(host_.balance_report(), "");
  }

  PF_Err call(PF_FunctionSelector which, PF_ArbParamsExtra e = {}) {
    e.which_function = which;
    e.id = 32;
    return gradient_arb_callback(&in_data_, &e);
  }
  PF_Err new_value(PF_Handle* out) {
    return call(PF_Arbitrary_NEW_FUNC, {.u = {.new_func_params = {.arbPH = out}}});
  }
  PF_Err dispose_value(PF_Handle h) {
    return call(PF_Arbitrary_DISPOSE_FUNC, {.u = {.dispose_func_params = {.arbH = h}}});
  }
  PF_Err copy(PF_Handle src, PF_Handle* dst) {
    return call(PF_Arbitrary_COPY_FUNC,
                {.u = {.copy_func_params = {.src_arbH = src, .dst_arbPH = dst}}});
  }
  PF_Err flat_size(PF_Handle h, A_u_long* size) {
    return call(PF_Arbitrary_FLAT_SIZE_FUNC,
                {.u = {.flat_size_func_params = {.arbH = h, .flat_data_sizePLu = size}}});
  }
  // Empty byte strings still come with a buffer, as from the host.
  PF_Err flatten(PF_Handle h, Bytes& buffer) {
    return call(PF_Arbitrary_FLATTEN_FUNC,
                {.u = {.flatten_func_params = {
                           .arbH = h,
                           .buf_sizeLu = static_cast<A_u_long>(buffer.size()),
                           .flat_dataPV = buffer.empty() ? &nothing_ : buffer.data()}}});
  }
  PF_Err unflatten(const Bytes& bytes, PF_Handle* out) {
    return call(
        PF_Arbitrary_UNFLATTEN_FUNC,
        {.u = {.unflatten_func_params = {.buf_sizeLu = static_cast<A_u_long>(bytes.size()),
                                         .flat_dataPV = bytes.empty() ? &nothing_ : bytes.data(),
                                         .arbPH = out}}});
  }
  PF_Err compare(PF_Handle a, PF_Handle b, PF_ArbCompareResult* result) {
    return call(PF_Arbitrary_COMPARE_FUNC,
                {.u = {.compare_func_params = {.a_arbH = a, .b_arbH = b, .compareP = result}}});
  }
  PF_Err interpolate(PF_Handle left, PF_Handle right, double tF, PF_Handle* out) {
    return call(PF_Arbitrary_INTERP_FUNC,
                {.u = {.interp_func_params = {
                           .left_arbH = left, .right_arbH = right, .tF = tF, .interpPH = out}}});
  }

  PF_Handle value_of(const std::vector<GradientPoint>& points) {
    PF_Handle h = nullptr;
    EXPECT_EQ(gradient_points_to_handle(suite_, &h, points.size(), points.data()), PF_Err_NONE);
    return h;
  }
  std::vector<GradientPoint> points_of(PF_Handle h) {
    return gradient_points_from_handle(suite_, h);
  }
  // A handle holding exactly these bytes, made by the callbacks.
  PF_Handle saved(const Bytes& bytes) {
    PF_Handle h = nullptr;
    EXPECT_EQ(unflatten(bytes, &h), PF_Err_NONE);
    return h;
  }

  unsigned char nothing_ = 0;
  simhost::SimHost host_;
  PF_InData in_data_{};
  const PF_HandleSuite1* suite_ = nullptr;
};

}  // namespace

TEST_F(GradientHandle, DefaultValueByteForByte) {
  PF_Handle original = value_of(default_points);
  EXPECT_EQ(host_.handle_bytes(original), default_blob());
  PF_Handle h = original;  // no stops: the variable is left as it was
  EXPECT_EQ(gradient_points_to_handle(suite_, &h, 0, default_points.data()), PF_Err_NONE);
  EXPECT_EQ(h, original);

  Bytes buffer(76, 0xee);
  EXPECT_EQ(flatten(original, buffer), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(buffer, Bytes(76, 0xee));
  // A value saved without the trailing byte: the same stops, another value.
  buffer = default_blob();
  buffer.pop_back();
  PF_Handle short_saved = saved(buffer);
  EXPECT_EQ(points_of(short_saved).size(), 3u);
  PF_ArbCompareResult result = PF_ArbCompare_LESS;
  ASSERT_EQ(compare(short_saved, original, &result), PF_Err_NONE);
  EXPECT_EQ(result, PF_ArbCompare_NOT_EQUAL);

  // Copying onto the variable that holds the source keeps the source.
  ASSERT_EQ(copy(original, &h), PF_Err_NONE);
  EXPECT_TRUE(host_.is_live_handle(original));
  // Bytes that cannot be read give no answer rather than a wrong one.
  result = PF_ArbCompare_LESS;
  host_.fail(Fail::lock_handle, 1, 1);
  EXPECT_EQ(compare(h, original, &result), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(result, PF_ArbCompare_LESS);

  // Disposed of, a handle is no longer reachable through the variable.
  EXPECT_EQ(arb_handle_dispose(suite_, &h), PF_Err_NONE);
  EXPECT_EQ(h, nullptr);
  for (PF_Handle v : {original, short_saved}) dispose_value(v);
}

TEST_F(GradientHandle, MissingRecordsAndOutputs) {
  PF_Handle h = value_of(default_points);
  EXPECT_EQ(gradient_arb_callback(&in_data_, nullptr), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(arb_handle_dispose(suite_, nullptr), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(new_value(nullptr), PF_Err_NONE);
  EXPECT_EQ(copy(h, nullptr), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(flat_size(h, nullptr), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(compare(h, h, nullptr), PF_Err_NONE);
  EXPECT_EQ(call(PF_Arbitrary_FLATTEN_FUNC), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(call(PF_Arbitrary_UNFLATTEN_FUNC), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(call(PF_Arbitrary_SCAN_FUNC), PF_Err_NONE);
  EXPECT_EQ(gradient_interpolate(suite_, 0.5, nullptr, &h, &h), PF_Err_BAD_CALLBACK_PARAM);
  // Two empty values write nothing: h stays, and is not leaked.
  EXPECT_EQ(interpolate(nullptr, nullptr, 0.5, &h), PF_Err_NONE);
  dispose_value(h);

  host_.make_suite_missing(kPFHandleSuite, kPFHandleSuiteVersion1);
  h = nullptr;
  EXPECT_EQ(new_value(&h), PF_Err_INTERNAL_STRUCT_DAMAGED);
  // Interpolation's suite table throws 516, which EffectMain returns.
  try {
    interpolate(nullptr, nullptr, 0.5, &h);
    ADD_FAILURE() << "no exception";
  } catch (PF_Err err) {
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  }
  EXPECT_EQ(h, nullptr);
}

TEST_F(GradientHandle, InterpolationPairsStopsByIndexTheShortWayRound) {
  // 0.9 towards 0.1 goes over the wrap to 0.0; exactly half a turn, 0.1 towards
  // 0.6, goes forward to 0.35.
  for (const auto [from, to, expected] : {std::array{0.9, 0.1, 0.0}, {0.1, 0.6, 0.35}}) {
    PF_Handle left = value_of({{from, 1, 0, 0, 0}});
    PF_Handle right = value_of({{to, 0, 1, 0.5f, 0.25f}});
    PF_Handle out = nullptr;
    ASSERT_EQ(interpolate(left, right, 0.5, &out), PF_Err_NONE);
    const std::vector<GradientPoint> points = points_of(out);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_NEAR(points[0].position, expected, 1e-12) << from << " -> " << to;
    EXPECT_EQ(points[0].alpha, 0.5f);
    EXPECT_EQ(points[0].blue, 0.125f);
    for (PF_Handle h : {left, right, out}) dispose_value(h);
  }

  // Three stops towards four: the fourth stays at 0.5 and runs from the left's
  // colour there (green 0.4985, blue 0.5015) to its own.
  PF_Handle left = value_of(default_points);
  PF_Handle right =
      value_of({{0.1, 1, 0, 0, 0}, {0.4, 1, 0, 0, 0}, {0.7, 1, 0, 0, 0}, {0.5, 1, 0, 0, 0.2f}});
  PF_Handle out = nullptr;
  ASSERT_EQ(interpolate(left, right, 0.5, &out), PF_Err_NONE);
  const std::vector<GradientPoint> points = points_of(out);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_NEAR(points[1].position, 0.3665, 1e-12);
  EXPECT_NEAR(points[3].position, 0.5, 1e-12);
  EXPECT_NEAR(points[3].green, 0.2492f, 1e-4);
  EXPECT_NEAR(points[3].blue, 0.3508f, 1e-4);
  for (PF_Handle h : {left, right, out}) dispose_value(h);
}

// Arbitrary byte strings as saved values, every other round with one lock
// failing on the way: the callbacks read the whole stops the bytes hold (as
// points_in reads them), stay inside the bytes they are given (the sanitizer
// build catches an overread) and every handle goes back unlocked.
namespace {

// Random bytes, or stops holding odd numbers as well as plain ones, with a
// count that is now and then damaged and bytes now and then cut short.
Bytes random_value(std::mt19937_64& rng) {
  Bytes bytes(rng() % 130);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
  if (rng() % 3 == 0) return bytes;
  const double odd[] = {-0.2, 1.75, 1e300, -1e300, 5e-324, INFINITY, -INFINITY, NAN};
  const auto pick = [&] {
    return rng() % 3 ? std::uniform_real_distribution<double>(0, 1)(rng) : odd[rng() % 8];
  };
  std::vector<GradientPoint> points(rng() % 9);
  for (GradientPoint& p : points) {
    p = {pick(), narrow_to_float(pick()), narrow_to_float(pick()), narrow_to_float(pick()),
         narrow_to_float(pick())};
  }
  bytes = blob(static_cast<std::uint32_t>(24 * points.size() + (rng() % 4 ? 0 : rng() % 100)),
               points, rng() % 2);
  if (rng() % 4 == 0) bytes.resize(rng() % (bytes.size() + 1));
  return bytes;
}

}  // namespace

TEST_F(GradientHandle, ArbitrarySavedValues) {
  std::mt19937_64 rng(0x7a72766f6c6bULL);
  for (int round = 0; round < 2000; ++round) {
    SCOPED_TRACE(round);
    const bool failing = round % 2 == 1;
    if (failing) host_.fail(Fail::lock_handle, 1, static_cast<int>(rng() % 8));
    const Bytes bytes_a = random_value(rng), bytes_b = random_value(rng);
    const double tF = std::uniform_real_distribution<double>(-0.5, 1.5)(rng);
    PF_Handle a = nullptr, b = nullptr, c = nullptr, r = nullptr;
    PF_ArbCompareResult same = PF_ArbCompare_LESS;
    A_u_long size = 0;
    for (const PF_Err err :
         {unflatten(bytes_a, &a), unflatten(bytes_b, &b), copy(a, &c), compare(a, c, &same),
          interpolate(a, b, tF, &r), flat_size(c, &size)}) {
      EXPECT_TRUE(err == PF_Err_NONE || (failing && err == PF_Err_OUT_OF_MEMORY)) << err;
    }
    host_.clear_failures();

    if (!failing) {
      const std::vector<GradientPoint> points = points_of(a);
      EXPECT_EQ(blob(0, points), blob(0, points_in(bytes_a)));  // bytewise, NaNs included
      EXPECT_EQ(same, PF_ArbCompare_EQUAL);
      Bytes flat(size, 0xee);
      ASSERT_EQ(flatten(c, flat), PF_Err_NONE);
      EXPECT_EQ(flat, bytes_a);
      const std::size_t n = std::max(points.size(), points_in(bytes_b).size());
      EXPECT_EQ(r == nullptr ? 0 : host_.handle_bytes(r).size(), n == 0 ? 0 : 4 + 24 * n + 1);
      for (const GradientPoint& p : points_of(r)) {
        EXPECT_TRUE(std::isnan(p.position) || (p.position >= 0.0 && p.position < 1.0));
      }
      const double q = rng() % 2 ? tF : points.empty() ? 0.5 : points[0].position;
      (void)gradient_color_at(points.size(), points.data(), q);
      (void)gradient_sample(points.size(), points.data(), q, true);
      if (!points.empty()) (void)gradient_sample(points.size(), points.data(), q, false);
    }
    // Whatever the variables hold belongs to the host, which disposes of it.
    for (PF_Handle h : {a, b, c, r}) {
      if (h == nullptr) continue;
      EXPECT_EQ(host_.lock_count(h), 0);
      ASSERT_EQ(dispose_value(h), PF_Err_NONE);
    }
    ASSERT_EQ(host_.outstanding().count("handle"), 0u);
  }
}

// The whole stops a saved value holds, as the readers take them:
// {count, handle size, stops}; the last three are damaged saves, shorter
// than the count or with a count claiming more than the bytes hold.
// Byte count, bytes kept, stops read, and the stops an edit starts from
// (-1: none, the value is shorter than its count says).
TEST_F(GradientHandle, ReadsTheWholeStopsPresent) {
  const long cases[][4] = {{50, 55, 2, 2}, {0, 53, 0, 0},   {23, 53, 0, 0},
                           {72, 3, 0, -1}, {72, 40, 1, -1}, {0xffffffffl, 52, 2, -1}};
  for (const auto& c : cases) {
    Bytes bytes =
        blob(static_cast<std::uint32_t>(c[0]), {{0.25, 1, 1, 1, 1}, {0.75, 1, 1, 1, 1}}, 8);
    bytes.resize(static_cast<std::size_t>(c[1]));
    PF_Handle h = saved(bytes);
    EXPECT_EQ(points_of(h).size(), static_cast<std::size_t>(c[2])) << c[0] << " in " << c[1];
    const std::optional<std::vector<GradientPoint>> whole = gradient_points_if_whole(suite_, h);
    EXPECT_EQ(whole ? static_cast<long>(whole->size()) : -1, c[3]) << c[0] << " in " << c[1];
    dispose_value(h);
  }
  EXPECT_FALSE(gradient_points_if_whole(suite_, nullptr));
}
