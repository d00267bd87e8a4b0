// The multi-line box: lines by index, replacing and appending as the lists use them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Memo.h"
#include "PixorraMainFrm.h"
#include "WindowTestSupport.h"

namespace {

class MemoTest : public testing::Test {
 protected:
  void SetUp() override { form = std::make_unique<TPixorraMainForm>(); }
  ui::Memo& memo() { return form->ImageListMemo; }
  std::unique_ptr<TPixorraMainForm> form;
};

TEST_F(MemoTest, LinesByIndex) {
  memo().SetText("$C:\\a\\\r\nhttp://h/x.gif\r\n-http://h/y.gif");
  EXPECT_EQ(memo().LineCount(), 3);
  EXPECT_EQ(memo().Line(0), "$C:\\a\\");
  EXPECT_EQ(memo().Line(1), "http://h/x.gif");
  EXPECT_EQ(memo().Line(2), "-http://h/y.gif");
  EXPECT_EQ(memo().Line(3), "");
  EXPECT_EQ(memo().Line(-1), "");

  memo().SetText("a\r\n\r\nb\r\n");
  EXPECT_EQ(memo().LineCount(), 3) << "a final line break adds no line";
  EXPECT_EQ(memo().Line(1), "");
  memo().SetText("");
  EXPECT_EQ(memo().LineCount(), 0);
}

TEST_F(MemoTest, ReplaceLineByIndex) {
  memo().SetText("a\r\nhttp://h/x.gif\r\nc");
  memo().ReplaceLine(1, "-http://h/x.gif");
  EXPECT_EQ(memo().Text(), "a\r\n-http://h/x.gif\r\nc");
  EXPECT_EQ(memo().SelStart(), 18) << "the caret ends after the replaced line";
  memo().ReplaceLine(7, "nothing");
  EXPECT_EQ(memo().Text(), "a\r\n-http://h/x.gif\r\nc");
}

TEST_F(MemoTest, NoLineBehindTheLastOneIsReplaced) {
  memo().SetText("");
  memo().ReplaceLine(0, "-z0");
  EXPECT_EQ(memo().Text(), "") << "line 0 of an empty box";
  memo().SetText("b\r\n");
  memo().ReplaceLine(1, "-b");
  EXPECT_EQ(memo().Text(), "b\r\n") << "the empty line after a final line break";
}

TEST_F(MemoTest, AMarkGoesOnlyWhereTheLineStillReadsTheSame) {
  struct Case {
    const char* text;
    int index;
    const char* expected;
    const char* after;
  } cases[] = {
      {"a\r\nx\r\nc", 1, "x", "a\r\n-x\r\nc"},
      {"$C:\\f\\\r\nx\r\n", 0, "x", "$C:\\f\\\r\nx\r\n"},  // a folder line now stands there
      {"x\r\n", 1, "x", "x\r\n"},
      {"", 0, "x", ""},
      {"-x\r\n", 0, "x", "-x\r\n"},  // marked already by a nested run
  };
  for (const Case& c : cases) {
    memo().SetText(c.text);
    EXPECT_EQ(memo().MarkLine(c.index, c.expected, "-"), std::string(c.text) != c.after) << c.text;
    EXPECT_EQ(memo().Text(), c.after) << c.text;
  }
  // The user's caret and selection stay on their text, typing goes in before
  // the mark, never into the marked line, and the mark is no edit to undo. A
  // selection made upwards keeps its anchor below, its caret above: a
  // Shift+Up under way grows on from there.
  const int selections[][5] = {{0, 0, 0, 0, 0}, {3, 0, 3, 0, 3}, {4, 0, 5, 0, 5}, {2, 3, 2, 4, 6}, {6, 1, 7, 1, 8},
                               {6, -3, 3, 4, 3}};
  for (const auto& s : selections) {
    memo().SetText("a\r\nx\r\nc");
    memo().SetSelStart(s[0]);
    memo().SetSelLength(s[1]);
    memo().MarkLine(1, "x", "-");
    EXPECT_EQ(memo().SelStart(), s[2]) << "from " << s[0];
    EXPECT_EQ(memo().SelLength(), s[3]) << "from " << s[0];
    EXPECT_EQ(memo().Caret(), static_cast<DWORD>(s[4])) << "from " << s[0];
    SendMessageW(memo().Handle(), WM_UNDO, 0, 0);
    EXPECT_EQ(memo().Text(), "a\r\n-x\r\nc") << "undo took the mark back";
  }
  // Nor does the view move, down or across: a mark far below the caret
  // leaves the lines the user sees as they were, and the box shown.
  std::string text;
  const std::string path(100, 'p');
  for (int i = 0; i < 200; ++i) text += "http://h/" + path + std::to_string(i + 100) + ".gif\r\n";
  form->Show();
  const HWND box = memo().Handle();
  memo().SetText(text);
  memo().SetSelStart(static_cast<int>(text.size()));
  SendMessageW(box, EM_LINESCROLL, 0, 50 - SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0));
  SendMessageW(box, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 60), 0);
  const LRESULT firstLine = SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0);
  const int across = GetScrollPos(box, SB_HORZ);
  EXPECT_TRUE(memo().MarkLine(150, "http://h/" + path + "250.gif", "-"));
  EXPECT_EQ(SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0), firstLine);
  EXPECT_EQ(GetScrollPos(box, SB_HORZ), across);
  EXPECT_TRUE(IsWindowVisible(box));
}

// What the box tells of the user's changes, line by line, with the caret's
// place: a line break typed or pasted right before the caret says so.
TEST_F(MemoTest, TellsWhatTheUserChanged) {
  // Each change as "first line, column: lines before > lines after, caret line (+ a line break before it)".
  struct Recorder : ui::MemoWatcher {
    void UserChanged(const ui::LineChange& c) override {
      told += std::to_string(c.first) + "," + std::to_string(c.column) + ":";
      for (const std::string& line : c.before) told += line + "|";
      told += ">";
      for (const std::string& line : c.after) told += line + "|";
      told += std::to_string(c.caretLine) + (c.lineBreakBeforeCaret ? "+" : "");
    }
    std::string told;
  } recorder;
  form->AllImageListMemo.Watch(&recorder);
  const struct { const char* text; int caret; wchar_t key; const char* told; } cases[] = {
      {"a\r\nc", 1, L'b', "0,1:a|>ab|0"},
      {"ab\r\nc", 2, L'\r', "0,2:ab|>ab||1+"},
      {"ab\r\n\r\nc", 2, L'\r', "0,2:ab|>ab||1+"},  // the line break typed, not the one after it
  };
  for (const auto& c : cases) {
    form->AllImageListMemo.SetText(c.text);
    form->AllImageListMemo.SetSelStart(c.caret);
    recorder.told.clear();
    SendMessageW(form->AllImageListMemo.Handle(), WM_CHAR, c.key, 1);
    EXPECT_EQ(recorder.told, c.told) << c.text;
  }
  form->AllImageListMemo.Watch(nullptr);
}

TEST_F(MemoTest, LinesCarryCharactersOutsideTheCodePagePercentEncoded) {
  struct Case {
    const wchar_t* shown;
    const char* read;
  } cases[] = {
      {L"http://h/a.gif", "http://h/a.gif"},
      {L"http://h/\u56FE.gif", "http://h/\xcd\xbc.gif"},  // GBK text comes out as before
      {L"http://h/\uD55C.gif", "http://h/%ED%95%9C.gif"},
      {L"http://h/\U0001F600\u56FE.gif", "http://h/%F0%9F%98%80\xcd\xbc.gif"},
      {L"http://h/\xD800x.gif", "http://h/%EF%BF%BDx.gif"},  // a lone surrogate
  };
  for (const Case& c : cases) {
    memo().SetWideText(std::wstring(c.shown) + L"\r\n");
    EXPECT_EQ(memo().Line(0), c.read);
    EXPECT_EQ(memo().Lines(), std::vector<std::string>{c.read});
  }
}

TEST_F(MemoTest, AppendLine) {
  memo().AppendLine("x");
  EXPECT_EQ(memo().Text(), "x\r\n");
  memo().AppendLine("y");
  EXPECT_EQ(memo().Text(), "x\r\ny\r\n");
  memo().SetText("a");
  memo().AppendLine("b");
  EXPECT_EQ(memo().Text(), "a\r\nb");
  EXPECT_EQ(memo().LineCount(), 2);
}

TEST_F(MemoTest, ReplaceSelectionAtCaret) {
  memo().SetText("http://h/a.gif");
  memo().SetSelStart(4);
  memo().SetSelLength(0);
  memo().ReplaceSelection("\r\n$C:\\\r\n");
  EXPECT_EQ(memo().Text(), "http\r\n$C:\\\r\n://h/a.gif");
  EXPECT_EQ(memo().SelStart(), 12);
}

// Another program's WM_SETTEXT sends no EN_CHANGE to a multi-line box; a
// text of the same length must still move the revision.
TEST_F(MemoTest, TextSetFromOutsideMovesTheRevision) {
  memo().SetText("$C:\\a\\\r\nx.gif\r\n");
  const unsigned read = memo().Revision();
  SendMessageW(memo().Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"$C:\\b\\\r\nx.gif\r\n"));
  EXPECT_NE(memo().Revision(), read);
  EXPECT_EQ(memo().Revision(), memo().Revision()) << "it moves only with a change";
}

TEST_F(MemoTest, HoldsTextFarBeyondTheDefaultLimit) {
  std::string text;
  for (int i = 0; text.size() < (1500u << 10); ++i) text += "http://host.example/images/" + std::to_string(i) + ".gif\r\n";
  memo().SetText(text);
  EXPECT_EQ(memo().Text().size(), text.size());
  memo().AppendLine("http://host.example/last.gif");
  const int count = memo().LineCount();
  EXPECT_EQ(memo().Line(count - 1), "http://host.example/last.gif");
}

TEST_F(MemoTest, AnsiTextMeetsTheControlInTheCodePage) {
  // "图片" in GBK, shown as the Unicode characters.
  memo().SetText("\xcd\xbc\xc6\xac.gif");
  EXPECT_EQ(memo().WideText(), L"图片.gif");
  EXPECT_EQ(memo().Line(0), "\xcd\xbc\xc6\xac.gif");
  // A character that code page 936 lacks comes back as the replacement "?".
  memo().SetWideText(L"\U0001F600\u4e00");
  EXPECT_EQ(memo().Text(), "??\xd2\xbb");
}

}  // namespace
