// scene_mutants EXAMPLES_DIR OUT_DIR FIRST COUNT
//
// Writes mutants of the example scenes for the fuzz test (scene_fuzz.sh):
// OUT_DIR/round_N.json for N from FIRST on, each an example with one or two
// values changed, dropped, repeated, keyframed or nested, and now and then
// its text cut off or a byte changed. Round N always mutates the same way.

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
const json edges = json::parse(R"([0, -1, 1e-9, 1e9, -1e9, 1e308, -1e308, 2147483648, 30000,
  30001, "", "L\nM", null, true, [], {}, [0], [0, 0, 0], {"keyframes": []}])");
// Mostly a value of the same kind, so that most mutants still read as scenes.
json alike(const json& value, std::mt19937& rng) {
  static const double factors[] = {-1, 0, 0.001, 0.5, 0.9, 1.1, 2, 10, 1000, 1e12};
  static const json names = json::parse(R"(["add", "subtract", "intersect", "difference",
    "lighten", "darken", "none", "merge", "exclude", "normal", "reversed", "non-zero", "even-odd",
    "3D Camera", "Directional", "Gradient", "Solid", "", "\n"])");
  if (rng() % 10 == 0) return std::string(1 + rng() % 5000, 'x');
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
    std::string text = scene.dump(1);
    if (rng() % 20 == 0) text.resize(rng() % text.size());
    if (rng() % 20 == 0 && !text.empty()) text[rng() % text.size()] = static_cast<char>(rng());
    std::ofstream(fs::path(argv[2]) / ("round_" + std::to_string(r) + ".json")) << text;
  }
}
