#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "Functions.h"
#include "ListWalk.h"
#include "OpenLine.h"
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

// A line opens at the user's first change and closes only when the user
// leaves it. Each row is one step on from the row before.
TEST(OpenLineTest, ALineIsOpenUntilTheUserLeavesIt) {
  ProgramMarks marks;
  marks.Made("-a.gif", "C:\\f\\");
  struct Step {
    const char* name;
    std::function<Finished(OpenLine&)> act;
    std::size_t open;
    std::vector<std::size_t> finished;
  };
  const std::size_t none = std::string::npos;
  const auto change = [&](std::size_t first, std::size_t column, std::vector<std::string> before,
                          std::vector<std::string> after, std::size_t caret, bool lineBreak) {
    return [=, &marks](OpenLine& line) { return line.Changed(first, column, before, after, caret, lineBreak, marks); };
  };
  const Step steps[] = {
      {"a key in a marked line opens it", change(2, 3, {"-a.gif"}, {"-a.xgif"}, 2, false), 2, {}},
      {"Enter at its end finishes it; the new line is not open",
       change(2, 7, {"-a.xgif"}, {"-a.xgif", ""}, 3, true), none, {2, 3}},
      {"typed into, the new line opens", change(3, 0, {""}, {"$"}, 3, false), 3, {}},
      {"a paste ending in a line break above it", change(3, 0, {"$"}, {"p", "q", "$"}, 5, true), 5, {3, 4}},
      {"Backspace into the line above: still open", change(4, 1, {"q", "$"}, {"q$"}, 4, false), 4, {}},
      {"lines appended above it", [](OpenLine& l) { l.Inserted(4, 2); return Finished(); }, 6, {}},
      {"a click in another line finishes it", [](OpenLine& l) { return l.CaretIn(0); }, none, {6}},
      {"an input method composes in a line", [&](OpenLine& l) { return l.Composing(1, "-a.gif", marks); }, 1, {}},
      {"another control of the program", [](OpenLine& l) { return l.Close(); }, none, {1}},
  };
  OpenLine line;
  Finished last;
  for (const Step& step : steps) {
    last = step.act(line);
    std::vector<std::size_t> finished;
    for (const EditedLine& f : last.lines) finished.push_back(f.index);
    EXPECT_EQ(line.Line() ? line.Line()->index : none, step.open) << step.name;
    EXPECT_EQ(finished, step.finished) << step.name;
  }
  EXPECT_TRUE(last.lines.front().programMark) << "composing leaves the program's mark alone";
  // Two lines pasted into the open marked line finish it where its start
  // stands, with the "-" it opened with: another address follows it now.
  line.Changed(0, 3, {"-a.gif"}, {"-a.xgif"}, 0, false, marks);
  last = line.Changed(0, 4, {"-a.xgif"}, {"-a.xc", "dgif"}, 1, false, marks);
  EXPECT_TRUE(last.lines.size() == 1 && FinishingTakesTheMark(last.lines[0], "-a.xc"));

  // Finishing takes the program's own "-" where another image line follows it.
  const EditedLine marked{0, "-a.gif", true};
  EXPECT_TRUE(FinishingTakesTheMark(marked, "-a.xgif"));
  EXPECT_FALSE(FinishingTakesTheMark(marked, "-a.gif")) << "reads as before";
  EXPECT_FALSE(FinishingTakesTheMark(marked, "-$C:\\x\\")) << "a folder line follows";
  EXPECT_FALSE(FinishingTakesTheMark(EditedLine{0, "-a.gif", false}, "-b.gif")) << "the user's own";
}

// The walk at line 5, under the folder line 2 (npos: none): what holds its
// fetch ("f") and its copy ("c").
TEST(OpenLineTest, AnOpenLineHoldsARunOnlyWhereItCanChangeWhatTheRunDoes) {
  const struct { const char* name; EditedLine open; const char* now; std::size_t folderLine; const char* holds; } cases[] = {
      {"the walk's own line", {5, "h/a.gif"}, "h/a.g", 2, "fc"},
      {"a folder line between", {3, ""}, "$D:\\pi", 2, "c"},
      {"the governing folder line", {2, "$D:\\"}, "$D:\\pi", 2, "c"},
      {"a folder line emptied to be typed anew", {3, "$D:\\"}, "", 2, "c"},
      {"an image line between", {3, "h/b.gif"}, "h/b.g", 2, ""},
      {"a folder line above the governing one", {1, ""}, "$E:", 2, ""},
      {"no folder line: anywhere above", {0, ""}, "$", std::string::npos, "c"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::string(OpenLineHolds(c.open, c.now, 5, c.folderLine, false) ? "f" : "") +
                  (OpenLineHolds(c.open, c.now, 5, c.folderLine, true) ? "c" : ""),
              c.holds)
        << c.name;
  }
}

// A finished folder line takes the program's marks below it, down to the
// next folder line, whose images are not in the folder it names now.
TEST(OpenLineTest, AFinishedFolderLineTakesTheMarksItMakesUntrue) {
  ProgramMarks marks;
  marks.Made("-a.gif", "C:\\save\\");
  marks.Made("-b.gif", "C:\\new\\");
  marks.Made("-c.gif", "C:\\save\\");
  const std::vector<std::string> lines = Split("$C:\\new\\|-a.gif|-b.gif|-typed.gif|$C:\\x\\|-c.gif");
  Finished finished;
  finished.lines.push_back(EditedLine{0, "", false});
  EXPECT_EQ(MarksFinishingTakes(lines, finished, std::nullopt, "C:\\save\\", marks), std::vector<int>({1}));
  // The lines under a folder line still open wait for it; the line below
  // finished names C:\x\, where c.gif is not.
  finished.lines = {EditedLine{4, "$C:\\save\\", false}};
  finished.foldersFrom = 0;
  const std::optional<EditedLine> open = EditedLine{0, "$C:\\save\\", false};
  EXPECT_EQ(MarksFinishingTakes(lines, finished, open, "C:\\save\\", marks), std::vector<int>({5}));
  // A marked line moved under another folder line is judged where it stands.
  EXPECT_EQ(MarksFinishingTakes(lines, {{EditedLine{5, "", false}}}, std::nullopt, "", marks), std::vector<int>({5}));
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
