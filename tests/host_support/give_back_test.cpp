// Give-backs are made once: one that throws is neither made again by the
// owner's destructor nor let out of it.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "host_support/aegp_held.h"
#include "host_support/give_back_quietly.h"

namespace {

int calls = 0;
bool throwing = false;

A_Err dispose_ref(AEGP_StreamRefH) {
  ++calls;
  if (throwing) throw std::string("the host threw");
  return A_Err_NONE;
}
A_Err dispose_value(AEGP_StreamValue2*) {
  return dispose_ref(nullptr);
}
A_Err end_undo_group() {
  return dispose_ref(nullptr);
}

TEST(GiveBack, AGiveBackThatThrowsIsMadeOnce) {
  AEGP_UtilitySuite11 utility{};
  utility.AEGP_StartUndoGroup = [](const A_char*) -> A_Err { return A_Err_NONE; };
  utility.AEGP_EndUndoGroup = end_undo_group;
  const struct {
    const char* what;
    std::function<void()> run;
  } cases[] = {
      {"quietly", [] { give_back_quietly([] { dispose_ref(nullptr); }); }},
      {"a held object's give-back, then its destructor",
       [] {
         HeldStream stream(dispose_ref);
         *stream.out() = reinterpret_cast<AEGP_StreamRefH>(&calls);
         HostErrors errors;
         EXPECT_ANY_THROW(stream.give_back(errors));
       }},
      {"a held stream value's give-back, then its destructor",
       [] {
         HeldStreamValue value(dispose_value);
         HostErrors errors;
         value.take(errors, [](AEGP_StreamValue2*) { return A_Err_NONE; });
         EXPECT_ANY_THROW(value.give_back(errors));
       }},
      {"an undo group's end, then its destructor",
       [&utility] {
         HeldUndoGroup group(&utility);
         HostErrors errors;
         group.start(errors, "edit");
         EXPECT_ANY_THROW(group.end(errors));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    calls = 0;
    throwing = true;
    EXPECT_NO_THROW(c.run());
    EXPECT_EQ(calls, 1);
  }
  throwing = false;
}

}  // namespace
