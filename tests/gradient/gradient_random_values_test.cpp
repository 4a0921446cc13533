// Arbitrary byte strings as saved values: every callback must stay inside
// the bytes it was given and give every handle back. Run under the address
// sanitizer, an overread fails the test there.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "gradient_wheel/gradient_arb_callbacks.h"
#include "gradient_wheel/gradient_handle.h"
#include "tests/gradient/gradient_test_host.h"

namespace {

using Bytes = std::vector<unsigned char>;

class RandomValues : public GradientHostTest {
 protected:
  PF_Err call(PF_FunctionSelector which, PF_ArbParamsExtra e) {
    e.which_function = which;
    e.id = 32;
    return gradient_arb_callback(&in_data_, &e);
  }

  PF_Err unflatten(const Bytes& bytes, PF_Handle* out) {
    PF_ArbParamsExtra e{};
    e.u.unflatten_func_params.buf_sizeLu = static_cast<A_u_long>(bytes.size());
    // An empty vector may have no storage; the host always passes a buffer.
    static const unsigned char nothing = 0;
    e.u.unflatten_func_params.flat_dataPV = bytes.empty() ? &nothing : bytes.data();
    e.u.unflatten_func_params.arbPH = out;
    return call(PF_Arbitrary_UNFLATTEN_FUNC, e);
  }

  PF_Err copy(PF_Handle src, PF_Handle* dst) {
    PF_ArbParamsExtra e{};
    e.u.copy_func_params.src_arbH = src;
    e.u.copy_func_params.dst_arbPH = dst;
    return call(PF_Arbitrary_COPY_FUNC, e);
  }

  PF_Err compare(PF_Handle a, PF_Handle b, PF_ArbCompareResult* result) {
    PF_ArbParamsExtra e{};
    e.u.compare_func_params.a_arbH = a;
    e.u.compare_func_params.b_arbH = b;
    e.u.compare_func_params.compareP = result;
    return call(PF_Arbitrary_COMPARE_FUNC, e);
  }

  PF_Err flat_size(PF_Handle h, A_u_long* size) {
    PF_ArbParamsExtra e{};
    e.u.flat_size_func_params.arbH = h;
    e.u.flat_size_func_params.flat_data_sizePLu = size;
    return call(PF_Arbitrary_FLAT_SIZE_FUNC, e);
  }

  PF_Err flatten(PF_Handle h, Bytes& buffer) {
    PF_ArbParamsExtra e{};
    e.u.flatten_func_params.arbH = h;
    e.u.flatten_func_params.buf_sizeLu = static_cast<A_u_long>(buffer.size());
    unsigned char nothing = 0;
    e.u.flatten_func_params.flat_dataPV = buffer.empty() ? &nothing : buffer.data();
    return call(PF_Arbitrary_FLATTEN_FUNC, e);
  }

  PF_Err interpolate(PF_Handle left, PF_Handle right, double tF, PF_Handle* out) {
    PF_ArbParamsExtra e{};
    e.u.interp_func_params.left_arbH = left;
    e.u.interp_func_params.right_arbH = right;
    e.u.interp_func_params.tF = tF;
    e.u.interp_func_params.interpPH = out;
    return call(PF_Arbitrary_INTERP_FUNC, e);
  }

  PF_Err dispose_value(PF_Handle h) {
    PF_ArbParamsExtra e{};
    e.u.dispose_func_params.arbH = h;
    return call(PF_Arbitrary_DISPOSE_FUNC, e);
  }
};

double odd_double(std::mt19937_64& rng) {
  const double choices[] = {0.0,
                            -0.0,
                            1.0,
                            -1.0,
                            0.5,
                            -0.2,
                            1.75,
                            1e300,
                            -1e300,
                            5e-324,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
  if (rng() % 3 == 0) return choices[rng() % std::size(choices)];
  return std::uniform_real_distribution<double>(0.0, 1.0)(rng);
}

float odd_float(std::mt19937_64& rng) {
  const float choices[] = {0.0f,
                           1.0f,
                           -1.0f,
                           3e38f,
                           std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN()};
  if (rng() % 4 == 0) return choices[rng() % std::size(choices)];
  return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
}

// Random bytes, well-formed values with odd numbers in them, and well-formed
// values that were cut short or had their count damaged.
Bytes random_value(std::mt19937_64& rng) {
  Bytes bytes;
  const unsigned kind = rng() % 3;
  if (kind == 0) {
    bytes.resize(rng() % 130);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
    return bytes;
  }
  const std::size_t n = rng() % 9;
  std::vector<GradientPoint> points(n);
  for (GradientPoint& p : points) {
    p = {odd_double(rng), odd_float(rng), odd_float(rng), odd_float(rng), odd_float(rng)};
  }
  std::uint32_t count = static_cast<std::uint32_t>(24 * n);
  bytes.resize(4 + 24 * n + rng() % 2);
  if (n > 0) std::memcpy(bytes.data() + 4, points.data(), 24 * n);
  if (kind == 2) {
    switch (rng() % 3) {
      case 0:
        bytes.resize(rng() % (bytes.size() + 1));
        break;
      case 1:
        count = static_cast<std::uint32_t>(rng());
        break;
      default:
        count += static_cast<std::uint32_t>(rng() % 100);
        break;
    }
  }
  if (bytes.size() >= 4) std::memcpy(bytes.data(), &count, 4);
  return bytes;
}

std::size_t stops_in(const Bytes& bytes) {
  if (bytes.size() < 4) return 0;
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data(), 4);
  return std::min<std::size_t>(count / 24, (bytes.size() - 4) / 24);
}

}  // namespace

TEST_F(RandomValues, SurviveEveryCallback) {
  std::mt19937_64 rng(0x7a72766f6c6bULL);
  for (int round = 0; round < 1500; ++round) {
    SCOPED_TRACE(round);
    const Bytes bytes_a = random_value(rng);
    const Bytes bytes_b = random_value(rng);
    PF_Handle a = nullptr;
    PF_Handle b = nullptr;
    ASSERT_EQ(unflatten(bytes_a, &a), PF_Err_NONE);
    ASSERT_EQ(unflatten(bytes_b, &b), PF_Err_NONE);

    const std::vector<GradientPoint> points_a = gradient_points_from_handle(suite_, a);
    const std::vector<GradientPoint> points_b = gradient_points_from_handle(suite_, b);
    ASSERT_EQ(points_a.size(), stops_in(bytes_a));
    ASSERT_EQ(points_b.size(), stops_in(bytes_b));
    if (!points_a.empty()) {
      EXPECT_EQ(std::memcmp(points_a.data(), bytes_a.data() + 4, 24 * points_a.size()), 0);
    }

    // The lookups on whatever the value holds.
    const double q = rng() % 2 ? odd_double(rng) : points_a.empty() ? 0.5 : points_a[0].position;
    (void)gradient_color_at(points_a.size(), points_a.data(), q);
    (void)gradient_sample(points_a.size(), points_a.data(), q, true);
    if (!points_a.empty()) (void)gradient_sample(points_a.size(), points_a.data(), q, false);

    PF_Handle c = nullptr;
    ASSERT_EQ(copy(a, &c), PF_Err_NONE);
    PF_ArbCompareResult same = PF_ArbCompare_LESS;
    PF_ArbCompareResult other = PF_ArbCompare_LESS;
    ASSERT_EQ(compare(a, c, &same), PF_Err_NONE);
    ASSERT_EQ(compare(a, b, &other), PF_Err_NONE);
    EXPECT_EQ(same, PF_ArbCompare_EQUAL);
    EXPECT_EQ(other, bytes_a == bytes_b ? PF_ArbCompare_EQUAL : PF_ArbCompare_NOT_EQUAL);

    A_u_long size = 0;
    ASSERT_EQ(flat_size(c, &size), PF_Err_NONE);
    ASSERT_EQ(size, bytes_a.size());
    Bytes flat(size, 0xee);
    ASSERT_EQ(flatten(c, flat), PF_Err_NONE);
    EXPECT_EQ(flat, bytes_a);

    const double tF = std::uniform_real_distribution<double>(-0.5, 1.5)(rng);
    PF_Handle r = nullptr;
    ASSERT_EQ(interpolate(a, b, tF, &r), PF_Err_NONE);
    const std::size_t n = std::max(points_a.size(), points_b.size());
    if (n == 0) {
      EXPECT_EQ(r, nullptr);
    } else {
      ASSERT_EQ(host_.handle_bytes(r).size(), 4 + 24 * n + 1);
      for (const GradientPoint& p : gradient_points_from_handle(suite_, r)) {
        EXPECT_TRUE(std::isnan(p.position) || (p.position >= 0.0 && p.position < 1.0))
            << p.position;
      }
    }

    for (PF_Handle h : {a, b, c, r}) {
      if (h != nullptr) {
        ASSERT_EQ(dispose_value(h), PF_Err_NONE);
      }
    }
    ASSERT_EQ(host_.outstanding().count("handle"), 0u);
  }
}

TEST_F(RandomValues, FailedLocksLeaveNothingLockedOrLost) {
  std::mt19937_64 rng(0x6772616469656e74ULL);
  for (int round = 0; round < 600; ++round) {
    SCOPED_TRACE(round);
    const Bytes bytes_a = random_value(rng);
    const Bytes bytes_b = random_value(rng);
    // One lock somewhere in the round fails.
    host_.clear_failures();
    host_.fail(simhost::Fail::LockHandle, 1, static_cast<int>(rng() % 8));

    PF_Handle a = nullptr;
    PF_Handle b = nullptr;
    PF_Handle c = nullptr;
    PF_Handle r = nullptr;
    const PF_Err errors[] = {
        unflatten(bytes_a, &a),
        unflatten(bytes_b, &b),
        copy(a, &c),
        interpolate(a, b, 0.5, &r),
    };
    for (const PF_Err err : errors) EXPECT_TRUE(err == PF_Err_NONE || err == PF_Err_OUT_OF_MEMORY);
    PF_ArbCompareResult result = PF_ArbCompare_LESS;
    const PF_Err compared = compare(a, c, &result);
    if (compared == PF_Err_NONE && a != nullptr && c != nullptr && errors[2] == PF_Err_NONE &&
        errors[0] == PF_Err_NONE) {
      EXPECT_EQ(result, PF_ArbCompare_EQUAL);
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
