#pragma once
// The console report as Google Benchmark prints it, followed by one table per
// benchmark: objects, wall and CPU time per call, ns per object and objects per second
// (from CPU time), and the cost per object relative to 10,000 objects (1.00 is
// perfectly linear).

#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <vector>

namespace kestrum_bench {

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  void PrintSummary() const;
  // The first presses noted, with their cost relative to a later press of the same size.
  void PrintFirstPresses() const;

 private:
  struct Row {
    std::string benchmark;
    double objects;
    double millisecondsPerCall;
    double cpuMillisecondsPerCall;
    double nanosecondsPerObject;
  };
  std::vector<Row> rows_;
};

// The wall and CPU time of the first press on a freshly built scene of this size, and
// the CPU time building and selecting that scene took (the host prepares a press's
// storage while objects are selected, so that cost shows there).
void NoteFirstPress(size_t selectedObjects, double wallSeconds, double cpuSeconds,
                    double buildCpuSeconds);

// Host calls per selected object and host memory blocks per press, counted on small
// scenes with the call trace on (never during timing).
void PrintCallsAndBlocks();

}  // namespace kestrum_bench
