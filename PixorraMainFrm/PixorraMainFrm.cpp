#include "PixorraMainFrm.h"

#include "Application.h"
#include "Dpi.h"
#include "DownloadProgress.h"
#include "Watchdog.h"

TPixorraMainForm* PixorraMainForm = nullptr;

namespace {

// The layout at 96 DPI; at any other DPI every length is scaled by DPI / 96.
constexpr int kClientWidth = 458;
constexpr int kClientHeight = 300;
constexpr int kPanelHeight = 113;
constexpr int kFontHeight = -11;  // Tahoma 8 point
constexpr ui::Bounds kAllImageList{0, 191, 185, 89};
constexpr ui::Bounds kFileType{151, 8, 298, 21};
constexpr ui::Bounds kClearList{374, 33, 75, 25};
constexpr ui::Bounds kDownload{88, 33, 75, 25};
constexpr ui::Bounds kProgressBar{8, 90, 441, 17};
constexpr ui::Bounds kSavePathButton{285, 33, 75, 25};
constexpr ui::Bounds kPickLabel{8, 8, 66, 48};
constexpr ui::Bounds kTypeLabel{88, 11, 60, 13};
constexpr ui::Bounds kSavePathLabel{272, 35, 31, 13};
constexpr ui::Bounds kProgressLabel{8, 71, 89, 13};
constexpr ui::Bounds kUrlLabel{96, 72, 353, 13};
constexpr ui::Bounds kBevel3{80, 8, 25, 48};
constexpr ui::Bounds kBevel2{351, 35, 17, 21};
constexpr ui::Bounds kBevel1{8, 62, 442, 14};
// The height of a drop-down combo box is that of its list when dropped.
constexpr int kDroppedListHeight = 200;

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOPMOST | WS_EX_CONTROLPARENT;

const wchar_t kPickHint[] =
    L"1.先“点我获取”，把鼠标放到要收集图片的网页上并点击；\r\n"
    L"2.选择“保存路径”，选择“图片类型”；\r\n"
    L"3.点击“下载图片”即可把指定的类型下载下来。";

// The program runs elevated, and the shell's message that the taskbar button
// exists comes from a process that is not: it reaches the window only through
// the window's message filter. The filter call is looked up, since systems
// before it have neither the filter nor the taskbar's progress.
void LetTaskbarMessageThrough(HWND window, UINT message) {
  using FilterCall = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto filter = user32 ? reinterpret_cast<FilterCall>(
                                   reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilterEx")))
                             : nullptr;
  if (filter && message) filter(window, message, kAllow, nullptr);
}

ui::Bounds FrameBounds(int dpi) {
  const RECT frame =
      ui::FrameForClient(ui::Scale(kClientWidth, dpi), ui::Scale(kClientHeight, dpi), kStyle, kExStyle, dpi);
  return {0, 0, frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace

TPixorraMainForm::TPixorraMainForm(PointerServices& pointer, TaskbarButton* taskbar, CopyServices& copies)
    : pointer_(&pointer),
      ownTaskbar_(taskbar ? nullptr : std::make_unique<TaskbarButton>()),
      taskbar_(taskbar ? taskbar : ownTaskbar_.get()),
      copies_(&copies),
      taskbarButtonCreated_(RegisterWindowMessageW(L"TaskbarButtonCreated")) {
  // Made at the system's DPI; the window's own, which per-monitor scaling
  // may set apart, is known once it exists.
  const int systemDpi = ui::SystemDpi();
  CreateParams params;
  params.className = L"TPixorraMainForm";
  params.style = kStyle;
  params.exStyle = kExStyle;
  params.caption = L"Pixorra";
  params.bounds = FrameBounds(systemDpi);
  CreateHandle(params);
  operations_.Attach(Handle());
  LetTaskbarMessageThrough(Handle(), taskbarButtonCreated_);
  dpi_ = ui::WindowDpi(Handle());
  if (dpi_ != systemDpi) {
    const ui::Bounds frame = FrameBounds(dpi_);
    SetWindowPos(Handle(), nullptr, 0, 0, frame.width, frame.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  font_ = std::make_unique<ui::Font>(L"Tahoma", ui::Scale(kFontHeight, dpi_));
  CreateControls();
  if (!PixorraMainForm) PixorraMainForm = this;
}

TPixorraMainForm::~TPixorraMainForm() {
  RestoreSystemArrow();
  if (PixorraMainForm == this) PixorraMainForm = nullptr;
}

void TPixorraMainForm::CreateControls() {
  const HWND form = Handle();
  const HFONT font = font_->Handle();
  const auto at = [this](const ui::Bounds& bounds) { return ui::Scale(bounds, dpi_); };

  // Creation order is tab order: ImageListMemo, Panel1, AllImageListMemo at
  // window level, and within the panel the combo box, the clear, download,
  // progress and save-path controls. The list and the panel are placed by
  // AlignControls.
  ImageListMemo.Create(form, {}, font, true);
  Panel1.Create(form, {});
  AllImageListMemo.Create(form, at(kAllImageList), font, false);

  const HWND panel = Panel1.Handle();
  FileTypeComboBox.Create(panel, at(kFileType),
                          {".gif", ".png", ".jpg", ".jpeg", ".bmp", ".ico", "*.gif|*.png|*.jpg|*.jpeg|*.bmp|*.ico"},
                          font, ui::Scale(kDroppedListHeight, dpi_));
  ClearListBtn.Create(panel, at(kClearList), L"清空列表", font);
  DownloadBtn.Create(panel, at(kDownload), L"下载图片", font);
  SingFileProgressBar.Create(panel, at(kProgressBar));
  SavePathBtn.Create(panel, at(kSavePathButton), L"保存路径", font);

  Label2.Create(panel, at(kPickLabel), L"点我获取", font, ui::Label::Alignment::Centered);
  Label2.SetHint(kPickHint);
  Label1.Create(panel, at(kTypeLabel), L"图片类型：", font);
  SavePathLabel.Create(panel, at(kSavePathLabel), L"", font);
  SavePathLabel.SetVisible(false);
  Label4.Create(panel, at(kProgressLabel), L"当前文件进度：", font);
  UrlLabel.Create(panel, at(kUrlLabel), L"", font);

  Bevel3.Create(panel, at(kBevel3), ui::Bevel::Shape::LeftLine);
  Bevel2.Create(panel, at(kBevel2), ui::Bevel::Shape::RightLine);
  Bevel1.Create(panel, at(kBevel1), ui::Bevel::Shape::TopLine);

  ui::Bounds dropped = kFileType;
  dropped.height += kDroppedListHeight;
  places_ = {{AllImageListMemo.Handle(), kAllImageList}, {FileTypeComboBox.Handle(), dropped},
             {ClearListBtn.Handle(), kClearList},        {DownloadBtn.Handle(), kDownload},
             {SingFileProgressBar.Handle(), kProgressBar}, {SavePathBtn.Handle(), kSavePathButton},
             {Label2.Handle(), kPickLabel},              {Label1.Handle(), kTypeLabel},
             {SavePathLabel.Handle(), kSavePathLabel},   {Label4.Handle(), kProgressLabel},
             {UrlLabel.Handle(), kUrlLabel},             {Bevel3.Handle(), kBevel3},
             {Bevel2.Handle(), kBevel2},                 {Bevel1.Handle(), kBevel1}};
  AlignControls();

  // The user leaves a line of the list by going on to where they type
  // something else: the type selector. A button leaves it at its click (see
  // the handlers); the save-path button only with a folder chosen, since a
  // cancelled dialog leaves the user where they were.
  Downloads.SetLeavingFocus([this](HWND window) {
    return window && (window == FileTypeComboBox.Handle() || IsChild(FileTypeComboBox.Handle(), window) ||
                      window == AllImageListMemo.Handle());
  });
  // The caret on a line that failed in the last runs says why; off it, the
  // label says again how the runs ended.
  Downloads.SetFailureShown([this](const FailureReason* why) {
    if (!why) return UrlLabel.SetFirstFitting(endOfRun_);
    const bool detail = !why->detail.empty();
    UrlLabel.SetWideTextFitting(L"这一行没有下载：" + ReasonWords(*why) + (detail ? L"（" : L""), why->detail,
                                detail ? L"）" : L"");
  });

  Label2.OnClick = [this] { Label2Click(); };
  FileTypeComboBox.OnChange = [this] { FileTypeComboBoxChange(); };
  DownloadBtn.OnClick = [this] { DownloadBtnClick(); };
  SavePathBtn.OnClick = [this] { SavePathBtnClick(); };
  ClearListBtn.OnClick = [this] { ClearListBtnClick(); };
}

void TPixorraMainForm::ApplyDpi(int dpi) {
  dpi_ = dpi;
  // The new font is in every control before the old one goes.
  auto font = std::make_unique<ui::Font>(L"Tahoma", ui::Scale(kFontHeight, dpi));
  const WPARAM handle = reinterpret_cast<WPARAM>(font->Handle());
  for (const Place& place : places_) {
    const ui::Bounds bounds = ui::Scale(place.design, dpi);
    SetWindowPos(place.control, nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(place.control, WM_SETFONT, handle, TRUE);
  }
  SendMessageW(ImageListMemo.Handle(), WM_SETFONT, handle, TRUE);
  font_ = std::move(font);
  AlignControls();
}

void TPixorraMainForm::DpiChanged(TMessage& message) {
  // The system suggests the window's new rectangle at the new DPI.
  ApplyDpi(LOWORD(message.WParam));
  const RECT* suggested = reinterpret_cast<const RECT*>(message.LParam);
  if (suggested) {
    SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  message.Result = 0;
}

void TPixorraMainForm::Show() {
  ShowWindow(Handle(), SW_SHOWNORMAL);
  UpdateWindow(Handle());
}

void TPixorraMainForm::AlignControls() {
  RECT client;
  GetClientRect(Handle(), &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  const int panelHeight = ui::Scale(kPanelHeight, dpi_);
  Panel1.SetBounds({0, 0, width, panelHeight});
  ImageListMemo.SetBounds({0, panelHeight, width, height > panelHeight ? height - panelHeight : 0});
}

LRESULT TPixorraMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  TMessage m = {message, wParam, lParam, 0};
  WndProc(m);
  return m.Result;
}

void TPixorraMainForm::Inherited(TMessage& message) {
  switch (message.Msg) {
    case WM_SIZE:
      if (Panel1.Handle()) AlignControls();
      message.Result = 0;
      return;
    case WM_CLOSE:
      // Closing the main window hides it and asks the program to end; the
      // window itself stays until then, so that a download under way can
      // still mark its line before the queue stops.
      ShowWindow(Handle(), SW_HIDE);
      if (ui::Application::Instance().MainWindow() == Handle()) ui::Application::Instance().RequestQuit(0);
      message.Result = 0;
      return;
    case WM_DESTROY:
      // A pick left unfinished must not leave every application with the
      // picking cursor for an arrow.
      RestoreSystemArrow();
      if (ui::Application::Instance().MainWindow() == Handle()) ui::Application::Instance().RequestQuit(0);
      message.Result = 0;
      return;
    default:
      message.Result = DefaultProcessing(message.Msg, message.WParam, message.LParam);
  }
}

void TPixorraMainForm::WndProc(TMessage& message) {
  Inherited(message);
  switch (message.Msg) {
    case WM_CAPTURECHANGED:
      CaptureChanged(message);
      break;
    case WM_DOWNLOAD_PROGRESS:
      ProgressMessage(message);
      break;
    case WM_OPERATIONS_WATCH:
      OperationsWatch();
      break;
    case ui::WM_PREVIEW_KEY:
      message.Result = message.LParam && EscapePressed(*reinterpret_cast<const MSG*>(message.LParam));
      break;
    case WM_DPICHANGED:
      DpiChanged(message);
      break;
    default:
      if (taskbarButtonCreated_ && message.Msg == taskbarButtonCreated_) taskbar_->ButtonCreated(Handle());
      break;
  }
}

void TPixorraMainForm::ProgressMessage(TMessage& message) {
  if (message.LParam == 0) return;
  // The record belongs to the sender and lives only while this runs.
  const DownloadProgress progress = *reinterpret_cast<const DownloadProgress*>(message.LParam);
  // The range changes once a transfer, the position when data comes. The
  // bar takes them a few times a second: a small image reports six times in
  // a few milliseconds, and each change the bar takes is painted again.
  SingFileProgressBar.ShowSoon(0, static_cast<int>(progress.ProgressMax), static_cast<int>(progress.Progress));
}

void TPixorraMainForm::OperationsWatch() {
  ui::Watchdog::Acknowledge(WM_OPERATIONS_WATCH);
  // Past its deadline a call into the page is cancelled, and the read returns
  // at once. Where the platform goes on waiting for the page all the same
  // (Wine), its pick ends here a little later: the window comes back and
  // answers, and whatever the page sends afterwards is dropped.
  for (Operations::Pick* pick : operations_.LatePicks()) EndPick(*pick);
  // The platform asks the page call's message filter whether to cancel when
  // a message reaches the queue; a posted one makes sure it is asked.
  if (operations_.PageCallsPastDeadline()) PostMessageW(Handle(), WM_NULL, 0, 0);

  ui::Application& application = ui::Application::Instance();
  if (!operations_.WatchTransfers(application.Terminated())) return;
  // While the service blocks with no report, nothing else lets the queued
  // messages through: paint, input and the close box wait for this. The pump
  // is an operation of its own, so the thread counts as away from the
  // service meanwhile, and whatever starts in it (a second run, say) is
  // watched in its turn.
  struct Return {
    Operations& operations;
    ~Return() {
      // Given up while the thread was away, or the close box was used in
      // the pump: the rules apply now that the thread is back, not a watch
      // later (under Wine, seconds later).
      operations.WatchTransfers(ui::Application::Instance().Terminated());
    }
  } back{operations_};
  Operations::WatchPump pump(operations_);
  application.ProcessMessages();
}
