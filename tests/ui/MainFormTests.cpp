// The main window as the user meets it, read back from the real controls.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

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

struct ControlRow {
  const char* name;
  HWND (*handle)(TPixorraMainForm&);
  const wchar_t* className;
  RECT bounds;  // left, top, right, bottom in the parent
  const wchar_t* text;
  bool visible;
};

#define CONTROL(field) #field, [](TPixorraMainForm& f) { return f.field.Handle(); }

const ControlRow kControls[] = {
    {CONTROL(Label2), L"Static", {8, 8, 74, 56}, L"点我获取", true},
    {CONTROL(Label1), L"Static", {88, 11, 148, 24}, L"图片类型：", true},
    {CONTROL(DownloadBtn), L"Button", {88, 33, 163, 58}, L"下载图片", true},
    {CONTROL(SavePathLabel), L"Static", {272, 35, 303, 48}, L"", false},
    {CONTROL(SavePathBtn), L"Button", {285, 33, 360, 58}, L"保存路径", true},
    {CONTROL(ClearListBtn), L"Button", {374, 33, 449, 58}, L"清空列表", true},
    {CONTROL(Bevel3), L"PixorraBevel", {80, 8, 105, 56}, L"", true},
    {CONTROL(Bevel2), L"PixorraBevel", {351, 35, 368, 56}, L"", true},
    {CONTROL(Bevel1), L"PixorraBevel", {8, 62, 450, 76}, L"", true},
    {CONTROL(Label4), L"Static", {8, 71, 97, 84}, L"当前文件进度：", true},
    {CONTROL(UrlLabel), L"Static", {96, 72, 449, 85}, L"", true},
    {CONTROL(SingFileProgressBar), L"msctls_progress32", {8, 90, 449, 107}, L"", true},
    {CONTROL(Panel1), L"PixorraPanel", {0, 0, 458, 113}, L"", true},
    {CONTROL(ImageListMemo), L"Edit", {0, 113, 458, 300}, L"", true},
    {CONTROL(AllImageListMemo), L"Edit", {0, 191, 185, 280}, L"", false},
};

TEST_F(MainFormTest, EveryControlInPlace) {
  for (const ControlRow& row : kControls) {
    SCOPED_TRACE(row.name);
    HWND control = row.handle(*form);
    ASSERT_TRUE(IsWindow(control));
    EXPECT_EQ(ClassName(control), row.className);
    const RECT rect = RectInParent(control);
    EXPECT_EQ(rect.left, row.bounds.left);
    EXPECT_EQ(rect.top, row.bounds.top);
    EXPECT_EQ(rect.right, row.bounds.right);
    EXPECT_EQ(rect.bottom, row.bounds.bottom);
    EXPECT_EQ(WindowText(control), row.text);
    EXPECT_EQ(IsWindowVisible(control) != FALSE, row.visible);
  }
  // The combo box's closed height is the system's; its place and width are ours.
  const RECT combo = RectInParent(form->FileTypeComboBox.Handle());
  EXPECT_EQ(combo.left, 151);
  EXPECT_EQ(combo.top, 8);
  EXPECT_EQ(combo.right - combo.left, 298);
  EXPECT_EQ(GetParent(form->FileTypeComboBox.Handle()), form->Panel1.Handle());
  EXPECT_EQ(GetParent(form->Label2.Handle()), form->Panel1.Handle());
  EXPECT_EQ(GetParent(form->ImageListMemo.Handle()), form->Handle());
}

TEST_F(MainFormTest, WindowCaptionPlaceSizeAndStayOnTop) {
  HWND window = form->Handle();
  EXPECT_EQ(WindowText(window), L"Pixorra");
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 458);
  EXPECT_EQ(client.bottom, 300);
  RECT frame;
  GetWindowRect(window, &frame);
  EXPECT_EQ(frame.left, 0);
  EXPECT_EQ(frame.top, 0);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(GetClassLongPtrW(window, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
}

TEST_F(MainFormTest, TahomaEightPoint) {
  for (HWND control : {form->Label2.Handle(), form->DownloadBtn.Handle(), form->ImageListMemo.Handle(),
                       form->FileTypeComboBox.Handle()}) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW logFont = {};
    GetObjectW(font, sizeof(logFont), &logFont);
    EXPECT_EQ(logFont.lfHeight, -11);
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
  const RECT panel = RectInParent(form->Panel1.Handle());
  EXPECT_EQ(panel.left, 0);
  EXPECT_EQ(panel.top, 0);
  EXPECT_EQ(panel.right, 700);
  EXPECT_EQ(panel.bottom, 113);
  const RECT list = RectInParent(form->ImageListMemo.Handle());
  EXPECT_EQ(list.left, 0);
  EXPECT_EQ(list.top, 113);
  EXPECT_EQ(list.right, 700);
  EXPECT_EQ(list.bottom, 500);
  // The controls inside the panel keep their places.
  EXPECT_EQ(RectInParent(form->ClearListBtn.Handle()).left, 374);
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
