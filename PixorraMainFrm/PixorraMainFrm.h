// The main window of Pixorra: its controls hold the program's whole state.
#pragma once

#include <windows.h>
#include <mshtml.h>

#include <memory>
#include <string>
#include <vector>

#include "Bevel.h"
#include "Button.h"
#include "ComboBox.h"
#include "CopyServices.h"
#include "DownloadList.h"
#include "Font.h"
#include "Label.h"
#include "Memo.h"
#include "Operations.h"
#include "Panel.h"
#include "PointerServices.h"
#include "ProgressBar.h"
#include "TargetFiles.h"
#include "TaskbarButton.h"
#include "Window.h"

// One message as the window procedure sees it; `result` is what it returns.
struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

class TPixorraMainForm : public ui::Window {
 public:
  // `pointer` serves the cursor and pointer calls of a pick, `taskbar` the
  // window's taskbar button (the system's when null), `copies` the copy of
  // an image into its folder; tests pass their own.
  explicit TPixorraMainForm(PointerServices& pointer = PointerServices::System(), TaskbarButton* taskbar = nullptr,
                            CopyServices& copies = CopyServices::System());
  ~TPixorraMainForm() override;

  void Show();

  ui::Panel Panel1;
  ui::Label Label2;
  ui::Label Label1;
  ui::ComboBox FileTypeComboBox;
  ui::Button DownloadBtn;
  ui::Label SavePathLabel;
  ui::Button SavePathBtn;
  ui::Button ClearListBtn;
  ui::Bevel Bevel3;
  ui::Bevel Bevel2;
  ui::Bevel Bevel1;
  ui::Label Label4;
  ui::Label UrlLabel;
  ui::ProgressBar SingFileProgressBar;
  ui::Memo ImageListMemo;
  ui::Memo AllImageListMemo;
  // The download list behind ImageListMemo: its lines, the program's marks
  // and the line the user has open. Every change of the program's goes
  // through it.
  DownloadList Downloads{ImageListMemo, SavePathLabel};

  // Event handlers.
  void Label2Click();
  void FileTypeComboBoxChange();
  void SavePathBtnClick();
  void DownloadBtnClick();
  void ClearListBtnClick();

  // Reads the page shown by a picked window and collects its images; refused
  // and unreadable windows add nothing.
  virtual void ReadBrowserPage(HWND window);
  // Scans a read page for images: the Collected list gets them all, the
  // download list those of the chosen type that it does not hold yet.
  void AddPageImages(std::string pageAddress, IHTMLDocument2* document);
  void FilterImageList();

  // Works through the download list from the top: each image goes into the
  // folder that the nearest folder line above it names, done lines are
  // skipped, saved images are marked done.
  void DownloadImageList();
  // Saves one image into `folder` through the URL cache; the saved file's
  // path, or empty text when it was not saved.
  std::string DownloadImage(std::string folder, std::string address);
  // Where an image is in the URL cache: the file name the cache records,
  // which the saved file takes, and the file to copy, which may be that name
  // decoded. Empty when the image could not be had, and `failure` says why.
  struct CachedImage {
    std::wstring recorded;
    std::wstring file;
    FailureReason failure;
  };
  // The two halves of DownloadImage: the image into the URL cache, then from
  // there into a folder (the saved file, or why not).
  CachedImage FetchImage(std::string address);
  WrittenImage CopyFromCache(const std::wstring& folder, const CachedImage& image);

  // What runs now, inside what, and how long the program waits for others.
  Operations& OperationsModel() { return operations_; }

  // The picking state: a copy of the system arrow made at arming, the window's
  // left edge before it moved away, and the two steps of a pick.
  HCURSOR SavedArrowCursor = nullptr;
  int SavedLeft = 0;
  bool Armed = false;
  bool Picking = false;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // The standard processing first, then the program's own messages.
  virtual void WndProc(TMessage& message);

 private:
  void CreateControls();
  void AlignControls();
  // Scales the layout and the font to `dpi`.
  void ApplyDpi(int dpi);
  void DpiChanged(TMessage& message);
  // Standard processing of the main window.
  void Inherited(TMessage& message);

  // WM_CAPTURECHANGED: the picking step.
  void CaptureChanged(TMessage& message);
  // Gives the saved copy of the arrow back to the system, if there is one.
  void RestoreSystemArrow();
  // Back to Idle, if `pick` still owns the pick state: the arrow restored,
  // the capture given up, the window at its place again.
  void EndPick(Operations::Pick& pick);
  // Pending messages go through between two slices of a long append; false
  // when the rest of it is not wanted any more.
  bool LetThroughBetweenSlices(const Operations::ListAppend& append);
  // A key pressed anywhere in the window, before its control gets it: true
  // when the window took it (Esc, but for the type selector's open list).
  bool EscapePressed(const MSG& key);
  // The progress message of a transfer.
  void ProgressMessage(TMessage& message);
  // The watch message, sent while a call into a page or a transfer is under
  // way: ends a pick whose page does not answer, gives up a transfer whose
  // server stays silent, and keeps the window answering meanwhile.
  void OperationsWatch();

  // A panel control and its place in the 96-DPI layout.
  struct Place {
    HWND control;
    ui::Bounds design;
  };
  std::vector<Place> places_;
  int dpi_ = 96;
  std::unique_ptr<ui::Font> font_;
  PointerServices* pointer_;
  std::unique_ptr<TaskbarButton> ownTaskbar_;
  TaskbarButton* taskbar_;
  CopyServices* copies_;
  // The shell's message that the window's taskbar button exists.
  UINT taskbarButtonCreated_;
  // What runs now, inside what: see Operations.h.
  Operations operations_;
  // What the label said at the end of the last outermost run, with fewer
  // causes each, for the width: said again when the caret leaves a failed
  // line.
  std::vector<std::wstring> endOfRun_;
};

// The program's main window once it is created.
extern TPixorraMainForm* PixorraMainForm;
