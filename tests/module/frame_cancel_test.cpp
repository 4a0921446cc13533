// A frame the host cancels through its abort callback: whichever poll answers
// "cancelled" first, the frame ends there with that answer, asks the host
// nothing more about it, shows no message and gives everything back; the
// next frame is whole. Only the command's own thread asks the host, also
// while a large group of overlapping outlines is united on worker threads.

#include <string>
#include <thread>

#include "host/png.h"
#include "tests/module/frame_test_support.h"

namespace simhost::test {
namespace {

class FrameCancel : public SceneFrames {
 protected:
  // The frame's picture; its result must be `expected`.
  RgbaImage frame_picture(PF_Err expected = PF_Err_NONE) {
    Frame frame(*instance, {});
    EXPECT_EQ(frame.run(module), expected);
    EXPECT_STREQ(frame.out_data().return_msg, "");
    return rgba_image_of(*frame.picture().get());
  }
};

TEST_F(FrameCancel, EveryPollOfTheHostCanCancelTheFrame) {
  const json shape = {
      {"kind", "shape"},
      {"contents",
       {{{"type", "path"}, {"path", {{"vertices", {{20, 20}, {90, 25}, {70, 70}, {25, 60}}}}}},
        {{"type", "fill"}}}}};
  // Combining marks take no room of their own: 50 of each of eight piled on one letter make one
  // group of about 500 overlapping outlines, united as a tree with polls between its unions.
  std::string pile = "O";
  for (int i = 0; i < 50; ++i) pile += "\u0300\u0301\u0302\u0303\u0304\u0306\u0308\u030a";
  const struct {
    const char* what;
    json layer;
  } scenes[] = {
      {"text", text_layer("Tv", 60, 20, 70)},
      {"masks", framed_solid({20, 15, 140, 75}, {60, 35, 100, 55})},
      {"shape", shape},
      {"marks piled on a letter", text_layer(pile, 60, 50, 80)},
  };
  // The input layer is asked for in both commands: for the face's colours
  // and to composite it in front.
  const json values = plain_look({{"Inherit Layer Color", true}, {"Input Opacity", 50}});
  for (const auto& scene : scenes) {
    SCOPED_TRACE(scene.what);
    load(scene_json(160, 90, scene.layer, values));
    host.clear_calls();
    const RgbaImage whole = frame_picture();
    const std::vector<CallRecord> polls = host.calls_of("abort");
    EXPECT_GE(polls.size(), 6u);  // between the stages of both commands
    for (const CallRecord& poll : polls) EXPECT_EQ(poll.thread, std::this_thread::get_id());

    for (size_t n = 0; n <= polls.size(); ++n) {
      SCOPED_TRACE("cancelled at poll " + std::to_string(n + 1));
      host.clear_calls();
      host.fail_call("abort", PF_Interrupt_CANCEL, 1 << 30, static_cast<int>(n));
      {
        Frame frame(*instance, {});
        const PF_Err err = frame.run(module);
        // Polls within long loops come with time, so a frame may poll more
        // often than the first did; none follows the answer.
        const size_t asked = host.calls_of("abort").size();
        EXPECT_EQ(err, asked > n ? PF_Interrupt_CANCEL : PF_Err_NONE);
        if (asked > n) {
          EXPECT_EQ(asked, n + 1);
        }
        EXPECT_STREQ(frame.out_data().return_msg, "");
      }
      host.clear_failures();
      EXPECT_EQ(host.balance_report(), "");
    }
    EXPECT_EQ(frame_picture().rgba, whole.rgba);
    finish();
  }
}

// The user's cancel (a tool's Ctrl-C): every frame after it is cancelled.
TEST_F(FrameCancel, AnAbortRequestCancelsTheFramesAfterIt) {
  load(scene_json(160, 90, text_layer("Tv", 60, 20, 70), plain_look()));
  host.request_abort();
  frame_picture(PF_Interrupt_CANCEL);
  EXPECT_EQ(host.calls_of("abort").size(), 1u);
  frame_picture(PF_Interrupt_CANCEL);
}

// The host's own drawing of the input layer (here 3000 masks) asks for the
// user's cancel between masks: a checkout made once it came ends with
// PF_Interrupt_CANCEL and hands nothing out, and the frame gives everything
// back. Without the cancel the same checkout draws the layer.
TEST_F(FrameCancel, TheLayersCheckoutStopsDrawingOnceTheHostIsAsked) {
  json masked = {{"kind", "solid"}, {"masks", json::array()}};
  for (int i = 0; i < 3000; ++i) {
    masked["masks"].push_back(
        {{"mode", "add"},
         {"path", {{"vertices", {{10 + i % 50, 10}, {150, 10 + i % 40}, {80, 80}}}}}});
  }
  load(scene_json(160, 90, masked, plain_look({{"Inherit Layer Color", true}})));
  for (const bool cancelled : {false, true}) {
    SCOPED_TRACE(cancelled ? "cancelled" : "drawn");
    Frame frame(*instance, {});
    ASSERT_EQ(frame.pre_render(module), PF_Err_NONE);
    ASSERT_EQ(frame.layer_checkouts().size(), 1u);
    if (cancelled) host.request_abort();
    PF_EffectWorld* pixels = nullptr;
    EXPECT_EQ(frame.checkout_layer_pixels(frame.layer_checkouts()[0].checkout_id, &pixels),
              cancelled ? PF_Interrupt_CANCEL : PF_Err_NONE);
    EXPECT_EQ(pixels != nullptr, !cancelled);
    EXPECT_EQ(frame.checkin_layer_pixels(frame.layer_checkouts()[0].checkout_id), PF_Err_NONE);
    EXPECT_EQ(frame.render(module), cancelled ? PF_Interrupt_CANCEL : PF_Err_NONE);
  }
  EXPECT_EQ(host.balance_report(), "");
}

}  // namespace
}  // namespace simhost::test
