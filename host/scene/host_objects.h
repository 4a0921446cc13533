#pragma once

// What the host hands out from its composition by reference: streams (groups
// of streams too), stream values, mask outlines, text outlines, the paths of
// masks checked out and of text outlines, and AEGP effect references. Each
// is counted with the host (SimHost::hand_out) until the plug-in gives it
// back; the objects themselves live here, so a reference that is not (or no
// longer) out is recognised instead of followed. Objects left out when their
// composition goes are freed with it; the host's balance still names them.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/scene/composition.h"
#include "host/sim_host.h"

namespace simhost::scene {

// Kinds of objects as the host counts them.
inline constexpr const char* stream_kind = "stream";
inline constexpr const char* stream_value_kind = "stream value";
inline constexpr const char* mask_outline_kind = "mask outline";
inline constexpr const char* text_outlines_kind = "text outlines";
inline constexpr const char* path_kind = "path";
inline constexpr const char* effect_kind = "effect";

struct HostObject {
  virtual ~HostObject() = default;
  Composition* composition = nullptr;
};

// A layer's stream (`node` in its tree, or `transform`, one of its
// transform's streams), or an effect parameter's stream.
struct StreamObject : HostObject {
  Layer* layer = nullptr;
  const StreamNode* node = nullptr;
  AEGP_LayerStream transform = -1;
  PF_ProgPtr effect_ref = nullptr;
  PF_ParamIndex param_index = 0;
};

// A path as the effect's path suites serve it: absolute control points.
struct PathObject : HostObject {
  std::vector<PF_PathVertex> vertices;
  bool open = false;
  long num_segments() const {
    const long n = static_cast<long>(vertices.size());
    return open ? (n > 0 ? n - 1 : 0) : n;
  }
};

// A path value of a stream: control points relative to their vertex.
struct MaskOutlineObject : HostObject {
  PathShape shape;
};

// The paths are owned by the outlines and go with them.
struct TextOutlinesObject : HostObject {
  std::vector<PathObject*> paths;
};

struct EffectObject : HostObject {
  PF_ProgPtr effect_ref = nullptr;
};

// A value the plug-in holds in its own AEGP_StreamValue2, with what the host
// gave out inside it.
struct StreamValueObject : HostObject {
  AEGP_MaskOutlineValH mask_outline = nullptr;
};

// Absolute control points from relative ones, scaled by (sx, sy).
PathObject path_object(const PathShape& shape, double sx = 1.0, double sy = 1.0);

class HostObjects {
 public:
  static HostObjects& instance();

  // Hands `object` out under `ref` (the object's own address when null),
  // counted as `kind` and named "<prefix>#N" plus `detail` in records.
  template <class T>
  T* hand_out(SimHost& host, std::unique_ptr<T> object, const char* kind, const std::string& prefix,
              const std::string& detail = "", const void* ref = nullptr) {
    T* raw = object.get();
    add(host, std::move(object), kind, prefix, detail, ref != nullptr ? ref : raw, true, nullptr);
    return raw;
  }
  // An object that belongs to another one that is out (`owner`), named but
  // not counted; it goes when the owner is given back.
  template <class T>
  T* keep_with(SimHost& host, std::unique_ptr<T> object, const std::string& name,
               const void* owner) {
    T* raw = object.get();
    add(host, std::move(object), "", name, "", raw, false, owner);
    return raw;
  }

  // The object out under `ref` if it is a T, else null.
  template <class T>
  T* find(const void* ref) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(ref);
    return it == entries_.end() ? nullptr : dynamic_cast<T*>(it->second.object.get());
  }

  // Takes back what was handed out under `ref` as `kind`, with what belongs
  // to it. False (and a misuse noted by the host) when it is not out as that.
  bool give_back(SimHost& host, const void* ref, const char* kind);

  // Frees whatever of `composition` is still out.
  void drop(const Composition* composition);

 private:
  struct Entry {
    std::unique_ptr<HostObject> object;
    std::string kind;  // empty: not counted
    const void* owner = nullptr;
  };
  void add(SimHost& host, std::unique_ptr<HostObject> object, const char* kind,
           const std::string& prefix, const std::string& detail, const void* ref, bool counted,
           const void* owner);

  std::mutex mutex_;
  std::unordered_map<const void*, Entry> entries_;
  std::map<std::string, long> numbers_;
};

}  // namespace simhost::scene
