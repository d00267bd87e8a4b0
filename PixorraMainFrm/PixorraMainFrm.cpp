#include "PixorraMainFrm.h"

#include "Application.h"
#include "DownloadProgress.h"
#include "TransferCallback.h"
#include "Watchdog.h"

TPixorraMainForm* PixorraMainForm = nullptr;

namespace {

constexpr int kClientWidth = 458;
constexpr int kClientHeight = 300;
constexpr int kPanelHeight = 113;

const wchar_t kPickHint[] =
    L"1.先“点我获取”，把鼠标放到要收集图片的网页上并点击；\r\n"
    L"2.选择“保存路径”，选择“图片类型”；\r\n"
    L"3.点击“下载图片”即可把指定的类型下载下来。";

}  // namespace

TPixorraMainForm::TPixorraMainForm(PointerServices& pointer) : font_(L"Tahoma", -11), pointer_(&pointer) {
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_TOPMOST | WS_EX_CONTROLPARENT;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);

  CreateParams params;
  params.className = L"TPixorraMainForm";
  params.style = style;
  params.exStyle = exStyle;
  params.caption = L"Pixorra";
  params.bounds = {0, 0, frame.right - frame.left, frame.bottom - frame.top};
  CreateHandle(params);
  CreateControls();
  if (!PixorraMainForm) PixorraMainForm = this;
}

TPixorraMainForm::~TPixorraMainForm() {
  RestoreSystemArrow();
  if (PixorraMainForm == this) PixorraMainForm = nullptr;
}

void TPixorraMainForm::CreateControls() {
  const HWND form = Handle();
  const HFONT font = font_.Handle();

  // Creation order is tab order: ImageListMemo, Panel1, AllImageListMemo at
  // window level, and within the panel the combo box, the clear, download,
  // progress and save-path controls.
  ImageListMemo.Create(form, {0, kPanelHeight, kClientWidth, kClientHeight - kPanelHeight}, font, true);
  Panel1.Create(form, {0, 0, kClientWidth, kPanelHeight});
  AllImageListMemo.Create(form, {0, 191, 185, 89}, font, false);

  const HWND panel = Panel1.Handle();
  FileTypeComboBox.Create(panel, {151, 8, 298, 21},
                          {".gif", ".png", ".jpg", ".jpeg", ".bmp", ".ico", "*.gif|*.png|*.jpg|*.jpeg|*.bmp|*.ico"},
                          font);
  ClearListBtn.Create(panel, {374, 33, 75, 25}, L"清空列表", font);
  DownloadBtn.Create(panel, {88, 33, 75, 25}, L"下载图片", font);
  SingFileProgressBar.Create(panel, {8, 90, 441, 17});
  SavePathBtn.Create(panel, {285, 33, 75, 25}, L"保存路径", font);

  Label2.Create(panel, {8, 8, 66, 48}, L"点我获取", font, ui::Label::Alignment::Centered);
  Label2.SetHint(kPickHint);
  Label1.Create(panel, {88, 11, 60, 13}, L"图片类型：", font);
  SavePathLabel.Create(panel, {272, 35, 31, 13}, L"", font);
  SavePathLabel.SetVisible(false);
  Label4.Create(panel, {8, 71, 89, 13}, L"当前文件进度：", font);
  UrlLabel.Create(panel, {96, 72, 353, 13}, L"", font);

  Bevel3.Create(panel, {80, 8, 25, 48}, ui::Bevel::Shape::LeftLine);
  Bevel2.Create(panel, {351, 35, 17, 21}, ui::Bevel::Shape::RightLine);
  Bevel1.Create(panel, {8, 62, 442, 14}, ui::Bevel::Shape::TopLine);

  Label2.OnClick = [this] { Label2Click(); };
  FileTypeComboBox.OnChange = [this] { FileTypeComboBoxChange(); };
  DownloadBtn.OnClick = [this] { DownloadBtnClick(); };
  SavePathBtn.OnClick = [this] { SavePathBtnClick(); };
  ClearListBtn.OnClick = [this] { ClearListBtnClick(); };
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
  Panel1.SetBounds({0, 0, width, kPanelHeight});
  ImageListMemo.SetBounds({0, kPanelHeight, width, height > kPanelHeight ? height - kPanelHeight : 0});
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
      if (ui::Application::Instance().MainWindow() == Handle()) PostQuitMessage(0);
      message.Result = 0;
      return;
    case WM_DESTROY:
      // A pick left unfinished must not leave every application with the
      // picking cursor for an arrow.
      RestoreSystemArrow();
      if (ui::Application::Instance().MainWindow() == Handle()) PostQuitMessage(0);
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
    case WM_TRANSFER_WATCH:
      TransferWatch();
      break;
    case WM_PAGE_READ_WATCH:
      PageReadWatch();
      break;
    default:
      break;
  }
}

void TPixorraMainForm::ProgressMessage(TMessage& message) {
  if (message.LParam == 0) return;
  // The record belongs to the sender and lives only while this runs.
  const DownloadProgress progress = *reinterpret_cast<const DownloadProgress*>(message.LParam);
  SingFileProgressBar.SetMin(0);
  SingFileProgressBar.SetMax(static_cast<int>(progress.ProgressMax));
  SingFileProgressBar.SetPosition(static_cast<int>(progress.Progress));
  ui::Application::Instance().ProcessMessages();
}

void TPixorraMainForm::TransferWatch() {
  ui::Watchdog::Acknowledge(WM_TRANSFER_WATCH);
  // Sent messages are handled inside the pump below too; one watch at a time.
  if (watchingTransfers_) return;
  watchingTransfers_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{watchingTransfers_};
  ui::Application& application = ui::Application::Instance();
  // While the service blocks with no report, nothing else lets the queued
  // messages through: paint, input and the close box wait for this.
  if (TransferCallback::WatchTransfers(application.Terminated())) application.ProcessMessages();
}
