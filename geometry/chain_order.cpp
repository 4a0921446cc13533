#include "geometry/chain_order.h"

#include <algorithm>
#include <cmath>

#include "geometry/side_chains.h"
#include "host_support/frame_abort.h"

namespace {

struct ChainEvent {
  bool is_begin = false;
  uint64_t chain = 0;
  double key = 0.0;
};

// Keys ascending; at equal keys an end comes before a begin. The keys are
// never NaN (see sweep_events), so this is a strict weak ordering.
bool event_before(const ChainEvent& a, const ChainEvent& b) {
  if (a.key != b.key) return a.key < b.key;
  return !a.is_begin && b.is_begin;
}

// Keys that are equal in geometry can differ in their last bits, since each
// is computed from its own point: two outlines touching at a corner then
// seem to overlap by a rounding error. Keys closer than this are the same
// key. Rounding grows with the coordinates, which the tolerance follows.
double key_tolerance(const std::vector<SideChain>& chains, const ChainParams& params) {
  double scale = 1.0;
  if (sweeps_towards_point(params.mode)) {
    scale =
        std::max({scale, std::abs(params.vanishing_point.x), std::abs(params.vanishing_point.y)});
  }
  for (const SideChain& chain : chains) {
    for (const KeyedPoint& p : {chain_first_point(chain), chain_last_point(chain)}) {
      scale = std::max({scale, std::abs(p.x), std::abs(p.y)});
    }
  }
  return 1e-12 * scale;
}

// The sweep's events in key order. Within a run of keys that are the same
// key up to the tolerance, ends come before begins (each kind in key order),
// so a chain that ends where another begins is never active together with
// it. A chain whose keys span no more than the tolerance has no wall to
// overlap another's and takes no part in the sweep, nor does one whose keys
// are not numbers.
std::vector<ChainEvent> sweep_events(const std::vector<SideChain>& chains, double tolerance) {
  std::vector<ChainEvent> events;
  events.reserve(2 * chains.size());
  for (size_t c = 0; c < chains.size(); ++c) {
    const double first = chain_first_point(chains[c]).key;
    const double last = chain_last_point(chains[c]).key;
    if (!(last - first > tolerance)) continue;
    events.push_back({true, c, first});
    events.push_back({false, c, last});
  }
  std::sort(events.begin(), events.end(), event_before);
  for (size_t run = 0; run < events.size();) {
    size_t end = run + 1;
    while (end < events.size() && events[end].key - events[run].key <= tolerance) ++end;
    std::stable_partition(events.begin() + static_cast<std::ptrdiff_t>(run),
                          events.begin() + static_cast<std::ptrdiff_t>(end),
                          [](const ChainEvent& e) { return !e.is_begin; });
    run = end;
  }
  return events;
}

}  // namespace

std::vector<uint64_t> order_chains_front_to_back(const std::vector<SideChain>& chains,
                                                 const ChainParams& params) {
  const size_t n = chains.size();
  if (n == 0) return {};
  const std::vector<ChainEvent> events = sweep_events(chains, key_tolerance(chains, params));

  // The sweep: the active chains in an ordered set; each begin links the
  // chain with its neighbours there. successors[c] are the chains in front
  // of c. A chain that is neither before nor after an active one (they only
  // touch) still takes a place of its own, and an ended chain leaves alone.
  std::vector<std::vector<uint64_t>> successors(n);
  const ChainPoints points(chains);
  auto before = [&](uint32_t a, uint32_t b) { return chain_before(params, points, a, b); };
  ChainSearchTree<decltype(before)> active(n, before);
  using Tree = ChainSearchTree<decltype(before)>;
  for (const ChainEvent& event : events) {
    check_frame_abort_when_due();
    const auto c = static_cast<uint32_t>(event.chain);
    if (event.is_begin) {
      active.insert(c);
      const uint32_t p = active.predecessor(c);
      if (p != Tree::none) successors[c].push_back(p);
      const uint32_t s = active.successor(c);
      if (s != Tree::none) successors[s].push_back(c);
    } else {
      active.erase(c);
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
