#include "model/ev_list.h"

#include <gtest/gtest.h>

#include "model_fixture.h"

namespace sd::model {
namespace {

using testing::LoadText;
using testing::ModelFile;

std::vector<std::string> Headers(const TEvList& list) {
  std::vector<std::string> h;
  for (int i = 0; i < list.Count(); ++i) h.push_back(list.Event(i).Header);
  return h;
}

TEST(ModelLoad, SettingsOnlyFileLoadsNothing) {
  TEvList list;
  EXPECT_EQ(LoadText(list, "[OPTIONS]\nHEADER=Only settings\nSTYLE=3\n"), 0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Title, "Only settings");
  EXPECT_EQ(list.Style, 3);
}

TEST(ModelLoad, SettingsSectionIsRecognisedInAnyCaseButNotWithSuffix) {
  TEvList list;
  int n = LoadText(list,
                   "[e1]\n_H=first\n"
                   "[Options]\n_H=not an event\nHEADER=from options\n"
                   "[OPTIONS2]\n_H=an event\n"
                   "[oPtIoNs]\n_H=duplicate of Options, dropped by the reader\n");
  EXPECT_EQ(n, 2);  // e1, Options, OPTIONS2
  EXPECT_EQ(Headers(list), (std::vector<std::string>{"first", "an event"}));
  EXPECT_EQ(list.Title, "from options");
}

TEST(ModelLoad, SectionLimitCountsTheSettingsSectionButNotTheResult) {
  std::string text = "[OPTIONS]\n";
  for (int i = 1; i <= 5; ++i) text += "[E" + std::to_string(i) + "]\n_H=e" + std::to_string(i) + "\n";
  TEvList list;
  EXPECT_EQ(LoadText(list, text, "", 3), 5);
  EXPECT_EQ(Headers(list), (std::vector<std::string>{"e1", "e2"}));

  TEvList all;
  EXPECT_EQ(LoadText(all, text, "", 0), 5);
  EXPECT_EQ(all.Count(), 5);
  TEvList beyond;
  EXPECT_EQ(LoadText(beyond, text, "", 200), 5);
  EXPECT_EQ(beyond.Count(), 5);
}

TEST(ModelLoad, RecordValuesBesideTheDefinition) {
  TEvList list;
  LoadText(list,
           "[OPTIONS]\n"
           "[no weight]\n_H=a\n"
           "[zero weight]\n_H=b\nWEIGHT=0\n"
           "[comma weight]\n_H=c\nWEIGHT=-2,5\nOrb_Prop=0.5\nOrb_Shift=1,25\n"
           "[not used]\n_H=\nUVL1=0\n");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Event(0).Weight, 1.0);
  EXPECT_EQ(list.Event(1).Weight, 0.0);
  EXPECT_EQ(list.Event(2).Weight, -2.5);
  EXPECT_EQ(list.Event(0).OrbProp, astro::NoValue);
  EXPECT_EQ(list.Event(0).OrbShift, astro::NoValue);
  EXPECT_EQ(list.Event(2).OrbProp, 0.5);
  EXPECT_EQ(list.Event(2).OrbShift, 1.25);
  EXPECT_EQ(list.Event(3).Header, "");  // an empty "_H" is still an event
  for (int i = 0; i < 4; ++i) {
    const EventRecord& e = list.Event(i);
    EXPECT_EQ(e.Def.UVL1, 1) << i;
  }
}

TEST(ModelLoad, DuplicateSectionsKeepTheFirst) {
  TEvList list;
  EXPECT_EQ(LoadText(list, "[Ev]\n_H=first\n_T=1\n[EV]\n_H=second\n_T=2\n"), 0);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Event(0).Header, "first");
  EXPECT_EQ(list.Event(0).Def.Kind, 1);
}

TEST(ModelLoad, RejectedSectionsAreSkippedAndTheRestLoads) {
  TEvList list;
  LoadText(list,
           "[a]\n_H=ok 1\n"
           "[b]\nWEIGHT=3\n"            // no "_H"
           "[c]\n_H=bad\n_T=7\nF0=-1\n"  // object 255 has no place
           "[d]\n_H=ok 2\n");
  EXPECT_EQ(Headers(list), (std::vector<std::string>{"ok 1", "ok 2"}));
}

TEST(ModelLoad, MissingFileGivesDefaultsAndTheFileNameAsTitle) {
  TEvList list;
  EXPECT_EQ(list.Load("/nonexistent/dir/stock.hyp"), -1);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Title, "stock.hyp");
  EXPECT_EQ(list.FileName, "/nonexistent/dir/stock.hyp");
  EXPECT_EQ(list.CycType, 1);
  EXPECT_EQ(list.MaxRange, 1.0);
  EXPECT_EQ(list.GroupCount, 0);
  EXPECT_EQ(list.GroupHeaders, "");
  EXPECT_EQ(list.GroupWeightsMax, "");
}

TEST(ModelLoad, CreationValuesBeforeAnyLoad) {
  TEvList list;
  EXPECT_EQ(list.GroupCount, 1);
  EXPECT_EQ(list.GroupHeaders, "All Events");
  EXPECT_EQ(list.GroupWeights, "1;");
  EXPECT_EQ(list.GroupUseWeights, "1;");
  EXPECT_EQ(list.GroupWeightsMin, "-10;");
  EXPECT_EQ(list.GroupWeightsMax, "10;");
  EXPECT_EQ(list.MaxRange, 0.0);
}

TEST(ModelLoad, SettingsKeys) {
  TEvList list;
  list.UserI1 = 7;  // kept when the file does not say
  std::string long_text(300, 'w');
  LoadText(list,
           "[OPTIONS]\nSTYLE=2\nCycType=0x10\nMinRange=-1,5\nMaxRange=4\nUserI2=9\n"
           "Brad_CountGroups=2\nBrad_Headers=A;B;\nBrad_Weights=" + long_text + "\n");
  EXPECT_EQ(list.Style, 2);
  EXPECT_EQ(list.CycType, 16);
  EXPECT_EQ(list.MinRange, -1.5);
  EXPECT_EQ(list.MaxRange, 4.0);
  EXPECT_EQ(list.UserI1, 7);
  EXPECT_EQ(list.UserI2, 9);
  EXPECT_EQ(list.GroupCount, 2);
  EXPECT_EQ(list.GroupHeaders, "A;B;");
  EXPECT_EQ(list.GroupWeights, std::string(255, 'w'));
  EXPECT_EQ(list.GroupUseWeights, "");
}

TEST(ModelLoad, SecondLoadAppends) {
  TEvList list;
  LoadText(list, "[a]\n_H=1\n");
  LoadText(list, "[b]\n_H=2\n[c]\n_H=3\n");
  EXPECT_EQ(Headers(list), (std::vector<std::string>{"1", "2", "3"}));
}

TEST(ModelLoad, SectionPrefixSelectsSettingsAndEvents) {
  TEvList list;
  int n = LoadText(list,
                   "[M1OPTIONS]\nHEADER=prefixed\n"
                   "[M1 a]\n_H=a\n"
                   "[m1 b]\n_H=other case\n"
                   "[X c]\n_H=other model\n"
                   "[OPTIONS]\n_H=unprefixed settings name\n",
                   "M1");
  EXPECT_EQ(n, 4);
  EXPECT_EQ(Headers(list), (std::vector<std::string>{"a"}));
  EXPECT_EQ(list.Title, "prefixed");
}

TEST(ModelLoad, NumberingModeComesFromTheSettings) {
  TEvList list;
  LoadText(list, "[OPTIONS]\nNObjMod=1\n[e]\n_H=e\n_T=0\nP1=1 20 40\n");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Event(0).Def.K.k0.Objects, (astro::ObjectSet{1, 20}));
}

TEST(ModelLoad, CopyEventCopiesTheWholeRecord) {
  TEvList list;
  LoadText(list, "[e]\n_H=head\n_T=2\nA6=3.5\nWEIGHT=2\n");
  EventRecord copy;
  list.CopyEvent(0, copy);
  EXPECT_EQ(copy.Header, "head");
  EXPECT_EQ(copy.Weight, 2.0);
  EXPECT_EQ(std::memcmp(&copy.Def, &list.Event(0).Def, sizeof(EventDef)), 0);
}

}  // namespace
}  // namespace sd::model
