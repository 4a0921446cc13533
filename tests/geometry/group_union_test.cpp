#include "geometry/group_union.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "tests/geometry/path_test_util.h"

namespace {

constexpr int precision = 2;

// A wobbly glyph-like ring about (cx, cy), with a hole when asked: wound against the ring (as a
// font's "o"), or the same way (a hole only an even-odd fill would leave open).
void add_glyph(PathsD& paths, double cx, double cy, std::mt19937& rng, bool hole,
               bool hole_same_way = false, bool clockwise = false) {
  std::uniform_real_distribution<double> wobble(0.85, 1.0);
  PathD ring;
  for (int i = 0; i < 24; ++i) {
    const double a = 2.0 * M_PI * i / 24;
    const double r = 10.0 * wobble(rng);
    ring.push_back({cx + r * std::cos(a), cy + 1.2 * r * std::sin(a), i % 6 == 0 ? 1 : 2});
  }
  paths.push_back(clockwise ? reversed(ring) : ring);
  if (hole) paths.push_back(circle_path(cx, cy, 4.0, 10, clockwise == hole_same_way, 3));
}

PathsD overlapping_glyphs(int count, bool hole_same_way, bool clockwise, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> offset(-9.0, 9.0);
  PathsD paths;
  for (int g = 0; g < count; ++g) {
    add_glyph(paths, offset(rng), offset(rng), rng, g % 2 == 0, hole_same_way, clockwise);
  }
  return paths;
}

// Squares of 10 on a grid of `step`, with coordinates off the 0.01 grid so that they are rounded.
PathsD square_grid(int columns, int rows, double step) {
  PathsD paths;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const double x = c * step + 0.0037 * c;
      const double y = r * step - 0.0051 * r;
      paths.push_back(rect_path(x, y, x + 10.0, y + 10.0, 1 + (r * columns + c) % 2));
    }
  }
  return paths;
}

// Frames with a hole and an island in the hole, overlapping their neighbours.
PathsD nested_frames(int count) {
  PathsD paths;
  for (int i = 0; i < count; ++i) {
    const double x = 7.0 * i;
    paths.push_back(rect_path(x, 0, x + 12, 12, 1));
    paths.push_back(reversed(rect_path(x + 3, 3, x + 9, 9, 2)));
    paths.push_back(rect_path(x + 5, 5, x + 7, 7, 1));
  }
  return paths;
}

// Figure-eights: each crosses itself, one lobe wound each way.
PathsD figure_eights(int count) {
  PathsD paths;
  for (int i = 0; i < count; ++i) {
    const double x = 3.0 * i;
    paths.push_back({{x, 0, 1}, {x + 10, 10, 1}, {x + 10, 0, 1}, {x, 10, 1}});
  }
  return paths;
}

// A row of overlapping squares with a hole in the first, given last: too far from its outline
// for the two to share a leaf at first.
PathsD far_hole(int squares) {
  PathsD paths;
  for (int i = 0; i < squares; ++i) paths.push_back(rect_path(1.5 * i, 0, 1.5 * i + 10, 10, 1));
  paths.push_back(reversed(rect_path(0.2, 2, 1.2, 8, 2)));
  return paths;
}

PathGroup all_of(const PathsD& paths) {
  PathGroup group(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) group[i] = i;
  return group;
}

PathsD tree_union(const PathsD& paths, unsigned threads, const GroupUnionLimits& limits) {
  std::vector<PolyTreeD> trees;
  unite_groups(paths, {all_of(paths)}, trees, threads, limits);
  EXPECT_EQ(trees.size(), 1u);
  return trees.empty() ? PathsD{} : poly_tree_to_paths(trees[0]);
}

PathsD single_union(const PathsD& paths) {
  return boolean_op(ClipType::Union, FillRule::NonZero, paths, {}, precision);
}

using Position = std::pair<double, double>;
using PointSet = std::multiset<std::tuple<double, double, int64_t>>;

PointSet point_set(const PathD& path) {
  PointSet points;
  for (const PathVertexZ& p : path) points.insert({p.x, p.y, p.z});
  return points;
}

double perimeter(const PathsD& paths) {
  double length = 0.0;
  for (const PathD& path : paths) {
    for (size_t i = 0; i < path.size(); ++i) {
      const PathVertexZ& a = path[i];
      const PathVertexZ& b = path[(i + 1) % path.size()];
      length += std::hypot(b.x - a.x, b.y - a.y);
    }
  }
  return length;
}

// True unless point i lies on the straight line through its neighbours (on the 0.01 grid).
bool turns_at(const PathD& path, size_t i) {
  const size_t n = path.size();
  const PathVertexZ& a = path[(i + n - 1) % n];
  const PathVertexZ& b = path[i];
  const PathVertexZ& c = path[(i + 1) % n];
  const auto grid = [](double v) { return std::llround(v * 100.0); };
  const long long cross = (grid(b.x) - grid(a.x)) * (grid(c.y) - grid(b.y)) -
                          (grid(b.y) - grid(a.y)) * (grid(c.x) - grid(b.x));
  return cross != 0;
}

std::map<Position, std::set<int64_t>> input_z(const PathsD& paths) {
  std::map<Position, std::set<int64_t>> z;
  for (const PathD& path : paths) {
    for (const PathVertexZ& p : path) {
      // Where the union puts the point: rounded half away from zero to 0.01.
      z[{std::round(p.x * 100.0) / 100.0, std::round(p.y * 100.0) / 100.0}].insert(p.z);
    }
  }
  return z;
}

// The tree's union covers the single operation's region, and its points carry z as that one's
// do: input corners keep theirs, points made anywhere in the tree have 0.
void expect_same_union(const PathsD& paths, const PathsD& tree, const std::string& what) {
  SCOPED_TRACE(what);
  const PathsD single = single_union(paths);
  const double area = total_area(single);
  ASSERT_GT(area, 0.0);
  // Points a union creates are rounded to the 0.01 grid, and the tree's later unions cross the
  // edges as rounded: the outlines may part by a few thousandths, nowhere by more.
  const double band = 0.005 * perimeter(single);
  EXPECT_NEAR(total_area(tree), area, band);
  EXPECT_LE(total_area(boolean_op(ClipType::Xor, FillRule::NonZero, single, tree, precision)),
            band);

  const auto inputs = input_z(paths);
  std::map<std::tuple<double, double, int64_t>, int> tree_points;
  for (const PathD& path : tree) {
    for (const PathVertexZ& p : path) {
      ++tree_points[{p.x, p.y, p.z}];
      const auto it = inputs.find({p.x, p.y});
      if (it == inputs.end()) {
        EXPECT_EQ(p.z, 0) << p.x << ", " << p.y;
      } else if (p.z != 0) {
        EXPECT_TRUE(it->second.count(p.z)) << p.x << ", " << p.y << " z " << p.z;
      }
    }
  }
  // Every input corner where the single operation's outline turns is one of the tree's, z and
  // all. (Where outlines run along each other, which of their points stay on the straight
  // passage is the operation's choice.)
  for (const PathD& path : single) {
    for (size_t i = 0; i < path.size(); ++i) {
      const PathVertexZ& p = path[i];
      if (p.z != 0 && turns_at(path, i)) {
        EXPECT_TRUE(tree_points.count({p.x, p.y, p.z})) << p.x << ", " << p.y;
      }
    }
  }
}

TEST(GroupUnion, TreeUnitesToTheRegionOfOneOperation) {
  const struct {
    const char* what;
    PathsD paths;
  } layouts[] = {
      {"overlapping squares", square_grid(8, 6, 6.5)},
      // Leaves of one path: blocks of 16, 16 and a last one of a single node.
      {"33 overlapping squares", square_grid(11, 3, 6.5)},
      {"squares touching along edges and corners", square_grid(7, 5, 10.0)},
      {"frames with holes and islands", nested_frames(12)},
      {"glyphs with holes wound against them", overlapping_glyphs(60, false, false, 1)},
      {"glyphs with holes wound the same way", overlapping_glyphs(60, true, false, 2)},
      {"clockwise glyphs", overlapping_glyphs(60, false, true, 3)},
      {"figure-eights", figure_eights(20)},
      {"a hole far from its outline", far_hole(90)},
  };
  const GroupUnionLimits tree_limits[] = {{2, 1}, {2, 3}, {8, 8}};
  for (const auto& layout : layouts) {
    for (const GroupUnionLimits& limits : tree_limits) {
      for (const unsigned threads : {1u, 4u}) {
        expect_same_union(layout.paths, tree_union(layout.paths, threads, limits),
                          std::string(layout.what) + ", leaves of " +
                              std::to_string(limits.leaf_paths) + ", " + std::to_string(threads) +
                              " threads");
      }
    }
  }
}

TEST(GroupUnion, OutlinesOfOppositeWindingCancelAsInOneOperation) {
  // Clockwise glyphs over counter-clockwise ones: where they overlap the winding is 0, so one
  // operation leaves it open, and the tree must too.
  std::mt19937 rng(5);
  PathsD paths;
  for (int g = 0; g < 40; ++g) add_glyph(paths, g * 1.5, 0.0, rng, false, false, g % 3 == 0);
  PathsD same_way = paths;
  for (size_t g = 0; g < paths.size(); g += 3) same_way[g] = reversed(paths[g]);
  EXPECT_LT(total_area(single_union(paths)), total_area(single_union(same_way)) - 10.0);
  for (const unsigned threads : {1u, 4u}) {
    expect_same_union(paths, tree_union(paths, threads, {2, 1}), "mixed windings");
  }
}

TEST(GroupUnion, PartialUnionsKeepInputZAndCreatedZeroes) {
  // Leaf a: two squares crossing at (10, 5) and (5, 10). Leaf b: a bar across the first square's
  // lower right corner, crossing its right edge at (10, 1).
  const SignedUnion a =
      unite_by_winding_sign({rect_path(0, 0, 10, 10, 1), rect_path(5, 5, 15, 15, 2)}, precision);
  const SignedUnion b = unite_by_winding_sign({rect_path(8, -5, 30, 1, 3)}, precision);
  EXPECT_TRUE(a.negative.empty());
  EXPECT_TRUE(b.negative.empty());
  PolyTreeD tree;
  unite_grid_paths(a.positive, b.positive, tree, precision);
  const PathsD united = poly_tree_to_paths(tree);
  ASSERT_EQ(united.size(), 1u);
  EXPECT_DOUBLE_EQ(signed_area(united[0]), 175.0 + 22.0 * 6.0 - 2.0 * 1.0);
  const struct {
    double x, y;
    int64_t z;
  } points[] = {{0, 0, 1},  {15, 15, 2}, {30, -5, 3}, {8, -5, 3}, {10, 5, 0},
                {5, 10, 0}, {10, 1, 0},  {8, 0, 0},   {0, 10, 1}, {15, 5, 2}};
  for (const auto& p : points) EXPECT_EQ(z_at(united, p.x, p.y), p.z) << p.x << ", " << p.y;

  // One operation over all three gives the same points and flags.
  const PathsD single = single_union(
      {rect_path(0, 0, 10, 10, 1), rect_path(5, 5, 15, 15, 2), rect_path(8, -5, 30, 1, 3)});
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(point_set(united[0]), point_set(single[0]));
}

TEST(GroupUnion, GridResultsAreNotRoundedAgain) {
  // Far from zero, where a double holds no exact hundredths and scaling one back and forth can
  // miss the grid point: results passed on through several levels still land on the points of
  // one operation. Rectangles a little higher each: their crossings are exact.
  PathsD paths;
  for (int i = 0; i < 24; ++i) {
    const double x = 4.0e13 + 0.37 * i;
    const double y = -98765.4321 + 0.013 * i;
    paths.push_back(rect_path(x, y, x + 1.005, y + 1.0049, 1 + i % 2));
  }
  const PathsD tree = tree_union(paths, 1, {2, 1});
  const PathsD single = single_union(paths);
  ASSERT_EQ(tree.size(), 1u);
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(point_set(tree[0]), point_set(single[0]));
}

TEST(GroupUnion, LeavesKeepHolesWithTheirOutlines) {
  // Glyph 0 with a hole, glyph 1 without, glyph 2 with a hole wound against it and one wound the
  // same way (which stays apart), all overlapping.
  const PathsD paths{rect_path(0, 0, 10, 10),          reversed(rect_path(3, 3, 7, 7)),
                     rect_path(5, 0, 15, 10),          rect_path(8, 0, 18, 10),
                     reversed(rect_path(9, 1, 11, 3)), rect_path(12, 4, 14, 6)};
  const PathGroup group{2, 0, 4, 1, 5, 3};
  EXPECT_EQ(tree_union_leaves(paths, group, 1), (std::vector<PathGroup>{{0, 1}, {2}, {3, 4}, {5}}));
  EXPECT_EQ(tree_union_leaves(paths, group, 3), (std::vector<PathGroup>{{0, 1, 2}, {3, 4, 5}}));
  EXPECT_EQ(tree_union_leaves(paths, group, 100), (std::vector<PathGroup>{{0, 1, 2, 3, 4, 5}}));
  EXPECT_TRUE(tree_union_leaves(paths, {}, 1).empty());
  // A font may give a glyph's hole before its outline; the nearer holder wins.
  const PathsD hole_first{reversed(rect_path(3, 3, 7, 7)), rect_path(0, 0, 10, 10),
                          reversed(rect_path(3, 3, 7, 7)), rect_path(0, 0, 10, 10)};
  EXPECT_EQ(tree_union_leaves(hole_first, {0, 1, 2, 3}, 1),
            (std::vector<PathGroup>{{0, 1}, {2, 3}}));

  // Glyphs keep their holes: every leaf covers with one sign, so the tree applies.
  for (const bool clockwise : {false, true}) {
    const PathsD glyphs = overlapping_glyphs(30, false, clockwise, 4);
    for (const PathGroup& leaf : tree_union_leaves(glyphs, all_of(glyphs), 1)) {
      PathsD leaf_paths;
      for (const uint64_t index : leaf) leaf_paths.push_back(glyphs[index]);
      const SignedUnion united = unite_by_winding_sign(leaf_paths, precision);
      EXPECT_TRUE((clockwise ? united.positive : united.negative).empty()) << leaf.front();
      EXPECT_FALSE((clockwise ? united.negative : united.positive).empty()) << leaf.front();
    }
  }
}

TEST(GroupUnion, GroupsOfEverySizeInGroupOrderWhateverTheThreads) {
  // A large overlapping group, a small one, a lone square and an empty path.
  PathsD paths = overlapping_glyphs(50, false, false, 9);
  paths.push_back(rect_path(100, 0, 110, 10));
  paths.push_back(rect_path(105, 5, 115, 15));
  paths.push_back(rect_path(200, 0, 201, 1));
  paths.push_back({});
  const UnitedPaths one = union_overlapping_paths(paths, false, 1);
  ASSERT_EQ(one.group_trees.size(), 4u);
  EXPECT_NEAR(total_area(poly_tree_to_paths(one.group_trees[1])), 175.0, 1e-9);
  EXPECT_NEAR(total_area(poly_tree_to_paths(one.group_trees[2])), 1.0, 1e-9);
  EXPECT_TRUE(one.group_trees[3].empty());
  expect_same_union(PathsD(paths.begin(), paths.end() - 4), poly_tree_to_paths(one.group_trees[0]),
                    "the large group");
  for (const unsigned threads : {2u, 8u}) {
    EXPECT_EQ(union_overlapping_paths(paths, false, threads).paths, one.paths) << threads;
  }
}

}  // namespace
