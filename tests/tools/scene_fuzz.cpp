// scene_fuzz TOOL EXAMPLES_DIR WORK_DIR [ROUNDS] [SEED]
//
// Mutates the example scenes and runs each mutant through `tarvolk-host
// render`, `outlines` and `panel`, several runs at a time. A run passes when
// it ends by itself within the time limit with status 0, 1 or 2 and prints
// no sanitizer report and no raw exception text. ROUNDS defaults to the
// environment's TARVOLK_FUZZ_ROUNDS, else 300 (CI); 100000 for a long run.
// Round r mutates with seed SEED + r, so a failing round is repeated by
// giving its seed and 1 round; its scene and messages are kept in WORK_DIR.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int jobs = 4;
constexpr int seconds_allowed = 300;  // a run that takes longer hangs
const char* const verbs[] = {"render", "outlines", "panel"};
// What a user must never see: a sanitizer's report, a crash's or an
// exception's own words.
const char* const forbidden[] = {"Sanitizer",  "runtime error:", "terminate called",
                                 "std::",      "what():",        "bad_alloc",
                                 "type_error", "out_of_range",   "invalid_iterator"};

// Values that reach limits: zero, signs, tiny and huge, the 32-bit edges,
// empty and long strings, names the scene format knows, wrong kinds.
json edge_value(std::mt19937& rng) {
  static const json values = json::parse(R"([0, -1, 1, 0.5, -0.5, 1e-9, 1e9, -1e9, 1e308, -1e308,
    2147483648, -2147483649, 65536, 255, 256, 100000, "", "add", "subtract", "difference",
    "exclude", "reversed", "even-odd", "group", "path", "fill", "merge", "text", "shape", "solid",
    "null", "camera", "L\nM", null, true, [], {}, [0], [0, 0], [0, 0, 0], [1e9, -1e9],
    {"keyframes": []}, {"keyframes": [{"time": 0, "value": 0}]}])");
  if (rng() % 20 == 0) return std::string(1 + rng() % 5000, 'a' + static_cast<char>(rng() % 26));
  return values[rng() % values.size()];
}

// Every value of the tree, with a way to reach it again.
void collect(json& value, std::vector<json*>& all) {
  all.push_back(&value);
  if (value.is_structured()) {
    for (json& child : value) collect(child, all);
  }
}

// A value of the same kind, so that most mutants still read as scenes.
json alike(const json& value, std::mt19937& rng) {
  static const double factors[] = {-1, 0, 0.001, 0.5, 2, 10, 1000, 1e6, 1e12};
  static const double edges[] = {0, -1, 1, 1e-9, 1e308, -1e308, 2147483648.0, 30000, 30001};
  static const json names = json::parse(R"(["add", "subtract", "intersect", "difference",
    "lighten", "darken", "accumulate", "none", "merge", "exclude", "normal", "reversed",
    "non-zero", "even-odd", "3D Camera", "Directional", "Gradient", "Solid", "", " ", "\n"])");
  if (value.is_number()) {
    return rng() % 3 == 0 ? edges[rng() % std::size(edges)]
                          : value.get<double>() * factors[rng() % std::size(factors)];
  }
  if (value.is_string()) return names[rng() % names.size()];
  if (value.is_boolean()) return !value.get<bool>();
  return value;
}

void mutate_tree(json& scene, std::mt19937& rng) {
  std::vector<json*> all;
  collect(scene, all);
  json& target = *all[rng() % all.size()];
  switch (rng() % 9) {
    case 0:
    case 1:
    case 2:
    case 3:
      target = alike(target, rng);
      break;
    case 4:
      target = edge_value(rng);
      break;
    case 5:  // a member or element dropped
      if (target.is_object() && !target.empty()) {
        auto it = target.begin();
        std::advance(it, static_cast<long>(rng() % target.size()));
        target.erase(it.key());
      } else if (target.is_array() && !target.empty()) {
        target.erase(rng() % target.size());
      }
      break;
    case 6:  // an element repeated, up to hundreds of times
      if (target.is_array() && !target.empty()) {
        const json copy = target[rng() % target.size()];
        for (unsigned n = 1 + rng() % (rng() % 4 == 0 ? 300 : 3); n > 0; --n)
          target.push_back(copy);
      }
      break;
    case 7:  // keyframed, with a second value from elsewhere in the scene
      target = {{"keyframes",
                 {{{"time", 0}, {"value", target}},
                  {{"time", rng() % 3}, {"value", *all[rng() % all.size()]}}}}};
      break;
    case 8:  // nested, at times past the reader's limit
      for (unsigned n = rng() % 16 == 0 ? 300 : 1 + rng() % 3; n > 0; --n) {
        target = rng() % 2 ? json::array({target}) : json{{"type", "group"}, {"items", {target}}};
      }
      break;
  }
}

// Bytes flipped, dropped, repeated or cut off.
void mutate_text(std::string& text, std::mt19937& rng) {
  if (text.empty()) return;
  const size_t at = rng() % text.size();
  switch (rng() % 4) {
    case 0:
      text[at] = static_cast<char>(rng() % 256);
      break;
    case 1:
      text.erase(at, 1 + rng() % 16);
      break;
    case 2:
      text.insert(at, text.substr(at, 1 + rng() % 64));
      break;
    case 3:
      text.resize(at);
      break;
  }
}

struct Run {
  std::string verb;
  fs::path scene;
  fs::path messages;
  std::chrono::steady_clock::time_point started;
  bool killed = false;
};

pid_t start(const std::string& tool, const Run& run, const fs::path& work) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  std::freopen("/dev/null", "w", stdout);
  std::freopen(run.messages.c_str(), "w", stderr);
  const std::string out = (work / (run.scene.stem().string() + ".png")).string();
  if (run.verb == "render") {
    execl(tool.c_str(), tool.c_str(), "render", run.scene.c_str(), "-o", out.c_str(), nullptr);
  } else {
    execl(tool.c_str(), tool.c_str(), run.verb.c_str(), run.scene.c_str(), nullptr);
  }
  _exit(127);
}

// Empty when the run passed, else why not.
std::string judge(const Run& run, int status) {
  if (run.killed) return "no end within " + std::to_string(seconds_allowed) + " s";
  if (WIFSIGNALED(status)) return "ended by signal " + std::to_string(WTERMSIG(status));
  if (WEXITSTATUS(status) > 2) return "status " + std::to_string(WEXITSTATUS(status));
  std::ifstream in(run.messages);
  std::stringstream text;
  text << in.rdbuf();
  for (const char* word : forbidden) {
    if (text.str().find(word) != std::string::npos) return std::string("printed \"") + word + "\"";
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: scene_fuzz TOOL EXAMPLES_DIR WORK_DIR [ROUNDS] [SEED]\n");
    return 2;
  }
  const std::string tool = argv[1];
  const char* env_rounds = std::getenv("TARVOLK_FUZZ_ROUNDS");
  const long rounds = argc > 4 ? std::atol(argv[4]) : env_rounds ? std::atol(env_rounds) : 300;
  const unsigned long seed = argc > 5 ? std::stoul(argv[5]) : 1;
  const fs::path work = argv[3];
  fs::create_directories(work);
  std::vector<std::string> examples;
  for (const auto& entry : fs::directory_iterator(argv[2])) {
    if (entry.path().extension() != ".json") continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    examples.push_back(text.str());
  }
  if (examples.empty()) return 2;

  std::map<pid_t, Run> running;
  long failures = 0;
  long finished = 0;
  long by_status[3] = {};
  std::vector<Run> waiting;
  auto finish = [&](pid_t pid, int status) {
    Run run = running.at(pid);
    running.erase(pid);
    ++finished;
    const std::string why = judge(run, status);
    if (why.empty()) ++by_status[WEXITSTATUS(status)];
    if (why.empty()) {
      fs::remove(run.messages);
      fs::remove(work / (run.scene.stem().string() + ".png"));
    } else {
      ++failures;
      std::printf("FAILED %s %s: %s (messages in %s)\n", run.verb.c_str(), run.scene.c_str(),
                  why.c_str(), run.messages.c_str());
    }
  };
  long r = 0;
  while (r < rounds || !waiting.empty() || !running.empty()) {
    while (running.size() < jobs && (r < rounds || !waiting.empty())) {
      if (waiting.empty()) {
        const std::string name = "round_" + std::to_string(seed + static_cast<unsigned long>(r));
        std::mt19937 rng(static_cast<unsigned>(seed + static_cast<unsigned long>(r)));
        json scene = json::parse(examples[rng() % examples.size()]);
        for (unsigned n = 1 + rng() % 2; n > 0; --n) mutate_tree(scene, rng);
        std::string text = scene.dump(1);
        if (rng() % 10 == 0) mutate_text(text, rng);
        std::ofstream(work / (name + ".json")) << text;
        for (const char* verb : verbs) {
          waiting.push_back({verb, work / (name + ".json"), work / (name + "." + verb + ".txt")});
        }
        ++r;
      }
      Run run = waiting.back();
      waiting.pop_back();
      run.started = std::chrono::steady_clock::now();
      running.emplace(start(tool, run, work), run);
    }
    int status = 0;
    if (const pid_t pid = waitpid(-1, &status, WNOHANG); pid > 0) {
      finish(pid, status);
      continue;
    }
    for (auto& [child, run] : running) {
      if (std::chrono::steady_clock::now() - run.started > std::chrono::seconds(seconds_allowed)) {
        run.killed = true;
        kill(child, SIGKILL);
      }
    }
    usleep(20000);
  }
  // A scene whose three runs all passed is not kept.
  for (long k = 0; k < rounds; ++k) {
    const std::string name = "round_" + std::to_string(seed + static_cast<unsigned long>(k));
    bool kept = false;
    for (const char* verb : verbs) kept = kept || fs::exists(work / (name + "." + verb + ".txt"));
    if (!kept) fs::remove(work / (name + ".json"));
  }
  std::printf("%ld rounds, %ld runs (%ld ended 0, %ld 1, %ld 2), %ld failed\n", rounds, finished,
              by_status[0], by_status[1], by_status[2], failures);
  return failures == 0 ? 0 : 1;
}
