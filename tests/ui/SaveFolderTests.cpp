// Choosing save folders through the system's folder browser.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FolderBrowser.h"
#include "PixorraMainFrm.h"
#include "WindowTestSupport.h"

namespace {

class SaveFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    folder = std::string(temp) + "pixorra-folder-" + std::to_string(GetTickCount64());
    CreateDirectoryA(folder.c_str(), nullptr);
    form = std::make_unique<TPixorraMainForm>();
  }
  void TearDown() override {
    form.reset();
    RemoveDirectoryA(folder.c_str());
  }

  // Clicks the save-path button and answers the browser with `choice`.
  void Choose(const std::string& choice) {
    FolderBrowserDriver driver(std::wstring(choice.begin(), choice.end()));
    SendMessageW(form->SavePathBtn.Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(driver.WaitAnswered(20000));
    EXPECT_NE(driver.Texts().find(L"保存路径"), std::wstring::npos) << "the browser shows the title";
  }

  std::string folder;  // without its final "\"
  std::unique_ptr<TPixorraMainForm> form;
};

TEST_F(SaveFolderTest, TheFirstChoiceGoesToTheTopWhereverTheCaretIs) {
  form->ImageListMemo.SetText("http://h/a.gif\r\nhttp://h/b.gif");
  form->ImageListMemo.SetSelStart(20);
  Choose(folder);
  EXPECT_EQ(form->SavePathLabel.Text(), folder + "\\");
  EXPECT_EQ(form->ImageListMemo.Text(), "\r\n$" + folder + "\\\r\nhttp://h/a.gif\r\nhttp://h/b.gif");
}

TEST_F(SaveFolderTest, LaterChoicesSplitTheLineAtTheCaret) {
  form->SavePathLabel.SetText("C:\\before\\");
  form->ImageListMemo.SetText("http://h/a.gif");
  form->ImageListMemo.SetSelStart(4);
  form->ImageListMemo.SetSelLength(5);  // the selection collapses to its start
  Choose(folder);
  EXPECT_EQ(form->ImageListMemo.Text(), "http\r\n$" + folder + "\\\r\n://h/a.gif");
  EXPECT_EQ(form->ImageListMemo.SelStart(), static_cast<int>(4 + 2 + 1 + folder.size() + 1 + 2));
  EXPECT_EQ(form->SavePathLabel.Text(), folder + "\\");
}

// Done lines that a choice moves to another folder, or splits, lose their
// mark: their images are not where the list now says. Only the marks a run
// made, each with the folder it saved into: a "-" the user typed stays.
TEST_F(SaveFolderTest, DoneLinesAChoiceMovesLoseTheirMark) {
  const std::string chosen = folder + "\\", here = "$" + chosen + "\r\n";
  struct Case {
    std::string saveFolder, list;
    std::size_t caret;
    std::string after;
    std::vector<std::pair<std::string, std::string>> made;  // marks a run made, and where
  } cases[] = {
      {chosen, "$C:\\ab\\\r\n-x.gif\r\n", 1, "$\r\n" + here + "C:\\ab\\\r\nx.gif\r\n", {{"-x.gif", "C:\\ab\\"}}},
      {chosen, here + "-h/a-b.gif\r\n", here.size() + 4, here + "h/a\r\n" + here + "b.gif\r\n", {{"-h/a-b.gif", chosen}}},
      {chosen, "$C:\\o\\\r\n-a.gif\r\n-b.gif\r\n", 14, "$C:\\o\\\r\n-a.gif\r\n" + here + "\r\nb.gif\r\n",
       {{"-a.gif", "C:\\o\\"}, {"-b.gif", "C:\\o\\"}}},
      {"C:\\before\\", "-a.gif\r\n$C:\\o\\\r\n-b.gif\r\n", 24, "a.gif\r\n$C:\\o\\\r\n-b.gif\r\n\r\n" + here,
       {{"-a.gif", "C:\\before\\"}, {"-b.gif", "C:\\o\\"}}},
      {"C:\\before\\", "-mine.gif\r\n-a.gif\r\n", 0, "\r\n" + here + "-mine.gif\r\na.gif\r\n",
       {{"-a.gif", "C:\\before\\"}}},
  };
  for (const Case& c : cases) {
    form->Downloads.Marks().Forget();
    for (const auto& mark : c.made) form->Downloads.Marks().Made(mark.first, mark.second);
    form->SavePathLabel.SetText(c.saveFolder);
    form->ImageListMemo.SetText(c.list);
    form->ImageListMemo.SetSelStart(static_cast<int>(c.caret));
    Choose(folder);
    EXPECT_EQ(form->ImageListMemo.Text(), c.after) << c.list;
  }
}

TEST_F(SaveFolderTest, ADriveRootKeepsItsOneBackslash) {
  Choose("C:\\");
  EXPECT_EQ(form->SavePathLabel.Text(), "C:\\");
  EXPECT_EQ(form->ImageListMemo.Text(), "\r\n$C:\\\r\n");
}

TEST_F(SaveFolderTest, CancellingChangesNothing) {
  form->SavePathLabel.SetText("C:\\kept\\");
  form->ImageListMemo.SetText("x");
  Choose("");
  EXPECT_EQ(form->SavePathLabel.Text(), "C:\\kept\\");
  EXPECT_EQ(form->ImageListMemo.Text(), "x");
}

}  // namespace
