// ScanPageImages on realistic and hostile pages, each beside a memchr pass
// that counts "<" over the same input: the speed of just touching the bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <functional>
#include <string>

#include "Functions.h"
#include "GeneratedPages.h"
#include "RatioReporter.h"

namespace {

const char kPage[] = "http://host.example/dir/page.htm";

std::size_t CountOpenBrackets(const std::string& text) {
  std::size_t count = 0;
  const char* at = text.data();
  const char* end = at + text.size();
  while ((at = static_cast<const char*>(std::memchr(at, '<', static_cast<std::size_t>(end - at)))) != nullptr) {
    ++count;
    ++at;
  }
  return count;
}

void Register(const std::string& name, const std::function<std::string()>& make) {
  // Each input is made once and shared by the pair.
  auto input = std::make_shared<std::string>(make());
  benchmark::RegisterBenchmark(("MemchrCount/" + name).c_str(), [input](benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(CountOpenBrackets(*input));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input->size()));
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(("Scan/" + name).c_str(), [input](benchmark::State& state) {
    std::size_t lines = 0;
    for (auto _ : state) {
      // The program hands the scan markup it no longer needs; copying it here
      // would measure memcpy, so the copy stays out of the timing.
      state.PauseTiming();
      std::string markup = *input;
      state.ResumeTiming();
      const std::string result = ScanPageImages(kPage, std::move(markup));
      lines = static_cast<std::size_t>(std::count(result.begin(), result.end(), '\n'));
      benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input->size()));
    state.counters["images"] = static_cast<double>(lines);
  })->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  Register("realistic_2MB", [] { return RealisticPage(2 << 20); });
  Register("realistic_20MB", [] { return RealisticPage(20 << 20); });
  Register("hostile_data_uri_1MB", HostileDataUri);
  Register("hostile_unclosed_5MB", HostileUnclosedTag);
  Register("hostile_repeated_attr_5MB", HostileRepeatedAttribute);
  Register("hostile_100k_img_a", HostileManyEmptyTags);
  Register("hostile_200k_td_bg", HostileManyBackgrounds);
  Register("dense_img_4MB", [] { return DenseImageTags(4 << 20); });
  Register("dense_distinct_img_4MB", [] { return DenseDistinctImages(4 << 20); });
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
