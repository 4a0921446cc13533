#include "renderer/chain_order.h"

#include <algorithm>
#include <cmath>

#include "renderer/side_chains.h"

namespace {

struct ChainEvent {
  bool is_begin = false;
  uint64_t chain = 0;
  double key = 0.0;
};

// Keys ascending; at equal keys an end comes before a begin, so a chain that
// ends where another begins is never active together with it. NaN keys go
// last, so the comparison stays a strict weak ordering and the sort is safe.
bool event_before(const ChainEvent& a, const ChainEvent& b) {
  const bool a_nan = std::isnan(a.key);
  const bool b_nan = std::isnan(b.key);
  if (a_nan || b_nan) {
    if (a_nan != b_nan) return b_nan;
    return !a.is_begin && b.is_begin;
  }
  if (a.key < b.key) return true;
  return !a.is_begin && b.is_begin && a.key <= b.key;
}

}  // namespace

std::vector<uint64_t> order_chains_front_to_back(const std::vector<SideChain>& chains,
                                                 const ChainParams& params) {
  const size_t n = chains.size();
  if (n == 0) return {};

  std::vector<ChainEvent> events(2 * n);
  for (size_t c = 0; c < n; ++c) {
    events[2 * c] = {true, c, chain_first_point(chains[c]).key};
    events[2 * c + 1] = {false, c, chain_last_point(chains[c]).key};
  }
  std::sort(events.begin(), events.end(), event_before);

  // The sweep: the active chains in an ordered set; each begin links the
  // chain with its neighbours there. successors[c] are the chains in front
  // of c.
  std::vector<std::vector<uint64_t>> successors(n);
  auto before = [&](uint32_t a, uint32_t b) { return chain_before(params, chains, a, b); };
  ChainSearchTree<decltype(before)> active(n, before);
  using Tree = ChainSearchTree<decltype(before)>;
  for (const ChainEvent& event : events) {
    const auto c = static_cast<uint32_t>(event.chain);
    if (event.is_begin) {
      const uint32_t at = active.insert(c);
      const uint32_t p = active.predecessor(at);
      if (p != Tree::none) successors[c].push_back(p);
      const uint32_t s = active.successor(at);
      if (s != Tree::none) successors[s].push_back(c);
    } else {
      active.erase_equal_range(c);
      // A chain whose key range has ended would compare equal to every later
      // chain; where the descent missed it, it still has to go.
      if (active.contains(c)) active.erase(c);
    }
  }

  return depth_first_chain_order(successors);
}

std::vector<uint64_t> depth_first_chain_order(
    const std::vector<std::vector<uint64_t>>& successors) {
  const size_t n = successors.size();
  std::vector<bool> visited(n, false);
  std::vector<bool> on_path(n, false);
  std::vector<uint64_t> result;
  result.reserve(n);
  struct Frame {
    uint64_t chain;
    size_t next;
  };
  std::vector<Frame> stack;
  for (uint64_t u = 0; u < n; ++u) {
    if (visited[u]) continue;
    on_path[u] = true;
    stack.push_back({u, 0});
    while (!stack.empty()) {
      Frame& top = stack.back();
      const std::vector<uint64_t>& next = successors[top.chain];
      if (top.next < next.size()) {
        const uint64_t v = next[top.next++];
        if (!visited[v] && !on_path[v]) {
          on_path[v] = true;
          stack.push_back({v, 0});
        }
        continue;
      }
      on_path[top.chain] = false;
      visited[top.chain] = true;
      result.push_back(top.chain);
      stack.pop_back();
    }
  }
  return result;
}

void build_side_chain_order(std::vector<SideChain>& chains, const ChainParams& params) {
  const std::vector<uint64_t> order = order_chains_front_to_back(chains, params);
  std::vector<SideChain> ordered;
  ordered.reserve(order.size());
  for (uint64_t index : order) ordered.push_back(chains[index]);
  chains = std::move(ordered);
}
