#include "summary_reporter.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "alignment_run.h"

namespace kestrum_bench {
namespace {

struct FirstPress {
  double wallSeconds;
  double cpuSeconds;
  double buildCpuSeconds;
};

std::map<size_t, FirstPress>& FirstPresses() {
  static std::map<size_t, FirstPress> presses;
  return presses;
}

}  // namespace

void NoteFirstPress(size_t selectedObjects, double wallSeconds, double cpuSeconds,
                    double buildCpuSeconds) {
  FirstPresses()[selectedObjects] = FirstPress{wallSeconds, cpuSeconds, buildCpuSeconds};
}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
    const auto objects = run.counters.find("objects");
    const auto perObject = run.counters.find("ns/object");
    if (objects == run.counters.end() || perObject == run.counters.end()) continue;
    const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
    rows_.push_back(Row{run.run_name.function_name, objects->second.value,
                        run.GetAdjustedRealTime() / unit * 1e3,
                        run.GetAdjustedCPUTime() / unit * 1e3, perObject->second.value});
  }
}

void SummaryReporter::PrintSummary() const {
  // Grouped by benchmark in the order they first ran, sizes ascending within a group.
  std::vector<std::string> order;
  for (const Row& row : rows_)
    if (std::find(order.begin(), order.end(), row.benchmark) == order.end())
      order.push_back(row.benchmark);
  std::vector<Row> rows = rows_;
  std::stable_sort(rows.begin(), rows.end(), [&order](const Row& a, const Row& b) {
    const auto rankA = std::find(order.begin(), order.end(), a.benchmark) - order.begin();
    const auto rankB = std::find(order.begin(), order.end(), b.benchmark) - order.begin();
    return rankA != rankB ? rankA < rankB : a.objects < b.objects;
  });
  std::string current;
  double baseline = 0.0;
  for (const Row& row : rows) {
    if (row.benchmark != current) {
      current = row.benchmark;
      baseline = 0.0;
      for (const Row& other : rows)
        if (other.benchmark == current && other.objects == 10'000.0)
          baseline = other.nanosecondsPerObject;
      std::printf("\n%-14s %10s %10s %10s %10s %12s %7s\n", current.c_str(), "objects", "wall ms",
                  "cpu ms", "ns/object", "objects/s", "vs 1e4");
    }
    std::printf("%-14s %10.0f %10.3f %10.3f %10.1f %12.0f", "", row.objects,
                row.millisecondsPerCall, row.cpuMillisecondsPerCall, row.nanosecondsPerObject,
                1e9 / row.nanosecondsPerObject);
    if (baseline > 0.0)
      std::printf(" %7.2f\n", row.nanosecondsPerObject / baseline);
    else
      std::printf(" %7s\n", "-");
  }
}

void SummaryReporter::PrintFirstPresses() const {
  if (FirstPresses().empty()) return;
  std::printf("\nFirst press on a freshly built and selected scene (storage no press used yet)\n");
  std::printf("%-14s %10s %10s %10s %10s %12s %14s\n", "", "objects", "wall ms", "cpu ms",
              "ns/object", "vs later", "build cpu ms");
  for (const auto& [objects, press] : FirstPresses()) {
    const double perObject = press.cpuSeconds * 1e9 / static_cast<double>(objects);
    std::printf("%-14s %10zu %10.3f %10.3f %10.1f", "", objects, press.wallSeconds * 1e3,
                press.cpuSeconds * 1e3, perObject);
    double later = 0.0;
    for (const Row& row : rows_)
      if (row.benchmark == "AlignSelected" && row.objects == static_cast<double>(objects))
        later = row.nanosecondsPerObject;
    if (later > 0.0)
      std::printf(" %12.2f", perObject / later);
    else
      std::printf(" %12s", "-");
    std::printf(" %14.1f\n", press.buildCpuSeconds * 1e3);
  }
}

void PrintCallsAndBlocks() {
  constexpr size_t kSmall = 1'000;
  constexpr size_t kLarger = 2'000;
  const std::map<std::string, size_t> small = CallsOfOnePress(kSmall);
  const std::map<std::string, size_t> larger = CallsOfOnePress(kLarger);
  std::printf("\nHost calls of one press (trace on, %zu and %zu selected objects)\n", kSmall,
              kLarger);
  std::printf("%-28s %12s %12s\n", "operation", "per object", "per press");
  size_t perObjectTotal = 0;
  size_t fixedTotal = 0;
  for (const auto& [name, count] : larger) {
    const auto found = small.find(name);
    const size_t smallCount = found == small.end() ? 0 : found->second;
    const size_t perObject = (count - smallCount) / (kLarger - kSmall);
    const size_t fixed = count - perObject * kLarger;
    perObjectTotal += perObject;
    fixedTotal += fixed;
    std::printf("%-28s %12zu %12zu\n", name.c_str(), perObject, fixed);
  }
  std::printf("%-28s %12zu %12zu\n", "total", perObjectTotal, fixedTotal);
  std::printf(
      "\nHost memory blocks the module took during one press: %zu at %zu objects, "
      "%zu at %zu objects\n",
      HostBlocksOfOnePress(kSmall), kSmall, HostBlocksOfOnePress(kLarger), kLarger);
}

}  // namespace kestrum_bench
