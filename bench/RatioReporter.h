// Console output as usual, then each scan's throughput as a ratio of the
// memchr pass over the same input in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  std::map<std::string, double> rates_;  // bytes per second by benchmark name
};
