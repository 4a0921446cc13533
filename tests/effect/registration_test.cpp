// Who the module says it is: the PiPL property list, and the About box.

#include "effect/registration.h"

#include <fstream>
#include <iterator>

#include "effect/command_handlers.h"
#include "tests/effect/effect_world.h"

namespace effect_test {
namespace {

// The PiPL property list, byte for byte, both as the code builds it and as
// the build wrote it next to the module.

using namespace std::string_literals;

// Four-character codes are little-endian 32-bit numbers, so their characters
// appear reversed. Every property: vendor, key, id 0, data length, data
// padded to 4 bytes.
// clang-format off
const std::string expected_pipl =
    "\x01\x00"s            // resource format 1
    "\0\0\0\0"s            // list version 0
    "\x0d\0\0\0"s          // 13 properties
    "MIB8" "dnik" "\0\0\0\0"s "\x04\0\0\0"s "TKFe"                             // 'eFKT'
    "MIB8" "eman" "\0\0\0\0"s "\x08\0\0\0"s "\x07" "Tarvolk"
    "MIB8" "gtac" "\0\0\0\0"s "\x0c\0\0\0"s "\x0b" "Brindlecast"
    "MIB8" "4668" "\0\0\0\0"s "\x0b\0\0\0"s "EffectMain\0" "\0"s             // padded
    "MIB8" "RVPe" "\0\0\0\0"s "\x04\0\0\0"s "\x02\0\0\0"s
    "MIB8" "RVSe" "\0\0\0\0"s "\x04\0\0\0"s "\x0d\0\x1c\0"s                  // 13, 28
    "MIB8" "REVe" "\0\0\0\0"s "\x04\0\0\0"s "\x01\0\x08\0"s                  // 0x80001
    "MIB8" "FNIe" "\0\0\0\0"s "\x02\0\0\0"s "\0\0" "\0\0"s                   // padded
    "MIB8" "OLGe" "\0\0\0\0"s "\x04\0\0\0"s "\0\x80\0\x04"s                  // 0x4008000
    "MIB8" "2LGe" "\0\0\0\0"s "\x04\0\0\0"s "\x0b\x14\x28\x08"s              // 0x828140B
    "MIB8" "ANMe" "\0\0\0\0"s "\x0c\0\0\0"s "\x0b" "QVRNTARVOLK"
    "MIB8" "LFea" "\0\0\0\0"s "\x04\0\0\0"s "\x08\0\0\0"s
    "MIB8" "LRUe" "\0\0\0\0"s "\x2c\0\0\0"s "\x2b" "https://brindlecast.example/tarvolk/support";
// clang-format on

TEST(Pipl, BuiltBytesAndTheFileNextToTheModuleAreTheResourceLayout) {
  EXPECT_EQ(expected_pipl.size() % 4, 2u);  // the 10-byte header, then whole words
  const std::vector<std::uint8_t> built = build_pipl();
  EXPECT_EQ(std::string(built.begin(), built.end()), expected_pipl);
  std::ifstream file(TARVOLK_PIPL_PATH, std::ios::binary);
  ASSERT_TRUE(file) << TARVOLK_PIPL_PATH;
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), expected_pipl);
}

// The About box's text through EffectMain.

using About = EffectTest;

// The text goes through "%s", so no '%' in it can be taken for a format; in
// Premiere the About box is left alone.
TEST_F(About, TextIsPrintedAsAnArgument) {
  ASSERT_EQ(w.run(PF_Cmd_ABOUT), PF_Err_NONE);
  const std::string text = w.instance.last_out_data().return_msg;
  EXPECT_EQ(text, about_text());
  EXPECT_EQ(text.rfind("Tarvolks shape layers, mask paths & text layers.\n\n", 0), 0u);
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
