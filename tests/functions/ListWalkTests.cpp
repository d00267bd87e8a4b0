#include <gtest/gtest.h>

#include "Functions.h"
#include "LineTyping.h"
#include "ListWalk.h"
#include "ProgramMarks.h"

namespace {

// A walk stands at `at` in `before` (lines split at "|"), the list comes to
// read `after`: where the walk stands then, and which folder line governs it.
struct EditCase {
  const char *name, *before;
  std::size_t at;
  const char* after;
  bool found;
  std::size_t index;
  const char* folder;
};

std::vector<std::string> Split(const std::string& text) { return SplitLines(ReplaceAll("|", text, "\r\n") + "\r\n"); }

class ListWalkEditTest : public testing::TestWithParam<EditCase> {};

TEST_P(ListWalkEditTest, FindsItsLineAndFolderAgain) {
  const EditCase& c = GetParam();
  ListWalk walk(Split(c.before));
  while (walk.Index() < c.at) walk.Next();
  EXPECT_EQ(walk.Follow(Split(c.after), 1), c.found);
  EXPECT_EQ(walk.Index(), c.index);
  EXPECT_EQ(walk.FolderLine(), c.folder);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, ListWalkEditTest,
    testing::Values(EditCase{"Unchanged", "$A|f1|f2|f3", 2, "$A|f1|f2|f3", true, 2, "$A"},
                    EditCase{"FolderChosenAtTheMarkedLine", "$A|-f1|f2|f3", 2, "$A|-f1|$B||f2|f3", true, 4, "$B"},
                    EditCase{"FolderChosenBelow", "$A|f1|f2|f3", 2, "$A|f1|f2|$B|f3", true, 2, "$A"},
                    EditCase{"FolderRewrittenAbove", "$A|f1|f2", 2, "$B|f1|f2", true, 2, "$B"},
                    EditCase{"FolderLineDeleted", "$A|f1|f2", 2, "f1|f2", true, 1, ""},
                    EditCase{"LineDeletedAbove", "-f0|f1|f2", 1, "f1|f2", true, 0, ""},
                    EditCase{"TheLineItselfRewritten", "f0|f1|f2", 1, "f0|g1|f2", false, 1, ""},
                    EditCase{"TheLineItselfDeleted", "$A|f0|f1|f2", 2, "$A|f0|f2", false, 2, "$A"},
                    EditCase{"TheLineAboveDeletedAndItselfRewritten", "$A|p|f1|f2", 2, "$A|g1|f2", false, 1, "$A"},
                    EditCase{"ALineAboveRewrittenAndItselfDeleted", "f0|f1|L|f3", 2, "g0|f1|f3", false, 2, ""},
                    EditCase{"EditsAboveAndBelowAtOnce", "$A|f1|f2|f3", 2, "$A|$B|f1|f2|-f3", true, 3, "$B"},
                    EditCase{"ClearedThenOtherLinesPasted", "$A|f1|f2|f3", 2, "g1|g2", false, 0, ""},
                    EditCase{"ClearedThenTheSameLinePasted", "$A|f1|f2|f3", 2, "f2", true, 0, ""},
                    EditCase{"TwiceAmongTheChangedLines", "$A|f1|f2|x", 2, "$B|f2|f2|y", false, 2, "$B"},
                    // Among identical lines the walk keeps its own, and the
                    // others are still ahead; a line passed that the user
                    // typed again is met.
                    EditCase{"TheFirstOfTwoIdenticalLinesDeleted", "L|L", 1, "L", true, 0, ""},
                    EditCase{"ACopyPastedBelowALineRewritten", "a|L", 1, "b|L|L", true, 1, ""},
                    EditCase{"NoCopyAboveALinePassed", "a|f|c|L", 3, "L|f|d|L", true, 3, ""},
                    EditCase{"ALinePassedTypedAgainWhereItStood", "x|L|z", 1, "w|x|z", false, 1, ""}),
    [](const testing::TestParamInfo<EditCase>& info) { return info.param.name; });

TEST(ListWalkTest, PassingAFolderLineMakesItTheFolder) {
  ListWalk walk(Split("f0|$A|f1|$B|-f2||f3"));
  std::vector<std::string> folders;
  std::vector<std::size_t> ahead;  // image lines below, neither folder, done nor empty lines
  for (; !walk.AtEnd(); walk.Next()) {
    folders.push_back(walk.FolderLine());
    ahead.push_back(walk.ImageLinesAfter());
  }
  EXPECT_EQ(folders, std::vector<std::string>({"", "", "$A", "$A", "$B", "$B", "$B"}));
  EXPECT_EQ(ahead, std::vector<std::size_t>({2, 2, 1, 1, 1, 1, 0}));
  EXPECT_EQ(walk.Current(), "");
  EXPECT_EQ(walk.ImageLinesAfter(), 0u);
}

// Typing reaches the line under way from its folder line down to the line
// itself; from the top when no folder line governs it.
TEST(LineTypingTest, ALineIsTypedWhileItHoldsTheCaretTheFocusAndIsFresh) {
  const UserEdit edit{10000, 3};
  EXPECT_EQ(LineBeingTyped(edit, 10000 + 2000, true, 3), 3) << "a pause of 2 s inside a word";
  EXPECT_EQ(LineBeingTyped(edit, 10000 + kTypingRestMilliseconds, true, 3), -1) << "the line rests";
  EXPECT_EQ(LineBeingTyped(edit, 10500, false, 3), -1) << "the focus left the list";
  EXPECT_EQ(LineBeingTyped(edit, 10500, true, 4), -1) << "the caret left the line";
  EXPECT_EQ(LineBeingTyped(UserEdit{}, 500, true, -1), -1) << "nothing typed yet";
  EXPECT_TRUE(TypingReaches(2, 5, 2));
  EXPECT_TRUE(TypingReaches(5, 5, 2));
  EXPECT_FALSE(TypingReaches(1, 5, 2)) << "above the folder line";
  EXPECT_FALSE(TypingReaches(6, 5, 2)) << "below: the walk reaches it later";
  EXPECT_TRUE(TypingReaches(0, 5, std::string::npos));
}

// A folder choice takes the program's marks that it proves untrue, never the
// user's own.
TEST(ProgramMarksTest, AChoiceTakesOnlyTheProgramsMarksItMakesUntrue) {
  ProgramMarks marks;
  marks.Made("-a.gif", "C:\\old\\");
  marks.Made("-b.gif", "C:\\new\\");
  // A folder chosen above the lines of C:\old\: "-a.gif" goes, the user's
  // "-typed.gif" stays, and "-b.gif" is in C:\new\ already.
  EXPECT_EQ(MarksAFolderChoiceTakes(Split("$C:\\old\\||$C:\\new\\|-a.gif|-typed.gif|-b.gif"), 2, "",
                                    "C:\\new\\", "C:\\new\\", marks),
            std::vector<int>({3}));
  // A split before "$" makes a folder line of the second half, and the line
  // below falls to it; one before "-" makes no mark.
  EXPECT_EQ(MarksAFolderChoiceTakes(Split("$C:\\old\\|h/x|$C:\\new\\|$y|-a.gif"), 2, "h/x$y", "C:\\new\\",
                                    "C:\\new\\", marks),
            std::vector<int>({4}));
  EXPECT_EQ(MarksAFolderChoiceTakes(Split("h/x|$C:\\new\\|-y"), 1, "h/x-y", "C:\\new\\", "C:\\new\\", marks),
            std::vector<int>({2}));
}

}  // namespace
