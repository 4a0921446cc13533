// The About box's text through EffectMain.

#include <gtest/gtest.h>

#include <string>

#include "effect/command_handlers.h"
#include "host/host_call.h"
#include "tests/effect/effect_world.h"

namespace effect_test {
namespace {

// The text goes through "%s", so no '%' in it can be taken for a format; in
// Premiere the About box is left alone.
TEST_F(EffectTest, AboutTextIsPrintedAsAnArgument) {
  ASSERT_EQ(w.run(PF_Cmd_ABOUT), PF_Err_NONE);
  const std::string text = w.instance.last_out_data().return_msg;
  EXPECT_EQ(text, about_text());
  EXPECT_EQ(text.back(), '\n');
  EXPECT_LE(about_text().size(), 255u);  // the host's message length
  const std::vector<simhost::CallRecord> calls = w.host.calls_of("sprintf");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].suite, "PF ANSI Suite");
  EXPECT_EQ(calls[0].version, 1);
  EXPECT_EQ(calls[0].args.at(0), "\"%s\"");

  w.instance.appl_id = PF_APPL_ID_PREMIERE;
  ASSERT_EQ(w.run(PF_Cmd_ABOUT), PF_Err_NONE);
  EXPECT_STREQ(w.instance.last_out_data().return_msg, "");
  EXPECT_EQ(w.host.calls_of("sprintf").size(), 1u);
}

}  // namespace
}  // namespace effect_test
