#include "renderer/group_union.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <utility>

#include "renderer/frame_abort.h"
#include "renderer/parallel_for.h"

namespace {

constexpr int union_precision = 2;

// How far back, in index order, a path looks for the outline that holds it: a glyph's holes
// follow its outline within a few paths.
constexpr size_t holder_lookback = 64;

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
  std::vector<GridPaths> nodes;
  // The leaves cover with both signs: the group is united at once instead.
  bool at_once = false;
  bool done = false;
};

// The leaves' regions as the tree's first nodes, when every leaf covers with one sign only (the
// same for all); false when they do not.
bool take_leaf_regions(GroupTree& tree) {
  bool any_positive = false;
  bool any_negative = false;
  for (const SignedUnion& leaf : tree.leaf_unions) {
    any_positive = any_positive || !leaf.positive.empty();
    any_negative = any_negative || !leaf.negative.empty();
  }
  if (any_positive && any_negative) return false;
  tree.nodes.reserve(tree.leaf_unions.size());
  for (SignedUnion& leaf : tree.leaf_unions) {
    tree.nodes.push_back(std::move(any_negative ? leaf.negative : leaf.positive));
  }
  tree.leaf_unions = {};
  return true;
}

// One union of a level: the pair `pair` of a tree's nodes, or the whole group at once.
struct LevelTask {
  size_t tree;
  size_t pair;
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
  // Each path joins the set of its holder; a set is known by its first member.
  std::vector<size_t> first(n);
  std::iota(first.begin(), first.end(), size_t{0});
  for (size_t j = 0; j < n; ++j) {
    if (signs[j] == 0) continue;
    const size_t stop = j > holder_lookback ? j - holder_lookback : 0;
    for (size_t i = j; i-- > stop;) {
      if (signs[i] == -signs[j] && box_holds(boxes[i], boxes[j])) {
        first[j] = first[i];
        break;
      }
    }
  }
  // Sets in order of their first member, then runs of sets.
  std::vector<size_t> set_of(n);
  std::vector<PathGroup> sets;
  for (size_t i = 0; i < n; ++i) {
    if (first[i] == i) {
      set_of[i] = sets.size();
      sets.emplace_back();
    }
    set_of[i] = set_of[first[i]];
    sets[set_of[i]].push_back(members[i]);
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
        continue;
      }
    }
    at_once.push_back(g);
  }

  // First the small groups and the trees' leaves, side by side.
  std::vector<LevelTask> leaf_tasks;
  for (size_t t = 0; t < group_trees.size(); ++t) {
    for (size_t leaf = 0; leaf < group_trees[t].leaves.size(); ++leaf) {
      leaf_tasks.push_back({t, leaf});
    }
  }
  parallel_for(at_once.size() + leaf_tasks.size(), threads,
               leaf_tasks.empty() ? groups_per_thread : 1, [&](size_t begin, size_t end) {
                 for (size_t i = begin; i < end; ++i) {
                   if (i < at_once.size()) {
                     unite_at_once(paths, groups[at_once[i]], trees[at_once[i]]);
                     continue;
                   }
                   const LevelTask& task = leaf_tasks[i - at_once.size()];
                   GroupTree& tree = group_trees[task.tree];
                   tree.leaf_unions[task.pair] = unite_by_winding_sign(
                       paths_of(paths, tree.leaves[task.pair]), union_precision);
                 }
               });
  for (GroupTree& tree : group_trees) tree.at_once = !take_leaf_regions(tree);

  // Then level by level: each tree's nodes in pairs (an odd last one waits for the next level),
  // the last pair into the group's polygon tree.
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
      next[t].clear();
      next[t].resize((tree.nodes.size() + 1) / 2);
      for (size_t pair = 0; pair < tree.nodes.size() / 2; ++pair) tasks.push_back({t, pair});
    }
    if (tasks.empty()) break;
    parallel_for(tasks.size(), threads, 1, [&](size_t begin, size_t end) {
      for (size_t i = begin; i < end; ++i) {
        const LevelTask& task = tasks[i];
        GroupTree& tree = group_trees[task.tree];
        if (task.pair == whole_group) {
          unite_at_once(paths, groups[tree.group], trees[tree.group]);
        } else if (tree.nodes.size() == 2) {
          unite_grid_paths(tree.nodes[0], tree.nodes[1], trees[tree.group], union_precision);
        } else {
          next[task.tree][task.pair] =
              unite_grid_paths(tree.nodes[2 * task.pair], tree.nodes[2 * task.pair + 1]);
        }
      }
    });
    for (size_t t = 0; t < group_trees.size(); ++t) {
      GroupTree& tree = group_trees[t];
      if (tree.done) continue;
      if (tree.at_once || tree.nodes.size() == 2) {
        tree.done = true;
        tree.nodes = {};
        continue;
      }
      if (tree.nodes.size() % 2 == 1) next[t].back() = std::move(tree.nodes.back());
      std::swap(tree.nodes, next[t]);
    }
  }
}
