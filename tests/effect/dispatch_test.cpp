// EffectMain's dispatch with stand-in handlers: routing, the command
// boundary's treatment of exceptions, and the command mutex.

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <vector>

#include "effect/command_dispatch.h"
#include "effect/entry_point.h"
#include "host/instance/effect_instance.h"
#include "host/sim_host.h"

namespace {

class DispatchTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.balance_report(), ""); }

  PF_Err dispatch(const EffectHooks& handlers, PF_Cmd cmd, void* extra = nullptr) {
    PF_InData in_data = instance.make_in_data();
    PF_OutData out_data{};
    return dispatch_command(handlers, cmd, &in_data, &out_data, nullptr, nullptr, extra);
  }

  simhost::SimHost host;
  simhost::EffectInstance instance{host};
};

// Events of the wheel (slot 39) of every type go to the wheel (7), draw
// events of slot 2 to the info panel (8), arbitrary callbacks of id 32 with
// their record to the gradient (9); anything else, or a missing record, to
// nobody.
TEST_F(DispatchTest, EventsAndArbitraryCallbacksReachTheirHandlers) {
  EffectHooks handlers = default_effect_hooks();
  int wheel_events = 0, info_panel_draws = 0, arbitrary_calls = 0;  // each handler's calls
  handlers.gradient_wheel_event = [&](PF_InData*, PF_OutData*, PF_ParamDef*[], PF_EventExtra*) {
    ++wheel_events;
    return PF_Err{7};
  };
  handlers.draw_info_panel = [&](PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*,
                                 PF_EventExtra*) {
    ++info_panel_draws;
    return PF_Err{8};
  };
  PF_ArbParamsExtra* arbitrary_extra = nullptr;
  handlers.arbitrary_callback = [&](PF_InData*, PF_ArbParamsExtra* extra) {
    ++arbitrary_calls;
    arbitrary_extra = extra;
    return PF_Err{9};
  };
  const std::tuple<PF_ParamIndex, PF_EventType, PF_Err> events[] = {
      {39, PF_Event_DO_CLICK, 7},      {39, PF_Event_DRAG, 7}, {39, PF_Event_DRAW, 7},
      {39, PF_Event_ADJUST_CURSOR, 7}, {39, PF_Event_IDLE, 7}, {2, PF_Event_DRAW, 8},
      {2, PF_Event_DO_CLICK, 0},       {38, PF_Event_DRAW, 0}};
  for (const auto& [index, type, result] : events) {
    PF_EventExtra event{};
    event.effect_win.index = index;
    event.e_type = type;
    EXPECT_EQ(dispatch(handlers, PF_Cmd_EVENT, &event), result) << index << " " << type;
  }
  EXPECT_EQ(dispatch(handlers, PF_Cmd_EVENT, nullptr), PF_Err_NONE);
  PF_ArbParamsExtra arb{};
  arb.id = 32;
  EXPECT_EQ(dispatch(handlers, PF_Cmd_ARBITRARY_CALLBACK, &arb), 9);
  EXPECT_EQ(arbitrary_extra, &arb);
  arb.id = 33;
  EXPECT_EQ(dispatch(handlers, PF_Cmd_ARBITRARY_CALLBACK, &arb), PF_Err_NONE);
  EXPECT_EQ(dispatch(handlers, PF_Cmd_ARBITRARY_CALLBACK, nullptr), PF_Err_NONE);
  // Each routed call reached its handler once, and nothing else did.
  EXPECT_EQ(wheel_events, 5);
  EXPECT_EQ(info_panel_draws, 1);
  EXPECT_EQ(arbitrary_calls, 1);
}

// Named constants are thrown as they are, without a cast.
TEST_F(DispatchTest, WhatAHandlerThrowsBecomesAnErrorCode) {
  const std::pair<std::function<PF_Err()>, PF_Err> cases[] = {
      {[]() -> PF_Err { throw PF_Err{PF_Err_BAD_CALLBACK_PARAM}; }, PF_Err_BAD_CALLBACK_PARAM},
      {[]() -> PF_Err { throw PF_Err_OUT_OF_MEMORY; }, PF_Err_OUT_OF_MEMORY},
      {[]() -> PF_Err { throw A_Err_MISSING_SUITE; }, A_Err_MISSING_SUITE},
      {[]() -> PF_Err { throw std::bad_alloc(); }, PF_Err_OUT_OF_MEMORY},
      {[] { return static_cast<PF_Err>(std::vector<int>().at(3)); },
       PF_Err_INTERNAL_STRUCT_DAMAGED},
      {[]() -> PF_Err { throw "text"; }, PF_Err_INTERNAL_STRUCT_DAMAGED},
  };
  EffectHooks handlers = default_effect_hooks();
  for (const auto& [handler, expected] : cases) {
    handlers.update_params_ui = [&](PF_InData*, PF_OutData*, PF_ParamDef*[]) { return handler(); };
    EXPECT_EQ(dispatch(handlers, PF_Cmd_UPDATE_PARAMS_UI), expected);
  }
}

// Whether another thread could take the mutex right now.
bool mutex_free_for_others() {
  bool free = false;
  std::thread probe([&] {
    if (command_mutex.try_lock()) {
      free = true;
      command_mutex.unlock();
    }
  });
  probe.join();
  return free;
}

// Smart render alone holds the command mutex, and lets it go on a throw.
TEST_F(DispatchTest, SmartRenderHoldsTheMutexAndReleasesItOnAThrow) {
  EffectHooks handlers = default_effect_hooks();
  bool held = false;
  handlers.smart_render = [&](PF_InData*, PF_OutData*, PF_SmartRenderExtra*) -> PF_Err {
    held = !mutex_free_for_others();
    throw PF_Err{PF_Interrupt_CANCEL};
  };
  EXPECT_EQ(dispatch(handlers, PF_Cmd_SMART_RENDER), PF_Interrupt_CANCEL);
  EXPECT_TRUE(held);
  EXPECT_TRUE(mutex_free_for_others());

  handlers.smart_render = [&](PF_InData*, PF_OutData*, PF_SmartRenderExtra*) -> PF_Err {
    throw std::runtime_error("lost");
  };
  EXPECT_EQ(dispatch(handlers, PF_Cmd_SMART_RENDER), PF_Err_INTERNAL_STRUCT_DAMAGED);
  EXPECT_TRUE(mutex_free_for_others());

  handlers.smart_pre_render = [&](PF_InData*, PF_OutData*, PF_PreRenderExtra*) {
    held = !mutex_free_for_others();
    return PF_Err_NONE;
  };
  EXPECT_EQ(dispatch(handlers, PF_Cmd_SMART_PRE_RENDER), PF_Err_NONE);
  EXPECT_FALSE(held);
}

TEST_F(DispatchTest, MissingRecordsAreRefusedNotFollowed) {
  for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_SEQUENCE_SETUP, PF_Cmd_QUERY_DYNAMIC_FLAGS}) {
    EXPECT_EQ(
        dispatch_command(default_effect_hooks(), cmd, nullptr, nullptr, nullptr, nullptr, nullptr),
        PF_Err_BAD_CALLBACK_PARAM)
        << cmd;
  }
  // Commands beyond the table touch nothing.
  for (PF_Cmd cmd : {-1, 25, 26, 1000}) {
    EXPECT_EQ(
        dispatch_command(default_effect_hooks(), cmd, nullptr, nullptr, nullptr, nullptr, nullptr),
        PF_Err_NONE)
        << cmd;
  }
  EXPECT_EQ(PluginDataEntryFunction2(nullptr, nullptr, nullptr, nullptr, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
