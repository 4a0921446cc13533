// Failures of the host's calls: the first error is the result, no further
// call is made once it is recorded except those that give something back,
// and everything taken is given back.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/effect/effect_world.h"

namespace effect_test {
namespace {

constexpr PF_Err kInjected = 0x7A11;

const std::set<std::string> kGiveBacks = {"AEGP_DisposeStream", "AEGP_DisposeStreamValue",
                                          "AEGP_DisposeTextOutlines", "PF_CheckinPath",
                                          "AEGP_DisposeEffect"};

// Every kind of layer the effect reads, and the layer parameter: how each is
// built, and how the effect reads it.
struct Scenario {
  std::function<void(EffectWorld&)> build;
  std::function<PF_Err(EffectWorld&)> run = [](EffectWorld& w) {
    SourceGeometry geometry;
    return w.gather(geometry);
  };
};

const std::map<std::string, Scenario>& scenarios() {
  static const std::map<std::string, Scenario> all = {
      {"text", {[](EffectWorld& w) { w.effect_layer(LayerKind::Text).set_text({.text = "ab"}); }}},
      {"shape", {[](EffectWorld& w) {
         w.effect_layer(LayerKind::Shape)
             .set_contents(
                 shape_contents({shape_group({shape_path(square(0, 0, 5), kPathDirectionReversed),
                                              shape_fill(), shape_path(square(1, 1, 5, false))},
                                             {.rotation = 30.0}),
                                 shape_merge(2.0), shape_stroke(1.0)}));
       }}},
      {"masks", {[](EffectWorld& w) {
         Layer& solid = w.effect_layer(LayerKind::Solid);
         solid.add_mask({.shape = square(0, 0, 5)});
         solid.add_mask({.shape = square(0, 0, 5, false)});
         solid.add_mask({.shape = square(2, 2, 5), .mode = PF_MaskMode_SUBTRACT});
       }}},
      {"layer parameter",
       {[](EffectWorld& w) {
          w.effect_layer(LayerKind::Solid);
          w.comp.add_layer(LayerKind::Null, "Parent");
          w.instance.set_value("Parent Layer", 2);
        },
        [](EffectWorld& w) {
          const PF_InData in = w.in_data();
          AEGP_LayerH layer = nullptr;
          return layer_param_layer(&in, slot::parent_layer, layer);
        }}},
  };
  return all;
}

// The suite calls the effect makes, by function, with how often each is made.
std::map<std::string, int> calls_made(const Scenario& scenario) {
  EffectWorld world;
  scenario.build(world);
  EXPECT_EQ(scenario.run(world), PF_Err_NONE);
  std::map<std::string, int> counts;
  for (const simhost::CallRecord& call : world.host.calls()) {
    if (call.suite != "SPBasicSuite" && call.suite != "in_data") ++counts[call.function];
  }
  return counts;
}

TEST(HostCallFailures, EachKindFailingFirstOrLastGivesItsErrorAndLeavesNothingOut) {
  int cases = 0;
  for (const auto& [name, scenario] : scenarios()) {
    for (const auto& [function, count] : calls_made(scenario)) {
      for (int skip : std::set<int>{0, count - 1}) {
        SCOPED_TRACE(name + ": " + function + " call " + std::to_string(skip + 1) + " of " +
                     std::to_string(count));
        ++cases;
        EffectWorld world;
        scenario.build(world);
        world.host.fail_call(function, kInjected, 1, skip);
        EXPECT_EQ(scenario.run(world), kInjected);
        EXPECT_EQ(world.host.balance_report(), "");
        // After the failure only give-backs reach the host.
        bool failed = false;
        for (const simhost::CallRecord& call : world.host.calls()) {
          if (failed && call.suite != "SPBasicSuite" && call.suite != "in_data") {
            EXPECT_TRUE(kGiveBacks.count(call.function) != 0) << call.text();
          }
          failed = failed || call.result == kInjected;
        }
      }
    }
  }
  EXPECT_GT(cases, 40);
}

TEST(HostCallFailures, TheFirstErrorWinsOverAGiveBacksError) {
  const struct {
    const char* scenario;
    const char* first;  // null: only the give-back fails
    const char* give_back;
    PF_Err expected;
  } cases[] = {
      {"masks", "PF_PathVertexInfo", "PF_CheckinPath", 1},
      {"masks", nullptr, "PF_CheckinPath", 2},
      {"shape", "AEGP_GetNewStreamValue", "AEGP_DisposeStream", 1},
      {"shape", nullptr, "AEGP_DisposeStreamValue", 2},
      {"text", "PF_PathVertexInfo", "AEGP_DisposeTextOutlines", 1},
      {"layer parameter", "AEGP_GetLayerFromLayerID", "AEGP_DisposeEffect", 1},
      {"layer parameter", nullptr, "AEGP_DisposeStream", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.scenario) + ": " + (c.first ? c.first : "") + " " + c.give_back);
    const Scenario& scenario = scenarios().at(c.scenario);
    EffectWorld world;
    scenario.build(world);
    if (c.first != nullptr) world.host.fail_call(c.first, 1);
    world.host.fail_call(c.give_back, 2, 100);
    EXPECT_EQ(scenario.run(world), c.expected);
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

// A suite the host lacks is found before anything is taken from the host.
TEST(HostCallFailures, AMissingSuiteThrowsWithNothingLeftOut) {
  const struct {
    const char* scenario;
    const char* suite;
    int32_t version;
  } cases[] = {
      {"text", kPFPathDataSuite, 1},
      {"shape", kAEGPMaskOutlineSuite, 5},
      {"shape", kAEGPStreamSuite, 7},
      {"masks", kPFPathDataSuite, 1},
      {"layer parameter", kAEGPLayerSuite, 11},
      {"layer parameter", kAEGPEffectSuite, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.scenario) + ": " + c.suite);
    const Scenario& scenario = scenarios().at(c.scenario);
    EffectWorld world;
    scenario.build(world);
    world.host.make_suite_missing(c.suite, c.version);
    try {
      scenario.run(world);
      ADD_FAILURE() << "no exception";
    } catch (PF_Err err) {
      EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
    }
    EXPECT_EQ(world.host.balance_report(), "");
  }
}

}  // namespace
}  // namespace effect_test
