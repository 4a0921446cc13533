#include "gradient_wheel/gradient_arb_callbacks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gradient_wheel/gradient_handle.h"
#include "tests/gradient/gradient_test_host.h"

using simhost::Fail;

namespace {

class ArbCallbacks : public GradientHostTest {
 protected:
  PF_ArbParamsExtra extra(PF_FunctionSelector which) {
    PF_ArbParamsExtra e{};
    e.which_function = which;
    e.id = 32;
    return e;
  }

  PF_Err call(PF_ArbParamsExtra& e) { return gradient_arb_callback(&in_data_, &e); }

  PF_Err compare(PF_Handle a, PF_Handle b, PF_ArbCompareResult* result) {
    PF_ArbParamsExtra e = extra(PF_Arbitrary_COMPARE_FUNC);
    e.u.compare_func_params.a_arbH = a;
    e.u.compare_func_params.b_arbH = b;
    e.u.compare_func_params.compareP = result;
    return call(e);
  }

  PF_Err copy(PF_Handle src, PF_Handle* dst) {
    PF_ArbParamsExtra e = extra(PF_Arbitrary_COPY_FUNC);
    e.u.copy_func_params.src_arbH = src;
    e.u.copy_func_params.dst_arbPH = dst;
    return call(e);
  }

  PF_Err flatten(PF_Handle h, std::vector<unsigned char>& buffer) {
    PF_ArbParamsExtra e = extra(PF_Arbitrary_FLATTEN_FUNC);
    e.u.flatten_func_params.arbH = h;
    e.u.flatten_func_params.buf_sizeLu = static_cast<A_u_long>(buffer.size());
    e.u.flatten_func_params.flat_dataPV = buffer.data();
    return call(e);
  }

  PF_Err unflatten(const std::vector<unsigned char>& bytes, PF_Handle* out) {
    PF_ArbParamsExtra e = extra(PF_Arbitrary_UNFLATTEN_FUNC);
    e.u.unflatten_func_params.buf_sizeLu = static_cast<A_u_long>(bytes.size());
    e.u.unflatten_func_params.flat_dataPV = bytes.data();
    e.u.unflatten_func_params.arbPH = out;
    return call(e);
  }

  PF_Err interpolate(PF_Handle left, PF_Handle right, double tF, PF_Handle* out) {
    PF_ArbParamsExtra e = extra(PF_Arbitrary_INTERP_FUNC);
    e.u.interp_func_params.left_arbH = left;
    e.u.interp_func_params.right_arbH = right;
    e.u.interp_func_params.tF = tF;
    e.u.interp_func_params.interpPH = out;
    return call(e);
  }

  PF_Handle value_of(const std::vector<GradientPoint>& points) {
    PF_Handle h = nullptr;
    EXPECT_EQ(gradient_points_to_handle(suite_, &h, points.size(), points.data()), PF_Err_NONE);
    return h;
  }

  std::vector<GradientPoint> points_of(PF_Handle h) {
    return gradient_points_from_handle(suite_, h);
  }
};

std::vector<GradientPoint> defaults() {
  return {default_gradient_points.begin(), default_gradient_points.end()};
}

}  // namespace

TEST_F(ArbCallbacks, NewValueIsAnEmptyFiveByteBlob) {
  PF_Handle h = nullptr;
  PF_ArbParamsExtra e = extra(PF_Arbitrary_NEW_FUNC);
  e.u.new_func_params.arbPH = &h;
  ASSERT_EQ(call(e), PF_Err_NONE);
  ASSERT_NE(h, nullptr);

  A_u_long size = 0;
  PF_ArbParamsExtra s = extra(PF_Arbitrary_FLAT_SIZE_FUNC);
  s.u.flat_size_func_params.arbH = h;
  s.u.flat_size_func_params.flat_data_sizePLu = &size;
  ASSERT_EQ(call(s), PF_Err_NONE);
  EXPECT_EQ(size, 5u);

  std::vector<unsigned char> buffer(5, 0xee);
  ASSERT_EQ(flatten(h, buffer), PF_Err_NONE);
  EXPECT_EQ(buffer, std::vector<unsigned char>(5, 0));
  EXPECT_TRUE(points_of(h).empty());

  PF_ArbParamsExtra d = extra(PF_Arbitrary_DISPOSE_FUNC);
  d.u.dispose_func_params.arbH = h;
  EXPECT_EQ(call(d), PF_Err_NONE);
  EXPECT_FALSE(host_.is_live_handle(h));

  // Without an output variable nothing is made.
  e.u.new_func_params.arbPH = nullptr;
  EXPECT_EQ(call(e), PF_Err_NONE);

  // A new value that cannot be locked is left to the host, unfilled and unlocked.
  h = nullptr;
  e.u.new_func_params.arbPH = &h;
  host_.fail(Fail::LockHandle);
  EXPECT_EQ(call(e), PF_Err_OUT_OF_MEMORY);
  ASSERT_NE(h, nullptr);
  dispose(h);
}

TEST_F(ArbCallbacks, CopyIsByteExactAndComparesEqual) {
  PF_Handle original = value_of(defaults());
  PF_Handle old_destination = handle_of({1, 2});
  PF_Handle destination = old_destination;
  ASSERT_EQ(copy(original, &destination), PF_Err_NONE);
  EXPECT_FALSE(
      host_.is_live_handle(old_destination));  // the destination's old value is disposed of
  ASSERT_NE(destination, original);
  EXPECT_EQ(bytes_of(destination).size(), 77u);
  EXPECT_EQ(bytes_of(destination), bytes_of(original));

  PF_ArbCompareResult result = PF_ArbCompare_LESS;
  ASSERT_EQ(compare(original, destination, &result), PF_Err_NONE);
  EXPECT_EQ(result, PF_ArbCompare_EQUAL);
  dispose(destination);

  // Copying a value onto the variable that holds it keeps the source alive.
  destination = original;
  ASSERT_EQ(copy(original, &destination), PF_Err_NONE);
  EXPECT_TRUE(host_.is_live_handle(original));
  EXPECT_EQ(bytes_of(destination), bytes_of(original));
  dispose(destination);

  // A missing value copies as missing.
  destination = nullptr;
  EXPECT_EQ(copy(nullptr, &destination), PF_Err_NONE);
  EXPECT_EQ(destination, nullptr);

  EXPECT_EQ(copy(original, nullptr), PF_Err_OUT_OF_MEMORY);

  // A lock failing during the copy leaves nothing locked.
  host_.fail(Fail::LockHandle, 1, 0);
  EXPECT_EQ(copy(original, &destination), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(host_.lock_count(original), 0);
  EXPECT_EQ(host_.lock_count(destination), 0);
  dispose(destination);
  dispose(original);
}

TEST_F(ArbCallbacks, FlattenNeedsTheExactSize) {
  PF_Handle h = value_of(defaults());
  std::vector<unsigned char> short_buffer(76, 0xee);
  EXPECT_EQ(flatten(h, short_buffer), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(short_buffer, std::vector<unsigned char>(76, 0xee));
  EXPECT_EQ(host_.lock_count(h), 0);

  std::vector<unsigned char> buffer(77);
  ASSERT_EQ(flatten(h, buffer), PF_Err_NONE);
  EXPECT_EQ(buffer, default_blob());

  PF_ArbParamsExtra e = extra(PF_Arbitrary_FLATTEN_FUNC);
  e.u.flatten_func_params.arbH = h;
  e.u.flatten_func_params.buf_sizeLu = 77;
  EXPECT_EQ(call(e), PF_Err_INTERNAL_STRUCT_DAMAGED);  // no buffer

  PF_ArbParamsExtra s = extra(PF_Arbitrary_FLAT_SIZE_FUNC);
  s.u.flat_size_func_params.arbH = h;
  EXPECT_EQ(call(s), PF_Err_INTERNAL_STRUCT_DAMAGED);  // no size output
  A_u_long size = 1234;
  s.u.flat_size_func_params.arbH = nullptr;
  s.u.flat_size_func_params.flat_data_sizePLu = &size;
  EXPECT_EQ(call(s), PF_Err_NONE);
  EXPECT_EQ(size, 1234u);
  dispose(h);
}

TEST_F(ArbCallbacks, UnflattenKeepsTheBytesAsGiven) {
  // A value saved without the trailing byte.
  std::vector<unsigned char> saved = default_blob();
  saved.pop_back();
  PF_Handle restored = nullptr;
  ASSERT_EQ(unflatten(saved, &restored), PF_Err_NONE);
  EXPECT_EQ(bytes_of(restored), saved);
  const std::vector<GradientPoint> points = points_of(restored);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_EQ(points[2].position, 0.666);

  PF_Handle written = value_of(defaults());
  PF_ArbCompareResult result = PF_ArbCompare_EQUAL;
  ASSERT_EQ(compare(restored, written, &result), PF_Err_NONE);
  EXPECT_EQ(result, PF_ArbCompare_NOT_EQUAL);

  PF_ArbParamsExtra e = extra(PF_Arbitrary_UNFLATTEN_FUNC);
  e.u.unflatten_func_params.buf_sizeLu = 4;
  e.u.unflatten_func_params.arbPH = &restored;
  EXPECT_EQ(call(e), PF_Err_INTERNAL_STRUCT_DAMAGED);  // no flat data
  EXPECT_EQ(unflatten(saved, nullptr), PF_Err_NONE);
  dispose(restored);
  dispose(written);
}

TEST_F(ArbCallbacks, CompareLooksAtEveryByteInStoredOrder) {
  std::vector<GradientPoint> reordered = defaults();
  std::swap(reordered[0], reordered[2]);
  PF_Handle a = value_of(defaults());
  PF_Handle b = value_of(reordered);
  PF_ArbCompareResult result = PF_ArbCompare_EQUAL;
  ASSERT_EQ(compare(a, b, &result), PF_Err_NONE);
  EXPECT_EQ(result, PF_ArbCompare_NOT_EQUAL);
  EXPECT_EQ(compare(a, b, nullptr), PF_Err_NONE);
  EXPECT_EQ(host_.lock_count(a) + host_.lock_count(b), 0);

  // Bytes that cannot be read give no answer rather than a wrong one.
  PF_Handle c = value_of(defaults());
  result = PF_ArbCompare_LESS;
  host_.fail(Fail::LockHandle, 1, 1);
  EXPECT_EQ(compare(a, c, &result), PF_Err_OUT_OF_MEMORY);
  EXPECT_EQ(result, PF_ArbCompare_LESS);
  EXPECT_EQ(host_.lock_count(a) + host_.lock_count(c), 0);
  dispose(a);
  dispose(b);
  dispose(c);
}

TEST_F(ArbCallbacks, OtherSelectorsDoNothing) {
  PF_Handle h = value_of(defaults());
  const PF_FunctionSelector others[] = {PF_Arbitrary_PRINT_SIZE_FUNC, PF_Arbitrary_PRINT_FUNC,
                                        PF_Arbitrary_SCAN_FUNC, 42, -1};
  for (const PF_FunctionSelector which : others) {
    A_u_long size = 7;
    PF_ArbParamsExtra e = extra(which);
    e.u.print_size_func_params.arbH = h;
    e.u.print_size_func_params.print_sizePLu = &size;
    EXPECT_EQ(call(e), PF_Err_NONE) << which;
    EXPECT_EQ(size, 7u);
  }
  // Interpolation is not the byte table's business.
  PF_Handle out = nullptr;
  PF_ArbParamsExtra e = extra(PF_Arbitrary_INTERP_FUNC);
  e.u.interp_func_params.left_arbH = h;
  e.u.interp_func_params.right_arbH = h;
  e.u.interp_func_params.interpPH = &out;
  EXPECT_EQ(arb_handle_dispatch(&in_data_, &e), PF_Err_NONE);
  EXPECT_EQ(out, nullptr);
  dispose(h);
}

TEST_F(ArbCallbacks, MissingRecordsAndSuites) {
  EXPECT_EQ(gradient_arb_callback(&in_data_, nullptr), PF_Err_INTERNAL_STRUCT_DAMAGED);

  host_.make_suite_missing(kPFHandleSuite, kPFHandleSuiteVersion1);
  PF_Handle h = nullptr;
  PF_ArbParamsExtra e = extra(PF_Arbitrary_NEW_FUNC);
  e.u.new_func_params.arbPH = &h;
  EXPECT_EQ(call(e), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_EQ(h, nullptr);

  // Interpolation fetches the suite on demand; the entry point returns the thrown code.
  PF_ArbParamsExtra i = extra(PF_Arbitrary_INTERP_FUNC);
  i.u.interp_func_params.interpPH = &h;
  try {
    call(i);
    ADD_FAILURE() << "no throw";
  } catch (PF_Err err) {
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
  }

  EXPECT_EQ(gradient_interpolate(suite_, 0.5, nullptr, &h, &h), PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(gradient_interpolate(suite_, 0.5, &h, nullptr, &h), PF_Err_BAD_CALLBACK_PARAM);
}

TEST_F(ArbCallbacks, InterpolationTakesTheShortWayRound) {
  const struct {
    double from, to, tF, expected;
  } cases[] = {
      {0.9, 0.1, 0.5, 0.0},   // over the wrap, not back through 0.5
      {0.1, 0.6, 0.5, 0.35},  // exactly half a turn goes forward
      {0.6, 0.1, 0.5, 0.85},  // and forward over the wrap
      {0.95, 0.05, 0.25, 0.975},
      {1.25, 0.5, 1.0, 0.5},  // positions out of range come back in [0, 1)
  };
  for (const auto& c : cases) {
    PF_Handle left = value_of({{c.from, 1.0f, 0.0f, 0.0f, 0.0f}});
    PF_Handle right = value_of({{c.to, 0.0f, 1.0f, 0.5f, 0.25f}});
    PF_Handle out = nullptr;
    ASSERT_EQ(interpolate(left, right, c.tF, &out), PF_Err_NONE);
    const std::vector<GradientPoint> points = points_of(out);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_NEAR(points[0].position, c.expected, 1e-12) << c.from << " -> " << c.to;
    EXPECT_GE(points[0].position, 0.0);
    EXPECT_LT(points[0].position, 1.0);
    const float t = static_cast<float>(c.tF);
    EXPECT_FLOAT_EQ(points[0].alpha, 1.0f - t);
    EXPECT_FLOAT_EQ(points[0].red, t);
    EXPECT_FLOAT_EQ(points[0].blue, 0.25f * t);
    EXPECT_EQ(bytes_of(out).size(), 4u + 24u + 1u);
    dispose(left);
    dispose(right);
    dispose(out);
  }
}

TEST_F(ArbCallbacks, InterpolationPairsByStoredIndexWithVirtualStops) {
  // Three stops towards four: the fourth meets the left gradient's colour at its own place.
  const std::vector<GradientPoint> right_points = {
      {0.1, 1.0f, 0.0f, 0.0f, 0.0f},
      {0.4, 1.0f, 0.0f, 0.0f, 0.0f},
      {0.7, 1.0f, 0.0f, 0.0f, 0.0f},
      {0.5, 1.0f, 0.0f, 0.0f, 0.2f},
  };
  PF_Handle left = value_of(defaults());
  PF_Handle right = value_of(right_points);
  PF_Handle out = nullptr;
  ASSERT_EQ(interpolate(left, right, 0.5, &out), PF_Err_NONE);
  std::vector<GradientPoint> points = points_of(out);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_NEAR(points[0].position, 0.05, 1e-12);
  EXPECT_NEAR(points[1].position, 0.3665, 1e-12);
  EXPECT_NEAR(points[2].position, 0.683, 1e-12);
  EXPECT_NEAR(points[3].position, 0.5, 1e-12);
  // Left colour at 0.5: green 0.4985, blue 0.5015; halfway to its own blue 0.2.
  EXPECT_NEAR(points[3].red, 0.0f, 1e-6);
  EXPECT_NEAR(points[3].green, 0.2492f, 1e-4);
  EXPECT_NEAR(points[3].blue, 0.3508f, 1e-4);
  EXPECT_NEAR(points[3].alpha, 1.0f, 1e-6);
  dispose(out);

  // And back: the left's extra stop fades into the right gradient's colour at its place.
  out = nullptr;
  ASSERT_EQ(interpolate(right, left, 1.0, &out), PF_Err_NONE);
  points = points_of(out);
  ASSERT_EQ(points.size(), 4u);
  EXPECT_NEAR(points[3].position, 0.5, 1e-12);
  EXPECT_NEAR(points[3].green, 0.4985f, 1e-4);
  dispose(out);

  // Against an empty value the virtual colours are zero.
  PF_Handle empty = handle_of({0, 0, 0, 0, 0});
  out = nullptr;
  ASSERT_EQ(interpolate(left, empty, 0.5, &out), PF_Err_NONE);
  points = points_of(out);
  ASSERT_EQ(points.size(), 3u);
  EXPECT_NEAR(points[1].position, 0.333, 1e-12);
  EXPECT_FLOAT_EQ(points[1].green, 0.5f);
  EXPECT_FLOAT_EQ(points[1].alpha, 0.5f);
  dispose(out);

  // Two empty values write nothing.
  out = nullptr;
  EXPECT_EQ(interpolate(empty, empty, 0.5, &out), PF_Err_NONE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(interpolate(nullptr, nullptr, 0.5, &out), PF_Err_NONE);
  EXPECT_EQ(out, nullptr);

  // A result that cannot be locked is reported.
  host_.fail(Fail::LockHandle, 1, 2);
  EXPECT_EQ(interpolate(left, right, 0.5, &out), PF_Err_OUT_OF_MEMORY);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(host_.lock_count(out), 0);
  dispose(out);
  dispose(empty);
  dispose(left);
  dispose(right);
}
