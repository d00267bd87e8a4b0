// FilterImageList and appending to the download list through the real edit
// controls, at 5,000, 10,000 and 20,000 lines, beside appending the same lines
// one edit at a time. Prints the time per line at each size and its ratio to
// the 5,000-line run: flat ratios mean linear growth. Runs under Wine too.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Application.h"
#include "PixorraMainFrm.h"
#include "Stopwatch.h"

namespace {

std::string Lines(const char* folder, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "http://host.example/" + std::string(folder) + "/" + std::to_string(i) + ".gif\r\n";
  return text;
}

}  // namespace

int main() {
  ui::Application::Instance().Initialize();
  const int sizes[] = {5000, 10000, 20000};
  double filterBase = 0;
  double singleBase = 0;
  std::printf("%-8s %14s %12s %8s %16s %12s %8s\n", "lines", "filter ms", "us/line", "ratio", "line-by-line ms",
              "us/line", "ratio");
  for (int size : sizes) {
    TPixorraMainForm form;
    form.AllImageListMemo.SetText(Lines("new", size));
    form.ImageListMemo.SetText(Lines("old", size));
    form.FileTypeComboBox.SetText(".gif");
    const double filter = Milliseconds([&] { form.FilterImageList(); });

    // The same appends, one edit per line, for comparison.
    form.ImageListMemo.SetText(Lines("old", size));
    const std::vector<std::string> added = form.AllImageListMemo.Lines();
    const double single = Milliseconds([&] {
      for (const std::string& line : added) form.ImageListMemo.AppendLine(line);
    });

    const double filterPerLine = filter * 1000 / size;
    const double singlePerLine = single * 1000 / size;
    if (filterBase == 0) filterBase = filterPerLine;
    if (singleBase == 0) singleBase = singlePerLine;
    std::printf("%-8d %14.1f %12.2f %8.2f %16.1f %12.2f %8.2f\n", size, filter, filterPerLine,
                filterPerLine / filterBase, single, singlePerLine, singlePerLine / singleBase);
  }
  return 0;
}
