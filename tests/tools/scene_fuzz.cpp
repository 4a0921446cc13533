// scene_fuzz TOOL EXAMPLES_DIR WORK_DIR [ROUNDS] [SEED]
//
// Mutates the example scenes and runs each mutant through `tarvolk-host
// render`, `outlines` and `panel`, four rounds at a time. A run passes when
// it ends by itself within 300 s with status 0, 1 or 2 and prints no
// sanitizer report and no raw exception text. ROUNDS defaults to the
// environment's TARVOLK_FUZZ_ROUNDS, else 300 (CI); 100000 for a long run.
// Round r mutates with seed SEED + r, so a failing round is repeated by
// giving its seed and 1 round; its scene and messages stay in WORK_DIR.

#include <sys/wait.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// What a user must never see: a sanitizer's report, a crash's or an
// exception's own words.
const char* const forbidden[] = {"Sanitizer",  "runtime error:", "terminate called",
                                 "std::",      "what():",        "bad_alloc",
                                 "type_error", "out_of_range",   "invalid_iterator"};

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

// Empty when the run passed, else why not.
std::string run(const std::string& tool, const std::string& verb, const fs::path& scene,
                const fs::path& messages, std::atomic<long> (&ended)[3]) {
  const std::string out = verb == "render" ? " -o '" + scene.string() + ".png'" : "";
  const std::string command = "timeout -k 5 300 '" + tool + "' " + verb + " '" + scene.string() +
                              "'" + out + " > /dev/null 2> '" + messages.string() + "'";
  const int status = WEXITSTATUS(std::system(command.c_str()));
  if (status == 124 || status == 137) return "no end within 300 s";
  if (status > 2) return "status " + std::to_string(status);
  std::stringstream text;
  text << std::ifstream(messages).rdbuf();
  for (const char* word : forbidden) {
    if (text.str().find(word) != std::string::npos) return std::string("printed \"") + word + "\"";
  }
  ++ended[status];
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: scene_fuzz TOOL EXAMPLES_DIR WORK_DIR [ROUNDS] [SEED]\n");
    return 2;
  }
  const char* env_rounds = std::getenv("TARVOLK_FUZZ_ROUNDS");
  const long rounds = argc > 4 ? std::atol(argv[4]) : env_rounds ? std::atol(env_rounds) : 300;
  const long seed = argc > 5 ? std::atol(argv[5]) : 1;
  const fs::path work = argv[3];
  fs::create_directories(work);
  std::vector<json> examples;
  for (const auto& entry : fs::directory_iterator(argv[2])) {
    if (entry.path().extension() == ".json")
      examples.push_back(json::parse(std::ifstream(entry.path())));
  }
  std::atomic<long> next = 0, runs = 0, failures = 0, ended[3] = {};
  std::mutex print;
  auto worker = [&] {
    for (long r = next++; r < rounds; r = next++) {
      std::mt19937 rng(static_cast<unsigned>(seed + r));
      json scene = examples.at(rng() % examples.size());
      for (unsigned n = 1 + rng() % 2; n > 0; --n) mutate(scene, rng);
      std::string text = scene.dump(1);
      if (rng() % 20 == 0) text.resize(rng() % text.size());  // cut off
      if (rng() % 20 == 0 && !text.empty()) text[rng() % text.size()] = static_cast<char>(rng());
      const fs::path path = work / ("round_" + std::to_string(seed + r) + ".json");
      std::ofstream(path) << text;
      bool passed = true;
      for (const std::string verb : {"render", "outlines", "panel"}) {
        const fs::path messages = path.string() + "." + verb + ".txt";
        const std::string why = run(argv[1], verb, path, messages, ended);
        ++runs;
        if (why.empty()) {
          fs::remove(messages);
        } else {
          passed = false;
          ++failures;
          std::lock_guard lock(print);
          std::printf("FAILED %s %s: %s\n", verb.c_str(), path.c_str(), why.c_str());
        }
      }
      fs::remove(path.string() + ".png");
      if (passed) fs::remove(path);
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(worker);
  for (std::thread& t : threads) t.join();
  std::printf("%ld rounds, %ld runs (%ld ended 0, %ld 1, %ld 2), %ld failed\n", rounds, runs.load(),
              ended[0].load(), ended[1].load(), ended[2].load(), failures.load());
  return failures == 0 ? 0 : 1;
}
