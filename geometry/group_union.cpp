#include "geometry/group_union.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <numeric>
#include <utility>

#include "geometry/parallel_for.h"
#include "host_support/frame_abort.h"

namespace {

constexpr int union_precision = 2;

// How far, in index order and on either side, a path looks for the outline that holds it: a
// glyph's holes lie next to its outline.
constexpr size_t holder_lookback = 64;

// Nodes of a tree one thread unites into one: the tree's levels wait for the slowest thread only
// once per this many.
constexpr size_t nodes_per_task = 16;

// Without a tree, groups are handed to threads in runs; most are cheap.
constexpr size_t groups_per_thread = 16;

// +1 counter-clockwise (y up), -1 clockwise, 0 without area (or with a non-finite one).
int orientation(const PathD& path) {
  double twice = 0.0;
  const size_t n = path.size();
  for (size_t i = 0; i < n; ++i) {
    const PathVertexZ& a = path[i];
    const PathVertexZ& b = path[(i + 1) % n];
    twice += a.x * b.y - b.x * a.y;
  }
  return twice > 0.0 ? 1 : twice < 0.0 ? -1 : 0;
}

bool box_holds(const RectD& outer, const RectD& inner) {
  return outer.left <= inner.left && inner.right <= outer.right && outer.top <= inner.top &&
         inner.bottom <= outer.bottom;
}

RectD box_of(const PathD& path) {
  RectD box = empty_rect();
  for (const PathVertexZ& p : path) box = rect_extend(box, RectD{p.x, p.y, p.x, p.y});
  return box;
}

PathsD paths_of(const PathsD& paths, const PathGroup& members) {
  PathsD subjects;
  subjects.reserve(members.size());
  for (const uint64_t index : members) subjects.push_back(paths[index]);
  return subjects;
}

void unite_at_once(const PathsD& paths, const PathGroup& group, PolyTreeD& tree) {
  boolean_op(ClipType::Union, FillRule::NonZero, paths_of(paths, group), PathsD{}, tree,
             union_precision);
}

// One group's tree while it is built: the leaves, then the partial results of the level reached.
struct GroupTree {
  size_t group = 0;
  std::vector<PathGroup> leaves;
  std::vector<SignedUnion> leaf_unions;
  // How many of the first leaves each leaf holds.
  std::vector<size_t> weights;
  std::vector<GridPaths> nodes;
  // The leaves came to one: the group is united at once instead.
  bool at_once = false;
  bool done = false;
};

enum class Cover { nothing, positive, negative, both };

Cover cover_of(const SignedUnion& leaf) {
  if (leaf.positive.empty()) return leaf.negative.empty() ? Cover::nothing : Cover::negative;
  return leaf.negative.empty() ? Cover::positive : Cover::both;
}

// When every leaf covers with one sign, the same for all (the sign most leaves cover with), their
// regions become the tree's first nodes and the result is true. Otherwise each leaf that does
// not fit is merged with leaves beside it, the merged leaves are listed in `unite_again`, and the
// result is false.
bool settle_leaves(GroupTree& tree, std::vector<size_t>& unite_again) {
  size_t positive = 0;
  size_t negative = 0;
  for (const SignedUnion& leaf : tree.leaf_unions) {
    const Cover cover = cover_of(leaf);
    positive += cover == Cover::positive;
    negative += cover == Cover::negative;
  }
  const Cover sign = negative > positive ? Cover::negative : Cover::positive;
  const auto fits = [&](const SignedUnion& leaf) {
    const Cover cover = cover_of(leaf);
    return cover == Cover::nothing || cover == sign;
  };
  if (std::all_of(tree.leaf_unions.begin(), tree.leaf_unions.end(), fits)) {
    tree.nodes.reserve(tree.leaf_unions.size());
    for (SignedUnion& leaf : tree.leaf_unions) {
      tree.nodes.push_back(std::move(sign == Cover::negative ? leaf.negative : leaf.positive));
    }
    tree.leaves = {};
    tree.leaf_unions = {};
    tree.weights = {};
    return true;
  }
  // Each leaf that does not fit takes in, on either side, leaves holding at least as many first
  // leaves as it holds itself: a hole far from its outline is reached in a few rounds.
  const size_t count = tree.leaves.size();
  std::vector<std::pair<size_t, size_t>> spans;
  for (size_t i = 0; i < count; ++i) {
    if (fits(tree.leaf_unions[i])) continue;
    size_t first = i;
    size_t last = i;
    for (size_t taken = 0; first > 0 && taken < tree.weights[i];) taken += tree.weights[--first];
    for (size_t taken = 0; last + 1 < count && taken < tree.weights[i];) {
      taken += tree.weights[++last];
    }
    spans.emplace_back(first, last);
  }
  std::sort(spans.begin(), spans.end());
  std::vector<PathGroup> leaves;
  std::vector<SignedUnion> unions;
  std::vector<size_t> weights;
  size_t next = 0;
  for (size_t k = 0; k < spans.size();) {
    const size_t first = spans[k].first;
    size_t last = spans[k].second;
    for (++k; k < spans.size() && spans[k].first <= last; ++k) {
      last = std::max(last, spans[k].second);
    }
    for (; next < first; ++next) {
      leaves.push_back(std::move(tree.leaves[next]));
      unions.push_back(std::move(tree.leaf_unions[next]));
      weights.push_back(tree.weights[next]);
    }
    PathGroup leaf;
    size_t weight = 0;
    for (; next <= last; ++next) {
      leaf.insert(leaf.end(), tree.leaves[next].begin(), tree.leaves[next].end());
      weight += tree.weights[next];
    }
    std::sort(leaf.begin(), leaf.end());
    unite_again.push_back(leaves.size());
    leaves.push_back(std::move(leaf));
    unions.emplace_back();
    weights.push_back(weight);
  }
  for (; next < count; ++next) {
    leaves.push_back(std::move(tree.leaves[next]));
    unions.push_back(std::move(tree.leaf_unions[next]));
    weights.push_back(tree.weights[next]);
  }
  tree.leaves = std::move(leaves);
  tree.leaf_unions = std::move(unions);
  tree.weights = std::move(weights);
  return false;
}

// A leaf of a tree, a block of its nodes, or the whole group at once.
struct LevelTask {
  size_t tree;
  size_t index;
};

constexpr size_t whole_group = std::numeric_limits<size_t>::max();

}  // namespace

std::vector<PathGroup> tree_union_leaves(const PathsD& paths, const PathGroup& group,
                                         size_t leaf_paths) {
  PathGroup members = group;
  std::sort(members.begin(), members.end());
  const size_t n = members.size();
  std::vector<int> signs(n);
  std::vector<RectD> boxes(n);
  for (size_t i = 0; i < n; ++i) {
    signs[i] = orientation(paths[members[i]]);
    boxes[i] = box_of(paths[members[i]]);
  }
  // Each path joins the set of its holder, the nearest one before or after it (a font may give
  // a glyph's holes before its outline); a set is known by its first member.
  std::vector<size_t> parent(n);
  std::iota(parent.begin(), parent.end(), size_t{0});
  const auto root = [&](size_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  std::vector<size_t> holding(n, 0);
  const auto holds = [&](size_t holder, size_t j) {
    return signs[holder] == -signs[j] && box_holds(boxes[holder], boxes[j]);
  };
  for (size_t j = 0; j < n; ++j) {
    if (signs[j] == 0) continue;
    for (size_t d = 1; d <= holder_lookback && (d <= j || j + d < n); ++d) {
      const bool before = d <= j && holds(j - d, j);
      const bool after = j + d < n && holds(j + d, j);
      if (!before && !after) continue;
      // Of two as near, the one that holds nothing yet (stacked copies of one glyph).
      const size_t holder = before && (!after || holding[j - d] <= holding[j + d]) ? j - d : j + d;
      ++holding[holder];
      const size_t a = root(holder);
      const size_t b = root(j);
      parent[std::max(a, b)] = std::min(a, b);
      break;
    }
  }
  // Sets in order of their first member, then runs of sets.
  std::vector<size_t> set_of(n);
  std::vector<PathGroup> sets;
  for (size_t i = 0; i < n; ++i) {
    const size_t first = root(i);
    if (first == i) {
      set_of[i] = sets.size();
      sets.emplace_back();
    }
    sets[set_of[first]].push_back(members[i]);
  }
  std::vector<PathGroup> leaves;
  PathGroup leaf;
  for (const PathGroup& set : sets) {
    leaf.insert(leaf.end(), set.begin(), set.end());
    if (leaf.size() >= leaf_paths) {
      std::sort(leaf.begin(), leaf.end());
      leaves.push_back(std::move(leaf));
      leaf.clear();
    }
  }
  if (!leaf.empty()) {
    std::sort(leaf.begin(), leaf.end());
    leaves.push_back(std::move(leaf));
  }
  return leaves;
}

void unite_groups(const PathsD& paths, const std::vector<PathGroup>& groups,
                  std::vector<PolyTreeD>& trees, unsigned threads, const GroupUnionLimits& limits) {
  trees.clear();
  trees.resize(groups.size());
  std::vector<size_t> at_once;
  std::vector<GroupTree> group_trees;
  for (size_t g = 0; g < groups.size(); ++g) {
    if (groups[g].size() >= limits.min_tree_paths) {
      std::vector<PathGroup> leaves = tree_union_leaves(paths, groups[g], limits.leaf_paths);
      if (leaves.size() >= 2) {
        GroupTree& tree = group_trees.emplace_back();
        tree.group = g;
        tree.leaves = std::move(leaves);
        tree.leaf_unions.resize(tree.leaves.size());
        tree.weights.assign(tree.leaves.size(), 1);
        continue;
      }
    }
    at_once.push_back(g);
  }

  // First the small groups and the trees' leaves, side by side; then, as long as some tree's
  // leaves cover with both signs, those leaves merged with their neighbours.
  std::vector<LevelTask> leaf_tasks;
  for (size_t t = 0; t < group_trees.size(); ++t) {
    for (size_t leaf = 0; leaf < group_trees[t].leaves.size(); ++leaf) {
      leaf_tasks.push_back({t, leaf});
    }
  }
  size_t small = at_once.size();
  for (;;) {
    parallel_for(small + leaf_tasks.size(), threads, leaf_tasks.empty() ? groups_per_thread : 1,
                 [&](size_t begin, size_t end) {
                   for (size_t i = begin; i < end; ++i) {
                     check_frame_abort_when_due();
                     if (i < small) {
                       unite_at_once(paths, groups[at_once[i]], trees[at_once[i]]);
                       continue;
                     }
                     const LevelTask& task = leaf_tasks[i - small];
                     GroupTree& tree = group_trees[task.tree];
                     tree.leaf_unions[task.index] = unite_by_winding_sign(
                         paths_of(paths, tree.leaves[task.index]), union_precision);
                   }
                 });
    small = 0;
    std::vector<LevelTask> again;
    for (size_t t = 0; t < group_trees.size(); ++t) {
      GroupTree& tree = group_trees[t];
      if (tree.at_once || !tree.nodes.empty()) continue;
      std::vector<size_t> unite_again;
      if (settle_leaves(tree, unite_again)) continue;
      if (tree.leaves.size() == 1) {
        tree.at_once = true;
        continue;
      }
      for (const size_t leaf : unite_again) again.push_back({t, leaf});
    }
    if (again.empty()) break;
    leaf_tasks = std::move(again);
    check_frame_abort();
  }

  // Then the nodes in blocks of `nodes_per_task`, each block united as a balanced tree of pairs
  // on one thread (an odd last node waits for the next level), the blocks' results in blocks
  // again, until one block gives the group's polygon tree. Aligned blocks make the same tree as
  // uniting level by level, with a wait for the slowest thread only once per block level.
  std::vector<LevelTask> tasks;
  std::vector<std::vector<GridPaths>> next(group_trees.size());
  for (;;) {
    check_frame_abort();
    tasks.clear();
    for (size_t t = 0; t < group_trees.size(); ++t) {
      GroupTree& tree = group_trees[t];
      if (tree.done) continue;
      if (tree.at_once) {
        tasks.push_back({t, whole_group});
        continue;
      }
      const size_t blocks = (tree.nodes.size() + nodes_per_task - 1) / nodes_per_task;
      next[t].clear();
      next[t].resize(blocks);
      for (size_t block = 0; block < blocks; ++block) tasks.push_back({t, block});
    }
    if (tasks.empty()) break;
    parallel_for(tasks.size(), threads, 1, [&](size_t begin, size_t end) {
      for (size_t i = begin; i < end; ++i) {
        const LevelTask& task = tasks[i];
        GroupTree& tree = group_trees[task.tree];
        if (task.index == whole_group) {
          check_frame_abort_when_due();
          unite_at_once(paths, groups[tree.group], trees[tree.group]);
          continue;
        }
        const size_t first = task.index * nodes_per_task;
        const size_t last = std::min(first + nodes_per_task, tree.nodes.size());
        std::vector<GridPaths> level(std::make_move_iterator(tree.nodes.begin() + first),
                                     std::make_move_iterator(tree.nodes.begin() + last));
        while (level.size() > 2) {
          std::vector<GridPaths> pairs((level.size() + 1) / 2);
          for (size_t k = 0; k + 1 < level.size(); k += 2) {
            check_frame_abort_when_due();
            pairs[k / 2] = unite_grid_paths(level[k], level[k + 1]);
          }
          if (level.size() % 2 == 1) pairs.back() = std::move(level.back());
          level = std::move(pairs);
        }
        check_frame_abort_when_due();
        if (tree.nodes.size() <= nodes_per_task) {
          unite_grid_paths(level[0], level[1], trees[tree.group], union_precision);
        } else if (level.size() == 2) {
          next[task.tree][task.index] = unite_grid_paths(level[0], level[1]);
        } else {
          next[task.tree][task.index] = std::move(level[0]);
        }
      }
    });
    for (size_t t = 0; t < group_trees.size(); ++t) {
      GroupTree& tree = group_trees[t];
      if (tree.done) continue;
      if (tree.at_once || tree.nodes.size() <= nodes_per_task) {
        tree.done = true;
        tree.nodes = {};
        continue;
      }
      std::swap(tree.nodes, next[t]);
    }
  }
}
