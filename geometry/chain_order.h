#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Depth-first post-order of the occlusion graph (successors[c]: the chains
// in front of c), starting from each unvisited chain in index order and
// following successors in their order. An edge back onto the current path
// closes a cycle and is skipped, so every chain is listed exactly once.
// Runs on an explicit stack.
std::vector<uint64_t> depth_first_chain_order(const std::vector<std::vector<uint64_t>>& successors);

// An ordered multiset of element ids 0..capacity-1 kept in a balanced binary
// search tree (a treap with fixed pseudo-random priorities, so the shape is
// reproducible). Unlike a standard ordered container it is safe with a
// `before` predicate that is not a strict weak ordering: only insertion
// descends the tree with `before`, elements are erased by id, and the tree's
// structure never depends on the predicate being consistent.
template <typename Before>
class ChainSearchTree {
 public:
  static constexpr uint32_t none = 0xFFFFFFFFu;

  ChainSearchTree(size_t capacity, Before before) : nodes_(capacity), before_(std::move(before)) {
    for (size_t i = 0; i < capacity; ++i) nodes_[i].priority = mix(i);
  }

  bool contains(uint32_t id) const { return nodes_[id].in_tree; }
  size_t size() const { return size_; }
  uint32_t root() const { return root_; }

  // Puts id just before the first element x for which before(x, id) is false (or last), as
  // a multiset inserts at its lower bound: an element that is neither before nor after id
  // still gets a place of its own.
  void insert(uint32_t id) {
    uint32_t node = root_;
    uint32_t parent = none;
    bool left = false;
    while (node != none) {
      parent = node;
      left = !before_(node, id);
      node = left ? nodes_[node].left : nodes_[node].right;
    }
    Node& n = nodes_[id];
    n.left = n.right = none;
    n.parent = parent;
    n.in_tree = true;
    ++size_;
    if (parent == none) {
      root_ = id;
    } else if (left) {
      nodes_[parent].left = id;
    } else {
      nodes_[parent].right = id;
    }
    while (n.parent != none && nodes_[n.parent].priority < n.priority) rotate_up(id);
  }

  uint32_t first() const { return root_ == none ? none : leftmost(root_); }

  uint32_t predecessor(uint32_t id) const {
    if (nodes_[id].left != none) return rightmost(nodes_[id].left);
    uint32_t child = id;
    uint32_t p = nodes_[id].parent;
    while (p != none && nodes_[p].left == child) {
      child = p;
      p = nodes_[p].parent;
    }
    return p;
  }

  uint32_t successor(uint32_t id) const {
    if (nodes_[id].right != none) return leftmost(nodes_[id].right);
    uint32_t child = id;
    uint32_t p = nodes_[id].parent;
    while (p != none && nodes_[p].right == child) {
      child = p;
      p = nodes_[p].parent;
    }
    return p;
  }

  void erase(uint32_t id) {
    Node& n = nodes_[id];
    // Rotate the node down until it has at most one child, then splice it.
    while (n.left != none && n.right != none) {
      const uint32_t child = nodes_[n.left].priority > nodes_[n.right].priority ? n.left : n.right;
      rotate_up(child);
    }
    const uint32_t child = n.left != none ? n.left : n.right;
    if (child != none) nodes_[child].parent = n.parent;
    replace_child(n.parent, id, child);
    n.left = n.right = n.parent = none;
    n.in_tree = false;
    --size_;
  }

  // Elements in order (for inspection).
  std::vector<uint32_t> in_order() const {
    std::vector<uint32_t> out;
    for (uint32_t x = first(); x != none; x = successor(x)) out.push_back(x);
    return out;
  }

 private:
  struct Node {
    uint32_t left = none;
    uint32_t right = none;
    uint32_t parent = none;
    uint64_t priority = 0;
    bool in_tree = false;
  };

  static uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
  }

  uint32_t leftmost(uint32_t x) const {
    while (nodes_[x].left != none) x = nodes_[x].left;
    return x;
  }

  uint32_t rightmost(uint32_t x) const {
    while (nodes_[x].right != none) x = nodes_[x].right;
    return x;
  }

  void replace_child(uint32_t parent, uint32_t old_child, uint32_t new_child) {
    if (parent == none) {
      root_ = new_child;
    } else if (nodes_[parent].left == old_child) {
      nodes_[parent].left = new_child;
    } else {
      nodes_[parent].right = new_child;
    }
  }

  // Lifts x above its parent; the in-order sequence is unchanged.
  void rotate_up(uint32_t x) {
    Node& n = nodes_[x];
    const uint32_t p = n.parent;
    Node& pn = nodes_[p];
    const uint32_t g = pn.parent;
    if (pn.left == x) {
      pn.left = n.right;
      if (n.right != none) nodes_[n.right].parent = p;
      n.right = p;
    } else {
      pn.right = n.left;
      if (n.left != none) nodes_[n.left].parent = p;
      n.left = p;
    }
    pn.parent = x;
    n.parent = g;
    replace_child(g, p, x);
  }

  std::vector<Node> nodes_;
  Before before_;
  uint32_t root_ = none;
  size_t size_ = 0;
};
