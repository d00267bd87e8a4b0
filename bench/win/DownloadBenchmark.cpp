// Downloads through the program's own path (URL cache, download service,
// copy into a folder): a set of small images and one large one, first from
// the network (cache miss), then again from the cache (cache hit). The small
// ones go as a run down the shown window's list, so that painting, marks and
// reports count as they do for a user. Prints milliseconds per part;
// scripts/bench sets them beside curl in the same run.
//
//   DownloadBenchmark.exe BASE_URL SMALL_COUNT LARGE_NAME RUN_TAG
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Application.h"
#include "PixorraMainFrm.h"
#include "Stopwatch.h"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: DownloadBenchmark BASE_URL SMALL_COUNT LARGE_NAME RUN_TAG\n");
    return 2;
  }
  const std::string base = argv[1];
  const int smallCount = std::atoi(argv[2]);
  const std::string large = argv[3];
  const std::string tag = argv[4];
  ui::Application::Instance().Initialize();
  TPixorraMainForm form;
  form.Show();

  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "pixorra-bench-" + tag + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);

  form.SavePathLabel.SetText(folder);
  int failures = 0;
  auto fetchSmall = [&] {
    std::string list;
    for (int i = 0; i < smallCount; ++i) {
      // The run tag keeps every run a cache miss the first time.
      list += base + "/small/" + std::to_string(i) + ".gif?run=" + tag + "\r\n";
    }
    form.ImageListMemo.SetText(list);
    form.DownloadImageList();
    for (const std::string& line : form.ImageListMemo.Lines()) {
      if (!line.empty() && line[0] != '-') ++failures;
    }
  };
  auto fetchLarge = [&] {
    if (form.DownloadImage(folder, base + "/" + large + "?run=" + tag).empty()) ++failures;
  };
  const double smallMiss = Milliseconds(fetchSmall);
  const double largeMiss = Milliseconds(fetchLarge);
  const double smallHit = Milliseconds(fetchSmall);
  const double largeHit = Milliseconds(fetchLarge);
  std::printf("small_miss_ms %.1f\nlarge_miss_ms %.1f\nsmall_hit_ms %.1f\nlarge_hit_ms %.1f\nfailures %d\n", smallMiss,
              largeMiss, smallHit, largeHit, failures);
  return failures == 0 ? 0 : 1;
}
