// The type filter between the two lists, on the real controls.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "Functions.h"
#include "PixorraMainFrm.h"
#include "WindowTestSupport.h"

namespace {

class FilterImageListTest : public testing::Test {
 protected:
  void SetUp() override { form = std::make_unique<TPixorraMainForm>(); }

  // Picks an item of the type selector as a user does with the mouse.
  void ChooseType(int item) {
    HWND combo = form->FileTypeComboBox.Handle();
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  }

  // Types into the selector's edit box, one character at a time.
  void TypeType(const wchar_t* text) {
    HWND edit = FindWindowExW(form->FileTypeComboBox.Handle(), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    for (const wchar_t* c = text; *c; ++c) SendMessageW(edit, WM_CHAR, *c, 0);
  }

  std::unique_ptr<TPixorraMainForm> form;
};

TEST_F(FilterImageListTest, ChangingTheTypeAppendsBelow) {
  form->AllImageListMemo.SetText(
      "http://h/a.gif\r\nhttp://h/b.png\r\nhttp://h/c.GIF\r\nhttp://h/a.gif\r\n\r\nhttp://h/img\r\n");
  EXPECT_EQ(form->ImageListMemo.Text(), "") << "an empty type lets nothing through";
  ChooseType(0);  // .gif
  EXPECT_EQ(form->FileTypeComboBox.Text(), ".gif");
  EXPECT_EQ(form->ImageListMemo.Text(), "http://h/a.gif\r\nhttp://h/c.GIF\r\n");
  ChooseType(1);  // .png
  EXPECT_EQ(form->ImageListMemo.Text(), "http://h/a.gif\r\nhttp://h/c.GIF\r\nhttp://h/b.png\r\n");
  ChooseType(0);
  EXPECT_EQ(form->ImageListMemo.Text(), "http://h/a.gif\r\nhttp://h/c.GIF\r\nhttp://h/b.png\r\n");
}

TEST_F(FilterImageListTest, TypedTextFiltersAsItIsTyped) {
  form->AllImageListMemo.SetText("http://h/x.jpe\r\nhttp://h/y.jpeg\r\nhttp://h/z.jpg\r\n");
  TypeType(L".jpe");
  // ".J" and ".JP" let .jpe... no: the extension must occur in what was typed.
  EXPECT_EQ(form->FileTypeComboBox.Text(), ".jpe");
  EXPECT_EQ(form->ImageListMemo.Text(), "http://h/x.jpe\r\n");
  TypeType(L"g");
  EXPECT_EQ(form->ImageListMemo.Text(), "http://h/x.jpe\r\nhttp://h/y.jpeg\r\n");
}

TEST_F(FilterImageListTest, DoneAndExistingLinesInAnyCaseAreNotAddedAgain) {
  form->ImageListMemo.SetText("$C:\\pics\\\r\n-HTTP://H/A.GIF\r\nhttp://h/B.gif");
  form->AllImageListMemo.SetText("http://h/a.gif\r\nhttp://h/b.gif\r\nhttp://h/c.gif\r\n");
  form->FileTypeComboBox.SetText(".gif");
  form->FilterImageList();
  EXPECT_EQ(form->ImageListMemo.Text(), "$C:\\pics\\\r\n-HTTP://H/A.GIF\r\nhttp://h/B.gif\r\nhttp://h/c.gif");
}

TEST_F(FilterImageListTest, ClearingKeepsTheSaveFolder) {
  form->SavePathLabel.SetText("C:\\pics\\");
  form->AllImageListMemo.SetText("http://h/a.gif\r\n");
  form->ImageListMemo.SetText("http://h/a.gif\r\n");
  form->ClearListBtnClick();
  EXPECT_EQ(form->AllImageListMemo.Text(), "");
  EXPECT_EQ(form->ImageListMemo.Text(), "");
  EXPECT_EQ(form->SavePathLabel.Text(), "C:\\pics\\");
}

TEST_F(FilterImageListTest, TwentyThousandAgainstTwentyThousandLines) {
  std::string collected;
  std::string list;
  for (int i = 0; i < 20000; ++i) {
    collected += "http://host.example/new/" + std::to_string(i) + ".gif\r\n";
    list += "http://host.example/old/" + std::to_string(i) + ".gif\r\n";
  }
  form->AllImageListMemo.SetText(collected);
  form->ImageListMemo.SetText(list);
  form->FileTypeComboBox.SetText(".gif");
  form->FilterImageList();
  EXPECT_EQ(form->ImageListMemo.LineCount(), 40000);
  EXPECT_EQ(form->ImageListMemo.Line(39999), "http://host.example/new/19999.gif");
}

// A pick removes the quotes from its new lines before it appends them; it
// used to append them and then remove every quote from the whole list. Both
// ways must give the same list, also with double-byte characters whose trail
// byte is a "\" or any other byte next to a quote.
TEST_F(FilterImageListTest, QuotesGoBeforeTheAppendAsTheyWouldAfterIt) {
  std::mt19937 random(20261207);
  auto piece = [&]() -> std::string {
    switch (random() % 6) {
      case 0: return "\"";
      case 1: return "\r\n";
      case 2: {
        // A double-byte character of code page 936.
        const char lead = static_cast<char>(0x81 + random() % 0x7E);
        char trail = static_cast<char>(0x40 + random() % 0xBF);
        if (trail == 0x7F) trail = 0x5C;
        return std::string{lead, trail};
      }
      default: return std::string(1, "htp:/.gifx\\"[random() % 12]);
    }
  };
  auto text = [&](std::size_t pieces, bool quotes) {
    std::string made;
    while (made.size() < pieces) {
      std::string next = piece();
      if (next == "\"" && !quotes) continue;
      made += next;
    }
    return made;
  };
  ui::Memo& before = form->AllImageListMemo;
  ui::Memo& after = form->ImageListMemo;
  for (int round = 0; round < 300; ++round) {
    // What the list holds: no quote, after a completed pick.
    std::string held = text(random() % 40, false);
    if (random() % 2) held += "\r\n";
    // What a scan returns: lines, each ending with a line break.
    std::string scanned = text(random() % 40, true) + "\r\n";
    before.SetText(held);
    before.AppendLine(scanned);
    after.SetText(held);
    after.AppendLine(ReplaceAll("\"", scanned, ""));
    ASSERT_EQ(after.Text(), ReplaceAll("\"", before.Text(), "")) << testing::PrintToString(held) << " + "
                                                                  << testing::PrintToString(scanned);
  }
}

}  // namespace
