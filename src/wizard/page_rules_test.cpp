#include "wizard/page_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(PageRules, TemplateNamesFollowTheStyle) {
  EXPECT_TRUE(PageTemplateName(u"License", 1).EqualsW(u"LicenseDlg"));
  EXPECT_TRUE(PageTemplateName(u"License", 0).EqualsW(u"LicenseDlg2"));
  EXPECT_TRUE(PageTemplateName(u"License", 2).EqualsW(u"LicenseDlg3"));
  EXPECT_TRUE(PageTemplateName(u"License", 7).EqualsW(u"LicenseDlg3"));
  EXPECT_TRUE(PageTemplateName(u"License", 3).EqualsW(u"LicenseDlg4"));
}

TEST(PageRules, FinishBoxesStartWhereTheStyleSaysAndStepBy14) {
  struct Case {
    int32_t style;
    bool exists[kFinishOptions];
    FinishBoxPlace want[kFinishOptions];
  };
  const Case cases[] = {
      {1, {false, false, false, true}, {{}, {}, {}, {true, 98, 52}}},
      {3, {true, true, true, true}, {{true, 98, 52}, {true, 98, 66}, {true, 98, 80}, {true, 98, 94}}},
      {0, {true, false, false, false}, {{true, 12, 53}, {}, {}, {}}},  // 3 * 14 / 2 = 21, | 32
      {0, {true, true, true, true}, {{true, 12, 32}, {true, 12, 46}, {true, 12, 60}, {true, 12, 74}}},
      {0, {false, true, false, true}, {{}, {true, 12, 46}, {}, {true, 12, 60}}},  // 14 | 32
      {2, {false, true, true, false}, {{}, {true, 20, 78}, {true, 20, 92}, {}}},
      {2, {false, false, false, false}, {{}, {}, {}, {}}},
  };
  for (const Case& c : cases) {
    FinishBoxPlace got[kFinishOptions];
    LayOutFinishBoxes(c.style, c.exists, got);
    for (int i = 0; i < kFinishOptions; ++i) {
      SCOPED_TRACE(testing::Message() << "style " << c.style << " box " << i);
      EXPECT_EQ(got[i].shown, c.want[i].shown);
      EXPECT_EQ(got[i].x, c.want[i].x);
      EXPECT_EQ(got[i].y, c.want[i].y);
    }
  }
}

TEST(PageRules, StartMenuFolderTexts) {
  const struct {
    const char16_t* text;
    bool ok;
  } cases[] = {
      {u"Vendor\\Product", true}, {u"Product", true},          {u"", true},
      {u"\\Product", false},      {u"Vendor\\\\Product", false}, {u"C:Product", false},
      {u"a/b", false},            {u"a;b", false},               {u"a\"b", false},
      {u"a<b>", false},           {u"a|b", false},               {u"a*?", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StartMenuFolderAcceptable(String(c.text)), c.ok) << static_cast<int>(c.text[0]);
  }
}

TEST(PageRules, PreselectionPrefersTheUserLanguageThenEnglishThenTheFirst) {
  Array<String> names;
  names.Add(String(u"Deutsch"));
  names.Add(String(u"English"));
  names.Add(String(u"Français"));
  EXPECT_EQ(PreselectedLanguage(names, String(u"Français")), 2);
  EXPECT_EQ(PreselectedLanguage(names, String(u"Polski")), 1);
  EXPECT_EQ(PreselectedLanguage(names, String()), 1);
  Array<String> others;
  others.Add(String(u"Deutsch"));
  others.Add(String(u"Polski"));
  EXPECT_EQ(PreselectedLanguage(others, String(u"Svenska")), 0);
}

TEST(PageRules, RightToLeftIsDecidedByTheFirstLetter) {
  EXPECT_TRUE(ReadsRightToLeft(String(u"\u05D1\u05E8\u05D5\u05DB\u05D9\u05DD")));  // Hebrew
  EXPECT_TRUE(ReadsRightToLeft(String(u"<1> \u0645\u0631\u062D\u0628\u0627")));     // Arabic after marks
  EXPECT_FALSE(ReadsRightToLeft(String(u"Welcome \u05D1")));
  EXPECT_FALSE(ReadsRightToLeft(String(u"\u00C9t\u00E9")));
  EXPECT_FALSE(ReadsRightToLeft(String(u"12 ...")));
  EXPECT_FALSE(ReadsRightToLeft(String()));
}

}  // namespace
