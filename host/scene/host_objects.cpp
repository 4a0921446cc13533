#include "host/scene/host_objects.h"

namespace simhost::scene {

PathObject path_object(const PathShape& shape, double sx, double sy) {
  PathObject path;
  path.open = !shape.closed;
  path.vertices.reserve(shape.vertices.size());
  for (const PathPoint& p : shape.vertices) {
    path.vertices.push_back({p.x * sx, p.y * sy, (p.x + p.in_x) * sx, (p.y + p.in_y) * sy,
                             (p.x + p.out_x) * sx, (p.y + p.out_y) * sy});
  }
  return path;
}

HostObjects& HostObjects::instance() {
  static HostObjects objects;
  return objects;
}

void HostObjects::add(SimHost& host, std::unique_ptr<HostObject> object, const char* kind,
                      const std::string& prefix, const std::string& detail, const void* ref,
                      bool counted, const void* owner) {
  std::string name = prefix;
  {
    std::lock_guard lock(mutex_);
    if (counted) name += "#" + std::to_string(++numbers_[prefix]);
    entries_[ref] = {std::move(object), counted ? kind : "", owner};
  }
  if (!detail.empty()) name += " (" + detail + ")";
  if (counted) {
    host.hand_out(ref, kind, name);
  } else {
    host.name_object(ref, name);
  }
}

bool HostObjects::give_back(SimHost& host, const void* ref, const char* kind) {
  if (!host.give_back(ref, kind)) return false;
  std::vector<std::unique_ptr<HostObject>> freed;  // destroyed outside the lock
  std::vector<const void*> named;                  // owned objects, named with the host
  {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(ref);
    if (it == entries_.end()) return true;
    freed.push_back(std::move(it->second.object));
    entries_.erase(it);
    for (auto owned = entries_.begin(); owned != entries_.end();) {
      if (owned->second.owner == ref) {
        named.push_back(owned->first);
        freed.push_back(std::move(owned->second.object));
        owned = entries_.erase(owned);
      } else {
        ++owned;
      }
    }
  }
  for (const void* gone : named) host.forget_name(gone);
  return true;
}

void HostObjects::drop(const Composition* composition) {
  std::vector<const void*> named;  // uncounted objects, named with the host
  {
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->second.object->composition == composition) {
        if (it->second.kind.empty()) named.push_back(it->first);
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
  }
  if (SimHost* host = SimHost::current()) {
    for (const void* gone : named) host->forget_name(gone);
  }
}

}  // namespace simhost::scene
