// The type filter between the two lists, on the real controls.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FakePageProcess.h"
#include "MessageWatch.h"
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

// Double-byte characters of code page 936 whose trail byte is a "\".
const char* const kBackslashTrails[] = {"\x81\x5c", "\x8a\x5c", "\x95\x5c", "\xb1\x5c", "\xfe\x5c"};

// Text of code page 936 as the page's markup carries it, or empty text when
// it does not come back the same from Unicode.
std::string Utf8FromCodePage(const std::string& text) {
  wchar_t wide[64] = {};
  const int length =
      MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide, 64);
  char back[128] = {};
  const int backLength = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide, length, back, 128, nullptr, nullptr);
  if (length <= 0 || std::string(back, static_cast<std::size_t>(backLength)) != text) return std::string();
  char utf8[256] = {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8, 256, nullptr, nullptr);
  return std::string(utf8, static_cast<std::size_t>(size));
}

// A page longer than one slice reaches the list in several, and whatever
// runs between them (a type change, a second pick) reads the list as it
// stands. The list ends as one append would leave it, also after a list
// that ends on a double-byte character whose trail byte is a "\", and each
// such character of the page goes out as a browser sends it.
TEST_F(FilterImageListTest, ASlicedAppendEndsAsOneAppendWould) {
  constexpr int kImages = 4500;  // more than the 4,000 lines of a slice
  const std::string folder = "http://host.example/dir/";
  std::string markup = "<html><body>";
  std::string lines;
  for (int i = 0; i < kImages; ++i) {
    const std::string character = kBackslashTrails[i % 5];
    // The character right after the opening quote, or right before the closing one.
    const std::string value = i % 2 ? std::to_string(i) + ".gif?" + character : character + std::to_string(i) + ".gif";
    const std::string written = Utf8FromCodePage(value);
    ASSERT_FALSE(written.empty()) << "not text of code page 936: " << value;
    markup += "<img src=\"" + written + "\">";
    std::string escaped;
    for (const char c : written) {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(c));
      escaped += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : std::string(escape);
    }
    lines += folder + escaped + "\r\n";
  }
  markup += "</body></html>";
  struct Case {
    const char* name;
    std::string held;  // what the Collected list holds before the pick
    std::string after;
  } cases[] = {
      {"an empty list", "", lines + "\r\n"},
      {"a list that ends with a line break", "http://h/\x81\x5c.gif\r\n",
       "http://h/\x81\x5c.gif\r\n" + lines + "\r\n"},
      {"a list that ends on a trail byte", "http://h/\x81\x5c", "http://h/\x81\x5c\r\n" + lines},
  };
  FakePageProcess page(markup, L"http://host.example/dir/page.htm");
  ASSERT_NE(page.PageWindow(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->ClearListBtnClick();
    form->AllImageListMemo.SetText(c.held);
    // What each edit brings into the list: a long append goes in slices.
    std::vector<std::wstring> slices;
    testsupport::MessageWatch collected(form->AllImageListMemo.Handle(), EM_REPLACESEL,
                                        [&slices](WPARAM, LPARAM text) {
                                          if (text) slices.emplace_back(reinterpret_cast<const wchar_t*>(text));
                                        });
    form->ReadBrowserPage(page.PageWindow());
    EXPECT_GT(slices.size(), 1u) << "the append went in one piece";
    EXPECT_EQ(form->AllImageListMemo.Text(), c.after);
  }
  page.Finish();
}

}  // namespace
