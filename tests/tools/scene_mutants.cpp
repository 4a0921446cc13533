// scene_mutants EXAMPLES_DIR OUT_DIR FIRST COUNT
//
// Writes mutants of the example scenes for the fuzz test (scene_fuzz.sh):
// OUT_DIR/round_N.json for N from FIRST on, each an example with one or two
// values changed, dropped, repeated, keyframed or nested, and now and then
// its text cut off or a byte changed, and now and then its effect's layer
// put under a long chain of parents. Round N always mutates the same way.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
// Values at limits and of the wrong kind; any value can become one.
// Points past what 32 bits and cairo's coordinates hold.
const json edges = json::parse(R"([0, -1, 1e-9, 1e9, -1e9, 1e308, -1e308, 2147483648, 30000,
  30001, "", "L\nM", null, true, [], {}, [0], [0, 0, 0], {"keyframes": []}, [2200000000, 0],
  [1e18, 1e18], [-1e18, 1e18, 0]])");
// Mostly a value of the same kind, so that most mutants still read as scenes.
json alike(const json& value, std::mt19937& rng) {
  static const double factors[] = {-1, 0, 0.001, 0.5, 0.9, 1.1, 2, 10, 1000, 1e12};
  static const json names = json::parse(R"(["add", "subtract", "intersect", "difference",
    "lighten", "darken", "none", "merge", "exclude", "normal", "reversed", "non-zero", "even-odd",
    "3D Camera", "Directional", "Gradient", "Solid", "", "\n"])");
  if (rng() % 10 == 0) return std::string(1 + rng() % 5000, 'x');
  if (value.is_array() && !value.empty() && value[0].is_number() && rng() % 3 == 0) {
    return edges[edges.size() - 1 - rng() % 3];  // a point far away
  }
  if (rng() % 5 == 0 || value.is_structured() || value.is_null())
    return edges[rng() % edges.size()];
  if (value.is_number()) return value.get<double>() * factors[rng() % std::size(factors)];
  if (value.is_string()) return names[rng() % names.size()];
  return !value.get<bool>();
}

void collect(json& value, std::vector<json*>& all) {
  all.push_back(&value);
  if (value.is_structured()) {
    for (json& child : value) collect(child, all);
  }
}

// One value changed, dropped, repeated, keyframed or nested (at times past
// the reader's limit).
void mutate(json& scene, std::mt19937& rng) {
  std::vector<json*> all;
  collect(scene, all);
  json& target = *all[rng() % all.size()];
  const unsigned kind = rng() % 8;
  if (kind < 4) {
    target = alike(target, rng);
  } else if (kind == 4 && target.is_object() && !target.empty()) {
    target.erase(std::next(target.begin(), rng() % target.size()).key());
  } else if (kind == 4 && target.is_array() && !target.empty()) {
    target.erase(rng() % target.size());
  } else if (kind == 5 && target.is_array() && !target.empty()) {
    const json copy = target[rng() % target.size()];
    for (unsigned n = 1 + rng() % (rng() % 4 == 0 ? 300 : 3); n > 0; --n) target.push_back(copy);
  } else if (kind == 6) {
    target = {{"keyframes",
               {{{"time", 0}, {"value", target}}, {{"time", 1}, {"value", alike(target, rng)}}}}};
  } else if (kind == 7) {
    for (unsigned n = rng() % 16 == 0 ? 300 : 1 + rng() % 3; n > 0; --n) {
      target = rng() % 2 ? json::array({target}) : json{{"type", "group"}, {"items", {target}}};
    }
  }
}

// The effect's layer under a chain of new null layers, each the parent of
// the next, each moved, scaled or turned alike (so that scales compound past
// what a double holds); now and then the chain comes back to the layer.
void chain_parents(json& scene, std::mt19937& rng) {
  static const unsigned lengths[] = {2, 40, 300, 1500};
  static const json transforms = json::parse(R"([{}, {"position": [10, 0]},
    {"scale": [200, 200]}, {"rotation": 90}, {"anchor": [1e9, 0]}])");
  if (!scene.contains("layers") || !scene["layers"].is_array()) return;
  json& layers = scene["layers"];
  const json effect_layer = scene.contains("effect") && scene["effect"].is_object()
                                ? scene["effect"].value("layer", json())
                                : json();
  const unsigned length = lengths[rng() % std::size(lengths)];
  const json& transform = transforms[rng() % transforms.size()];
  const bool cycle = rng() % 8 == 0;
  for (unsigned i = 0; i < length; ++i) {
    json null = {
        {"name", "Chain " + std::to_string(i)}, {"kind", "null"}, {"transform", transform}};
    if (i > 0) null["parent"] = "Chain " + std::to_string(i - 1);
    if (i == 0 && cycle && effect_layer.is_string()) null["parent"] = effect_layer;
    layers.push_back(null);
  }
  for (json& layer : layers) {
    if (layer.is_object() && layer.value("name", json()) == effect_layer) {
      layer["parent"] = "Chain " + std::to_string(length - 1);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  std::vector<json> examples;
  for (const auto& entry : fs::directory_iterator(argv[1])) {
    if (entry.path().extension() == ".json") {
      examples.push_back(json::parse(std::ifstream(entry.path())));
    }
  }
  const long first = std::atol(argv[3]);
  for (long r = first; r < first + std::atol(argv[4]); ++r) {
    std::mt19937 rng(static_cast<unsigned>(r));
    json scene = examples.at(rng() % examples.size());
    for (unsigned n = 1 + rng() % 2; n > 0; --n) mutate(scene, rng);
    if (rng() % 12 == 0) chain_parents(scene, rng);
    std::string text = scene.dump(1);
    if (rng() % 20 == 0) text.resize(rng() % text.size());
    if (rng() % 20 == 0 && !text.empty()) text[rng() % text.size()] = static_cast<char>(rng());
    std::ofstream(fs::path(argv[2]) / ("round_" + std::to_string(r) + ".json")) << text;
  }
}
