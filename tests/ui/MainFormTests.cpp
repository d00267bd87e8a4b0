// The main window as the user meets it, read back from the real controls.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "ChildProcess.h"
#include "ExeFolder.h"
#include "PixorraMainFrm.h"
#include "WindowTestSupport.h"

namespace {

using testsupport::ClassName;
using testsupport::RectInParent;
using testsupport::WindowText;

class MainFormTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TPixorraMainForm>();
    form->Show();
    testsupport::PumpMessages();
  }
  void TearDown() override {
    form.reset();
    testsupport::PumpMessages();
  }
  std::unique_ptr<TPixorraMainForm> form;
};

// The screen's DPI as Wine reports it: 96 unless its registry says otherwise.
int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// The screen DPIs the layout is written down for, with what else scales at
// each; kControls holds the controls' places at each, in this order.
struct DpiRow {
  int dpi;
  int fontHeight;  // Tahoma 8 point: -11 at 96 DPI
  int comboLeft;   // the combo box's closed height is the system's; its place and width are ours
  int comboTop;
  int comboWidth;
  int clientWidth;
  int clientHeight;
};

const DpiRow kDpiRows[] = {
    {96, -11, 151, 8, 298, 458, 300},
    {144, -17, 227, 12, 447, 687, 450},
    {192, -22, 302, 16, 596, 916, 600},
};

// The column for `dpi`, or -1.
int DpiColumn(int dpi) {
  for (int column = 0; column < 3; ++column) {
    if (kDpiRows[column].dpi == dpi) return column;
  }
  return -1;
}

struct ControlRow {
  const char* name;
  HWND (*handle)(TPixorraMainForm&);
  const wchar_t* className;
  // Left, top, right and bottom in the parent, one per row of kDpiRows. Each
  // length of the 96-DPI layout (place, width, height) is scaled by DPI / 96
  // and rounded half away from zero, as MulDiv does; right is the scaled left
  // plus the scaled width. The panel and the list fill the client area.
  RECT bounds[3];
  const wchar_t* text;
  bool visible;
};

#define CONTROL(field) #field, [](TPixorraMainForm& f) { return f.field.Handle(); }

const ControlRow kControls[] = {
    {CONTROL(Label2), L"Static", {{8, 8, 74, 56}, {12, 12, 111, 84}, {16, 16, 148, 112}}, L"点我获取", true},
    {CONTROL(Label1), L"Static", {{88, 11, 148, 24}, {132, 17, 222, 37}, {176, 22, 296, 48}}, L"图片类型：", true},
    {CONTROL(DownloadBtn), L"Button", {{88, 33, 163, 58}, {132, 50, 245, 88}, {176, 66, 326, 116}}, L"下载图片", true},
    {CONTROL(SavePathLabel), L"Static", {{272, 35, 303, 48}, {408, 53, 455, 73}, {544, 70, 606, 96}}, L"", false},
    {CONTROL(SavePathBtn), L"Button", {{285, 33, 360, 58}, {428, 50, 541, 88}, {570, 66, 720, 116}}, L"保存路径", true},
    {CONTROL(ClearListBtn), L"Button", {{374, 33, 449, 58}, {561, 50, 674, 88}, {748, 66, 898, 116}}, L"清空列表", true},
    {CONTROL(Bevel3), L"PixorraBevel", {{80, 8, 105, 56}, {120, 12, 158, 84}, {160, 16, 210, 112}}, L"", true},
    {CONTROL(Bevel2), L"PixorraBevel", {{351, 35, 368, 56}, {527, 53, 553, 85}, {702, 70, 736, 112}}, L"", true},
    {CONTROL(Bevel1), L"PixorraBevel", {{8, 62, 450, 76}, {12, 93, 675, 114}, {16, 124, 900, 152}}, L"", true},
    {CONTROL(Label4), L"Static", {{8, 71, 97, 84}, {12, 107, 146, 127}, {16, 142, 194, 168}}, L"当前文件进度：", true},
    {CONTROL(UrlLabel), L"Static", {{96, 72, 449, 85}, {144, 108, 674, 128}, {192, 144, 898, 170}}, L"", true},
    {CONTROL(SingFileProgressBar), L"msctls_progress32", {{8, 90, 449, 107}, {12, 135, 674, 161}, {16, 180, 898, 214}},
     L"", true},
    {CONTROL(Panel1), L"PixorraPanel", {{0, 0, 458, 113}, {0, 0, 687, 170}, {0, 0, 916, 226}}, L"", true},
    {CONTROL(ImageListMemo), L"Edit", {{0, 113, 458, 300}, {0, 170, 687, 450}, {0, 226, 916, 600}}, L"", true},
    {CONTROL(AllImageListMemo), L"Edit", {{0, 191, 185, 280}, {0, 287, 278, 421}, {0, 382, 370, 560}}, L"", false},
};

const RECT& WrittenBounds(const std::string& name, int column) {
  for (const ControlRow& row : kControls) {
    if (row.name == name) return row.bounds[column];
  }
  static const RECT none = {};
  ADD_FAILURE() << "no row for " << name;
  return none;
}

void ExpectLayoutAt(TPixorraMainForm& form, int dpi) {
  const int column = DpiColumn(dpi);
  ASSERT_NE(column, -1) << "no layout written down for " << dpi << " DPI";
  for (const ControlRow& row : kControls) {
    SCOPED_TRACE(row.name);
    HWND control = row.handle(form);
    ASSERT_TRUE(IsWindow(control));
    EXPECT_EQ(ClassName(control), row.className);
    const RECT& expected = row.bounds[column];
    const RECT rect = RectInParent(control);
    EXPECT_EQ(rect.left, expected.left);
    EXPECT_EQ(rect.top, expected.top);
    EXPECT_EQ(rect.right, expected.right);
    EXPECT_EQ(rect.bottom, expected.bottom);
    EXPECT_EQ(WindowText(control), row.text);
    EXPECT_EQ(IsWindowVisible(control) != FALSE, row.visible);
  }
  const DpiRow& scaled = kDpiRows[column];
  const RECT combo = RectInParent(form.FileTypeComboBox.Handle());
  EXPECT_EQ(combo.left, scaled.comboLeft);
  EXPECT_EQ(combo.top, scaled.comboTop);
  EXPECT_EQ(combo.right - combo.left, scaled.comboWidth);
  RECT client;
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, scaled.clientWidth);
  EXPECT_EQ(client.bottom, scaled.clientHeight);
}

// At the screen's DPI: 96 in the suite's own run, 144 and 192 when the DPI
// test below runs this test again in a process of its own.
TEST_F(MainFormTest, EveryControlInPlace) {
  ExpectLayoutAt(*form, ScreenDpi());
  std::printf("    the layout at %d DPI\n", ScreenDpi());
  EXPECT_EQ(GetParent(form->FileTypeComboBox.Handle()), form->Panel1.Handle());
  EXPECT_EQ(GetParent(form->Label2.Handle()), form->Panel1.Handle());
  EXPECT_EQ(GetParent(form->ImageListMemo.Handle()), form->Handle());
}

TEST_F(MainFormTest, ADpiChangeScalesTheLayoutIntoTheSuggestedRectangle) {
  struct Case {
    int dpi;
    RECT suggested;  // the frame around the scaled client area, as the system would suggest it
    int panelHeight;
    int progressBarRight;
    int fontHeight;
  } cases[] = {
      {120, {30, 20, 30 + 593, 20 + 428}, 141, 561, -14},
      {144, {30, 20, 30 + 711, 20 + 513}, 170, 674, -17},
      {240, {30, 20, 30 + 1185, 20 + 855}, 283, 1123, -28},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi), reinterpret_cast<LPARAM>(&c.suggested));
    RECT frame;
    GetWindowRect(form->Handle(), &frame);
    EXPECT_EQ(frame.left, 30);
    EXPECT_EQ(frame.right, c.suggested.right);
    RECT client;
    GetClientRect(form->Handle(), &client);
    // The panel keeps its scaled height; the list fills what the suggested
    // rectangle leaves below it.
    EXPECT_EQ(RectInParent(form->Panel1.Handle()).bottom, c.panelHeight);
    EXPECT_EQ(RectInParent(form->ImageListMemo.Handle()).bottom, client.bottom);
    EXPECT_EQ(RectInParent(form->SingFileProgressBar.Handle()).right, c.progressBarRight);
    LOGFONTW logFont = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form->Label1.Handle(), WM_GETFONT, 0, 0)), sizeof(logFont),
               &logFont);
    EXPECT_EQ(logFont.lfHeight, c.fontHeight);
  }
}

// Wine takes the screen's DPI from the registry when a process starts: the
// layout test runs again in a process of its own at 144 and 192 DPI.
TEST(DpiTest, TheLayoutScalesAt144And192Dpi) {
  HKEY desktop = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                            &desktop, nullptr),
            ERROR_SUCCESS);
  DWORD saved = 0;
  DWORD size = sizeof(saved);
  const bool hadValue =
      RegQueryValueExW(desktop, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&saved), &size) == ERROR_SUCCESS;
  for (DWORD dpi : {144u, 192u}) {
    SCOPED_TRACE(dpi);
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    testsupport::ChildProcess child;
    ASSERT_TRUE(child.Start(testsupport::Quoted(testsupport::ExePath()) + L" --gtest_filter=MainFormTest.*"));
    child.WaitForExit(120000);
    EXPECT_EQ(child.ExitCode(), 0u) << "the main window's tests failed at this DPI (their output is above)";
  }
  if (hadValue) {
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved), sizeof(saved));
  } else {
    RegDeleteValueW(desktop, L"LogPixels");
  }
  RegCloseKey(desktop);
}

TEST_F(MainFormTest, WindowCaptionPlaceSizeAndStayOnTop) {
  HWND window = form->Handle();
  EXPECT_EQ(WindowText(window), L"Pixorra");
  RECT frame;
  GetWindowRect(window, &frame);
  EXPECT_EQ(frame.left, 0);
  EXPECT_EQ(frame.top, 0);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(GetClassLongPtrW(window, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
}

TEST_F(MainFormTest, TahomaEightPoint) {
  const int column = DpiColumn(ScreenDpi());
  ASSERT_NE(column, -1) << "no layout written down for " << ScreenDpi() << " DPI";
  for (HWND control : {form->Label2.Handle(), form->DownloadBtn.Handle(), form->ImageListMemo.Handle(),
                       form->FileTypeComboBox.Handle()}) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW logFont = {};
    GetObjectW(font, sizeof(logFont), &logFont);
    EXPECT_EQ(logFont.lfHeight, kDpiRows[column].fontHeight);
    EXPECT_STREQ(logFont.lfFaceName, L"Tahoma");
  }
}

TEST_F(MainFormTest, PickLabelCentredWithThreeLineHint) {
  const LONG_PTR style = GetWindowLongPtrW(form->Label2.Handle(), GWL_STYLE);
  EXPECT_EQ(style & SS_TYPEMASK, SS_CENTER);
  EXPECT_TRUE(style & SS_CENTERIMAGE);
  const std::wstring hint =
      L"1.先“点我获取”，把鼠标放到要收集图片的网页上并点击；\r\n"
      L"2.选择“保存路径”，选择“图片类型”；\r\n"
      L"3.点击“下载图片”即可把指定的类型下载下来。";
  EXPECT_EQ(form->Label2.Hint(), hint);

  // The tooltip control itself holds the hint for the label.
  HWND tooltip = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM found) {
        if (testsupport::ClassName(window) == TOOLTIPS_CLASSW) *reinterpret_cast<HWND*>(found) = window;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tooltip));
  ASSERT_NE(tooltip, nullptr);
  wchar_t text[512] = {};
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.hwnd = form->Panel1.Handle();
  tool.uId = reinterpret_cast<UINT_PTR>(form->Label2.Handle());
  tool.lpszText = text;
  SendMessageW(tooltip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(std::wstring(text), hint);
}

TEST_F(MainFormTest, TypeSelectorItemsInOrderAndEmptyText) {
  const char* expected[] = {".gif", ".png", ".jpg", ".jpeg", ".bmp", ".ico", "*.gif|*.png|*.jpg|*.jpeg|*.bmp|*.ico"};
  ASSERT_EQ(form->FileTypeComboBox.ItemCount(), 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(form->FileTypeComboBox.Item(i), expected[i]);
  EXPECT_EQ(form->FileTypeComboBox.Text(), "");
  EXPECT_EQ(GetWindowLongPtrW(form->FileTypeComboBox.Handle(), GWL_STYLE) & 3, CBS_DROPDOWN);
}

TEST_F(MainFormTest, ListsNeverWrapAndShowBothScrollBars) {
  for (HWND memo : {form->ImageListMemo.Handle(), form->AllImageListMemo.Handle()}) {
    const LONG_PTR style = GetWindowLongPtrW(memo, GWL_STYLE);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & ES_AUTOHSCROLL);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_FALSE(style & ES_READONLY);
  }
  EXPECT_EQ(form->SingFileProgressBar.Min(), 0);
  EXPECT_EQ(form->SingFileProgressBar.Max(), 100);
  EXPECT_EQ(form->SingFileProgressBar.Position(), 0);
}

TEST_F(MainFormTest, TabOrder) {
  std::vector<HWND> panelTabStops;
  for (HWND child : testsupport::Children(form->Panel1.Handle())) {
    if (GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) panelTabStops.push_back(child);
  }
  const std::vector<HWND> expectedPanel = {form->FileTypeComboBox.Handle(), form->ClearListBtn.Handle(),
                                           form->DownloadBtn.Handle(), form->SingFileProgressBar.Handle(),
                                           form->SavePathBtn.Handle()};
  EXPECT_EQ(panelTabStops, expectedPanel);
  const std::vector<HWND> expectedWindow = {form->ImageListMemo.Handle(), form->Panel1.Handle(),
                                            form->AllImageListMemo.Handle()};
  EXPECT_EQ(testsupport::Children(form->Handle()), expectedWindow);
}

TEST_F(MainFormTest, ResizingKeepsPanelHeightAndFillsWithTheList) {
  RECT frame = {0, 0, 700, 500};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(form->Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE)));
  SetWindowPos(form->Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER);
  testsupport::PumpMessages();
  const int column = DpiColumn(ScreenDpi());
  ASSERT_NE(column, -1) << "no layout written down for " << ScreenDpi() << " DPI";
  const LONG panelHeight = WrittenBounds("Panel1", column).bottom;
  const RECT panel = RectInParent(form->Panel1.Handle());
  EXPECT_EQ(panel.left, 0);
  EXPECT_EQ(panel.top, 0);
  EXPECT_EQ(panel.right, 700);
  EXPECT_EQ(panel.bottom, panelHeight);
  const RECT list = RectInParent(form->ImageListMemo.Handle());
  EXPECT_EQ(list.left, 0);
  EXPECT_EQ(list.top, panelHeight);
  EXPECT_EQ(list.right, 700);
  EXPECT_EQ(list.bottom, 500);
  // The controls inside the panel keep their places.
  EXPECT_EQ(RectInParent(form->ClearListBtn.Handle()).left, WrittenBounds("ClearListBtn", column).left);
}

TEST_F(MainFormTest, ClearButtonEmptiesBothListsAndKeepsTheFolder) {
  form->ImageListMemo.SetText("$C:\\pics\\\r\nhttp://host.example/a.gif\r\n");
  form->AllImageListMemo.SetText("http://host.example/a.gif\r\n");
  form->SavePathLabel.SetText("C:\\pics\\");
  SendMessageW(form->ClearListBtn.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(form->ImageListMemo.Text(), "");
  EXPECT_EQ(form->AllImageListMemo.Text(), "");
  EXPECT_EQ(form->SavePathLabel.Text(), "C:\\pics\\");
}

}  // namespace
