// EffectMain's dispatch with stand-in handlers: routing, the command
// boundary's treatment of exceptions, and the command mutex.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "effect/command_dispatch.h"
#include "effect/entry_point.h"
#include "host/effect_instance.h"
#include "host/sim_host.h"

namespace {

struct Calls {
  int wheel_events = 0;
  int info_panel_draws = 0;
  int arbitrary = 0;
  PF_ArbParamsExtra* arbitrary_extra = nullptr;
};

CommandHandlers recording_handlers(Calls& calls) {
  CommandHandlers handlers = default_command_handlers();
  handlers.gradient_wheel_event = [&](PF_InData*, PF_OutData*, PF_ParamDef*[], PF_EventExtra*) {
    ++calls.wheel_events;
    return PF_Err{7};
  };
  handlers.draw_info_panel = [&](PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*,
                                 PF_EventExtra*) {
    ++calls.info_panel_draws;
    return PF_Err{8};
  };
  handlers.arbitrary_callback = [&](PF_InData*, PF_ArbParamsExtra* extra) {
    ++calls.arbitrary;
    calls.arbitrary_extra = extra;
    return PF_Err{9};
  };
  return handlers;
}

class DispatchTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(host.balance_report(), ""); }

  PF_Err dispatch(const CommandHandlers& handlers, PF_Cmd cmd, void* extra = nullptr) {
    PF_InData in_data = instance.make_in_data();
    PF_OutData out_data{};
    return dispatch_command(handlers, cmd, &in_data, &out_data, nullptr, nullptr, extra);
  }

  simhost::SimHost host;
  simhost::EffectInstance instance{host};
};

TEST_F(DispatchTest, WheelEventsOfEveryTypeGoToTheWheel) {
  Calls calls;
  const CommandHandlers handlers = recording_handlers(calls);
  PF_EventExtra event{};
  event.effect_win.index = 39;
  for (PF_EventType type :
       {PF_Event_DO_CLICK, PF_Event_DRAG, PF_Event_DRAW, PF_Event_ADJUST_CURSOR, PF_Event_IDLE}) {
    event.e_type = type;
    EXPECT_EQ(dispatch(handlers, PF_Cmd_EVENT, &event), 7);
  }
  EXPECT_EQ(calls.wheel_events, 5);
  EXPECT_EQ(calls.info_panel_draws, 0);
}

TEST_F(DispatchTest, OnlyDrawEventsOfSlot2GoToTheInfoPanel) {
  Calls calls;
  const CommandHandlers handlers = recording_handlers(calls);
  PF_EventExtra event{};
  event.effect_win.index = 2;
  event.e_type = PF_Event_DRAW;
  EXPECT_EQ(dispatch(handlers, PF_Cmd_EVENT, &event), 8);
  event.e_type = PF_Event_DO_CLICK;
  EXPECT_EQ(dispatch(handlers, PF_Cmd_EVENT, &event), PF_Err_NONE);
  event.effect_win.index = 38;
  event.e_type = PF_Event_DRAW;
  EXPECT_EQ(dispatch(handlers, PF_Cmd_EVENT, &event), PF_Err_NONE);
  EXPECT_EQ(dispatch(handlers, PF_Cmd_EVENT, nullptr), PF_Err_NONE);
  EXPECT_EQ(calls.info_panel_draws, 1);
  EXPECT_EQ(calls.wheel_events, 0);
}

TEST_F(DispatchTest, ArbitraryCallbacksOfId32GoToTheGradient) {
  Calls calls;
  const CommandHandlers handlers = recording_handlers(calls);
  PF_ArbParamsExtra arb{};
  arb.id = 32;
  EXPECT_EQ(dispatch(handlers, PF_Cmd_ARBITRARY_CALLBACK, &arb), 9);
  EXPECT_EQ(calls.arbitrary_extra, &arb);
  arb.id = 33;
  EXPECT_EQ(dispatch(handlers, PF_Cmd_ARBITRARY_CALLBACK, &arb), PF_Err_NONE);
  EXPECT_EQ(dispatch(handlers, PF_Cmd_ARBITRARY_CALLBACK, nullptr), PF_Err_NONE);
  EXPECT_EQ(calls.arbitrary, 1);
}

TEST_F(DispatchTest, WhatAHandlerThrowsBecomesAnErrorCode) {
  CommandHandlers handlers = default_command_handlers();
  handlers.update_params_ui = [](PF_InData*, PF_OutData*, PF_ParamDef*[]) -> PF_Err {
    throw PF_Err{PF_Err_BAD_CALLBACK_PARAM};
  };
  EXPECT_EQ(dispatch(handlers, PF_Cmd_UPDATE_PARAMS_UI), PF_Err_BAD_CALLBACK_PARAM);

  // The named constants are thrown as they are, without a cast.
  handlers.update_params_ui = [](PF_InData*, PF_OutData*, PF_ParamDef*[]) -> PF_Err {
    throw PF_Err_OUT_OF_MEMORY;
  };
  EXPECT_EQ(dispatch(handlers, PF_Cmd_UPDATE_PARAMS_UI), PF_Err_OUT_OF_MEMORY);
  handlers.update_params_ui = [](PF_InData*, PF_OutData*, PF_ParamDef*[]) -> PF_Err {
    throw A_Err_MISSING_SUITE;
  };
  EXPECT_EQ(dispatch(handlers, PF_Cmd_UPDATE_PARAMS_UI), A_Err_MISSING_SUITE);

  handlers.update_params_ui = [](PF_InData*, PF_OutData*, PF_ParamDef*[]) -> PF_Err {
    throw std::bad_alloc();
  };
  EXPECT_EQ(dispatch(handlers, PF_Cmd_UPDATE_PARAMS_UI), PF_Err_OUT_OF_MEMORY);

  handlers.update_params_ui = [](PF_InData*, PF_OutData*, PF_ParamDef*[]) -> PF_Err {
    return static_cast<PF_Err>(std::vector<int>().at(3));
  };
  EXPECT_EQ(dispatch(handlers, PF_Cmd_UPDATE_PARAMS_UI), PF_Err_INTERNAL_STRUCT_DAMAGED);

  handlers.update_params_ui = [](PF_InData*, PF_OutData*, PF_ParamDef*[]) -> PF_Err {
    throw "text";
  };
  EXPECT_EQ(dispatch(handlers, PF_Cmd_UPDATE_PARAMS_UI), PF_Err_INTERNAL_STRUCT_DAMAGED);
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

TEST_F(DispatchTest, SmartRenderHoldsTheMutexAndReleasesItOnAThrow) {
  CommandHandlers handlers = default_command_handlers();
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
}

TEST_F(DispatchTest, OtherCommandsTakeNoLock) {
  CommandHandlers handlers = default_command_handlers();
  bool free_during_pre_render = false;
  handlers.smart_pre_render = [&](PF_InData*, PF_OutData*, PF_PreRenderExtra*) {
    free_during_pre_render = mutex_free_for_others();
    return PF_Err_NONE;
  };
  EXPECT_EQ(dispatch(handlers, PF_Cmd_SMART_PRE_RENDER), PF_Err_NONE);
  EXPECT_TRUE(free_during_pre_render);
}

TEST_F(DispatchTest, ASecondSmartRenderWaitsForTheFirst) {
  std::mutex m;
  std::condition_variable cv;
  bool first_inside = false;
  std::atomic<bool> second_calling{false};
  std::vector<int> order;  // +n entered, -n left
  std::atomic<int> inside{0};
  std::atomic<int> most_inside{0};

  CommandHandlers handlers = default_command_handlers();
  handlers.smart_render = [&](PF_InData* in_data, PF_OutData*, PF_SmartRenderExtra*) {
    const int id = in_data->serial_num;
    const int now = ++inside;
    most_inside = std::max(most_inside.load(), now);
    {
      std::unique_lock lock(m);
      order.push_back(id);
      first_inside = true;
    }
    cv.notify_all();
    if (id == 1) {
      // Stay inside until the second render has been asked for and, had
      // there been no lock, could have come in.
      while (!second_calling) std::this_thread::yield();
      for (int i = 0; i < 200; ++i) std::this_thread::yield();
    }
    --inside;
    std::lock_guard lock(m);
    order.push_back(-id);
    return PF_Err_NONE;
  };

  auto render = [&](int id) {
    PF_InData in_data = instance.make_in_data();
    in_data.serial_num = id;
    PF_OutData out_data{};
    return dispatch_command(handlers, PF_Cmd_SMART_RENDER, &in_data, &out_data, nullptr, nullptr,
                            nullptr);
  };
  std::thread first([&] { EXPECT_EQ(render(1), PF_Err_NONE); });
  {
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return first_inside; });
  }
  std::thread second([&] {
    second_calling = true;
    EXPECT_EQ(render(2), PF_Err_NONE);
  });
  first.join();
  second.join();
  EXPECT_EQ(order, (std::vector<int>{1, -1, 2, -2}));
  EXPECT_EQ(most_inside, 1);
}

TEST_F(DispatchTest, MissingRecordsAreRefusedNotFollowed) {
  const CommandHandlers& handlers = default_command_handlers();
  EXPECT_EQ(
      dispatch_command(handlers, PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr, nullptr, nullptr),
      PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(dispatch_command(handlers, PF_Cmd_SEQUENCE_SETUP, nullptr, nullptr, nullptr, nullptr,
                             nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(dispatch_command(handlers, PF_Cmd_QUERY_DYNAMIC_FLAGS, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
  EXPECT_EQ(dispatch_command(handlers, -1, nullptr, nullptr, nullptr, nullptr, nullptr),
            PF_Err_NONE);
}

TEST(Registration, NeedsACallback) {
  EXPECT_EQ(PluginDataEntryFunction2(nullptr, nullptr, nullptr, nullptr, nullptr),
            PF_Err_BAD_CALLBACK_PARAM);
}

}  // namespace
