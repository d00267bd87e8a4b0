// Choosing the new download-list lines for N collected addresses against an
// N-line download list: the time per line should not grow with N.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "ListFiltering.h"

namespace {

std::vector<std::string> Addresses(const char* folder, int count) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    lines.push_back("http://host.example/" + std::string(folder) + "/photo" + std::to_string(i) + ".gif");
  }
  return lines;
}

void SelectNewLines(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<std::string> collected = Addresses("new", count);
  std::vector<std::string> list = Addresses("old", count);
  for (auto _ : state) benchmark::DoNotOptimize(SelectNewImageLines(collected, list, ".gif"));
  state.SetComplexityN(count);
  state.counters["ns_per_line"] = benchmark::Counter(static_cast<double>(count),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(SelectNewLines)->Arg(5000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity();
