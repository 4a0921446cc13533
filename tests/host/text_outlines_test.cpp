// Glyph outlines of text layers: no character is dropped without a word,
// and a face that is not installed is never stood in for.

#include "host/scene/text_outlines.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace simhost::scene {
namespace {

std::vector<PathShape> outlines_of(const std::string& text) {
  return glyph_outlines({.text = text, .size = 72, .origin = {10, 80}});
}

bool same_outlines(const std::vector<PathShape>& a, const std::vector<PathShape>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].vertices.size() != b[i].vertices.size()) return false;
    for (std::size_t k = 0; k < a[i].vertices.size(); ++k) {
      const PathPoint& p = a[i].vertices[k];
      const PathPoint& q = b[i].vertices[k];
      if (p.x != q.x || p.y != q.y || p.in_x != q.in_x || p.in_y != q.in_y || p.out_x != q.out_x ||
          p.out_y != q.out_y) {
        return false;
      }
    }
  }
  return true;
}

// A character the font cannot show is its missing-glyph box, in its place,
// the rest of the line after it: as U+4E2D, which DejaVu Sans lacks. cairo
// refuses noncharacters, U+0000 and bytes that are not UTF-8 outright,
// which once blanked the line or cut it off there.
TEST(TextOutlines, ACharacterWithoutAGlyphIsTheMissingGlyphBox) {
  using namespace std::string_literals;
  const std::string box = "\u4E2D";
  ASSERT_EQ(outlines_of("AB" + box + "CD\nEF").size(),
            outlines_of("ABCD\nEF").size() + 2);  // a box: two contours
  const struct {
    const char* name;
    std::string text;
    std::string as;  // what it is drawn as
  } cases[] = {
      {"U+FFFF", "AB\uFFFFCD\nEF", "AB" + box + "CD\nEF"},
      {"U+FFFE", "AB\uFFFECD\nEF", "AB" + box + "CD\nEF"},
      {"U+FDD0", "AB\uFDD0CD\nEF", "AB" + box + "CD\nEF"},
      {"U+10FFFF", "AB\U0010FFFFCD\nEF", "AB" + box + "CD\nEF"},
      {"U+0000", "AB\0CD\nEF"s, "AB" + box + "CD\nEF"},
      {"a stray byte",
       "AB\xFF"
       "CD\nEF",
       "AB" + box + "CD\nEF"},
      {"a cut character (two stray bytes)",
       "AB\xE4\xB8"
       "CD\nEF",
       "AB" + box + box + "CD\nEF"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(same_outlines(outlines_of(c.text), outlines_of(c.as))) << c.name;
  }
}

// Without its bold face a family is not installed in bold: fontconfig
// would embolden the regular face instead. Checked with the first family
// installed here that has no bold face, if any.
TEST(TextOutlines, ABoldFaceTheFamilyDoesNotHaveIsNotInstalled) {
  ASSERT_TRUE(FcInit());
  FcPattern* all = FcPatternCreate();
  FcObjectSet* fields = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* families = FcFontList(nullptr, all, fields);
  std::string lacking;
  for (int i = 0; families != nullptr && i < families->nfont && lacking.empty(); ++i) {
    FcChar8* family = nullptr;
    if (FcPatternGetString(families->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch) continue;
    FcPattern* bold = FcPatternBuild(nullptr, FC_FAMILY, FcTypeString, family, FC_WEIGHT,
                                     FcTypeInteger, FC_WEIGHT_BOLD, nullptr);
    FcConfigSubstitute(nullptr, bold, FcMatchPattern);
    FcDefaultSubstitute(bold);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, bold, &result);
    FcBool emboldened = FcFalse;
    if (found != nullptr && FcPatternGetBool(found, FC_EMBOLDEN, 0, &emboldened) == FcResultMatch &&
        emboldened) {
      lacking = reinterpret_cast<const char*>(family);
    }
    if (found != nullptr) FcPatternDestroy(found);
    FcPatternDestroy(bold);
  }
  if (families != nullptr) FcFontSetDestroy(families);
  FcObjectSetDestroy(fields);
  FcPatternDestroy(all);
  if (lacking.empty()) GTEST_SKIP() << "every installed family has a bold face";

  EXPECT_FALSE(glyph_outlines({.text = "A", .font = lacking, .size = 40}).empty());
  try {
    glyph_outlines({.text = "A", .font = lacking, .bold = true, .size = 40});
    ADD_FAILURE() << lacking << " bold was accepted";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "font \"" + lacking + "\" bold is not installed (the family has no bold face)");
  }
}

}  // namespace
}  // namespace simhost::scene
