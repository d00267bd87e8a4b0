#include "RatioReporter.h"

#include <cstdio>

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    auto found = run.counters.find("bytes_per_second");
    if (found != run.counters.end()) rates_[run.benchmark_name()] = found->second.value;
  }
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\n%-28s %12s %12s %8s\n", "input", "scan MB/s", "memchr MB/s", "ratio");
  double realistic = 0;
  for (const auto& [name, rate] : rates_) {
    if (name.rfind("Scan/", 0) != 0) continue;
    const std::string input = name.substr(5);
    auto baseline = rates_.find("MemchrCount/" + input);
    if (baseline == rates_.end() || baseline->second <= 0) continue;
    if (input.rfind("realistic_2MB", 0) == 0) realistic = rate;
    std::printf("%-28s %12.0f %12.0f %8.2f\n", input.c_str(), rate / 1e6, baseline->second / 1e6,
                rate / baseline->second);
  }
  if (realistic > 0) {
    std::printf("\n%-28s %12s\n", "input", "vs realistic");
    for (const auto& [name, rate] : rates_) {
      if (name.rfind("Scan/hostile", 0) == 0) std::printf("%-28s %12.2f\n", name.substr(5).c_str(), rate / realistic);
    }
  }
}
