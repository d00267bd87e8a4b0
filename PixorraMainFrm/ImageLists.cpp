// The Collected list and the download list, and the type filter between them.
#include <windows.h>

#include "Application.h"
#include "BrowserPage.h"
#include "Functions.h"
#include "ListSyntax.h"
#include "PixorraMainFrm.h"

namespace {

// Lines go into a list in slices, with pending messages let through between
// them: the edit control takes about 40 µs a line under Wine, and a page with
// 200,000 images would otherwise hold the window for many seconds.
constexpr std::size_t kLinesPerSlice = 4000;

// The end of the slice of `text` that starts at `from`: after its
// kLinesPerSlice-th line break, or the end of the text.
std::size_t SliceEnd(const std::string& text, std::size_t from) {
  for (std::size_t lines = 0; lines < kLinesPerSlice; ++lines) {
    const std::size_t lineBreak = text.find('\n', from);
    if (lineBreak == std::string::npos) return text.size();
    from = lineBreak + 1;
  }
  return from;
}

}  // namespace

void TPixorraMainForm::AddPageImages(std::string pageAddress, IHTMLDocument2* document) {
  std::string markup;
  {
    // The page is called into once more; a page that did not answer within
    // the read's deadline adds nothing, not even an empty line.
    Operations::PageCalls calls(operations_);
    bool late = false;
    markup = GetPageMarkup(document, calls.Deadline(), late);
    if (late) return;
  }
  // The scan lets pending messages through too: a clearing meanwhile drops
  // this page's lines, as it does between the slices below.
  Operations::ListAppend append(operations_);
  // Every line the scan gives starts with its scheme, so none can be a
  // folder or done line, nor break a line; the guard stays, so that no page
  // ever chooses folders or marks images as saved. A double quote a line
  // holds is its host's: it stays.
  const std::string images = DropListSyntaxLines(ScanPageImages(std::move(pageAddress), std::move(markup)));
  if (append.Cancelled()) return;
  const std::string appended = AllImageListMemo.AppendedText({images});
  for (std::size_t done = 0; done < appended.size();) {
    const std::size_t end = SliceEnd(appended, done);
    AllImageListMemo.InsertAtEnd(appended.substr(done, end - done));
    done = end;
    if (done < appended.size() && !LetThroughBetweenSlices(append)) return;
  }
  FilterImageList();
}

void TPixorraMainForm::FilterImageList() {
  Operations::ListAppend append(operations_);
  DownloadList::Append lines(Downloads, AllImageListMemo.Lines(), FileTypeComboBox.Text());
  while (lines.Next(kLinesPerSlice)) {
    if (!LetThroughBetweenSlices(append)) return;
  }
}

bool TPixorraMainForm::LetThroughBetweenSlices(const Operations::ListAppend& append) {
  ui::Application& application = ui::Application::Instance();
  application.ProcessMessages();
  // Cleared meanwhile: the rest goes with the lists. Asked to quit: the
  // window is hidden already, and nobody will see the rest.
  return !append.Cancelled() && !application.Terminated();
}

void TPixorraMainForm::FileTypeComboBoxChange() { FilterImageList(); }

void TPixorraMainForm::ClearListBtnClick() {
  // Appends under way stop at their next slice: the rest goes with the lists.
  // Runs under way end, their transfer given up: the lines they were going
  // through are gone, and lines that come in afterwards (a pick, a paste)
  // are a new list for a new run.
  for (Operations::ListAppend* append : operations_.ListAppends()) append->Cancel();
  operations_.StopDownloads();
  AllImageListMemo.SetText(std::string());
  Downloads.Clear();
}
